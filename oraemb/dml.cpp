// INSERT, UPDATE and DELETE: values computed with Oracle semantics, BEFORE
// INSERT row triggers, defaults, conversions to the column types with their
// length and precision checks, NOT NULL, and unique keys reported by their
// constraint names. A failing statement undoes only its own effects (a
// savepoint, or its whole transaction when it opened it).
#include <algorithm>

#include "oraemb/query_plan.h"
#include "oraemb/session.h"
#include "oraemb/sqlite_util.h"
#include "oraemb/utf.h"
#include "oraemb/value_ops.h"

namespace oraemb {
namespace {

void split_conjuncts(const Expr* e, std::vector<const Expr*>& out) {
  if (!e) return;
  if (e->op == Op::And) {
    split_conjuncts(e->args[0].get(), out);
    split_conjuncts(e->args[1].get(), out);
  } else {
    out.push_back(e);
  }
}

}  // namespace

std::string Session::qualified_column(const std::string& table, const std::string& column) const {
  return dq(catalog_.user()) + "." + dq(table) + "." + dq(column);
}

const TableInfo& Session::table_for_dml(const std::string& name) {
  const TableInfo* t = catalog_.schema()->find_table(name);
  if (t) return *t;
  if (!catalog_.schema()->find_table_ns(name) && is_view(name)) raise(1031);
  refuse_view_dml(name);
  raise(942);
}

Value Session::default_value(const ColumnInfo& col) {
  if (!col.has_default) return Value::null();
  EvalContext ctx;
  return eval(catalog_.compiled().default_expr(col.default_text), ctx);
}

size_t Session::database_bytes(const std::string& utf8) const {
  const std::string& cs = profile_.database_charset;
  if (cs == "AL32UTF8") return utf8.size();
  if (cs == "UTF8") {
    // CESU-8: every UTF-16 unit on its own, so a supplementary character is
    // two 3-byte surrogates.
    size_t n = 0;
    for (char16_t u : utf8_to_utf16(utf8)) n += u < 0x80 ? 1 : u < 0x800 ? 2 : 3;
    return n;
  }
  return utf16_length(utf8);  // single-byte sets: one byte per character held
}

Value Session::coerce(const Value& v, const ColumnInfo& col, const std::string& table) {
  if (v.is_null()) return v;
  return coerce(Value(v), col, table);
}

Value Session::coerce(Value&& v, const ColumnInfo& col, const std::string& table) {
  if (v.is_null()) return std::move(v);
  const OraType& t = col.type;
  auto too_large = [&](size_t actual, int maximum) {
    raise(12899,
          {qualified_column(table, col.name), std::to_string(actual), std::to_string(maximum)});
  };
  switch (t.base) {
    case Base::BinaryFloat:
    case Base::BinaryDouble:
      // IEEE values: the nearest single or double.
      return Value::num(OraNumber::from_double(
          t.base == Base::BinaryFloat
              ? static_cast<double>(static_cast<float>(value_number(v).to_double()))
              : value_number(v).to_double()));
    case Base::Boolean: {
      OraNumber n = value_number(v);
      return Value::num(OraNumber::from_int(n.is_zero() ? 0 : 1));
    }
    case Base::Number:
    case Base::Float: {
      // Rounded only where digits are dropped, so that the digits move on
      // without a copy.
      OraNumber n = v.kind == Kind::Number ? std::move(v.number) : value_number(v);
      n.check_range();
      auto keep = [&n](int digits) {
        if (!n.is_zero() && digits < n.significant_digits()) n = n.rounded_significant(digits);
      };
      if (t.base != Base::Float) {
        if (t.scale != -1000) keep(n.exponent() + t.scale);
        if (t.precision >= 0 && !n.is_zero() && n.exponent() > t.precision - t.scale) raise(1438);
      }
      keep(38);
      Value out;
      out.kind = Kind::Number;
      out.number = std::move(n);
      return out;
    }
    case Base::Varchar2:
    case Base::Nvarchar2:
    case Base::Char:
    case Base::Nchar:
    case Base::Long: {
      std::string text = v.kind == Kind::Text ? std::move(v.bytes) : value_text(v);
      const bool national = t.charset_form() == 2;
      // A column of the database character set keeps what that set holds;
      // a national column too, when the value came through the database
      // character set (an implicit-form bind) rather than as national text.
      if (!national || !v.national) keep_charset_repertoire(text, profile_.database_charset);
      if (t.base != Base::Long) {
        bool chars = t.char_semantics || national;
        size_t actual = chars ? utf16_length(text) : database_bytes(text);
        if (actual > static_cast<size_t>(t.length)) too_large(actual, t.length);
        if (t.base == Base::Char || t.base == Base::Nchar) text.append(t.length - actual, ' ');
      }
      Value out = Value::text(std::move(text));
      out.national = t.charset_form() == 2;
      out.blank_padded = t.base == Base::Char || t.base == Base::Nchar;
      return out;
    }
    case Base::Date: {
      // A DATE keeps whole seconds.
      OraDate d = value_date(v);
      d.nanos = 0;
      d.precision = -1;
      return Value::dt(d);
    }
    case Base::Timestamp: {
      // Rounded to the column's fractional digits.
      OraDate d = value_date(v).rounded(t.precision);
      d.precision = t.precision;
      return Value::dt(d);
    }
    case Base::Raw: {
      std::string bytes = v.kind == Kind::Raw || v.kind == Kind::Blob ? std::move(v.bytes)
                          : v.kind == Kind::Text                      ? from_hex(v.bytes)
                                                 : (raise(932, {"BINARY", kind_name(v.kind)}), "");
      if (bytes.size() > static_cast<size_t>(t.length)) too_large(bytes.size(), t.length);
      return Value::raw(std::move(bytes));
    }
    case Base::Clob:
    case Base::Nclob: {
      if (v.kind == Kind::Blob || v.kind == Kind::Raw) raise(932, {"CLOB", kind_name(v.kind)});
      std::string text =
          v.kind == Kind::Clob || v.kind == Kind::Text ? std::move(v.bytes) : value_text(v);
      if (t.base == Base::Clob || (v.kind != Kind::Clob && !v.national))
        keep_charset_repertoire(text, profile_.database_charset);
      return Value::lob_value(Kind::Clob, std::move(text));
    }
    case Base::Blob:
      if (v.kind == Kind::Blob || v.kind == Kind::Raw)
        return Value::lob_value(Kind::Blob, std::move(v.bytes));
      if (v.kind == Kind::Text) return Value::lob_value(Kind::Blob, from_hex(v.bytes));
      raise(932, {"BLOB", kind_name(v.kind)});
    case Base::Rowid:
      break;
  }
  return std::move(v);
}

void Session::check_row(const TableInfo& t, std::vector<Value>& row, bool update,
                        const std::vector<bool>* changed) {
  for (size_t c = 0; c < t.columns.size(); ++c) {
    if (!row[c].is_null() || catalog_.schema()->column_nullable(t.obj, static_cast<int>(c)))
      continue;
    if (update && changed && !(*changed)[c]) continue;
    raise(update ? 1407 : 1400,
          {qualified_column(catalog_.schema()->name_of(t.obj), t.columns[c].name)});
  }
  check_conditions(t, row, update ? changed : nullptr);
}

void Session::raise_unique(const TableInfo& t, const std::vector<Value>& row, int64_t rid) {
  auto probe = [&](const std::vector<int>& cols) {
    bool any = false;
    std::string sql = "SELECT 1 FROM " + storage_table(t.obj) + " WHERE rid <> ?";
    for (int c : cols) {
      sql += " AND " + storage_column(c) + " IS ?";
      any = any || !row[c].is_null();
    }
    if (!any) return false;
    sqlite3_stmt* st = cached(sql + " LIMIT 1");
    sqlite3_bind_int64(st, 1, rid);
    for (size_t k = 0; k < cols.size(); ++k)
      bind_storage(st, static_cast<int>(k + 2), row[cols[k]]);
    bool hit = step_row(conn_, st, "unique probe");
    sqlite3_reset(st);
    return hit;
  };
  for (const auto& c : catalog_.schema()->constraints)
    if (c.table_obj == t.obj && (c.type == 'P' || c.type == 'U') && probe(c.columns))
      raise(1, {catalog_.user() + "." + c.name});
  for (const auto& [obj, ind] : catalog_.schema()->indexes)
    if (ind.table_obj == t.obj && ind.unique && !ind.lob && probe(ind.columns))
      raise(1, {catalog_.user() + "." + catalog_.schema()->name_of(obj)});
  raise(1, {catalog_.user() + "." + catalog_.schema()->name_of(t.obj)});
}

void Session::fire_insert_triggers(const TableInfo& t, std::vector<Value>& row) {
  for (const auto& [obj, info] : catalog_.schema()->triggers) {
    if (info.table_obj != t.obj) continue;
    CompiledCache::Trigger& ct = catalog_.compiled().trigger(obj, info, catalog_.schema(), [&] {
      return trigger_errors(*catalog_.schema(), info).empty();
    });
    if (!ct.valid) raise(4098, {catalog_.user() + "." + catalog_.schema()->name_of(obj)});
    Scope scope;
    scope.new_table = &t;
    EvalContext ctx;
    ctx.new_row = &row;
    if (ct.when) {
      resolve(*ct.when, scope, false);
      if (cond(*ct.when, ctx) != 1) continue;
    }
    const std::string table_name = catalog_.schema()->name_of(t.obj);
    std::function<void(std::vector<PlStmt>&)> run = [&](std::vector<PlStmt>& stmts) {
      for (auto& st : stmts) {
        if (st.kind == PlStmt::Assign) {
          resolve(*st.expr, scope, false);
          int idx = t.column_index(st.target);
          row[idx] = coerce(eval(*st.expr, ctx), t.columns[idx], table_name);
        } else if (st.kind == PlStmt::If) {
          resolve(*st.expr, scope, false);
          run(cond(*st.expr, ctx) == 1 ? st.then_branch : st.else_branch);
        } else if (st.kind == PlStmt::SelectInto) {
          Scope inner = build_scope(*st.select);
          inner.new_table = &t;
          std::vector<ColumnDesc> desc;
          auto rows = run_query(*st.select, inner, &desc, &row);
          if (rows.empty()) raise(1403);
          if (rows.size() > 1) raise(1422);
          if (rows[0].size() != st.select->into.size())
            raise(rows[0].size() < st.select->into.size() ? 947 : 913);
          for (size_t k = 0; k < st.select->into.size(); ++k) {
            int idx = t.column_index(st.select->into[k]->name);
            row[idx] = coerce(rows[0][k], t.columns[idx], table_name);
          }
        }
      }
    };
    run(ct.body);
  }
}

bool Session::lock_matching_rows(const Source& src, const Expr* where,
                                 std::vector<std::vector<Value>>& rows,
                                 std::vector<int64_t>& rids) {
  // ROWNUM numbers the rows the rest of the condition accepts: a row is
  // tried as number accepted + 1, so "ROWNUM <= 3" changes three rows. The
  // scan itself is given only the conjuncts without ROWNUM.
  std::vector<const Expr*> all_conjuncts, conjuncts;
  split_conjuncts(where, all_conjuncts);
  for (const Expr* part : all_conjuncts) {
    bool rownum = false;
    walk_expr(*part, [&](const Expr& e) { rownum = rownum || e.op == Op::Rownum; });
    if (!rownum) conjuncts.push_back(part);
  }
  std::vector<int64_t> scanned;
  auto all = scan_source(src, 0, conjuncts, scanned);
  rows.clear();
  rids.clear();
  std::vector<std::pair<int64_t, int64_t>> keys;
  for (size_t r = 0; r < all.size(); ++r) {
    std::vector<int64_t> one{scanned[r]};
    EvalContext ctx;
    ctx.row = &all[r];
    ctx.rids = &one;
    ctx.rownum = static_cast<int64_t>(rows.size()) + 1;
    if (where && cond(*where, ctx) != 1) continue;
    rows.push_back(std::move(all[r]));
    rids.push_back(scanned[r]);
    keys.push_back({src.table_obj, scanned[r]});
  }
  return locks_.lock_rows(keys, false, -1);
}

void Session::run_lock_table(LockTableStmt& lk, const ExecOptions& options) {
  std::vector<int64_t> objs;
  for (const auto& name : lk.tables) objs.push_back(table_for_dml(name).obj);
  if (options.parse_only) return;
  locks_.lock_tables(objs, lk.exclusive, lk.nowait, lk.wait_seconds);
  txn_.start();  // held until commit or rollback
}

int64_t Session::run_insert(InsertStmt& ins, const ExecOptions& options,
                            const std::function<void(const std::string&)>& on_rowid) {
  // A later row of an array execute runs on the plan its first row made:
  // the catalogue cannot change under the batch's write transaction.
  InsertPlan& plan = insert_plan_;
  const bool reuse = options.same_batch && !ins.select && plan.ins == &ins &&
                     plan.schema == catalog_.schema() && plan.statement != nullptr;
  std::vector<std::vector<Value>> source_rows;
  if (!reuse) {
    plan = InsertPlan();
    const TableInfo& t = table_for_dml(ins.table);
    std::vector<int>& targets = plan.targets;
    if (ins.columns.empty()) {
      // Without a column list: the visible columns, virtual ones included
      // (a value for one is refused below).
      for (size_t c = 0; c < t.columns.size(); ++c)
        if (!t.columns[c].invisible) targets.push_back(static_cast<int>(c));
    } else {
      for (const auto& name : ins.columns) {
        int idx = t.column_index(name);
        if (idx < 0) raise(904, {dq(name)});
        if (std::find(targets.begin(), targets.end(), idx) != targets.end()) raise(957);
        targets.push_back(idx);
      }
    }
    for (const ColumnInfo& c : t.columns) plan.any_virtual = plan.any_virtual || c.is_virtual;
    auto refuse_virtual_targets = [&] {
      for (int idx : targets)
        if (t.columns[idx].is_virtual)
          throw ora_error(54013, "INSERT operation disallowed on virtual columns");
    };
    if (!ins.columns.empty()) refuse_virtual_targets();
    if (!ins.returning.empty()) {
      if (ins.returning.size() != 1 || ins.returning[0]->op != Op::Rowid || ins.into.size() != 1)
        raise_unimplemented("RETURNING of anything but one ROWID into one bind variable");
    }
    Scope empty;
    if (ins.select) {
      Scope scope = build_scope(*ins.select);
      std::vector<ColumnDesc> desc;
      if (options.parse_only) {
        run_query(*ins.select, scope, &desc, nullptr);
        if (desc.size() != targets.size()) raise(desc.size() > targets.size() ? 913 : 947);
        refuse_virtual_targets();
        return 0;
      }
      source_rows = run_query(*ins.select, scope, &desc, nullptr);
      if (desc.size() != targets.size()) raise(desc.size() > targets.size() ? 913 : 947);
      refuse_virtual_targets();
    } else {
      if (ins.values.size() > targets.size()) raise(913);
      if (ins.values.size() < targets.size()) raise(947);
      refuse_virtual_targets();
      for (auto& v : ins.values) resolve(*v, empty, false);
      if (options.parse_only) return 0;
    }
    std::vector<bool> given(t.columns.size(), false);
    for (int c : targets) given[c] = true;
    for (size_t c = 0; c < t.columns.size(); ++c)
      if (!given[c]) plan.defaulted.push_back(static_cast<int>(c));
    plan.table = &t;
    plan.table_name = catalog_.schema()->name_of(t.obj);
    std::string sql = "INSERT INTO " + storage_table(t.obj) + "(";
    for (size_t c = 0; c < t.columns.size(); ++c)
      sql += (c ? ", " : "") + storage_column(static_cast<int>(c));
    sql += ") VALUES(";
    for (size_t c = 0; c < t.columns.size(); ++c) sql += c ? ", ?" : "?";
    sql += ")";
    plan.statement = cached(sql);
    plan.row.resize(t.columns.size());
    plan.scratch.resize(t.columns.size());
    // Known once the statement is valid; until then nothing is reused.
    plan.schema = catalog_.schema();
    plan.ins = &ins;
  }
  const TableInfo& t = *plan.table;
  // With deferred segment creation the quota is checked when rows arrive.
  if (profile_.version >= 112) privileges_.require_quota();
  // The first row took the table's lock for the whole transaction.
  if (!reuse) lock_for_dml(t.obj);
  // One row written by one SQLite INSERT needs no savepoint of its own; a
  // NEXTVAL before it takes one (parent keys and the RETURNING callback
  // come after the INSERT, so they always need one). An INSERT left
  // uncommitted records its rows, so that its transaction can give the
  // writer lock away; one committed by the same call has no need to.
  txn_.begin_statement(!options.commit_on_success && !options.commit_follows,
                       !ins.select && t.foreign_keys.empty() && ins.returning.empty());
  int64_t count = 0;
  try {
    // Next to another session's parked rows a row is checked once written.
    const ParkedNeighbours parked = parked_neighbours(t.obj, true);
    if (parked.any) txn_.before_extra_write();
    int64_t next_rid = parked.next_rid;
    size_t total = ins.select ? source_rows.size() : 1;
    // Rows of a child table find their parent keys once the statement's
    // rows are all in (a row may refer to itself or to a row after it).
    std::vector<std::vector<Value>> inserted;
    std::vector<Value>& row = plan.row;
    for (size_t r = 0; r < total; ++r) {
      EvalContext ctx;
      for (size_t k = 0; k < plan.targets.size(); ++k) {
        const int c = plan.targets[k];
        if (ins.select)
          row[c] = coerce(source_rows[r][k], t.columns[c], plan.table_name);
        else
          row[c] = coerce(eval(*ins.values[k], ctx), t.columns[c], plan.table_name);
      }
      for (int c : plan.defaulted)
        row[c] = coerce(default_value(t.columns[c]), t.columns[c], plan.table_name);
      fire_insert_triggers(t, row);
      if (plan.any_virtual) fill_virtual_columns(t, row, plan.table_name);
      check_row(t, row, false, nullptr);
      sqlite3_stmt* st = plan.statement;
      int first = 1;
      if (next_rid) {
        // Rare (next to parked new rows): the statement naming the rid.
        std::string sql = "INSERT INTO " + storage_table(t.obj) + "(rid";
        for (size_t c = 0; c < t.columns.size(); ++c)
          sql += ", " + storage_column(static_cast<int>(c));
        sql += ") VALUES(?";
        for (size_t c = 0; c < t.columns.size(); ++c) sql += ", ?";
        st = cached(sql + ")");
        sqlite3_bind_int64(st, first++, next_rid);
        next_rid = 0;  // SQLite's choice is above it from now on
      }
      // The row's values stay put until the step is done: bound in place.
      for (size_t c = 0; c < row.size(); ++c)
        bind_storage_in_place(st, static_cast<int>(c) + first, row[c], plan.scratch[c]);
      int rc = sqlite3_step(st);
      sqlite3_reset(st);
      if (rc != SQLITE_DONE) {
        if ((sqlite3_extended_errcode(conn_) & 0xFF) == SQLITE_CONSTRAINT) {
          if (parked.any) guard_parked_duplicates(t, row, -1);
          raise_unique(t, row, -1);
        }
        sqlite_fail(conn_, "insert");
      }
      if (parked.any) guard_parked_keys(t, sqlite3_last_insert_rowid(conn_));
      ++count;
      if (!t.foreign_keys.empty()) inserted.push_back(row);
      if (!ins.returning.empty() && on_rowid)
        on_rowid(rowid_text(t.obj, sqlite3_last_insert_rowid(conn_)));
    }
    if (!inserted.empty()) check_parent_keys(t, inserted);
    txn_.end_statement();
  } catch (...) {
    txn_.abort_statement();
    throw;
  }
  return count;
}

int64_t Session::run_update(UpdateStmt& upd, const ExecOptions& options) {
  const TableInfo& t = table_for_dml(upd.table);
  const std::string table_name = catalog_.schema()->name_of(t.obj);
  Scope scope;
  Source src;
  src.name = table_name;
  src.alias = upd.alias;
  src.table_obj = t.obj;
  for (const auto& c : t.columns) src.columns.push_back({c.name, c.type});
  scope.sources.push_back(src);
  std::vector<int> targets;
  for (auto& [name, e] : upd.sets) {
    int idx = t.column_index(name);
    if (idx < 0) raise(904, {dq(name)});
    if (std::find(targets.begin(), targets.end(), idx) != targets.end())
      throw ora_error(1733, "virtual column not allowed here");
    if (t.columns[idx].is_virtual)
      throw ora_error(54017, "UPDATE operation disallowed on virtual columns");
    targets.push_back(idx);
    resolve(*e, scope, true);
  }
  if (upd.where) resolve(*upd.where, scope, true);
  if (options.parse_only) return 0;
  lock_for_dml(t.obj);
  std::vector<int64_t> rids;
  std::vector<std::vector<Value>> rows;
  bool waited = lock_matching_rows(scope.sources[0], upd.where.get(), rows, rids);
  txn_.begin_statement(!options.commit_on_success);
  int64_t count = 0;
  try {
    const bool parked = parked_neighbours(t.obj, false).any;
    // Rows another session changed while this one waited are read again.
    if (waited) lock_matching_rows(scope.sources[0], upd.where.get(), rows, rids);
    // The virtual columns are written again with the columns they read.
    std::vector<int> written = targets;
    for (size_t c = 0; c < t.columns.size(); ++c)
      if (t.columns[c].is_virtual) written.push_back(static_cast<int>(c));
    std::string sql = "UPDATE " + storage_table(t.obj) + " SET ";
    for (size_t k = 0; k < written.size(); ++k)
      sql += (k ? ", " : "") + storage_column(written[k]) + " = ?";
    sql += " WHERE rid = ?";
    // Foreign keys are checked once every row is written: a changed child
    // key needs its parent, a changed parent key must not leave children.
    auto sets_any = [&](const std::vector<size_t>& keys, bool referencing) {
      for (size_t index : keys) {
        const ConstraintInfo& fk = catalog_.schema()->constraints[index];
        for (int c : referencing ? fk.columns : fk.r_columns)
          if (std::find(targets.begin(), targets.end(), c) != targets.end()) return true;
      }
      return false;
    };
    const bool child_keys = sets_any(t.foreign_keys, true);
    const bool parent_keys = sets_any(t.referenced_by, false);
    std::vector<std::vector<Value>> new_children, old_parents;
    for (size_t r = 0; r < rows.size(); ++r) {
      std::vector<int64_t> one{rids[r]};
      EvalContext ctx;
      ctx.row = &rows[r];
      ctx.rids = &one;
      std::vector<Value> row = rows[r];
      std::vector<bool> changed(row.size(), false);
      for (size_t k = 0; k < targets.size(); ++k) {
        row[targets[k]] = coerce(eval(*upd.sets[k].second, ctx), t.columns[targets[k]], table_name);
        changed[targets[k]] = true;
      }
      if (written.size() > targets.size()) {
        fill_virtual_columns(t, row, table_name);
        for (size_t k = targets.size(); k < written.size(); ++k) changed[written[k]] = true;
      }
      check_row(t, row, true, &changed);
      sqlite3_stmt* st = cached(sql);
      for (size_t k = 0; k < written.size(); ++k)
        bind_storage(st, static_cast<int>(k + 1), row[written[k]]);
      sqlite3_bind_int64(st, static_cast<int>(written.size() + 1), rids[r]);
      int rc = sqlite3_step(st);
      sqlite3_reset(st);
      if (rc != SQLITE_DONE) {
        if ((sqlite3_extended_errcode(conn_) & 0xFF) == SQLITE_CONSTRAINT) {
          if (parked) guard_parked_duplicates(t, row, rids[r]);
          raise_unique(t, row, rids[r]);
        }
        sqlite_fail(conn_, "update");
      }
      if (parked) guard_parked_keys(t, rids[r]);
      ++count;
      if (child_keys) new_children.push_back(std::move(row));
      if (parent_keys) old_parents.push_back(rows[r]);
    }
    if (child_keys) check_parent_keys(t, new_children);
    if (parent_keys) release_parent_keys(t, old_parents, false);
    txn_.end_statement();
  } catch (...) {
    txn_.abort_statement();
    throw;
  }
  return count;
}

int64_t Session::run_delete(DeleteStmt& del, const ExecOptions& options) {
  const TableInfo& t = table_for_dml(del.table);
  Scope scope;
  Source src;
  src.name = catalog_.schema()->name_of(t.obj);
  src.alias = del.alias;
  src.table_obj = t.obj;
  for (const auto& c : t.columns) src.columns.push_back({c.name, c.type});
  scope.sources.push_back(src);
  if (del.where) resolve(*del.where, scope, true);
  if (options.parse_only) return 0;
  lock_for_dml(t.obj);
  std::vector<int64_t> rids;
  std::vector<std::vector<Value>> rows;
  bool waited = lock_matching_rows(scope.sources[0], del.where.get(), rows, rids);
  txn_.begin_statement(!options.commit_on_success);
  int64_t count = 0;
  try {
    if (waited) lock_matching_rows(scope.sources[0], del.where.get(), rows, rids);
    for (size_t r = 0; r < rows.size(); ++r) {
      sqlite3_stmt* st = cached("DELETE FROM " + storage_table(t.obj) + " WHERE rid = ?");
      sqlite3_bind_int64(st, 1, rids[r]);
      int rc = sqlite3_step(st);
      sqlite3_reset(st);
      if (rc != SQLITE_DONE) sqlite_fail(conn_, "delete");
      ++count;
    }
    if (!t.referenced_by.empty() && !rows.empty()) release_parent_keys(t, rows, true);
    txn_.end_statement();
  } catch (...) {
    txn_.abort_statement();
    throw;
  }
  return count;
}

}  // namespace oraemb
