// Start and end lines of a run, and the finished flag.
#include "common/init_conversion.h"

#include <ctime>

#include "TK/tk_trace.h"

namespace {
std::function<void()>& start_hook() {
  static std::function<void()> hook;
  return hook;
}

void trace_time(const char* format) {
  const std::time_t now = std::time(nullptr);
  std::tm t{};
  localtime_r(&now, &t);
  tk_trace(3, format, t.tm_mday, t.tm_mon + 1, t.tm_year + 1900, t.tm_hour, t.tm_min, t.tm_sec);
}
}  // namespace

void init_conversion::set_start_hook(std::function<void()> hook) {
  start_hook() = std::move(hook);
}

init_conversion::init_conversion(std::atomic<bool>& finished, bool com_initialised)
    : finished_(finished), com_initialised_(com_initialised) {
  tk_trace(2, "init_conversion::ctor");
  trace_time("Conversion started on %02d/%02d/%04d at %02d:%02d:%02d\n");
  // There is no COM to initialise on this platform; the flag is kept so that
  // callers state their assumption as they do elsewhere.
  (void)com_initialised_;
  if (start_hook()) start_hook()();
}

init_conversion::~init_conversion() {
  tk_trace(2, "init_conversion::dtor");
  trace_time("Conversion ended on %02d/%02d/%04d at %02d:%02d:%02d\n");
  finished_.store(true);
}
