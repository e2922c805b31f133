// A benchmark's session with the embedded engine: liboraemb.so loaded with
// dlopen (from TARVEL_BIN, which the benchmark's target defines), a fresh
// database folder under the temporary directory, a UTF-16 environment and a
// logon as scott. A benchmark that cannot start or whose statement fails
// prints why and exits with status 1.
#pragma once

#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "oci/oci_types.h"

// The OCI functions the benchmarks call, resolved by name.
#define BENCH_OCI_FUNCTIONS(X) \
  X(OCIEnvCreate)              \
  X(OCIHandleAlloc)            \
  X(OCIHandleFree)             \
  X(OCILogon)                  \
  X(OCILogoff)                 \
  X(OCIErrorGet)               \
  X(OCIStmtPrepare)            \
  X(OCIStmtExecute)            \
  X(OCIStmtFetch)              \
  X(OCIDefineByPos)            \
  X(OCIBindByPos)              \
  X(OCIBindByName)             \
  X(OCIBindDynamic)            \
  X(OCIDescriptorAlloc)        \
  X(OCIDescriptorFree)         \
  X(OCILobWrite)               \
  X(OCILobRead)                \
  X(OCIAttrGet)

struct bench_oci {
#define BENCH_OCI_MEMBER(name) decltype(&::name) name = nullptr;
  BENCH_OCI_FUNCTIONS(BENCH_OCI_MEMBER)
#undef BENCH_OCI_MEMBER
};

// ASCII text (the benchmarks' SQL) as UTF-16.
inline std::u16string bench_u16(const std::string& s) {
  return std::u16string(s.begin(), s.end());
}

class bench_oraemb {
 public:
  // folder: the database folder's name under the temporary directory; it is
  // emptied first and removed at the end. library: the engine to load.
  explicit bench_oraemb(const char* folder,
                        const std::string& library = TARVEL_BIN "/liboraemb.so") {
    lib_ = dlopen(library.c_str(), RTLD_NOW);
    if (!lib_) fail(dlerror());
#define BENCH_OCI_RESOLVE(name)                                        \
  api.name = reinterpret_cast<decltype(api.name)>(dlsym(lib_, #name)); \
  if (!api.name) fail("liboraemb.so has no " #name);
    BENCH_OCI_FUNCTIONS(BENCH_OCI_RESOLVE)
#undef BENCH_OCI_RESOLVE
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
    dlclose(lib_);
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

  bench_oci api;
  std::filesystem::path dir;
  OCIEnv* env = nullptr;
  OCIError* err = nullptr;
  OCISvcCtx* svc = nullptr;

 private:
  [[noreturn]] static void fail(const std::string& why) {
    std::fprintf(stderr, "%s\n", why.c_str());
    std::exit(1);
  }

  void* lib_ = nullptr;
};
