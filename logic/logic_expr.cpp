// Access expressions as Oracle SQL (see logic_expr.h): operators, literals,
// comparisons without regard to letter case and Like patterns. The
// functions are in logic_functions.cpp.
#include "logic/logic_expr.h"

#include <cmath>
#include <cstdio>
#include <vector>

#include "TK/tk_civil_date.h"
#include "TK/tk_text.h"
#include "access/dao/dao_types.h"

namespace {

using K = sql_expr::kind;

bool numeric_type(logic_type t) {
  return t == logic_type::integer || t == logic_type::number || t == logic_type::yes_no;
}

// The type of a sum or product of two numbers.
logic_type arithmetic_type(logic_type a, logic_type b) {
  const bool whole = (a == logic_type::integer || a == logic_type::yes_no) &&
                     (b == logic_type::integer || b == logic_type::yes_no);
  return whole ? logic_type::integer : logic_type::number;
}

}  // namespace

logic_type logic_type_of_dao(int16_t dao_type) {
  switch (dao_type) {
    case DAO_TYPE_BOOLEAN:
      return logic_type::yes_no;
    case DAO_TYPE_BYTE:
    case DAO_TYPE_INTEGER:
    case DAO_TYPE_LONG:
    case 16:  // BigInt
      return logic_type::integer;
    case DAO_TYPE_CURRENCY:
    case DAO_TYPE_SINGLE:
    case DAO_TYPE_DOUBLE:
    case DAO_TYPE_DECIMAL:
    case DAO_TYPE_NUMERIC:
    case DAO_TYPE_FLOAT:
      return logic_type::number;
    case DAO_TYPE_DATE:
    case DAO_TYPE_TIME:
      return logic_type::date;
    case DAO_TYPE_TEXT:
    case DAO_TYPE_MEMO:
    case DAO_TYPE_CHAR:
      return logic_type::text;
    default:
      return logic_type::other;
  }
}

std::string logic_expr::text_literal(const std::u16string& text) {
  std::string body;
  bool national = false;
  for (char16_t c : text) national = national || c > 0x7F;
  for (char c : tk_utf16_to_utf8(text)) {
    body += c;
    if (c == '\'') body += '\'';
  }
  return (national ? "N'" : "'") + body + "'";
}

std::string logic_expr::date_literal(double serial) {
  // Access's serial: whole days from 1899-12-30; the fraction is the time of
  // day, positive also before that date.
  const double day = std::trunc(serial);
  long long seconds = std::llround(std::fabs(serial - day) * 86400.0);
  if (seconds > 86399) seconds = 86399;
  const tk_civil_date d = tk_civil_from_days(static_cast<int64_t>(day) - 25569);
  char out[192];  // room for any long long in each field, so no cut is possible
  std::snprintf(out, sizeof out,
                "TO_DATE('%04lld-%02lld-%02lld %02lld:%02lld:%02lld', 'YYYY-MM-DD HH24:MI:SS')",
                static_cast<long long>(d.year), static_cast<long long>(d.month),
                static_cast<long long>(d.day), seconds / 3600, seconds / 60 % 60, seconds % 60);
  return out;
}

logic_value logic_expr::value(const sql_expr& e) {
  if (e.what == K::column) {
    logic_value v = scope_.column(e);  // as stored: a Yes/No column stays 1/0
    return v;
  }
  logic_value v = expr(e);
  if (v.type == logic_type::condition)
    throw logic_refusal("a comparison used as a value (Oracle has no boolean values)");
  return v;
}

std::string logic_expr::condition(const sql_expr& e) {
  return as_condition(expr(e));
}

std::string logic_expr::rule_condition(const sql_expr& e, const sql_expr& column) {
  // And, Or and Not keep their meaning; a literal beneath them is compared
  // with the field.
  if (e.what == K::binary && (e.op == u"AND" || e.op == u"OR"))
    return "(" + rule_condition(*e.args[0], column) + (e.op == u"AND" ? " AND " : " OR ") +
           rule_condition(*e.args[1], column) + ")";
  if (e.what == K::unary && e.op == u"NOT")
    return "(NOT " + rule_condition(*e.args[0], column) + ")";
  if (e.what == K::integer || e.what == K::real || e.what == K::text || e.what == K::date ||
      e.what == K::boolean)
    return as_condition(compare(expr(column), u"=", literal(e)));
  return condition(e);
}

