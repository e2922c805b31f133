// The exact decimal of the Access SQL layer: the staging text it reads and
// writes back unchanged, half-to-even rounding and the overflow bound of 96
// bits, values worked out by hand.
#include "access/dao/sql/sql_decimal.h"

#include <gtest/gtest.h>

namespace {

std::string round_trip(const std::string& text) {
  const auto d = sql_dec_parse(text);
  return d ? sql_dec_format(*d) : "none";
}

TEST(SqlDecimal, StagingTextReadsAndPrintsWithItsScale) {
  const struct {
    const char* in;
    const char* out;
  } cases[] = {
      {"1.50", "1.50"},
      {" -0.5 ", "-0.5"},
      {".25", "0.25"},
      {"+7", "7"},
      {"1e3", "1000"},
      {"1.5E-2", "0.015"},
      {"0.000", "0.000"},
      {"1,000", "none"},
      {"12abc", "none"},
      {"", "none"},
      {"1e41", "none"},
      {"&H10", "none"},
      {"79228162514264337593543950335", "79228162514264337593543950335"},  // 2^96 - 1
      {"79228162514264337593543950336", "none"},
  };
  for (const auto& c : cases) EXPECT_EQ(round_trip(c.in), c.out) << c.in;
}

TEST(SqlDecimal, RoundingTakesTiesToEven) {
  const struct {
    const char* in;
    int scale;
    const char* out;
  } cases[] = {{"2.5", 0, "2"},       {"3.5", 0, "4"},      {"-2.5", 0, "-2"},
               {"0.125", 2, "0.12"},  {"0.135", 2, "0.14"}, {"1.2351", 2, "1.24"},
               {"-0.005", 2, "0.00"}, {"9.995", 2, "10.00"}};
  for (const auto& c : cases)
    EXPECT_EQ(sql_dec_format(sql_dec_round(*sql_dec_parse(c.in), c.scale)), c.out) << c.in;
}

TEST(SqlDecimal, ArithmeticAndDoubles) {
  const sql_decimal a = *sql_dec_parse("1.10"), b = *sql_dec_parse("2.205");
  EXPECT_EQ(sql_dec_format(*sql_dec_add(a, b)), "3.305");
  EXPECT_EQ(sql_dec_format(*sql_dec_mul(a, b)), "2.42550");
  EXPECT_EQ(sql_dec_format(*sql_dec_div(*sql_dec_parse("1"), *sql_dec_parse("4"))), "0.25");
  EXPECT_EQ(sql_dec_compare(a, *sql_dec_parse("1.1")), 0);
  EXPECT_FALSE(sql_dec_div(a, *sql_dec_parse("0")));
  const sql_decimal max = *sql_dec_parse("79228162514264337593543950335");
  EXPECT_FALSE(sql_dec_add(max, *sql_dec_parse("1")));
  // Doubles go through 15 significant digits both ways.
  EXPECT_EQ(sql_dec_format(*sql_dec_from_double(0.1)), "0.1");
  EXPECT_EQ(sql_dec_format(*sql_dec_from_double(-2.5e-3)), "-0.0025");
  EXPECT_EQ(sql_dec_format(*sql_dec_from_double(1e20)), "100000000000000000000");
  EXPECT_FALSE(sql_dec_from_double(1e30));
  EXPECT_EQ(sql_dec_to_double(*sql_dec_parse("0.1")), 0.1);
  EXPECT_EQ(sql_dec_to_double(*sql_dec_parse("-123.456")), -123.456);
}

}  // namespace
