// Error classification and reporting. The console lines are the agent's; the
// decisions (levels, context, silent, abort) are made here for every front
// end.
#include "common/error_handler.h"

#include <cstdio>
#include <cstdlib>

#include "ORA/ora_engine.h"
#include "TK/tk_format.h"
#include "TK/tk_text.h"
#include "TK/tk_trace.h"

tk_error_converter::tk_error_converter(size_t size, const error_message_entry* table) {
  tk_trace(2, "tk_error_converter::ctor (map size=%d)", size);
  load_map(size, table);
}

void tk_error_converter::load_map(size_t size, const error_message_entry* table) {
  tk_trace(2, "tk_error_converter::load_map (map size=%d)", size);
  if (size == 0) return;
  TK_ASSERT(table != nullptr);
  for (size_t i = 0; i < size; ++i) map_.emplace(table[i].code, table[i].message);
}

std::string tk_error_converter::convert(int32_t code) const {
  tk_trace(2, "tk_error_converter::convert(%d)", code);
  const auto it = map_.find(code);
  if (it == map_.end()) {
    tk_trace(1, "Error message not found!");
    return {};
  }
  tk_trace(1, "Error message has been found: %s", it->second);
  return it->second;
}

void error_reporter::end_process(int code) {
  // The process ends without the destructors of the run: the Oracle session
  // is ended first, so that what the run wrote (the last record's LOB
  // contents) is committed as a normal end would, not rolled back.
  if (ora_engine::exists()) ora_engine::instance().end_session();
  std::fflush(stdout);
  std::fflush(stderr);
  std::exit(code);
}

void console_error_reporter::show_internal_error(const std::string& text) {
  std::fputs("Internal error: ", stdout);
  std::fputs(text.c_str(), stdout);
  std::fputs("\n", stdout);
  std::fflush(stdout);
}

error_reporter::answer console_error_reporter::ask_continue(const std::string& message) {
  show_run_error(message);
  return answer::go_on;
}

void console_error_reporter::show_warning(const std::string& message) {
  std::fputs("Warning: ", stdout);
  std::fputs(message.c_str(), stdout);
  std::fputs("\n", stdout);
  std::fflush(stdout);
}

void console_error_reporter::show_run_error(const std::string& message) {
  std::fputs("Error:\n", stdout);
  std::fflush(stdout);
  std::fputs(message.c_str(), stdout);
  std::fputs("\n", stdout);
  std::fflush(stdout);
}

error_handler::error_handler(size_t size, const error_message_entry* table,
                             std::unique_ptr<error_reporter> reporter)
    : converter_(size, table), reporter_(std::move(reporter)) {
  tk_trace(2, "error_handler::ctor");
  TK_ASSERT(reporter_ != nullptr);
}

error_handler::~error_handler() = default;

void error_handler::load_err_map(size_t size, const error_message_entry* table) {
  tk_trace(2, "error_handler::load_err_map");
  converter_.load_map(size, table);
}

void error_handler::set_context(const std::wstring& table_name) {
  context_ = tk_to_utf8(table_name);
}

void error_handler::set_context(const std::wstring& table_name, int32_t record_number) {
  context_ = tk_format("%s, record #%d", table_name, record_number);
}

std::string error_handler::build_message(const tk_exception& e) const {
  std::string message;
  if (!context_.empty()) message = context_ + ": ";
  const std::string friendly = converter_.convert(e.code());
  message += friendly.empty() ? std::string(e.what()) : friendly;
  return message;
}

void error_handler::warn(const std::string& message) {
  tk_trace(3, "Warning:\n%s", message);
  if (!silent_) reporter_->show_warning(message);
}

void error_handler::handle(const tk_exception& e, bool run_level) {
  tk_trace(2, "error_handler::handle");
  if (e.level() == TK_LEVEL_INTERNAL) {
    tk_trace(3, "Internal error:\n%s", e.what());
    reporter_->show_internal_error(e.what());
    reporter_->end_process(-1);
  }
  std::string message = build_message(e);
  tk_trace(3, "Error:\n%s", message);
  for (char& c : message)
    if (c == '\n') c = ' ';
  reporter_->remember(message);

  if (e.level() == TK_LEVEL_RECORD) {
    tk_trace(1, "Got 0-level error");
    if (silent_) return;
    switch (reporter_->ask_continue(message)) {
      case error_reporter::answer::abort:
        if (!run_level) throw tk_final_exception();
        return;
      case error_reporter::answer::go_on_silently:
        silent_ = true;
        return;
      case error_reporter::answer::go_on:
        return;
    }
    return;
  }

  // Level 1 (and any level the system does not define) ends the run.
  tk_trace(1, "Got 1-level error");
  const bool ends_process = reporter_->run_error_ends_process();
  if (!silent_) {
    if (!ends_process) tk_trace(1, "Step 1");
    reporter_->show_run_error(message);
  }
  if (ends_process) reporter_->end_process(-1);
  tk_trace(1, "Step 2");
  if (!run_level) throw tk_final_exception();
}
