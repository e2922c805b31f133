// DDL execution: CREATE TABLE / INDEX / SEQUENCE / TRIGGER, ALTER TABLE
// ADD CONSTRAINT / ADD / MODIFY / DROP CONSTRAINT and DROP. Each statement
// commits the session's pending work first, then changes a copy of the
// schema, the catalogue rows and the physical SQLite objects in one SQLite
// transaction, and publishes the copy only when everything succeeded.
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <set>

#include "oraemb/ddl_meeting.h"
#include "oraemb/parser.h"
#include "oraemb/session.h"
#include "oraemb/sqlite_util.h"
#include "oraemb/value_ops.h"

namespace oraemb {
namespace {

std::string padded(int64_t value, int width) {
  char text[32];
  std::snprintf(text, sizeof text, "%0*lld", width, static_cast<long long>(value));
  return text;
}

std::string created_now() {
  return civil_from_seconds(Session::now()).to_storage();
}

void check_default(const std::string& text) {
  Parser p(text);
  ExprPtr e = p.parse_condition_only();
  std::function<void(const Expr&)> walk = [&](const Expr& x) {
    if (x.op == Op::Column || x.op == Op::Rowid || x.op == Op::Rownum) raise(984);
    if (x.op == Op::SeqValue) raise(984);
    for (const auto& a : x.args) walk(*a);
  };
  walk(*e);
}

// The table a DDL statement changes, which it locks exclusively (0: none).
int64_t ddl_target(const Schema& s, const Statement& st) {
  auto table = [&](const std::string& name) -> int64_t {
    const TableInfo* t = s.find_table(name);
    return t ? t->obj : 0;
  };
  switch (st.kind) {
    case StmtKind::CreateIndex:
      return table(st.create_index->table);
    case StmtKind::CreateTrigger:
      return table(st.create_trigger->table);
    case StmtKind::AlterTable:
      return table(st.alter->table);
    case StmtKind::Drop: {
      const DropStmt& dr = *st.drop;
      if (dr.what == "TABLE") return table(dr.name);
      const ObjectInfo* o = dr.what == "INDEX"     ? s.find_index(dr.name)
                            : dr.what == "TRIGGER" ? s.find_trigger(dr.name)
                                                   : nullptr;
      return o ? o->table_obj : 0;
    }
    default:
      return 0;
  }
}

bool table_has_rows(sqlite3* db, int64_t obj, const std::string& where = "") {
  SqlStmt st(db, "SELECT 1 FROM " + storage_table(obj) + (where.empty() ? "" : " WHERE " + where) +
                     " LIMIT 1");
  return st.step();
}

}  // namespace

std::optional<ora_error> Session::run_ddl(Statement& st, const ExecOptions& options) {
  if (options.parse_only) return std::nullopt;
  commit();  // DDL commits the open transaction first
  switch (st.kind) {
    case StmtKind::CreateTable:
      privileges_.require(kPrivCreateTable);
      // Before deferred segment creation (11.2) the segment, and with it the
      // quota check, came with the table.
      if (profile_.version < 112) privileges_.require_quota();
      // BOOLEAN columns came with 23ai.
      for (const ColumnDef& c : st.create_table->columns)
        if (c.type.base == Base::Boolean && profile_.version < 230) raise(902);
      break;
    case StmtKind::CreateSequence:
      privileges_.require(kPrivCreateSequence);
      break;
    case StmtKind::CreateTrigger:
      privileges_.require(kPrivCreateTrigger);
      break;
    default:
      break;
  }
  // DDL waits for no lock: a table another session has locked gives
  // ORA-00054 at once. The lock is taken before SQLite's writer lock, so a
  // session with uncommitted DML on the table is reported, not waited for.
  int64_t target = ddl_target(*catalog_.schema(), st);
  if (target) locks_.lock_for_ddl(target);
  meet_other_ddl();
  txn_.begin_write();
  std::optional<ora_error> warning;
  std::shared_ptr<Schema> next;
  int64_t version = 0;
  try {
    // Under the writer lock the catalogue cannot change any more: pick up
    // what other processes committed before copying it.
    if (catalog_.reread(conn_)) {
      int64_t now_target = ddl_target(*catalog_.schema(), st);
      if (now_target && now_target != target) locks_.lock_for_ddl(now_target);
    }
    version = catalog_store::next_counter(conn_, "catver", 0) + 1;
    next = std::make_shared<Schema>(*catalog_.schema());
    switch (st.kind) {
      case StmtKind::CreateTable:
        ddl_create_table(*next, *st.create_table);
        break;
      case StmtKind::CreateIndex:
        ddl_create_index(*next, *st.create_index);
        break;
      case StmtKind::CreateSequence:
        ddl_create_sequence(*next, *st.create_sequence);
        break;
      case StmtKind::CreateTrigger:
        warning = ddl_create_trigger(*next, *st.create_trigger);
        break;
      case StmtKind::AlterTable:
        ddl_alter_table(*next, *st.alter);
        break;
      case StmtKind::AlterSequence:
        ddl_alter_sequence(*next, *st.create_sequence);
        break;
      case StmtKind::Comment:
        ddl_comment(*next, *st.comment);
        break;
      case StmtKind::CreateView:
        warning = ddl_create_view(*next, *st.create_view);
        break;
      default:
        ddl_drop(*next, *st.drop);
        break;
    }
    next->rebuild_lookup();
    commit();
  } catch (...) {
    rollback();
    clear_cache();
    throw;
  }
  clear_cache();
  catalog_.publish(next, version);
  return warning;
}

std::string Session::sys_c_name() {
  return "SYS_C" +
         padded(catalog_store::next_counter(conn_, "sysc", 7001), profile_.sys_c_digits());
}

void Session::ddl_create_table(Schema& s, CreateTableStmt& ct) {
  if (s.find_table_ns(ct.name)) raise(955);
  if (ct.columns.size() > 1000) raise(1792);
  std::set<std::string> names;
  bool any_virtual = false;
  for (const auto& col : ct.columns) {
    if (!names.insert(col.name).second) raise(957);
    if (col.has_default) check_default(col.default_text);
    // Invisible columns came with 12.1, virtual ones with 11.1.
    if ((col.invisible && profile_.version < 121) || (col.is_virtual && profile_.version < 111))
      raise(907);
    if (col.is_virtual && col.type.is_lob()) raise_unimplemented("a virtual LOB column");
    any_virtual = any_virtual || col.is_virtual;
  }
  if (std::all_of(ct.columns.begin(), ct.columns.end(),
                  [](const ColumnDef& c) { return c.invisible; }))
    throw ora_error(54039, "table must have at least one column that is not invisible");
  int64_t obj = catalog_store::next_counter(conn_, "obj#", 73001);
  s.objects[obj] = ObjectInfo{obj, ct.name, "TABLE", 0, created_now()};
  TableInfo& table = s.tables[obj];
  table.obj = obj;
  std::string physical = "CREATE TABLE " + storage_table(obj) + "(rid INTEGER PRIMARY KEY";
  for (size_t c = 0; c < ct.columns.size(); ++c) {
    const ColumnDef& def = ct.columns[c];
    ColumnInfo col;
    col.name = def.name;
    col.type = def.type;
    col.not_null = def.nullability == 2;
    col.has_default = def.has_default;
    col.default_text = def.default_text;
    col.invisible = def.invisible;
    col.is_virtual = def.is_virtual;
    col.virtual_text = def.virtual_text;
    table.columns.push_back(col);
    physical += ", " + storage_column(static_cast<int>(c));
  }
  sql_exec(conn_, physical + ")");
  for (size_t c = 0; c < ct.columns.size(); ++c) {
    const ColumnDef& def = ct.columns[c];
    if (def.nullability == 2) {
      ConstraintInfo nn;
      nn.id = catalog_store::next_counter(conn_, "con#", 1);
      nn.generated = def.not_null_name.empty();
      nn.name = nn.generated ? sys_c_name() : def.not_null_name;
      if (s.find_constraint(nn.name)) raise(2264);
      nn.type = 'C';
      nn.table_obj = obj;
      nn.columns = {static_cast<int>(c)};
      nn.search_condition = dq(def.name) + " IS NOT NULL";
      s.constraints.push_back(nn);
    }
    if (def.type.is_lob()) {
      // Every LOB column has a LOB segment and a system-named LOB index.
      std::string suffix = padded(obj, 10) + "C" + padded(static_cast<int64_t>(c) + 1, 5) + "$$";
      int64_t lob = catalog_store::next_counter(conn_, "obj#", 73001);
      s.objects[lob] = ObjectInfo{lob, "SYS_LOB" + suffix, "LOB", obj, created_now()};
      int64_t ind = catalog_store::next_counter(conn_, "obj#", 73001);
      s.objects[ind] = ObjectInfo{ind, "SYS_IL" + suffix, "INDEX", obj, created_now()};
      s.indexes[ind] = IndexInfo{ind, obj, true, true, true, {static_cast<int>(c)}};
    }
  }
  s.rebuild_lookup();
  if (any_virtual) check_virtual_columns(s, table);
  for (const auto& def : ct.columns)
    for (const auto& c : def.inline_constraints) add_constraint(s, obj, c);
  for (const auto& c : ct.constraints) add_constraint(s, obj, c);
  catalog_store::save_table(conn_, s, obj);
}

void Session::create_unique_physical(const Schema& s, const ConstraintInfo& c) {
  const TableInfo& t = s.tables.at(c.table_obj);
  std::string cols, any;
  for (size_t k = 0; k < c.columns.size(); ++k) {
    std::string col = storage_column(c.columns[k]);
    Base base = t.columns[c.columns[k]].type.base;
    // Oracle's composite-key rule: NULLs in the same positions compare equal,
    // all-NULL keys are not indexed. The sentinel has a storage class the
    // column never holds.
    std::string sentinel = base == Base::Raw || base == Base::Blob ? "''" : "X'00'";
    cols +=
        (k ? ", " : "") + (c.columns.size() == 1 ? col : "ifnull(" + col + ", " + sentinel + ")");
    any += (k ? " OR " : "") + col + " IS NOT NULL";
  }
  // Constraint keys are k<con#>; plain unique indexes u<obj#> (id = -obj#).
  std::string physical = c.id < 0 ? "u" + std::to_string(-c.id) : "k" + std::to_string(c.id);
  std::string sql =
      "CREATE UNIQUE INDEX " + physical + " ON " + storage_table(c.table_obj) + "(" + cols + ")";
  if (c.columns.size() > 1) sql += " WHERE " + any;
  char* message = nullptr;
  if (sqlite3_exec(conn_, sql.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
    sqlite3_free(message);
    if ((sqlite3_extended_errcode(conn_) & 0xFF) == SQLITE_CONSTRAINT)
      raise(c.type == 'P' ? 2437 : 2299, {s.owner + "." + c.name});
    sqlite_fail(conn_, "unique index");
  }
}

void Session::add_constraint(Schema& s, int64_t table_obj, const ConstraintDef& def) {
  if (def.type == 'C') {
    add_check_constraint(s, table_obj, def);
    return;
  }
  if (def.type == 'R') {
    add_foreign_key(s, table_obj, def);
    return;
  }
  const TableInfo& t = s.tables.at(table_obj);
  ConstraintInfo c;
  c.type = def.type;
  c.table_obj = table_obj;
  for (const auto& name : def.columns) {
    int idx = t.column_index(name);
    if (idx < 0) raise(904, {dq(name)});
    if (std::find(c.columns.begin(), c.columns.end(), idx) != c.columns.end()) raise(957);
    if (t.columns[idx].type.is_lob())
      throw ora_error(2329, "column of datatype LOB cannot be unique or a primary key");
    c.columns.push_back(idx);
  }
  if (!def.name.empty() && s.find_constraint(def.name)) raise(2264);
  std::set<int> wanted(c.columns.begin(), c.columns.end());
  for (const auto& other : s.constraints) {
    if (other.table_obj != table_obj) continue;
    if (c.type == 'P' && other.type == 'P') raise(2260);
    if ((other.type == 'P' || other.type == 'U') &&
        std::set<int>(other.columns.begin(), other.columns.end()) == wanted)
      raise(2261);
  }
  c.generated = def.name.empty();
  c.name = c.generated ? sys_c_name() : def.name;
  c.id = catalog_store::next_counter(conn_, "con#", 1);
  if (c.type == 'P') {
    std::string where;
    for (int col : c.columns)
      where += (where.empty() ? "" : " OR ") + storage_column(col) + " IS NULL";
    if (table_has_rows(conn_, table_obj, where)) raise(1449);
  }
  // An existing index whose leading columns are the key's columns enforces it.
  for (const auto& [obj, ind] : s.indexes) {
    if (ind.table_obj != table_obj || ind.lob || ind.columns.size() < c.columns.size()) continue;
    std::set<int> leading(ind.columns.begin(), ind.columns.begin() + c.columns.size());
    if (leading == wanted) {
      c.index_obj = obj;
      break;
    }
  }
  if (!c.index_obj) {
    if (s.find_index(c.name)) raise(955);
    int64_t ind = catalog_store::next_counter(conn_, "obj#", 73001);
    s.objects[ind] = ObjectInfo{ind, c.name, "INDEX", table_obj, created_now()};
    s.indexes[ind] = IndexInfo{ind, table_obj, true, c.generated, false, c.columns};
    c.index_obj = ind;
  }
  create_unique_physical(s, c);
  s.constraints.push_back(c);
  s.rebuild_lookup();
}

void Session::ddl_create_index(Schema& s, CreateIndexStmt& ci) {
  const TableInfo* t = s.find_table(ci.table);
  if (!t) raise(942);
  std::vector<int> cols;
  for (const auto& name : ci.columns) {
    int idx = t->column_index(name);
    if (idx < 0) raise(904, {dq(name)});
    if (std::find(cols.begin(), cols.end(), idx) != cols.end()) raise(957);
    if (t->columns[idx].type.is_lob())
      throw ora_error(2327, "cannot create index on expression with datatype LOB");
    cols.push_back(idx);
  }
  if (s.find_index(ci.name)) raise(955);
  for (const auto& [obj, ind] : s.indexes)
    if (ind.table_obj == t->obj && !ind.lob && ind.columns == cols) raise(1408);
  int64_t obj = catalog_store::next_counter(conn_, "obj#", 73001);
  s.objects[obj] = ObjectInfo{obj, ci.name, "INDEX", t->obj, created_now()};
  s.indexes[obj] = IndexInfo{obj, t->obj, ci.unique, false, false, cols};
  if (ci.unique) {
    ConstraintInfo shape;
    shape.id = -obj;
    shape.table_obj = t->obj;
    shape.columns = cols;
    shape.type = 'U';
    shape.name = ci.name;
    try {
      create_unique_physical(s, shape);
    } catch (const ora_error& e) {
      if (e.code() == 2299)
        throw ora_error(1452, "cannot CREATE UNIQUE INDEX; duplicate keys found");
      throw;
    }
  }
  s.rebuild_lookup();
  catalog_store::save_table(conn_, s, t->obj);
}

namespace {
// A sequence's MAXVALUE has 28 digits at most, its MINVALUE 28 (27 when
// negative): ORA-04003 beyond.
void check_sequence_digits(const CreateSequenceStmt& cs) {
  auto check = [](const std::optional<OraNumber>& n, const char* name) {
    if (!n || n->is_zero()) return;
    const int digits = n->negative() ? 27 : 28;
    if (n->integer_digits() > digits) raise(4003, {name, std::to_string(digits)});
  };
  check(cs.maxvalue, "MAXVALUE");
  check(cs.minvalue, "MINVALUE");
}
}  // namespace

void Session::ddl_create_sequence(Schema& s, CreateSequenceStmt& cs) {
  if (s.find_table_ns(cs.name)) raise(955);
  check_sequence_digits(cs);
  SequenceInfo q;
  q.increment = cs.increment.value_or(OraNumber::from_int(1));
  if (q.increment.is_zero() || !q.increment.is_integer())
    throw ora_error(4002, "INCREMENT must be a non-zero integer");
  bool asc = !q.increment.negative();
  q.min_value = cs.minvalue.value_or(asc ? OraNumber::from_int(1)
                                         : -(*OraNumber::parse("999999999999999999999999999")));
  q.max_value = cs.maxvalue.value_or(asc ? *OraNumber::parse("9999999999999999999999999999")
                                         : OraNumber::from_int(-1));
  if (compare(q.min_value, q.max_value) >= 0)
    throw ora_error(4004, "MINVALUE must be less than MAXVALUE");
  OraNumber start = cs.start.value_or(asc ? q.min_value : q.max_value);
  if (compare(start, q.min_value) < 0) raise(4006);
  if (compare(start, q.max_value) > 0) raise(4008);
  q.cycle = cs.cycle;
  q.order = cs.order;
  q.cache = cs.cache;
  int64_t obj = catalog_store::next_counter(conn_, "obj#", 73001);
  q.obj = obj;
  s.objects[obj] = ObjectInfo{obj, cs.name, "SEQUENCE", 0, created_now()};
  s.sequences[obj] = q;
  s.rebuild_lookup();
  catalog_store::save_sequence(conn_, s, obj, &start);
}

void Session::ddl_alter_sequence(Schema& s, CreateSequenceStmt& cs) {
  const ObjectInfo* found = s.find_table_ns(cs.name);
  if (!found || found->type != "SEQUENCE") raise(2289);
  check_sequence_digits(cs);
  int64_t obj = found->obj;
  SequenceInfo& q = s.sequences.at(obj);
  const OraNumber old_increment = q.increment;
  if (cs.increment) {
    if (cs.increment->is_zero() || !cs.increment->is_integer())
      throw ora_error(4002, "INCREMENT must be a non-zero integer");
    q.increment = *cs.increment;
  }
  bool asc = !q.increment.negative();
  if (cs.maxvalue)
    q.max_value = *cs.maxvalue;
  else if (cs.nomaxvalue)
    q.max_value = asc ? *OraNumber::parse("9999999999999999999999999999") : OraNumber::from_int(-1);
  if (cs.minvalue)
    q.min_value = *cs.minvalue;
  else if (cs.nominvalue)
    q.min_value =
        asc ? OraNumber::from_int(1) : -(*OraNumber::parse("999999999999999999999999999"));
  if (compare(q.min_value, q.max_value) >= 0)
    throw ora_error(4004, "MINVALUE must be less than MAXVALUE");
  if (cs.has_cycle) q.cycle = cs.cycle;
  if (cs.has_order) q.order = cs.order;
  if (cs.has_cache) q.cache = cs.cache;
  // ora$seq keeps the next value to give; the last one given is that less
  // the old increment. The next value follows from it with the new one.
  SqlStmt get(conn_, "SELECT last_number FROM ora$seq WHERE obj = ?");
  get.bind_int(1, obj);
  if (!get.step()) raise(2289);
  OraNumber next = OraNumber::parse(get.text(0)).value_or(q.min_value);
  OraNumber current = next - old_increment;
  bool used = asc ? compare(current, q.min_value) >= 0 : compare(current, q.max_value) <= 0;
  if (used) {
    if (cs.maxvalue && compare(q.max_value, current) < 0) raise(4009);
    if (cs.minvalue && compare(q.min_value, current) > 0) raise(4007);
    next = current + q.increment;
  }
  // A sequence that never gave a value still starts where it was created to.
  catalog_store::save_sequence(conn_, s, obj, &next);
}

std::vector<std::string> Session::trigger_errors(const Schema& s, const TriggerInfo& info) {
  std::vector<std::string> errors;
  const TableInfo* t = s.tables.count(info.table_obj) ? &s.tables.at(info.table_obj) : nullptr;
  std::vector<PlStmt> body;
  try {
    Parser p(info.body_text);
    body = p.parse_block_only();
  } catch (const ora_error& e) {
    errors.push_back("PLS-00103: " + e.text());
    return errors;
  }
  std::function<void(const Expr&)> check = [&](const Expr& e) {
    if (e.op == Op::SeqValue) {
      const ObjectInfo* q = s.find_table_ns(e.qualifier);
      if (!q || q->type != "SEQUENCE")
        errors.push_back("PL/SQL: ORA-02289: sequence does not exist");
    } else if (e.op == Op::NewRef) {
      if (!t || t->column_index(e.name) < 0)
        errors.push_back("PLS-00049: bad bind variable '" + e.qualifier + "." + e.name + "'");
    }
    for (const auto& a : e.args) check(*a);
  };
  std::function<void(const std::vector<PlStmt>&)> visit = [&](const std::vector<PlStmt>& stmts) {
    for (const auto& st : stmts) {
      if (st.expr) check(*st.expr);
      if (st.kind == PlStmt::Assign && (!t || t->column_index(st.target) < 0))
        errors.push_back("PLS-00049: bad bind variable 'NEW." + st.target + "'");
      if (st.select) {
        for (const auto& item : st.select->items)
          if (item.expr) check(*item.expr);
        for (const auto& into : st.select->into) check(*into);
        if (st.select->where) check(*st.select->where);
        for (const auto& ref : st.select->from) {
          if (!ref.subquery && !s.find_table(ref.name) && !is_view(ref.name))
            errors.push_back("PL/SQL: ORA-00942: table or view does not exist");
        }
      }
      visit(st.then_branch);
      visit(st.else_branch);
    }
  };
  visit(body);
  return errors;
}

std::optional<ora_error> Session::ddl_create_trigger(Schema& s, CreateTriggerStmt& tr) {
  if (tr.when && !tr.each_row) raise(4077);
  const TableInfo* t = s.find_table(tr.table);
  if (!t) raise(942);
  // Only BEFORE INSERT row triggers are fired by the engine.
  if (tr.timing != "BEFORE" || tr.event != "INSERT" || !tr.each_row)
    raise_unimplemented(tr.timing + " " + tr.event + (tr.each_row ? " row" : " statement") +
                        " triggers");
  int64_t obj = 0;
  if (const ObjectInfo* existing = s.find_trigger(tr.name)) {
    if (!tr.or_replace) raise(4081, {tr.name});
    if (existing->table_obj != t->obj) raise(4095, {tr.name});
    obj = existing->obj;
  }
  if (tr.when) {
    std::function<void(const Expr&)> check = [&](const Expr& e) {
      if (e.op == Op::Column && (e.qualifier == "NEW" || e.qualifier == "OLD") &&
          t->column_index(e.name) < 0)
        raise(4076);
      if (e.op == Op::Column && e.qualifier != "NEW" && e.qualifier != "OLD") raise(4076);
      for (const auto& a : e.args) check(*a);
    };
    check(*tr.when);
  }
  if (!obj) obj = catalog_store::next_counter(conn_, "obj#", 73001);
  s.objects[obj] = ObjectInfo{obj, tr.name, "TRIGGER", t->obj, created_now()};
  TriggerInfo info{obj, t->obj, "BEFORE", "INSERT", true, tr.when_text, tr.body_text};
  s.triggers[obj] = info;
  s.rebuild_lookup();
  catalog_store::save_table(conn_, s, t->obj);
  if (!trigger_errors(s, info).empty()) {
    // Oracle creates the trigger in an invalid state and reports it as a warning.
    return ora_error(24344, ora_message(24344), true);
  }
  return std::nullopt;
}

void Session::ddl_alter_table(Schema& s, AlterTableStmt& at) {
  const TableInfo* found = s.find_table(at.table);
  if (!found) raise(942);
  int64_t obj = found->obj;
  TableInfo& t = s.tables.at(obj);
  switch (at.action) {
    case AlterTableStmt::AddConstraint:
      add_constraint(s, obj, at.constraint);
      break;
    case AlterTableStmt::AddColumn:
      for (auto& def : at.add_columns) {
        if (t.column_index(def.name) >= 0) raise(1430);
        if (def.has_default) check_default(def.default_text);
        if (def.nullability == 2 && !def.has_default && table_has_rows(conn_, obj))
          throw ora_error(1758, "table must be empty to add mandatory (NOT NULL) column");
        // A new column may bring CHECK conditions on itself, not keys.
        if (def.type.is_lob()) raise_unimplemented("ADD of a LOB column");
        if (def.is_virtual) raise_unimplemented("ADD of a virtual column");
        if (def.invisible && profile_.version < 121) raise(907);
        for (const auto& c : def.inline_constraints)
          if (c.type != 'C') raise_unimplemented("ADD of a column with a key constraint");
        int idx = static_cast<int>(t.columns.size());
        ColumnInfo added;
        added.name = def.name;
        added.type = def.type;
        added.not_null = def.nullability == 2;
        added.has_default = def.has_default;
        added.default_text = def.default_text;
        added.invisible = def.invisible;
        t.columns.push_back(added);
        sql_exec(conn_, "ALTER TABLE " + storage_table(obj) + " ADD COLUMN " + storage_column(idx));
        if (def.has_default) {
          Value v = coerce(default_value(t.columns[idx]), t.columns[idx], s.name_of(obj));
          SqlStmt st(conn_,
                     "UPDATE " + storage_table(obj) + " SET " + storage_column(idx) + " = ?");
          bind_storage(st.get(), 1, v);
          st.step();
        }
        if (def.nullability == 2) {
          ConstraintInfo nn;
          nn.id = catalog_store::next_counter(conn_, "con#", 1);
          nn.generated = true;
          nn.name = sys_c_name();
          nn.type = 'C';
          nn.table_obj = obj;
          nn.columns = {idx};
          nn.search_condition = dq(def.name) + " IS NOT NULL";
          s.constraints.push_back(nn);
        }
        for (const auto& c : def.inline_constraints) add_check_constraint(s, obj, c);
      }
      break;
    case AlterTableStmt::Modify:
      for (auto& mod : at.mods) {
        int idx = t.column_index(mod.name);
        if (idx < 0) raise(904, {dq(mod.name)});
        ColumnInfo& col = t.columns[idx];
        std::string c = storage_column(idx);
        if (mod.visibility) {
          if (profile_.version < 121) raise(907);
          col.invisible = mod.visibility == 2;
          if (std::all_of(t.columns.begin(), t.columns.end(),
                          [](const ColumnInfo& k) { return k.invisible; }))
            throw ora_error(54039, "table must have at least one column that is not invisible");
        }
        if (col.is_virtual && (mod.type || mod.has_default))
          raise_unimplemented("MODIFY of a virtual column's type or default");
        if (mod.type) {
          const OraType& to = *mod.type;
          bool has_values = table_has_rows(conn_, obj, c + " IS NOT NULL");
          if (to.base != col.type.base) {
            if (col.type.is_lob() || to.is_lob())
              throw ora_error(22859, "invalid modification of columns");
            if (has_values) raise(1439);
          } else if (has_values) {
            if (to.base == Base::Number &&
                ((to.precision >= 0 &&
                  (col.type.precision < 0 || to.precision < col.type.precision)) ||
                 (to.scale != -1000 && (col.type.scale == -1000 || to.scale < col.type.scale))))
              raise(1440);
            if (to.length < col.type.length && to.base != Base::Number) {
              std::string check = to.base == Base::Raw
                                      ? "length(" + c + ") > " + std::to_string(to.length)
                                      : "length(" + c + ") > " + std::to_string(to.length);
              if (table_has_rows(conn_, obj, check)) raise(1441);
            }
          }
          col.type = to;
        }
        if (mod.has_default) {
          check_default(mod.default_text);
          col.has_default = true;
          col.default_text = mod.default_text;
        }
        if (mod.nullability == 1) {
          if (s.column_nullable(obj, idx) || s.column_in_primary_key(obj, idx)) raise(1451);
          col.not_null = false;
          s.constraints.erase(std::remove_if(s.constraints.begin(), s.constraints.end(),
                                             [&](const ConstraintInfo& k) {
                                               return k.table_obj == obj && k.type == 'C' &&
                                                      !k.condition &&
                                                      k.columns == std::vector<int>{idx};
                                             }),
                              s.constraints.end());
        } else if (mod.nullability == 2) {
          if (!s.column_nullable(obj, idx)) raise(1442);
          if (table_has_rows(conn_, obj, c + " IS NULL")) raise(1449);
          col.not_null = true;
          ConstraintInfo nn;
          nn.id = catalog_store::next_counter(conn_, "con#", 1);
          nn.generated = true;
          nn.name = sys_c_name();
          nn.type = 'C';
          nn.table_obj = obj;
          nn.columns = {idx};
          nn.search_condition = dq(col.name) + " IS NOT NULL";
          s.constraints.push_back(nn);
        }
      }
      break;
    case AlterTableStmt::DropConstraint: {
      auto it = std::find_if(
          s.constraints.begin(), s.constraints.end(),
          [&](const ConstraintInfo& k) { return k.table_obj == obj && k.name == at.drop_name; });
      if (it == s.constraints.end()) raise(2443);
      if (it->type == 'P' || it->type == 'U') {
        for (const auto& fk : s.constraints)
          if (fk.type == 'R' && fk.r_constraint == it->name) raise(2273);
      }
      ConstraintInfo gone = *it;
      s.constraints.erase(it);
      if (gone.type == 'C') {
        if (!gone.condition) t.columns[gone.columns[0]].not_null = false;
      } else {
        sql_exec(conn_, "DROP INDEX IF EXISTS k" + std::to_string(gone.id));
        if (gone.index_obj && s.name_of(gone.index_obj) == gone.name) {
          s.indexes.erase(gone.index_obj);
          s.objects.erase(gone.index_obj);
        }
      }
      break;
    }
    case AlterTableStmt::ConstraintState:
      set_constraint_state(s, obj, at.constraint);
      break;
  }
  s.rebuild_lookup();
  catalog_store::save_table(conn_, s, obj);
}

void Session::ddl_drop(Schema& s, DropStmt& dr) {
  if (dr.what == "VIEW") {
    ddl_drop_view(s, dr.name);
  } else if (dr.what == "TABLE") {
    const TableInfo* t = s.find_table(dr.name);
    if (!t) raise(942);
    int64_t obj = t->obj;
    // Foreign keys of other tables that refer to this one's keys block the
    // drop, unless CASCADE CONSTRAINTS drops them with it.
    std::set<std::string> keys;
    for (const auto& c : s.constraints)
      if (c.table_obj == obj && (c.type == 'P' || c.type == 'U')) keys.insert(c.name);
    auto refers_here = [&](const ConstraintInfo& c) {
      return c.type == 'R' && c.table_obj != obj && keys.count(c.r_constraint) > 0;
    };
    std::set<int64_t> children;
    for (const auto& c : s.constraints)
      if (refers_here(c)) children.insert(c.table_obj);
    if (!children.empty() && !dr.cascade) raise(2449);
    std::erase_if(s.constraints, refers_here);
    for (auto it = s.objects.begin(); it != s.objects.end();) {
      if (it->first == obj || (it->second.table_obj == obj && it->second.type != "SEQUENCE"))
        it = s.objects.erase(it);
      else
        ++it;
    }
    std::erase_if(s.indexes, [&](const auto& kv) { return kv.second.table_obj == obj; });
    std::erase_if(s.triggers, [&](const auto& kv) { return kv.second.table_obj == obj; });
    std::erase_if(s.constraints, [&](const ConstraintInfo& c) { return c.table_obj == obj; });
    s.tables.erase(obj);
    sql_exec(conn_, "DROP TABLE IF EXISTS " + storage_table(obj));
    drop_comments(obj);
    s.rebuild_lookup();
    catalog_store::save_table(conn_, s, obj);
    for (int64_t child : children) catalog_store::save_table(conn_, s, child);
  } else if (dr.what == "INDEX") {
    const ObjectInfo* ind = s.find_index(dr.name);
    if (!ind || s.indexes.at(ind->obj).lob) raise(1418);
    int64_t obj = ind->obj, table = ind->table_obj;
    for (const auto& c : s.constraints)
      if (c.index_obj == obj)
        throw ora_error(2429, "cannot drop index used for enforcement of unique/primary key");
    sql_exec(conn_, "DROP INDEX IF EXISTS u" + std::to_string(obj));
    s.indexes.erase(obj);
    s.objects.erase(obj);
    s.rebuild_lookup();
    catalog_store::save_table(conn_, s, table);
  } else if (dr.what == "SEQUENCE") {
    const ObjectInfo* q = s.find_table_ns(dr.name);
    if (!q || q->type != "SEQUENCE") raise(2289);
    int64_t obj = q->obj;
    s.sequences.erase(obj);
    s.objects.erase(obj);
    s.rebuild_lookup();
    catalog_store::delete_object(conn_, obj);
  } else {
    const ObjectInfo* tr = s.find_trigger(dr.name);
    if (!tr) raise(4080, {dr.name});
    int64_t obj = tr->obj, table = tr->table_obj;
    s.triggers.erase(obj);
    s.objects.erase(obj);
    s.rebuild_lookup();
    catalog_store::save_table(conn_, s, table);
  }
}

}  // namespace oraemb
