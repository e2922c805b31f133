// Path splitting. Paths are made absolute in UTF-8 (the narrow form) and the
// wide form converts in and out, so both forms split alike.
#include "TK/tk_fname.h"

#include <filesystem>
#include <system_error>

#include "TK/tk_exception.h"
#include "TK/tk_paths.h"
#include "TK/tk_text.h"
#include "TK/tk_trace.h"

std::string tk_absolute_path(const std::string& path) {
  std::error_code ec;
  const std::filesystem::path abs = std::filesystem::absolute(path, ec);
  TK_ASSERT(!ec);
  return abs.lexically_normal().string();
}

namespace {

template <class C>
void split(const std::basic_string<C>& abs, std::basic_string<C>& dir, std::basic_string<C>& name,
           std::basic_string<C>& ext) {
  const size_t slash = abs.rfind(C('/'));
  const size_t name_at = slash == std::basic_string<C>::npos ? 0 : slash + 1;
  dir = abs.substr(0, name_at);
  const std::basic_string<C> file = abs.substr(name_at);
  const size_t dot = file.rfind(C('.'));
  // A leading dot marks a hidden file, not an extension; "." and ".." never
  // reach here since the path is normalised.
  if (dot == std::basic_string<C>::npos || dot == 0) {
    name = file;
    ext.clear();
  } else {
    name = file.substr(0, dot);
    ext = file.substr(dot);
  }
}

}  // namespace

template <>
void tk_basic_file_name<char>::initialize(const std::string& path) {
  tk_trace(2, "tk_file_name::initialize(%s)", path);
  const std::string abs = path.empty() ? tk_program_file_name() : tk_absolute_path(path);
  drive_.clear();
  split(abs, dir_, name_, ext_);
}

template <>
void tk_basic_file_name<wchar_t>::initialize(const std::wstring& path) {
  tk_wtrace(2, L"tk_file_wname::initialize(%s)", path);
  const std::wstring abs =
      tk_to_wide(path.empty() ? tk_program_file_name() : tk_absolute_path(tk_to_utf8(path)));
  drive_.clear();
  split(abs, dir_, name_, ext_);
}
