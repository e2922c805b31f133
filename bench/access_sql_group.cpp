// Benchmark: an Access SQL query with GROUP BY over a large table, which
// stages only the columns the query names. Prints the time, the groups and
// the peak resident memory before and after. Usage:
//   bench_access_sql_group FILE   (a file with the "Bench" table written by
//   ../shared/tools/jackcess/MakeBenchDb: two groups of Flag)
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "TK/tk_text.h"
#include "access/dao/dao.h"

namespace {

VARIANT missing() {
  VARIANT v;
  VariantInit(&v);
  return v;
}

long peak_kb() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

// The rows of the query, or -1 on a DAO failure.
long run_query(const std::string& path, const std::u16string& sql16) {
  DAODBEngine* e = nullptr;
  if (FAILED(dao_create_engine(0, &e))) return -1;
  auto engine = dao_ref<DAODBEngine>::adopt(e);
  const std::u16string name16 = tk_utf8_to_utf16(path);
  BSTR name = SysAllocStringLen(name16.data(), uint32_t(name16.size()));
  DAODatabase* d = nullptr;
  HRESULT hr = engine->OpenDatabase(name, missing(), missing(), missing(), &d);
  SysFreeString(name);
  if (FAILED(hr)) return -1;
  auto db = dao_ref<DAODatabase>::adopt(d);
  VARIANT sql = missing();
  sql.vt = VT_BSTR;
  sql.bstrVal = SysAllocStringLen(sql16.data(), uint32_t(sql16.size()));
  DAOQueryDef* q = nullptr;
  hr = db->CreateQueryDef(missing(), sql, &q);
  VariantClear(&sql);
  if (FAILED(hr)) return -1;
  auto qd = dao_ref<DAOQueryDef>::adopt(q);
  DAORecordset* r = nullptr;
  if (FAILED(qd->OpenRecordset(missing(), missing(), missing(), &r))) return -1;
  auto rs = dao_ref<DAORecordset>::adopt(r);
  long rows = 0;
  VARIANT_BOOL eof = VARIANT_TRUE;
  for (; rs->get_EOF(&eof) == S_OK && !eof; rs->MoveNext()) ++rows;
  return rows;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s FILE\n", argv[0]);
    return 2;
  }
  const long before = peak_kb();
  const auto start = std::chrono::steady_clock::now();
  const long groups = run_query(argv[1],
                                u"SELECT Flag, Count(*), Sum(Amount), Max(Price) FROM Bench "
                                u"GROUP BY Flag ORDER BY Flag");
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (groups < 0) {
    std::fprintf(stderr, "the query failed\n");
    return 1;
  }
  std::printf("4 of 9 columns, %ld groups: %.2f s, peak RSS %ld KB -> %ld KB\n", groups, seconds,
              before, peak_kb());
  return groups == 2 ? 0 : 1;
}
