// ora_row_compare: the rows of an Oracle table with a primary or unique key,
// read once in the order the table holds them, beside the source records of
// a synchronization (udb_row_compare). Each record's key and whole row are
// brought into the canonical form the verifier and the keyless census use
// (ora_canon_columns, verify_canonical.h) and compared as 128-bit digests.
// Rows are read only as far as the next record needs: when the table holds
// its rows in the source's order (as a conversion wrote them) nothing is
// kept; a row read ahead of its record is kept as two digests until the
// record comes, at most max_pending rows, beyond which records are left
// undecided. Built by ora_database::row_compare; single-threaded, on the
// session that writes the table.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "ORA/ora_canonical_rows.h"
#include "ORA/ora_row_census.h"
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
                  size_t max_pending = kMaxPending);
  ~ora_row_compare() override;

  verdict compare(const udb_record& source_record) override;
  const std::vector<bool>& changed_columns() const override { return changed_; }

  // Oracle column names per source column, as the comparison pairs them.
  const std::vector<std::wstring>& column_names() const { return columns_.names; }
  uint64_t rows_read() const { return rows_read_; }
  size_t rows_pending() const { return pending_.size(); }

 private:
  using digest = ora_row_census::digest;
  struct kept_row {
    digest row;
    bool ambiguous = false;  // two rows of the table have this key's canonical form
  };
  // The next row of the table as key and row digests; false at the end.
  // Rows with a NULL in the key are passed over (no record finds them).
  bool next_row(digest& key, digest& row);
  // Appends a column's canonical value to the row and, for a key column,
  // to the key; false when a key column is NULL.
  bool add_value(const std::string& value, bool in_key);

  ora_canon_columns columns_;
  std::vector<bool> in_key_;  // per source column
  size_t max_pending_;
  std::unique_ptr<ora_canonical_rows> rows_;
  bool at_end_ = false;
  uint64_t rows_read_ = 0;
  std::unordered_map<digest, kept_row, ora_row_census::digest_hash> pending_;
  std::string row_, key_;  // reused buffers
  // The canonical values of the last record and of the last row read.
  std::vector<std::string> source_values_, oracle_values_;
  std::vector<bool> changed_;  // of the last record found different
};
