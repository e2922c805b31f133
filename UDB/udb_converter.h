// The neutral converter layer: the mode for existing tables, the work list of
// selected tables and queries, the flags that shape the output, and the
// progress of a run. Progress counters and the current table name are written
// by the run's thread and read by a watching thread: the counters are atomic
// and the names are published under a lock.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "TK/tk_converter.h"
#include "TK/tk_text.h"

class udb_profile;

enum udb_mode : int32_t {
  UDB_MODE_OVERWRITE = 1,
  UDB_MODE_SKIP = 2,
  UDB_MODE_MERGE = 3,
  UDB_MODE_SYNC = 4
};

class udb_converter : public tk_converter {
 public:
  using query_map = std::map<std::wstring, std::wstring, tk_utf16_less>;

  udb_converter() = default;

  // Checks whether an Access SELECT text can run against the source.
  virtual bool test_query(const std::wstring& query_text) = 0;

  // Stores the mode without a range check (the front ends check it).
  void set_mode(int32_t mode);
  int32_t mode() const { return mode_; }

  bool store_profile(udb_profile& profile) const;
  bool load_profile(const udb_profile& profile);

  // Settings of a run.
  std::vector<std::wstring> selected_tables;
  query_map queries;            // name -> SELECT text; empty text = a table
  query_map available_queries;  // offered for selection
  bool only_definitions = false;
  bool skip_indexes = false;
  bool views = false;  // saved select, union and crosstab queries become views
  // Tables converted at once, each on its own destination session; 1 is one
  // table after the other on the converter's session.
  static constexpr int32_t kMaxJobs = 64;
  int32_t jobs = 1;

  // Progress, written by the run.
  std::wstring current_table_name() const;
  void set_current_table_name(const std::wstring& name);
  std::wstring current_destination_name() const;
  void set_current_destination_name(const std::wstring& name);
  std::atomic<int32_t> records_in_current_table{0};
  std::atomic<int32_t> current_record_index{0};
  std::atomic<int32_t> tables_to_convert{0};
  std::atomic<int32_t> tables_done{0};

  // Where the last run ended on a stop request: the table being copied and
  // the records it had copied (an empty name when the stop came between
  // tables or after them), and the tables done before. Empty when the run
  // was not stopped. Written by the run, read after it.
  struct stop_point {
    std::wstring table;
    int32_t records = 0;
    int32_t tables_done = 0;
  };
  std::optional<stop_point> last_stop;

  // A pause holds the run before its next record (or its next table) until
  // it is lifted; a stop request does not lift it. Any thread.
  void set_paused(bool paused);
  bool paused() const { return paused_.load(); }
  // The run's side: returns at once unless a pause is set.
  void wait_while_paused() const;

 private:
  std::atomic<bool> paused_{false};
  mutable std::mutex pause_lock_;
  mutable std::condition_variable pause_lifted_;
  int32_t mode_ = 0;
  mutable std::mutex names_lock_;
  std::wstring current_table_name_;
  std::wstring current_destination_name_;
};
