// dao_bstr: BSTR ownership for the DAO calls.
#include "access/dao_bstr.h"

#include <new>

#include "OLE/ole_text.h"
#include "TK/tk_text.h"
#include "TK/tk_trace.h"
#include "access/dao/jet_error.h"

namespace {
BSTR checked(BSTR b) {
  if (!b) throw std::bad_alloc();
  return b;
}

// The connect text of OpenDatabase (";pwd=...") is a BSTR too: the trace
// shows passwords as "***".
bool tracing() {
  tk_log* log = tk_detail::active_log();
  return log && log->wants(1);
}
}  // namespace

dao_bstr::dao_bstr(const std::wstring& text) : bstr_(checked(ole_bstr_from_wide(text))) {
  if (tracing())
    tk_wtrace(1, L"dao_bstr::ctor( wstring=%s )",
              tk_to_wide(jet_mask_connect_passwords(tk_to_utf8(text))));
}

dao_bstr::dao_bstr(const std::wstring& text, bool) : bstr_(checked(ole_bstr_from_wide(text))) {
  tk_trace(1, "dao_bstr::ctor( wstring=*** )");
}

dao_bstr::dao_bstr(const std::string& text) : bstr_(checked(ole_bstr_from_utf8(text))) {
  if (tracing()) tk_trace(1, "dao_bstr::ctor( string=%s )", jet_mask_connect_passwords(text));
}

dao_bstr::dao_bstr(const std::u16string& units)
    : bstr_(checked(SysAllocStringLen(units.data(), static_cast<uint32_t>(units.size())))) {
  if (tracing()) tk_trace(1, "dao_bstr::ctor( u16string=%s )", tk_utf16_to_utf8(units));
}

dao_bstr::~dao_bstr() {
  SysFreeString(bstr_);
}

dao_bstr::operator BSTR() const {
  tk_trace(1, "dao_bstr::operator BSTR");
  return bstr_;
}

VARIANT dao_bstr::as_variant() const {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_BSTR;
  v.bstrVal = bstr_;
  return v;
}
