// Query blocks: the sources of FROM (user tables, views, WITH queries,
// inline views, PIVOT, dictionary views), the plan (select list, WHERE
// conjuncts, aggregates, analytic functions), the join tree run as nested
// loops (planned in query_joins.cpp), grouping, DISTINCT, ORDER BY and the
// row limit. An equality between a table's column and values bound earlier
// reads only the matching rows: through an index when the column leads one,
// else from the table's rows read once and hashed on that column.
#include "oraemb/query_executor.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <set>
#include <unordered_map>

#include "oraemb/functions.h"
#include "oraemb/ora_error.h"
#include "oraemb/sqlite_util.h"
#include "oraemb/value_ops.h"

namespace oraemb {

void walk_expr(const Expr& e, const std::function<void(const Expr&)>& fn) {
  fn(e);
  for (const auto& a : e.args) walk_expr(*a, fn);
  if (e.over) {
    for (const auto& p : e.over->partition_by) walk_expr(*p, fn);
    for (const auto& o : e.over->order_by) walk_expr(*o, fn);
  }
}

void raise_query(int code, const std::string& arg) {
  static const std::map<int, std::string> texts = {
      {1416, "two tables cannot be outer-joined to each other"},
      {1427, "single-row subquery returns more than one row"},
      {1730, "invalid number of column names specified"},
      {1731, "circular view definition encountered"},
      {1733, "virtual column not allowed here"},
      {1785, "ORDER BY item must be the number of a SELECT-list expression"},
      {1789, "query block has incorrect number of result columns"},
      {1790, "expression must have same datatype as corresponding expression"},
      {913, "too many values"},
      {947, "not enough values"},
      {955, "name is already used by an existing object"},
      {4063, "%s has errors"},
      {32039, "recursive WITH clause must have column alias list"}};
  auto found = texts.find(code);
  if (found == texts.end()) raise(code, {arg});
  std::string text = found->second;
  size_t at = text.find("%s");
  if (at != std::string::npos) text.replace(at, 2, arg);
  throw ora_error(code, text);
}

ExprPtr clone_expr(const Expr& e) {
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
  for (const auto& a : e.args) c->args.push_back(clone_expr(*a));
  return c;
}

bool is_aggregate_function(const std::string& f) {
  return f == "COUNT" || f == "MIN" || f == "MAX" || f == "SUM" || f == "AVG" || f == "STDDEV" ||
         f == "VARIANCE";
}

// Defined with the analytic functions (query_analytic.cpp).
std::vector<std::vector<Value>> compute_analytics(Session& s, const Plan& plan,
                                                  std::vector<EvalContext>& rows);

namespace {

std::string item_name(const SelectItem& item) {
  if (!item.alias.empty()) return item.alias;
  if (item.expr->op == Op::Column) return item.expr->name;
  std::string out;
  bool quoted = false;
  for (char c : item.text) {
    if (c == '\'') quoted = !quoted;
    if (!quoted && std::isspace(static_cast<unsigned char>(c))) continue;
    out += quoted ? c : static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  }
  return out;
}

// ORDER BY, stable, with Oracle's NULL placement (last ascending, first
// descending, unless NULLS FIRST / LAST says otherwise).
bool order_less(const std::vector<Value>& a, const std::vector<Value>& b,
                const std::vector<OrderItem>& order_by) {
  for (size_t k = 0; k < order_by.size(); ++k) {
    const Value& x = a[k];
    const Value& y = b[k];
    const OrderItem& item = order_by[k];
    bool nulls_first = item.nulls ? item.nulls == 1 : item.desc;
    if (x.is_null() || y.is_null()) {
      if (x.is_null() && y.is_null()) continue;
      return x.is_null() ? nulls_first : !nulls_first;
    }
    int c = compare_values(x, y);
    if (c != 0) return item.desc ? c > 0 : c < 0;
  }
  return false;
}

}  // namespace

const SelectStmt* QueryExecutor::find_with(const std::string& name) const {
  for (auto it = with_.rbegin(); it != with_.rend(); ++it)
    for (const auto& [n, q] : **it)
      if (n == name) return q.get();
  return nullptr;
}

Scope QueryExecutor::build_scope(SelectStmt& sel, const Scope* outer_scope) {
  Scope scope;
  scope.outer = outer_scope;
  WithScope with(*this, sel);
  int offset = 0;
  for (auto& ref : sel.from) {
    Source src;
    src.alias = ref.alias;
    if (ref.pivot) {
      if (s_.profile_.version < 110) raise(933);  // PIVOT came with 11g
      src = pivot_source(ref, outer_scope);
      src.alias = ref.alias;
    } else if (ref.subquery) {
      src.subquery = ref.subquery.get();
      src.columns = describe(*ref.subquery, nullptr);
    } else if (const SelectStmt* w = find_with(ref.name)) {
      src.name = ref.name;
      if (std::find(expanding_.begin(), expanding_.end(), "WITH " + ref.name) != expanding_.end())
        throw ora_error(32039, "recursive WITH clause must have column alias list");
      expanding_.push_back("WITH " + ref.name);
      try {
        src.subquery = w;
        src.columns = describe(*const_cast<SelectStmt*>(w), nullptr);
      } catch (...) {
        expanding_.pop_back();
        throw;
      }
      expanding_.pop_back();
    } else {
      src.name = ref.name;
      const Schema& schema = *s_.catalog_.schema();
      const ObjectInfo* obj = schema.find_table_ns(ref.name);
      if (obj && obj->type == "TABLE") {
        const TableInfo& t = schema.tables.at(obj->obj);
        src.table_obj = t.obj;
        for (size_t c = 0; c < t.columns.size(); ++c) {
          ColumnDesc d{t.columns[c].name, t.columns[c].type, t.columns[c].invisible};
          d.type.nullable = schema.column_nullable(t.obj, static_cast<int>(c));
          src.columns.push_back(d);
        }
      } else if (obj && obj->type == "VIEW") {
        src.columns = view_describe(ref.name);
        src.view_query = view_query(ref.name);
        src.subquery = src.view_query.get();
      } else if (!obj && s_.is_view(ref.name)) {
        src.columns = s_.view_columns(ref.name);
      } else {
        raise(942);
      }
    }
    src.offset = offset;
    offset += static_cast<int>(src.columns.size());
    scope.sources.push_back(std::move(src));
  }
  return scope;
}

std::shared_ptr<Plan> QueryExecutor::make_plan(SelectStmt& sel, Scope scope) {
  auto plan = std::make_shared<Plan>();
  plan->scope = std::move(scope);
  Scope& sc = plan->scope;
  if ((sel.offset || sel.fetch) && s_.profile_.version < 121) raise(933);
  std::vector<const Expr*> where_parts;
  if (sel.where) {
    s_.resolve(*sel.where, sc, true);
    std::vector<const Expr*> parts;
    split_and(sel.where.get(), parts);
    for (const Expr* part : parts) {
      bool rownum = false;
      walk_expr(*part, [&](const Expr& e) {
        if (e.op == Op::Rownum) rownum = true;
        if (e.op == Op::Func && is_aggregate_function(e.name)) raise(934);
        if (e.op == Op::Analytic) throw ora_error(30483, "window  functions are not allowed here");
      });
      if (rownum)
        plan->rownum_conjuncts.push_back(part);
      else
        where_parts.push_back(part);
    }
  }
  plan_joins(sel, *plan, where_parts);
  for (auto& item : sel.items) {
    if (item.star) {
      bool any = false;
      std::set<int> merged_slots;
      if (item.star_qualifier.empty()) {
        for (const MergedColumn& m : sc.merged) {
          auto e = std::make_unique<Expr>();
          e->op = Op::Column;
          e->name = m.name;
          s_.resolve(*e, sc, true);
          ColumnDesc d{m.name, s_.type_of(*e, sc)};
          plan->desc.push_back(d);
          plan->items.push_back(e.get());
          plan->owned.push_back(std::move(e));
          merged_slots.insert(m.left_slot);
          merged_slots.insert(m.right_slot);
        }
      }
      for (size_t k = 0; k < sc.sources.size(); ++k) {
        const Source& src = sc.sources[k];
        if (!item.star_qualifier.empty() &&
            item.star_qualifier != (src.alias.empty() ? src.name : src.alias))
          continue;
        any = true;
        for (size_t c = 0; c < src.columns.size(); ++c) {
          if (merged_slots.count(src.offset + static_cast<int>(c)) || src.columns[c].invisible)
            continue;
          auto e = column_ref(sc, static_cast<int>(k), static_cast<int>(c));
          plan->desc.push_back(src.columns[c]);
          plan->items.push_back(e.get());
          plan->owned.push_back(std::move(e));
        }
      }
      if (!any) raise(904, {dq(item.star_qualifier)});
      continue;
    }
    s_.resolve(*item.expr, sc, true);
    plan->items.push_back(item.expr.get());
    plan->desc.push_back({item_name(item), s_.type_of(*item.expr, sc)});
    if (item.expr->op != Op::Column) plan->desc.back().type.nullable = true;
  }
  // Columns on the inner side of an outer join may be NULL.
  for (const auto& st : plan->steps) {
    if (st.kind != JoinNode::Left && st.kind != JoinNode::Full) continue;
    std::set<int> nullable(plan->steps[st.right].leaves.begin(),
                           plan->steps[st.right].leaves.end());
    if (st.kind == JoinNode::Full)
      nullable.insert(plan->steps[st.left].leaves.begin(), plan->steps[st.left].leaves.end());
    for (size_t k = 0; k < plan->items.size(); ++k)
      if (plan->items[k]->op == Op::Column && nullable.count(plan->items[k]->source))
        plan->desc[k].type.nullable = true;
  }
  for (auto& g : sel.group_by) s_.resolve(*g, sc, true);
  if (sel.having) s_.resolve(*sel.having, sc, true);
  for (auto& o : sel.order_by) {
    int index = -1;
    if (o.expr->op == Op::Literal && o.expr->literal.kind == Kind::Number) {
      auto k = o.expr->literal.number.to_int64();
      if (!k || *k < 1 || *k > static_cast<int64_t>(plan->items.size()))
        throw ora_error(1785, "ORDER BY item must be the number of a SELECT-list expression");
      index = static_cast<int>(*k - 1);
    } else if (o.expr->op == Op::Column && o.expr->qualifier.empty()) {
      for (size_t k = 0; k < sel.items.size() && index < 0; ++k)
        if (!sel.items[k].alias.empty() && sel.items[k].alias == o.expr->name)
          index = static_cast<int>(k);
    }
    if (index < 0) s_.resolve(*o.expr, sc, true);
    plan->order_item.push_back(index);
  }
  auto collect = [&](Expr& root) {
    walk_expr(root, [&](const Expr& e) {
      if (e.op == Op::Func && is_aggregate_function(e.name)) {
        const_cast<Expr&>(e).aggregate = static_cast<int>(plan->aggregates.size());
        plan->aggregates.push_back(&e);
      }
      if (e.op == Op::Analytic) {
        const_cast<Expr&>(e).aggregate = static_cast<int>(plan->analytics.size());
        plan->analytics.push_back(&e);
      }
      if (e.subquery) plan->subqueries = true;
    });
  };
  for (auto& item : sel.items)
    if (item.expr) collect(*item.expr);
  if (sel.having) collect(*sel.having);
  for (size_t k = 0; k < sel.order_by.size(); ++k)
    if (plan->order_item[k] < 0) collect(*sel.order_by[k].expr);
  // Aggregates inside an analytic function's arguments are the group's;
  // the analytic function itself is not an aggregate of the group.
  if (sel.having)
    walk_expr(*sel.having, [&](const Expr& e) {
      if (e.op == Op::Analytic) throw ora_error(30483, "window  functions are not allowed here");
    });
  for (const Expr* a : plan->analytics) {
    if ((a->name == "ROW_NUMBER" || a->name == "RANK" || a->name == "DENSE_RANK") &&
        !a->args.empty())
      throw ora_error(909, "invalid number of arguments");
    if (a->name != "ROW_NUMBER" && a->name != "RANK" && a->name != "DENSE_RANK" && a->args.empty())
      throw ora_error(909, "invalid number of arguments");
  }
  if (sel.where)
    walk_expr(*sel.where, [&](const Expr& e) { plan->subqueries |= e.subquery != nullptr; });
  for (const auto& st : plan->steps)
    for (const Expr* c : st.filters)
      walk_expr(*c, [&](const Expr& e) { plan->subqueries |= e.subquery != nullptr; });
  plan->grouped = !plan->aggregates.empty() || !sel.group_by.empty();
  // The streamed cursor of one table checks every WHERE conjunct per row.
  plan->conjuncts.assign(std::max<size_t>(1, sc.sources.size()), {});
  if (sc.sources.size() == 1)
    for (const auto& st : plan->steps)
      plan->conjuncts[0].insert(plan->conjuncts[0].end(), st.filters.begin(), st.filters.end());
  return plan;
}

std::vector<std::vector<bool>> QueryExecutor::needed_columns(const Plan& plan,
                                                             const SelectStmt& sel,
                                                             bool& sequences) const {
  const Scope& sc = plan.scope;
  size_t nsrc = sc.sources.size();
  std::vector<std::vector<bool>> needed(nsrc);
  // A correlated subquery may read any column of this block.
  for (size_t k = 0; k < nsrc; ++k) needed[k].assign(sc.sources[k].columns.size(), plan.subqueries);
  auto mark = [&](const Expr& root) {
    walk_expr(root, [&](const Expr& e) {
      if (e.op == Op::SeqValue) sequences = true;
      if (e.op != Op::Column || e.outer != 0 || e.source < 0 || e.source >= static_cast<int>(nsrc))
        return;
      int c = e.slot - sc.sources[e.source].offset;
      if (c >= 0 && c < static_cast<int>(needed[e.source].size())) needed[e.source][c] = true;
    });
  };
  for (const Expr* item : plan.items) mark(*item);
  if (sel.where) mark(*sel.where);
  for (const auto& g : sel.group_by) mark(*g);
  if (sel.having) mark(*sel.having);
  for (const auto& o : sel.order_by) mark(*o.expr);
  for (const auto& st : plan.steps) {
    for (const Expr* c : st.filters) mark(*c);
    for (const Expr* c : st.on) mark(*c);
  }
  return needed;
}

std::vector<ColumnDesc> QueryExecutor::describe(SelectStmt& sel, const Scope* outer_scope) {
  if (sel.set_op != SelectStmt::None) return compound_describe(sel, outer_scope);
  WithScope with(*this, sel);
  Scope scope = build_scope(sel, outer_scope);
  return make_plan(sel, std::move(scope))->desc;
}

Rows QueryExecutor::run(SelectStmt& sel, const Scope* scope, const Scope* outer_scope,
                        const EvalContext* outer_row, std::vector<ColumnDesc>* desc_out,
                        std::vector<Value>* new_row) {
  // Queries inside queries and views inside views, bounded so that no
  // definition can exhaust the stack (the parser bounds each text's own).
  if (depth_ > 120) raise_query(1731);
  struct Depth {
    int& d;
    explicit Depth(int& x) : d(x) { ++d; }
    ~Depth() { --d; }
  } depth(depth_);
  if (sel.set_op != SelectStmt::None) return run_compound(sel, outer_scope, outer_row, desc_out);
  WithScope with(*this, sel);
  Scope sc = scope ? *scope : build_scope(sel, outer_scope);
  if (scope && outer_scope) sc.outer = outer_scope;
  return run_block(sel, std::move(sc), outer_row, desc_out, new_row);
}

namespace {

struct Match {
  std::vector<Value> row;
  std::vector<int64_t> rids;
};

struct Group {
  Match first;
  std::vector<Value> aggs;
  std::vector<int64_t> counts;
  std::vector<std::set<std::string>> seen;
  std::vector<Value> squares;  // STDDEV, VARIANCE: the sum of the squares
};

// VARIANCE and STDDEV of n values from their sum and the sum of their
// squares: 0 for one value, as Oracle gives (not NULL as VAR_SAMP does).
Value sample_variance(const OraNumber& sum, const OraNumber& squares, int64_t n, bool root) {
  if (n < 2) return Value::num(OraNumber());
  const OraNumber count = OraNumber::from_int(n);
  // One division, after the exact products: (n*S2 - S1^2) / (n*(n-1)).
  OraNumber v = (count * squares - sum * sum) / (count * (count - OraNumber::from_int(1)));
  if (v.negative()) v = OraNumber();
  if (!root) return Value::num(v);
  std::vector<Value> arg{Value::num(v)};
  return *number_builtin("SQRT", arg);
}

// The rows of a source read once per run of the block (and a hash on the
// lookup column when it has one).
struct LeafRows {
  bool ready = false;
  Rows rows;
  std::vector<int64_t> rids;
  std::unordered_map<std::string, std::vector<size_t>> by_key;
};

}  // namespace

Rows QueryExecutor::run_block(SelectStmt& sel, Scope scope, const EvalContext* outer_row,
                              std::vector<ColumnDesc>* desc_out, std::vector<Value>* new_row) {
  auto plan = make_plan(sel, std::move(scope));
  if (desc_out) *desc_out = plan->desc;
  push_into_views(*plan);
  const Scope& sc = plan->scope;
  const size_t nsrc = sc.sources.size();
  bool sequences = false;
  std::vector<std::vector<bool>> needed = needed_columns(*plan, sel, sequences);
  const Schema& schema = *s_.catalog_.schema();

  std::vector<Value> row(sc.width());
  std::vector<int64_t> rids(nsrc, 0);
  EvalContext ctx;
  ctx.row = &row;
  ctx.rids = &rids;
  ctx.new_row = new_row;
  ctx.outer = outer_row;
  int64_t accepted = 0;
  std::vector<Match> matches;
  std::vector<Group> groups;
  std::map<std::string, size_t> group_index;
  const size_t naggs = plan->aggregates.size();

  auto accumulate = [&](Group& g) {
    for (size_t a = 0; a < naggs; ++a) {
      const Expr& e = *plan->aggregates[a];
      if (e.args.empty()) throw ora_error(909, "invalid number of arguments");
      if (e.args[0]->op == Op::Star) {
        ++g.counts[a];
        continue;
      }
      Value v = s_.eval(*e.args[0], ctx);
      if (v.is_null()) continue;
      if (e.distinct && !g.seen[a].insert(value_key(v)).second) continue;
      ++g.counts[a];
      Value& acc = g.aggs[a];
      if (e.name == "SUM" || e.name == "AVG" || e.name == "STDDEV" || e.name == "VARIANCE") {
        const OraNumber x = value_number(v);
        acc = Value::num(acc.is_null() ? x : acc.number + x);
        if (e.name == "STDDEV" || e.name == "VARIANCE") {
          g.squares.resize(naggs);
          Value& sq = g.squares[a];
          sq = Value::num(sq.is_null() ? x * x : sq.number + x * x);
        }
      } else if (e.name == "MIN" || e.name == "MAX") {
        if (acc.is_null() ||
            (e.name == "MIN" ? compare_values(v, acc) < 0 : compare_values(v, acc) > 0))
          acc = v;
      }
    }
  };
  // A result row with its ORDER BY keys.
  struct Out {
    std::vector<Value> values;
    std::vector<Value> keys;
  };
  std::vector<Out> out;
  std::set<std::string> distinct_seen;
  auto emit_row = [&](EvalContext& c) {
    Out o;
    o.values.reserve(plan->items.size());
    for (const Expr* item : plan->items) o.values.push_back(s_.eval(*item, c));
    if (sel.distinct && !distinct_seen.insert(row_key(o.values)).second) return;
    for (size_t k = 0; k < sel.order_by.size(); ++k) {
      int idx = plan->order_item[k];
      o.keys.push_back(idx >= 0 ? o.values[idx] : s_.eval(*sel.order_by[k].expr, c));
    }
    if (sel.for_update) {
      for (Value& v : o.values)
        if (v.lob.table_obj) v.lob.for_update = true;
      if (s_.locks_.gathering())
        for (size_t k = 0; k < sc.sources.size() && k < c.rids->size(); ++k)
          if (sc.sources[k].table_obj && (*c.rids)[k] >= 0)
            s_.locks_.note_row(sc.sources[k].table_obj, (*c.rids)[k]);
    }
    out.push_back(std::move(o));
  };
  // Without groups, HAVING or analytic functions a row's values are taken
  // as it is found (its joined row is not kept).
  const bool direct = !plan->grouped && plan->analytics.empty() && !sel.having;
  auto accept = [&]() {
    if (direct) {
      emit_row(ctx);
      return;
    }
    if (!plan->grouped) {
      matches.push_back({row, rids});
      return;
    }
    std::vector<Value> keys;
    for (auto& g : sel.group_by) keys.push_back(s_.eval(*g, ctx));
    std::string key = row_key(keys);
    auto found = group_index.find(key);
    if (found == group_index.end()) {
      found = group_index.emplace(key, groups.size()).first;
      groups.push_back({Match{row, rids},
                        std::vector<Value>(naggs),
                        std::vector<int64_t>(naggs, 0),
                        std::vector<std::set<std::string>>(naggs),
                        {}});
    }
    accumulate(groups[found->second]);
  };
  auto final_emit = [&]() {
    ctx.rownum = accepted + 1;
    for (const Expr* c : plan->rownum_conjuncts)
      if (s_.cond(*c, ctx) != 1) return;
    ++accepted;
    accept();
  };

  auto passes = [&](const std::vector<const Expr*>& conds) {
    for (const Expr* c : conds)
      if (s_.cond(*c, ctx) != 1) return false;
    return true;
  };
  auto set_null = [&](const std::vector<int>& leaves) {
    for (int s : leaves) {
      const Source& src = sc.sources[s];
      std::fill(row.begin() + src.offset, row.begin() + src.offset + src.columns.size(),
                Value::null());
      rids[s] = -1;  // no row: its ROWID is NULL
    }
  };
  std::vector<LeafRows> cache(nsrc);
  const int first_leaf = nsrc > 0 ? plan->steps[plan->root].leaves.front() : -1;
  const std::string tag = " /*" + std::to_string(depth_) + "_";

  // A user table's rows, with `key` (when given) equal to the lookup column.
  auto scan = [&](int source, const Value* key,
                  const std::function<void(std::vector<Value>&, int64_t)>& each) {
    const Source& src = sc.sources[source];
    const TableInfo& t = schema.tables.at(src.table_obj);
    std::string sql = "SELECT rid";
    std::vector<int> read;
    for (size_t c = 0; c < t.columns.size(); ++c) {
      if (!needed[source][c]) continue;
      read.push_back(static_cast<int>(c));
      sql += ", " + storage_column(static_cast<int>(c));
    }
    sql += " FROM " + storage_table(t.obj);
    int lookup = -1;
    for (const auto& step : plan->steps)
      if (step.kind == JoinNode::Leaf && step.leaf == source) lookup = step.lookup_column;
    if (key) sql += " WHERE " + storage_column(lookup) + " = ?";
    sql += tag + std::to_string(source) + "*/";
    sqlite3_stmt* stmt = s_.cached(sql);
    struct Reset {
      sqlite3_stmt* st;
      ~Reset() { sqlite3_reset(st); }
    } reset{stmt};
    if (key) s_.bind_storage(stmt, 1, *key);
    int rc;
    std::vector<Value> values;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
      values.assign(t.columns.size(), Value{});
      int64_t rid = sqlite3_column_int64(stmt, 0);
      for (size_t k = 0; k < read.size(); ++k) {
        int c = read[k];
        values[c] = s_.read_storage(stmt, static_cast<int>(k + 1), t.columns[c].type);
        if (values[c].kind == Kind::Clob || values[c].kind == Kind::Blob)
          values[c].lob = LobRef{t.obj, rid, c, false};
      }
      each(values, rid);
    }
    if (rc != SQLITE_DONE) sqlite_fail(s_.conn_, "scan");
  };
  // Whether a lookup value suits the column's storage (else the rows are
  // read without it and the condition alone decides).
  auto key_fits = [&](const Source& src, int column, const Value& v) {
    const OraType& type = src.columns[column].type;
    if (type.base == Base::Number) return v.kind == Kind::Number;
    if (type.base == Base::Varchar2 || type.base == Base::Nvarchar2) return v.kind == Kind::Text;
    return false;
  };

