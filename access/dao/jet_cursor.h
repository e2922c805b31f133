// A forward scan over the live rows of one table, in physical page order:
// deleted rows skipped, overflow rows followed. Values are decoded from the
// raw row bytes on request (libmdb's text rendering loses dates before 1900,
// Large Numbers, emoji and NULL-versus-empty). Every offset read from the file
// is bounds-checked, so a damaged table ends the scan or yields NULL values,
// never a read outside the file; what could not be read is kept in damage().
// One cursor per recordset; not thread-safe.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "access/dao/jet_bytes.h"
#include "access/dao/jet_value.h"

class jet_file;
class jet_table;

// What a scan could not read: a data or long-value page past the end of the
// file or of the wrong kind, a row pointer outside its page, a row that does
// not decode, a long value cut short. Deleted rows and pages the table's map
// still lists after they were given to another table are no damage.
struct jet_scan_damage {
  uint64_t count = 0;
  std::string first;  // the first problem, e.g. "data page 41 lies past the end of the file"

  void note(std::string what);
  bool empty() const { return count == 0; }
  // "the first problem" or "the first problem, and 3 more problems".
  std::string describe() const;
};

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

  // What this scan could not read so far (cleared by rewind()): pages and
  // rows (damage), and long values of rows it did read (value_damage).
  const jet_scan_damage& damage() const { return damage_; }
  const jet_scan_damage& value_damage() const { return value_damage_; }
  // The table's whole scan as a failure text when it lost something: fewer
  // rows than the stored row count, or any damage. Empty when clean. Meant
  // for the end of a scan.
  std::string loss_report() const;

 private:
  struct field {
    uint32_t start = 0;  // offset in row_
    uint32_t size = 0;
    bool present = false;  // stored and not NULL
    bool bit = false;      // Yes/No value (the null-mask bit)
  };

  bool load_row(jet_bytes page, uint32_t page_number, uint32_t row);
  bool locate(jet_bytes page, uint32_t row, jet_bytes& out, uint16_t& flags) const;
  bool crack();
  void decode(const struct jet_column& column, jet_bytes raw, jet_value& out) const;
  void read_long_value(const struct jet_column& column, jet_bytes header,
                       std::vector<uint8_t>& out) const;

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
  jet_scan_damage damage_;
  mutable jet_scan_damage value_damage_;
  std::vector<field> fields_;
  std::vector<uint32_t> var_offsets_;
};
