// Conversions between the narrow "ANSI code page" and wide text. On this
// platform the ANSI code page, the system one (CP_ACP) and the thread's one
// (CP_THREAD_ACP) alike, is UTF-8, so both kinds of caller use these. They
// answer false, leaving `out` untouched, for a null input or for text that is
// not valid in the target encoding (truncated or malformed UTF-8, unpaired
// surrogates); they never read past the end of the input. Wide text to UTF-8
// with substitution of bad characters is tk_to_utf8 (tk_text.h).
#pragma once

#include <string>
#include <string_view>

// A null `text` answers false; otherwise it must be zero-terminated.
bool tk_ansi_to_wide(const char* text, std::wstring& out);
bool tk_ansi_to_wide(std::string_view text, std::wstring& out);
bool tk_wide_to_ansi(const wchar_t* text, std::string& out);
bool tk_wide_to_ansi(std::wstring_view text, std::string& out);
