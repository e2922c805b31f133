// The plan of one query block, shared by the query executor and the
// streamed cursors: resolved select list and describe, aggregates and
// analytic functions, the WHERE conjuncts, and the join tree as it runs
// (each node with the conditions checked when it has produced a row).
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "oraemb/session.h"

namespace oraemb {

struct JoinStep {
  JoinNode::Kind kind = JoinNode::Leaf;  // RIGHT joins run as LEFT with the sides swapped
  int leaf = -1;                         // Leaf: the source
  int left = -1, right = -1;             // other kinds: the steps joined
  std::vector<const Expr*> on;           // FULL joins: checked when pairing rows
  std::vector<const Expr*> filters;      // checked when this step has produced a row
  std::vector<int> leaves;               // the sources under this step
  // A user table's leaf: `lookup_value` (of sources bound before it) equals
  // column `lookup_column`, so each outer row reads only the rows with that
  // key, through an index when the column leads one.
  const Expr* lookup_value = nullptr;
  int lookup_column = -1;
  bool lookup_indexed = false;
};

struct Plan {
  Scope scope;
  std::vector<ExprPtr> owned;
  std::vector<const Expr*> items;
  std::vector<ColumnDesc> desc;
  std::vector<const Expr*> aggregates;
  std::vector<const Expr*> analytics;
  // WHERE conjuncts by the last source they need; a query of one source
  // keeps them all in conjuncts[0] (the streamed cursor checks them there).
  std::vector<std::vector<const Expr*>> conjuncts;
  std::vector<const Expr*> rownum_conjuncts;
  std::vector<int> order_item;
  bool grouped = false;
  bool subqueries = false;  // an expression holds a query
  std::vector<JoinStep> steps;
  int root = -1;
};

// Calls `fn` for `e` and every expression under it (not inside subqueries).
void walk_expr(const Expr& e, const std::function<void(const Expr&)>& fn);
bool is_aggregate_function(const std::string& name);
// Raises the errors of queries and views with their message text.
[[noreturn]] void raise_query(int code, const std::string& arg = "");

}  // namespace oraemb
