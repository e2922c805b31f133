// ora_database: the Oracle schema of the logged-on user as the destination of
// a run. It knows the schema's tables (read at construction, kept current by
// create_table and delete_tab), creates tables with their sequence, trigger,
// keys and indexes, drops and opens them, runs and parse-checks statements,
// builds foreign keys, maps source table and column names to the names the
// run gave them, and gives the run's name validators.
// Owned by the caller of ora_engine::open_db and destroyed before the engine.
// Single-threaded like the session.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "UDB/udb_destination.h"

class ora_database : public udb_destination {
 public:
  // Mode value of an append run: no foreign keys are built.
  static constexpr uint32_t kAppendMode = 8;

  // Reads the server version and the list of tables of the schema
  // (ora_exception on an Oracle error). Table names compare exactly.
  explicit ora_database(const std::wstring& data_source);
  ~ora_database() override;

  // Creates the table (CREATE TABLE, sequence and trigger for an
  // auto-increment column, keys and indexes) and opens it. An existing name
  // is an internal assertion failure.
  std::unique_ptr<udb_recordset> create_table(const std::wstring& name,
                                              const udb_schema& source_schema,
                                              const udb_indexes& indexes) override;
  // Drops the table with its constraints (DROP TABLE ... CASCADE
  // CONSTRAINTS); a name not in the list is an internal assertion failure.
  bool delete_tab(const std::wstring& name) override;
  // Opens an existing table (internal assertion failure when it is not in
  // the list).
  std::unique_ptr<udb_recordset> get_table(const std::wstring& name, int32_t open_flag) override;
  // Opens the rows of a query text under `name`.
  std::unique_ptr<udb_recordset> get_query(const std::wstring& name, const std::wstring& sql,
                                           int32_t open_flag) override;
  // Parses the statement without running it: true, or ora_exception.
  bool test_query(const std::wstring& sql) override;
  // Runs one statement once in default mode (ora_exception on an error).
  void query(const std::wstring& sql) override;
  // Adds one foreign key per relationship (source names, mapped to the
  // run's destination names). A relationship whose table does not exist is
  // left out; an Oracle error propagates (the caller decides whether the
  // rest goes on: it may pass one relationship at a time).
  void create_relationships(const udb_relationships& relationships) override;
  void map_existing_columns(const std::wstring& name, const udb_schema& source_schema) override;
  // Builds what the table lacks of its keys, indexes and counter; an index
  // counts as there when one of the table's has its columns (a key: of its
  // kind). Names come from the run's index-name validator, as at creation.
  udb_completion complete_table(const std::wstring& name, const udb_schema& source_schema,
                                const udb_indexes& indexes) override;
  // One read of the table's rows (ora_row_census).
  std::unique_ptr<udb_row_census> row_census(const std::wstring& name,
                                             const udb_schema& source_schema) override;
  // One read of the table's rows beside the source's (ora_row_compare), when
  // the table has a key and its columns are the source's in their order.
  std::unique_ptr<udb_row_compare> row_compare(const std::wstring& name,
                                               const udb_schema& source_schema,
                                               const udb_recordset& table) override;
  // Makes the referenced columns of a foreign key unique unless an index
  // starting with them already is; errors are traced, never raised.
  void create_fk_index_if(const std::wstring& table, const std::vector<std::wstring>& columns);

  // The destination name of a source table (the run's names map; a name
  // the map does not hold maps to itself).
  std::wstring get_tn_mapped_name_ex(const std::wstring& source_table) const;
  // The destination column of a source field of a destination table.
  std::wstring get_fn_mapped_name_ex(const std::wstring& table, const std::wstring& field) const;

  void set_uppercase(bool uppercase) override { uppercase_ = uppercase; }
  bool uppercase() const override { return uppercase_; }
  // The run's ora_in_validator (one at a time).
  std::unique_ptr<udb_validator> create_index_name_validator() override;
  std::unique_ptr<udb_validator> create_table_name_validator(
      const std::vector<std::wstring>& source_tables,
      const std::vector<std::wstring>& destination_tables) override;

  // A session of its own for a job's thread (ora_thread_database).
  std::unique_ptr<udb_destination> open_job_session() override;

  // The server version read at logon (major * 65536 + minor * 256 + patch).
  int32_t server_version() const { return version_; }
  // The longest identifier the session takes, in bytes of UTF-8, read once
  // at opening: the client's OCI_ATTR_MAX_IDENTIFIER_LEN, else 30 below
  // 12.2, else 128 when COMPATIBLE (v$parameter) is 12.2 or later and 30
  // when it is lower or cannot be read.
  size_t max_identifier_bytes() const;
  // Commits the session's pending work (LOB contents, updates); checked.
  void commit();

  const std::wstring& data_source() const { return name(); }

 private:
  // The source's indexes with the names this run gives them.
  udb_indexes index_names_as_run(const udb_indexes& indexes) const;
  bool uppercase_ = false;
  int32_t version_ = 0;
  size_t max_identifier_bytes_ = 30;

  size_t read_identifier_limit() const;
  uint32_t read_national_max_chars() const;
  // NLS_CHARACTERSET of the database; empty when it cannot be read.
  std::u16string read_database_charset() const;
};
