// UTF-8 <-> UTF-16 conversion without locale dependence. The engine keeps all
// text in UTF-8 (SQLite's own encoding); the OCI edge converts to the
// environment's character set. Invalid input is replaced (one U+FFFD per
// ill-formed subpart, by the rules of TK/tk_utf_codec.h), never rejected.
#pragma once

#include <cstddef>
#include <string>

namespace oraemb {

std::u16string utf8_to_utf16(const std::string& text);
std::string utf16_to_utf8(const char16_t* text, size_t units);
inline std::string utf16_to_utf8(const std::u16string& text) {
  return utf16_to_utf8(text.data(), text.size());
}
// Number of UTF-16 code units the UTF-8 text needs (how Oracle counts
// NVARCHAR2 and CLOB characters in AL16UTF16).
size_t utf16_length(const std::string& text);

// The text as a database of that character set stores it (in UTF-8 again):
// every character the set cannot hold becomes its replacement character,
// '\u00BF' for the single-byte Western sets and '?' for US7ASCII, as an
// Oracle server does when statement text or implicit-form binds reach a
// database character set. AL32UTF8, UTF8 and unknown names keep the text.
std::string to_charset_repertoire(const std::string& utf8, const std::string& charset);

}  // namespace oraemb
