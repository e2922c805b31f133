// The canonical form of column values that the verifier compares, and that
// merge and synchronize compare whole rows by where a table has no key. Both
// the Access value and the Oracle value of a column are brought into one form by
// the rules of the column's kind (decided from the Access column), written
// here and nowhere else:
//   - numbers as exact decimals, without leading or trailing zeros; Single
//     at its own precision (the shortest decimal that reads back as the same
//     float), Double likewise as a double, Currency exact to 4 places;
//   - Yes/No as the number the conversion stores for it: 1 for Yes, 0 for No;
//   - dates to the second (rounded), Date/Time Extended to 100 ns;
//   - text as Unicode (UTF-8 here); an empty text equals NULL, as Oracle
//     makes no difference between them; against a CHAR column without its
//     trailing blanks;
//   - memo and binary (OLE) values in full, an empty value equal to NULL;
//   - GUIDs as their 16 bytes in the order Access stores them.
// A canonical value is a tag byte followed by its bytes; NULL is the tag
// alone.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "OLE/ole_variant.h"

enum class verify_kind : uint8_t {
  text,
  padded_text,  // text against a blank-padded CHAR or NCHAR column
  integer,
  single,
  real,
  currency,
  decimal,
  yes_no,
  date,
  timestamp,
  binary,
  guid,
};

// The kind of an Access column from its variant type; `extra` is the
// descriptor's extra number (1 for a GUID column).
verify_kind verify_kind_of(VARTYPE vartype, uint32_t extra, uint32_t size);
// The kind a column takes against an Oracle data type: text against CHAR or
// NCHAR compares without trailing blanks, as Oracle compares such values.
verify_kind verify_kind_against(verify_kind kind, std::string_view oracle_type);
// Whether values of the kind are read from Oracle as number text. The
// verifier's own test on its kinds rather than ole_is_numeric_type on the
// column's VARTYPE: a kind already tells decimals of 16-byte doubles apart,
// and both sides of a comparison are read by kind.
bool verify_kind_is_number(verify_kind kind);
// A short name of the kind for messages ("number", "text", ...).
const char* verify_kind_name(verify_kind kind);
// Whether an Oracle data type (as user_tab_columns names it) can hold the
// values of the kind.
bool verify_oracle_type_fits(verify_kind kind, std::string_view oracle_type);

// Appends the canonical form of an Access value to `out`.
void verify_canon_access(const ole_variant& value, verify_kind kind, std::string& out);
// Appends the canonical form of an Oracle value to `out`. Numbers arrive as
// the text TO_CHAR gives them without a format, whose decimal point is the
// session's decimal character `decimal_mark` (',' in a German session); a
// date may also come from a TIMESTAMP column.
void verify_canon_oracle(const ole_variant& value, verify_kind kind, std::string& out,
                         char decimal_mark = '.');

// A decimal number in text ("-001.2300", "1.5E-3", ".5") as the canonical
// exact decimal ("-1.23", "0.0015", "0.5"); empty when it is no number.
std::string verify_normal_decimal(std::string_view text);

// A canonical value (one, as appended above) shown for a message: text as it
// is, cut to `limit` characters; binary as hex.
std::string verify_canon_display(std::string_view canonical, size_t limit = 40);
