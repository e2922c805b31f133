// The trace log object and the line writer. The file is opened and closed for
// every line (binary mode, "\r\n" line ends), so lines survive a crash.
#include "TK/tk_trace.h"

#include <cstdio>
#include <ctime>

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

void tk_log::empty_file() {
  if (FILE* f = std::fopen(file_name_.c_str(), "wb")) std::fclose(f);
  emptied_ = true;
}

bool tk_log::wants(int32_t level) {
  if (!enabled_) return false;
  if (!emptied_) empty_file();
  return level >= threshold_;
}

void tk_log::write_line(std::string_view text) {
  FILE* f = std::fopen(file_name_.c_str(), "ab");
  if (!f) return;
  if (timestamps_) {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    std::fprintf(f, "%02d:%02d:%02d ", local.tm_hour, local.tm_min, local.tm_sec);
  }
  std::fwrite(text.data(), 1, text.size(), f);
  if (line_end_) std::fwrite("\r\n", 1, 2, f);
  std::fclose(f);
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
