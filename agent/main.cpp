// TARVAGENT: the unattended console front end. Options or a profile fill the
// converter; the source is checked, Oracle connected and the run made once.
// Exit code 0 after a run, -1 (status 255) on every other stop, an
// interruption by a signal included.
#include <cstdio>
#include <exception>

#include "TK/tk_trace.h"
#include "agent/agent_options.h"
#include "agent/agent_signals.h"
#include "common/error_handler.h"
#include "common/error_messages.h"
#include "common/tarvel_convertor.h"

namespace {
// The account password of a workgroup file cannot be checked (its
// encryption is not public): a run that gives one is told so once.
void note_unverified_workgroup_password(const tarvel_convertor& converter) {
  if (converter.access.workgroup_file.empty() || converter.access.workgroup_password.empty())
    return;
  tk_trace(3, "Note: the workgroup password is not verified; the account name is.");
  if (converter.is_silent()) return;
  std::fputs("Note: the workgroup password is not verified; the account name is.\n", stderr);
  std::fflush(stderr);
}
}  // namespace

int main(int argc, char** argv) {
  tk_log log("", false, 3, false);
  error_handler handler(kOracleErrorMessageCount, kOracleErrorMessages);
  handler.load_err_map(kDaoErrorMessageCount, kDaoErrorMessages);
  std::string interrupted;
  bool silent = false;
  try {
    tarvel_convertor converter(tarvel_front_end::agent);
    agent_install_signal_handlers(converter);
    if (argc == 1 || !parse_cmd_line(argc, argv)) exit_with_message(agent_usage_text());
    note_unverified_workgroup_password(converter);
    silent = converter.is_silent();
    bool run_started = false;
    try {
      converter.access.check_acc_base(converter.source_name(), converter.access.database_password);
      converter.oracle.connect_oracle_server(converter.destination_name());
    } catch (const tk_exception& e) {
      // Without a readable source or an Oracle session nothing can be
      // converted: even an error that its thrower rates as a record's
      // (Oracle errors are level 0) ends the program with -1 here, so that a
      // wrong password is never reported as a successful run.
      if (e.level() != TK_LEVEL_RECORD) throw;
      throw tk_exception(e.message(), e.code(), TK_LEVEL_RUN);
    }
    if (agent_signals_received() == 0) {
      run_started = true;
      converter();
    }
    if (agent_signals_received() > 0) interrupted = agent_interruption_text(converter, run_started);
  } catch (const tk_exception& e) {
    handler.handle(e, false);
  } catch (const tk_final_exception&) {
  } catch (const std::exception& e) {
    exit_with_message(e.what());
  }
  // The converter is gone here: its Oracle session has ended normally and the
  // temporary workgroup file is removed.
  if (!interrupted.empty()) {
    tk_trace(3, "%s", interrupted);
    if (!silent) {
      std::fputs(interrupted.c_str(), stderr);
      std::fputs("\n", stderr);
      std::fflush(stderr);
    }
    std::fflush(stdout);
    return -1;
  }
  return 0;
}
