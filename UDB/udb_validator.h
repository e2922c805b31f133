// The neutral name validator: decides whether a name is acceptable to a
// destination (length, reserved and taken names, illegal characters) and
// makes a safe, unique replacement when it is not. Destination validators
// derive from it, fill its lists and may override the three virtual
// operations; get_safe_name calls the other two through their virtual slots.
// The validator never records the names it answers: callers add them to
// used_names / restricted. Not thread-safe.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "UDB/udb_names_map.h"

class udb_validator {
 public:
  // max_len is the longest acceptable name in characters, 0 for no limit.
  explicit udb_validator(uint32_t max_len);
  virtual ~udb_validator() = default;

  virtual bool is_acceptable(const std::wstring& name);
  // True when `name` equals a handed-out name (used_names), ignoring case.
  virtual bool is_duplicated(const std::wstring& name);
  // `name` cut and cleaned; when that is not acceptable or is taken, the
  // first acceptable, free one of base + "00000" ... base + "99999".
  // Exhausting them is an internal assertion failure.
  virtual std::wstring get_safe_name(const std::wstring& name);

  // Records (source name -> generated name) in mapped_pairs.
  void add_mapped_pair(const std::wstring& source, const std::wstring& generated);

  uint32_t max_len() const { return max_len_; }
  const t_names_map& mapped_pairs() const { return mapped_pairs_; }
  // The lists, open to the destination validators and to the callers that
  // hand out names.
  std::vector<wchar_t>& illegal_chars() { return illegal_chars_; }
  std::vector<std::wstring>& restricted() { return restricted_; }
  std::vector<std::wstring>& used_names() { return used_names_; }
  const std::vector<wchar_t>& illegal_chars() const { return illegal_chars_; }
  const std::vector<std::wstring>& restricted() const { return restricted_; }
  const std::vector<std::wstring>& used_names() const { return used_names_; }

 protected:
  uint32_t max_len_;
  t_names_map mapped_pairs_;
  std::vector<wchar_t> illegal_chars_;
  std::vector<std::wstring> restricted_;
  std::vector<std::wstring> used_names_;
};
