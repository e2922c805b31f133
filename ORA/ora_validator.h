// The Oracle name validators: ora_validator applies Oracle's identifier rules
// (1 to 30 characters, a letter first, then letters, digits, '#', '$', '_')
// on top of the neutral validator; ora_fn_validator (column names of one
// table) and ora_tn_validator (table names of one run) differ only in the
// names they count as taken. Values with no shared state; not thread-safe.
#pragma once

#include <string>
#include <vector>

#include "UDB/udb_record.h"
#include "UDB/udb_schema.h"
#include "UDB/udb_validator.h"

class ora_validator : public udb_validator {
 public:
  static constexpr uint32_t kMaxNameLength = 30;

  ora_validator();

  bool is_acceptable(const std::wstring& name) override;
  // A letter prefix ("A") when the first character is not a letter, cut to
  // 29 characters when longer than 30, every other character that Oracle
  // refuses replaced by '_', then the base's unique-suffix search.
  std::wstring get_safe_name(const std::wstring& name) override;

  // The Unicode letter test that names are checked with (independent of the
  // process locale).
  static bool is_letter(wchar_t c);
  static bool is_name_char(wchar_t c);
};

// Column names of one table: the source fields' names count as taken.
class ora_fn_validator : public ora_validator {
 public:
  explicit ora_fn_validator(const udb_schema& source_fields);
  explicit ora_fn_validator(const udb_record& record);
};

// Table names of one run: the source tables and the destination's existing
// tables count as taken; the driver adds more names to used_names().
class ora_tn_validator : public ora_validator {
 public:
  ora_tn_validator(const std::vector<std::wstring>& source_tables,
                   const std::vector<std::wstring>& destination_tables);
};
