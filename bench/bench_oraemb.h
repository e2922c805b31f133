// A benchmark's session with the embedded engine: liboraemb.so (from
// TARVEL_BIN, which the benchmark's target defines, or the library given)
// loaded through the product's OCI loader, a fresh database folder under the
// temporary directory, a UTF-16 environment and a logon as scott. A
// benchmark that cannot start or whose statement fails prints why and exits
// with status 1.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "ORA/oci/oci_library.h"
#include "TK/tk_exception.h"
#include "oci/oci_types.h"

// ASCII text (the benchmarks' SQL) as UTF-16.
inline std::u16string bench_u16(const std::string& s) {
  return std::u16string(s.begin(), s.end());
}

class bench_oraemb {
 public:
  // folder: the database folder's name under the temporary directory; it is
  // emptied first and removed at the end. library: the engine to load.
  explicit bench_oraemb(const char* folder, const std::string& library = TARVEL_BIN "/liboraemb.so")
      : api(load(library)) {
    dir = std::filesystem::temp_directory_path() / folder;
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    setenv("TARVEL_ORAEMB_DIR", dir.c_str(), 1);
    api.OCIEnvCreate(&env, OCI_UTF16, nullptr, nullptr, nullptr, nullptr, 0, nullptr);
    api.OCIHandleAlloc(env, reinterpret_cast<void**>(&err), OCI_HTYPE_ERROR, 0, nullptr);
    const std::u16string user = u"scott", pwd = u"tiger", db = u"//localhost:1521/BENCH";
    check(
        api.OCILogon(env, err, &svc, reinterpret_cast<const OraText*>(user.data()),
                     static_cast<ub4>(user.size() * 2),
                     reinterpret_cast<const OraText*>(pwd.data()), static_cast<ub4>(pwd.size() * 2),
                     reinterpret_cast<const OraText*>(db.data()), static_cast<ub4>(db.size() * 2)),
        "logon");
  }
  bench_oraemb(const bench_oraemb&) = delete;
  bench_oraemb& operator=(const bench_oraemb&) = delete;
  ~bench_oraemb() {
    close();
    std::filesystem::remove_all(dir);
  }

  // Logs off and frees the environment (the folder stays until the end).
  void close() {
    if (svc) api.OCILogoff(svc, err);
    if (env) api.OCIHandleFree(env, OCI_HTYPE_ENV);
    svc = nullptr;
    env = nullptr;
  }

  // A new statement handle with sql prepared on it; the caller frees it.
  OCIStmt* prepare(const std::string& sql) {
    OCIStmt* st = nullptr;
    api.OCIHandleAlloc(env, reinterpret_cast<void**>(&st), OCI_HTYPE_STMT, 0, nullptr);
    const std::u16string text = bench_u16(sql);
    api.OCIStmtPrepare(st, err, reinterpret_cast<const OraText*>(text.data()),
                       static_cast<ub4>(text.size() * 2), OCI_NTV_SYNTAX, OCI_DEFAULT);
    return st;
  }

  // Exits with the engine's message unless rc is OCI_SUCCESS.
  void check(sword rc, const std::string& what) {
    if (rc == OCI_SUCCESS) return;
    char16_t msg[256] = {};
    sb4 code = 0;
    api.OCIErrorGet(err, 1, nullptr, &code, reinterpret_cast<OraText*>(msg), sizeof msg,
                    OCI_HTYPE_ERROR);
    const std::string text(msg, msg + std::char_traits<char16_t>::length(msg));
    fail(what + ": " + std::to_string(rc) + " " + text);
  }

  // Prepares, executes once and frees a statement.
  void run(const std::string& sql, ub4 mode = OCI_DEFAULT) {
    OCIStmt* st = prepare(sql);
    check(api.OCIStmtExecute(svc, st, err, 1, 0, nullptr, nullptr, mode), sql);
    api.OCIHandleFree(st, OCI_HTYPE_STMT);
  }

  // Executes a query and fetches its rows one OCIStmtFetch at a time, every
  // column defined as text of up to `column_bytes`; answers the row count.
  long fetch_all(const std::string& sql, ub4 column_bytes = 100) {
    OCIStmt* st = prepare(sql);
    check(api.OCIStmtExecute(svc, st, err, 0, 0, nullptr, nullptr, OCI_DEFAULT), sql);
    ub4 count = 0;
    api.OCIAttrGet(st, OCI_HTYPE_STMT, &count, nullptr, OCI_ATTR_PARAM_COUNT, err);
    std::vector<std::vector<char>> bufs(count, std::vector<char>(column_bytes));
    std::vector<sb2> ind(count);
    for (ub4 k = 0; k < count; ++k)
      api.OCIDefineByPos(st, nullptr, err, k + 1, bufs[k].data(), static_cast<sb4>(column_bytes),
                         SQLT_STR, &ind[k], nullptr, nullptr, OCI_DEFAULT);
    long rows = 0;
    sword rc;
    while ((rc = api.OCIStmtFetch(st, err, 1, OCI_FETCH_NEXT, OCI_DEFAULT)) != OCI_NO_DATA) {
      if (rc != OCI_SUCCESS_WITH_INFO) check(rc, "fetch");
      ++rows;
    }
    api.OCIHandleFree(st, OCI_HTYPE_STMT);
    return rows;
  }

  const oci_functions& api;
  std::filesystem::path dir;
  OCIEnv* env = nullptr;
  OCIError* err = nullptr;
  OCISvcCtx* svc = nullptr;

 private:
  [[noreturn]] static void fail(const std::string& why) {
    std::fprintf(stderr, "%s\n", why.c_str());
    std::exit(1);
  }

  static const oci_functions& load(const std::string& library) {
    try {
      oci_load(library);
    } catch (const tk_exception& e) {
      fail(e.message());
    }
    return oci_api();
  }
};
