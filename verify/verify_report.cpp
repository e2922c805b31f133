// The report formats.
#include <algorithm>
#include <cstdio>

#include "verify/verify_result.h"

namespace {

using state = verify_table_result::state;

std::string rows_text(const std::optional<uint64_t>& rows) {
  return rows ? std::to_string(*rows) : "-";
}

// Display width of UTF-8 text (code points).
size_t width(const std::string& text) {
  size_t n = 0;
  for (unsigned char c : text) n += (c & 0xC0) != 0x80;
  return n;
}

std::string pad_right(const std::string& text, size_t w) {
  const size_t n = width(text);
  return n >= w ? text : text + std::string(w - n, ' ');
}

std::string pad_left(const std::string& text, size_t w) {
  const size_t n = width(text);
  return n >= w ? text : std::string(w - n, ' ') + text;
}

std::string csv_field(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string out = "\"";
  for (char c : text) {
    out += c;
    if (c == '"') out += '"';
  }
  return out + "\"";
}

// A JSON string literal (RFC 8259): quotes, backslash and every control
// character escaped. Not the settings file's escaper in TK/tk_reg_key.cpp on
// purpose: that format escapes only backslash, TAB, CR and LF and has no
// \u form.
std::string json_string(const std::string& text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (c < 0x20) {
          char buf[8];
          std::snprintf(buf, sizeof buf, "\\u%04x", c);
          out += buf;
        } else {
          out += static_cast<char>(c);
        }
    }
  }
  return out + "\"";
}

std::string json_rows(const std::optional<uint64_t>& rows) {
  return rows ? std::to_string(*rows) : "null";
}

const char* state_name(state s) {
  switch (s) {
    case state::equal:
      return "equal";
    case state::differs:
      return "differs";
    case state::missing_in_oracle:
      return "missing in Oracle";
    case state::missing_in_access:
      return "missing in Access";
  }
  return "";
}

}  // namespace

std::string verify_table_result::first_difference() const {
  return differences.empty() ? std::string() : differences.front();
}

const char* verify_table_result::content() const {
  switch (outcome) {
    case state::equal:
      return "equal";
    case state::differs:
      return "DIFFERS";
    default:
      return "MISSING";
  }
}

size_t verify_result::count(verify_table_result::state outcome) const {
  return static_cast<size_t>(std::count_if(tables.begin(), tables.end(),
                                           [&](const auto& t) { return t.outcome == outcome; }));
}

int verify_result::exit_status() const {
  for (const auto& v : views)
    if (v.outcome != state::equal) return 1;
  return count(state::equal) == tables.size() ? 0 : 1;
}

namespace {

// The aligned list of tables (or views) with their differences.
std::string format_list(const char* title, const std::vector<verify_table_result>& list) {
  size_t name_width = std::string(title).size();
  for (const auto& t : list) name_width = std::max(name_width, width(t.shown_name()));
  name_width = std::min<size_t>(name_width, 40);
  std::string out =
      pad_right(title, name_width) + "  Access rows  Oracle rows  Content   First difference\n";
  for (const auto& t : list) {
    std::string line = pad_right(t.shown_name(), name_width) + "  " +
                       pad_left(rows_text(t.access_rows), 11) + "  " +
                       pad_left(rows_text(t.oracle_rows), 11) + "  " + pad_right(t.content(), 8) +
                       "  " + t.first_difference();
    while (!line.empty() && line.back() == ' ') line.pop_back();
    out += line + "\n";
    // The other differences found, indented under the table.
    for (size_t i = 1; i < t.differences.size(); ++i)
      out += std::string(name_width + 38, ' ') + t.differences[i] + "\n";
    if (t.differing_rows > 0 && t.differing_rows > t.differences.size())
      out += std::string(name_width + 38, ' ') + std::to_string(t.differing_rows) +
             " rows differ in all\n";
  }
  return out;
}

}  // namespace

