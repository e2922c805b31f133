// ora_get_rowid: runs one INSERT of a record with RETURNING ROWID INTO :1 and
// hands back the new row's ROWID, received through a dynamic out-bind. The
// INSERT commits at once (OCI_COMMIT_ON_SUCCESS), so every record that is in
// the table stays there when a run stops. One per table; its statement
// handle is reused for every record. Single-threaded.
#pragma once

#include <string>

#include "ORA/ora_stmt.h"
#include "oci/oci_types.h"

class ora_get_rowid {
 public:
  // Bytes of the ROWID buffer (UTF-16 text and its terminating null): a
  // logical ROWID (index-organized tables) has up to 4000 characters.
  static constexpr ub4 kBufferBytes = 8002;

  ora_get_rowid();

  // Appends ") RETURNING ROWID INTO :1" to `insert_sql` (an INSERT ...
  // VALUES( text without its closing parenthesis), runs it and answers the
  // ROWID text; ora_exception on an Oracle error.
  std::wstring do_insert(const std::wstring& insert_sql);

 private:
  static sb4 cbf_no_data(void* ctx, OCIBind* bind, ub4 iter, ub4 index, void** bufpp, ub4* alenp,
                         ub1* piecep, void** indpp);
  static sb4 cbf_get_data(void* ctx, OCIBind* bind, ub4 iter, ub4 index, void** bufpp, ub4** alenpp,
                          ub1* piecep, void** indpp, ub2** rcodepp);

  ora_stmt stmt_;
  std::u16string buffer_ = std::u16string(kBufferBytes / 2, u'\0');
  ub4 length_ = kBufferBytes;
};
