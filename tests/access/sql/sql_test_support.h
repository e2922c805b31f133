// Helpers of the Access SQL tests: run a query text against a test database
// through CreateQueryDef / OpenRecordset and get its rows as text, its field
// names and DAO types, or the DAO error it fails with.
#pragma once

#include <string>
#include <vector>

#include "tests/access/dao/dao_test_support.h"

class sql_fixture {
 public:
  explicit sql_fixture(const std::string& relative_path);
  // Rows, each "v1|v2|..." (values as render_value prints them). Fails the
  // test when the query does not run.
  std::vector<std::string> rows(const std::u16string& sql);
  // "Name:Type" for each field of the query's result.
  std::vector<std::string> fields(const std::u16string& sql);
  // The DAO error number the query fails with (0 when it runs), and its text.
  int32_t error(const std::u16string& sql, std::string* text = nullptr);

  dao_session session;
  dao_ref<DAODatabase> db;

 private:
  HRESULT open(const std::u16string& sql, dao_ref<DAORecordset>& rs);
};