std::string logic_expr::as_condition(const logic_value& v) {
  switch (v.type) {
    case logic_type::condition:
      return v.sql;
    case logic_type::yes_no:
      return "(" + v.sql + " <> 0)";
    default:
      throw logic_refusal("a value used as a condition (Access tests numbers bit by bit)");
  }
}

std::string logic_expr::numeric(const logic_value& v) {
  if (v.type == logic_type::null) return "NULL";
  if (numeric_type(v.type)) return v.sql;
  if (v.type == logic_type::text) throw logic_refusal("text used as a number");
  throw logic_refusal("a value that is not a number used as one");
}

std::string logic_expr::text_of(const logic_value& v) {
  switch (v.type) {
    case logic_type::null:
      return "''";
    case logic_type::text:
      return v.sql;
    case logic_type::integer:
      return "TO_CHAR(" + v.sql + ")";
    default:
      throw logic_refusal("& of a value Access writes as text by its own rules");
  }
}

logic_value logic_expr::expr(const sql_expr& e) {
  switch (e.what) {
    case K::null:
    case K::integer:
    case K::real:
    case K::text:
    case K::date:
    case K::boolean:
      return literal(e);
    case K::column: {
      logic_value v = scope_.column(e);
      if (v.type == logic_type::yes_no) v.sql = "(-" + v.sql + ")";
      v.plain_column = false;
      return v;
    }
    case K::star:
      throw logic_refusal("* used as a value");
    case K::unary:
      return unary(e);
    case K::binary:
      return binary(e);
    case K::like:
      return like(e);
    case K::is_null: {
      const logic_value a = expr(*e.args[0]);
      if (a.type == logic_type::condition) throw logic_refusal("Is Null of a comparison");
      return {"(" + a.sql + (e.negated ? " IS NOT NULL)" : " IS NULL)"), logic_type::condition,
              a.aggregate};
    }
    case K::between:
      return between(e);
    case K::in_list:
      return in_list(e);
    case K::in_select: {
      const logic_value a = expr(*e.args[0]);
      if (a.type == logic_type::text || a.type == logic_type::condition)
        throw logic_refusal("In (SELECT ...) over text (Oracle compares letter case)");
      return {"(" + a.sql + (e.negated ? " NOT IN (" : " IN (") + scope_.subquery(*e.select) + "))",
              logic_type::condition, a.aggregate};
    }
    case K::exists:
      return {"(EXISTS (" + scope_.subquery(*e.select) + "))", logic_type::condition, false};
    case K::quantified:
      throw logic_refusal("ANY / ALL subqueries");
    case K::subquery:
      throw logic_refusal("a subquery used as a value");
    case K::call:
      return call(e);
  }
  throw logic_refusal("an expression of unknown kind");
}

logic_value logic_expr::literal(const sql_expr& e) {
  switch (e.what) {
    case K::integer:
      return {std::to_string(e.integer), logic_type::integer};
    case K::real: {
      std::string text = tk_utf16_to_utf8(e.number_text);
      if (!text.empty() && text.front() == '.') text = "0" + text;
      return {text, logic_type::number};
    }
    case K::text:
      return {text_literal(e.name), logic_type::text};
    case K::date:
      return {date_literal(e.real), logic_type::date};
    case K::boolean:
      return {e.integer ? "-1" : "0", logic_type::yes_no};
    default:
      return {"NULL", logic_type::null};
  }
}

logic_value logic_expr::unary(const sql_expr& e) {
  const logic_value a = expr(*e.args[0]);
  if (e.op == u"NOT") {
    if (a.type == logic_type::condition || a.type == logic_type::yes_no)
      return {"(NOT " + as_condition(a) + ")", logic_type::condition, a.aggregate};
    throw logic_refusal("Not of a number (Access inverts its bits)");
  }
  const logic_type t = a.type == logic_type::yes_no ? logic_type::integer : a.type;
  return {"(-" + numeric(a) + ")", t, a.aggregate};
}

