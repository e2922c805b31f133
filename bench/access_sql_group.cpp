// Benchmark: an Access SQL query with GROUP BY over a large table, which
// stages only the columns the query names. Prints the time, the groups and
// the peak resident memory before and after. Usage:
//   bench_access_sql_group FILE   (a file with the "Bench" table written by
//   ../shared/tools/jackcess/MakeBenchDb: two groups of Flag)
#include <chrono>
#include <cstdio>
#include <string>

#include "bench/bench_dao.h"
#include "bench/bench_support.h"

namespace {

// The rows of the query, or -1 on a DAO failure.
long run_query(const std::string& path, const std::u16string& sql16) {
  const bench_query q = bench_open_query(path, sql16);
  if (!q.rows) return -1;
  long rows = 0;
  VARIANT_BOOL eof = VARIANT_TRUE;
  for (; q.rows->get_EOF(&eof) == S_OK && !eof; q.rows->MoveNext()) ++rows;
  return rows;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s FILE\n", argv[0]);
    return 2;
  }
  const long before = bench_peak_rss_kb();
  const auto start = std::chrono::steady_clock::now();
  const long groups = run_query(argv[1],
                                u"SELECT Flag, Count(*), Sum(Amount), Max(Price) FROM Bench "
                                u"GROUP BY Flag ORDER BY Flag");
  const double seconds = bench_seconds_since(start);
  if (groups < 0) {
    std::fprintf(stderr, "the query failed\n");
    return 1;
  }
  std::printf("4 of 9 columns, %ld groups: %.2f s, peak RSS %ld KB -> %ld KB\n", groups, seconds,
              before, bench_peak_rss_kb());
  return groups == 2 ? 0 : 1;
}
