// ora_row_compare: one forward read of an Oracle table matched with the
// source records of a synchronization by key.
#include "ORA/ora_row_compare.h"

#include "TK/tk_exception.h"
#include "TK/tk_trace.h"

namespace {

// The canonical form of NULL is its tag alone.
bool is_null_canonical(const std::string& value) {
  return value.size() == 1 && value[0] == 0;
}

}  // namespace

ora_row_compare::ora_row_compare(const std::wstring& table, const udb_schema& source_schema,
                                 std::vector<size_t> key, bool uppercase, size_t max_name_bytes,
                                 size_t max_pending)
    : columns_(table, source_schema, uppercase, max_name_bytes),
      in_key_(source_schema.size(), false),
      max_pending_(max_pending),
      source_values_(source_schema.size()),
      oracle_values_(source_schema.size()) {
  tk_wtrace(2, L"ora_row_compare(%s)", table);
  TK_ASSERT(!key.empty());
  for (size_t k : key) {
    TK_ASSERT(k < in_key_.size());
    in_key_[k] = true;
  }
  rows_ = std::make_unique<ora_canonical_rows>(table, columns_.names, columns_.kinds,
                                               columns_.decimal_mark);
}

ora_row_compare::~ora_row_compare() {
  tk_trace(2, "ora_row_compare: %d rows read, %d read ahead and not matched",
           static_cast<int>(rows_read_), static_cast<int>(pending_.size()));
}

bool ora_row_compare::add_value(const std::string& value, bool in_key) {
  ora_row_census::append_column(row_, value);
  if (!in_key) return true;
  ora_row_census::append_column(key_, value);
  return !is_null_canonical(value);
}

bool ora_row_compare::next_row(digest& key, digest& row) {
  while (!at_end_) {
    if (!rows_->next()) break;
    ++rows_read_;
    row_.clear();
    key_.clear();
    bool keyed = true;
    for (size_t i = 0; i < columns_.kinds.size(); ++i) {
      std::string& value = oracle_values_[i];
      value.clear();
      rows_->append(i, value);
      keyed = add_value(value, in_key_[i]) && keyed;
    }
    if (!keyed) continue;
    key = ora_row_census::digest_of(key_);
    row = ora_row_census::digest_of(row_);
    return true;
  }
  at_end_ = true;
  return false;
}

udb_row_compare::verdict ora_row_compare::compare(const udb_record& source_record) {
  if (source_record.size() < columns_.kinds.size()) return verdict::unknown;
  row_.clear();
  key_.clear();
  bool keyed = true;
  for (size_t i = 0; i < columns_.kinds.size(); ++i) {
    std::string& value = source_values_[i];
    value.clear();
    verify_canon_access(source_record[i], columns_.kinds[i], value);
    keyed = add_value(value, in_key_[i]) && keyed;
  }
  if (!keyed) return verdict::unknown;
  const digest key = ora_row_census::digest_of(key_);
  const digest row = ora_row_census::digest_of(row_);

  // A row read ahead kept only its digests: any column may differ.
  changed_.clear();
  if (const auto kept = pending_.find(key); kept != pending_.end()) {
    const kept_row found = kept->second;
    pending_.erase(kept);
    if (found.ambiguous) return verdict::unknown;
    return found.row == row ? verdict::equal : verdict::differs;
  }
  digest next_key, next_row_digest;
  while (pending_.size() < max_pending_) {
    if (!next_row(next_key, next_row_digest)) return verdict::missing;
    if (next_key == key) {
      if (next_row_digest == row) return verdict::equal;
      changed_.resize(source_values_.size());
      for (size_t i = 0; i < source_values_.size(); ++i)
        changed_[i] = source_values_[i] != oracle_values_[i];
      return verdict::differs;
    }
    const auto [at, added] = pending_.emplace(next_key, kept_row{next_row_digest});
    if (!added) at->second.ambiguous = true;
  }
  return verdict::unknown;
}