logic_value logic_expr::binary(const sql_expr& e) {
  const std::u16string& op = e.op;
  if (op == u"AND" || op == u"OR") {
    const logic_value a = expr(*e.args[0]), b = expr(*e.args[1]);
    return {"(" + as_condition(a) + (op == u"AND" ? " AND " : " OR ") + as_condition(b) + ")",
            logic_type::condition, a.aggregate || b.aggregate};
  }
  if (op == u"XOR" || op == u"EQV" || op == u"IMP")
    throw logic_refusal(tk_utf16_to_utf8(op) + " (no Oracle operator)");
  const logic_value a = expr(*e.args[0]), b = expr(*e.args[1]);
  const bool agg = a.aggregate || b.aggregate;
  if (op == u"=" || op == u"<>" || op == u"<" || op == u">" || op == u"<=" || op == u">=")
    return compare(a, op, b);
  if (op == u"&") return {"(" + text_of(a) + " || " + text_of(b) + ")", logic_type::text, agg};
  if (a.type == logic_type::text || b.type == logic_type::text)
    throw logic_refusal("arithmetic on text (Access converts it by its own rules)");
  if (op == u"+" || op == u"-") {
    const bool da = a.type == logic_type::date, db = b.type == logic_type::date;
    if (da && db) {
      if (op == u"+") throw logic_refusal("the sum of two dates");
      return {"(" + a.sql + " - " + b.sql + ")", logic_type::number, agg};
    }
    if (da || db) {
      if (db && op == u"-") throw logic_refusal("a number minus a date");
      return {"(" + (da ? a.sql : numeric(a)) + " " + (op == u"+" ? "+" : "-") + " " +
                  (db ? b.sql : numeric(b)) + ")",
              logic_type::date, agg};
    }
    return {"(" + numeric(a) + (op == u"+" ? " + " : " - ") + numeric(b) + ")",
            arithmetic_type(a.type, b.type), agg};
  }
  if (op == u"*")
    return {"(" + numeric(a) + " * " + numeric(b) + ")", arithmetic_type(a.type, b.type), agg};
  if (op == u"/") return {"(" + numeric(a) + " / " + numeric(b) + ")", logic_type::number, agg};
  if (op == u"^") return {"POWER(" + numeric(a) + ", " + numeric(b) + ")", logic_type::number, agg};
  const bool whole = arithmetic_type(a.type, b.type) == logic_type::integer;
  if (op == u"\\" && whole)
    return {"TRUNC(" + numeric(a) + " / " + numeric(b) + ")", logic_type::integer, agg};
  if (op == u"MOD" && whole)
    return {"MOD(" + numeric(a) + ", " + numeric(b) + ")", logic_type::integer, agg};
  throw logic_refusal(tk_utf16_to_utf8(op) + " of numbers that are not whole (Access rounds them)");
}

logic_value logic_expr::compare(const logic_value& a, const std::u16string& op,
                                const logic_value& b) {
  const std::string o = tk_utf16_to_utf8(op);
  const bool agg = a.aggregate || b.aggregate;
  if (a.type == logic_type::condition || b.type == logic_type::condition)
    throw logic_refusal("a comparison of comparisons");
  if (a.type == logic_type::null || b.type == logic_type::null)
    return {"(" + (a.type == logic_type::null ? std::string("NULL") : a.sql) + " " + o + " " +
                (b.type == logic_type::null ? std::string("NULL") : b.sql) + ")",
            logic_type::condition, agg};
  if (a.type == logic_type::text && b.type == logic_type::text) {
    if (a.sql == "''" || b.sql == "''")
      throw logic_refusal("a comparison with an empty text (Oracle stores it as NULL)");
    return {"(LOWER(" + a.sql + ") " + o + " LOWER(" + b.sql + "))", logic_type::condition, agg};
  }
  if (a.type == logic_type::date && b.type == logic_type::date)
    return {"(" + a.sql + " " + o + " " + b.sql + ")", logic_type::condition, agg};
  if (numeric_type(a.type) && numeric_type(b.type))
    return {"(" + a.sql + " " + o + " " + b.sql + ")", logic_type::condition, agg};
  throw logic_refusal("a comparison of values of different types (Access converts them)");
}

logic_value logic_expr::like(const sql_expr& e) {
  const logic_value a = expr(*e.args[0]);
  if (a.type != logic_type::text && a.type != logic_type::null)
    throw logic_refusal("Like on a value that is not text");
  const sql_expr& pattern = *e.args[1];
  if (pattern.what != K::text) throw logic_refusal("Like with a pattern that is not a text");
  const std::string test = logic_like_condition(a.sql, pattern.name);
  return {e.negated ? "(NOT " + test + ")" : test, logic_type::condition, a.aggregate};
}

