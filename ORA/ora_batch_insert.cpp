// ora_batch_insert: gathering rows in their bound forms, the array INSERT
// with per-row errors, and reading those errors back.
#include "ORA/ora_batch_insert.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "ORA/oci/oci_library.h"
#include "ORA/ora_bind_value.h"
#include "ORA/ora_charset.h"
#include "ORA/ora_engine.h"
#include "ORA/ora_util.h"
#include "TK/tk_exception.h"
#include "TK/tk_format.h"
#include "TK/tk_text.h"
#include "TK/tk_trace.h"

namespace {

constexpr ub4 kErrorTextBytes = 1024;
constexpr const wchar_t* kNull = L"NULL";

bool is_null_value(const udb_field& field) {
  const VARTYPE vt = field.get_variant().vt;
  return vt == VT_NULL || vt == VT_EMPTY;
}

// The UTF-16 text the locator path writes for a CLOB value.
void clob_text(const udb_field& field, std::u16string& out) {
  const VARIANT& v = field.get_variant();
  if (v.vt == VT_BSTR) {
    out.assign(v.bstrVal ? reinterpret_cast<const char16_t*>(v.bstrVal) : u"",
               v.bstrVal ? SysStringLen(v.bstrVal) : 0);
    return;
  }
  out = tk_wide_to_utf16(field.to_wstring());
}

// Oracle's error text of a handle's first record, as an exception.
ora_exception error_of(void* handle, ub4 type) {
  char16_t text[kErrorTextBytes / 2] = {};
  sb4 code = 0;
  oci_api().OCIErrorGet(handle, 1, nullptr, &code, reinterpret_cast<OraText*>(text),
                        kErrorTextBytes, type);
  return ora_exception(
      code, tk_utf16_to_utf8(std::u16string_view(text, std::char_traits<char16_t>::length(text))));
}

}  // namespace

ora_batch_insert::ora_batch_insert(const std::wstring& table, const udb_schema& schema,
                                   const std::vector<std::unique_ptr<ora_type>>& described,
                                   size_t max_rows, size_t max_bytes, const std::vector<bool>& key,
                                   const std::vector<bool>& set)
    : update_(!key.empty()), max_rows_(std::max<size_t>(max_rows, 1)), max_bytes_(max_bytes) {
  tk_wtrace(2, L"ora_batch_insert::ctor(%s)", table);
  if (oci_is_loaded() && oci_api().OCIBindByPos2 != nullptr) {
    long_lengths_ = true;
    lob_limit_ = ora_lob_bound_max;
  }
  std::vector<column> lobs, keys;
  for (size_t i = 0; i < schema.size(); ++i) {
    const bool in_key = update_ && i < key.size() && key[i];
    if (update_ && !in_key && !set.empty() && (i >= set.size() || !set[i])) continue;
    const t_ftd& ftd = schema[i];
    column col;
    col.position = i;
    col.national = i < described.size() && described[i] && is_ora_national(*described[i]);
    col.fixed = i < described.size() && described[i] && described[i]->data_type() == SQLT_AFC;
    if (i < described.size() && described[i]) col.max_data = described[i]->data_size();
    if (is_ora_lob_column(ftd))
      col.k = ftd.vartype == VT_BSTR ? kind::clob : kind::blob;
    else if (ftd.vartype == VT_BSTR)
      col.k = kind::text;
    else if (ftd.vartype == VT_BLOB || ftd.vartype == VT_BYTE_ARRAY)
      col.k = kind::raw;
    else if (ftd.vartype == VT_DATE)
      col.k = kind::date;
    else if (ftd.vartype == VT_FILETIME)
      col.k = kind::timestamp;
    else if (ole_is_numeric_type(ftd.vartype) || ftd.vartype == VT_INT || ftd.vartype == VT_UINT)
      col.k = kind::number;
    else
      usable_ = false;
    const bool lob = col.k == kind::clob || col.k == kind::blob;
    if (in_key) {
      if (lob) usable_ = false;  // no LOB compares
      keys.push_back(std::move(col));
    } else {
      (lob ? lobs : columns_).push_back(std::move(col));
    }
  }
  for (column& col : lobs) columns_.push_back(std::move(col));
  if (columns_.empty() || (update_ && keys.empty())) usable_ = false;
  const size_t set_columns = columns_.size();
  for (column& col : keys) columns_.push_back(std::move(col));
  bind_of_.assign(schema.size(), columns_.size());
  for (size_t k = 0; k < columns_.size(); ++k) bind_of_[columns_[k].position] = k;
  auto name = [&](size_t k) { return L"\"" + schema[columns_[k].position].name + L"\""; };
  std::wstring names, values;
  for (size_t k = 0; k < columns_.size(); ++k) {
    const std::wstring bind = L":" + std::to_wstring(k + 1);
    if (update_) {
      // SET "A" = :1, ... WHERE "K" = :n AND ...: the key's binds come last.
      if (k > 0) names += k < set_columns ? L", " : k == set_columns ? L" WHERE " : L" AND ";
      names += name(k) + L" = " + bind;
      continue;
    }
    if (k > 0) {
      names += L", ";
      values += L", ";
    }
    names += name(k);
    values += bind;
  }
  sql_ = update_ ? L"UPDATE \"" + table + L"\" SET " + names
                 : L"INSERT INTO \"" + table + L"\" (" + names + L") VALUES (" + values + L")";
  tk_wtrace(2, L"Batch statement: %s (usable=%d)", sql_, usable_);
}

