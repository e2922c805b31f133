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

// Bytes of an SQLT_VNU value: a length byte and up to 21 NUMBER bytes.
inline constexpr size_t ora_vnu_bytes = 22;
// Bytes of an SQLT_DAT value.
inline constexpr size_t ora_dat_bytes = 7;

// A number literal ([+|-]digits[.digits][(e|E)[+|-]digits]) with at most
// 38 significant digits inside Oracle's NUMBER range.
bool ora_vnu_from_literal(std::wstring_view literal, unsigned char out[ora_vnu_bytes]);
// to_date('YYYY-MM-DD[ HH:MI:SS]', 'YYYY-MM-DD') or
// to_date('...', 'YYYY-MM-DD HH24:MI:SS'), as the writer prints them.
bool ora_dat_from_literal(std::wstring_view literal, unsigned char out[ora_dat_bytes]);
// '...' with doubled quotes: the text between them, quotes undoubled.
bool ora_text_from_literal(std::wstring_view literal, std::u16string& out);
// '<hex digits>' or HEXTORAW('<hex digits>') with an even number of digits.
bool ora_raw_from_literal(std::wstring_view literal, std::string& out);
