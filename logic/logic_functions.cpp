// Access functions as Oracle expressions (see logic_expr.h): choices, text,
// numbers with banker's rounding, conversions, dates with their interval and
// first-day arguments, Format's common formats and the aggregates. A
// function Oracle cannot reproduce exactly is refused with its name.
#include <string>
#include <vector>

#include "TK/tk_text.h"
#include "logic/logic_expr.h"

namespace {

using K = sql_expr::kind;

std::string upper_name(const std::u16string& name) {
  std::string out;
  for (char16_t c : name) {
    if (c == u'$') break;  // the $ forms of the text functions
    out += static_cast<char>(c >= u'a' && c <= u'z' ? c - 32 : c);
  }
  return out;
}

// The Sunday that the first-day-of-week arguments count from.
const char* const kSunday = "TO_DATE('1899-12-31', 'YYYY-MM-DD')";

std::string part(const std::string& date, const char* format) {
  return "TO_NUMBER(TO_CHAR(" + date + ", '" + format + "'))";
}

// Access's weekday (1..7) of a date with weeks starting on `first` (1 =
// Sunday ... 7 = Saturday).
std::string weekday(const std::string& date, int first) {
  return "(MOD(MOD(TRUNC(" + date + ") - " + kSunday + " - " + std::to_string(first - 1) +
         ", 7) + 7, 7) + 1)";
}

const char* const kFunctionsOfOtherTables[] = {"DCOUNT", "DSUM",    "DAVG",   "DMIN",
                                               "DMAX",   "DLOOKUP", "DFIRST", "DLAST"};

}  // namespace

std::string logic_expr::banker_round(const std::string& x, int places) {
  // Ties go to the even neighbour, as Access rounds: a value exactly half
  // way keeps the even one of TRUNC and TRUNC + sign.
  const std::string scale = places == 0 ? "" : " * 1E" + std::to_string(places);
  const std::string unscale = places == 0 ? "" : " / 1E" + std::to_string(places);
  const std::string v = "(" + x + scale + ")";
  return "(CASE WHEN ABS(" + v + " - TRUNC(" + v + ")) = 0.5 THEN (TRUNC(" + v + ") + MOD(TRUNC(" +
         v + "), 2))" + unscale + " ELSE ROUND(" + x + ", " + std::to_string(places) + ") END)";
}

int logic_expr::small_int_argument(const sql_expr& e, int low, int high, const char* what) {
  if (e.what != K::integer || e.integer < low || e.integer > high)
    throw logic_refusal(std::string(what) + " that is not a constant from " + std::to_string(low) +
                        " to " + std::to_string(high));
  return static_cast<int>(e.integer);
}

std::string logic_expr::interval_of(const sql_expr& e) {
  if (e.what != K::text) throw logic_refusal("a date interval that is not a constant");
  std::string out;
  for (char16_t c : e.name) out += static_cast<char>(c >= u'A' && c <= u'Z' ? c + 32 : c);
  return out;
}

