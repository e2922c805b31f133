// ora_stmt: the statement handle and its checked prepare, execute, define
// and fetch.
#include "ORA/ora_stmt.h"

#include "ORA/oci/oci_library.h"
#include "ORA/ora_engine.h"
#include "TK/tk_text.h"
#include "TK/tk_trace.h"

ora_stmt::ora_stmt() {
  tk_trace(2, "ora_stmt::ctor");
  ora_engine& engine = ora_engine::instance();
  void* handle = nullptr;
  check_oci_status(oci_api().OCIHandleAlloc(engine.env(), &handle, OCI_HTYPE_STMT, 0, nullptr),
                   "OCIHandleAlloc");
  stmt_ = static_cast<OCIStmt*>(handle);
}

ora_stmt::~ora_stmt() {
  tk_trace(2, "ora_stmt::dtor");
  if (stmt_ != nullptr) oci_api().OCIHandleFree(stmt_, OCI_HTYPE_STMT);
  tk_trace(2, "ora_stmt::dtor - END");
}

sword ora_stmt::prepare_unchecked(const std::wstring& sql) {
  sql_ = tk_wide_to_utf16(sql);
  return oci_api().OCIStmtPrepare(stmt_, ora_engine::instance().err(),
                                  reinterpret_cast<const OraText*>(sql_.c_str()),
                                  static_cast<ub4>(sql_.size() * 2), OCI_NTV_SYNTAX, OCI_DEFAULT);
}

void ora_stmt::prepare(const std::wstring& sql) {
  check_oci_status(prepare_unchecked(sql), "OCIStmtPrepare");
}

sword ora_stmt::execute(ub4 iters, ub4 mode) {
  ora_engine& engine = ora_engine::instance();
  const sword status =
      oci_api().OCIStmtExecute(engine.svc(), stmt_, engine.err(), iters, 0, nullptr, nullptr, mode);
  check_oci_status(status, "OCIStmtExecute");
  return status;
}

sword ora_stmt::fetch() {
  const sword status =
      oci_api().OCIStmtFetch(stmt_, ora_engine::instance().err(), 1, OCI_FETCH_NEXT, OCI_DEFAULT);
  check_oci_status(status, "OCIStmtFetch");
  return status;
}

OCIDefine* ora_stmt::define(ub4 position, void* buffer, sb4 size, ub2 type, sb2* indicator,
                            ub2* returned_length) {
  OCIDefine* def = nullptr;
  check_oci_status(
      oci_api().OCIDefineByPos(stmt_, &def, ora_engine::instance().err(), position, buffer, size,
                               type, indicator, returned_length, nullptr, OCI_DEFAULT),
      "OCIDefineByPos");
  return def;
}
