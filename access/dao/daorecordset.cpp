// Recordset, Field and Index objects (see daorecordset.h).
#include "access/dao/daorecordset.h"

namespace {

VARIANT_BOOL vbool(bool b) {
  return b ? VARIANT_TRUE : VARIANT_FALSE;
}

template <class T>
HRESULT put(T* out, T value) {
  if (!out) return E_POINTER;
  *out = value;
  return S_OK;
}

std::vector<std::u16string> names_of(const std::vector<dao_ref<DAOField>>& fields) {
  std::vector<std::u16string> names;
  for (const auto& f : fields) names.push_back(f->info().name);
  return names;
}

}  // namespace

bool dao_item_position(const VARIANT& index, const std::vector<std::u16string>& names,
                       size_t* position) {
  if (index.vt == VT_BSTR) {
    const std::u16string name = dao_text_of(index.bstrVal);
    for (size_t i = 0; i < names.size(); ++i) {
      if (jet_same_name(names[i], name)) {
        *position = i;
        return true;
      }
    }
    return false;
  }
  return dao_item_number(index, names.size(), position);
}

bool dao_item_number(const VARIANT& index, size_t count, size_t* position) {
  VARIANT i4;
  VariantInit(&i4);
  if (FAILED(VariantChangeType(&i4, &index, 0, VT_I4)) || i4.lVal < 0 || size_t(i4.lVal) >= count)
    return false;
  *position = size_t(i4.lVal);
  return true;
}

// ---------------------------------------------------------------------------
// DAOField

DAOField::DAOField(dao_context_ptr context, dao_field_info info,
                   std::shared_ptr<dao_scan_state> scan, size_t index)
    : context_(std::move(context)), info_(std::move(info)), scan_(std::move(scan)), index_(index) {}

HRESULT DAOField::QueryInterface(const dao_guid& iid, void** out) {
  if (out && iid == IID_DAOField) {
    AddRef();
    *out = this;
    return S_OK;
  }
  return DAOUnknown::QueryInterface(iid, out);
}

HRESULT DAOField::get_Name(BSTR* name) {
  if (!name) return E_POINTER;
  *name = dao_bstr_from(info_.name);
  return S_OK;
}
HRESULT DAOField::get_Type(int16_t* type) {
  return put(type, info_.type);
}
HRESULT DAOField::get_Size(int32_t* size) {
  return put(size, info_.size);
}
HRESULT DAOField::get_Required(VARIANT_BOOL* required) {
  return put(required, vbool(info_.required));
}
HRESULT DAOField::get_Attributes(int32_t* attributes) {
  return put(attributes, info_.attributes);
}

HRESULT DAOField::get_DefaultValue(VARIANT* value) {
  if (!value) return E_POINTER;
  VariantInit(value);
  value->vt = VT_BSTR;
  value->bstrVal = dao_bstr_from(info_.default_value);
  return S_OK;
}

HRESULT DAOField::get_Value(VARIANT* value) {
  if (!value) return E_POINTER;
  VariantInit(value);
  return dao_guard(*context_, [&] {
    if (!scan_) throw jet_failure(JET_ERR_INVALID_OPERATION, "Invalid operation.");
    if (scan_->closed) throw jet_errors::object_closed();
    if (!scan_->has_row) throw jet_errors::no_current_record();
    scan_->source->value(index_, scan_->scratch);
    return dao_value_to_variant(scan_->scratch, value);
  });
}

HRESULT DAOField::ReadValue(VARIANT* value) {
  if (!value) return E_POINTER;
  return dao_guard(*context_, [&] {
    if (!scan_) throw jet_failure(JET_ERR_INVALID_OPERATION, "Invalid operation.");
    if (scan_->closed) throw jet_errors::object_closed();
    if (!scan_->has_row) throw jet_errors::no_current_record();
    scan_->source->value(index_, scan_->scratch);
    const jet_value& read = scan_->scratch;
    if (read.kind == jet_kind::text && value->vt == VT_BSTR) {
      if (!SysReAllocStringLen(&value->bstrVal, read.text.data(), uint32_t(read.text.size())))
        return E_OUTOFMEMORY;
      return S_OK;
    }
    VariantClear(value);
    return dao_value_to_variant(read, value);
  });
}

