// UTF-8 <-> UTF-16 conversions used at the OCI edge and for character
// counting, over the code base's one codec (a header of the toolkit that
// needs nothing of the toolkit's library).
#include "oraemb/utf.h"

#include <cstring>

#include "TK/tk_utf_codec.h"

namespace oraemb {

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
    // Never more units than bytes (a 4-byte sequence gives a pair, an
    // ill-formed subpart of at least one byte one U+FFFD): the buffer holds.
    char32_t cp;
    if (!tk_utf::decode_utf8(text.data(), text.size(), pos, cp)) cp = tk_utf::kReplacement;
    to += tk_utf::encode_utf16(cp, to);
  }
  out.resize(static_cast<size_t>(to - out.data()));
  return out;
}

std::string utf16_to_utf8(const char16_t* text, size_t units) {
  std::string out(units * 3, '\0');  // a surrogate pair is 4 bytes for 2 units
  char* to = out.data();
  for (size_t pos = 0; pos < units;) {
    if (text[pos] < 0x80) {
      *to++ = static_cast<char>(text[pos++]);
      continue;
    }
    char32_t cp;
    if (!tk_utf::decode_utf16(text, units, pos, cp)) cp = tk_utf::kReplacement;
    to += tk_utf::encode_utf8(cp, to);
  }
  out.resize(static_cast<size_t>(to - out.data()));
  return out;
}

void append_utf16_as_utf8(const char* bytes, size_t units, std::string& out) {
  auto unit = [bytes](size_t k) {
    char16_t u;
    std::memcpy(&u, bytes + 2 * k, sizeof u);
    return u;
  };
  const size_t start = out.size();
  out.resize(start + units * 3);  // a surrogate pair is 4 bytes for 2 units
  char* to = out.data() + start;
  for (size_t pos = 0; pos < units;) {
    const char16_t c = unit(pos++);
    if (c < 0x80) {
      *to++ = static_cast<char>(c);
      continue;
    }
    // The pairing rules of tk_utf::decode_utf16: a lone surrogate is one
    // replacement character.
    char32_t cp = c;
    if (c >= 0xD800 && c <= 0xDFFF) {
      const char16_t next = pos < units ? unit(pos) : 0;
      if (c <= 0xDBFF && next >= 0xDC00 && next <= 0xDFFF) {
        cp = 0x10000 + ((char32_t{c} - 0xD800) << 10) + (next - 0xDC00);
        ++pos;
      } else {
        cp = tk_utf::kReplacement;
      }
    }
    to += tk_utf::encode_utf8(cp, to);
  }
  out.resize(static_cast<size_t>(to - out.data()));
}

// Counted by the same decoder as utf8_to_utf16, so that ill-formed input
// counts as the replacement characters it becomes.
size_t utf16_length(const std::string& text) {
  size_t units = 0;
  for (size_t pos = 0; pos < text.size();) {
    if (static_cast<unsigned char>(text[pos]) < 0x80) {
      ++units, ++pos;
      continue;
    }
    char32_t cp;
    units += tk_utf::decode_utf8(text.data(), text.size(), pos, cp) && cp >= 0x10000 ? 2 : 1;
  }
  return units;
}

namespace {

// Decodes the code point at `pos` (moving past it) as utf8_to_utf16 does.
char32_t next_code_point(const std::string& text, size_t& pos) {
  char32_t cp = static_cast<unsigned char>(text[pos]);
  if (cp < 0x80) {
    ++pos;
    return cp;
  }
  if (!tk_utf::decode_utf8(text.data(), text.size(), pos, cp)) cp = tk_utf::kReplacement;
  return cp;
}

// Moves `mark` forward to the last boundary at or before unit `at`.
void seek_units(const std::string& text, size_t at, Utf16Mark& mark) {
  while (mark.bytes < text.size() && mark.units < at) {
    size_t pos = mark.bytes;
    const size_t width = next_code_point(text, pos) >= 0x10000 ? 2 : 1;
    if (mark.units + width > at) break;  // `at` is inside this pair
    mark.units += width;
    mark.bytes = pos;
  }
}

}  // namespace

std::u16string utf16_piece(const std::string& text, size_t at, size_t max_units, Utf16Mark& mark) {
  seek_units(text, at, mark);
  std::u16string out;
  size_t skip = at - mark.units;  // 1 inside a pair
  while (mark.bytes < text.size() && out.size() < max_units) {
    size_t pos = mark.bytes;
    char16_t units[2];
    const size_t width = tk_utf::encode_utf16(next_code_point(text, pos), units);
    for (size_t k = skip; k < width && out.size() < max_units; ++k) out += units[k];
    skip = 0;
    if (mark.units + width > at + out.size()) break;  // ended inside a pair
    mark.units += width;
    mark.bytes = pos;
  }
  return out;
}

std::string utf8_piece(const std::string& text, size_t at, size_t max_units, size_t max_bytes,
                       Utf16Mark& mark, size_t& units) {
  seek_units(text, at, mark);
  std::string out;
  units = 0;
  bool inside_pair = at > mark.units;
  while (mark.bytes < text.size() && units < max_units) {
    size_t pos = mark.bytes;
    char32_t cp = next_code_point(text, pos);
    size_t width = cp >= 0x10000 ? 2 : 1;
    // Half a pair (where the piece starts or ends) is no character.
    const bool half = inside_pair || (width == 2 && units + 1 == max_units);
    if (half) cp = tk_utf::kReplacement;
    char bytes[4];
    const size_t n = tk_utf::encode_utf8(cp, bytes);
    if (out.size() + n > max_bytes) break;
    out.append(bytes, n);
    units += half ? 1 : width;
    if (half && !inside_pair) break;  // the pair's second half begins the next piece
    inside_pair = false;
    mark.units += width;
    mark.bytes = pos;
  }
  return out;
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

void keep_charset_repertoire(std::string& utf8, const std::string& charset) {
  if (charset != "WE8MSWIN1252" && charset != "WE8ISO8859P1" && charset != "US7ASCII") return;
  for (char c : utf8)
    if (static_cast<unsigned char>(c) >= 0x80) {
      utf8 = to_charset_repertoire(utf8, charset);
      return;
    }
}

}  // namespace oraemb
