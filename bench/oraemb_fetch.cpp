// Reads a large table through liboraemb.so as a client does: a query
// executed without rows, then one OCIStmtFetch per row into text defines.
// Prints rows/s and the process's peak resident memory during each query
// (VmHWM, reset before each one) for SELECT *, a select list of TO_CHAR
// conversions as a checker sends it, and the same with ORDER BY (whose rows
// the engine must sort, so hold). Usage:
// bench_oraemb_fetch [rows] [path of liboraemb.so]
#include <dlfcn.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "ORA/oci/oci_types.h"

namespace {

struct Oci {
  // clang-format off
#define OCI_FN(name) decltype(&::name) name = nullptr;
  OCI_FN(OCIEnvCreate)
  OCI_FN(OCIHandleAlloc)
  OCI_FN(OCIHandleFree)
  OCI_FN(OCILogon)
  OCI_FN(OCILogoff)
  OCI_FN(OCIStmtPrepare)
  OCI_FN(OCIStmtExecute)
  OCI_FN(OCIBindByPos)
  OCI_FN(OCIErrorGet)
  OCI_FN(OCIDefineByPos)
  OCI_FN(OCIStmtFetch)
  OCI_FN(OCIAttrGet)
#undef OCI_FN
  // clang-format on
};

Oci api;
OCIEnv* env = nullptr;
OCIError* err = nullptr;
OCISvcCtx* svc = nullptr;

std::u16string u16(const std::string& s) {
  return std::u16string(s.begin(), s.end());
}

OCIStmt* prepare(const std::string& sql) {
  OCIStmt* st = nullptr;
  api.OCIHandleAlloc(env, reinterpret_cast<void**>(&st), OCI_HTYPE_STMT, 0, nullptr);
  std::u16string text = u16(sql);
  api.OCIStmtPrepare(st, err, reinterpret_cast<const OraText*>(text.data()),
                     static_cast<ub4>(text.size() * 2), OCI_NTV_SYNTAX, OCI_DEFAULT);
  return st;
}

void check(sword rc, const std::string& what) {
  if (rc == OCI_SUCCESS || rc == OCI_SUCCESS_WITH_INFO) return;
  char16_t msg[256] = {};
  sb4 code = 0;
  api.OCIErrorGet(err, 1, nullptr, &code, reinterpret_cast<OraText*>(msg), sizeof msg,
                  OCI_HTYPE_ERROR);
  std::string text(msg, msg + std::char_traits<char16_t>::length(msg));
  std::fprintf(stderr, "%s: %d %s\n", what.c_str(), rc, text.c_str());
  std::exit(1);
}

// Peak resident memory of the process in MB since the last reset.
double peak_mb() {
  std::ifstream in("/proc/self/status");
  std::string line;
  while (std::getline(in, line))
    if (line.rfind("VmHWM:", 0) == 0) return std::atof(line.c_str() + 6) / 1024;
  return 0;
}
void reset_peak() {
  std::ofstream("/proc/self/clear_refs") << "5";
}

void load(int rows) {
  check(api.OCIStmtExecute(svc,
                           prepare("CREATE TABLE \"T\" (\"ID\" NUMBER(11,0), \"NAME\" "
                                   "NVARCHAR2(50), \"QTY\" NUMBER(11,0), \"AMT\" NUMBER, \"D\" "
                                   "DATE, \"NOTE\" NVARCHAR2(255))"),
                           err, 1, 0, nullptr, nullptr, OCI_DEFAULT),
        "create");
  OCIStmt* st = prepare("INSERT INTO \"T\" VALUES (:1, :2, :3, :4, :5, :6)");
  constexpr int kBatch = 1000;
  std::vector<int32_t> id(kBatch), qty(kBatch);
  std::vector<char16_t> name(kBatch * 50), note(kBatch * 200);
  std::vector<ub2> name_len(kBatch), note_len(kBatch);
  std::vector<double> amt(kBatch);
  std::vector<unsigned char> date(kBatch * 7);
  for (int first = 0; first < rows; first += kBatch) {
    int n = std::min(kBatch, rows - first);
    for (int k = 0; k < n; ++k) {
      int row = first + k;
      id[k] = row;
      qty[k] = row * 7;
      amt[k] = 1234.5 + row / 8.0;
      std::u16string s = u16("Name " + std::to_string(row));
      std::memcpy(&name[k * 50], s.data(), s.size() * 2);
      name_len[k] = static_cast<ub2>(s.size() * 2);
      s = u16("A note of some length for row " + std::to_string(row) + std::string(60, '.'));
      std::memcpy(&note[k * 200], s.data(), s.size() * 2);
      note_len[k] = static_cast<ub2>(s.size() * 2);
      unsigned char d[7] = {120, 111, 8, 17, 11, 31, 1};
      std::memcpy(&date[k * 7], d, 7);
    }
    api.OCIBindByPos(st, nullptr, err, 1, id.data(), 4, SQLT_INT, nullptr, nullptr, nullptr, 0,
                     nullptr, 0);
    api.OCIBindByPos(st, nullptr, err, 2, name.data(), 100, SQLT_CHR, nullptr, name_len.data(),
                     nullptr, 0, nullptr, 0);
    api.OCIBindByPos(st, nullptr, err, 3, qty.data(), 4, SQLT_INT, nullptr, nullptr, nullptr, 0,
                     nullptr, 0);
    api.OCIBindByPos(st, nullptr, err, 4, amt.data(), 8, SQLT_FLT, nullptr, nullptr, nullptr, 0,
                     nullptr, 0);
    api.OCIBindByPos(st, nullptr, err, 5, date.data(), 7, SQLT_DAT, nullptr, nullptr, nullptr, 0,
                     nullptr, 0);
    api.OCIBindByPos(st, nullptr, err, 6, note.data(), 400, SQLT_CHR, nullptr, note_len.data(),
                     nullptr, 0, nullptr, 0);
    check(api.OCIStmtExecute(svc, st, err, n, 0, nullptr, nullptr, OCI_COMMIT_ON_SUCCESS),
          "insert");
  }
  api.OCIHandleFree(st, OCI_HTYPE_STMT);
}

void query(const char* label, const std::string& sql) {
  reset_peak();
  double before = peak_mb();
  auto start = std::chrono::steady_clock::now();
  OCIStmt* st = prepare(sql);
  check(api.OCIStmtExecute(svc, st, err, 0, 0, nullptr, nullptr, OCI_DEFAULT), sql);
  ub4 count = 0;
  api.OCIAttrGet(st, OCI_HTYPE_STMT, &count, nullptr, OCI_ATTR_PARAM_COUNT, err);
  std::vector<std::vector<char16_t>> bufs(count, std::vector<char16_t>(300));
  std::vector<sb2> ind(count);
  for (ub4 k = 0; k < count; ++k)
    api.OCIDefineByPos(st, nullptr, err, k + 1, bufs[k].data(), 600, SQLT_STR, &ind[k], nullptr,
                       nullptr, OCI_DEFAULT);
  long rows = 0;
  sword rc;
  while ((rc = api.OCIStmtFetch(st, err, 1, OCI_FETCH_NEXT, OCI_DEFAULT)) != OCI_NO_DATA) {
    check(rc, "fetch");
    ++rows;
  }
  api.OCIHandleFree(st, OCI_HTYPE_STMT);
  double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("%-28s %9ld rows %8.2f s %9.0f rows/s  peak %7.1f MB (%.1f MB at the start)\n", label,
              rows, s, rows / s, peak_mb(), before);
}

}  // namespace

