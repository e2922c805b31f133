// The SQLite side of a session's transaction and its statement savepoints.
#include "oraemb/transaction.h"

namespace oraemb {

void Transaction::attach(sqlite3* conn, StatementCache& statements) {
  conn_ = conn;
  statements_ = &statements;
}

void Transaction::detach() {
  conn_ = nullptr;
  statements_ = nullptr;
}

void Transaction::begin_write() {
  open_ = true;
  if (writing_) return;
  step_done(conn_, statements_->get(conn_, "BEGIN IMMEDIATE"), "begin");
  writing_ = true;
}

void Transaction::begin_statement(bool single_write) {
  statement_owns_ = !writing_;
  begin_write();
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
    writing_ = false;
  } else {
    // Without a savepoint the statement's one write failed and SQLite
    // undid it, or it wrote nothing.
    if (savepoint_) sqlite3_exec(conn_, "ROLLBACK TO s; RELEASE s", nullptr, nullptr, nullptr);
    if (sqlite3_get_autocommit(conn_)) {
      // SQLite ended the transaction itself (SQLITE_FULL, I/O errors):
      // writes after this would each commit on their own.
      writing_ = false;
      lost_ = true;
    }
  }
  statement_owns_ = false;
  savepoint_ = false;
  savepoint_deferred_ = false;
}

bool Transaction::writes_lost() {
  if (!writing_ || !sqlite3_get_autocommit(conn_)) return false;
  writing_ = false;
  return true;
}

bool Transaction::commit() {
  if (writing_) {
    try {
      step_done(conn_, statements_->get(conn_, "COMMIT"), "commit");
    } catch (...) {
      // A commit that fails on a full disk has rolled the transaction back.
      if (sqlite3_get_autocommit(conn_)) {
        writing_ = false;
        end();
      }
      throw;
    }
    writing_ = false;
  }
  return end();
}

bool Transaction::rollback() {
  if (writing_) {
    sqlite3_exec(conn_, "ROLLBACK", nullptr, nullptr, nullptr);
    writing_ = false;
  }
  return end();
}

void Transaction::abandon() {
  if (writing_ && conn_) sqlite3_exec(conn_, "ROLLBACK", nullptr, nullptr, nullptr);
  writing_ = false;
}

bool Transaction::end() {
  const bool was_open = open_;
  if (open_) ++id_;
  open_ = false;
  return was_open;
}

}  // namespace oraemb
