// A database file that cannot grow (its file system full; here the page
// limit TARVEL_ORAEMB_MAX_PAGES makes SQLite meet SQLITE_FULL for real):
// ORA-01653 naming the table (ORA-01654 for an index) and the file, once per
// statement, never ORA-00600; what was committed stays; work that SQLite
// rolled back with the failing statement is reported as rolled back, never
// kept in part.
#include <dlfcn.h>

#include "tests/oraemb/oci_fixture.h"

namespace oraemb_test {
namespace {

class DiskFull : public OciTest {
 protected:
  void SetUp() override {
    OciTest::SetUp();
    ASSERT_EQ(exec("CREATE TABLE t (id NUMBER, pad VARCHAR2(4000))"), OCI_SUCCESS);
    for (int id = 0; id < 9; ++id) ASSERT_EQ(insert(svc, id, OCI_COMMIT_ON_SUCCESS), OCI_SUCCESS);
    // Free pages inside the file for a few rows, and a session whose file
    // may not grow past its size now.
    ASSERT_EQ(exec("DELETE FROM t WHERE id >= 3", OCI_COMMIT_ON_SUCCESS), OCI_SUCCESS);
    setenv("TARVEL_ORAEMB_MAX_PAGES", "1", 1);
    const sword rc = logon(&full, "scott", "tiger");
    unsetenv("TARVEL_ORAEMB_MAX_PAGES");
    ASSERT_EQ(rc, OCI_SUCCESS) << error_text();
  }
  void TearDown() override {
    if (full) api.OCILogoff(full, err);
    OciTest::TearDown();
  }
  sword insert(OCISvcCtx* on, int id, ub4 mode = OCI_DEFAULT) {
    return exec_on(
        on, "INSERT INTO t VALUES (" + std::to_string(id) + ", '" + std::string(3000, 'x') + "')",
        mode);
  }
  int64_t count() { return std::stoll(rows("SELECT COUNT(*) FROM t")[0][0]); }
  std::string full_text(const char* what) {
    return std::string(what) + " by 1 in tablespace USERS: the file system holding " +
           (dir / "ORCL.oradb").string() + " is full";
  }

  OCISvcCtx* full = nullptr;
};

TEST_F(DiskFull, CommittedRowsStayAndTheErrorNamesTableIndexAndFile) {
  int committed = 0;
  while (committed < 100 && insert(full, 100 + committed, OCI_COMMIT_ON_SUCCESS) == OCI_SUCCESS)
    ++committed;
  ASSERT_LT(committed, 100) << "the file never filled";
  EXPECT_GT(committed, 0) << "no room to begin with";
  EXPECT_EQ(error_text(), "ORA-01653: " + full_text("unable to extend table SCOTT.T") + "\n");
  EXPECT_EQ(count(), 3 + committed);
  // Each statement fails once and cleanly; the session goes on.
  EXPECT_EQ(insert(full, 999, OCI_COMMIT_ON_SUCCESS), OCI_ERROR);
  EXPECT_EQ(error_code(), 1653);
  // Rows another session adds leave the limited session no room for an
  // index over them.
  for (int id = 10; id < 50; ++id) ASSERT_EQ(insert(svc, id, OCI_COMMIT_ON_SUCCESS), OCI_SUCCESS);
  EXPECT_EQ(exec_on(full, "CREATE UNIQUE INDEX t_i ON t (id, pad)"), OCI_ERROR);
  EXPECT_EQ(error_text(), "ORA-01654: " + full_text("unable to extend index SCOTT.T_I") + "\n");
  EXPECT_EQ(exec_on(full, "DELETE FROM t WHERE id >= 10", OCI_COMMIT_ON_SUCCESS), OCI_SUCCESS)
      << error_text();
  EXPECT_EQ(count(), 3);
}

// Rows of an open transaction: when the failing statement cost SQLite the
// whole transaction, the error says so and none of it is committed later;
// otherwise the rows before it stay in the transaction. Never a part.
TEST_F(DiskFull, AnUncommittedTransactionIsKeptOrReportedLost) {
  int inserted = 0;
  while (inserted < 100 && insert(full, 100 + inserted) == OCI_SUCCESS) ++inserted;
  ASSERT_LT(inserted, 100) << "the file never filled";
  EXPECT_GT(inserted, 0) << "no room to begin with";
  ASSERT_EQ(error_code(), 1653);
  const bool lost = error_text().find("; the transaction was rolled back") != std::string::npos;
  if (lost) {
    // The session starts afresh: a later row is in a new transaction, which
    // a rollback undoes (it is not committed on its own).
    ASSERT_EQ(insert(full, 999), OCI_SUCCESS) << error_text();
    ASSERT_EQ(exec_on(full, "ROLLBACK"), OCI_SUCCESS) << error_text();
    EXPECT_EQ(count(), 3);
  } else {
    EXPECT_EQ(insert(full, 999), OCI_ERROR);  // still full
    ASSERT_EQ(exec_on(full, "COMMIT"), OCI_SUCCESS) << error_text();
    EXPECT_EQ(count(), 3 + inserted);
  }
}

// An array insert that meets the full disk: with batch errors, rows the
// engine reports as inserted are in the table after the commit.
TEST_F(DiskFull, AnArrayInsertNeverReportsRowsItLost) {
  auto bind_by_pos = reinterpret_cast<decltype(&::OCIBindByPos)>(dlsym(api.lib, "OCIBindByPos"));
  ASSERT_NE(bind_by_pos, nullptr);
  OCIStmt* st = nullptr;
  api.OCIHandleAlloc(env, reinterpret_cast<void**>(&st), OCI_HTYPE_STMT, 0, nullptr);
  const std::u16string sql = u16("INSERT INTO t VALUES (:1, :2)");
  api.OCIStmtPrepare(st, err, reinterpret_cast<const OraText*>(sql.data()),
                     static_cast<ub4>(sql.size() * 2), OCI_NTV_SYNTAX, OCI_DEFAULT);
  constexpr int kRows = 60;
  constexpr size_t kWidth = 3000;
  std::vector<double> ids(kRows);
  std::vector<char16_t> pads(kRows * kWidth, u'y');
  for (int k = 0; k < kRows; ++k) ids[k] = 200 + k;
  bind_by_pos(st, nullptr, err, 1, ids.data(), sizeof(double), SQLT_FLT, nullptr, nullptr, nullptr,
              0, nullptr, OCI_DEFAULT);
  bind_by_pos(st, nullptr, err, 2, pads.data(), kWidth * 2, SQLT_CHR, nullptr, nullptr, nullptr, 0,
              nullptr, OCI_DEFAULT);
  const sword rc = api.OCIStmtExecute(full, st, err, kRows, 0, nullptr, nullptr, OCI_BATCH_ERRORS);
  EXPECT_NE(rc, OCI_SUCCESS);
  ub4 errors = 0, rows = 0;
  api.OCIAttrGet(st, OCI_HTYPE_STMT, &errors, nullptr, OCI_ATTR_NUM_DML_ERRORS, err);
  api.OCIAttrGet(st, OCI_HTYPE_STMT, &rows, nullptr, OCI_ATTR_ROW_COUNT, err);
  api.OCIHandleFree(st, OCI_HTYPE_STMT);
  ASSERT_EQ(exec_on(full, "COMMIT"), OCI_SUCCESS) << error_text();
  EXPECT_EQ(count(), 3 + static_cast<int64_t>(rows)) << "errors " << errors;
}

}  // namespace
}  // namespace oraemb_test
