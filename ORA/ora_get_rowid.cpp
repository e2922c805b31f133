// ora_get_rowid: the committed INSERT of one record and its ROWID.
#include "ORA/ora_get_rowid.h"

#include "ORA/oci/oci_library.h"
#include "ORA/ora_engine.h"
#include "TK/tk_exception.h"
#include "TK/tk_format.h"
#include "TK/tk_text.h"
#include "TK/tk_trace.h"

namespace {
const char16_t kPlaceholder[] = u":1";
}  // namespace

ora_get_rowid::ora_get_rowid() {
  tk_trace(2, "ora_get_rowid::ctor");
}

sb4 ora_get_rowid::cbf_no_data(void*, OCIBind*, ub4, ub4, void** bufpp, ub4* alenp, ub1* piecep,
                               void** indpp) {
  tk_trace(1, "ora_get_rowid::cbf_no_data");
  *bufpp = nullptr;
  *alenp = 0;
  *piecep = OCI_ONE_PIECE;
  *indpp = nullptr;
  return OCI_CONTINUE;
}

sb4 ora_get_rowid::cbf_get_data(void* ctx, OCIBind*, ub4 iter, ub4, void** bufpp, ub4** alenpp,
                                ub1* piecep, void** indpp, ub2** rcodepp) {
  tk_trace(1, "ora_get_rowid::cbf_get_data (iter=%d)", iter);
  ora_get_rowid* self = static_cast<ora_get_rowid*>(ctx);
  self->length_ = kBufferBytes;
  *bufpp = self->buffer_.data();
  *alenpp = &self->length_;
  *piecep = OCI_ONE_PIECE;
  *indpp = nullptr;
  *rcodepp = nullptr;
  return OCI_CONTINUE;
}

std::wstring ora_get_rowid::do_insert(const std::wstring& insert_sql) {
  tk_trace(2, "ora_get_rowid::do_insert");
  const std::wstring sql = insert_sql + L") RETURNING ROWID INTO :1";
  tk_wtrace(3, L"Run SQL query: %s\n", sql);
  const oci_functions& oci = oci_api();
  OCIError* err = ora_engine::instance().err();
  stmt_.prepare(sql);
  OCIBind* bind = nullptr;
  check_oci_status(
      oci.OCIBindByName(stmt_.handle(), &bind, err, reinterpret_cast<const OraText*>(kPlaceholder),
                        static_cast<sb4>(sizeof kPlaceholder - sizeof(char16_t)), nullptr,
                        static_cast<sb4>(kBufferBytes), SQLT_STR, nullptr, nullptr, nullptr, 0,
                        nullptr, OCI_DATA_AT_EXEC),
      "OCIBindByName");
  check_oci_status(oci.OCIBindDynamic(bind, err, this, &cbf_no_data, this, &cbf_get_data),
                   "OCIBindDynamic");
  buffer_[0] = 0;
  length_ = kBufferBytes;
  stmt_.execute(1, OCI_COMMIT_ON_SUCCESS);
  if (length_ >= kBufferBytes)
    throw tk_exception(
        tk_format("The server returned a ROWID of %d bytes", static_cast<int>(length_)),
        TK_LEVEL_RUN);
  // The length OCI reports counts the text's bytes; the buffer may or may
  // not hold a terminating null within it.
  size_t units = length_ / 2;
  for (size_t i = 0; i < units; ++i) {
    if (buffer_[i] == 0) {
      units = i;
      break;
    }
  }
  const std::wstring rowid = tk_utf16_to_wide(std::u16string_view(buffer_.data(), units));
  tk_wtrace(2, L"GOT ROWID(1): %s, len=%d", rowid, length_);
  return rowid;
}
