// Session life cycle: logon and user creation, SQLite connection set-up,
// transactions (a savepoint per statement inside an open one), statement dispatch, value
// storage encoding, ROWIDs, sequences and LOB cell access.
#include "oraemb/session.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "oraemb/password_verifier.h"
#include "oraemb/setup_lock.h"
#include "oraemb/sqlite_util.h"
#include "oraemb/trace.h"
#include "oraemb/value_ops.h"

namespace oraemb {
namespace {

const char kBase64[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

std::string base64_field(int64_t value, int width) {
  std::string out(width, 'A');
  for (int k = width - 1; k >= 0; --k) {
    out[k] = kBase64[value & 63];
    value >>= 6;
  }
  return out;
}

}  // namespace

std::string storage_table(int64_t obj) {
  return "t" + std::to_string(obj);
}
std::string storage_column(int column) {
  return "c" + std::to_string(column + 1);
}

std::time_t Session::now() {
  // TARVEL_ORAEMB_NOW pins the clock (seconds since the epoch) for tests.
  if (const char* pinned = std::getenv("TARVEL_ORAEMB_NOW"))
    return std::strtoll(pinned, nullptr, 10);
  return std::time(nullptr);
}

bool Cursor::fetch(std::vector<Value>& row) {
  if (failed_) raise(1002);
  try {
    if (next) {
      if (next(row)) return true;
      next = nullptr;  // the stream's snapshot ends with its last row
      return false;
    }
    if (!produced_) {
      produced_ = true;
      if (produce) rows_ = produce();
      produce = nullptr;
    }
  } catch (...) {
    failed_ = true;
    next = nullptr;
    throw;
  }
  if (next_ >= rows_.size()) return false;
  row = std::move(rows_[next_++]);
  return true;
}

std::unique_ptr<Session> Session::logon(const ServiceTarget& target, const std::string& user,
                                        const std::string& password) {
  std::unique_ptr<Session> s(new Session());
  s->profile_ = target.profile;
  MessageVersionScope wording(s->profile_.version);
  const std::string& path = target.path;
  // The database, its journal and its lock file live in one folder that
  // must be there and writable: anything else is the server's "cannot
  // identify/lock data file", naming the folder and what is wrong with it.
  const size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? "."
                             : slash == 0               ? "/"
                                                        : path.substr(0, slash);
  struct stat st {};
  if (::stat(folder.c_str(), &st) != 0)
    raise(1157,
          {folder, errno == ENOENT || errno == ENOTDIR ? "no such folder" : std::strerror(errno)});
  if (!S_ISDIR(st.st_mode)) raise(1157, {folder, "not a folder"});
  if (::access(folder.c_str(), W_OK | X_OK) != 0) raise(1157, {folder, "folder not writable"});
  if (!target.create && ::stat(path.c_str(), &st) != 0) raise(1034);
  // Set-up runs one logon at a time: a second first logon would find the
  // file half made (the WAL switch fails at once, without a busy wait).
  SetupLock setup(path, kBusyTimeoutMs);
  // The file holds every row and the users' password verifiers: it is made
  // for its owner only, and SQLite gives its -wal and -shm files the mode
  // of the database file. (SQLite would create it 0644.) An existing file
  // keeps the mode it has.
  if (target.create) {
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0) ::close(fd);
  }
  int flags =
      SQLITE_OPEN_READWRITE | SQLITE_OPEN_FULLMUTEX | (target.create ? SQLITE_OPEN_CREATE : 0);
  if (sqlite3_open_v2(path.c_str(), &s->conn_, flags, nullptr) != SQLITE_OK) {
    if (!target.create) raise(1034);
    raise(1157, {folder, "cannot create " + path + ": " + sqlite3_errmsg(s->conn_)});
  }
  sqlite3_busy_handler(s->conn_, &Session::wait_for_writer, s.get());
  s->txn_.attach(s->conn_, s->statements_);
  Session* self = s.get();
  s->txn_.on_writer_taken([self] { self->stop_wanting_writer(); });
  setup.hold_first_write(s->conn_);
  sql_exec(s->conn_, "PRAGMA journal_mode=WAL");
  setup.end_hold(s->conn_);
  // The page cache lives in the client's process: 16 MB keeps a session's
  // memory the same for a large table as for a small one.
  sql_exec(s->conn_,
           "PRAGMA synchronous=NORMAL; PRAGMA foreign_keys=OFF;"
           "PRAGMA cache_size=-16384; PRAGMA temp_store=MEMORY;");
  // Test seam: TARVEL_ORAEMB_MAX_PAGES caps the file's size in pages for
  // this session (never below its size now), so that writes meet a full
  // disk for real (SQLITE_FULL).
  if (const char* pages = std::getenv("TARVEL_ORAEMB_MAX_PAGES"); pages && *pages)
    sql_exec(s->conn_, "PRAGMA max_page_count=" + std::to_string(std::atoll(pages)));
  s->catalog_.open(Database::attach(path, s->conn_));
  s->locks_.open(path, target.lock_timeout);
  // Two first logons at the same moment may both find no row: the second
  // insert is ignored (false), and that logon checks the row as any other.
  auto add_user = [&](const std::string& name, const std::string& pwd, const char* privs) {
    SqlStmt add(s->conn_,
                "INSERT OR IGNORE INTO ora$user(name, password, status, failed, created, privs)"
                " VALUES(?,?,'OPEN',0,?,?)");
    add.bind_text(1, name);
    add.bind_text(2, password_verifier(pwd));
    add.bind_text(3, civil_from_seconds(now()).to_storage());
    if (privs)
      add.bind_text(4, privs);
    else
      add.bind_null(4);
    add.step();
    return sqlite3_changes(s->conn_) > 0;
  };
  if (!target.admin_user.empty()) {
    SqlStmt find(s->conn_, "SELECT 1 FROM ora$user WHERE name = ?");
    find.bind_text(1, target.admin_user);
    if (!find.step()) add_user(target.admin_user, target.admin_password, nullptr);
  }
  for (bool created_elsewhere = false;;) {
    SqlStmt find(s->conn_, "SELECT password, status, failed, privs FROM ora$user WHERE name = ?");
    find.bind_text(1, user);
    if (!find.step()) {
      if (!target.auto_users || created_elsewhere) raise(1017);
      // A user created by its first logon may do everything (a scratch database).
      if (add_user(user, password, nullptr)) break;
      created_elsewhere = true;
      continue;
    } else {
      std::string stored = find.text(0);
      std::string status = find.text(1);
      int64_t failed = find.integer(2);
      if (!find.is_null(3)) s->privileges_ = Privileges(privileges_from_text(find.text(3)));
      // The read ends before the update: a write that follows a read in one
      // SQLite transaction fails at once (no busy wait) when another
      // session wrote in between.
      sqlite3_reset(find.get());
      const PasswordCheck check = check_password(stored, password);
      const bool good = check != PasswordCheck::Wrong;
      if (check == PasswordCheck::RightButOutdated) {
        // The old verifier gives way to a slow one now that the password
        // is known to be right.
        SqlStmt renew(s->conn_, "UPDATE ora$user SET password = ? WHERE name = ?");
        renew.bind_text(1, password_verifier(password));
        renew.bind_text(2, user);
        renew.step();
      }
      SqlStmt upd(s->conn_, "UPDATE ora$user SET failed = ?, status = ? WHERE name = ?");
      upd.bind_int(1, good ? 0 : failed + 1);
      // The DEFAULT profile locks an account after 10 failed logons.
      upd.bind_text(2, !good && failed + 1 >= 10 ? "LOCKED(TIMED)" : status);
      upd.bind_text(3, user);
      if (!good || failed) upd.step();
      if (!good) raise(1017);
      if (status != "OPEN") raise(28000);
      if (!s->privileges_.holds(kPrivCreateSession)) raise(1045, {user});
    }
    break;
  }
  s->catalog_.take_user(user);
  s->stop_wanting_writer();
  return s;
}

Session::~Session() {
  IdleWriters::forget(&parking_);
  if (!conn_) return;
  std::lock_guard<std::recursive_mutex> lock(call_mutex_);
  *alive_ = false;
  // A session that ends without logoff loses its open transaction.
  txn_.abandon();
  clear_cache();
  sqlite3_close_v2(conn_);
}

void Session::logoff() {
  CallScope call(*this);
  IdleWriters::forget(&parking_);
  MessageVersionScope wording(profile_.version);
  commit();
  *alive_ = false;
  clear_cache();
  txn_.detach();
  sqlite3_close_v2(conn_);
  conn_ = nullptr;
  locks_.close();
  readers_.reset();  // idle readers close now, leased ones with their cursors
}

sqlite3_stmt* Session::cached(const std::string& sql) {
  return statements_.get(conn_, sql);
}

void Session::clear_cache() {
  insert_plan_ = InsertPlan();
  statements_.clear();
}

void Session::begin_batch() {
  if (!conn_) raise(3114);
  CallScope call(*this);
  MessageVersionScope wording(profile_.version);
  txn_.begin_write();
}

void Session::commit() {
  CallScope call(*this);
  bool ended = false;
  try {
    ended = txn_.commit();
  } catch (const storage_full& full) {
    // The transaction is gone: its locks go with it.
    if (!txn_.open()) {
      locks_.release_all();
      costs_.transaction_end(false);
    }
    throw ora_error(1653, storage_full_text(false, user(), last_dml_table_, full.file()) +
                              (txn_.open() ? "" : "; the transaction was rolled back"));
  }
  locks_.release_all();
  if (ended) costs_.transaction_end(true);
}

void Session::lock_for_dml(int64_t table_obj) {
  locks_.lock_for_dml(table_obj);
  const std::shared_ptr<const Schema> taken = catalog_.schema();
  catalog_.refresh(conn_, statements_);
  if (catalog_.schema() != taken) throw SchemaMoved{};
}

void Session::rollback() {
  CallScope call(*this, false);
  const bool ended = txn_.rollback();
  locks_.release_all();
  if (ended) costs_.transaction_end(false);
}

ExecResult Session::execute(Statement& st, const ExecOptions& options, BindSource* binds,
                            const std::function<void(const std::string&)>& on_rowid) {
  if (!conn_) raise(3114);
  MessageVersionScope wording(profile_.version);
  CallScope call(*this);
  if (!options.same_batch) catalog_.refresh(conn_, statements_);
  binds_ = binds;
  ExecResult result;
  try {
    for (int attempt = 1;; ++attempt) {
      try {
        result = dispatch(st, options, binds, on_rowid);
        break;
      } catch (const SchemaMoved&) {
        // Nothing written yet: the statement runs again on the new schema
        // (DDL of others cannot keep moving it for long).
        if (attempt == 10) raise(54);
      }
    }
  } catch (const ora_error& e) {
    // A statement's error that cost the whole SQLite transaction ends the
    // Oracle one too (its locks), and says so.
    const bool lost = txn_.take_lost();
    if (lost) rollback();
    const std::string ended = lost ? "; the transaction was rolled back" : "";
    if (auto* full = dynamic_cast<const storage_full*>(&e)) {
      const bool index = st.kind == StmtKind::CreateIndex;
      throw ora_error(index ? 1654 : 1653,
                      storage_full_text(index, user(), full_object(st), full->file()) + ended);
    }
    if (lost) throw ora_error(e.code(), e.text() + ended);
    throw;
  }
  if (options.commit_on_success && !options.parse_only) commit();
  return result;
}

std::string Session::full_object(const Statement& st) const {
  switch (st.kind) {
    case StmtKind::Insert:
      return st.insert->table;
    case StmtKind::Update:
      return st.update->table;
    case StmtKind::Delete:
      return st.del->table;
    case StmtKind::CreateIndex:
      return st.create_index->name;
    case StmtKind::CreateTable:
      return st.create_table->name;
    default:
      return last_dml_table_;
  }
}

ExecResult Session::dispatch(Statement& st, const ExecOptions& options, BindSource* binds,
                             const std::function<void(const std::string&)>& on_rowid) {
  ExecResult result;
  switch (st.kind) {
    case StmtKind::Select:
      result.cursor = open_query(*st.select, options, binds);
      break;
    case StmtKind::Insert: {
      last_dml_table_ = st.insert->table;
      // Passed by reference: the converter's rows allocate nothing here.
      auto insert = [&] { return run_insert(*st.insert, options, on_rowid); };
      result.row_count = waiting_for_parked_keys(std::ref(insert));
      break;
    }
    case StmtKind::Update: {
      last_dml_table_ = st.update->table;
      auto update = [&] { return run_update(*st.update, options); };
      result.row_count = waiting_for_parked_keys(std::ref(update));
      break;
    }
    case StmtKind::Delete:
      last_dml_table_ = st.del->table;
      result.row_count = run_delete(*st.del, options);
      break;
    case StmtKind::Commit:
      if (!options.parse_only) commit();
      break;
    case StmtKind::Rollback:
      if (!options.parse_only) rollback();
      break;
    case StmtKind::LockTable:
      run_lock_table(*st.lock, options);
      break;
    case StmtKind::CreateUser:
    case StmtKind::AlterUser:
    case StmtKind::DropUser:
    case StmtKind::Grant:
    case StmtKind::Revoke:
      run_user_statement(st, options);
      break;
    default:
      result.warning = run_ddl(st, options);
      break;
  }
  return result;
}

void Session::bind_storage(sqlite3_stmt* st, int idx, const Value& v) {
  switch (v.kind) {
    case Kind::Null:
      sqlite3_bind_null(st, idx);
      break;
    case Kind::Number: {
      std::string text = v.number.to_text();
      sqlite3_bind_text(st, idx, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
      break;
    }
    case Kind::Date: {
      char text[OraDate::kStorageTextMax];
      const size_t n = v.date.write_storage(text);
      sqlite3_bind_text(st, idx, text, static_cast<int>(n), SQLITE_TRANSIENT);
      break;
    }
    case Kind::Raw:
    case Kind::Blob:
      if (v.bytes.empty())
        sqlite3_bind_zeroblob(st, idx, 0);
      else
        sqlite3_bind_blob(st, idx, v.bytes.data(), static_cast<int>(v.bytes.size()),
                          SQLITE_TRANSIENT);
      break;
    default:
      sqlite3_bind_text(st, idx, v.bytes.data(), static_cast<int>(v.bytes.size()),
                        SQLITE_TRANSIENT);
      break;
  }
}

void Session::bind_storage_in_place(sqlite3_stmt* st, int idx, const Value& v,
                                    std::string& scratch) {
  switch (v.kind) {
    case Kind::Null:
      sqlite3_bind_null(st, idx);
      break;
    case Kind::Number:
      scratch.clear();
      v.number.append_text(scratch);
      sqlite3_bind_text(st, idx, scratch.data(), static_cast<int>(scratch.size()), SQLITE_STATIC);
      break;
    case Kind::Date:
      scratch.resize(OraDate::kStorageTextMax);
      scratch.resize(v.date.write_storage(scratch.data()));
      sqlite3_bind_text(st, idx, scratch.data(), static_cast<int>(scratch.size()), SQLITE_STATIC);
      break;
    case Kind::Raw:
    case Kind::Blob:
      if (v.bytes.empty())
        sqlite3_bind_zeroblob(st, idx, 0);
      else
        sqlite3_bind_blob(st, idx, v.bytes.data(), static_cast<int>(v.bytes.size()), SQLITE_STATIC);
      break;
    default:
      sqlite3_bind_text(st, idx, v.bytes.data(), static_cast<int>(v.bytes.size()), SQLITE_STATIC);
      break;
  }
}

Value Session::read_storage(sqlite3_stmt* st, int idx, const OraType& type) {
  if (sqlite3_column_type(st, idx) == SQLITE_NULL) return Value::null();
  const char* data = static_cast<const char*>(sqlite3_column_blob(st, idx));
  std::string bytes = data ? std::string(data, sqlite3_column_bytes(st, idx)) : std::string();
  Value v;
  switch (type.base) {
    case Base::Number:
    case Base::Float:
    case Base::BinaryFloat:
    case Base::BinaryDouble:
    case Base::Boolean: {
      auto n = OraNumber::parse(bytes);
      return Value::num(n ? *n : OraNumber());
    }
    case Base::Date:
    case Base::Timestamp: {
      auto d = OraDate::from_storage(bytes);
      if (d && type.base == Base::Timestamp) d->precision = type.precision;
      return d ? Value::dt(*d) : Value::null();
    }
    case Base::Raw:
      return Value::raw(std::move(bytes));
    case Base::Clob:
    case Base::Nclob:
      v = Value::lob_value(Kind::Clob, std::move(bytes));
      break;
    case Base::Blob:
      return Value::lob_value(Kind::Blob, std::move(bytes));
    default:
      v = Value::text(std::move(bytes));
      break;
  }
  v.national = type.charset_form() == 2;
  v.blank_padded = type.base == Base::Char || type.base == Base::Nchar;
  return v;
}

std::string Session::rowid_text(int64_t table_obj, int64_t rid) const {
  return base64_field(table_obj, 6) + base64_field(7, 3) + base64_field(rid >> 18, 6) +
         base64_field(rid & 0x3FFFF, 3);
}

Value Session::next_sequence_value(const std::string& name, bool nextval) {
  const ObjectInfo* obj = catalog_.schema()->find_table_ns(name);
  if (!obj || obj->type != "SEQUENCE") raise(2289);
  if (!nextval) return Value::num(sequences_.current(name));
  const SequenceInfo& q = catalog_.schema()->sequences.at(obj->obj);
  // Recorded: a parking commits the sequence's advance (another session
  // may use the sequence meanwhile, and must not get these numbers).
  txn_.begin_write(true);
  // A row's NEXTVAL is undone with the row (a trigger's or default's).
  txn_.before_extra_write();
  return Value::num(sequences_.next(conn_, statements_, obj->obj, q, name));
}

std::optional<Value> Session::lob_read(const LobRef& ref, Kind kind) {
  if (!conn_) raise(3114);
  CallScope call(*this);
  catalog_.refresh(conn_, statements_);
  auto table = catalog_.schema()->tables.find(ref.table_obj);
  if (table == catalog_.schema()->tables.end() ||
      ref.column >= static_cast<int>(table->second.columns.size()))
    return std::nullopt;
  sqlite3_stmt* st = cached("SELECT " + storage_column(ref.column) + " FROM " +
                            storage_table(ref.table_obj) + " WHERE rid = ?");
  sqlite3_bind_int64(st, 1, ref.rid);
  if (!step_row(conn_, st, "lob read")) return std::nullopt;
  OraType t;
  t.base = kind == Kind::Blob ? Base::Blob : Base::Clob;
  Value v = read_storage(st, 0, t);
  sqlite3_reset(st);
  return v;
}

void Session::begin_lob_write() {
  if (!conn_) raise(3114);
  CallScope call(*this);
  txn_.begin_write();
}

void Session::lob_write(const LobRef& ref, Kind kind, const std::string& contents) {
  if (!conn_) raise(3114);
  CallScope call(*this);
  txn_.begin_write();
  sqlite3_stmt* st = cached("UPDATE " + storage_table(ref.table_obj) + " SET " +
                            storage_column(ref.column) + " = ? WHERE rid = ?");
  bind_storage(st, 1, Value::lob_value(kind, contents));
  sqlite3_bind_int64(st, 2, ref.rid);
  try {
    step_done(conn_, st, "lob write");
  } catch (const storage_full& full) {
    const bool lost = txn_.writes_lost();
    if (lost) rollback();
    throw ora_error(
        1653,
        storage_full_text(false, user(), catalog_.schema()->name_of(ref.table_obj), full.file()) +
            (lost ? "; the transaction was rolled back" : ""));
  }
}

}  // namespace oraemb
