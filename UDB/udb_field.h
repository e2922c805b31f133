// udb_field: one field value on its way from the source to the destination,
// a variant value with its column's name, declared size and flags. The text
// and type operations are the variant's; a source may override them (the
// Access field reads its type from the engine while the value is empty).
// A value type; a udb_record owns its fields.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "OLE/ole_variant.h"

class udb_field : public ole_variant {
 public:
  udb_field();
  udb_field(const std::wstring& name, uint32_t size, const ole_variant& value, bool b_not_null,
            bool b_autoincrement);
  udb_field(const udb_field&) = default;
  udb_field& operator=(const udb_field&) = default;
  ~udb_field() override = default;
  // A copy that answers type and text as this field does (a writer that
  // holds records back keeps such copies).
  virtual std::unique_ptr<udb_field> clone() const { return std::make_unique<udb_field>(*this); }

  uint32_t size = 0;  // declared size of the column
  std::wstring name;
  bool b_not_null = false;
  bool b_autoincrement = false;
};
