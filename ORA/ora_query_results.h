// ora_query_results: one SELECT statement run through OCI and handed out row
// by row as ora_record objects of variant values. initialize() describes the
// columns, builds a reader and a field descriptor per column, defines the
// readers' buffers and executes; is_eof() fetches the next row and get_item()
// gives it. A result set is used once, forward only. It owns its statement,
// readers and current record; the session (ora_engine) must outlive it.
// Single-threaded.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "ORA/ora_record.h"
#include "ORA/ora_stmt.h"
#include "ORA/ora_type.h"
#include "UDB/udb_recordset.h"

class ora_query_results : public udb_recordset {
 public:
  // A result set over a table's rows.
  explicit ora_query_results(const std::wstring& table);
  // A result set over a query registered under `table`.
  ora_query_results(const std::wstring& table, const std::wstring& query);
  ~ora_query_results() override;

  // Describes, defines and executes `sql`. n_columns 0 means all the columns
  // the statement describes. A second call is an internal assertion failure.
  void initialize(uint32_t n_columns, const std::wstring& sql);

  // A plain result set takes no records (internal assertion failure).
  void append_record(const udb_record& record) override;
  // Fetches the next row; true when there is none.
  bool is_eof() override;
  // The current row (fetching it first when is_eof() was not called since
  // the last get_item()), or null at the end. It stays the result set's and
  // is replaced by the next call.
  udb_record* get_item() override;

  bool is_executed() const { return executed_; }
  size_t column_count() const { return readers_.size(); }
  const std::vector<std::unique_ptr<ora_type>>& readers() const { return readers_; }

 protected:
  // The statement the rows come from (null before initialize()).
  ora_stmt* stmt() const { return stmt_.get(); }

 private:
  std::wstring sql_;
  std::unique_ptr<ora_stmt> stmt_;
  bool executed_ = false;
  bool fetched_ = false;
  bool at_end_ = false;
  std::vector<std::unique_ptr<ora_type>> readers_;
  std::unique_ptr<ora_record> record_;
};
