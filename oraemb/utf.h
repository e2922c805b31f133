// UTF-8 <-> UTF-16 conversion without locale dependence. The engine keeps all
// text in UTF-8 (SQLite's own encoding); the OCI edge converts to the
// environment's character set. Invalid input is replaced, never rejected.
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

}  // namespace oraemb
