// DAOUnknown and the VARIANT object helpers (see dao_com.h).
#include "access/dao/dao_com.h"

HRESULT DAOUnknown::QueryInterface(const dao_guid& iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (iid == IID_IUnknown || iid == IID_IDispatch) {
    AddRef();
    *out = this;
    return S_OK;
  }
  return E_NOINTERFACE;
}

void dao_variant_set_object(VARIANT* v, DAOUnknown* object) {
  VariantInit(v);
  v->vt = VT_DISPATCH;
  v->byref = object;
  if (object) object->AddRef();
}

DAOUnknown* dao_variant_object(const VARIANT* v) {
  if (!v || (v->vt != VT_DISPATCH && v->vt != VT_UNKNOWN)) return nullptr;
  return static_cast<DAOUnknown*>(v->byref);
}

HRESULT dao_variant_clear(VARIANT* v) {
  if (!v) return E_POINTER;
  if (v->vt == VT_DISPATCH || v->vt == VT_UNKNOWN) {
    if (auto* object = static_cast<DAOUnknown*>(v->byref)) object->Release();
    VariantInit(v);
    return S_OK;
  }
  return VariantClear(v);
}
