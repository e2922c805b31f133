// A session's view of the catalogue and when it is taken again.
#include "oraemb/catalog_view.h"

namespace oraemb {

void CatalogView::take_user(const std::string& user) {
  user_ = user;
  take(db_->schema(user));
}

void CatalogView::take(std::shared_ptr<const Schema> next) {
  if (next == schema_) return;
  compiled_.clear();
  schema_ = std::move(next);
}

void CatalogView::refresh(sqlite3* conn, StatementCache& statements) {
  // PRAGMA data_version changes only when another connection committed, so
  // the catalogue version is read only then.
  sqlite3_stmt* st = statements.get(conn, "PRAGMA data_version");
  int64_t version = step_row(conn, st, "data version") ? sqlite3_column_int64(st, 0) : -2;
  sqlite3_reset(st);
  if (version != data_version_) {
    data_version_ = version;
    db_->refresh(conn);
  }
  // Another session of this process may have published DDL.
  take(db_->schema(user_));
}

bool CatalogView::reread(sqlite3* conn) {
  db_->refresh(conn);
  const auto before = schema_;
  take(db_->schema(user_));
  return schema_ != before;
}

void CatalogView::publish(std::shared_ptr<const Schema> next, int64_t version) {
  db_->publish(std::move(next), version);
  take(db_->schema(user_));
}

}  // namespace oraemb