logic_value logic_expr::call(const sql_expr& e) {
  const std::string name = upper_name(e.name);
  const size_t n = e.args.size();
  auto arg = [&](size_t i) { return expr(*e.args.at(i)); };
  auto need = [&](size_t low, size_t high) {
    if (n < low || n > high)
      throw logic_refusal(name + " with " + std::to_string(n) + " arguments");
  };
  auto text_arg = [&](size_t i) {
    logic_value v = arg(i);
    if (v.type != logic_type::text && v.type != logic_type::null)
      throw logic_refusal(name + " of a value that is not text");
    return v;
  };
  auto date_arg = [&](size_t i) {
    logic_value v = arg(i);
    if (v.type != logic_type::date && v.type != logic_type::null)
      throw logic_refusal(name + " of a value that is not a date");
    return v;
  };
  // A result built of arguments: aggregate when one of them is.
  auto result = [&](std::string sql, logic_type t, std::initializer_list<const logic_value*> from) {
    logic_value r{std::move(sql), t};
    for (const logic_value* v : from) r.aggregate = r.aggregate || v->aggregate;
    return r;
  };
  // The common type of the branches of IIf, Nz, Switch and Choose.
  auto unify = [&](logic_type a, logic_type b) {
    if (a == logic_type::null) return b;
    if (b == logic_type::null || a == b) return a;
    if ((a == logic_type::integer || a == logic_type::number) &&
        (b == logic_type::integer || b == logic_type::number))
      return logic_type::number;
    throw logic_refusal(name + " of values of different types (Access gives a Variant)");
  };
  auto branch = [](const logic_value& v) {
    if (v.type == logic_type::condition) throw logic_refusal("a comparison used as a value");
    return v.type == logic_type::null ? std::string("NULL") : v.sql;
  };

  for (const char* f : kFunctionsOfOtherTables)
    if (name == f) throw logic_refusal(name + " reads another table or query");
  if (name == "COUNT" || name == "SUM" || name == "AVG" || name == "MIN" || name == "MAX" ||
      name == "STDEV" || name == "STDEVP" || name == "VAR" || name == "VARP" || name == "FIRST" ||
      name == "LAST")
    return aggregate(e, name);

  if (name == "IIF") {
    need(3, 3);
    const std::string c = condition(*e.args[0]);
    const logic_value a = arg(1), b = arg(2);
    return result("(CASE WHEN " + c + " THEN " + branch(a) + " ELSE " + branch(b) + " END)",
                  unify(a.type, b.type), {&a, &b});
  }
  if (name == "NZ") {
    if (n != 2) throw logic_refusal("Nz without a value for Null (Access gives an empty Variant)");
    const logic_value a = arg(0), b = arg(1);
    return result("NVL(" + branch(a) + ", " + branch(b) + ")", unify(a.type, b.type), {&a, &b});
  }
  if (name == "SWITCH") {
    if (n < 2 || n % 2 != 0) throw logic_refusal("Switch with an odd number of arguments");
    std::string s = "(CASE";
    logic_type t = logic_type::null;
    logic_value r;
    for (size_t i = 0; i < n; i += 2) {
      const logic_value v = arg(i + 1);
      t = unify(t, v.type);
      r.aggregate = r.aggregate || v.aggregate;
      s += " WHEN " + condition(*e.args[i]) + " THEN " + branch(v);
    }
    r.sql = s + " END)";
    r.type = t;
    return r;
  }
  if (name == "CHOOSE") {
    if (n < 2) throw logic_refusal("Choose without choices");
    const logic_value index = arg(0);
    std::string s = "(CASE " + banker_round(numeric(index), 0);
    logic_type t = logic_type::null;
    for (size_t i = 1; i < n; ++i) {
      const logic_value v = arg(i);
      t = unify(t, v.type);
      s += " WHEN " + std::to_string(i) + " THEN " + branch(v);
    }
    return result(s + " END)", t, {&index});
  }
  if (name == "ISNULL") {
    need(1, 1);
    const logic_value a = arg(0);
    return result("(" + branch(a) + " IS NULL)", logic_type::condition, {&a});
  }

  // ---- text
  if (name == "UCASE" || name == "LCASE") {
    need(1, 1);
    const logic_value a = text_arg(0);
    return result((name == "UCASE" ? "UPPER(" : "LOWER(") + branch(a) + ")", logic_type::text,
                  {&a});
  }
  if (name == "LEN") {
    need(1, 1);
    const logic_value a = text_arg(0);
    return result("LENGTH(" + branch(a) + ")", logic_type::integer, {&a});
  }
  if (name == "LEFT" || name == "RIGHT") {
    need(2, 2);
    const logic_value a = text_arg(0), c = arg(1);
    if (c.type != logic_type::integer)
      throw logic_refusal(name + " with a count that is not whole");
    if (name == "LEFT")
      return result("SUBSTR(" + a.sql + ", 1, " + c.sql + ")", logic_type::text, {&a, &c});
    return result("(CASE WHEN " + c.sql + " >= LENGTH(" + a.sql + ") THEN " + a.sql +
                      " ELSE SUBSTR(" + a.sql + ", LENGTH(" + a.sql + ") - " + c.sql + " + 1) END)",
                  logic_type::text, {&a, &c});
  }
  if (name == "MID") {
    need(2, 3);
    const logic_value a = text_arg(0), start = arg(1);
    if (start.type != logic_type::integer)
      throw logic_refusal("Mid with a start that is not whole");
    std::string s = "SUBSTR(" + a.sql + ", " + start.sql;
    if (n == 3) {
      const logic_value len = arg(2);
      if (len.type != logic_type::integer)
        throw logic_refusal("Mid with a length that is not whole");
      s += ", " + len.sql;
    }
    return result(s + ")", logic_type::text, {&a, &start});
  }
  if (name == "TRIM" || name == "LTRIM" || name == "RTRIM") {
    need(1, 1);
    const logic_value a = text_arg(0);
    return result(name + "(" + a.sql + ")", logic_type::text, {&a});
  }
  if (name == "INSTR") {
    // InStr([start,] text, sought [, compare]); without compare, or with
    // a compare other than 0, letter case does not count.
    need(2, 4);
    size_t first = 0;
    std::string start;
    if (n >= 3) {
      const logic_value s = arg(0);
      if (s.type != logic_type::integer)
        throw logic_refusal("InStr with a start that is not whole");
      start = ", " + s.sql;
      first = 1;
    }
    bool binary = false;
    if (n == 4) binary = small_int_argument(*e.args[3], 0, 2, "InStr's compare argument") == 0;
    const logic_value a = text_arg(first), b = text_arg(first + 1);
    if (b.sql == "''") throw logic_refusal("InStr of an empty text (Oracle stores it as NULL)");
    const std::string x = binary ? a.sql : "LOWER(" + a.sql + ")";
    const std::string y = binary ? b.sql : "LOWER(" + b.sql + ")";
    return result("INSTR(" + x + ", " + y + start + ")", logic_type::integer, {&a, &b});
  }

  // ---- numbers
  if (name == "INT" || name == "FIX") {
    need(1, 1);
    const logic_value a = arg(0);
    return result((name == "INT" ? "FLOOR(" : "TRUNC(") + numeric(a) + ")",
                  a.type == logic_type::yes_no ? logic_type::integer : a.type, {&a});
  }
  if (name == "ROUND") {
    need(1, 2);
    const logic_value a = arg(0);
    const int places = n == 2 ? small_int_argument(*e.args[1], 0, 15, "Round's places") : 0;
    return result(banker_round(numeric(a), places), a.type, {&a});
  }
  if (name == "ABS" || name == "SGN" || name == "SQR") {
    need(1, 1);
    const logic_value a = arg(0);
    const std::string f = name == "ABS" ? "ABS(" : name == "SGN" ? "SIGN(" : "SQRT(";
    return result(f + numeric(a) + ")", name == "SQR" ? logic_type::number : a.type, {&a});
  }

  // ---- conversions
  if (name == "CLNG" || name == "CINT" || name == "CBYTE") {
    need(1, 1);
    const logic_value a = arg(0);
    return result(banker_round(numeric(a), 0), logic_type::integer, {&a});
  }
  if (name == "CCUR") {
    need(1, 1);
    const logic_value a = arg(0);
    return result(banker_round(numeric(a), 4), logic_type::number, {&a});
  }
  if (name == "CDBL") {
    need(1, 1);
    const logic_value a = arg(0);
    return result(numeric(a), a.type == logic_type::yes_no ? logic_type::integer : a.type, {&a});
  }
  if (name == "CSTR") {
    need(1, 1);
    const logic_value a = arg(0);
    if (a.type == logic_type::text) return a;
    if (a.type == logic_type::integer)
      return result("TO_CHAR(" + a.sql + ")", logic_type::text, {&a});
    throw logic_refusal("CStr of a value Access writes by its own rules");
  }
  if (name == "CDATE" || name == "CVDATE") {
    need(1, 1);
    const logic_value a = arg(0);
    if (a.type == logic_type::date) return a;
    throw logic_refusal(name + " of a value that is not a date (Access reads it by its own rules)");
  }

  // ---- dates
  if (name == "NOW" || name == "DATE" || name == "TIME") {
    if (for_check_)
      throw logic_refusal(tk_utf16_to_utf8(e.name) +
                          "() is the current date or time, which a CHECK cannot use");
    need(0, 0);
    if (name == "NOW") return {"SYSDATE", logic_type::date};
    if (name == "DATE") return {"TRUNC(SYSDATE)", logic_type::date};
    return {"(TO_DATE('1899-12-30', 'YYYY-MM-DD') + (SYSDATE - TRUNC(SYSDATE)))", logic_type::date};
  }
  if (name == "YEAR" || name == "MONTH" || name == "DAY" || name == "HOUR" || name == "MINUTE" ||
      name == "SECOND") {
    need(1, 1);
    const logic_value a = date_arg(0);
    const char* f = name == "YEAR"     ? "YYYY"
                    : name == "MONTH"  ? "MM"
                    : name == "DAY"    ? "DD"
                    : name == "HOUR"   ? "HH24"
                    : name == "MINUTE" ? "MI"
                                       : "SS";
    return result(part(a.sql, f), logic_type::integer, {&a});
  }
  if (name == "WEEKDAY") {
    need(1, 2);
    const logic_value a = date_arg(0);
    int first = n == 2 ? small_int_argument(*e.args[1], 0, 7, "Weekday's first day") : 1;
    if (first == 0) first = 1;  // the system's: Sunday in en-US
    return result(weekday(a.sql, first), logic_type::integer, {&a});
  }
  if (name == "DATEADD" || name == "DATEDIFF" || name == "DATEPART") return date_function(name, e);
  if (name == "DATESERIAL") {
    need(3, 3);
    const logic_value y = arg(0), m = arg(1), d = arg(2);
    for (const logic_value* v : {&y, &m, &d})
      if (v->type != logic_type::integer)
        throw logic_refusal("DateSerial of numbers that are not whole");
    const std::string year = "(CASE WHEN " + y.sql + " BETWEEN 0 AND 29 THEN " + y.sql +
                             " + 2000 WHEN " + y.sql + " BETWEEN 30 AND 99 THEN " + y.sql +
                             " + 1900 ELSE " + y.sql + " END)";
    return result("(ADD_MONTHS(TO_DATE('0001-01-01', 'YYYY-MM-DD'), (" + year + " - 1) * 12 + " +
                      m.sql + " - 1) + " + d.sql + " - 1)",
                  logic_type::date, {&y, &m, &d});
  }
  if (name == "FORMAT") return format(e);

  if (name == "VAL" || name == "CSNG" || name == "CDEC" || name == "CBOOL" || name == "CVAR" ||
      name == "REPLACE" || name == "STRCOMP" || name == "INSTRREV")
    throw logic_refusal(name + " has no exact Oracle equal");
  throw logic_refusal("unknown function " + tk_utf16_to_utf8(e.name) +
                      " (not one of Access's own)");
}

