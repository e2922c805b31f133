// Loads the same rows into liboraemb.so four ways and prints rows/s with
// the engine's own count of round trips and hard parses (V$MYSTAT):
// literal INSERT texts committed per row (the per-record path), one
// prepared INSERT executed and committed per row, arrays of 1,000 rows
// with batch errors and one commit per array, and the same arrays with a
// 2 KB CLOB column bound as character data.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench/bench_oraemb.h"
#include "bench/bench_support.h"

namespace {

// A statistic of this session.
long long stat(bench_oraemb& db, const char* name) {
  OCIStmt* st =
      db.prepare(std::string("SELECT m.VALUE FROM V$MYSTAT m, V$STATNAME n WHERE m.STATISTIC# = "
                             "n.STATISTIC# AND n.NAME = '") +
                 name + "'");
  long long value = 0;
  db.api.OCIDefineByPos(st, nullptr, db.err, 1, &value, 8, SQLT_INT, nullptr, nullptr, nullptr, 0);
  db.check(db.api.OCIStmtExecute(db.svc, st, db.err, 1, 0, nullptr, nullptr, OCI_DEFAULT), name);
  db.api.OCIHandleFree(st, OCI_HTYPE_STMT);
  return value;
}

struct Columns {
  std::vector<int32_t> id, qty;
  std::vector<char16_t> name;  // 50 characters per row
  std::vector<ub2> name_len;
  std::vector<double> amount;
  std::vector<unsigned char> date;  // 7 bytes per row
  std::vector<char16_t> memo;       // kMemo characters per row
  std::vector<ub2> memo_len;
};

constexpr int kBatch = 1000;
constexpr int kMemo = 1024;

void fill(Columns& c, int first, int count, bool memo) {
  c.id.resize(count);
  c.qty.resize(count);
  c.name.assign(static_cast<size_t>(count) * 50, 0);
  c.name_len.resize(count);
  c.amount.resize(count);
  c.date.resize(static_cast<size_t>(count) * 7);
  if (memo) {
    c.memo.assign(static_cast<size_t>(count) * kMemo, u'm');
    c.memo_len.assign(count, kMemo * 2);
  }
  for (int k = 0; k < count; ++k) {
    int row = first + k;
    c.id[k] = row;
    c.qty[k] = row * 7;
    std::u16string name = bench_u16("Name " + std::to_string(row));
    std::memcpy(&c.name[static_cast<size_t>(k) * 50], name.data(), name.size() * 2);
    c.name_len[k] = static_cast<ub2>(name.size() * 2);
    c.amount[k] = 1234.5 + row;
    unsigned char d[7] = {120, 111, 8, 17, 11, 31, 1};
    std::memcpy(&c.date[static_cast<size_t>(k) * 7], d, 7);
  }
}

const char* kCreate =
    "CREATE TABLE \"%s\" (\"ID\" NUMBER(11,0), \"NAME\" NVARCHAR2(50), \"QTY\" NUMBER(11,0), "
    "\"AMT\" NUMBER, \"D\" DATE, \"M\" CLOB)";

struct Result {
  double seconds;
  long long trips, hard;
};

template <class Fn>
Result measure(bench_oraemb& db, Fn&& fn) {
  long long trips = stat(db, "SQL*Net roundtrips to/from client");
  long long hard = stat(db, "parse count (hard)");
  auto start = std::chrono::steady_clock::now();
  fn();
  double s = bench_seconds_since(start);
  // Less the executes of the two statistics queries between the readings
  // (their texts are parsed hard again only once the shared pool of 4,096
  // texts has forgotten them, as after the literal INSERTs).
  long long trips_after = stat(db, "SQL*Net roundtrips to/from client");
  return {s, trips_after - trips - 2, stat(db, "parse count (hard)") - hard};
}

void report(const char* label, int rows, const Result& r) {
  std::printf(
      "%-34s %8d rows %8.3f s %9.0f rows/s  %8.1f round trips/1000 rows  %lld hard parses\n", label,
      rows, r.seconds, rows / r.seconds, r.trips * 1000.0 / rows, r.hard < 0 ? 0 : r.hard);
}

}  // namespace

