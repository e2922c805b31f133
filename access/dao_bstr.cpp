// dao_bstr: BSTR ownership for the DAO calls.
#include "access/dao_bstr.h"

#include <new>

#include "OLE/ole_text.h"
#include "TK/tk_trace.h"

namespace {
BSTR checked(BSTR b) {
  if (!b) throw std::bad_alloc();
  return b;
}
}  // namespace

dao_bstr::dao_bstr(const std::wstring& text) : bstr_(checked(ole_bstr_from_wide(text))) {
  tk_wtrace(1, L"dao_bstr::ctor( wstring=%s )", text);
}

dao_bstr::dao_bstr(const std::string& text) : bstr_(checked(ole_bstr_from_utf8(text))) {
  tk_trace(1, "dao_bstr::ctor( string=%s )", text);
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
