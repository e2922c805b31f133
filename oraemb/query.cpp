// Query execution: FROM sources (user tables read from SQLite, dictionary
// views, subqueries), nested-loop joins with conjuncts applied as early as
// their sources allow, grouping and aggregates, DISTINCT, ORDER BY, and the
// describe of the select list. Simple equality conjuncts on a ROWID or a
// NUMBER/VARCHAR2 column are pushed into the SQLite scan; scans decode only
// the columns the query uses, and the first table is streamed, not kept.
#include <algorithm>
#include <cctype>
#include <set>

#include "oraemb/ora_error.h"
#include "oraemb/session.h"
#include "oraemb/snapshot_readers.h"
#include "oraemb/sqlite_util.h"
#include "oraemb/value_ops.h"

namespace oraemb {
namespace {

struct Plan {
  Scope scope;
  std::vector<ExprPtr> owned;
  std::vector<const Expr*> items;
  std::vector<ColumnDesc> desc;
  std::vector<const Expr*> aggregates;
  std::vector<std::vector<const Expr*>> conjuncts;  // by the last source they need
  std::vector<const Expr*> rownum_conjuncts;
  std::vector<int> order_item;
  bool grouped = false;
};

void walk(const Expr& e, const std::function<void(const Expr&)>& fn) {
  fn(e);
  for (const auto& a : e.args) walk(*a, fn);
}

void split_and(const Expr* e, std::vector<const Expr*>& out) {
  if (e->op == Op::And) {
    split_and(e->args[0].get(), out);
    split_and(e->args[1].get(), out);
  } else {
    out.push_back(e);
  }
}

std::string key_of(const Value& v) {
  std::string key(1, static_cast<char>('0' + static_cast<int>(v.kind)));
  if (v.kind == Kind::Number)
    key += v.number.to_text();
  else if (v.kind == Kind::Date)
    key += v.date.to_storage();
  else
    key += v.bytes;
  return key;
}

std::string row_key(const std::vector<Value>& row) {
  std::string key;
  for (const Value& v : row) {
    std::string k = key_of(v);
    key += std::to_string(k.size()) + ":" + k;
  }
  return key;
}

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

bool is_aggregate_name(const std::string& f) {
  return f == "COUNT" || f == "MIN" || f == "MAX" || f == "SUM" || f == "AVG";
}

}  // namespace

bool parse_rowid(const std::string& text, int64_t& obj, int64_t& rid) {
  static const std::string alphabet =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  if (text.size() != 18) return false;
  auto field = [&](size_t from, size_t width, int64_t& out) {
    out = 0;
    for (size_t k = from; k < from + width; ++k) {
      size_t d = alphabet.find(text[k]);
      if (d == std::string::npos) return false;
      out = out * 64 + static_cast<int64_t>(d);
    }
    return true;
  };
  int64_t file = 0, block = 0, row = 0;
  if (!field(0, 6, obj) || !field(6, 3, file) || !field(9, 6, block) || !field(15, 3, row))
    return false;
  rid = (block << 18) | row;
  return true;
}

Scope Session::build_scope(SelectStmt& sel) {
  Scope scope;
  int offset = 0;
  for (auto& ref : sel.from) {
    Source src;
    src.alias = ref.alias;
    if (ref.subquery) {
      src.subquery = ref.subquery.get();
      Scope inner = build_scope(*ref.subquery);
      std::vector<ColumnDesc> desc;
      run_query(*ref.subquery, inner, &desc, nullptr);
      src.columns = desc;
    } else {
      src.name = ref.name;
      const TableInfo* t = catalog_.schema()->find_table(ref.name);
      if (t) {
        src.table_obj = t->obj;
        for (size_t c = 0; c < t->columns.size(); ++c) {
          ColumnDesc d{t->columns[c].name, t->columns[c].type};
          d.type.nullable = catalog_.schema()->column_nullable(t->obj, static_cast<int>(c));
          src.columns.push_back(d);
        }
      } else if (!catalog_.schema()->find_table_ns(ref.name) && is_view(ref.name)) {
        src.columns = view_columns(ref.name);
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

namespace {

// Builds the plan of a query: sources, resolved expressions, describe.
std::shared_ptr<Plan> make_plan(Session& s, SelectStmt& sel, Scope scope) {
  auto plan = std::make_shared<Plan>();
  plan->scope = std::move(scope);
  const Scope& sc = plan->scope;
  for (auto& item : sel.items) {
    if (item.star) {
      bool any = false;
      for (size_t k = 0; k < sc.sources.size(); ++k) {
        const Source& src = sc.sources[k];
        if (!item.star_qualifier.empty() &&
            item.star_qualifier != (src.alias.empty() ? src.name : src.alias))
          continue;
        any = true;
        for (size_t c = 0; c < src.columns.size(); ++c) {
          auto e = std::make_unique<Expr>();
          e->op = Op::Column;
          e->name = src.columns[c].name;
          e->slot = src.offset + static_cast<int>(c);
          e->source = static_cast<int>(k);
          plan->desc.push_back(src.columns[c]);
          plan->items.push_back(e.get());
          plan->owned.push_back(std::move(e));
        }
      }
      if (!any) raise(904, {dq(item.star_qualifier)});
      continue;
    }
    s.resolve(*item.expr, sc, true);
    plan->items.push_back(item.expr.get());
    plan->desc.push_back({item_name(item), s.type_of(*item.expr, sc)});
    if (item.expr->op != Op::Column) plan->desc.back().type.nullable = true;
  }
  plan->conjuncts.resize(std::max<size_t>(1, sc.sources.size()));
  if (sel.where) {
    s.resolve(*sel.where, sc, true);
    std::vector<const Expr*> parts;
    split_and(sel.where.get(), parts);
    for (const Expr* part : parts) {
      int level = 0;
      bool rownum = false;
      walk(*part, [&](const Expr& e) {
        if (e.op == Op::Column || e.op == Op::Rowid) level = std::max(level, e.source);
        if (e.op == Op::Rownum) rownum = true;
        if (e.op == Op::Func && is_aggregate_name(e.name)) raise(934);
      });
      if (rownum)
        plan->rownum_conjuncts.push_back(part);
      else
        plan->conjuncts[level].push_back(part);
    }
  }
  for (auto& g : sel.group_by) s.resolve(*g, sc, true);
  if (sel.having) s.resolve(*sel.having, sc, true);
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
    if (index < 0) s.resolve(*o.expr, sc, true);
    plan->order_item.push_back(index);
  }
  auto collect = [&](Expr& root) {
    walk(root, [&](const Expr& e) {
      if (e.op == Op::Func && is_aggregate_name(e.name)) {
        const_cast<Expr&>(e).aggregate = static_cast<int>(plan->aggregates.size());
        plan->aggregates.push_back(&e);
      }
    });
  };
  for (auto& item : sel.items)
    if (item.expr) collect(*item.expr);
  if (sel.having) collect(*sel.having);
  for (size_t k = 0; k < sel.order_by.size(); ++k)
    if (plan->order_item[k] < 0) collect(*sel.order_by[k].expr);
  plan->grouped = !plan->aggregates.empty() || !sel.group_by.empty();
  return plan;
}

}  // namespace

std::vector<std::vector<Value>> Session::scan_source(const Source& src, int index,
                                                     const std::vector<const Expr*>& conjuncts,
                                                     std::vector<int64_t>& rids,
                                                     const std::vector<bool>* needed) {
  std::vector<std::vector<Value>> rows;
  if (src.subquery) {
    Scope inner = build_scope(*const_cast<SelectStmt*>(src.subquery));
    rows = run_query(*const_cast<SelectStmt*>(src.subquery), inner, nullptr, nullptr);
    rids.assign(rows.size(), 0);
    return rows;
  }
  if (src.table_obj == 0) {
    rows = view_rows(src.name);
    rids.assign(rows.size(), 0);
    return rows;
  }
  scan_table(src, index, conjuncts, needed, [&](std::vector<Value>& row, int64_t rid) {
    rids.push_back(rid);
    rows.push_back(std::move(row));
  });
  return rows;
}

namespace {

// The SQLite scan of a user table: its text, the table columns it reads
// (after the rid), and the values bound to the conjuncts pushed into it.
struct TableScan {
  struct Param {
    bool is_rid = false;
    int64_t rid = 0;
    Value value;
  };
  std::string sql;
  std::vector<int> read;
  std::vector<Param> params;
  bool none = false;  // selects nothing (a ROWID of another object)
};

TableScan table_scan(const TableInfo& t, const Source& src, int index,
                     const std::vector<const Expr*>& conjuncts, const std::vector<bool>* needed,
                     BindSource* binds) {
  TableScan scan;
  // Only the columns the query uses are read: a locking lookup of one LOB
  // or MAX over one column then decodes one value per row, not all of them.
  scan.sql = "SELECT rid";
  for (size_t c = 0; c < t.columns.size(); ++c) {
    if (needed && c < needed->size() && !(*needed)[c]) continue;
    scan.read.push_back(static_cast<int>(c));
    scan.sql += ", " + storage_column(static_cast<int>(c));
  }
  scan.sql += " FROM " + storage_table(t.obj);
  // Every value is bound, never written into the SQL text: the statement
  // cache is keyed by that text, and a ROWID per row would grow it per row.
  std::vector<std::string> filters;
  for (const Expr* part : conjuncts) {
    if (part->op != Op::Cmp || part->name != "=") continue;
    const Expr* a = part->args[0].get();
    const Expr* b = part->args[1].get();
    if (a->op == Op::Literal || a->op == Op::Bind) std::swap(a, b);
    // A bind value narrows the scan as a literal does (each row of an
    // array execute looks up its own key).
    Value value;
    if (b->op == Op::Literal) {
      value = b->literal;
      value.blank_padded = value.kind == Kind::Text;  // a text literal is CHAR
    } else if (b->op == Op::Bind && binds) {
      value = binds->bind_value(b->name);
    } else {
      continue;
    }
    if (value.is_null() || a->source != index) continue;
    if (a->op == Op::Rowid && value.kind == Kind::Text) {
      int64_t obj = 0, rid = 0;
      if (!parse_rowid(value.bytes, obj, rid)) raise(1410);
      if (obj != t.obj) {
        scan.none = true;
        return scan;
      }
      filters.push_back("rid = ?");
      scan.params.push_back({true, rid, Value{}});
    } else if (a->op == Op::Column) {
      const OraType& type = t.columns[a->slot - src.offset].type;
      bool number = type.base == Base::Number && value.kind == Kind::Number;
      bool text =
          (type.base == Base::Varchar2 || type.base == Base::Nvarchar2) && value.kind == Kind::Text;
      if ((type.base == Base::Char || type.base == Base::Nchar) && value.kind == Kind::Text) {
        // A CHAR column holds its values padded to its length. A blank-padded
        // value finds them padded the same way (ASCII only, where characters
        // and bytes count alike); any other value compares as it is.
        text = true;
        if (value.blank_padded) {
          std::string key = value.bytes;
          while (!key.empty() && key.back() == ' ') key.pop_back();
          const bool ascii =
              std::all_of(key.begin(), key.end(), [](char c) { return (c & 0x80) == 0; });
          if (!ascii || key.size() > static_cast<size_t>(type.length)) continue;
          value.bytes = key + std::string(type.length - key.size(), ' ');
        }
      }
      if (!number && !text) continue;
      filters.push_back(storage_column(a->slot - src.offset) + " = ?");
      scan.params.push_back({false, 0, value});
    }
  }
  for (size_t k = 0; k < filters.size(); ++k) scan.sql += (k ? " AND " : " WHERE ") + filters[k];
  return scan;
}

// Bind values as they were at execute. A cursor evaluates its rows when
// they are fetched, and by then the caller's bind buffers (and the OCI
// call's bind reader) may have changed or be gone.
class CapturedBinds : public BindSource {
 public:
  CapturedBinds(const SelectStmt& sel, BindSource* from) { capture(sel, from); }
  Value bind_value(const std::string& name) override {
    auto found = values_.find(name);
    if (found == values_.end()) raise(1008);
    return found->second;
  }

 private:
  void capture(const Expr* e, BindSource* from) {
    if (!e) return;
    walk(*e, [&](const Expr& x) {
      if (x.op == Op::Bind && !values_.count(x.name)) {
        if (!from) raise(1008);
        values_.emplace(x.name, from->bind_value(x.name));
      }
    });
  }
  void capture(const SelectStmt& sel, BindSource* from) {
    for (const auto& item : sel.items) capture(item.expr.get(), from);
    for (const auto& ref : sel.from)
      if (ref.subquery) capture(*ref.subquery, from);
    capture(sel.where.get(), from);
    for (const auto& g : sel.group_by) capture(g.get(), from);
    capture(sel.having.get(), from);
    for (const auto& o : sel.order_by) capture(o.expr.get(), from);
  }
  std::map<std::string, Value> values_;
};

// What a row of values holds in memory, roughly.
uint64_t row_bytes(const std::vector<Value>& row) {
  uint64_t bytes = sizeof(row);
  for (const Value& v : row) bytes += sizeof(Value) + v.bytes.size();
  return bytes;
}

uint64_t rows_bytes(const std::vector<std::vector<Value>>& rows) {
  uint64_t bytes = 0;
  for (const auto& row : rows) bytes += row_bytes(row);
  return bytes;
}

}  // namespace

void Session::scan_table(const Source& src, int index, const std::vector<const Expr*>& conjuncts,
                         const std::vector<bool>* needed,
                         const std::function<void(std::vector<Value>&, int64_t)>& each) {
  const TableInfo& t = catalog_.schema()->tables.at(src.table_obj);
  TableScan scan = table_scan(t, src, index, conjuncts, needed, binds_);
  if (scan.none) return;
  sqlite3_stmt* st = cached(scan.sql);
  for (size_t k = 0; k < scan.params.size(); ++k) {
    if (scan.params[k].is_rid)
      sqlite3_bind_int64(st, static_cast<int>(k + 1), scan.params[k].rid);
    else
      bind_storage(st, static_cast<int>(k + 1), scan.params[k].value);
  }
  // The statement is reset however the scan ends (a callback may throw).
  struct Reset {
    sqlite3_stmt* st;
    ~Reset() { sqlite3_reset(st); }
  } reset{st};
  int rc;
  std::vector<Value> row;
  while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
    row.assign(t.columns.size(), Value{});
    int64_t rid = sqlite3_column_int64(st, 0);
    for (size_t k = 0; k < scan.read.size(); ++k) {
      int c = scan.read[k];
      row[c] = read_storage(st, static_cast<int>(k + 1), t.columns[c].type);
      if (row[c].kind == Kind::Clob || row[c].kind == Kind::Blob)
        row[c].lob = LobRef{t.obj, rid, c, false};
    }
    each(row, rid);
  }
  if (rc != SQLITE_DONE) sqlite_fail(conn_, "scan");
}

namespace {

// The columns the query reads, per source; the scans leave the others NULL.
// `sequences` tells whether it takes sequence values.
std::vector<std::vector<bool>> needed_columns(const Plan& plan, const SelectStmt& sel,
                                              bool& sequences) {
  const Scope& sc = plan.scope;
  size_t nsrc = sc.sources.size();
  std::vector<std::vector<bool>> needed(nsrc);
  for (size_t k = 0; k < nsrc; ++k) needed[k].assign(sc.sources[k].columns.size(), false);
  auto mark = [&](const Expr& root) {
    walk(root, [&](const Expr& e) {
      if (e.op == Op::SeqValue) sequences = true;
      if (e.op != Op::Column || e.source < 0 || e.source >= static_cast<int>(nsrc)) return;
      int c = e.slot - sc.sources[e.source].offset;
      if (c >= 0 && c < static_cast<int>(needed[e.source].size())) needed[e.source][c] = true;
    });
  };
  for (const Expr* item : plan.items) mark(*item);
  if (sel.where) mark(*sel.where);
  for (const auto& g : sel.group_by) mark(*g);
  if (sel.having) mark(*sel.having);
  for (const auto& o : sel.order_by) mark(*o.expr);
  return needed;
}

struct Match {
  std::vector<Value> row;
  std::vector<int64_t> rids;
};

// Groups: one per match when the query is not grouped. A grouped query
// folds each match into its group as it is found.
struct Group {
  Match first;
  std::vector<Value> aggs;
  std::vector<int64_t> counts;
  std::vector<std::set<std::string>> seen;
};

// A row of the result with its ORDER BY keys.
struct Out {
  std::vector<Value> values;
  std::vector<Value> keys;
};

// COUNT takes its count and AVG divides its sum, once every match is in.
void finish_aggregates(const Plan& plan, std::vector<Group>& groups) {
  const size_t naggs = plan.aggregates.size();
  for (auto& g : groups) {
    for (size_t a = 0; a < naggs; ++a) {
      const Expr& e = *plan.aggregates[a];
      if (e.name == "COUNT") g.aggs[a] = Value::num(OraNumber::from_int(g.counts[a]));
      if (e.name == "AVG" && !g.aggs[a].is_null())
        g.aggs[a] = Value::num(g.aggs[a].number / OraNumber::from_int(g.counts[a]));
    }
  }
}

// ORDER BY, stable, with Oracle's NULL placement (last ascending, first
// descending, unless NULLS FIRST / LAST says otherwise).
void sort_rows(std::vector<Out>& out, const std::vector<OrderItem>& order_by) {
  if (!order_by.empty()) {
    std::stable_sort(out.begin(), out.end(), [&](const Out& a, const Out& b) {
      for (size_t k = 0; k < order_by.size(); ++k) {
        const Value& x = a.keys[k];
        const Value& y = b.keys[k];
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
    });
  }
}

}  // namespace

std::vector<std::vector<Value>> Session::run_query(SelectStmt& sel, const Scope& scope,
                                                   std::vector<ColumnDesc>* desc_out,
                                                   std::vector<Value>* new_row) {
  auto plan = make_plan(*this, sel, scope);
  if (desc_out) *desc_out = plan->desc;
  const Scope& sc = plan->scope;
  size_t nsrc = sc.sources.size();
  bool sequences = false;
  std::vector<std::vector<bool>> needed = needed_columns(*plan, sel, sequences);
  // A user table as the first source is streamed: its rows are joined,
  // filtered and aggregated as they are read, not kept, so MAX over a large
  // table needs no memory for its rows. NEXTVAL would write to the database
  // while the scan is open, so such queries read their rows first.
  const bool stream = nsrc > 0 && sc.sources[0].table_obj != 0 && !sequences;
  std::vector<std::vector<std::vector<Value>>> source_rows(nsrc);
  std::vector<std::vector<int64_t>> source_rids(nsrc);
  for (size_t k = stream ? 1 : 0; k < nsrc; ++k)
    source_rows[k] = scan_source(sc.sources[k], static_cast<int>(k), plan->conjuncts[k],
                                 source_rids[k], &needed[k]);

  std::vector<Match> matches;
  std::vector<Value> row(sc.width());
  std::vector<int64_t> rids(nsrc, 0);
  EvalContext ctx;
  ctx.row = &row;
  ctx.rids = &rids;
  ctx.new_row = new_row;
  int64_t accepted = 0;

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
      Value v = eval(*e.args[0], ctx);
      if (v.is_null()) continue;
      if (e.distinct && !g.seen[a].insert(key_of(v)).second) continue;
      ++g.counts[a];
      Value& acc = g.aggs[a];
      if (e.name == "SUM" || e.name == "AVG") {
        acc = Value::num(acc.is_null() ? value_number(v) : acc.number + value_number(v));
      } else if (e.name == "MIN" || e.name == "MAX") {
        if (acc.is_null() ||
            (e.name == "MIN" ? compare_values(v, acc) < 0 : compare_values(v, acc) > 0))
          acc = v;
      }
    }
  };
  auto accept = [&]() {
    if (!plan->grouped) {
      matches.push_back({row, rids});
      return;
    }
    std::vector<Value> keys;
    for (auto& g : sel.group_by) keys.push_back(eval(*g, ctx));
    std::string key = row_key(keys);
    auto found = group_index.find(key);
    if (found == group_index.end()) {
      found = group_index.emplace(key, groups.size()).first;
      Group g{Match{row, rids}, std::vector<Value>(naggs), std::vector<int64_t>(naggs, 0),
              std::vector<std::set<std::string>>(naggs)};
      groups.push_back(std::move(g));
    }
    accumulate(groups[found->second]);
  };
  std::function<void(size_t)> loop;
  auto visit = [&](size_t level, const std::vector<Value>& values, int64_t rid) {
    std::copy(values.begin(), values.end(), row.begin() + sc.sources[level].offset);
    rids[level] = rid;
    for (const Expr* c : plan->conjuncts[level])
      if (cond(*c, ctx) != 1) return;
    if (level + 1 < nsrc) {
      loop(level + 1);
      return;
    }
    ctx.rownum = accepted + 1;
    for (const Expr* c : plan->rownum_conjuncts)
      if (cond(*c, ctx) != 1) return;
    ++accepted;
    accept();
  };
  loop = [&](size_t level) {
    for (size_t r = 0; r < source_rows[level].size(); ++r)
      visit(level, source_rows[level][r], source_rids[level][r]);
  };
  if (stream)
    scan_table(sc.sources[0], 0, plan->conjuncts[0], &needed[0],
               [&](std::vector<Value>& values, int64_t rid) { visit(0, values, rid); });
  else if (nsrc > 0)
    loop(0);

  if (plan->grouped) {
    if (groups.empty() && sel.group_by.empty()) {
      groups.push_back({Match{std::vector<Value>(sc.width()), std::vector<int64_t>(nsrc, 0)},
                        std::vector<Value>(naggs), std::vector<int64_t>(naggs, 0),
                        std::vector<std::set<std::string>>(naggs)});
    }
    finish_aggregates(*plan, groups);
  } else {
    groups.reserve(matches.size());
    for (auto& m : matches) groups.push_back({std::move(m), {}, {}, {}});
  }

  std::vector<Out> out;
  std::set<std::string> distinct_seen;
  int64_t rownum = 0;
  for (auto& g : groups) {
    ctx.row = &g.first.row;
    ctx.rids = &g.first.rids;
    ctx.aggregates = plan->grouped ? &g.aggs : nullptr;
    ctx.rownum = ++rownum;
    if (sel.having && cond(*sel.having, ctx) != 1) continue;
    Out o;
    for (const Expr* item : plan->items) o.values.push_back(eval(*item, ctx));
    if (sel.distinct && !distinct_seen.insert(row_key(o.values)).second) continue;
    for (size_t k = 0; k < sel.order_by.size(); ++k) {
      int idx = plan->order_item[k];
      o.keys.push_back(idx >= 0 ? o.values[idx] : eval(*sel.order_by[k].expr, ctx));
    }
    if (sel.for_update) {
      for (Value& v : o.values)
        if (v.lob.table_obj) v.lob.for_update = true;
      if (locks_.gathering())
        for (size_t k = 0; k < scope.sources.size() && k < g.first.rids.size(); ++k)
          if (scope.sources[k].table_obj)
            locks_.note_row(scope.sources[k].table_obj, g.first.rids[k]);
    }
    out.push_back(std::move(o));
  }
  sort_rows(out, sel.order_by);
  std::vector<std::vector<Value>> result;
  result.reserve(out.size());
  for (auto& o : out) result.push_back(std::move(o.values));
  return result;
}

namespace {

// A streamed query's state, owned by its cursor: the snapshot connection
// and its scan, and the one row being evaluated.
struct Stream {
  std::shared_ptr<Plan> plan;
  std::shared_ptr<const Schema> schema;  // keeps `table` alive
  const TableInfo* table = nullptr;
  std::unique_ptr<CapturedBinds> binds;
  std::unique_ptr<SnapshotReaders::Lease> lease;
  sqlite3_stmt* st = nullptr;
  std::vector<int> read;
  std::vector<Value> row;
  std::vector<int64_t> rids{0};
  int64_t accepted = 0;
  std::vector<bool> rownum_only;  // per ROWNUM conjunct: no column, ROWID or function in it
  bool pending = false;           // a row stepped at execute, not yet evaluated
  // The last row was read: the snapshot is given up at once, so that a
  // cursor kept open after its end does not hold back WAL checkpoints.
  void finish() {
    st = nullptr;
    lease.reset();
  }
};

// Sets a slot for the duration of a call.
template <typename T>
struct Assign {
  T& slot;
  T saved;
  Assign(T& s, T value) : slot(s), saved(s) { slot = value; }
  ~Assign() { slot = saved; }
  Assign(const Assign&) = delete;
  Assign& operator=(const Assign&) = delete;
};

// Whether a query's rows can be produced one at a time, in the order the
// table is read: one user table, no grouping, DISTINCT, ORDER BY or
// sequence values (NEXTVAL writes), and no locking.
bool streamable(const SelectStmt& sel, const Plan& plan, bool sequences) {
  return plan.scope.sources.size() == 1 && plan.scope.sources[0].table_obj != 0 && !plan.grouped &&
         !sel.distinct && sel.order_by.empty() && !sel.having && !sel.for_update && !sequences;
}

}  // namespace

std::unique_ptr<Cursor> Session::open_query(SelectStmt& sel, const ExecOptions& options,
                                            BindSource* binds) {
  auto cursor = std::make_unique<Cursor>();
  Scope scope = build_scope(sel);
  auto plan = make_plan(*this, sel, scope);
  cursor->columns = plan->desc;
  if (options.parse_only || options.describe_only) return cursor;
  auto alive = alive_;
  bool sequences = false;
  std::vector<std::vector<bool>> needed = needed_columns(*plan, sel, sequences);
  // Without uncommitted changes of this session, the committed state of the
  // file is what the session sees: the rows are read through a connection
  // of their own, in a snapshot taken now, and evaluated as they are fetched.
  // Otherwise the session's own connection must read them (materialised).
  if (streamable(sel, *plan, sequences) && !txn_.writing()) {
    auto state = std::make_shared<Stream>();
    state->binds = std::make_unique<CapturedBinds>(sel, binds);
    state->schema = catalog_.schema();
    state->table = &catalog_.schema()->tables.at(plan->scope.sources[0].table_obj);
    TableScan scan = table_scan(*state->table, plan->scope.sources[0], 0, plan->conjuncts[0],
                                &needed[0], state->binds.get());
    state->read = std::move(scan.read);
    state->plan = plan;
    for (const Expr* c : plan->rownum_conjuncts) {
      bool only = true;
      walk(*c, [&](const Expr& e) {
        only = only && e.op != Op::Column && e.op != Op::Rowid && e.op != Op::Func &&
               e.op != Op::SeqValue && e.op != Op::NewRef;
      });
      state->rownum_only.push_back(only);
    }
    if (!scan.none) {
      if (!readers_) readers_ = std::make_shared<SnapshotReaders>(catalog_.database().path());
      state->lease = readers_->lease();
      state->st = state->lease->statement(scan.sql);
      for (size_t k = 0; k < scan.params.size(); ++k) {
        if (scan.params[k].is_rid)
          sqlite3_bind_int64(state->st, static_cast<int>(k + 1), scan.params[k].rid);
        else
          bind_storage(state->st, static_cast<int>(k + 1), scan.params[k].value);
      }
      // The first step takes the snapshot: the rows are those of execute.
      int rc = sqlite3_step(state->st);
      if (rc == SQLITE_ROW)
        state->pending = true;
      else if (rc == SQLITE_DONE)
        state->finish();
      else
        sqlite_fail(state->lease->db(), "scan");
    }
    cursor->next = [this, alive, state](std::vector<Value>& out) {
      if (!*alive) raise(3114);
      MessageVersionScope wording(profile_.version);
      Assign<BindSource*> bound(binds_, state->binds.get());
      Stream& s = *state;
      const Plan& p = *s.plan;
      const TableInfo& t = *s.table;
      EvalContext ctx;
      ctx.row = &s.row;
      ctx.rids = &s.rids;
      while (s.st) {
        if (!s.pending) {
          int rc = sqlite3_step(s.st);
          if (rc == SQLITE_DONE) {
            s.finish();
            break;
          }
          if (rc != SQLITE_ROW) sqlite_fail(s.lease->db(), "scan");
        }
        s.pending = false;
        s.row.assign(t.columns.size(), Value{});
        int64_t rid = sqlite3_column_int64(s.st, 0);
        s.rids[0] = rid;
        for (size_t k = 0; k < s.read.size(); ++k) {
          int c = s.read[k];
          s.row[c] = read_storage(s.st, static_cast<int>(k + 1), t.columns[c].type);
          if (s.row[c].kind == Kind::Clob || s.row[c].kind == Kind::Blob)
            s.row[c].lob = LobRef{t.obj, rid, c, false};
        }
        bool match = true;
        for (const Expr* c : p.conjuncts[0])
          if (cond(*c, ctx) != 1) {
            match = false;
            break;
          }
        if (!match) continue;
        ctx.rownum = s.accepted + 1;
        for (size_t k = 0; k < p.rownum_conjuncts.size() && match; ++k) {
          if (cond(*p.rownum_conjuncts[k], ctx) == 1) continue;
          // ROWNUM stays where it is until a row is accepted: a condition
          // of ROWNUM alone that fails now fails for every row after.
          if (s.rownum_only[k]) {
            s.finish();
            return false;
          }
          match = false;
        }
        if (!match) continue;
        ++s.accepted;
        out.clear();
        out.reserve(p.items.size());
        for (const Expr* item : p.items) out.push_back(eval(*item, ctx));
        costs_.cursor_rows_held(row_bytes(out));
        return true;
      }
      return false;
    };
    return cursor;
  }
  bool user_tables = false;
  for (const auto& src : scope.sources)
    user_tables = user_tables || src.table_obj != 0 || src.subquery;
  if (sel.for_update) txn_.start();  // the transaction starts with SELECT ... FOR UPDATE
  auto captured = std::make_shared<CapturedBinds>(sel, binds);
  auto run = [this, &sel, scope, captured, alive]() {
    if (!*alive) raise(3114);
    MessageVersionScope wording(profile_.version);
    Assign<BindSource*> bound(binds_, captured.get());
    catalog_.take_current();
    auto rows = run_query(sel, scope, nullptr, nullptr);
    costs_.cursor_rows_held(rows_bytes(rows));
    return rows;
  };
  if (sel.for_update) {
    // A locking query reads and locks its rows at execute; when a lock had
    // to wait, the rows are read again as the other session left them.
    std::vector<int64_t> tables;
    for (const auto& src : scope.sources)
      if (src.table_obj) tables.push_back(src.table_obj);
    locks_.lock_tables(tables, false, sel.nowait, sel.wait_seconds);
    auto rows = std::make_shared<std::vector<std::vector<Value>>>();
    locks_.read_for_update([&] { *rows = run(); }, sel.nowait, sel.wait_seconds);
    cursor->produce = [rows]() { return std::move(*rows); };
  } else if (!user_tables) {
    // Dictionary queries take their rows at execute.
    auto rows = std::make_shared<std::vector<std::vector<Value>>>(run());
    cursor->produce = [rows]() { return std::move(*rows); };
  } else {
    cursor->produce = run;
  }
  return cursor;
}

}  // namespace oraemb
