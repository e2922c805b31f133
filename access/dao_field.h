// dao_field: one field read from a DAO Field object: its name, size,
// Required and AutoNumber flags and, for a row, its value. The DAO type
// table (get_vartype) decides the variant type of a column; date values
// print with DAO's day zero (1899-12-30, the date of a pure time) shown as
// "0000-00-00" or, for day zero alone, "00:00:00". A value type that keeps a
// reference to its DAO Field.
#pragma once

#include <cstdint>
#include <string>

#include "UDB/udb_field.h"
#include "access/dao/dao.h"
#include "access/ole_com_ptr.h"

class dao_field : public udb_field {
 public:
  // read_value: also read Field.Value (fields of a row). A column
  // description (fields of a TableDef or QueryDef) has no value: it stays
  // empty and get_type answers the column's type.
  dao_field(ole_com_ptr<DAOField> field, bool read_value);
  // A field of the current row: the name, size and flags of `column` (a
  // description of the same DAO Field, read once), the value read now.
  static std::unique_ptr<dao_field> of_current_row(const dao_field& column);
  // Reads Field.Value of the current row into the variant (a text reuses
  // the block of the text before when it fits).
  void read_value();
  dao_field(const dao_field&) = default;
  dao_field& operator=(const dao_field&) = default;
  ~dao_field() override;

  std::string to_string() const override;
  std::wstring to_wstring() const override;
  VARTYPE get_type() const override;
  std::unique_ptr<udb_field> clone() const override { return std::make_unique<dao_field>(*this); }

  // The variant type of a DAO type code (dbBigInt is VT_I8, the type of its
  // values).
  static VARTYPE get_vartype(int16_t dao_type);
  // Replaces DAO's day zero in a printed date (see the class comment).
  static std::string fix_fake_date(std::string text);

 private:
  ole_com_ptr<DAOField> field_;
};
