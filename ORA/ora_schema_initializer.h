// ora_schema_initializer: the destination schema of one new table and its
// creation: column names made acceptable to Oracle, CREATE TABLE with types,
// defaults and NOT NULL flags, and for an auto-increment column a sequence
// and a BEFORE INSERT trigger that fills the column from it. Every name is
// quoted in every statement, the trigger's included, so that mixed-case and
// generated names refer to the objects created. Sequence and trigger names
// are cut to the connected server's identifier limit.
// Lives for one table creation; owns its descriptors. Single-threaded.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "TK/tk_exception.h"
#include "UDB/udb_indexes.h"
#include "UDB/udb_names_map.h"
#include "UDB/udb_schema.h"

class ora_database;

class ora_schema_initializer {
 public:
  // Builds the destination descriptors from the source columns; column
  // names have at most `max_name_bytes` bytes (the server's limit).
  ora_schema_initializer(const std::wstring& table_name, const udb_schema& source_fields,
                         const udb_indexes& source_indexes, bool upper_case,
                         size_t max_name_bytes = 30);

  // Runs CREATE TABLE, then the sequence and trigger of an auto-increment
  // column. A CREATE TABLE error propagates; a sequence refused for lack of
  // privileges is kept for raise_deferred_error(); a trigger error is traced.
  void get_init_str(ora_database& db);
  // The sequence's name, or "" when 100 candidates were taken. Oracle error
  // 1031 becomes the level-0 privileges message, other errors propagate.
  std::wstring create_sequence(ora_database& db);
  // Raises the error that get_init_str put off, if any.
  void raise_deferred_error();

  // Makes the primary key part of CREATE TABLE, so that the table never
  // exists without it: `name` and the destination columns.
  void set_primary_key(const std::wstring& name, const std::vector<std::wstring>& columns);
  // The sequence and trigger of the auto-increment column, as get_init_str
  // makes them after CREATE TABLE (nothing without such a column).
  void create_counter(ora_database& db);

  // The CREATE TABLE text (built from the schema; nothing is run).
  std::wstring create_table_sql() const;
  // The trigger text for a trigger name, sequence name and column.
  std::wstring trigger_sql(const std::wstring& trigger, const std::wstring& sequence) const;

  const udb_schema& schema() const { return schema_; }
  // Source column name -> generated column name, only for names that changed.
  const t_names_map& column_map() const { return column_map_; }
  const std::wstring& autoincrement_column() const { return autoincrement_; }

  // `base` cut, at whole characters, so that base + suffix has at most
  // `limit` bytes of UTF-8.
  static std::wstring fit_name(const std::wstring& base, const std::wstring& suffix, size_t limit);
  // Candidate i (0..99) of the sequence of `table`: the table name, less its
  // last two characters when longer than 28, "_" and i, within `limit` bytes.
  static std::wstring sequence_name(const std::wstring& table, int i, size_t limit);
  // Candidate i of the trigger of `table`: table + "__TRIGGER" for i = 0,
  // table + "_" + i + "__TRIGGER" after, within `limit` bytes.
  static std::wstring trigger_name(const std::wstring& table, int i, size_t limit);
  // Whether `name` is one of the sequence (trigger) names above for `table`.
  static bool is_sequence_name(const std::wstring& table, const std::wstring& name, size_t limit);
  static bool is_trigger_name(const std::wstring& table, const std::wstring& name, size_t limit);

 private:
  void create_trigger(ora_database& db, const std::wstring& sequence);

  std::wstring table_;
  bool upper_case_;
  udb_schema schema_{true};
  t_names_map column_map_;
  std::vector<std::wstring> generated_names_;
  std::vector<std::wstring> given_names_;
  std::wstring autoincrement_;
  std::wstring primary_key_;  // ", CONSTRAINT ... PRIMARY KEY (...)" or ""
  std::optional<tk_exception> deferred_;
};