ora_batch_insert::~ora_batch_insert() {
  if (!oci_is_loaded()) return;
  if (row_error_ != nullptr) oci_api().OCIHandleFree(row_error_, OCI_HTYPE_ERROR);
  for (column& col : columns_)
    for (void* d : col.descriptors) oci_api().OCIDescriptorFree(d, OCI_DTYPE_TIMESTAMP);
}

size_t ora_batch_insert::slot_bytes(const column& col) const {
  switch (col.k) {
    case kind::number:
      return ora_vnu_bytes;
    case kind::date:
      return ora_dat_bytes;
    case kind::timestamp:
      return sizeof(ora_timestamp_fields);
    default:
      return std::max<size_t>(col.widest, 1);
  }
}

namespace {

void append_bytes(std::string& data, const void* bytes, size_t size) {
  data.append(static_cast<const char*>(bytes), size);
}

void append_text(std::string& data, const char16_t* text, size_t units) {
  append_bytes(data, text, units * sizeof(char16_t));
}

}  // namespace

bool ora_batch_insert::stage(column& col, const udb_field& field, const std::wstring* literal) {
  col.staged_indicator = OCI_IND_NOTNULL;
  if (literal != nullptr && *literal == kNull) {
    col.staged_indicator = OCI_IND_NULL;
    if (is_fixed(col.k)) col.data.append(slot_bytes(col), '\0');
    return true;
  }
  switch (col.k) {
    case kind::number: {
      unsigned char out[ora_vnu_bytes];
      if (!(literal ? ora_vnu_from_literal(*literal, out) : ora_vnu_from_value(field, out)))
        return false;
      append_bytes(col.data, out, ora_vnu_bytes);
      return true;
    }
    case kind::date: {
      unsigned char out[ora_dat_bytes];
      if (!(literal ? ora_dat_from_literal(*literal, out) : ora_dat_from_value(field, out)))
        return false;
      append_bytes(col.data, out, ora_dat_bytes);
      return true;
    }
    case kind::timestamp: {
      ora_timestamp_fields fields;
      if (!literal || !ora_timestamp_from_literal(*literal, fields)) return false;
      append_bytes(col.data, &fields, sizeof fields);
      return true;
    }
    case kind::text: {
      if (!literal) {
        const BSTR text = field.get_variant().bstrVal;
        const size_t units = SysStringLen(text);
        if (units == 0 || units * sizeof(char16_t) > ora_lob_inline_max) return false;
        append_text(col.data, reinterpret_cast<const char16_t*>(text), units);
        return true;
      }
      // A national column's literal is the national form of the text.
      if (!(col.national ? ora_text_from_national_literal(*literal, text_)
                         : ora_text_from_literal(*literal, text_)) ||
          text_.empty() || text_.size() * sizeof(char16_t) > ora_lob_inline_max)
        return false;
      append_text(col.data, text_.data(), text_.size());
      return true;
    }
    case kind::raw:
      if (!literal || !ora_raw_from_literal(*literal, bytes_) || bytes_.empty() ||
          bytes_.size() > ora_lob_inline_max)
        return false;
      col.data += bytes_;
      return true;
    case kind::clob: {
      // An empty LOB (EMPTY_CLOB() of a NOT NULL column or of an empty
      // text) is no bound value: binding nothing would store NULL.
      if (!literal || *literal != L"EMPTY_CLOB()" || is_null_value(field)) return false;
      const VARIANT& v = field.get_variant();
      if (v.vt == VT_BSTR) {
        const size_t units = SysStringLen(v.bstrVal);
        if (units == 0 || units * sizeof(char16_t) > lob_limit_) return false;
        append_text(col.data, reinterpret_cast<const char16_t*>(v.bstrVal), units);
        return true;
      }
      clob_text(field, text_);
      if (text_.empty() || text_.size() * sizeof(char16_t) > lob_limit_) return false;
      append_text(col.data, text_.data(), text_.size());
      return true;
    }
    case kind::blob: {
      if (!literal || *literal != L"EMPTY_BLOB()" || is_null_value(field)) return false;
      const uint8_t* data = nullptr;
      const uint32_t size = field.get_bytes(&data);
      if (size == 0 || size > lob_limit_) return false;
      append_bytes(col.data, data, size);
      return true;
    }
  }
  return false;
}

