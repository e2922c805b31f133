// In-memory source and destination databases for the driver tests: a source
// engine that opens a database of tables and queries held in plain structs,
// and a destination that keeps its rows, raises Oracle-coded errors on
// duplicate keys and chosen values, and writes every call that matters for
// the order of a run into one event log. Test code only.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "UDB/udb_destination.h"
#include "UDB/udb_source_engine.h"

struct column_spec {
  std::wstring name;
  VARTYPE vt = VT_BSTR;
  uint32_t size = 50;
};

using row = std::vector<std::wstring>;

// One table of either side. The first column is the key of a destination
// table (a second row with the same first value is a duplicate key).
struct mem_table {
  std::vector<column_spec> columns;
  std::vector<row> rows;
  std::vector<udb_index> indexes;
  long announced = -1;    // records_count when >= 0, else the number of rows
  bool system = false;    // the source answers no recordset for it
  int fail_read_at = -1;  // moving past this row raises a source error
};

using event_log = std::vector<std::string>;

// What the source engine opens.
struct mem_source_setup {
  std::set<int> loadable_versions = {0};
  std::vector<std::pair<std::wstring, mem_table>> tables;  // in the file's order
  std::map<std::wstring, mem_table> queries;               // by SELECT text
};

class mem_source_engine : public udb_source_engine {
 public:
  mem_source_engine(const mem_source_setup& setup, event_log& log);
  ~mem_source_engine() override;
  bool set_version_if(int32_t key) override;
  void set_ugl_info(const std::wstring& system_db, const std::wstring& user,
                    const std::wstring& password) override;
  void set_anonymous_sys_db() override;
  std::unique_ptr<udb_database> open_db(const std::wstring& path, int32_t mode,
                                        const std::wstring& password) override;

 private:
  const mem_source_setup& setup_;
  event_log& log_;
};

class mem_destination : public udb_destination {
 public:
  explicit mem_destination(event_log& log);
  ~mem_destination() override;

  // An existing table of the destination.
  void add_existing(const std::wstring& name, const mem_table& table);
  mem_table& table(const std::wstring& name) { return data_.at(name); }
  bool has(const std::wstring& name) const { return data_.count(name) != 0; }

  std::unique_ptr<udb_recordset> create_table(const std::wstring& name, const udb_schema& schema,
                                              const udb_indexes& indexes) override;
  bool delete_tab(const std::wstring& name) override;
  std::unique_ptr<udb_recordset> get_table(const std::wstring& name, int32_t open_flag) override;
  std::unique_ptr<udb_recordset> get_query(const std::wstring&, const std::wstring&,
                                           int32_t) override {
    return nullptr;
  }
  bool test_query(const std::wstring&) override { return false; }
  void set_uppercase(bool uppercase) override;
  bool uppercase() const override { return uppercase_; }
  std::unique_ptr<udb_validator> create_index_name_validator() override;
  std::unique_ptr<udb_validator> create_table_name_validator(
      const std::vector<std::wstring>& source_tables,
      const std::vector<std::wstring>& destination_tables) override;

  // Fault injection, all Oracle-coded tk_exceptions of level 0.
  std::set<std::wstring> busy_tables;      // delete_tab, get_table to append: ORA-00054
  std::set<std::wstring> failing_creates;  // create_table: ORA-00955
  std::wstring bad_value;                  // append_record of a row holding it: ORA-01438
  std::wstring bad_update;                 // update of a row holding it: ORA-01438
  // Called at every append, before the row is checked (progress snapshots).
  std::function<void(const udb_record&)> on_append;

 private:
  friend class mem_dest_table;
  event_log& log_;
  std::map<std::wstring, mem_table> data_;
  bool uppercase_ = false;
};

// Oracle error codes as the Oracle layer's exceptions carry them.
inline constexpr int32_t kOraDuplicateKey = 0x100001;
inline constexpr int32_t kOraBusy = 0x100000 + 54;
inline constexpr int32_t kOraNameUsed = 0x100000 + 955;
inline constexpr int32_t kOraTooLarge = 0x100000 + 1438;
