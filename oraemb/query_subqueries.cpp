// Queries inside expressions: scalar subqueries (ORA-01427 past one row),
// IN / NOT IN with Oracle's NULL rules, EXISTS, ANY / ALL over a list or a
// subquery, and correlated references to the enclosing queries' columns.
// A subquery that reads nothing of the enclosing row keeps its rows for the
// rest of the statement's run. Also the values of analytic functions and
// the resolution of columns merged by USING / NATURAL.
#include "oraemb/ora_error.h"
#include "oraemb/query_executor.h"
#include "oraemb/value_ops.h"

namespace oraemb {

// The executor's state of a query inside an expression.
struct QueryAttachment {
  std::vector<ColumnDesc> desc;  // the subquery's columns; an analytic function's type
  const Scope* scope = nullptr;  // the enclosing query's, as resolved
  bool correlated = false;
  bool cached = false;
  uint64_t epoch = 0;
  Rows rows;
};

namespace {

// Whether a query reads a column of a query enclosing it `depth` levels up
// or further.
bool refers_outside(const SelectStmt& q, int depth);

bool expr_refers_outside(const Expr* e, int depth) {
  if (!e) return false;
  bool found = false;
  walk_expr(*e, [&](const Expr& x) {
    if (x.op == Op::Column && x.outer > depth) found = true;
    if (x.subquery && refers_outside(*x.subquery, depth + 1)) found = true;
  });
  return found;
}

bool join_refers_outside(const JoinNode* n, int depth) {
  if (!n) return false;
  return expr_refers_outside(n->on.get(), depth) || join_refers_outside(n->left.get(), depth) ||
         join_refers_outside(n->right.get(), depth);
}

bool refers_outside(const SelectStmt& q, int depth) {
  if (q.set_left) return refers_outside(*q.set_left, depth) || refers_outside(*q.set_right, depth);
  for (const auto& item : q.items)
    if (expr_refers_outside(item.expr.get(), depth)) return true;
  if (expr_refers_outside(q.where.get(), depth) || expr_refers_outside(q.having.get(), depth))
    return true;
  for (const auto& g : q.group_by)
    if (expr_refers_outside(g.get(), depth)) return true;
  for (const auto& o : q.order_by)
    if (expr_refers_outside(o.expr.get(), depth)) return true;
  for (const auto& ref : q.from)
    if (ref.subquery && refers_outside(*ref.subquery, depth + 1)) return true;
  return join_refers_outside(q.joins.get(), depth);
}

const Rows& subquery_rows(Session& s, const Expr& e, EvalContext& ctx) {
  QueryAttachment* att = e.attached.get();
  if (!att) raise_unimplemented("a subquery in this position");
  QueryExecutor& q = s.queries();
  if (att->cached && !att->correlated && att->epoch == q.epoch()) return att->rows;
  att->rows = q.run(*e.subquery, nullptr, att->scope, &ctx, nullptr, nullptr);
  att->cached = true;
  att->epoch = q.epoch();
  return att->rows;
}

}  // namespace

QueryExecutor& Session::queries() {
  if (!queries_) queries_ = std::make_shared<QueryExecutor>(*this);
  return *queries_;
}

void Session::resolve_query_expr(Expr& e, const Scope& scope) {
  auto att = std::make_shared<QueryAttachment>();
  att->scope = &scope;
  if (e.over) {
    for (auto& p : e.over->partition_by) resolve(*p, scope, true);
    for (auto& o : e.over->order_by) resolve(*o, scope, true);
    OraType t = number_type();
    if ((e.name == "MIN" || e.name == "MAX") && !e.args.empty()) t = type_of(*e.args[0], scope);
    t.nullable = true;
    att->desc.push_back({e.name, t});
  }
  if (e.subquery) {
    att->desc = queries().describe(*e.subquery, &scope);
    size_t width = e.op == Op::Exists ? att->desc.size() : 1;
    if (att->desc.size() > width) raise_query(913);
    att->correlated = refers_outside(*e.subquery, 0);
  }
  e.attached = std::move(att);
}

OraType Session::query_expr_type(const Expr& e) const {
  if (!e.attached || e.attached->desc.empty()) return varchar_type(4000);
  OraType t = e.attached->desc[0].type;
  t.nullable = true;
  return t;
}

Value Session::eval_query_expr(const Expr& e, EvalContext& ctx) {
  if (e.op == Op::Analytic) {
    if (!ctx.analytics || e.aggregate < 0)
      throw ora_error(30483, "window  functions are not allowed here");
    return (*ctx.analytics)[e.aggregate];
  }
  const Rows& rows = subquery_rows(*this, e, ctx);
  if (rows.size() > 1) raise_query(1427);
  if (rows.empty()) return Value::null();
  return rows[0][0];
}

int Session::cond_query_expr(const Expr& e, EvalContext& ctx) {
  if (e.op == Op::Exists) return subquery_rows(*this, e, ctx).empty() ? 0 : 1;
  Value v = eval(*e.args[0], ctx);
  std::vector<Value> list;
  if (e.subquery) {
    for (const auto& r : subquery_rows(*this, e, ctx)) list.push_back(r[0]);
  } else {
    for (size_t k = 1; k < e.args.size(); ++k) list.push_back(eval(*e.args[k], ctx));
  }
  if (e.op == Op::In) {
    // x IN (): false; x NOT IN (): true, even for a NULL x.
    if (list.empty()) return e.negated ? 1 : 0;
    if (v.is_null()) return -1;
    bool unknown = false;
    for (const Value& item : list) {
      if (item.is_null()) {
        unknown = true;
        continue;
      }
      if (compare_values(v, item) == 0) return e.negated ? 0 : 1;
    }
    if (unknown) return -1;
    return e.negated ? 1 : 0;
  }
  // ANY: true when one comparison is; ALL: false when one is not.
  const std::string& op = e.name;
  bool unknown = false;
  for (const Value& item : list) {
    int r;
    if (v.is_null() || item.is_null()) {
      r = -1;
    } else {
      int c = compare_values(v, item);
      r = op == "="    ? c == 0
          : op == "<>" ? c != 0
          : op == "<"  ? c < 0
          : op == ">"  ? c > 0
          : op == "<=" ? c <= 0
                       : c >= 0;
    }
    if (r < 0) {
      unknown = true;
    } else if (e.all && r == 0) {
      return 0;
    } else if (!e.all && r == 1) {
      return 1;
    }
  }
  if (unknown) return -1;
  return e.all ? 1 : 0;
}

bool resolve_outer_column(Expr& e, const Scope& scope) {
  int level = 1;
  for (const Scope* sc = scope.outer; sc; sc = sc->outer, ++level) {
    if (e.qualifier.empty()) {
      for (auto it = sc->merged.rbegin(); it != sc->merged.rend(); ++it) {
        if (it->name != e.name) continue;
        bool right = it->kind == JoinNode::Right;
        e.source = right ? it->right_source : it->left_source;
        e.slot = right ? it->right_slot : it->left_slot;
        e.outer = level;
        return true;
      }
    }
    int found = -1;
    for (size_t s = 0; s < sc->sources.size(); ++s) {
      const Source& src = sc->sources[s];
      if (!e.qualifier.empty() && e.qualifier != (src.alias.empty() ? src.name : src.alias))
        continue;
      for (size_t c = 0; c < src.columns.size(); ++c) {
        if (src.columns[c].name != e.name) continue;
        if (found >= 0) raise(918);
        found = src.offset + static_cast<int>(c);
        e.source = static_cast<int>(s);
      }
    }
    if (found >= 0) {
      e.slot = found;
      e.outer = level;
      return true;
    }
  }
  return false;
}

bool resolve_merged_column(Expr& e, const Scope& scope) {
  for (auto it = scope.merged.rbegin(); it != scope.merged.rend(); ++it) {
    const MergedColumn& m = *it;
    if (m.name != e.name) continue;
    if (m.kind != JoinNode::Full) {
      bool right = m.kind == JoinNode::Right;
      e.source = right ? m.right_source : m.left_source;
      e.slot = right ? m.right_slot : m.left_slot;
      return true;
    }
    // FULL: the first of the two values that is not NULL.
    const std::string name = e.name;
    auto side = [&](int source, int slot) {
      auto c = std::make_unique<Expr>();
      c->op = Op::Column;
      const Source& src = scope.sources[source];
      c->name = name;
      c->qualifier = src.alias.empty() ? src.name : src.alias;
      c->source = source;
      c->slot = slot;
      return c;
    };
    e.op = Op::Func;
    e.name = "COALESCE";
    e.args.clear();
    e.args.push_back(side(m.left_source, m.left_slot));
    e.args.push_back(side(m.right_source, m.right_slot));
    return true;
  }
  return false;
}

}  // namespace oraemb
