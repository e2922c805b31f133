// UTF-8 <-> UTF-16 codec used at the OCI edge and for character counting.
#include "oraemb/utf.h"

namespace oraemb {
namespace {

// Decodes one code point at text[pos], advancing pos; U+FFFD on bad input.
char32_t next_code_point(const std::string& text, size_t& pos) {
  auto byte = static_cast<unsigned char>(text[pos++]);
  if (byte < 0x80) return byte;
  int extra = byte >= 0xF0 ? 3 : byte >= 0xE0 ? 2 : byte >= 0xC0 ? 1 : -1;
  if (extra < 0 || byte >= 0xF8) return 0xFFFD;
  char32_t cp = byte & (0x3F >> extra);
  for (int k = 0; k < extra; ++k) {
    if (pos >= text.size()) return 0xFFFD;
    auto cont = static_cast<unsigned char>(text[pos]);
    if ((cont & 0xC0) != 0x80) return 0xFFFD;
    cp = (cp << 6) | (cont & 0x3F);
    ++pos;
  }
  if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0xFFFD;
  return cp;
}

}  // namespace

// Both conversions write into a buffer sized for the worst case and take
// runs of ASCII without decoding: they carry every SQL text and LOB chunk
// the converter sends, and appending one unit at a time cost more than the
// lexer (callgrind, 20,000-row conversion).
std::u16string utf8_to_utf16(const std::string& text) {
  std::u16string out(text.size(), u'\0');
  char16_t* to = out.data();
  size_t pos = 0;
  while (pos < text.size()) {
    auto byte = static_cast<unsigned char>(text[pos]);
    if (byte < 0x80) {
      *to++ = byte;
      ++pos;
      continue;
    }
    char32_t cp = next_code_point(text, pos);
    if (cp >= 0x10000) {
      cp -= 0x10000;
      *to++ = static_cast<char16_t>(0xD800 + (cp >> 10));
      *to++ = static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    } else {
      *to++ = static_cast<char16_t>(cp);
    }
  }
  out.resize(static_cast<size_t>(to - out.data()));
  return out;
}

std::string utf16_to_utf8(const char16_t* text, size_t units) {
  std::string out(units * 3, '\0');  // a surrogate pair is 4 bytes for 2 units
  char* to = out.data();
  for (size_t pos = 0; pos < units; ++pos) {
    char32_t cp = text[pos];
    if (cp < 0x80) {
      *to++ = static_cast<char>(cp);
      continue;
    }
    if (cp >= 0xD800 && cp <= 0xDBFF && pos + 1 < units && text[pos + 1] >= 0xDC00 &&
        text[pos + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (text[pos + 1] - 0xDC00);
      ++pos;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = 0xFFFD;
    }
    if (cp < 0x800) {
      *to++ = static_cast<char>(0xC0 | (cp >> 6));
      *to++ = static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
      *to++ = static_cast<char>(0xE0 | (cp >> 12));
      *to++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      *to++ = static_cast<char>(0x80 | (cp & 0x3F));
    } else {
      *to++ = static_cast<char>(0xF0 | (cp >> 18));
      *to++ = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
      *to++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      *to++ = static_cast<char>(0x80 | (cp & 0x3F));
    }
  }
  out.resize(static_cast<size_t>(to - out.data()));
  return out;
}

size_t utf16_length(const std::string& text) {
  size_t units = 0;
  for (unsigned char byte : text) {
    if ((byte & 0xC0) != 0x80) units += byte >= 0xF0 ? 2 : 1;
  }
  return units;
}

namespace {
// Windows-1252 0x80..0x9F: the characters it holds there (0: unassigned).
const char16_t kCp1252High[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                  0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                  0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                  0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

bool in_repertoire(char32_t c, const std::string& charset) {
  if (c < 0x80) return true;
  if (charset == "US7ASCII") return false;
  if (charset == "WE8ISO8859P1") return c <= 0xFF;
  // WE8MSWIN1252
  if (c >= 0xA0 && c <= 0xFF) return true;
  for (char16_t k : kCp1252High)
    if (k != 0 && k == c) return true;
  return false;
}
}  // namespace

std::string to_charset_repertoire(const std::string& utf8, const std::string& charset) {
  if (charset != "WE8MSWIN1252" && charset != "WE8ISO8859P1" && charset != "US7ASCII") return utf8;
  bool ascii = true;
  for (char c : utf8) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
  if (ascii) return utf8;
  const std::u16string units = utf8_to_utf16(utf8);
  std::u16string out;
  out.reserve(units.size());
  const char16_t replacement = charset == "US7ASCII" ? u'?' : u'\u00BF';
  for (size_t i = 0; i < units.size(); ++i) {
    char32_t c = units[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < units.size()) ++i;  // a pair: one character
    if (c >= 0xD800 && c <= 0xDFFF) {
      out += replacement;
      continue;
    }
    out += in_repertoire(c, charset) ? static_cast<char16_t>(c) : replacement;
  }
  return utf16_to_utf8(out);
}

}  // namespace oraemb
