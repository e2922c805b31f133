// dao_database: table list, relationships, tables and queries of an open
// Access database.
#include "access/dao_database.h"

#include <cwchar>

#include "OLE/ole_variant.h"
#include "TK/tk_compare.h"
#include "TK/tk_paths.h"
#include "TK/tk_text.h"
#include "TK/tk_trace.h"
#include "access/dao_bstr.h"
#include "access/dao_calls.h"
#include "access/dao_exception.h"
#include "access/dao_recordset.h"

namespace {
constexpr int32_t kOpenDynaset = 2;
constexpr int32_t kDenyWrite = 1;
constexpr int32_t kReadOnly = 4;
constexpr uint32_t kNoRelationships = 0x20 | 0x40;

// The text of one field of the recordset's current row.
std::wstring field_text(DAOFields* fields, int32_t position) {
  ole_com_ptr<DAOField> field;
  dao_check(fields->get_Item(dao_long_variant(position), field.out()));
  dao_check_object(field.get(), "field");
  VARIANT value;
  VariantInit(&value);
  dao_check(field->get_Value(&value));
  const ole_variant v(value);
  VariantClear(&value);
  return v.get_type() == VT_NULL ? std::wstring() : v.to_wstring();
}

// Whether the file that an Access-linked table's connect text names
// (";DATABASE=path") can be found: as written, with Windows separators
// turned into '/', or under its own name beside the source database.
bool link_target_exists(const std::wstring& connect, const std::wstring& source_path) {
  const std::wstring key = L"DATABASE=";
  size_t at = std::wstring::npos;
  for (size_t i = 0; i + key.size() <= connect.size(); ++i) {
    if (tk_wcs_equal_nocase(connect.substr(i, key.size()), key)) {
      at = i + key.size();
      break;
    }
  }
  if (at == std::wstring::npos) return false;
  const std::wstring path = connect.substr(at, connect.find(L';', at) - at);
  if (path.empty()) return false;
  std::wstring slashed = path;
  for (wchar_t& c : slashed)
    if (c == L'\\') c = L'/';
  const std::wstring base = slashed.substr(slashed.rfind(L'/') + 1);
  const size_t slash = source_path.rfind(L'/');
  const std::wstring beside =
      (slash == std::wstring::npos ? std::wstring() : source_path.substr(0, slash + 1)) + base;
  return tk_is_file_exist(path) || tk_is_file_exist(slashed) ||
         (!base.empty() && tk_is_file_exist(beside));
}

bool is_eof(DAORecordset* rs) {
  VARIANT_BOOL eof = VARIANT_TRUE;
  dao_check(rs->get_EOF(&eof));
  return eof != VARIANT_FALSE;
}

// One relationship being read: rows of the same name add columns.
struct pending_relationship {
  std::wstring name;
  udb_relationship rel;
};

// MSysRelationships.grbit: what the relationship enforces.
constexpr long kNotEnforced = 0x2;
constexpr long kCascadeUpdates = 0x100;
constexpr long kCascadeDeletes = 0x1000;
constexpr long kCascadeNull = 0x2000;

void apply_flags(udb_relationship& rel, const std::wstring& grbit) {
  long flags = 0;
  try {
    flags = grbit.empty() ? 0 : std::stol(grbit);
  } catch (const std::exception&) {
    tk_wtrace(2, L"Relationship flags '%s' unreadable", grbit);
  }
  rel.enforced = (flags & kNotEnforced) == 0;
  rel.cascade_update = (flags & kCascadeUpdates) != 0;
  if (flags & kCascadeDeletes)
    rel.delete_rule = L"ON DELETE CASCADE";
  else if (flags & kCascadeNull)
    rel.delete_rule = L"ON DELETE SET NULL";
}

void finish(udb_relationships& list, pending_relationship& current) {
  if (current.name.empty()) return;
  current.rel.name = list.gen_relship_name(current.rel);
  list.push_back(current.rel);
  current = pending_relationship();
}
}  // namespace

