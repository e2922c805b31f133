// File-system tests on POSIX: existence is tested by opening, as a user of
// the file would, so permissions count.
#include "TK/tk_paths.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>

#include "TK/tk_exception.h"
#include "TK/tk_text.h"
#include "TK/tk_trace.h"

std::string tk_program_file_name() {
  char buf[PATH_MAX + 1];
  const ssize_t n = readlink("/proc/self/exe", buf, PATH_MAX);
  TK_ASSERT(n > 0);
  return std::string(buf, static_cast<size_t>(n));
}

std::string tk_program_dir() {
  const std::string exe = tk_program_file_name();
  const size_t slash = exe.rfind('/');
  return slash == std::string::npos ? "." : exe.substr(0, slash);
}

std::string tk_replace_extension(const std::string& path, const std::string& ext_with_dot) {
  const size_t slash = path.rfind('/');
  const size_t dot = path.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
    return path + ext_with_dot;
  return path.substr(0, dot) + ext_with_dot;
}

bool tk_is_file_exist(const std::string& path, int mode) {
  tk_trace(1, "tk_is_file_exist(%s)", path);
  const int fd = ::open(path.c_str(), (mode == 1 ? O_RDWR : O_RDONLY) | O_CLOEXEC);
  if (fd < 0) {
    tk_trace(1, "File not exists!");
    return false;
  }
  struct stat st {};
  const bool regular = ::fstat(fd, &st) == 0 && !S_ISDIR(st.st_mode);
  ::close(fd);
  if (!regular) tk_trace(1, "File not exists!");
  return regular;
}

bool tk_is_file_exist(const std::wstring& path, int mode) {
  return tk_is_file_exist(tk_to_utf8(path), mode);
}

bool tk_is_path_exist(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return true;
  const std::string dir = slash == 0 ? "/" : path.substr(0, slash);
  struct stat st {};
  return ::stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}
