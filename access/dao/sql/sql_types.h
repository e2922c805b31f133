// How Access SQL values are held in the staging database and in translated
// expressions: the DAO type decides the representation (Yes/No -1/0,
// integers, currency as integer ten-thousandths, Single/Double/Date as REAL,
// text, decimal as exact text, binary), and the arithmetic result types
// follow the engine's expression rules.
#pragma once

#include <cstdint>

enum class sql_rep : uint8_t { null, boolean, integer, currency, real, date, text, decimal, blob };

// DAO type codes used here.
inline constexpr int16_t SQL_NULL = 0;
inline constexpr int16_t SQL_BOOLEAN = 1;
inline constexpr int16_t SQL_BYTE = 2;
inline constexpr int16_t SQL_INTEGER = 3;
inline constexpr int16_t SQL_LONG = 4;
inline constexpr int16_t SQL_CURRENCY = 5;
inline constexpr int16_t SQL_SINGLE = 6;
inline constexpr int16_t SQL_DOUBLE = 7;
inline constexpr int16_t SQL_DATE = 8;
inline constexpr int16_t SQL_BINARY = 9;
inline constexpr int16_t SQL_TEXT = 10;
inline constexpr int16_t SQL_LONGBINARY = 11;
inline constexpr int16_t SQL_MEMO = 12;
inline constexpr int16_t SQL_GUID = 15;
inline constexpr int16_t SQL_BIGINT = 16;
inline constexpr int16_t SQL_DECIMAL = 20;

inline sql_rep sql_rep_of(int16_t type) {
  switch (type) {
    case SQL_NULL:
      return sql_rep::null;
    case SQL_BOOLEAN:
      return sql_rep::boolean;
    case SQL_BYTE:
    case SQL_INTEGER:
    case SQL_LONG:
    case SQL_BIGINT:
      return sql_rep::integer;
    case SQL_CURRENCY:
      return sql_rep::currency;
    case SQL_SINGLE:
    case SQL_DOUBLE:
    case 19:  // dbNumeric
    case 21:  // dbFloat
      return sql_rep::real;
    case SQL_DATE:
    case 22:  // dbTime
      return sql_rep::date;
    case SQL_TEXT:
    case SQL_MEMO:
      return sql_rep::text;
    case SQL_DECIMAL:
      return sql_rep::decimal;
    default:
      return sql_rep::blob;
  }
}

inline bool sql_is_numeric(int16_t type) {
  const sql_rep r = sql_rep_of(type);
  return r == sql_rep::boolean || r == sql_rep::integer || r == sql_rep::currency ||
         r == sql_rep::real || r == sql_rep::decimal;
}
