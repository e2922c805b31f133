// udb_index: one index of a table as the neutral model carries it (name,
// unique and primary flags, column names in key order), with the two tests
// the index and key builders ask of it. A plain value.
#pragma once

#include <string>
#include <vector>

class udb_index {
 public:
  // True when the index has at least these columns first, in this order,
  // compared ignoring case.
  bool starts_with_fields(const std::vector<std::wstring>& columns) const;
  // True when the index has exactly these columns in any order, compared
  // exactly.
  bool consists_of_fields(const std::vector<std::wstring>& columns) const;

  std::wstring name;
  bool b_unique = false;
  bool b_primary = false;
  std::vector<std::wstring> fields;
};
