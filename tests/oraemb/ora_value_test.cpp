// The engine's NUMBER and DATE values on their own, without a session: exact
// digits at NUMBER's precision, rounding to negative scales, the range limit,
// Oracle's internal NUMBER bytes, and DATE at the edges of its range (BC
// years, the last day, the Gregorian leap rule, the second after 32-bit time
// ends) in the 7-byte form, the stored text and TO_DATE.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "oraemb/bind_values.h"
#include "oraemb/ora_date.h"
#include "oraemb/ora_error.h"
#include "oraemb/ora_number.h"
#include "oraemb/utf.h"

namespace oraemb {
namespace {

const std::string k38Nines(38, '9');

OraNumber num(const std::string& text) {
  auto n = OraNumber::parse(text);
  EXPECT_TRUE(n.has_value()) << text;
  return n.value_or(OraNumber());
}

template <class F>
int error_of(F&& call) {
  try {
    call();
  } catch (const ora_error& e) {
    return e.code();
  }
  return 0;
}

TEST(OraNumberValue, ThirtyEightDigitsStayExact) {
  const OraNumber big = num(k38Nines);
  EXPECT_EQ(big.significant_digits(), 38);
  EXPECT_EQ(big.to_text(), k38Nines);
  EXPECT_EQ((big + num("1")).to_text(), "1" + std::string(38, '0'));
  EXPECT_EQ((-big - num("1")).to_text(), "-1" + std::string(38, '0'));
  EXPECT_EQ(num("." + k38Nines).to_text(), "." + k38Nines);
  EXPECT_EQ(num("1234567890123456789.0123456789012345678").to_text(),
            "1234567890123456789.0123456789012345678");
  EXPECT_EQ((big * num("3")).to_text(), "2" + std::string(37, '9') + "7");
  EXPECT_FALSE(big.to_int64().has_value());
  EXPECT_EQ(num("9223372036854775807").to_int64(), INT64_MAX);
  EXPECT_EQ(num("-9223372036854775808").to_int64(), INT64_MIN);
}

TEST(OraNumberValue, RoundsHalfAwayFromZeroAtAnyScale) {
  struct Case {
    const char* value;
    int scale;
    const char* rounded;
  };
  const std::vector<Case> cases = {
      {"12345", -2, "12300"}, {"12350", -2, "12400"},   {"-12350", -2, "-12400"},
      {"49", -2, "0"},        {"50", -2, "100"},        {"-50", -2, "-100"},
      {"999", -1, "1000"},    {"123456", -5, "100000"}, {"12", -5, "0"},
      {"2.5", 0, "3"},        {"-2.5", 0, "-3"},        {".005", 2, ".01"},
      {"1.2345", 3, "1.235"}, {"-.0001", 3, "0"},       {"0", -3, "0"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(num(c.value).rounded(c.scale).to_text(), c.rounded)
        << c.value << " to scale " << c.scale;
  // Truncation never rounds up.
  EXPECT_EQ(num("12399").truncated(-2).to_text(), "12300");
  EXPECT_EQ(num("-12399").truncated(-2).to_text(), "-12300");
  // Forty significant digits keep thirty-eight, the last one rounded.
  EXPECT_EQ(num("1" + std::string(37, '0') + "50").rounded_significant(38).to_text(),
            "1" + std::string(36, '0') + "1" + "00");
}

TEST(OraNumberValue, MagnitudeBeyondTheRangeIsOra01426) {
  EXPECT_EQ(error_of([] { num("9.99e125").check_range(); }), 0);
  EXPECT_EQ(error_of([] { num("-9.99e125").check_range(); }), 0);
  EXPECT_EQ(error_of([] { num("1e126").check_range(); }), 1426);
  EXPECT_EQ(error_of([] { num("-1e126").check_range(); }), 1426);
  EXPECT_EQ(error_of([] { num("1e-130").check_range(); }), 0);
  EXPECT_EQ(error_of([] { (num("1e100") * num("1e100")).check_range(); }), 1426);
  EXPECT_EQ(error_of([] { (num("1") / num("0")); }), 1476);
  for (const char* bad : {"", " ", "1e", "--1", "1..2", "0x10", "1,5", "e5", "+"})
    EXPECT_FALSE(OraNumber::parse(bad).has_value()) << bad;
}

TEST(OraNumberValue, InternalBytesDecode) {
  struct Case {
    std::vector<unsigned char> bytes;
    std::string text;
  };
  std::vector<unsigned char> nines{0xD3};  // 10^38 - 1: nineteen base-100 digits of 99
  nines.insert(nines.end(), 19, 100);
  const std::vector<Case> cases = {
      {{0x80}, "0"},
      {{0xC1, 0x02}, "1"},
      {{0xC2, 0x02}, "100"},
      {{0xC2, 0x02, 0x18, 0x2E}, "123.45"},
      {{0xC0, 0x33}, ".5"},
      {{0x3E, 0x64, 0x66}, "-1"},
      {{0x3D, 0x64, 0x4E, 0x38, 0x66}, "-123.45"},
      {nines, k38Nines},
      {{0xFF, 0x64}, "9.9E+125"},  // the largest exponent
      {{0x81, 0x02}, "1E-128"},    // the smallest magnitudes
      {{0x7E, 0x64, 0x66}, "-1E-128"},
      {{0xC1, 0x01, 0x02}, ".01"},  // digit pairs of zero at either end
      {{0xC2, 0x0B, 0x01}, "1000"},
      {{0x3D, 0x5A, 0x65}, "-1100"},  // a negative number without its terminator
  };
  for (const Case& c : cases) {
    auto n = number_from_oracle_bytes(c.bytes.data(), c.bytes.size());
    ASSERT_TRUE(n.has_value()) << c.text;
    EXPECT_EQ(n->to_text(), c.text);
  }
  const std::vector<std::vector<unsigned char>> bad = {{},
                                                       {0x80, 0x01},
                                                       {0xC1},
                                                       {0xC1, 0x00},
                                                       {0xC1, 0x65},
                                                       {0x3E, 0x66},
                                                       std::vector<unsigned char>(23, 0xC1)};
  for (const auto& b : bad) EXPECT_FALSE(number_from_oracle_bytes(b.data(), b.size()).has_value());
}

OraDate date(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
  OraDate v;
  v.year = y;
  v.month = mo;
  v.day = d;
  v.hour = h;
  v.minute = mi;
  v.second = s;
  return v;
}

TEST(OraDateValue, SevenByteFormAtTheEdgesOfTheRange) {
  struct Case {
    OraDate value;
    std::vector<unsigned char> bytes;
    const char* stored;
  };
  const std::vector<Case> cases = {
      {date(2024, 2, 29, 13, 5, 9), {120, 124, 2, 29, 14, 6, 10}, "2024-02-29 13:05:09"},
      {date(9999, 12, 31, 23, 59, 59), {199, 199, 12, 31, 24, 60, 60}, "9999-12-31 23:59:59"},
      {date(2038, 1, 19, 3, 14, 8), {120, 138, 1, 19, 4, 15, 9}, "2038-01-19 03:14:08"},
      {date(1, 1, 1), {100, 101, 1, 1, 1, 1, 1}, "0001-01-01 00:00:00"},
      {date(-1, 12, 31), {100, 99, 12, 31, 1, 1, 1}, "-0001-12-31 00:00:00"},
      {date(-44, 3, 15, 12), {100, 56, 3, 15, 13, 1, 1}, "-0044-03-15 12:00:00"},
      {date(-4712, 1, 1), {53, 88, 1, 1, 1, 1, 1}, "-4712-01-01 00:00:00"},
  };
  for (const Case& c : cases) {
    unsigned char out[7] = {};
    c.value.to_oci(out);
    EXPECT_EQ(std::vector<unsigned char>(out, out + 7), c.bytes) << c.stored;
    EXPECT_EQ(OraDate::from_oci(c.bytes.data()), c.value) << c.stored;
    EXPECT_EQ(c.value.to_storage(), c.stored);
    EXPECT_EQ(OraDate::from_storage(c.stored), c.value) << c.stored;
  }
}

// Stored texts beside the form to_storage writes read as sscanf reads them:
// a fraction, short fields, a field longer than its form, a missing time.
TEST(OraDateValue, StorageTextsOfOtherShapes) {
  OraDate fraction = date(2024, 2, 29, 13, 5, 9);
  fraction.nanos = 123456789;
  EXPECT_EQ(OraDate::from_storage("2024-02-29 13:05:09.123456789"), fraction);
  EXPECT_EQ(OraDate::from_storage("2024-2-9 1:2:3"), date(2024, 2, 9, 1, 2, 3));
  EXPECT_EQ(OraDate::from_storage(" 2024-02-29 13:05:090"), date(2024, 2, 29, 13, 5, 90));
  EXPECT_EQ(OraDate::from_storage("2024-02-29 13:05:090"), date(2024, 2, 29, 13, 5, 90));
  EXPECT_EQ(OraDate::from_storage("2024-02-29"), std::nullopt);
  EXPECT_EQ(OraDate::from_storage("2024-02-29 13:05"), std::nullopt);
}

TEST(OraDateValue, ToDateKeepsTheCalendarRules) {
  const std::time_t now = 0;
  EXPECT_EQ(to_date("9999-12-31 23:59:59", "YYYY-MM-DD HH24:MI:SS", now),
            date(9999, 12, 31, 23, 59, 59));
  EXPECT_EQ(to_date("2038-01-19 03:14:08", "YYYY-MM-DD HH24:MI:SS", now),
            date(2038, 1, 19, 3, 14, 8));
  EXPECT_EQ(to_date("2000-02-29", "YYYY-MM-DD", now), date(2000, 2, 29));
  // Before the Gregorian reform every fourth year is a leap year.
  EXPECT_EQ(to_date("1500-02-29", "YYYY-MM-DD", now), date(1500, 2, 29));
  EXPECT_EQ(error_of([&] { to_date("1900-02-29", "YYYY-MM-DD", now); }), 1839);
  EXPECT_EQ(error_of([&] { to_date("2100-02-29", "YYYY-MM-DD", now); }), 1839);
  EXPECT_NE(error_of([&] { to_date("10000-01-01", "YYYY-MM-DD", now); }), 0);
  EXPECT_EQ(error_of([&] { to_date("0000-01-01", "YYYY-MM-DD", now); }), 1841);
  EXPECT_EQ(error_of([&] { to_date("2024-13-01", "YYYY-MM-DD", now); }), 1843);
  EXPECT_EQ(error_of([&] { to_date("2024-04-31", "YYYY-MM-DD", now); }), 1839);
  EXPECT_EQ(error_of([&] { to_date("2024-01-01 24:00:00", "YYYY-MM-DD HH24:MI:SS", now); }), 1850);
  // Missing date fields come from the first day of the current month, also
  // past the end of 32-bit time.
  const OraDate late = to_date("03:14:08", "HH24:MI:SS", std::time_t{2147483648} + 86400);
  EXPECT_EQ(late.year, 2038);
  EXPECT_EQ(late.month, 1);
  EXPECT_EQ(late.day, 1);
  EXPECT_EQ(date_to_char(date(9999, 12, 31, 23, 59, 59), "YYYY-MM-DD HH24:MI:SS"),
            "9999-12-31 23:59:59");
}

// Only SYYYY reads a sign; under YYYY a leading minus is refused, not taken
// for punctuation (which used to turn 4712 BC into 4712 AD).
TEST(OraDateValue, SignedYearsNeedSyyyy) {
  const std::time_t now = 0;
  EXPECT_EQ(to_date("-4712-01-01", "SYYYY-MM-DD", now), date(-4712, 1, 1));
  EXPECT_EQ(to_date("-0001-12-31", "SYYYY-MM-DD", now), date(-1, 12, 31));
  EXPECT_EQ(to_date("2011-08-17", "SYYYY-MM-DD", now), date(2011, 8, 17));
  EXPECT_EQ(to_date("+2011-08-17", "SYYYY-MM-DD", now), date(2011, 8, 17));
  EXPECT_EQ(to_date("15.03.-44", "DD.MM.SYYYY", now), date(-44, 3, 15));
  EXPECT_EQ(to_date("15-03-0044", "DD-MM-SYYYY", now), date(44, 3, 15));
  EXPECT_EQ(error_of([&] { to_date("-4713-01-01", "SYYYY-MM-DD", now); }), 1841);
  EXPECT_EQ(error_of([&] { to_date("-0000-01-01", "SYYYY-MM-DD", now); }), 1841);
  EXPECT_EQ(error_of([&] { to_date("-4712-01-01", "YYYY-MM-DD", now); }), 1841);
  EXPECT_EQ(error_of([&] { to_date("15.03.-44", "DD.MM.YYYY", now); }), 1841);
  // A minus sign that is the one separator between fields stays one.
  EXPECT_EQ(to_date("17-08-2011", "DD-MM-YYYY", now), date(2011, 8, 17));
  EXPECT_EQ(to_date("17-AUG-11", "DD-MON-RR", now), date(2011, 8, 17));
  EXPECT_EQ(date_to_char(date(-44, 3, 15), "SYYYY-MM-DD"), "-0044-03-15");
  EXPECT_EQ(date_to_char(date(2011, 8, 17), "SYYYY-MM-DD"), " 2011-08-17");
  // Leap years before the reform count 1 BC, 5 BC, ... (there is no year 0).
  EXPECT_EQ(to_date("-0001-02-29", "SYYYY-MM-DD", now), date(-1, 2, 29));
  EXPECT_EQ(error_of([&] { to_date("-0004-02-29", "SYYYY-MM-DD", now); }), 1839);
}

// Day counts for DATE arithmetic: Julian before 1582-10-15, Gregorian from
// then on, and 1 BC right before 1 AD.
TEST(OraDateValue, DayCountAcrossTheEras) {
  const int64_t julian_day_1970 = 2440588;
  EXPECT_EQ(days_from_civil(1970, 1, 1), 0);
  // Julian day 0 is 4713 BC; 4712 BC follows it after 366 days.
  EXPECT_EQ(days_from_civil(-4712, 1, 1), 366 - julian_day_1970);
  EXPECT_EQ(days_from_civil(1582, 10, 15) - days_from_civil(1582, 10, 4), 1);
  EXPECT_EQ(days_from_civil(1, 1, 1) - days_from_civil(-1, 12, 31), 1);
  EXPECT_EQ(days_from_civil(-1, 3, 1) - days_from_civil(-1, 2, 28), 2);  // 1 BC is a leap year
  EXPECT_EQ(days_from_civil(1500, 3, 1) - days_from_civil(1500, 2, 28), 2);
  EXPECT_EQ(days_from_civil(1900, 3, 1) - days_from_civil(1900, 2, 28), 1);
  EXPECT_EQ(civil_from_seconds(days_from_civil(1, 1, 1) * 86400 - 1), date(-1, 12, 31, 23, 59, 59));
  EXPECT_EQ(civil_from_seconds(days_from_civil(1582, 10, 4) * 86400 + 86400), date(1582, 10, 15));
  // Every day of the years around the edges and the changes of era maps
  // back to itself, one day after the one before.
  for (auto [first, last] : {std::pair{-4712, -4700},
                             {-12, 12},
                             {1570, 1600},
                             {1890, 1910},
                             {1960, 2050},
                             {9990, 9999}}) {
    int64_t expected = days_from_civil(first, 1, 1);
    for (int y = first; y <= last; ++y) {
      if (y == 0) continue;
      for (int m = 1; m <= 12; ++m) {
        for (int d = 1; d <= days_in_month(y, m); ++d) {
          if (y == 1582 && m == 10 && d > 4 && d < 15) continue;  // the reform's gap
          const int64_t day = days_from_civil(y, m, d);
          ASSERT_EQ(day, expected) << y << "-" << m << "-" << d;
          ASSERT_EQ(civil_from_seconds(day * 86400), date(y, m, d)) << y << "-" << m << "-" << d;
          ++expected;
        }
      }
    }
  }
}

TEST(OraDateValue, DatesCompareInTimeOrderBeforeTheCommonEraToo) {
  const std::vector<OraDate> ascending = {date(-4712, 1, 1), date(-44, 3, 15), date(-44, 3, 15, 12),
                                          date(-1, 12, 31),  date(1, 1, 1),    date(2011, 8, 17)};
  for (size_t a = 0; a < ascending.size(); ++a) {
    for (size_t b = 0; b < ascending.size(); ++b) {
      const int expected = a < b ? -1 : a > b ? 1 : 0;
      EXPECT_EQ(compare_dates(ascending[a], ascending[b]), expected) << a << " " << b;
    }
  }
}

TEST(OraDateValue, StoredTextOfFractionsAndOfFieldsBeyondTheirRange) {
  OraDate d = date(2024, 2, 29, 13, 5, 9);
  d.nanos = 5;
  EXPECT_EQ(d.to_storage(), "2024-02-29 13:05:09.000000005");
  d.nanos = 999999999;
  EXPECT_EQ(d.to_storage(), "2024-02-29 13:05:09.999999999");
  OraDate bc = date(-4712, 1, 1);
  bc.nanos = 120000000;
  EXPECT_EQ(bc.to_storage(), "-4712-01-01 00:00:00.120000000");
  // Values that date arithmetic may leave out of range keep printf's form.
  EXPECT_EQ(date(12345, 1, 1).to_storage(), "12345-01-01 00:00:00");
  EXPECT_EQ(date(-12345, 1, 1).to_storage(), "-12345-01-01 00:00:00");
  EXPECT_EQ(date(7, 1, 1).to_storage(), "0007-01-01 00:00:00");
  char text[OraDate::kStorageTextMax];
  EXPECT_EQ(std::string(text, d.write_storage(text)), d.to_storage());
}

TEST(Utf16Text, BoundBytesAtAnyAlignmentConvertAsTheUnitsDo) {
  const std::u16string cases[] = {
      u"plain ascii",
      u"\u00e9t\u00e9 \u20ac \U0001F600 end",  // two- three- and four-byte forms
      std::u16string{u'a', 0xD83D},            // a high surrogate at the end
      std::u16string{0xDE00, u'b'},            // a low surrogate alone
      std::u16string{0xDE00, 0xD83D, u'c'},    // the pair's halves reversed
      std::u16string{0xD83D, 0xD83D, 0xDE00},  // two highs, then the low
      u"",
  };
  for (const std::u16string& units : cases) {
    // One byte in, so that the units are not aligned.
    std::vector<char> buffer(units.size() * 2 + 1);
    std::memcpy(buffer.data() + 1, units.data(), units.size() * 2);
    std::string out = "x";
    append_utf16_as_utf8(buffer.data() + 1, units.size(), out);
    EXPECT_EQ(out, "x" + utf16_to_utf8(units));
  }
}

TEST(OraDateValue, BoundDatesOutsideTheCalendarAreRefused) {
  EnvH env;
  auto bound = [&](std::vector<unsigned char> bytes) {
    BindH bind;
    bind.dty = SQLT_DAT;
    bind.value = bytes.data();
    bind.size = static_cast<sb8>(bytes.size());
    return error_of([&] { bind_element(bind, 0, env); });
  };
  EXPECT_EQ(bound({199, 199, 12, 31, 24, 60, 60}), 0);  // 9999-12-31 23:59:59
  EXPECT_EQ(bound({53, 88, 1, 1, 1, 1, 1}), 0);         // 4712 BC
  EXPECT_EQ(bound({120, 138, 1, 19, 4, 15, 9}), 0);     // 2038-01-19 03:14:08
  EXPECT_EQ(bound({119, 100, 2, 29, 1, 1, 1}), 1847);   // 1900-02-29
  EXPECT_EQ(bound({200, 100, 1, 1, 1, 1, 1}), 1841);    // year 10000
  EXPECT_EQ(bound({100, 100, 1, 1, 1, 1, 1}), 1841);    // year 0
  EXPECT_EQ(bound({53, 87, 12, 31, 1, 1, 1}), 1841);    // 4713 BC
  EXPECT_EQ(bound({120, 124, 13, 1, 1, 1, 1}), 1843);   // month 13
  EXPECT_EQ(bound({120, 124, 1, 1, 25, 1, 1}), 1850);   // hour 24
  EXPECT_EQ(bound({120, 124, 1, 1, 1, 61, 1}), 1851);   // minute 60
  EXPECT_EQ(bound({120, 124, 1, 1, 1, 1, 61}), 1852);   // second 60
  EXPECT_EQ(bound({120, 124, 1, 1, 1, 1}), 1460);       // six bytes
}

}  // namespace
}  // namespace oraemb
