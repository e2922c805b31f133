// Calls of Access functions written as SQLite text (see sql_functions_calls.h).
#include "access/dao/sql/sql_functions_calls.h"

#include <cctype>
#include <iterator>

#include "access/dao/sql/sql_errors.h"
#include "access/dao/sql/sql_types.h"

namespace {

const sql_function_spec kFunctions[] = {
    {"IIF", 3, 3},        {"NZ", 1, 2},        {"SWITCH", 2, 64},     {"CHOOSE", 2, 64},
    {"LEFT", 2, 2},       {"RIGHT", 2, 2},     {"MID", 2, 3},         {"LEN", 1, 1},
    {"UCASE", 1, 1},      {"LCASE", 1, 1},     {"TRIM", 1, 1},        {"LTRIM", 1, 1},
    {"RTRIM", 1, 1},      {"INSTR", 2, 4},     {"INSTRREV", 2, 4},    {"REPLACE", 3, 6},
    {"STRREVERSE", 1, 1}, {"SPACE", 1, 1},     {"STRING", 2, 2},      {"STRCOMP", 2, 3},
    {"CHR", 1, 1},        {"ASC", 1, 1},       {"YEAR", 1, 1},        {"MONTH", 1, 1},
    {"DAY", 1, 1},        {"HOUR", 1, 1},      {"MINUTE", 1, 1},      {"SECOND", 1, 1},
    {"WEEKDAY", 1, 2},    {"DATE", 0, 0},      {"NOW", 0, 0},         {"TIME", 0, 0},
    {"DATEADD", 3, 3},    {"DATEDIFF", 3, 5},  {"DATEPART", 2, 4},    {"DATESERIAL", 3, 3},
    {"TIMESERIAL", 3, 3}, {"DATEVALUE", 1, 1}, {"TIMEVALUE", 1, 1},   {"WEEKDAYNAME", 1, 3},
    {"MONTHNAME", 1, 2},  {"FORMAT", 1, 4},    {"CSTR", 1, 1},        {"CLNG", 1, 1},
    {"CINT", 1, 1},       {"CDBL", 1, 1},      {"CSNG", 1, 1},        {"CCUR", 1, 1},
    {"CDATE", 1, 1},      {"CBOOL", 1, 1},     {"CBYTE", 1, 1},       {"CDEC", 1, 1},
    {"CVAR", 1, 1},       {"CVDATE", 1, 1},    {"INT", 1, 1},         {"FIX", 1, 1},
    {"ROUND", 1, 2},      {"ABS", 1, 1},       {"SGN", 1, 1},         {"SQR", 1, 1},
    {"VAL", 1, 1},        {"HEX", 1, 1},       {"OCT", 1, 1},         {"PARTITION", 4, 4},
    {"ISNULL", 1, 1},     {"ISNUMERIC", 1, 1}, {"ISDATE", 1, 1},      {"LEFT$", 2, 2},
    {"RIGHT$", 2, 2},     {"MID$", 2, 3},      {"UCASE$", 1, 1},      {"LCASE$", 1, 1},
    {"TRIM$", 1, 1},      {"LTRIM$", 1, 1},    {"RTRIM$", 1, 1},      {"FORMAT$", 1, 4},
    {"CHR$", 1, 1},       {"SPACE$", 1, 1},    {"STRING$", 2, 2},     {"HEX$", 1, 1},
    {"OCT$", 1, 1},       {"REPLACE$", 3, 6},  {"STRREVERSE$", 1, 1}, {"WEEKDAYNAME$", 1, 3},
    {"MONTHNAME$", 1, 2},
};

struct cast {
  const char* name;
  int16_t type;
};

const cast kCasts[] = {{"CSTR", SQL_TEXT},    {"CLNG", SQL_LONG},     {"CINT", SQL_INTEGER},
                       {"CDBL", SQL_DOUBLE},  {"CSNG", SQL_SINGLE},   {"CCUR", SQL_CURRENCY},
                       {"CDATE", SQL_DATE},   {"CBOOL", SQL_BOOLEAN}, {"CBYTE", SQL_BYTE},
                       {"CDEC", SQL_DECIMAL}, {"CVDATE", SQL_DATE}};

}  // namespace