logic_value logic_expr::aggregate(const sql_expr& e, const std::string& name) {
  if (for_check_) throw logic_refusal(name + " is an aggregate, which a CHECK cannot use");
  if (name == "FIRST" || name == "LAST")
    throw logic_refusal(tk_utf16_to_utf8(e.name) +
                        " has no Oracle equal (it depends on the order rows are read)");
  if (name == "COUNT" && e.star_argument) return {"COUNT(*)", logic_type::integer, true};
  if (e.args.size() != 1)
    throw logic_refusal(name + " with " + std::to_string(e.args.size()) + " arguments");
  const logic_value a = expr(*e.args[0]);
  if (a.aggregate) throw logic_refusal("an aggregate of an aggregate");
  if (name == "COUNT") {
    if (a.type == logic_type::condition) throw logic_refusal("Count of a comparison");
    return {"COUNT(" + (a.type == logic_type::null ? std::string("NULL") : a.sql) + ")",
            logic_type::integer, true};
  }
  if (name == "MIN" || name == "MAX") {
    if (a.type == logic_type::text)
      throw logic_refusal(name + " of text (Access orders text without regard to letter case)");
    if (a.type != logic_type::date && a.type != logic_type::null) numeric(a);
    return {name + "(" + a.sql + ")", a.type, true};
  }
  const std::string x = numeric(a);
  if (name == "SUM")
    return {"SUM(" + x + ")", a.type == logic_type::yes_no ? logic_type::integer : a.type, true};
  if (name == "AVG") return {"AVG(" + x + ")", logic_type::number, true};
  // Access gives Null for the sample deviation and variance of one row,
  // Oracle 0.
  const char* f = name == "STDEV"    ? "STDDEV("
                  : name == "STDEVP" ? "STDDEV_POP("
                  : name == "VAR"    ? "VARIANCE("
                                     : "VAR_POP(";
  if (name == "STDEV" || name == "VAR")
    return {"(CASE WHEN COUNT(" + x + ") > 1 THEN " + f + x + ") END)", logic_type::number, true};
  return {std::string(f) + x + ")", logic_type::number, true};
}

