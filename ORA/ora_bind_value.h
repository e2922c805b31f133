// The bound forms of the literals that the per-record writer inlines: a
// number literal as an Oracle NUMBER (SQLT_VNU), a to_date(...) literal as
// the 7-byte DATE (SQLT_DAT), a quoted text as its UTF-16 contents, a
// quoted hexadecimal or HEXTORAW(...) literal as its bytes. Each conversion
// is exact or refuses: a literal whose stored value the server would decide
// (more digits than a NUMBER keeps, an out-of-range magnitude, an odd number
// of hexadecimal digits, a date form other than the writer's own) gives
// false, and the record goes the literal way. Pure functions.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "OLE/ole_variant.h"

// Bytes of an SQLT_VNU value: a length byte and up to 21 NUMBER bytes.
inline constexpr size_t ora_vnu_bytes = 22;
// Bytes of an SQLT_DAT value.
inline constexpr size_t ora_dat_bytes = 7;

// The fields of a TIMESTAMP value as OCIDateTimeConstruct takes them.
struct ora_timestamp_fields {
  int16_t year = 1;
  uint8_t month = 1, day = 1, hour = 0, minute = 0, second = 0;
  uint32_t nanos = 0;
  friend bool operator==(const ora_timestamp_fields&, const ora_timestamp_fields&) = default;
};

// A number literal ([+|-]digits[.digits][(e|E)[+|-]digits]) with at most
// 38 significant digits inside Oracle's NUMBER range.
bool ora_vnu_from_literal(std::wstring_view literal, unsigned char out[ora_vnu_bytes]);
// to_date('YYYY-MM-DD[ HH:MI:SS]', 'YYYY-MM-DD') or
// to_date('...', 'YYYY-MM-DD HH24:MI:SS'), as the writer prints them.
bool ora_dat_from_literal(std::wstring_view literal, unsigned char out[ora_dat_bytes]);
// TO_TIMESTAMP('YYYY-MM-DD HH:MI:SS.fffffff', 'YYYY-MM-DD HH24:MI:SS.FF7'),
// as the writer prints a timestamp to 100 ns.
bool ora_timestamp_from_literal(std::wstring_view literal, ora_timestamp_fields& out);
// '...' with doubled quotes: the text between them, quotes undoubled.
bool ora_text_from_literal(std::wstring_view literal, std::u16string& out);
// A literal made for a national column (ora_national_literal): a plain
// quoted text, or UNISTR('...') pieces joined by || whose \XXXX escapes are
// UTF-16 units.
bool ora_text_from_national_literal(std::wstring_view literal, std::u16string& out);
// '<hex digits>' or HEXTORAW('<hex digits>') with an even number of digits.
bool ora_raw_from_literal(std::wstring_view literal, std::string& out);

// The same bound forms taken from a value instead of its literal, for the
// values whose literal is exactly their printed text: each gives the bytes
// that the literal of to_oracle_str would give, or false when it cannot
// promise that (a type printed some other way, an out-of-range value, a date
// on or near the automation day zero, whose text a source may print
// differently); the caller then goes the literal way.
// Integers, booleans, CY, DECIMAL, and finite R4/R8 within +-1e126.
bool ora_vnu_from_value(const ole_variant& value, unsigned char out[ora_vnu_bytes]);
// VT_DATE from 1753-01-01 on (seconds, no fraction, as the literal prints).
bool ora_dat_from_value(const ole_variant& value, unsigned char out[ora_dat_bytes]);
