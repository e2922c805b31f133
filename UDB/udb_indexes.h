// udb_indexes: the ordered indexes of one table, with the lookups the index
// and key builders use. Index names are compared ignoring case; the column
// membership test (is_idx_field) compares exactly. A plain value.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "UDB/udb_index.h"

class udb_indexes {
 public:
  // True when no index of that name exists (ignoring case).
  bool is_acceptable_name(const std::wstring& name) const;
  // The index of that name (ignoring case); a missing one is an internal
  // assertion failure.
  const udb_index& get_index(const std::wstring& name) const;
  // Looks at the first index whose columns start with `columns`: false when
  // there is none; else true, or that index's unique flag when
  // b_unique_required.
  bool has_index_on_fields(const std::vector<std::wstring>& columns, bool b_unique_required) const;
  // True when the column belongs to some index (to some primary index when
  // b_primary_only).
  bool is_idx_field(const std::wstring& column, bool b_primary_only) const;

  void push_back(const udb_index& index) { list_.push_back(index); }

  size_t size() const { return list_.size(); }
  bool empty() const { return list_.empty(); }
  const udb_index& operator[](size_t i) const { return list_.at(i); }
  std::vector<udb_index>::const_iterator begin() const { return list_.begin(); }
  std::vector<udb_index>::const_iterator end() const { return list_.end(); }

 private:
  std::vector<udb_index> list_;
};