logic_value logic_expr::between(const sql_expr& e) {
  const logic_value a = expr(*e.args[0]);
  const logic_value lo = compare(a, u">=", expr(*e.args[1]));
  const logic_value hi = compare(a, u"<=", expr(*e.args[2]));
  const std::string both = "(" + lo.sql + " AND " + hi.sql + ")";
  return {e.negated ? "(NOT " + both + ")" : both, logic_type::condition,
          lo.aggregate || hi.aggregate};
}

logic_value logic_expr::in_list(const sql_expr& e) {
  const logic_value a = expr(*e.args[0]);
  std::string terms;
  bool agg = a.aggregate;
  for (size_t i = 1; i < e.args.size(); ++i) {
    const logic_value item = expr(*e.args[i]);
    if (item.type == logic_type::null) continue;  // as Access: a Null item matches nothing
    const logic_value term = compare(a, u"=", item);
    agg = agg || term.aggregate;
    terms += (terms.empty() ? "" : " OR ") + term.sql;
  }
  if (terms.empty()) throw logic_refusal("In with no values");
  return {e.negated ? "(NOT (" + terms + "))" : "(" + terms + ")", logic_type::condition, agg};
}

std::string logic_like_condition(const std::string& subject, const std::u16string& pattern) {
  // Two writings: LIKE when the pattern needs only * and ? (and # where its
  // place is fixed: before the first * or after the last one, checked by
  // SUBSTR from the start or the end), else a regular expression (# between
  // two *, and [...] classes). Both ignore letter case.
  std::u16string like, regex;
  bool needs_regex = false;
  // Digits at fixed places: counted from the start before any *, else
  // positions after the last * so far (reset by a later *).
  std::vector<size_t> digits_from_start, digits_after_star;
  size_t places = 0;  // one-character places since the last * (or the start)
  bool star = false;
  auto regex_literal = [&](char16_t c) {
    if (std::u16string(u".^$*+?()[]{}|\\").find(c) != std::u16string::npos) regex += u'\\';
    regex += c;
  };
  for (size_t i = 0; i < pattern.size(); ++i) {
    const char16_t c = pattern[i];
    if (c == u'*') {
      like += u'%';
      regex += u".*";
      // A # between two * has no fixed place.
      if (!digits_after_star.empty()) needs_regex = true;
      star = true;
      places = 0;
      continue;
    }
    ++places;
    if (c == u'?') {
      like += u'_';
      regex += u'.';
    } else if (c == u'#') {
      like += u'_';
      regex += u"[0-9]";
      (star ? digits_after_star : digits_from_start).push_back(places);
    } else if (c == u'[') {
      const size_t close = pattern.find(u']', i + 1);
      if (close == std::u16string::npos || close == i + 1)
        throw logic_refusal("a Like pattern with an unclosed or empty [");
      const std::u16string inside = pattern.substr(i + 1, close - i - 1);
      i = close;
      if (inside.size() == 1 && inside != u"!") {  // one character taken literally
        const char16_t l = inside[0];
        if (l == u'%' || l == u'_' || l == u'\\') like += u'\\';
        like += l;
        regex_literal(l);
        continue;
      }
      needs_regex = true;
      size_t k = 0;
      regex += u'[';
      if (inside[0] == u'!') {
        regex += u'^';
        k = 1;
      }
      // POSIX classes take their characters literally; a leading ^ would
      // negate, a range is a range as in Access.
      if (k < inside.size() && inside[k] == u'^')
        throw logic_refusal("a Like pattern with a class that starts with ^");
      regex += inside.substr(k);
      regex += u']';
    } else {
      if (c == u'%' || c == u'_' || c == u'\\') like += u'\\';
      like += c;
      regex_literal(c);
    }
  }
  if (needs_regex)
    return "REGEXP_LIKE(" + subject + ", " + logic_expr::text_literal(u"^" + regex + u"$") +
           ", 'in')";
  std::string sql =
      "(LOWER(" + subject + ") LIKE LOWER(" + logic_expr::text_literal(like) + ") ESCAPE '\\'";
  // LIKE has made sure that the string is long enough for every place.
  for (size_t at : digits_from_start)
    sql += " AND SUBSTR(" + subject + ", " + std::to_string(at) + ", 1) BETWEEN '0' AND '9'";
  for (size_t at : digits_after_star)
    sql += " AND SUBSTR(" + subject + ", -" + std::to_string(places - at + 1) +
           ", 1) BETWEEN '0' AND '9'";
  return sql + ")";
}
