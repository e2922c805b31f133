// Binding and translation of Access SQL into SQLite (see sql_translate.h).
// Every expression becomes SQLite text plus its DAO type; conversions between
// representations go through the registered acc_* functions (sql_functions),
// so currency and decimal arithmetic stay exact and text compares without
// regard to case, as the engine's default sort order does.
#include "access/dao/sql/sql_translate.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <set>

#include "TK/tk_text.h"
#include "access/dao/jet_file.h"
#include "access/dao/sql/sql_errors.h"
#include "access/dao/sql/sql_functions_calls.h"
#include "access/dao/sql/sql_parser.h"
#include "access/dao/sql/sql_types.h"

namespace {

using K = sql_expr::kind;

struct value {
  std::string sql;
  int16_t type = SQL_NULL;
  bool logical = false;                    // sql is an SQLite truth value (1 / 0 / NULL)
  bool aggregate = false;                  // contains an aggregate function
  std::u16string literal;                  // a number literal as written (exact currency / decimal)
  const dao_field_info* column = nullptr;  // straight from a table or subquery column
  std::vector<std::string> loose;          // column references outside aggregates
};

struct column_ref {
  std::u16string name;
  dao_field_info info;
  std::string sql;
  size_t load = SIZE_MAX;  // staging table and stored position, for base tables
  size_t position = 0;
};

struct source {
  std::u16string name;  // what qualifies its columns: alias or table name
  std::vector<column_ref> columns;
};

struct scope {
  scope* outer = nullptr;
  std::vector<source> sources;
  const sql_select* select = nullptr;
  std::vector<const sql_expr*> expanding;  // select aliases being substituted
};

std::string quote_text(const std::u16string& text) {
  std::string out = "'";
  for (char c : tk_utf16_to_utf8(text)) {
    if (c == '\'') out += '\'';
    out += c;
  }
  return out + "'";
}

std::string number(double d) {
  char buf[40];
  std::snprintf(buf, sizeof buf, "%.17g", d);
  std::string s = buf;
  if (s.find_first_of(".eEn") == std::string::npos) s += ".0";
  return s;
}

bool same_name(const std::u16string& a, const std::u16string& b) {
  return jet_same_name(a, b);
}

std::u16string upper(const std::u16string& s) {
  std::u16string out = s;
  for (char16_t& c : out)
    if (c >= u'a' && c <= u'z') c = char16_t(c - 32);
  return out;
}

int rank_of(int16_t type) {
  switch (type) {
    case SQL_BOOLEAN:
    case SQL_BYTE:
      return 1;
    case SQL_INTEGER:
      return 2;
    case SQL_LONG:
      return 3;
    case SQL_BIGINT:
      return 4;
    case SQL_SINGLE:
      return 5;
    case SQL_DOUBLE:
    case SQL_DATE:
      return 6;
    case SQL_CURRENCY:
      return 7;
    case SQL_DECIMAL:
      return 8;
    default:
      return 6;  // text in arithmetic counts as Double
  }
}

int16_t type_of_rank(int rank) {
  static const int16_t kTypes[] = {SQL_INTEGER, SQL_BYTE,   SQL_INTEGER,  SQL_LONG,   SQL_BIGINT,
                                   SQL_SINGLE,  SQL_DOUBLE, SQL_CURRENCY, SQL_DECIMAL};
  return kTypes[rank];
}

int32_t fixed_size(int16_t type) {
  switch (type) {
    case SQL_BOOLEAN:
    case SQL_BYTE:
      return 1;
    case SQL_INTEGER:
      return 2;
    case SQL_LONG:
    case SQL_SINGLE:
      return 4;
    case SQL_CURRENCY:
    case SQL_DOUBLE:
    case SQL_DATE:
    case SQL_BIGINT:
      return 8;
    case SQL_DECIMAL:
    case SQL_GUID:
      return 16;
    case SQL_TEXT:
      return 255;
    default:
      return 0;
  }
}

dao_field_info computed_info(const std::u16string& name, int16_t type) {
  dao_field_info info;
  info.name = name;
  info.type = type == SQL_NULL ? SQL_TEXT : type;
  info.size = fixed_size(info.type);
  const sql_rep r = sql_rep_of(info.type);
  info.attributes =
      (r == sql_rep::text || r == sql_rep::blob) ? DAO_VARIABLE_FIELD : DAO_FIXED_FIELD;
  return info;
}

struct function_spec {
  const char* name;
  int min_args;
  int max_args;
};

const function_spec kAggregates[] = {{"COUNT", 1, 1}, {"SUM", 1, 1},   {"AVG", 1, 1},
                                     {"MIN", 1, 1},   {"MAX", 1, 1},   {"FIRST", 1, 1},
                                     {"LAST", 1, 1},  {"STDEV", 1, 1}, {"STDEVP", 1, 1},
                                     {"VAR", 1, 1},   {"VARP", 1, 1}};

const function_spec* find_spec(const function_spec* begin, const function_spec* end,
                               const std::u16string& name) {
  const std::string u = tk_utf16_to_utf8(upper(name));
  for (const function_spec* f = begin; f != end; ++f)
    if (u == f->name) return f;
  return nullptr;
}

class translator {
 public:
  translator(sql_catalog& catalog, sql_plan& plan) : catalog_(catalog), plan_(plan) {}

  void top(const sql_select& select, const std::u16string& text) {
    text_ = &text;
    std::vector<dao_field_info> infos;
    plan_.sqlite = query(select, nullptr, infos);
    plan_.fields = std::move(infos);
    if (!parameters_.empty()) throw sql_errors::too_few_parameters(int(parameters_.size()));
    finish_loads();
  }

