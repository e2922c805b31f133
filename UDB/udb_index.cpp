// Column tests of one index.
#include "UDB/udb_index.h"

#include <algorithm>

#include "TK/tk_compare.h"
#include "TK/tk_trace.h"

bool udb_index::starts_with_fields(const std::vector<std::wstring>& columns) const {
  tk_wtrace(1, L"udb_index::starts_with_fields(%s)", name);
  if (fields.size() < columns.size()) return false;
  for (size_t i = 0; i < columns.size(); ++i) {
    if (!tk_wcs_equal_nocase(fields[i], columns[i])) {
      tk_wtrace(1, L"Field '%s' not found", columns[i]);
      return false;
    }
  }
  tk_trace(1, "starts_with_fields returns true");
  return true;
}

bool udb_index::consists_of_fields(const std::vector<std::wstring>& columns) const {
  tk_wtrace(1, L"udb_index::consists_of_fields(%s)", name);
  if (fields.size() != columns.size()) return false;
  for (const std::wstring& c : columns) {
    if (std::find(fields.begin(), fields.end(), c) == fields.end()) {
      tk_wtrace(1, L"Field '%s' not found", c);
      return false;
    }
  }
  return true;
}