// ---------------------------------------------------------------------------
// DAOFields

DAOFields::DAOFields(dao_context_ptr context, std::vector<dao_ref<DAOField>> fields)
    : context_(std::move(context)), fields_(std::move(fields)) {}

HRESULT DAOFields::get_Count(int16_t* count) {
  return put(count, int16_t(fields_.size()));
}

HRESULT DAOFields::get_Item(VARIANT index, DAOField** field) {
  if (!field) return E_POINTER;
  *field = nullptr;
  return dao_guard(*context_, [&] {
    size_t position = 0;
    // The names are gathered only for a lookup by name: a record reads its
    // fields by number, and gathering them per field made that quadratic.
    const bool found = index.vt == VT_BSTR ? dao_item_position(index, names_of(fields_), &position)
                                           : dao_item_number(index, fields_.size(), &position);
    if (!found) throw jet_errors::item_not_found();
    return fields_[position].copy_to(field);
  });
}

// ---------------------------------------------------------------------------
// DAORecordset

DAORecordset::DAORecordset(dao_context_ptr context, std::shared_ptr<jet_file> file,
                           std::unique_ptr<dao_row_source> source)
    : context_(std::move(context)), scan_(std::make_shared<dao_scan_state>()) {
  scan_->file = std::move(file);
  scan_->source = std::move(source);
  std::vector<dao_ref<DAOField>> fields;
  const auto& infos = scan_->source->fields();
  for (size_t i = 0; i < infos.size(); ++i)
    fields.emplace_back(new DAOField(context_, infos[i], scan_, i));
  fields_ = dao_ref<DAOFields>(new DAOFields(context_, std::move(fields)));
  seek(1);
}

// Rewinds and moves to the row at that 1-based position (0: before the first).
void DAORecordset::seek(uint64_t position) {
  scan_->source->rewind();
  scan_->has_row = false;
  scan_->position = 0;
  while (scan_->position < position) {
    if (!scan_->source->next()) break;
    ++scan_->position;
    scan_->has_row = true;
  }
  rows_seen_ = std::max(rows_seen_, scan_->position);
  if (scan_->position < position) scan_->has_row = false;
  scan_->bof = position == 0 || (!scan_->has_row && scan_->position == 0);
  scan_->eof = !scan_->has_row && position != 0;
}

void DAORecordset::report_loss() {
  if (loss_reported_) return;
  const std::string report = scan_->source->loss_report();
  if (report.empty()) return;
  loss_reported_ = true;
  throw jet_failure(JET_ERR_CORRUPT, report);
}

HRESULT DAORecordset::get_EOF(VARIANT_BOOL* eof) {
  if (!eof) return E_POINTER;
  *eof = vbool(scan_->eof);
  return S_OK;
}

HRESULT DAORecordset::get_BOF(VARIANT_BOOL* bof) {
  if (!bof) return E_POINTER;
  *bof = vbool(scan_->bof);
  return S_OK;
}

HRESULT DAORecordset::MoveFirst() {
  return dao_guard(*context_, [&] {
    if (scan_->closed) throw jet_errors::object_closed();
    seek(1);
    if (!scan_->has_row) {
      report_loss();
      throw jet_errors::no_current_record();
    }
    return S_OK;
  });
}

HRESULT DAORecordset::MoveNext() {
  return dao_guard(*context_, [&] {
    if (scan_->closed) throw jet_errors::object_closed();
    if (scan_->eof) throw jet_errors::no_current_record();
    if (!scan_->has_row) {  // before the first row
      seek(1);
      return S_OK;
    }
    scan_->bof = false;
    if (scan_->source->next()) {
      ++scan_->position;
      rows_seen_ = std::max(rows_seen_, scan_->position);
    } else {
      scan_->has_row = false;
      scan_->eof = true;
      report_loss();
    }
    return S_OK;
  });
}

