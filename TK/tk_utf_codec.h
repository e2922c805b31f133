// The one UTF-8 / UTF-16 codec of the code base: decoding and encoding of a
// single code point, header-only and free of everything but the standard
// library, so that the toolkit's text functions and the embedded engine
// (which links no other layer) share the same rules.
//
// A UTF-8 sequence is well formed only as the Unicode standard's table 3-7
// allows: no overlong forms (C0, C1, E0 80..9F, F0 80..8F), no surrogates
// (ED A0..BF), nothing above U+10FFFF (F4 90.., F5..FF). An ill-formed
// sequence is skipped as one "maximal subpart" (the longest prefix that could
// have begun a well-formed sequence, at least one byte), which is where a
// lossy conversion puts one U+FFFD.
#pragma once

#include <cstddef>
#include <string>

namespace tk_utf {

inline constexpr char32_t kReplacement = 0xFFFD;

// A Unicode scalar value: a code point that is not a surrogate.
constexpr bool is_scalar(char32_t cp) {
  return cp <= 0x10FFFF && !(cp >= 0xD800 && cp <= 0xDFFF);
}

// Decodes the sequence at s[i] (i < n). Well formed: sets cp, moves i past it
// and returns true. Ill formed: moves i past the maximal subpart and returns
// false. Never reads s[n] or beyond.
inline bool decode_utf8(const char* s, size_t n, size_t& i, char32_t& cp) {
  const auto b0 = static_cast<unsigned char>(s[i]);
  if (b0 < 0x80) {
    cp = b0;
    ++i;
    return true;
  }
  size_t len;
  unsigned char lo = 0x80, hi = 0xBF;  // range of the second byte
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    len = 2, cp = b0 & 0x1F;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    len = 3, cp = b0 & 0x0F;
    if (b0 == 0xE0) lo = 0xA0;  // overlong below U+0800
    if (b0 == 0xED) hi = 0x9F;  // surrogates
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    len = 4, cp = b0 & 0x07;
    if (b0 == 0xF0) lo = 0x90;  // overlong below U+10000
    if (b0 == 0xF4) hi = 0x8F;  // above U+10FFFF
  } else {
    ++i;  // a continuation byte, C0, C1 or F5..FF
    return false;
  }
  size_t k = 1;
  for (; k < len; ++k) {
    if (i + k >= n) break;
    const auto b = static_cast<unsigned char>(s[i + k]);
    const bool ok = k == 1 ? b >= lo && b <= hi : (b & 0xC0) == 0x80;
    if (!ok) break;
    cp = (cp << 6) | (b & 0x3F);
  }
  i += k;
  return k == len;
}

// Writes cp (a scalar value) as UTF-8 at out, which has room for four bytes;
// returns the number of bytes written.
inline size_t encode_utf8(char32_t cp, char* out) {
  if (cp < 0x80) {
    out[0] = static_cast<char>(cp);
    return 1;
  }
  if (cp < 0x800) {
    out[0] = static_cast<char>(0xC0 | (cp >> 6));
    out[1] = static_cast<char>(0x80 | (cp & 0x3F));
    return 2;
  }
  if (cp < 0x10000) {
    out[0] = static_cast<char>(0xE0 | (cp >> 12));
    out[1] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out[2] = static_cast<char>(0x80 | (cp & 0x3F));
    return 3;
  }
  out[0] = static_cast<char>(0xF0 | (cp >> 18));
  out[1] = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
  out[2] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
  out[3] = static_cast<char>(0x80 | (cp & 0x3F));
  return 4;
}

inline void append_utf8(char32_t cp, std::string& out) {
  char buf[4];
  out.append(buf, encode_utf8(cp, buf));
}

// Decodes the UTF-16 unit or surrogate pair at s[i] (i < n), moving i past
// it. An unpaired surrogate moves i by one and returns false.
inline bool decode_utf16(const char16_t* s, size_t n, size_t& i, char32_t& cp) {
  const char32_t c = s[i++];
  if (c < 0xD800 || c > 0xDFFF) {
    cp = c;
    return true;
  }
  if (c <= 0xDBFF && i < n && s[i] >= 0xDC00 && s[i] <= 0xDFFF) {
    cp = 0x10000 + ((c - 0xD800) << 10) + (s[i++] - 0xDC00);
    return true;
  }
  return false;
}

// Writes cp (a scalar value) as UTF-16 at out, which has room for two units;
// returns the number of units written.
inline size_t encode_utf16(char32_t cp, char16_t* out) {
  if (cp < 0x10000) {
    out[0] = static_cast<char16_t>(cp);
    return 1;
  }
  cp -= 0x10000;
  out[0] = static_cast<char16_t>(0xD800 + (cp >> 10));
  out[1] = static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
  return 2;
}

}  // namespace tk_utf