logic_value logic_expr::date_function(const std::string& name, const sql_expr& e) {
  const size_t n = e.args.size();
  if (n < 2 || (name == "DATEADD" && n != 3) || (name == "DATEDIFF" && (n < 3 || n > 5)) ||
      (name == "DATEPART" && n > 4))
    throw logic_refusal(name + " with " + std::to_string(n) + " arguments");
  const std::string interval = interval_of(*e.args[0]);
  auto date = [&](size_t i) {
    logic_value v = expr(*e.args[i]);
    if (v.type != logic_type::date) throw logic_refusal(name + " of a value that is not a date");
    return v;
  };
  const size_t first_day_arg = name == "DATEADD" ? n : name == "DATEDIFF" ? 3 : 2;
  int first = n > first_day_arg
                  ? small_int_argument(*e.args[first_day_arg], 0, 7, "the first day of the week")
                  : 1;
  if (first == 0) first = 1;
  if (n > first_day_arg + 1 &&
      small_int_argument(*e.args[first_day_arg + 1], 0, 3, "the first week of the year") > 1)
    throw logic_refusal(name + " with a first week other than the one of January 1");

  if (name == "DATEADD") {
    const logic_value count = expr(*e.args[1]);
    if (count.type != logic_type::integer)
      throw logic_refusal("DateAdd with a count that is not whole");
    const logic_value d = date(2);
    const std::string& c = count.sql;
    const std::string& x = d.sql;
    logic_value r{"", logic_type::date, count.aggregate || d.aggregate};
    if (interval == "d" || interval == "y" || interval == "w") {
      r.sql = "(" + x + " + " + c + ")";
    } else if (interval == "ww") {
      r.sql = "(" + x + " + 7 * " + c + ")";
    } else if (interval == "h" || interval == "n" || interval == "s") {
      const char* per_day = interval == "h" ? "24" : interval == "n" ? "1440" : "86400";
      r.sql = "(" + x + " + " + c + " / " + per_day + ")";
    } else if (interval == "m" || interval == "q" || interval == "yyyy") {
      // Months added to the first of the month, then the day and time of
      // the month, kept to the last day of a shorter month, as Access does.
      const std::string months = interval == "m" ? c : (interval == "q" ? "3 * " : "12 * ") + c;
      const std::string base = "ADD_MONTHS(TRUNC(" + x + ", 'MM'), " + months + ")";
      r.sql = "LEAST(" + base + " + (" + x + " - TRUNC(" + x + ", 'MM')), LAST_DAY(" + base +
              ") + (" + x + " - TRUNC(" + x + ")))";
    } else {
      throw logic_refusal("DateAdd with the interval \"" + interval + "\"");
    }
    return r;
  }
  if (name == "DATEDIFF") {
    const logic_value a = date(1), b = date(2);
    const std::string& x = a.sql;
    const std::string& y = b.sql;
    logic_value r{"", logic_type::integer, a.aggregate || b.aggregate};
    if (interval == "d" || interval == "y") {
      r.sql = "(TRUNC(" + y + ") - TRUNC(" + x + "))";
    } else if (interval == "w") {
      r.sql = "TRUNC((TRUNC(" + y + ") - TRUNC(" + x + ")) / 7)";
    } else if (interval == "ww") {
      const std::string anchor = std::string(kSunday) + " + " + std::to_string(first - 1);
      r.sql = "(FLOOR((TRUNC(" + y + ") - " + anchor + ") / 7) - FLOOR((TRUNC(" + x + ") - " +
              anchor + ") / 7))";
    } else if (interval == "m") {
      r.sql = "((" + part(y, "YYYY") + " * 12 + " + part(y, "MM") + ") - (" + part(x, "YYYY") +
              " * 12 + " + part(x, "MM") + "))";
    } else if (interval == "q") {
      r.sql = "((" + part(y, "YYYY") + " * 4 + " + part(y, "Q") + ") - (" + part(x, "YYYY") +
              " * 4 + " + part(x, "Q") + "))";
    } else if (interval == "yyyy") {
      r.sql = "(" + part(y, "YYYY") + " - " + part(x, "YYYY") + ")";
    } else if (interval == "h") {
      r.sql = "ROUND((TRUNC(" + y + ", 'HH24') - TRUNC(" + x + ", 'HH24')) * 24)";
    } else if (interval == "n") {
      r.sql = "ROUND((TRUNC(" + y + ", 'MI') - TRUNC(" + x + ", 'MI')) * 1440)";
    } else if (interval == "s") {
      r.sql = "ROUND((" + y + " - " + x + ") * 86400)";
    } else {
      throw logic_refusal("DateDiff with the interval \"" + interval + "\"");
    }
    return r;
  }
  // DatePart
  const logic_value a = date(1);
  const std::string& x = a.sql;
  logic_value r{"", logic_type::integer, a.aggregate};
  if (interval == "yyyy") {
    r.sql = part(x, "YYYY");
  } else if (interval == "q") {
    r.sql = part(x, "Q");
  } else if (interval == "m") {
    r.sql = part(x, "MM");
  } else if (interval == "d") {
    r.sql = part(x, "DD");
  } else if (interval == "y") {
    r.sql = part(x, "DDD");
  } else if (interval == "h") {
    r.sql = part(x, "HH24");
  } else if (interval == "n") {
    r.sql = part(x, "MI");
  } else if (interval == "s") {
    r.sql = part(x, "SS");
  } else if (interval == "w") {
    r.sql = weekday(x, first);
  } else if (interval == "ww") {
    // Week 1 holds January 1; weeks start on the first day.
    const std::string jan1 = "TRUNC(" + x + ", 'YYYY')";
    r.sql = "(TRUNC((TRUNC(" + x + ") - " + jan1 + " + " + weekday(jan1, first) + " - 1) / 7) + 1)";
  } else {
    throw logic_refusal("DatePart with the interval \"" + interval + "\"");
  }
  return r;
}

