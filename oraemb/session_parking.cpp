// Parking of a session's write transaction: the call scope that applies
// parked changes again and hands a parkable transaction to the watcher of
// idle writers, the decision whether recorded changes may be parked, and
// the busy handler that waits for SQLite's writer lock while signalling
// the wait.
#include <cstdlib>
#include <set>
#include <thread>

#include "oraemb/session.h"

namespace oraemb {
namespace {

// obj# of a storage table name "t<obj#>"; 0 for anything else.
int64_t storage_obj(const char* name) {
  if (!name || name[0] != 't' || name[1] < '1' || name[1] > '9') return 0;
  char* end = nullptr;
  const long long obj = std::strtoll(name + 1, &end, 10);
  return end && *end == '\0' ? obj : 0;
}

}  // namespace

void Session::enter_call(bool resume) {
  call_mutex_.lock();
  ++call_depth_;
  if (!resume || !txn_.parked()) return;
  try {
    resume_parked();
  } catch (...) {
    --call_depth_;
    call_mutex_.unlock();
    throw;
  }
}

void Session::leave_call() {
  if (--call_depth_ == 0) {
    stop_wanting_writer();
    if (conn_ && txn_.parkable()) {
      parking_.session = this;
      IdleWriters::watch(&parking_);
    }
  }
  call_mutex_.unlock();
}

void Session::resume_parked() {
  try {
    txn_.resume();
  } catch (const ora_error& e) {
    if (!txn_.take_lost()) throw;
    rollback();
    throw ora_error(e.code(), e.text() + "; the transaction was rolled back");
  }
}

bool Session::yield_if_wanted() {
  std::unique_lock<std::recursive_mutex> lock(call_mutex_, std::try_to_lock);
  if (!lock) return true;  // inside a call: not idle
  if (!conn_ || !txn_.parkable()) return false;
  if (!locks_.writer_wanted_by_others()) return true;
  // A statement stepping on the connection would lose its place.
  for (sqlite3_stmt* st = sqlite3_next_stmt(conn_, nullptr); st; st = sqlite3_next_stmt(conn_, st))
    if (sqlite3_stmt_busy(st)) return true;
  std::string changes;
  if (!txn_.recorded_changes(changes) || !safe_to_park(changes)) {
    txn_.no_park();
    return false;
  }
  return !txn_.park(std::move(changes));
}

bool Session::safe_to_park(std::string& changeset) {
  sqlite3_changeset_iter* it = nullptr;
  if (sqlite3changeset_start(&it, static_cast<int>(changeset.size()), changeset.data()) !=
      SQLITE_OK)
    return false;
  const std::shared_ptr<const Schema> schema = catalog_.schema();
  std::map<int64_t, std::set<int>> unique_cids;  // per table: physical columns of unique keys
  bool safe = true;
  while (safe && sqlite3changeset_next(it) == SQLITE_ROW) {
    const char* table = nullptr;
    int columns = 0, op = 0, indirect = 0;
    sqlite3_value* rid = nullptr;
    if (sqlite3changeset_op(it, &table, &columns, &op, &indirect) != SQLITE_OK ||
        (op != SQLITE_UPDATE && op != SQLITE_DELETE) ||
        sqlite3changeset_old(it, 0, &rid) != SQLITE_OK || !rid) {
      safe = false;
      break;
    }
    const int64_t obj = storage_obj(table);
    auto t = schema->tables.find(obj);
    safe = obj != 0 && t != schema->tables.end() && t->second.foreign_keys.empty() &&
           t->second.referenced_by.empty() && locks_.holds_row(obj, sqlite3_value_int64(rid));
    if (!safe || op != SQLITE_UPDATE) continue;
    auto cids = unique_cids.find(obj);
    if (cids == unique_cids.end()) {
      std::set<std::string> names;
      for (const auto& [index_obj, index] : schema->indexes)
        if (index.table_obj == obj && index.unique && !index.lob)  // a LOB index has no key
          for (int c : index.columns) names.insert(storage_column(c));
      for (const auto& c : schema->constraints)
        if (c.table_obj == obj && (c.type == 'P' || c.type == 'U'))
          for (int col : c.columns) names.insert(storage_column(col));
      std::set<int> found;
      SqlStmt info(conn_, "SELECT cid, name FROM pragma_table_info('" + storage_table(obj) + "')");
      while (info.step())
        if (names.count(info.text(1))) found.insert(static_cast<int>(info.integer(0)));
      cids = unique_cids.emplace(obj, std::move(found)).first;
    }
    for (int c = 1; c < columns && safe; ++c) {
      sqlite3_value* changed = nullptr;
      if (sqlite3changeset_new(it, c, &changed) == SQLITE_OK && changed && cids->second.count(c))
        safe = false;
    }
  }
  return sqlite3changeset_finalize(it) == SQLITE_OK && safe;
}

int Session::wait_for_writer(void* session, int count) {
  Session& s = *static_cast<Session*>(session);
  const auto now = std::chrono::steady_clock::now();
  if (count == 0) {
    s.busy_since_ = now;
    if (!s.wanting_writer_) {
      s.locks_.want_writer(true);
      s.wanting_writer_ = true;
    }
  }
  if (now - s.busy_since_ >= std::chrono::milliseconds(kBusyTimeoutMs)) return 0;
  std::this_thread::sleep_for(std::chrono::milliseconds(count < 4 ? 1 : count < 20 ? 5 : 20));
  return 1;
}

void Session::stop_wanting_writer() {
  if (!wanting_writer_) return;
  wanting_writer_ = false;
  locks_.want_writer(false);
}

}  // namespace oraemb
