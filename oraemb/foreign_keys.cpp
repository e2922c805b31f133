// Foreign keys: ADD ... FOREIGN KEY with the check of the rows already in
// the table, and referential integrity for INSERT, UPDATE and DELETE. The
// engine enforces them itself (SQLite's foreign_keys stays off) so that
// every error names the Oracle constraint: a child row needs its parent key
// (ORA-02291); a parent key that goes away takes its child rows along (ON
// DELETE CASCADE), sets their key NULL (ON DELETE SET NULL) or is refused
// while child rows remain (ORA-02292). A key with a NULL part refers to
// nothing and is never checked.
#include <algorithm>
#include <deque>
#include <set>

#include "oraemb/session.h"
#include "oraemb/sqlite_util.h"

namespace oraemb {
namespace {

// Kinds of values a foreign key can compare with its parent key.
int type_family(const OraType& t) {
  switch (t.base) {
    case Base::Number:
    case Base::Float:
    case Base::BinaryFloat:
    case Base::BinaryDouble:
      return 0;
    case Base::Varchar2:
    case Base::Nvarchar2:
    case Base::Char:
    case Base::Nchar:
      return 1;
    default:
      return 2 + static_cast<int>(t.base);
  }
}

bool any_null(const std::vector<Value>& row, const std::vector<int>& columns) {
  for (int c : columns)
    if (row[c].is_null()) return true;
  return false;
}

// "c1 = ? AND c2 = ?" over storage columns.
std::string key_condition(const std::vector<int>& columns) {
  std::string where;
  for (size_t k = 0; k < columns.size(); ++k)
    where += (k ? " AND " : "") + storage_column(columns[k]) + " = ?";
  return where;
}

}  // namespace

void Session::add_foreign_key(Schema& s, int64_t table_obj, const ConstraintDef& def) {
  const TableInfo& t = s.tables.at(table_obj);
  std::vector<int> columns;
  for (const auto& name : def.columns) {
    int idx = t.column_index(name);
    if (idx < 0) raise(904, {dq(name)});
    if (std::find(columns.begin(), columns.end(), idx) != columns.end()) raise(957);
    columns.push_back(idx);
  }
  if (!def.name.empty() && s.find_constraint(def.name)) raise(2264);
  const TableInfo* parent = s.find_table(def.ref_table);
  if (!parent) raise(942);
  const int64_t parent_obj = parent->obj;
  // Uncommitted changes of the parent table (another session's) must end
  // before a key may depend on its rows: ORA-00054 at once, as other DDL.
  if (parent_obj != table_obj) locks_.lock_for_ddl(parent_obj);

  // The referenced columns must be exactly a primary or unique key (in any
  // order); without a column list, the primary key.
  const ConstraintInfo* key = nullptr;
  std::vector<int> referenced;
  if (def.ref_columns.empty()) {
    for (const auto& c : s.constraints)
      if (c.table_obj == parent_obj && c.type == 'P') key = &c;
    if (!key) raise(2268);
    referenced = key->columns;
  } else {
    for (const auto& name : def.ref_columns) {
      int idx = parent->column_index(name);
      if (idx < 0) raise(904, {dq(name)});
      referenced.push_back(idx);
    }
    std::set<int> wanted(referenced.begin(), referenced.end());
    for (const auto& c : s.constraints) {
      if (c.table_obj == parent_obj && (c.type == 'P' || c.type == 'U') &&
          c.columns.size() == referenced.size() &&
          std::set<int>(c.columns.begin(), c.columns.end()) == wanted)
        key = &c;
    }
  }
  if (referenced.size() != columns.size()) raise(2256);
  if (!key) raise(2270);

  ConstraintInfo fk;
  fk.type = 'R';
  fk.table_obj = table_obj;
  fk.r_constraint = key->name;
  fk.delete_rule = def.delete_rule;
  // Stored in the key's column order: column k refers to the key's column k.
  for (int key_column : key->columns) {
    size_t at = std::find(referenced.begin(), referenced.end(), key_column) - referenced.begin();
    fk.columns.push_back(columns[at]);
  }
  const std::vector<int> key_columns = key->columns;
  for (const auto& other : s.constraints) {
    if (other.type == 'R' && other.table_obj == table_obj && other.columns == fk.columns &&
        other.r_constraint == fk.r_constraint)
      raise(2275);
  }
  for (size_t k = 0; k < key_columns.size(); ++k) {
    if (type_family(t.columns[fk.columns[k]].type) !=
        type_family(parent->columns[key_columns[k]].type))
      raise(2267);
  }
  fk.generated = def.name.empty();
  fk.name = fk.generated ? sys_c_name() : def.name;
  fk.id = catalog_store::next_counter(conn_, "con#", 1);

  // Every complete key already in the table must have its parent.
  std::string sql = "SELECT 1 FROM " + storage_table(table_obj) + " ch WHERE ";
  for (int c : fk.columns) sql += "ch." + storage_column(c) + " IS NOT NULL AND ";
  sql += "NOT EXISTS (SELECT 1 FROM " + storage_table(parent_obj) + " pa WHERE ";
  for (size_t k = 0; k < key_columns.size(); ++k)
    sql += std::string(k ? " AND " : "") + "pa." + storage_column(key_columns[k]) + " = ch." +
           storage_column(fk.columns[k]);
  SqlStmt orphans(conn_, sql + ") LIMIT 1");
  if (orphans.step()) raise(2298, {s.owner + "." + fk.name});
  s.constraints.push_back(fk);
}

bool Session::has_key(int64_t table_obj, const std::vector<int>& columns,
                      const std::vector<Value>& row, const std::vector<int>& row_columns) {
  sqlite3_stmt* st = cached("SELECT 1 FROM " + storage_table(table_obj) + " WHERE " +
                            key_condition(columns) + " LIMIT 1");
  for (size_t k = 0; k < row_columns.size(); ++k)
    bind_storage(st, static_cast<int>(k + 1), row[row_columns[k]]);
  bool found = step_row(conn_, st, "key probe");
  sqlite3_reset(st);
  return found;
}

void Session::check_parent_keys(const TableInfo& t, const std::vector<std::vector<Value>>& rows) {
  for (size_t index : t.foreign_keys) {
    const ConstraintInfo& fk = catalog_.schema()->constraints[index];
    for (const auto& row : rows) {
      if (any_null(row, fk.columns)) continue;
      if (!has_key(fk.r_table_obj, fk.r_columns, row, fk.columns))
        raise(2291, {catalog_.user() + "." + fk.name});
    }
  }
}

void Session::release_parent_keys(const TableInfo& t,
                                  const std::vector<std::vector<Value>>& old_rows, bool deleted) {
  struct Released {
    int64_t table_obj;
    std::vector<std::vector<Value>> rows;
  };
  // Cascades run breadth-first, so that a deep chain of child rows needs
  // no deep recursion.
  std::deque<Released> work;
  work.push_back({t.obj, old_rows});
  while (!work.empty()) {
    Released done = std::move(work.front());
    work.pop_front();
    const TableInfo& parent = catalog_.schema()->tables.at(done.table_obj);
    for (size_t index : parent.referenced_by) {
      const ConstraintInfo& fk = catalog_.schema()->constraints[index];
      const TableInfo& child = catalog_.schema()->tables.at(fk.table_obj);
      const std::string where = key_condition(fk.columns);
      for (const auto& row : done.rows) {
        if (any_null(row, fk.r_columns)) continue;
        // An UPDATE may have moved the key to another row.
        if (!deleted && has_key(done.table_obj, fk.r_columns, row, fk.r_columns)) continue;
        if (!has_key(fk.table_obj, fk.columns, row, fk.r_columns)) continue;
        if (!deleted || fk.delete_rule == "NO ACTION")
          raise(2292, {catalog_.user() + "." + fk.name});
        locks_.lock_for_dml(fk.table_obj);
        if (fk.delete_rule == "SET NULL") {
          for (int c : fk.columns) {
            if (!catalog_.schema()->column_nullable(fk.table_obj, c))
              raise(1407, {qualified_column(catalog_.schema()->name_of(fk.table_obj),
                                            child.columns[c].name)});
          }
          std::string set;
          for (size_t k = 0; k < fk.columns.size(); ++k)
            set += (k ? ", " : "") + storage_column(fk.columns[k]) + " = NULL";
          sqlite3_stmt* st =
              cached("UPDATE " + storage_table(fk.table_obj) + " SET " + set + " WHERE " + where);
          for (size_t k = 0; k < fk.r_columns.size(); ++k)
            bind_storage(st, static_cast<int>(k + 1), row[fk.r_columns[k]]);
          int rc = sqlite3_step(st);
          sqlite3_reset(st);
          if (rc != SQLITE_DONE) sqlite_fail(conn_, "set null");
          continue;
        }
        // ON DELETE CASCADE: the child rows go, and with them their own keys.
        std::string select = "SELECT rid";
        for (size_t c = 0; c < child.columns.size(); ++c)
          select += ", " + storage_column(static_cast<int>(c));
        sqlite3_stmt* st =
            cached(select + " FROM " + storage_table(fk.table_obj) + " WHERE " + where);
        for (size_t k = 0; k < fk.r_columns.size(); ++k)
          bind_storage(st, static_cast<int>(k + 1), row[fk.r_columns[k]]);
        std::vector<int64_t> rids;
        Released cascaded{fk.table_obj, {}};
        while (step_row(conn_, st, "cascade")) {
          rids.push_back(sqlite3_column_int64(st, 0));
          std::vector<Value> values;
          for (size_t c = 0; c < child.columns.size(); ++c)
            values.push_back(read_storage(st, static_cast<int>(c + 1), child.columns[c].type));
          cascaded.rows.push_back(std::move(values));
        }
        sqlite3_stmt* del = cached("DELETE FROM " + storage_table(fk.table_obj) + " WHERE rid = ?");
        for (int64_t rid : rids) {
          sqlite3_bind_int64(del, 1, rid);
          int rc = sqlite3_step(del);
          sqlite3_reset(del);
          if (rc != SQLITE_DONE) sqlite_fail(conn_, "cascade delete");
        }
        if (!child.referenced_by.empty()) work.push_back(std::move(cascaded));
      }
    }
  }
}

}  // namespace oraemb
