// The execution trace: one process-wide log object and the two trace calls.
// Each line is written with an open-append-close sequence, so a crash loses at
// most the line being written. The file is created readable by its owner
// only; a file that cannot be written (a full disk, a name too long) is
// reported once on standard error, and tracing goes on trying. Levels: 1 details, 2 entry into an
// operation
// ("class::method"), 3 milestones and errors. Formatting happens only when the
// line will be written, so calls below the threshold cost one test.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>

#include "TK/tk_format.h"
#include "TK/tk_singl.h"

class tk_log : public tk_singl<tk_log> {
 public:
  // An empty name means the program's own path with the extension ".log".
  tk_log(const std::string& file_name, bool enabled, int32_t threshold, bool timestamps);
  ~tk_log();

  void set_file_name(const std::string& name) { file_name_ = name; }
  const std::string& file_name() const { return file_name_; }
  void enable(bool on) { enabled_ = on; }
  bool enabled() const { return enabled_; }
  int32_t threshold() const { return threshold_; }

  // True when a line of this level would reach the file (empties the file
  // first when this is the first trace call since tracing was enabled).
  bool wants(int32_t level);
  void write_line(std::string_view utf8_text);

 private:
  void empty_file();
  // Says on standard error, the first time only, that the file cannot be
  // written, with the system's reason for `error` (an errno value).
  void report_write_failure(int error);

  std::string file_name_;
  int32_t threshold_;
  bool line_end_ = true;
  bool enabled_;
  bool emptied_ = false;
  bool timestamps_;
  std::atomic<bool> write_failure_reported_{false};
};

// Cuts wide trace text at this many characters, as the wide trace buffer does.
inline constexpr size_t TK_WTRACE_MAX_CHARS = 10240;

namespace tk_detail {
inline tk_log* active_log() {
  tk_log* log = tk_log::instance_ptr();
  return (log && log->enabled()) ? log : nullptr;
}
std::string cut_wide_trace(std::string text);
}  // namespace tk_detail

template <class... A>
void tk_trace(int32_t level, std::string_view format, const A&... args) {
  tk_log* log = tk_detail::active_log();
  if (!log || !log->wants(level)) return;
  log->write_line(tk_format(format, args...));
}

// The wide form: the format is wide text; the line is written as UTF-8 and
// cut at TK_WTRACE_MAX_CHARS characters.
template <class... A>
void tk_wtrace(int32_t level, std::wstring_view format, const A&... args);

std::string tk_wformat_to_utf8(std::wstring_view format);

template <class... A>
void tk_wtrace(int32_t level, std::wstring_view format, const A&... args) {
  tk_log* log = tk_detail::active_log();
  if (!log || !log->wants(level)) return;
  log->write_line(tk_detail::cut_wide_trace(tk_format(tk_wformat_to_utf8(format), args...)));
}
