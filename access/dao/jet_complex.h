// Complex columns (Access 2007+): attachments, multi-value fields and the
// version history of append-only memos. The row keeps only an integer key;
// the values are rows of a hidden "flat" table that holds that key in one
// Long column, its own AutoNumber, and the value columns of the column's
// type table. MSysComplexColumns names both tables by object id.
// Layout: Jackcess ComplexColumnSupport and its ComplexColumnInfo classes.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "access/dao/jet_table.h"

class jet_file;

enum class jet_complex_kind { attachment, multi_value, version_history, other };

struct jet_complex_column {
  size_t column = 0;       // position of the complex column in its table
  std::u16string name;     // the complex column
  std::u16string subject;  // the column the values belong to (version history: its memo)
  jet_complex_kind kind = jet_complex_kind::other;
  std::shared_ptr<const jet_table> flat;  // the hidden table of values
  int key = -1;  // flat: the row key (the value stored in the parent's row)
  int id = -1;   // flat: the value's own AutoNumber
  // Attachments: file name, file type, file data, file time stamp.
  int file_name = -1, file_type = -1, file_data = -1, file_date = -1;
  // Multi-value: the value; version history: the memo text and its date.
  int value = -1, modified = -1;
};

// A complex column whose values cannot be read: its hidden tables are not
// found, cannot be read or have a layout this reader does not know, or the
// catalogue that names them lost rows. `report` says why, as a loss report.
struct jet_complex_loss {
  size_t column = 0;    // position of the complex column in its table
  std::u16string name;  // the complex column
  std::string report;
};

// The complex columns of a table, in column order. Columns whose values
// cannot be read are left out and, when `lost` is given, listed there.
std::vector<jet_complex_column> jet_read_complex_columns(
    const jet_file& file, const jet_table& table, std::vector<jet_complex_loss>* lost = nullptr);

// The bytes of a stored attachment: a 4-byte kind (0 stored, 1 deflated), the
// content length, then the content (a header naming the file extension,
// then the file). False when the stored bytes do not follow that layout.
bool jet_decode_attachment(const std::vector<uint8_t>& stored, std::vector<uint8_t>& file);
