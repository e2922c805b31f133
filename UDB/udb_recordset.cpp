// Base behaviour of recordsets: an empty result, index bookkeeping and the
// in-place conversion of a record to this table's column types.
#include "UDB/udb_recordset.h"

#include "TK/tk_exception.h"
#include "TK/tk_trace.h"

udb_recordset::udb_recordset(const std::wstring& name, const std::wstring& query, bool b_owner)
    : query_(query), name_(name), schema_(b_owner) {}

udb_recordset::udb_recordset(const std::wstring& name, bool b_owner)
    : name_(name), schema_(b_owner) {}

udb_recordset::~udb_recordset() = default;

void udb_recordset::append_batched(const udb_record& record, uint32_t number,
                                   udb_append_sink& sink) {
  try {
    append_record(record);
  } catch (const tk_exception& e) {
    if (!sink.append_failed(number, e, record)) throw;
  }
}

void udb_recordset::append_owned(std::unique_ptr<udb_record> record, uint32_t number,
                                 udb_append_sink& sink) {
  append_batched(*record, number, sink);
}

void udb_recordset::flush_appends(udb_append_sink&) {}

void udb_recordset::update_changed(const udb_record& record, const std::vector<bool>&,
                                   uint32_t number, udb_append_sink& sink) {
  update_batched(record, number, sink);
}

void udb_recordset::update_owned(std::unique_ptr<udb_record> record,
                                 const std::vector<bool>& changed, uint32_t number,
                                 udb_append_sink& sink) {
  update_changed(*record, changed, number, sink);
}

void udb_recordset::update_batched(const udb_record& record, uint32_t number,
                                   udb_append_sink& sink) {
  try {
    update(record);
  } catch (const tk_exception& e) {
    if (!sink.update_failed(number, e)) throw;
  }
}

void udb_recordset::update(const udb_record&) {
  tk_trace(2, "udb_recordset::update");
}

std::unique_ptr<udb_record> udb_recordset::take_item() {
  return nullptr;
}

udb_record* udb_recordset::get_item() {
  return nullptr;
}

bool udb_recordset::is_eof() {
  return true;
}

bool udb_recordset::has_query() const {
  return !query_.empty();
}

void udb_recordset::next() {}

void udb_recordset::move_prev() {}

void udb_recordset::move_first() {}

void udb_recordset::add_index(const udb_index& index) {
  tk_trace(2, "udb_recordset::add_index");
  if (!indexes_.is_acceptable_name(index.name)) return;
  if (key_index_ == -1 && (index.b_primary || index.b_unique)) {
    tk_trace(2, "Store primary/unique key");
    key_index_ = static_cast<int32_t>(indexes_.size());
  }
  indexes_.push_back(index);
}

void udb_recordset::convert_record(udb_record& record) const {
  tk_trace(2, "udb_recordset::convert_record");
  // A record wider than the schema has no column type for its extra fields.
  TK_ASSERT(record.size() <= schema_.size());
  for (size_t i = 0; i < record.size(); ++i) {
    udb_field& field = record[i];
    const t_ftd& column = schema_[i];
    tk_wtrace(1, L"from=%s, to=%s", field.name, column.name);
    field.change_type(column.vartype);
  }
}
