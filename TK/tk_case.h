// Unicode case mapping of wide characters, independent of the process locale:
// the mappings come from the C runtime's "C.UTF-8" locale, opened once, so a
// program that never calls setlocale still upper-cases ä to Ä. Mappings are
// the simple one-to-one ones (the length never changes): ß has no single
// upper-case letter and stays ß, as the C runtime's towupper leaves it.
// Thread-safe: the locale is opened once and only read afterwards.
#pragma once

#include <string>
#include <string_view>

// Upper case of one character (itself when it has none).
wchar_t tk_upper_char(wchar_t c);
// Lower case of one character (itself when it has none).
wchar_t tk_lower_char(wchar_t c);
// The form two characters share when they differ only in case: lower case of
// the upper case, so ſ, s and S, or ς, σ and Σ, or K, k and the Kelvin sign
// fold alike.
wchar_t tk_fold_char(wchar_t c);
