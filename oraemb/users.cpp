// Users and their system privileges: CREATE USER, ALTER USER (password,
// ACCOUNT LOCK / UNLOCK, QUOTA on the USERS tablespace), DROP USER, GRANT
// and REVOKE of system privileges. Only a user with the DBA privilege may
// run them (ORA-01031 otherwise).
#include "oraemb/password_verifier.h"
#include "oraemb/session.h"
#include "oraemb/sqlite_util.h"
#include "oraemb/value_ops.h"

namespace oraemb {
namespace {

bool user_exists(sqlite3* conn, const std::string& name) {
  SqlStmt st(conn, "SELECT 1 FROM ora$user WHERE name = ?");
  st.bind_text(1, name);
  return st.step();
}

uint32_t stored_privileges(sqlite3* conn, const std::string& name) {
  SqlStmt st(conn, "SELECT privs FROM ora$user WHERE name = ?");
  st.bind_text(1, name);
  if (!st.step()) raise(1918, {name});
  return st.is_null(0) ? kPrivAll : privileges_from_text(st.text(0));
}

void store_privileges(sqlite3* conn, const std::string& name, uint32_t privileges) {
  SqlStmt st(conn, "UPDATE ora$user SET privs = ? WHERE name = ?");
  st.bind_text(1, privileges_to_text(privileges));
  st.bind_text(2, name);
  st.step();
}

}  // namespace

void Session::run_user_statement(Statement& st, const ExecOptions& options) {
  if (options.parse_only) return;
  if (!privileges_.holds(kPrivDba)) raise(1031);
  UserStmt& us = *st.user;
  commit();  // like DDL
  txn_.begin_write();
  try {
    switch (st.kind) {
      case StmtKind::CreateUser: {
        if (user_exists(conn_, us.user)) raise(1920, {us.user});
        uint32_t privileges = kPrivCreateSession | kPrivCreateTable | kPrivCreateSequence |
                              kPrivCreateTrigger | kPrivUnlimitedTablespace;
        if (us.quota == 0) privileges &= ~kPrivUnlimitedTablespace;
        SqlStmt add(conn_,
                    "INSERT INTO ora$user(name, password, status, failed, created, privs)"
                    " VALUES(?,?,?,0,?,?)");
        add.bind_text(1, us.user);
        add.bind_text(2, password_verifier(us.password));
        add.bind_text(3, us.account_lock == 1 ? "LOCKED" : "OPEN");
        add.bind_text(4, civil_from_seconds(now()).to_storage());
        add.bind_text(5, privileges_to_text(privileges));
        add.step();
        break;
      }
      case StmtKind::AlterUser: {
        uint32_t privileges = stored_privileges(conn_, us.user);
        if (us.has_password) {
          SqlStmt upd(conn_, "UPDATE ora$user SET password = ? WHERE name = ?");
          upd.bind_text(1, password_verifier(us.password));
          upd.bind_text(2, us.user);
          upd.step();
        }
        if (us.account_lock >= 0) {
          SqlStmt upd(conn_, "UPDATE ora$user SET status = ?, failed = 0 WHERE name = ?");
          upd.bind_text(1, us.account_lock ? "LOCKED" : "OPEN");
          upd.bind_text(2, us.user);
          upd.step();
        }
        if (us.quota >= 0)
          store_privileges(conn_, us.user,
                           us.quota ? privileges | kPrivUnlimitedTablespace
                                    : privileges & ~kPrivUnlimitedTablespace);
        break;
      }
      case StmtKind::DropUser: {
        if (!user_exists(conn_, us.user)) raise(1918, {us.user});
        auto owned = catalog_.database().schema(us.user);
        if (!owned->objects.empty()) {
          if (!us.cascade) raise(1922, {us.user});
          raise_unimplemented("DROP USER CASCADE of a user who owns objects");
        }
        SqlStmt del(conn_, "DELETE FROM ora$user WHERE name = ?");
        del.bind_text(1, us.user);
        del.step();
        break;
      }
      default: {
        uint32_t bits = 0;
        for (const auto& p : us.privileges) bits |= privilege_bits(p);
        if (!user_exists(conn_, us.user)) raise(1917, {us.user});
        uint32_t privileges = stored_privileges(conn_, us.user);
        store_privileges(conn_, us.user,
                         st.kind == StmtKind::Grant ? privileges | bits : privileges & ~bits);
        break;
      }
    }
    commit();
  } catch (...) {
    rollback();
    throw;
  }
}

}  // namespace oraemb