dao_database::dao_database(const std::wstring& path, ole_com_ptr<DAODatabase> database,
                           uint32_t options, dao_error_sink sink)
    : udb_database(path, options, false), database_(std::move(database)) {
  tk_wtrace(2, L"dao_database::dao_database( %s )", path);
  TK_ASSERT(database_);
  list_tables();
  if ((options & kNoRelationships) != 0) return;
  try {
    init_fkeys();
  } catch (const dao_exception& e) {
    if (sink) {
      sink(e, path);
    } else {
      tk_trace(3, "Error: %s", e.message());
    }
  }
}

dao_database::~dao_database() {
  tk_trace(2, "dao_database::~dao_database");
  tabledefs_.reset();
  if (database_ && FAILED(database_->Close()))
    tk_trace(3, "Failed to close the MS Access database");
}

void dao_database::list_tables() {
  dao_check(database_->get_TableDefs(tabledefs_.out()), TK_LEVEL_RUN);
  dao_check_object(tabledefs_.get(), "table list", TK_LEVEL_RUN);
  int16_t count = 0;
  dao_check(tabledefs_->get_Count(&count), TK_LEVEL_RUN);
  for (int32_t i = 0; i < count; ++i) {
    ole_com_ptr<DAOTableDef> tabledef;
    dao_check(tabledefs_->get_Item(dao_long_variant(i), tabledef.out()), TK_LEVEL_RUN);
    dao_check_object(tabledef.get(), "table definition", TK_LEVEL_RUN);
    const std::wstring name =
        dao_text([&](BSTR* b) { return tabledef->get_Name(b); }, TK_LEVEL_RUN);
    int32_t attributes = 0;
    dao_check(tabledef->get_Attributes(&attributes), TK_LEVEL_RUN);
    if ((attributes & DAO_ATTACHED_TABLE) && !linked_file_missing(tabledef.get())) {
      tk_wtrace(2, L"Skip linked table '%s'", name);
    } else if (attributes & DAO_SYSTEM_OBJECT) {
      tk_wtrace(2, L"Skip system table '%s'", name);
    } else {
      tk_wtrace(2, L"Got table: '%s'", name);
      tables_.push_back(name);
    }
  }
}

bool dao_database::linked_file_missing(DAOTableDef* tabledef) const {
  const std::wstring connect = dao_text([&](BSTR* b) { return tabledef->get_Connect(b); });
  if (link_target_exists(connect, name())) return false;
  tk_wtrace(2, L"Linked table's file is missing: %s", connect);
  return true;
}

void dao_database::init_fkeys() {
  tk_trace(2, "dao_database::init_fkeys");
  ole_com_ptr<DAOQueryDef> querydef;
  ole_com_ptr<DAORecordset> rs = open_sql(kRelationshipsSql, kReadOnly, &querydef);
  if (!is_eof(rs.get())) dao_check(rs->MoveFirst());
  ole_com_ptr<DAOFields> fields;
  dao_check(rs->get_Fields(fields.out()));
  dao_check_object(fields.get(), "field list");
  pending_relationship current;
  while (!is_eof(rs.get())) {
    tk_trace(1, "Reading next record from MSysRelationships");
    int16_t count = 0;
    dao_check(fields->get_Count(&count));
    TK_ASSERT(count == 6);
    const std::wstring name = field_text(fields.get(), 0);
    const std::wstring column = field_text(fields.get(), 1);
    const std::wstring object = field_text(fields.get(), 2);
    const std::wstring ref_object = field_text(fields.get(), 3);
    const std::wstring ref_column = field_text(fields.get(), 4);
    if (!current.name.empty() && tk_wcs_equal_nocase(current.name, name)) {
      tk_wtrace(2, L"'%s' is a multi-column FK", name);
    } else {
      finish(relationships_, current);
      current.name = name;
      current.rel.table = object;
      current.rel.ref_table = ref_object;
      apply_flags(current.rel, field_text(fields.get(), 5));
    }
    current.rel.fields.push_back(column);
    current.rel.ref_fields.push_back(ref_column);
    tk_wtrace(2, L"rels_name=%s, src=%s.%s, dest=%s.%s", name, object, column, ref_object,
              ref_column);
    dao_check(rs->MoveNext());
  }
  finish(relationships_, current);
  rs->Close();
}

