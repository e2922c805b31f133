// A job's view of the converter and its way of reporting.
#include "common/conversion_job.h"

#include "TK/tk_trace.h"

void print_line(std::FILE* stream, const std::string& text) {
  std::fputs(text.c_str(), stream);
  std::fputs("\n", stream);
  std::fflush(stream);
}

run_view::run_view(tarvel_convertor& conv)
    : conv_(conv),
      access(conv.access),
      views(conv.views),
      uppercase(conv.uppercase),
      only_definitions(conv.only_definitions),
      skip_indexes(conv.skip_indexes),
      records_in_current_table(conv.records_in_current_table),
      current_record_index(conv.current_record_index),
      tables_done(conv.tables_done),
      last_stop(conv.last_stop),
      outcomes(conv.outcomes) {}

run_view::run_view(tarvel_convertor& conv, const job_board& board)
    : conv_(conv),
      board_(&board),
      access(conv.access),
      views(conv.views),
      uppercase(conv.uppercase),
      only_definitions(conv.only_definitions),
      skip_indexes(conv.skip_indexes),
      records_in_current_table(own_records_),
      current_record_index(own_index_),
      tables_done(conv.tables_done),
      last_stop(own_stop_),
      outcomes(own_outcomes_) {}

std::wstring run_view::current_table_name() const {
  if (board_ == nullptr) return conv_.current_table_name();
  std::lock_guard<std::mutex> hold(names_lock_);
  return table_name_;
}

void run_view::set_current_table_name(const std::wstring& name) {
  if (board_ == nullptr) return conv_.set_current_table_name(name);
  std::lock_guard<std::mutex> hold(names_lock_);
  table_name_ = name;
}

std::wstring run_view::current_destination_name() const {
  if (board_ == nullptr) return conv_.current_destination_name();
  std::lock_guard<std::mutex> hold(names_lock_);
  return destination_name_;
}

void run_view::set_current_destination_name(const std::wstring& name) {
  if (board_ == nullptr) return conv_.set_current_destination_name(name);
  std::lock_guard<std::mutex> hold(names_lock_);
  destination_name_ = name;
}

void job_reports::set_context(const std::wstring& table) {
  if (board_ == nullptr) return handler_.set_context(table);
  table_ = table;
  record_ = -1;
}

void job_reports::set_context(const std::wstring& table, int32_t record) {
  if (board_ == nullptr) return handler_.set_context(table, record);
  table_ = table;
  record_ = record;
}

void job_reports::clear_context() {
  if (board_ == nullptr) return handler_.clear_context();
  table_.clear();
  record_ = -1;
}

void set_report_context(error_handler& handler, const std::wstring& table, int32_t record) {
  if (table.empty())
    handler.clear_context();
  else if (record < 0)
    handler.set_context(table);
  else
    handler.set_context(table, record);
}

// Called with the board held.
void job_reports::apply_context() {
  set_report_context(handler_, table_, record_);
}

void job_reports::handle(const tk_exception& e, bool run_level) {
  if (board_ == nullptr) return handler_.handle(e, run_level);
  std::unique_lock<std::mutex> hold(board_->lock);
  if (e.level() != TK_LEVEL_RECORD) {
    if (!board_->fatal) {
      board_->fatal.emplace(e);
      board_->fatal_table = table_;
      board_->fatal_record = record_;
    }
    board_->abort = true;
    throw tk_final_exception();
  }
  if (board_->abort) {
    tk_trace(3, "Not reported, the run is being aborted: %s", e.what());
    return;
  }
  apply_context();
  try {
    handler_.handle(e, run_level);
  } catch (const tk_final_exception&) {
    board_->user_abort = true;
    board_->abort = true;
    handler_.clear_context();
    throw;
  }
  handler_.clear_context();
}

std::string job_reports::build_message(const tk_exception& e) {
  if (board_ == nullptr) return handler_.build_message(e);
  std::lock_guard<std::mutex> hold(board_->lock);
  apply_context();
  std::string message = handler_.build_message(e);
  handler_.clear_context();
  return message;
}

void job_reports::say(std::FILE* stream, const std::string& line) {
  if (board_ == nullptr) return print_line(stream, line);
  held_.emplace_back(stream, line);
}

void job_reports::flush_lines() {
  if (board_ == nullptr || held_.empty()) return;
  std::lock_guard<std::mutex> hold(board_->lock);
  for (const auto& [stream, line] : held_) print_line(stream, line);
  held_.clear();
}
