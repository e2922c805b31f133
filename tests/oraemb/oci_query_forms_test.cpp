// The shapes of query beyond one table: joins of every kind (with NULL
// keys, conditions in ON against WHERE, nested joins), subqueries with
// Oracle's NULL rules, set operations with duplicates, row limiting, PIVOT
// and analytic functions. Each case's rows were worked out by hand from the
// two small tables below, as Oracle gives them.
#include <fstream>

#include "tests/oraemb/oci_fixture.h"

namespace oraemb_test {
namespace {

using Rows = std::vector<std::vector<std::string>>;
const std::string N = "<null>";

struct Case {
  const char* sql;
  Rows rows;
};

struct Refused {
  const char* sql;
  int code;
};

class QueryForms : public OciTest {
 protected:
  void SetUp() override {
    OciTest::SetUp();
    const char* setup[] = {
        "CREATE TABLE d (id NUMBER PRIMARY KEY, name VARCHAR2(10))",
        "CREATE TABLE e (id NUMBER PRIMARY KEY, name VARCHAR2(10), dept NUMBER, sal NUMBER(6))",
        "INSERT INTO d VALUES (10, 'ACC')",
        "INSERT INTO d VALUES (20, 'RES')",
        "INSERT INTO d VALUES (30, 'SAL')",
        "INSERT INTO e VALUES (1, 'A', 10, 100)",
        "INSERT INTO e VALUES (2, 'B', 20, 200)",
        "INSERT INTO e VALUES (3, 'C', 20, 300)",
        "INSERT INTO e VALUES (4, 'D', NULL, 400)"};
    for (const char* sql : setup) ASSERT_EQ(exec(sql), OCI_SUCCESS) << sql << error_text();
    ASSERT_EQ(exec("COMMIT"), OCI_SUCCESS);
  }
  void check(const std::vector<Case>& cases) {
    for (const Case& c : cases) EXPECT_EQ(rows(c.sql), c.rows) << c.sql;
  }
  void refused(const std::vector<Refused>& cases) {
    for (const Refused& c : cases) EXPECT_EQ(failure(c.sql), c.code) << c.sql << error_text();
  }
  // Column names and types of a query's describe, "NAME TYPE" each.
  std::vector<std::string> describe(const std::string& sql) {
    OCIStmt* st = nullptr;
    api.OCIHandleAlloc(env, reinterpret_cast<void**>(&st), OCI_HTYPE_STMT, 0, nullptr);
    std::u16string text = u16(sql);
    api.OCIStmtPrepare(st, err, reinterpret_cast<const OraText*>(text.data()),
                       static_cast<ub4>(text.size() * 2), OCI_NTV_SYNTAX, OCI_DEFAULT);
    std::vector<std::string> out;
    if (api.OCIStmtExecute(svc, st, err, 0, 0, nullptr, nullptr, OCI_DESCRIBE_ONLY) !=
        OCI_SUCCESS) {
      ADD_FAILURE() << sql << ": " << error_text();
      api.OCIHandleFree(st, OCI_HTYPE_STMT);
      return out;
    }
    ub4 count = 0;
    api.OCIAttrGet(st, OCI_HTYPE_STMT, &count, nullptr, OCI_ATTR_PARAM_COUNT, err);
    for (ub4 k = 1; k <= count; ++k) {
      OCIParam* p = nullptr;
      api.OCIParamGet(st, OCI_HTYPE_STMT, err, reinterpret_cast<void**>(&p), k);
      char16_t* name = nullptr;
      ub4 len = 0;
      ub2 type = 0;
      api.OCIAttrGet(p, OCI_DTYPE_PARAM, &name, &len, OCI_ATTR_NAME, err);
      api.OCIAttrGet(p, OCI_DTYPE_PARAM, &type, nullptr, OCI_ATTR_DATA_TYPE, err);
      out.push_back(u8(std::u16string(name, len / 2)) + " " + std::to_string(type));
      api.OCIDescriptorFree(p, OCI_DTYPE_PARAM);
    }
    api.OCIHandleFree(st, OCI_HTYPE_STMT);
    return out;
  }
};

TEST_F(QueryForms, JoinsOfEveryKindWithNullKeys) {
  check({
      {"SELECT e.name, d.name FROM e JOIN d ON e.dept = d.id ORDER BY 1",
       {{"A", "ACC"}, {"B", "RES"}, {"C", "RES"}}},
      {"SELECT e.name, d.name FROM e INNER JOIN d ON d.id = e.dept WHERE d.name <> 'ACC' "
       "ORDER BY 1",
       {{"B", "RES"}, {"C", "RES"}}},
      {"SELECT e.name, d.name FROM e LEFT OUTER JOIN d ON e.dept = d.id ORDER BY 1",
       {{"A", "ACC"}, {"B", "RES"}, {"C", "RES"}, {"D", N}}},
      {"SELECT e.name, d.name FROM e RIGHT JOIN d ON e.dept = d.id ORDER BY 2, 1",
       {{"A", "ACC"}, {"B", "RES"}, {"C", "RES"}, {N, "SAL"}}},
      {"SELECT e.name, d.name FROM e FULL OUTER JOIN d ON e.dept = d.id ORDER BY 1, 2",
       {{"A", "ACC"}, {"B", "RES"}, {"C", "RES"}, {"D", N}, {N, "SAL"}}},
      {"SELECT COUNT(*) FROM e CROSS JOIN d", {{"12"}}},
      // The old marker: the table whose columns carry (+) is the optional one.
      {"SELECT e.name, d.name FROM e, d WHERE e.dept = d.id(+) ORDER BY 1",
       {{"A", "ACC"}, {"B", "RES"}, {"C", "RES"}, {"D", N}}},
      {"SELECT e.name, d.name FROM e, d WHERE d.id = e.dept(+) AND d.name <> 'RES' ORDER BY 2",
       {{"A", "ACC"}, {N, "SAL"}}},
      // The optional table joins after the tables its condition reads,
      // whatever the FROM order.
      {"SELECT a.name, b.name, c.name FROM e a, e b, d c WHERE a.id = 1 AND b.dept(+) = c.id "
       "AND c.id(+) = a.dept",
       {{"A", "A", "ACC"}}},
      {"SELECT name FROM e WHERE e.id(+) = 1", {{"A"}}},
      // A condition in ON keeps the outer rows; the same in WHERE drops them.
      {"SELECT d.name, e.name FROM d LEFT JOIN e ON e.dept = d.id AND e.sal > 150 ORDER BY 1, 2",
       {{"ACC", N}, {"RES", "B"}, {"RES", "C"}, {"SAL", N}}},
      {"SELECT d.name, e.name FROM d LEFT JOIN e ON e.dept = d.id WHERE e.sal > 150 "
       "ORDER BY 1, 2",
       {{"RES", "B"}, {"RES", "C"}}},
      {"SELECT d.name FROM d LEFT JOIN e ON e.dept = d.id WHERE e.name IS NULL", {{"SAL"}}},
      {"SELECT d.name, x.name FROM d LEFT JOIN (e x JOIN d y ON x.dept = y.id AND y.id > 10) "
       "ON x.dept = d.id ORDER BY 1, 2",
       {{"ACC", N}, {"RES", "B"}, {"RES", "C"}, {"SAL", N}}},
      {"SELECT e.name, d.name, m.name FROM e JOIN d ON e.dept = d.id "
       "JOIN e m ON m.dept = d.id AND m.id <> e.id ORDER BY 1",
       {{"B", "RES", "C"}, {"C", "RES", "B"}}},
      // USING and NATURAL: the common columns once, first.
      {"SELECT * FROM e JOIN (SELECT 20 dept, 5 bonus FROM dual) x USING (dept) ORDER BY id",
       {{"20", "2", "B", "200", "5"}, {"20", "3", "C", "300", "5"}}},
      {"SELECT * FROM e NATURAL JOIN (SELECT 3 id, 'C' name FROM dual)", {{"3", "C", "20", "300"}}},
      {"SELECT dept, e.name FROM e FULL JOIN (SELECT 30 dept FROM dual) x USING (dept) "
       "ORDER BY 1, 2",
       {{"10", "A"}, {"20", "B"}, {"20", "C"}, {"30", N}, {N, "D"}}},
  });
  refused({{"SELECT name FROM e JOIN d ON e.dept = d.id", 918},
           {"SELECT * FROM e JOIN d", 905},
           {"SELECT * FROM e JOIN d ON e.dept = d.id WHERE e.id = d.id(+)", 25156},
           {"SELECT * FROM e, d WHERE e.dept(+) = d.id(+)", 1468},
           {"SELECT e.name FROM e JOIN d ON d.id = x.dept JOIN e x ON x.id = e.id", 904},
           {"SELECT * FROM e a, e b WHERE a.id(+) = b.dept AND b.id(+) = a.dept", 1416}});
  EXPECT_EQ(describe("SELECT e.name, d.id FROM e LEFT JOIN d ON e.dept = d.id"),
            (std::vector<std::string>{"NAME 1", "ID 2"}));
}

// Keys without an index: the inner rows are read once and matched by value
// (NUMBER, VARCHAR2, DATE) or compared row by row (CHAR); NULL never matches.
TEST_F(QueryForms, JoinKeysOfEachTypeWithoutAnIndex) {
  const char* setup[] = {"CREATE TABLE k (n NUMBER, v VARCHAR2(5), dt DATE, c CHAR(3))",
                         "INSERT INTO k VALUES (100, 'A', DATE '2024-01-01', 'A')",
                         "INSERT INTO k VALUES (200, 'B', DATE '2024-01-02', 'B')",
                         "INSERT INTO k VALUES (200.0, 'X', NULL, NULL)",
                         "INSERT INTO k VALUES (NULL, 'D', DATE '2024-01-01', 'D')"};
  for (const char* sql : setup) ASSERT_EQ(exec(sql), OCI_SUCCESS) << sql << error_text();
  check({
      {"SELECT e.name, k.v FROM e JOIN k ON k.n = e.sal ORDER BY 1, 2",
       {{"A", "A"}, {"B", "B"}, {"B", "X"}}},
      {"SELECT e.name FROM e JOIN k ON k.v = e.name ORDER BY 1", {{"A"}, {"B"}, {"D"}}},
      {"SELECT COUNT(*) FROM k a JOIN k b ON a.dt = b.dt", {{"5"}}},
      {"SELECT COUNT(*) FROM k a JOIN k b ON a.c = b.c", {{"3"}}},
      {"SELECT COUNT(*) FROM k a LEFT JOIN k b ON a.n = b.n AND b.v <> a.v", {{"4"}}},
      // The ROWID of the missing side of an outer join is NULL.
      {"SELECT COUNT(d.rowid), COUNT(*) FROM e LEFT JOIN d ON d.id = e.dept", {{"3", "4"}}},
  });
}

TEST_F(QueryForms, SubqueriesWithOraclesNullRules) {
  check({
      {"SELECT name, (SELECT name FROM d WHERE d.id = e.dept) FROM e ORDER BY 1",
       {{"A", "ACC"}, {"B", "RES"}, {"C", "RES"}, {"D", N}}},
      {"SELECT (SELECT id FROM d WHERE id = 0) FROM dual", {{N}}},
      {"SELECT name FROM e WHERE dept IN (SELECT id FROM d WHERE name <> 'ACC') ORDER BY 1",
       {{"B"}, {"C"}}},
      // NOT IN over a NULL is never true; over no rows it always is.
      {"SELECT name FROM d WHERE id NOT IN (SELECT dept FROM e)", {}},
      {"SELECT name FROM d WHERE id NOT IN (SELECT dept FROM e WHERE dept IS NOT NULL)", {{"SAL"}}},
      {"SELECT name FROM e WHERE dept NOT IN (SELECT id FROM d WHERE 1 = 0) ORDER BY 1",
       {{"A"}, {"B"}, {"C"}, {"D"}}},
      {"SELECT name FROM e WHERE dept IN (SELECT id FROM d WHERE 1 = 0)", {}},
      {"SELECT name FROM d WHERE EXISTS (SELECT 1 FROM e WHERE e.dept = d.id) ORDER BY 1",
       {{"ACC"}, {"RES"}}},
      {"SELECT name FROM d WHERE NOT EXISTS (SELECT 1 FROM e WHERE e.dept = d.id)", {{"SAL"}}},
      {"SELECT name FROM e WHERE sal > ALL (SELECT sal FROM e WHERE dept = 20)", {{"D"}}},
      {"SELECT COUNT(*) FROM e WHERE sal > ALL (SELECT sal FROM e WHERE 1 = 0)", {{"4"}}},
      {"SELECT COUNT(*) FROM e WHERE sal < ANY (SELECT sal FROM e WHERE 1 = 0)", {{"0"}}},
      {"SELECT COUNT(*) FROM e WHERE sal > ALL (SELECT dept FROM e)", {{"0"}}},
      {"SELECT name FROM e WHERE sal = ANY (100, 300) ORDER BY 1", {{"A"}, {"C"}}},
      {"SELECT name FROM e WHERE sal <> ALL (100, 300) ORDER BY 1", {{"B"}, {"D"}}},
      {"SELECT d.name, (SELECT COUNT(*) FROM e WHERE e.dept = d.id) FROM d ORDER BY 1",
       {{"ACC", "1"}, {"RES", "2"}, {"SAL", "0"}}},
      // Correlated two levels up.
      {"SELECT name FROM d WHERE EXISTS (SELECT 1 FROM e WHERE e.dept = d.id AND EXISTS "
       "(SELECT 1 FROM dual WHERE e.sal > 250 AND d.id = 20))",
       {{"RES"}}},
      {"WITH big AS (SELECT * FROM e WHERE sal >= 300) SELECT b.name, d.name FROM big b "
       "LEFT JOIN d ON d.id = b.dept ORDER BY 1",
       {{"C", "RES"}, {"D", N}}},
      {"WITH a AS (SELECT id FROM d), b AS (SELECT id FROM a WHERE id > 10) "
       "SELECT COUNT(*) FROM b",
       {{"2"}}},
      {"SELECT x.n FROM (SELECT name n, sal FROM e WHERE sal > 150) x WHERE x.sal < 350 "
       "ORDER BY 1",
       {{"B"}, {"C"}}},
  });
  refused({{"SELECT (SELECT id FROM d) FROM dual", 1427},
           {"SELECT name FROM e WHERE dept IN (SELECT id, name FROM d)", 913},
           {"SELECT (SELECT id, name FROM d WHERE id = 10) FROM dual", 913}});
}

TEST_F(QueryForms, SetOperationsWithDuplicatesAndOrderOfTheWhole) {
  check({
      {"SELECT dept FROM e UNION SELECT id FROM d", {{"10"}, {"20"}, {"30"}, {N}}},
      {"SELECT COUNT(*) FROM (SELECT dept FROM e UNION ALL SELECT id FROM d)", {{"7"}}},
      {"SELECT dept FROM e INTERSECT SELECT id FROM d", {{"10"}, {"20"}}},
      {"SELECT id FROM d MINUS SELECT dept FROM e", {{"30"}}},
      {"SELECT dept FROM e MINUS SELECT 99 FROM dual", {{"10"}, {"20"}, {N}}},
      {"SELECT name n FROM d UNION SELECT name FROM e ORDER BY n DESC",
       {{"SAL"}, {"RES"}, {"D"}, {"C"}, {"B"}, {"ACC"}, {"A"}}},
      {"SELECT id FROM d UNION ALL SELECT id FROM e ORDER BY 1 FETCH FIRST 3 ROWS ONLY",
       {{"1"}, {"2"}, {"3"}}},
      {"(SELECT id FROM d UNION SELECT id FROM e) MINUS SELECT id FROM e WHERE id < 3",
       {{"3"}, {"4"}, {"10"}, {"20"}, {"30"}}},
      {"SELECT NULL, name FROM d WHERE id = 10 UNION ALL SELECT sal, NULL FROM e WHERE id = 1",
       {{N, "ACC"}, {"100", N}}},
  });
  refused({{"SELECT id, name FROM d UNION SELECT id FROM e", 1789},
           {"SELECT name FROM d UNION SELECT id FROM e", 1790},
           {"SELECT id FROM d UNION SELECT id FROM e ORDER BY name", 904},
           {"SELECT id FROM d UNION SELECT id FROM e ORDER BY 2", 1785}});
  EXPECT_EQ(describe("SELECT id k, name FROM d UNION SELECT sal, name FROM e"),
            (std::vector<std::string>{"K 2", "NAME 1"}));
}

TEST_F(QueryForms, RowLimitingAndRownum) {
  check({
      {"SELECT name FROM e ORDER BY sal FETCH FIRST 2 ROWS ONLY", {{"A"}, {"B"}}},
      {"SELECT name FROM e ORDER BY sal OFFSET 1 ROWS FETCH NEXT 2 ROWS ONLY", {{"B"}, {"C"}}},
      {"SELECT name FROM e ORDER BY sal OFFSET 3 ROWS", {{"D"}}},
      {"SELECT name FROM e ORDER BY dept FETCH FIRST 2 ROWS WITH TIES", {{"A"}, {"B"}, {"C"}}},
      {"SELECT name FROM e ORDER BY sal FETCH FIRST 50 PERCENT ROWS ONLY", {{"A"}, {"B"}}},
      {"SELECT name FROM e ORDER BY sal FETCH FIRST 0 ROWS ONLY", {}},
      {"SELECT name FROM (SELECT name FROM e ORDER BY sal DESC) WHERE ROWNUM <= 2", {{"D"}, {"C"}}},
  });
}

TEST_F(QueryForms, PivotNamesItsColumnsAsOracleDoes) {
  check({
      // A value that never occurs gives NULL (0 for COUNT).
      {"SELECT * FROM (SELECT dept, sal FROM e) PIVOT (SUM(sal) FOR dept IN (10, 20, 99))",
       {{"100", "500", N}}},
      {"SELECT * FROM (SELECT name, dept, sal FROM e) PIVOT (SUM(sal) AS s, COUNT(*) c "
       "FOR dept IN (10, 20)) ORDER BY name",
       {{"A", "100", "1", N, "0"},
        {"B", N, "0", "200", "1"},
        {"C", N, "0", "300", "1"},
        {"D", N, "0", N, "0"}}},
      {"SELECT r FROM (SELECT d.name dn, e.sal FROM e JOIN d ON d.id = e.dept) "
       "PIVOT (MAX(sal) FOR dn IN ('ACC', 'RES' AS r))",
       {{"300"}}},
  });
  EXPECT_EQ(describe("SELECT * FROM (SELECT dept, sal FROM e) PIVOT (SUM(sal) AS s "
                     "FOR dept IN (10 AS ten, 20))"),
            (std::vector<std::string>{"TEN_S 2", "20_S 2"}));
  EXPECT_EQ(describe("SELECT * FROM (SELECT dept, name FROM e) PIVOT (MAX(name) "
                     "FOR dept IN (10, 20))"),
            (std::vector<std::string>{"10 1", "20 1"}));
  EXPECT_EQ(describe("SELECT * FROM (SELECT d.name dn, e.sal FROM e JOIN d ON d.id = e.dept) "
                     "PIVOT (MAX(sal) FOR dn IN ('ACC'))"),
            (std::vector<std::string>{"'ACC' 2"}));
  refused({{"SELECT * FROM e UNPIVOT (x FOR y IN (sal))", 3001},
           {"SELECT * FROM e PIVOT XML (SUM(sal) FOR dept IN (ANY))", 3001},
           {"SELECT * FROM e PIVOT (sal FOR dept IN (10))", 56902},
           {"SELECT * FROM (SELECT dept, sal FROM e) PIVOT (SUM(sal), MAX(sal) FOR dept IN (10))",
            918}});
  EXPECT_EQ(failure("SELECT * FROM e UNPIVOT (x FOR y IN (sal))"), 3001);
  EXPECT_NE(error_text().find("UNPIVOT"), std::string::npos) << error_text();
}

TEST_F(QueryForms, AnalyticFunctions) {
  check({
      {"SELECT name, ROW_NUMBER() OVER (PARTITION BY dept ORDER BY sal DESC), "
       "RANK() OVER (ORDER BY dept), DENSE_RANK() OVER (ORDER BY dept), "
       "SUM(sal) OVER (PARTITION BY dept), SUM(sal) OVER (ORDER BY sal), COUNT(*) OVER () "
       "FROM e ORDER BY name",
       {{"A", "1", "1", "1", "100", "100", "4"},
        {"B", "2", "2", "2", "500", "300", "4"},
        {"C", "1", "2", "2", "500", "600", "4"},
        {"D", "1", "4", "3", "400", "1000", "4"}}},
      // The default window ends at the current row's last peer.
      {"SELECT name, SUM(sal) OVER (ORDER BY dept), MAX(name) OVER (ORDER BY dept DESC), "
       "AVG(sal) OVER (PARTITION BY dept) FROM e ORDER BY name",
       {{"A", "100", "D", "100"},
        {"B", "600", "D", "250"},
        {"C", "600", "D", "250"},
        {"D", "1000", "D", "400"}}},
      {"SELECT dept, SUM(sal), RANK() OVER (ORDER BY SUM(sal) DESC) FROM e "
       "GROUP BY dept ORDER BY 3",
       {{"20", "500", "1"}, {N, "400", "2"}, {"10", "100", "3"}}},
      {"SELECT name FROM (SELECT name, ROW_NUMBER() OVER (ORDER BY sal DESC) rn FROM e) "
       "WHERE rn = 2",
       {{"C"}}},
  });
  refused({{"SELECT name FROM e WHERE ROW_NUMBER() OVER (ORDER BY sal) = 1", 30483},
           {"SELECT ROW_NUMBER() FROM e", 30484},
           {"SELECT SUM(sal) OVER (ORDER BY sal ROWS 2 PRECEDING) FROM e", 3001}});
}

// Subqueries and joins in the statements that change rows: each subquery
// sees the table as the statement found it.
TEST_F(QueryForms, SubqueriesInDmlAndInsertFromJoinsAndUnions) {
  ASSERT_EQ(exec("UPDATE e SET sal = (SELECT MAX(sal) FROM e) + id WHERE dept IN "
                 "(SELECT id FROM d WHERE name = 'RES')"),
            OCI_SUCCESS)
      << error_text();
  EXPECT_EQ(rows("SELECT id, sal FROM e ORDER BY id"),
            (Rows{{"1", "100"}, {"2", "402"}, {"3", "403"}, {"4", "400"}}));
  ASSERT_EQ(exec("DELETE FROM e WHERE NOT EXISTS (SELECT 1 FROM d WHERE d.id = e.dept)"),
            OCI_SUCCESS);
  EXPECT_EQ(rows("SELECT COUNT(*) FROM e"), (Rows{{"3"}}));
  ASSERT_EQ(exec("CREATE TABLE x (a NUMBER, b VARCHAR2(10))"), OCI_SUCCESS);
  ASSERT_EQ(exec("INSERT INTO x SELECT e.id, d.name FROM e JOIN d ON d.id = e.dept "
                 "UNION ALL SELECT 9, 'u' FROM dual"),
            OCI_SUCCESS)
      << error_text();
  ASSERT_EQ(exec("INSERT INTO x WITH q AS (SELECT 7 a, 'w' b FROM dual) SELECT * FROM q"),
            OCI_SUCCESS)
      << error_text();
  EXPECT_EQ(rows("SELECT a, b FROM x ORDER BY a"),
            (Rows{{"1", "ACC"}, {"2", "RES"}, {"3", "RES"}, {"7", "w"}, {"9", "u"}}));
}

// Bind values inside subqueries and row limits are those of execute, even
// when the rows are read later.
TEST_F(QueryForms, BindsInSubqueriesAndRowLimitsAreThoseOfExecute) {
  OCIStmt* st = nullptr;
  api.OCIHandleAlloc(env, reinterpret_cast<void**>(&st), OCI_HTYPE_STMT, 0, nullptr);
  std::u16string text =
      u16("SELECT e.name FROM e JOIN d ON d.id = e.dept WHERE e.dept IN "
          "(SELECT id FROM d WHERE id >= :k) ORDER BY e.name FETCH FIRST :n ROWS ONLY");
  api.OCIStmtPrepare(st, err, reinterpret_cast<const OraText*>(text.data()),
                     static_cast<ub4>(text.size() * 2), OCI_NTV_SYNTAX, OCI_DEFAULT);
  int32_t k = 20, n = 1;
  const std::u16string kname = u":k", nname = u":n";
  OCIBind* b1 = nullptr;
  OCIBind* b2 = nullptr;
  api.OCIBindByName(st, &b1, err, reinterpret_cast<const OraText*>(kname.data()),
                    static_cast<sb4>(kname.size() * 2), &k, 4, SQLT_INT, nullptr, nullptr, nullptr,
                    0, nullptr, OCI_DEFAULT);
  api.OCIBindByName(st, &b2, err, reinterpret_cast<const OraText*>(nname.data()),
                    static_cast<sb4>(nname.size() * 2), &n, 4, SQLT_INT, nullptr, nullptr, nullptr,
                    0, nullptr, OCI_DEFAULT);
  ASSERT_EQ(api.OCIStmtExecute(svc, st, err, 0, 0, nullptr, nullptr, OCI_DEFAULT), OCI_SUCCESS)
      << error_text();
  k = 10;
  n = 5;
  char16_t buf[20];
  sb2 ind = 0;
  api.OCIDefineByPos(st, nullptr, err, 1, buf, sizeof buf, SQLT_STR, &ind, nullptr, nullptr,
                     OCI_DEFAULT);
  Rows got;
  while (api.OCIStmtFetch(st, err, 1, OCI_FETCH_NEXT, OCI_DEFAULT) == OCI_SUCCESS)
    got.push_back({u8(buf)});
  api.OCIHandleFree(st, OCI_HTYPE_STMT);
  EXPECT_EQ(got, (Rows{{"B"}}));
}

// A clause the engine does not know is refused, never passed over: PIVOT
// used to be read as an alias with the rest of the statement ignored.
TEST_F(QueryForms, TrailingClausesAreRefusedNotIgnored) {
  refused({{"SELECT * FROM e WHERE id = 1 garbage", 933},
           {"SELECT * FROM e x y", 933},
           {"SELECT * FROM e ORDER BY id FOR UPDATE SKIP LOCKED", 3001},
           {"SELECT * FROM e MODEL DIMENSION BY (id) MEASURES (sal) RULES ()", 3001},
           {"SELECT id FROM e CONNECT BY PRIOR id = dept", 3001}});
}

// Row limiting came with 12c and PIVOT with 11g; older profiles refuse them
// as those releases did.
TEST_F(QueryForms, RowLimitingAndPivotFollowTheVersionProfile) {
  const std::string config = (dir / "oraemb.conf").string();
  std::ofstream(config) << "[service P112] profile = 11.2\n[service P102] profile = 10.2\n";
  setenv("TARVEL_ORAEMB_CONFIG", config.c_str(), 1);
  OCISvcCtx* old = nullptr;
  ASSERT_EQ(logon(&old, "scott", "tiger", "//localhost/P112"), OCI_SUCCESS) << error_text();
  OCISvcCtx* older = nullptr;
  ASSERT_EQ(logon(&older, "scott", "tiger", "//localhost/P102"), OCI_SUCCESS) << error_text();
  unsetenv("TARVEL_ORAEMB_CONFIG");
  EXPECT_EQ(exec_on(old, "SELECT 1 FROM dual FETCH FIRST 1 ROWS ONLY"), OCI_ERROR);
  EXPECT_EQ(error_code(), 933);
  EXPECT_EQ(rows_on(old, "SELECT * FROM (SELECT 1 k FROM dual) PIVOT (COUNT(*) FOR k IN (1))"),
            (Rows{{"1"}}));
  EXPECT_EQ(exec_on(older, "SELECT * FROM (SELECT 1 k FROM dual) PIVOT (COUNT(*) FOR k IN (1))"),
            OCI_ERROR);
  EXPECT_EQ(error_code(), 933);
  api.OCILogoff(old, err);
  api.OCILogoff(older, err);
}

}  // namespace
}  // namespace oraemb_test
