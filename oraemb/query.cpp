// The cursor of a query: a query of one user table is streamed (its rows
// read from a snapshot connection and evaluated as they are fetched), any
// other is run by the query executor at the first fetch. Also the scans of
// one table with simple equality conjuncts on a ROWID or a NUMBER/VARCHAR2
// column pushed into SQLite (DML reads its rows so), and ROWID decoding.
#include <algorithm>
#include <cctype>
#include <set>

#include "oraemb/ora_error.h"
#include "oraemb/query_executor.h"
#include "oraemb/session.h"
#include "oraemb/snapshot_readers.h"
#include "oraemb/sqlite_util.h"
#include "oraemb/value_ops.h"

namespace oraemb {
namespace {

// Calls `fn` for `e` and every expression under it, those of subqueries too.
void walk(const Expr& e, const std::function<void(const Expr&)>& fn);

void walk_query(const SelectStmt& q, const std::function<void(const Expr&)>& fn) {
  auto each = [&](const Expr* e) {
    if (e) walk(*e, fn);
  };
  if (q.set_left) walk_query(*q.set_left, fn);
  if (q.set_right) walk_query(*q.set_right, fn);
  for (const auto& [name, w] : q.with) walk_query(*w, fn);
  for (const auto& item : q.items) each(item.expr.get());
  for (const auto& ref : q.from) {
    if (ref.subquery) walk_query(*ref.subquery, fn);
    if (ref.pivot) {
      for (const auto& a : ref.pivot->aggregates) each(a.call.get());
      for (const auto& v : ref.pivot->values) each(v.value.get());
      if (ref.pivot->rewritten) walk_query(*ref.pivot->rewritten, fn);
    }
  }
  std::function<void(const JoinNode*)> joins = [&](const JoinNode* n) {
    if (!n) return;
    each(n->on.get());
    joins(n->left.get());
    joins(n->right.get());
  };
  joins(q.joins.get());
  each(q.where.get());
  for (const auto& g : q.group_by) each(g.get());
  each(q.having.get());
  for (const auto& o : q.order_by) each(o.expr.get());
  each(q.offset.get());
  each(q.fetch.get());
}

void walk(const Expr& e, const std::function<void(const Expr&)>& fn) {
  walk_expr(e, [&](const Expr& x) {
    fn(x);
    if (x.subquery) walk_query(*x.subquery, fn);
  });
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
  return queries().build_scope(sel, nullptr);
}

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
    walk_query(sel, [&](const Expr& x) {
      if (x.op == Op::Bind && !values_.count(x.name)) {
        if (!from) raise(1008);
        values_.emplace(x.name, from->bind_value(x.name));
      }
    });
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

std::vector<std::vector<Value>> Session::run_query(SelectStmt& sel, const Scope& scope,
                                                   std::vector<ColumnDesc>* desc_out,
                                                   std::vector<Value>* new_row) {
  QueryExecutor& q = queries();
  if (q.depth() == 0) q.next_epoch();
  const bool whole = sel.set_op != SelectStmt::None || !sel.with.empty();
  return q.run(sel, whole ? nullptr : &scope, nullptr, nullptr, desc_out, new_row);
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
         !sel.distinct && sel.order_by.empty() && !sel.having && !sel.for_update && !sequences &&
         !plan.subqueries && plan.analytics.empty() && !sel.offset && !sel.fetch && !sel.joins;
}

}  // namespace

std::unique_ptr<Cursor> Session::open_query(SelectStmt& sel, const ExecOptions& options,
                                            BindSource* binds) {
  auto cursor = std::make_unique<Cursor>();
  QueryExecutor& queries = this->queries();
  queries.next_epoch();
  // A compound query or one with WITH queries is described and run whole.
  const bool whole = sel.set_op != SelectStmt::None || !sel.with.empty();
  Scope scope;
  std::shared_ptr<Plan> plan;
  if (whole) {
    cursor->columns = queries.describe(sel, nullptr);
    if (sel.for_update && sel.set_op != SelectStmt::None)
      throw ora_error(1786, "FOR UPDATE of this query expression is not allowed");
  } else {
    scope = build_scope(sel);
    plan = queries.make_plan(sel, scope);
    cursor->columns = plan->desc;
    // Rows made of several table rows cannot be locked one by one.
    if (sel.for_update && (sel.distinct || plan->grouped))
      throw ora_error(1786, "FOR UPDATE of this query expression is not allowed");
  }
  if (options.parse_only || options.describe_only) return cursor;
  auto alive = alive_;
  bool sequences = false;
  std::vector<std::vector<bool>> needed;
  if (plan) needed = queries.needed_columns(*plan, sel, sequences);
  // Without uncommitted changes of this session, the committed state of the
  // file is what the session sees: the rows are read through a connection
  // of their own, in a snapshot taken now, and evaluated as they are fetched.
  // Otherwise the session's own connection must read them (materialised).
  if (plan && streamable(sel, *plan, sequences) && !txn_.writing()) {
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
      walk_expr(*c, [&](const Expr& e) {
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
  bool user_tables = whole;
  for (const auto& src : scope.sources)
    user_tables = user_tables || src.table_obj != 0 || src.subquery;
  if (sel.for_update) txn_.start();  // the transaction starts with SELECT ... FOR UPDATE
  auto captured = std::make_shared<CapturedBinds>(sel, binds);
  auto run = [this, &sel, scope, captured, alive]() {
    if (!*alive) raise(3114);
    CallScope call(*this);  // the session's own changes are read: a parked transaction resumes
    MessageVersionScope wording(profile_.version);
    Assign<BindSource*> bound(binds_, captured.get());
    catalog_.take_current();
    // Another session may have dropped a table the query reads since its execute.
    for (const auto& src : scope.sources)
      if (src.table_obj && !catalog_.schema()->tables.count(src.table_obj)) raise(8103);
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