namespace {

// An Access date format (named or a pattern of yyyy mm dd hh nn ss ...)
// as an Oracle date format; empty when it has no exact equal.
std::string date_format(const std::u16string& access) {
  std::string f;
  for (char16_t c : access) {
    if (c > 0x7F) return "";
    f += static_cast<char>(c);
  }
  std::string lower;
  for (char c : f) lower += static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
  if (lower == "short date") return "FMMM/DD/YYYY";
  if (lower == "long date") return "FMDay, Month DD, YYYY";
  if (lower == "medium date") return "DD-Mon-YY";
  if (lower == "short time") return "HH24:MI";
  if (lower == "medium time") return "HH:MI AM";
  if (lower == "long time") return "FMHHFM:MI:SS AM";
  const bool twelve = lower.find("am/pm") != std::string::npos;
  std::string out;
  bool after_hour = false;
  // A token without leading zeros: Oracle's FM switched on and off round it.
  auto fm = [&](const char* t) { out += std::string("FM") + t + "FM"; };
  for (size_t i = 0; i < lower.size();) {
    auto run = [&](char c) {
      size_t k = i;
      while (k < lower.size() && lower[k] == c) ++k;
      return k - i;
    };
    const char c = lower[i];
    if (lower.compare(i, 5, "am/pm") == 0) {
      out += f[i] == 'a' ? "am" : "AM";
      i += 5;
      continue;
    }
    const size_t len = run(c);
    if (c == 'y' && (len == 4 || len == 2)) {
      out += len == 4 ? "YYYY" : "YY";
    } else if (c == 'm' && after_hour && len <= 2) {
      if (len == 2) out += "MI";
      if (len == 1) fm("MI");
    } else if (c == 'm' && len <= 4) {
      if (len == 1) fm("MM");
      if (len == 2) out += "MM";
      if (len == 3) out += "Mon";
      if (len == 4) fm("Month");
    } else if (c == 'd' && len <= 4) {
      if (len == 1) fm("DD");
      if (len == 2) out += "DD";
      if (len == 3) out += "Dy";
      if (len == 4) fm("Day");
    } else if (c == 'h' && len <= 2) {
      const char* h = twelve ? "HH" : "HH24";
      if (len == 2) out += h;
      if (len == 1) fm(h);
      after_hour = true;
      i += len;
      continue;
    } else if (c == 'n' && len <= 2) {
      if (len == 2) out += "MI";
      if (len == 1) fm("MI");
    } else if (c == 's' && len <= 2) {
      if (len == 2) out += "SS";
      if (len == 1) fm("SS");
    } else if (c == '/' || c == '-' || c == ':' || c == ' ' || c == ',' || c == '.') {
      out += std::string("\"") + c + "\"";
      i += 1;
      continue;
    } else {
      return "";
    }
    after_hour = false;
    i += len;
  }
  return out;
}

// An Access number format ("0", "0.00", "#,##0.00", "Fixed", "Standard")
// as an Oracle one; empty when it has no exact equal.
std::string number_format(const std::u16string& access) {
  std::string f;
  for (char16_t c : access) f += c < 0x80 ? static_cast<char>(c) : '?';
  if (f == "Fixed" || f == "fixed") f = "0.00";
  if (f == "Standard" || f == "standard") f = "#,##0.00";
  const size_t dot = f.find('.');
  const std::string whole = f.substr(0, dot);
  const std::string frac = dot == std::string::npos ? "" : f.substr(dot + 1);
  for (char c : frac)
    if (c != '0') return "";
  if (dot != std::string::npos && frac.empty()) return "";
  const bool grouped = whole.find(',') != std::string::npos;
  if (whole.empty() || whole.back() != '0') return "";
  for (char c : whole)
    if (c != '#' && c != '0' && c != ',') return "";
  std::string zeros;
  for (char c : whole)
    if (c == '0') zeros += '0';
  // ',' and '.' in an Oracle number format are those characters whatever
  // the session's NLS settings (G and D would follow them).
  std::string out = "FM9999999999999999999999";
  if (grouped) {
    // Digits from the right in groups of three, zeros where Access shows them.
    std::string digits(24, '9');
    for (size_t k = 0; k < zeros.size() && k < digits.size(); ++k)
      digits[digits.size() - 1 - k] = '0';
    out = "FM";
    for (size_t k = 0; k < digits.size(); ++k) {
      if (k != 0 && (digits.size() - k) % 3 == 0) out += ',';
      out += digits[k];
    }
  } else {
    out.resize(out.size() - zeros.size());
    out += zeros;
  }
  if (!frac.empty()) out += "." + frac;
  return out;
}

}  // namespace

