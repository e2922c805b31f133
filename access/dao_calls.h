// Small helpers the dao_* classes share around DAO calls: reading a BSTR
// property into wide text, and the VARIANT arguments DAO methods take
// (positions, numbers, a missing optional argument). Each failed call
// raises dao_exception at the given level.
#pragma once

#include <cstdint>
#include <string>

#include "OLE/ole_text.h"
#include "access/dao_exception.h"

// Reads a BSTR out parameter: dao_text([&](BSTR* b) { return f->get_Name(b); }).
template <class F>
std::wstring dao_text(F&& call, int32_t level = TK_LEVEL_RECORD) {
  BSTR text = nullptr;
  const HRESULT hr = call(&text);
  std::wstring result = ole_bstr_to_wide(text);
  SysFreeString(text);
  dao_check(hr, level);
  return result;
}

inline VARIANT dao_long_variant(int32_t value) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_I4;
  v.lVal = value;
  return v;
}

inline VARIANT dao_missing_variant() {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_ERROR;
  v.scode = static_cast<SCODE>(0x80020004u);  // DISP_E_PARAMNOTFOUND
  return v;
}