bool ora_batch_insert::binds_value(size_t position, const udb_field& field) const {
  if (!usable_ || position >= bind_of_.size() || bind_of_[position] >= columns_.size())
    return false;
  const column& col = columns_[bind_of_[position]];
  const VARIANT& v = field.get_variant();
  switch (col.k) {
    case kind::number:
      switch (v.vt) {
        case VT_I1:
        case VT_I2:
        case VT_I4:
        case VT_I8:
        case VT_UI1:
        case VT_UI2:
        case VT_UI4:
        case VT_UI8:
        case VT_CY:
        case VT_DECIMAL:
        case VT_BOOL:
          return true;
        case VT_R4:
          return std::isfinite(v.fltVal);
        case VT_R8:
          // Beyond NUMBER's range the literal is a default or NULL.
          return std::isfinite(v.dblVal) && std::fabs(v.dblVal) <= 1e126;
        default:
          return false;
      }
    case kind::date: {
      unsigned char out[ora_dat_bytes];
      return v.vt == VT_DATE && ora_dat_from_value(field, out);
    }
    case kind::text: {
      // The literals that are no quoted text (NULL for an empty text or two
      // double quotes, a GUID's raw bytes) go the literal way, and so does
      // any surrogate, which the literal's wide text would pair up or
      // replace. Without surrogates a national column's literal (quoted
      // text, or UNISTR pieces of the text's UTF-16 units) reads back to
      // the same units as the plain one, so both bind the text as it is.
      if (v.vt != VT_BSTR || v.bstrVal == nullptr) return false;
      const char16_t* text = reinterpret_cast<const char16_t*>(v.bstrVal);
      const size_t size = SysStringLen(v.bstrVal);
      if (size == 0 || size * sizeof(char16_t) > ora_lob_inline_max ||
          (size == 2 && text[0] == u'"' && text[1] == u'"'))
        return false;
      for (size_t i = 0; i < size; ++i) {
        const char16_t c = text[i];
        if (c >= 0xD800 && c <= 0xDFFF) return false;
        if ((c == u'g' || c == u'G') && i + 3 < size) {
          const char16_t* rest = text + i + 1;
          if ((rest[0] == u'u' && rest[1] == u'i' && rest[2] == u'd') ||
              (rest[0] == u'U' && rest[1] == u'I' && rest[2] == u'D'))
            return false;
        }
      }
      return true;
    }
    default:
      return false;
  }
}

