// Wide text with the upper-casing operation of the toolkit. It is a
// std::wstring in every other respect (no added state), so it converts both
// ways freely. Not thread-safe beyond what std::wstring is.
#pragma once

#include <string>

class tk_wstring : public std::wstring {
 public:
  using std::wstring::wstring;
  tk_wstring() = default;
  tk_wstring(const std::wstring& s) : std::wstring(s) {}
  tk_wstring(std::wstring&& s) : std::wstring(std::move(s)) {}

  // Upper-cases the text in place (Unicode simple mappings, tk_case.h) and
  // returns a copy of the result.
  std::wstring to_upper();
};