ole_com_ptr<DAORecordset> dao_database::open_sql(const std::wstring& sql, int32_t options,
                                                 ole_com_ptr<DAOQueryDef>* querydef) {
  const dao_bstr empty_name{std::wstring()};
  const dao_bstr text(sql);
  ole_com_ptr<DAOQueryDef> local;
  ole_com_ptr<DAOQueryDef>& qd = querydef ? *querydef : local;
  dao_check(database_->CreateQueryDef(empty_name.as_variant(), text.as_variant(), qd.out()));
  dao_check_object(qd.get(), "query definition");
  ole_com_ptr<DAORecordset> rs;
  dao_check(qd->OpenRecordset(dao_long_variant(kOpenDynaset), dao_long_variant(options),
                              dao_missing_variant(), rs.out()));
  dao_check_object(rs.get(), "recordset");
  return rs;
}

std::unique_ptr<udb_recordset> dao_database::create_table(const std::wstring&, const udb_schema&,
                                                          const udb_indexes&) {
  TK_FAIL();
}

std::unique_ptr<udb_recordset> dao_database::get_table(const std::wstring& name,
                                                       int32_t open_flag) {
  tk_wtrace(2, L"dao_database::get_table(%s, %d)", name, open_flag);
  TK_ASSERT(is_table_exist(name));
  ole_com_ptr<DAOTableDef> tabledef;
  dao_check(tabledefs_->get_Item(dao_bstr(name).as_variant(), tabledef.out()));
  tk_trace(1, "Right after tdfs->getItem");
  dao_check_object(tabledef.get(), "table definition");
  int32_t attributes = 0;
  dao_check(tabledef->get_Attributes(&attributes));
  // A table linked to a file that is missing goes on to be opened, so that
  // it fails with the error that names the file, as a table linked through
  // ODBC fails with the error of its connection.
  if ((attributes & DAO_SYSTEM_OBJECT) ||
      ((attributes & DAO_ATTACHED_TABLE) && !linked_file_missing(tabledef.get())))
    return nullptr;
  const std::wstring sql = L"SELECT * FROM [" + name + L"]";
  ole_com_ptr<DAOQueryDef> querydef;
  ole_com_ptr<DAORecordset> rs = open_sql(sql, (open_flag & 1) ? kReadOnly : 0, &querydef);
  tk_trace(1, "Right after src->CreateQueryDef");
  return std::make_unique<dao_recordset>(name, std::move(rs), std::move(tabledef));
}

ole_com_ptr<DAOTableDef> dao_database::tabledef(const std::wstring& name) {
  ole_com_ptr<DAOTableDef> tabledef;
  dao_check(tabledefs_->get_Item(dao_bstr(name).as_variant(), tabledef.out()));
  dao_check_object(tabledef.get(), "table definition");
  return tabledef;
}

std::vector<udb_child_table> dao_database::child_tables(const std::wstring& table) {
  tk_wtrace(2, L"dao_database::child_tables(%s)", table);
  std::vector<dao_complex_info> columns;
  dao_check(tabledef(table)->get_ComplexColumns(&columns));
  std::vector<udb_child_table> out;
  for (const dao_complex_info& c : columns) {
    udb_child_table child;
    child.column = tk_utf16_to_wide(c.column);
    child.kind = tk_utf16_to_wide(c.kind);
    for (const std::u16string& k : c.parent_key) child.parent_key.push_back(tk_utf16_to_wide(k));
    out.push_back(std::move(child));
  }
  return out;
}

std::unique_ptr<udb_recordset> dao_database::get_child_table(const std::wstring& table,
                                                             const std::wstring& column,
                                                             int32_t open_flag) {
  tk_wtrace(2, L"dao_database::get_child_table(%s, %s, %d)", table, column, open_flag);
  ole_com_ptr<DAORecordset> rs;
  dao_check(tabledef(table)->OpenComplexRecordset(dao_bstr(column), rs.out()));
  dao_check_object(rs.get(), "recordset");
  return std::make_unique<dao_recordset>(table + L"." + column, std::move(rs));
}

