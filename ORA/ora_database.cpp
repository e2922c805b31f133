// ora_database: the table list, table creation, dropping and opening,
// statements, foreign keys and the name mappings of the destination.
#include "ORA/ora_database.h"

#include <optional>

#include "ORA/oci/oci_library.h"
#include "ORA/ora_counter.h"
#include "ORA/ora_engine.h"
#include "ORA/ora_exception.h"
#include "ORA/ora_in_validator.h"
#include "ORA/ora_indexes_initializer.h"
#include "ORA/ora_row_census.h"
#include "ORA/ora_row_compare.h"
#include "ORA/ora_schema_initializer.h"
#include "ORA/ora_stmt.h"
#include "ORA/ora_table.h"
#include "ORA/ora_thread_session.h"
#include "ORA/ora_util.h"
#include "ORA/ora_validator.h"
#include "TK/tk_compare.h"
#include "TK/tk_exception.h"
#include "TK/tk_text.h"
#include "TK/tk_trace.h"
#include "TK/tk_wstring.h"

namespace {
// Bytes of the table-name buffer.
constexpr size_t kTableNameBytes = 512;
// Servers below 8.0.0 lack the table kinds the newer query filters on.
constexpr int32_t kVersion8 = 0x80000;
// From 12.2 on identifiers may have 128 bytes; before, 30.
constexpr int32_t kVersion12_2 = 0xC0200;
// ORA-02275: the same foreign key is there already.
constexpr int32_t kForeignKeyExists = 2275;
// Open flag of a table opened to look at its keys.
constexpr int32_t kOpenForKeys = 1;
// Open flag of a table right after its creation.
constexpr int32_t kOpenCreated = 2;
// Open flag of an existing table that records are appended to.
constexpr int32_t kOpenAppend = 8;

// The index-name validator of the run, or one for this call when no run is
// active (a table created outside a run still gets names that do not
// collide with the schema's).
class index_validator_scope {
 public:
  explicit index_validator_scope(size_t max_bytes) {
    if (!ora_in_validator::exists()) own_ = std::make_unique<ora_in_validator>(max_bytes);
  }
  ora_in_validator& get() { return ora_in_validator::instance(); }

 private:
  std::unique_ptr<ora_in_validator> own_;
};

std::wstring quoted_list(const std::vector<std::wstring>& names) {
  std::wstring out;
  for (size_t i = 0; i < names.size(); ++i) {
    if (i > 0) out += L", ";
    out += L"\"" + names[i] + L"\"";
  }
  return out;
}
}  // namespace

ora_database::ora_database(const std::wstring& data_source)
    : udb_destination(data_source, 1, true) {
  tk_wtrace(2, L"ora_database::ctor(%s)", data_source);
  ora_engine& engine = ora_engine::instance();
  version_ = engine.get_version();
  const std::wstring sql = version_ < kVersion8
                               ? L"select TABLE_NAME from user_tables"
                               : L"select TABLE_NAME, IOT_TYPE from user_tables where "
                                 L"TEMPORARY='N' and NESTED='NO' and IOT_TYPE IS NULL OR "
                                 L"IOT_TYPE='IOT'";
  ora_stmt stmt;
  stmt.prepare(sql);
  char16_t buffer[kTableNameBytes / 2] = {};
  sb2 indicator = 0;
  stmt.define(1, buffer, static_cast<sb4>(kTableNameBytes), SQLT_STR, &indicator, nullptr);
  auto add_name = [&]() {
    size_t n = 0;
    while (n < kTableNameBytes / 2 && buffer[n] != 0) ++n;
    tables_.push_back(tk_utf16_to_wide(std::u16string_view(buffer, n)));
    tk_wtrace(1, L"Find table '%s'", tables_.back());
  };
  if (stmt.execute(1, OCI_DEFAULT) != OCI_NO_DATA) {
    add_name();
    // A failed fetch raises: a cut list would let a later CREATE TABLE
    // meet a table it did not know of (ORA-00955).
    while (stmt.fetch() != OCI_NO_DATA) add_name();
  }
  tk_trace(2, "Tables count: %d", tables_.size());
  max_identifier_bytes_ = read_identifier_limit();
  tk_trace(2, "Identifier limit: %d bytes", max_identifier_bytes_);
  ora_set_national_max_chars(read_national_max_chars());
  tk_trace(2, "NVARCHAR2 limit: %d characters", ora_national_max_chars());
  // A database character set that cannot hold every character (WE8MSWIN1252,
  // say) would store memo text in CLOB columns with replacement characters:
  // memos then go to NCLOB, through the national character set.
  const std::u16string charset = read_database_charset();
  ora_set_unicode_database(charset.empty() || charset == u"AL32UTF8" || charset == u"UTF8");
  tk_trace(3, "Database character set %s: text columns are NVARCHAR2, memo columns %s",
           charset.empty() ? "unknown" : tk_utf16_to_utf8(charset).c_str(),
           ora_unicode_database() ? "CLOB" : "NCLOB");
}