 private:
  // ---- errors
  std::string source_text(const sql_expr& e) const {
    if (!text_ || e.end <= e.begin || e.end > text_->size()) return {};
    return tk_utf16_to_utf8(text_->substr(e.begin, e.end - e.begin));
  }

  // ---- loads
  size_t load_for(const sql_catalog_table& table) {
    for (size_t i = 0; i < plan_.loads.size(); ++i)
      if (plan_.loads[i].table == table.name) return i;
    sql_load load;
    load.table = table.name;
    load.sqlite_name = "t" + std::to_string(plan_.loads.size() + 1);
    plan_.loads.push_back(std::move(load));
    needed_.emplace_back();
    tables_.push_back(&table);
    return plan_.loads.size() - 1;
  }

  void need(const column_ref& c) {
    if (c.load != SIZE_MAX) needed_[c.load].insert(c.position);
  }

  void finish_loads() {
    for (size_t i = 0; i < plan_.loads.size(); ++i) {
      for (size_t p : needed_[i]) {
        plan_.loads[i].columns.push_back(p);
        plan_.loads[i].types.push_back(tables_[i]->columns[p].type);
      }
    }
  }

  // ---- conversions
  // sql of v in the representation of type `to`.
  std::string as(const value& v, int16_t to) {
    const std::string s = materialize(v);
    const sql_rep from = sql_rep_of(v.type), target = sql_rep_of(to);
    if (from == sql_rep::null) return "NULL";
    if (from == target && (target != sql_rep::integer || to != SQL_BYTE)) return s;
    if (target == sql_rep::currency && !v.literal.empty()) {
      // A literal becomes exact ten-thousandths, rounded half to even.
      return "acc_cv(" + quote_text(v.literal) + "," + std::to_string(SQL_TEXT) + "," +
             std::to_string(SQL_CURRENCY) + ")";
    }
    if (target == sql_rep::decimal && !v.literal.empty()) return quote_text(v.literal);
    if (target == sql_rep::real && (from == sql_rep::integer || from == sql_rep::boolean ||
                                    from == sql_rep::date || from == sql_rep::real))
      return "CAST(" + s + " AS REAL)";
    if (target == sql_rep::integer && (from == sql_rep::boolean)) return s;
    if (target == sql_rep::date && from == sql_rep::real) return s;
    if (target == sql_rep::real && from == sql_rep::currency) return "(" + s + "/10000.0)";
    if (target == sql_rep::currency && (from == sql_rep::integer || from == sql_rep::boolean))
      return "(" + s + "*10000)";
    return "acc_cv(" + s + "," + std::to_string(v.type) + "," + std::to_string(to) + ")";
  }

  static std::string materialize(const value& v) {
    return v.logical ? "(-(" + v.sql + "))" : v.sql;
  }
  static std::string truth(const value& v) { return v.logical ? v.sql : "(" + v.sql + ")"; }

  static value make(std::string sql, int16_t type, std::initializer_list<const value*> from) {
    value r;
    r.sql = std::move(sql);
    r.type = type;
    for (const value* f : from) {
      r.aggregate = r.aggregate || f->aggregate;
      r.loose.insert(r.loose.end(), f->loose.begin(), f->loose.end());
    }
    return r;
  }

  // The type two operands share (IIf, Nz, union of branches).
  static int16_t unify(int16_t a, int16_t b) {
    if (a == SQL_NULL) return b;
    if (b == SQL_NULL || a == b) return a;
    const sql_rep ra = sql_rep_of(a), rb = sql_rep_of(b);
    if (ra == sql_rep::text || rb == sql_rep::text)
      return (a == SQL_MEMO || b == SQL_MEMO) ? SQL_MEMO : SQL_TEXT;
    if (ra == sql_rep::blob || rb == sql_rep::blob) return SQL_LONGBINARY;
    if (ra == sql_rep::date || rb == sql_rep::date) return SQL_DATE;
    return type_of_rank(std::max(rank_of(a), rank_of(b)));
  }

