// Names maps: insertion that never replaces, and lookups that walk the keys
// in order so that the first match in key order wins when case is ignored.
#include "UDB/udb_names_map.h"

#include "TK/tk_compare.h"
#include "TK/tk_trace.h"

namespace {
bool same_name(const std::wstring& a, const std::wstring& b, bool b_case_sensitive) {
  return b_case_sensitive ? a == b : tk_wcs_equal_nocase(a, b);
}
}  // namespace

void t_names_map::add(const std::wstring& source, const std::wstring& destination) {
  tk_wtrace(2, L"t_names_map::add(%s,%s)", source, destination);
  pairs_.emplace(source, destination);
}

std::wstring t_names_map::get_mapped_name(const std::wstring& name, bool b_case_sensitive) const {
  tk_wtrace(2, L"t_names_map::get_mapped_name(%s)", name);
  for (const auto& [key, mapped] : pairs_) {
    if (same_name(key, name, b_case_sensitive)) {
      tk_wtrace(1, L"Got mapped name: %s", mapped);
      return mapped;
    }
  }
  return name;
}

void udb_names_map::add_tn_mapping(const std::wstring& source_table,
                                   const std::wstring& destination_table) {
  tk_wtrace(2, L"udb_names_map::add_tn_mapping(%s,%s)", source_table, destination_table);
  tables_.add(source_table, destination_table);
}

void udb_names_map::add_fn_map(const std::wstring& source_table, const t_names_map& columns) {
  tk_wtrace(2, L"udb_names_map::add_fn_map(%s)", source_table);
  columns_.emplace(source_table, columns);
}

std::wstring udb_names_map::get_tn_mapped_name(const std::wstring& source_table,
                                               bool b_case_sensitive) const {
  tk_wtrace(2, L"udb_names_map::get_tn_mapped_name(%s)", source_table);
  for (const auto& [key, mapped] : tables_) {
    tk_wtrace(1, L"Comparing with (%s,%s)", key, mapped);
    if (same_name(key, source_table, b_case_sensitive)) {
      tk_wtrace(1, L"Got mapped name: %s", mapped);
      return mapped;
    }
  }
  return source_table;
}

std::wstring udb_names_map::get_fn_mapped_name(const std::wstring& source_table,
                                               const std::wstring& source_column,
                                               bool b_case_sensitive) const {
  tk_wtrace(2, L"udb_names_map::get_fn_mapped_name(%s,%s)", source_table, source_column);
  const auto table = columns_.find(source_table);
  if (table == columns_.end()) {
    tk_wtrace(1, L"Table '%s' not found", source_table);
    return source_column;
  }
  return table->second.get_mapped_name(source_column, b_case_sensitive);
}