std::u16string ora_database::read_database_charset() const {
  // Oracle 7 has no NCLOB: its memos stay CLOB whatever the character set.
  if (version_ < kVersion8) return u"";
  try {
    ora_stmt stmt;
    stmt.prepare(L"SELECT value FROM nls_database_parameters WHERE parameter = 'NLS_CHARACTERSET'");
    char16_t buffer[64] = {};
    sb2 indicator = 0;
    stmt.define(1, buffer, sizeof buffer, SQLT_STR, &indicator, nullptr);
    if (stmt.execute(1, OCI_DEFAULT) == OCI_NO_DATA || indicator == OCI_IND_NULL) return u"";
    size_t n = 0;
    while (n < 63 && buffer[n] != 0) ++n;
    return std::u16string(buffer, n);
  } catch (const ora_exception& e) {
    tk_trace(2, "Database character set unreadable: %s", e.what());
    return u"";
  }
}

uint32_t ora_database::read_national_max_chars() const {
  // NVARCHAR2 takes 4000 bytes of the national character set: 2000
  // characters of AL16UTF16 (also when it cannot be read: the default since
  // Oracle 9i), 1333 of UTF8.
  if (version_ < kVersion8) return 2000;
  try {
    ora_stmt stmt;
    stmt.prepare(
        L"SELECT value FROM nls_database_parameters WHERE parameter = 'NLS_NCHAR_CHARACTERSET'");
    char16_t buffer[64] = {};
    sb2 indicator = 0;
    stmt.define(1, buffer, sizeof buffer, SQLT_STR, &indicator, nullptr);
    if (stmt.execute(1, OCI_DEFAULT) == OCI_NO_DATA || indicator == OCI_IND_NULL) return 2000;
    size_t n = 0;
    while (n < 63 && buffer[n] != 0) ++n;
    const std::u16string charset(buffer, n);
    tk_trace(2, "National character set: %s", tk_utf16_to_utf8(charset));
    return charset == u"UTF8" ? 1333 : 2000;
  } catch (const ora_exception& e) {
    tk_trace(2, "National character set unreadable: %s", e.what());
    return 2000;
  }
}

size_t ora_database::read_identifier_limit() const {
  ora_engine& engine = ora_engine::instance();
  // A 12.2 or later client knows the session's limit. ub1 as documented,
  // read into a zeroed ub4 so that either width reads right.
  ub4 limit = 0;
  const sword status = oci_api().OCIAttrGet(engine.svc(), OCI_HTYPE_SVCCTX, &limit, nullptr,
                                            OCI_ATTR_MAX_IDENTIFIER_LEN, engine.err());
  if (status == OCI_SUCCESS && limit > 0) return limit & 0xFF;
  // Older clients: servers below 12.2 allow 30 bytes; later ones 128 only
  // with COMPATIBLE 12.2 or higher (an upgraded database may keep 12.1).
  if (version_ < kVersion12_2) return 30;
  try {
    ora_stmt stmt;
    stmt.prepare(L"SELECT value FROM v$parameter WHERE name = 'compatible'");
    char16_t buffer[64] = {};
    sb2 indicator = 0;
    stmt.define(1, buffer, sizeof buffer, SQLT_STR, &indicator, nullptr);
    if (stmt.execute(1, OCI_DEFAULT) == OCI_NO_DATA || indicator == OCI_IND_NULL) return 30;
    size_t n = 0;
    while (n < 63 && buffer[n] != 0) ++n;
    const int32_t compatible =
        ora_parse_version(tk_utf16_to_wide(std::u16string_view(buffer, n)) + L".0.0");
    tk_trace(2, "COMPATIBLE: %06X", compatible);
    return compatible >= kVersion12_2 ? 128 : 30;
  } catch (const ora_exception& e) {
    // No access to v$parameter: the safe limit.
    tk_trace(2, "COMPATIBLE unreadable: %s", e.what());
    return 30;
  }
}

