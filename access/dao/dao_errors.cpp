// DBEngine.Errors (see dao_errors.h).
#include "access/dao/dao_errors.h"

#include "TK/tk_text.h"

HRESULT dao_context::fail(int32_t number, const std::string& description) {
  tk_trace(3, "DAO error %d: %s", int(number), description);
  errors.clear();
  errors.push_back({number, tk_utf8_to_utf16(description), u"DAO.DBEngine"});
  return dao_hresult(number);
}

BSTR dao_bstr_from(const std::u16string& text) {
  return SysAllocStringLen(text.data(), uint32_t(text.size()));
}

std::u16string dao_text_of(BSTR text) {
  return text ? std::u16string(text, SysStringLen(text)) : std::u16string();
}

HRESULT DAOError::get_Number(int32_t* number) {
  if (!number) return E_POINTER;
  *number = entry_.number;
  return S_OK;
}

HRESULT DAOError::get_Description(BSTR* description) {
  if (!description) return E_POINTER;
  *description = dao_bstr_from(entry_.description);
  return S_OK;
}

HRESULT DAOError::get_Source(BSTR* source) {
  if (!source) return E_POINTER;
  *source = dao_bstr_from(entry_.source);
  return S_OK;
}

HRESULT DAOErrors::get_Count(int16_t* count) {
  if (!count) return E_POINTER;
  *count = int16_t(context_->errors.size());
  return S_OK;
}

HRESULT DAOErrors::get_Item(VARIANT index, DAOError** error) {
  if (!error) return E_POINTER;
  *error = nullptr;
  VARIANT i4;
  VariantInit(&i4);
  if (FAILED(VariantChangeType(&i4, &index, 0, VT_I4))) return E_INVALIDARG;
  if (i4.lVal < 0 || size_t(i4.lVal) >= context_->errors.size()) return DISP_E_BADINDEX;
  return dao_ref<DAOError>(new DAOError(context_->errors[size_t(i4.lVal)])).copy_to(error);
}
