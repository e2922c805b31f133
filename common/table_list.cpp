// Parsing and loading of table-list files.
#include "common/table_list.h"

#include <cstdio>
#include <cstring>

#include "TK/tk_format.h"
#include "TK/tk_paths.h"
#include "TK/tk_text.h"
#include "TK/tk_trace.h"

namespace {
// Longest table-list line, in bytes without its line end.
constexpr size_t kMaxTableLine = 254;
// Longest Access table name, in characters.
constexpr size_t kMaxTableName = 64;
// An Access database holds at most 32768 objects: a list of more names, or
// longer than that many longest lines, is no list of its tables.
constexpr size_t kMaxTables = 32768;
constexpr size_t kMaxListBytes = kMaxTables * (kMaxTableLine + 2);
}  // namespace

table_list parse_table_list(std::string_view bytes) {
  table_list result;
  std::optional<bool> utf8_bom;  // decided on the first non-empty line
  size_t line_number = 0;
  size_t pos = 0;
  while (pos < bytes.size()) {
    size_t end = bytes.find('\n', pos);
    if (end == std::string_view::npos) end = bytes.size();
    std::string_view line = bytes.substr(pos, end - pos);
    pos = end + 1;
    ++line_number;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.size() > kMaxTableLine) {
      result.error = table_list::problem::line_too_long;
      result.error_line = line_number;
      return result;
    }
    if (line.empty()) continue;
    if (!utf8_bom) {
      utf8_bom = line.substr(0, 3) == "\xEF\xBB\xBF";
      if (*utf8_bom) line.remove_prefix(3);
      if (line.empty()) continue;
    }
    auto name = tk_utf8_to_wide(line);
    if (!name) {
      result.error = table_list::problem::not_utf8;
      result.error_line = line_number;
      return result;
    }
    if (name->size() > kMaxTableName) {
      result.error = table_list::problem::name_too_long;
      result.error_line = line_number;
      return result;
    }
    if (result.names.size() == kMaxTables) {
      result.error = table_list::problem::too_many;
      result.error_line = line_number;
      return result;
    }
    result.names.push_back(std::move(*name));
  }
  return result;
}

std::optional<std::string> load_table_list(const std::string& path,
                                           std::vector<std::wstring>& names) {
  tk_trace(1, "load_table_list(%s)", path);
  const std::string missing =
      "Table names file does not exist.\nPlease verify the correct path/name was given.";
  if (!tk_is_file_exist(path)) return missing;
  const std::string not_text = tk_format(
      "Table names file %s is not a text file of table names.\nPlease verify the correct "
      "path/name was given.",
      path);
  // Read with bounds: a device such as /dev/zero or /dev/urandom must not
  // be read without end, nor kept whole in memory.
  std::string bytes;
  {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return missing;
    char buf[65536];
    size_t n;
    bool text = true;
    while (text && (n = std::fread(buf, 1, sizeof buf, f)) > 0) {
      text = std::memchr(buf, 0, n) == nullptr && bytes.size() + n <= kMaxListBytes;
      if (text) bytes.append(buf, n);
    }
    std::fclose(f);
    if (!text) return not_text;
  }
  table_list list = parse_table_list(bytes);
  switch (list.error) {
    case table_list::problem::name_too_long:
      return tk_format(
          "Table names file %s: line %d is longer than an Access table name (%d characters)."
          "\nPlease verify the table names.",
          path, list.error_line, kMaxTableName);
    case table_list::problem::too_many:
      return tk_format(
          "Table names file %s names more than %d tables, more than an Access database holds."
          "\nPlease verify the table names.",
          path, kMaxTables);
    case table_list::problem::line_too_long:
      return tk_format(
          "Table names file %s: line %d is longer than %d characters.\nPlease verify the "
          "table names.",
          path, list.error_line, kMaxTableLine);
    case table_list::problem::not_utf8:
      return tk_format(
          "Table names file %s: line %d is not valid UTF-8 text.\nPlease save the file as UTF-8.",
          path, list.error_line);
    case table_list::problem::none:
      break;
  }
  // An empty list, made so by mistake, must not mean every table.
  if (list.names.empty())
    return tk_format(
        "Table names file %s names no table.\nPlease give at least one table name, or leave out "
        "--tab_file to take every table.",
        path);
  names = std::move(list.names);
  return std::nullopt;
}