std::unique_ptr<udb_destination> ora_database::open_job_session() {
  tk_trace(2, "ora_database::open_job_session");
  auto job = std::make_unique<ora_thread_database>(ora_engine::instance());
  job->set_uppercase(uppercase_);
  return job;
}

ora_database::~ora_database() {
  tk_trace(2, "ora_database::dtor");
}

size_t ora_database::max_identifier_bytes() const {
  return max_identifier_bytes_;
}

void ora_database::commit() {
  ora_engine& engine = ora_engine::instance();
  check_oci_status(oci_api().OCITransCommit(engine.svc(), engine.err(), OCI_DEFAULT),
                   "OCITransCommit");
}

udb_indexes ora_database::index_names_as_run(const udb_indexes& indexes) const {
  // Upper-case names are the index names too (Access calls its keys
  // "PrimaryKey").
  udb_indexes named;
  for (udb_index index : indexes) {
    if (uppercase_) index.name = tk_wstring(index.name).to_upper();
    named.push_back(index);
  }
  return named;
}

std::unique_ptr<udb_recordset> ora_database::create_table(const std::wstring& name,
                                                          const udb_schema& source_schema,
                                                          const udb_indexes& indexes) {
  tk_wtrace(2, L"ora_database::create_table(%s)", name);
  TK_ASSERT(!is_table_exist(name));
  ora_schema_initializer schema(name, source_schema, indexes, uppercase_, max_identifier_bytes());
  std::optional<index_validator_scope> validator;
  std::optional<ora_indexes_initializer> builder;
  if (!indexes.empty()) {
    validator.emplace(max_identifier_bytes());
    builder.emplace(name, schema.schema(), index_names_as_run(indexes), schema.column_map(),
                    validator->get());
    // The key goes into CREATE TABLE: a run stopped right after it leaves
    // no table without its key.
    if (builder->primary_position() >= 0) {
      const auto& key = builder->indexes()[static_cast<size_t>(builder->primary_position())];
      schema.set_primary_key(key.name, key.fields);
      builder->set_primary_in_table();
    }
  }
  schema.get_init_str(*this);
  // From here on the table exists: it is listed even when a key fails, so
  // that the run can drop or reuse it.
  tables_.push_back(name);
  names_map_.add_fn_map(name, schema.column_map());
  if (builder) builder->build_indexes();
  // A refused sequence is reported once the table is complete.
  schema.raise_deferred_error();
  return get_table(name, kOpenCreated);
}

bool ora_database::delete_tab(const std::wstring& name) {
  tk_wtrace(2, L"ora_database::delete_tab(%s)", name);
  TK_ASSERT(is_table_exist(name));
  // The counter's sequence that this system made for the table goes with
  // it; found before the drop takes the trigger that names it.
  std::optional<std::wstring> sequence;
  try {
    sequence = ora_counter::own_sequence(name, max_identifier_bytes());
  } catch (const ora_exception& e) {
    tk_trace(2, "Cannot read the table's triggers: %s", e.what());
  }
  ora_stmt stmt;
  stmt.prepare(L"DROP TABLE \"" + name + L"\" CASCADE CONSTRAINTS");
  stmt.execute(1, OCI_DEFAULT);
  const bool removed = udb_database::delete_tab(name);
  if (sequence) {
    try {
      query(L"DROP SEQUENCE \"" + *sequence + L"\"");
    } catch (const ora_exception& e) {
      tk_trace(3, "Cannot drop the sequence of the dropped table: %s", e.what());
    }
  }
  return removed;
}