const sql_function_spec* sql_find_function(const std::string& name) {
  std::string u;
  for (char c : name) u += char(std::toupper(static_cast<unsigned char>(c)));
  for (const sql_function_spec& f : kFunctions)
    if (u == f.name) return &f;
  return nullptr;
}

sql_call_result sql_translate_function(const sql_function_spec& entry, const sql_call_args& a) {
  std::string name = entry.name;
  if (name.back() == '$') name.pop_back();
  const size_t n = a.size();
  auto result = [](std::string sql, int16_t type) {
    sql_call_result r;
    r.sql = std::move(sql);
    r.type = type;
    return r;
  };
  auto text = [&](size_t i) { return a.as(i, SQL_MEMO); };
  auto text_type = [&](size_t i) { return a.type(i) == SQL_MEMO ? SQL_MEMO : SQL_TEXT; };
  auto num = [&](size_t i) { return a.as(i, SQL_DOUBLE); };
  auto lng = [&](size_t i) { return a.as(i, SQL_BIGINT); };
  auto date = [&](size_t i) { return a.as(i, SQL_DATE); };
  // An optional numeric argument, or its default.
  auto opt = [&](size_t i, const char* fallback) { return i < n ? lng(i) : std::string(fallback); };
  const std::string ty = n == 0 ? "" : std::to_string(a.type(0));
  auto blob_check = [&](size_t i) {
    if (sql_rep_of(a.type(i)) == sql_rep::blob) throw sql_errors::type_mismatch();
  };

  // ---- choices
  if (name == "IIF") {
    const int16_t t = a.unify(a.type(1), a.type(2));
    return result(
        "(CASE WHEN " + a.truth(0) + " THEN " + a.as(1, t) + " ELSE " + a.as(2, t) + " END)", t);
  }
  if (name == "NZ") {
    if (n == 2) {
      const int16_t t = a.unify(a.type(0), a.type(1));
      return result("COALESCE(" + a.as(0, t) + "," + a.as(1, t) + ")", t);
    }
    const sql_rep r = sql_rep_of(a.type(0));
    const std::string zero = r == sql_rep::decimal ? "'0'" : "0";
    if (r == sql_rep::text || r == sql_rep::null || r == sql_rep::blob)
      return result("COALESCE(" + text(0) + ",'')", text_type(0));
    return result("COALESCE(" + a.raw(0) + "," + zero + ")", a.type(0));
  }
  if (name == "SWITCH") {
    // Pairs of condition and value; Null when no condition holds.
    if (n % 2 != 0) throw sql_errors::wrong_argument_count(a.source());
    int16_t t = SQL_NULL;
    for (size_t i = 1; i < n; i += 2) t = a.unify(t, a.type(i));
    std::string s = "(CASE";
    for (size_t i = 0; i < n; i += 2) s += " WHEN " + a.truth(i) + " THEN " + a.as(i + 1, t);
    return result(s + " END)", t);
  }
  if (name == "CHOOSE") {
    // The index rounds to a whole number; out of 1..n-1 gives Null.
    int16_t t = SQL_NULL;
    for (size_t i = 1; i < n; ++i) t = a.unify(t, a.type(i));
    std::string s = "(CASE " + lng(0);
    for (size_t i = 1; i < n; ++i) s += " WHEN " + std::to_string(i) + " THEN " + a.as(i, t);
    return result(s + " END)", t);
  }

  // ---- text
  if (name == "LEFT" || name == "RIGHT")
    return result(
        "acc_" + std::string(name == "LEFT" ? "left(" : "right(") + text(0) + "," + lng(1) + ")",
        text_type(0));
  if (name == "MID")
    return result("acc_mid(" + text(0) + "," + lng(1) + (n > 2 ? "," + lng(2) : "") + ")",
                  text_type(0));
  if (name == "LEN") return result("acc_len(" + text(0) + ")", SQL_LONG);
  if (name == "UCASE" || name == "LCASE")
    return result((name == "UCASE" ? "acc_ucase(" : "acc_lcase(") + text(0) + ")", text_type(0));
  if (name == "TRIM" || name == "LTRIM" || name == "RTRIM") {
    const std::string fn = name == "TRIM" ? "trim(" : name == "LTRIM" ? "ltrim(" : "rtrim(";
    return result(fn + text(0) + ",' ')", text_type(0));
  }
  if (name == "INSTR") {
    // InStr([start,] s, t [, compare]): the start is there when 3 or 4 are given.
    if (n == 2) return result("acc_instr(1," + text(0) + "," + text(1) + ")", SQL_LONG);
    if (n == 3)
      return result("acc_instr(" + lng(0) + "," + text(1) + "," + text(2) + ")", SQL_LONG);
    return result("acc_instr(" + lng(0) + "," + text(1) + "," + text(2) + "," + lng(3) + ")",
                  SQL_LONG);
  }
  if (name == "INSTRREV")
    return result(
        "acc_instrrev(" + text(0) + "," + text(1) + "," + opt(2, "-1") + "," + opt(3, "-1") + ")",
        SQL_LONG);
  if (name == "REPLACE") {
    if (n == 3)
      return result("acc_replace(" + text(0) + "," + text(1) + "," + text(2) + ")", SQL_MEMO);
    return result("acc_replace(" + text(0) + "," + text(1) + "," + text(2) + "," + opt(3, "1") +
                      "," + opt(4, "-1") + "," + opt(5, "-1") + ")",
                  SQL_MEMO);
  }
  if (name == "STRREVERSE") return result("acc_strreverse(" + text(0) + ")", text_type(0));
  if (name == "SPACE") return result("acc_space(" + lng(0) + ")", SQL_TEXT);
  if (name == "STRING") {
    // The character: a code (taken modulo 256) or the first of a text.
    blob_check(1);
    const bool code = sql_is_numeric(a.type(1)) || sql_rep_of(a.type(1)) == sql_rep::date;
    return result("acc_string(" + lng(0) + "," + (code ? lng(1) : text(1)) + ")", SQL_MEMO);
  }
  if (name == "STRCOMP")
    return result("acc_strcomp(" + text(0) + "," + text(1) + (n > 2 ? "," + lng(2) : "") + ")",
                  SQL_INTEGER);
  if (name == "CHR") return result("acc_chr(" + lng(0) + ")", SQL_TEXT);
  if (name == "ASC") return result("acc_asc(" + text(0) + ")", SQL_INTEGER);

  // ---- dates
  if (name == "YEAR" || name == "MONTH" || name == "DAY" || name == "HOUR" || name == "MINUTE" ||
      name == "SECOND" || (name == "WEEKDAY" && n == 1))
    return result("acc_datepart(" + date(0) + ",'" + name + "')", SQL_INTEGER);
  if (name == "WEEKDAY") return result("acc_weekday(" + date(0) + "," + lng(1) + ")", SQL_INTEGER);
  if (name == "DATE" || name == "NOW" || name == "TIME")
    return result("acc_now('" + name + "')", SQL_DATE);
  if (name == "DATEADD")
    return result("acc_dateadd(" + text(0) + "," + lng(1) + "," + date(2) + ")", SQL_DATE);
  if (name == "DATEDIFF")
    return result("acc_datediff(" + text(0) + "," + date(1) + "," + date(2) + "," + opt(3, "1") +
                      "," + opt(4, "1") + ")",
                  SQL_LONG);
  if (name == "DATEPART")
    return result(
        "acc_dateinterval(" + text(0) + "," + date(1) + "," + opt(2, "1") + "," + opt(3, "1") + ")",
        SQL_INTEGER);
  if (name == "DATESERIAL")
    return result("acc_dateserial(" + lng(0) + "," + lng(1) + "," + lng(2) + ")", SQL_DATE);
  if (name == "TIMESERIAL")
    return result("acc_timeserial(" + lng(0) + "," + lng(1) + "," + lng(2) + ")", SQL_DATE);
  if (name == "DATEVALUE" || name == "TIMEVALUE") {
    blob_check(0);
    const std::string d = "acc_cv(" + a.raw(0) + "," + ty + "," + std::to_string(SQL_DATE) + ",1)";
    return result((name == "DATEVALUE" ? "acc_dateonly(" : "acc_timeonly(") + d + ")", SQL_DATE);
  }
  if (name == "WEEKDAYNAME")
    return result(
        "acc_weekdayname(" + lng(0) + "," + (n > 1 ? a.truth(1) : "0") + "," + opt(2, "1") + ")",
        SQL_TEXT);
  if (name == "MONTHNAME")
    return result("acc_monthname(" + lng(0) + "," + (n > 1 ? a.truth(1) : "0") + ")", SQL_TEXT);
  if (name == "FORMAT") {
    if (n > 2)
      return result("acc_format(" + a.raw(0) + "," + ty + "," + text(1) + "," + lng(2) + "," +
                        opt(3, "1") + ")",
                    SQL_TEXT);
    return result("acc_format(" + a.raw(0) + "," + ty + "," + (n > 1 ? text(1) : "''") + ")",
                  SQL_TEXT);
  }

  // ---- conversions
  for (const cast& c : kCasts) {
    if (name != c.name) continue;
    return result("acc_cv(" + a.raw(0) + "," + ty + "," + std::to_string(c.type) + ",1)", c.type);
  }
  if (name == "CVAR") return result(a.raw(0), a.type(0));
  if (name == "VAL") return result("acc_val(" + text(0) + ")", SQL_DOUBLE);
  if (name == "HEX" || name == "OCT") {
    blob_check(0);
    return result((name == "HEX" ? "acc_hex(" : "acc_oct(") + a.raw(0) + "," + ty + ")", SQL_TEXT);
  }
  if (name == "ISNULL") {
    sql_call_result r = result("(" + a.raw(0) + " IS NULL)", SQL_BOOLEAN);
    r.logical = true;
    return r;
  }
  if (name == "ISNUMERIC" || name == "ISDATE")
    return result(
        (name == "ISNUMERIC" ? "acc_isnumeric(" : "acc_isdate(") + a.raw(0) + "," + ty + ")",
        SQL_BOOLEAN);

  // ---- numbers
  if (name == "INT" || name == "FIX" || name == "ROUND" || name == "ABS" || name == "SGN") {
    const sql_rep r = sql_rep_of(a.type(0));
    int16_t t = r == sql_rep::text ? SQL_DOUBLE : a.type(0);
    blob_check(0);
    if (t == SQL_BOOLEAN) t = SQL_INTEGER;
    if (name == "SGN") return result("acc_sgn(" + num(0) + ")", SQL_INTEGER);
    const std::string digits = n > 1 ? lng(1) : "0";
    const std::string fn = name == "INT"     ? "acc_int"
                           : name == "FIX"   ? "acc_fix"
                           : name == "ROUND" ? "acc_round"
                                             : "acc_abs";
    return result(fn + "(" + a.as(0, t) + "," + std::to_string(t) + "," + digits + ")", t);
  }
  if (name == "SQR") return result("acc_sqr(" + num(0) + ")", SQL_DOUBLE);
  if (name == "PARTITION")
    return result("acc_partition(" + lng(0) + "," + lng(1) + "," + lng(2) + "," + lng(3) + ")",
                  SQL_TEXT);
  throw sql_errors::undefined_function(entry.name);
}
