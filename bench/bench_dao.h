// A benchmark's query through the DAO component: the file opened with a new
// engine and the recordset of one query text, each object released in the
// reverse order when the query goes out of scope.
#pragma once

#include <string>

#include "TK/tk_text.h"
#include "access/dao/dao.h"

inline VARIANT bench_missing() {
  VARIANT v;
  VariantInit(&v);
  return v;
}

struct bench_query {
  dao_ref<DAODBEngine> engine;
  dao_ref<DAODatabase> db;
  dao_ref<DAOQueryDef> def;
  dao_ref<DAORecordset> rows;  // empty when the file or the query failed
};

inline bench_query bench_open_query(const std::string& path, const std::u16string& sql16) {
  bench_query q;
  DAODBEngine* e = nullptr;
  if (FAILED(dao_create_engine(0, &e))) return q;
  q.engine = dao_ref<DAODBEngine>::adopt(e);
  const std::u16string name16 = tk_utf8_to_utf16(path);
  BSTR name = SysAllocStringLen(name16.data(), uint32_t(name16.size()));
  DAODatabase* d = nullptr;
  HRESULT hr = q.engine->OpenDatabase(name, bench_missing(), bench_missing(), bench_missing(), &d);
  SysFreeString(name);
  if (FAILED(hr)) return q;
  q.db = dao_ref<DAODatabase>::adopt(d);
  VARIANT sql = bench_missing();
  sql.vt = VT_BSTR;
  sql.bstrVal = SysAllocStringLen(sql16.data(), uint32_t(sql16.size()));
  DAOQueryDef* def = nullptr;
  hr = q.db->CreateQueryDef(bench_missing(), sql, &def);
  VariantClear(&sql);
  if (FAILED(hr)) return q;
  q.def = dao_ref<DAOQueryDef>::adopt(def);
  DAORecordset* r = nullptr;
  if (FAILED(q.def->OpenRecordset(bench_missing(), bench_missing(), bench_missing(), &r))) return q;
  q.rows = dao_ref<DAORecordset>::adopt(r);
  return q;
}