std::unique_ptr<udb_recordset> ora_database::get_table(const std::wstring& name,
                                                       int32_t open_flag) {
  tk_wtrace(2, L"ora_database::get_table(%s)", name);
  TK_ASSERT(is_table_exist(name));
  // A table that another session locks would make every INSERT and UPDATE
  // wait, on a real server without end: the lock that DML needs is taken
  // here, without waiting, so that a busy table fails at once with
  // ORA-00054. It is released by the first commit of the writes.
  if (open_flag == kOpenAppend) query(L"LOCK TABLE \"" + name + L"\" IN ROW EXCLUSIVE MODE NOWAIT");
  return std::make_unique<ora_table>(*this, name, relationships_, open_flag);
}

void ora_database::map_existing_columns(const std::wstring& name, const udb_schema& source_schema) {
  tk_wtrace(2, L"ora_database::map_existing_columns(%s)", name);
  const ora_schema_initializer schema(name, source_schema, udb_indexes(), uppercase_,
                                      max_identifier_bytes());
  names_map_.add_fn_map(name, schema.column_map());
}

udb_completion ora_database::complete_table(const std::wstring& name,
                                            const udb_schema& source_schema,
                                            const udb_indexes& indexes) {
  tk_wtrace(2, L"ora_database::complete_table(%s)", name);
  TK_ASSERT(is_table_exist(name));
  udb_completion done;
  ora_schema_initializer schema(name, source_schema, indexes, uppercase_, max_identifier_bytes());
  udb_indexes existing;
  {
    const ora_table table(*this, name, relationships_, kOpenForKeys);
    // A table whose columns are not the source's is no table this system
    // made of it: nothing is added (merge refuses it as not conforming).
    for (const t_ftd* column : schema.schema().fields()) {
      if (!table.schema().find_field(column->name, std::nothrow)) {
        tk_wtrace(2, L"Column %s is not in the table: nothing added", column->name);
        return done;
      }
    }
    existing = table.indexes();
  }
  if (!indexes.empty()) {
    auto present = [&](const ora_indexes_initializer::index_record& index) {
      for (const udb_index& have : existing) {
        if (index.b_primary && have.b_primary) return true;
        if (have.fields != index.fields) continue;
        if (!index.b_unique || have.b_unique || have.b_primary) return true;
      }
      return false;
    };
    index_validator_scope validator(max_identifier_bytes());
    const ora_indexes_initializer builder(name, schema.schema(), index_names_as_run(indexes),
                                          schema.column_map(), validator.get());
    for (const auto& index : builder.indexes()) {
      if (present(index)) continue;
      const std::wstring sql = builder.index_sql(index);
      if (sql.empty()) continue;
      tk_wtrace(3, L"Run SQL query: %s\n", sql);
      try {
        query(sql);
        done.added.push_back((index.b_primary  ? L"primary key "
                              : index.b_unique ? L"unique key "
                                               : L"index ") +
                             index.name);
        existing.push_back(udb_index{index.name, index.b_unique, index.b_primary, index.fields});
      } catch (const ora_exception& e) {
        if (!ora_indexes_initializer::is_already_indexed(e.oracle_error()))
          done.errors.push_back(e);
      }
    }
  }
  if (!schema.autoincrement_column().empty()) {
    try {
      if (!ora_counter::find(name)) {
        schema.create_counter(*this);
        schema.raise_deferred_error();
        if (const auto counter = ora_counter::find(name)) {
          done.added.push_back(L"sequence " + counter->sequence() + L" and its trigger");
          counter->move_past_values(*this, name);
        }
      } else if (const auto own = ora_counter::own_sequence(name, max_identifier_bytes())) {
        // The counter's trigger stands without its sequence (dropped since):
        // every insert would fail on the invalid trigger. The sequence is
        // made again under its name, past the values the column holds.
        const auto counter = ora_counter::find(name);
        if (counter && counter->sequence() == *own && !counter->sequence_exists()) {
          query(L"CREATE SEQUENCE \"" + *own +
                L"\" INCREMENT BY 1 START WITH 1 MAXVALUE 9999999999999999999999999999 MINVALUE 1 "
                L"NOCYCLE NOCACHE ORDER");
          done.added.push_back(L"sequence " + *own);
          counter->move_past_values(*this, name);
        }
      }
    } catch (const tk_exception& e) {
      done.errors.push_back(e);
    }
  }
  return done;
}

