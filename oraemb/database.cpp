// Process-wide registry of open database files and their schema snapshots.
#include "oraemb/database.h"

#include "oraemb/sqlite_util.h"

namespace oraemb {
namespace {

int64_t catalogue_version(sqlite3* conn) {
  SqlStmt st(conn, "SELECT value FROM ora$param WHERE key = 'catver'");
  return st.step() ? st.integer(0) : 0;
}

}  // namespace

std::shared_ptr<Database> Database::attach(const std::string& path, sqlite3* conn) {
  static std::mutex registry_mutex;
  static std::map<std::string, std::weak_ptr<Database>> registry;
  std::lock_guard<std::mutex> lock(registry_mutex);
  auto& slot = registry[path];
  if (auto existing = slot.lock()) return existing;
  std::shared_ptr<Database> db(new Database(path));
  catalog_store::create_tables(conn);
  db->refresh(conn);
  slot = db;
  return db;
}

std::shared_ptr<const Schema> Database::schema(const std::string& owner) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto found = schemas_.find(owner);
  if (found != schemas_.end()) return found->second;
  auto empty = std::make_shared<Schema>();
  empty->owner = owner;
  schemas_[owner] = empty;
  return empty;
}

void Database::publish(std::shared_ptr<const Schema> schema, int64_t version) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (version <= version_) return;
  schemas_[schema->owner] = std::move(schema);
  version_ = version;
}

bool Database::refresh(sqlite3* conn) {
  // Outside a transaction each SELECT would see the file as it is at that
  // moment: a DDL statement committing in between could leave the version
  // and the tables read from different catalogues.
  const bool own_read = sqlite3_get_autocommit(conn) != 0;
  if (own_read) sql_exec(conn, "BEGIN");
  int64_t version = 0;
  std::map<std::string, std::shared_ptr<Schema>> loaded;
  try {
    version = catalogue_version(conn);
    bool newer = false;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      newer = version > version_;
    }
    if (newer) loaded = catalog_store::load_all(conn);
  } catch (...) {
    if (own_read) sqlite3_exec(conn, "ROLLBACK", nullptr, nullptr, nullptr);
    throw;
  }
  if (own_read && sqlite3_exec(conn, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK)
    sqlite3_exec(conn, "ROLLBACK", nullptr, nullptr, nullptr);  // never left open
  std::lock_guard<std::mutex> lock(mutex_);
  // Another session may have published or loaded a newer catalogue meanwhile.
  if (version <= version_) return false;
  schemas_.clear();
  for (auto& [owner, schema] : loaded) schemas_[owner] = schema;
  version_ = version;
  return true;
}

}  // namespace oraemb
