// Read-only connections to one database file for queries whose rows are
// read while they are fetched. Each leased connection reads in a snapshot
// of its own (the file is in WAL mode: a statement's read transaction sees
// the file as it was at its first step), so the session's own connection
// can go on writing and committing while a cursor is open. Returned
// connections are kept, with their prepared statements, for the next query.
#pragma once

#include <sqlite3.h>

#include <memory>
#include <string>
#include <vector>

#include "oraemb/sqlite_util.h"

namespace oraemb {

class SnapshotReaders : public std::enable_shared_from_this<SnapshotReaders> {
 public:
  explicit SnapshotReaders(std::string path) : path_(std::move(path)) {}
  ~SnapshotReaders();
  SnapshotReaders(const SnapshotReaders&) = delete;
  SnapshotReaders& operator=(const SnapshotReaders&) = delete;

  struct Connection {
    sqlite3* db = nullptr;
    StatementCache statements;  // finalized before db closes
    ~Connection();
  };

  // One connection, held until the lease ends; the pool outlives it.
  class Lease {
   public:
    Lease(std::shared_ptr<SnapshotReaders> pool, std::unique_ptr<Connection> conn)
        : pool_(std::move(pool)), conn_(std::move(conn)) {}
    ~Lease();
    Lease(const Lease&) = delete;
    Lease& operator=(const Lease&) = delete;
    sqlite3* db() const { return conn_->db; }
    // A statement prepared on this connection (cached by its text).
    sqlite3_stmt* statement(const std::string& sql) {
      return conn_->statements.get(conn_->db, sql);
    }

   private:
    std::shared_ptr<SnapshotReaders> pool_;
    std::unique_ptr<Connection> conn_;
  };

  std::unique_ptr<Lease> lease();
  // Connections open for leases or kept idle (for tests of the pool).
  size_t idle() const { return idle_.size(); }

 private:
  void give_back(std::unique_ptr<Connection> conn);
  static constexpr size_t kMaxIdle = 4;
  std::string path_;
  std::vector<std::unique_ptr<Connection>> idle_;
};

}  // namespace oraemb