HRESULT DAORecordset::MovePrevious() {
  return dao_guard(*context_, [&] {
    if (scan_->closed) throw jet_errors::object_closed();
    if (scan_->bof) throw jet_errors::no_current_record();
    // The file has no backward links: re-scan up to the previous row.
    const uint64_t target = scan_->eof ? scan_->position : scan_->position - 1;
    seek(target);
    if (target == 0) {
      scan_->bof = true;
      scan_->eof = false;
    }
    return S_OK;
  });
}

HRESULT DAORecordset::get_Fields(DAOFields** fields) {
  if (!fields) return E_POINTER;
  return fields_.copy_to(fields);
}

HRESULT DAORecordset::get_RecordCount(int32_t* count) {
  return put(count, int32_t(rows_seen_));
}

HRESULT DAORecordset::Close() {
  return dao_guard(*context_, [&] {
    if (scan_->closed) throw jet_errors::object_closed();
    scan_->closed = true;
    scan_->has_row = false;
    return S_OK;
  });
}

// ---------------------------------------------------------------------------
// Indexes

DAOIndexFields::DAOIndexFields(dao_context_ptr context, std::vector<dao_field_info> fields) {
  std::vector<dao_ref<DAOField>> items;
  for (auto& f : fields) items.emplace_back(new DAOField(context, std::move(f)));
  fields_ = dao_ref<DAOFields>(new DAOFields(std::move(context), std::move(items)));
}

HRESULT DAOIndexFields::QueryInterface(const dao_guid& iid, void** out) {
  if (out && iid == IID_DAOIndexFields) {
    AddRef();
    *out = this;
    return S_OK;
  }
  return DAOUnknown::QueryInterface(iid, out);
}

HRESULT DAOIndexFields::get_Count(int16_t* count) {
  return fields_->get_Count(count);
}

HRESULT DAOIndexFields::get_Item(VARIANT index, DAOField** field) {
  return fields_->get_Item(index, field);
}

DAOIndex::DAOIndex(dao_context_ptr context, dao_index_info info)
    : context_(std::move(context)), info_(std::move(info)) {}

HRESULT DAOIndex::get_Name(BSTR* name) {
  if (!name) return E_POINTER;
  *name = dao_bstr_from(info_.name);
  return S_OK;
}
HRESULT DAOIndex::get_Primary(VARIANT_BOOL* v) {
  return put(v, vbool(info_.primary));
}
HRESULT DAOIndex::get_Unique(VARIANT_BOOL* v) {
  return put(v, vbool(info_.unique));
}
HRESULT DAOIndex::get_Foreign(VARIANT_BOOL* v) {
  return put(v, vbool(info_.foreign));
}
HRESULT DAOIndex::get_Required(VARIANT_BOOL* v) {
  return put(v, vbool(info_.required));
}
HRESULT DAOIndex::get_IgnoreNulls(VARIANT_BOOL* v) {
  return put(v, vbool(info_.ignore_nulls));
}

HRESULT DAOIndex::get_Fields(VARIANT* fields) {
  if (!fields) return E_POINTER;
  dao_ref<DAOIndexFields> object(new DAOIndexFields(context_, info_.fields));
  dao_variant_set_object(fields, object.get());
  return S_OK;
}

DAOIndexes::DAOIndexes(dao_context_ptr context, std::vector<dao_index_info> indexes)
    : context_(std::move(context)), indexes_(std::move(indexes)) {}

HRESULT DAOIndexes::get_Count(int16_t* count) {
  return put(count, int16_t(indexes_.size()));
}

HRESULT DAOIndexes::get_Item(VARIANT index, DAOIndex** item) {
  if (!item) return E_POINTER;
  *item = nullptr;
  return dao_guard(*context_, [&] {
    std::vector<std::u16string> names;
    for (const auto& i : indexes_) names.push_back(i.name);
    size_t position = 0;
    if (!dao_item_position(index, names, &position)) throw jet_errors::item_not_found();
    return dao_ref<DAOIndex>(new DAOIndex(context_, indexes_[position])).copy_to(item);
  });
}
