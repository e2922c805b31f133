// Table (TM) and row (TX) locks of one session, shared with every other
// session and process that opens the same database: Linux open file
// description locks on a sparse sidecar file "<database>.locks". Each
// session has its own descriptor, so sessions conflict even inside one
// process, and the kernel drops every lock of a process that dies.
//
// The kernel checks a new lock against every lock record of the file, so
// the records one transaction holds are bounded: a row lock is its own
// byte (exclusive) under its bucket's byte (shared, one of kBuckets per
// table) until the transaction holds kExactRows row locks in a table; its
// further rows there lock their whole bucket exclusively, and a row whose
// bucket is already held costs a hash lookup and no system call. Another
// session may then wait for a row it does not share with this one (never
// for a row of another table), as it would for a hash collision.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>

namespace oraemb {

class LockManager {
 public:
  // How long an acquisition may wait: 0 = not at all (NOWAIT), negative =
  // without limit, otherwise seconds.
  struct Wait {
    double seconds = -1;
    // Asked while waiting: true ends the wait as if the time had run out.
    std::function<bool()> give_up;
    static Wait nowait() { return Wait{0, nullptr}; }
  };

  // Opens (creating) the sidecar of `database_path`; ORA-00600 when it
  // cannot be opened.
  explicit LockManager(const std::string& database_path);
  ~LockManager();
  LockManager(const LockManager&) = delete;
  LockManager& operator=(const LockManager&) = delete;

  // False when the lock could not be had within `wait`. A shared table lock
  // is what DML and SELECT ... FOR UPDATE take; DDL and LOCK TABLE ... IN
  // EXCLUSIVE MODE take it exclusive.
  bool lock_table(int64_t obj, bool exclusive, Wait wait);
  bool lock_row(int64_t obj, int64_t rid, Wait wait);
  // Ends the transaction's locks.
  void release_all();
  // Whether the transaction holds the lock of this row (its own byte or
  // its whole bucket, exclusive).
  bool holds_row(int64_t obj, int64_t rid) const;
  // Marks of a transaction that gave its writer lock away with new or
  // deleted rows (its changes parked): a shared lock on its table's
  // parked byte, and an exclusive lock on a hash of each unique key value
  // of those rows. Both are held to the transaction's end, never waited
  // for (false: not had). Another session that writes the table checks
  // them (others_parked, key_free) and waits for a key with wait_key_free.
  bool hold_parked_table(int64_t obj);
  bool lock_parked_key(uint64_t key);
  bool others_parked(int64_t obj) const;
  bool key_free(uint64_t key) const;
  bool wait_key_free(uint64_t key, Wait wait);
  // The "writer wanted" byte: a session waiting for SQLite's writer lock
  // holds it shared, so that an idle session holding the writer can tell
  // someone is waiting and yield it. It is not one of the transaction's
  // locks (release_all may drop it; the waiter takes it again).
  void want_writer(bool on);
  bool writer_wanted_by_others() const;
  // True when the last successful acquisition had to wait for another
  // session (the caller re-reads what it read before).
  bool waited() const { return waited_; }

 private:
  static constexpr int64_t kBuckets = 1024;
  static constexpr int64_t kExactRows = 1024;
  bool acquire(int64_t offset, bool exclusive, Wait wait);
  int fd_ = -1;
  std::unordered_map<int64_t, bool> held_;  // offset -> exclusive
  // Row locks a transaction holds in each table as their own bytes.
  std::unordered_map<int64_t, int64_t> exact_rows_;
  bool waited_ = false;
};

}  // namespace oraemb