ora_batch_insert::add_result ora_batch_insert::add(const udb_record& record,
                                                   const std::vector<std::wstring>& literals,
                                                   uint32_t number, const std::vector<bool>& as_is,
                                                   std::unique_ptr<udb_record>* owned) {
  if (!usable_ || record.size() != literals.size()) return add_result::refused;
  // Each value goes straight to the end of its column's bytes; a row that is
  // refused or does not fit is taken back off.
  auto take_back = [&] {
    for (column& col : columns_) col.data.resize(col.row_start);
  };
  for (column& col : columns_) col.row_start = col.data.size();
  size_t row_bytes = 0;
  for (column& col : columns_) {
    if (col.position >= record.size()) {
      take_back();
      return add_result::refused;
    }
    const bool value = col.position < as_is.size() && as_is[col.position];
    if (!stage(col, record[col.position], value ? nullptr : &literals[col.position])) {
      take_back();
      return add_result::refused;
    }
    row_bytes += is_fixed(col.k) ? slot_bytes(col)
                                 : std::max<size_t>(col.widest, col.data.size() - col.row_start);
  }
  if (rows_ >= max_rows_ || (rows_ > 0 && row_bytes * (rows_ + 1) > max_bytes_)) {
    take_back();
    return add_result::full;
  }
  for (column& col : columns_) {
    col.indicators.push_back(col.staged_indicator);
    const size_t size = col.data.size() - col.row_start;
    col.lengths.push_back(static_cast<ub4>(size));
    if (!is_fixed(col.k)) {
      col.offsets.push_back(static_cast<uint32_t>(col.row_start));
      col.widest = std::max(col.widest, size);
    }
  }
  if (owned != nullptr && *owned) {
    records_.push_back(std::move(*owned));
  } else {
    auto copy = std::make_unique<udb_record>();
    copy->reserve(record.size());
    for (size_t i = 0; i < record.size(); ++i) copy->add(record[i].clone());
    records_.push_back(std::move(copy));
  }
  numbers_.push_back(number);
  ++rows_;
  return add_result::added;
}

void ora_batch_insert::set_timestamps(column& col) {
  const oci_functions& oci = oci_api();
  ora_engine& engine = ora_engine::instance();
  while (col.descriptors.size() < rows_) {
    void* d = nullptr;
    check_oci_status(oci.OCIDescriptorAlloc(engine.env(), &d, OCI_DTYPE_TIMESTAMP, 0, nullptr),
                     "OCIDescriptorAlloc");
    col.descriptors.push_back(d);
  }
  for (size_t r = 0; r < rows_; ++r) {
    if (col.indicators[r] == OCI_IND_NULL) continue;
    ora_timestamp_fields f;
    std::memcpy(&f, col.data.data() + r * sizeof f, sizeof f);
    check_oci_status(oci.OCIDateTimeConstruct(
                         engine.env(), engine.err(), static_cast<OCIDateTime*>(col.descriptors[r]),
                         f.year, f.month, f.day, f.hour, f.minute, f.second, f.nanos, nullptr, 0),
                     "OCIDateTimeConstruct");
  }
}

