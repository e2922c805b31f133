// Planning of a block's joins: the join tree of its FROM clause (JOIN
// syntax, or FROM order with the (+) marker making a table optional), the
// step at which each condition is checked (where its tables are bound and
// no outer join lies between), the index lookups or hashes of equalities
// with tables bound earlier, and the copying of conditions into views.
#include <algorithm>
#include <functional>
#include <map>
#include <set>

#include "oraemb/ora_error.h"
#include "oraemb/query_executor.h"

namespace oraemb {

void split_and(const Expr* e, std::vector<const Expr*>& out) {
  if (e->op == Op::And) {
    split_and(e->args[0].get(), out);
    split_and(e->args[1].get(), out);
  } else {
    out.push_back(e);
  }
}

// The sources of this block an expression reads (not those of enclosing
// queries); `other` is set for ROWNUM, sequences, subqueries and analytic
// functions, which are never moved into a scan.
std::set<int> sources_of(const Expr& root, bool& other) {
  std::set<int> out;
  walk_expr(root, [&](const Expr& e) {
    if ((e.op == Op::Column || e.op == Op::Rowid) && e.outer == 0 && e.source >= 0)
      out.insert(e.source);
    if (e.op == Op::Rownum || e.op == Op::SeqValue || e.subquery || e.op == Op::Analytic ||
        e.op == Op::Bind || (e.op == Op::Func && is_aggregate_function(e.name)))
      other = true;
  });
  return out;
}

bool has_query(const Expr& root) {
  bool found = false;
  walk_expr(root, [&](const Expr& e) { found = found || e.subquery != nullptr; });
  return found;
}

// A Column expression already resolved to a source's column.
ExprPtr column_ref(const Scope& sc, int source, int column) {
  auto e = std::make_unique<Expr>();
  e->op = Op::Column;
  const Source& src = sc.sources[source];
  e->name = src.columns[column].name;
  e->qualifier = src.alias.empty() ? src.name : src.alias;
  e->slot = src.offset + column;
  e->source = source;
  return e;
}

int column_of(const Source& src, const std::string& name) {
  for (size_t c = 0; c < src.columns.size(); ++c)
    if (src.columns[c].name == name) return static_cast<int>(c);
  return -1;
}

bool hashable(const OraType& a, const OraType& b) {
  auto family = [](const OraType& t) {
    if (t.base == Base::Number) return 1;
    if (t.base == Base::Varchar2 || t.base == Base::Nvarchar2) return 2;
    if (t.base == Base::Date) return 3;
    return 0;
  };
  return family(a) != 0 && family(a) == family(b);
}

// The join steps of a block. Without JOIN syntax the sources are joined in
// FROM order; the (+) marker makes its table the inner side of an outer
// join whose condition is the conjuncts that mark it.
void QueryExecutor::plan_joins(SelectStmt& sel, Plan& plan, std::vector<const Expr*>& where_parts) {
  Scope& sc = plan.scope;
  auto leaf = [&](int source) {
    JoinStep st;
    st.leaf = source;
    st.leaves = {source};
    plan.steps.push_back(st);
    return static_cast<int>(plan.steps.size()) - 1;
  };
  auto join = [&](JoinNode::Kind kind, int l, int r) {
    JoinStep st;
    st.kind = kind;
    st.left = l;
    st.right = r;
    st.leaves = plan.steps[l].leaves;
    st.leaves.insert(st.leaves.end(), plan.steps[r].leaves.begin(), plan.steps[r].leaves.end());
    plan.steps.push_back(st);
    return static_cast<int>(plan.steps.size()) - 1;
  };
  // Conditions whose home is a step; placed with the WHERE conjuncts.
  std::vector<std::pair<const Expr*, int>> homed;
  if (!sel.joins) {
    std::map<int, std::vector<const Expr*>> outer_parts;
    std::vector<const Expr*> rest;
    for (const Expr* part : where_parts) {
      int marked = -1;
      walk_expr(*part, [&](const Expr& e) {
        if (e.op == Op::Column && e.outer_mark && e.outer == 0) {
          if (marked >= 0 && marked != e.source)
            throw ora_error(1468, "a predicate may reference only one outer-joined table");
          marked = e.source;
        }
      });
      if (marked >= 0)
        outer_parts[marked].push_back(part);
      else
        rest.push_back(part);
    }
    where_parts = rest;
    // The marker on the only table of a query means nothing.
    if (sc.sources.size() == 1 && !outer_parts.empty()) {
      for (const Expr* p : outer_parts.begin()->second) where_parts.push_back(p);
      outer_parts.erase(outer_parts.begin());
    }
    int tree = -1;
    std::set<int> joined;
    for (size_t k = 0; k < sc.sources.size(); ++k) {
      if (outer_parts.count(static_cast<int>(k))) continue;
      int l = leaf(static_cast<int>(k));
      tree = tree < 0 ? l : join(JoinNode::Inner, tree, l);
      joined.insert(static_cast<int>(k));
    }
    // Each optional table joins once the tables its conditions read are in;
    // tables that wait on each other are outer-joined to each other.
    while (!outer_parts.empty()) {
      auto next = outer_parts.end();
      for (auto it = outer_parts.begin(); it != outer_parts.end() && next == outer_parts.end();
           ++it) {
        bool ready = true;
        for (const Expr* p : it->second) {
          bool other = false;
          for (int s : sources_of(*p, other))
            if (s != it->first && !joined.count(s)) ready = false;
        }
        if (ready) next = it;
      }
      if (next == outer_parts.end()) raise_query(1416);
      int r = leaf(next->first);
      if (tree < 0) {
        tree = r;  // nothing to be optional to: the first table of the join
        for (const Expr* p : next->second) where_parts.push_back(p);
      } else {
        tree = join(JoinNode::Left, tree, r);
        for (const Expr* p : next->second) homed.emplace_back(p, r);
      }
      joined.insert(next->first);
      outer_parts.erase(next);
    }
    plan.root = tree;
  } else {
    std::function<int(JoinNode&)> build = [&](JoinNode& node) -> int {
      if (node.kind == JoinNode::Leaf) return leaf(node.leaf);
      int l = build(*node.left), r = build(*node.right);
      JoinNode::Kind kind = node.kind;
      std::vector<std::string> using_columns = node.using_columns;
      if (node.natural) {
        for (int ls : plan.steps[l].leaves)
          for (const auto& col : sc.sources[ls].columns)
            for (int rs : plan.steps[r].leaves)
              if (column_of(sc.sources[rs], col.name) >= 0 &&
                  std::find(using_columns.begin(), using_columns.end(), col.name) ==
                      using_columns.end())
                using_columns.push_back(col.name);
      }
      int step = kind == JoinNode::Right   ? join(JoinNode::Left, r, l)
                 : kind == JoinNode::Cross ? join(JoinNode::Inner, l, r)
                                           : join(kind, l, r);
      int home = kind == JoinNode::Left ? r : kind == JoinNode::Right ? l : step;
      for (const std::string& name : using_columns) {
        auto side = [&](int st, int& source, int& column) {
          // The first source that has it (an earlier USING merged the others).
          for (int s : plan.steps[st].leaves) {
            int c = column_of(sc.sources[s], name);
            if (c < 0 || source >= 0) continue;
            source = s;
            column = c;
          }
          if (source < 0) raise(904, {dq(name)});
        };
        MergedColumn m;
        m.name = name;
        m.kind = kind;
        int lc = -1, rc = -1;
        side(l, m.left_source, lc);
        side(r, m.right_source, rc);
        m.left_slot = sc.sources[m.left_source].offset + lc;
        m.right_slot = sc.sources[m.right_source].offset + rc;
        auto eq = std::make_unique<Expr>();
        eq->op = Op::Cmp;
        eq->name = "=";
        eq->args.push_back(column_ref(sc, m.left_source, lc));
        eq->args.push_back(column_ref(sc, m.right_source, rc));
        if (kind == JoinNode::Full)
          plan.steps[step].on.push_back(eq.get());
        else
          homed.emplace_back(eq.get(), home);
        plan.owned.push_back(std::move(eq));
        sc.merged.push_back(m);
      }
      if (node.on) {
        s_.resolve(*node.on, sc, true);
        // ON reads only the tables of its join (those after it are not
        // there yet): ORA-00904 as Oracle gives it.
        const std::vector<int>& in = plan.steps[step].leaves;
        walk_expr(*node.on, [&](const Expr& e) {
          if (e.op == Op::Column && e.outer == 0 && e.source >= 0 &&
              std::find(in.begin(), in.end(), e.source) == in.end())
            raise(904, {e.qualifier.empty() ? dq(e.name) : dq(e.qualifier) + "." + dq(e.name)});
        });
        std::vector<const Expr*> parts;
        split_and(node.on.get(), parts);
        for (const Expr* p : parts) {
          if (kind == JoinNode::Full)
            plan.steps[step].on.push_back(p);
          else
            homed.emplace_back(p, home);
        }
      }
      return step;
    };
    plan.root = build(*sel.joins);
    for (const Expr* part : where_parts)
      walk_expr(*part, [&](const Expr& e) {
        if (e.outer_mark)
          throw ora_error(25156, "old style outer join (+) cannot be used with ANSI joins");
      });
  }
  // The WHERE conjuncts have the root as their home.
  for (const Expr* p : where_parts) homed.emplace_back(p, plan.root);
  where_parts.clear();
  // Placement: at the leaf where the last source a condition reads is
  // bound, moved up past every outer join whose inner side that leaf is on
  // (up to the condition's home).
  std::vector<int> parent(plan.steps.size(), -1);
  for (size_t k = 0; k < plan.steps.size(); ++k) {
    if (plan.steps[k].left >= 0) parent[plan.steps[k].left] = static_cast<int>(k);
    if (plan.steps[k].right >= 0) parent[plan.steps[k].right] = static_cast<int>(k);
  }
  std::vector<int> leaf_step(sc.sources.size(), -1), order(sc.sources.size(), 0);
  for (size_t k = 0; k < plan.steps.size(); ++k)
    if (plan.steps[k].kind == JoinNode::Leaf) leaf_step[plan.steps[k].leaf] = static_cast<int>(k);
  const std::vector<int>& evaluation = plan.steps[plan.root].leaves;
  for (size_t k = 0; k < evaluation.size(); ++k) order[evaluation[k]] = static_cast<int>(k);
  for (auto& [cond, home] : homed) {
    bool other = false;
    std::set<int> refs = sources_of(*cond, other);
    const std::vector<int>& under = plan.steps[home].leaves;
    int last = -1;
    for (int s : refs)
      if (std::find(under.begin(), under.end(), s) != under.end() &&
          (last < 0 || order[s] > order[last]))
        last = s;
    if (has_query(*cond)) {
      plan.steps[home].filters.push_back(cond);
      continue;
    }
    int at = last < 0 ? leaf_step[under.front()] : leaf_step[last];
    for (int child = at, up = parent[at]; child != home && up >= 0; child = up, up = parent[up]) {
      const JoinStep& p = plan.steps[up];
      if ((p.kind == JoinNode::Left && p.right == child) || p.kind == JoinNode::Full) at = up;
    }
    plan.steps[at].filters.push_back(cond);
  }
  // Lookups: an equality of a table's column with values bound before it.
  const Schema& schema = *s_.catalog_.schema();
  for (auto& st : plan.steps) {
    if (st.kind != JoinNode::Leaf) continue;
    const Source& src = sc.sources[st.leaf];
    for (const Expr* f : st.filters) {
      if (f->op != Op::Cmp || f->name != "=") continue;
      for (int side = 0; side < 2; ++side) {
        const Expr* col = f->args[side].get();
        const Expr* value = f->args[1 - side].get();
        if (col->op != Op::Column || col->outer != 0 || col->source != st.leaf) continue;
        bool other = false;
        std::set<int> refs = sources_of(*value, other);
        bool bound = true;
        for (int s : refs) bound = bound && order[s] < order[st.leaf];
        if (!bound || (other && value->op != Op::Bind) || has_query(*value)) continue;
        int column = col->slot - src.offset;
        OraType vt = s_.type_of(*value, sc);
        if (!hashable(src.columns[column].type, vt) && value->op != Op::Literal &&
            value->op != Op::Bind)
          continue;
        bool indexed = false;
        if (src.table_obj) {
          for (const auto& [obj, ind] : schema.indexes)
            if (ind.table_obj == src.table_obj && !ind.columns.empty() && ind.columns[0] == column)
              indexed = true;
          for (const auto& c : schema.constraints)
            if (c.table_obj == src.table_obj && (c.type == 'P' || c.type == 'U') &&
                !c.columns.empty() && c.columns[0] == column)
              indexed = true;
        }
        bool better = !st.lookup_value || (indexed && !st.lookup_indexed);
        if (!better) continue;
        if ((value->op == Op::Literal || value->op == Op::Bind) &&
            !hashable(src.columns[column].type, src.columns[column].type))
          continue;
        st.lookup_value = value;
        st.lookup_column = column;
        st.lookup_indexed = indexed;
      }
    }
  }
}

// Conditions on a view's columns alone are copied into the view's query
// (its columns replaced by their expressions), so that the view reads only
// the rows they keep: an equality on an indexed column of the view's table
// then reads through the index. Only where the result cannot change: no
// groups, ROWNUM, analytic functions, row limits or set operations in the
// view. The condition is still checked on the view's rows.
void QueryExecutor::push_into_views(Plan& plan) {
  Scope& sc = plan.scope;
  for (const auto& st : plan.steps) {
    if (st.kind != JoinNode::Leaf) continue;
    Source& src = sc.sources[st.leaf];
    if (!src.view_query) continue;
    SelectStmt& q = *src.view_query;
    if (q.set_op != SelectStmt::None || !q.group_by.empty() || q.having || q.offset || q.fetch ||
        q.for_update)
      continue;
    bool plain = true;
    auto check = [&](const Expr* e) {
      if (!e) return;
      walk_expr(*e, [&](const Expr& x) {
        if (x.op == Op::Rownum || x.op == Op::Analytic || x.op == Op::SeqValue || x.subquery ||
            (x.op == Op::Func && is_aggregate_function(x.name)))
          plain = false;
      });
    };
    for (const auto& item : q.items) check(item.expr.get());
    check(q.where.get());
    // The expression of each of the view's columns.
    std::vector<const Expr*> column_expr;
    bool star = false;
    for (const auto& item : q.items) {
      if (item.star) star = true;
      column_expr.push_back(item.expr.get());
    }
    if (star && (q.items.size() != 1 || q.from.size() != 1 || !q.items[0].star_qualifier.empty()))
      plain = false;
    if (!plain || (!star && column_expr.size() != src.columns.size())) continue;
    for (const Expr* f : st.filters) {
      bool other = false;
      std::set<int> refs = sources_of(*f, other);
      if (other || refs != std::set<int>{st.leaf}) continue;
      bool ok = true;
      std::function<ExprPtr(const Expr&)> copy = [&](const Expr& e) -> ExprPtr {
        if (e.op == Op::Column && e.outer == 0 && e.source == st.leaf) {
          int c = e.slot - src.offset;
          if (star) {
            auto col = std::make_unique<Expr>();
            col->op = Op::Column;
            col->name = src.columns[c].name;
            return col;
          }
          return clone_expr(*column_expr[c]);
        }
        if (e.op == Op::Rowid) ok = false;
        auto out = clone_expr(e);
        out->args.clear();
        for (const auto& a : e.args) out->args.push_back(copy(*a));
        return out;
      };
      ExprPtr pushed = copy(*f);
      if (!ok) continue;
      if (star) {
        // The names of a view's own column list are not those of its query.
        const ObjectInfo* obj = s_.catalog_.schema()->find_table_ns(src.name);
        if (obj && obj->type == "VIEW" && !s_.catalog_.schema()->views.at(obj->obj).columns.empty())
          continue;
      }
      if (q.where) {
        auto both = std::make_unique<Expr>();
        both->op = Op::And;
        both->args.push_back(std::move(q.where));
        both->args.push_back(std::move(pushed));
        q.where = std::move(both);
      } else {
        q.where = std::move(pushed);
      }
    }
  }
}

}  // namespace oraemb