  std::function<void(int, const std::function<void()>&)> run_step;
  run_step = [&](int step_index, const std::function<void()>& emit) {
    const JoinStep& st = plan->steps[step_index];
    auto done = [&]() {
      if (passes(st.filters)) emit();
    };
    switch (st.kind) {
      case JoinNode::Leaf: {
        const int k = st.leaf;
        const Source& src = sc.sources[k];
        auto bind = [&](const std::vector<Value>& values, int64_t rid) {
          std::copy(values.begin(), values.end(), row.begin() + src.offset);
          rids[k] = rid;
          done();
        };
        bool constant_key = false;
        if (st.lookup_value) {
          bool other = false;
          constant_key = sources_of(*st.lookup_value, other).empty();
        }
        // A table read per outer row through its index.
        if (src.table_obj && st.lookup_value && st.lookup_indexed &&
            (!constant_key || (k == first_leaf && !sequences))) {
          Value key = s_.eval(*st.lookup_value, ctx);
          if (key.is_null()) return;
          if (key_fits(src, st.lookup_column, key)) {
            scan(k, &key, [&](std::vector<Value>& values, int64_t rid) { bind(values, rid); });
            return;
          }
        }
        // The first table is read as it is joined, not kept.
        if (src.table_obj && k == first_leaf && !sequences) {
          scan(k, nullptr, [&](std::vector<Value>& values, int64_t rid) { bind(values, rid); });
          return;
        }
        LeafRows& c = cache[k];
        if (!c.ready) {
          Value constant;
          bool keyed = false;
          if (src.table_obj && constant_key) {
            constant = s_.eval(*st.lookup_value, ctx);
            keyed = !constant.is_null() && key_fits(src, st.lookup_column, constant);
          }
          if (src.table_obj) {
            scan(k, keyed ? &constant : nullptr, [&](std::vector<Value>& values, int64_t rid) {
              c.rows.push_back(std::move(values));
              c.rids.push_back(rid);
            });
          } else if (src.subquery) {
            // A view sees no WITH query of the statement using it.
            std::vector<const std::vector<std::pair<std::string, std::shared_ptr<SelectStmt>>>*>
                saved;
            if (src.view_query) saved.swap(with_);
            try {
              c.rows = run(*const_cast<SelectStmt*>(src.subquery), nullptr, nullptr, nullptr,
                           nullptr, nullptr);
            } catch (...) {
              if (src.view_query) with_.swap(saved);
              throw;
            }
            if (src.view_query) with_.swap(saved);
            c.rids.assign(c.rows.size(), 0);
          } else {
            c.rows = s_.view_rows(src.name);
            c.rids.assign(c.rows.size(), 0);
          }
          if (st.lookup_value && !constant_key &&
              hashable(src.columns[st.lookup_column].type, s_.type_of(*st.lookup_value, sc)))
            for (size_t r = 0; r < c.rows.size(); ++r)
              c.by_key[value_key(c.rows[r][st.lookup_column])].push_back(r);
          c.ready = true;
        }
        if (!c.by_key.empty() || (st.lookup_value && !constant_key && c.rows.empty())) {
          Value key = s_.eval(*st.lookup_value, ctx);
          if (key.is_null()) return;
          auto hit = c.by_key.find(value_key(key));
          if (hit == c.by_key.end()) return;
          for (size_t r : hit->second) bind(c.rows[r], c.rids[r]);
          return;
        }
        for (size_t r = 0; r < c.rows.size(); ++r) bind(c.rows[r], c.rids[r]);
        return;
      }
      case JoinNode::Inner:
      case JoinNode::Cross:
        run_step(st.left, [&]() { run_step(st.right, done); });
        return;
      case JoinNode::Left:
        run_step(st.left, [&]() {
          bool matched = false;
          run_step(st.right, [&]() {
            matched = true;
            done();
          });
          if (!matched) {
            set_null(plan->steps[st.right].leaves);
            done();
          }
        });
        return;
      case JoinNode::Right:
        return;  // planned as Left
      case JoinNode::Full: {
        // Both sides read once; pairs by the ON conditions, then the rows
        // of either side that found no partner.
        struct Snapshot {
          std::vector<Value> values;
          std::vector<int64_t> rids;
        };
        auto take = [&](int side) {
          std::vector<Snapshot> taken;
          run_step(side, [&]() {
            Snapshot snap;
            for (int s : plan->steps[side].leaves) {
              const Source& src = sc.sources[s];
              snap.values.insert(snap.values.end(), row.begin() + src.offset,
                                 row.begin() + src.offset + src.columns.size());
              snap.rids.push_back(rids[s]);
            }
            taken.push_back(std::move(snap));
          });
          return taken;
        };
        auto restore = [&](int side, const Snapshot& snap) {
          size_t at = 0, r = 0;
          for (int s : plan->steps[side].leaves) {
            const Source& src = sc.sources[s];
            std::copy(snap.values.begin() + at, snap.values.begin() + at + src.columns.size(),
                      row.begin() + src.offset);
            at += src.columns.size();
            rids[s] = snap.rids[r++];
          }
        };
        std::vector<Snapshot> lefts = take(st.left), rights = take(st.right);
        std::vector<bool> paired(rights.size(), false);
        for (const Snapshot& l : lefts) {
          restore(st.left, l);
          bool matched = false;
          for (size_t r = 0; r < rights.size(); ++r) {
            restore(st.right, rights[r]);
            if (!passes(st.on)) continue;
            matched = true;
            paired[r] = true;
            done();
          }
          if (!matched) {
            set_null(plan->steps[st.right].leaves);
            done();
          }
        }
        set_null(plan->steps[st.left].leaves);
        for (size_t r = 0; r < rights.size(); ++r) {
          if (paired[r]) continue;
          restore(st.right, rights[r]);
          done();
        }
        return;
      }
    }
  };
  if (nsrc > 0) run_step(plan->root, final_emit);

