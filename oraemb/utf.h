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
// UTF-16 in native byte order at any alignment (a caller's bind buffer),
// `units` code units of it, converted as utf16_to_utf8 does and appended to
// `out`.
void append_utf16_as_utf8(const char* bytes, size_t units, std::string& out);
// Number of UTF-16 code units the UTF-8 text needs (how Oracle counts
// NVARCHAR2 and CLOB characters in AL16UTF16).
size_t utf16_length(const std::string& text);

// A code point boundary of UTF-8 text, counted in bytes and in UTF-16 code
// units: where a piecewise read of a long text stopped, so that the next
// piece is found from there and not from the beginning.
struct Utf16Mark {
  size_t units = 0;
  size_t bytes = 0;
};

// A piece of UTF-8 `text` read by UTF-16 unit offsets: the units from `at`
// on, at most `max_units` of them, as UTF-16 (utf16_piece) or as UTF-8
// whole characters of at most `max_bytes` bytes (utf8_piece, which sets
// `units` to the units it covers). `mark` is a boundary at or before `at`
// where the walk starts (a default one: the beginning); it is moved to the
// last boundary at or before the end of the piece. Offsets inside a
// surrogate pair give its halves, as a copy of the UTF-16 units would;
// nothing when `at` is past the end. Each piece costs its own length plus
// the distance from `mark` to `at`.
std::u16string utf16_piece(const std::string& text, size_t at, size_t max_units, Utf16Mark& mark);
std::string utf8_piece(const std::string& text, size_t at, size_t max_units, size_t max_bytes,
                       Utf16Mark& mark, size_t& units);

// The text as a database of that character set stores it (in UTF-8 again):
// every character the set cannot hold becomes its replacement character,
// '\u00BF' for the single-byte Western sets and '?' for US7ASCII, as an
// Oracle server does when statement text or implicit-form binds reach a
// database character set. AL32UTF8, UTF8 and unknown names keep the text.
std::string to_charset_repertoire(const std::string& utf8, const std::string& charset);
// The same change made to `utf8` itself; nothing is copied when the text
// is already in the set's repertoire.
void keep_charset_repertoire(std::string& utf8, const std::string& charset);

}  // namespace oraemb
