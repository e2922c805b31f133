// libFuzzer target: a mutated Access file opened through the DAO component
// (DBEngine.OpenDatabase), then every TableDef's Fields, Indexes, rows and
// complex-column values read, and the relationships query run. Looks for crashes, sanitizer
// reports and hangs only; DAO errors are the expected outcome of most inputs.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "TK/tk_text.h"
#include "access/dao/dao.h"

namespace {

VARIANT missing() {
  VARIANT v;
  VariantInit(&v);
  return v;
}

VARIANT index_of(int32_t i) {
  VARIANT v = missing();
  v.vt = VT_I4;
  v.lVal = i;
  return v;
}

void read_rows(DAORecordset* rs) {
  DAOFields* f = nullptr;
  rs->get_Fields(&f);
  auto fields = dao_ref<DAOFields>::adopt(f);
  int16_t count = 0;
  fields->get_Count(&count);
  VARIANT_BOOL eof = VARIANT_TRUE;
  for (int rows = 0; rs->get_EOF(&eof) == S_OK && !eof && rows < 100000; ++rows) {
    for (int16_t i = 0; i < count; ++i) {
      DAOField* field = nullptr;
      if (FAILED(fields->get_Item(index_of(i), &field))) continue;
      VARIANT value = missing();
      dao_ref<DAOField>::adopt(field)->get_Value(&value);
      VariantClear(&value);
    }
    if (FAILED(rs->MoveNext())) break;
  }
}

void read_table(DAOTableDef* def) {
  DAOFields* f = nullptr;
  if (SUCCEEDED(def->get_Fields(&f))) dao_ref<DAOFields>::adopt(f);
  DAOIndexes* x = nullptr;
  if (SUCCEEDED(def->get_Indexes(&x))) {
    auto indexes = dao_ref<DAOIndexes>::adopt(x);
    int16_t n = 0;
    indexes->get_Count(&n);
    for (int16_t i = 0; i < n; ++i) {
      DAOIndex* index = nullptr;
      if (FAILED(indexes->get_Item(index_of(i), &index))) continue;
      VARIANT list = missing();
      dao_ref<DAOIndex>::adopt(index)->get_Fields(&list);
      dao_variant_clear(&list);
    }
  }
  DAORecordset* rs = nullptr;
  if (SUCCEEDED(def->OpenRecordset(missing(), missing(), &rs)))
    read_rows(dao_ref<DAORecordset>::adopt(rs).get());
  // The values of complex columns (attachments decoded, inflated).
  std::vector<dao_complex_info> complex;
  if (FAILED(def->get_ComplexColumns(&complex))) return;
  for (const dao_complex_info& c : complex) {
    BSTR column = SysAllocStringLen(c.column.data(), uint32_t(c.column.size()));
    DAORecordset* values = nullptr;
    if (SUCCEEDED(def->OpenComplexRecordset(column, &values)))
      read_rows(dao_ref<DAORecordset>::adopt(values).get());
    SysFreeString(column);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string path = "/tmp/access_dao_fuzz_" + std::to_string(getpid()) + ".mdb";
  if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
    std::fwrite(data, 1, size, f);
    std::fclose(f);
  } else {
    return 0;
  }
  DAODBEngine* e = nullptr;
  if (FAILED(dao_create_engine(0, &e))) return 0;
  auto engine = dao_ref<DAODBEngine>::adopt(e);
  const std::u16string name16 = tk_utf8_to_utf16(path);
  BSTR name = SysAllocStringLen(name16.data(), uint32_t(name16.size()));
  DAODatabase* d = nullptr;
  HRESULT hr = engine->OpenDatabase(name, missing(), missing(), missing(), &d);
  SysFreeString(name);
  if (FAILED(hr)) return 0;
  auto db = dao_ref<DAODatabase>::adopt(d);
  DAOTableDefs* t = nullptr;
  if (FAILED(db->get_TableDefs(&t))) return 0;
  auto defs = dao_ref<DAOTableDefs>::adopt(t);
  int16_t count = 0;
  defs->get_Count(&count);
  for (int16_t i = 0; i < count; ++i) {
    DAOTableDef* def = nullptr;
    if (SUCCEEDED(defs->get_Item(index_of(i), &def)))
      read_table(dao_ref<DAOTableDef>::adopt(def).get());
  }
  const char16_t kRelationships[] =
      u"SELECT szRelationship, szColumn, szObject, szReferencedObject, szReferencedColumn, grbit "
      u"FROM MSysRelationships ORDER BY szRelationship";
  VARIANT sql = missing();
  sql.vt = VT_BSTR;
  sql.bstrVal = SysAllocString(kRelationships);
  DAOQueryDef* q = nullptr;
  if (SUCCEEDED(db->CreateQueryDef(missing(), sql, &q))) {
    auto qd = dao_ref<DAOQueryDef>::adopt(q);
    DAORecordset* rs = nullptr;
    if (SUCCEEDED(qd->OpenRecordset(index_of(2), index_of(4), missing(), &rs)))
      read_rows(dao_ref<DAORecordset>::adopt(rs).get());
  }
  VariantClear(&sql);
  return 0;
}
