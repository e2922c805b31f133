// dao_exception: reading DBEngine.Errors after a failed DAO call.
#include "access/dao_exception.h"

#include "OLE/ole_text.h"
#include "TK/tk_trace.h"
#include "access/dao/dao.h"
#include "access/dao_engine.h"
#include "access/ole_com_ptr.h"

namespace {
[[noreturn]] void step_failed(int step) {
  tk_trace(3, "Failed on step #%d", step);
  throw tk_exception("Failed to read the DAO error (step #" + std::to_string(step) + ")",
                     TK_LEVEL_RUN);
}
}  // namespace

dao_exception::error_info dao_exception::read_errors() {
  tk_trace(2, "dao_exception::dao_exception");
  dao_engine& engine = dao_engine::instance();
  error_info info;
  ole_com_ptr<DAOErrors> errors;
  if (!engine.dbengine() || FAILED(engine.dbengine()->get_Errors(errors.out())) || !errors)
    step_failed(1);
  ole_com_ptr<DAOError> error;
  VARIANT first;
  VariantInit(&first);
  first.vt = VT_I4;
  first.lVal = 0;
  if (FAILED(errors->get_Item(first, error.out())) || !error) step_failed(2);
  BSTR description = nullptr;
  if (FAILED(error->get_Description(&description))) step_failed(3);
  info.description = ole_bstr_to_utf8(description);
  SysFreeString(description);
  tk_trace(3, "Got error: %s", info.description);
  if (FAILED(error->get_Number(&info.number))) step_failed(4);
  return info;
}

dao_exception::dao_exception(int32_t level) : dao_exception(read_errors(), level) {}

dao_exception::dao_exception(const error_info& info, int32_t level)
    : tk_exception(info.description, kCodeBase | (info.number & 0xFFFF), level) {
  tk_trace(1, "Got error code: %08X", static_cast<uint32_t>(code()));
}

void dao_check_object(const void* object, const char* what, int32_t level) {
  if (object) return;
  tk_trace(3, "DAO call succeeded without an object: %s", what);
  throw tk_exception(std::string("The DAO engine gave no ") + what + ".", level);
}
