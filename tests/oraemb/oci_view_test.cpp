// Views: created, replaced, queried like tables (in joins, with filters,
// over unions, subqueries, PIVOT and row limits), dropped; their rows in
// USER_VIEWS, USER_OBJECTS and USER_TAB_COLUMNS; and the errors Oracle
// gives for names in use, column lists, views that no longer compile,
// circular definitions, and DML through a read-only view.
#include <string>

#include "tests/oraemb/oci_fixture.h"

namespace oraemb_test {
namespace {

using Rows = std::vector<std::vector<std::string>>;

class Views : public OciTest {
 protected:
  void SetUp() override {
    OciTest::SetUp();
    const char* setup[] = {
        "CREATE TABLE d (id NUMBER PRIMARY KEY, name VARCHAR2(10))",
        "CREATE TABLE e (id NUMBER PRIMARY KEY, name VARCHAR2(10), dept NUMBER, sal NUMBER(6))",
        "INSERT INTO d VALUES (10, 'ACC')",
        "INSERT INTO d VALUES (20, 'RES')",
        "INSERT INTO e VALUES (1, 'A', 10, 100)",
        "INSERT INTO e VALUES (2, 'B', 20, 200)",
        "INSERT INTO e VALUES (3, 'C', NULL, 300)",
        "COMMIT"};
    for (const char* sql : setup) ASSERT_EQ(exec(sql), OCI_SUCCESS) << sql << error_text();
  }
  void ok(const std::string& sql) { ASSERT_EQ(exec(sql), OCI_SUCCESS) << sql << error_text(); }
};

TEST_F(Views, AViewIsQueriedLikeATable) {
  ok("CREATE VIEW staff AS SELECT e.id, e.name ename, d.name dname, e.sal "
     "FROM e LEFT JOIN d ON d.id = e.dept");
  EXPECT_EQ(rows("SELECT ename, dname FROM staff WHERE sal > 150 ORDER BY 1"),
            (Rows{{"B", "RES"}, {"C", "<null>"}}));
  EXPECT_EQ(rows("SELECT s.ename, d.id FROM staff s JOIN d ON d.name = s.dname ORDER BY 1"),
            (Rows{{"A", "10"}, {"B", "20"}}));
  EXPECT_EQ(rows("SELECT COUNT(*) FROM staff WHERE id IN (SELECT id FROM staff WHERE sal < 250)"),
            (Rows{{"2"}}));
  // A column list names the columns; OR REPLACE keeps the object.
  ok("CREATE OR REPLACE VIEW staff (k, who) AS SELECT id, name FROM e WHERE dept IS NOT NULL");
  EXPECT_EQ(rows("SELECT who FROM staff ORDER BY k"), (Rows{{"A"}, {"B"}}));
  EXPECT_EQ(rows("SELECT COUNT(*) FROM user_objects WHERE object_name = 'STAFF'"), (Rows{{"1"}}));
  // The shapes saved queries turn into.
  ok("CREATE VIEW u AS SELECT id FROM d UNION SELECT dept FROM e");
  ok("CREATE VIEW top2 AS SELECT name FROM e ORDER BY sal DESC FETCH FIRST 2 ROWS ONLY");
  ok("CREATE VIEW firsts AS SELECT name FROM e WHERE ROWNUM <= 1");
  ok("CREATE VIEW piv AS SELECT * FROM (SELECT dept, sal FROM e) PIVOT (SUM(sal) FOR dept IN "
     "(10 AS ten, 20 AS twenty))");
  ok("CREATE VIEW rich AS SELECT name FROM e WHERE sal > (SELECT AVG(sal) FROM e)");
  EXPECT_EQ(rows("SELECT * FROM u"), (Rows{{"10"}, {"20"}, {"<null>"}}));
  // A view's names are its own, not those of the statement's WITH queries.
  EXPECT_EQ(rows("WITH d AS (SELECT 99 id FROM dual) SELECT COUNT(*) FROM u"), (Rows{{"3"}}));
  EXPECT_EQ(rows("SELECT * FROM top2"), (Rows{{"C"}, {"B"}}));
  EXPECT_EQ(rows("SELECT * FROM firsts"), (Rows{{"A"}}));
  EXPECT_EQ(rows("SELECT twenty, ten FROM piv"), (Rows{{"200", "100"}}));
  EXPECT_EQ(rows("SELECT * FROM rich"), (Rows{{"C"}}));
  // Conditions on a view's columns also narrow the view's own query; those
  // that cannot (over ROWNUM, groups) still give the view's rows filtered.
  ok("CREATE VIEW ranked AS SELECT name, ROWNUM r FROM (SELECT name FROM e ORDER BY sal DESC)");
  EXPECT_EQ(rows("SELECT name FROM ranked WHERE r = 2"), (Rows{{"B"}}));
  ok("CREATE VIEW per_dept AS SELECT dept, COUNT(*) n FROM e GROUP BY dept");
  EXPECT_EQ(rows("SELECT n FROM per_dept WHERE dept = 20"), (Rows{{"1"}}));
  ok("CREATE VIEW renamed (k, who) AS SELECT * FROM (SELECT id, name FROM e)");
  EXPECT_EQ(rows("SELECT who FROM renamed WHERE k = 2"), (Rows{{"B"}}));
  EXPECT_EQ(rows("SELECT s.who FROM d JOIN staff s ON s.k = d.id / 10 WHERE s.who <> 'x'"),
            (Rows{{"A"}, {"B"}}));
  ok("DROP VIEW staff");
  EXPECT_EQ(failure("SELECT * FROM staff"), 942);
  EXPECT_EQ(failure("DROP VIEW staff"), 942);
}

TEST_F(Views, DictionaryRows) {
  const std::string text = "SELECT id, name FROM d WHERE id > 5";
  ok("CREATE VIEW v AS " + text + " WITH READ ONLY");
  EXPECT_EQ(rows("SELECT view_name, text_length, text FROM user_views"),
            (Rows{{"V", std::to_string(text.size()), text}}));
  EXPECT_EQ(rows("SELECT object_type, status FROM user_objects WHERE object_name = 'V'"),
            (Rows{{"VIEW", "VALID"}}));
  EXPECT_EQ(rows("SELECT column_name, data_type, nullable, column_id FROM user_tab_columns "
                 "WHERE table_name = 'V' ORDER BY column_id"),
            (Rows{{"ID", "NUMBER", "N", "1"}, {"NAME", "VARCHAR2", "Y", "2"}}));
  EXPECT_EQ(rows("SELECT COUNT(*) FROM user_tables WHERE table_name = 'V'"), (Rows{{"0"}}));
  EXPECT_EQ(exec("INSERT INTO v VALUES (1, 'x')"), OCI_ERROR);
  EXPECT_EQ(error_code(), 42399);
}

TEST_F(Views, ErrorsOfDefinitions) {
  ok("CREATE VIEW v AS SELECT id FROM d");
  EXPECT_EQ(failure("CREATE VIEW v AS SELECT id FROM e"), 955);
  EXPECT_EQ(failure("CREATE OR REPLACE VIEW e AS SELECT id FROM d"), 955);
  EXPECT_EQ(failure("CREATE TABLE v (x NUMBER)"), 955);
  EXPECT_EQ(failure("CREATE VIEW w (a) AS SELECT id, name FROM d"), 1730);
  EXPECT_EQ(failure("CREATE VIEW w AS SELECT id + 1 FROM d"), 998);
  EXPECT_EQ(failure("CREATE VIEW w AS SELECT * FROM nosuch"), 942);
  EXPECT_EQ(failure("CREATE VIEW w AS SELECT id, id FROM d"), 957);
  EXPECT_EQ(failure("CREATE VIEW w AS SELECT 1 x FROM d WITH CHECK OPTION"), 3001);
}

TEST_F(Views, InvalidAndCircularViews) {
  // FORCE creates a view over a missing table: INVALID, ORA-04063 naming it.
  EXPECT_EQ(exec("CREATE FORCE VIEW later AS SELECT * FROM missing"), OCI_SUCCESS_WITH_INFO);
  EXPECT_EQ(rows("SELECT status FROM user_objects WHERE object_name = 'LATER'"),
            (Rows{{"INVALID"}}));
  EXPECT_EQ(failure("SELECT * FROM later"), 4063);
  EXPECT_NE(error_text().find(".LATER\" has errors"), std::string::npos) << error_text();
  ok("CREATE TABLE missing (x NUMBER)");
  EXPECT_EQ(rows("SELECT COUNT(*) FROM later"), (Rows{{"0"}}));
  EXPECT_EQ(rows("SELECT status FROM user_objects WHERE object_name = 'LATER'"), (Rows{{"VALID"}}));
  // A view over a view over a dropped table names the view queried.
  ok("CREATE TABLE base (x NUMBER)");
  ok("CREATE VIEW v1 AS SELECT x FROM base");
  ok("CREATE VIEW v2 AS SELECT x FROM v1");
  ok("DROP TABLE base");
  EXPECT_EQ(failure("SELECT * FROM v2"), 4063);
  EXPECT_NE(error_text().find("V2"), std::string::npos) << error_text();
  // A view redefined over itself is circular, never an endless expansion.
  ok("CREATE VIEW self AS SELECT 1 x FROM dual");
  EXPECT_EQ(exec("CREATE OR REPLACE FORCE VIEW self AS SELECT * FROM self"), OCI_SUCCESS_WITH_INFO);
  EXPECT_EQ(failure("SELECT * FROM self"), 1731);
  EXPECT_EQ(failure("CREATE OR REPLACE VIEW self AS SELECT * FROM self"), 1731);
  EXPECT_EQ(exec("CREATE OR REPLACE FORCE VIEW a1 AS SELECT * FROM a2"), OCI_SUCCESS_WITH_INFO);
  EXPECT_EQ(exec("CREATE OR REPLACE FORCE VIEW a2 AS SELECT * FROM a1"), OCI_SUCCESS_WITH_INFO);
  EXPECT_EQ(failure("SELECT * FROM a1"), 1731);
}

TEST_F(Views, DeepNestingAndLongDefinitions) {
  ok("CREATE VIEW n0 AS SELECT id, name FROM d");
  for (int k = 1; k <= 30; ++k)
    ok("CREATE VIEW n" + std::to_string(k) + " AS SELECT id, name FROM n" + std::to_string(k - 1) +
       " WHERE id > " + std::to_string(k - 30));
  EXPECT_EQ(rows("SELECT name FROM n30 ORDER BY id"), (Rows{{"ACC"}, {"RES"}}));
  // A definition of 100,000 characters.
  std::string list;
  for (int k = 0; list.size() < 100000; ++k) list += (k ? "," : "") + std::to_string(k + 1000);
  const std::string text = "SELECT name FROM d WHERE id IN (10, " + list + ")";
  ok("CREATE VIEW long_one AS " + text);
  EXPECT_EQ(rows("SELECT * FROM long_one"), (Rows{{"ACC"}}));
  EXPECT_EQ(rows("SELECT text_length FROM user_views WHERE view_name = 'LONG_ONE'"),
            (Rows{{std::to_string(text.size())}}));
}

}  // namespace
}  // namespace oraemb_test
