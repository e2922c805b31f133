// A forward scan over the live rows of one table, in physical page order:
// deleted rows skipped, overflow rows followed. Values are decoded from the
// raw row bytes on request (libmdb's text rendering loses dates before 1900,
// Large Numbers, emoji and NULL-versus-empty). Every offset read from the file
// is bounds-checked, so a damaged table ends the scan or yields NULL values,
// never a read outside the file. One cursor per recordset; not thread-safe.
#pragma once

#include <cstdint>
#include <vector>

#include "access/dao/jet_bytes.h"
#include "access/dao/jet_value.h"

class jet_file;
class jet_table;

class jet_cursor {
 public:
  // Both must outlive the cursor.
  jet_cursor(const jet_file& file, const jet_table& table);

  // Before the first row.
  void rewind();
  // Moves to the next live row; false at the end (then there is no row).
  bool next();
  bool has_row() const { return has_row_; }
  // Rows passed so far, the current one included (1 on the first row).
  uint64_t ordinal() const { return ordinal_; }

  // The value of column i (position in jet_table::columns) of the current row.
  void value(size_t column, jet_value& out) const;

 private:
  struct field {
    uint32_t start = 0;  // offset in row_
    uint32_t size = 0;
    bool present = false;  // stored and not NULL
    bool bit = false;      // Yes/No value (the null-mask bit)
  };

  bool load_row(jet_bytes page, uint32_t row);
  bool locate(jet_bytes page, uint32_t row, jet_bytes& out, uint16_t& flags) const;
  bool crack();
  void decode(const struct jet_column& column, jet_bytes raw, jet_value& out) const;
  void read_long_value(jet_bytes header, std::vector<uint8_t>& out) const;

  const jet_file& file_;
  const jet_table& table_;
  size_t page_index_ = 0;  // into table.data_pages()
  uint32_t next_row_ = 0;  // next row slot on the current page
  uint32_t rows_on_page_ = 0;
  bool page_loaded_ = false;
  bool has_row_ = false;
  uint64_t ordinal_ = 0;
  jet_bytes page_;
  jet_bytes row_;
  std::vector<uint8_t> page_scratch_;
  std::vector<uint8_t> overflow_scratch_;
  mutable std::vector<uint8_t> lval_scratch_;
  std::vector<field> fields_;
  std::vector<uint32_t> var_offsets_;
};
