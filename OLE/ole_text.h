// Private text helpers of the values layer: number reading that ignores the
// process locale (a decimal point is always "."), and BSTR <-> UTF-8 / wide
// conversions. Missing from the toolkit; kept here so OLE owns them.
#pragma once

#include <string>
#include <string_view>

#include "OLE/automation/oleauto_types.h"

// atof / atoi / atoll in the C locale: leading blanks and a sign allowed,
// reading stops at the first character that does not fit, 0 when none does.
double ole_atof(const char* text);
int64_t ole_atoll(const char* text);  // saturates at the int64 range
int32_t ole_atoi(const char* text);   // the low 32 bits of ole_atoll, as atoi gives

// A new BSTR of the UTF-16 form of the text; asserts when allocation fails.
BSTR ole_bstr_from_utf8(std::string_view text);
BSTR ole_bstr_from_wide(std::wstring_view text);
BSTR ole_bstr_from_utf16(std::u16string_view text);
std::u16string_view ole_bstr_view(BSTR bstr);  // null gives the empty view
std::string ole_bstr_to_utf8(BSTR bstr);
std::wstring ole_bstr_to_wide(BSTR bstr);
