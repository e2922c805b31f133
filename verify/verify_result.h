// What a verification found: one entry per table (Access table, query of a
// profile, child table of a complex column, or Oracle table without an
// Access counterpart), what the conversion does not carry over, and the
// program's exit status. Names and texts are UTF-8.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct verify_table_result {
  enum class state { equal, differs, missing_in_oracle, missing_in_access };
  std::string table;         // the Access name ("" for an Oracle table alone)
  std::string oracle_table;  // the Oracle name it was paired with
  state outcome = state::equal;
  std::optional<uint64_t> access_rows;
  std::optional<uint64_t> oracle_rows;
  // Problems of structure (columns missing, types changed), then up to ten
  // differing rows, in the order found.
  std::vector<std::string> differences;
  uint64_t differing_rows = 0;

  // The first difference, or "" when equal.
  std::string first_difference() const;
  // "equal", "DIFFERS" or "MISSING".
  const char* content() const;
  // The name shown in the Table column.
  const std::string& shown_name() const { return table.empty() ? oracle_table : table; }
};

// One thing the conversion does not move, read from the Access file.
struct verify_omission {
  std::string kind;    // "query", "linked table", "validation rule", ...
  std::string object;  // "Orders", "Orders.Freight", ...
  std::string detail;  // the query kind, the rule's text, the reason, ...
};

struct verify_result {
  std::vector<verify_table_result> tables;
  // Saved queries that have an Oracle view, each against its view's rows.
  std::vector<verify_table_result> views;
  std::vector<verify_omission> not_carried_over;

  size_t count(verify_table_result::state outcome) const;
  // 0 when every table and view is equal, 1 otherwise.
  int exit_status() const;
};

// The report in the three formats: text (aligned table, summary, "Not
// carried over" section), CSV (one row per table, then one per omission)
// and JSON (one object).
std::string verify_format_text(const verify_result& result);
std::string verify_format_csv(const verify_result& result);
std::string verify_format_json(const verify_result& result);
