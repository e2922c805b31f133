// Texts of the Access SQL errors (see sql_errors.h).
#include "access/dao/sql/sql_errors.h"

namespace sql_errors {

namespace {
jet_failure query_expression(const std::string& what, const std::string& expression) {
  return {3075, what + " in query expression '" + expression + "'."};
}
}  // namespace

jet_failure missing_operator(const std::string& e) {
  return query_expression("Syntax error (missing operator)", e);
}
jet_failure bad_string(const std::string& e) {
  return query_expression("Syntax error in string", e);
}
jet_failure bad_date(const std::string& e) {
  return query_expression("Syntax error in date", e);
}
jet_failure missing_bracket(const std::string& e) {
  return query_expression("Missing ), ], or Item", e);
}
jet_failure extra_paren(const std::string& e) {
  return query_expression("Extra )", e);
}
jet_failure from_clause() {
  return {3131, "Syntax error in FROM clause."};
}
jet_failure order_by_clause() {
  return {3138, "Syntax error in ORDER BY clause."};
}
jet_failure group_by_clause() {
  return {3132, "Syntax error in GROUP BY clause."};
}
jet_failure select_punctuation() {
  return {3141,
          "The SELECT statement includes a reserved word or an argument name that is misspelled "
          "or missing, or the punctuation is incorrect."};
}
jet_failure trailing_characters() {
  return {3142, "Characters found after end of SQL statement."};
}
jet_failure invalid_statement() {
  return {3129,
          "Invalid SQL statement; expected 'DELETE', 'INSERT', 'PROCEDURE', 'SELECT', or "
          "'UPDATE'."};
}
jet_failure invalid_bracketing(const std::string& name) {
  return {3126, "Invalid bracketing of name '" + name + "'."};
}
jet_failure too_few_parameters(int expected) {
  return {3061, "Too few parameters. Expected " + std::to_string(expected) + "."};
}
jet_failure undefined_function(const std::string& name) {
  return {3085, "Undefined function '" + name + "' in expression."};
}
jet_failure ambiguous_field(const std::string& name) {
  return {3079, "The specified field '" + name +
                    "' could refer to more than one table listed in the FROM clause of your SQL "
                    "statement."};
}
jet_failure not_aggregated(const std::string& e) {
  return {3122, "Your query does not include the specified expression '" + e +
                    "' as part of an aggregate function."};
}
jet_failure aggregate_in_where(const std::string& e) {
  return {3096, "Cannot have aggregate function in WHERE clause (" + e + ")."};
}
jet_failure type_mismatch() {
  return {3464, "Data type mismatch in criteria expression."};
}
jet_failure too_complex() {
  return {3360, "Query is too complex."};
}
jet_failure subquery_fields() {
  return {3306,
          "You have written a subquery that can return more than one field without using the "
          "EXISTS reserved word in the main query's FROM clause. Revise the SELECT statement of "
          "the subquery to request only one field."};
}
jet_failure wrong_argument_count(const std::string& e) {
  return query_expression("Wrong number of arguments used with function", e);
}
jet_failure join_not_supported() {
  return {3296, "Join expression not supported."};
}
jet_failure distinct_order(const std::string& e) {
  return {3093, "ORDER BY clause (" + e + ") conflicts with DISTINCT."};
}
jet_failure evaluation(const std::string& detail) {
  return {3071,
          "This expression is typed incorrectly, or it is too complex to be evaluated. For "
          "example, a numeric expression may contain too many complicated elements. Try "
          "simplifying the expression by assigning parts of the expression to variables. (" +
              detail + ")"};
}

jet_failure query_corrupt(const std::string& name) {
  return {3340, "Query '" + name + "' is corrupt."};
}
jet_failure circular_reference(const std::string& name) {
  return {3103, "Circular reference caused by '" + name + "'."};
}
jet_failure too_many_fields() {
  return {3190, "Too many fields defined."};
}
}  // namespace sql_errors
