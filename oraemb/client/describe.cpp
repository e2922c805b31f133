// DESCRIBE: the command's name and the listing of its columns.
#include "oraemb/client/describe.h"

#include <algorithm>
#include <cctype>

namespace oraemb_client {
namespace {

std::string upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

bool is_space(char c) {
  return std::isspace(static_cast<unsigned char>(c)) != 0;
}

// The first word of `text` in upper case, and where the rest begins.
std::string first_word(const std::string& text, size_t& rest) {
  size_t b = 0;
  while (b < text.size() && is_space(text[b])) ++b;
  size_t e = b;
  while (e < text.size() && !is_space(text[e]) && text[e] != ';') ++e;
  rest = e;
  return upper(text.substr(b, e - b));
}

}  // namespace

bool is_describe_line(const std::string& line) {
  size_t rest = 0;
  const std::string word = first_word(line, rest);
  return word == "DESC" || word == "DESCRIBE";
}

std::string describe_argument(const std::string& text) {
  size_t pos = 0;
  first_word(text, pos);
  std::string rest = text.substr(pos);
  while (!rest.empty() && (rest.back() == ';' || is_space(rest.back()))) rest.pop_back();
  size_t b = 0;
  while (b < rest.size() && is_space(rest[b])) ++b;
  return rest.substr(b);
}

std::optional<std::string> describe_target(const std::string& text) {
  if (!is_describe_line(text)) return std::nullopt;
  size_t pos = 0;
  first_word(text, pos);
  while (pos < text.size() && is_space(text[pos])) ++pos;
  // One part of a name: quoted as written, unquoted in upper case.
  auto part = [&]() {
    if (pos < text.size() && text[pos] == '"') {
      size_t close = text.find('"', pos + 1);
      if (close == std::string::npos) close = text.size();
      std::string quoted = text.substr(pos + 1, close - pos - 1);
      pos = close + 1;
      return quoted;
    }
    size_t end = pos;
    while (end < text.size() && !is_space(text[end]) && text[end] != ';' && text[end] != '.') ++end;
    std::string plain = upper(text.substr(pos, end - pos));
    pos = end;
    return plain;
  };
  std::string name = part();
  // schema.object: the session's own schema is the only one there is.
  if (pos < text.size() && text[pos] == '.') {
    ++pos;
    name = part();
  }
  return name;
}

std::string describe_type(const DescribedColumn& c) {
  const std::string& t = c.data_type;
  if (t == "NUMBER") {
    if (c.precision.empty()) return c.scale == "0" ? "NUMBER(38)" : "NUMBER";
    if (c.scale.empty() || c.scale == "0") return "NUMBER(" + c.precision + ")";
    return "NUMBER(" + c.precision + "," + c.scale + ")";
  }
  if (t == "FLOAT")
    return "FLOAT(" + (c.precision.empty() ? std::string("126") : c.precision) + ")";
  if (t == "VARCHAR2" || t == "CHAR")
    return t + "(" + c.char_length + (c.char_used == "C" ? " CHAR)" : ")");
  if (t == "NVARCHAR2" || t == "NCHAR") return t + "(" + c.char_length + ")";
  if (t == "RAW") return "RAW(" + c.data_length + ")";
  return t;  // DATE, CLOB, NCLOB, BLOB, LONG, TIMESTAMP(6), BINARY_DOUBLE ...
}

std::string describe_listing(const std::vector<DescribedColumn>& columns) {
  size_t name_width = 41, type_width = 28;
  std::vector<std::string> types;
  for (const auto& c : columns) {
    types.push_back(describe_type(c));
    name_width = std::max(name_width, c.name.size());
    type_width = std::max(type_width, types.back().size());
  }
  auto padded = [](std::string s, size_t width) {
    s.resize(std::max(s.size(), width), ' ');
    return s;
  };
  std::string out = " " + padded("Name", name_width) + " " + padded("Null?", 8) + " Type\n";
  out += " " + std::string(name_width, '-') + " " + std::string(8, '-') + " " +
         std::string(type_width, '-') + "\n";
  for (size_t k = 0; k < columns.size(); ++k) {
    out += " " + padded(columns[k].name, name_width) + " " +
           (columns[k].nullable == "N" ? std::string("NOT NULL") : std::string(8, ' ')) + " " +
           types[k] + "\n";
  }
  return out;
}

}  // namespace oraemb_client
