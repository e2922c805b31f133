// t_ftd: how one column is described independently of the database that holds
// it (size, name, variant type, flags, default value, a type-specific extra
// number), with the type equality and the column conformity used when records
// are merged into an existing table. A plain value; owned by the udb_schema
// that lists it.
#pragma once

#include <cstdint>
#include <string>

#include "OLE/ole_variant.h"

class udb_field;

class t_ftd {
 public:
  // From a field read from a table: size, name and flags from the field, the
  // type from its get_type().
  t_ftd(const udb_field& field, const ole_variant& def_value, uint32_t extra);
  t_ftd(uint32_t size, const std::wstring& name, VARTYPE vartype, bool b_not_null,
        bool b_autoincrement, const ole_variant& def_value, uint32_t extra);

  // Type equality: VT_CY and VT_DECIMAL are equal to each other; otherwise the
  // types must match, and text (VT_BSTR) columns also their sizes.
  bool operator==(const t_ftd& other) const;
  // Whether values of this (source) column can be stored in `dest`.
  bool conform_to(const t_ftd& dest) const;

  uint32_t size;  // characters for text, bytes for binary, 0 = unlimited
  std::wstring name;
  VARTYPE vartype;
  bool b_autoincrement;
  bool b_not_null;
  ole_variant def_value;  // empty variant when the column has no default
  // Access: 1 for a date/time column with a default and for a GUID column;
  // Oracle NUMBER read as VT_DECIMAL: precision * 256 + scale; Oracle column
  // read as VT_DATE: 1; else 0.
  uint32_t extra;
};
