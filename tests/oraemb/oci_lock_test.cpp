// Table and row locks between sessions, threads and processes: the
// converter's "busy" overwrite case (ORA-00054 at once for DROP TABLE while
// another session holds LOCK TABLE, an uncommitted FOR UPDATE or
// uncommitted DML), NOWAIT and WAIT, release at commit, rollback, logoff
// and process death, waiting DML and FOR UPDATE that re-read what they
// waited for, and DDL committed by another process.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "tests/oraemb/oci_fixture.h"

namespace oraemb_test {
namespace {

const char kBusy[] =
    "ORA-00054: resource busy and acquire with NOWAIT specified or timeout expired\n";

class LockTest : public OciTest {
 protected:
  void SetUp() override {
    OciTest::SetUp();
    ASSERT_EQ(exec("CREATE TABLE orders (id NUMBER(10) PRIMARY KEY, v NUMBER)"), OCI_SUCCESS)
        << error_text();
    ASSERT_EQ(exec("CREATE TABLE other (id NUMBER(10))"), OCI_SUCCESS);
    for (int k = 1; k <= 3; ++k)
      ASSERT_EQ(
          exec("INSERT INTO orders VALUES (" + std::to_string(k) + ", 1)", OCI_COMMIT_ON_SUCCESS),
          OCI_SUCCESS);
    ASSERT_EQ(logon(&b, "scott", "tiger"), OCI_SUCCESS) << error_text();
  }
  void TearDown() override {
    if (b) api.OCILogoff(b, err);
    OciTest::TearDown();
  }
  sword drop_orders() { return exec("DROP TABLE \"ORDERS\" CASCADE CONSTRAINTS"); }
  double seconds_of(const std::function<void()>& fn) {
    auto start = std::chrono::steady_clock::now();
    fn();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  }
  OCISvcCtx* b = nullptr;
};

TEST_F(LockTest, DropOfATableLockedExclusiveFailsAtOnceAndOtherTablesGoOn) {
  ASSERT_EQ(exec_on(b, "LOCK TABLE \"ORDERS\" IN EXCLUSIVE MODE"), OCI_SUCCESS) << error_text();
  double took = seconds_of([&] { EXPECT_EQ(drop_orders(), OCI_ERROR); });
  EXPECT_EQ(error_text(), kBusy);
  EXPECT_LT(took, 1.0);
  // The lock holds no SQLite writer lock: work on other tables goes on.
  EXPECT_EQ(exec("INSERT INTO other VALUES (1)", OCI_COMMIT_ON_SUCCESS), OCI_SUCCESS)
      << error_text();
  EXPECT_EQ(exec("CREATE INDEX other_i ON other(id)"), OCI_SUCCESS) << error_text();
  ASSERT_EQ(exec_on(b, "COMMIT"), OCI_SUCCESS);
  EXPECT_EQ(drop_orders(), OCI_SUCCESS) << error_text();
}

TEST_F(LockTest, UncommittedForUpdateOrDmlMakeDdlBusyUntilTheyEnd) {
  ASSERT_EQ(exec_on(b, "SELECT id FROM orders WHERE id = 2 FOR UPDATE"), OCI_SUCCESS)
      << error_text();
  EXPECT_EQ(drop_orders(), OCI_ERROR);
  EXPECT_EQ(error_code(), 54);
  EXPECT_EQ(exec("ALTER TABLE orders MODIFY v NUMBER(12)", OCI_COMMIT_ON_SUCCESS), OCI_ERROR);
  EXPECT_EQ(error_code(), 54);
  ASSERT_EQ(api.OCITransCommit(b, err, OCI_DEFAULT), OCI_SUCCESS);

  // Uncommitted DML: reported at once, not after SQLite's busy timeout.
  ASSERT_EQ(exec_on(b, "INSERT INTO orders VALUES (9, 9)"), OCI_SUCCESS) << error_text();
  double took = seconds_of([&] { EXPECT_EQ(drop_orders(), OCI_ERROR); });
  EXPECT_EQ(error_code(), 54);
  EXPECT_LT(took, 1.0);
  ASSERT_EQ(exec_on(b, "ROLLBACK"), OCI_SUCCESS);
  EXPECT_EQ(drop_orders(), OCI_SUCCESS) << error_text();
}

TEST_F(LockTest, NowaitAndWaitOnLockedRowsAndTables) {
  ASSERT_EQ(exec_on(b, "SELECT id FROM orders WHERE id = 1 FOR UPDATE"), OCI_SUCCESS);
  EXPECT_EQ(exec("SELECT id FROM orders WHERE id = 1 FOR UPDATE NOWAIT"), OCI_ERROR);
  EXPECT_EQ(error_text(), kBusy);
  // Another row of the same table is free.
  EXPECT_EQ(exec("SELECT id FROM orders WHERE id = 2 FOR UPDATE NOWAIT"), OCI_SUCCESS)
      << error_text();
  double took = seconds_of(
      [&] { EXPECT_EQ(exec("SELECT v FROM orders WHERE id = 1 FOR UPDATE WAIT 1"), OCI_ERROR); });
  EXPECT_EQ(error_code(), 30006);
  EXPECT_GE(took, 0.9);
  // Row locks block LOCK TABLE ... EXCLUSIVE, which NOWAIT reports at once.
  EXPECT_EQ(exec("LOCK TABLE orders IN EXCLUSIVE MODE NOWAIT"), OCI_ERROR);
  EXPECT_EQ(error_code(), 54);
  EXPECT_EQ(exec("LOCK TABLE orders IN ROW SHARE MODE NOWAIT"), OCI_SUCCESS) << error_text();
  EXPECT_EQ(exec("LOCK TABLE nosuch IN EXCLUSIVE MODE"), OCI_ERROR);
  EXPECT_EQ(error_code(), 942);
}

// A query whose rows are not rows of a table locks nothing: Oracle refuses
// FOR UPDATE on it rather than leave the caller believing it holds locks.
TEST_F(LockTest, ForUpdateOfGroupedOrDistinctRowsIsRefused) {
  for (const char* sql : {"SELECT COUNT(*) FROM orders FOR UPDATE",
                          "SELECT v, COUNT(*) FROM orders GROUP BY v FOR UPDATE",
                          "SELECT DISTINCT v FROM orders FOR UPDATE"}) {
    SCOPED_TRACE(sql);
    EXPECT_EQ(exec(sql), OCI_ERROR);
    EXPECT_EQ(error_code(), 1786);
  }
  // Nothing was locked: the other session takes the table at once.
  EXPECT_EQ(exec_on(b, "LOCK TABLE orders IN EXCLUSIVE MODE NOWAIT"), OCI_SUCCESS) << error_text();
}

TEST_F(LockTest, LocksEndWithRollbackAndLogoff) {
  ASSERT_EQ(exec_on(b, "LOCK TABLE orders IN SHARE MODE"), OCI_SUCCESS);
  EXPECT_EQ(drop_orders(), OCI_ERROR);
  ASSERT_EQ(exec_on(b, "ROLLBACK"), OCI_SUCCESS);
  ASSERT_EQ(exec_on(b, "SELECT id FROM orders FOR UPDATE"), OCI_SUCCESS);
  EXPECT_EQ(drop_orders(), OCI_ERROR);
  ASSERT_EQ(api.OCILogoff(b, err), OCI_SUCCESS);
  b = nullptr;
  EXPECT_EQ(drop_orders(), OCI_SUCCESS) << error_text();
}

// A blocked UPDATE waits for the row and then works on the committed value
// (no lost update).
TEST_F(LockTest, UpdateWaitsForTheRowAndSeesTheOtherSessionsChange) {
  OCIEnv* env2 = nullptr;
  OCIError* err2 = nullptr;
  OCISvcCtx* c = nullptr;
  api.OCIEnvCreate(&env2, OCI_UTF16, nullptr, nullptr, nullptr, nullptr, 0, nullptr);
  api.OCIHandleAlloc(env2, reinterpret_cast<void**>(&err2), OCI_HTYPE_ERROR, 0, nullptr);
  std::u16string user = u16("scott"), pwd = u16("tiger"), db = u16("//localhost:1521/ORCL");
  ASSERT_EQ(
      api.OCILogon(env2, err2, &c, reinterpret_cast<const OraText*>(user.data()), 10,
                   reinterpret_cast<const OraText*>(pwd.data()), 10,
                   reinterpret_cast<const OraText*>(db.data()), static_cast<ub4>(db.size() * 2)),
      OCI_SUCCESS);
  OCIStmt* st = nullptr;
  api.OCIHandleAlloc(env2, reinterpret_cast<void**>(&st), OCI_HTYPE_STMT, 0, nullptr);
  std::u16string sql = u16("UPDATE orders SET v = v + 10 WHERE id = 3");
  api.OCIStmtPrepare(st, err2, reinterpret_cast<const OraText*>(sql.data()),
                     static_cast<ub4>(sql.size() * 2), OCI_NTV_SYNTAX, OCI_DEFAULT);

  ASSERT_EQ(exec_on(b, "SELECT v FROM orders WHERE id = 3 FOR UPDATE"), OCI_SUCCESS);
  sword updated = OCI_ERROR;
  std::thread waiter([&] {
    updated = api.OCIStmtExecute(c, st, err2, 1, 0, nullptr, nullptr, OCI_COMMIT_ON_SUCCESS);
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  ASSERT_EQ(exec_on(b, "UPDATE orders SET v = v + 1 WHERE id = 3", OCI_COMMIT_ON_SUCCESS),
            OCI_SUCCESS)
      << error_text();
  waiter.join();
  EXPECT_EQ(updated, OCI_SUCCESS);
  EXPECT_EQ(rows("SELECT v FROM orders WHERE id = 3"),
            (std::vector<std::vector<std::string>>{{"12"}}));
  api.OCILogoff(c, err2);
  api.OCIHandleFree(env2, OCI_HTYPE_ENV);
}

// A SELECT ... FOR UPDATE that had to wait for a row reads again: the rows
// are those the other session committed, and they stay locked.
TEST_F(LockTest, ForUpdateThatWaitedReturnsTheRowsAsCommitted) {
  OCIError* err2 = nullptr;
  api.OCIHandleAlloc(env, reinterpret_cast<void**>(&err2), OCI_HTYPE_ERROR, 0, nullptr);
  ASSERT_EQ(exec_on(b, "UPDATE orders SET v = 5 WHERE id = 2"), OCI_SUCCESS) << error_text();
  std::vector<std::vector<std::string>> seen;
  std::thread waiter([&] { seen = rows("SELECT id, v FROM orders WHERE v = 1 FOR UPDATE"); });
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  ASSERT_EQ(api.OCITransCommit(b, err2, OCI_DEFAULT), OCI_SUCCESS);
  waiter.join();
  EXPECT_EQ(seen, (std::vector<std::vector<std::string>>{{"1", "1"}, {"3", "1"}}));
  EXPECT_EQ(exec_on(b, "SELECT id FROM orders WHERE id = 3 FOR UPDATE NOWAIT"), OCI_ERROR);
  EXPECT_EQ(error_code(), 54);
  api.OCIHandleFree(err2, OCI_HTYPE_ERROR);
}

class ProcessLockTest : public LockTest {
 protected:
  // Forks a child that logs on, runs `sql` and signals the parent; then it
  // waits to be killed (hold = true) or logs off and exits.
  pid_t child(const std::vector<std::string>& sql, bool hold) {
    int fds[2];
    if (pipe(fds) != 0) return -1;
    pid_t pid = fork();
    if (pid == 0) {
      close(fds[0]);
      OCISvcCtx* mine = nullptr;
      char ok = logon(&mine, "scott", "tiger") == OCI_SUCCESS ? 'y' : 'n';
      for (const auto& s : sql)
        if (ok == 'y' && exec_on(mine, s, OCI_DEFAULT) != OCI_SUCCESS) ok = 'n';
      if (!hold && ok == 'y' && api.OCILogoff(mine, err) != OCI_SUCCESS) ok = 'n';
      if (write(fds[1], &ok, 1) != 1) _exit(3);
      if (hold) pause();
      _exit(0);
    }
    close(fds[1]);
    char ok = 0;
    EXPECT_EQ(read(fds[0], &ok, 1), 1);
    EXPECT_EQ(ok, 'y');
    close(fds[0]);
    return pid;
  }
};

TEST_F(ProcessLockTest, ALockOfAKilledProcessIsReleased) {
  pid_t pid = child({"LOCK TABLE \"ORDERS\" IN EXCLUSIVE MODE"}, true);
  ASSERT_GT(pid, 0);
  EXPECT_EQ(drop_orders(), OCI_ERROR);
  EXPECT_EQ(error_code(), 54);
  kill(pid, SIGKILL);
  int status = 0;
  waitpid(pid, &status, 0);
  EXPECT_EQ(drop_orders(), OCI_SUCCESS) << error_text();
}

TEST_F(ProcessLockTest, UncommittedWorkOfAKilledProcessIsRolledBack) {
  pid_t pid = child({"INSERT INTO other VALUES (42)"}, true);
  ASSERT_GT(pid, 0);
  kill(pid, SIGKILL);
  int status = 0;
  waitpid(pid, &status, 0);
  EXPECT_EQ(rows("SELECT COUNT(*) FROM other"), (std::vector<std::vector<std::string>>{{"0"}}));
  EXPECT_EQ(exec("INSERT INTO other VALUES (1)", OCI_COMMIT_ON_SUCCESS), OCI_SUCCESS)
      << error_text();
}

TEST_F(ProcessLockTest, DdlOfAnotherProcessIsSeen) {
  // This process has loaded the schema already; the child changes it.
  EXPECT_EQ(rows("SELECT COUNT(*) FROM orders"), (std::vector<std::vector<std::string>>{{"3"}}));
  pid_t pid = child({"CREATE TABLE made_elsewhere (x NUMBER)",
                     "INSERT INTO made_elsewhere VALUES (7)", "DROP TABLE other"},
                    false);
  ASSERT_GT(pid, 0);
  int status = 0;
  waitpid(pid, &status, 0);
  EXPECT_EQ(rows("SELECT x FROM made_elsewhere"), (std::vector<std::vector<std::string>>{{"7"}}));
  EXPECT_EQ(exec("SELECT * FROM other", OCI_DEFAULT, 0), OCI_ERROR);
  EXPECT_EQ(error_code(), 942);
  // The second process sees the table too, and a name taken elsewhere is taken.
  EXPECT_EQ(exec_on(b, "CREATE TABLE made_elsewhere (y NUMBER)"), OCI_ERROR);
  EXPECT_EQ(error_code(), 955);
}

}  // namespace
}  // namespace oraemb_test

namespace oraemb_test {
namespace {

TEST_F(LockTest, ATransactionWithThousandsOfRowLocksStillConflictsOnlyWhereItShould) {
  // More row locks than the lock manager keeps as single bytes per table.
  std::vector<int32_t> ids(1500);
  for (int k = 0; k < 1500; ++k) ids[k] = k + 4;
  OCIStmt* st = nullptr;
  api.OCIHandleAlloc(env, reinterpret_cast<void**>(&st), OCI_HTYPE_STMT, 0, nullptr);
  std::u16string text = u16("INSERT INTO orders VALUES (:ID, 1)"), name = u16(":ID");
  api.OCIStmtPrepare(st, err, reinterpret_cast<const OraText*>(text.data()),
                     static_cast<ub4>(text.size() * 2), OCI_NTV_SYNTAX, OCI_DEFAULT);
  api.OCIBindByName(st, nullptr, err, reinterpret_cast<const OraText*>(name.data()),
                    static_cast<sb4>(name.size() * 2), ids.data(), 4, SQLT_INT, nullptr, nullptr,
                    nullptr, 0, nullptr, OCI_DEFAULT);
  ASSERT_EQ(api.OCIStmtExecute(svc, st, err, 1500, 0, nullptr, nullptr, OCI_COMMIT_ON_SUCCESS),
            OCI_SUCCESS)
      << error_text();
  api.OCIHandleFree(st, OCI_HTYPE_STMT);
  ASSERT_EQ(exec("INSERT INTO other VALUES (7)", OCI_COMMIT_ON_SUCCESS), OCI_SUCCESS);
  ASSERT_EQ(exec("UPDATE orders SET v = 2"), OCI_SUCCESS) << error_text();
  for (int id : {2, 1200, 1503}) {
    EXPECT_EQ(
        exec_on(b, "SELECT id FROM orders WHERE id = " + std::to_string(id) + " FOR UPDATE NOWAIT"),
        OCI_ERROR)
        << id;
    EXPECT_EQ(error_text(), kBusy);
  }
  EXPECT_EQ(exec_on(b, "SELECT id FROM other WHERE id = 7 FOR UPDATE NOWAIT"), OCI_SUCCESS)
      << error_text();
  ASSERT_EQ(exec("COMMIT"), OCI_SUCCESS);
  EXPECT_EQ(exec_on(b, "SELECT id FROM orders WHERE id = 1200 FOR UPDATE NOWAIT"), OCI_SUCCESS)
      << error_text();
  EXPECT_EQ(exec_on(b, "UPDATE orders SET v = 3 WHERE id = 2"), OCI_SUCCESS) << error_text();
  ASSERT_EQ(exec_on(b, "COMMIT"), OCI_SUCCESS);
}

}  // namespace
}  // namespace oraemb_test
