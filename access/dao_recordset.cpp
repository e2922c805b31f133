// dao_recordset: schema, indexes and forward reading of a DAO recordset.
#include "access/dao_recordset.h"

#include "TK/tk_format.h"
#include "TK/tk_text.h"
#include "TK/tk_trace.h"
#include "UDB/t_ftd.h"
#include "access/dao_calls.h"
#include "access/dao_exception.h"
#include "access/dao_field.h"

namespace {
bool enclosed(const std::wstring& text, wchar_t first, wchar_t last) {
  return text.size() > 1 && text.front() == first && text.back() == last;
}

std::wstring strip(const std::wstring& text) {
  return text.substr(1, text.size() - 2);
}

// Text as the column's value; a text that does not convert gives no default.
ole_variant convert_default(const std::wstring& text, int16_t dao_type) {
  if (text.empty()) return ole_variant();
  try {
    return ole_variant::from_wstring(text, dao_field::get_vartype(dao_type));
  } catch (const tk_exception& e) {
    tk_wtrace(3, L"Default value [%s] does not convert: %s", text, tk_to_wide(e.message()));
    return ole_variant();
  }
}

std::wstring default_text(DAOField* field) {
  VARIANT value;
  VariantInit(&value);
  dao_check(field->get_DefaultValue(&value));
  const ole_variant v(value);
  VariantClear(&value);
  return v.get_type() == VT_NULL || v.get_type() == VT_EMPTY ? std::wstring() : v.to_wstring();
}

int16_t type_of(DAOField* field) {
  int16_t type = 0;
  dao_check(field->get_Type(&type));
  return type;
}

ole_com_ptr<DAOField> item(DAOFields* fields, int32_t position) {
  ole_com_ptr<DAOField> field;
  dao_check(fields->get_Item(dao_long_variant(position), field.out()));
  dao_check_object(field.get(), "field");
  return field;
}

int16_t count_of(DAOFields* fields) {
  int16_t count = 0;
  dao_check(fields->get_Count(&count));
  return count;
}
}  // namespace

dao_recordset::dao_recordset(const std::wstring& name, ole_com_ptr<DAORecordset> recordset,
                             ole_com_ptr<DAOTableDef> tabledef)
    : udb_recordset(name, true), recordset_(std::move(recordset)), tabledef_(std::move(tabledef)) {
  tk_wtrace(2, L"dao_recordset::dao_recordset(%s)", name);
  TK_ASSERT(recordset_ && tabledef_);
  int32_t count = 0;
  dao_check(tabledef_->get_RecordCount(&count));
  set_records_count(count < 0 ? 0 : static_cast<uint32_t>(count));
  tk_trace(1, "Got records count: %d", records_count());
  init_schema(tabledef_.get());
  init_indexes(tabledef_.get());
  b_eof_ = read_eof();
  check_count();
}

dao_recordset::dao_recordset(const std::wstring& name, const std::wstring& sql,
                             ole_com_ptr<DAORecordset> recordset, ole_com_ptr<DAOQueryDef> querydef,
                             uint32_t count)
    : udb_recordset(name, sql, true),
      recordset_(std::move(recordset)),
      querydef_(std::move(querydef)) {
  tk_wtrace(2, L"dao_recordset::dao_recordset(%s)", name);
  TK_ASSERT(recordset_ && querydef_);
  set_records_count(count);
  tk_trace(1, "Got records count: %d", records_count());
  init_schema(querydef_.get());
  b_eof_ = read_eof();
}

