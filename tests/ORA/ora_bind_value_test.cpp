// The bound forms of the writer's literals: NUMBER bytes against Oracle's
// documented encodings, DATE bytes, unquoted text and raw bytes, and every
// literal that must be left to the one-record way.
#include "ORA/ora_bind_value.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "ORA/ora_charset.h"
#include "ORA/ora_util.h"
#include "TK/tk_text.h"
#include "UDB/udb_field.h"

namespace {

// The NUMBER bytes of a literal (without the VNU length byte); empty when
// it is refused.
std::vector<int> number(const wchar_t* literal) {
  unsigned char out[ora_vnu_bytes];
  if (!ora_vnu_from_literal(literal, out)) return {};
  return std::vector<int>(out + 1, out + 1 + out[0]);
}

std::vector<int> date(const std::wstring& literal) {
  unsigned char out[ora_dat_bytes];
  if (!ora_dat_from_literal(literal, out)) return {};
  return std::vector<int>(out, out + ora_dat_bytes);
}

TEST(OraBindNumber, OraclesEncodingOfTypicalValues) {
  EXPECT_EQ(number(L"0"), (std::vector<int>{0x80}));
  EXPECT_EQ(number(L"-0.000"), (std::vector<int>{0x80}));
  EXPECT_EQ(number(L"1"), (std::vector<int>{0xC1, 2}));
  EXPECT_EQ(number(L"100"), (std::vector<int>{0xC2, 2}));
  EXPECT_EQ(number(L"123"), (std::vector<int>{0xC2, 2, 24}));
  EXPECT_EQ(number(L"0.5"), (std::vector<int>{0xC0, 51}));
  EXPECT_EQ(number(L".0001"), (std::vector<int>{0xBF, 2}));
  EXPECT_EQ(number(L"1234.5678"), (std::vector<int>{0xC2, 13, 35, 57, 79}));
  // Negative: complemented digits, exponent byte 62 - e, terminator 102.
  EXPECT_EQ(number(L"-1"), (std::vector<int>{0x3E, 100, 102}));
  EXPECT_EQ(number(L"-123.45"), (std::vector<int>{0x3D, 100, 78, 56, 102}));
  EXPECT_EQ(number(L"1E+3"), number(L"1000"));
  EXPECT_EQ(number(L"2.5e-7"), number(L"0.00000025"));
  EXPECT_EQ(number(L"+7"), number(L"7"));
}

TEST(OraBindNumber, ExactForTheWidestSourceValues) {
  // Currency, Decimal(28), BigInt and a double's 17 digits keep every digit.
  EXPECT_EQ(number(L"-922337203685477.5808").size(), 12u);
  EXPECT_EQ(number(L"9999999999999999999999999999").size(), 15u);
  EXPECT_EQ(number(L"-9223372036854775808").front(), 0x35);
  EXPECT_EQ(number(L"1.7976931348623157E+308"), std::vector<int>{});  // beyond NUMBER
  EXPECT_EQ(number(L"2.2250738585072014E-308"), std::vector<int>{});
  EXPECT_EQ(number(L"4.9406564584124654E-100").size(), 10u);
  // 38 significant digits are kept; more would be rounded by the server.
  EXPECT_FALSE(number(L"12345678901234567890123456789012345678").empty());
  EXPECT_TRUE(number(L"123456789012345678901234567890123456789").empty());
  // The largest and smallest magnitudes Oracle holds.
  EXPECT_EQ(number(L"9.99E125").front(), 0xFF);
  EXPECT_TRUE(number(L"1E126").empty());
  EXPECT_EQ(number(L"1E-130"), (std::vector<int>{0x80, 2}));
  EXPECT_TRUE(number(L"1E-131").empty());
}

TEST(OraBindNumber, RefusesWhatIsNoNumberLiteral) {
  for (const wchar_t* text : {L"", L"-", L".", L"1e", L"1e+", L"12''3", L"1,5", L" 1", L"0x10",
                              L"nan", L"Yes", L"1.2.3", L"--1"})
    EXPECT_TRUE(number(text).empty()) << static_cast<const void*>(text);
}

TEST(OraBindDate, TheWritersThreeForms) {
  EXPECT_EQ(date(L"to_date('1850-06-15 13:45:00', 'YYYY-MM-DD HH24:MI:SS')"),
            (std::vector<int>{118, 150, 6, 15, 14, 46, 1}));
  EXPECT_EQ(date(L"to_date('2024-02-29', 'YYYY-MM-DD')"),
            (std::vector<int>{120, 124, 2, 29, 1, 1, 1}));
  EXPECT_EQ(date(L"to_date('2000-02-29', 'YYYY-MM-DD')"),
            (std::vector<int>{120, 100, 2, 29, 1, 1, 1}));
  // A date printed alone under the date-and-time format.
  EXPECT_EQ(date(L"to_date('0100-01-01', 'YYYY-MM-DD HH24:MI:SS')"),
            (std::vector<int>{101, 100, 1, 1, 1, 1, 1}));
  EXPECT_EQ(date(L"to_date('9999-12-31 23:59:59', 'YYYY-MM-DD HH24:MI:SS')"),
            (std::vector<int>{199, 199, 12, 31, 24, 60, 60}));
  // A time of day on the zero date.
  EXPECT_EQ(date(L"to_date('1899-12-30 08:05:09', 'YYYY-MM-DD HH24:MI:SS')"),
            (std::vector<int>{118, 199, 12, 30, 9, 6, 10}));
}

// The days between the Julian 1582-10-04 and the Gregorian 1582-10-15 are
// written as 10-15 at their time of day, as the server's TO_DATE and
// TO_TIMESTAMP give them; the days either side stay as they are.
TEST(OraBindDate, DaysOfTheCalendarGapBecomeItsFirstGregorianDay) {
  const std::wstring head = L"to_date('1582-10-", tail = L"', 'YYYY-MM-DD HH24:MI:SS')";
  for (int day : {5, 10, 14})
    EXPECT_EQ(date(head + (day < 10 ? L"0" : L"") + std::to_wstring(day) + L" 12:34:56" + tail),
              (std::vector<int>{115, 182, 10, 15, 13, 35, 57}))
        << day;
  EXPECT_EQ(date(head + L"04 23:59:59" + tail), (std::vector<int>{115, 182, 10, 4, 24, 60, 60}));
  EXPECT_EQ(date(head + L"15" + tail), (std::vector<int>{115, 182, 10, 15, 1, 1, 1}));
  EXPECT_EQ(date(L"to_date('1582-10-09', 'YYYY-MM-DD')"),
            (std::vector<int>{115, 182, 10, 15, 1, 1, 1}));
  ora_timestamp_fields f;
  ASSERT_TRUE(ora_timestamp_from_literal(
      L"TO_TIMESTAMP('1582-10-07 01:02:03.0000001', 'YYYY-MM-DD HH24:MI:SS.FF7')", f));
  EXPECT_EQ(f, (ora_timestamp_fields{1582, 10, 15, 1, 2, 3, 100}));
}

TEST(OraBindDate, RefusesInvalidDatesAndOtherForms) {
  for (const wchar_t* text :
       {L"to_date('2023-02-29', 'YYYY-MM-DD')", L"to_date('1900-02-29', 'YYYY-MM-DD')",
        L"to_date('2023-04-31', 'YYYY-MM-DD')", L"to_date('0000-01-01', 'YYYY-MM-DD')",
        L"to_date('2024-13-01', 'YYYY-MM-DD')",
        L"to_date('2024-01-01 24:00:00', "
        L"'YYYY-MM-DD HH24:MI:SS')",
        L"to_date('13:05:00', 'HH24-MI-SS')", L"to_date('2024-1-01', 'YYYY-MM-DD')",
        L"to_date('2024-01-01 10:00:00', 'YYYY-MM-DD')", L"'2024-01-01'", L"SYSDATE"})
    EXPECT_TRUE(date(text).empty()) << static_cast<const void*>(text);
}

TEST(OraBindText, UnquotesAndKeepsEveryCharacter) {
  std::u16string out;
  ASSERT_TRUE(ora_text_from_literal(L"'O''Brien'", out));
  EXPECT_EQ(out, u"O'Brien");
  ASSERT_TRUE(ora_text_from_literal(L"'Αθηναϊκή 北京 \U0001F600'", out));
  EXPECT_EQ(out, u"Αθηναϊκή 北京 \U0001F600");
  ASSERT_TRUE(ora_text_from_literal(L"''''", out));
  EXPECT_EQ(out, u"'");
  // The last code point of Unicode and a lone surrogate unit as they are;
  // a wide character beyond Unicode has no UTF-16 form.
  ASSERT_TRUE(ora_text_from_literal(L"'\U0010FFFF'", out));
  EXPECT_EQ(out, u"\U0010FFFF");
  ASSERT_TRUE(ora_text_from_literal(std::wstring{L'\'', wchar_t(0xDC00), L'\''}, out));
  EXPECT_EQ(out, std::u16string(1, char16_t(0xDC00)));
  EXPECT_FALSE(ora_text_from_literal(std::wstring{L'\'', wchar_t(0x110000), L'\''}, out));
  EXPECT_FALSE(ora_text_from_literal(L"'a'b'", out));
  EXPECT_FALSE(ora_text_from_literal(L"12", out));
  EXPECT_FALSE(ora_text_from_literal(L"HEXTORAW('00')", out));
  EXPECT_FALSE(ora_text_from_literal(L"'", out));
}

TEST(OraBindText, NationalLiteralsGiveBackTheirText) {
  // Whatever the writer made national (UNISTR pieces joined by ||, quotes
  // doubled, backslashes escaped) reads back as the text it came from.
  std::u16string out;
  std::wstring longer;
  for (int k = 0; k < 3000; ++k) longer += k % 3 == 0 ? L'\'' : k % 3 == 1 ? L'\\' : L'Ж';
  for (const std::wstring& text : {std::wstring(L"plain ASCII"), std::wstring(L"Ω'北\\x\U0001F600"),
                                   std::wstring(L"\\0041"), longer}) {
    std::wstring quoted = L"'";
    for (wchar_t c : text) quoted += c == L'\'' ? std::wstring(L"''") : std::wstring(1, c);
    const std::wstring national = ora_national_literal(quoted + L"'");
    ASSERT_TRUE(ora_text_from_national_literal(national, out)) << national.substr(0, 80);
    EXPECT_EQ(out, tk_wide_to_utf16(text));
  }
  EXPECT_NE(ora_national_literal(L"'" + longer + L"'").find(L"||"), std::wstring::npos);
  for (const wchar_t* bad : {L"UNISTR('\\00G1')", L"UNISTR('a')||", L"UNISTR('a') || UNISTR('b')",
                             L"UNISTR('Ж')", L"UNISTR('a'", L"N'a'"})
    EXPECT_FALSE(ora_text_from_national_literal(bad, out)) << bad;
}

TEST(OraBindTimestamp, TheWritersFormToTheNanosecond) {
  ora_timestamp_fields f;
  ASSERT_TRUE(ora_timestamp_from_literal(
      L"TO_TIMESTAMP('1899-12-30 23:59:59.9999999', 'YYYY-MM-DD HH24:MI:SS.FF7')", f));
  EXPECT_EQ(f, (ora_timestamp_fields{1899, 12, 30, 23, 59, 59, 999999900}));
  ASSERT_TRUE(ora_timestamp_from_literal(
      L"TO_TIMESTAMP('0001-01-01 00:00:00.0000001', 'YYYY-MM-DD HH24:MI:SS.FF7')", f));
  EXPECT_EQ(f, (ora_timestamp_fields{1, 1, 1, 0, 0, 0, 100}));
  for (const wchar_t* text :
       {L"TO_TIMESTAMP('2023-02-29 00:00:00.0000000', 'YYYY-MM-DD HH24:MI:SS.FF7')",
        L"TO_TIMESTAMP('2023-01-01 24:00:00.0000000', 'YYYY-MM-DD HH24:MI:SS.FF7')",
        L"TO_TIMESTAMP('2023-01-01 00:00:00.000000', 'YYYY-MM-DD HH24:MI:SS.FF7')",
        L"TO_TIMESTAMP('2023-01-01 00:00:00.00000000', 'YYYY-MM-DD HH24:MI:SS.FF7')",
        L"TO_TIMESTAMP('2023-01-01 00:00:00.0000000', 'YYYY-MM-DD HH24:MI:SS.FF6')",
        L"to_date('2023-01-01', 'YYYY-MM-DD')", L"NULL"})
    EXPECT_FALSE(ora_timestamp_from_literal(text, f)) << static_cast<const void*>(text);
}

TEST(OraBindRaw, HexDigitsQuotedOrThroughHextoraw) {
  std::string out;
  ASSERT_TRUE(ora_raw_from_literal(L"'0A0bFF'", out));
  EXPECT_EQ(out, std::string("\x0a\x0b\xff", 3));
  ASSERT_TRUE(ora_raw_from_literal(L"HEXTORAW('33221100554477668899AABBCCDDEEFF')", out));
  EXPECT_EQ(out.size(), 16u);
  EXPECT_EQ(static_cast<unsigned char>(out[0]), 0x33);
  EXPECT_FALSE(ora_raw_from_literal(L"'ABC'", out));  // odd: the server pads it
  EXPECT_FALSE(ora_raw_from_literal(L"'0G'", out));
  EXPECT_FALSE(ora_raw_from_literal(L"0A0B", out));
}

// The value forms give the literal's bytes: the field's literal (as the
// writer prints it) read back, beside the form taken from the value. A value
// form may refuse, never differ.
size_t compare_number_forms(const ole_variant& value, const std::string& what) {
  const udb_field field(L"F", 0, value, false, false);
  unsigned char direct[ora_vnu_bytes], literal[ora_vnu_bytes];
  if (!ora_vnu_from_value(field, direct)) return 0;
  const std::wstring text = to_oracle_str(&field);
  EXPECT_TRUE(ora_vnu_from_literal(text, literal)) << what << " " << tk_to_utf8(text);
  EXPECT_EQ(0, std::memcmp(direct, literal, static_cast<size_t>(literal[0]) + 1))
      << what << " " << tk_to_utf8(text);
  return 1;
}

VARIANT variant_of(VARTYPE vt) {
  VARIANT v;
  VariantInit(&v);
  v.vt = vt;
  return v;
}

TEST(OraBindValue, NumbersGiveTheLiteralsBytes) {
  std::mt19937_64 random(17);
  size_t taken = 0, tried = 0;
  auto check = [&](const ole_variant& value, const std::string& what) {
    ++tried;
    taken += compare_number_forms(value, what);
  };
  for (int64_t i : {int64_t{0}, int64_t{1}, int64_t{-1}, int64_t{99}, int64_t{100},
                    int64_t{INT32_MIN}, int64_t{INT32_MAX}, INT64_MIN, INT64_MAX}) {
    check(ole_variant(static_cast<long long>(i)), "i8 " + std::to_string(i));
    check(ole_variant(static_cast<int>(i)), "i4 " + std::to_string(i));
    CY cy{i};
    check(ole_variant(cy), "cy " + std::to_string(i));
  }
  check(ole_variant(static_cast<unsigned long long>(UINT64_MAX)), "ui8 max");
  check(ole_variant(static_cast<short>(-32768)), "i2 min");
  check(ole_variant(static_cast<unsigned char>(255)), "ui1 max");
  // True is printed 1, false and any other pattern 0.
  for (int b : {0, -1, 1, 2}) {
    VARIANT v = variant_of(VT_BOOL);
    v.boolVal = static_cast<VARIANT_BOOL>(b);
    check(ole_variant(v), "bool " + std::to_string(b));
  }
  for (int n = 0; n < 3000; ++n) {
    const uint64_t bits = random();
    double d;
    std::memcpy(&d, &bits, sizeof d);
    if (std::isfinite(d) && std::fabs(d) <= 1e126)
      check(ole_variant(d), "r8 " + std::to_string(bits));
    // Ordinary magnitudes, where 15, 16 and 17 digits all occur.
    const double ordinary =
        std::ldexp(static_cast<double>(random() >> 11), -40) * (random() % 2 ? 1 : -1);
    check(ole_variant(ordinary), "r8 " + std::to_string(ordinary));
    check(ole_variant(static_cast<float>(ordinary)), "r4 " + std::to_string(ordinary));
    check(ole_variant(CY{static_cast<int64_t>(random()) >> (random() % 64)}), "cy");
    DECIMAL dec{};
    dec.Hi32 = static_cast<uint32_t>(random() >> (32 + random() % 32));
    dec.Mid32 = static_cast<uint32_t>(random());
    dec.Lo32 = static_cast<uint32_t>(random() >> (random() % 33));
    dec.scale = static_cast<uint8_t>(random() % 29);
    dec.sign = random() % 2 ? DECIMAL_NEG : 0;
    check(ole_variant(dec), "decimal scale " + std::to_string(dec.scale));
  }
  // Everything above has a value form except the doubles beyond 38 digits'
  // reach of NUMBER: nearly all are taken.
  EXPECT_GT(taken, tried * 9 / 10);
  // Not numbers, or printed some other way: the literal decides.
  unsigned char out[ora_vnu_bytes];
  EXPECT_FALSE(ora_vnu_from_value(ole_variant(std::nan("")), out));
  EXPECT_FALSE(ora_vnu_from_value(ole_variant(1e127), out));
  EXPECT_FALSE(ora_vnu_from_value(ole_variant(L"12"), out));
  VARIANT bad = variant_of(VT_DECIMAL);
  bad.decVal.scale = 29;
  EXPECT_FALSE(ora_vnu_from_value(ole_variant(bad), out));
}

TEST(OraBindValue, DatesGiveTheLiteralsBytes) {
  std::mt19937_64 random(18);
  size_t taken = 0;
  auto check = [&](double when) {
    VARIANT v = variant_of(VT_DATE);
    v.date = when;
    const udb_field field(L"F", 0, ole_variant(v), false, false);
    unsigned char direct[ora_dat_bytes], literal[ora_dat_bytes];
    if (!ora_dat_from_value(field, direct)) return;
    ++taken;
    const std::wstring text = to_oracle_str(&field);
    ASSERT_TRUE(ora_dat_from_literal(text, literal)) << when << " " << tk_to_utf8(text);
    EXPECT_EQ(0, std::memcmp(direct, literal, ora_dat_bytes)) << when << " " << tk_to_utf8(text);
  };
  // From year 100 to 9999, with fractions of a second that round either way.
  for (int n = 0; n < 4000; ++n)
    check(-657434.0 + static_cast<double>(random() % 3615000000000ull) / 1000000.0);
  for (double when : {0.0, 0.5, 1.0, -1.5, 40543.999994, 40543.99999999, 2958465.0, 2958465.99999})
    check(when);
  EXPECT_GT(taken, 2500u);
  // Before 1753, and day zero, the literal decides.
  unsigned char out[ora_dat_bytes];
  VARIANT v = variant_of(VT_DATE);
  v.date = -60000;
  EXPECT_FALSE(ora_dat_from_value(ole_variant(v), out));
  v.date = 0.25;
  EXPECT_FALSE(ora_dat_from_value(ole_variant(v), out));
}

}  // namespace