logic_value logic_expr::format(const sql_expr& e) {
  if (e.args.size() != 2 || e.args[1]->what != K::text)
    throw logic_refusal("Format without a constant format");
  const logic_value a = expr(*e.args[0]);
  const std::u16string& f = e.args[1]->name;
  if (a.type == logic_type::date) {
    const std::string oracle = date_format(f);
    if (oracle.empty()) throw logic_refusal("Format \"" + tk_utf16_to_utf8(f) + "\" of a date");
    // Month and day names in English, as Access writes them in en-US.
    const bool names = oracle.find("Mon") != std::string::npos ||
                       oracle.find("Day") != std::string::npos ||
                       oracle.find("Dy") != std::string::npos;
    return {"TO_CHAR(" + a.sql + ", " + text_literal(tk_utf8_to_utf16(oracle)) +
                (names ? ", 'NLS_DATE_LANGUAGE=AMERICAN')" : ")"),
            logic_type::text, a.aggregate};
  }
  if (a.type == logic_type::integer || a.type == logic_type::number) {
    const std::string oracle = number_format(f);
    if (oracle.empty()) throw logic_refusal("Format \"" + tk_utf16_to_utf8(f) + "\" of a number");
    return {"TO_CHAR(" + a.sql + ", '" + oracle + "')", logic_type::text, a.aggregate};
  }
  throw logic_refusal("Format of a value that is neither a date nor a number");
}
