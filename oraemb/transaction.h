// A session's transaction: the Oracle transaction (its id, and whether one
// is open) and the SQLite write transaction under it, with the atomicity of
// one statement inside it. An Oracle transaction starts with the first DML,
// SELECT ... FOR UPDATE or LOCK TABLE; SQLite's writer lock is taken only by
// the first statement that changes data (BEGIN IMMEDIATE), so a session that
// merely holds locks does not stall the writes of others. The session's
// locks (SessionLocks) open the transaction; the session releases them and
// closes the cost counters when it ends.
#pragma once

#include <sqlite3.h>

#include <cstdint>

#include "oraemb/sqlite_util.h"

namespace oraemb {

class Transaction {
 public:
  // The connection and the prepared statements to run on; until then (and
  // after detach) there is no SQLite transaction to end.
  void attach(sqlite3* conn, StatementCache& statements);
  void detach();

  uint64_t id() const { return id_; }
  // Whether an Oracle transaction is open.
  bool open() const { return open_; }
  // Whether the SQLite write transaction is open.
  bool writing() const { return writing_; }

  // Opens the Oracle transaction without writing (locks taken).
  void start() { open_ = true; }
  // Opens the Oracle transaction and the SQLite write transaction.
  void begin_write();
  // A DML statement's atomicity: when no write transaction is open yet the
  // statement opens one and is all of it, so a failure rolls the whole
  // SQLite transaction back and no savepoint is needed (the converter's
  // committed single-row INSERT); otherwise the statement runs inside
  // SAVEPOINT s and a failure goes back to it.
  //
  // With `single_write` the statement promises to write through one SQLite
  // statement (which SQLite undoes by itself when it fails) unless it calls
  // before_extra_write() first: the savepoint is then taken only there.
  void begin_statement(bool single_write = false);
  void before_extra_write();
  void end_statement();
  void abort_statement();

  // End the transaction; true when an Oracle transaction was open (its id
  // then moves on).
  bool commit();
  bool rollback();
  // A session that ends without logoff loses its open write transaction.
  void abandon();
  // True (once) when SQLite rolled the whole write transaction back on a
  // statement's error, as it does for a full disk when the statement
  // cannot be undone alone: the session must end the Oracle transaction.
  bool take_lost() {
    const bool was = lost_;
    lost_ = false;
    return was;
  }
  // After a failed write outside a statement savepoint (a LOB write): true
  // when SQLite rolled the write transaction back.
  bool writes_lost();

 private:
  bool end();

  sqlite3* conn_ = nullptr;
  StatementCache* statements_ = nullptr;
  bool writing_ = false;
  bool statement_owns_ = false;      // the running DML statement opened the write transaction
  bool savepoint_ = false;           // the running statement's SAVEPOINT s is open
  bool savepoint_deferred_ = false;  // ... or is taken before its next write
  bool open_ = false;
  bool lost_ = false;
  uint64_t id_ = 1;
};

}  // namespace oraemb
