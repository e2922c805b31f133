// Queries over user tables: aggregates, groups, joins, ROWNUM and ORDER BY
// on columns outside the select list, NEXTVAL per row, and a failed INSERT
// that was its own transaction. The first table of a query is read row by
// row and only the columns the query uses are decoded, so these cases pin
// down that the rows and values still come out as Oracle gives them.
#include <chrono>

#include "tests/oraemb/oci_fixture.h"

namespace oraemb_test {
namespace {

using Rows = std::vector<std::vector<std::string>>;

class Query : public OciTest {
 protected:
  void SetUp() override {
    OciTest::SetUp();
    ASSERT_EQ(exec("CREATE TABLE t (id NUMBER(5), grp VARCHAR2(5), amt NUMBER(8,2), memo CLOB)"),
              OCI_SUCCESS)
        << error_text();
    ASSERT_EQ(exec("CREATE TABLE g (grp VARCHAR2(5), label VARCHAR2(20))"), OCI_SUCCESS);
    const char* values[] = {"1, 'a', 10.5, 'one'", "2, 'b', 20, NULL", "3, 'a', NULL, 'three'",
                            "4, 'b', 4.25, EMPTY_CLOB()", "5, 'c', 7, 'five'"};
    for (const char* v : values)
      ASSERT_EQ(exec(std::string("INSERT INTO t VALUES (") + v + ")", OCI_COMMIT_ON_SUCCESS),
                OCI_SUCCESS)
          << error_text();
    ASSERT_EQ(exec("INSERT INTO g VALUES ('a', 'Alpha')", OCI_COMMIT_ON_SUCCESS), OCI_SUCCESS);
    ASSERT_EQ(exec("INSERT INTO g VALUES ('b', 'Beta')", OCI_COMMIT_ON_SUCCESS), OCI_SUCCESS);
  }
};

TEST_F(Query, AggregatesOverATableAndOverNoRows) {
  EXPECT_EQ(rows("SELECT MAX(id), MIN(amt), SUM(amt), COUNT(*), COUNT(amt) FROM t"),
            (Rows{{"5", "4.25", "41.75", "5", "4"}}));
  EXPECT_EQ(rows("SELECT MAX(id), COUNT(*) FROM t WHERE id > 9"), (Rows{{"<null>", "0"}}));
  EXPECT_EQ(rows("SELECT COUNT(*) FROM t WHERE grp = 'a' AND memo IS NOT NULL"), (Rows{{"2"}}));
  // A grouped query without rows has no groups.
  EXPECT_EQ(rows("SELECT grp, COUNT(*) FROM t WHERE id > 9 GROUP BY grp"), (Rows{}));
}

TEST_F(Query, GroupsWithHavingAndOrderOnColumnsNotSelected) {
  EXPECT_EQ(rows("SELECT grp, COUNT(*), SUM(amt) FROM t GROUP BY grp HAVING COUNT(*) > 1 "
                 "ORDER BY grp DESC"),
            (Rows{{"b", "2", "24.25"}, {"a", "2", "10.5"}}));
  EXPECT_EQ(rows("SELECT id FROM t WHERE amt > 5 ORDER BY amt"), (Rows{{"5"}, {"1"}, {"2"}}));
  EXPECT_EQ(rows("SELECT id FROM t WHERE ROWNUM <= 2"), (Rows{{"1"}, {"2"}}));
}

// ROWNUM in the condition of UPDATE and DELETE numbers the rows the rest of
// the condition accepts, as in a query: "ROWNUM <= 2" changes two rows.
TEST_F(Query, RownumLimitsTheRowsUpdateAndDeleteChange) {
  ASSERT_EQ(exec("UPDATE t SET amt = 0 WHERE ROWNUM <= 2"), OCI_SUCCESS) << error_text();
  EXPECT_EQ(rows("SELECT COUNT(*) FROM t WHERE amt = 0"), (Rows{{"2"}}));
  ASSERT_EQ(exec("UPDATE t SET grp = 'x' WHERE grp = 'b' AND ROWNUM < 2"), OCI_SUCCESS);
  EXPECT_EQ(rows("SELECT id FROM t WHERE grp = 'x'"), (Rows{{"2"}}));
  ASSERT_EQ(exec("DELETE FROM t WHERE ROWNUM > 1"), OCI_SUCCESS) << error_text();
  EXPECT_EQ(rows("SELECT COUNT(*) FROM t"), (Rows{{"5"}}));
  ASSERT_EQ(exec("DELETE FROM t WHERE grp = 'a' AND ROWNUM <= 1"), OCI_SUCCESS) << error_text();
  EXPECT_EQ(rows("SELECT id FROM t ORDER BY id"), (Rows{{"2"}, {"3"}, {"4"}, {"5"}}));
  ASSERT_EQ(exec("DELETE FROM t WHERE ROWNUM = 1 OR id = 5"), OCI_SUCCESS) << error_text();
  EXPECT_EQ(rows("SELECT id FROM t ORDER BY id"), (Rows{{"3"}, {"4"}}));
}

TEST_F(Query, JoinsFromEitherSideAndStar) {
  Rows joined{{"1", "Alpha"}, {"2", "Beta"}, {"3", "Alpha"}, {"4", "Beta"}};
  EXPECT_EQ(rows("SELECT t.id, g.label FROM t, g WHERE t.grp = g.grp ORDER BY t.id"), joined);
  EXPECT_EQ(rows("SELECT t.id, g.label FROM g, t WHERE t.grp = g.grp ORDER BY t.id"), joined);
  EXPECT_EQ(rows("SELECT * FROM t WHERE id = 3"), (Rows{{"3", "a", "<null>", "three"}}));
  EXPECT_EQ(rows("SELECT g.label, COUNT(*) FROM t, g WHERE t.grp = g.grp GROUP BY g.label "
                 "ORDER BY 1"),
            (Rows{{"Alpha", "2"}, {"Beta", "2"}}));
}

TEST_F(Query, NextvalInAQueryOverATableGivesOneValuePerRow) {
  ASSERT_EQ(exec("CREATE SEQUENCE s START WITH 100"), OCI_SUCCESS) << error_text();
  EXPECT_EQ(rows("SELECT s.NEXTVAL, id FROM t WHERE grp = 'b'"),
            (Rows{{"100", "2"}, {"101", "4"}}));
  EXPECT_EQ(rows("SELECT s.CURRVAL FROM DUAL"), (Rows{{"101"}}));
}

// Literal text goes through the UTF-16 edge and the lexer in pieces: every
// UTF-8 length, doubled quotes anywhere, and '' as NULL come back as given.
TEST_F(Query, LiteralTextOfEveryEncodedLengthRoundTrips) {
  const char* texts[] = {"a\u00e9\u20ac\U0001F600z", "''", "it''s ''quoted''", "x''"};
  const char* expected[] = {"a\u00e9\u20ac\U0001F600z", "'", "it's 'quoted'", "x'"};
  for (size_t k = 0; k < 4; ++k) {
    ASSERT_EQ(exec("INSERT INTO g VALUES ('t', '" + std::string(texts[k]) + "')"), OCI_SUCCESS)
        << error_text();
    EXPECT_EQ(rows("SELECT label FROM g WHERE grp = 't'"), (Rows{{expected[k]}}));
    ASSERT_EQ(exec("DELETE FROM g WHERE grp = 't'"), OCI_SUCCESS);
  }
  ASSERT_EQ(exec("INSERT INTO g VALUES ('t', '')"), OCI_SUCCESS);
  EXPECT_EQ(rows("SELECT label FROM g WHERE grp = 't'"), (Rows{{"<null>"}}));
}

// A failed INSERT that opened its own transaction leaves no SQLite writer
// lock behind, so another session's writes do not wait for it; one inside
// an open transaction undoes only itself.
TEST_F(Query, AFailedInsertUndoesOnlyItself) {
  ASSERT_EQ(exec("CREATE UNIQUE INDEX t_id ON t(id)"), OCI_SUCCESS) << error_text();
  OCISvcCtx* b = nullptr;
  ASSERT_EQ(logon(&b, "scott", "tiger"), OCI_SUCCESS) << error_text();
  EXPECT_EQ(exec_on(b, "INSERT INTO t VALUES (1, 'x', 1, NULL)", OCI_COMMIT_ON_SUCCESS), OCI_ERROR);
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(exec("INSERT INTO g VALUES ('c', 'Gamma')", OCI_COMMIT_ON_SUCCESS), OCI_SUCCESS)
      << error_text();
  EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 1.0);
  EXPECT_EQ(exec_on(b, "INSERT INTO t VALUES (6, 'x', 1, NULL)"), OCI_SUCCESS);
  EXPECT_EQ(exec_on(b, "INSERT INTO t VALUES (2, 'x', 1, NULL)"), OCI_ERROR);
  EXPECT_EQ(exec_on(b, "COMMIT"), OCI_SUCCESS);
  EXPECT_EQ(rows("SELECT COUNT(*), MAX(id) FROM t"), (Rows{{"6", "6"}}));
  api.OCILogoff(b, err);
}

}  // namespace
}  // namespace oraemb_test
