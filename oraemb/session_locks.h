// The locks one session holds: its handle on the database's lock file, the
// wait a lock statement without WAIT or NOWAIT gets, and the rows a
// SELECT ... FOR UPDATE gathers while it reads them. A lock taken for DML,
// for rows or by LOCK TABLE opens the session's Oracle transaction; the
// session releases every lock when the transaction ends.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "oraemb/lock_manager.h"
#include "oraemb/transaction.h"

namespace oraemb {

class SessionLocks {
 public:
  using RowKey = std::pair<int64_t, int64_t>;  // table obj, rid

  explicit SessionLocks(Transaction& txn) : txn_(txn) {}

  // Opens the lock file of `database_path` (ORA-00600 when it cannot be
  // opened). `lock_timeout`: seconds a lock without WAIT or NOWAIT waits,
  // negative for no limit.
  void open(const std::string& database_path, double lock_timeout);
  // Drops every lock (logoff).
  void close();
  // Ends the transaction's locks; nothing when not open.
  void release_all();

  // Shared table lock of DML, waiting as configured; ORA-00054 when it
  // cannot be had.
  void lock_for_dml(int64_t table_obj);
  // Exclusive table lock of DDL, without waiting; ORA-00054.
  void lock_for_ddl(int64_t table_obj);
  // Table locks of LOCK TABLE and SELECT ... FOR UPDATE: ORA-30006 when a
  // WAIT ran out, ORA-00054 otherwise. They do not open the transaction.
  void lock_tables(const std::vector<int64_t>& table_objs, bool exclusive, bool nowait,
                   int wait_seconds);
  // Row locks; true when one of them had to wait for another session.
  bool lock_rows(const std::vector<RowKey>& rows, bool nowait, int wait_seconds);

  // SELECT ... FOR UPDATE: runs `read`, gathering the rows it passes to
  // note_row, and locks them. When a lock had to wait, `read` runs again
  // (the rows as the other session left them) and its rows are locked.
  void read_for_update(const std::function<void()>& read, bool nowait, int wait_seconds);
  bool holds_row(int64_t table_obj, int64_t rid) const {
    return locks_ && locks_->holds_row(table_obj, rid);
  }
  // Parked rows' marks (LockManager). wait_for_parked_key waits as a DML
  // row lock does (and gives up the same way while this session writes):
  // ORA-00054 when the key is still taken.
  bool hold_parked_table(int64_t obj) { return locks_->hold_parked_table(obj); }
  bool lock_parked_key(uint64_t key) { return locks_->lock_parked_key(key); }
  bool others_parked(int64_t obj) const { return locks_ && locks_->others_parked(obj); }
  bool key_free(uint64_t key) const { return !locks_ || locks_->key_free(key); }
  void wait_for_parked_key(uint64_t key) {
    if (!locks_->wait_key_free(key, wait(false, -1))) raise_busy();
  }
  // The writer-wanted signal of LockManager (nothing before open).
  void want_writer(bool on) {
    if (locks_) locks_->want_writer(on);
  }
  bool writer_wanted_by_others() const { return locks_ && locks_->writer_wanted_by_others(); }

  // Whether a read_for_update is gathering rows now.
  bool gathering() const { return gathered_ != nullptr; }
  void note_row(int64_t table_obj, int64_t rid) { gathered_->push_back({table_obj, rid}); }

 private:
  LockManager::Wait wait(bool nowait, int wait_seconds) const;
  [[noreturn]] static void raise_busy();

  Transaction& txn_;
  std::unique_ptr<LockManager> locks_;
  double lock_timeout_ = -1;
  std::vector<RowKey>* gathered_ = nullptr;
};

}  // namespace oraemb
