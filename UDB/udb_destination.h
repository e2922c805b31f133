// udb_destination: a destination database, that is a udb_database that can
// also fold the names it generates to upper case and give the name
// validators of a run (one for table names, one for index and constraint
// names). The Oracle database implements it; the converter's Oracle side owns
// the open one. Used by the run's thread only.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "TK/tk_exception.h"
#include "UDB/udb_database.h"
#include "UDB/udb_recordset.h"
#include "UDB/udb_row_census.h"
#include "UDB/udb_row_compare.h"
#include "UDB/udb_schema.h"
#include "UDB/udb_validator.h"

// What completing an existing table added (for the report, e.g. "index
// ByName") and what Oracle refused; a refusal costs that object only.
struct udb_completion {
  std::vector<std::wstring> added;
  std::vector<tk_exception> errors;
};

class udb_destination : public udb_database {
 public:
  using udb_database::udb_database;

  // Generated table and column names are folded to upper case when set.
  virtual void set_uppercase(bool uppercase) = 0;
  virtual bool uppercase() const = 0;
  // The index- and constraint-name validator of one run; it sees the names
  // the schema holds now and records every name handed out while it lives.
  // At most one exists at a time.
  virtual std::unique_ptr<udb_validator> create_index_name_validator() = 0;
  // A table that an earlier run made from `source_schema` is written to
  // again: the column names it was given are recorded as create_table
  // records them, for the foreign keys built after the tables.
  virtual void map_existing_columns(const std::wstring& /*name*/,
                                    const udb_schema& /*source_schema*/) {}
  // Adds to an existing table, made from `source_schema` by an earlier run,
  // what the source defines and the table lacks: primary key, unique keys
  // and indexes of `indexes`, the sequence and trigger of an auto-increment
  // column (the sequence past the values the column holds). The base adds
  // nothing.
  virtual udb_completion complete_table(const std::wstring& /*name*/,
                                        const udb_schema& /*source_schema*/,
                                        const udb_indexes& /*indexes*/) {
    return {};
  }
  // The rows an existing table holds, read once, against which the records
  // of `source_schema` (the columns the table was made from) are matched
  // whole (udb_row_census). Null when the destination cannot compare rows
  // (the base).
  virtual std::unique_ptr<udb_row_census> row_census(const std::wstring& /*name*/,
                                                     const udb_schema& /*source_schema*/) {
    return nullptr;
  }
  // The rows of an existing table with a primary or unique key, opened for
  // writing as `table`, read beside the records of `source_schema` (the
  // columns the table was made from, written to the table's columns in
  // their order) to tell which records are there already and equal
  // (udb_row_compare). Null when the destination cannot compare rows (the
  // base) or the table does not allow it (no key, other columns).
  virtual std::unique_ptr<udb_row_compare> row_compare(const std::wstring& /*name*/,
                                                       const udb_schema& /*source_schema*/,
                                                       const udb_recordset& /*table*/) {
    return nullptr;
  }
  // The table-name validator of one run: the selected source tables and the
  // destination's existing tables count as taken names.
  virtual std::unique_ptr<udb_validator> create_table_name_validator(
      const std::vector<std::wstring>& source_tables,
      const std::vector<std::wstring>& destination_tables) = 0;

  // Another session with the same database, for a job that writes tables on
  // the calling thread beside this session: opened, used and destroyed on
  // that thread, with this one's uppercase flag. Null when the destination
  // has no further sessions (the base); its failures are its exceptions.
  virtual std::unique_ptr<udb_destination> open_job_session() { return nullptr; }
  // Takes over what a job's session learnt while it wrote its tables: the
  // tables it created and the table and column names it gave, so that the
  // foreign keys built through this session afterwards find them.
  void adopt_job_work(const udb_destination& job);
};
