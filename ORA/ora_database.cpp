// ora_database: the table list, statements and validators of the destination.
#include "ORA/ora_database.h"

#include "ORA/oci/oci_library.h"
#include "ORA/ora_engine.h"
#include "ORA/ora_in_validator.h"
#include "ORA/ora_stmt.h"
#include "ORA/ora_validator.h"
#include "TK/tk_exception.h"
#include "TK/tk_text.h"
#include "TK/tk_trace.h"

namespace {
// Bytes of the table-name buffer.
constexpr size_t kTableNameBytes = 512;
// Servers below 8.0.0 lack the table kinds the newer query filters on.
constexpr int32_t kVersion8 = 0x80000;

[[noreturn]] void not_built(const char* what) {
  throw tk_exception(std::string("The Oracle table writer is not built yet: ") + what,
                     TK_LEVEL_RUN);
}
}  // namespace

ora_database::ora_database(const std::wstring& data_source)
    : udb_destination(data_source, 1, true) {
  tk_wtrace(2, L"ora_database::ctor(%s)", data_source);
  ora_engine& engine = ora_engine::instance();
  const std::wstring sql = engine.get_version() < kVersion8
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
    for (;;) {
      const sword status =
          oci_api().OCIStmtFetch(stmt.handle(), engine.err(), 1, OCI_FETCH_NEXT, OCI_DEFAULT);
      if (status != OCI_SUCCESS && status != OCI_SUCCESS_WITH_INFO) break;
      add_name();
    }
  }
  tk_trace(2, "Tables count: %d", tables_.size());
}

ora_database::~ora_database() {
  tk_trace(2, "ora_database::dtor");
}

std::unique_ptr<udb_recordset> ora_database::create_table(const std::wstring& name,
                                                          const udb_schema&, const udb_indexes&) {
  tk_wtrace(2, L"ora_database::create_table(%s)", name);
  not_built("tables cannot be created.");
}

std::unique_ptr<udb_recordset> ora_database::get_table(const std::wstring& name, int32_t) {
  tk_wtrace(2, L"ora_database::get_table(%s)", name);
  not_built("tables cannot be opened.");
}

std::unique_ptr<udb_recordset> ora_database::get_query(const std::wstring& name,
                                                       const std::wstring&, int32_t) {
  tk_wtrace(2, L"ora_database::get_table(%s)", name);
  not_built("queries cannot be opened.");
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

std::unique_ptr<udb_validator> ora_database::create_index_name_validator() {
  return std::make_unique<ora_in_validator>();
}

std::unique_ptr<udb_validator> ora_database::create_table_name_validator(
    const std::vector<std::wstring>& source_tables,
    const std::vector<std::wstring>& destination_tables) {
  return std::make_unique<ora_tn_validator>(source_tables, destination_tables);
}
