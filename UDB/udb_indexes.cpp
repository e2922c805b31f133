// Lookups over a table's index list.
#include "UDB/udb_indexes.h"

#include <algorithm>

#include "TK/tk_compare.h"
#include "TK/tk_exception.h"
#include "TK/tk_trace.h"

bool udb_indexes::is_acceptable_name(const std::wstring& name) const {
  tk_wtrace(1, L"udb_indexes::is_acceptable_name(%s)", name);
  return std::none_of(list_.begin(), list_.end(),
                      [&](const udb_index& i) { return tk_wcs_equal_nocase(i.name, name); });
}

const udb_index& udb_indexes::get_index(const std::wstring& name) const {
  tk_wtrace(1, L"udb_indexes::get_index(%s)", name);
  for (const udb_index& i : list_)
    if (tk_wcs_equal_nocase(i.name, name)) return i;
  TK_FAIL();
}

bool udb_indexes::has_index_on_fields(const std::vector<std::wstring>& columns,
                                      bool b_unique_required) const {
  tk_trace(1, "udb_indexes::has_index_on_fields(%d)", b_unique_required ? 1 : 0);
  for (const udb_index& i : list_)
    if (i.starts_with_fields(columns)) return !b_unique_required || i.b_unique;
  return false;
}

bool udb_indexes::is_idx_field(const std::wstring& column, bool b_primary_only) const {
  tk_wtrace(1, L"udb_indexes::is_idx_field(%s)", column);
  for (const udb_index& i : list_) {
    if (b_primary_only && !i.b_primary) continue;
    if (std::find(i.fields.begin(), i.fields.end(), column) != i.fields.end()) {
      tk_trace(1, "index field");
      return true;
    }
  }
  tk_trace(1, "non-index field");
  return false;
}
