// A session's transaction: the Oracle transaction (its id, and whether one
// is open) and the SQLite write transaction under it, with the atomicity of
// one statement inside it. An Oracle transaction starts with the first DML,
// SELECT ... FOR UPDATE or LOCK TABLE; SQLite's writer lock is taken only by
// the first statement that changes data (BEGIN IMMEDIATE), so a session that
// merely holds locks does not stall the writes of others. The session's
// locks (SessionLocks) open the transaction; the session releases them and
// closes the cost counters when it ends.
//
// A write transaction left open between calls may be parked: when it was
// opened to record its changes (an SQLite session), its changes become a
// changeset kept in memory and the SQLite transaction is rolled back, so
// that other sessions can write; the next call applies the changeset again
// under a new write transaction. Only the session decides when that is
// safe (session_parking.cpp): other sessions never see the parked rows.
// When the parked rows include new ones, or the transaction advanced a
// sequence, the changes are undone by their inverse rather than a
// rollback, and what must outlive the parking is committed in their place
// under the same writer lock: each table's rid floor (ora$parked, above
// which other sessions' new rows are numbered while these are parked) and
// the sequences' advance (NEXTVAL is not transactional once another
// session could have used the sequence).
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <functional>
#include <map>
#include <string>

#include "oraemb/sqlite_util.h"

struct sqlite3_session;  // SQLite's session extension (sqlite3session_*)

namespace oraemb {

// What a parking commits besides undoing the changes.
struct ParkMarks {
  std::map<int64_t, int64_t> rid_floors;  // table obj -> highest rid of its parked new rows
  bool sequences = false;                 // the changes include NEXTVAL's (ora$seq)
};

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
  // Whether the running statement opened the write transaction (its
  // failure leaves no write transaction, nor SQLite's writer lock).
  bool statement_owns() const { return statement_owns_; }
  // Changes each time a write transaction opens.
  uint64_t write_serial() const { return write_serial_; }

  // Opens the Oracle transaction without writing (locks taken).
  void start() { open_ = true; }
  // Opens the Oracle transaction and the SQLite write transaction (first
  // applying a parked changeset). `record`: a write transaction this call
  // opens records its changes, so that it can be parked later.
  void begin_write(bool record = false);
  // A DML statement's atomicity: when no write transaction is open yet the
  // statement opens one and is all of it, so a failure rolls the whole
  // SQLite transaction back and no savepoint is needed (the converter's
  // committed single-row INSERT); otherwise the statement runs inside
  // SAVEPOINT s and a failure goes back to it.
  // `record` as for begin_write.
  //
  // With `single_write` the statement promises to write through one SQLite
  // statement (which SQLite undoes by itself when it fails) unless it calls
  // before_extra_write() first: the savepoint is then taken only there.
  void begin_statement(bool record = false, bool single_write = false);
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

  // Parking. `no_park` stops the recording (the transaction will hold the
  // writer lock until it ends, as one that never recorded).
  bool parkable() const { return writing_ && recorder_ != nullptr; }
  bool parked() const { return parked_; }
  void no_park();
  // The changes recorded so far; false when SQLite cannot produce them.
  bool recorded_changes(std::string& changeset);
  // Rolls the SQLite transaction back and keeps `changeset` to apply at
  // resume; false (nothing changed) when the rollback cannot be done now.
  bool park(std::string changeset, const ParkMarks& marks);
  // Applies a parked changeset under a new write transaction. Waiting for
  // the writer lock may fail (ORA-00054): the changes stay parked. A
  // changeset that does not apply exactly is rolled back and the write
  // transaction is lost (take_lost), with ORA-00600.
  void resume();
  // Runs when BEGIN IMMEDIATE got the writer lock (the session stops
  // signalling that it waits for it).
  void on_writer_taken(std::function<void()> fn) { on_writer_taken_ = std::move(fn); }

 private:
  bool end();
  void open_write(bool record);
  void close_write();  // after the SQLite transaction ended: recording ends too
  // park's way for changes that leave marks: false when the inverse did
  // not apply (nothing changed then) or the commit failed.
  bool undo_and_commit_marks(const std::string& changeset, const ParkMarks& marks);
  bool park_failed(const std::string& changeset);

  sqlite3* conn_ = nullptr;
  StatementCache* statements_ = nullptr;
  bool writing_ = false;
  bool statement_owns_ = false;      // the running DML statement opened the write transaction
  bool savepoint_ = false;           // the running statement's SAVEPOINT s is open
  bool savepoint_deferred_ = false;  // ... or is taken before its next write
  bool open_ = false;
  bool lost_ = false;
  uint64_t id_ = 1;
  uint64_t write_serial_ = 0;
  sqlite3_session* recorder_ = nullptr;
  bool parked_ = false;
  std::string parked_changes_;
  std::function<void()> on_writer_taken_;
};

}  // namespace oraemb
