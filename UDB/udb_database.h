// udb_database: one source or destination database as the driver sees it:
// the names of its tables, table creation, dropping and opening, query
// results, and the names map and relationships of a run. The Access source
// and the Oracle destination derive from it. Every recordset it returns is
// owned by the caller. Used by one thread at a time.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "UDB/udb_indexes.h"
#include "UDB/udb_names_map.h"
#include "UDB/udb_recordset.h"
#include "UDB/udb_relationships.h"
#include "UDB/udb_schema.h"

// A table that holds the many values one column of a source table keeps per
// row (Access attachments, multi-value fields, memo version histories): its
// rows carry the parent row's key columns (`parent_key`, named as in the
// parent; empty when the parent has no primary key, whose rows are then
// numbered), so that it becomes a table of its own with a foreign key to
// the parent.
struct udb_child_table {
  std::wstring column;  // the parent's column
  std::wstring kind;    // for messages: "attachment", "multi-value", ...
  std::vector<std::wstring> parent_key;
};

class udb_database {
 public:
  // b_case_sensitive: table names compare exactly (Oracle) or ignoring case
  // (Access).
  udb_database(const std::wstring& name, uint32_t options, bool b_case_sensitive);
  virtual ~udb_database();
  udb_database(const udb_database&) = delete;
  udb_database& operator=(const udb_database&) = delete;

  // Creates the table with the source's columns and the given indexes.
  virtual std::unique_ptr<udb_recordset> create_table(const std::wstring& name,
                                                      const udb_schema& source_schema,
                                                      const udb_indexes& indexes) = 0;
  // Drops the table; the base only removes the name from tables() (a name
  // that is not there is an internal assertion failure).
  virtual bool delete_tab(const std::wstring& name);
  // Opens a table; null when it cannot or must not be read (system and linked
  // tables of the source).
  virtual std::unique_ptr<udb_recordset> get_table(const std::wstring& name, int32_t open_flag) = 0;
  // Opens the result of a query registered under `name`; null when it cannot
  // be opened.
  virtual std::unique_ptr<udb_recordset> get_query(const std::wstring& name,
                                                   const std::wstring& sql, int32_t open_flag) = 0;
  virtual bool test_query(const std::wstring& sql) = 0;
  // Why the text cannot be run, in the database's own words; empty when it
  // can. The base knows no reason beyond test_query's answer.
  virtual std::wstring query_error(const std::wstring& sql);
  // The names of the queries saved in the database that give rows (the base
  // has none), in the database's order.
  virtual std::vector<std::wstring> saved_queries();
  // Runs free SQL; a database that does not must not be asked (the base
  // raises an internal assertion failure).
  virtual void query(const std::wstring& sql);
  // Creates foreign keys; the base does nothing.
  virtual void create_relationships(const udb_relationships& relationships);
  virtual bool is_table_exist(const std::wstring& name) const;
  // The child tables of a table (the base has none) and the rows of one of
  // them (the base: an internal assertion failure).
  virtual std::vector<udb_child_table> child_tables(const std::wstring& table);
  virtual std::unique_ptr<udb_recordset> get_child_table(const std::wstring& table,
                                                         const std::wstring& column,
                                                         int32_t open_flag);

  const std::wstring& name() const { return name_; }
  uint32_t options() const { return options_; }
  void set_options(uint32_t options) { options_ = options; }
  bool is_case_sensitive() const { return b_case_sensitive_; }
  const std::vector<std::wstring>& tables() const { return tables_; }
  udb_names_map& names_map() { return names_map_; }
  const udb_names_map& names_map() const { return names_map_; }
  udb_relationships& relationships() { return relationships_; }
  const udb_relationships& relationships() const { return relationships_; }

 protected:
  // Position of the first entry of tables_ that matches `name`, or -1.
  std::ptrdiff_t find_table(const std::wstring& name) const;

  std::wstring name_;
  uint32_t options_;
  bool b_case_sensitive_;
  std::vector<std::wstring> tables_;  // filled by the derived constructor
  udb_names_map names_map_;
  udb_relationships relationships_;
};
