// Literals to bound values: Oracle NUMBER and DATE bytes, UTF-16 text and
// raw bytes.
#include "ORA/ora_bind_value.h"

#include <charconv>
#include <cmath>
#include <cstring>

#include "TK/tk_civil_date.h"
#include "TK/tk_utf_codec.h"

namespace {

constexpr size_t kMaxDigits = 38;
constexpr int kMinExponent = -65;  // base-100 exponents a NUMBER can hold
constexpr int kMaxExponent = 62;
constexpr size_t kMaxMantissa = 20;

bool is_digit(wchar_t c) {
  return c >= L'0' && c <= L'9';
}

int hex_value(wchar_t c) {
  if (c >= L'0' && c <= L'9') return c - L'0';
  if (c >= L'a' && c <= L'f') return c - L'a' + 10;
  if (c >= L'A' && c <= L'F') return c - L'A' + 10;
  return -1;
}

bool starts_with(std::wstring_view text, std::wstring_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

// A run of exactly `n` digits at `pos` as a number.
bool read_digits(std::wstring_view text, size_t& pos, size_t n, int& out) {
  if (pos + n > text.size()) return false;
  out = 0;
  for (size_t i = 0; i < n; ++i) {
    const wchar_t c = text[pos + i];
    if (!is_digit(c)) return false;
    out = out * 10 + (c - L'0');
  }
  pos += n;
  return true;
}

// 1582-10-05 to 1582-10-14 are no days of the server's calendar (the
// Julian 10-04 is followed by the Gregorian 10-15). Its text conversions
// (TO_DATE, TO_TIMESTAMP) give them as 10-15 at the same time, while a
// binary value would be stored as it is; the bytes follow the text, so
// that every path writes the same value.
void leave_calendar_gap(int year, int month, int& day) {
  if (year == 1582 && month == 10 && day > 4 && day < 15) day = 15;
}

// The NUMBER bytes of a decimal text ([+|-]digits[.digits][(e|E)[+|-]digits]),
// for the literal's wide text and for a value printed into a narrow buffer.
template <class Char>
bool vnu_from_text(std::basic_string_view<Char> text, unsigned char out[ora_vnu_bytes]) {
  auto digit = [](Char c) { return c >= Char('0') && c <= Char('9'); };
  size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == Char('+') || text[i] == Char('-')))
    negative = text[i++] == Char('-');
  // Significant digits without leading zeros; `point` counts the digits of
  // the whole part among them (negative for leading zeros of a fraction).
  // One more than a NUMBER keeps is enough to refuse the value, but trailing
  // zeros must still be seen through: they are counted, not kept.
  char digits[kMaxDigits + 2];
  size_t count = 0;
  size_t zeros = 0;  // zeros after the last kept digit, not yet stored
  bool too_long = false;
  auto keep = [&](char c) {
    if (c == '0') {
      ++zeros;
      return;
    }
    if (count + zeros + 1 > kMaxDigits) {
      too_long = true;
      return;
    }
    for (; zeros > 0; --zeros) digits[count++] = '0';
    digits[count++] = c;
  };
  long point = 0;
  size_t seen = 0;
  for (; i < text.size() && digit(text[i]); ++i, ++seen) {
    if (count == 0 && zeros == 0 && !too_long && text[i] == Char('0')) continue;
    keep(static_cast<char>(text[i]));
    ++point;
  }
  if (i < text.size() && text[i] == Char('.')) {
    for (++i; i < text.size() && digit(text[i]); ++i, ++seen) {
      if (count == 0 && zeros == 0 && !too_long && text[i] == Char('0')) {
        --point;
        continue;
      }
      keep(static_cast<char>(text[i]));
    }
  }
  if (seen == 0) return false;
  if (i < text.size() && (text[i] == Char('e') || text[i] == Char('E'))) {
    ++i;
    bool minus = false;
    if (i < text.size() && (text[i] == Char('+') || text[i] == Char('-')))
      minus = text[i++] == Char('-');
    long exponent = 0;
    size_t exponent_digits = 0;
    for (; i < text.size() && digit(text[i]); ++i, ++exponent_digits) {
      exponent = exponent * 10 + (text[i] - Char('0'));
      if (exponent > 100000) return false;
    }
    if (exponent_digits == 0) return false;
    point += minus ? -exponent : exponent;
  }
  if (i != text.size()) return false;
  std::memset(out, 0, ora_vnu_bytes);
  if (too_long) return false;
  if (count == 0) {
    out[0] = 1;
    out[1] = 0x80;
    return true;
  }
  // value = 0.digits * 10^point; base-100 pairs are aligned at the point.
  size_t first = 1;  // digits[0] is room for a leading zero
  std::memmove(digits + 1, digits, count);
  if (point % 2 != 0) {
    digits[0] = '0';
    first = 0;
    ++count;
    ++point;
  }
  if (count % 2 != 0) digits[first + count++] = '0';
  const long exponent = point / 2 - 1;
  if (exponent < kMinExponent || exponent > kMaxExponent) return false;
  const size_t pairs = count / 2;
  if (pairs > kMaxMantissa) return false;
  const char* d = digits + first;
  size_t n = 1;
  out[n++] = static_cast<unsigned char>(negative ? 62 - exponent : 193 + exponent);
  for (size_t p = 0; p < pairs; ++p) {
    const int pair = (d[2 * p] - '0') * 10 + (d[2 * p + 1] - '0');
    out[n++] = static_cast<unsigned char>(negative ? 101 - pair : pair + 1);
  }
  if (negative && pairs < kMaxMantissa) out[n++] = 102;
  out[0] = static_cast<unsigned char>(n - 1);
  return true;
}

