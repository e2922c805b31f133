// The settings store behind tk_reg_key: one small text file per key, one line
// per value: name TAB type TAB data, with backslash escapes for TAB, CR, LF
// and backslash. Written to a temporary file and renamed over the old one.
#include "TK/tk_reg_key.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "TK/tk_exception.h"
#include "TK/tk_text.h"
#include "TK/tk_trace.h"

namespace {

std::string config_home() {
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  if (xdg && *xdg == '/') return xdg;
  const char* home = std::getenv("HOME");
  return std::string(home && *home ? home : ".") + "/.config";
}

bool make_dirs(const std::string& dir) {
  std::string part;
  for (size_t i = 0; i <= dir.size(); ++i) {
    if (i == dir.size() || (dir[i] == '/' && i > 0)) {
      part = dir.substr(0, i);
      if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
    }
  }
  struct stat st {};
  return ::stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The settings file's own escaping, read back by unescape: only the four
// characters that would break a line or a field. It is not the JSON escaping
// of verify/verify_report.cpp on purpose: JSON also escapes quotes and every
// control character (\u00XX), which this file's reader would not undo, so
// settings files already written keep reading the same.
std::string escape(const std::string& s) {
  std::string out;
  for (char c : s) {
    switch (c) {
      case '\\':
        out += "\\\\";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string unescape(const std::string& s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] != '\\' || i + 1 == s.size()) {
      out += s[i];
      continue;
    }
    const char n = s[++i];
    out += n == 't' ? '\t' : n == 'n' ? '\n' : n == 'r' ? '\r' : n;
  }
  return out;
}

std::vector<std::string> split_tabs(const std::string& line) {
  std::vector<std::string> parts(1);
  for (char c : line) {
    if (c == '\t')
      parts.emplace_back();
    else
      parts.back() += c;
  }
  return parts;
}

}  // namespace

long tk_reg_key::open(tk_reg_root root, const std::wstring& subkey, bool* created) {
  close();
  if (root != TK_HKEY_CURRENT_USER) return TK_ERROR_INVALID_HANDLE;
  // "Software\A\B" -> <config home>/A/B
  std::wstring rest = subkey;
  const std::wstring software = L"Software\\";
  if (rest.compare(0, software.size(), software) == 0) rest.erase(0, software.size());
  std::string dir = config_home();
  for (const auto& piece : [&] {
         std::vector<std::wstring> v(1);
         for (wchar_t c : rest) {
           if (c == L'\\' || c == L'/')
             v.emplace_back();
           else
             v.back() += c;
         }
         return v;
       }()) {
    if (piece.empty() || piece == L"." || piece == L"..") continue;
    dir += "/" + tk_to_utf8(piece);
  }
  if (!make_dirs(dir)) return TK_ERROR_ACCESS_DENIED;
  path_ = dir + "/settings";
  const bool existed = ::access(path_.c_str(), F_OK) == 0;
  const long rc = existed ? load() : save();
  if (rc != TK_ERROR_SUCCESS) {
    values_.clear();
    return rc;
  }
  open_ = true;
  if (created) *created = !existed;
  return TK_ERROR_SUCCESS;
}

void tk_reg_key::close() {
  open_ = false;
  values_.clear();
}

long tk_reg_key::load() {
  values_.clear();
  FILE* f = std::fopen(path_.c_str(), "rb");
  if (!f) return errno == ENOENT ? TK_ERROR_FILE_NOT_FOUND : TK_ERROR_ACCESS_DENIED;
  std::string line;
  int c;
  auto take = [&] {
    const auto parts = split_tabs(line);
    if (parts.size() == 3) {
      value v{parts[1] == "dword" ? TK_REG_DWORD : TK_REG_SZ, unescape(parts[2])};
      if (parts[1] == "dword" || parts[1] == "sz") values_.emplace(unescape(parts[0]), v);
    }
    line.clear();
  };
  while ((c = std::fgetc(f)) != EOF) {
    if (c == '\n')
      take();
    else
      line += static_cast<char>(c);
  }
  if (!line.empty()) take();
  std::fclose(f);
  return TK_ERROR_SUCCESS;
}

long tk_reg_key::save() {
  const std::string tmp = path_ + ".tmp";
  const int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) return TK_ERROR_ACCESS_DENIED;
  std::string text = "# settings store: name, type, value\n";
  for (const auto& [name, v] : values_)
    text += escape(name) + "\t" + (v.type == TK_REG_DWORD ? "dword" : "sz") + "\t" +
            escape(v.data) + "\n";
  const bool ok = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size()) &&
                  ::fsync(fd) == 0;
  ::close(fd);
  if (!ok || ::rename(tmp.c_str(), path_.c_str()) != 0) {
    ::unlink(tmp.c_str());
    return TK_ERROR_ACCESS_DENIED;
  }
  return TK_ERROR_SUCCESS;
}

long tk_reg_key::get_value(const char* name, uint32_t* out) {
  TK_ASSERT(name != nullptr);
  tk_trace(2, "tk_reg_key::get_value(ulong, %s)", name);
  if (!open_) return TK_ERROR_INVALID_HANDLE;
  const auto it = values_.find(name);
  if (it == values_.end()) return TK_ERROR_FILE_NOT_FOUND;
  tk_trace(2, "type=%d, size=%d", static_cast<int>(it->second.type), 4);
  if (it->second.type != TK_REG_DWORD) return TK_ERROR_UNSUPPORTED_TYPE;
  char* end = nullptr;
  const unsigned long long v = std::strtoull(it->second.data.c_str(), &end, 10);
  if (end == it->second.data.c_str() || *end != '\0' || v > 0xFFFFFFFFull)
    return TK_ERROR_INVALID_PARAMETER;
  if (out) *out = static_cast<uint32_t>(v);
  return TK_ERROR_SUCCESS;
}

long tk_reg_key::set_value(const char* name, uint32_t v) {
  TK_ASSERT(name != nullptr);
  if (!open_) return TK_ERROR_INVALID_HANDLE;
  values_[name] = value{TK_REG_DWORD, std::to_string(v)};
  return save();
}

long tk_reg_key::get_value(const wchar_t* name, std::wstring* text, uint32_t* size_bytes) {
  TK_ASSERT(name != nullptr && size_bytes != nullptr);
  tk_wtrace(2, L"tk_reg_key::get_value(LPWSTR, %s)", name);
  if (!open_) return TK_ERROR_INVALID_HANDLE;
  const auto it = values_.find(tk_to_utf8(name));
  if (it == values_.end()) return TK_ERROR_FILE_NOT_FOUND;
  const std::wstring stored = tk_to_wide(it->second.data);
  const auto needed = static_cast<uint32_t>((tk_wide_to_utf16(stored).size() + 1) * 2);
  tk_trace(2, "type=%d, size=%d", static_cast<int>(it->second.type), needed);
  if (it->second.type != TK_REG_SZ) return TK_ERROR_UNSUPPORTED_TYPE;
  if (text == nullptr) {
    *size_bytes = needed;
    return TK_ERROR_SUCCESS;
  }
  if (*size_bytes < needed) {
    *size_bytes = needed;
    return TK_ERROR_MORE_DATA;
  }
  *size_bytes = needed;
  *text = stored;
  return TK_ERROR_SUCCESS;
}

long tk_reg_key::set_value(const wchar_t* name, const std::wstring& text) {
  TK_ASSERT(name != nullptr);
  if (!open_) return TK_ERROR_INVALID_HANDLE;
  values_[tk_to_utf8(name)] = value{TK_REG_SZ, tk_to_utf8(text)};
  return save();
}