  if (plan->grouped) {
    if (groups.empty() && sel.group_by.empty()) {
      groups.push_back({Match{std::vector<Value>(sc.width()), std::vector<int64_t>(nsrc, 0)},
                        std::vector<Value>(naggs),
                        std::vector<int64_t>(naggs, 0),
                        std::vector<std::set<std::string>>(naggs),
                        {}});
    }
    for (auto& g : groups) {
      for (size_t a = 0; a < naggs; ++a) {
        const Expr& e = *plan->aggregates[a];
        if (e.name == "COUNT") g.aggs[a] = Value::num(OraNumber::from_int(g.counts[a]));
        if (e.name == "AVG" && !g.aggs[a].is_null())
          g.aggs[a] = Value::num(g.aggs[a].number / OraNumber::from_int(g.counts[a]));
        if ((e.name == "VARIANCE" || e.name == "STDDEV") && !g.aggs[a].is_null())
          g.aggs[a] = sample_variance(g.aggs[a].number, g.squares[a].number, g.counts[a],
                                      e.name == "STDDEV");
      }
    }
  } else {
    groups.reserve(matches.size());
    for (auto& m : matches) groups.push_back({std::move(m), {}, {}, {}, {}});
  }

  // HAVING, then the analytic functions over the rows that remain.
  std::vector<EvalContext> kept;
  int64_t rownum = 0;
  for (auto& g : groups) {
    EvalContext c;
    c.row = &g.first.row;
    c.rids = &g.first.rids;
    c.aggregates = plan->grouped ? &g.aggs : nullptr;
    c.new_row = new_row;
    c.outer = outer_row;
    c.rownum = ++rownum;
    if (sel.having && s_.cond(*sel.having, c) != 1) continue;
    kept.push_back(c);
  }
  std::vector<std::vector<Value>> analytic_values;
  if (!plan->analytics.empty()) analytic_values = compute_analytics(s_, *plan, kept);

