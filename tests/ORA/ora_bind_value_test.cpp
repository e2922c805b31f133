// The bound forms of the writer's literals: NUMBER bytes against Oracle's
// documented encodings, DATE bytes, unquoted text and raw bytes, and every
// literal that must be left to the one-record way.
#include "ORA/ora_bind_value.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ORA/ora_charset.h"
#include "TK/tk_text.h"

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
  // A date printed alone under the date-and-time format.
  EXPECT_EQ(date(L"to_date('0100-01-01', 'YYYY-MM-DD HH24:MI:SS')"),
            (std::vector<int>{101, 100, 1, 1, 1, 1, 1}));
  EXPECT_EQ(date(L"to_date('9999-12-31 23:59:59', 'YYYY-MM-DD HH24:MI:SS')"),
            (std::vector<int>{199, 199, 12, 31, 24, 60, 60}));
  // A time of day on the zero date.
  EXPECT_EQ(date(L"to_date('1899-12-30 08:05:09', 'YYYY-MM-DD HH24:MI:SS')"),
            (std::vector<int>{118, 199, 12, 30, 9, 6, 10}));
}

TEST(OraBindDate, RefusesInvalidDatesAndOtherForms) {
  for (const wchar_t* text :
       {L"to_date('2023-02-29', 'YYYY-MM-DD')", L"to_date('0000-01-01', 'YYYY-MM-DD')",
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

}  // namespace
