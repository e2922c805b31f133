// Pool of read-only snapshot connections (see snapshot_readers.h).
#include "oraemb/snapshot_readers.h"

#include "oraemb/ora_error.h"

namespace oraemb {

SnapshotReaders::Connection::~Connection() {
  statements.clear();
  if (db) sqlite3_close_v2(db);
}

SnapshotReaders::~SnapshotReaders() = default;

SnapshotReaders::Lease::~Lease() {
  if (pool_ && conn_) pool_->give_back(std::move(conn_));
}

std::unique_ptr<SnapshotReaders::Lease> SnapshotReaders::lease() {
  std::unique_ptr<Connection> conn;
  if (!idle_.empty()) {
    conn = std::move(idle_.back());
    idle_.pop_back();
  } else {
    conn = std::make_unique<Connection>();
    if (sqlite3_open_v2(path_.c_str(), &conn->db, SQLITE_OPEN_READONLY | SQLITE_OPEN_FULLMUTEX,
                        nullptr) != SQLITE_OK)
      sqlite_fail(conn->db, "open reader");
    sqlite3_busy_timeout(conn->db, 10000);
    // A scan reads each page once: a small page cache keeps a reader's
    // memory independent of the table's size.
    sql_exec(conn->db, "PRAGMA cache_size=-2048; PRAGMA temp_store=MEMORY;");
  }
  return std::make_unique<Lease>(shared_from_this(), std::move(conn));
}

void SnapshotReaders::give_back(std::unique_ptr<Connection> conn) {
  // Every statement is reset so that no read transaction (and no snapshot
  // that holds back WAL checkpoints) outlives its query.
  for (sqlite3_stmt* st = sqlite3_next_stmt(conn->db, nullptr); st;
       st = sqlite3_next_stmt(conn->db, st))
    sqlite3_reset(st);
  if (idle_.size() < kMaxIdle) idle_.push_back(std::move(conn));
}

}  // namespace oraemb
