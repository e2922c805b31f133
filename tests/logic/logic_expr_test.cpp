// Access functions and operators in Oracle: the written text for each form,
// and the refusals where Oracle's meaning differs.
#include "logic/logic_expr.h"

#include <gtest/gtest.h>

#include "access/dao/sql/sql_parser.h"

namespace {

// Columns d (date), t (text), n (number), i (whole), b (Yes/No).
class letters_scope : public logic_scope {
 public:
  logic_value column(const sql_expr& e) override {
    const char16_t c = e.name.size() == 1 ? e.name[0] : u'?';
    const logic_type t = c == u'd'   ? logic_type::date
                         : c == u't' ? logic_type::text
                         : c == u'n' ? logic_type::number
                         : c == u'i' ? logic_type::integer
                         : c == u'b' ? logic_type::yes_no
                                     : logic_type::null;
    if (t == logic_type::null)
      throw logic_refusal("parameter " + std::string(e.name.begin(), e.name.end()));
    logic_value v{std::string(1, char(c)), t};
    v.plain_column = true;
    return v;
  }
};

std::string oracle(const std::u16string& access) {
  letters_scope scope;
  logic_expr translator(scope, false);
  const auto parsed = sql_parse_rule(access, u"");
  return translator.value(*parsed).sql;
}

std::string refusal(const std::u16string& access) {
  try {
    return oracle(access);
  } catch (const logic_refusal& e) {
    return e.what();
  }
}

TEST(LogicExpr, FunctionsAndOperators) {
  const struct {
    const char16_t* access;
    const char* oracle;
  } cases[] = {
      {u"IIf(n > 1, 'big', 'small')", "(CASE WHEN (n > 1) THEN 'big' ELSE 'small' END)"},
      {u"Nz(n, 0)", "NVL(n, 0)"},
      {u"Switch(i = 1, 'a', i = 2, 'b')", "(CASE WHEN (i = 1) THEN 'a' WHEN (i = 2) THEN 'b' END)"},
      {u"t & '-' & i", "((t || '-') || TO_CHAR(i))"},
      {u"UCase(t) & LCase$(t)", "(UPPER(t) || LOWER(t))"},
      {u"Mid(t, 2, 3)", "SUBSTR(t, 2, 3)"},
      {u"Right(t, 2)", "(CASE WHEN 2 >= LENGTH(t) THEN t ELSE SUBSTR(t, LENGTH(t) - 2 + 1) END)"},
      {u"InStr(t, 'x')", "INSTR(LOWER(t), LOWER('x'))"},
      {u"InStr(2, t, 'x', 0)", "INSTR(t, 'x', 2)"},
      {u"Int(n) + Fix(n)", "(FLOOR(n) + TRUNC(n))"},
      {u"b * 2", "((-b) * 2)"},
      {u"i \\ 2", "TRUNC(i / 2)"},
      {u"Year(d)", "TO_NUMBER(TO_CHAR(d, 'YYYY'))"},
      {u"DateAdd('d', i, d)", "(d + i)"},
      {u"DateAdd('h', 3, d)", "(d + 3 / 24)"},
      {u"DateAdd('m', 1, d)",
       "LEAST(ADD_MONTHS(TRUNC(d, 'MM'), 1) + (d - TRUNC(d, 'MM')), LAST_DAY(ADD_MONTHS(TRUNC(d, "
       "'MM'), 1)) + (d - TRUNC(d)))"},
      {u"DateDiff('yyyy', d, #1/1/2000#)",
       "(TO_NUMBER(TO_CHAR(TO_DATE('2000-01-01 00:00:00', 'YYYY-MM-DD HH24:MI:SS'), 'YYYY')) - "
       "TO_NUMBER(TO_CHAR(d, 'YYYY')))"},
      {u"DatePart('w', d, 2)",
       "(MOD(MOD(TRUNC(d) - TO_DATE('1899-12-31', 'YYYY-MM-DD') - 1, 7) + 7, 7) + 1)"},
      {u"Format(d, 'yyyy-mm-dd')", "TO_CHAR(d, 'YYYY\"-\"MM\"-\"DD')"},
      {u"Format(d, 'dddd d mmmm')",
       "TO_CHAR(d, 'FMDayFM\" \"FMDDFM\" \"FMMonthFM', 'NLS_DATE_LANGUAGE=AMERICAN')"},
      {u"Format(d, 'Short Date')", "TO_CHAR(d, 'FMMM/DD/YYYY')"},
      {u"Format(n, '#,##0.00')", "TO_CHAR(n, 'FM999,999,999,999,999,999,999,990.00')"},
      {u"Format(n, '0.0')", "TO_CHAR(n, 'FM9999999999999999999990.0')"},
      {u"CLng(n)",
       "(CASE WHEN ABS((n) - TRUNC((n))) = 0.5 THEN (TRUNC((n)) + MOD(TRUNC((n)), 2)) ELSE "
       "ROUND(n, 0) "
       "END)"},
      {u"StDev(n)", "(CASE WHEN COUNT(n) > 1 THEN STDDEV(n) END)"},
      {u"Sum(b)", "SUM((-b))"},
      {u"Count(*)", "COUNT(*)"},
      {u"b", "b"},
      {u"CStr(i)", "TO_CHAR(i)"},
      {u"Now()", "SYSDATE"},
  };
  for (const auto& c : cases) EXPECT_EQ(refusal(c.access), c.oracle);
}

TEST(LogicExpr, MeaningsOracleDoesNotShareAreRefused) {
  const struct {
    const char16_t* access;
    const char* reason_part;
  } cases[] = {
      {u"First(n)", "no Oracle equal"},
      {u"Last(t)", "no Oracle equal"},
      {u"Max(t)", "letter case"},
      {u"[Forms]![Id] + 1", "parameter"},
      {u"t + 'x'", "arithmetic on text"},
      {u"n & 'x'", "own rules"},
      {u"Nz(n)", "Nz without"},
      {u"Val(t)", "no exact Oracle equal"},
      {u"Format(d, 'General Date')", "Format"},
      {u"DateAdd('x', 1, d)", "interval"},
      {u"DatePart('ww', d, 1, 2)", "first week"},
      {u"n > 1", "comparison used as a value"},
      {u"IIf(n, 1, 2)", "value used as a condition"},
      {u"Foo(n)", "unknown function Foo"},
  };
  for (const auto& c : cases) {
    const std::string r = refusal(c.access);
    EXPECT_NE(r.find(c.reason_part), std::string::npos) << r;
  }
}

}  // namespace
