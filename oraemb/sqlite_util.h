// Small RAII helpers over the SQLite C API used by the engine: a prepared
// statement owner and checked one-shot execution. SQLite failures without an
// Oracle meaning become ORA-00600 carrying SQLite's message.
#pragma once

#include <sqlite3.h>

#include <map>
#include <string>

#include "oraemb/ora_error.h"

namespace oraemb {

// SQLITE_FULL: the database file could not grow, because its file system is
// full or because it reached the page limit of TARVEL_ORAEMB_MAX_PAGES (a
// test seam). ORA-01653 naming no object; a session names the table or
// index its statement was extending (storage_full_text).
class storage_full : public ora_error {
 public:
  explicit storage_full(std::string file);
  const std::string& file() const { return file_; }

 private:
  std::string file_;
};
// The text of ORA-01653 (a table) or ORA-01654 (an index): Oracle's, with
// the file whose file system is full.
std::string storage_full_text(bool index, const std::string& owner, const std::string& name,
                              const std::string& file);

class SqlStmt {
 public:
  SqlStmt(sqlite3* db, const std::string& sql);
  ~SqlStmt() { sqlite3_finalize(stmt_); }
  SqlStmt(const SqlStmt&) = delete;
  SqlStmt& operator=(const SqlStmt&) = delete;
  sqlite3_stmt* get() const { return stmt_; }
  bool step();  // true for a row, false at the end; throws on error
  void bind_text(int idx, const std::string& v) {
    sqlite3_bind_text(stmt_, idx, v.data(), static_cast<int>(v.size()), SQLITE_TRANSIENT);
  }
  void bind_int(int idx, int64_t v) { sqlite3_bind_int64(stmt_, idx, v); }
  void bind_null(int idx) { sqlite3_bind_null(stmt_, idx); }
  std::string text(int col) const;
  int64_t integer(int col) const { return sqlite3_column_int64(stmt_, col); }
  bool is_null(int col) const { return sqlite3_column_type(stmt_, col) == SQLITE_NULL; }

 private:
  sqlite3* db_;
  sqlite3_stmt* stmt_ = nullptr;
};

// Prepared statements kept for reuse by their SQL text, finalized together.
// A statement handed out is reset and its bindings cleared.
class StatementCache {
 public:
  StatementCache() = default;
  ~StatementCache() { clear(); }
  StatementCache(const StatementCache&) = delete;
  StatementCache& operator=(const StatementCache&) = delete;
  sqlite3_stmt* get(sqlite3* db, const std::string& sql);
  void clear();

 private:
  std::map<std::string, sqlite3_stmt*> statements_;
};

void sql_exec(sqlite3* db, const std::string& sql);
// Steps a statement: true for a row (the caller resets it), false at the
// end (reset here); any other result raises through sqlite_fail.
bool step_row(sqlite3* db, sqlite3_stmt* st, const char* what);
// Steps a statement that returns no rows (a row is ignored) and resets it.
void step_done(sqlite3* db, sqlite3_stmt* st, const char* what);
[[noreturn]] void sqlite_fail(sqlite3* db, const char* what);

}  // namespace oraemb
