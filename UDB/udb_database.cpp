// Base behaviour of databases: the table list and its comparison rule.
#include "UDB/udb_database.h"

#include "TK/tk_compare.h"
#include "TK/tk_exception.h"
#include "TK/tk_trace.h"

udb_database::udb_database(const std::wstring& name, uint32_t options, bool b_case_sensitive)
    : name_(name), options_(options), b_case_sensitive_(b_case_sensitive) {}

udb_database::~udb_database() {
  tk_trace(2, "udb_database::dtor");
}

std::ptrdiff_t udb_database::find_table(const std::wstring& name) const {
  for (size_t i = 0; i < tables_.size(); ++i) {
    tk_wtrace(1, L"Compare with %s", tables_[i]);
    const bool match =
        b_case_sensitive_ ? tables_[i] == name : tk_wcs_equal_nocase(tables_[i], name);
    if (match) return static_cast<std::ptrdiff_t>(i);
  }
  return -1;
}

bool udb_database::delete_tab(const std::wstring& name) {
  tk_wtrace(2, L"udb_database::delete_tab (%s)", name);
  const std::ptrdiff_t pos = find_table(name);
  TK_ASSERT(pos >= 0);
  tables_.erase(tables_.begin() + pos);
  return true;
}

void udb_database::query(const std::wstring&) {
  TK_FAIL();
}

void udb_database::create_relationships(const udb_relationships&) {}

bool udb_database::is_table_exist(const std::wstring& name) const {
  tk_wtrace(2, L"udb_database::is_table_exist(%s)", name);
  if (find_table(name) >= 0) {
    tk_trace(1, "table exists");
    return true;
  }
  tk_trace(1, "table not found");
  return false;
}

std::wstring udb_database::query_error(const std::wstring& sql) {
  return test_query(sql) ? std::wstring() : std::wstring(L"The query cannot be run.");
}

std::vector<std::wstring> udb_database::saved_queries() {
  return {};
}

std::vector<udb_child_table> udb_database::child_tables(const std::wstring&) {
  return {};
}

std::unique_ptr<udb_recordset> udb_database::get_child_table(const std::wstring&,
                                                             const std::wstring&, int32_t) {
  TK_FAIL();
}
