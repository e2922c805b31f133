// Writers that do not touch each other's rows: one session's uncommitted
// INSERTs, UPDATEs and DELETEs (and LOB writes after them), left open
// between calls, stall neither the writes of other sessions (threads or
// processes) to other tables nor their DDL. What it changed stays its own
// until commit, is gone after rollback or the death of its process, and
// still blocks its rows, its table and its new and deleted key values:
// another session inserting such a key waits for the transaction's end.
// Its ROWIDs stay its own and its NEXTVALs are never handed out again.
// Transactions whose changes another session could meet otherwise
// (changed keys, foreign keys) keep SQLite's writer lock to their end.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <initializer_list>
#include <set>
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
  // B writes `text` into the note of order `id` through a locator selected
  // FOR UPDATE.
  sword write_note_on_b(int id, const std::u16string& text) {
    OCILobLocator* loc = nullptr;
    OCIStmt* st = nullptr;
    api.OCIDescriptorAlloc(env, reinterpret_cast<void**>(&loc), OCI_DTYPE_LOB, 0, nullptr);
    api.OCIHandleAlloc(env, reinterpret_cast<void**>(&st), OCI_HTYPE_STMT, 0, nullptr);
    const std::u16string sql =
        u16("SELECT note FROM orders WHERE id = " + std::to_string(id) + " FOR UPDATE");
    api.OCIStmtPrepare(st, err, reinterpret_cast<const OraText*>(sql.data()),
                       static_cast<ub4>(sql.size() * 2), OCI_NTV_SYNTAX, OCI_DEFAULT);
    api.OCIDefineByPos(st, nullptr, err, 1, &loc, 0, SQLT_CLOB, nullptr, nullptr, nullptr, 0);
    sword rc = api.OCIStmtExecute(b, st, err, 1, 0, nullptr, nullptr, OCI_DEFAULT);
    if (rc == OCI_SUCCESS) {
      ub4 amount = static_cast<ub4>(text.size());
      rc = api.OCILobWrite(b, err, loc, &amount, 1, const_cast<char16_t*>(text.data()), amount * 2,
                           OCI_ONE_PIECE, nullptr, nullptr, OCI_UTF16ID, SQLCS_IMPLICIT);
    }
    api.OCIHandleFree(st, OCI_HTYPE_STMT);
    api.OCIDescriptorFree(loc, OCI_DTYPE_LOB);
    return rc;
  }
  // Runs `a_statement` in A while B's transaction ends (COMMIT or
  // ROLLBACK) on a second thread 300 ms later; the seconds A took.
  double a_while_b_ends(const std::string& end_of_b, const std::function<void()>& a_statement) {
    sword ended = OCI_ERROR;
    std::thread holder([&] {
      std::this_thread::sleep_for(std::chrono::milliseconds(300));
      ended = end_b_on_second_thread(end_of_b);
    });
    const double took = seconds_of(a_statement);
    holder.join();
    EXPECT_EQ(ended, OCI_SUCCESS);
    return took;
  }
  // A forked process that logs on, runs `statements` without committing and
  // then waits; its pid once they all succeeded, else -1.
  pid_t holding_process(std::initializer_list<const char*> statements) {
    int fds[2];
    if (pipe(fds) != 0) return -1;
    const pid_t pid = fork();
    if (pid == 0) {
      close(fds[0]);
      OCISvcCtx* mine = nullptr;
      bool done = logon(&mine, "scott", "tiger") == OCI_SUCCESS;
      for (const char* sql : statements) done = done && exec_on(mine, sql) == OCI_SUCCESS;
      const char ok = done ? 'y' : 'n';
      if (write(fds[1], &ok, 1) != 1) _exit(3);
      pause();
      _exit(0);
    }
    close(fds[1]);
    char ok = 0;
    const bool told = pid > 0 && read(fds[0], &ok, 1) == 1;
    close(fds[0]);
    if (told && ok == 'y') return pid;
    if (pid > 0) end_process(pid);
    return -1;
  }
  static void end_process(pid_t pid) {
    kill(pid, SIGKILL);
    int status = 0;
    waitpid(pid, &status, 0);
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

// B's uncommitted new rows (one with a LOB written after its INSERT) give
// way to A's writes of another table and to DDL; A does not see them, its
// own new rows in B's table never take their ROWIDs, and B's commit
// brings them in whole.
TEST_F(WriterTest, AnUncommittedInsertStallsNeitherOtherTablesNorDdl) {
  ASSERT_EQ(exec_on(b, "INSERT INTO orders VALUES (4, 4, NULL)"), OCI_SUCCESS) << error_text();
  ASSERT_EQ(exec_on(b, "INSERT INTO orders VALUES (5, 5, EMPTY_CLOB())"), OCI_SUCCESS)
      << error_text();
  ASSERT_EQ(write_note_on_b(5, u"hello"), OCI_SUCCESS) << error_text();
  const Rows b_rowids = rows_on(b, "SELECT ROWID FROM orders WHERE id >= 4 ORDER BY id");
  ASSERT_EQ(b_rowids.size(), 2u);
  const double took = seconds_of([&] {
    write_elsewhere(1);
    EXPECT_EQ(exec("CREATE TABLE t3 (x NUMBER)"), OCI_SUCCESS) << error_text();
    EXPECT_EQ(exec("DROP TABLE t3"), OCI_SUCCESS) << error_text();
    // New rows of B's table, committed while B's are parked.
    EXPECT_EQ(exec("INSERT INTO orders VALUES (6, 6, NULL)", OCI_COMMIT_ON_SUCCESS), OCI_SUCCESS)
        << error_text();
    EXPECT_EQ(exec("INSERT INTO orders VALUES (7, 7, NULL)", OCI_COMMIT_ON_SUCCESS), OCI_SUCCESS)
        << error_text();
  });
  EXPECT_LT(took, 3.0);  // SQLite's busy timeout is 10 s
  EXPECT_EQ(rows("SELECT id FROM orders ORDER BY id"), (Rows{{"1"}, {"2"}, {"3"}, {"6"}, {"7"}}));
  EXPECT_EQ(rows("SELECT id FROM orders WHERE ROWID = '" + b_rowids[0][0] + "'"), Rows{});
  // B's table stays B's.
  EXPECT_EQ(exec("DROP TABLE orders"), OCI_ERROR);
  EXPECT_EQ(error_code(), 54);
  // B goes on (its rows come back) and gives way again.
  ASSERT_EQ(exec_on(b, "UPDATE orders SET v = 40 WHERE id = 4"), OCI_SUCCESS) << error_text();
  EXPECT_LT(seconds_of([&] { write_elsewhere(2); }), 3.0);
  ASSERT_EQ(exec_on(b, "COMMIT"), OCI_SUCCESS) << error_text();
  EXPECT_EQ(rows("SELECT id, v, note FROM orders ORDER BY id"), (Rows{{"1", "1", ""},
                                                                      {"2", "1", ""},
                                                                      {"3", "1", ""},
                                                                      {"4", "40", "<null>"},
                                                                      {"5", "5", "hello"},
                                                                      {"6", "6", "<null>"},
                                                                      {"7", "7", "<null>"}}));
  // The ROWIDs B was given name B's rows.
  EXPECT_EQ(rows("SELECT id FROM orders WHERE ROWID = '" + b_rowids[0][0] + "'"), (Rows{{"4"}}));
  EXPECT_EQ(rows("SELECT id FROM orders WHERE ROWID = '" + b_rowids[1][0] + "'"), (Rows{{"5"}}));
  EXPECT_EQ(rows("SELECT COUNT(*) FROM other"), (Rows{{"2"}}));
}

// A key that B's parked transaction inserted (or deleted) is B's until B
// ends: A's INSERT of it waits, then fails if B's new row stayed (or
// succeeds if B's deleted row is gone), as on a server.
TEST_F(WriterTest, InsertingAKeyOfAParkedTransactionWaitsForItsEnd) {
  struct Case {
    const char* b_statement;
    const char* end_of_b;
    bool a_succeeds;
    std::string key;
    const char* v_if_b_won;
  };
  int k = 0;
  for (const Case& c : {Case{"INSERT INTO orders VALUES (4, 4, NULL)", "COMMIT", false, "4", "4"},
                        Case{"INSERT INTO orders VALUES (5, 5, NULL)", "ROLLBACK", true, "5", ""},
                        Case{"DELETE FROM orders WHERE id = 2", "ROLLBACK", false, "2", "1"},
                        Case{"DELETE FROM orders WHERE id = 3", "COMMIT", true, "3", ""}}) {
    ASSERT_EQ(exec_on(b, c.b_statement), OCI_SUCCESS) << error_text();
    EXPECT_LT(seconds_of([&] { write_elsewhere(++k); }), 3.0) << c.b_statement;
    const std::string& key = c.key;
    int code = 0;
    const double waited = a_while_b_ends(c.end_of_b, [&] {
      const sword rc =
          exec("INSERT INTO orders VALUES (" + key + ", 9, NULL)", OCI_COMMIT_ON_SUCCESS);
      code = rc == OCI_SUCCESS ? 0 : error_code();
    });
    EXPECT_GE(waited, 0.25) << c.b_statement << " " << c.end_of_b;
    EXPECT_EQ(code, c.a_succeeds ? 0 : 1) << c.b_statement << " " << c.end_of_b;
    EXPECT_EQ(rows("SELECT v FROM orders WHERE id = " + key),
              (Rows{{c.a_succeeds ? "9" : c.v_if_b_won}}))
        << c.b_statement << " " << c.end_of_b;
  }
  EXPECT_EQ(rows("SELECT id, v FROM orders ORDER BY id"),
            (Rows{{"1", "1"}, {"2", "1"}, {"3", "9"}, {"4", "4"}, {"5", "9"}}));
  EXPECT_EQ(rows("SELECT COUNT(*) FROM other"), (Rows{{"4"}}));
}

// NEXTVAL is not transactional: what B's transaction took (in a new row, in
// an update, in a query) is never handed to A while B is parked, nor after
// B rolls back.
TEST_F(WriterTest, NextvalOfAParkedTransactionIsNeverGivenAgain) {
  ASSERT_EQ(exec("CREATE SEQUENCE s"), OCI_SUCCESS) << error_text();
  auto nextval_of_a = [&] {
    const Rows r = rows("SELECT s.NEXTVAL FROM dual");
    return r.empty() ? std::string("none: ") + error_text() : r[0][0];
  };
  std::set<std::string> taken;
  for (const char* sql :
       {"INSERT INTO orders VALUES (s.NEXTVAL + 100, 1, NULL)",
        "UPDATE orders SET v = s.NEXTVAL WHERE id = 1", "SELECT s.NEXTVAL FROM dual"}) {
    if (sql[0] == 'S') {
      ASSERT_EQ(rows_on(b, sql).size(), 1u) << error_text();
    } else {
      ASSERT_EQ(exec_on(b, sql), OCI_SUCCESS) << sql << ": " << error_text();
    }
    const Rows mine = rows_on(b, "SELECT s.CURRVAL FROM dual");
    ASSERT_EQ(mine.size(), 1u);
    EXPECT_TRUE(taken.insert(mine[0][0]).second) << mine[0][0];
    std::string a_got;
    EXPECT_LT(seconds_of([&] { a_got = nextval_of_a(); }), 3.0) << sql;
    EXPECT_TRUE(taken.insert(a_got).second) << sql << ": " << a_got;
    ASSERT_EQ(exec("COMMIT"), OCI_SUCCESS);
    ASSERT_EQ(exec_on(b, "ROLLBACK"), OCI_SUCCESS) << error_text();
    a_got = nextval_of_a();
    EXPECT_TRUE(taken.insert(a_got).second) << sql << ": " << a_got;
    ASSERT_EQ(exec("COMMIT"), OCI_SUCCESS);
  }
  EXPECT_EQ(rows("SELECT id, v FROM orders ORDER BY id"),
            (Rows{{"1", "1"}, {"2", "1"}, {"3", "1"}}));
}

// Changed keys and foreign keys could meet another session's rows: such
// transactions hold the writer lock, and A's write waits for B's end as
// it always did.
TEST_F(WriterTest, TransactionsOthersCouldMeetKeepTheWriterLock) {
  ASSERT_EQ(exec("CREATE TABLE parent (id NUMBER PRIMARY KEY)"), OCI_SUCCESS) << error_text();
  ASSERT_EQ(exec("CREATE TABLE child (pid NUMBER REFERENCES parent(id))"), OCI_SUCCESS)
      << error_text();
  ASSERT_EQ(exec("INSERT INTO parent VALUES (1)", OCI_COMMIT_ON_SUCCESS), OCI_SUCCESS);
  int k = 0;
  for (const char* sql :
       {"INSERT INTO child VALUES (1)", "UPDATE orders SET id = 10 WHERE id = 1",
        "DELETE FROM parent", "UPDATE orders SET v = (SELECT 1 FROM dual) WHERE id = 1"}) {
    ++k;
    ASSERT_EQ(exec_on(b, sql), OCI_SUCCESS) << sql << ": " << error_text();
    if (k == 4) {
      // A parkable transaction that writes a child table afterwards keeps
      // the writer too.
      ASSERT_EQ(exec_on(b, "INSERT INTO child VALUES (1)"), OCI_SUCCESS) << error_text();
    }
    const double waited = a_while_b_ends("ROLLBACK", [&] { write_elsewhere(k); });
    EXPECT_GE(waited, 0.25) << sql;
    EXPECT_LT(waited, 5.0) << sql;
  }
  EXPECT_EQ(rows("SELECT id FROM orders ORDER BY id"), (Rows{{"1"}, {"2"}, {"3"}}));
  EXPECT_EQ(rows("SELECT COUNT(*) FROM parent"), (Rows{{"1"}}));
  EXPECT_EQ(rows("SELECT COUNT(*) FROM child"), (Rows{{"0"}}));
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

// A process whose new rows (and NEXTVAL) gave way and that is then killed
// leaves none of them; their keys and ROWIDs are free again.
TEST_F(WriterTest, AKilledProcessWhoseNewRowsGaveWayLeavesNothing) {
  ASSERT_EQ(exec("CREATE SEQUENCE s"), OCI_SUCCESS) << error_text();
  const pid_t pid = holding_process({"INSERT INTO orders VALUES (4, s.NEXTVAL, EMPTY_CLOB())",
                                     "DELETE FROM orders WHERE id = 3"});
  ASSERT_GT(pid, 0);
  EXPECT_LT(seconds_of([&] { write_elsewhere(1); }), 3.0);
  EXPECT_EQ(rows("SELECT s.NEXTVAL FROM dual"), (Rows{{"2"}}));
  end_process(pid);
  EXPECT_EQ(rows("SELECT id FROM orders ORDER BY id"), (Rows{{"1"}, {"2"}, {"3"}}));
  EXPECT_EQ(exec("INSERT INTO orders VALUES (4, 4, NULL)", OCI_COMMIT_ON_SUCCESS), OCI_SUCCESS)
      << error_text();
  EXPECT_EQ(exec("DELETE FROM orders WHERE id = 3", OCI_COMMIT_ON_SUCCESS), OCI_SUCCESS)
      << error_text();
  // A new session of the file works as before.
  OCISvcCtx* c = nullptr;
  ASSERT_EQ(logon(&c, "scott", "tiger"), OCI_SUCCESS) << error_text();
  EXPECT_EQ(rows_on(c, "SELECT id FROM orders ORDER BY id"), (Rows{{"1"}, {"2"}, {"4"}}));
  api.OCILogoff(c, err);
}

// A process that gave way and is then killed leaves nothing; its locks go
// with it.
TEST_F(WriterTest, AKilledProcessThatGaveWayLeavesNothing) {
  const pid_t pid =
      holding_process({"UPDATE orders SET v = 7 WHERE id = 2", "DELETE FROM orders WHERE id = 3"});
  ASSERT_GT(pid, 0);
  EXPECT_LT(seconds_of([&] { write_elsewhere(1); }), 3.0);
  EXPECT_EQ(exec("SELECT v FROM orders WHERE id = 2 FOR UPDATE NOWAIT"), OCI_ERROR);
  EXPECT_EQ(error_code(), 54);
  end_process(pid);
  EXPECT_EQ(rows("SELECT id, v FROM orders ORDER BY id"),
            (Rows{{"1", "1"}, {"2", "1"}, {"3", "1"}}));
  EXPECT_EQ(exec("UPDATE orders SET v = 8 WHERE id = 2", OCI_COMMIT_ON_SUCCESS), OCI_SUCCESS)
      << error_text();
}

}  // namespace
}  // namespace oraemb_test