void ora_batch_insert::bind_all() {
  const oci_functions& oci = oci_api();
  OCIError* err = ora_engine::instance().err();
  for (size_t k = 0; k < columns_.size(); ++k) {
    column& col = columns_[k];
    size_t slot = slot_bytes(col);
    void* values = nullptr;
    ub2 type = SQLT_VNU;
    switch (col.k) {
      case kind::number:
      case kind::date:
        values = col.data.data();
        type = col.k == kind::number ? SQLT_VNU : SQLT_DAT;
        break;
      case kind::timestamp:
        set_timestamps(col);
        values = col.descriptors.data();
        slot = sizeof(void*);
        type = SQLT_TIMESTAMP;
        for (ub4& length : col.lengths) length = static_cast<ub4>(slot);
        break;
      default:
        // The rows one `slot` apart, as an array bind wants them.
        col.laid_out.assign(slot * rows_, '\0');
        for (size_t r = 0; r < rows_; ++r)
          std::memcpy(col.laid_out.data() + r * slot, col.data.data() + col.offsets[r],
                      col.lengths[r]);
        values = col.laid_out.data();
        type = col.k == kind::text   ? (col.fixed ? SQLT_AFC : SQLT_CHR)
               : col.k == kind::raw  ? SQLT_BIN
               : col.k == kind::clob ? SQLT_LNG
                                     : SQLT_LBI;
        break;
    }
    OCIBind* bind = nullptr;
    // maxarr_len stays 0: it is for PL/SQL tables; the rows of array DML
    // come from the execution's iteration count.
    if (long_lengths_) {
      check_oci_status(
          oci.OCIBindByPos2(stmt_->handle(), &bind, err, static_cast<ub4>(k + 1), values,
                            static_cast<sb8>(slot), type, col.indicators.data(), col.lengths.data(),
                            nullptr, 0, nullptr, OCI_DEFAULT),
          "OCIBindByPos2");
    } else {
      col.short_lengths.assign(col.lengths.begin(), col.lengths.end());
      check_oci_status(oci.OCIBindByPos(stmt_->handle(), &bind, err, static_cast<ub4>(k + 1),
                                        values, static_cast<sb4>(slot), type, col.indicators.data(),
                                        col.short_lengths.data(), nullptr, 0, nullptr, OCI_DEFAULT),
                       "OCIBindByPos");
    }
    if (col.national && (col.k == kind::text || col.k == kind::clob))
      ora_set_bind_charset_form(bind, SQLCS_NCHAR);
    // After the form: the largest value on the server side is the column's
    // size, so a UTF-16 bind of wide text is no long bind there (a long bind
    // into VARCHAR2 is ORA-01461, a wide one after the LOB binds ORA-24816).
    if (col.k == kind::text && col.max_data > 0) {
      ub4 max_data = col.max_data;
      check_oci_status(oci.OCIAttrSet(bind, OCI_HTYPE_BIND, &max_data, sizeof max_data,
                                      OCI_ATTR_MAXDATA_SIZE, err),
                       "OCIAttrSet");
    }
  }
}

void ora_batch_insert::read_row_errors(std::vector<row_failure>& failures) {
  const oci_functions& oci = oci_api();
  ora_engine& engine = ora_engine::instance();
  OCIError* err = engine.err();
  ub4 count = 0;
  check_oci_status(oci.OCIAttrGet(stmt_->handle(), OCI_HTYPE_STMT, &count, nullptr,
                                  OCI_ATTR_NUM_DML_ERRORS, err),
                   "OCIAttrGet");
  if (count == 0) return;
  if (row_error_ == nullptr) {
    void* handle = nullptr;
    check_oci_status(oci.OCIHandleAlloc(engine.env(), &handle, OCI_HTYPE_ERROR, 0, nullptr),
                     "OCIHandleAlloc");
    row_error_ = static_cast<OCIError*>(handle);
  }
  for (ub4 i = 0; i < count; ++i) {
    void* row_err = row_error_;
    check_oci_status(oci.OCIParamGet(err, OCI_HTYPE_ERROR, err, &row_err, i), "OCIParamGet");
    sb4 offset = -1;
    check_oci_status(
        oci.OCIAttrGet(row_err, OCI_HTYPE_ERROR, &offset, nullptr, OCI_ATTR_DML_ROW_OFFSET, err),
        "OCIAttrGet");
    ora_exception error = error_of(row_err, OCI_HTYPE_ERROR);
    tk_trace(2, "Batch row %d refused: %s", offset, error.what());
    if (offset < 0 || static_cast<size_t>(offset) >= rows_)
      throw tk_exception(tk_format("The array insert reported an error for row %d of %d",
                                   static_cast<int>(offset), static_cast<int>(rows_)),
                         TK_LEVEL_RUN);
    failures.push_back(row_failure{static_cast<size_t>(offset), std::move(error)});
  }
  std::stable_sort(failures.begin(), failures.end(),
                   [](const row_failure& a, const row_failure& b) { return a.row < b.row; });
}

