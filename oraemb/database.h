// One database file (a service) shared by every session of this process that
// logs on to it: the path, the published schemas of its users and the
// catalogue version they reflect. Sessions each keep their own SQLite connection; this
// object only hands out schema snapshots and publishes new ones after DDL.
// Thread-safe: every member takes the internal mutex.
#pragma once

#include <sqlite3.h>

#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "oraemb/catalog.h"

namespace oraemb {

class Database {
 public:
  // The process-wide instance for `path`; `conn` is used to create and load
  // the catalogue the first time.
  static std::shared_ptr<Database> attach(const std::string& path, sqlite3* conn);

  std::shared_ptr<const Schema> schema(const std::string& owner);
  // Publishes the schema a DDL statement committed with catalogue version
  // `version`, unless a newer catalogue is already in place (read from the
  // file after that commit, so it holds the statement's change too). An
  // older snapshot never replaces a newer one.
  void publish(std::shared_ptr<const Schema> schema, int64_t version);
  // Re-reads every schema from the file when its catalogue version (which
  // each DDL statement, in any process, advances) is newer than the loaded
  // one. The version and the catalogue are read in one read transaction
  // (the connection's own when it has one open), so they agree. True when it
  // reloaded.
  bool refresh(sqlite3* conn);
  const std::string& path() const { return path_; }

 private:
  explicit Database(std::string path) : path_(std::move(path)) {}
  std::mutex mutex_;
  std::string path_;
  std::map<std::string, std::shared_ptr<const Schema>> schemas_;
  int64_t version_ = -1;
};

}  // namespace oraemb