  for (size_t i = 0; i < kept.size(); ++i) {
    EvalContext& c = kept[i];
    if (!analytic_values.empty()) c.analytics = &analytic_values[i];
    emit_row(c);
  }
  if (!sel.order_by.empty())
    std::stable_sort(out.begin(), out.end(), [&](const Out& a, const Out& b) {
      return order_less(a.keys, b.keys, sel.order_by);
    });
  Rows result;
  std::vector<std::vector<Value>> keys;
  result.reserve(out.size());
  for (auto& o : out) {
    result.push_back(std::move(o.values));
    if (sel.with_ties) keys.push_back(std::move(o.keys));
  }
  limit_rows(sel, result, sel.with_ties ? &keys : nullptr);
  return result;
}

// OFFSET / FETCH FIRST over rows already in order.
void QueryExecutor::limit_rows(SelectStmt& sel, Rows& rows,
                               const std::vector<std::vector<Value>>* keys) {
  if (!sel.offset && !sel.fetch) return;
  EvalContext none;
  auto count_of = [&](const Expr& e) -> OraNumber {
    Scope empty;
    s_.resolve(const_cast<Expr&>(e), empty, false);
    Value v = s_.eval(e, none);
    if (v.is_null()) return OraNumber::from_int(0);
    return value_number(v);
  };
  // Whole rows: a count is truncated, a PERCENT share rounded up.
  auto whole = [](const OraNumber& n, bool up) -> int64_t {
    OraNumber t = n.truncated(0);
    auto k = t.to_int64();
    int64_t v = k ? *k : (n.negative() ? 0 : INT64_MAX / 2);
    if (up && compare(t, n) < 0) ++v;
    return v;
  };
  size_t from = 0;
  if (sel.offset) {
    int64_t k = whole(count_of(*sel.offset), false);
    from = k < 0 ? 0 : std::min(static_cast<size_t>(k), rows.size());
  }
  size_t take = rows.size() - from;
  if (sel.fetch) {
    OraNumber n = count_of(*sel.fetch);
    if (sel.fetch_percent)
      n = n * OraNumber::from_int(static_cast<int64_t>(rows.size())) / OraNumber::from_int(100);
    int64_t k = whole(n, sel.fetch_percent);
    take = k < 0 ? 0 : std::min(static_cast<size_t>(k), rows.size() - from);
    if (keys && take > 0 && !sel.order_by.empty()) {
      size_t last = from + take - 1;
      while (from + take < rows.size() &&
             !order_less((*keys)[last], (*keys)[from + take], sel.order_by))
        ++take;
    }
  }
  Rows out(std::make_move_iterator(rows.begin() + from),
           std::make_move_iterator(rows.begin() + from + take));
  rows = std::move(out);
}

}  // namespace oraemb
