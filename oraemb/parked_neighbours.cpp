// Writing next to another session's parked rows: new rows numbered above
// the parked new rows (their ROWIDs may be in a client's hands already),
// and a unique key value that a parked transaction inserted or deleted
// waits for that transaction's end, as Oracle waits for the index entry's
// transaction. The wait never holds SQLite's writer lock when the
// statement opened the write transaction (the parked session needs it to
// commit): the statement is undone, waits and runs again.
#include <algorithm>

#include "oraemb/session.h"
#include "oraemb/unique_key_hash.h"

namespace oraemb {
namespace {

// Thrown through the statement (which undoes it) to waiting_for_parked_keys.
struct parked_key_taken {
  uint64_t key;
};

}  // namespace

Session::ParkedNeighbours Session::parked_neighbours(int64_t table_obj, bool inserting) {
  ParkedNeighbours out;
  // Marks change only under the writer lock, which this write transaction holds.
  if (parked_probe_serial_ != txn_.write_serial()) {
    parked_probe_serial_ = txn_.write_serial();
    parked_probe_.clear();
  }
  auto probe = std::find_if(parked_probe_.begin(), parked_probe_.end(),
                            [table_obj](const auto& p) { return p.first == table_obj; });
  if (probe == parked_probe_.end())
    probe = parked_probe_.insert(probe, {table_obj, locks_.others_parked(table_obj)});
  out.any = probe->second;
  if (!out.any || !inserting) return out;
  // The floor's table exists once a parking with new rows committed it.
  int64_t floor = 0;
  sqlite3_stmt* get = nullptr;
  if (sqlite3_prepare_v2(conn_, "SELECT rid_floor FROM ora$parked WHERE obj = ?", -1, &get,
                         nullptr) == SQLITE_OK) {
    sqlite3_bind_int64(get, 1, table_obj);
    if (sqlite3_step(get) == SQLITE_ROW) floor = sqlite3_column_int64(get, 0);
  }
  sqlite3_finalize(get);
  if (floor <= 0) return out;
  sqlite3_stmt* top = cached("SELECT max(rid) FROM " + storage_table(table_obj));
  const int64_t highest = step_row(conn_, top, "rid floor") ? sqlite3_column_int64(top, 0) : 0;
  sqlite3_reset(top);
  if (highest < floor) out.next_rid = floor + 1;
  return out;
}

void Session::guard_parked_keys(const TableInfo& t, int64_t rid) {
  const std::vector<std::vector<int>> keys = unique_keys_of(*catalog_.schema(), t.obj);
  if (keys.empty()) return;
  std::vector<int> columns;
  for (const auto& key : keys) columns.insert(columns.end(), key.begin(), key.end());
  std::sort(columns.begin(), columns.end());
  columns.erase(std::unique(columns.begin(), columns.end()), columns.end());
  std::string sql = "SELECT ";
  for (size_t k = 0; k < columns.size(); ++k) sql += (k ? ", " : "") + storage_column(columns[k]);
  sqlite3_stmt* st = cached(sql + " FROM " + storage_table(t.obj) + " WHERE rid = ?");
  sqlite3_bind_int64(st, 1, rid);
  uint64_t taken = 0;
  if (step_row(conn_, st, "parked keys")) {
    for (const auto& key : keys) {
      std::vector<sqlite3_value*> values;
      for (int c : key)
        values.push_back(sqlite3_column_value(
            st, static_cast<int>(std::lower_bound(columns.begin(), columns.end(), c) -
                                 columns.begin())));
      const uint64_t hash = unique_key_hash(t.obj, key, values);
      if (hash && !locks_.key_free(hash)) {
        taken = hash;
        break;
      }
    }
  }
  sqlite3_reset(st);
  if (taken) throw parked_key_taken{taken};
}

void Session::guard_parked_duplicates(const TableInfo& t, const std::vector<Value>& row,
                                      int64_t own_rid) {
  for (const auto& key : unique_keys_of(*catalog_.schema(), t.obj)) {
    std::string sql = "SELECT rid FROM " + storage_table(t.obj) + " WHERE rid <> ?";
    bool any = false;
    for (int c : key) {
      sql += " AND " + storage_column(c) + " IS ?";
      any = any || !row[c].is_null();
    }
    if (!any) continue;
    sqlite3_stmt* st = cached(sql + " LIMIT 1");
    sqlite3_bind_int64(st, 1, own_rid);
    for (size_t k = 0; k < key.size(); ++k) bind_storage(st, static_cast<int>(k + 2), row[key[k]]);
    const bool hit = step_row(conn_, st, "parked duplicates");
    const int64_t other = hit ? sqlite3_column_int64(st, 0) : 0;
    sqlite3_reset(st);
    if (hit) guard_parked_keys(t, other);
  }
}

int64_t Session::waiting_for_parked_keys(const std::function<int64_t()>& run) {
  for (;;) {
    try {
      return run();
    } catch (const parked_key_taken& taken) {
      // The statement is undone. A session still writing gives up when the
      // key's holder wants the writer lock back (ORA-00054).
      locks_.wait_for_parked_key(taken.key);
    }
  }
}

}  // namespace oraemb
