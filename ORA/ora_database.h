// ora_database: the Oracle schema of the logged-on user as the destination of
// a run. This form knows the schema's tables (read at construction), runs and
// parse-checks statements, folds names to upper case on request and gives the
// run's name validators. Creating, opening and dropping tables belong to the
// table writer and still raise a level-1 error naming what is missing.
// Owned by the caller of ora_engine::open_db and destroyed before the engine.
// Single-threaded like the session.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "UDB/udb_destination.h"

class ora_database : public udb_destination {
 public:
  // Reads the list of tables of the schema (ora_exception on an Oracle
  // error). Table names compare exactly.
  explicit ora_database(const std::wstring& data_source);
  ~ora_database() override;

  std::unique_ptr<udb_recordset> create_table(const std::wstring& name,
                                              const udb_schema& source_schema,
                                              const udb_indexes& indexes) override;
  std::unique_ptr<udb_recordset> get_table(const std::wstring& name, int32_t open_flag) override;
  std::unique_ptr<udb_recordset> get_query(const std::wstring& name, const std::wstring& sql,
                                           int32_t open_flag) override;
  // Parses the statement without running it: true, or ora_exception.
  bool test_query(const std::wstring& sql) override;
  // Runs one statement once in default mode (ora_exception on an error).
  void query(const std::wstring& sql) override;

  void set_uppercase(bool uppercase) override { uppercase_ = uppercase; }
  bool uppercase() const override { return uppercase_; }
  // The run's ora_in_validator (one at a time).
  std::unique_ptr<udb_validator> create_index_name_validator() override;
  std::unique_ptr<udb_validator> create_table_name_validator(
      const std::vector<std::wstring>& source_tables,
      const std::vector<std::wstring>& destination_tables) override;

  const std::wstring& data_source() const { return name(); }

 private:
  bool uppercase_ = false;
};
