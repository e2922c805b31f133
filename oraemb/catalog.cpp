// Schema lookups and the persistence of the dictionary in ora$ tables.
#include "oraemb/catalog.h"

#include <sstream>

#include "oraemb/ora_error.h"
#include "oraemb/sqlite_util.h"

namespace oraemb {

int TableInfo::column_index(const std::string& name) const {
  for (size_t k = 0; k < columns.size(); ++k)
    if (columns[k].name == name) return static_cast<int>(k);
  return -1;
}

void Schema::rebuild_lookup() {
  table_ns_.clear();
  index_ns_.clear();
  trigger_ns_.clear();
  for (const auto& [obj, info] : objects) {
    if (info.type == "TABLE" || info.type == "SEQUENCE" || info.type == "VIEW")
      table_ns_[info.name] = obj;
    else if (info.type == "INDEX")
      index_ns_[info.name] = obj;
    else if (info.type == "TRIGGER")
      trigger_ns_[info.name] = obj;
  }
  for (auto& [obj, table] : tables) {
    table.foreign_keys.clear();
    table.referenced_by.clear();
  }
  for (size_t k = 0; k < constraints.size(); ++k) {
    ConstraintInfo& fk = constraints[k];
    if (fk.type != 'R') continue;
    const ConstraintInfo* key = find_constraint(fk.r_constraint);
    auto child = tables.find(fk.table_obj);
    if (!key || child == tables.end() || !tables.count(key->table_obj)) continue;
    fk.r_table_obj = key->table_obj;
    fk.r_columns = key->columns;
    child->second.foreign_keys.push_back(k);
    tables.at(key->table_obj).referenced_by.push_back(k);
  }
}

const ObjectInfo* Schema::find_table_ns(const std::string& name) const {
  auto found = table_ns_.find(name);
  return found == table_ns_.end() ? nullptr : &objects.at(found->second);
}

const TableInfo* Schema::find_table(const std::string& name) const {
  const ObjectInfo* obj = find_table_ns(name);
  if (!obj || obj->type != "TABLE") return nullptr;
  return &tables.at(obj->obj);
}

const ObjectInfo* Schema::find_index(const std::string& name) const {
  auto found = index_ns_.find(name);
  return found == index_ns_.end() ? nullptr : &objects.at(found->second);
}

const ObjectInfo* Schema::find_trigger(const std::string& name) const {
  auto found = trigger_ns_.find(name);
  return found == trigger_ns_.end() ? nullptr : &objects.at(found->second);
}

const ConstraintInfo* Schema::find_constraint(const std::string& name) const {
  for (const auto& c : constraints)
    if (c.name == name) return &c;
  return nullptr;
}

const std::string& Schema::name_of(int64_t obj) const {
  static const std::string none;
  auto found = objects.find(obj);
  return found == objects.end() ? none : found->second.name;
}

bool Schema::column_in_primary_key(int64_t table_obj, int column) const {
  for (const auto& c : constraints) {
    if (c.table_obj != table_obj || c.type != 'P') continue;
    for (int col : c.columns)
      if (col == column) return true;
  }
  return false;
}

bool Schema::column_nullable(int64_t table_obj, int column) const {
  const TableInfo& t = tables.at(table_obj);
  return !t.columns[column].not_null && !column_in_primary_key(table_obj, column);
}

namespace catalog_store {
namespace {

std::string join_ints(const std::vector<int>& cols) {
  std::string out;
  for (int c : cols) out += (out.empty() ? "" : ",") + std::to_string(c);
  return out;
}

std::vector<int> split_ints(const std::string& text) {
  std::vector<int> out;
  std::stringstream in(text);
  std::string part;
  while (std::getline(in, part, ','))
    if (!part.empty()) out.push_back(std::stoi(part));
  return out;
}

void bind_opt(SqlStmt& st, int idx, bool present, const std::string& text) {
  if (present)
    st.bind_text(idx, text);
  else
    st.bind_null(idx);
}

OraNumber num(const std::string& text) {
  auto n = OraNumber::parse(text);
  return n ? *n : OraNumber();
}

}  // namespace

void create_tables(sqlite3* db) {
  sql_exec(db,
           "CREATE TABLE IF NOT EXISTS ora$param(key TEXT PRIMARY KEY, value);"
           "CREATE TABLE IF NOT EXISTS ora$user(name TEXT PRIMARY KEY, password TEXT, status TEXT,"
           " failed INTEGER, created TEXT, privs TEXT);"
           "CREATE TABLE IF NOT EXISTS ora$obj(obj INTEGER PRIMARY KEY, owner TEXT, name TEXT,"
           " type TEXT, table_obj INTEGER, created TEXT);"
           "CREATE TABLE IF NOT EXISTS ora$col(table_obj INTEGER, col INTEGER, name TEXT,"
           " base INTEGER, length INTEGER, prec INTEGER, scale INTEGER, char_sem INTEGER,"
           " not_null INTEGER, default_text TEXT, PRIMARY KEY(table_obj, col));"
           "CREATE TABLE IF NOT EXISTS ora$ind(obj INTEGER PRIMARY KEY, table_obj INTEGER,"
           " uniq INTEGER, generated INTEGER, lob INTEGER, cols TEXT);"
           "CREATE TABLE IF NOT EXISTS ora$cons(id INTEGER PRIMARY KEY, owner TEXT, name TEXT,"
           " type TEXT, table_obj INTEGER, cols TEXT, index_obj INTEGER, search_condition TEXT,"
           " generated INTEGER, r_cons TEXT, delete_rule TEXT);"
           "CREATE TABLE IF NOT EXISTS ora$seq(obj INTEGER PRIMARY KEY, min TEXT, max TEXT,"
           " incr TEXT, cycle INTEGER, ord INTEGER, cache INTEGER, last_number TEXT);"
           "CREATE TABLE IF NOT EXISTS ora$trig(obj INTEGER PRIMARY KEY, table_obj INTEGER,"
           " timing TEXT, event TEXT, each_row INTEGER, when_text TEXT, body_text TEXT);");
  create_view_table(db);
  // Files from before user privileges existed: NULL privileges mean all of them.
  SqlStmt has(db, "SELECT COUNT(*) FROM pragma_table_info('ora$user') WHERE name = 'privs'");
  if (has.step() && has.integer(0) == 0) sql_exec(db, "ALTER TABLE ora$user ADD COLUMN privs TEXT");
  // Files from before CHECK conditions and constraint states: every 'C'
  // row there is a NOT NULL constraint, enabled and validated (NULL flags).
  SqlStmt has_flags(db, "SELECT COUNT(*) FROM pragma_table_info('ora$cons') WHERE name = 'flags'");
  if (has_flags.step() && has_flags.integer(0) == 0)
    sql_exec(db, "ALTER TABLE ora$cons ADD COLUMN flags INTEGER");
  // Files from before invisible and virtual columns: every column is neither.
  SqlStmt has_hidden(db, "SELECT COUNT(*) FROM pragma_table_info('ora$col') WHERE name = 'hidden'");
  if (has_hidden.step() && has_hidden.integer(0) == 0)
    sql_exec(db,
             "ALTER TABLE ora$col ADD COLUMN hidden INTEGER;"
             "ALTER TABLE ora$col ADD COLUMN virtual_text TEXT");
  sql_exec(db,
           "CREATE TABLE IF NOT EXISTS ora$comment(obj INTEGER, col TEXT, text TEXT,"
           " PRIMARY KEY(obj, col))");
}

int64_t next_counter(sqlite3* db, const char* key, int64_t first) {
  SqlStmt get(db, "SELECT value FROM ora$param WHERE key = ?");
  get.bind_text(1, key);
  int64_t value = get.step() ? get.integer(0) : first;
  SqlStmt put(db, "INSERT OR REPLACE INTO ora$param(key, value) VALUES(?, ?)");
  put.bind_text(1, key);
  put.bind_int(2, value + 1);
  put.step();
  return value;
}

std::map<std::string, std::shared_ptr<Schema>> load_all(sqlite3* db) {
  std::map<std::string, std::shared_ptr<Schema>> out;
  auto schema_of = [&](const std::string& owner) -> Schema& {
    auto& slot = out[owner];
    if (!slot) {
      slot = std::make_shared<Schema>();
      slot->owner = owner;
    }
    return *slot;
  };
  {
    SqlStmt users(db, "SELECT name FROM ora$user");
    while (users.step()) schema_of(users.text(0));
  }
  std::map<int64_t, std::string> owner_of;
  {
    SqlStmt st(db, "SELECT obj, owner, name, type, table_obj, created FROM ora$obj ORDER BY obj");
    while (st.step()) {
      ObjectInfo info{st.integer(0), st.text(2), st.text(3), st.integer(4), st.text(5)};
      Schema& s = schema_of(st.text(1));
      owner_of[info.obj] = s.owner;
      if (info.type == "TABLE") s.tables[info.obj].obj = info.obj;
      s.objects[info.obj] = info;
    }
  }
  auto schema_for = [&](int64_t obj) -> Schema* {
    auto found = owner_of.find(obj);
    return found == owner_of.end() ? nullptr : out[found->second].get();
  };
  {
    SqlStmt st(db,
               "SELECT table_obj, col, name, base, length, prec, scale, char_sem, not_null,"
               " default_text, hidden, virtual_text FROM ora$col ORDER BY table_obj, col");
    while (st.step()) {
      Schema* s = schema_for(st.integer(0));
      if (!s) continue;
      ColumnInfo col;
      col.name = st.text(2);
      col.type.base = static_cast<Base>(st.integer(3));
      col.type.length = static_cast<int>(st.integer(4));
      col.type.precision = static_cast<int>(st.integer(5));
      col.type.scale = static_cast<int>(st.integer(6));
      col.type.char_semantics = st.integer(7) != 0;
      col.not_null = st.integer(8) != 0;
      col.has_default = !st.is_null(9);
      col.default_text = st.text(9);
      col.invisible = st.integer(10) != 0;
      col.is_virtual = !st.is_null(11);
      col.virtual_text = st.text(11);
      s->tables[st.integer(0)].columns.push_back(col);
    }
  }
  {
    SqlStmt st(db, "SELECT obj, table_obj, uniq, generated, lob, cols FROM ora$ind");
    while (st.step()) {
      Schema* s = schema_for(st.integer(0));
      if (!s) continue;
      IndexInfo ind{st.integer(0),      st.integer(1),      st.integer(2) != 0,
                    st.integer(3) != 0, st.integer(4) != 0, split_ints(st.text(5))};
      s->indexes[ind.obj] = ind;
    }
  }
  {
    SqlStmt st(db,
               "SELECT id, owner, name, type, table_obj, cols, index_obj, search_condition,"
               " generated, r_cons, delete_rule, flags FROM ora$cons ORDER BY id");
    while (st.step()) {
      ConstraintInfo c;
      c.id = st.integer(0);
      c.name = st.text(2);
      c.type = st.text(3).empty() ? 'C' : st.text(3)[0];
      c.table_obj = st.integer(4);
      c.columns = split_ints(st.text(5));
      c.index_obj = st.integer(6);
      c.search_condition = st.text(7);
      c.generated = st.integer(8) != 0;
      c.r_constraint = st.text(9);
      c.delete_rule = st.text(10);
      const int64_t flags = st.is_null(11) ? 0 : st.integer(11);
      c.condition = (flags & 1) != 0;
      c.enabled = (flags & 2) == 0;
      c.validated = (flags & 4) == 0;
      schema_of(st.text(1)).constraints.push_back(c);
    }
  }
  {
    SqlStmt st(db, "SELECT obj, min, max, incr, cycle, ord, cache FROM ora$seq");
    while (st.step()) {
      Schema* s = schema_for(st.integer(0));
      if (!s) continue;
      SequenceInfo q{st.integer(0),
                     num(st.text(1)),
                     num(st.text(2)),
                     num(st.text(3)),
                     st.integer(4) != 0,
                     st.integer(5) != 0,
                     static_cast<int>(st.integer(6))};
      s->sequences[q.obj] = q;
    }
  }
  {
    SqlStmt st(
        db, "SELECT obj, table_obj, timing, event, each_row, when_text, body_text FROM ora$trig");
    while (st.step()) {
      Schema* s = schema_for(st.integer(0));
      if (!s) continue;
      TriggerInfo t{st.integer(0),      st.integer(1), st.text(2), st.text(3),
                    st.integer(4) != 0, st.text(5),    st.text(6)};
      s->triggers[t.obj] = t;
    }
  }
  load_views(db, out);
  for (auto& [owner, schema] : out) schema->rebuild_lookup();
  return out;
}

void delete_object(sqlite3* db, int64_t obj) {
  static const char* const statements[] = {
      "DELETE FROM ora$obj WHERE obj = ?1", "DELETE FROM ora$seq WHERE obj = ?1",
      "DELETE FROM ora$trig WHERE obj = ?1", "DELETE FROM ora$ind WHERE obj = ?1",
      "DELETE FROM ora$view WHERE obj = ?1"};
  for (const char* sql : statements) {
    SqlStmt st(db, sql);
    st.bind_int(1, obj);
    st.step();
  }
}

void save_table(sqlite3* db, const Schema& schema, int64_t table_obj) {
  static const char* const wipe[] = {
      "DELETE FROM ora$obj WHERE obj = ?1 OR (table_obj = ?1 AND type <> 'SEQUENCE')",
      "DELETE FROM ora$col WHERE table_obj = ?1", "DELETE FROM ora$ind WHERE table_obj = ?1",
      "DELETE FROM ora$cons WHERE table_obj = ?1", "DELETE FROM ora$trig WHERE table_obj = ?1"};
  for (const char* sql : wipe) {
    SqlStmt st(db, sql);
    st.bind_int(1, table_obj);
    st.step();
  }
  if (!schema.tables.count(table_obj)) return;
  {
    SqlStmt st(
        db, "INSERT INTO ora$obj(obj, owner, name, type, table_obj, created) VALUES(?,?,?,?,?,?)");
    for (const auto& [obj, info] : schema.objects) {
      if (obj != table_obj && info.table_obj != table_obj) continue;
      sqlite3_reset(st.get());
      st.bind_int(1, obj);
      st.bind_text(2, schema.owner);
      st.bind_text(3, info.name);
      st.bind_text(4, info.type);
      st.bind_int(5, info.table_obj);
      st.bind_text(6, info.created);
      st.step();
    }
  }
  {
    SqlStmt st(db,
               "INSERT INTO ora$col(table_obj, col, name, base, length, prec, scale, char_sem,"
               " not_null, default_text, hidden, virtual_text)"
               " VALUES(?,?,?,?,?,?,?,?,?,?,?,?)");
    const TableInfo& t = schema.tables.at(table_obj);
    for (size_t k = 0; k < t.columns.size(); ++k) {
      const ColumnInfo& c = t.columns[k];
      sqlite3_reset(st.get());
      st.bind_int(1, table_obj);
      st.bind_int(2, static_cast<int64_t>(k));
      st.bind_text(3, c.name);
      st.bind_int(4, static_cast<int>(c.type.base));
      st.bind_int(5, c.type.length);
      st.bind_int(6, c.type.precision);
      st.bind_int(7, c.type.scale);
      st.bind_int(8, c.type.char_semantics);
      st.bind_int(9, c.not_null);
      bind_opt(st, 10, c.has_default, c.default_text);
      st.bind_int(11, c.invisible);
      bind_opt(st, 12, c.is_virtual, c.virtual_text);
      st.step();
    }
  }
  {
    SqlStmt st(
        db, "INSERT INTO ora$ind(obj, table_obj, uniq, generated, lob, cols) VALUES(?,?,?,?,?,?)");
    for (const auto& [obj, ind] : schema.indexes) {
      if (ind.table_obj != table_obj) continue;
      sqlite3_reset(st.get());
      st.bind_int(1, obj);
      st.bind_int(2, table_obj);
      st.bind_int(3, ind.unique);
      st.bind_int(4, ind.generated);
      st.bind_int(5, ind.lob);
      st.bind_text(6, join_ints(ind.columns));
      st.step();
    }
  }
  {
    SqlStmt st(db,
               "INSERT INTO ora$cons(id, owner, name, type, table_obj, cols, index_obj,"
               " search_condition, generated, r_cons, delete_rule, flags)"
               " VALUES(?,?,?,?,?,?,?,?,?,?,?,?)");
    for (const auto& c : schema.constraints) {
      if (c.table_obj != table_obj) continue;
      sqlite3_reset(st.get());
      st.bind_int(1, c.id);
      st.bind_text(2, schema.owner);
      st.bind_text(3, c.name);
      st.bind_text(4, std::string(1, c.type));
      st.bind_int(5, table_obj);
      st.bind_text(6, join_ints(c.columns));
      st.bind_int(7, c.index_obj);
      st.bind_text(8, c.search_condition);
      st.bind_int(9, c.generated);
      st.bind_text(10, c.r_constraint);
      st.bind_text(11, c.delete_rule);
      st.bind_int(12, (c.condition ? 1 : 0) | (c.enabled ? 0 : 2) | (c.validated ? 0 : 4));
      st.step();
    }
  }
  {
    SqlStmt st(db,
               "INSERT INTO ora$trig(obj, table_obj, timing, event, each_row, when_text, body_text)"
               " VALUES(?,?,?,?,?,?,?)");
    for (const auto& [obj, t] : schema.triggers) {
      if (t.table_obj != table_obj) continue;
      sqlite3_reset(st.get());
      st.bind_int(1, obj);
      st.bind_int(2, table_obj);
      st.bind_text(3, t.timing);
      st.bind_text(4, t.event);
      st.bind_int(5, t.each_row);
      st.bind_text(6, t.when_text);
      st.bind_text(7, t.body_text);
      st.step();
    }
  }
}

void save_sequence(sqlite3* db, const Schema& schema, int64_t seq_obj, const OraNumber* start) {
  const ObjectInfo& info = schema.objects.at(seq_obj);
  const SequenceInfo& q = schema.sequences.at(seq_obj);
  SqlStmt obj(db,
              "INSERT OR REPLACE INTO ora$obj(obj, owner, name, type, table_obj, created)"
              " VALUES(?,?,?,'SEQUENCE',0,?)");
  obj.bind_int(1, seq_obj);
  obj.bind_text(2, schema.owner);
  obj.bind_text(3, info.name);
  obj.bind_text(4, info.created);
  obj.step();
  SqlStmt st(db,
             "INSERT OR REPLACE INTO ora$seq(obj, min, max, incr, cycle, ord, cache, last_number)"
             " VALUES(?,?,?,?,?,?,?,?)");
  st.bind_int(1, seq_obj);
  st.bind_text(2, q.min_value.to_text());
  st.bind_text(3, q.max_value.to_text());
  st.bind_text(4, q.increment.to_text());
  st.bind_int(5, q.cycle);
  st.bind_int(6, q.order);
  st.bind_int(7, q.cache);
  st.bind_text(8, start ? start->to_text() : "1");
  st.step();
}

}  // namespace catalog_store
}  // namespace oraemb
