// Oracle NUMBER as an exact decimal: sign, significant digits and exponent.
// Parses Oracle numeric literals, rounds half away from zero the way a
// NUMBER(p,s) column does, prints the TM9 text Oracle's SQLT_STR conversion
// gives (".5", "-.5", "123") and does exact +, -, * (division to 40 digits).
// A value type: copy freely, no shared state, safe across threads.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace oraemb {

class OraNumber {
 public:
  OraNumber() = default;  // zero
  static OraNumber from_int(int64_t value);
  static OraNumber from_double(double value);
  // Oracle literal grammar [+|-]digits[.digits][e[+|-]digits][f|d], blanks
  // around allowed; nullopt when the text is not a number.
  static std::optional<OraNumber> parse(const std::string& text);
  // 0.d1d2... * 10^exponent from decimal digits ('0'..'9', most significant
  // first; leading and trailing zeros allowed), normalized as parse does.
  static OraNumber from_digits(bool negative, const char* digits, size_t count, int exponent);

  bool is_zero() const { return digits_.empty(); }
  bool negative() const { return negative_; }
  bool is_integer() const { return is_zero() || exponent_ >= static_cast<int>(digits_.size()); }
  // Digits before the decimal point (0 for |x| < 1).
  int integer_digits() const { return is_zero() || exponent_ < 0 ? 0 : exponent_; }
  int significant_digits() const { return static_cast<int>(digits_.size()); }
  // e in 0.d1d2... * 10^e (0 for zero).
  int exponent() const { return exponent_; }

  // Rounded half away from zero to `scale` places after the point (negative
  // scales round left of the point).
  OraNumber rounded(int scale) const;
  OraNumber rounded_significant(int digits) const;
  OraNumber truncated(int scale) const;

  // TM9 text: shortest exact decimal, no leading zero before the point.
  std::string to_text() const;
  // The same text appended to `out` (a buffer the caller reuses).
  void append_text(std::string& out) const;
  std::optional<int64_t> to_int64() const;
  double to_double() const;

  OraNumber operator-() const;
  friend OraNumber operator+(const OraNumber& a, const OraNumber& b);
  friend OraNumber operator-(const OraNumber& a, const OraNumber& b) { return a + (-b); }
  friend OraNumber operator*(const OraNumber& a, const OraNumber& b);
  // Throws ORA-01476 on a zero divisor.
  friend OraNumber operator/(const OraNumber& a, const OraNumber& b);
  friend int compare(const OraNumber& a, const OraNumber& b);
  friend bool operator==(const OraNumber& a, const OraNumber& b) { return compare(a, b) == 0; }

  // Raises ORA-01426 when the magnitude leaves Oracle's NUMBER range.
  void check_range() const;

 private:
  void normalize();
  bool negative_ = false;
  std::string digits_;  // significant digits, no leading or trailing zeros
  int exponent_ = 0;    // value = 0.d1d2d3... * 10^exponent_
};

}  // namespace oraemb
