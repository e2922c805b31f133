// ora_stmt: one OCI statement handle of the session, allocated at
// construction and freed at destruction. Callers may use the handle directly;
// the helpers keep the statement text alive while Oracle may refer to it and
// route every call through the session's status check. Not copyable; used by
// the one thread that runs the session.
#pragma once

#include <string>

#include "oci/oci_types.h"

class ora_stmt {
 public:
  // Allocates the handle from the session's environment (checked).
  ora_stmt();
  ~ora_stmt();
  ora_stmt(const ora_stmt&) = delete;
  ora_stmt& operator=(const ora_stmt&) = delete;

  OCIStmt* handle() const { return stmt_; }

  // OCIStmtPrepare with native syntax; the status is returned unchecked.
  sword prepare_unchecked(const std::wstring& sql);
  // The same, checked.
  void prepare(const std::wstring& sql);
  // OCIStmtExecute on the session's service context, checked; the status
  // (success, success with info or no data) is returned.
  sword execute(ub4 iters, ub4 mode);
  // OCIStmtFetch of one row, next, default mode, checked; 100 at the end.
  sword fetch();
  // OCIDefineByPos, checked.
  OCIDefine* define(ub4 position, void* buffer, sb4 size, ub2 type, sb2* indicator,
                    ub2* returned_length);

 private:
  OCIStmt* stmt_ = nullptr;
  std::u16string sql_;  // the prepared text, kept while the handle lives
};
