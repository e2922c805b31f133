// One decoded column value of a row, exact as stored: no text conversion, no
// rounding. The DAO layer turns it into a VARIANT. Reused row after row by
// the cursor, so text and byte buffers keep their capacity.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

enum class jet_kind : uint8_t {
  null,
  boolean,   // i64 0 / 1
  byte,      // i64
  int16,     // i64
  int32,     // i64
  int64,     // i64 (Large Number)
  currency,  // i64, units of 1/10000
  single,    // f64 holds the float exactly
  real,      // f64
  date,      // f64, days since 1899-12-30, time as the fraction
  text,      // text (UTF-16)
  binary,    // bytes (binary, OLE, unknown types)
  guid,      // bytes, 16
  decimal,   // dec_*
  ext_date,  // i64, 100 ns ticks since 0001-01-01 00:00:00 (Date/Time Extended)
};

struct jet_value {
  jet_kind kind = jet_kind::null;
  int64_t i64 = 0;
  double f64 = 0;
  std::u16string text;
  std::vector<uint8_t> bytes;
  // Decimal: magnitude (96 bits used by Access, precision <= 28), scale, sign.
  uint32_t dec_hi = 0;
  uint64_t dec_lo = 0;
  uint8_t dec_scale = 0;
  bool dec_negative = false;
  bool dec_overflow = false;  // more than 96 bits: only a damaged file does this

  void set_null() { kind = jet_kind::null; }
  bool is_null() const { return kind == jet_kind::null; }
};
