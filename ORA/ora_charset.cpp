// Character-set forms of columns and binds, and national text literals.
#include "ORA/ora_charset.h"

#include <algorithm>
#include <cwchar>

#include "ORA/oci/oci_library.h"
#include "ORA/ora_engine.h"
#include "ORA/ora_type.h"
#include "TK/tk_text.h"

namespace {
// UTF-16 units per UNISTR piece: 700 escapes of 5 bytes stay below the
// 4000-byte literal limit.
constexpr size_t kPieceUnits = 700;

bool is_ascii_text(const std::wstring& text) {
  for (wchar_t c : text)
    if (static_cast<uint32_t>(c) > 0x7F) return false;
  return true;
}
}  // namespace

bool is_ora_national(const ora_type& column) {
  return column.charset_form() == SQLCS_NCHAR;
}

void ora_set_bind_charset_form(OCIBind* bind, ub1 form) {
  if (form != SQLCS_NCHAR) return;
  check_oci_status(oci_api().OCIAttrSet(bind, OCI_HTYPE_BIND, &form, 0, OCI_ATTR_CHARSET_FORM,
                                        ora_engine::instance().err()),
                   "OCIAttrSet");
}

void ora_set_define_charset_form(OCIDefine* define, ub1 form) {
  if (form != SQLCS_NCHAR) return;
  check_oci_status(oci_api().OCIAttrSet(define, OCI_HTYPE_DEFINE, &form, 0, OCI_ATTR_CHARSET_FORM,
                                        ora_engine::instance().err()),
                   "OCIAttrSet");
}

std::wstring ora_national_literal(const std::wstring& literal) {
  if (literal.size() < 2 || literal.front() != L'\'' || literal.back() != L'\'') return literal;
  if (is_ascii_text(literal)) return literal;
  // The value: the quotes removed and doubled quotes undone.
  std::wstring value;
  for (size_t i = 1; i + 1 < literal.size(); ++i) {
    value += literal[i];
    if (literal[i] == L'\'' && i + 2 < literal.size() && literal[i + 1] == L'\'') ++i;
  }
  const std::u16string units = tk_wide_to_utf16(value);
  std::wstring out;
  size_t i = 0;
  while (i < units.size()) {
    size_t end = std::min(units.size(), i + kPieceUnits);
    // A surrogate pair stays in one piece.
    if (end < units.size() && units[end - 1] >= 0xD800 && units[end - 1] <= 0xDBFF) --end;
    if (!out.empty()) out += L"||";
    out += L"UNISTR('";
    for (size_t k = i; k < end; ++k) {
      const char16_t u = units[k];
      if (u == u'\'') {
        out += L"''";
      } else if (u > 0x7F || u == u'\\') {
        wchar_t escape[8];
        std::swprintf(escape, 8, L"\\%04X", static_cast<unsigned>(u));
        out += escape;
      } else {
        out += static_cast<wchar_t>(u);
      }
    }
    out += L"')";
    i = end;
  }
  return out;
}
