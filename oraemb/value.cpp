// Describe metadata and dictionary names of Oracle column types.
#include "oraemb/value.h"

#include <algorithm>
#include <string>

namespace oraemb {

int OraType::type_code() const {
  switch (base) {
    case Base::Number:
    case Base::Float:
      return 2;
    case Base::Varchar2:
    case Base::Nvarchar2:
      return 1;
    case Base::Char:
    case Base::Nchar:
      return 96;
    case Base::Date:
      return 12;
    case Base::Raw:
      return 23;
    case Base::Clob:
    case Base::Nclob:
      return 112;
    case Base::Blob:
      return 113;
    case Base::Long:
      return 8;
    case Base::Rowid:
      return 104;
    case Base::BinaryFloat:
      return 100;
    case Base::BinaryDouble:
      return 101;
    case Base::Boolean:
      return 252;
    case Base::Timestamp:
      return 187;  // SQLT_TIMESTAMP
  }
  return 1;
}

int OraType::data_size(int database_char_bytes, int nchar_char_bytes) const {
  switch (base) {
    case Base::Number:
    case Base::Float:
      return 22;
    case Base::Nvarchar2:
      return std::min(nchar_char_bytes * length, 4000);
    case Base::Nchar:
      return std::min(nchar_char_bytes * length, 2000);
    case Base::Varchar2:
      return char_semantics ? std::min(database_char_bytes * length, 4000) : length;
    case Base::Char:
      return char_semantics ? std::min(database_char_bytes * length, 2000) : length;
    case Base::Date:
      return 7;
    case Base::Raw:
      return length;
    case Base::Clob:
    case Base::Nclob:
    case Base::Blob:
      return 4000;
    case Base::Long:
      return 0;
    case Base::Rowid:
      return 10;
    case Base::BinaryFloat:
      return 4;
    case Base::BinaryDouble:
      return 8;
    case Base::Boolean:
      return 1;
    case Base::Timestamp:
      return 11;
  }
  return 0;
}

int OraType::describe_precision() const {
  if (base == Base::Float) return precision < 0 ? 126 : precision;
  if (base == Base::Number) return precision < 0 ? 0 : precision;
  return 0;
}

int OraType::describe_scale() const {
  if (base == Base::Timestamp) return precision;  // the fractional seconds' digits
  if (base == Base::Float) return -127;
  if (base == Base::Number) return scale == -1000 ? (precision < 0 ? -127 : 0) : scale;
  return 0;
}

int OraType::charset_form() const {
  if (base == Base::Nvarchar2 || base == Base::Nchar || base == Base::Nclob) return 2;
  if (base == Base::Blob || base == Base::Raw || base == Base::Number || base == Base::Float ||
      base == Base::Date || base == Base::Rowid || base == Base::BinaryFloat ||
      base == Base::BinaryDouble || base == Base::Boolean || base == Base::Timestamp)
    return 0;
  return 1;
}

std::string OraType::name() const {
  switch (base) {
    case Base::Number:
      return "NUMBER";
    case Base::Float:
      return "FLOAT";
    case Base::Varchar2:
      return "VARCHAR2";
    case Base::Nvarchar2:
      return "NVARCHAR2";
    case Base::Char:
      return "CHAR";
    case Base::Nchar:
      return "NCHAR";
    case Base::Date:
      return "DATE";
    case Base::Raw:
      return "RAW";
    case Base::Clob:
      return "CLOB";
    case Base::Nclob:
      return "NCLOB";
    case Base::Blob:
      return "BLOB";
    case Base::Long:
      return "LONG";
    case Base::Rowid:
      return "ROWID";
    case Base::BinaryFloat:
      return "BINARY_FLOAT";
    case Base::BinaryDouble:
      return "BINARY_DOUBLE";
    case Base::Boolean:
      return "BOOLEAN";
    case Base::Timestamp:
      return "TIMESTAMP(" + std::to_string(precision) + ")";
  }
  return "UNDEFINED";
}

}  // namespace oraemb
