// The Oracle name validators: ora_validator applies Oracle's identifier rules
// (1 to the server's limit of bytes in the database character set, UTF-8; a
// letter first, then letters, digits, '#', '$', '_') on top of the neutral
// validator; ora_fn_validator (column names of one table) and
// ora_tn_validator (table names of one run) differ only in the names they
// count as taken. Values with no shared state; not thread-safe.
#pragma once

#include <string>
#include <vector>

#include "UDB/udb_record.h"
#include "UDB/udb_schema.h"
#include "UDB/udb_validator.h"

class ora_validator : public udb_validator {
 public:
  // Oracle's identifier limit below 12.2 (30 bytes); 12.2 and later take 128.
  static constexpr size_t kMaxNameBytes = 30;

  // `max_bytes`: the connected server's limit (ora_database::max_identifier_bytes).
  explicit ora_validator(size_t max_bytes = kMaxNameBytes);

  bool is_acceptable(const std::wstring& name) override;
  // A letter prefix ("A") when the first character is not a letter, cut to
  // one byte less than the limit when longer, every other character that
  // Oracle refuses replaced by '_'; when that is not acceptable or is taken,
  // the first free one of base + "00000" ... base + "99999", the base cut so
  // that the candidate stays below the limit. Cuts fall between characters.
  std::wstring get_safe_name(const std::wstring& name) override;

  size_t max_bytes() const { return max_bytes_; }
  // Bytes of `name` in UTF-8, the database character set.
  static size_t name_bytes(const std::wstring& name);
  // `name` without its last characters, so that it has at most `bytes` bytes.
  static std::wstring cut_to_bytes(const std::wstring& name, size_t bytes);

  // The Unicode letter test that names are checked with (independent of the
  // process locale).
  static bool is_letter(wchar_t c);
  static bool is_name_char(wchar_t c);

 private:
  size_t max_bytes_;
};

// Column names of one table: the source fields' names count as taken.
class ora_fn_validator : public ora_validator {
 public:
  explicit ora_fn_validator(const udb_schema& source_fields, size_t max_bytes = kMaxNameBytes);
  explicit ora_fn_validator(const udb_record& record, size_t max_bytes = kMaxNameBytes);
};

// Table names of one run: the source tables and the destination's existing
// tables count as taken; the driver adds more names to used_names().
class ora_tn_validator : public ora_validator {
 public:
  ora_tn_validator(const std::vector<std::wstring>& source_tables,
                   const std::vector<std::wstring>& destination_tables,
                   size_t max_bytes = kMaxNameBytes);
};
