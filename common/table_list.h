// A table-list file: the names of the tables a run works on, one per line.
// Shared by the console programs that take --tab_file.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The names of a table-list file's contents: one name per line, LF or CR LF
// line ends, empty lines skipped, no other trimming; a UTF-8 byte-order mark
// on the first non-empty line is dropped. A line longer than 254 bytes, not
// valid UTF-8 or longer than an Access table name (64 characters) is refused
// with its 1-based number, and so is a list of more than 32768 names.
struct table_list {
  enum class problem { none, line_too_long, not_utf8, name_too_long, too_many };
  std::vector<std::wstring> names;
  problem error = problem::none;
  size_t error_line = 0;
};
table_list parse_table_list(std::string_view bytes);

// Reads and parses the file at `path` into `names`; on failure the message
// for the user (missing file, long line, bad text, a file that holds NUL
// bytes or more than a list of tables can hold, no name at all) and `names`
// untouched.
std::optional<std::string> load_table_list(const std::string& path,
                                           std::vector<std::wstring>& names);