// The shortest of the printf precisions `low`..`high` ("%.*e") whose text
// reads back to the value (as a float when `single`), as the value prints.
size_t print_real(double v, bool single, int low, int high, char* buf, size_t size) {
  std::to_chars_result printed{};
  for (int precision = low; precision <= high; ++precision) {
    printed = std::to_chars(buf, buf + size, v, std::chars_format::scientific, precision);
    if (printed.ec != std::errc()) return 0;
    double back = 0;
    if (std::from_chars(buf, printed.ptr, back).ec != std::errc()) return 0;
    if (single ? static_cast<float>(back) == static_cast<float>(v) : back == v) break;
  }
  return static_cast<size_t>(printed.ptr - buf);
}

// A 128-bit magnitude divided by 10^scale, as digits and an exponent.
size_t print_scaled(bool negative, unsigned __int128 magnitude, int scale, char* buf) {
  char digits[48];
  size_t n = 0;
  do {
    digits[n++] = static_cast<char>('0' + static_cast<int>(magnitude % 10));
    magnitude /= 10;
  } while (magnitude != 0);
  size_t pos = 0;
  if (negative) buf[pos++] = '-';
  while (n > 0) buf[pos++] = digits[--n];
  buf[pos++] = 'e';
  buf[pos++] = '-';
  if (scale >= 10) buf[pos++] = static_cast<char>('0' + scale / 10);
  buf[pos++] = static_cast<char>('0' + scale % 10);
  return pos;
}

}  // namespace

bool ora_vnu_from_literal(std::wstring_view text, unsigned char out[ora_vnu_bytes]) {
  return vnu_from_text(text, out);
}

bool ora_dat_from_literal(std::wstring_view text, unsigned char out[ora_dat_bytes]) {
  static constexpr std::wstring_view kHead = L"to_date('";
  static constexpr std::wstring_view kDate = L"', 'YYYY-MM-DD')";
  static constexpr std::wstring_view kDateTime = L"', 'YYYY-MM-DD HH24:MI:SS')";
  if (!starts_with(text, kHead)) return false;
  size_t pos = kHead.size();
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
  if (!read_digits(text, pos, 4, year) || pos >= text.size() || text[pos++] != L'-' ||
      !read_digits(text, pos, 2, month) || pos >= text.size() || text[pos++] != L'-' ||
      !read_digits(text, pos, 2, day))
    return false;
  const std::wstring_view rest = text.substr(pos);
  if (rest != kDate && rest != kDateTime) {
    if (!starts_with(rest, L" ") || rest.substr(9) != kDateTime) return false;
    ++pos;
    if (!read_digits(text, pos, 2, hour) || text[pos++] != L':' ||
        !read_digits(text, pos, 2, minute) || text[pos++] != L':' ||
        !read_digits(text, pos, 2, second))
      return false;
  }
  if (year < 1 || month < 1 || month > 12 || day < 1 || day > tk_days_in_month(year, month) ||
      hour > 23 || minute > 59 || second > 59)
    return false;
  leave_calendar_gap(year, month, day);
  out[0] = static_cast<unsigned char>(year / 100 + 100);
  out[1] = static_cast<unsigned char>(year % 100 + 100);
  out[2] = static_cast<unsigned char>(month);
  out[3] = static_cast<unsigned char>(day);
  out[4] = static_cast<unsigned char>(hour + 1);
  out[5] = static_cast<unsigned char>(minute + 1);
  out[6] = static_cast<unsigned char>(second + 1);
  return true;
}

