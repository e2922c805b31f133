// Case-insensitive comparison by folded characters (tk_case.h), one character
// at a time: no copies of the texts are made.
#include "TK/tk_compare.h"

#include <cstdint>

#include "TK/tk_case.h"

int tk_wcs_compare_nocase(std::wstring_view a, std::wstring_view b) {
  const size_t n = a.size() < b.size() ? a.size() : b.size();
  for (size_t i = 0; i < n; ++i) {
    if (a[i] == b[i]) continue;
    const auto fa = static_cast<uint32_t>(tk_fold_char(a[i]));
    const auto fb = static_cast<uint32_t>(tk_fold_char(b[i]));
    if (fa != fb) return fa < fb ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

bool tk_wcs_equal_nocase(std::wstring_view a, std::wstring_view b) {
  return a.size() == b.size() && tk_wcs_compare_nocase(a, b) == 0;
}
