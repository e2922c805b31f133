// Profile files: reading line by line into a bounded buffer, writing each
// section in map order.
#include "UDB/udb_profile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <optional>

#include "TK/tk_exception.h"
#include "TK/tk_format.h"
#include "TK/tk_paths.h"
#include "TK/tk_trace.h"

namespace {
constexpr size_t kLineBuffer = 4096;

// Strips the space character (only) at both ends.
std::wstring strip(const std::wstring& s) {
  return tk_trim(s);
}
}  // namespace

udb_profile::udb_profile() {
  sections_[kAvailableQueries];
  sections_[kSelectedTables];
  sections_[kGenericSettings];
}

bool udb_profile::load(const std::wstring& path) {
  tk_wtrace(2, L"udb_profile::load(%s)", path);
  const std::string narrow = tk_to_utf8(path);
  if (!tk_is_file_exist(narrow))
    throw tk_exception("Profile does not exist. Please verify the correct path/name was given.",
                       TK_LEVEL_RUN);
  FILE* f = std::fopen(narrow.c_str(), "rb");
  if (!f) return false;
  struct closer {
    FILE* f;
    ~closer() { std::fclose(f); }
  } guard{f};

  section* current = nullptr;
  std::wstring current_name;
  std::string line;
  bool eof = false;
  for (size_t number = 1; !eof; ++number) {
    line.clear();
    int c;
    while ((c = std::fgetc(f)) != EOF && c != '\n') {
      line += static_cast<char>(c);
      // A line that fills the whole buffer without its end: no profile
      // holds one (a file of another kind, or one damaged).
      if (line.size() >= kLineBuffer - 1)
        throw tk_exception(tk_format("Profile '%s' could not be read: its line %d is longer than "
                                     "%d bytes.\nPlease verify the correct path/name was given.",
                                     narrow, number, kLineBuffer - 1),
                           TK_LEVEL_RUN);
    }
    if (c == EOF) {
      eof = true;
      if (line.empty()) break;
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();  // text-stream CR LF
    const std::optional<std::wstring> strict = tk_utf8_to_wide(line);
    const std::wstring text = strip(strict ? *strict : tk_to_wide(line));
    if (text.size() >= 2 && text.front() == L'[' && text.back() == L']') {
      current_name = text.substr(1, text.size() - 2);
      current = &sections_[current_name];
      continue;
    }
    if (text.empty()) continue;
    if (!current) return false;
    const size_t eq = text.find(L'=');
    const std::wstring key = eq == std::wstring::npos ? text : strip(text.substr(0, eq));
    const bool added =
        current->emplace(key, eq == std::wstring::npos ? L"" : text.substr(eq + 1)).second;
    if (added && !strict) not_text_[current_name].insert(key);
  }
  return true;
}

void udb_profile::store(const std::wstring& path) const {
  tk_wtrace(2, L"udb_profile::store)", path);
  const std::string narrow = tk_to_utf8(path);
  const int fd = ::open(narrow.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) return;
  ::fchmod(fd, 0600);
  std::string out;
  for (const auto& [name, entries] : sections_) {
    out += tk_to_utf8(L"[" + name + L"]") + "\r\n";
    for (const auto& [key, value] : entries) {
      if (name == kSelectedTables && value.empty())
        out += tk_to_utf8(key) + "\r\n";
      else
        out += tk_to_utf8(key + L"=" + value) + "\r\n";
    }
    out += "\r\n";
  }
  size_t done = 0;
  while (done < out.size()) {
    const ssize_t n = ::write(fd, out.data() + done, out.size() - done);
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  ::close(fd);
}

std::wstring udb_profile::get(const std::wstring& section_name, const std::wstring& key) const {
  const section* s = find_section(section_name);
  if (!s) return {};
  const auto it = s->find(key);
  return it == s->end() ? std::wstring() : it->second;
}

void udb_profile::set(const std::wstring& section_name, const std::wstring& key,
                      const std::wstring& value) {
  sections_[section_name].emplace(key, value);
}

bool udb_profile::is_text(const std::wstring& section_name, const std::wstring& key) const {
  const auto it = not_text_.find(section_name);
  return it == not_text_.end() || it->second.count(key) == 0;
}

const udb_profile::section* udb_profile::find_section(const std::wstring& name) const {
  const auto it = sections_.find(name);
  return it == sections_.end() ? nullptr : &it->second;
}
