// Exact decimal numbers for Access Decimal columns (up to 28 digits, scale up
// to 28) held as text in the staging database: parsing, printing,
// comparison and the four operations on a 128-bit magnitude. Results that do
// not fit give nullopt (the caller reports an overflow).
#pragma once

#include <optional>
#include <string>

struct sql_decimal {
  __int128 m = 0;  // value = m / 10^scale
  int scale = 0;
};

std::optional<sql_decimal> sql_dec_parse(const std::string& text);
std::string sql_dec_format(const sql_decimal& d);  // keeps the scale
sql_decimal sql_dec_normalized(sql_decimal d);     // no trailing zeros after the point
int sql_dec_compare(const sql_decimal& a, const sql_decimal& b);
std::optional<sql_decimal> sql_dec_add(const sql_decimal& a, const sql_decimal& b);
std::optional<sql_decimal> sql_dec_mul(const sql_decimal& a, const sql_decimal& b);
std::optional<sql_decimal> sql_dec_div(const sql_decimal& a, const sql_decimal& b);
std::optional<sql_decimal> sql_dec_from_double(double d);
double sql_dec_to_double(const sql_decimal& d);
// Rounds half to even to at most `scale` places.
sql_decimal sql_dec_round(const sql_decimal& d, int scale);
