// PIVOT: `src PIVOT (agg(x) [AS a], ... FOR c IN (v [AS b], ...))` runs as
// the grouped query it stands for: the columns of src that neither the
// aggregates nor c read are the groups, and each value and aggregate gives
// the column agg(CASE WHEN c = v THEN x END). The column is named by the
// value's alias or its text as written ('A' keeps its quotes), with _a
// appended for an aggregate alias, as Oracle names them.
#include <set>

#include "oraemb/ora_error.h"
#include "oraemb/query_executor.h"

namespace oraemb {
namespace {

ExprPtr clone(const Expr& e) {
  auto c = std::make_unique<Expr>();
  c->op = e.op;
  c->literal = e.literal;
  c->qualifier = e.qualifier;
  c->name = e.name;
  c->negated = e.negated;
  c->distinct = e.distinct;
  c->has_else = e.has_else;
  c->start = e.start;
  c->end = e.end;
  c->subquery = e.subquery;
  c->all = e.all;
  c->over = e.over;
  for (const auto& a : e.args) c->args.push_back(clone(*a));
  return c;
}

ExprPtr column(const std::string& name) {
  auto c = std::make_unique<Expr>();
  c->op = Op::Column;
  c->name = name;
  return c;
}

}  // namespace

Source QueryExecutor::pivot_source(TableRef& ref, const Scope* outer_scope) {
  PivotClause& p = *ref.pivot;
  if (!p.rewritten) {
    auto q = std::make_shared<SelectStmt>();
    TableRef from;
    from.name = ref.name;
    from.subquery = std::move(ref.subquery);
    q->from.push_back(std::move(from));
    Scope inner = build_scope(*q, outer_scope);
    const std::vector<ColumnDesc>& cols = inner.sources[0].columns;
    // The columns the aggregates and FOR read are not groups.
    std::set<std::string> used{p.for_column};
    bool found_for = false;
    for (const auto& c : cols) found_for = found_for || c.name == p.for_column;
    if (!found_for) raise(904, {dq(p.for_column)});
    for (const auto& a : p.aggregates)
      walk_expr(*a.call, [&](const Expr& e) {
        if (e.op == Op::Column) used.insert(e.name);
      });
    for (const auto& c : cols) {
      if (used.count(c.name)) continue;
      SelectItem item;
      item.expr = column(c.name);
      item.text = c.name;
      q->items.push_back(std::move(item));
      q->group_by.push_back(column(c.name));
    }
    std::set<std::string> names;
    for (const auto& v : p.values) {
      for (const auto& a : p.aggregates) {
        const Expr& call = *a.call;
        auto when = std::make_unique<Expr>();
        when->op = Op::Cmp;
        when->name = "=";
        when->args.push_back(column(p.for_column));
        when->args.push_back(clone(*v.value));
        auto pick = std::make_unique<Expr>();
        pick->op = Op::Case;
        pick->args.push_back(std::move(when));
        if (call.args.empty() || call.args[0]->op == Op::Star) {
          auto one = std::make_unique<Expr>();
          one->literal = Value::num(OraNumber::from_int(1));
          pick->args.push_back(std::move(one));
        } else {
          pick->args.push_back(clone(*call.args[0]));
        }
        auto agg = std::make_unique<Expr>();
        agg->op = Op::Func;
        agg->name = call.name;
        agg->distinct = call.distinct;
        agg->args.push_back(std::move(pick));
        SelectItem item;
        item.expr = std::move(agg);
        item.alias = v.alias.empty() ? v.text : v.alias;
        if (!a.alias.empty()) item.alias += "_" + a.alias;
        item.text = item.alias;
        if (!names.insert(item.alias).second) raise(918);
        q->items.push_back(std::move(item));
      }
    }
    p.rewritten = q;
  }
  Source src;
  src.name = ref.name;
  src.subquery = p.rewritten.get();
  src.columns = describe(*p.rewritten, outer_scope);
  return src;
}

}  // namespace oraemb
