// Reads a large table through liboraemb.so as a client does: a query
// executed without rows, then one OCIStmtFetch per row into text defines.
// Prints rows/s and the process's peak resident memory during each query
// (VmHWM, reset before each one) for SELECT *, a select list of TO_CHAR
// conversions as a checker sends it, and the same with ORDER BY (whose rows
// the engine must sort, so hold). Usage:
// bench_oraemb_fetch [rows] [path of liboraemb.so]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "bench/bench_oraemb.h"
#include "bench/bench_support.h"

namespace {

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

void load(bench_oraemb& db, int rows) {
  auto& api = db.api;
  db.run(
      "CREATE TABLE \"T\" (\"ID\" NUMBER(11,0), \"NAME\" NVARCHAR2(50), \"QTY\" NUMBER(11,0), "
      "\"AMT\" NUMBER, \"D\" DATE, \"NOTE\" NVARCHAR2(255))");
  OCIStmt* st = db.prepare("INSERT INTO \"T\" VALUES (:1, :2, :3, :4, :5, :6)");
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
      std::u16string s = bench_u16("Name " + std::to_string(row));
      std::memcpy(&name[k * 50], s.data(), s.size() * 2);
      name_len[k] = static_cast<ub2>(s.size() * 2);
      s = bench_u16("A note of some length for row " + std::to_string(row) + std::string(60, '.'));
      std::memcpy(&note[k * 200], s.data(), s.size() * 2);
      note_len[k] = static_cast<ub2>(s.size() * 2);
      unsigned char d[7] = {120, 111, 8, 17, 11, 31, 1};
      std::memcpy(&date[k * 7], d, 7);
    }
    api.OCIBindByPos(st, nullptr, db.err, 1, id.data(), 4, SQLT_INT, nullptr, nullptr, nullptr, 0,
                     nullptr, 0);
    api.OCIBindByPos(st, nullptr, db.err, 2, name.data(), 100, SQLT_CHR, nullptr, name_len.data(),
                     nullptr, 0, nullptr, 0);
    api.OCIBindByPos(st, nullptr, db.err, 3, qty.data(), 4, SQLT_INT, nullptr, nullptr, nullptr, 0,
                     nullptr, 0);
    api.OCIBindByPos(st, nullptr, db.err, 4, amt.data(), 8, SQLT_FLT, nullptr, nullptr, nullptr, 0,
                     nullptr, 0);
    api.OCIBindByPos(st, nullptr, db.err, 5, date.data(), 7, SQLT_DAT, nullptr, nullptr, nullptr, 0,
                     nullptr, 0);
    api.OCIBindByPos(st, nullptr, db.err, 6, note.data(), 400, SQLT_CHR, nullptr, note_len.data(),
                     nullptr, 0, nullptr, 0);
    db.check(api.OCIStmtExecute(db.svc, st, db.err, n, 0, nullptr, nullptr, OCI_COMMIT_ON_SUCCESS),
             "insert");
  }
  api.OCIHandleFree(st, OCI_HTYPE_STMT);
}

void query(bench_oraemb& db, const char* label, const std::string& sql) {
  reset_peak();
  double before = peak_mb();
  const auto start = std::chrono::steady_clock::now();
  const long rows = db.fetch_all(sql, 600);
  const double s = bench_seconds_since(start);
  std::printf("%-28s %9ld rows %8.2f s %9.0f rows/s  peak %7.1f MB (%.1f MB at the start)\n", label,
              rows, s, rows / s, peak_mb(), before);
}

}  // namespace

int main(int argc, char** argv) {
  const int rows = argc > 1 ? std::atoi(argv[1]) : 200000;
  bench_oraemb db("oraemb_bench_fetch", argc > 2 ? argv[2] : TARVEL_BIN "/liboraemb.so");
  const auto start = std::chrono::steady_clock::now();
  load(db, rows);
  std::printf("loaded %d rows in %.2f s\n", rows, bench_seconds_since(start));
  query(db, "SELECT *", "SELECT * FROM \"T\"");
  query(db, "SELECT TO_CHAR(...)",
        "SELECT TO_CHAR(\"ID\"), \"NAME\", TO_CHAR(\"QTY\"), TO_CHAR(\"AMT\"), \"D\", \"NOTE\" "
        "FROM \"T\"");
  query(db, "SELECT * ORDER BY", "SELECT * FROM \"T\" ORDER BY \"ID\" DESC");
  return 0;
}
