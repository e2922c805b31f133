// Database, TableDefs, TableDef and QueryDef (see daodatabase.h).
#include "access/dao/daodatabase.h"

#include "TK/tk_text.h"

namespace {

bool missing(const VARIANT& v) {
  return v.vt == VT_EMPTY || v.vt == VT_ERROR;
}

std::vector<dao_ref<DAOField>> describe(const dao_context_ptr& context,
                                        const std::vector<dao_field_info>& infos) {
  std::vector<dao_ref<DAOField>> fields;
  for (const auto& info : infos) fields.emplace_back(new DAOField(context, info));
  return fields;
}

}  // namespace

void dao_check_recordset_type(const VARIANT& type) {
  if (missing(type)) return;
  VARIANT i4;
  VariantInit(&i4);
  if (FAILED(VariantChangeType(&i4, &type, 0, VT_I4))) throw jet_errors::invalid_argument();
  if (i4.lVal != 1 && i4.lVal != 2 && i4.lVal != 4 && i4.lVal != 8)
    throw jet_errors::invalid_argument();
}

// ---------------------------------------------------------------------------
// DAOTableDef

DAOTableDef::DAOTableDef(dao_context_ptr context, std::shared_ptr<jet_file> file,
                         const jet_object& object)
    : context_(std::move(context)), file_(std::move(file)), object_(object) {}

const jet_table& DAOTableDef::table() {
  if (object_.type == JET_OBJECT_LINKED_TABLE)
    throw jet_errors::file_not_found(tk_utf16_to_utf8(object_.database));
  if (object_.type == JET_OBJECT_ODBC_LINK)
    throw jet_errors::odbc_failed(tk_utf16_to_utf8(object_.connect));
  if (!table_) table_ = std::make_unique<jet_table>(*file_, object_.tdef_page(), object_.name);
  return *table_;
}

HRESULT DAOTableDef::get_Name(BSTR* name) {
  if (!name) return E_POINTER;
  *name = dao_bstr_from(object_.name);
  return S_OK;
}

HRESULT DAOTableDef::get_Attributes(int32_t* attributes) {
  if (!attributes) return E_POINTER;
  *attributes = dao_table_attributes(object_);
  return S_OK;
}

HRESULT DAOTableDef::get_RecordCount(int32_t* count) {
  if (!count) return E_POINTER;
  return dao_guard(*context_, [&] {
    *count = object_.type == JET_OBJECT_TABLE ? int32_t(table().stored_row_count()) : -1;
    return S_OK;
  });
}

HRESULT DAOTableDef::get_Fields(DAOFields** fields) {
  if (!fields) return E_POINTER;
  *fields = nullptr;
  return dao_guard(*context_, [&] {
    const std::vector<dao_field_info> infos = dao_describe_table(*file_, object_, table());
    return dao_ref<DAOFields>(new DAOFields(context_, describe(context_, infos))).copy_to(fields);
  });
}

HRESULT DAOTableDef::get_Indexes(DAOIndexes** indexes) {
  if (!indexes) return E_POINTER;
  *indexes = nullptr;
  return dao_guard(*context_, [&] {
    const jet_table& t = table();
    std::vector<dao_index_info> infos;
    for (const jet_index& index : t.indexes()) {
      // ".rX" indexes are the hidden referenced-side halves of relationships.
      if (!index.name.empty() && index.name[0] == u'.') continue;
      // Access indexes the keys that complex columns keep in the row; the
      // column gives the number of its values instead, so such an index
      // (unique, over keys that no longer appear) is no index of the table.
      bool over_complex = false;
      for (const jet_index_column& k : index.columns)
        over_complex |= t.columns()[k.column].type == JET_COMPLEX;
      if (over_complex) continue;
      dao_index_info info;
      info.name = index.name;
      info.primary = index.primary();
      info.unique = index.unique();
      info.foreign = index.foreign();
      info.required = index.flags & 0x08;
      info.ignore_nulls = index.flags & 0x02;
      for (const jet_index_column& k : index.columns) {
        dao_field_info f;
        f.name = t.columns()[k.column].name;
        f.attributes = k.descending ? DAO_DESCENDING : 0;
        info.fields.push_back(std::move(f));
      }
      infos.push_back(std::move(info));
    }
    return dao_ref<DAOIndexes>(new DAOIndexes(context_, std::move(infos))).copy_to(indexes);
  });
}

HRESULT DAOTableDef::get_Connect(BSTR* connect) {
  if (!connect) return E_POINTER;
  std::u16string text;
  if (object_.type == JET_OBJECT_LINKED_TABLE) text = u";DATABASE=" + object_.database;
  if (object_.type == JET_OBJECT_ODBC_LINK) text = object_.connect;
  *connect = dao_bstr_from(text);
  return S_OK;
}

HRESULT DAOTableDef::get_SourceTableName(BSTR* name) {
  if (!name) return E_POINTER;
  *name = dao_bstr_from(object_.foreign_name);
  return S_OK;
}

HRESULT DAOTableDef::OpenRecordset(VARIANT type, VARIANT, DAORecordset** recordset) {
  if (!recordset) return E_POINTER;
  *recordset = nullptr;
  return dao_guard(*context_, [&] {
    dao_check_recordset_type(type);
    auto source = dao_open_table(file_, object_);
    return dao_ref<DAORecordset>(new DAORecordset(context_, file_, std::move(source)))
        .copy_to(recordset);
  });
}

