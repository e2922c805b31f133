// The translator of Access SQL into SQLite (see sql_translate.h), shared by
// its parts: sql_translate.cpp (loads, conversions, comparisons,
// arithmetic), sql_translate_expr.cpp (expressions, columns, functions) and
// sql_translate_select.cpp (FROM, stored queries, SELECT, crosstabs, UNION).
// Private to the Access SQL layer.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstring>
#include <set>

#include "TK/tk_text.h"
#include "access/dao/jet_file.h"
#include "access/dao/sql/sql_errors.h"
#include "access/dao/sql/sql_functions_calls.h"
#include "access/dao/sql/sql_parser.h"
#include "access/dao/sql/sql_translate.h"
#include "access/dao/sql/sql_types.h"

namespace sql_translation {

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
  std::string identity;  // what tells its rows apart: the rowid, or all columns
};

struct scope {
  scope* outer = nullptr;
  std::vector<source> sources;
  const sql_select* select = nullptr;
  std::vector<const sql_expr*> expanding;  // select aliases being substituted
  bool tracking = false;                   // note the sources the output reads
  std::set<size_t> used;
};

inline std::string quote_text(const std::u16string& text) {
  std::string out = "'";
  for (char c : tk_utf16_to_utf8(text)) {
    if (c == '\'') out += '\'';
    out += c;
  }
  return out + "'";
}

inline std::string number(double d) {
  char buf[40];
  std::snprintf(buf, sizeof buf, "%.17g", d);
  std::string s = buf;
  if (s.find_first_of(".eEn") == std::string::npos) s += ".0";
  return s;
}

inline bool same_name(const std::u16string& a, const std::u16string& b) {
  return jet_same_name(a, b);
}

inline std::u16string upper(const std::u16string& s) {
  std::u16string out = s;
  for (char16_t& c : out)
    if (c >= u'a' && c <= u'z') c = char16_t(c - 32);
  return out;
}

