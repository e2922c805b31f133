// The one case-insensitive comparison of wide text (what a Windows build would
// ask of CompareStringW with NORM_IGNORECASE): every comparison of table,
// column and index names "without regard to case" goes through here. It is
// Unicode-aware (Ä equals ä, Σ equals σ and ς) and independent of the process
// locale. The order it gives is that of the folded code points, not a
// linguistic collation; callers rely only on equality and a stable order.
#pragma once

#include <string>
#include <string_view>

// <0, 0 or >0 as a is below, equal to or above b ignoring case.
int tk_wcs_compare_nocase(std::wstring_view a, std::wstring_view b);
// True when the texts differ at most in case.
bool tk_wcs_equal_nocase(std::wstring_view a, std::wstring_view b);

// Orders keys ignoring case, for maps whose keys must be unique in any case.
struct tk_nocase_less {
  bool operator()(std::wstring_view a, std::wstring_view b) const {
    return tk_wcs_compare_nocase(a, b) < 0;
  }
  using is_transparent = void;
};
