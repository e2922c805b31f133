// One-dimensional SAFEARRAYs of 1-byte elements: the header and the data are
// separate heap blocks so that SafeArrayRedim can grow the data in place of
// the header. Locks count SafeArrayAccessData calls; a locked array can be
// neither resized nor destroyed.
#include <cstdlib>
#include <cstring>

#include "OLE/automation/oleauto.h"

namespace {

constexpr uint16_t kFeatureHaveVartype = 0x0080;  // FADF_HAVEVARTYPE

bool is_byte_type(VARTYPE vt) {
  return vt == VT_UI1 || vt == VT_I1;
}

// The element type is kept in fFeatures' spare bits: this layer only creates
// byte arrays, so one bit tells VT_I1 from VT_UI1.
constexpr uint16_t kFeatureSigned = 0x8000;

SAFEARRAY* make_array(VARTYPE vt, int32_t lower, uint32_t count) {
  if (!is_byte_type(vt)) return nullptr;
  auto* array = static_cast<SAFEARRAY*>(std::calloc(1, sizeof(SAFEARRAY)));
  if (!array) return nullptr;
  // calloc(0) may answer null; allocate at least one byte so pvData is set.
  array->pvData = std::calloc(count ? count : 1, 1);
  if (!array->pvData) {
    std::free(array);
    return nullptr;
  }
  array->cDims = 1;
  array->fFeatures = kFeatureHaveVartype | (vt == VT_I1 ? kFeatureSigned : 0);
  array->cbElements = 1;
  array->rgsabound[0].cElements = count;
  array->rgsabound[0].lLbound = lower;
  return array;
}

bool usable(const SAFEARRAY* array) {
  return array && array->cDims == 1 && array->cbElements == 1 && array->pvData;
}

}  // namespace

SAFEARRAY* SafeArrayCreate(VARTYPE vt, uint32_t dims, SAFEARRAYBOUND* bounds) {
  if (dims != 1 || !bounds) return nullptr;
  return make_array(vt, bounds[0].lLbound, bounds[0].cElements);
}

SAFEARRAY* SafeArrayCreateVector(VARTYPE vt, int32_t lower_bound, uint32_t elements) {
  return make_array(vt, lower_bound, elements);
}

HRESULT SafeArrayDestroy(SAFEARRAY* array) {
  if (!array) return S_OK;
  if (array->cLocks > 0) return DISP_E_ARRAYISLOCKED;
  std::free(array->pvData);
  std::free(array);
  return S_OK;
}

HRESULT SafeArrayRedim(SAFEARRAY* array, SAFEARRAYBOUND* new_bound) {
  if (!usable(array) || !new_bound) return E_INVALIDARG;
  if (array->cLocks > 0) return DISP_E_ARRAYISLOCKED;
  const uint32_t old_count = array->rgsabound[0].cElements;
  const uint32_t count = new_bound->cElements;
  void* data = std::realloc(array->pvData, count ? count : 1);
  if (!data) return E_OUTOFMEMORY;
  if (count > old_count) std::memset(static_cast<char*>(data) + old_count, 0, count - old_count);
  array->pvData = data;
  array->rgsabound[0].cElements = count;
  array->rgsabound[0].lLbound = new_bound->lLbound;
  return S_OK;
}

HRESULT SafeArrayCopy(SAFEARRAY* array, SAFEARRAY** out) {
  if (!out) return E_INVALIDARG;
  *out = nullptr;
  if (!array) return S_OK;
  if (!usable(array)) return E_INVALIDARG;
  VARTYPE vt = VT_UI1;
  SafeArrayGetVartype(array, &vt);
  SAFEARRAY* copy = make_array(vt, array->rgsabound[0].lLbound, array->rgsabound[0].cElements);
  if (!copy) return E_OUTOFMEMORY;
  if (array->rgsabound[0].cElements)
    std::memcpy(copy->pvData, array->pvData, array->rgsabound[0].cElements);
  *out = copy;
  return S_OK;
}

uint32_t SafeArrayGetDim(SAFEARRAY* array) {
  return array ? array->cDims : 0;
}

uint32_t SafeArrayGetElemsize(SAFEARRAY* array) {
  return array ? array->cbElements : 0;
}

HRESULT SafeArrayGetLBound(SAFEARRAY* array, uint32_t dim, int32_t* lower) {
  if (!array || !lower) return E_INVALIDARG;
  if (dim != 1 || array->cDims != 1) return DISP_E_BADINDEX;
  *lower = array->rgsabound[0].lLbound;
  return S_OK;
}

HRESULT SafeArrayGetUBound(SAFEARRAY* array, uint32_t dim, int32_t* upper) {
  if (!array || !upper) return E_INVALIDARG;
  if (dim != 1 || array->cDims != 1) return DISP_E_BADINDEX;
  const int64_t ub =
      int64_t{array->rgsabound[0].lLbound} + int64_t{array->rgsabound[0].cElements} - 1;
  *upper = static_cast<int32_t>(ub);
  return S_OK;
}

HRESULT SafeArrayGetVartype(SAFEARRAY* array, VARTYPE* vt) {
  if (!array || !vt) return E_INVALIDARG;
  *vt = (array->fFeatures & kFeatureSigned) ? VT_I1 : VT_UI1;
  return S_OK;
}

HRESULT SafeArrayAccessData(SAFEARRAY* array, void** data) {
  if (!array || !data) return E_INVALIDARG;
  ++array->cLocks;
  *data = array->pvData;
  return S_OK;
}

HRESULT SafeArrayUnaccessData(SAFEARRAY* array) {
  if (!array) return E_INVALIDARG;
  if (array->cLocks == 0) return E_UNEXPECTED;
  --array->cLocks;
  return S_OK;
}
