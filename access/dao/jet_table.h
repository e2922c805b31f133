// One table definition (TDEF) read from its raw pages: columns as the rows
// store them, indexes rebuilt from the logical and physical index entries,
// and the data pages listed by the table's usage map. libmdb's own index
// metadata loses the columns of foreign-key indexes and of indexes whose
// logical numbers skip physical ones, so nothing here comes from it.
// Layout: mdbtools HACKING.md "TDEF (Table Definition) Pages".
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class jet_file;

enum jet_column_type : uint8_t {
  JET_BOOL = 0x01,
  JET_BYTE = 0x02,
  JET_INT = 0x03,
  JET_LONG = 0x04,
  JET_MONEY = 0x05,
  JET_FLOAT = 0x06,
  JET_DOUBLE = 0x07,
  JET_DATETIME = 0x08,
  JET_BINARY = 0x09,
  JET_TEXT = 0x0A,
  JET_OLE = 0x0B,
  JET_MEMO = 0x0C,
  JET_GUID = 0x0F,
  JET_NUMERIC = 0x10,
  JET_COMPLEX = 0x12,
  JET_BIGINT = 0x13,
  JET_EXT_DATE = 0x14,
};

// Whether the reader knows how to decode values of a column type.
bool jet_known_type(uint8_t type);

struct jet_column {
  std::u16string name;
  uint8_t type = 0;
  uint16_t number = 0;        // position in the row's null mask (counts deleted columns)
  uint16_t var_index = 0;     // entry in the row's variable-offset table
  uint16_t fixed_offset = 0;  // offset in the row's fixed area
  uint16_t length = 0;        // bytes (text: bytes, i.e. 2 per character in Jet4)
  uint8_t flags = 0;      // 0x01 fixed, 0x04 long AutoNumber, 0x40 GUID AutoNumber, 0x80 hyperlink
  uint8_t ext_flags = 0;  // Jet4+: 0x01 compressed unicode, 0xC0 calculated
  uint8_t precision = 0;  // Decimal only
  uint8_t scale = 0;      // Decimal only
  // Calculated columns: the type of the stored result (the column property
  // ResultType, a column type code); the column's own type byte only says
  // where the row keeps the value. 0 when unknown.
  uint8_t result_type = 0;
  uint32_t complex_id = 0;  // complex columns: the key into MSysComplexColumns

  bool fixed() const { return flags & 0x01; }
  bool calculated() const { return ext_flags & 0xC0; }
  // The type the value is decoded as.
  uint8_t value_type() const { return calculated() && result_type ? result_type : type; }
  // Bytes of the value in the row's fixed area by its type (the declared
  // length for the types whose size is not given by the type).
  size_t stored_size() const;
};

struct jet_index_column {
  uint16_t column = 0;  // position in jet_table::columns
  bool descending = false;
};

struct jet_index {
  std::u16string name;
  uint8_t type = 0;   // 1 primary key, 2 foreign key (relationship side)
  uint8_t flags = 0;  // 0x01 unique, 0x02 ignore nulls, 0x08 required
  std::vector<jet_index_column> columns;

  bool primary() const { return type == 1; }
  bool foreign() const { return type == 2; }
  bool unique() const { return primary() || (flags & 0x01); }
};

class jet_table {
 public:
  // Reads the TDEF chain starting at tdef_page; throws jet_failure (3049)
  // when the pages are not a table definition.
  jet_table(const jet_file& file, uint32_t tdef_page, const std::u16string& name);

  const std::u16string& name() const { return name_; }
  uint32_t tdef_page() const { return tdef_page_; }
  uint32_t stored_row_count() const { return row_count_; }  // may be stale
  uint16_t variable_column_count() const { return var_columns_; }
  const std::vector<jet_column>& columns() const { return columns_; }
  const std::vector<jet_index>& indexes() const { return indexes_; }
  // Data pages owned by the table, ascending.
  const std::vector<uint32_t>& data_pages() const { return data_pages_; }
  // What could not be read of the page map ("" when nothing): pages it
  // would have listed are missing from data_pages().
  const std::string& damage() const { return damage_; }

 private:
  void parse(const jet_file& file, const std::vector<uint8_t>& tdef);
  void read_usage_map(const jet_file& file, uint32_t pg_row);
  // Calculated columns: the result type from the column properties.
  void read_result_types(const jet_file& file);

  std::u16string name_;
  uint32_t tdef_page_;
  uint32_t row_count_ = 0;
  uint16_t var_columns_ = 0;
  std::vector<jet_column> columns_;
  std::vector<jet_index> indexes_;
  std::vector<uint32_t> data_pages_;
  std::string damage_;
};
