// Open cursors over user tables: the rows are those of the moment of
// execute (other statements and commits of this and other sessions do not
// show), an error of one row surfaces at that row's fetch after the rows
// before it, binds are read at execute, a cursor outliving its session
// fails cleanly, a LOB locator reads the value of its query, and a plain
// query holds one row at a time while a sorted one holds them all (the
// session's 'session pga memory max' statistic).
#include <map>
#include <memory>

#include "tests/oraemb/oci_fixture.h"

namespace oraemb_test {
namespace {

using Row = std::vector<std::string>;
using Rows = std::vector<Row>;

// A statement executed without fetching, its columns defined as text.
struct OpenCursor {
  OCIStmt* st = nullptr;
  std::vector<std::vector<char16_t>> bufs;
  std::vector<sb2> ind;
};

class Cursors : public OciTest {
 protected:
  void SetUp() override {
    OciTest::SetUp();
    ASSERT_EQ(exec("CREATE TABLE t (id NUMBER(6), v NVARCHAR2(2000))"), OCI_SUCCESS)
        << error_text();
  }
  void TearDown() override {
    for (auto& c : cursors) api.OCIHandleFree(c->st, OCI_HTYPE_STMT);
    OciTest::TearDown();
  }
  void fill(int rows, const std::string& v = "x") {
    for (int k = 1; k <= rows; ++k)
      ASSERT_EQ(exec("INSERT INTO t VALUES (" + std::to_string(k) + ", '" + v + "')"), OCI_SUCCESS)
          << error_text();
    ASSERT_EQ(exec("COMMIT"), OCI_SUCCESS);
  }
  OpenCursor& open(const std::string& sql, OCISvcCtx* on = nullptr, const char16_t* bind = nullptr,
                   int* bind_value = nullptr) {
    auto c = std::make_unique<OpenCursor>();
    api.OCIHandleAlloc(env, reinterpret_cast<void**>(&c->st), OCI_HTYPE_STMT, 0, nullptr);
    std::u16string text = u16(sql);
    api.OCIStmtPrepare(c->st, err, reinterpret_cast<const OraText*>(text.data()),
                       static_cast<ub4>(text.size() * 2), OCI_NTV_SYNTAX, OCI_DEFAULT);
    if (bind) {
      OCIBind* b = nullptr;
      api.OCIBindByName(c->st, &b, err, reinterpret_cast<const OraText*>(bind),
                        static_cast<sb4>(std::char_traits<char16_t>::length(bind) * 2), bind_value,
                        sizeof(int), SQLT_INT, nullptr, nullptr, nullptr, 0, nullptr, OCI_DEFAULT);
    }
    sword rc = api.OCIStmtExecute(on ? on : svc, c->st, err, 0, 0, nullptr, nullptr, OCI_DEFAULT);
    EXPECT_EQ(rc, OCI_SUCCESS) << sql << ": " << error_text();
    ub4 count = 0;
    api.OCIAttrGet(c->st, OCI_HTYPE_STMT, &count, nullptr, OCI_ATTR_PARAM_COUNT, err);
    c->bufs.assign(count, std::vector<char16_t>(2001));
    c->ind.assign(count, 0);
    for (ub4 k = 0; k < count; ++k) {
      OCIDefine* def = nullptr;
      api.OCIDefineByPos(c->st, &def, err, k + 1, c->bufs[k].data(), 4002, SQLT_STR, &c->ind[k],
                         nullptr, nullptr, OCI_DEFAULT);
    }
    cursors.push_back(std::move(c));
    return *cursors.back();
  }
  sword fetch(OpenCursor& c, Row& row) {
    row.clear();
    sword rc = api.OCIStmtFetch(c.st, err, 1, OCI_FETCH_NEXT, OCI_DEFAULT);
    if (rc == OCI_SUCCESS)
      for (size_t k = 0; k < c.bufs.size(); ++k)
        row.push_back(c.ind[k] == -1 ? "<null>" : u8(c.bufs[k].data()));
    return rc;
  }
  // The rows a cursor has left; fails the test on an error.
  Rows rest(OpenCursor& c) {
    Rows out;
    Row row;
    sword rc;
    while ((rc = fetch(c, row)) == OCI_SUCCESS) out.push_back(row);
    EXPECT_EQ(rc, OCI_NO_DATA) << error_text();
    return out;
  }
  long long pga_max() {
    auto r = rows(
        "SELECT m.VALUE FROM V$MYSTAT m, V$STATNAME n WHERE m.STATISTIC# = n.STATISTIC#"
        " AND n.NAME = 'session pga memory max'");
    return r.size() == 1 ? std::stoll(r[0][0]) : -1;
  }

