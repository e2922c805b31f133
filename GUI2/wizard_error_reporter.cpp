// Error reporting through the wizard's dialogs.
#include "GUI2/wizard_error_reporter.h"

#include <cstdio>
#include <cstdlib>

#include "GUI2/wizard_shell.h"
#include "common/tarvel_convertor.h"

void wizard_error_reporter::show_internal_error(const std::string& text) {
  wizard_shell::show_internal_error(text);
}

void wizard_error_reporter::remember(const std::string& message) {
  if (wizard_shell::is_initialized()) wizard_shell::instance_ptr()->add_error(message);
}

error_reporter::answer wizard_error_reporter::ask_continue(const std::string& message) {
  // After the user has cancelled, the run stops at the next record anyway:
  // an error met on the way out is listed, not asked about.
  if (tarvel_convertor::exists() && tarvel_convertor::instance().stop_requested())
    return answer::go_on;
  const wizard_presenter::continue_answer reply = wizard_shell::ask_continue(message);
  if (reply.abort) return answer::abort;
  return reply.do_not_show_again ? answer::go_on_silently : answer::go_on;
}

void wizard_error_reporter::show_run_error(const std::string& message) {
  wizard_shell::error(message);
}

void wizard_error_reporter::end_process(int code) {
  std::fflush(nullptr);
  std::_Exit(code);
}
