// ora_row_compare: one forward read of an Oracle table matched with the
// source records of a synchronization by key.
#include "ORA/ora_row_compare.h"

#include "TK/tk_exception.h"
#include "TK/tk_trace.h"

ora_row_compare::ora_row_compare(const std::wstring& table, const udb_schema& source_schema,
                                 std::vector<size_t> key, bool uppercase, size_t max_name_bytes,
                                 size_t max_pending, bool threaded)
    : columns_(table, source_schema, uppercase, max_name_bytes),
      in_key_(source_schema.size(), false),
      max_pending_(max_pending) {
  tk_wtrace(2, L"ora_row_compare(%s)", table);
  TK_ASSERT(!key.empty());
  for (size_t k : key) {
    TK_ASSERT(k < in_key_.size());
    in_key_[k] = true;
  }
  rows_ = std::make_unique<ora_row_feed>(table, columns_.names, columns_.kinds,
                                         columns_.decimal_mark, in_key_, threaded);
}

ora_row_compare::~ora_row_compare() {
  tk_trace(2, "ora_row_compare: %d rows read, %d read ahead and not matched",
           static_cast<int>(rows_->rows_read()), static_cast<int>(pending_.size()));
}

void ora_row_compare::prepare(const udb_record& record, const std::vector<verify_kind>& kinds,
                              const std::vector<bool>& in_key, source_form& out) {
  out.decided = false;
  if (record.size() < kinds.size()) return;
  // Reused by the thread's records.
  thread_local ora_row_census::row_digests digests;
  thread_local std::string value;
  digests.start();
  out.values.clear();
  out.ends.clear();
  for (size_t i = 0; i < kinds.size(); ++i) {
    value.clear();
    verify_canon_access(record[i], kinds[i], value);
    out.values += value;
    out.ends.push_back(static_cast<uint32_t>(out.values.size()));
    digests.add(value, in_key[i]);
  }
  out.decided = digests.finish(out.key, out.whole);
}

udb_row_compare::preparer ora_row_compare::record_preparer() const {
  return [kinds = columns_.kinds, in_key = in_key_](const udb_record& record) {
    auto form = std::make_unique<source_form>();
    prepare(record, kinds, in_key, *form);
    return std::unique_ptr<prepared>(std::move(form));
  };
}

udb_row_compare::verdict ora_row_compare::compare(const udb_record& source_record) {
  return compare(source_record, nullptr);
}

udb_row_compare::verdict ora_row_compare::compare(const udb_record& source_record,
                                                  const prepared* ready) {
  const source_form* form = dynamic_cast<const source_form*>(ready);
  if (form == nullptr) {
    prepare(source_record, columns_.kinds, in_key_, form_);
    form = &form_;
  }
  if (!form->decided) return verdict::unknown;
  const digest& key = form->key;
  const digest& row = form->whole;

  // A row read ahead kept only its digests: any column may differ.
  changed_.clear();
  if (const auto kept = pending_.find(key); kept != pending_.end()) {
    const kept_row found = kept->second;
    pending_.erase(kept);
    if (found.ambiguous) return verdict::unknown;
    return found.row == row ? verdict::equal : verdict::differs;
  }
  while (pending_.size() < max_pending_) {
    const ora_row_feed::row* next = rows_->next();
    if (next == nullptr) return verdict::missing;
    if (next->key == key) {
      if (next->whole == row) return verdict::equal;
      changed_.resize(form->ends.size());
      for (size_t i = 0; i < form->ends.size(); ++i)
        changed_[i] = form->value(i) != next->values[i];
      return verdict::differs;
    }
    const auto [at, added] = pending_.emplace(next->key, kept_row{next->whole});
    if (!added) at->second.ambiguous = true;
  }
  return verdict::unknown;
}
