// Case mapping through a locale object of our own (newlocale), so that the
// result never depends on whether or how the program called setlocale.
#include "TK/tk_case.h"

#include <locale.h>
#include <wctype.h>

#include "TK/tk_trace.h"

namespace {

// Opened once and kept for the life of the process. glibc ships "C.UTF-8"
// built in since 2.35; the other names cover older or trimmed systems. When
// none opens, the process locale is used and the trace says so.
locale_t case_locale() {
  static const locale_t loc = [] {
    for (const char* name : {"C.UTF-8", "C.utf8", "en_US.UTF-8"}) {
      if (locale_t l = newlocale(LC_CTYPE_MASK, name, static_cast<locale_t>(nullptr))) return l;
    }
    tk_trace(3, "No UTF-8 locale available: case mapping falls back to the process locale");
    return static_cast<locale_t>(nullptr);
  }();
  return loc;
}

}  // namespace

wchar_t tk_upper_char(wchar_t c) {
  if (c >= 0 && c < 0x80) return (c >= L'a' && c <= L'z') ? c - (L'a' - L'A') : c;
  const locale_t loc = case_locale();
  return static_cast<wchar_t>(loc ? towupper_l(static_cast<wint_t>(c), loc)
                                  : towupper(static_cast<wint_t>(c)));
}

wchar_t tk_lower_char(wchar_t c) {
  if (c >= 0 && c < 0x80) return (c >= L'A' && c <= L'Z') ? c + (L'a' - L'A') : c;
  const locale_t loc = case_locale();
  return static_cast<wchar_t>(loc ? towlower_l(static_cast<wint_t>(c), loc)
                                  : towlower(static_cast<wint_t>(c)));
}

wchar_t tk_fold_char(wchar_t c) {
  return tk_lower_char(tk_upper_char(c));
}
