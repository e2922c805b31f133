// Built-in functions and expressions with the values Oracle gives, worked
// out by hand from the SQL Reference: numbers (half away from zero, MOD and
// REMAINDER signs, exact decimal), text over characters (INSTR backwards,
// SUBSTR from the end, padding, TRIM forms), dates (ADD_MONTHS' last-day
// rule, MONTHS_BETWEEN's 31-day month, TRUNC and ROUND to units, the
// TO_CHAR model), number format models, CASE in both forms, LIKE ESCAPE
// and the STDDEV / VARIANCE aggregates.
#include "tests/oraemb/oci_fixture.h"

namespace oraemb_test {
namespace {

using Cases = std::vector<std::pair<std::string, std::string>>;

class Functions : public OciTest {
 protected:
  // Each expression selected from DUAL gives its expected text.
  void check(const Cases& cases) {
    for (const auto& [expression, expected] : cases) {
      auto got = rows("SELECT " + expression + " FROM DUAL");
      ASSERT_EQ(got.size(), 1u) << expression;
      EXPECT_EQ(got[0][0], expected) << expression;
    }
  }
  std::string failure(const std::string& expression) {
    if (exec("SELECT " + expression + " FROM DUAL") == OCI_SUCCESS) return "ok";
    std::string text = error_text();
    return text.substr(0, text.find(':'));
  }
};

TEST_F(Functions, NumbersAreExactDecimal) {
  check({{"ROUND(2.5)", "3"},
         {"ROUND(-2.5)", "-3"},
         {"ROUND(1.25, 1)", "1.3"},
         {"ROUND(1250, -2)", "1300"},
         {"TRUNC(-1.9)", "-1"},
         {"TRUNC(15.79, -1)", "10"},
         {"FLOOR(-1.5)", "-2"},
         {"CEIL(-1.5)", "-1"},
         {"CEIL(1.000001)", "2"},
         {"MOD(-11, 4)", "-3"},
         {"MOD(11, 0)", "11"},
         {"REMAINDER(11, 4)", "-1"},
         {"REMAINDER(10, 4)", "2"},  // 2.5 goes to the even 2
         {"REMAINDER(-10, 4)", "-2"},
         {"POWER(2, 10)", "1024"},
         {"POWER(2, -2)", ".25"},
         {"POWER(1.1, 2)", "1.21"},
         {"POWER(4, 0.5)", "2"},
         {"SQRT(16)", "4"},
         {"SQRT(2)", "1.41421356237309504880168872420969807857"},
         {"SIGN(-3) || SIGN(0) || SIGN(0.001)", "-101"},
         {"ABS(-0.5)", ".5"},
         {"0.1 + 0.2", ".3"},
         {"GREATEST(1, 3, 2)", "3"},
         {"GREATEST(2, '10')", "10"},  // as numbers, the first argument's type
         {"GREATEST('2', 10)", "2"},   // as text
         {"LEAST('b', 'a', 'c')", "a"},
         {"NVL(LEAST(1, NULL), -1)", "-1"},
         {"EXP(0) || ' ' || LN(1) || ' ' || LOG(10, 1000) || ' ' || LOG(2, 8)", "1 0 3 3"},
         {"ROUND(EXP(1), 10)", "2.7182818285"},
         {"ROUND(LN(10), 10)", "2.302585093"}});
  EXPECT_EQ(failure("LN(0)"), "ORA-01428");
  EXPECT_EQ(failure("LOG(1, 5)"), "ORA-01428");
  EXPECT_EQ(failure("SQRT(-1)"), "ORA-01428");
  EXPECT_EQ(failure("REMAINDER(1, 0)"), "ORA-01476");
}

TEST_F(Functions, TextCountsCharacters) {
  check({{"INSTR('CORPORATE FLOOR', 'OR', 3, 2)", "14"},
         {"INSTR('CORPORATE FLOOR', 'OR', -3, 2)", "2"},
         {"INSTR('CORPORATE FLOOR', 'OR')", "2"},
         {"INSTR('aaa', 'aa', 1, 2)", "2"},
         {"INSTR('abc', 'z')", "0"},
         {"INSTR('abc', 'a', 0)", "0"},
         {"SUBSTR('ABCDEFG', -3, 2)", "EF"},
         {"SUBSTR('ABCDEFG', 3)", "CDEFG"},
         {"NVL(SUBSTR('abc', 5), 'null')", "null"},
         {"SUBSTR('héllo', 2, 3)", "éll"},
         {"LENGTH('héllo')", "5"},
         {"LPAD('ab', 5, 'xy')", "xyxab"},
         {"RPAD('ab', 5, '*')", "ab***"},
         {"LPAD('abcdef', 3)", "abc"},
         {"NVL(LPAD('x', 0), 'null')", "null"},
         {"TRANSLATE('SQL*Plus', '*+', '-')", "SQL-Plus"},
         {"INITCAP('the sOUTH wind-3rd éTé')", "The South Wind-3rd Été"},
         {"UPPER('éàÿ ω')", "ÉÀŸ Ω"},
         {"LOWER('ÀÉÎ ĄČ')", "àéî ąč"},
         {"TRIM(LEADING '0' FROM '00120')", "120"},
         {"TRIM(TRAILING 'x' FROM 'axx')", "a"},
         {"TRIM(BOTH 'a' FROM 'aba')", "b"},
         {"TRIM('x' FROM 'xax')", "a"},
         {"'[' || TRIM('  a  ') || ']'", "[a]"},
         {"LTRIM('xyxa', 'xy')", "a"},
         {"RTRIM('aé éé', 'é ')", "a"},
         {"REPLACE('abcabc', 'b', NULL)", "acac"},
         {"'a' || NULL || 'b'", "ab"},
         {"NVL(TRIM('   '), 'null')", "null"},
         {"'a' || CHR(10) || CHR(50089)", "a\né"},
         {"ASCII('A') || ' ' || ASCII('é') || ' ' || ASCII('€')", "65 50089 14844588"}});
  EXPECT_EQ(failure("CHR(233)"), "ORA-01428");  // no character of AL32UTF8
  EXPECT_EQ(failure("TRIM('xy' FROM 'xyz')"), "ORA-30001");
  EXPECT_EQ(failure("INSTR('a', 'a', 1, 0)"), "ORA-01428");
}

TEST_F(Functions, DatesFollowOraclesCalendarRules) {
  const std::string f = "'YYYY-MM-DD HH24:MI:SS'";
  auto d = [&](const std::string& e) { return "TO_CHAR(" + e + ", " + f + ")"; };
  check(
      {{d("ADD_MONTHS(DATE '2024-01-31', 1)"), "2024-02-29 00:00:00"},
       {d("ADD_MONTHS(DATE '2024-02-29', 12)"), "2025-02-28 00:00:00"},
       {d("ADD_MONTHS(DATE '2023-02-28', 1)"), "2023-03-31 00:00:00"},  // last day stays last
       {d("ADD_MONTHS(TO_DATE('2024-03-15 10:30', 'YYYY-MM-DD HH24:MI'), -3)"),
        "2023-12-15 10:30:00"},
       {"MONTHS_BETWEEN(DATE '2024-03-31', DATE '2024-02-29')", "1"},
       {"MONTHS_BETWEEN(DATE '2024-02-15', DATE '2024-01-15')", "1"},
       {"MONTHS_BETWEEN(DATE '2024-01-01', DATE '2024-03-01')", "-2"},
       {"ROUND(MONTHS_BETWEEN(DATE '2024-03-15', DATE '2024-02-01'), 6)", "1.451613"},
       {d("LAST_DAY(DATE '2024-02-10')"), "2024-02-29 00:00:00"},
       {"EXTRACT(YEAR FROM DATE '2024-03-05') || '/' || EXTRACT(MONTH FROM DATE "
        "'2024-03-05') || '/' || EXTRACT(DAY FROM DATE '2024-03-05')",
        "2024/3/5"},
       {d("TRUNC(TO_DATE('2024-03-05 17:45', 'YYYY-MM-DD HH24:MI'))"), "2024-03-05 00:00:00"},
       {d("TRUNC(DATE '2024-08-05', 'MM')"), "2024-08-01 00:00:00"},
       {d("TRUNC(DATE '2024-08-05', 'YYYY')"), "2024-01-01 00:00:00"},
       {d("TRUNC(DATE '2024-08-05', 'Q')"), "2024-07-01 00:00:00"},
       {d("TRUNC(DATE '2024-03-07', 'IW')"), "2024-03-04 00:00:00"},  // Monday
       {d("TRUNC(DATE '2021-01-01', 'IW')"), "2020-12-28 00:00:00"},
       {d("TRUNC(DATE '2024-03-07', 'DAY')"), "2024-03-03 00:00:00"},  // Sunday
       {d("TRUNC(TO_DATE('2024-03-05 17:45', 'YYYY-MM-DD HH24:MI'), 'HH')"), "2024-03-05 17:00:00"},
       {d("TRUNC(DATE '2024-03-05', 'CC')"), "2001-01-01 00:00:00"},
       {d("ROUND(DATE '2024-03-16', 'MM')"), "2024-04-01 00:00:00"},
       {d("ROUND(DATE '2024-03-15', 'MM')"), "2024-03-01 00:00:00"},
       {d("ROUND(DATE '2024-07-01', 'YYYY')"), "2025-01-01 00:00:00"},
       {d("ROUND(DATE '2024-05-16', 'Q')"), "2024-07-01 00:00:00"},
       {d("ROUND(TO_DATE('2024-03-05 12:00', 'YYYY-MM-DD HH24:MI'))"), "2024-03-06 00:00:00"},
       {"DATE '2024-03-05' - DATE '2024-01-01'", "64"},
       {"TO_DATE('2024-03-05 18:00', 'YYYY-MM-DD HH24:MI') - DATE '2024-03-05'", ".75"},
       {d("DATE '2024-03-05' + 1.5"), "2024-03-06 12:00:00"},
       {d("DATE '2024-03-01' - 1"), "2024-02-29 00:00:00"}});
  EXPECT_EQ(failure("EXTRACT(HOUR FROM DATE '2024-01-01')"), "ORA-30076");
  EXPECT_EQ(failure("TRUNC(DATE '2024-01-01', 'XX')"), "ORA-01898");
  EXPECT_EQ(failure("ROUND(DATE '9999-12-31', 'YYYY')"), "ORA-01841");
}

// Text naming a day between the Julian 1582-10-04 and the Gregorian
// 1582-10-15 reads as 10-15 at the time given, through every text
// conversion; arithmetic steps over the gap.
TEST_F(Functions, TextInTheCalendarGapReadsAsItsFirstGregorianDay) {
  const std::string f = "'YYYY-MM-DD HH24:MI:SS'";
  auto d = [&](const std::string& e) { return "TO_CHAR(" + e + ", " + f + ")"; };
  check({{d("TO_DATE('1582-10-10 12:34:56', " + f + ")"), "1582-10-15 12:34:56"},
         {d("TO_DATE('1582-10-05', 'YYYY-MM-DD')"), "1582-10-15 00:00:00"},
         {d("TO_DATE('1582-10-14 23:59:59', " + f + ")"), "1582-10-15 23:59:59"},
         {d("TO_DATE('1582-10-04 23:59:59', " + f + ")"), "1582-10-04 23:59:59"},
         {d("TO_DATE('1582-10-15', 'YYYY-MM-DD')"), "1582-10-15 00:00:00"},
         {d("DATE '1582-10-09'"), "1582-10-15 00:00:00"},
         {"TO_CHAR(TO_TIMESTAMP('1582-10-06 01:02:03.5', 'YYYY-MM-DD HH24:MI:SS.FF'), "
          "'YYYY-MM-DD HH24:MI:SS.FF1')",
          "1582-10-15 01:02:03.5"},
         {d("DATE '1582-10-04' + 1"), "1582-10-15 00:00:00"},
         {"DATE '1582-10-15' - DATE '1582-10-04'", "1"},
         {"DATE '1582-10-12' - DATE '1582-10-15'", "0"}});
}

TEST_F(Functions, FormatModels) {
  check({{"TO_CHAR(DATE '2024-03-05', 'DD-MON-YYYY')", "05-MAR-2024"},
         {"TO_CHAR(DATE '2024-03-05', 'FMDay, Month DD, YYYY')", "Tuesday, March 5, 2024"},
         {"TO_CHAR(DATE '2024-03-05', 'Day|Mon|mon')", "Tuesday  |Mar|mar"},
         {"TO_CHAR(DATE '2024-03-05', 'D DY Q WW IW DDD J')", "3 TUE 1 10 10 065 2460375"},
         {"TO_CHAR(DATE '2021-01-01', 'IYYY-IW')", "2020-53"},
         {"TO_CHAR(TO_DATE('2024-03-05 13:07:09', 'YYYY-MM-DD HH24:MI:SS'), 'HH:MI:SS PM "
          "SSSSS')",
          "01:07:09 PM 47229"},
         {"TO_CHAR(DATE '2024-03-01', 'DDTH \"of\" fmMonth')", "01ST of March"},
         {"TO_CHAR(DATE '2024-03-22', 'ddth RM YY CC')", "22nd III  24 21"},
         {"TO_CHAR(1234.5, '9,999.99')", " 1,234.50"},
         {"TO_CHAR(0.5, '990.99')", "   0.50"},
         {"TO_CHAR(0.5, '999.99')", "    .50"},
         {"TO_CHAR(-12, '999')", " -12"},
         {"TO_CHAR(0, '999')", "   0"},
         {"TO_CHAR(7, '000')", " 007"},
         {"TO_CHAR(1.5, 'FM9.99')", "1.5"},
         {"TO_CHAR(1, 'FM9.99')", "1."},
         {"TO_CHAR(12345, '999')", "####"},
         {"TO_CHAR(-0.001, '990.00')", "  -0.00"},
         {"TO_CHAR(-1234.567, '$99,990.99')", " -$1,234.57"},
         {"TO_CHAR(12, 'S999')", " +12"},
         {"TO_CHAR(-5, '999MI')", "  5-"},
         {"TO_CHAR(-5, '999PR')", "  <5>"},
         {"TO_CHAR(5, '999PR')", "   5 "},
         {"TO_CHAR(255, 'XX')", " FF"},
         {"TO_CHAR(255, 'FM0xxx')", "00ff"},
         {"TO_CHAR(1234, '9.99EEEE')", " 1.23E+03"},
         {"TO_NUMBER('1,234.50', '9,999.99')", "1234.5"},
         {"TO_NUMBER('$12', '$99')", "12"},
         {"TO_NUMBER('12-', '99MI')", "-12"},
         {"TO_NUMBER('FF', 'XX')", "255"},
         {"TO_NUMBER(' 42 ')", "42"},
         {"TO_CHAR(TO_DATE('5/3/2024', 'FMMM/DD/YYYY'), 'YYYY-MM-DD')", "2024-05-03"}});
  EXPECT_EQ(failure("TO_NUMBER('1234', '99')"), "ORA-01722");
  EXPECT_EQ(failure("TO_NUMBER('ABC', 'XX')"), "ORA-01722");
  EXPECT_EQ(failure("TO_CHAR(1, '9Z9')"), "ORA-01481");
}

TEST_F(Functions, CaseDecodeNullsAndLike) {
  check({{"CASE 2 WHEN 1 THEN 'a' WHEN 2 THEN 'b' END", "b"},
         {"CASE NULL WHEN NULL THEN 'x' ELSE 'y' END", "y"},  // NULL matches nothing
         {"NVL(CASE 3 WHEN 1 THEN 'a' END, 'none')", "none"},
         {"CASE WHEN 1 > 2 THEN 'p' WHEN NULL IS NULL THEN 'q' END", "q"},
         {"DECODE(NULL, NULL, 'nulls match', 'no')", "nulls match"},
         {"DECODE(2, 1, 'one', 2, 'two', 'many')", "two"},
         {"NVL2(NULL, 1, 2) || NVL2(0, 1, 2)", "21"},
         {"NVL(NULLIF(1, 1), 0)", "0"},
         {"COALESCE(NULL, '', 'c')", "c"},  // '' is NULL
         {"CASE WHEN 'a_b' LIKE 'a\\_b' ESCAPE '\\' THEN 1 ELSE 0 END", "1"},
         {"CASE WHEN 'axb' LIKE 'a\\_b' ESCAPE '\\' THEN 1 ELSE 0 END", "0"},
         {"CASE WHEN '50%' LIKE '%!%' ESCAPE '!' THEN 1 ELSE 0 END", "1"},
         {"CASE WHEN 'a!b' LIKE 'a!!b' ESCAPE '!' THEN 1 ELSE 0 END", "1"},
         {"LENGTH(LPAD('x', 5000, 'ab'))", "4000"}});
  EXPECT_EQ(failure("CASE WHEN 'ab' LIKE 'a!b' ESCAPE '!' THEN 1 END"), "ORA-01424");
  EXPECT_EQ(failure("CASE WHEN 'ab' LIKE 'ab!' ESCAPE '!' THEN 1 END"), "ORA-01424");
  // CASE where a condition stands, and in ORDER BY and GROUP BY.
  ASSERT_EQ(exec("CREATE TABLE T (N NUMBER, S VARCHAR2(5))"), OCI_SUCCESS);
  for (const char* v : {"(1, 'a')", "(2, 'b')", "(3, NULL)", "(4, 'a')"})
    ASSERT_EQ(exec(std::string("INSERT INTO T VALUES ") + v), OCI_SUCCESS);
  EXPECT_EQ(rows("SELECT N FROM T WHERE CASE S WHEN 'a' THEN 1 ELSE 0 END = 1 ORDER BY CASE WHEN "
                 "N > 2 THEN 0 ELSE 1 END, N"),
            (std::vector<std::vector<std::string>>{{"4"}, {"1"}}));
  EXPECT_EQ(rows("SELECT CASE WHEN N < 3 THEN 'low' ELSE 'high' END, COUNT(*) FROM T GROUP BY "
                 "CASE WHEN N < 3 THEN 'low' ELSE 'high' END ORDER BY 1"),
            (std::vector<std::vector<std::string>>{{"high", "2"}, {"low", "2"}}));
}

TEST_F(Functions, StddevAndVarianceAreSampleStatistics) {
  ASSERT_EQ(exec("CREATE TABLE T (G NUMBER, X NUMBER)"), OCI_SUCCESS);
  for (const char* v : {"(1, 1)", "(1, 2)", "(1, 4)", "(2, 5)", "(2, NULL)", "(3, NULL)"})
    ASSERT_EQ(exec(std::string("INSERT INTO T VALUES ") + v), OCI_SUCCESS);
  // Group 1: mean 7/3, variance (1+4+16 - 49/3) / 2 = 7/3. One value: 0.
  // No value: NULL.
  EXPECT_EQ(
      rows("SELECT G, ROUND(VARIANCE(X), 10), ROUND(STDDEV(X), 10) FROM T GROUP BY G "
           "ORDER BY G"),
      (std::vector<std::vector<std::string>>{
          {"1", "2.3333333333", "1.5275252317"}, {"2", "0", "0"}, {"3", "<null>", "<null>"}}));
  EXPECT_EQ(rows("SELECT VARIANCE(DISTINCT X) FROM T WHERE X IN (1, 4)"),
            (std::vector<std::vector<std::string>>{{"4.5"}}));
}

}  // namespace
}  // namespace oraemb_test