  // ---- comparisons
  value compare(const value& a, const std::string& op, const value& b) {
    value r = make("", SQL_BOOLEAN, {&a, &b});
    r.logical = true;
    const sql_rep ra = sql_rep_of(a.type), rb = sql_rep_of(b.type);
    if (ra == sql_rep::null || rb == sql_rep::null) {
      r.sql = "NULL";
      return r;
    }
    const bool ta = ra == sql_rep::text, tb = rb == sql_rep::text;
    if (ta && tb) {
      r.sql = "(" + a.sql + " COLLATE ACC " + op + " " + b.sql + ")";
      return r;
    }
    if (ta || tb) {
      const value& text = ta ? a : b;
      const value& other = ta ? b : a;
      const sql_rep ro = ta ? rb : ra;
      if (ro != sql_rep::date || !text.column) {
        if (ro == sql_rep::date || (ro != sql_rep::blob && text.column == nullptr &&
                                    text.sql.size() && text.sql[0] == '\'')) {
          // A text constant against a date or number: the engine converts it.
          const int16_t target = ro == sql_rep::date ? SQL_DATE : other.type;
          const std::string conv = as(text, target);
          r.sql = ta ? "(" + conv + " " + op + " " + materialize(other) + ")"
                     : "(" + materialize(other) + " " + op + " " + conv + ")";
          return r;
        }
      }
      throw sql_errors::type_mismatch();
    }
    if (ra == sql_rep::blob || rb == sql_rep::blob) {
      if (ra != rb) throw sql_errors::type_mismatch();
      r.sql = "(" + a.sql + " " + op + " " + b.sql + ")";
      return r;
    }
    if (ra == sql_rep::decimal || rb == sql_rep::decimal) {
      r.sql = "(acc_dec_cmp(" + as(a, SQL_DECIMAL) + "," + as(b, SQL_DECIMAL) + ") " + op + " 0)";
      return r;
    }
    int16_t common;
    if (ra == sql_rep::currency || rb == sql_rep::currency) {
      const sql_rep other = ra == sql_rep::currency ? rb : ra;
      const value& ov = ra == sql_rep::currency ? b : a;
      common = (other == sql_rep::real || other == sql_rep::date) && ov.literal.empty()
                   ? SQL_DOUBLE
                   : SQL_CURRENCY;
    } else if (ra == sql_rep::integer && rb == sql_rep::integer) {
      common = SQL_LONG;
    } else if (ra == sql_rep::boolean || rb == sql_rep::boolean) {
      common = (ra == sql_rep::real || rb == sql_rep::real) ? SQL_DOUBLE : SQL_LONG;
    } else {
      common = SQL_DOUBLE;
    }
    const std::string x = sql_rep_of(common) == ra && !a.logical ? a.sql : as(a, common);
    const std::string y = sql_rep_of(common) == rb && !b.logical ? b.sql : as(b, common);
    r.sql = "(" + x + " " + op + " " + y + ")";
    return r;
  }

  // ---- arithmetic
  value arithmetic(const std::u16string& op, const value& a, const value& b) {
    const sql_rep ra = sql_rep_of(a.type), rb = sql_rep_of(b.type);
    if (ra == sql_rep::blob || rb == sql_rep::blob) throw sql_errors::type_mismatch();
    if (ra == sql_rep::null || rb == sql_rep::null)
      return make("NULL", ra == sql_rep::null ? b.type : a.type, {&a, &b});
    if (op == u"+" && ra == sql_rep::text && rb == sql_rep::text)
      return make("(" + a.sql + " || " + b.sql + ")", unify(a.type, b.type), {&a, &b});
    if (op == u"^")
      return make("acc_pow(" + as(a, SQL_DOUBLE) + "," + as(b, SQL_DOUBLE) + ")", SQL_DOUBLE,
                  {&a, &b});
    if (op == u"\\" || op == u"MOD") {
      const int16_t t = (rank_of(a.type) <= 2 && rank_of(b.type) <= 2) ? SQL_INTEGER : SQL_LONG;
      const std::string x = as(a, SQL_BIGINT), y = as(b, SQL_BIGINT);
      return make("(" + x + (op == u"MOD" ? " % " : " / ") + y + ")", t, {&a, &b});
    }
    if (ra == sql_rep::date || rb == sql_rep::date) {
      int16_t t = SQL_DATE;
      if (op == u"-" && ra == sql_rep::date && rb == sql_rep::date) t = SQL_DOUBLE;
      if (op == u"*" || op == u"/") t = SQL_DOUBLE;
      return make(
          "(" + as(a, SQL_DOUBLE) + " " + tk_utf16_to_utf8(op) + " " + as(b, SQL_DOUBLE) + ")", t,
          {&a, &b});
    }
    int16_t t;
    if (op == u"/") {
      t = (ra == sql_rep::decimal || rb == sql_rep::decimal) ? SQL_DECIMAL : SQL_DOUBLE;
    } else {
      const int rank = std::max(rank_of(a.type), rank_of(b.type));
      t = type_of_rank(rank);
      if (op == u"*" && ((a.type == SQL_SINGLE && b.type == SQL_LONG) ||
                         (a.type == SQL_LONG && b.type == SQL_SINGLE)))
        t = SQL_DOUBLE;
      if (t == SQL_BYTE && op == u"-") t = SQL_INTEGER;
    }
    const std::string o = tk_utf16_to_utf8(op);
    switch (sql_rep_of(t)) {
      case sql_rep::decimal: {
        const char* fn = op == u"+"   ? "acc_dec_add"
                         : op == u"-" ? "acc_dec_sub"
                         : op == u"*" ? "acc_dec_mul"
                                      : "acc_dec_div";
        return make(std::string(fn) + "(" + as(a, SQL_DECIMAL) + "," + as(b, SQL_DECIMAL) + ")", t,
                    {&a, &b});
      }
      case sql_rep::currency:
        if (op == u"*")
          return make("acc_cy_mul(" + as(a, SQL_CURRENCY) + "," + as(b, SQL_CURRENCY) + ")", t,
                      {&a, &b});
        return make("(" + as(a, SQL_CURRENCY) + " " + o + " " + as(b, SQL_CURRENCY) + ")", t,
                    {&a, &b});
      case sql_rep::real:
        return make("(" + as(a, SQL_DOUBLE) + " " + o + " " + as(b, SQL_DOUBLE) + ")", t, {&a, &b});
      default:
        return make("(" + as(a, SQL_BIGINT) + " " + o + " " + as(b, SQL_BIGINT) + ")", t, {&a, &b});
    }
  }

