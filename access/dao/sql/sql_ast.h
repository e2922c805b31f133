// The parsed form of an Access SELECT: expressions, sources (tables, stored
// queries, subqueries, joins) and the clauses. Nodes own their children;
// the parser bounds the depth, so recursive walks and destruction stay
// within the stack. Offsets point into the query text for error messages.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct sql_select;

struct sql_expr {
  enum class kind : uint8_t {
    null,
    integer,     // number_text / integer
    real,        // number_text / real
    text,        // name holds the value
    date,        // real holds the DATE serial
    boolean,     // integer -1 / 0
    column,      // qualifier (may be empty) and name
    star,        // * or qualifier.*
    unary,       // op "-" or "NOT"; args[0]
    binary,      // op: + - * / \ ^ & MOD = <> < > <= >= AND OR XOR EQV IMP; args[0], args[1]
    like,        // args[0] LIKE args[1]; negated
    is_null,     // args[0] IS [NOT] NULL
    between,     // args[0] BETWEEN args[1] AND args[2]; negated
    in_list,     // args[0] IN (args[1..]); negated
    in_select,   // args[0] IN (select); negated
    exists,      // EXISTS (select)
    quantified,  // args[0] op ANY|ALL (select); op, name holds ANY / ALL
    subquery,    // (select) as a value
    call,        // name(args); star_argument for Count(*)
  };
  kind what = kind::null;
  std::u16string op;
  std::u16string name;
  std::u16string qualifier;
  std::u16string number_text;
  int64_t integer = 0;
  double real = 0;
  bool negated = false;
  bool star_argument = false;
  std::vector<std::unique_ptr<sql_expr>> args;
  std::unique_ptr<sql_select> select;
  size_t begin = 0;
  size_t end = 0;
  int depth = 1;  // height of the tree below this node
};

struct sql_select_item {
  std::unique_ptr<sql_expr> expr;
  std::u16string alias;  // empty when none
};

struct sql_source {
  enum class kind : uint8_t { table, select, join } what = kind::table;
  std::u16string name;   // table or stored query
  std::u16string alias;  // empty when none
  std::unique_ptr<sql_select> select;
  enum class join_kind : uint8_t { inner, left, right } join = join_kind::inner;
  std::unique_ptr<sql_source> left;
  std::unique_ptr<sql_source> right;
  std::unique_ptr<sql_expr> on;
};

struct sql_order_item {
  std::unique_ptr<sql_expr> expr;
  bool descending = false;
};

struct sql_select {
  bool distinct = false;
  bool distinctrow = false;
  bool has_top = false;
  bool top_percent = false;
  double top = 0;
  std::vector<sql_select_item> items;
  std::vector<std::unique_ptr<sql_source>> from;  // comma-separated sources
  std::unique_ptr<sql_expr> where;
  std::vector<std::unique_ptr<sql_expr>> group_by;
  std::unique_ptr<sql_expr> having;
  std::vector<sql_order_item> order_by;  // of the whole statement when unions follow
  struct union_part {
    bool all = false;
    std::unique_ptr<sql_select> select;
  };
  std::vector<union_part> unions;
  // Names declared by PARAMETERS before the statement.
  std::vector<std::u16string> parameters;
  // A crosstab: TRANSFORM value [AS alias] SELECT ... PIVOT pivot [IN (...)].
  std::unique_ptr<sql_expr> transform;
  std::u16string transform_alias;
  std::unique_ptr<sql_expr> pivot;
  std::vector<std::unique_ptr<sql_expr>> pivot_in;
};