std::unique_ptr<udb_row_census> ora_database::row_census(const std::wstring& name,
                                                         const udb_schema& source_schema) {
  return std::make_unique<ora_row_census>(name, source_schema, uppercase_, max_identifier_bytes());
}

std::unique_ptr<udb_row_compare> ora_database::row_compare(const std::wstring& name,
                                                           const udb_schema& source_schema,
                                                           const udb_recordset& table) {
  if (table.key_index() < 0 || table.has_query() || source_schema.empty()) return nullptr;
  // Source column i is written to the table's column i (INSERT and UPDATE
  // go by position): the key's columns are found so, and the comparison
  // must pair the columns the same way.
  const udb_index& key = table.indexes()[static_cast<size_t>(table.key_index())];
  std::vector<size_t> key_columns;
  for (size_t i = 0; i < source_schema.size() && i < table.schema().size(); ++i)
    for (const std::wstring& field : key.fields)
      if (table.schema()[i].name == field) {
        key_columns.push_back(i);
        break;
      }
  if (key_columns.size() != key.fields.size()) {
    tk_wtrace(2, L"Rows of %s not compared: its key has columns the source does not write", name);
    return nullptr;
  }
  auto compare = std::make_unique<ora_row_compare>(name, source_schema, std::move(key_columns),
                                                   uppercase_, max_identifier_bytes());
  const std::vector<std::wstring>& paired = compare->column_names();
  for (size_t i = 0; i < paired.size(); ++i)
    if (i >= table.schema().size() || paired[i] != table.schema()[i].name) {
      tk_wtrace(2, L"Rows of %s not compared: its columns are not the source's in their order",
                name);
      return nullptr;
    }
  return compare;
}

std::unique_ptr<udb_recordset> ora_database::get_query(const std::wstring& name,
                                                       const std::wstring& sql, int32_t open_flag) {
  tk_wtrace(2, L"ora_database::get_table(%s)", name);
  return std::make_unique<ora_table>(*this, name, sql, relationships_, open_flag);
}

bool ora_database::test_query(const std::wstring& sql) {
  tk_wtrace(2, L"ora_database::test_query(%s)", sql);
  ora_stmt stmt;
  stmt.prepare_unchecked(sql);
  stmt.execute(1, OCI_PARSE_ONLY);
  return true;
}

void ora_database::query(const std::wstring& sql) {
  tk_wtrace(2, L"ora_database::query(%s)", sql);
  ora_stmt stmt;
  stmt.prepare(sql);
  stmt.execute(1, OCI_DEFAULT);
}

void ora_database::create_relationships(const udb_relationships& relationships) {
  tk_trace(2, "ora_database::create_relationships");
  tk_trace(3, "Converting foreign keys");
  if (options() == kAppendMode) {
    tk_trace(3, "Foreign Keys are not converted in append mode");
    return;
  }
  for (const udb_relationship& rel : relationships) {
    tk_wtrace(3, L"Processing '%s'", rel.name);
    const std::wstring ref_table = get_tn_mapped_name_ex(rel.ref_table);
    const std::wstring table = get_tn_mapped_name_ex(rel.table);
    bool missing = false;
    for (const std::wstring* t : {&ref_table, &table}) {
      if (!missing && !is_table_exist(*t)) {
        tk_wtrace(2, L"Table '%s' does not exist", *t);
        missing = true;
      }
    }
    if (missing) continue;

    create_fk_index_if(ref_table, rel.ref_fields);
    std::vector<std::wstring> fields, ref_fields;
    for (const std::wstring& f : rel.fields) fields.push_back(get_fn_mapped_name_ex(table, f));
    for (const std::wstring& f : rel.ref_fields)
      ref_fields.push_back(get_fn_mapped_name_ex(ref_table, f));
    std::wstring sql = L"ALTER TABLE \"" + table + L"\" ADD FOREIGN KEY (" + quoted_list(fields) +
                       L") REFERENCES \"" + ref_table + L"\"(" + quoted_list(ref_fields) + L")";
    const std::wstring rule = tk_trim(rel.delete_rule);
    if (!rule.empty() && (tk_wcs_equal_nocase(rule, L"ON DELETE SET NULL") ||
                          tk_wcs_equal_nocase(rule, L"ON DELETE CASCADE")))
      sql += L" " + rule;
    try {
      query(sql);
    } catch (const ora_exception& e) {
      // A run into tables kept from an earlier run finds their keys there.
      if (e.oracle_error() != kForeignKeyExists) throw;
      tk_wtrace(2, L"Foreign key '%s' exists", rel.name);
    }
  }
}

