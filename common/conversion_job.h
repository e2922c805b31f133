// What one job of a conversion run works with besides its source and
// destination: its view of the converter (the settings, read only, and the
// progress of the table it copies) and its way of reporting (the error
// handler and the console). A run of one job reads and writes the
// converter and the error handler directly, exactly as a run without jobs;
// a job beside others keeps its progress to itself, reports one error at a
// time through the shared job_board, and prints the console lines of a
// table together when the table is done.
#pragma once

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "TK/tk_exception.h"
#include "common/error_handler.h"
#include "common/tarvel_convertor.h"

// What the jobs of one run share: the locks under which they report, and
// give names and change the destination's definitions, the abort that stops
// them all, and the error that ended the run (reported by the run's thread
// once every job has stopped).
struct job_board {
  std::mutex lock;   // reports and console lines
  std::mutex names;  // the run's names and the destination's definitions
  std::atomic<bool> abort{false};
  // A run-level or internal error of a job, with the context it had.
  std::optional<tk_exception> fatal;
  std::wstring fatal_table;
  int32_t fatal_record = -1;
  // Anything else a job's thread ended with (a standard exception).
  std::exception_ptr failure;
  // The user chose Abort in a job's error dialog.
  bool user_abort = false;
};

class run_view {
 public:
  // The converter itself (a run of one job).
  explicit run_view(tarvel_convertor& conv);
  // A job beside others: progress, stop point and outcomes of its own.
  run_view(tarvel_convertor& conv, const job_board& board);
  run_view(const run_view&) = delete;
  run_view& operator=(const run_view&) = delete;

  int32_t mode() const { return conv_.mode(); }
  const std::wstring& source_name() const { return conv_.source_name(); }
  tarvel_front_end front_end() const { return conv_.front_end(); }
  bool is_silent() const { return conv_.is_silent(); }
  // A job also stops when another job's error ended the run.
  bool stop_requested() const {
    return conv_.stop_requested() || (board_ != nullptr && board_->abort.load());
  }
  void wait_while_paused() const { conv_.wait_while_paused(); }

  std::wstring current_table_name() const;
  void set_current_table_name(const std::wstring& name);
  std::wstring current_destination_name() const;
  void set_current_destination_name(const std::wstring& name);

 private:
  tarvel_convertor& conv_;
  const job_board* board_ = nullptr;
  std::atomic<int32_t> own_records_{0};
  std::atomic<int32_t> own_index_{0};
  std::optional<udb_converter::stop_point> own_stop_;
  std::vector<table_outcome> own_outcomes_;
  mutable std::mutex names_lock_;
  std::wstring table_name_;
  std::wstring destination_name_;

 public:
  const acc_converter_impl& access;
  const bool& views;
  const bool& uppercase;
  const bool& only_definitions;
  const bool& skip_indexes;
  std::atomic<int32_t>& records_in_current_table;
  std::atomic<int32_t>& current_record_index;
  std::atomic<int32_t>& tables_done;  // the run's count, shared by the jobs
  std::optional<udb_converter::stop_point>& last_stop;
  std::vector<table_outcome>& outcomes;
};

class job_reports {
 public:
  // Straight to the handler and the console (a run of one job).
  explicit job_reports(error_handler& handler) : handler_(handler) {}
  job_reports(error_handler& handler, job_board& board) : handler_(handler), board_(&board) {}

  void set_context(const std::wstring& table);
  void set_context(const std::wstring& table, int32_t record);
  void clear_context();
  // As error_handler::handle. A job beside others reports a record- or
  // table-level error while holding the board (one message or dialog at a
  // time), and nothing once the run is being aborted; a run-level or
  // internal error is kept on the board for the run's thread, every job is
  // stopped, and tk_final_exception ends this one quietly.
  void handle(const tk_exception& e, bool run_level);
  std::string build_message(const tk_exception& e);

  // A console line; a job beside others holds its lines until
  // flush_lines, when the table is done, and prints them together.
  void say(std::FILE* stream, const std::string& line);
  void flush_lines();

 private:
  error_handler& handler_;
  job_board* board_ = nullptr;
  std::wstring table_;
  int32_t record_ = -1;
  std::vector<std::pair<std::FILE*, std::string>> held_;
  void apply_context();
};

// One line and a flush.
void print_line(std::FILE* stream, const std::string& text);
// Gives `handler` the context of a report: none (no table), a table, or one
// of its records (record >= 0).
void set_report_context(error_handler& handler, const std::wstring& table, int32_t record);