dao_recordset::dao_recordset(const std::wstring& name, ole_com_ptr<DAORecordset> recordset)
    : udb_recordset(name, true), recordset_(std::move(recordset)) {
  tk_wtrace(2, L"dao_recordset::dao_recordset(%s)", name);
  TK_ASSERT(recordset_);
  ole_com_ptr<DAOFields> fields;
  dao_check(recordset_->get_Fields(fields.out()));
  dao_check_object(fields.get(), "field list");
  init_schema(fields.get());
  b_eof_ = read_eof();
  // The rows are counted as they are read: no count is stored for them. A
  // scan that lost rows to a damaged file fails at its end: with no row
  // read, opening fails; else the loss is raised at the end of the scan
  // that reads the rows.
  uint32_t rows = 0;
  try {
    while (!read_eof()) {
      ++rows;
      dao_check(recordset_->MoveNext());
    }
  } catch (const tk_exception& e) {
    if (rows == 0) throw;
    pending_loss_ = std::make_unique<tk_exception>(e);
  }
  dao_check(recordset_->MoveFirst());
  b_eof_ = read_eof();
  set_records_count(rows);
  for (const t_ftd* column : schema().fields()) {
    if (column->name != L"ValueID") continue;
    udb_index key;
    key.name = L"PrimaryKey";
    key.b_primary = true;
    key.b_unique = true;
    key.fields.push_back(column->name);
    add_index(key);
  }
}

dao_recordset::~dao_recordset() {
  tk_trace(2, "dao_recordset::dtor");
  current_record_.reset();
  // A destructor cannot raise: a failed Close is traced, the objects are
  // released in any case.
  if (FAILED(recordset_->Close())) tk_trace(3, "Failed to close the DAO recordset");
  querydef_.reset();
  tabledef_.reset();
  recordset_.reset();
}

// A stored count of 0 would make the driver skip every row; the count stored
// in a table definition can lag behind its rows, so count them then.
void dao_recordset::check_count() {
  if (records_count() != 0 || b_eof_) return;
  uint32_t rows = 0;
  while (!read_eof()) {
    ++rows;
    dao_check(recordset_->MoveNext());
  }
  dao_check(recordset_->MoveFirst());
  b_eof_ = read_eof();
  tk_wtrace(3, L"Table %s stores the record count 0 but has %d records", name(), rows);
  set_records_count(rows);
}

bool dao_recordset::read_eof() const {
  VARIANT_BOOL eof = VARIANT_TRUE;
  dao_check(recordset_->get_EOF(&eof));
  return eof != VARIANT_FALSE;
}

void dao_recordset::append_record(const udb_record&) {
  TK_FAIL();
}

void dao_recordset::load_columns() {
  if (!columns_.empty()) return;
  ole_com_ptr<DAOFields> fields;
  dao_check(recordset_->get_Fields(fields.out()));
  dao_check_object(fields.get(), "field list");
  int16_t count = 0;
  dao_check(fields->get_Count(&count));
  size_t next_skip = 0;
  for (int32_t i = 0; i < count; ++i) {
    if (next_skip < skipped_.size() && skipped_[next_skip] == i) {
      ++next_skip;
      continue;
    }
    ole_com_ptr<DAOField> field;
    dao_check(fields->get_Item(dao_long_variant(i), field.out()));
    dao_check_object(field.get(), "field");
    columns_.push_back(std::make_unique<dao_field>(std::move(field), false));
  }
}

udb_record* dao_recordset::get_item() {
  load_columns();
  if (!current_record_) {
    current_record_ = std::make_unique<dao_record>(columns_, pool_);
    return current_record_.get();
  }
  // The record of the row before takes this row's values.
  try {
    current_record_->read_values();
  } catch (...) {
    current_record_.reset();
    throw;
  }
  return current_record_.get();
}

std::unique_ptr<udb_record> dao_recordset::take_item() {
  current_record_.reset();
  load_columns();
  return std::make_unique<dao_record>(columns_, pool_);
}

bool dao_recordset::is_eof() {
  return b_eof_;
}

void dao_recordset::next() {
  dao_check(recordset_->MoveNext());
  b_eof_ = read_eof();
  if (b_eof_ && pending_loss_) {
    const tk_exception loss = *pending_loss_;
    pending_loss_.reset();
    throw loss;
  }
}

void dao_recordset::move_prev() {
  VARIANT_BOOL bof = VARIANT_TRUE;
  dao_check(recordset_->get_BOF(&bof));
  if (bof == VARIANT_FALSE) dao_check(recordset_->MovePrevious());
}

