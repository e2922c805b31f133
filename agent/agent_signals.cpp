// Signal handling of the console agent.
#include "agent/agent_signals.h"

#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

#include "TK/tk_exit_files.h"
#include "TK/tk_format.h"
#include "TK/tk_text.h"

namespace {

std::atomic<tk_converter*> g_converter{nullptr};
volatile sig_atomic_t g_signals = 0;

extern "C" void on_stop_signal(int) {
  const int saved_errno = errno;
  g_signals = g_signals + 1;
  if (g_signals == 1) {
    if (tk_converter* converter = g_converter.load()) converter->request_stop();
    errno = saved_errno;
    return;
  }
  tk_exit_files_unlink_all();
  _exit(255);
}

// 31948 -> "31,948".
std::string grouped(int32_t value) {
  std::string digits = std::to_string(value < 0 ? 0 : value);
  for (int pos = int(digits.size()) - 3; pos > 0; pos -= 3) digits.insert(size_t(pos), ",");
  return digits;
}

}  // namespace

void agent_install_signal_handlers(tk_converter& converter) {
  static_assert(std::atomic<tk_converter*>::is_always_lock_free, "read from a signal handler");
  g_converter.store(&converter);
  struct sigaction action {};
  action.sa_handler = on_stop_signal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int sig : {SIGINT, SIGTERM, SIGHUP}) sigaction(sig, &action, nullptr);
}

int agent_signals_received() {
  return g_signals;
}

std::string agent_interruption_text(const udb_converter& converter, bool run_started) {
  if (!run_started) return "Interrupted before the conversion started.";
  const int32_t done = converter.last_stop ? converter.last_stop->tables_done : 0;
  const std::string tables = grouped(done) + (done == 1 ? " table done." : " tables done.");
  if (converter.last_stop && !converter.last_stop->table.empty())
    return tk_format("Interrupted: table '%s' stopped after %s records; %s",
                     tk_to_utf8(converter.last_stop->table), grouped(converter.last_stop->records),
                     tables);
  return "Interrupted: " + tables;
}
