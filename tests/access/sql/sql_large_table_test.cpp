// A query over a large table stages only the columns it names. Runs when
// TARVEL_SQL_BENCH_DB names a file with a Bench table (written by
// MakeBenchDb in the Jackcess tools); prints time and peak memory.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdlib>

#include "tests/access/sql/sql_test_support.h"

namespace {

long peak_kb() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

TEST(AccessSqlLarge, GroupByOverALargeTableStagesOnlyNamedColumns) {
  const char* path = std::getenv("TARVEL_SQL_BENCH_DB");
  if (!path) GTEST_SKIP() << "TARVEL_SQL_BENCH_DB not set";
  dao_session s;
  auto db = s.open_ok(path);
  const long before = peak_kb();
  const auto start = std::chrono::steady_clock::now();
  auto rs = query(db.get(),
                  u"SELECT Flag, Count(*), Sum(Amount), Max(Price) FROM Bench "
                  u"GROUP BY Flag ORDER BY Flag");
  ASSERT_TRUE(rs);
  const auto rows = read_all(rs.get());
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_EQ(rows.size(), 2u);
  std::printf("4 of 9 columns, %zu groups: %.2f s, peak RSS %ld KB -> %ld KB\n", rows.size(),
              seconds, before, peak_kb());
}

}  // namespace