void ora_database::create_fk_index_if(const std::wstring& table,
                                      const std::vector<std::wstring>& columns) {
  tk_wtrace(2, L"ora_database::create_fk_index_if(%s)", table);
  std::vector<std::wstring> mapped;
  for (const std::wstring& c : columns) mapped.push_back(get_fn_mapped_name_ex(table, c));
  std::unique_ptr<udb_recordset> opened;
  try {
    opened = get_table(table, kOpenForKeys);
  } catch (const tk_exception& e) {
    tk_trace(2, "Cannot open the referenced table: %s", e.what());
    return;
  }
  if (!opened) return;
  const udb_indexes& indexes = opened->indexes();
  if (indexes.has_index_on_fields(mapped, false) && indexes.has_index_on_fields(mapped, true)) {
    tk_wtrace(2, L"FK index for table '%s' exists", table);
    return;
  }
  opened.reset();

  index_validator_scope scope(max_identifier_bytes());
  ora_in_validator& validator = scope.get();
  std::wstring name = table + L"_UI";
  if (!validator.is_acceptable(name)) name = validator.get_safe_name(name);
  validator.restricted().push_back(name);
  validator.used_names().push_back(name);
  try {
    query(L"ALTER TABLE \"" + table + L"\" ADD CONSTRAINT \"" + name + L"\" UNIQUE(" +
          quoted_list(mapped) + L")");
  } catch (const ora_exception& e) {
    tk_trace(2, "Error while creating index for FK:\n%s\n", e.what());
  }
  tk_wtrace(2, L"FK index for table '%s' has been created", table);
}

std::wstring ora_database::get_tn_mapped_name_ex(const std::wstring& source_table) const {
  tk_wtrace(1, L"ora_database::get_tn_mapped_name_ex(%s)", source_table);
  if (uppercase_) {
    return names_map_.get_tn_mapped_name(tk_wstring(source_table).to_upper(), false);
  }
  const std::wstring exact = names_map_.get_tn_mapped_name(source_table, true);
  if (is_table_exist(exact)) return exact;
  tk_wtrace(1, L"Cannot find table %s", exact);
  tk_trace(1, "Try to search case insensitive...");
  return names_map_.get_tn_mapped_name(source_table, false);
}

std::wstring ora_database::get_fn_mapped_name_ex(const std::wstring& table,
                                                 const std::wstring& field) const {
  tk_wtrace(1, L"ora_database::get_fn_mapped_name_ex(%s)", field);
  if (uppercase_) {
    return names_map_.get_fn_mapped_name(tk_wstring(table).to_upper(), tk_wstring(field).to_upper(),
                                         false);
  }
  return names_map_.get_fn_mapped_name(table, field, true);
}

std::unique_ptr<udb_validator> ora_database::create_index_name_validator() {
  return std::make_unique<ora_in_validator>(max_identifier_bytes());
}

std::unique_ptr<udb_validator> ora_database::create_table_name_validator(
    const std::vector<std::wstring>& source_tables,
    const std::vector<std::wstring>& destination_tables) {
  return std::make_unique<ora_tn_validator>(source_tables, destination_tables,
                                            max_identifier_bytes());
}
