// The data dictionary of one schema (user): tables and their columns,
// indexes, constraints, sequences and triggers, with the object numbers and
// names Oracle would give them. A Schema is an immutable snapshot once
// published: DDL copies it, changes the copy, writes the affected objects to
// the catalogue tables of the database file and then publishes the copy, so
// a statement that took a snapshot keeps a consistent view.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "oraemb/value.h"

struct sqlite3;

namespace oraemb {

struct ColumnInfo {
  std::string name;
  OraType type;
  bool not_null = false;  // declared NOT NULL (a SYS_C check constraint)
  bool has_default = false;
  std::string default_text;
  bool invisible = false;  // left out of SELECT * and of INSERT without a column list
  bool is_virtual = false;
  std::string virtual_text;  // the expression of a virtual column, as written
};

struct ObjectInfo {
  int64_t obj = 0;
  std::string name;
  std::string type;  // TABLE, INDEX, LOB, SEQUENCE, TRIGGER
  int64_t table_obj = 0;
  std::string created;  // storage text of the creation date
};

struct IndexInfo {
  int64_t obj = 0;
  int64_t table_obj = 0;
  bool unique = false;
  bool generated = false;
  bool lob = false;
  std::vector<int> columns;  // 0-based column positions
};

struct ConstraintInfo {
  int64_t id = 0;  // con#, names the physical unique index k<id>
  std::string name;
  char type = 'P';
  int64_t table_obj = 0;
  std::vector<int> columns;
  int64_t index_obj = 0;
  std::string search_condition;
  bool generated = false;
  std::string r_constraint;
  std::string delete_rule;
  // Type 'C' holds both NOT NULL constraints and CHECK conditions; a CHECK
  // has `condition` set and its columns are the ones its text names.
  bool condition = false;
  bool enabled = true;    // DISABLE: not enforced
  bool validated = true;  // NOVALIDATE: rows already there were not checked
  // Foreign keys only, derived from r_constraint by Schema::rebuild_lookup:
  // the referenced table and its key columns, r_columns[k] matching columns[k].
  int64_t r_table_obj = 0;
  std::vector<int> r_columns;
};

struct SequenceInfo {
  int64_t obj = 0;
  OraNumber min_value, max_value, increment;
  bool cycle = false, order = false;
  int cache = 0;
};

struct TriggerInfo {
  int64_t obj = 0;
  int64_t table_obj = 0;
  std::string timing, event;
  bool each_row = true;
  std::string when_text, body_text;
};

// A user view: its query as written and the names of its columns (the
// column list given, else the names its query had when it was created).
struct ViewInfo {
  int64_t obj = 0;
  std::string text;
  std::vector<std::string> columns;
  bool read_only = false;
};

struct TableInfo {
  int64_t obj = 0;
  std::vector<ColumnInfo> columns;
  // Derived by Schema::rebuild_lookup (positions in Schema::constraints):
  // the table's foreign keys, and the foreign keys that refer to its keys.
  std::vector<size_t> foreign_keys, referenced_by;
  int column_index(const std::string& name) const;
};

struct Schema {
  std::string owner;
  std::map<int64_t, ObjectInfo> objects;
  std::map<int64_t, TableInfo> tables;
  std::map<int64_t, IndexInfo> indexes;
  std::vector<ConstraintInfo> constraints;
  std::map<int64_t, SequenceInfo> sequences;
  std::map<int64_t, TriggerInfo> triggers;
  std::map<int64_t, ViewInfo> views;

  // Name lookups by namespace (exact, case-sensitive names).
  const ObjectInfo* find_table_ns(const std::string& name) const;  // tables, views, sequences
  const TableInfo* find_table(const std::string& name) const;
  const ObjectInfo* find_index(const std::string& name) const;
  const ObjectInfo* find_trigger(const std::string& name) const;
  const ConstraintInfo* find_constraint(const std::string& name) const;
  const std::string& name_of(int64_t obj) const;
  bool column_in_primary_key(int64_t table_obj, int column) const;
  bool column_nullable(int64_t table_obj, int column) const;
  // Name lookups and the derived foreign-key links; called after every change.
  void rebuild_lookup();

 private:
  std::map<std::string, int64_t> table_ns_, index_ns_, trigger_ns_;
};

// Catalogue persistence in the SQLite file (tables named ora$...).
namespace catalog_store {
void create_tables(sqlite3* db);
std::map<std::string, std::shared_ptr<Schema>> load_all(sqlite3* db);
// Rewrites every catalogue row that belongs to table `table_obj` (the table,
// its columns, indexes, LOB objects, constraints and triggers).
void save_table(sqlite3* db, const Schema& schema, int64_t table_obj);
void save_sequence(sqlite3* db, const Schema& schema, int64_t seq_obj, const OraNumber* start);
void delete_object(sqlite3* db, int64_t obj);
// Views (views.cpp): their rows of ora$view, read into the schemas that own them.
void create_view_table(sqlite3* db);
void load_views(sqlite3* db, std::map<std::string, std::shared_ptr<Schema>>& schemas);
void save_view(sqlite3* db, const Schema& schema, int64_t view_obj);
int64_t next_counter(sqlite3* db, const char* key, int64_t first);
}  // namespace catalog_store

}  // namespace oraemb