  std::vector<std::unique_ptr<OpenCursor>> cursors;
};

TEST_F(Cursors, RowsAreThoseOfExecuteWhateverHappensWhileOpen) {
  fill(4);
  OpenCursor& a = open("SELECT id, v FROM t WHERE id <> 3");
  Row row;
  ASSERT_EQ(fetch(a, row), OCI_SUCCESS);
  EXPECT_EQ(row, (Row{"1", "x"}));
  // This session changes the table it reads and commits; another session
  // does too. Neither shows in the open cursor.
  ASSERT_EQ(exec("UPDATE t SET v = 'changed' WHERE id = 2"), OCI_SUCCESS) << error_text();
  ASSERT_EQ(exec("INSERT INTO t VALUES (5, 'new')"), OCI_SUCCESS);
  ASSERT_EQ(exec("DELETE FROM t WHERE id = 4"), OCI_SUCCESS);
  // With uncommitted changes the session's next query sees them.
  OpenCursor& own = open("SELECT id, v FROM t");
  ASSERT_EQ(fetch(own, row), OCI_SUCCESS);
  EXPECT_EQ(row, (Row{"1", "x"}));
  ASSERT_EQ(exec("COMMIT"), OCI_SUCCESS);
  OCISvcCtx* other = nullptr;
  ASSERT_EQ(logon(&other, "scott", "tiger"), OCI_SUCCESS) << error_text();
  ASSERT_EQ(exec_on(other, "INSERT INTO t VALUES (6, 'other')", OCI_COMMIT_ON_SUCCESS),
            OCI_SUCCESS);
  OpenCursor& b = open("SELECT id, v FROM t");
  ASSERT_EQ(exec_on(other, "DELETE FROM t WHERE id = 1", OCI_COMMIT_ON_SUCCESS), OCI_SUCCESS);
  api.OCILogoff(other, err);

  EXPECT_EQ(rest(a), (Rows{{"2", "x"}, {"4", "x"}}));
  EXPECT_EQ(rest(own), (Rows{{"2", "changed"}, {"3", "x"}, {"5", "new"}}));
  EXPECT_EQ(rest(b),
            (Rows{{"1", "x"}, {"2", "changed"}, {"3", "x"}, {"5", "new"}, {"6", "other"}}));
  EXPECT_EQ(rows("SELECT id FROM t"), (Rows{{"2"}, {"3"}, {"5"}, {"6"}}));
  // A finished cursor keeps reporting its end; a new execute reads anew.
  EXPECT_EQ(api.OCIStmtFetch(a.st, err, 1, OCI_FETCH_NEXT, OCI_DEFAULT), OCI_ERROR);
  EXPECT_EQ(error_code(), 1002);
}

TEST_F(Cursors, AnErrorOfOneRowSurfacesAtItsFetchAfterTheRowsBeforeIt) {
  for (int k = 1; k <= 300; ++k)
    ASSERT_EQ(exec("INSERT INTO t VALUES (" + std::to_string(k) + ", '" +
                   (k == 250 ? std::string("n/a") : std::to_string(k * 2)) + "')"),
              OCI_SUCCESS);
  ASSERT_EQ(exec("COMMIT"), OCI_SUCCESS);
  OpenCursor& c = open("SELECT id, TO_NUMBER(v) + 1 FROM t");
  Row row;
  for (int k = 1; k < 250; ++k) {
    ASSERT_EQ(fetch(c, row), OCI_SUCCESS) << "row " << k << ": " << error_text();
    ASSERT_EQ(row, (Row{std::to_string(k), std::to_string(k * 2 + 1)}));
  }
  EXPECT_EQ(fetch(c, row), OCI_ERROR);
  EXPECT_EQ(error_code(), 1722);
  // The cursor is over after its error.
  EXPECT_EQ(fetch(c, row), OCI_ERROR);
  EXPECT_EQ(error_code(), 1002);
}

TEST_F(Cursors, BindsAreReadAtExecute) {
  fill(3);
  int id = 2;
  OpenCursor& c = open("SELECT id FROM t WHERE id = :k", nullptr, u":k", &id);
  OpenCursor& sorted =
      open("SELECT id FROM t WHERE id >= :k ORDER BY id DESC", nullptr, u":k", &id);
  id = 3;
  EXPECT_EQ(rest(c), (Rows{{"2"}}));
  EXPECT_EQ(rest(sorted), (Rows{{"3"}, {"2"}}));
}

TEST_F(Cursors, RownumConditionsEndTheRowsOnlyWhenNoLaterRowCanPass) {
  fill(6);
  EXPECT_EQ(rest(open("SELECT id FROM t WHERE ROWNUM <= 2")), (Rows{{"1"}, {"2"}}));
  EXPECT_EQ(rest(open("SELECT id FROM t WHERE id > 2 AND ROWNUM < 3")), (Rows{{"3"}, {"4"}}));
  EXPECT_EQ(rest(open("SELECT id FROM t WHERE ROWNUM > 1")), (Rows{}));
  // Row 5 passes by its own column after ROWNUM has stopped the others.
  EXPECT_EQ(rest(open("SELECT id, ROWNUM FROM t WHERE ROWNUM <= 2 OR id = 5")),
            (Rows{{"1", "1"}, {"2", "2"}, {"5", "3"}}));
}

TEST_F(Cursors, ACursorOutlivingItsSessionFailsCleanly) {
  fill(3);
  OCISvcCtx* other = nullptr;
  ASSERT_EQ(logon(&other, "scott", "tiger"), OCI_SUCCESS) << error_text();
  OpenCursor& c = open("SELECT id FROM t", other);
  OpenCursor& sorted = open("SELECT id FROM t ORDER BY id", other);
  Row row;
  ASSERT_EQ(fetch(c, row), OCI_SUCCESS);
  ASSERT_EQ(api.OCILogoff(other, err), OCI_SUCCESS);
  EXPECT_EQ(fetch(c, row), OCI_ERROR);
  EXPECT_EQ(error_code(), 3114);
  EXPECT_EQ(fetch(sorted, row), OCI_ERROR);
  EXPECT_EQ(error_code(), 3114);
  // The session that stays goes on reading and writing the file.
  ASSERT_EQ(exec("INSERT INTO t VALUES (4, 'y')", OCI_COMMIT_ON_SUCCESS), OCI_SUCCESS);
  EXPECT_EQ(rows("SELECT COUNT(*) FROM t"), (Rows{{"4"}}));
}

TEST_F(Cursors, ALobLocatorReadsTheValueOfItsQuery) {
  ASSERT_EQ(exec("CREATE TABLE m (id NUMBER, c CLOB)"), OCI_SUCCESS);
  ASSERT_EQ(exec("INSERT INTO m VALUES (1, 'before')", OCI_COMMIT_ON_SUCCESS), OCI_SUCCESS);
  auto read = [&](OCILobLocator* loc) {
    char16_t back[64] = {};
    ub4 amt = 0;
    EXPECT_EQ(api.OCILobRead(svc, err, loc, &amt, 1, back, sizeof back, nullptr, nullptr, 0, 1),
              OCI_SUCCESS)
        << error_text();
    return u8(std::u16string(back, amt));
  };
  OCILobLocator* plain = nullptr;
  OCILobLocator* locked = nullptr;
  api.OCIDescriptorAlloc(env, reinterpret_cast<void**>(&plain), OCI_DTYPE_LOB, 0, nullptr);
  api.OCIDescriptorAlloc(env, reinterpret_cast<void**>(&locked), OCI_DTYPE_LOB, 0, nullptr);
  OpenCursor& q = open("SELECT c FROM m");
  OpenCursor& u = open("SELECT c FROM m FOR UPDATE");
  api.OCIDefineByPos(q.st, nullptr, err, 1, &plain, 0, SQLT_CLOB, nullptr, nullptr, nullptr, 0);
  api.OCIDefineByPos(u.st, nullptr, err, 1, &locked, 0, SQLT_CLOB, nullptr, nullptr, nullptr, 0);
  ASSERT_EQ(api.OCIStmtFetch(q.st, err, 1, OCI_FETCH_NEXT, OCI_DEFAULT), OCI_SUCCESS);
  ASSERT_EQ(api.OCIStmtFetch(u.st, err, 1, OCI_FETCH_NEXT, OCI_DEFAULT), OCI_SUCCESS);
  std::u16string after = u"after!";
  ub4 amt = static_cast<ub4>(after.size());
  ASSERT_EQ(api.OCILobWrite(svc, err, locked, &amt, 1, after.data(), amt * 2, OCI_ONE_PIECE,
                            nullptr, nullptr, 0, 1),
            OCI_SUCCESS)
      << error_text();
  EXPECT_EQ(read(locked), "after!");
  EXPECT_EQ(read(plain), "before");
  ASSERT_EQ(exec("COMMIT"), OCI_SUCCESS);
  EXPECT_EQ(read(plain), "before");
  EXPECT_EQ(rows("SELECT c FROM m"), (Rows{{"after!"}}));
  api.OCIDescriptorFree(plain, OCI_DTYPE_LOB);
  api.OCIDescriptorFree(locked, OCI_DTYPE_LOB);
}

TEST_F(Cursors, APlainQueryHoldsOneRowASortedOneAllOfThem) {
  // 1,024 rows of 1,000 characters: about 1 MB of values.
  ASSERT_EQ(exec("INSERT INTO t VALUES (1, '" + std::string(1000, 'a') + "')"), OCI_SUCCESS);
  for (int k = 0; k < 10; ++k)
    ASSERT_EQ(exec("INSERT INTO t SELECT id + " + std::to_string(1 << k) + ", v FROM t"),
              OCI_SUCCESS)
        << error_text();
  ASSERT_EQ(exec("COMMIT"), OCI_SUCCESS);
  EXPECT_EQ(rest(open("SELECT COUNT(*) FROM t")), (Rows{{"1024"}}));
  long long before = pga_max();
  EXPECT_EQ(rest(open("SELECT id, TO_CHAR(id), v FROM t WHERE id > 0")).size(), 1024u);
  long long streamed = pga_max();
  EXPECT_LT(streamed, 64 * 1024) << "before " << before;
  EXPECT_EQ(rest(open("SELECT id, v FROM t ORDER BY id DESC")).size(), 1024u);
  EXPECT_GT(pga_max(), 1000 * 1000);
}

}  // namespace
}  // namespace oraemb_test
