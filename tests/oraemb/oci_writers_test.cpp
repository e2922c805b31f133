// Writers that do not touch each other's rows: one session's uncommitted
// UPDATEs and DELETEs (and LOB writes after them), left open between calls,
// stall neither the
// writes of other sessions (threads or processes) to other tables nor
// their DDL. What it changed stays its own until commit, is gone after rollback or
// the death of its process, and still blocks its rows and its table.
// Transactions whose changes another session could meet (new rows, changed
// keys, foreign keys) keep SQLite's writer lock to their end.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "tests/oraemb/oci_fixture.h"

namespace oraemb_test {
namespace {

using Rows = std::vector<std::vector<std::string>>;

class WriterTest : public OciTest {
 protected:
  void SetUp() override {
    OciTest::SetUp();
    ASSERT_EQ(exec("CREATE TABLE orders (id NUMBER(10) PRIMARY KEY, v NUMBER, note CLOB)"),
              OCI_SUCCESS)
        << error_text();
    ASSERT_EQ(exec("CREATE TABLE other (id NUMBER(10))"), OCI_SUCCESS);
    for (int k = 1; k <= 3; ++k)
      ASSERT_EQ(exec("INSERT INTO orders VALUES (" + std::to_string(k) + ", 1, EMPTY_CLOB())",
                     OCI_COMMIT_ON_SUCCESS),
                OCI_SUCCESS);
    ASSERT_EQ(logon(&b, "scott", "tiger"), OCI_SUCCESS) << error_text();
    api.OCIHandleAlloc(env, reinterpret_cast<void**>(&err2), OCI_HTYPE_ERROR, 0, nullptr);
  }
  void TearDown() override {
    if (b) api.OCILogoff(b, err);
    api.OCIHandleFree(err2, OCI_HTYPE_ERROR);
    OciTest::TearDown();
  }
  static double seconds_of(const std::function<void()>& fn) {
    auto start = std::chrono::steady_clock::now();
    fn();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  }
  // Session A's writes elsewhere, each of which needs SQLite's writer lock.
  void write_elsewhere(int k) {
    EXPECT_EQ(exec("INSERT INTO other VALUES (" + std::to_string(k) + ")", OCI_COMMIT_ON_SUCCESS),
              OCI_SUCCESS)
        << error_text();
  }
  // COMMIT or ROLLBACK of session B, with an error handle of its own.
  sword end_b_on_second_thread(const std::string& sql) {
    OCIStmt* st = nullptr;
    api.OCIHandleAlloc(env, reinterpret_cast<void**>(&st), OCI_HTYPE_STMT, 0, nullptr);
    const std::u16string text = u16(sql);
    api.OCIStmtPrepare(st, err2, reinterpret_cast<const OraText*>(text.data()),
                       static_cast<ub4>(text.size() * 2), OCI_NTV_SYNTAX, OCI_DEFAULT);
    const sword rc = api.OCIStmtExecute(b, st, err2, 1, 0, nullptr, nullptr, OCI_DEFAULT);
    api.OCIHandleFree(st, OCI_HTYPE_STMT);
    return rc;
  }
  OCISvcCtx* b = nullptr;
  OCIError* err2 = nullptr;  // for B's calls on a second thread
};

TEST_F(WriterTest, AnUncommittedUpdateStallsNeitherOtherTablesNorDdl) {
  ASSERT_EQ(exec_on(b, "UPDATE orders SET v = 7 WHERE id = 2"), OCI_SUCCESS) << error_text();
  const double took = seconds_of([&] {
    write_elsewhere(1);
    EXPECT_EQ(exec("CREATE TABLE t3 (x NUMBER)"), OCI_SUCCESS) << error_text();
    EXPECT_EQ(exec("INSERT INTO t3 VALUES (1)", OCI_COMMIT_ON_SUCCESS), OCI_SUCCESS);
    EXPECT_EQ(exec("DROP TABLE t3"), OCI_SUCCESS) << error_text();
    // Another row of B's table is free, too.
    EXPECT_EQ(exec("UPDATE orders SET v = 5 WHERE id = 3", OCI_COMMIT_ON_SUCCESS), OCI_SUCCESS)
        << error_text();
  });
  EXPECT_LT(took, 3.0);  // SQLite's busy timeout is 10 s

  // B's row and table stay B's.
  EXPECT_EQ(exec("SELECT v FROM orders WHERE id = 2 FOR UPDATE NOWAIT"), OCI_ERROR);
  EXPECT_EQ(error_code(), 54);
  EXPECT_EQ(exec("DROP TABLE orders"), OCI_ERROR);
  EXPECT_EQ(error_code(), 54);
  EXPECT_EQ(exec("CREATE TABLE items (oid NUMBER REFERENCES orders(id))"), OCI_ERROR);
  EXPECT_EQ(error_code(), 54);
  // Each sees its own: B its change and what A committed, A not B's change.
  EXPECT_EQ(rows("SELECT v FROM orders ORDER BY id"), (Rows{{"1"}, {"1"}, {"5"}}));
  EXPECT_EQ(rows_on(b, "SELECT v FROM orders ORDER BY id"), (Rows{{"1"}, {"7"}, {"5"}}));

  // A's write of B's row waits for B's commit and then works on B's value.
  sword committed = OCI_ERROR;
  std::thread holder([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    committed = end_b_on_second_thread("COMMIT");
  });
  const double waited = seconds_of([&] {
    EXPECT_EQ(exec("UPDATE orders SET v = v + 1 WHERE id = 2", OCI_COMMIT_ON_SUCCESS), OCI_SUCCESS)
        << error_text();
  });
  holder.join();
  EXPECT_EQ(committed, OCI_SUCCESS);
  EXPECT_GE(waited, 0.25);
  EXPECT_EQ(rows("SELECT v FROM orders ORDER BY id"), (Rows{{"1"}, {"8"}, {"5"}}));
  EXPECT_EQ(rows("SELECT COUNT(*) FROM other"), (Rows{{"1"}}));
}

// B's transaction gives way twice (its changes re-applied in between, and
// more added), then ends: a rollback leaves nothing, a commit everything.
TEST_F(WriterTest, ATransactionThatGaveWayRollsBackOrCommitsWhole) {
  for (const bool commit : {false, true}) {
    ASSERT_EQ(exec_on(b, "UPDATE orders SET v = 7 WHERE id = 1"), OCI_SUCCESS) << error_text();
    ASSERT_EQ(exec_on(b, "DELETE FROM orders WHERE id = 3"), OCI_SUCCESS) << error_text();
    write_elsewhere(1);
    ASSERT_EQ(exec_on(b, "UPDATE orders SET v = v + 2 WHERE id IN (1, 2)"), OCI_SUCCESS)
        << error_text();
    write_elsewhere(2);
    EXPECT_EQ(rows_on(b, "SELECT id, v FROM orders ORDER BY id"), (Rows{{"1", "9"}, {"2", "3"}}));
    EXPECT_EQ(rows("SELECT id, v FROM orders ORDER BY id"),
              (Rows{{"1", "1"}, {"2", "1"}, {"3", "1"}}));
    ASSERT_EQ(exec_on(b, commit ? "COMMIT" : "ROLLBACK"), OCI_SUCCESS) << error_text();
    const Rows expected =
        commit ? Rows{{"1", "9"}, {"2", "3"}} : Rows{{"1", "1"}, {"2", "1"}, {"3", "1"}};
    EXPECT_EQ(rows("SELECT id, v FROM orders ORDER BY id"), expected) << commit;
    EXPECT_EQ(rows_on(b, "SELECT id, v FROM orders ORDER BY id"), expected) << commit;
    // The rows are free again.
    EXPECT_EQ(exec("SELECT v FROM orders WHERE id = 1 FOR UPDATE NOWAIT"), OCI_SUCCESS)
        << error_text();
    ASSERT_EQ(exec("ROLLBACK"), OCI_SUCCESS);
  }
  EXPECT_EQ(rows("SELECT COUNT(*) FROM other"), (Rows{{"4"}}));
}

// A LOB written through a locator selected FOR UPDATE in a transaction
// that began with an UPDATE: it gives way between two writes and the value
// is whole at commit.
TEST_F(WriterTest, LobWritesOfATransactionThatGaveWay) {
  ASSERT_EQ(exec_on(b, "UPDATE orders SET v = 4 WHERE id = 2"), OCI_SUCCESS) << error_text();
  OCILobLocator* loc = nullptr;
  OCIStmt* st = nullptr;
  api.OCIDescriptorAlloc(env, reinterpret_cast<void**>(&loc), OCI_DTYPE_LOB, 0, nullptr);
  api.OCIHandleAlloc(env, reinterpret_cast<void**>(&st), OCI_HTYPE_STMT, 0, nullptr);
  const std::u16string sql = u16("SELECT note FROM orders WHERE id = 2 FOR UPDATE");
  api.OCIStmtPrepare(st, err, reinterpret_cast<const OraText*>(sql.data()),
                     static_cast<ub4>(sql.size() * 2), OCI_NTV_SYNTAX, OCI_DEFAULT);
  api.OCIDefineByPos(st, nullptr, err, 1, &loc, 0, SQLT_CLOB, nullptr, nullptr, nullptr, 0);
  ASSERT_EQ(api.OCIStmtExecute(b, st, err, 1, 0, nullptr, nullptr, OCI_DEFAULT), OCI_SUCCESS)
      << error_text();
  auto write = [&](const std::u16string& text, ub4 offset) {
    ub4 amount = static_cast<ub4>(text.size());
    return api.OCILobWrite(b, err, loc, &amount, offset, const_cast<char16_t*>(text.data()),
                           amount * 2, OCI_ONE_PIECE, nullptr, nullptr, OCI_UTF16ID,
                           SQLCS_IMPLICIT);
  };
  ASSERT_EQ(write(u"hello", 1), OCI_SUCCESS) << error_text();
  EXPECT_LT(seconds_of([&] { write_elsewhere(1); }), 3.0);
  ASSERT_EQ(write(u" world", 6), OCI_SUCCESS) << error_text();
  EXPECT_LT(seconds_of([&] { write_elsewhere(2); }), 3.0);
  EXPECT_EQ(rows("SELECT note FROM orders WHERE id = 2"), (Rows{{""}}));
  ASSERT_EQ(api.OCITransCommit(b, err, OCI_DEFAULT), OCI_SUCCESS) << error_text();
  EXPECT_EQ(rows("SELECT v, note FROM orders WHERE id = 2"), (Rows{{"4", "hello world"}}));
  api.OCIHandleFree(st, OCI_HTYPE_STMT);
  api.OCIDescriptorFree(loc, OCI_DTYPE_LOB);
}

// The converter's update of rows that are there already: an INSERT that
// fails on the key, then an UPDATE, left to a later commit. The failed
// INSERT leaves nothing that keeps the transaction from giving way.
TEST_F(WriterTest, AnInsertThatFailedDoesNotHoldTheWriterLock) {
  for (int k = 1; k <= 2; ++k) {
    EXPECT_EQ(exec_on(b, "INSERT INTO orders VALUES (" + std::to_string(k) + ", 5, NULL)"),
              OCI_ERROR);
    EXPECT_EQ(error_code(), 1);
    ASSERT_EQ(exec_on(b, "UPDATE orders SET v = 5 WHERE id = " + std::to_string(k)), OCI_SUCCESS)
        << error_text();
    EXPECT_LT(seconds_of([&] { write_elsewhere(k); }), 3.0);
  }
  ASSERT_EQ(exec_on(b, "COMMIT"), OCI_SUCCESS) << error_text();
  EXPECT_EQ(rows("SELECT id, v FROM orders ORDER BY id"),
            (Rows{{"1", "5"}, {"2", "5"}, {"3", "1"}}));
}

// New rows could meet another session's rows of the same ROWID or key, a
// changed key another session's new row, a deleted parent another
// session's new child: such transactions hold the writer lock, and A's
// write waits for B's commit as it always did.
TEST_F(WriterTest, TransactionsOthersCouldMeetKeepTheWriterLock) {
  ASSERT_EQ(exec("CREATE TABLE parent (id NUMBER PRIMARY KEY)"), OCI_SUCCESS) << error_text();
  ASSERT_EQ(exec("CREATE TABLE child (pid NUMBER REFERENCES parent(id))"), OCI_SUCCESS)
      << error_text();
  ASSERT_EQ(exec("INSERT INTO parent VALUES (1)", OCI_COMMIT_ON_SUCCESS), OCI_SUCCESS);
  int k = 0;
  for (const char* sql :
       {"INSERT INTO orders VALUES (4, 1, NULL)", "UPDATE orders SET id = 10 WHERE id = 1",
        "DELETE FROM parent", "UPDATE orders SET v = (SELECT 1 FROM dual) WHERE id = 1"}) {
    ++k;
    ASSERT_EQ(exec_on(b, sql), OCI_SUCCESS) << sql << ": " << error_text();
    if (k == 4) {
      // A parkable transaction that inserts afterwards keeps the writer too.
      ASSERT_EQ(exec_on(b, "INSERT INTO other VALUES (99)"), OCI_SUCCESS) << error_text();
    }
    sword committed = OCI_ERROR;
    std::thread holder([&] {
      std::this_thread::sleep_for(std::chrono::milliseconds(300));
      committed = end_b_on_second_thread("ROLLBACK");
    });
    const double waited = seconds_of([&] { write_elsewhere(k); });
    holder.join();
    EXPECT_EQ(committed, OCI_SUCCESS);
    EXPECT_GE(waited, 0.25) << sql;
    EXPECT_LT(waited, 5.0) << sql;
  }
  EXPECT_EQ(rows("SELECT id FROM orders ORDER BY id"), (Rows{{"1"}, {"2"}, {"3"}}));
  EXPECT_EQ(rows("SELECT COUNT(*) FROM parent"), (Rows{{"1"}}));
  EXPECT_EQ(rows("SELECT id FROM other ORDER BY id"), (Rows{{"1"}, {"2"}, {"3"}, {"4"}}));
}

// A holds the writer lock (an uncommitted INSERT) and waits for B's row;
// B, which gave way, needs the writer back to commit. A's wait ends with
// ORA-00054 rather than leaving both stuck, and B commits once A has.
TEST_F(WriterTest, AWaitForARowEndsWhenItsHolderNeedsTheWriterLock) {
  ASSERT_EQ(exec_on(b, "UPDATE orders SET v = 7 WHERE id = 2"), OCI_SUCCESS) << error_text();
  EXPECT_LT(seconds_of([&] {
              EXPECT_EQ(exec("INSERT INTO other VALUES (5)"), OCI_SUCCESS) << error_text();
            }),
            3.0);
  sword committed = OCI_ERROR;
  std::thread holder([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    committed = end_b_on_second_thread("COMMIT");
  });
  const double waited = seconds_of([&] {
    EXPECT_EQ(exec("UPDATE orders SET v = 9 WHERE id = 2"), OCI_ERROR);
    EXPECT_EQ(error_code(), 54);
  });
  EXPECT_LT(waited, 3.0);
  EXPECT_EQ(exec("COMMIT"), OCI_SUCCESS) << error_text();
  holder.join();
  EXPECT_EQ(committed, OCI_SUCCESS);
  EXPECT_EQ(rows("SELECT v FROM orders WHERE id = 2"), (Rows{{"7"}}));
  EXPECT_EQ(rows("SELECT id FROM other"), (Rows{{"5"}}));
}

// A process that gave way and is then killed leaves nothing; its locks go
// with it.
TEST_F(WriterTest, AKilledProcessThatGaveWayLeavesNothing) {
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  const pid_t pid = fork();
  if (pid == 0) {
    close(fds[0]);
    OCISvcCtx* mine = nullptr;
    char ok = logon(&mine, "scott", "tiger") == OCI_SUCCESS &&
                      exec_on(mine, "UPDATE orders SET v = 7 WHERE id = 2") == OCI_SUCCESS &&
                      exec_on(mine, "DELETE FROM orders WHERE id = 3") == OCI_SUCCESS
                  ? 'y'
                  : 'n';
    if (write(fds[1], &ok, 1) != 1) _exit(3);
    pause();
    _exit(0);
  }
  ASSERT_GT(pid, 0);
  close(fds[1]);
  char ok = 0;
  EXPECT_EQ(read(fds[0], &ok, 1), 1);
  EXPECT_EQ(ok, 'y');
  close(fds[0]);
  EXPECT_LT(seconds_of([&] { write_elsewhere(1); }), 3.0);
  EXPECT_EQ(exec("SELECT v FROM orders WHERE id = 2 FOR UPDATE NOWAIT"), OCI_ERROR);
  EXPECT_EQ(error_code(), 54);
  kill(pid, SIGKILL);
  int status = 0;
  waitpid(pid, &status, 0);
  EXPECT_EQ(rows("SELECT id, v FROM orders ORDER BY id"),
            (Rows{{"1", "1"}, {"2", "1"}, {"3", "1"}}));
  EXPECT_EQ(exec("UPDATE orders SET v = 8 WHERE id = 2", OCI_COMMIT_ON_SUCCESS), OCI_SUCCESS)
      << error_text();
}

}  // namespace
}  // namespace oraemb_test
