// Rows as the verifier compares them: one canonical value per compared
// column (verify_canonical.h), the row's hash built from the values' hashes,
// and the order-independent digest of a whole table (row count, sum and xor
// of the row hashes), which one streaming pass fills in constant memory.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// One row's canonical values, back to back.
struct verify_row {
  std::string bytes;
  std::vector<uint32_t> ends;  // end offset of each column's value

  void clear() {
    bytes.clear();
    ends.clear();
  }
  void end_column() { ends.push_back(static_cast<uint32_t>(bytes.size())); }
  size_t size() const { return ends.size(); }
  std::string_view column(size_t i) const {
    const uint32_t begin = i == 0 ? 0 : ends[i - 1];
    return std::string_view(bytes).substr(begin, ends[i] - begin);
  }
};

// One side of a table, read forward once.
class verify_rows {
 public:
  virtual ~verify_rows() = default;
  // Fills `row` with the next row; false at the end.
  virtual bool next(verify_row& row) = 0;
};
// Opens one side afresh (for the second pass).
using verify_rows_opener = std::function<std::unique_ptr<verify_rows>()>;

uint64_t verify_hash_bytes(std::string_view bytes);
// The hash of each column's value and of the row (from the column hashes, in
// column order).
uint64_t verify_row_hash(const verify_row& row, std::vector<uint64_t>* column_hashes = nullptr);

struct verify_digest {
  uint64_t rows = 0;
  uint64_t sum = 0;
  uint64_t mixed_xor = 0;

  void add(uint64_t row_hash);
  bool operator==(const verify_digest& other) const = default;
};

// Reads every row of `rows` into a digest.
verify_digest verify_read_digest(verify_rows& rows, const std::function<bool()>& stop = {});

// What the second pass found: up to `limit` descriptions of differing rows,
// in the order met, and how many rows differ in all.
struct verify_row_differences {
  std::vector<std::string> first;
  uint64_t total = 0;
};

struct verify_locate_options {
  std::vector<size_t> key_columns;        // empty: the whole row is the key
  std::vector<std::string> column_names;  // for messages, one per column
  size_t limit = 10;                      // descriptions kept
  size_t memory_rows = 100000;            // rows held in memory at once
  uint64_t expected_rows = 0;             // rows of the larger side, if known
};

// The second pass: reads both sides again, pairs rows by key and describes
// rows missing in Oracle, rows only in Oracle and rows whose values differ
// (naming the columns). Sides larger than memory_rows are spread over
// temporary files by key hash and compared one part at a time.
verify_row_differences verify_locate_differences(const verify_rows_opener& access,
                                                 const verify_rows_opener& oracle,
                                                 const verify_locate_options& options);