bool ora_timestamp_from_literal(std::wstring_view text, ora_timestamp_fields& out) {
  static constexpr std::wstring_view kHead = L"TO_TIMESTAMP('";
  static constexpr std::wstring_view kTail = L"', 'YYYY-MM-DD HH24:MI:SS.FF7')";
  if (!starts_with(text, kHead) || text.size() != kHead.size() + 27 + kTail.size() ||
      text.substr(kHead.size() + 27) != kTail)
    return false;
  size_t pos = kHead.size();
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, ticks = 0;
  auto separator = [&](wchar_t c) { return text[pos++] == c; };
  if (!read_digits(text, pos, 4, year) || !separator(L'-') || !read_digits(text, pos, 2, month) ||
      !separator(L'-') || !read_digits(text, pos, 2, day) || !separator(L' ') ||
      !read_digits(text, pos, 2, hour) || !separator(L':') || !read_digits(text, pos, 2, minute) ||
      !separator(L':') || !read_digits(text, pos, 2, second) || !separator(L'.') ||
      !read_digits(text, pos, 7, ticks))
    return false;
  if (year < 1 || month < 1 || month > 12 || day < 1 || day > tk_days_in_month(year, month) ||
      hour > 23 || minute > 59 || second > 59)
    return false;
  leave_calendar_gap(year, month, day);
  out.year = static_cast<int16_t>(year);
  out.month = static_cast<uint8_t>(month);
  out.day = static_cast<uint8_t>(day);
  out.hour = static_cast<uint8_t>(hour);
  out.minute = static_cast<uint8_t>(minute);
  out.second = static_cast<uint8_t>(second);
  out.nanos = static_cast<uint32_t>(ticks) * 100;
  return true;
}

bool ora_text_from_national_literal(std::wstring_view text, std::u16string& out) {
  static constexpr std::wstring_view kHead = L"UNISTR('";
  if (!starts_with(text, kHead)) return ora_text_from_literal(text, out);
  out.clear();
  size_t i = 0;
  while (true) {
    if (!starts_with(text.substr(i), kHead)) return false;
    i += kHead.size();
    // The piece's contents up to its closing quote.
    while (true) {
      if (i >= text.size()) return false;
      const wchar_t c = text[i];
      if (c == L'\'') {
        if (i + 1 < text.size() && text[i + 1] == L'\'') {
          out += u'\'';
          i += 2;
          continue;
        }
        ++i;
        break;
      }
      if (c == L'\\') {
        int unit = 0;
        for (size_t k = 1; k <= 4; ++k) {
          const int digit = i + k < text.size() ? hex_value(text[i + k]) : -1;
          if (digit < 0) return false;
          unit = unit * 16 + digit;
        }
        out += static_cast<char16_t>(unit);
        i += 5;
        continue;
      }
      if (static_cast<uint32_t>(c) > 0x7F) return false;  // escaped in this form
      out += static_cast<char16_t>(c);
      ++i;
    }
    if (i >= text.size() || text[i] != L')') return false;
    ++i;
    if (i == text.size()) return true;
    if (text.substr(i, 2) != L"||") return false;
    i += 2;
  }
}

bool ora_text_from_literal(std::wstring_view text, std::u16string& out) {
  out.clear();
  if (text.size() < 2 || text.front() != L'\'' || text.back() != L'\'') return false;
  const std::wstring_view inner = text.substr(1, text.size() - 2);
  out.reserve(inner.size());
  for (size_t i = 0; i < inner.size(); ++i) {
    const wchar_t c = inner[i];
    if (c == L'\'') {
      // A quote inside is always doubled; a single one ends the literal.
      if (i + 1 >= inner.size() || inner[i + 1] != L'\'') return false;
      ++i;
    }
    // A wide character beyond the BMP becomes its surrogate pair; a lone
    // surrogate unit stays as it is.
    const auto cp = static_cast<char32_t>(c);
    if (cp > 0x10FFFF) return false;
    char16_t units[2];
    out.append(units, tk_utf::encode_utf16(cp, units));
  }
  return true;
}