  // ---- expressions
  value expr(scope& sc, const sql_expr& e, bool in_aggregate) {
    switch (e.what) {
      case K::null:
        return make("NULL", SQL_NULL, {});
      case K::integer: {
        value v = make(std::to_string(e.integer), SQL_LONG, {});
        v.literal = e.number_text;
        return v;
      }
      case K::real: {
        value v = make(number(e.real), SQL_DOUBLE, {});
        v.literal = e.number_text;
        return v;
      }
      case K::text:
        return make(quote_text(e.name), SQL_TEXT, {});
      case K::date:
        return make(number(e.real), SQL_DATE, {});
      case K::boolean:
        return make(std::to_string(e.integer), SQL_BOOLEAN, {});
      case K::column:
        return column(sc, e, in_aggregate);
      case K::star:
        throw sql_errors::missing_operator(source_text(e));
      case K::unary: {
        value a = expr(sc, *e.args[0], in_aggregate);
        if (e.op == u"NOT") {
          value r = make("(NOT " + truth(a) + ")", SQL_BOOLEAN, {&a});
          if (!a.logical && a.type != SQL_BOOLEAN && sql_rep_of(a.type) == sql_rep::integer) {
            r.sql = "(~" + a.sql + ")";  // bitwise on numbers, as the engine does
            r.type = a.type;
            return r;
          }
          r.logical = true;
          return r;
        }
        const sql_rep ra = sql_rep_of(a.type);
        if (ra == sql_rep::text || ra == sql_rep::blob) throw sql_errors::type_mismatch();
        if (ra == sql_rep::decimal) return make("acc_dec_neg(" + a.sql + ")", a.type, {&a});
        return make("(-" + materialize(a) + ")",
                    a.type == SQL_BOOLEAN || a.type == SQL_BYTE ? SQL_INTEGER : a.type, {&a});
      }
      case K::binary:
        return binary(sc, e, in_aggregate);
      case K::like: {
        value a = expr(sc, *e.args[0], in_aggregate);
        value b = expr(sc, *e.args[1], in_aggregate);
        value r = make((e.negated ? "(NOT acc_like(" : "(acc_like(") + as(a, SQL_MEMO) + "," +
                           as(b, SQL_MEMO) + "))",
                       SQL_BOOLEAN, {&a, &b});
        r.logical = true;
        return r;
      }
      case K::is_null: {
        value a = expr(sc, *e.args[0], in_aggregate);
        value r = make("(" + materialize(a) + (e.negated ? " IS NOT NULL)" : " IS NULL)"),
                       SQL_BOOLEAN, {&a});
        r.logical = true;
        return r;
      }
      case K::between: {
        value a = expr(sc, *e.args[0], in_aggregate);
        value lo = expr(sc, *e.args[1], in_aggregate);
        value hi = expr(sc, *e.args[2], in_aggregate);
        value x = compare(a, ">=", lo), y = compare(a, "<=", hi);
        value r = make((e.negated ? "(NOT (" : "((") + x.sql + " AND " + y.sql + "))", SQL_BOOLEAN,
                       {&x, &y});
        r.logical = true;
        return r;
      }
      case K::in_list: {
        value a = expr(sc, *e.args[0], in_aggregate);
        value r = make("", SQL_BOOLEAN, {&a});
        const sql_rep ra = sql_rep_of(a.type);
        std::string left = materialize(a);
        if (ra == sql_rep::text) left += " COLLATE ACC";
        if (ra == sql_rep::decimal) left = "acc_dec_norm(" + left + ")";
        if (ra == sql_rep::real || ra == sql_rep::date) left = as(a, SQL_DOUBLE);
        std::string terms;
        for (size_t i = 1; i < e.args.size(); ++i) {
          value item = expr(sc, *e.args[i], in_aggregate);
          compare(a, "=", item);  // the same type checks as "="
          r.aggregate = r.aggregate || item.aggregate;
          r.loose.insert(r.loose.end(), item.loose.begin(), item.loose.end());
          const sql_rep ri = sql_rep_of(item.type);
          std::string term;
          if (ri == sql_rep::null) continue;
          if (ra == sql_rep::text)
            term = as(item, SQL_MEMO);
          else if (ra == sql_rep::currency)
            term = as(item, SQL_CURRENCY);
          else if (ra == sql_rep::decimal)
            term = "acc_dec_norm(" + as(item, SQL_DECIMAL) + ")";
          else if (ra == sql_rep::real || ra == sql_rep::date)
            term = as(item, SQL_DOUBLE);
          else if (ri == sql_rep::integer || ri == sql_rep::boolean)
            term = materialize(item);
          else
            term = as(item, SQL_DOUBLE);
          terms += (terms.empty() ? "" : ",") + term;
        }
        if (ra == sql_rep::currency) left = as(a, SQL_CURRENCY);
        if (ra == sql_rep::null)
          r.sql = "NULL";
        else if (terms.empty())
          r.sql = e.negated ? "1" : "0";
        else
          r.sql = "(" + left + (e.negated ? " NOT IN (" : " IN (") + terms + "))";
        r.logical = true;
        return r;
      }
      case K::in_select:
      case K::quantified: {
        value a = expr(sc, *e.args[0], in_aggregate);
        std::vector<dao_field_info> infos;
        const std::string sub = query(*e.select, &sc, infos);
        if (infos.size() != 1) throw sql_errors::subquery_fields();
        const std::string q = "_q" + std::to_string(++alias_counter_);
        value col = make(q + ".c0", infos[0].type, {});
        std::string op = "=";
        if (e.what == K::quantified) op = tk_utf16_to_utf8(e.op);
        const value c = compare(a, op, col);
        value r = make("", SQL_BOOLEAN, {&a});
        const bool all = e.what == K::quantified && e.name == u"ALL";
        const bool negate = e.what == K::in_select && e.negated;
        if (all)
          r.sql = "(NOT EXISTS (SELECT 1 FROM (" + sub + ") AS " + q + " WHERE NOT " + c.sql + "))";
        else
          r.sql = std::string(negate ? "(NOT " : "(") + "EXISTS (SELECT 1 FROM (" + sub + ") AS " +
                  q + " WHERE " + c.sql + "))";
        r.logical = true;
        return r;
      }
      case K::exists: {
        std::vector<dao_field_info> infos;
        value r = make("(EXISTS (" + query(*e.select, &sc, infos) + "))", SQL_BOOLEAN, {});
        r.logical = true;
        return r;
      }
      case K::subquery: {
        std::vector<dao_field_info> infos;
        const std::string sub = query(*e.select, &sc, infos);
        if (infos.size() != 1) throw sql_errors::subquery_fields();
        return make("(" + sub + ")", infos[0].type, {});
      }
      case K::call:
        return call(sc, e, in_aggregate);
    }
    throw sql_errors::missing_operator(source_text(e));
  }

