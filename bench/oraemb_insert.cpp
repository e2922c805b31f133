// Times the converter's write path against liboraemb.so (loaded through
// the product's OCI loader, UTF-16 environment): 20,000 committed 10-column INSERTs in the
// literal form with RETURNING ROWID, and 2,000 rows each with a 10 KB CLOB
// written through a locator selected FOR UPDATE. The same rows go into a
// plain SQLite table with the same pragmas for comparison.
#include <sqlite3.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "bench/bench_oraemb.h"
#include "bench/bench_support.h"

namespace {

char16_t g_rowid[256];
ub4 g_rowid_len = 512;
sb4 in_cb(void*, OCIBind*, ub4, ub4, void** b, ub4* l, ub1* p, void** i) {
  *b = nullptr;
  *l = 0;
  *p = OCI_ONE_PIECE;
  *i = nullptr;
  return OCI_CONTINUE;
}
sb4 out_cb(void*, OCIBind*, ub4, ub4, void** b, ub4** l, ub1* p, void** i, ub2** r) {
  g_rowid_len = 512;
  *b = g_rowid;
  *l = &g_rowid_len;
  *p = OCI_ONE_PIECE;
  *i = nullptr;
  *r = nullptr;
  return OCI_CONTINUE;
}

std::string row_values(int k) {
  char buf[512];
  std::snprintf(buf, sizeof buf,
                "%d, 'Name %d', 'Street %d', %d, 1.500000000000000e+00, "
                "to_date('2011-08-17 10:30:00', 'YYYY-MM-DD HH24:MI:SS'), 1, '0A0B0C', 1234.5, 'x'",
                k, k, k, k * 7);
  return buf;
}

const char* kCreate =
    "CREATE TABLE \"T\" (\"ID\" NUMBER(11,0), \"NAME\" NVARCHAR2(50) , \"STREET\" NVARCHAR2(100) , "
    "\"QTY\" NUMBER(11,0), \"R\" NUMBER, \"D\" DATE, \"B\" NUMBER(3,0), \"G\" RAW(16), "
    "\"AMT\" NUMBER(19,4), \"C\" NVARCHAR2(1) )";

}  // namespace

int main() {
  bench_oraemb db("oraemb_bench");
  const oci_functions& api = db.api;
  OCIEnv* env = db.env;
  OCIError* err = db.err;
  OCISvcCtx* svc = db.svc;
  auto run = [&](const std::string& sql, ub4 mode, bool returning, OCILobLocator** loc) {
    OCIStmt* st = db.prepare(sql);
    if (returning) {
      OCIBind* bind = nullptr;
      std::u16string ph = u":1";
      api.OCIBindByName(st, &bind, err, reinterpret_cast<const OraText*>(ph.data()), 4, g_rowid,
                        512, SQLT_STR, nullptr, nullptr, nullptr, 0, nullptr, OCI_DATA_AT_EXEC);
      api.OCIBindDynamic(bind, err, nullptr, in_cb, nullptr, out_cb);
    }
    if (loc) {
      OCIDefine* def = nullptr;
      api.OCIDefineByPos(st, &def, err, 1, loc, 0, SQLT_CLOB, nullptr, nullptr, nullptr, 0);
    }
    db.check(api.OCIStmtExecute(svc, st, err, 1, 0, nullptr, nullptr, mode), sql);
    api.OCIHandleFree(st, OCI_HTYPE_STMT);
  };

  const int kRows = 20000, kLobRows = 2000;
  run(kCreate, OCI_DEFAULT, false, nullptr);
  auto start = std::chrono::steady_clock::now();
  for (int k = 0; k < kRows; ++k)
    run("INSERT /*+ APPEND */ INTO \"T\" VALUES(" + row_values(k) + ") RETURNING ROWID INTO :1",
        OCI_COMMIT_ON_SUCCESS, true, nullptr);
  double engine_insert = bench_seconds_since(start);

  run("CREATE TABLE \"L\" (\"ID\" NUMBER(11,0), \"M\" CLOB)", OCI_DEFAULT, false, nullptr);
  std::u16string memo(10240, u'x');
  start = std::chrono::steady_clock::now();
  for (int k = 0; k < kLobRows; ++k) {
    run("INSERT /*+ APPEND */ INTO \"L\" VALUES(" + std::to_string(k) +
            ", EMPTY_CLOB()) RETURNING ROWID INTO :1",
        OCI_COMMIT_ON_SUCCESS, true, nullptr);
    std::string rowid(g_rowid, g_rowid + g_rowid_len / 2);
    OCILobLocator* loc = nullptr;
    api.OCIDescriptorAlloc(env, reinterpret_cast<void**>(&loc), OCI_DTYPE_LOB, 0, nullptr);
    run("SELECT \"M\" FROM \"L\" WHERE ROWID='" + rowid + "' FOR UPDATE", OCI_DEFAULT, false, &loc);
    ub4 amt = memo.size();
    if (api.OCILobWrite(svc, err, loc, &amt, 1, memo.data(), memo.size() * 2, OCI_ONE_PIECE,
                        nullptr, nullptr, 0, SQLCS_IMPLICIT) != OCI_SUCCESS)
      return 1;
    api.OCIDescriptorFree(loc, OCI_DTYPE_LOB);
  }
  double engine_lob = bench_seconds_since(start);
  db.close();

  // Plain SQLite: same pragmas, one committed INSERT statement per row.
  sqlite3* plain = nullptr;
  sqlite3_open((db.dir / "plain.db").c_str(), &plain);
  sqlite3_exec(plain,
               "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL; PRAGMA cache_size=-65536;"
               "CREATE TABLE t(rid INTEGER PRIMARY KEY, c1,c2,c3,c4,c5,c6,c7,c8,c9,c10);"
               "CREATE TABLE l(rid INTEGER PRIMARY KEY, id, m);",
               nullptr, nullptr, nullptr);
  start = std::chrono::steady_clock::now();
  for (int k = 0; k < kRows; ++k) {
    char sql[512];
    std::snprintf(
        sql, sizeof sql,
        "INSERT INTO t(c1,c2,c3,c4,c5,c6,c7,c8,c9,c10) VALUES(%d, 'Name %d', 'Street %d', %d, "
        "1.500000000000000e+00, '2011-08-17 10:30:00', 1, X'0A0B0C', 1234.5, 'x')",
        k, k, k, k * 7);
    sqlite3_exec(plain, sql, nullptr, nullptr, nullptr);
  }
  double plain_insert = bench_seconds_since(start);
  std::string text(10240, 'x');
  start = std::chrono::steady_clock::now();
  for (int k = 0; k < kLobRows; ++k) {
    std::string sql = "INSERT INTO l(id, m) VALUES(" + std::to_string(k) + ", '" + text + "')";
    sqlite3_exec(plain, sql.c_str(), nullptr, nullptr, nullptr);
  }
  double plain_lob = bench_seconds_since(start);
  sqlite3_close(plain);

  std::printf(
      "committed 10-column INSERTs: engine %8.0f rows/s, plain SQLite %8.0f rows/s (%.0f%%)\n",
      kRows / engine_insert, kRows / plain_insert, 100.0 * plain_insert / engine_insert);
  std::printf(
      "rows with a 10 KB CLOB:      engine %8.0f rows/s, plain SQLite %8.0f rows/s (%.0f%%)\n",
      kLobRows / engine_lob, kLobRows / plain_lob, 100.0 * plain_lob / engine_lob);
  return 0;
}
