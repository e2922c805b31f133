// The wizard's side of the error handling: errors in the data ask through the
// continue dialog, errors that end a run show an error box and end only the
// run, internal errors show the internal-error dialog; every reported message
// is collected for the finish page while the shell is initialized. Called on
// the run's worker thread; the shell brings each dialog to the GUI thread.
#pragma once

#include "common/error_handler.h"

class wizard_error_reporter : public error_reporter {
 public:
  void show_internal_error(const std::string& text) override;
  void remember(const std::string& message) override;
  answer ask_continue(const std::string& message) override;
  void show_run_error(const std::string& message) override;
  bool run_error_ends_process() const override { return false; }
  // Ends at once, without the exit handlers: the GUI thread may still be
  // running when a worker reports an internal error.
  [[noreturn]] void end_process(int code) override;
};
