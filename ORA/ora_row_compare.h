// ora_row_compare: the rows of an Oracle table with a primary or unique key,
// read once in the order the table holds them, beside the source records of
// a synchronization (udb_row_compare). Each record's key and whole row are
// brought into the canonical form the verifier and the keyless census use
// (ora_canon_columns, verify_canonical.h) and compared as 128-bit digests.
// Rows are taken only as far as the next record needs: when the table holds
// its rows in the source's order (as a conversion wrote them) nothing is
// kept; a row read ahead of its record is kept as two digests until the
// record comes, at most max_pending rows, beyond which records are left
// undecided. The table is read by an ora_row_feed: on a thread and session
// of its own by default, so that reading it overlaps the writing of the
// rows that differ; inline on the writing session when `threaded` is false.
// Built by ora_database::row_compare; used by the thread that writes.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "ORA/ora_canonical_rows.h"
#include "ORA/ora_row_census.h"
#include "ORA/ora_row_feed.h"
#include "UDB/udb_row_compare.h"
#include "UDB/udb_schema.h"

class ora_row_compare : public udb_row_compare {
 public:
  // Rows kept read ahead at most by default (about 40 MB).
  static constexpr size_t kMaxPending = size_t{1} << 19;

  // Opens the read of `table`; `key` are the positions of the key's
  // columns among the source columns. Refuses a source column without its
  // Oracle column as ora_canon_columns does.
  ora_row_compare(const std::wstring& table, const udb_schema& source_schema,
                  std::vector<size_t> key, bool uppercase, size_t max_name_bytes,
                  size_t max_pending = kMaxPending,
                  bool threaded = ora_row_feed::enabled_by_environment());
  ~ora_row_compare() override;

  verdict compare(const udb_record& source_record) override;
  verdict compare(const udb_record& source_record, const prepared* ready) override;
  // The record's canonical values and digests, on any thread.
  preparer record_preparer() const override;
  const std::vector<bool>& changed_columns() const override { return changed_; }

  // Oracle column names per source column, as the comparison pairs them.
  const std::vector<std::wstring>& column_names() const { return columns_.names; }
  uint64_t rows_read() const { return rows_->rows_read(); }
  bool threaded() const { return rows_->threaded(); }
  size_t rows_pending() const { return pending_.size(); }

 private:
  using digest = ora_row_census::digest;
  struct kept_row {
    digest row;
    bool ambiguous = false;  // two rows of the table have this key's canonical form
  };
  // A record's canonical values, and the digests of its key and whole.
  struct source_form : prepared {
    // The values' canonical forms one after another, each ending at ends[i]
    // (one buffer: a record prepared on one thread is freed on another).
    std::string values;
    std::vector<uint32_t> ends;
    digest key, whole;
    bool decided = false;  // false: a NULL in the key, or too few fields
    std::string_view value(size_t i) const {
      const size_t start = i == 0 ? 0 : ends[i - 1];
      return std::string_view(values).substr(start, ends[i] - start);
    }
  };
  static void prepare(const udb_record& record, const std::vector<verify_kind>& kinds,
                      const std::vector<bool>& in_key, source_form& out);

  ora_canon_columns columns_;
  std::vector<bool> in_key_;  // per source column
  size_t max_pending_;
  std::unique_ptr<ora_row_feed> rows_;
  std::unordered_map<digest, kept_row, ora_row_census::digest_hash> pending_;
  source_form form_;           // of the last record prepared here
  std::vector<bool> changed_;  // of the last record found different
};