  value binary(scope& sc, const sql_expr& e, bool in_aggregate) {
    value a = expr(sc, *e.args[0], in_aggregate);
    value b = expr(sc, *e.args[1], in_aggregate);
    const std::u16string& op = e.op;
    if (op == u"=" || op == u"<>" || op == u"<" || op == u">" || op == u"<=" || op == u">=")
      return compare(a, tk_utf16_to_utf8(op), b);
    if (op == u"&") {
      value r =
          make("(COALESCE(" + as(a, SQL_MEMO) + ",'') || COALESCE(" + as(b, SQL_MEMO) + ",''))",
               (a.type == SQL_MEMO || b.type == SQL_MEMO) ? SQL_MEMO : SQL_TEXT, {&a, &b});
      if (a.type == SQL_NULL && b.type == SQL_NULL) r.sql = "NULL";
      return r;
    }
    if (op == u"AND" || op == u"OR" || op == u"XOR" || op == u"EQV" || op == u"IMP") {
      const bool bitwise = !a.logical && !b.logical && a.type != SQL_BOOLEAN &&
                           b.type != SQL_BOOLEAN && sql_rep_of(a.type) == sql_rep::integer &&
                           sql_rep_of(b.type) == sql_rep::integer;
      if (bitwise && (op == u"AND" || op == u"OR")) {
        return make("(" + a.sql + (op == u"AND" ? " & " : " | ") + b.sql + ")",
                    type_of_rank(std::max(rank_of(a.type), rank_of(b.type))), {&a, &b});
      }
      value r = make("", SQL_BOOLEAN, {&a, &b});
      const std::string x = "(" + truth(a) + "<>0)", y = "(" + truth(b) + "<>0)";
      if (op == u"AND") r.sql = "(" + truth(a) + " AND " + truth(b) + ")";
      if (op == u"OR") r.sql = "(" + truth(a) + " OR " + truth(b) + ")";
      if (op == u"XOR") r.sql = "(" + x + " <> " + y + ")";
      if (op == u"EQV") r.sql = "(" + x + " = " + y + ")";
      if (op == u"IMP") r.sql = "((NOT " + truth(a) + ") OR " + truth(b) + ")";
      r.logical = true;
      return r;
    }
    return arithmetic(op, a, b);
  }

  // A column by name: this select's sources, then enclosing selects, then a
  // select alias; otherwise the engine takes it for a parameter.
  value column(scope& sc, const sql_expr& e, bool in_aggregate) {
    for (scope* s = &sc; s; s = s->outer) {
      const column_ref* found = nullptr;
      for (const source& src : s->sources) {
        if (!e.qualifier.empty() && !same_name(src.name, e.qualifier)) continue;
        for (const column_ref& c : src.columns) {
          if (!same_name(c.name, e.name)) continue;
          if (found) throw sql_errors::ambiguous_field(tk_utf16_to_utf8(e.name));
          found = &c;
        }
      }
      if (found) {
        need(*found);
        value v = make(found->sql, found->info.type, {});
        v.column = &found->info;
        if (!in_aggregate && s == &sc) v.loose.push_back(found->sql);
        return v;
      }
      if (e.qualifier.empty() && s->select && s == &sc) {
        for (const sql_select_item& item : s->select->items) {
          if (item.alias.empty() || !same_name(item.alias, e.name)) continue;
          if (std::find(s->expanding.begin(), s->expanding.end(), item.expr.get()) !=
              s->expanding.end())
            break;  // an alias that refers to itself
          s->expanding.push_back(item.expr.get());
          value v = expr(*s, *item.expr, in_aggregate);
          s->expanding.pop_back();
          return v;
        }
      }
    }
    const std::u16string name = e.qualifier.empty() ? e.name : e.qualifier + u"." + e.name;
    bool known = false;
    for (const std::u16string& p : parameters_) known = known || same_name(p, name);
    if (!known) parameters_.push_back(name);
    return make("NULL", SQL_NULL, {});
  }