HRESULT DAOTableDef::get_ComplexColumns(std::vector<dao_complex_info>* columns) {
  if (!columns) return E_POINTER;
  columns->clear();
  return dao_guard(*context_, [&] {
    *columns = dao_complex_columns(file_, object_);
    return S_OK;
  });
}

HRESULT DAOTableDef::OpenComplexRecordset(BSTR column, DAORecordset** recordset) {
  if (!recordset) return E_POINTER;
  *recordset = nullptr;
  return dao_guard(*context_, [&] {
    auto source = dao_open_complex(file_, object_, dao_text_of(column));
    return dao_ref<DAORecordset>(new DAORecordset(context_, file_, std::move(source)))
        .copy_to(recordset);
  });
}

// ---------------------------------------------------------------------------
// DAOTableDefs

DAOTableDefs::DAOTableDefs(dao_context_ptr context, std::shared_ptr<jet_file> file)
    : context_(std::move(context)), file_(std::move(file)) {
  for (const jet_object& object : file_->objects())
    if (object.is_table_like()) tables_.push_back(&object);
}

HRESULT DAOTableDefs::get_Count(int16_t* count) {
  if (!count) return E_POINTER;
  *count = int16_t(tables_.size());
  return S_OK;
}

HRESULT DAOTableDefs::get_Item(VARIANT index, DAOTableDef** tabledef) {
  if (!tabledef) return E_POINTER;
  *tabledef = nullptr;
  return dao_guard(*context_, [&] {
    std::vector<std::u16string> names;
    for (const jet_object* t : tables_) names.push_back(t->name);
    size_t position = 0;
    if (!dao_item_position(index, names, &position)) throw jet_errors::item_not_found();
    return dao_ref<DAOTableDef>(new DAOTableDef(context_, file_, *tables_[position]))
        .copy_to(tabledef);
  });
}

// ---------------------------------------------------------------------------
// DAOQueryDef

DAOQueryDef::DAOQueryDef(dao_context_ptr context, std::shared_ptr<jet_file> file,
                         std::u16string sql, dao_query_plan plan)
    : context_(std::move(context)),
      file_(std::move(file)),
      sql_(std::move(sql)),
      plan_(std::move(plan)) {}

HRESULT DAOQueryDef::get_SQL(BSTR* sql) {
  if (!sql) return E_POINTER;
  *sql = dao_bstr_from(sql_);
  return S_OK;
}

HRESULT DAOQueryDef::get_Fields(DAOFields** fields) {
  if (!fields) return E_POINTER;
  *fields = nullptr;
  return dao_guard(*context_, [&] {
    if (closed_) throw jet_errors::object_closed();
    auto source = dao_open_query(file_, plan_);
    return dao_ref<DAOFields>(new DAOFields(context_, describe(context_, source->fields())))
        .copy_to(fields);
  });
}

HRESULT DAOQueryDef::OpenRecordset(VARIANT type, VARIANT, VARIANT, DAORecordset** recordset) {
  if (!recordset) return E_POINTER;
  *recordset = nullptr;
  return dao_guard(*context_, [&] {
    if (closed_) throw jet_errors::object_closed();
    dao_check_recordset_type(type);
    auto source = dao_open_query(file_, plan_);
    return dao_ref<DAORecordset>(new DAORecordset(context_, file_, std::move(source)))
        .copy_to(recordset);
  });
}

HRESULT DAOQueryDef::Close() {
  closed_ = true;
  return S_OK;
}

// ---------------------------------------------------------------------------
// DAODatabase

DAODatabase::DAODatabase(dao_context_ptr context, std::shared_ptr<jet_file> file,
                         std::u16string name)
    : context_(std::move(context)), file_(std::move(file)), name_(std::move(name)) {}

void DAODatabase::check_open() const {
  if (!file_) throw jet_errors::object_closed();
}

HRESULT DAODatabase::get_Name(BSTR* name) {
  if (!name) return E_POINTER;
  *name = dao_bstr_from(name_);
  return S_OK;
}

HRESULT DAODatabase::get_TableDefs(DAOTableDefs** tabledefs) {
  if (!tabledefs) return E_POINTER;
  *tabledefs = nullptr;
  return dao_guard(*context_, [&] {
    check_open();
    return dao_ref<DAOTableDefs>(new DAOTableDefs(context_, file_)).copy_to(tabledefs);
  });
}

HRESULT DAODatabase::CreateQueryDef(VARIANT name, VARIANT sql, DAOQueryDef** querydef) {
  if (!querydef) return E_POINTER;
  *querydef = nullptr;
  return dao_guard(*context_, [&] {
    check_open();
    if (!missing(name) && !(name.vt == VT_BSTR && SysStringLen(name.bstrVal) == 0))
      throw jet_errors::not_supported("stored query definitions; the file is opened read-only");
    if (sql.vt != VT_BSTR) throw jet_errors::invalid_argument();
    std::u16string text = dao_text_of(sql.bstrVal);
    dao_query_plan plan = dao_plan_query(*file_, text);
    return dao_ref<DAOQueryDef>(new DAOQueryDef(context_, file_, std::move(text), plan))
        .copy_to(querydef);
  });
}

HRESULT DAODatabase::Close() {
  return dao_guard(*context_, [&] {
    check_open();
    file_.reset();  // recordsets still open keep their own reference
    return S_OK;
  });
}
