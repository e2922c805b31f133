// Cost of the engine's transactions that can give SQLite's writer lock to
// another session, next to the paths that never do, for one or more builds
// of liboraemb.so side by side (each loaded in turn, twice, alternating):
//   bench_oraemb_writers [rows] [library.so ...]
// Reports process CPU time per row (the engine's watcher thread included)
// for committed INSERTs, the LOB row of a committed row (INSERT, FOR UPDATE,
// LOB write left to the next commit), UPDATEs left uncommitted until one
// COMMIT, INSERTs left uncommitted until one COMMIT, and the time another
// session's committed INSERT takes while a session holds `rows` uncommitted
// row UPDATEs, or `rows` uncommitted INSERTs (the hand-over and the
// holder's resumption), where a build without it reports ORA-00054.
#include <time.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/bench_oraemb.h"
#include "bench/bench_support.h"

namespace {

double cpu_now() {
  timespec ts{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

struct Figures {
  double insert_us = 0, lob_us = 0, update_us = 0, uinsert_us = 0;
  double handover_ms[2] = {-1, -1}, resume_ms[2] = {-1, -1};  // UPDATEs, INSERTs
};

Figures run_once(const std::string& library, int rows) {
  Figures f;
  bench_oraemb db("oraemb_writers_bench", library);
  const oci_functions& api = db.api;
  db.run("CREATE TABLE t (id NUMBER(11) PRIMARY KEY, v NUMBER, name NVARCHAR2(50))");
  db.run("CREATE TABLE l (id NUMBER(11) PRIMARY KEY, m CLOB)");
  db.run("CREATE TABLE other (id NUMBER(11))");
  db.run("CREATE TABLE u (id NUMBER(11) PRIMARY KEY, v NUMBER, name NVARCHAR2(50))");

  double cpu = cpu_now();
  for (int k = 0; k < rows; ++k)
    db.run("INSERT INTO t VALUES (" + std::to_string(k) + ", 1, 'Name " + std::to_string(k) + "')",
           OCI_COMMIT_ON_SUCCESS);
  f.insert_us = (cpu_now() - cpu) * 1e6 / rows;

  const std::u16string memo(10240, u'x');
  cpu = cpu_now();
  for (int k = 0; k < rows; ++k) {
    db.run("INSERT INTO l VALUES (" + std::to_string(k) + ", EMPTY_CLOB())", OCI_COMMIT_ON_SUCCESS);
    OCILobLocator* loc = nullptr;
    api.OCIDescriptorAlloc(db.env, reinterpret_cast<void**>(&loc), OCI_DTYPE_LOB, 0, nullptr);
    OCIStmt* st = db.prepare("SELECT m FROM l WHERE id = " + std::to_string(k) + " FOR UPDATE");
    api.OCIDefineByPos(st, nullptr, db.err, 1, &loc, 0, SQLT_CLOB, nullptr, nullptr, nullptr, 0);
    db.check(api.OCIStmtExecute(db.svc, st, db.err, 1, 0, nullptr, nullptr, OCI_DEFAULT), "lob");
    api.OCIHandleFree(st, OCI_HTYPE_STMT);
    ub4 amount = static_cast<ub4>(memo.size());
    db.check(api.OCILobWrite(db.svc, db.err, loc, &amount, 1, const_cast<char16_t*>(memo.data()),
                             static_cast<ub4>(memo.size() * 2), OCI_ONE_PIECE, nullptr, nullptr,
                             OCI_UTF16ID, SQLCS_IMPLICIT),
             "lob write");
    api.OCIDescriptorFree(loc, OCI_DTYPE_LOB);
  }
  db.run("COMMIT");
  f.lob_us = (cpu_now() - cpu) * 1e6 / rows;

  cpu = cpu_now();
  for (int k = 0; k < rows; ++k)
    db.run("UPDATE t SET v = " + std::to_string(k) + " WHERE id = " + std::to_string(k));
  db.run("COMMIT");
  f.update_us = (cpu_now() - cpu) * 1e6 / rows;

  cpu = cpu_now();
  for (int k = 0; k < rows; ++k)
    db.run("INSERT INTO u VALUES (" + std::to_string(k) + ", 1, 'Name " + std::to_string(k) + "')");
  db.run("COMMIT");
  f.uinsert_us = (cpu_now() - cpu) * 1e6 / rows;

  // A second session holds every row of t changed; the first writes elsewhere.
  OCISvcCtx* holder = nullptr;
  const std::u16string user = u"scott", pwd = u"tiger", conn = u"//localhost:1521/BENCH";
  db.check(
      api.OCILogon(db.env, db.err, &holder, reinterpret_cast<const OraText*>(user.data()),
                   static_cast<ub4>(user.size() * 2), reinterpret_cast<const OraText*>(pwd.data()),
                   static_cast<ub4>(pwd.size() * 2), reinterpret_cast<const OraText*>(conn.data()),
                   static_cast<ub4>(conn.size() * 2)),
      "second logon");
  auto on_holder = [&](const std::string& sql) {
    OCIStmt* st = db.prepare(sql);
    const sword rc = api.OCIStmtExecute(holder, st, db.err, 1, 0, nullptr, nullptr, OCI_DEFAULT);
    api.OCIHandleFree(st, OCI_HTYPE_STMT);
    return rc;
  };
  for (int kind = 0; kind < 2; ++kind) {
    if (kind == 0) {
      db.check(on_holder("UPDATE t SET v = v + 1"), "holder update");
    } else {
      for (int k = 0; k < rows; ++k)
        db.check(on_holder("INSERT INTO u VALUES (" + std::to_string(rows + k) + ", 2, 'New')"),
                 "holder insert");
    }
    auto start = std::chrono::steady_clock::now();
    OCIStmt* st = db.prepare("INSERT INTO other VALUES (1)");
    const sword rc =
        api.OCIStmtExecute(db.svc, st, db.err, 1, 0, nullptr, nullptr, OCI_COMMIT_ON_SUCCESS);
    api.OCIHandleFree(st, OCI_HTYPE_STMT);
    if (rc == OCI_SUCCESS) {
      f.handover_ms[kind] = bench_seconds_since(start) * 1e3;
      start = std::chrono::steady_clock::now();
      db.check(on_holder("UPDATE t SET v = v + 1 WHERE id = 0"), "holder resumes");
      f.resume_ms[kind] = bench_seconds_since(start) * 1e3;
    }
    on_holder("ROLLBACK");
  }
  api.OCILogoff(holder, db.err);
  return f;
}

}  // namespace

int main(int argc, char** argv) {
  const int rows = argc > 1 ? std::atoi(argv[1]) : 2000;
  std::vector<std::string> libraries;
  for (int k = 2; k < argc; ++k) libraries.push_back(argv[k]);
  if (libraries.empty()) libraries.push_back(TARVEL_BIN "/liboraemb.so");
  std::printf("%d rows; CPU us per row (process, all threads); hand-over and resume in ms\n", rows);
  for (int round = 0; round < 2; ++round)
    for (const auto& library : libraries) {
      const Figures f = run_once(library, rows);
      std::printf(
          "%s\n  committed INSERT %7.1f  LOB row %7.1f  uncommitted UPDATE %7.1f  "
          "uncommitted INSERT %7.1f\n",
          library.c_str(), f.insert_us, f.lob_us, f.update_us, f.uinsert_us);
      for (int kind = 0; kind < 2; ++kind) {
        std::printf("  holder with %s: ", kind ? "INSERTs" : "UPDATEs");
        if (f.handover_ms[kind] < 0)
          std::printf("hand-over refused (busy)\n");
        else
          std::printf("hand-over %7.1f  resume %7.1f\n", f.handover_ms[kind], f.resume_ms[kind]);
      }
    }
  return 0;
}