void dao_recordset::move_first() {
  if (records_count() == 0) return;
  dao_check(recordset_->MoveFirst());
  // A scan that reached the end is at the first row again.
  b_eof_ = read_eof();
}

ole_variant dao_recordset::table_default(int32_t position, int16_t dao_type, uint32_t size,
                                         std::wstring text, uint32_t* extra) {
  *extra = 0;
  if (!text.empty()) {
    bool equals_form = false;
    if (text.front() == L'=') {
      tk_trace(1, "Got def.value of form ='...'");
      text.erase(0, 1);
      if (enclosed(text, L'"', L'"') || enclosed(text, L'\'', L'\'')) text = strip(text);
      tk_wtrace(1, L"After all processing: %s", text);
      equals_form = true;
    }
    if (dao_type == DAO_TYPE_DATE) {
      tk_trace(1, "Got date/time def.value");
      if (enclosed(text, L'#', L'#')) text = strip(text);
      *extra = 1;
    } else if (!equals_form && (dao_type == DAO_TYPE_TEXT || dao_type == DAO_TYPE_MEMO)) {
      // Memo defaults are written the same way; their quotes are not part
      // of the value either.
      tk_trace(1, "Got string def.value");
      if (enclosed(text, L'"', L'"')) text = strip(text);
    }
    if (size != 0 && dao_type == DAO_TYPE_TEXT && size < text.size()) {
      tk_wtrace(3, L"Skip incorrect default value [%s] for field #%d", text, position);
      text.clear();
    }
  }
  return convert_default(text, dao_type);
}

ole_variant dao_recordset::query_default(int16_t dao_type, std::wstring text, uint32_t* extra) {
  *extra = 0;
  if (dao_type == DAO_TYPE_DATE) {
    tk_trace(1, "Got date/time def.value");
    if (enclosed(text, L'#', L'#')) text = strip(text);
    *extra = 1;
  } else if (dao_type == DAO_TYPE_TEXT) {
    tk_trace(1, "Got string def.value");
    if (enclosed(text, L'"', L'"')) text = strip(text);
  }
  return convert_default(text, dao_type);
}

void dao_recordset::add_column(ole_com_ptr<DAOField> field, const ole_variant& def_value,
                               uint32_t extra) {
  const int16_t type = type_of(field.get());
  const dao_field column(std::move(field), false);
  auto ftd = std::make_unique<t_ftd>(column, def_value, extra);
  if (type == DAO_TYPE_GUID) ftd->extra = 1;
  schema().add(std::move(ftd));
}

void dao_recordset::init_schema(DAOTableDef* tabledef) {
  tk_trace(2, "dao_recordset::init_schema( DAOTableDef * )");
  ole_com_ptr<DAOFields> fields;
  dao_check(tabledef->get_Fields(fields.out()));
  dao_check_object(fields.get(), "field list");
  const int16_t count = count_of(fields.get());
  for (int32_t i = 0; i < count; ++i) {
    ole_com_ptr<DAOField> field = item(fields.get(), i);
    const int16_t type = type_of(field.get());
    int32_t size = 0;
    dao_check(field->get_Size(&size));
    if (skip_unknown(field.get(), i, type)) continue;
    const std::wstring text = default_text(field.get());
    tk_wtrace(2, L"Field #%d: size=%d, DAO type=%d, default value=%s", i, size, type, text);
    uint32_t extra = 0;
    const ole_variant def_value = table_default(i, type, static_cast<uint32_t>(size), text, &extra);
    add_column(std::move(field), def_value, extra);
  }
  tk_trace(2, "End of dao_recordset::init_schema");
}

void dao_recordset::init_schema(DAOQueryDef* querydef) {
  tk_trace(2, "dao_recordset::init_schema( DAOQueryDef * )");
  ole_com_ptr<DAOFields> fields;
  dao_check(querydef->get_Fields(fields.out()));
  dao_check_object(fields.get(), "field list");
  const int16_t count = count_of(fields.get());
  for (int32_t i = 0; i < count; ++i) {
    ole_com_ptr<DAOField> field = item(fields.get(), i);
    const int16_t type = type_of(field.get());
    const std::wstring text = default_text(field.get());
    tk_wtrace(2, L"Field #%d: DAO type=%d, default value=%s", i, type, text);
    uint32_t extra = 0;
    const ole_variant def_value = query_default(type, text, &extra);
    add_column(std::move(field), def_value, extra);
  }
}

