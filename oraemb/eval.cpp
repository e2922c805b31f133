// Expression evaluation with Oracle semantics: NULL propagation, '' as NULL,
// three-valued conditions, implicit conversions and the built-in functions
// the parser accepts. Also name resolution and the describe type of an
// expression.
#include <algorithm>
#include <cctype>
#include <functional>
#include <optional>

#include "oraemb/functions.h"
#include "oraemb/ora_error.h"
#include "oraemb/session.h"
#include "oraemb/utf.h"
#include "oraemb/value_ops.h"

namespace oraemb {
namespace {

bool is_aggregate(const std::string& name) {
  return name == "COUNT" || name == "MIN" || name == "MAX" || name == "SUM" || name == "AVG" ||
         name == "STDDEV" || name == "VARIANCE";
}

// LIKE with % and _ over UTF-16 units; `escape` 0 when none.
bool like(const std::u16string& s, size_t si, const std::u16string& p, size_t pi, char16_t escape) {
  while (pi < p.size()) {
    char16_t c = p[pi];
    if (escape && c == escape && pi + 1 < p.size()) {
      if (si >= s.size() || s[si] != p[pi + 1]) return false;
      si++;
      pi += 2;
    } else if (c == u'%') {
      while (pi < p.size() && p[pi] == u'%') ++pi;
      if (pi == p.size()) return true;
      for (size_t k = si; k <= s.size(); ++k)
        if (like(s, k, p, pi, escape)) return true;
      return false;
    } else if (c == u'_') {
      if (si >= s.size()) return false;
      ++si;
      ++pi;
    } else {
      if (si >= s.size() || s[si] != c) return false;
      ++si;
      ++pi;
    }
  }
  return si == s.size();
}

int64_t date_seconds(const OraDate& d) {
  return days_from_civil(d.year, d.month, d.day) * 86400 + d.hour * 3600 + d.minute * 60 + d.second;
}

Value arithmetic(Op op, const Value& a, const Value& b) {
  if (a.is_null() || b.is_null()) return Value::null();
  if (a.kind == Kind::Date || b.kind == Kind::Date) {
    if (op == Op::Sub && a.kind == Kind::Date && b.kind == Kind::Date) {
      OraNumber secs = OraNumber::from_int(date_seconds(a.date) - date_seconds(b.date));
      return Value::num(secs / OraNumber::from_int(86400));
    }
    if ((op == Op::Add || op == Op::Sub) && (a.kind == Kind::Date) != (b.kind == Kind::Date)) {
      const Value& date = a.kind == Kind::Date ? a : b;
      const Value& days = a.kind == Kind::Date ? b : a;
      if (op == Op::Sub && b.kind == Kind::Date) raise(932, {"DATE", "NUMBER"});
      OraNumber delta = (value_number(days) * OraNumber::from_int(86400)).rounded(0);
      auto secs = delta.to_int64();
      // Beyond the DATE range whatever the start (and far from overflowing).
      constexpr int64_t kLongest = int64_t{15000} * 366 * 86400;
      if (!secs || *secs > kLongest || *secs < -kLongest) raise(1841);
      int64_t total = date_seconds(date.date) + (op == Op::Add ? *secs : -*secs);
      OraDate result = civil_from_seconds(total);
      if (result.year < -4712 || result.year > 9999) raise(1841);
      return Value::dt(result);
    }
    raise(932, {"NUMBER", "DATE"});
  }
  OraNumber x = value_number(a), y = value_number(b);
  OraNumber r = op == Op::Add ? x + y : op == Op::Sub ? x - y : op == Op::Mul ? x * y : x / y;
  r.check_range();
  return Value::num(r);
}

}  // namespace

void Session::resolve(Expr& e, const Scope& scope, bool allow_columns) {
  for (auto& arg : e.args) resolve(*arg, scope, allow_columns);
  if (e.subquery || e.over) resolve_query_expr(e, scope);
  if (e.op == Op::Column) {
    e.outer = 0;
    if (scope.new_table && (e.qualifier == "NEW" || e.qualifier == "OLD")) {
      int idx = scope.new_table->column_index(e.name);
      if (idx < 0) raise(4076);
      e.op = Op::NewRef;
      e.slot = idx;
      return;
    }
    if (!allow_columns) raise(984);
    if (e.qualifier.empty() && resolve_merged_column(e, scope)) return;
    int found = -1;
    for (size_t s = 0; s < scope.sources.size(); ++s) {
      const Source& src = scope.sources[s];
      if (!e.qualifier.empty() && e.qualifier != (src.alias.empty() ? src.name : src.alias))
        continue;
      for (size_t c = 0; c < src.columns.size(); ++c) {
        if (src.columns[c].name != e.name) continue;
        if (found >= 0) raise(918);
        found = src.offset + static_cast<int>(c);
        e.source = static_cast<int>(s);
      }
    }
    if (found < 0 && resolve_outer_column(e, scope)) return;
    if (found < 0) {
      raise(904, {e.qualifier.empty() ? dq(e.name) : dq(e.qualifier) + "." + dq(e.name)});
    }
    e.slot = found;
  } else if (e.op == Op::NewRef) {
    if (!scope.new_table) raise_unimplemented(":NEW outside a trigger");
    int idx = scope.new_table->column_index(e.name);
    if (idx < 0) raise(904, {dq(e.qualifier) + "." + dq(e.name)});
    e.slot = idx;
  } else if (e.op == Op::Rowid) {
    if (!allow_columns) raise(984);
    int found = -1;
    for (size_t s = 0; s < scope.sources.size(); ++s) {
      const Source& src = scope.sources[s];
      if (!e.qualifier.empty() && e.qualifier != (src.alias.empty() ? src.name : src.alias))
        continue;
      if (found >= 0) raise(918);
      found = static_cast<int>(s);
    }
    if (found < 0) raise(904, {dq(e.qualifier) + ".\"ROWID\""});
    if (scope.sources[found].table_obj == 0) raise_unimplemented("ROWID of a view");
    e.source = found;
    e.aux = scope.sources[found].table_obj;
  }
}

OraType Session::type_of(const Expr& e, const Scope& scope) const {
  switch (e.op) {
    case Op::Column: {
      const Scope* in = &scope;
      for (int k = 0; k < e.outer && in->outer; ++k) in = in->outer;
      const Source& src = in->sources[e.source];
      return src.columns[e.slot - src.offset].type;
    }
    case Op::Subquery:
    case Op::Analytic:
      return query_expr_type(e);
    case Op::NewRef:
      return scope.new_table->columns[e.slot].type;
    case Op::Literal: {
      if (e.literal.kind == Kind::Number) return number_type();
      OraType t;
      t.base = e.literal.national ? Base::Nchar : Base::Char;
      t.length = static_cast<int>(e.literal.kind == Kind::Null ? 0 : e.literal.bytes.size());
      return t;
    }
    case Op::Rowid: {
      OraType t;
      t.base = Base::Rowid;
      return t;
    }
    case Op::Rownum:
    case Op::SeqValue:
    case Op::Neg:
    case Op::Add:
    case Op::Sub:
    case Op::Mul:
    case Op::Div:
      if (e.op != Op::Rownum && e.op != Op::SeqValue && e.args.size() >= 1) {
        OraType left = type_of(*e.args[0], scope);
        if (left.base == Base::Date && (e.op == Op::Add || e.op == Op::Sub)) {
          if (e.op == Op::Sub && type_of(*e.args[1], scope).base == Base::Date)
            return number_type();
          return left;
        }
      }
      return number_type();
    case Op::Concat:
      return varchar_type(4000);
    case Op::Case: {
      const size_t first_result = e.name == "SIMPLE" ? 2 : 1;  // after the selector
      return e.args.size() > first_result ? type_of(*e.args[first_result], scope)
                                          : varchar_type(4000);
    }
    case Op::Func: {
      const std::string& f = e.name;
      if (f == "COUNT" || f == "SUM" || f == "AVG" || f == "LENGTH" || f == "INSTR" ||
          f == "TO_NUMBER" || f == "ABS" || f == "MOD" || f == "ROUND" || f == "TRUNC" ||
          f == "POWER" || f == "SQRT" || f == "SIGN" || f == "FLOOR" || f == "CEIL" ||
          f == "REMAINDER" || f == "MONTHS_BETWEEN" || f == "EXTRACT" || f == "STDDEV" ||
          f == "VARIANCE" || f == "EXP" || f == "LN" || f == "LOG" || f == "ASCII") {
        if ((f == "ROUND" || f == "TRUNC") && !e.args.empty() &&
            type_of(*e.args[0], scope).base == Base::Date)
          return type_of(*e.args[0], scope);
        return number_type();
      }
      if (f == "MIN" || f == "MAX" || f == "NVL" || f == "COALESCE" || f == "NULLIF" ||
          f == "GREATEST" || f == "LEAST")
        return e.args.empty() ? varchar_type(4000) : type_of(*e.args[0], scope);
      if (f == "NVL2" || f == "DECODE")
        return e.args.size() >= 2 ? type_of(*e.args[f == "NVL2"         ? 1
                                                    : 2 < e.args.size() ? 2
                                                                        : 1],
                                            scope)
                                  : varchar_type(4000);
      if (f == "TO_DATE" || f == "SYSDATE" || f == "ADD_MONTHS" || f == "LAST_DAY") {
        OraType t;
        t.base = Base::Date;
        return t;
      }
      if (f == "TO_TIMESTAMP") {
        OraType t;
        t.base = Base::Timestamp;
        t.precision = 9;
        return t;
      }
      if (f == "HEXTORAW") {
        OraType t;
        t.base = Base::Raw;
        t.length = 2000;
        return t;
      }
      if (f == "EMPTY_CLOB" || f == "TO_CLOB") {
        OraType t;
        t.base = Base::Clob;
        return t;
      }
      if (f == "EMPTY_BLOB") {
        OraType t;
        t.base = Base::Blob;
        return t;
      }
      if (f == "USER") return varchar_type(128);
      if (f == "UNISTR") {
        OraType t;
        t.base = Base::Nvarchar2;
        t.length = 2000;
        t.char_semantics = true;
        return t;
      }
      return varchar_type(4000);
    }
    default:
      return varchar_type(4000);
  }
}

int Session::cond(const Expr& e, EvalContext& ctx) {
  switch (e.op) {
    case Op::And: {
      int a = cond(*e.args[0], ctx);
      if (a == 0) return 0;
      int b = cond(*e.args[1], ctx);
      if (b == 0) return 0;
      return a == 1 && b == 1 ? 1 : -1;
    }
    case Op::Or: {
      int a = cond(*e.args[0], ctx);
      if (a == 1) return 1;
      int b = cond(*e.args[1], ctx);
      if (b == 1) return 1;
      return a == 0 && b == 0 ? 0 : -1;
    }
    case Op::Not: {
      int a = cond(*e.args[0], ctx);
      return a < 0 ? -1 : !a;
    }
    case Op::Cmp: {
      Value a = eval(*e.args[0], ctx), b = eval(*e.args[1], ctx);
      if (a.is_null() || b.is_null()) return -1;
      int c = compare_values(a, b);
      const std::string& op = e.name;
      if (op == "=") return c == 0;
      if (op == "<>") return c != 0;
      if (op == "<") return c < 0;
      if (op == ">") return c > 0;
      if (op == "<=") return c <= 0;
      return c >= 0;
    }
    case Op::IsNull: {
      bool null = eval(*e.args[0], ctx).is_null();
      return e.negated ? !null : null;
    }
    case Op::Like: {
      Value s = eval(*e.args[0], ctx), p = eval(*e.args[1], ctx);
      if (s.is_null() || p.is_null()) return -1;
      char16_t escape = 0;
      if (e.args.size() > 2) {
        Value esc = eval(*e.args[2], ctx);
        if (esc.is_null()) return -1;
        std::u16string es = utf8_to_utf16(value_text(esc));
        if (es.size() != 1)
          throw ora_error(1425, "escape character must be character string of length 1");
        escape = es[0];
      }
      const std::u16string pattern = utf8_to_utf16(value_text(p));
      // After the escape character only %, _ or the escape character itself.
      for (size_t k = 0; escape && k < pattern.size(); ++k) {
        if (pattern[k] != escape) continue;
        if (k + 1 == pattern.size() ||
            (pattern[k + 1] != u'%' && pattern[k + 1] != u'_' && pattern[k + 1] != escape))
          throw ora_error(1424, "missing or illegal character following the escape character");
        ++k;
      }
      bool m = like(utf8_to_utf16(value_text(s)), 0, pattern, 0, escape);
      return e.negated ? !m : m;
    }
    case Op::Exists:
    case Op::Quantified:
      return cond_query_expr(e, ctx);
    case Op::In: {
      if (e.subquery) return cond_query_expr(e, ctx);
      Value v = eval(*e.args[0], ctx);
      if (v.is_null()) return -1;
      bool unknown = false;
      for (size_t k = 1; k < e.args.size(); ++k) {
        Value item = eval(*e.args[k], ctx);
        if (item.is_null()) {
          unknown = true;
          continue;
        }
        if (compare_values(v, item) == 0) return e.negated ? 0 : 1;
      }
      if (unknown) return -1;
      return e.negated ? 1 : 0;
    }
    case Op::Between: {
      Value v = eval(*e.args[0], ctx), lo = eval(*e.args[1], ctx), hi = eval(*e.args[2], ctx);
      int a = v.is_null() || lo.is_null() ? -1 : compare_values(v, lo) >= 0;
      int b = v.is_null() || hi.is_null() ? -1 : compare_values(v, hi) <= 0;
      int r = a == 0 || b == 0 ? 0 : a == 1 && b == 1 ? 1 : -1;
      return r < 0 ? -1 : e.negated ? !r : r;
    }
    default:
      raise(920);
  }
}

namespace {

// Raises ORA-00909 unless lo <= count <= hi.
void arity(size_t count, size_t lo, size_t hi) {
  if (count < lo || count > hi) throw ora_error(909, "invalid number of arguments");
}

// UNISTR: \XXXX is the UTF-16 unit XXXX (pairs make supplementary
// characters), \\ a backslash; any other backslash is ORA-30186.
Value unistr(const std::string& in) {
  std::u16string units;
  for (size_t k = 0; k < in.size();) {
    if (in[k] != '\\') {
      // The text up to the next backslash (never part of a multi-byte
      // sequence) converts as it stands.
      const size_t next = std::min(in.find('\\', k), in.size());
      units += utf8_to_utf16(in.substr(k, next - k));
      k = next;
      continue;
    }
    if (k + 1 < in.size() && in[k + 1] == '\\') {
      units += u'\\';
      k += 2;
      continue;
    }
    if (k + 5 > in.size()) raise(30186);
    char16_t u = 0;
    for (size_t j = 1; j <= 4; ++j) {
      char h = in[k + j];
      int d = h >= '0' && h <= '9'   ? h - '0'
              : h >= 'a' && h <= 'f' ? h - 'a' + 10
              : h >= 'A' && h <= 'F' ? h - 'A' + 10
                                     : -1;
      if (d < 0) raise(30186);
      u = static_cast<char16_t>(u * 16 + d);
    }
    units += u;
    k += 5;
  }
  Value out = Value::text(utf16_to_utf8(units));
  out.national = true;
  return out;
}

// The functions that look at NULL arguments themselves and evaluate only
// the arguments they need: NVL, NVL2, COALESCE, NULLIF, DECODE.
std::optional<Value> null_function(const std::string& f, size_t count,
                                   const std::function<Value(size_t)>& arg) {
  auto arity = [&](size_t lo, size_t hi) { oraemb::arity(count, lo, hi); };
  if (f == "NVL") {
    arity(2, 2);
    Value a = arg(0);
    return a.is_null() ? arg(1) : a;
  }
  if (f == "NVL2") {
    arity(3, 3);
    return arg(0).is_null() ? arg(2) : arg(1);
  }
  if (f == "COALESCE") {
    arity(1, 255);
    for (size_t k = 0; k < count; ++k) {
      Value v = arg(k);
      if (!v.is_null()) return v;
    }
    return Value::null();
  }
  if (f == "NULLIF") {
    arity(2, 2);
    Value a = arg(0), b = arg(1);
    if (!a.is_null() && !b.is_null() && compare_values(a, b) == 0) return Value::null();
    return a;
  }
  if (f == "DECODE") {
    arity(3, 255);
    Value v = arg(0);
    size_t k = 1;
    for (; k + 1 < count; k += 2) {
      Value s = arg(k);
      bool match = v.is_null() && s.is_null();
      if (!v.is_null() && !s.is_null()) match = compare_values(v, s) == 0;
      if (match) return arg(k + 1);
    }
    return k < count ? arg(k) : Value::null();
  }
  return std::nullopt;
}

// Text functions: CONCAT, UNISTR, LENGTH, SUBSTR, REPLACE (the others are
// in functions_text.cpp).
std::optional<Value> text_function(const std::string& f, const std::vector<Value>& args) {
  auto arity = [&](size_t lo, size_t hi) { oraemb::arity(args.size(), lo, hi); };
  if (f == "CONCAT") {
    arity(2, 2);
    return Value::text(value_text(args[0]) + value_text(args[1]));
  }
  if (f == "UNISTR") {
    arity(1, 1);
    return unistr(value_text(args[0]));
  }
  if (f == "LENGTH") {
    arity(1, 1);
    return Value::num(OraNumber::from_int(static_cast<int64_t>(utf16_length(value_text(args[0])))));
  }
  if (f == "SUBSTR") {
    arity(2, 3);
    std::u16string s = utf8_to_utf16(value_text(args[0]));
    int64_t pos = value_number(args[1]).truncated(0).to_int64().value_or(0);
    int64_t len = args.size() > 2 ? value_number(args[2]).truncated(0).to_int64().value_or(0)
                                  : static_cast<int64_t>(s.size());
    int64_t n = static_cast<int64_t>(s.size());
    if (pos == 0) pos = 1;
    if (pos < 0) pos = n + pos + 1;
    if (pos < 1 || pos > n || len < 1) return Value::null();
    return Value::text(utf16_to_utf8(s.substr(pos - 1, len)));
  }
  if (f == "REPLACE") {
    arity(2, 3);
    if (args[0].is_null()) return Value::null();
    std::string s = value_text(args[0]), from = value_text(args[1]);
    std::string to = args.size() > 2 ? value_text(args[2]) : "";
    if (from.empty()) return Value::text(s);
    std::string out;
    size_t pos = 0, hit;
    while ((hit = s.find(from, pos)) != std::string::npos) {
      out += s.substr(pos, hit - pos) + to;
      pos = hit + from.size();
    }
    return Value::text(out + s.substr(pos));
  }
  return std::nullopt;
}

// Conversions: TO_CHAR, TO_NCHAR, TO_CLOB, TO_NUMBER, TO_DATE, TO_TIMESTAMP,
// HEXTORAW, RAWTOHEX; `now` supplies TO_DATE's missing fields.
std::optional<Value> conversion_function(const std::string& f, const std::vector<Value>& args,
                                         std::time_t now) {
  auto arity = [&](size_t lo, size_t hi) { oraemb::arity(args.size(), lo, hi); };
  if (f == "TO_CHAR" || f == "TO_NCHAR" || f == "TO_CLOB") {
    arity(1, 2);
    if (args[0].kind == Kind::Date)
      return Value::text(date_to_char(args[0].date, args.size() > 1 ? value_text(args[1])
                                                    : args[0].date.is_timestamp() ? kTimestampMask
                                                                                  : "DD-MON-RR"));
    if (args.size() > 1) raise_unimplemented(f + " of text with a format model");
    if (f == "TO_CLOB") return Value::lob_value(Kind::Clob, value_text(args[0]));
    return Value::text(value_text(args[0]));
  }
  if (f == "TO_NUMBER") {
    arity(1, 1);
    return Value::num(value_number(args[0]));
  }
  if (f == "TO_DATE") {
    arity(1, 2);
    if (args[0].kind == Kind::Date) return args[0];
    if (args[0].kind == Kind::Number) raise(932, {"CHAR", "NUMBER"});
    return Value::dt(
        to_date(value_text(args[0]), args.size() > 1 ? value_text(args[1]) : "DD-MON-RR", now));
  }
  if (f == "TO_TIMESTAMP") {
    // The fraction as given, to the nanosecond (TIMESTAMP(9)).
    arity(1, 2);
    if (args[0].kind == Kind::Number) raise(932, {"CHAR", "NUMBER"});
    OraDate d = args[0].kind == Kind::Date
                    ? args[0].date
                    : to_date(value_text(args[0]),
                              args.size() > 1 ? value_text(args[1]) : kTimestampMask, now);
    d.precision = 9;
    return Value::dt(d);
  }
  if (f == "HEXTORAW") {
    arity(1, 1);
    if (args[0].kind == Kind::Raw) return args[0];
    return Value::raw(from_hex(value_text(args[0])));
  }
  if (f == "RAWTOHEX") {
    arity(1, 1);
    if (args[0].kind == Kind::Raw || args[0].kind == Kind::Blob)
      return Value::text(to_hex(args[0].bytes));
    return Value::text(to_hex(value_text(args[0])));
  }
  return std::nullopt;
}

// Numbers: ABS, ROUND, TRUNC, MOD (of dates: functions_dates.cpp).
std::optional<Value> number_function(const std::string& f, const std::vector<Value>& args) {
  auto arity = [&](size_t lo, size_t hi) { oraemb::arity(args.size(), lo, hi); };
  if (f == "ABS") {
    arity(1, 1);
    OraNumber n = value_number(args[0]);
    return Value::num(n.negative() ? -n : n);
  }
  if (f == "ROUND" || f == "TRUNC") {
    arity(1, 2);
    int places = args.size() > 1
                     ? static_cast<int>(value_number(args[1]).truncated(0).to_int64().value_or(0))
                     : 0;
    OraNumber n = value_number(args[0]);
    return Value::num(f == "ROUND" ? n.rounded(places) : n.truncated(places));
  }
  if (f == "MOD") {
    arity(2, 2);
    OraNumber a = value_number(args[0]), b = value_number(args[1]);
    if (b.is_zero()) return Value::num(a);
    return Value::num(a - b * (a / b).truncated(0));
  }
  return std::nullopt;
}

}  // namespace

Value Session::eval(const Expr& e, EvalContext& ctx) {
  switch (e.op) {
    case Op::Literal: {
      // A text literal has type CHAR.
      Value v = e.literal;
      v.blank_padded = v.kind == Kind::Text;
      return v;
    }
    case Op::Column:
      if (e.outer) {
        const EvalContext* in = &ctx;
        for (int k = 0; k < e.outer && in->outer; ++k) in = in->outer;
        return (*in->row)[e.slot];
      }
      return (*ctx.row)[e.slot];
    case Op::Subquery:
    case Op::Analytic:
      return eval_query_expr(e, ctx);
    case Op::NewRef:
      return (*ctx.new_row)[e.slot];
    case Op::Rowid:
      if ((*ctx.rids)[e.source] < 0) return Value::null();  // outer join: no row
      return Value::text(rowid_text(e.aux, (*ctx.rids)[e.source]));
    case Op::Rownum:
      return Value::num(OraNumber::from_int(ctx.rownum));
    case Op::SeqValue:
      return next_sequence_value(e.qualifier, e.name == "NEXTVAL");
    case Op::Bind:
      if (!binds_) raise(1008);
      return binds_->bind_value(e.name);
    case Op::Neg: {
      Value v = eval(*e.args[0], ctx);
      if (v.is_null()) return v;
      return Value::num(-value_number(v));
    }
    case Op::Add:
    case Op::Sub:
    case Op::Mul:
    case Op::Div:
      return arithmetic(e.op, eval(*e.args[0], ctx), eval(*e.args[1], ctx));
    case Op::Concat: {
      Value a = eval(*e.args[0], ctx), b = eval(*e.args[1], ctx);
      std::string text = value_text(a) + value_text(b);
      // 4000 bytes: of AL16UTF16 for a national result, else of the text.
      const bool national = a.national || b.national;
      if ((national ? utf16_length(text) * 2 : text.size()) > 4000)
        throw ora_error(1489, "result of string concatenation is too long");
      // With a national operand the result is national (NVARCHAR2).
      Value out = Value::text(text);
      out.national = national;
      return out;
    }
    case Op::Case: {
      // A simple CASE compares its selector (never equal when NULL) with
      // each WHEN value; a searched CASE tests each WHEN condition.
      const bool simple = e.name == "SIMPLE";
      const size_t first = simple ? 1 : 0;
      const Value selector = simple ? eval(*e.args[0], ctx) : Value::null();
      size_t pairs = (e.args.size() - first - (e.has_else ? 1 : 0)) / 2;
      for (size_t k = 0; k < pairs; ++k) {
        const Expr& when = *e.args[first + 2 * k];
        bool hit = false;
        if (simple) {
          if (selector.is_null()) continue;
          Value v = eval(when, ctx);
          hit = !v.is_null() && compare_values(selector, v) == 0;
        } else {
          hit = cond(when, ctx) == 1;
        }
        if (hit) return eval(*e.args[first + 2 * k + 1], ctx);
      }
      return e.has_else ? eval(*e.args.back(), ctx) : Value::null();
    }
    case Op::Func:
      return eval_function(e, ctx);
    default:
      raise(920);
  }
}

// A function call: aggregates come from the group's values, the functions
// that handle NULL themselves see their arguments unevaluated, and every
// other function returns NULL for a NULL argument (except CONCAT and
// REPLACE) before its family computes it.
Value Session::eval_function(const Expr& e, EvalContext& ctx) {
  const std::string& f = e.name;
  if (is_aggregate(f)) {
    if (!ctx.aggregates || e.aggregate < 0) raise(934);
    return (*ctx.aggregates)[e.aggregate];
  }
  if (f == "SYSDATE") return Value::dt(civil_from_seconds(now() + 0));
  if (f == "USER") return Value::text(catalog_.user());
  if (f == "EMPTY_CLOB" || f == "EMPTY_BLOB") {
    arity(e.args.size(), 0, 0);
    return Value::lob_value(f == "EMPTY_CLOB" ? Kind::Clob : Kind::Blob, "");
  }
  auto arg = [&](size_t k) { return eval(*e.args[k], ctx); };
  if (auto v = null_function(f, e.args.size(), arg)) return *v;
  std::vector<Value> args;
  for (size_t k = 0; k < e.args.size(); ++k) args.push_back(arg(k));
  for (const Value& v : args)
    if (v.is_null() && f != "CONCAT" && f != "REPLACE") return Value::null();
  // TO_CHAR of one value (a table's numbers read as text, row by row) is the
  // conversion functions' alone: the other families are not asked first,
  // and the clock (TO_DATE's) is not read.
  if (args.size() == 1 && f == "TO_CHAR")
    if (auto v = conversion_function(f, args, 0)) return *v;
  if (auto v = date_function(f, args)) return *v;
  if (auto v = text_builtin(f, args)) return *v;
  if (auto v = number_builtin(f, args)) return *v;
  if (auto v = text_function(f, args)) return *v;
  if (auto v = conversion_function(f, args, now())) return *v;
  if (auto v = number_function(f, args)) return *v;
  raise(904, {dq(f)});
}

}  // namespace oraemb
