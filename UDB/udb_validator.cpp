// udb_validator: acceptability in its fixed order of tests, and the safe-name
// search over numbered candidates.
#include "UDB/udb_validator.h"

#include <algorithm>
#include <cwchar>

#include "TK/tk_compare.h"
#include "TK/tk_exception.h"
#include "TK/tk_trace.h"

namespace {
// Candidates run from base + "00000" to base + "99999".
constexpr int kCandidates = 100000;
constexpr size_t kSuffixLen = 5;
}  // namespace

udb_validator::udb_validator(uint32_t max_len) : max_len_(max_len) {
  tk_trace(2, "udb_validator::ctor");
}

bool udb_validator::is_acceptable(const std::wstring& name) {
  tk_wtrace(2, L"udb_validator::is_acceptable(%s)", name);
  if (max_len_ != 0 && name.size() > max_len_) {
    tk_trace(1, "The name is too long");
    return false;
  }
  for (const std::wstring& r : restricted_) {
    if (tk_wcs_equal_nocase(name, r)) {
      tk_trace(1, "The name is restricted");
      return false;
    }
  }
  for (wchar_t c : illegal_chars_) {
    if (name.find(c) != std::wstring::npos) {
      tk_wtrace(1, L"The name contains illegal: %c", c);
      return false;
    }
  }
  return true;
}

bool udb_validator::is_duplicated(const std::wstring& name) {
  tk_wtrace(2, L"udb_validator::is_duplicated(%s)", name);
  for (const std::wstring& used : used_names_) {
    tk_wtrace(1, L"Processing %s", used);
    if (tk_wcs_equal_nocase(name, used)) return true;
  }
  return false;
}

std::wstring udb_validator::get_safe_name(const std::wstring& name) {
  tk_wtrace(2, L"udb_validator::get_safe_name(%s)", name);
  const size_t n = max_len_;
  std::wstring safe = name;
  if (n != 0 && safe.size() > n) safe.resize(n - 1);
  for (wchar_t c : illegal_chars_) std::replace(safe.begin(), safe.end(), c, L'_');
  if (is_acceptable(safe) && !is_duplicated(safe)) return safe;

  // Leave room for the five digits within max_len - 1 characters. Below a
  // limit of 6 the base is empty rather than cut to a wrapped-around length.
  if (n != 0 && safe.size() + kSuffixLen > n) safe.resize(n > kSuffixLen ? n - kSuffixLen - 1 : 0);
  for (int i = 0; i < kCandidates; ++i) {
    wchar_t digits[8];
    std::swprintf(digits, 8, L"%05d", i);
    const std::wstring candidate = safe + digits;
    if (is_acceptable(candidate) && !is_duplicated(candidate)) return candidate;
  }
  TK_FAIL();
}

void udb_validator::add_mapped_pair(const std::wstring& source, const std::wstring& generated) {
  tk_wtrace(2, L"udb_validator::add_mapped_pair(%s,%s)", source, generated);
  mapped_pairs_.add(source, generated);
}
