// A session's view of the catalogue and when it is taken again.
#include "oraemb/catalog_view.h"

namespace oraemb {

void CatalogView::take_user(const std::string& user) {
  user_ = user;
  schema_ = db_->schema(user);
}

void CatalogView::refresh(sqlite3* conn, StatementCache& statements) {
  // PRAGMA data_version changes only when another connection committed, so
  // the catalogue version is read only then.
  sqlite3_stmt* st = statements.get(conn, "PRAGMA data_version");
  int64_t version = step_row(conn, st, "data version") ? sqlite3_column_int64(st, 0) : -2;
  sqlite3_reset(st);
  if (version != data_version_) {
    data_version_ = version;
    if (db_->refresh(conn)) compiled_.clear();
  }
  schema_ = db_->schema(user_);
}

bool CatalogView::reread(sqlite3* conn) {
  if (!db_->refresh(conn)) return false;
  schema_ = db_->schema(user_);
  return true;
}

void CatalogView::publish(std::shared_ptr<const Schema> next, int64_t version) {
  compiled_.clear_triggers();
  compiled_.clear_conditions();
  db_->publish(next, version);
  schema_ = std::move(next);
}

}  // namespace oraemb
