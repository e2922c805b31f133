// Table and row locks of one session over the shared lock file.
#include "oraemb/session_locks.h"

#include "oraemb/ora_error.h"

namespace oraemb {

void SessionLocks::open(const std::string& database_path, double lock_timeout) {
  lock_timeout_ = lock_timeout;
  locks_ = std::make_unique<LockManager>(database_path);
}

void SessionLocks::close() {
  locks_.reset();
}

void SessionLocks::release_all() {
  if (locks_) locks_->release_all();
}

LockManager::Wait SessionLocks::wait(bool nowait, int wait_seconds) const {
  if (nowait) return LockManager::Wait::nowait();
  LockManager::Wait w{wait_seconds >= 0 ? static_cast<double>(wait_seconds) : lock_timeout_,
                      nullptr};
  // A session that holds SQLite's writer lock does not sleep on a lock
  // while another session waits for the writer: the lock's holder may be
  // that session, which could then never commit (a parked transaction
  // needs the writer back). The statement gets ORA-00054 instead.
  LockManager* locks = locks_.get();
  const Transaction* txn = &txn_;
  w.give_up = [locks, txn] { return txn->writing() && locks->writer_wanted_by_others(); };
  return w;
}

void SessionLocks::raise_busy() {
  raise(54);
}

void SessionLocks::lock_for_dml(int64_t table_obj) {
  if (!locks_->lock_table(table_obj, false, wait(false, -1))) raise(54);
  txn_.start();
}

void SessionLocks::lock_for_ddl(int64_t table_obj) {
  if (!locks_->lock_table(table_obj, true, LockManager::Wait::nowait())) raise(54);
}

void SessionLocks::lock_tables(const std::vector<int64_t>& table_objs, bool exclusive, bool nowait,
                               int wait_seconds) {
  const LockManager::Wait w = wait(nowait, wait_seconds);
  for (int64_t obj : table_objs)
    if (!locks_->lock_table(obj, exclusive, w)) raise(wait_seconds >= 0 && !nowait ? 30006 : 54);
}

bool SessionLocks::lock_rows(const std::vector<RowKey>& rows, bool nowait, int wait_seconds) {
  bool waited = false;
  for (const auto& [obj, rid] : rows) {
    if (!locks_->lock_row(obj, rid, wait(nowait, wait_seconds)))
      raise(wait_seconds >= 0 && !nowait ? 30006 : 54);
    waited = waited || locks_->waited();
  }
  if (!rows.empty()) txn_.start();
  return waited;
}

void SessionLocks::read_for_update(const std::function<void()>& read, bool nowait,
                                   int wait_seconds) {
  std::vector<RowKey> keys;
  struct Gather {
    std::vector<RowKey>*& slot;
    ~Gather() { slot = nullptr; }
  } gather{gathered_};
  gathered_ = &keys;
  read();
  gathered_ = nullptr;
  if (lock_rows(keys, nowait, wait_seconds)) {
    keys.clear();
    gathered_ = &keys;
    read();
    gathered_ = nullptr;
    lock_rows(keys, nowait, wait_seconds);
  }
}

}  // namespace oraemb
