// The query executor of a session: plans and runs query blocks (joins of
// any shape over user tables, views, inline views, WITH queries and PIVOT,
// grouping, analytic functions, DISTINCT, ORDER BY, row limits), compound
// queries and the subqueries inside expressions. It works through the
// session it belongs to (connection, schema, evaluation of expressions).
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "oraemb/query_plan.h"
#include "oraemb/session.h"

namespace oraemb {

using Rows = std::vector<std::vector<Value>>;

class QueryExecutor {
 public:
  explicit QueryExecutor(Session& s) : s_(s) {}
  QueryExecutor(const QueryExecutor&) = delete;
  QueryExecutor& operator=(const QueryExecutor&) = delete;

  // Runs a query, a block or a compound; `scope` is the block's when the
  // caller built it (build_scope), else null. `outer_scope`/`outer_row`
  // are the enclosing query's for a subquery.
  Rows run(SelectStmt& sel, const Scope* scope, const Scope* outer_scope,
           const EvalContext* outer_row, std::vector<ColumnDesc>* desc_out,
           std::vector<Value>* new_row);
  // The select list's describe, without reading any row.
  std::vector<ColumnDesc> describe(SelectStmt& sel, const Scope* outer_scope);
  Scope build_scope(SelectStmt& sel, const Scope* outer_scope);
  std::shared_ptr<Plan> make_plan(SelectStmt& sel, Scope scope);
  std::vector<std::vector<bool>> needed_columns(const Plan& plan, const SelectStmt& sel,
                                                bool& sequences) const;
  // Statement runs: subqueries that do not depend on the enclosing row keep
  // their rows for one run of the statement.
  uint64_t epoch() const { return epoch_; }
  void next_epoch() { ++epoch_; }
  int depth() const { return depth_; }

  // User views (views.cpp): the parsed query of a view, its describe, and
  // whether it compiles (USER_OBJECTS.STATUS).
  std::shared_ptr<SelectStmt> view_query(const std::string& name);
  std::vector<ColumnDesc> view_describe(const std::string& name);
  bool view_valid(const std::string& name);

 private:
  Rows run_block(SelectStmt& sel, Scope scope, const EvalContext* outer_row,
                 std::vector<ColumnDesc>* desc_out, std::vector<Value>* new_row);
  Rows run_compound(SelectStmt& sel, const Scope* outer_scope, const EvalContext* outer_row,
                    std::vector<ColumnDesc>* desc_out);
  std::vector<ColumnDesc> compound_describe(SelectStmt& sel, const Scope* outer_scope);
  void plan_joins(SelectStmt& sel, Plan& plan, std::vector<const Expr*>& where_parts);
  void push_into_views(Plan& plan);
  void limit_rows(SelectStmt& sel, Rows& rows, const std::vector<std::vector<Value>>* keys);
  const SelectStmt* find_with(const std::string& name) const;
  Source pivot_source(TableRef& ref, const Scope* outer_scope);

  Session& s_;
  uint64_t epoch_ = 0;
  int depth_ = 0;
  // WITH queries in force (innermost last), and the views and WITH queries
  // being expanded (a definition that reaches itself is circular).
  std::vector<const std::vector<std::pair<std::string, std::shared_ptr<SelectStmt>>>*> with_;
  std::vector<std::string> expanding_;
  // View describes of the statement running (epoch) against one schema.
  std::map<std::string, std::vector<ColumnDesc>> view_cache_;
  uint64_t view_cache_epoch_ = 0;
  const Schema* view_cache_schema_ = nullptr;
  friend struct WithScope;
  friend class Session;
};

// Pushes and pops a block's WITH queries for the time of its run.
struct WithScope {
  WithScope(QueryExecutor& q, const SelectStmt& sel) : q_(q), pushed_(!sel.with.empty()) {
    if (pushed_) q_.with_.push_back(&sel.with);
  }
  ~WithScope() {
    if (pushed_) q_.with_.pop_back();
  }
  WithScope(const WithScope&) = delete;
  WithScope& operator=(const WithScope&) = delete;
  QueryExecutor& q_;
  bool pushed_;
};

}  // namespace oraemb
