// Access expressions (the Access SQL layer's parse tree) written as Oracle
// SQL with Access's meaning kept: text compared without regard to letter
// case, Yes/No as -1/0 in arithmetic, Like patterns, #date# literals,
// banker's rounding, and Access's functions as Oracle expressions. What
// Oracle cannot say exactly is refused with a reason (logic_refusal), never
// approximated. Column names come from a scope that knows the run's names.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

#include "access/dao/sql/sql_ast.h"

// An expression that cannot be carried into Oracle exactly; what() is the
// reason, for the report.
class logic_refusal : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// What a translated expression holds. A condition is an Oracle condition
// (Oracle has no boolean values); a Yes/No value is already in Access's
// -1/0 form.
enum class logic_type : uint8_t { null, condition, yes_no, integer, number, text, date, other };

struct logic_value {
  std::string sql;  // UTF-8 Oracle text
  logic_type type = logic_type::null;
  bool aggregate = false;
  bool plain_column = false;  // a column written as it is stored (Yes/No as 1/0)
};

// The logic_type of a DAO field type.
logic_type logic_type_of_dao(int16_t dao_type);

// Resolves the names an expression uses. Implementations: a table's columns
// (rules) and the sources of a query (views).
class logic_scope {
 public:
  virtual ~logic_scope() = default;
  // A column reference (qualifier may be empty): its Oracle text, type and
  // plain_column set. Throws logic_refusal (a parameter, a form, ...).
  virtual logic_value column(const sql_expr& e) = 0;
  // A subquery used as a value, in IN or EXISTS; refused unless the scope
  // can write queries.
  virtual std::string subquery(const sql_select&) {
    throw logic_refusal("a subquery cannot be used here");
  }
};

class logic_expr {
 public:
  // `for_check`: the text is a CHECK condition (no current date or time).
  logic_expr(logic_scope& scope, bool for_check) : scope_(scope), for_check_(for_check) {}

  // A value; a Yes/No column that is output as it stands keeps its stored
  // form (1/0), every other Yes/No value is -1/0 as in Access.
  logic_value value(const sql_expr& e);
  // An Oracle condition: comparisons, Like, Between, In, Is Null and their
  // And/Or/Not; a Yes/No value is true when not 0.
  std::string condition(const sql_expr& e);
  // A field's rule at its top level: a bare value means "= value", as
  // Access reads a rule such as "A" Or "B".
  std::string rule_condition(const sql_expr& e, const sql_expr& column);

  // Oracle literals.
  static std::string text_literal(const std::u16string& text);
  static std::string date_literal(double serial);

 private:
  logic_value expr(const sql_expr& e);
  logic_value literal(const sql_expr& e);
  logic_value unary(const sql_expr& e);
  logic_value binary(const sql_expr& e);
  logic_value compare(const logic_value& a, const std::u16string& op, const logic_value& b);
  logic_value like(const sql_expr& e);
  logic_value between(const sql_expr& e);
  logic_value in_list(const sql_expr& e);
  logic_value call(const sql_expr& e);
  logic_value aggregate(const sql_expr& e, const std::string& name);
  logic_value date_function(const std::string& name, const sql_expr& e);
  logic_value format(const sql_expr& e);
  std::string as_condition(const logic_value& v);
  std::string numeric(const logic_value& v);  // a number (Yes/No as -1/0)
  std::string text_of(const logic_value& v);  // a text for concatenation
  static std::string banker_round(const std::string& x, int places);
  std::string interval_of(const sql_expr& e);
  int small_int_argument(const sql_expr& e, int low, int high, const char* what);

  logic_scope& scope_;
  bool for_check_;
};

// An Access Like pattern as an Oracle condition on `subject` (already in
// the form to compare: the caller lowers both sides).
std::string logic_like_condition(const std::string& subject, const std::u16string& pattern);
