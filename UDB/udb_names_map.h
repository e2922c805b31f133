// The maps that remember, for one run, which source name became which
// destination name: one for table names and, per source table, one for its
// column names. Keys are ordered by UTF-16 code units; lookups either match
// exactly or ignore case, and a name the map does not hold maps to itself.
// Values; not thread-safe (a run's maps are used by the driver's thread).
#pragma once

#include <map>
#include <string>

#include "TK/tk_text.h"

// Source name -> destination name.
class t_names_map {
 public:
  using map_type = std::map<std::wstring, std::wstring, tk_utf16_less>;

  // Inserts the pair; a source name already present keeps its pair.
  void add(const std::wstring& source, const std::wstring& destination);
  // The mapped name of the first key, in key order, that equals `name`
  // (exactly, or ignoring case when b_case_sensitive is false); `name` itself
  // when none does.
  std::wstring get_mapped_name(const std::wstring& name, bool b_case_sensitive) const;

  const map_type& pairs() const { return pairs_; }
  bool empty() const { return pairs_.empty(); }
  size_t size() const { return pairs_.size(); }
  map_type::const_iterator begin() const { return pairs_.begin(); }
  map_type::const_iterator end() const { return pairs_.end(); }

 private:
  map_type pairs_;
};

// Table names and, per source table, column names.
class udb_names_map {
 public:
  void add_tn_mapping(const std::wstring& source_table, const std::wstring& destination_table);
  // Stores a copy of the column map under the table; an existing entry stays.
  void add_fn_map(const std::wstring& source_table, const t_names_map& columns);
  std::wstring get_tn_mapped_name(const std::wstring& source_table, bool b_case_sensitive) const;
  // The table is found by its exact name; for a table never added the column
  // name comes back unchanged.
  std::wstring get_fn_mapped_name(const std::wstring& source_table,
                                  const std::wstring& source_column, bool b_case_sensitive) const;

  const t_names_map& tables() const { return tables_; }
  const std::map<std::wstring, t_names_map, tk_utf16_less>& columns() const { return columns_; }

 private:
  t_names_map tables_;
  std::map<std::wstring, t_names_map, tk_utf16_less> columns_;
};
