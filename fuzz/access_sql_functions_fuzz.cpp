// libFuzzer target: the input (bytes read as Latin-1) is a list of SQLite
// expressions, mostly calls of the acc_* functions with arbitrary arguments,
// evaluated over an in-memory database where they are registered: date
// arithmetic, Val / IsNumeric / IsDate over any text, Format patterns,
// conversions, text functions. Looks for crashes, sanitizer reports and
// hangs; errors are the expected outcome of many inputs.
#include <sqlite3.h>

#include <cstdint>
#include <string>

#include "access/dao/sql/sql_functions.h"

namespace {

int stop_long_runs(void* steps) {
  return ++*static_cast<int*>(steps) > 2000;  // a few hundred thousand VM steps
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 4000) return 0;
  std::string text;
  for (size_t i = 0; i < size; ++i) {
    const unsigned char c = data[i];
    if (c < 0x80) {
      text += char(c);
    } else {
      text += char(0xC0 | (c >> 6));
      text += char(0x80 | (c & 0x3F));
    }
  }
  sqlite3* db = nullptr;
  if (sqlite3_open(":memory:", &db) != SQLITE_OK) {
    sqlite3_close(db);
    return 0;
  }
  sqlite3_limit(db, SQLITE_LIMIT_LENGTH, 1000000);
  int steps = 0;
  sqlite3_progress_handler(db, 200, stop_long_runs, &steps);
  if (sql_register_functions(db)) {
    sqlite3_stmt* stmt = nullptr;
    const std::string sql = "SELECT " + text;
    if (sqlite3_prepare_v2(db, sql.c_str(), int(sql.size()), &stmt, nullptr) == SQLITE_OK) {
      while (sqlite3_step(stmt) == SQLITE_ROW) {
        for (int i = 0; i < sqlite3_column_count(stmt); ++i) sqlite3_column_text(stmt, i);
      }
    }
    sqlite3_finalize(stmt);
  }
  sqlite3_close(db);
  return 0;
}