  value aggregate(scope& sc, const sql_expr& e, const std::string& name, bool in_aggregate) {
    if (in_aggregate) throw sql_errors::missing_operator(source_text(e));
    if (name == "COUNT" && e.star_argument) {
      value r = make("COUNT(*)", SQL_LONG, {});
      r.aggregate = true;
      return r;
    }
    if (e.star_argument || e.args.size() != 1)
      throw sql_errors::wrong_argument_count(source_text(e));
    value a = expr(sc, *e.args[0], true);
    a.loose.clear();
    const sql_rep ra = sql_rep_of(a.type);
    std::string s;
    int16_t t = a.type;
    const std::string arg = materialize(a);
    if (name == "COUNT") {
      s = "COUNT(" + arg + ")";
      t = SQL_LONG;
    } else if (name == "SUM" || name == "AVG") {
      if (ra == sql_rep::blob) throw sql_errors::type_mismatch();
      const bool avg = name == "AVG";
      if (ra == sql_rep::decimal) {
        s = (avg ? "acc_dec_avg(" : "acc_dec_sum(") + arg + ")";
      } else if (ra == sql_rep::currency) {
        s = avg ? "acc_cy_avg(" + arg + ")" : "SUM(" + arg + ")";
      } else if (ra == sql_rep::integer || ra == sql_rep::boolean) {
        s = avg ? "AVG(" + arg + ")" : "SUM(" + arg + ")";
        t = avg ? SQL_DOUBLE : (a.type == SQL_BIGINT ? SQL_BIGINT : SQL_LONG);
      } else {
        s = (avg ? "AVG(" : "SUM(") + as(a, SQL_DOUBLE) + ")";
        t = SQL_DOUBLE;
      }
    } else if (name == "MIN" || name == "MAX") {
      s = name + "(" + arg + ")";
      if (ra == sql_rep::null) t = SQL_NULL;
    } else if (name == "FIRST" || name == "LAST") {
      s = (name == "FIRST" ? "acc_first(" : "acc_last(") + arg + ")";
    } else {
      if (ra == sql_rep::text || ra == sql_rep::blob) throw sql_errors::type_mismatch();
      const bool population = name == "STDEVP" || name == "VARP";
      const bool variance = name == "VAR" || name == "VARP";
      s = std::string(variance ? "acc_var(" : "acc_stdev(") + as(a, SQL_DOUBLE) + "," +
          (population ? "1" : "0") + ")";
      t = SQL_DOUBLE;
    }
    value r = make(s, t, {});
    r.aggregate = true;
    return r;
  }

  value call(scope& sc, const sql_expr& e, bool in_aggregate) {
    if (const function_spec* f = find_spec(std::begin(kAggregates), std::end(kAggregates), e.name))
      return aggregate(sc, e, f->name, in_aggregate);
    const sql_function_spec* f = sql_find_function(tk_utf16_to_utf8(e.name));
    if (!f) throw sql_errors::undefined_function(tk_utf16_to_utf8(e.name));
    if (e.star_argument || int(e.args.size()) < f->min_args || int(e.args.size()) > f->max_args)
      throw sql_errors::wrong_argument_count(source_text(e));
    std::vector<value> a;
    for (const auto& arg : e.args) a.push_back(expr(sc, *arg, in_aggregate));
    const call_args args(*this, a, source_text(e));
    const sql_call_result written = sql_translate_function(*f, args);
    value r;
    for (const value& v : a) {
      r.aggregate = r.aggregate || v.aggregate;
      r.loose.insert(r.loose.end(), v.loose.begin(), v.loose.end());
    }
    r.sql = written.sql;
    r.type = written.type;
    r.logical = written.logical;
    return r;
  }

  // The bound arguments of a function call, handed to sql_functions_calls.
  class call_args : public sql_call_args {
   public:
    call_args(translator& t, const std::vector<value>& a, std::string source)
        : t_(t), a_(a), source_(std::move(source)) {}
    size_t size() const override { return a_.size(); }
    int16_t type(size_t i) const override { return a_[i].type; }
    std::string raw(size_t i) const override { return materialize(a_[i]); }
    std::string truth(size_t i) const override { return translator::truth(a_[i]); }
    std::string as(size_t i, int16_t to) const override { return t_.as(a_[i], to); }
    int16_t unify(int16_t x, int16_t y) const override { return translator::unify(x, y); }
    std::string source() const override { return source_; }

   private:
    translator& t_;
    const std::vector<value>& a_;
    std::string source_;
  };

  // ---- FROM
  std::string from_item(scope& sc, const sql_source& src) {
    if (src.what == sql_source::kind::join) {
      const std::string left = from_item(sc, *src.left);
      const std::string right = from_item(sc, *src.right);
      value on = expr(sc, *src.on, false);
      if (on.aggregate) throw sql_errors::join_not_supported();
      const char* kind = src.join == sql_source::join_kind::inner  ? " INNER JOIN "
                         : src.join == sql_source::join_kind::left ? " LEFT JOIN "
                                                                   : " RIGHT JOIN ";
      return "(" + left + kind + right + " ON " + truth(on) + ")";
    }
    const std::string alias = "s" + std::to_string(++alias_counter_);
    source out;
    if (src.what == sql_source::kind::select) {
      std::vector<dao_field_info> infos;
      const std::string sub = query(*src.select, sc.outer, infos);
      out.name = src.alias.empty() ? tk_utf8_to_utf16(alias) : src.alias;
      for (size_t i = 0; i < infos.size(); ++i)
        out.columns.push_back({infos[i].name, infos[i], alias + ".c" + std::to_string(i)});
      add_source(sc, std::move(out));
      return "(" + sub + ") AS " + alias;
    }
    out.name = src.alias.empty() ? src.name : src.alias;
    if (const sql_catalog_table* table = catalog_.table(src.name)) {
      const size_t load = load_for(*table);
      for (size_t i = 0; i < table->columns.size(); ++i) {
        column_ref c{table->columns[i].name, table->columns[i], alias + ".c" + std::to_string(i)};
        c.load = load;
        c.position = i;
        out.columns.push_back(std::move(c));
      }
      add_source(sc, std::move(out));
      return plan_.loads[load].sqlite_name + " AS " + alias;
    }
    std::optional<std::u16string> stored = catalog_.query(src.name);
    if (!stored) throw jet_errors::input_not_found(tk_utf16_to_utf8(src.name));
    if (++stored_depth_ > 8) throw sql_errors::too_complex();
    const std::unique_ptr<sql_select> parsed = sql_parse(*stored);
    const std::u16string* saved = text_;
    text_ = &*stored;
    std::vector<dao_field_info> infos;
    const std::string sub = query(*parsed, nullptr, infos);
    text_ = saved;
    --stored_depth_;
    for (size_t i = 0; i < infos.size(); ++i)
      out.columns.push_back({infos[i].name, infos[i], alias + ".c" + std::to_string(i)});
    add_source(sc, std::move(out));
    return "(" + sub + ") AS " + alias;
  }

