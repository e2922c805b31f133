// Parking of a session's write transaction: the call scope that applies
// parked changes again and hands a parkable transaction to the watcher of
// idle writers, the decision whether recorded changes may be parked, and
// the busy handler that waits for SQLite's writer lock while signalling
// the wait.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <set>
#include <thread>

#include "oraemb/session.h"
#include "oraemb/unique_key_hash.h"

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
  ParkMarks marks;
  std::vector<uint64_t> keys;
  std::set<int64_t> tables;
  if (!txn_.recorded_changes(changes) || !safe_to_park(changes, marks, keys, tables)) {
    txn_.no_park();
    return false;
  }
  // Others must meet the marks as soon as they can write: they are taken
  // while this session still holds the writer lock.
  for (int64_t obj : tables)
    if (!locks_.hold_parked_table(obj)) return true;
  for (uint64_t key : keys)
    if (!locks_.lock_parked_key(key)) {
      // Another session's parked row has a key of the same hash: this one
      // stays as it is (a later try may succeed once that one has ended).
      return true;
    }
  return !txn_.park(std::move(changes), marks);
}

bool Session::safe_to_park(std::string& changeset, ParkMarks& marks, std::vector<uint64_t>& keys,
                           std::set<int64_t>& tables) {
  sqlite3_changeset_iter* it = nullptr;
  if (sqlite3changeset_start(&it, static_cast<int>(changeset.size()), changeset.data()) !=
      SQLITE_OK)
    return false;
  const std::shared_ptr<const Schema> schema = catalog_.schema();
  struct TableKeys {
    std::vector<std::vector<int>> keys;  // column positions
    std::map<int, int> cids;             // column position -> changeset column
    std::set<int> key_cids;
  };
  std::map<int64_t, TableKeys> table_keys;
  bool safe = true;
  while (safe && sqlite3changeset_next(it) == SQLITE_ROW) {
    const char* table = nullptr;
    int columns = 0, op = 0, indirect = 0;
    sqlite3_value* rid = nullptr;
    if (sqlite3changeset_op(it, &table, &columns, &op, &indirect) != SQLITE_OK) {
      safe = false;
      break;
    }
    if (std::strcmp(table, "ora$seq") == 0) {
      // NEXTVAL: its advance is committed at parking.
      safe = op == SQLITE_UPDATE;
      marks.sequences = true;
      continue;
    }
    const bool inserted = op == SQLITE_INSERT;
    if ((inserted ? sqlite3changeset_new(it, 0, &rid) : sqlite3changeset_old(it, 0, &rid)) !=
            SQLITE_OK ||
        !rid) {
      safe = false;
      break;
    }
    const int64_t obj = storage_obj(table);
    auto t = schema->tables.find(obj);
    // New rows are this transaction's alone; changed and deleted rows must
    // be locked by it.
    safe = obj != 0 && t != schema->tables.end() && t->second.foreign_keys.empty() &&
           t->second.referenced_by.empty() &&
           (inserted || locks_.holds_row(obj, sqlite3_value_int64(rid)));
    if (!safe) break;
    auto found = table_keys.find(obj);
    if (found == table_keys.end()) {
      TableKeys tk;
      tk.keys = unique_keys_of(*schema, obj);
      std::map<std::string, int> by_name;
      for (size_t c = 0; c < t->second.columns.size(); ++c)
        by_name[storage_column(static_cast<int>(c))] = static_cast<int>(c);
      SqlStmt info(conn_, "SELECT cid, name FROM pragma_table_info('" + storage_table(obj) + "')");
      while (info.step()) {
        auto named = by_name.find(info.text(1));
        if (named != by_name.end()) tk.cids[named->second] = static_cast<int>(info.integer(0));
      }
      for (const auto& key : tk.keys)
        for (int c : key) {
          auto cid = tk.cids.find(c);
          if (cid == tk.cids.end())
            safe = false;  // a key column not stored: refuse
          else
            tk.key_cids.insert(cid->second);
        }
      found = table_keys.emplace(obj, std::move(tk)).first;
      if (!safe) break;
    }
    const TableKeys& tk = found->second;
    if (op == SQLITE_UPDATE) {
      // A changed key could meet another session's new key.
      for (int c = 1; c < columns && safe; ++c) {
        sqlite3_value* changed = nullptr;
        if (sqlite3changeset_new(it, c, &changed) == SQLITE_OK && changed && tk.key_cids.count(c))
          safe = false;
      }
      continue;
    }
    // A new row's keys, or a deleted row's: another session inserting the
    // same key waits for this transaction's end.
    tables.insert(obj);
    if (inserted) {
      int64_t& floor = marks.rid_floors[obj];
      floor = std::max<int64_t>(floor, sqlite3_value_int64(rid));
    }
    for (const auto& key : tk.keys) {
      std::vector<sqlite3_value*> values;
      for (int c : key) {
        sqlite3_value* v = nullptr;
        const int cid = tk.cids.at(c);
        if ((inserted ? sqlite3changeset_new(it, cid, &v) : sqlite3changeset_old(it, cid, &v)) !=
            SQLITE_OK)
          v = nullptr;
        values.push_back(v);
      }
      const uint64_t hash = unique_key_hash(obj, key, values);
      if (hash) keys.push_back(hash);
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