bool ora_batch_insert::execute(std::vector<row_failure>& failures,
                               std::unique_ptr<ora_exception>& statement_error,
                               std::vector<size_t>* unchecked) {
  failures.clear();
  statement_error.reset();
  if (unchecked != nullptr) unchecked->clear();
  if (rows_ == 0) return true;
  tk_trace(2, "ora_batch_insert::execute(%d rows)", static_cast<int>(rows_));
  ora_engine& engine = ora_engine::instance();
  const oci_functions& oci = oci_api();
  try {
    if (!stmt_) {
      auto stmt = std::make_unique<ora_stmt>();
      stmt->prepare(sql_);
      stmt_ = std::move(stmt);
    }
    bind_all();
  } catch (const ora_exception& e) {
    stmt_.reset();
    statement_error = std::make_unique<ora_exception>(e);
    return false;
  }
  ++executions_;
  // Committed below, once the counts add up. Per-row counts of an update
  // come from clients of 12.1 on (the same that have OCIBindByPos2).
  const bool row_counts = update_ && long_lengths_;
  const sword status = oci.OCIStmtExecute(
      engine.svc(), stmt_->handle(), engine.err(), static_cast<ub4>(rows_), 0, nullptr, nullptr,
      OCI_BATCH_ERRORS | (row_counts ? OCI_RETURN_ROW_COUNT_ARRAY : 0));
  ub4 processed = 0;
  if (status != OCI_SUCCESS && status != OCI_SUCCESS_WITH_INFO) {
    statement_error = std::make_unique<ora_exception>(error_of(engine.err(), OCI_HTYPE_ERROR));
    tk_trace(3, "The array statement failed as a whole: %s", statement_error->what());
    // Rows processed before the error stay in the transaction: undone here,
    // since the caller writes every row again.
    if (oci.OCIAttrGet(stmt_->handle(), OCI_HTYPE_STMT, &processed, nullptr, OCI_ATTR_ROW_COUNT,
                       engine.err()) == OCI_SUCCESS &&
        processed > 0) {
      tk_trace(3, "Rolling back the %d rows it processed", static_cast<int>(processed));
      check_oci_status(oci.OCITransRollback(engine.svc(), engine.err(), OCI_DEFAULT),
                       "OCITransRollback");
    }
    return false;
  }
  if (status == OCI_SUCCESS_WITH_INFO) read_row_errors(failures);
  check_oci_status(oci.OCIAttrGet(stmt_->handle(), OCI_HTYPE_STMT, &processed, nullptr,
                                  OCI_ATTR_ROW_COUNT, engine.err()),
                   "OCIAttrGet");
  if (update_) {
    // An UPDATE's row count is the rows its keys found: a key that found
    // none is no error to the server, but its record was not written.
    std::vector<bool> refused(rows_, false);
    for (const row_failure& f : failures) refused[f.row] = true;
    ub8* counts = nullptr;
    ub4 count_rows = 0;
    const bool per_row =
        row_counts &&
        oci.OCIAttrGet(stmt_->handle(), OCI_HTYPE_STMT, &counts, &count_rows,
                       OCI_ATTR_DML_ROW_COUNT_ARRAY, engine.err()) == OCI_SUCCESS &&
        counts != nullptr && count_rows == rows_;
    const bool short_total = processed + failures.size() < rows_;
    for (size_t r = 0; r < rows_ && unchecked != nullptr; ++r)
      if (!refused[r] && (per_row ? counts[r] == 0 : short_total)) unchecked->push_back(r);
  } else if (processed + failures.size() != rows_) {
    // Every row is either stored or reported: a client library that runs
    // fewer rows than asked would lose the others in silence.
    check_oci_status(oci.OCITransRollback(engine.svc(), engine.err(), OCI_DEFAULT),
                     "OCITransRollback");
    throw tk_exception(tk_format("The array insert stored %d and refused %d of %d rows",
                                 static_cast<int>(processed), static_cast<int>(failures.size()),
                                 static_cast<int>(rows_)),
                       TK_LEVEL_RUN);
  }
  check_oci_status(oci.OCITransCommit(engine.svc(), engine.err(), OCI_DEFAULT), "OCITransCommit");
  return true;
}

void ora_batch_insert::clear() {
  for (column& col : columns_) {
    col.indicators.clear();
    col.lengths.clear();
    col.data.clear();
    col.offsets.clear();
    col.widest = 0;
  }
  records_.clear();
  numbers_.clear();
  rows_ = 0;
}
