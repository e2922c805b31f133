// ora_lob_insert: selecting a row's LOB locators FOR UPDATE and writing the
// record's CLOB and BLOB values into them.
#include "ORA/ora_lob_insert.h"

#include "ORA/oci/oci_library.h"
#include "ORA/ora_engine.h"
#include "ORA/ora_util.h"
#include "TK/tk_exception.h"
#include "TK/tk_text.h"
#include "TK/tk_trace.h"

namespace {
bool is_null_value(const udb_field& field) {
  const VARTYPE vt = field.get_variant().vt;
  return vt == VT_NULL || vt == VT_EMPTY;
}

// The UTF-16 text of a value: a BSTR's own code units when it is one.
std::u16string utf16_text(const udb_field& field) {
  const VARIANT& v = field.get_variant();
  if (v.vt == VT_BSTR)
    return v.bstrVal ? std::u16string(v.bstrVal, SysStringLen(v.bstrVal)) : std::u16string();
  return tk_wide_to_utf16(field.to_wstring());
}
}  // namespace

ora_lob_insert::ora_lob_insert(const std::wstring& table,
                               const std::vector<std::unique_ptr<ora_type>>& columns) {
  tk_trace(2, "ora_lob_insert::ctor");
  std::wstring list;
  for (size_t i = 0; i < columns.size(); ++i) {
    const ora_type& col = *columns[i];
    if (!col.is_lob()) continue;
    tk_wtrace(1, L"GOT LD %s", col.name());
    lob_column lob;
    lob.position = i;
    lob.text = col.data_type() == SQLT_CLOB;
    lob.form = lob.text && col.charset_form() == SQLCS_NCHAR ? SQLCS_NCHAR : SQLCS_IMPLICIT;
    lob.name = col.name();
    void* locator = nullptr;
    check_oci_status(oci_api().OCIDescriptorAlloc(ora_engine::instance().env(), &locator,
                                                  OCI_DTYPE_LOB, 0, nullptr),
                     "OCIDescriptorAlloc");
    lob.locator = static_cast<OCILobLocator*>(locator);
    columns_.push_back(lob);
    if (!list.empty()) list += L", ";
    list += L"\"" + col.name() + L"\"";
  }
  select_prefix_ = L"SELECT " + list + L" FROM \"" + table + L"\" WHERE ";
  tk_trace(2, "ora_lob_insert::ctor - at the END");
}

ora_lob_insert::~ora_lob_insert() {
  tk_trace(2, "~ora_lob_insert - Step #1");
  if (oci_is_loaded()) {
    for (lob_column& lob : columns_) {
      if (lob.locator != nullptr) oci_api().OCIDescriptorFree(lob.locator, OCI_DTYPE_LOB);
    }
  }
  tk_trace(2, "~ora_lob_insert - Step #2");
  columns_.clear();
  tk_trace(2, "~ora_lob_insert - Step #3");
}

bool ora_lob_insert::has_contents(const udb_record& record) const {
  for (const lob_column& lob : columns_) {
    if (lob.position >= record.size()) continue;
    const udb_field& field = record[lob.position];
    if (is_null_value(field)) continue;
    const VARIANT& v = field.get_variant();
    if (lob.text) {
      if (v.vt == VT_BSTR ? (v.bstrVal && SysStringLen(v.bstrVal) > 0)
                          : !field.to_wstring().empty())
        return true;
    } else {
      const uint8_t* data = nullptr;
      if (field.get_bytes(&data) > 0) return true;
    }
  }
  return false;
}

bool ora_lob_insert::insert(const std::wstring& rowid, const udb_record& record) {
  tk_wtrace(2, L"ora_lob_insert::insert(%s)", rowid);
  return write(L"ROWID='" + rowid + L"'", record);
}

bool ora_lob_insert::write(const std::wstring& condition, const udb_record& record) {
  if (!has_contents(record)) {
    tk_trace(1, "Record has no LOBs - skip it");
    return false;
  }
  const std::wstring sql = select_prefix_ + condition + L" FOR UPDATE";
  tk_wtrace(3, L"Run SQL query: %s\n", sql);
  stmt_.prepare(sql);
  for (size_t k = 0; k < columns_.size(); ++k) {
    lob_column& lob = columns_[k];
    lob.indicator = 0;
    stmt_.define(static_cast<ub4>(k + 1), &lob.locator, sizeof lob.locator,
                 lob.text ? SQLT_CLOB : SQLT_BLOB, &lob.indicator, nullptr);
  }
  if (stmt_.execute(1, OCI_DEFAULT) == OCI_NO_DATA) {
    tk_trace(2, "No row to write the LOBs of");
    return false;
  }
  for (lob_column& lob : columns_) {
    if (lob.position >= record.size() || lob.indicator == OCI_IND_NULL) continue;
    const udb_field& field = record[lob.position];
    if (is_null_value(field)) continue;
    if (lob.text)
      write_clob(lob, field);
    else
      write_blob(lob, field);
  }
  tk_trace(2, "ora_insert::insert - at the END");
  return true;
}

void ora_lob_insert::write_clob(lob_column& lob, const udb_field& field) {
  tk_trace(2, "ora_lob_insert::write_clob");
  tk_trace(1, "Step #1");
  const std::u16string text = utf16_text(field);
  if (text.empty()) {
    tk_trace(1, "Got empty CLOB - skip it");
    return;
  }
  tk_trace(1, "CLOB size=%d", text.size());
  // The whole text is converted for the trace only when it is written.
  if (tk_log* log = tk_detail::active_log(); log && log->wants(1))
    tk_trace(1, "CLOB data='%s'", tk_utf16_to_utf8(text));
  // The buffer is UTF-16 (OCI_UTF16ID, a fixed-width client character set:
  // the amount counts characters, the buffer length bytes), written in the
  // LOB's own form.
  ub4 amount = static_cast<ub4>(text.size());
  const ora_engine& engine = ora_engine::instance();
  check_oci_status(oci_api().OCILobWrite(engine.svc(), engine.err(), lob.locator, &amount, 1,
                                         const_cast<char16_t*>(text.data()),
                                         static_cast<ub4>(text.size() * sizeof(char16_t)),
                                         OCI_ONE_PIECE, nullptr, nullptr, OCI_UTF16ID, lob.form),
                   "OCILobWrite");
  tk_trace(1, "Step #2");
}

void ora_lob_insert::write_blob(lob_column& lob, const udb_field& field) {
  tk_trace(2, "ora_lob_insert::write_blob");
  const uint8_t* data = nullptr;
  const uint32_t size = field.get_bytes(&data);
  if (size == 0) {
    tk_trace(1, "Got empty BLOB - skip it");
    return;
  }
  tk_trace(1, "BLOB size=%d", size);
  ub4 amount = size;
  const ora_engine& engine = ora_engine::instance();
  check_oci_status(oci_api().OCILobWrite(engine.svc(), engine.err(), lob.locator, &amount, 1,
                                         const_cast<uint8_t*>(data), size, OCI_ONE_PIECE, nullptr,
                                         nullptr, 0, SQLCS_IMPLICIT),
                   "OCILobWrite");
  tk_trace(2, "ora_lob_insert::write_blob - at the END");
}
