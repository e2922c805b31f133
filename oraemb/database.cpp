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
  schemas_[schema->owner] = std::move(schema);
  version_ = version;
}

bool Database::refresh(sqlite3* conn) {
  int64_t version = catalogue_version(conn);
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (version == version_) return false;
  }
  auto loaded = catalog_store::load_all(conn);
  std::lock_guard<std::mutex> lock(mutex_);
  schemas_.clear();
  for (auto& [owner, schema] : loaded) schemas_[owner] = schema;
  version_ = version;
  return true;
}

}  // namespace oraemb
