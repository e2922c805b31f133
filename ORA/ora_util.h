// The Oracle SQL text of the neutral model: the column type of a field
// descriptor, the literal of a value, the DEFAULT clause of a descriptor, and
// the recognition of GUID values (written as raw bytes). Pure functions of
// their arguments apart from trace lines; every statement that the Oracle
// layer builds inlines these literals (no bind variables).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "OLE/ole_variant.h"
#include "UDB/t_ftd.h"
#include "UDB/udb_field.h"

// Largest declared size stored inline as NVARCHAR2 or RAW. Oracle takes
// NVARCHAR2 up to 2000 characters (4000 bytes of AL16UTF16) and RAW up to
// 2000 bytes unless the database was built with extended string sizes;
// longer columns are CLOB and BLOB, so that every character and byte fits.
inline constexpr uint32_t ora_max_inline_len = 2000;

// The most characters an NVARCHAR2 column of the session's database takes:
// 4000 bytes of its national character set, 2000 for AL16UTF16 (the default
// until set) and 1333 for UTF8. The database sets it when it opens.
uint32_t ora_national_max_chars();
void ora_set_national_max_chars(uint32_t chars);

// Whether the database character set holds every character (AL32UTF8,
// UTF8; also assumed until set). Memo columns are CLOB then, NCLOB
// otherwise, so that their text goes through the national character set as
// NVARCHAR2 text does. The database sets it when it opens.
bool ora_unicode_database();
void ora_set_unicode_database(bool unicode);

// True for a text or binary column (VT_BSTR, VT_BLOB, byte array) stored as
// CLOB or BLOB (size 0, or above ora_national_max_chars() for text and
// ora_max_inline_len for binary). For the columns of an existing table ask
// the describe instead (ora_type::is_lob): a VARCHAR2(4000) is no LOB.
bool is_ora_lob_column(const t_ftd& ftd);
// True when the text is an Oracle numeric literal: [+|-]digits[.digits]
// [(e|E)[+|-]digits], digits on at least one side of the point.
bool is_ora_number_literal(std::wstring_view text);

// text with each quote doubled, to stand inside a quoted SQL text literal.
std::wstring ora_doubled_quotes(const std::wstring& text);

// The Oracle column type; an unknown vartype is an internal assertion failure.
std::wstring get_native_type(const t_ftd& ftd);
// The SQL literal of a value given as text: "''" for an empty text or an
// invalid binary text, "" for an invalid date.
std::wstring to_oracle_str(const std::wstring& text, unsigned short vartype);
// The SQL literal of a field's current value; a GUID becomes HEXTORAW('...').
std::wstring to_oracle_str(const udb_field* field);
// The text after DEFAULT for the descriptor's default value, or "" for none.
std::wstring make_ora_def_val(const t_ftd* ftd);

// Whether a text is the engine's form of a GUID value ("{guid {8-4-4-4-12}}")
// and its 32 hexadecimal digits in text order.
class ole_guid_extractor {
 public:
  explicit ole_guid_extractor(const std::string& text);

  bool is_guid() const { return is_guid_; }
  const std::string& digits() const { return digits_; }

 private:
  bool is_guid_ = false;
  std::string digits_;
};
