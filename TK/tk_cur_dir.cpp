// Current-directory keeper on getcwd/chdir. Failures are traced, never
// raised: the keeper guards a call, it must not be the reason it fails.
#include "TK/tk_cur_dir.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "TK/tk_paths.h"
#include "TK/tk_trace.h"

namespace {
std::string current_dir() {
  std::vector<char> buf(256);
  for (;;) {
    if (::getcwd(buf.data(), buf.size())) return std::string(buf.data());
    if (errno != ERANGE) return {};
    buf.resize(buf.size() * 2);
  }
}
}  // namespace

tk_cur_dir_keeper::tk_cur_dir_keeper(const std::string& dir) : saved_(current_dir()) {
  const std::string target = dir.empty() ? tk_program_dir() : dir;
  if (::chdir(target.c_str()) != 0)
    tk_trace(1, "Cannot change directory to %s: %s", target, std::strerror(errno));
}

tk_cur_dir_keeper::~tk_cur_dir_keeper() {
  if (!saved_.empty() && ::chdir(saved_.c_str()) != 0)
    tk_trace(1, "Cannot change directory back to %s: %s", saved_, std::strerror(errno));
}
