// Helpers of the Access SQL tests (see sql_test_support.h).
#include "tests/access/sql/sql_test_support.h"

#include <gtest/gtest.h>

sql_fixture::sql_fixture(const std::string& relative_path)
    : db(session.open_ok(data_path(relative_path))) {}

HRESULT sql_fixture::open(const std::u16string& sql, dao_ref<DAORecordset>& rs) {
  test_bstr text(sql);
  DAOQueryDef* qd = nullptr;
  HRESULT hr = db->CreateQueryDef(vt_missing(), vt_text(text), &qd);
  if (FAILED(hr)) return hr;
  auto owned = dao_ref<DAOQueryDef>::adopt(qd);
  DAORecordset* out = nullptr;
  hr = owned->OpenRecordset(vt_index(2), vt_index(4), vt_missing(), &out);
  rs = dao_ref<DAORecordset>::adopt(out);
  return hr;
}

std::vector<std::string> sql_fixture::rows(const std::u16string& sql) {
  dao_ref<DAORecordset> rs;
  if (FAILED(open(sql, rs))) {
    ADD_FAILURE() << "query failed: " << session.error_number() << " " << session.error_text();
    return {};
  }
  std::vector<std::string> out;
  for (const auto& row : read_all(rs.get())) {
    std::string line;
    for (size_t i = 0; i < row.size(); ++i) line += (i ? "|" : "") + row[i];
    out.push_back(line);
  }
  return out;
}

std::vector<std::string> sql_fixture::fields(const std::u16string& sql) {
  dao_ref<DAORecordset> rs;
  if (FAILED(open(sql, rs))) {
    ADD_FAILURE() << "query failed: " << session.error_number() << " " << session.error_text();
    return {};
  }
  const auto fields = recordset_fields(rs.get());
  int16_t count = 0;
  fields->get_Count(&count);
  std::vector<std::string> out;
  for (int16_t i = 0; i < count; ++i) {
    const auto field = field_at(fields.get(), i);
    int16_t type = 0;
    field->get_Type(&type);
    out.push_back(name_of(field.get()) + ":" + std::to_string(type));
  }
  return out;
}

int32_t sql_fixture::error(const std::u16string& sql, std::string* text) {
  dao_ref<DAORecordset> rs;
  if (SUCCEEDED(open(sql, rs))) {
    // Errors met while reading count as well.
    read_all(rs.get());
    return 0;
  }
  if (text) *text = session.error_text();
  return session.error_number();
}
