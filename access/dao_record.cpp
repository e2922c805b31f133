// dao_record: reading the fields of the current row, and the pool that
// keeps the fields of destroyed records for the next ones.
#include "access/dao_record.h"

std::vector<std::unique_ptr<udb_field>> dao_field_pool::take() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (free_.empty()) return {};
  std::vector<std::unique_ptr<udb_field>> fields = std::move(free_.back());
  free_.pop_back();
  return fields;
}

void dao_field_pool::give(std::vector<std::unique_ptr<udb_field>> fields) {
  std::lock_guard<std::mutex> lock(mutex_);
  free_.push_back(std::move(fields));
}

dao_record::dao_record(const std::vector<std::unique_ptr<dao_field>>& columns,
                       const std::shared_ptr<dao_field_pool>& pool)
    : pool_(pool) {
  if (pool) fields() = pool->take();
  if (fields().size() == columns.size()) {
    read_values();
    return;
  }
  fields().clear();
  reserve(columns.size());
  for (const auto& column : columns) add(dao_field::of_current_row(*column));
}

dao_record::~dao_record() {
  if (fields().empty()) return;
  if (const std::shared_ptr<dao_field_pool> pool = pool_.lock()) pool->give(std::move(fields()));
}

void dao_record::read_values() {
  // Every field of a dao_record is a dao_field: the record adds no others.
  for (auto& field : fields()) static_cast<dao_field&>(*field).read_value();
}
