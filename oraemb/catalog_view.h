// What a session sees of the catalogue: the database it opened, the user it
// logged on as, that user's schema snapshot (the one statements run
// against), and the code parsed from it (DEFAULT expressions, CHECK
// conditions, triggers), which is dropped whenever the schema it takes is
// another one.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <memory>
#include <string>

#include "oraemb/catalog.h"
#include "oraemb/compiled_cache.h"
#include "oraemb/database.h"
#include "oraemb/sqlite_util.h"

namespace oraemb {

class CatalogView {
 public:
  void open(std::shared_ptr<Database> db) { db_ = std::move(db); }
  // The user logged on: their schema becomes the one in use.
  void take_user(const std::string& user);

  const std::string& user() const { return user_; }
  const std::shared_ptr<const Schema>& schema() const { return schema_; }
  Database& database() const { return *db_; }
  CompiledCache& compiled() { return compiled_; }

  // Picks up DDL committed by other sessions and processes: the catalogue
  // is read again only when another connection has committed since the
  // last look (PRAGMA data_version).
  void refresh(sqlite3* conn, StatementCache& statements);
  // Takes the schema this process holds now, without reading the file.
  void take_current() { take(db_->schema(user_)); }
  // Under the writer lock: takes the newest catalogue, read again from the
  // file when another connection committed DDL this process has not
  // published, else the one published here last (another session's DDL
  // since this statement took its schema included). True when the schema
  // is not the one the session had.
  bool reread(sqlite3* conn);
  // A DDL statement's committed schema becomes the database's and this
  // session's (or the newer one published meanwhile, which holds it too).
  void publish(std::shared_ptr<const Schema> next, int64_t version);

 private:
  std::shared_ptr<Database> db_;
  std::string user_;
  std::shared_ptr<const Schema> schema_;
  // Takes `next` as the session's schema; code parsed against another one
  // (DEFAULT expressions, CHECK conditions with their column positions,
  // triggers) is dropped.
  void take(std::shared_ptr<const Schema> next);

  int64_t data_version_ = -1;
  CompiledCache compiled_;  // DEFAULT expressions and triggers, parsed
};

}  // namespace oraemb