int main(int argc, char** argv) {
  const int rows = argc > 1 ? std::atoi(argv[1]) : 100000;
  const int single_rows = std::min(rows, 20000);
  bench_oraemb db("oraemb_bench_array");
  const oci_functions& api = db.api;
  OCIError* err = db.err;
  OCISvcCtx* svc = db.svc;
  if (const char* latency = std::getenv("TARVEL_ORAEMB_LATENCY_US"))
    std::printf("simulated latency: %s us per round trip\n", latency);
  char sql[512];
  for (const char* t : {"LIT", "ONE", "ARR", "ARRM"}) {
    std::snprintf(sql, sizeof sql, kCreate, t);
    db.run(sql);
  }

  Result literal = measure(db, [&] {
    for (int k = 0; k < single_rows; ++k) {
      char text[400];
      std::snprintf(text, sizeof text,
                    "INSERT INTO \"LIT\" VALUES(%d, 'Name %d', %d, %.15e, to_date('2011-08-17 "
                    "10:30:00', 'YYYY-MM-DD HH24:MI:SS'), NULL)",
                    k, k, k * 7, 1234.5 + k);
      db.run(text, OCI_COMMIT_ON_SUCCESS);
    }
  });
  report("literal INSERT, commit per row", single_rows, literal);

  auto bind_all = [&](OCIStmt* st, Columns& c, bool memo) {
    api.OCIBindByPos(st, nullptr, err, 1, c.id.data(), 4, SQLT_INT, nullptr, nullptr, nullptr, 0,
                     nullptr, 0);
    api.OCIBindByPos(st, nullptr, err, 2, c.name.data(), 100, SQLT_CHR, nullptr, c.name_len.data(),
                     nullptr, 0, nullptr, 0);
    api.OCIBindByPos(st, nullptr, err, 3, c.qty.data(), 4, SQLT_INT, nullptr, nullptr, nullptr, 0,
                     nullptr, 0);
    api.OCIBindByPos(st, nullptr, err, 4, c.amount.data(), 8, SQLT_FLT, nullptr, nullptr, nullptr,
                     0, nullptr, 0);
    api.OCIBindByPos(st, nullptr, err, 5, c.date.data(), 7, SQLT_DAT, nullptr, nullptr, nullptr, 0,
                     nullptr, 0);
    if (memo)
      api.OCIBindByPos(st, nullptr, err, 6, c.memo.data(), kMemo * 2, SQLT_LNG, nullptr,
                       c.memo_len.data(), nullptr, 0, nullptr, 0);
  };

  Result single = measure(db, [&] {
    OCIStmt* st =
        db.prepare("INSERT INTO \"ONE\" (ID, NAME, QTY, AMT, D) VALUES (:1, :2, :3, :4, :5)");
    Columns c;
    for (int k = 0; k < single_rows; ++k) {
      fill(c, k, 1, false);
      bind_all(st, c, false);
      db.check(api.OCIStmtExecute(svc, st, err, 1, 0, nullptr, nullptr, OCI_COMMIT_ON_SUCCESS),
               "one");
    }
    api.OCIHandleFree(st, OCI_HTYPE_STMT);
  });
  report("prepared INSERT, commit per row", single_rows, single);

  auto arrays = [&](const char* table, bool memo) {
    return measure(db, [&] {
      OCIStmt* st = db.prepare(std::string("INSERT INTO \"") + table + "\" (ID, NAME, QTY, AMT, D" +
                               (memo ? ", M" : "") + ") VALUES (:1, :2, :3, :4, :5" +
                               (memo ? ", :6" : "") + ")");
      Columns c;
      for (int first = 0; first < rows; first += kBatch) {
        int n = std::min(kBatch, rows - first);
        fill(c, first, n, memo);
        bind_all(st, c, memo);
        db.check(api.OCIStmtExecute(svc, st, err, n, 0, nullptr, nullptr,
                                    OCI_BATCH_ERRORS | OCI_COMMIT_ON_SUCCESS),
                 "array");
      }
      api.OCIHandleFree(st, OCI_HTYPE_STMT);
    });
  };
  report("arrays of 1,000, commit per array", rows, arrays("ARR", false));
  report("same with a 2 KB CLOB bound as data", rows, arrays("ARRM", true));
  return 0;
}