  void add_source(scope& sc, source src) {
    for (const source& s : sc.sources)
      if (same_name(s.name, src.name))
        throw jet_failure(
            3074, "Cannot repeat table name '" + tk_utf16_to_utf8(src.name) + "' in FROM clause.");
    if (sc.sources.size() >= 32) throw sql_errors::too_complex();
    sc.sources.push_back(std::move(src));
  }

  // ---- SELECT
  static std::string order_key(const value& v) {
    const sql_rep r = sql_rep_of(v.type);
    std::string s = materialize(v);
    if (r == sql_rep::text) s += " COLLATE ACC";
    if (r == sql_rep::decimal) s += " COLLATE ACCDEC";
    return s;
  }

  void check_grouped(const value& v, const std::vector<std::string>& keys,
                     const std::string& text) {
    if (std::find(keys.begin(), keys.end(), v.sql) != keys.end()) return;
    for (const std::string& c : v.loose)
      if (std::find(keys.begin(), keys.end(), c) == keys.end())
        throw sql_errors::not_aggregated(text);
  }

  std::string core(const sql_select& s, scope& sc, std::vector<dao_field_info>& infos,
                   std::vector<value>& outputs, const std::vector<sql_order_item>* order,
                   std::string* order_sql) {
    sc.select = &s;
    std::string from;
    for (const auto& src : s.from) {
      if (!from.empty()) from += ", ";
      from += from_item(sc, *src);
    }
    int expr_number = 1000;
    std::vector<std::string> exprs, texts;
    for (const sql_select_item& item : s.items) {
      if (item.expr->what == K::star) {
        bool any = false;
        std::vector<std::u16string> names;
        for (const source& src : sc.sources) {
          if (!item.expr->qualifier.empty() && !same_name(src.name, item.expr->qualifier)) continue;
          any = true;
          for (const column_ref& c : src.columns) {
            need(c);
            value v = make(c.sql, c.info.type, {});
            v.column = &c.info;
            v.loose.push_back(c.sql);
            dao_field_info info = c.info;
            bool duplicate = false;
            for (const source& other : sc.sources)
              if (&other != &src && item.expr->qualifier.empty())
                for (const column_ref& oc : other.columns)
                  duplicate = duplicate || same_name(oc.name, c.name);
            if (duplicate) info.name = src.name + u"." + c.name;
            infos.push_back(info);
            exprs.push_back(v.sql);
            outputs.push_back(v);
            texts.push_back(tk_utf16_to_utf8(info.name));
          }
        }
        if (!any) {
          // T.* with an unknown T: the engine asks for it as a parameter.
          const std::u16string name = item.expr->qualifier + u".*";
          parameters_.push_back(name);
        }
        continue;
      }
      value v = expr(sc, *item.expr, false);
      dao_field_info info;
      if (v.column && !v.logical) {
        info = *v.column;
        if (!item.alias.empty()) info.name = item.alias;
      } else {
        std::u16string name = item.alias;
        if (name.empty()) name = u"Expr" + tk_utf8_to_utf16(std::to_string(expr_number++));
        info = computed_info(name, v.logical ? SQL_BOOLEAN : v.type);
      }
      infos.push_back(info);
      std::string out = materialize(v);
      if (sql_rep_of(v.type) == sql_rep::text && !v.column && s.distinct) out += " COLLATE ACC";
      exprs.push_back(out);
      outputs.push_back(v);
      texts.push_back(source_text(*item.expr));
    }
    if (exprs.empty()) throw sql_errors::select_punctuation();

    std::string where;
    if (s.where) {
      value w = expr(sc, *s.where, false);
      if (w.aggregate) throw sql_errors::aggregate_in_where(source_text(*s.where));
      where = " WHERE " + truth(w);
    }
    std::vector<std::string> keys;
    std::string group;
    for (const auto& g : s.group_by) {
      value k = expr(sc, *g, false);
      if (k.aggregate)
        throw jet_failure(
            3098, "Cannot have aggregate function in GROUP BY clause (" + source_text(*g) + ").");
      keys.push_back(k.sql);
      group += (group.empty() ? " GROUP BY " : ", ") + order_key(k);
    }
    bool grouped = !s.group_by.empty() || s.having;
    for (const value& v : outputs) grouped = grouped || v.aggregate;
    if (grouped)
      for (size_t o = 0; o < outputs.size(); ++o) check_grouped(outputs[o], keys, texts[o]);
    std::string having;
    if (s.having) {
      value h = expr(sc, *s.having, false);
      check_grouped(h, keys, source_text(*s.having));
      having = " HAVING " + truth(h);
    }
    std::string select_list;
    for (size_t i = 0; i < exprs.size(); ++i)
      select_list += (i ? ", " : "") + exprs[i] + " AS c" + std::to_string(i);
    std::string distinct = s.distinct ? "DISTINCT " : "";

    std::vector<std::string> order_keys;
    if (order) {
      for (const sql_order_item& o : *order) {
        value v = expr(sc, *o.expr, false);
        if (grouped) check_grouped(v, keys, source_text(*o.expr));
        if (s.distinct && std::find(exprs.begin(), exprs.end(), materialize(v)) == exprs.end() &&
            std::find(exprs.begin(), exprs.end(), materialize(v) + " COLLATE ACC") == exprs.end())
          throw sql_errors::distinct_order(source_text(*o.expr));
        order_keys.push_back(order_key(v) + (o.descending ? " DESC" : ""));
      }
    }
    const std::string body = " FROM " + from + where + group + having;
    std::string sql;
    if (s.has_top) {
      // TOP keeps the rows tied with the last one, as the engine does.
      std::string hidden, window;
      for (size_t i = 0; i < order_keys.size(); ++i) {
        const sql_order_item& o = (*order)[i];
        const std::string key =
            order_keys[i].substr(0, order_keys[i].size() - (o.descending ? 5 : 0));
        const size_t collate = key.rfind(" COLLATE ");
        hidden += ", " + key.substr(0, collate) + " AS k" + std::to_string(i);
        window += (i ? ", k" : "k") + std::to_string(i) +
                  (collate == std::string::npos ? "" : key.substr(collate)) +
                  (o.descending ? " DESC" : "");
      }
      std::string columns;
      for (size_t i = 0; i < exprs.size(); ++i) columns += (i ? ", c" : "c") + std::to_string(i);
      const std::string rank =
          window.empty() ? "ROW_NUMBER() OVER ()" : "RANK() OVER (ORDER BY " + window + ")";
      const std::string limit = s.top_percent ? "acc_ceil(_n * " + number(s.top) + " / 100.0)"
                                              : std::to_string(int64_t(s.top));
      sql = "SELECT " + columns + " FROM (SELECT *, " + rank + " AS _rk, COUNT(*) OVER () AS _n " +
            "FROM (SELECT " + distinct + select_list + hidden + (from.empty() ? "" : body) +
            ")) WHERE _rk <= " + limit + " ORDER BY _rk";
    } else {
      sql = "SELECT " + distinct + select_list + (from.empty() ? where : body);
      if (order_sql) {
        for (size_t i = 0; i < order_keys.size(); ++i)
          *order_sql += (i ? ", " : " ORDER BY ") + order_keys[i];
      }
    }
    return sql;
  }

