// tk_wstring::to_upper: in-place upper-casing with its trace line.
#include "TK/tk_wstring.h"

#include "TK/tk_case.h"
#include "TK/tk_trace.h"

std::wstring tk_wstring::to_upper() {
  tk_wtrace(2, L"tk_wstring::to_upper(%s)", static_cast<const std::wstring&>(*this));
  for (wchar_t& c : *this) c = tk_upper_char(c);
  return *this;
}
