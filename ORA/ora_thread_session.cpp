// A session of its own for a thread: logon, binding and logoff.
#include "ORA/ora_thread_session.h"

#include "ORA/oci/oci_library.h"
#include "TK/tk_exception.h"
#include "TK/tk_text.h"
#include "TK/tk_trace.h"

namespace {
const OraText* text_ptr(const std::u16string& text) {
  return reinterpret_cast<const OraText*>(text.c_str());
}
ub4 bytes(const std::u16string& text) {
  return static_cast<ub4>(text.size() * 2);
}
}  // namespace

ora_thread_session::ora_thread_session(const ora_engine& engine) {
  tk_wtrace(2, L"ora_thread_session::ctor(%s)", engine.data_source());
  const oci_functions& oci = oci_api();
  const sword created =
      oci.OCIEnvCreate(&handles_.env, OCI_UTF16, nullptr, nullptr, nullptr, nullptr, 0, nullptr);
  if (created != OCI_SUCCESS && created != OCI_SUCCESS_WITH_INFO) {
    close();
    throw tk_exception(std::string("The Oracle client could not start another session."),
                       TK_LEVEL_RUN);
  }
  void* handle = nullptr;
  if (oci.OCIHandleAlloc(handles_.env, &handle, OCI_HTYPE_ERROR, 0, nullptr) != OCI_SUCCESS ||
      handle == nullptr) {
    close();
    throw tk_exception(std::string("The Oracle client could not allocate an error handle."),
                       TK_LEVEL_RUN);
  }
  handles_.err = static_cast<OCIError*>(handle);
  // Bound before the logon, so that its error is read from this session's
  // error handle.
  ora_engine::bind_thread_session(&handles_);
  const std::u16string u = tk_wide_to_utf16(engine.user()), p = tk_wide_to_utf16(engine.password()),
                       d = tk_wide_to_utf16(engine.data_source());
  OCISvcCtx* svc = nullptr;
  const sword status = oci.OCILogon(handles_.env, handles_.err, &svc, text_ptr(u), bytes(u),
                                    text_ptr(p), bytes(p), text_ptr(d), bytes(d));
  try {
    check_oci_status(status, "OCILogon");
  } catch (...) {
    close();
    throw;
  }
  handles_.svc = svc;
}

ora_thread_session::~ora_thread_session() {
  tk_trace(2, "ora_thread_session::dtor");
  close();
}

void ora_thread_session::close() noexcept {
  ora_engine::bind_thread_session(nullptr);
  const oci_functions& oci = oci_api();
  if (handles_.svc != nullptr && oci.OCILogoff(handles_.svc, handles_.err) == OCI_ERROR)
    tk_trace(3, "OCILogoff of a thread's session failed");
  handles_.svc = nullptr;
  if (handles_.err != nullptr) oci.OCIHandleFree(handles_.err, OCI_HTYPE_ERROR);
  handles_.err = nullptr;
  if (handles_.env != nullptr) oci.OCIHandleFree(handles_.env, OCI_HTYPE_ENV);
  handles_.env = nullptr;
}

ora_thread_database::ora_thread_database(const ora_engine& engine)
    : thread_session_holder(engine), ora_database(engine.data_source()) {}
