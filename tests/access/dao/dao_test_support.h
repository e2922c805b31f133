// Small helpers for the DAO component's tests: an engine, opening files,
// reading the error collection, and turning Field values into plain C++.
#pragma once

#include <string>
#include <vector>

#include "access/dao/dao.h"

std::string data_path(const std::string& relative);

struct test_bstr {
  BSTR b;
  explicit test_bstr(const std::u16string& s)
      : b(SysAllocStringLen(s.data(), uint32_t(s.size()))) {}
  ~test_bstr() { SysFreeString(b); }
};

// A VARIANT that clears itself.
struct test_variant {
  VARIANT v;
  test_variant() { VariantInit(&v); }
  ~test_variant() { dao_variant_clear(&v); }
};

VARIANT vt_index(int32_t i);
VARIANT vt_missing();
// A VT_BSTR VARIANT that borrows text (not to be cleared).
VARIANT vt_text(const test_bstr& text);

class dao_session {
 public:
  dao_session();
  // OpenDatabase with ";pwd=" + password when given.
  HRESULT open(const std::string& path, dao_ref<DAODatabase>& db, const std::u16string& pwd = u"");
  dao_ref<DAODatabase> open_ok(const std::string& path, const std::u16string& pwd = u"");
  int32_t error_number();
  std::string error_text();
  dao_ref<DAODBEngine> engine;
};

dao_ref<DAOTableDef> tabledef(DAODatabase* db, const std::u16string& name);
dao_ref<DAORecordset> query(DAODatabase* db, const std::u16string& sql);
// Every row of a recordset, each value rendered by render_value.
std::vector<std::vector<std::string>> read_all(DAORecordset* rs);
std::string render_value(const VARIANT& v);
std::string field_value(DAORecordset* rs, const std::u16string& field);
std::string utf8(BSTR b);

// The Fields of a recordset, one field by position, and the values of the
// current row rendered by render_value (each read must succeed).
dao_ref<DAOFields> recordset_fields(DAORecordset* rs);
dao_ref<DAOField> field_at(DAOFields* fields, int16_t i);
std::vector<std::string> current_row(DAOFields* fields);

// The Name of a DAO object (field, index, table definition, ...).
template <class T>
std::string name_of(T* object) {
  BSTR name = nullptr;
  object->get_Name(&name);
  std::string out = utf8(name);
  SysFreeString(name);
  return out;
}
