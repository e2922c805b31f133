// Trace file output, shared by all threads of the process.
#include "oraemb/trace.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace oraemb {
namespace {

struct TraceFile {
  std::mutex mutex;
  std::FILE* file = nullptr;  // under the mutex once opened
  std::atomic<bool> on{false};
  std::string path;
  TraceFile() {
    const char* variable = std::getenv("TARVEL_ORAEMB_TRACE");
    if (!variable || !*variable) return;
    path = variable;
    // Traced statements carry data values: the file is for its owner only.
    const int fd = ::open(variable, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
    if (fd >= 0 && !(file = ::fdopen(fd, "a"))) ::close(fd);
    if (!file) report(errno);
    on = file != nullptr;
  }
  // A trace that cannot be written is said once on standard error; the
  // program goes on without it.
  void report(int error) {
    std::fprintf(stderr, "TARVEL_ORAEMB_TRACE: cannot write %s: %s\n", path.c_str(),
                 std::strerror(error));
  }
  ~TraceFile() {
    if (file) std::fclose(file);
  }
};

TraceFile& trace_file() {
  static TraceFile t;  // opened at the first OCI call, not at load time
  return t;
}

}  // namespace

bool tracing() {
  return trace_file().on;
}

void trace_line(const std::string& text) {
  TraceFile& t = trace_file();
  if (!t.on) return;
  auto now = std::chrono::system_clock::now().time_since_epoch();
  long long ms = std::chrono::duration_cast<std::chrono::milliseconds>(now).count();
  std::lock_guard<std::mutex> lock(t.mutex);
  if (!t.file) return;
  std::fprintf(t.file, "%lld.%03lld [%d] %s\n", ms / 1000, ms % 1000, static_cast<int>(getpid()),
               text.c_str());
  if (std::fflush(t.file) != 0) {
    // A full disk: said once, and the trace ends.
    t.report(errno);
    std::fclose(t.file);
    t.file = nullptr;
    t.on = false;
  }
}

}  // namespace oraemb
