// The SQLite side of a session's transaction and its statement savepoints,
// and the parking of a write transaction as a changeset.
#include "oraemb/transaction.h"

#include <cstring>

#include "oraemb/ora_error.h"

namespace oraemb {
namespace {

// A parked changeset meets no conflict when the session's locks did their
// work; if one does, nothing of it may be applied.
int abort_on_conflict(void*, int, sqlite3_changeset_iter*) {
  return SQLITE_CHANGESET_ABORT;
}

// Sequence rows are never applied again nor undone: their advance is
// committed when the transaction parks.
constexpr char kSequences[] = "ora$seq";

int applied_table(void*, const char* table) {
  return std::strcmp(table, kSequences) != 0;
}

int64_t changes_in(const std::string& changeset) {
  if (changeset.empty()) return 0;
  sqlite3_changeset_iter* it = nullptr;
  if (sqlite3changeset_start(&it, static_cast<int>(changeset.size()),
                             const_cast<char*>(changeset.data())) != SQLITE_OK)
    return -1;
  int64_t n = 0;
  while (sqlite3changeset_next(it) == SQLITE_ROW) {
    const char* table = nullptr;
    int columns = 0, op = 0, indirect = 0;
    if (sqlite3changeset_op(it, &table, &columns, &op, &indirect) == SQLITE_OK &&
        applied_table(nullptr, table))
      ++n;
  }
  return sqlite3changeset_finalize(it) == SQLITE_OK ? n : -1;
}

// Applies `changeset` (without sequence rows), all or nothing; false when
// it did not apply exactly.
bool apply_exactly(sqlite3* conn, const std::string& changeset) {
  const int64_t expected = changes_in(changeset);
  if (expected <= 0) return expected == 0;
  const int before = sqlite3_total_changes(conn);
  const int rc = sqlite3changeset_apply(conn, static_cast<int>(changeset.size()),
                                        const_cast<char*>(changeset.data()), applied_table,
                                        abort_on_conflict, nullptr);
  return rc == SQLITE_OK && sqlite3_total_changes(conn) - before == expected;
}

}  // namespace

void Transaction::attach(sqlite3* conn, StatementCache& statements) {
  conn_ = conn;
  statements_ = &statements;
}

void Transaction::detach() {
  close_write();
  parked_ = false;
  parked_changes_.clear();
  conn_ = nullptr;
  statements_ = nullptr;
}

void Transaction::open_write(bool record) {
  step_done(conn_, statements_->get(conn_, "BEGIN IMMEDIATE"), "begin");
  writing_ = true;
  ++write_serial_;
  if (on_writer_taken_) on_writer_taken_();
  if (!record) return;
  // Without the recorder the transaction simply holds the writer lock to
  // its end, as every transaction did before parking existed.
  if (sqlite3session_create(conn_, "main", &recorder_) != SQLITE_OK) {
    recorder_ = nullptr;
    return;
  }
  if (sqlite3session_attach(recorder_, nullptr) != SQLITE_OK) no_park();
}

void Transaction::close_write() {
  writing_ = false;
  no_park();
}

void Transaction::no_park() {
  if (recorder_) sqlite3session_delete(recorder_);
  recorder_ = nullptr;
}

void Transaction::begin_write(bool record) {
  open_ = true;
  resume();
  if (writing_) return;
  open_write(record);
}

void Transaction::begin_statement(bool record, bool single_write) {
  resume();  // a parked transaction is the statement's predecessor, not its own
  statement_owns_ = !writing_;
  begin_write(record);
  savepoint_deferred_ = !statement_owns_ && single_write;
  savepoint_ = !statement_owns_ && !single_write;
  if (savepoint_) step_done(conn_, statements_->get(conn_, "SAVEPOINT s"), "savepoint");
}

void Transaction::before_extra_write() {
  if (!savepoint_deferred_) return;
  savepoint_deferred_ = false;
  step_done(conn_, statements_->get(conn_, "SAVEPOINT s"), "savepoint");
  savepoint_ = true;
}

bool Transaction::recorded_changes(std::string& changeset) {
  if (!parkable()) return false;
  int size = 0;
  void* data = nullptr;
  if (sqlite3session_changeset(recorder_, &size, &data) != SQLITE_OK) {
    sqlite3_free(data);
    return false;
  }
  changeset.assign(static_cast<const char*>(data), static_cast<size_t>(size));
  sqlite3_free(data);
  return true;
}

bool Transaction::park(std::string changeset, const ParkMarks& marks) {
  if (!parkable() || statement_owns_) return false;
  if (marks.rid_floors.empty() && !marks.sequences) {
    sqlite3_exec(conn_, "ROLLBACK", nullptr, nullptr, nullptr);
    if (!sqlite3_get_autocommit(conn_)) return false;  // still open: it keeps the writer
  } else if (!undo_and_commit_marks(changeset, marks)) {
    return false;
  }
  close_write();
  parked_changes_ = std::move(changeset);
  parked_ = true;
  return true;
}

bool Transaction::undo_and_commit_marks(const std::string& changeset, const ParkMarks& marks) {
  // The undo must not be recorded: the recorder goes (parking ends it anyway).
  no_park();
  int size = 0;
  void* inverse = nullptr;
  if (sqlite3changeset_invert(static_cast<int>(changeset.size()), changeset.data(), &size,
                              &inverse) != SQLITE_OK) {
    sqlite3_free(inverse);
    return false;
  }
  const bool undone = apply_exactly(
      conn_, std::string(static_cast<const char*>(inverse), static_cast<size_t>(size)));
  sqlite3_free(inverse);
  if (!undone) {
    // The transaction is as it was (all or nothing), but no longer recorded:
    // it keeps the writer lock to its end.
    return false;
  }
  // The marks table is created here the first time: older files have none.
  if (!marks.rid_floors.empty() &&
      sqlite3_exec(conn_,
                   "CREATE TABLE IF NOT EXISTS ora$parked(obj INTEGER PRIMARY KEY, "
                   "rid_floor INTEGER NOT NULL)",
                   nullptr, nullptr, nullptr) != SQLITE_OK)
    return park_failed(changeset);
  for (const auto& [obj, floor] : marks.rid_floors) {
    // On the watcher's thread: no statement cache, no exceptions.
    sqlite3_stmt* put = nullptr;
    int rc = sqlite3_prepare_v2(conn_,
                                "INSERT INTO ora$parked(obj, rid_floor) VALUES(?, ?) ON "
                                "CONFLICT(obj) DO UPDATE SET rid_floor = "
                                "max(rid_floor, excluded.rid_floor)",
                                -1, &put, nullptr);
    if (rc == SQLITE_OK) {
      sqlite3_bind_int64(put, 1, obj);
      sqlite3_bind_int64(put, 2, floor);
      rc = sqlite3_step(put) == SQLITE_DONE ? SQLITE_OK : SQLITE_ERROR;
    }
    sqlite3_finalize(put);
    if (rc != SQLITE_OK) return park_failed(changeset);
  }
  if (sqlite3_exec(conn_, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK) return true;
  return park_failed(changeset);
}

bool Transaction::park_failed(const std::string& changeset) {
  // The changes were undone already: they can only be parked now, as a
  // plain rollback parks them, without their marks (should another
  // session's row meet them, their resume fails with ORA-00600); or, when
  // even the rollback failed, put back under the writer lock held to the end.
  sqlite3_exec(conn_, "ROLLBACK", nullptr, nullptr, nullptr);
  if (sqlite3_get_autocommit(conn_)) return true;
  apply_exactly(conn_, changeset);
  return false;
}

void Transaction::resume() {
  if (!parked_) return;
  // Waiting for the writer may end in ORA-00054: the changes stay parked.
  open_write(true);
  const bool applied = apply_exactly(conn_, parked_changes_);
  parked_ = false;
  std::string().swap(parked_changes_);
  if (applied) return;
  // A change that did not apply as recorded (a row gone or changed, a
  // table of another shape) would commit half a transaction: none of it
  // is kept.
  sqlite3_exec(conn_, "ROLLBACK", nullptr, nullptr, nullptr);
  close_write();
  lost_ = true;
  raise(600, {"resume], [the parked changes of the transaction no longer apply"});
}

void Transaction::end_statement() {
  if (savepoint_) step_done(conn_, statements_->get(conn_, "RELEASE s"), "release");
  statement_owns_ = false;
  savepoint_ = false;
  savepoint_deferred_ = false;
}

void Transaction::abort_statement() {
  if (statement_owns_) {
    // Nothing before this statement is undone: the transaction was its own.
    // Locks it took stay until commit or rollback, as with a savepoint.
    sqlite3_exec(conn_, "ROLLBACK", nullptr, nullptr, nullptr);
    close_write();
  } else {
    // Without a savepoint the statement's one write failed and SQLite
    // undid it, or it wrote nothing.
    if (savepoint_) sqlite3_exec(conn_, "ROLLBACK TO s; RELEASE s", nullptr, nullptr, nullptr);
    if (sqlite3_get_autocommit(conn_)) {
      // SQLite ended the transaction itself (SQLITE_FULL, I/O errors):
      // writes after this would each commit on their own.
      close_write();
      lost_ = true;
    }
  }
  statement_owns_ = false;
  savepoint_ = false;
  savepoint_deferred_ = false;
}

bool Transaction::writes_lost() {
  if (!writing_ || !sqlite3_get_autocommit(conn_)) return false;
  close_write();
  return true;
}

bool Transaction::commit() {
  resume();
  if (writing_) {
    try {
      step_done(conn_, statements_->get(conn_, "COMMIT"), "commit");
    } catch (...) {
      // A commit that fails on a full disk has rolled the transaction back.
      if (sqlite3_get_autocommit(conn_)) {
        close_write();
        end();
      }
      throw;
    }
    close_write();
  }
  return end();
}

bool Transaction::rollback() {
  // Parked changes were never in the file: dropping them is the rollback.
  parked_ = false;
  std::string().swap(parked_changes_);
  if (writing_) {
    sqlite3_exec(conn_, "ROLLBACK", nullptr, nullptr, nullptr);
    close_write();
  }
  return end();
}

void Transaction::abandon() {
  parked_ = false;
  std::string().swap(parked_changes_);
  if (writing_ && conn_) sqlite3_exec(conn_, "ROLLBACK", nullptr, nullptr, nullptr);
  close_write();
}

bool Transaction::end() {
  const bool was_open = open_;
  if (open_) ++id_;
  open_ = false;
  return was_open;
}

}  // namespace oraemb
