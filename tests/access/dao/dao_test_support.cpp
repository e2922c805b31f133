// Helpers for the DAO component's tests (see dao_test_support.h).
#include "tests/access/dao/dao_test_support.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "TK/tk_text.h"

std::string data_path(const std::string& relative) {
  return std::string(TARVEL_TEST_DATA) + "/access/" + relative;
}

VARIANT vt_index(int32_t i) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_I4;
  v.lVal = i;
  return v;
}

VARIANT vt_missing() {
  VARIANT v;
  VariantInit(&v);
  return v;
}

VARIANT vt_text(const test_bstr& text) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_BSTR;
  v.bstrVal = text.b;
  return v;
}

std::string utf8(BSTR b) {
  return tk_utf16_to_utf8(dao_text_of(b));
}

dao_session::dao_session() {
  DAODBEngine* e = nullptr;
  EXPECT_EQ(dao_create_engine(0, &e), S_OK);
  engine = dao_ref<DAODBEngine>::adopt(e);
}

HRESULT dao_session::open(const std::string& path, dao_ref<DAODatabase>& db,
                          const std::u16string& pwd) {
  test_bstr name(tk_utf8_to_utf16(path));
  VARIANT connect = vt_missing();
  test_bstr connect_text(u";pwd=" + pwd);
  if (!pwd.empty()) {
    connect.vt = VT_BSTR;
    connect.bstrVal = connect_text.b;
  }
  VARIANT ro;
  VariantInit(&ro);
  ro.vt = VT_BOOL;
  ro.boolVal = VARIANT_TRUE;
  DAODatabase* out = nullptr;
  HRESULT hr = engine->OpenDatabase(name.b, vt_missing(), ro, connect, &out);
  db = dao_ref<DAODatabase>::adopt(out);
  return hr;
}

dao_ref<DAODatabase> dao_session::open_ok(const std::string& path, const std::u16string& pwd) {
  dao_ref<DAODatabase> db;
  EXPECT_EQ(open(path, db, pwd), S_OK) << error_text();
  return db;
}

int32_t dao_session::error_number() {
  DAOErrors* errors = nullptr;
  engine->get_Errors(&errors);
  auto owned = dao_ref<DAOErrors>::adopt(errors);
  DAOError* error = nullptr;
  if (FAILED(owned->get_Item(vt_index(0), &error))) return 0;
  auto e = dao_ref<DAOError>::adopt(error);
  int32_t number = 0;
  e->get_Number(&number);
  return number;
}

std::string dao_session::error_text() {
  DAOErrors* errors = nullptr;
  engine->get_Errors(&errors);
  auto owned = dao_ref<DAOErrors>::adopt(errors);
  DAOError* error = nullptr;
  if (FAILED(owned->get_Item(vt_index(0), &error))) return {};
  auto e = dao_ref<DAOError>::adopt(error);
  BSTR text = nullptr;
  e->get_Description(&text);
  std::string s = utf8(text);
  SysFreeString(text);
  return s;
}

dao_ref<DAOTableDef> tabledef(DAODatabase* db, const std::u16string& name) {
  DAOTableDefs* defs = nullptr;
  EXPECT_EQ(db->get_TableDefs(&defs), S_OK);
  auto owned = dao_ref<DAOTableDefs>::adopt(defs);
  test_bstr n(name);
  DAOTableDef* def = nullptr;
  EXPECT_EQ(owned->get_Item(vt_text(n), &def), S_OK);
  return dao_ref<DAOTableDef>::adopt(def);
}

dao_ref<DAORecordset> query(DAODatabase* db, const std::u16string& sql) {
  test_bstr text(sql);
  DAOQueryDef* qd = nullptr;
  EXPECT_EQ(db->CreateQueryDef(vt_missing(), vt_text(text), &qd), S_OK);
  auto owned = dao_ref<DAOQueryDef>::adopt(qd);
  if (!owned) return {};
  VARIANT type = vt_index(2);
  DAORecordset* rs = nullptr;
  EXPECT_EQ(owned->OpenRecordset(type, vt_index(4), vt_missing(), &rs), S_OK);
  return dao_ref<DAORecordset>::adopt(rs);
}

std::string render_value(const VARIANT& v) {
  char buf[64];
  switch (v.vt) {
    case VT_NULL:
      return "NULL";
    case VT_BOOL:
      return v.boolVal ? "true" : "false";
    case VT_UI1:
      return std::to_string(v.bVal);
    case VT_I2:
      return std::to_string(v.iVal);
    case VT_I4:
      return std::to_string(v.lVal);
    case VT_I8:
      return std::to_string(v.llVal);
    case VT_R8:
      std::snprintf(buf, sizeof buf, "%.17g", v.dblVal);
      return buf;
    case VT_R4:
      std::snprintf(buf, sizeof buf, "%.9g", double(v.fltVal));
      return buf;
    case VT_FILETIME:  // 100 ns since 1601-01-01
      return "ft:" + std::to_string(v.llVal);
    case VT_BSTR:
      return utf8(v.bstrVal);
    case VT_CY:
    case VT_DECIMAL: {
      test_variant text;
      if (FAILED(VariantChangeType(&text.v, &v, 0, VT_BSTR))) return "?";
      return utf8(text.v.bstrVal);
    }
    case VT_DATE: {
      SYSTEMTIME st;
      if (!VariantTimeToSystemTime(v.date, &st)) return "bad date";
      std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", st.wYear, st.wMonth, st.wDay,
                    st.wHour, st.wMinute, st.wSecond);
      return buf;
    }
    case VT_ARRAY | VT_UI1:
      return "bytes:" + std::to_string(v.parray->rgsabound[0].cElements);
    default:
      return "vt" + std::to_string(v.vt);
  }
}

dao_ref<DAOFields> recordset_fields(DAORecordset* rs) {
  DAOFields* fields = nullptr;
  rs->get_Fields(&fields);
  return dao_ref<DAOFields>::adopt(fields);
}

dao_ref<DAOField> field_at(DAOFields* fields, int16_t i) {
  DAOField* f = nullptr;
  fields->get_Item(vt_index(i), &f);
  return dao_ref<DAOField>::adopt(f);
}

std::vector<std::string> current_row(DAOFields* fields) {
  int16_t count = 0;
  fields->get_Count(&count);
  std::vector<std::string> row;
  for (int16_t i = 0; i < count; ++i) {
    test_variant value;
    EXPECT_EQ(field_at(fields, i)->get_Value(&value.v), S_OK);
    row.push_back(render_value(value.v));
  }
  return row;
}

std::vector<std::vector<std::string>> read_all(DAORecordset* rs) {
  std::vector<std::vector<std::string>> rows;
  const auto fields = recordset_fields(rs);
  for (VARIANT_BOOL eof = 0; rs->get_EOF(&eof) == S_OK && !eof; rs->MoveNext())
    rows.push_back(current_row(fields.get()));
  return rows;
}

std::string field_value(DAORecordset* rs, const std::u16string& name) {
  const auto fields = recordset_fields(rs);
  test_bstr n(name);
  DAOField* f = nullptr;
  EXPECT_EQ(fields->get_Item(vt_text(n), &f), S_OK);
  auto field = dao_ref<DAOField>::adopt(f);
  test_variant value;
  field->get_Value(&value.v);
  return render_value(value.v);
}