std::string verify_format_text(const verify_result& result) {
  std::string out = format_list("Table", result.tables);
  out += "\n";
  char summary[256];
  std::snprintf(
      summary, sizeof summary,
      "%zu tables: %zu equal, %zu differing, %zu missing in Oracle, %zu missing in Access\n",
      result.tables.size(), result.count(state::equal), result.count(state::differs),
      result.count(state::missing_in_oracle), result.count(state::missing_in_access));
  out += summary;
  if (!result.views.empty()) {
    size_t equal = 0;
    for (const auto& v : result.views) equal += v.outcome == state::equal ? 1 : 0;
    out += "\nViews\n" + format_list("Query", result.views) + "\n";
    std::snprintf(summary, sizeof summary, "%zu views: %zu equal, %zu differing\n",
                  result.views.size(), equal, result.views.size() - equal);
    out += summary;
  }
  out += "\nNot carried over\n";
  if (result.not_carried_over.empty()) out += "  (nothing)\n";
  size_t kind_width = 0, object_width = 0;
  for (const auto& o : result.not_carried_over) {
    kind_width = std::max(kind_width, width(o.kind));
    object_width = std::max(object_width, width(o.object));
  }
  object_width = std::min<size_t>(object_width, 40);
  for (const auto& o : result.not_carried_over) {
    std::string line = "  " + pad_right(o.kind, kind_width) + "  " +
                       pad_right(o.object, object_width) + "  " + o.detail;
    while (!line.empty() && line.back() == ' ') line.pop_back();
    out += line + "\n";
  }
  return out;
}

std::string verify_format_csv(const verify_result& result) {
  std::string out =
      "Section,Table,Oracle table,Access rows,Oracle rows,Content,Differing rows,Difference\n";
  std::vector<std::pair<const char*, const verify_table_result*>> rows;
  for (const auto& t : result.tables) rows.emplace_back("table", &t);
  for (const auto& v : result.views) rows.emplace_back("view", &v);
  for (const auto& [section, row] : rows) {
    const verify_table_result& t = *row;
    const std::string common = std::string(section) + "," + csv_field(t.table) + "," +
                               csv_field(t.oracle_table) + "," +
                               (t.access_rows ? std::to_string(*t.access_rows) : "") + "," +
                               (t.oracle_rows ? std::to_string(*t.oracle_rows) : "") + "," +
                               t.content() + "," + std::to_string(t.differing_rows) + ",";
    if (t.differences.empty()) out += common + "\n";
    for (const std::string& d : t.differences) out += common + csv_field(d) + "\n";
  }
  for (const auto& o : result.not_carried_over)
    out += "not carried over," + csv_field(o.object) + ",,,," + csv_field(o.kind) + ",," +
           csv_field(o.detail) + "\n";
  return out;
}

namespace {

std::string json_list(const std::vector<verify_table_result>& list) {
  std::string out;
  for (size_t i = 0; i < list.size(); ++i) {
    const auto& t = list[i];
    out += i ? ",\n    {" : "\n    {";
    out += "\"table\": " + (t.table.empty() ? std::string("null") : json_string(t.table));
    out += ", \"oracle_table\": " +
           (t.oracle_table.empty() ? std::string("null") : json_string(t.oracle_table));
    out += ", \"access_rows\": " + json_rows(t.access_rows);
    out += ", \"oracle_rows\": " + json_rows(t.oracle_rows);
    out += ", \"content\": " + json_string(state_name(t.outcome));
    out += ", \"differing_rows\": " + std::to_string(t.differing_rows);
    out += ", \"differences\": [";
    for (size_t k = 0; k < t.differences.size(); ++k)
      out += (k ? ", " : "") + json_string(t.differences[k]);
    out += "]}";
  }
  return out + (list.empty() ? "],\n" : "\n  ],\n");
}

}  // namespace

std::string verify_format_json(const verify_result& result) {
  std::string out = "{\n  \"tables\": [" + json_list(result.tables);
  if (!result.views.empty()) out += "  \"views\": [" + json_list(result.views);
  out += "  \"summary\": {\"tables\": " + std::to_string(result.tables.size()) +
         ", \"equal\": " + std::to_string(result.count(state::equal)) +
         ", \"differing\": " + std::to_string(result.count(state::differs)) +
         ", \"missing_in_oracle\": " + std::to_string(result.count(state::missing_in_oracle)) +
         ", \"missing_in_access\": " + std::to_string(result.count(state::missing_in_access)) +
         "},\n";
  out += "  \"not_carried_over\": [";
  for (size_t i = 0; i < result.not_carried_over.size(); ++i) {
    const auto& o = result.not_carried_over[i];
    out += i ? ",\n    {" : "\n    {";
    out += "\"kind\": " + json_string(o.kind) + ", \"object\": " + json_string(o.object) +
           ", \"detail\": " + json_string(o.detail) + "}";
  }
  out += result.not_carried_over.empty() ? "],\n" : "\n  ],\n";
  out += "  \"exit_status\": " + std::to_string(result.exit_status()) + "\n}\n";
  return out;
}