void dao_recordset::init_schema(DAOFields* fields) {
  tk_trace(2, "dao_recordset::init_schema( DAOFields * )");
  const int16_t count = count_of(fields);
  for (int32_t i = 0; i < count; ++i) {
    ole_com_ptr<DAOField> field = item(fields, i);
    const int16_t type = type_of(field.get());
    tk_trace(2, "Field #%d: DAO type=%d", i, type);
    if (skip_unknown(field.get(), i, type)) continue;
    add_column(std::move(field), ole_variant(), 0);
  }
}

bool dao_recordset::skip_unknown(DAOField* field, int32_t position, int16_t type) {
  if ((type & DAO_TYPE_UNKNOWN) == 0) return false;
  const std::wstring column = dao_text([&](BSTR* b) { return field->get_Name(b); });
  const std::string text =
      tk_format("Column %s has the unknown Access column type %d; the column is not converted.",
                column, type & 0xFF);
  tk_wtrace(3, L"Table %s: %s", name(), tk_to_wide(text));
  add_open_error(tk_exception(text, TK_LEVEL_RECORD));
  skipped_.push_back(position);
  return true;
}

void dao_recordset::init_indexes(DAOTableDef* tabledef) {
  tk_trace(2, "dao_recordset::init_indexes");
  ole_com_ptr<DAOIndexes> indexes;
  dao_check(tabledef->get_Indexes(indexes.out()));
  dao_check_object(indexes.get(), "index list");
  int16_t count = 0;
  dao_check(indexes->get_Count(&count));
  tk_trace(1, "Got %d indexes", count);
  for (int32_t i = 0; i < count; ++i) {
    tk_trace(1, "Processing index %d", i);
    ole_com_ptr<DAOIndex> index;
    dao_check(indexes->get_Item(dao_long_variant(i), index.out()));
    dao_check_object(index.get(), "index");
    tk_trace(1, "STEP #1");
    udb_index entry;
    entry.name = dao_text([&](BSTR* b) { return index->get_Name(b); });
    VARIANT_BOOL flag = VARIANT_FALSE;
    dao_check(index->get_Primary(&flag));
    entry.b_primary = flag == VARIANT_TRUE;
    dao_check(index->get_Unique(&flag));
    entry.b_unique = flag == VARIANT_TRUE;
    tk_trace(1, "STEP #2");
    VARIANT object;
    VariantInit(&object);
    dao_check(index->get_Fields(&object));
    ole_com_ptr<DAOIndexFields> index_fields;
    DAOUnknown* unknown = dao_variant_object(&object);
    const HRESULT hr = unknown
                           ? unknown->QueryInterface(IID_DAOIndexFields,
                                                     reinterpret_cast<void**>(index_fields.out()))
                           : E_NOINTERFACE;
    dao_variant_clear(&object);
    dao_check(hr);
    dao_check_object(index_fields.get(), "index field list");
    tk_trace(1, "STEP #3");
    int16_t n_fields = 0;
    dao_check(index_fields->get_Count(&n_fields));
    for (int32_t k = 0; k < n_fields; ++k) {
      ole_com_ptr<DAOField> item_field;
      dao_check(index_fields->get_Item(dao_long_variant(k), item_field.out()));
      dao_check_object(item_field.get(), "index field");
      ole_com_ptr<DAOField> field;
      dao_check(item_field->QueryInterface(IID_DAOField, reinterpret_cast<void**>(field.out())));
      dao_check_object(field.get(), "index field");
      const std::wstring field_name = dao_text([&](BSTR* b) { return field->get_Name(b); });
      tk_wtrace(1, L"got index field: %s", field_name);
      entry.fields.push_back(field_name);
    }
    tk_trace(1, "STEP #4");
    add_index(entry);
  }
  tk_trace(2, "End of dao_recordset::init_indexes");
}