std::unique_ptr<udb_recordset> dao_database::get_query(const std::wstring& name,
                                                       const std::wstring& sql, int32_t open_flag) {
  tk_wtrace(2, L"dao_database::get_query(%s, %d)", name, open_flag);
  ole_com_ptr<DAOQueryDef> querydef;
  ole_com_ptr<DAORecordset> rs = open_sql(sql, (open_flag & 1) ? kReadOnly : 0, &querydef);
  const uint32_t count = count_query(sql);
  return std::make_unique<dao_recordset>(name, sql, std::move(rs), std::move(querydef), count);
}

uint32_t dao_database::count_query(const std::wstring& sql) {
  ole_com_ptr<DAORecordset> rs =
      open_sql(L"select count(*) from (" + sql + L")", kReadOnly, nullptr);
  dao_check(rs->MoveFirst());
  ole_com_ptr<DAOFields> fields;
  dao_check(rs->get_Fields(fields.out()));
  dao_check_object(fields.get(), "field list");
  ole_com_ptr<DAOField> field;
  dao_check(fields->get_Item(dao_long_variant(0), field.out()));
  dao_check_object(field.get(), "field");
  VARIANT value;
  VariantInit(&value);
  dao_check(field->get_Value(&value));
  ole_variant count(value);
  VariantClear(&value);
  rs->Close();
  count.change_type(VT_UI4);
  return count.get_variant().ulVal;
}

bool dao_database::test_query(const std::wstring& sql) {
  tk_wtrace(2, L"dao_database::test_query(%s)", sql);
  try {
    // Both texts a conversion of the query opens, the rows and their
    // count, compiled and checked without reading the rows.
    ole_com_ptr<DAORecordset> rs = open_sql(sql, kDenyWrite, nullptr);
    rs->Close();
    rs = open_sql(L"select count(*) from (" + sql + L")", kReadOnly, nullptr);
    rs->Close();
    return true;
  } catch (const std::exception& e) {
    // The engine's error (number and text) for the trace: why the query
    // is refused.
    tk_trace(1, "Query refused: %s", e.what());
    return false;
  } catch (...) {
    return false;
  }
}

std::wstring dao_database::query_error(const std::wstring& sql) {
  tk_wtrace(2, L"dao_database::query_error(%s)", sql);
  try {
    // The texts that get_query opens: the rows and their count.
    ole_com_ptr<DAORecordset> rs = open_sql(sql, kDenyWrite, nullptr);
    rs->Close();
    rs = open_sql(L"select count(*) from (" + sql + L")", kReadOnly, nullptr);
    rs->Close();
    return {};
  } catch (const tk_exception& e) {
    const std::wstring text = tk_utf8_to_wide(e.message()).value_or(std::wstring());
    return text.empty() ? std::wstring(L"The query cannot be run.") : text;
  } catch (...) {
    return L"The query cannot be run.";
  }
}

std::vector<std::wstring> dao_database::saved_queries() {
  tk_trace(2, "dao_database::saved_queries");
  // Query kinds (Flags & 0xF0) that give rows: select, crosstab, union.
  constexpr uint32_t kSelect = 0x00, kCrosstab = 0x10, kUnion = 0x80;
  std::vector<std::wstring> names;
  try {
    ole_com_ptr<DAOQueryDef> querydef;
    ole_com_ptr<DAORecordset> rs = open_sql(kSavedQueriesSql, kReadOnly, &querydef);
    if (!is_eof(rs.get())) dao_check(rs->MoveFirst());
    ole_com_ptr<DAOFields> fields;
    dao_check(rs->get_Fields(fields.out()));
    dao_check_object(fields.get(), "field list");
    while (!is_eof(rs.get())) {
      const std::wstring name = field_text(fields.get(), 0);
      const std::wstring flags_text = field_text(fields.get(), 1);
      const uint32_t kind = uint32_t(std::wcstol(flags_text.c_str(), nullptr, 10)) & 0xF0;
      if (!name.empty() && name[0] != L'~' &&
          (kind == kSelect || kind == kCrosstab || kind == kUnion))
        names.push_back(name);
      else
        tk_wtrace(2, L"Skip saved query '%s' (kind %d)", name, static_cast<int>(kind));
      dao_check(rs->MoveNext());
    }
    rs->Close();
  } catch (const tk_exception& e) {
    tk_trace(2, "Saved queries not listed: %s", e.what());
    names.clear();
  }
  return names;
}
