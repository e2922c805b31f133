// Literals to bound values: Oracle NUMBER and DATE bytes, UTF-16 text and
// raw bytes.
#include "ORA/ora_bind_value.h"

#include <cstring>

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

bool is_leap(int year) {
  return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int days_in_month(int year, int month) {
  static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && is_leap(year) ? 29 : days[month - 1];
}

}  // namespace

bool ora_vnu_from_literal(std::wstring_view text, unsigned char out[ora_vnu_bytes]) {
  size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) negative = text[i++] == L'-';
  // Significant digits without leading zeros; `point` counts the digits of
  // the whole part among them (negative for leading zeros of a fraction).
  std::string digits;
  long point = 0;
  size_t seen = 0;
  for (; i < text.size() && is_digit(text[i]); ++i, ++seen) {
    if (digits.empty() && text[i] == L'0') continue;
    digits += static_cast<char>(text[i]);
    ++point;
  }
  if (i < text.size() && text[i] == L'.') {
    for (++i; i < text.size() && is_digit(text[i]); ++i, ++seen) {
      if (digits.empty() && text[i] == L'0') {
        --point;
        continue;
      }
      digits += static_cast<char>(text[i]);
    }
  }
  if (seen == 0) return false;
  if (i < text.size() && (text[i] == L'e' || text[i] == L'E')) {
    ++i;
    bool minus = false;
    if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) minus = text[i++] == L'-';
    long exponent = 0;
    size_t exponent_digits = 0;
    for (; i < text.size() && is_digit(text[i]); ++i, ++exponent_digits) {
      exponent = exponent * 10 + (text[i] - L'0');
      if (exponent > 100000) return false;
    }
    if (exponent_digits == 0) return false;
    point += minus ? -exponent : exponent;
  }
  if (i != text.size()) return false;
  while (!digits.empty() && digits.back() == '0') digits.pop_back();
  std::memset(out, 0, ora_vnu_bytes);
  if (digits.empty()) {
    out[0] = 1;
    out[1] = 0x80;
    return true;
  }
  if (digits.size() > kMaxDigits) return false;
  // value = 0.digits * 10^point; base-100 pairs are aligned at the point.
  if (point % 2 != 0) {
    digits.insert(digits.begin(), '0');
    ++point;
  }
  if (digits.size() % 2 != 0) digits += '0';
  const long exponent = point / 2 - 1;
  if (exponent < kMinExponent || exponent > kMaxExponent) return false;
  const size_t pairs = digits.size() / 2;
  if (pairs > kMaxMantissa) return false;
  size_t n = 1;
  out[n++] = static_cast<unsigned char>(negative ? 62 - exponent : 193 + exponent);
  for (size_t p = 0; p < pairs; ++p) {
    const int pair = (digits[2 * p] - '0') * 10 + (digits[2 * p + 1] - '0');
    out[n++] = static_cast<unsigned char>(negative ? 101 - pair : pair + 1);
  }
  if (negative && pairs < kMaxMantissa) out[n++] = 102;
  out[0] = static_cast<unsigned char>(n - 1);
  return true;
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
  if (year < 1 || month < 1 || month > 12 || day < 1 || day > days_in_month(year, month) ||
      hour > 23 || minute > 59 || second > 59)
    return false;
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
  if (year < 1 || month < 1 || month > 12 || day < 1 || day > days_in_month(year, month) ||
      hour > 23 || minute > 59 || second > 59)
    return false;
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
    if (static_cast<uint32_t>(c) >= 0x10000) {
      const uint32_t v = static_cast<uint32_t>(c) - 0x10000;
      if (v >= 0x100000) return false;
      out += static_cast<char16_t>(0xD800 + (v >> 10));
      out += static_cast<char16_t>(0xDC00 + (v & 0x3FF));
    } else {
      out += static_cast<char16_t>(c);
    }
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
