// Binding and translation of Access SQL into SQLite (see sql_translate.h).
// Every expression becomes SQLite text plus its DAO type; conversions between
// representations go through the registered acc_* functions (sql_functions),
// so currency and decimal arithmetic stay exact and text compares without
// regard to case, as the engine's default sort order does.
#include "access/dao/sql/sql_translator.h"

namespace sql_translation {

void translator::top(const sql_select& select, const std::u16string& text) {
  text_ = &text;
  std::vector<dao_field_info> infos;
  plan_.sqlite = query(select, nullptr, infos);
  if (!ctes_.empty()) plan_.sqlite = ctes_ + " " + plan_.sqlite;
  plan_.fields = std::move(infos);
  if (!parameters_.empty()) throw sql_errors::too_few_parameters(int(parameters_.size()));
  finish_loads();
}

std::string translator::source_text(const sql_expr& e) const {
  if (!text_ || e.end <= e.begin || e.end > text_->size()) return {};
  return tk_utf16_to_utf8(text_->substr(e.begin, e.end - e.begin));
}

size_t translator::load_for(const sql_catalog_table& table) {
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

void translator::need(const column_ref& c) {
  if (c.load != SIZE_MAX) needed_[c.load].insert(c.position);
}

void translator::finish_loads() {
  for (size_t i = 0; i < plan_.loads.size(); ++i) {
    for (size_t p : needed_[i]) {
      plan_.loads[i].columns.push_back(p);
      plan_.loads[i].types.push_back(tables_[i]->columns[p].type);
    }
  }
}

// sql of v in the representation of type `to`.
std::string translator::as(const value& v, int16_t to) {
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

std::string translator::materialize(const value& v) {
  return v.logical ? "(-(" + v.sql + "))" : v.sql;
}

value translator::make(std::string sql, int16_t type, std::initializer_list<const value*> from) {
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
int16_t translator::unify(int16_t a, int16_t b) {
  if (a == SQL_NULL) return b;
  if (b == SQL_NULL || a == b) return a;
  const sql_rep ra = sql_rep_of(a), rb = sql_rep_of(b);
  if (ra == sql_rep::text || rb == sql_rep::text)
    return (a == SQL_MEMO || b == SQL_MEMO) ? SQL_MEMO : SQL_TEXT;
  if (ra == sql_rep::blob || rb == sql_rep::blob) return SQL_LONGBINARY;
  if (ra == sql_rep::date || rb == sql_rep::date) return SQL_DATE;
  return type_of_rank(std::max(rank_of(a), rank_of(b)));
}

value translator::compare(const value& a, const std::string& op, const value& b) {
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

value translator::arithmetic(const std::u16string& op, const value& a, const value& b) {
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

}  // namespace sql_translation

std::shared_ptr<const sql_plan> sql_compile(const std::u16string& text, sql_catalog& catalog) {
  const std::unique_ptr<sql_select> select = sql_parse(text);
  auto plan = std::make_shared<sql_plan>();
  sql_translation::translator(catalog, *plan).top(*select, text);
  return plan;
}
