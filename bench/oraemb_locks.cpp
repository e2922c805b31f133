// Row locks of one transaction, timed in slices of 100,000: the cost of a
// lock must not grow with the number the transaction already holds. Rows
// are taken in sequential and then in scattered order, in two tables.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "oraemb/lock_manager.h"

using oraemb::LockManager;

int main(int argc, char** argv) {
  const int64_t rows = argc > 1 ? std::atoll(argv[1]) : 1000000;
  auto dir = std::filesystem::temp_directory_path() / "bench_oraemb_locks";
  std::filesystem::create_directories(dir);
  const std::string db = (dir / "db").string();
  LockManager mine(db), other(db);
  using clock = std::chrono::steady_clock;
  auto run = [&](const char* label, int64_t table, auto rid_of) {
    auto start = clock::now(), slice = start;
    for (int64_t k = 0; k < rows; ++k) {
      if (!mine.lock_row(table, rid_of(k), LockManager::Wait::nowait())) {
        std::printf("lock %lld refused\n", static_cast<long long>(k));
        return;
      }
      if ((k + 1) % 100000 == 0 || k + 1 == rows) {
        auto now = clock::now();
        std::printf(
            "%s: %7lld locks held, last slice %.3f us/lock\n", label, static_cast<long long>(k + 1),
            std::chrono::duration<double, std::micro>(now - slice).count() / ((k % 100000) + 1));
        slice = now;
      }
    }
    std::printf("%s: %.3f s for %lld row locks\n", label,
                std::chrono::duration<double>(clock::now() - start).count(),
                static_cast<long long>(rows));
  };
  run("sequential", 101, [](int64_t k) { return k + 1; });
  run("scattered ", 102, [&](int64_t k) { return (k * 7919) % (rows * 3) + 1; });
  bool blocked = !other.lock_row(101, 5, LockManager::Wait::nowait());
  bool other_table = other.lock_row(103, 5, LockManager::Wait::nowait());
  std::printf("second session: held row %s, row of another table %s\n",
              blocked ? "refused" : "GRANTED (wrong)", other_table ? "granted" : "REFUSED (wrong)");
  auto start = clock::now();
  mine.release_all();
  std::printf("release: %.3f s\n", std::chrono::duration<double>(clock::now() - start).count());
  std::filesystem::remove_all(dir);
  return blocked && other_table ? 0 : 1;
}
