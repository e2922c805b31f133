// An error reporter for the conversion tests: every report goes into a log
// of texts (internal errors and run errors with their prefix; run errors
// only where kept), a data error always goes on, and a run error does not
// end the process. Test code only.
#pragma once

#include <string>
#include <vector>

#include "common/error_handler.h"

class recording_reporter : public error_reporter {
 public:
  explicit recording_reporter(std::vector<std::string>& log, bool keep_run_errors = true)
      : log_(log), keep_run_errors_(keep_run_errors) {}
  void show_internal_error(const std::string& text) override {
    log_.push_back("internal: " + text);
  }
  void remember(const std::string& m) override { log_.push_back(m); }
  answer ask_continue(const std::string&) override { return answer::go_on; }
  void show_run_error(const std::string& text) override {
    if (keep_run_errors_) log_.push_back("run: " + text);
  }
  bool run_error_ends_process() const override { return false; }

 private:
  std::vector<std::string>& log_;
  bool keep_run_errors_;
};