bool ora_raw_from_literal(std::wstring_view text, std::string& out) {
  out.clear();
  std::wstring_view digits;
  if (starts_with(text, L"HEXTORAW('") && text.size() >= 12 &&
      text.substr(text.size() - 2) == L"')")
    digits = text.substr(10, text.size() - 12);
  else if (text.size() >= 2 && text.front() == L'\'' && text.back() == L'\'')
    digits = text.substr(1, text.size() - 2);
  else
    return false;
  if (digits.size() % 2 != 0) return false;
  out.reserve(digits.size() / 2);
  for (size_t i = 0; i < digits.size(); i += 2) {
    const int high = hex_value(digits[i]);
    const int low = hex_value(digits[i + 1]);
    if (high < 0 || low < 0) return false;
    out += static_cast<char>(high * 16 + low);
  }
  return true;
}

bool ora_vnu_from_value(const ole_variant& value, unsigned char out[ora_vnu_bytes]) {
  const VARIANT& v = value.get_variant();
  char buf[64];
  size_t n = 0;
  auto integer = [&](auto i) {
    n = static_cast<size_t>(std::to_chars(buf, buf + sizeof buf, i).ptr - buf);
  };
  switch (v.vt) {
    case VT_I1:
      integer(static_cast<int>(v.cVal));
      break;
    case VT_I2:
      integer(static_cast<int>(v.iVal));
      break;
    case VT_I4:
      integer(static_cast<int32_t>(v.lVal));
      break;
    case VT_UI1:
      integer(static_cast<unsigned>(v.bVal));
      break;
    case VT_UI2:
      integer(static_cast<unsigned>(v.uiVal));
      break;
    case VT_UI4:
      integer(static_cast<uint32_t>(v.ulVal));
      break;
    case VT_I8:
      integer(value.get_i8());
      break;
    case VT_UI8:
      integer(value.get_ui8());
      break;
    case VT_BOOL:
      integer(v.boolVal == VARIANT_TRUE ? 1 : 0);
      break;
    case VT_R8:
    case VT_R4: {
      const bool single = v.vt == VT_R4;
      const double d = single ? static_cast<double>(v.fltVal) : v.dblVal;
      if (!std::isfinite(d) || std::fabs(d) > 1e126) return false;
      n = single ? print_real(d, true, 6, 9, buf, sizeof buf)
                 : print_real(d, false, 15, 17, buf, sizeof buf);
      break;
    }
    case VT_CY: {
      const int64_t cy = v.cyVal.int64;
      const bool negative = cy < 0;
      const unsigned __int128 magnitude =
          negative ? static_cast<unsigned __int128>(-static_cast<__int128>(cy))
                   : static_cast<unsigned __int128>(cy);
      n = print_scaled(negative, magnitude, 4, buf);
      break;
    }
    case VT_DECIMAL: {
      const DECIMAL& d = v.decVal;
      if (d.scale > 28 || (d.sign & ~DECIMAL_NEG) != 0) return false;
      const unsigned __int128 magnitude = (static_cast<unsigned __int128>(d.Hi32) << 64) |
                                          (static_cast<unsigned __int128>(d.Mid32) << 32) | d.Lo32;
      n = print_scaled(d.sign != 0, magnitude, d.scale, buf);
      break;
    }
    default:
      return false;
  }
  if (n == 0) return false;
  return vnu_from_text(std::string_view(buf, n), out);
}

bool ora_dat_from_value(const ole_variant& value, unsigned char out[ora_dat_bytes]) {
  if (value.get_variant().vt != VT_DATE) return false;
  const SYSTEMTIME& st = value.get_date();
  // Earlier dates, and day zero above all, print in forms of their own.
  if (st.wYear < 1753 || st.wYear > 9999 ||
      (st.wYear == 1899 && st.wMonth == 12 && st.wDay == 30) || st.wMonth < 1 || st.wMonth > 12 ||
      st.wDay < 1 || st.wDay > tk_days_in_month(st.wYear, st.wMonth) || st.wHour > 23 ||
      st.wMinute > 59 || st.wSecond > 59)
    return false;
  out[0] = static_cast<unsigned char>(st.wYear / 100 + 100);
  out[1] = static_cast<unsigned char>(st.wYear % 100 + 100);
  out[2] = static_cast<unsigned char>(st.wMonth);
  out[3] = static_cast<unsigned char>(st.wDay);
  out[4] = static_cast<unsigned char>(st.wHour + 1);
  out[5] = static_cast<unsigned char>(st.wMinute + 1);
  out[6] = static_cast<unsigned char>(st.wSecond + 1);
  return true;
}
