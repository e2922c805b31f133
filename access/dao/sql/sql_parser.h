// Recursive-descent parser of Access SQL SELECT statements (no regular
// expressions): bracketed names, #dates#, & concatenation, Like, Between, In,
// Is Null, subqueries, TOP n [PERCENT], DISTINCT/DISTINCTROW, Access-style
// nested joins, GROUP BY / HAVING / ORDER BY and UNION. Syntax errors throw
// jet_failure with the engine's number and text; nesting and size are bounded
// (3360) so hostile input cannot exhaust the stack.
#pragma once

#include <memory>
#include <string>

#include "access/dao/sql/sql_ast.h"

// Limits: the expression tree height and the nesting of parentheses and
// subqueries. SQLite's own expression depth limit is 1000; ours stays well
// below it after translation.
constexpr int kSqlMaxDepth = 200;

// Parses a whole statement ("PARAMETERS ...;" is rejected with 3061 since a
// temporary query has no parameter values). Throws jet_failure.
std::unique_ptr<sql_select> sql_parse(const std::u16string& text);

// Parses a validation rule: one expression. With a column name (a field's
// rule) a comparison without a left side compares that column (">0",
// "Between 0 And 1", "<=1 And >=0"); with none (a table's rule) every name
// is written out. Throws jet_failure.
std::unique_ptr<sql_expr> sql_parse_rule(const std::u16string& text, const std::u16string& column);
