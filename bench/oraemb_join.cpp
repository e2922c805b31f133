// Times joins through liboraemb.so as a client runs them: each query is
// executed and its rows fetched one OCIStmtFetch at a time. It compares a
// scan of a table with the self-join of the table on its primary key (and
// a join on a column without an index, read once and hashed), and prints
// the join's CPU time as a multiple of the scan's. Usage:
// bench_oraemb_join [rows] [path of liboraemb.so]
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/bench_oraemb.h"
#include "bench/bench_support.h"

namespace {

void load(bench_oraemb& db, int rows) {
  auto& api = db.api;
  db.run(
      "CREATE TABLE \"T\" (\"ID\" NUMBER(11,0) PRIMARY KEY, \"GRP\" NUMBER(11,0), "
      "\"NAME\" VARCHAR2(50))");
  OCIStmt* st = db.prepare("INSERT INTO \"T\" VALUES (:1, :2, :3)");
  constexpr int kBatch = 1000;
  std::vector<int32_t> id(kBatch), grp(kBatch);
  std::vector<char> name(kBatch * 50);
  std::vector<ub2> name_len(kBatch);
  for (int first = 0; first < rows; first += kBatch) {
    int n = std::min(kBatch, rows - first);
    for (int k = 0; k < n; ++k) {
      int row = first + k;
      id[k] = row;
      grp[k] = rows - 1 - row;
      std::string s = "Name " + std::to_string(row);
      std::copy(s.begin(), s.end(), &name[k * 50]);
      name_len[k] = static_cast<ub2>(s.size());
    }
    api.OCIBindByPos(st, nullptr, db.err, 1, id.data(), 4, SQLT_INT, nullptr, nullptr, nullptr, 0,
                     nullptr, 0);
    api.OCIBindByPos(st, nullptr, db.err, 2, grp.data(), 4, SQLT_INT, nullptr, nullptr, nullptr, 0,
                     nullptr, 0);
    api.OCIBindByPos(st, nullptr, db.err, 3, name.data(), 50, SQLT_CHR, nullptr, name_len.data(),
                     nullptr, 0, nullptr, 0);
    db.check(api.OCIStmtExecute(db.svc, st, db.err, n, 0, nullptr, nullptr, OCI_COMMIT_ON_SUCCESS),
             "insert");
  }
  api.OCIHandleFree(st, OCI_HTYPE_STMT);
}

// CPU seconds of the process so far (the engine runs inside it): unlike the
// elapsed time, not disturbed by other work on the machine.
double cpu_seconds() {
  rusage use{};
  getrusage(RUSAGE_SELF, &use);
  return use.ru_utime.tv_sec + use.ru_stime.tv_sec +
         (use.ru_utime.tv_usec + use.ru_stime.tv_usec) / 1e6;
}

// CPU seconds to execute `sql` and fetch all of its rows.
double query(bench_oraemb& db, const char* label, const std::string& sql) {
  const auto start = std::chrono::steady_clock::now();
  const double cpu_start = cpu_seconds();
  const long rows = db.fetch_all(sql, 100);
  const double s = bench_seconds_since(start);
  const double cpu = cpu_seconds() - cpu_start;
  std::printf("%-34s %9ld rows %8.2f s elapsed %8.2f s CPU %10.0f rows/CPU s\n", label, rows, s,
              cpu, rows / cpu);
  return cpu;
}

}  // namespace

int main(int argc, char** argv) {
  const int rows = argc > 1 ? std::atoi(argv[1]) : 200000;
  bench_oraemb db("oraemb_bench_join", argc > 2 ? argv[2] : TARVEL_BIN "/liboraemb.so");
  const auto start = std::chrono::steady_clock::now();
  load(db, rows);
  std::printf("loaded %d rows in %.2f s\n", rows, bench_seconds_since(start));
  // The scan reads the columns the join reads from its two sides.
  const double scan = query(db, "scan", "SELECT \"ID\", \"GRP\", \"NAME\" FROM \"T\"");
  const double sorted = query(db, "scan, sorted (materialised)",
                              "SELECT \"ID\", \"GRP\", \"NAME\" FROM \"T\" ORDER BY \"ID\"");
  const double key = query(db, "self-join on the primary key",
                           "SELECT a.\"ID\", b.\"GRP\", b.\"NAME\" FROM \"T\" a "
                           "JOIN \"T\" b ON b.\"ID\" = a.\"ID\"");
  const double hashed = query(db, "self-join on an unindexed column",
                              "SELECT a.\"ID\", b.\"GRP\", b.\"NAME\" FROM \"T\" a "
                              "JOIN \"T\" b ON b.\"GRP\" = a.\"ID\"");
  // A view filtered on its table's key reads through the index too.
  db.run("CREATE VIEW \"V\" AS SELECT \"ID\", \"NAME\" FROM \"T\" WHERE \"GRP\" >= 0");
  const double by_view =
      query(db, "view filtered on the key",
            "SELECT \"NAME\" FROM \"V\" WHERE \"ID\" = " + std::to_string(rows / 2));
  const double view_join = query(db, "table joined to the view",
                                 "SELECT a.\"ID\", v.\"NAME\" FROM \"T\" a "
                                 "JOIN \"V\" v ON v.\"ID\" = a.\"ID\"");
  std::printf("primary-key self-join: %.2f x the scan (%.2f x the sorted scan)\n", key / scan,
              key / sorted);
  std::printf("view filtered on the key: %.4f s CPU; joined to its table: %.2f x the scan\n",
              by_view, view_join / scan);
  std::printf("unindexed self-join:   %.2f x the scan\n", hashed / scan);
  return 0;
}
