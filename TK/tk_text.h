// Text helpers shared by every layer: UTF-8 / UTF-16 / wide conversions (the
// narrow "ANSI code page" of this system is UTF-8), trimming of spaces, and the
// ordering of wide strings by UTF-16 code units. Invalid input never reads
// past its end: strict conversions report it, lossy ones substitute U+FFFD.
#pragma once

#include <optional>
#include <string>
#include <string_view>

// Strict conversions: nullopt on malformed input (truncated or invalid UTF-8,
// unpaired surrogates).
std::optional<std::wstring> tk_utf8_to_wide(std::string_view text);
std::optional<std::string> tk_wide_to_utf8_strict(std::wstring_view text);
// Lossy conversions: malformed sequences become U+FFFD.
std::wstring tk_to_wide(std::string_view utf8);
std::string tk_to_utf8(std::wstring_view text);

// File names: on Linux a name is bytes, not always UTF-8. A byte that is not
// part of valid UTF-8 is kept in wide text as U+DC00 + the byte (a lone low
// surrogate, which no text holds) and becomes that byte again on the way
// back; everything else converts as UTF-8. The UTF-16 forms keep those units.
std::wstring tk_file_name_to_wide(std::string_view bytes);
std::string tk_file_name_from_wide(std::wstring_view name);
std::u16string tk_file_name_to_utf16(std::wstring_view name);
std::string tk_file_name_from_utf16(std::u16string_view name);

std::u16string tk_wide_to_utf16(std::wstring_view text);
std::wstring tk_utf16_to_wide(std::u16string_view text);
std::u16string tk_utf8_to_utf16(std::string_view utf8);
std::string tk_utf16_to_utf8(std::u16string_view text);

// Spaces (character 32 only) removed at the left, right or both ends.
std::string tk_ltrim(std::string_view s);
std::string tk_rtrim(std::string_view s);
std::string tk_trim(std::string_view s);
std::wstring tk_ltrim(std::wstring_view s);
std::wstring tk_rtrim(std::wstring_view s);
std::wstring tk_trim(std::wstring_view s);

// Orders wide strings by their UTF-16 code units (what the maps of profiles
// and the work list are sorted by): a character above U+FFFF sorts as its
// surrogate pair, that is below U+E000..U+FFFF.
struct tk_utf16_less {
  bool operator()(const std::wstring& a, const std::wstring& b) const;
};

// What trace lines print in place of a password: "***", or nothing for an
// empty one. Trace files must never hold a credential.
std::wstring tk_mask_password(const std::wstring& password);
