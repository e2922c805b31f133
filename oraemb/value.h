// Engine values and Oracle column types. A Value is one SQL value with
// Oracle's kinds (NULL, NUMBER, character, DATE, RAW, CLOB, BLOB); a LOB value
// may carry the row address its locator needs. OraType is what describe
// reports and what storage and conversions follow. Plain value types.
#pragma once

#include <cstdint>
#include <string>

#include "oraemb/ora_date.h"
#include "oraemb/ora_number.h"

namespace oraemb {

enum class Kind { Null, Number, Text, Date, Raw, Clob, Blob };

// Where a LOB value lives, for locators handed out by queries.
struct LobRef {
  int64_t table_obj = 0;  // 0: not a table cell (a computed value)
  int64_t rid = 0;
  int column = 0;  // 0-based column index in the table
  bool for_update = false;
};

struct Value {
  Kind kind = Kind::Null;
  OraNumber number;
  OraDate date;
  std::string bytes;  // text (UTF-8), raw bytes, CLOB text or BLOB bytes
  LobRef lob;
  bool national = false;  // NCHAR/NVARCHAR2/NCLOB value
  // A CHAR or NCHAR value, a text literal or a text bound as SQLT_AFC: two
  // such values compare blank-padded; any other text compares as it is.
  bool blank_padded = false;

  bool is_null() const { return kind == Kind::Null; }
  static Value null() { return {}; }
  static Value num(const OraNumber& n) {
    Value v;
    v.kind = Kind::Number;
    v.number = n;
    return v;
  }
  static Value text(std::string s) {
    // '' is NULL for every character type.
    Value v;
    if (s.empty()) return v;
    v.kind = Kind::Text;
    v.bytes = std::move(s);
    return v;
  }
  static Value dt(const OraDate& d) {
    Value v;
    v.kind = Kind::Date;
    v.date = d;
    return v;
  }
  static Value raw(std::string b) {
    Value v;
    if (b.empty()) return v;
    v.kind = Kind::Raw;
    v.bytes = std::move(b);
    return v;
  }
  static Value lob_value(Kind kind, std::string b) {
    Value v;
    v.kind = kind;
    v.bytes = std::move(b);
    return v;
  }
};

// Oracle's base types as the dictionary names them.
enum class Base {
  Number,
  Float,
  Varchar2,
  Nvarchar2,
  Char,
  Nchar,
  Date,
  Raw,
  Clob,
  Nclob,
  Blob,
  Long,
  Rowid,
  // IEEE floating point (stored as NUMBER values) and the 23ai BOOLEAN
  // (stored as 1 and 0).
  BinaryFloat,
  BinaryDouble,
  Boolean,
  Timestamp  // precision: the fractional seconds' digits (0..9)
};

struct OraType {
  Base base = Base::Varchar2;
  int length = 0;      // declared length: characters for N-types and CHAR semantics, else bytes
  int precision = -1;  // -1: not given
  int scale = -1000;   // -1000: not given
  bool char_semantics = false;
  bool nullable = true;

  // Describe values (OCI_ATTR_DATA_TYPE, DATA_SIZE, PRECISION, SCALE).
  // DATA_SIZE counts bytes of the column's character set: the largest
  // bytes per character of the database (CHAR semantics) and national
  // character sets give it, as USER_TAB_COLUMNS.DATA_LENGTH.
  int type_code() const;
  int data_size(int database_char_bytes = 4, int nchar_char_bytes = 2) const;
  int describe_precision() const;
  int describe_scale() const;
  int charset_form() const;
  // USER_TAB_COLUMNS.DATA_TYPE text.
  std::string name() const;
  bool is_character() const {
    return base == Base::Varchar2 || base == Base::Nvarchar2 || base == Base::Char ||
           base == Base::Nchar || base == Base::Long;
  }
  bool is_lob() const { return base == Base::Clob || base == Base::Nclob || base == Base::Blob; }
};

inline OraType number_type(int precision = -1, int scale = -1000) {
  OraType t;
  t.base = Base::Number;
  t.precision = precision;
  t.scale = scale;
  return t;
}
inline OraType varchar_type(int length) {
  OraType t;
  t.base = Base::Varchar2;
  t.length = length;
  return t;
}

}  // namespace oraemb
