// Locale-free number reading and BSTR text conversions for the values layer.
#include "OLE/ole_text.h"

#include <locale.h>

#include <cerrno>
#include <cstdlib>

#include "OLE/automation/oleauto.h"
#include "TK/tk_exception.h"
#include "TK/tk_text.h"

namespace {

locale_t c_locale() {
  static const locale_t locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  return locale;
}

}  // namespace

double ole_atof(const char* text) {
  if (!text) return 0;
  return strtod_l(text, nullptr, c_locale());
}

int64_t ole_atoll(const char* text) {
  if (!text) return 0;
  return strtoll_l(text, nullptr, 10, c_locale());  // saturates on overflow
}

int32_t ole_atoi(const char* text) {
  return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(ole_atoll(text))));
}

BSTR ole_bstr_from_utf16(std::u16string_view text) {
  const BSTR bstr = SysAllocStringLen(text.data(), static_cast<uint32_t>(text.size()));
  TK_ASSERT(bstr != nullptr);
  return bstr;
}

BSTR ole_bstr_from_utf8(std::string_view text) {
  return ole_bstr_from_utf16(tk_utf8_to_utf16(text));
}

BSTR ole_bstr_from_wide(std::wstring_view text) {
  return ole_bstr_from_utf16(tk_wide_to_utf16(text));
}

std::u16string_view ole_bstr_view(BSTR bstr) {
  if (!bstr) return {};
  return std::u16string_view(bstr, SysStringLen(bstr));
}

std::string ole_bstr_to_utf8(BSTR bstr) {
  return tk_utf16_to_utf8(ole_bstr_view(bstr));
}

std::wstring ole_bstr_to_wide(BSTR bstr) {
  return tk_utf16_to_wide(ole_bstr_view(bstr));
}
