// Oracle identifier rules for table, column and index names.
#include "ORA/ora_validator.h"

#include <locale.h>
#include <wctype.h>

#include <cwchar>

#include "TK/tk_exception.h"
#include "TK/tk_trace.h"

namespace {
// The C.UTF-8 locale, opened once: the letter test must not depend on the
// locale the program happens to run in.
locale_t unicode_locale() {
  static const locale_t locale = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0));
  return locale;
}
}  // namespace

bool ora_validator::is_letter(wchar_t c) {
  const locale_t locale = unicode_locale();
  if (locale == static_cast<locale_t>(0))
    return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z');
  return iswalpha_l(static_cast<wint_t>(c), locale) != 0;
}

bool ora_validator::is_name_char(wchar_t c) {
  return is_letter(c) || (c >= L'0' && c <= L'9') || c == L'#' || c == L'$' || c == L'_';
}

ora_validator::ora_validator(size_t max_bytes)
    : udb_validator(static_cast<uint32_t>(max_bytes)), max_bytes_(max_bytes) {}

size_t ora_validator::name_bytes(const std::wstring& name) {
  size_t bytes = 0;
  for (wchar_t c : name) {
    const auto u = static_cast<uint32_t>(c);
    bytes += u < 0x80 ? 1 : u < 0x800 ? 2 : u < 0x10000 ? 3 : 4;
  }
  return bytes;
}

std::wstring ora_validator::cut_to_bytes(const std::wstring& name, size_t bytes) {
  std::wstring cut = name;
  size_t size = name_bytes(cut);
  while (!cut.empty() && size > bytes) {
    size -= name_bytes(std::wstring(1, cut.back()));
    cut.pop_back();
  }
  return cut;
}

bool ora_validator::is_acceptable(const std::wstring& name) {
  tk_wtrace(2, L"ora_validator::is_acceptable(%s)", name);
  if (name.empty() || name_bytes(name) > max_bytes_) return false;
  if (!is_letter(name[0])) return false;
  for (wchar_t c : name) {
    if (!is_name_char(c)) {
      tk_wtrace(2, L"Name contains invalid symbol: '%c'", std::wstring(1, c));
      return false;
    }
  }
  return udb_validator::is_acceptable(name);
}

std::wstring ora_validator::get_safe_name(const std::wstring& name) {
  tk_wtrace(2, L"ora_validator::get_safe_name(%s)", name);
  std::wstring safe = name;
  if (safe.empty() || !is_letter(safe[0])) safe = L"A" + safe;
  if (name_bytes(safe) > max_bytes_) safe = cut_to_bytes(safe, max_bytes_ - 1);
  for (wchar_t& c : safe) {
    if (!is_name_char(c)) c = L'_';
  }
  if (is_acceptable(safe) && !is_duplicated(safe)) return safe;
  // Five digits follow; the candidate stays a byte below the limit.
  constexpr size_t kSuffix = 5;
  if (name_bytes(safe) + kSuffix > max_bytes_)
    safe = cut_to_bytes(safe, max_bytes_ > kSuffix ? max_bytes_ - kSuffix - 1 : 0);
  for (int i = 0; i < 100000; ++i) {
    wchar_t digits[8];
    std::swprintf(digits, 8, L"%05d", i);
    const std::wstring candidate = safe + digits;
    if (is_acceptable(candidate) && !is_duplicated(candidate)) return candidate;
  }
  TK_FAIL();
}

ora_fn_validator::ora_fn_validator(const udb_schema& source_fields, size_t max_bytes)
    : ora_validator(max_bytes) {
  tk_trace(2, "ora_fn_validator::ctor1");
  for (const t_ftd* field : source_fields.fields()) used_names().push_back(field->name);
}

ora_fn_validator::ora_fn_validator(const udb_record& record, size_t max_bytes)
    : ora_validator(max_bytes) {
  tk_trace(2, "ora_fn_validator::ctor2");
  for (size_t i = 0; i < record.size(); ++i) used_names().push_back(record[i].name);
}

ora_tn_validator::ora_tn_validator(const std::vector<std::wstring>& source_tables,
                                   const std::vector<std::wstring>& destination_tables,
                                   size_t max_bytes)
    : ora_validator(max_bytes) {
  tk_trace(2, "ora_tn_validator::ctor");
  for (const std::wstring& name : source_tables) used_names().push_back(name);
  for (const std::wstring& name : destination_tables) used_names().push_back(name);
}
