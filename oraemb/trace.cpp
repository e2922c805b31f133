// Trace file output, shared by all threads of the process.
#include "oraemb/trace.h"

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <mutex>

namespace oraemb {
namespace {

struct TraceFile {
  std::mutex mutex;
  std::FILE* file = nullptr;
  TraceFile() {
    const char* path = std::getenv("TARVEL_ORAEMB_TRACE");
    if (!path || !*path) return;
    // Traced statements carry data values: the file is for its owner only.
    const int fd = ::open(path, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
    if (fd >= 0 && !(file = ::fdopen(fd, "a"))) ::close(fd);
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
  return trace_file().file != nullptr;
}

void trace_line(const std::string& text) {
  TraceFile& t = trace_file();
  if (!t.file) return;
  auto now = std::chrono::system_clock::now().time_since_epoch();
  long long ms = std::chrono::duration_cast<std::chrono::milliseconds>(now).count();
  std::lock_guard<std::mutex> lock(t.mutex);
  std::fprintf(t.file, "%lld.%03lld [%d] %s\n", ms / 1000, ms % 1000, static_cast<int>(getpid()),
               text.c_str());
  std::fflush(t.file);
}

}  // namespace oraemb