int main(int argc, char** argv) {
  const int rows = argc > 1 ? std::atoi(argv[1]) : 200000;
  const std::string path = argc > 2 ? argv[2] : TARVEL_BIN "/liboraemb.so";
  void* lib = dlopen(path.c_str(), RTLD_NOW);
  if (!lib) {
    std::fprintf(stderr, "%s\n", dlerror());
    return 1;
  }
  // clang-format off
#define OCI_FN(name) api.name = reinterpret_cast<decltype(api.name)>(dlsym(lib, #name));
  OCI_FN(OCIEnvCreate)
  OCI_FN(OCIHandleAlloc)
  OCI_FN(OCIHandleFree)
  OCI_FN(OCILogon)
  OCI_FN(OCILogoff)
  OCI_FN(OCIStmtPrepare)
  OCI_FN(OCIStmtExecute)
  OCI_FN(OCIBindByPos)
  OCI_FN(OCIErrorGet)
  OCI_FN(OCIDefineByPos)
  OCI_FN(OCIStmtFetch)
  OCI_FN(OCIAttrGet)
#undef OCI_FN
  // clang-format on
  auto dir = std::filesystem::temp_directory_path() / "oraemb_bench_fetch";
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  setenv("TARVEL_ORAEMB_DIR", dir.c_str(), 1);
  api.OCIEnvCreate(&env, OCI_UTF16, nullptr, nullptr, nullptr, nullptr, 0, nullptr);
  api.OCIHandleAlloc(env, reinterpret_cast<void**>(&err), OCI_HTYPE_ERROR, 0, nullptr);
  std::u16string user = u"scott", pwd = u"tiger", db = u"//localhost:1521/BENCH";
  check(api.OCILogon(env, err, &svc, reinterpret_cast<const OraText*>(user.data()), 10,
                     reinterpret_cast<const OraText*>(pwd.data()), 10,
                     reinterpret_cast<const OraText*>(db.data()), static_cast<ub4>(db.size() * 2)),
        "logon");
  auto start = std::chrono::steady_clock::now();
  load(rows);
  std::printf("loaded %d rows in %.2f s\n", rows,
              std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  query("SELECT *", "SELECT * FROM \"T\"");
  query("SELECT TO_CHAR(...)",
        "SELECT TO_CHAR(\"ID\"), \"NAME\", TO_CHAR(\"QTY\"), TO_CHAR(\"AMT\"), \"D\", \"NOTE\" "
        "FROM \"T\"");
  query("SELECT * ORDER BY", "SELECT * FROM \"T\" ORDER BY \"ID\" DESC");
  api.OCILogoff(svc, err);
  std::filesystem::remove_all(dir);
  return 0;
}
