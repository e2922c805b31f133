// The ANSI code page conversions over the strict UTF-8 codecs of tk_text.
#include "TK/tk_codepage.h"

#include "TK/tk_text.h"
#include "TK/tk_trace.h"

bool tk_ansi_to_wide(std::string_view text, std::wstring& out) {
  auto wide = tk_utf8_to_wide(text);
  if (!wide) {
    tk_trace(1, "tk_ansi_to_wide: invalid text of %d bytes", text.size());
    return false;
  }
  out = std::move(*wide);
  return true;
}

bool tk_ansi_to_wide(const char* text, std::wstring& out) {
  return text != nullptr && tk_ansi_to_wide(std::string_view(text), out);
}

bool tk_wide_to_ansi(std::wstring_view text, std::string& out) {
  auto narrow = tk_wide_to_utf8_strict(text);
  if (!narrow) {
    tk_trace(1, "tk_wide_to_ansi: invalid text of %d characters", text.size());
    return false;
  }
  out = std::move(*narrow);
  return true;
}

bool tk_wide_to_ansi(const wchar_t* text, std::string& out) {
  return text != nullptr && tk_wide_to_ansi(std::wstring_view(text), out);
}