  std::string query(const sql_select& s, scope* outer, std::vector<dao_field_info>& infos) {
    scope sc;
    sc.outer = outer;
    std::vector<value> outputs;
    std::string order;
    if (s.unions.empty()) {
      std::string sql = core(s, sc, infos, outputs, &s.order_by, &order);
      return sql + order;
    }
    if (s.has_top) throw jet_errors::not_supported("TOP in a UNION query");
    std::string sql = core(s, sc, infos, outputs, nullptr, nullptr);
    for (const auto& part : s.unions) {
      if (part.select->has_top) throw jet_errors::not_supported("TOP in a UNION query");
      scope other;
      other.outer = outer;
      std::vector<dao_field_info> more;
      std::vector<value> more_outputs;
      const std::string next = core(*part.select, other, more, more_outputs, nullptr, nullptr);
      if (more.size() != infos.size())
        throw jet_failure(3307,
                          "The number of columns in the two selected tables or queries of "
                          "a union query do not match.");
      for (size_t i = 0; i < infos.size(); ++i) {
        const int16_t t = unify(infos[i].type, more[i].type);
        if (t != infos[i].type) infos[i] = computed_info(infos[i].name, t);
      }
      sql += (part.all ? " UNION ALL " : " UNION ") + next;
    }
    // ORDER BY of a union names result columns.
    for (size_t i = 0; i < s.order_by.size(); ++i) {
      const sql_expr& e = *s.order_by[i].expr;
      size_t found = SIZE_MAX;
      if (e.what == K::column)
        for (size_t k = 0; k < infos.size() && found == SIZE_MAX; ++k)
          if (same_name(infos[k].name, e.name)) found = k;
      if (e.what == K::integer && e.integer >= 1 && size_t(e.integer) <= infos.size())
        found = size_t(e.integer - 1);
      if (found == SIZE_MAX) throw sql_errors::order_by_clause();
      const sql_rep r = sql_rep_of(infos[found].type);
      order += (i ? ", c" : " ORDER BY c") + std::to_string(found) +
               (r == sql_rep::text ? " COLLATE ACC" : "") +
               (s.order_by[i].descending ? " DESC" : "");
    }
    return sql + order;
  }

  sql_catalog& catalog_;
  sql_plan& plan_;
  const std::u16string* text_ = nullptr;
  int alias_counter_ = 0;
  int stored_depth_ = 0;
  std::vector<std::u16string> parameters_;
  std::vector<std::set<size_t>> needed_;
  std::vector<const sql_catalog_table*> tables_;
};

}  // namespace

std::shared_ptr<const sql_plan> sql_compile(const std::u16string& text, sql_catalog& catalog) {
  const std::unique_ptr<sql_select> select = sql_parse(text);
  auto plan = std::make_shared<sql_plan>();
  translator(catalog, *plan).top(*select, text);
  return plan;
}