inline int rank_of(int16_t type) {
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

inline int16_t type_of_rank(int rank) {
  static const int16_t kTypes[] = {SQL_INTEGER, SQL_BYTE,   SQL_INTEGER,  SQL_LONG,   SQL_BIGINT,
                                   SQL_SINGLE,  SQL_DOUBLE, SQL_CURRENCY, SQL_DECIMAL};
  return kTypes[rank];
}

inline int32_t fixed_size(int16_t type) {
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

inline dao_field_info computed_info(const std::u16string& name, int16_t type) {
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

inline const function_spec kAggregates[] = {{"COUNT", 1, 1}, {"SUM", 1, 1},   {"AVG", 1, 1},
                                            {"MIN", 1, 1},   {"MAX", 1, 1},   {"FIRST", 1, 1},
                                            {"LAST", 1, 1},  {"STDEV", 1, 1}, {"STDEVP", 1, 1},
                                            {"VAR", 1, 1},   {"VARP", 1, 1}};

inline const function_spec* find_spec(const function_spec* begin, const function_spec* end,
                                      const std::u16string& name) {
  const std::string u = tk_utf16_to_utf8(upper(name));
  for (const function_spec* f = begin; f != end; ++f)
    if (u == f->name) return f;
  return nullptr;
}

class translator {
 public:
  translator(sql_catalog& catalog, sql_plan& plan) : catalog_(catalog), plan_(plan) {}

  void top(const sql_select& select, const std::u16string& text);

 private:
  // ---- errors
  std::string source_text(const sql_expr& e) const;

  // ---- loads
  size_t load_for(const sql_catalog_table& table);

  void need(const column_ref& c);

  void finish_loads();

  // ---- conversions
  // sql of v in the representation of type `to`.
  std::string as(const value& v, int16_t to);

  static std::string materialize(const value& v);
  static std::string truth(const value& v) { return v.logical ? v.sql : "(" + v.sql + ")"; }

  static value make(std::string sql, int16_t type, std::initializer_list<const value*> from);

  // The type two operands share (IIf, Nz, union of branches).
  static int16_t unify(int16_t a, int16_t b);

  // ---- comparisons
  value compare(const value& a, const std::string& op, const value& b);

  // ---- arithmetic
  value arithmetic(const std::u16string& op, const value& a, const value& b);

  // ---- expressions
  // The dispatcher: each family of expression has its function.
  value expr(scope& sc, const sql_expr& e, bool in_aggregate);

  static value literal(const sql_expr& e);

  // Not (logical, or bitwise on numbers) and negation.
  value unary(scope& sc, const sql_expr& e, bool in_aggregate);

  value like(scope& sc, const sql_expr& e, bool in_aggregate);

  value is_null(scope& sc, const sql_expr& e, bool in_aggregate);

  value between(scope& sc, const sql_expr& e, bool in_aggregate);

  // x [NOT] IN (a, b, ...): the items in the representation of x.
  value in_list(scope& sc, const sql_expr& e, bool in_aggregate);

  // x [NOT] IN (SELECT ...) and x op ANY / ALL (SELECT ...).
  value in_select(scope& sc, const sql_expr& e, bool in_aggregate);

  value exists(scope& sc, const sql_expr& e);

  // A subquery as a value: one column.
  value subquery(scope& sc, const sql_expr& e);

  value binary(scope& sc, const sql_expr& e, bool in_aggregate);

  // A column by name: this select's sources, then enclosing selects, then a
  // select alias; otherwise the engine takes it for a parameter.
  value column(scope& sc, const sql_expr& e, bool in_aggregate);

  void add_parameter(const std::u16string& name);

  value aggregate(scope& sc, const sql_expr& e, const std::string& name, bool in_aggregate);

  value call(scope& sc, const sql_expr& e, bool in_aggregate);

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
  std::string from_item(scope& sc, const sql_source& src);

  // A stored query, translated once into a common table expression of its
  // own: however deep stored queries nest, and however often one is named,
  // the SQLite text stays flat and grows with the number of queries.
  struct stored_query {
    std::u16string name;
    std::string cte;
    std::vector<dao_field_info> infos;
  };

  const stored_query& stored(const std::u16string& name);

  static std::string all_columns(const source& src);

  void add_source(scope& sc, source src);

  // ---- SELECT
  static std::string order_key(const value& v);

  void check_grouped(const value& v, const std::vector<std::string>& keys, const std::string& text);

  // The output columns of one SELECT as they are built: what each is to the
  // caller (infos, outputs), its SQLite text, and its source text for the
  // errors that name it.
  struct output_columns {
    std::vector<dao_field_info>& infos;
    std::vector<value>& outputs;
    std::vector<std::string> exprs;
    std::vector<std::string> texts;

    void add(dao_field_info info, std::string sql, value v, std::string text) {
      infos.push_back(std::move(info));
      exprs.push_back(std::move(sql));
      outputs.push_back(std::move(v));
      texts.push_back(std::move(text));
    }
  };

  // The GROUP BY of one SELECT: the keys' SQLite texts (what the outputs,
  // HAVING and ORDER BY may use outside aggregates), the clause, and whether
  // the SELECT groups at all (keys, HAVING or an aggregate output).
  struct grouping {
    std::vector<std::string> keys;
    std::string clause;
    bool grouped = false;
  };

  // The columns of * or T.*; a duplicate name across tables is qualified.
  void star_columns(scope& sc, const sql_expr& star, output_columns& out);

  // TOP n [PERCENT]: the rows ranked by the ORDER BY keys, those tied with
  // the last one kept, as the engine does. The ranking keys join the
  // columns of the SELECT (head: SELECT and its list; tail: FROM onwards).
  std::string top_select(const sql_select& s, const std::vector<sql_order_item>& order,
                         const std::vector<std::string>& order_keys, size_t count,
                         const std::string& head, const std::string& tail);

  // One SELECT without its UNION parts: the dispatcher over the clauses
  // below. With order, the ORDER BY keys go to order_sql (or into TOP); a
  // crosstab's inner SELECT adds the pivot and transform values as its last
  // two columns.
  std::string core(const sql_select& s, scope& sc, std::vector<dao_field_info>& infos,
                   std::vector<value>& outputs, const std::vector<sql_order_item>* order,
                   std::string* order_sql, bool crosstab = false);

  // The FROM items, comma-separated, each adding its sources to sc.
  std::string from_list(const sql_select& s, scope& sc);

  // The SELECT list; unnamed expressions are called Expr1000, Expr1001, ...
  void select_items(const sql_select& s, scope& sc, output_columns& out);

  // A crosstab's pivot value (returned) and transform value, as two more
  // output columns.
  value crosstab_cells(const sql_select& s, scope& sc, output_columns& out);

  std::string where_clause(const sql_select& s, scope& sc);

  // GROUP BY (with the crosstab's pivot as the last key), and the outputs
  // checked against it.
  grouping group_clause(const sql_select& s, scope& sc, const value* pivot,
                        const output_columns& out);

  std::string having_clause(const sql_select& s, scope& sc, const grouping& g);

  // The GROUP BY that gives DISTINCTROW its rows, or nothing.
  static std::string distinctrow_group(const scope& sc);

  // The ORDER BY keys, checked against GROUP BY and DISTINCT.
  std::vector<std::string> order_keys(const sql_select& s, scope& sc,
                                      const std::vector<sql_order_item>& order, const grouping& g,
                                      const output_columns& out);

  // An SQLite expression giving the value of x as an SQL literal (reals
  // with all the digits that tell them apart).
  static std::string literal_of(const std::string& x);

  // A crosstab: the groups of the row headings and the pivot value with
  // their transform value, turned so that each pivot value is a column.
  // The columns are the pivot values found in the data (or listed by IN),
  // ascending, the null value named "<>".
  std::string crosstab(const sql_select& s, scope& sc, std::vector<dao_field_info>& infos);

  std::string query(const sql_select& s, scope* outer, std::vector<dao_field_info>& infos);

  sql_catalog& catalog_;
  sql_plan& plan_;
  const std::u16string* text_ = nullptr;
  int alias_counter_ = 0;
  static constexpr size_t kMaxStoredDepth = 50;
  static constexpr size_t kMaxFields = 255;  // output fields of a query
  std::vector<std::u16string> expanding_;    // stored queries being expanded, outermost first
  std::vector<std::unique_ptr<stored_query>> stored_;
  std::string ctes_;  // the WITH clause of the stored queries, in dependency order
  std::vector<std::u16string> parameters_;
  std::vector<std::set<size_t>> needed_;
  std::vector<const sql_catalog_table*> tables_;
};

}  // namespace sql_translation
