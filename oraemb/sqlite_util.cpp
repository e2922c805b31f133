// SQLite helpers: prepared statements and error translation.
#include "oraemb/sqlite_util.h"

#include "oraemb/ora_error.h"
#include "oraemb/trace.h"

namespace oraemb {

storage_full::storage_full(std::string file)
    : ora_error(1653, storage_full_text(false, "", "", file)), file_(std::move(file)) {}

std::string storage_full_text(bool index, const std::string& owner, const std::string& name,
                              const std::string& file) {
  // One page at a time: SQLite grows the file by a page.
  std::string text = name.empty() ? std::string("unable to extend ") + (index ? "index" : "table") +
                                        " in tablespace USERS"
                                  : ora_message(index ? 1654 : 1653, {owner, name, "1", "USERS"});
  return text + ": the file system holding " + file + " is full";
}

void sqlite_fail(sqlite3* db, const char* what) {
  int code = sqlite3_extended_errcode(db);
  if ((code & 0xFF) == SQLITE_FULL) {
    const char* file = sqlite3_db_filename(db, "main");
    throw storage_full(file ? file : "");
  }
  if ((code & 0xFF) == SQLITE_BUSY || (code & 0xFF) == SQLITE_LOCKED) raise(54);
  if (code == SQLITE_NOMEM) raise(4030, {"unknown"});
  raise(600, {std::string(what) + "], [" + sqlite3_errmsg(db)});
}

SqlStmt::SqlStmt(sqlite3* db, const std::string& sql) : db_(db) {
  if (sqlite3_prepare_v2(db, sql.c_str(), static_cast<int>(sql.size()), &stmt_, nullptr) !=
      SQLITE_OK)
    sqlite_fail(db, "prepare");
}

bool SqlStmt::step() {
  int rc = sqlite3_step(stmt_);
  if (rc == SQLITE_ROW) return true;
  if (rc == SQLITE_DONE) return false;
  sqlite_fail(db_, "step");
}

std::string SqlStmt::text(int col) const {
  const void* data = sqlite3_column_blob(stmt_, col);
  int size = sqlite3_column_bytes(stmt_, col);
  return data ? std::string(static_cast<const char*>(data), size) : std::string();
}

bool step_row(sqlite3* db, sqlite3_stmt* st, const char* what) {
  int rc = sqlite3_step(st);
  if (rc == SQLITE_ROW) return true;
  sqlite3_reset(st);
  if (rc != SQLITE_DONE) sqlite_fail(db, what);
  return false;
}

void step_done(sqlite3* db, sqlite3_stmt* st, const char* what) {
  int rc = sqlite3_step(st);
  sqlite3_reset(st);
  if (rc != SQLITE_DONE && rc != SQLITE_ROW) sqlite_fail(db, what);
}

void sql_exec(sqlite3* db, const std::string& sql) {
  char* message = nullptr;
  if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
    sqlite3_free(message);
    sqlite_fail(db, "exec");
  }
}

sqlite3_stmt* StatementCache::get(sqlite3* db, const std::string& sql) {
  auto found = statements_.find(sql);
  if (found != statements_.end()) {
    sqlite3_reset(found->second);
    sqlite3_clear_bindings(found->second);
    return found->second;
  }
  sqlite3_stmt* st = nullptr;
  if (tracing()) trace_line("  sqlite: " + sql);
  if (sqlite3_prepare_v3(db, sql.c_str(), static_cast<int>(sql.size()), SQLITE_PREPARE_PERSISTENT,
                         &st, nullptr) != SQLITE_OK)
    sqlite_fail(db, "prepare");
  statements_[sql] = st;
  return st;
}

void StatementCache::clear() {
  for (auto& [sql, st] : statements_) sqlite3_finalize(st);
  statements_.clear();
}

}  // namespace oraemb
