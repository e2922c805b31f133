// The trace log object and the line writer. The file is opened and closed for
// every line (binary mode, "\r\n" line ends), so lines survive a crash.
// Lines written from several threads go one at a time, whole.
#include "TK/tk_trace.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <mutex>

#include "TK/tk_paths.h"
#include "TK/tk_text.h"

tk_log::tk_log(const std::string& file_name, bool enabled, int32_t threshold, bool timestamps)
    : threshold_(threshold), enabled_(enabled), timestamps_(timestamps) {
  if (file_name.empty()) {
    file_name_ = tk_replace_extension(tk_program_file_name(), ".log");
  } else {
    file_name_ = file_name;
  }
  if (enabled_) empty_file();
}

tk_log::~tk_log() = default;

namespace {
// Serialises the writes to the file: a copy reads its source on one thread
// while it writes on another, and both trace. Constant-initialised, so
// tracing from other static objects' constructors and destructors finds it.
std::mutex file_lock;

// The trace may hold data values: a file it creates is readable by its
// owner only, and a regular file it writes to loses any group and other
// permission it had.
std::FILE* open_private(const std::string& name, int flags) {
  const int fd = ::open(name.c_str(), flags | O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) return nullptr;
  struct stat st {};
  if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && (st.st_mode & 077) != 0)
    ::fchmod(fd, st.st_mode & 0700);
  std::FILE* f = ::fdopen(fd, "ab");
  if (!f) ::close(fd);
  return f;
}
}  // namespace

void tk_log::report_write_failure(int error) {
  if (write_failure_reported_.exchange(true)) return;
  std::fprintf(stderr, "Cannot write the trace file %s: %s\n", file_name_.c_str(),
               std::strerror(error));
  std::fflush(stderr);
}

void tk_log::empty_file() {
  const std::lock_guard<std::mutex> hold(file_lock);
  if (emptied_) return;  // another thread's first trace call did it
  emptied_ = true;
  std::FILE* f = open_private(file_name_, O_TRUNC);
  if (!f) return report_write_failure(errno);
  if (std::fclose(f) != 0) report_write_failure(errno);
}

bool tk_log::wants(int32_t level) {
  if (!enabled_) return false;
  if (!emptied_) empty_file();
  return level >= threshold_;
}

void tk_log::write_line(std::string_view text) {
  const std::lock_guard<std::mutex> hold(file_lock);
  std::FILE* f = open_private(file_name_, O_APPEND);
  if (!f) return report_write_failure(errno);
  if (timestamps_) {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    std::fprintf(f, "%02d:%02d:%02d ", local.tm_hour, local.tm_min, local.tm_sec);
  }
  bool written = std::fwrite(text.data(), 1, text.size(), f) == text.size();
  if (line_end_) written = std::fwrite("\r\n", 1, 2, f) == 2 && written;
  const int error = written ? 0 : errno;
  if (std::fclose(f) != 0 || !written) report_write_failure(error != 0 ? error : errno);
}

std::string tk_wformat_to_utf8(std::wstring_view format) {
  return tk_to_utf8(format);
}

namespace tk_detail {
std::string cut_wide_trace(std::string text) {
  // Cut at TK_WTRACE_MAX_CHARS code points without splitting a sequence.
  size_t chars = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
      if (chars == TK_WTRACE_MAX_CHARS) {
        text.resize(i);
        break;
      }
      ++chars;
    }
  }
  return text;
}
}  // namespace tk_detail
