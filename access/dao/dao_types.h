// The numbers DAO reports about fields and tables: the type codes of
// Field.Type (DataTypeEnum) and the bits of Field.Attributes and
// TableDef.Attributes. The DAO component answers with them and the layer
// above reads them back, both through these names.
#pragma once

#include <cstdint>

// Field.Type. Beyond the classic set: attachments and the multi-value kinds
// (complex columns: their value in a recordset of a table is the number of
// the row's values; the values themselves come from
// DAOTableDef::OpenComplexRecordset), and Date/Time Extended, whose values
// are VT_FILETIME (see dao_value_to_variant). A column type the reader does
// not know is described as DAO_TYPE_UNKNOWN plus the stored type byte and
// has no values.
enum : int16_t {
  DAO_TYPE_BOOLEAN = 1,
  DAO_TYPE_BYTE = 2,
  DAO_TYPE_INTEGER = 3,
  DAO_TYPE_LONG = 4,
  DAO_TYPE_CURRENCY = 5,
  DAO_TYPE_SINGLE = 6,
  DAO_TYPE_DOUBLE = 7,
  DAO_TYPE_DATE = 8,
  DAO_TYPE_BINARY = 9,
  DAO_TYPE_TEXT = 10,
  DAO_TYPE_LONG_BINARY = 11,
  DAO_TYPE_MEMO = 12,
  DAO_TYPE_GUID = 15,
  DAO_TYPE_BIG_INT = 16,
  DAO_TYPE_VAR_BINARY = 17,
  DAO_TYPE_CHAR = 18,
  DAO_TYPE_NUMERIC = 19,
  DAO_TYPE_DECIMAL = 20,
  DAO_TYPE_FLOAT = 21,
  DAO_TYPE_TIME = 22,
  DAO_TYPE_TIME_STAMP = 23,
  DAO_TYPE_DATE_TIME_EXTENDED = 26,
  DAO_TYPE_ATTACHMENT = 101,
  DAO_TYPE_COMPLEX_BYTE = 102,
  DAO_TYPE_COMPLEX_INTEGER = 103,
  DAO_TYPE_COMPLEX_LONG = 104,
  DAO_TYPE_COMPLEX_SINGLE = 105,
  DAO_TYPE_COMPLEX_DOUBLE = 106,
  DAO_TYPE_COMPLEX_GUID = 107,
  DAO_TYPE_COMPLEX_DECIMAL = 108,
  DAO_TYPE_COMPLEX_TEXT = 109,
  DAO_TYPE_UNKNOWN = 0x4000,
};

// Field.Attributes bits.
enum : int32_t {
  DAO_FIXED_FIELD = 0x1,
  DAO_VARIABLE_FIELD = 0x2,
  DAO_AUTO_INCR_FIELD = 0x10,
  DAO_UPDATABLE_FIELD = 0x20,
  DAO_DESCENDING = 0x1,  // Index.Fields items
  DAO_HYPERLINK_FIELD = 0x8000,
};

// TableDef.Attributes bits.
enum : int32_t {
  DAO_HIDDEN_OBJECT = 0x1,
  DAO_SYSTEM_OBJECT = int32_t(0x80000002u),
  DAO_ATTACHED_ODBC = 0x20000000,
  DAO_ATTACHED_TABLE = 0x40000000,
};
