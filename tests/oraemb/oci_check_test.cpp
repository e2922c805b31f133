// CHECK constraints and comments as Oracle keeps them: enforcement on
// INSERT and UPDATE (ORA-02290, NULL passes), the constraint states
// (NOVALIDATE, ORA-02293 on VALIDATE, DISABLE, MODIFY CONSTRAINT), the
// conditions Oracle refuses, their dictionary rows, and COMMENT ON with
// USER_TAB_COMMENTS and USER_COL_COMMENTS.
#include "tests/oraemb/oci_fixture.h"

namespace oraemb_test {
namespace {

using Rows = std::vector<std::vector<std::string>>;

class Checks : public OciTest {
 protected:
  // The status of `sql` and, on error, its ORA text without the newline.
  std::string outcome(const std::string& sql) {
    if (exec(sql) == OCI_SUCCESS) return "ok";
    std::string text = error_text();
    if (!text.empty() && text.back() == '\n') text.pop_back();
    return text;
  }
};

TEST_F(Checks, InlineAndTableConditionsRefuseFalseRowsOnly) {
  ASSERT_EQ(outcome("CREATE TABLE EMP (ID NUMBER PRIMARY KEY, SAL NUMBER(8,2) CONSTRAINT "
                    "SAL_POS CHECK (sal > 0), BONUS NUMBER, CHECK ( Bonus <= SAL*2 ))"),
            "ok");
  EXPECT_EQ(outcome("INSERT INTO EMP VALUES (1, 100, 200)"), "ok");
  EXPECT_EQ(outcome("INSERT INTO EMP VALUES (2, 0, NULL)"),
            "ORA-02290: check constraint (SCOTT.SAL_POS) violated");
  // Unknown is not false: NULLs pass both conditions.
  EXPECT_EQ(outcome("INSERT INTO EMP VALUES (3, NULL, 1000)"), "ok");
  Rows cons = rows(
      "SELECT CONSTRAINT_NAME, SEARCH_CONDITION, STATUS, VALIDATED, GENERATED FROM "
      "USER_CONSTRAINTS WHERE CONSTRAINT_TYPE = 'C' ORDER BY CONSTRAINT_NAME");
  ASSERT_EQ(cons.size(), 2u);
  EXPECT_EQ(cons[0],
            (std::vector<std::string>{"SAL_POS", "sal > 0", "ENABLED", "VALIDATED", "USER NAME"}));
  // The text as written; the name from the SYS_C counter.
  EXPECT_EQ(cons[1][0].rfind("SYS_C", 0), 0u);
  EXPECT_EQ(cons[1][1], "Bonus <= SAL*2");
  EXPECT_EQ(cons[1][4], "GENERATED NAME");
  EXPECT_EQ(outcome("INSERT INTO EMP VALUES (4, 10, 21)"),
            "ORA-02290: check constraint (SCOTT." + cons[1][0] + ") violated");
  // The condition's columns, without positions.
  EXPECT_EQ(rows("SELECT COLUMN_NAME, POSITION FROM USER_CONS_COLUMNS WHERE CONSTRAINT_NAME = '" +
                 cons[1][0] + "'"),
            (Rows{{"SAL", "<null>"}, {"BONUS", "<null>"}}));

  // UPDATE: the statement fails whole and changes nothing.
  EXPECT_EQ(outcome("UPDATE EMP SET SAL = SAL - 100"),
            "ORA-02290: check constraint (SCOTT.SAL_POS) violated");
  EXPECT_EQ(rows("SELECT ID, SAL FROM EMP ORDER BY ID"), (Rows{{"1", "100"}, {"3", "<null>"}}));
  EXPECT_EQ(outcome("UPDATE EMP SET BONUS = 150 WHERE ID = 1"), "ok");
}

TEST_F(Checks, NovalidateLeavesOldRowsAndValidateFindsThem) {
  ASSERT_EQ(outcome("CREATE TABLE T (ID NUMBER, QTY NUMBER)"), "ok");
  ASSERT_EQ(outcome("INSERT INTO T VALUES (1, -5)"), "ok");
  ASSERT_EQ(outcome("INSERT INTO T VALUES (2, 5)"), "ok");
  EXPECT_EQ(outcome("ALTER TABLE T ADD CONSTRAINT QTY_POS CHECK (QTY >= 0)"),
            "ORA-02293: cannot validate (SCOTT.QTY_POS) - check constraint violated");
  EXPECT_EQ(rows("SELECT COUNT(*) FROM USER_CONSTRAINTS")[0][0], "0");
  EXPECT_EQ(outcome("ALTER TABLE T ADD CONSTRAINT QTY_POS CHECK (QTY >= 0) ENABLE NOVALIDATE"),
            "ok");
  auto state = [&] {
    Rows r = rows(
        "SELECT STATUS, VALIDATED FROM USER_CONSTRAINTS WHERE CONSTRAINT_NAME = "
        "'QTY_POS'");
    return r.empty() ? std::string("gone") : r[0][0] + "/" + r[0][1];
  };
  EXPECT_EQ(state(), "ENABLED/NOT VALIDATED");
  // New rows are checked all the same.
  EXPECT_EQ(outcome("INSERT INTO T VALUES (3, -1)"),
            "ORA-02290: check constraint (SCOTT.QTY_POS) violated");
  // An UPDATE that leaves the condition's columns alone keeps an old row.
  EXPECT_EQ(outcome("UPDATE T SET ID = 10 WHERE ID = 1"), "ok");
  EXPECT_EQ(outcome("ALTER TABLE T MODIFY CONSTRAINT QTY_POS VALIDATE"),
            "ORA-02293: cannot validate (SCOTT.QTY_POS) - check constraint violated");
  EXPECT_EQ(state(), "ENABLED/NOT VALIDATED");
  EXPECT_EQ(outcome("ALTER TABLE T DISABLE CONSTRAINT QTY_POS"), "ok");
  EXPECT_EQ(state(), "DISABLED/NOT VALIDATED");
  EXPECT_EQ(outcome("INSERT INTO T VALUES (4, -7)"), "ok");
  EXPECT_EQ(outcome("ALTER TABLE T ENABLE CONSTRAINT QTY_POS"),
            "ORA-02293: cannot validate (SCOTT.QTY_POS) - check constraint violated");
  EXPECT_EQ(outcome("DELETE FROM T WHERE QTY < 0"), "ok");
  EXPECT_EQ(outcome("ALTER TABLE T ENABLE VALIDATE CONSTRAINT QTY_POS"), "ok");
  EXPECT_EQ(state(), "ENABLED/VALIDATED");
  EXPECT_EQ(outcome("ALTER TABLE T MODIFY CONSTRAINT QTY_POS DISABLE NOVALIDATE"), "ok");
  EXPECT_EQ(state(), "DISABLED/NOT VALIDATED");
  // Created disabled; the names a missing constraint is reported by.
  EXPECT_EQ(outcome("ALTER TABLE T ADD CONSTRAINT ID_POS CHECK (ID > 0) DISABLE"), "ok");
  EXPECT_EQ(outcome("INSERT INTO T VALUES (-1, 1)"), "ok");
  EXPECT_EQ(outcome("ALTER TABLE T ENABLE CONSTRAINT NOSUCH"),
            "ORA-02430: cannot enable constraint (SCOTT.NOSUCH) - no such constraint");
  EXPECT_EQ(outcome("ALTER TABLE T DISABLE CONSTRAINT NOSUCH"),
            "ORA-02431: cannot disable constraint (SCOTT.NOSUCH) - no such constraint");
  EXPECT_EQ(outcome("ALTER TABLE T DROP CONSTRAINT QTY_POS"), "ok");
  EXPECT_EQ(state(), "gone");
  EXPECT_EQ(outcome("ALTER TABLE T DROP CONSTRAINT QTY_POS"),
            "ORA-02443: Cannot drop constraint  - nonexistent constraint");
}

TEST_F(Checks, ConditionsOracleRefuses) {
  ASSERT_EQ(outcome("CREATE TABLE OTHER (X NUMBER)"), "ok");
  ASSERT_EQ(outcome("CREATE SEQUENCE S"), "ok");
  const std::pair<const char*, const char*> cases[] = {
      {"D > SYSDATE", "ORA-02436: date or system variable wrongly specified in CHECK constraint"},
      {"D > CURRENT_DATE", "ORA-02436"},
      {"D > SYSTIMESTAMP", "ORA-02436"},
      {"N = UID", "ORA-02436"},
      {"C = USER", "ORA-02436"},
      {"C = USERENV('LANG')", "ORA-02436"},
      {"N > ROWNUM", "ORA-00976: Specified pseudocolumn or operator not allowed here."},
      {"N > LEVEL", "ORA-00976"},
      {"D > TO_DATE('01-JAN-00')", "ORA-02436"},  // no century: not fully specified
      {"D > TO_DATE('01-01-00', 'DD-MM-YY')", "ORA-02436"},
      {"N < S.NEXTVAL", "ORA-02287: sequence number not allowed here"},
      {"N < S.CURRVAL", "ORA-02287"},
      {"N IN (SELECT X FROM OTHER)", "ORA-02251: subquery not allowed here"},
      {"EXISTS (SELECT 1 FROM DUAL)", "ORA-02251"},
      {"N < (SELECT MAX(X) FROM OTHER)", "ORA-02251"},
      {"N < :B", "ORA-01027: bind variables not allowed for data definition operations"},
      {"SUM(N) > 0", "ORA-00934: group function is not allowed here"},
      {"N > ROW_NUMBER() OVER (ORDER BY N)", "ORA-30483: window  functions are not allowed here"},
      {"OTHER.X > 0", "ORA-00904: \"OTHER\".\"X\": invalid identifier"},
      {"NOSUCH > 0", "ORA-00904: \"NOSUCH\": invalid identifier"},
  };
  for (const auto& [condition, expected] : cases) {
    std::string got = outcome(
        std::string("CREATE TABLE T (N NUMBER, C VARCHAR2(9), D DATE, CHECK (") + condition + "))");
    EXPECT_EQ(got.substr(0, std::string(expected).size()), expected) << condition;
  }
  EXPECT_EQ(rows("SELECT COUNT(*) FROM USER_TABLES WHERE TABLE_NAME = 'T'")[0][0], "0");
  EXPECT_EQ(outcome("ALTER TABLE OTHER ADD CHECK (X < SYSDATE - 1)").substr(0, 9), "ORA-02436");
  // A column constraint is on its own column only.
  EXPECT_EQ(outcome("CREATE TABLE T (A NUMBER, B NUMBER CHECK (A < B))"),
            "ORA-02438: Column check constraint cannot reference other columns");
  // Fully specified dates and deterministic functions are fine.
  EXPECT_EQ(outcome("CREATE TABLE T (D DATE CHECK (D >= DATE '1900-01-01' AND D < "
                    "TO_DATE('2100-01-01','YYYY-MM-DD')), C VARCHAR2(9) CHECK (C = UPPER(C)) "
                    "NOT NULL, N NUMBER CHECK (N BETWEEN 0 AND 1 OR N IN (5, 7)))"),
            "ok");
  EXPECT_EQ(outcome("INSERT INTO T VALUES (DATE '1899-12-31', 'A', 0)").substr(0, 9), "ORA-02290");
  EXPECT_EQ(outcome("INSERT INTO T VALUES (DATE '2000-01-01', 'a', 0)").substr(0, 9), "ORA-02290");
  EXPECT_EQ(outcome("INSERT INTO T VALUES (DATE '2000-01-01', 'A', 7)"), "ok");
}

// NOT NULL constraints share CHECK's type 'C': dropping or relaxing one kind
// must leave the other alone.
TEST_F(Checks, NotNullAndCheckOnOneColumnStayApart) {
  ASSERT_EQ(outcome("CREATE TABLE T (N NUMBER CONSTRAINT N_NN NOT NULL CONSTRAINT N_POS CHECK "
                    "(N > 0))"),
            "ok");
  EXPECT_EQ(outcome("ALTER TABLE T DROP CONSTRAINT N_POS"), "ok");
  EXPECT_EQ(outcome("INSERT INTO T VALUES (NULL)"),
            "ORA-01400: cannot insert NULL into (\"SCOTT\".\"T\".\"N\")");
  EXPECT_EQ(outcome("ALTER TABLE T ADD CONSTRAINT N_POS CHECK (N > 0)"), "ok");
  EXPECT_EQ(outcome("ALTER TABLE T MODIFY (N NULL)"), "ok");
  EXPECT_EQ(rows("SELECT CONSTRAINT_NAME FROM USER_CONSTRAINTS"), (Rows{{"N_POS"}}));
  EXPECT_EQ(outcome("INSERT INTO T VALUES (NULL)"), "ok");
  EXPECT_EQ(outcome("INSERT INTO T VALUES (-1)"),
            "ORA-02290: check constraint (SCOTT.N_POS) violated");
  // Keys keep their state: disabling one is outside the engine.
  ASSERT_EQ(outcome("ALTER TABLE T ADD CONSTRAINT T_UK UNIQUE (N)"), "ok");
  EXPECT_EQ(outcome("ALTER TABLE T DISABLE CONSTRAINT T_UK"),
            "ORA-03001: unimplemented feature: DISABLE of a unique key");
}

TEST_F(Checks, CommentsOnTablesAndColumns) {
  ASSERT_EQ(outcome("CREATE TABLE T (A NUMBER, B VARCHAR2(5))"), "ok");
  ASSERT_EQ(outcome("CREATE TABLE U (X NUMBER)"), "ok");
  EXPECT_EQ(outcome("COMMENT ON TABLE T IS 'Orders of ''97'"), "ok");
  EXPECT_EQ(outcome("COMMENT ON COLUMN T.B IS 'first'"), "ok");
  EXPECT_EQ(outcome("COMMENT ON COLUMN t.b IS 'second'"), "ok");  // replaces
  // Every table is listed, with NULL where there is no comment.
  EXPECT_EQ(rows("SELECT * FROM USER_TAB_COMMENTS ORDER BY TABLE_NAME"),
            (Rows{{"T", "TABLE", "Orders of '97"}, {"U", "TABLE", "<null>"}}));
  EXPECT_EQ(rows("SELECT COLUMN_NAME, COMMENTS FROM USER_COL_COMMENTS WHERE TABLE_NAME = 'T'"),
            (Rows{{"A", "<null>"}, {"B", "second"}}));
  // An empty text removes the comment.
  EXPECT_EQ(outcome("COMMENT ON COLUMN T.B IS ''"), "ok");
  EXPECT_EQ(rows("SELECT COUNT(*) FROM USER_COL_COMMENTS WHERE COMMENTS IS NOT NULL")[0][0], "0");
  // 4000 bytes at most (a two-byte letter counts two).
  EXPECT_EQ(outcome("COMMENT ON TABLE U IS '" + std::string(3998, 'x') + "\xc3\xa9'"), "ok");
  EXPECT_EQ(outcome("COMMENT ON TABLE U IS '" + std::string(3999, 'x') + "\xc3\xa9'"),
            "ORA-01704: string literal too long");
  EXPECT_EQ(rows("SELECT LENGTH(COMMENTS) FROM USER_TAB_COMMENTS WHERE TABLE_NAME = 'U'")[0][0],
            "3999");
  EXPECT_EQ(outcome("COMMENT ON TABLE NOSUCH IS 'x'"), "ORA-00942: table or view does not exist");
  EXPECT_EQ(outcome("COMMENT ON COLUMN T.NOSUCH IS 'x'"),
            "ORA-00904: \"NOSUCH\": invalid identifier");
  EXPECT_EQ(outcome("COMMENT ON TABLE T IS 42"), "ORA-01780: string literal required");
  // Comments go with their table.
  EXPECT_EQ(outcome("DROP TABLE T"), "ok");
  EXPECT_EQ(outcome("CREATE TABLE T (A NUMBER, B VARCHAR2(5))"), "ok");
  EXPECT_EQ(rows("SELECT COMMENTS FROM USER_TAB_COMMENTS WHERE TABLE_NAME = 'T'"),
            (Rows{{"<null>"}}));
}

}  // namespace
// The other places a CHECK can come from: ADD (CONSTRAINT ...) in
// parentheses and a column added with a condition on itself, whose rows
// (with their default) are checked at once.
TEST_F(Checks, ConditionsOfAddedColumnsAndParenthesizedConstraints) {
  ASSERT_EQ(outcome("CREATE TABLE T (ID NUMBER)"), "ok");
  ASSERT_EQ(outcome("INSERT INTO T VALUES (1)"), "ok");
  EXPECT_EQ(outcome("ALTER TABLE T ADD (CONSTRAINT ID_POS CHECK (ID > 0))"), "ok");
  EXPECT_EQ(outcome("ALTER TABLE T ADD (Q NUMBER DEFAULT 0 CONSTRAINT Q_POS CHECK (Q > 0))"),
            "ORA-02293: cannot validate (SCOTT.Q_POS) - check constraint violated");
  EXPECT_EQ(rows("SELECT COUNT(*) FROM USER_TAB_COLUMNS WHERE TABLE_NAME = 'T'")[0][0], "1");
  EXPECT_EQ(outcome("ALTER TABLE T ADD (Q NUMBER DEFAULT 5 CONSTRAINT Q_POS CHECK (Q > 0))"), "ok");
  EXPECT_EQ(outcome("UPDATE T SET Q = CASE ID WHEN 1 THEN -1 ELSE 1 END"),
            "ORA-02290: check constraint (SCOTT.Q_POS) violated");
  EXPECT_EQ(outcome("INSERT INTO T VALUES (2, CASE WHEN 1 = 1 THEN 7 END)"), "ok");
  EXPECT_EQ(rows("SELECT CONSTRAINT_NAME FROM USER_CONSTRAINTS ORDER BY 1"),
            (Rows{{"ID_POS"}, {"Q_POS"}}));
}

}  // namespace oraemb_test
