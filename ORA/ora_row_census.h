// ora_row_census: the rows of an Oracle table as a multiset of whole-row
// values, read in one pass, against which the source records of a table
// without a primary or unique key are matched (udb_row_census). A source
// column is compared with the Oracle column the conversion gives it, by
// the canonical form the verifier uses (text and LOB contents whole,
// numbers exact, dates to the second), so that a converted row equals its
// source record. Only 128-bit digests of the rows are kept, not the rows.
// Built by ora_database::row_census; single-threaded.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "UDB/udb_row_census.h"
#include "UDB/udb_schema.h"
#include "UDB/verify_canonical.h"

// The columns of an Oracle table in their order, name and data type, and
// the column the conversion gave each source column: the one of the name it
// gives, else the one of that name but for case, among those not taken yet.
struct ora_table_columns {
  explicit ora_table_columns(const std::wstring& table);
  // The position of the column for `expected` (the Oracle name the
  // conversion gives a source column), now taken; columns.size() if none.
  size_t take(const std::wstring& expected);

  std::vector<std::pair<std::wstring, std::string>> columns;  // name, data type
  std::vector<bool> taken;                                    // per column
};

// The Oracle columns of a table that the conversion gives the columns of a
// source schema, in the source's order, each with the kind its values are
// compared by (read through ora_canonical_rows).
// A source column without its Oracle column refuses the comparison: level-0
// tk_exception ("does not conform").
struct ora_canon_columns {
  ora_canon_columns(const std::wstring& table, const udb_schema& source_schema, bool uppercase,
                    size_t max_name_bytes);

  std::vector<std::wstring> names;  // Oracle column names, per source column
  std::vector<verify_kind> kinds;   // per source column
  char decimal_mark = '.';          // the session's, for numbers read as text
};

class ora_row_census : public udb_row_census {
 public:
  // Reads the rows of `table`. A source column without its Oracle column
  // refuses the comparison: level-0 tk_exception ("does not conform").
  ora_row_census(const std::wstring& table, const udb_schema& source_schema, bool uppercase,
                 size_t max_name_bytes);

  bool take(const udb_record& source_record) override;
  uint64_t rows() const override { return rows_; }

  // The digest of one row's canonical values (each column's form with its
  // length before it, so that values cannot run into each other).
  struct digest {
    uint64_t a = 0, b = 0;
    bool operator==(const digest&) const = default;
  };
  struct digest_hash {
    size_t operator()(const digest& d) const { return static_cast<size_t>(d.a ^ (d.b << 1)); }
  };
  static digest digest_of(const std::string& row);
  // Appends one column's canonical form to a row.
  static void append_column(std::string& row, const std::string& value);

  // The digests of a row's key columns and of the whole row, built column
  // by column; its buffers serve the next row.
  class row_digests {
   public:
    void start() {
      whole_.clear();
      key_.clear();
      keyed_ = true;
    }
    void add(const std::string& value, bool in_key);
    // False when a key column is NULL: such a row has no key to match by.
    bool finish(digest& key, digest& whole) const;

   private:
    std::string whole_, key_;
    bool keyed_ = true;
  };

 private:
  std::vector<verify_kind> kinds_;  // per source column
  std::unordered_map<digest, uint64_t, digest_hash> counts_;
  uint64_t rows_ = 0;
  std::string row_, value_;  // reused buffers
};
