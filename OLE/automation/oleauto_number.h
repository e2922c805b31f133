// Internal to the automation layer: exact number text parsing and the
// rounding arithmetic shared by the CY, DECIMAL and VariantChangeType code.
// Magnitudes are held in unsigned __int128 so that a 96-bit DECIMAL mantissa
// times ten never overflows. Not part of the published interface; the Access
// SQL layer's exact decimal builds on it.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "OLE/automation/oleauto_types.h"

namespace oleauto_detail {

using u128 = unsigned __int128;

// A number read from text: value = (neg ? -1 : 1) * digits * 10^exponent.
// digits holds decimal digits without leading zeros ("" for zero).
struct parsed_number {
  bool neg = false;
  std::string digits;
  int exponent = 0;
};

// en-US number text: blanks around, sign, "," group separators in the whole
// part, "." decimals, exponent e/E/d/D. nullopt when the text is not a number.
std::optional<parsed_number> parse_number(std::u16string_view text);

// |value| * 10^scale rounded half to even; nullopt when the result does not
// fit in 120 bits.
std::optional<u128> scaled_magnitude(const parsed_number& n, int scale);

// The correctly rounded double of the number (inf when out of range).
double to_double(const parsed_number& n);

// Rounds |num| / 10^scale to an integer, halves to even.
u128 round_div_pow10(u128 num, int scale);
u128 pow10(int n);

// DECIMAL helpers.
u128 dec_mantissa(const DECIMAL& d);
void dec_set(DECIMAL& d, bool neg, u128 mantissa, int scale);  // mantissa < 2^96
inline constexpr u128 kDecMax = (u128{1} << 96) - 1;
// The shortest DECIMAL for the number (at most 28 decimals, rounded half to
// even); DISP_E_OVERFLOW when its whole part does not fit in 96 bits.
HRESULT dec_from_parsed(const parsed_number& n, DECIMAL& out);
// The DECIMAL of a double read to that many significant digits (15 for R8,
// 7 for R4, as the published conversions do).
HRESULT dec_from_double(double v, int significant, DECIMAL& out);
// Exact decimal text: "-123.45" (fraction's trailing zeros removed).
std::string dec_text(bool neg, u128 mantissa, int scale);
parsed_number dec_to_parsed(const DECIMAL& d);

// Signed 128-bit value to a checked range.
bool fits(__int128 v, __int128 lo, __int128 hi);

// Text <-> UTF-16 for the ASCII number and date texts of this layer.
std::u16string ascii_to_u16(std::string_view s);
BSTR bstr_from_ascii(std::string_view s);

}  // namespace oleauto_detail
