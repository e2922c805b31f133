// Text utilities: trimming, upper-casing and case-insensitive comparison of
// non-ASCII text, the ANSI code page conversions with malformed input, and
// hexadecimal encoding.
#include <clocale>

#include "TK/tk_codepage.h"
#include "TK/tk_compare.h"
#include "TK/tk_hex.h"
#include "TK/tk_text.h"
#include "TK/tk_wstring.h"
#include "tk_test_support.h"

namespace {

TEST(Trim, RemovesOnlySpacesAtTheChosenEnds) {
  struct row {
    const wchar_t* in;
    const wchar_t* left;
    const wchar_t* right;
    const wchar_t* both;
  };
  const row rows[] = {
      {L"   ", L"", L"", L""},
      {L" a b ", L"a b ", L" a b", L"a b"},
      {L"", L"", L"", L""},
      {L"\tx\t", L"\tx\t", L"\tx\t", L"\tx\t"},  // tabs are not spaces here
      {L"  ä ", L"ä ", L"  ä", L"ä"},
  };
  for (const auto& r : rows) {
    EXPECT_EQ(tk_ltrim(r.in), r.left);
    EXPECT_EQ(tk_rtrim(r.in), r.right);
    EXPECT_EQ(tk_trim(r.in), r.both);
    EXPECT_EQ(tk_trim(tk_to_utf8(r.in)), tk_to_utf8(r.both));
  }
}

class TextTrace : public TraceTest {};

TEST_F(TextTrace, AllSpacesRightTrimIsTraced) {
  EXPECT_EQ(tk_rtrim(std::wstring_view(L"    ")), L"");
  EXPECT_TRUE(traced("Special processing for all-spaces-string"));
}

TEST_F(TextTrace, ToUpperChangesInPlaceAndTraces) {
  tk_wstring s(L"Größe");
  EXPECT_EQ(s.to_upper(), L"GRÖßE");
  EXPECT_EQ(s, L"GRÖßE");
  EXPECT_TRUE(traced("tk_wstring::to_upper(Größe)"));
}

TEST(Case, UpperCasingCoversUnicodeWhateverTheProcessLocale) {
  // The test program never calls setlocale, so the C locale is in force:
  // its own towupper would leave every one of these unchanged.
  ASSERT_STREQ(std::setlocale(LC_ALL, nullptr), "C");
  struct row {
    const wchar_t* in;
    const wchar_t* out;
  };
  const row rows[] = {
      {L"abc xyz 09_#$", L"ABC XYZ 09_#$"},
      {L"äöüé", L"ÄÖÜÉ"},
      {L"ß", L"ß"},  // one-to-one mappings only: ß has no single capital
      {L"ÿ", L"Ÿ"},
      {L"σς", L"ΣΣ"},
      {L"привет", L"ПРИВЕТ"},
      {L"ǆ", L"Ǆ"},
      {L"\U00010428", L"\U00010400"},  // Deseret, outside the 16-bit range
      {L"日本", L"日本"},
  };
  for (const auto& r : rows) {
    tk_wstring s(r.in);
    EXPECT_EQ(s.to_upper(), r.out) << tk_to_utf8(r.in);
  }
}

TEST(Compare, IgnoresCaseAcrossUnicode) {
  const std::pair<const wchar_t*, const wchar_t*> equal[] = {
      {L"Orders", L"ORDERS"}, {L"Ä", L"ä"}, {L"straße", L"STRAßE"}, {L"ΣΟΦΙΑ", L"σοφια"},
      {L"Ꙁ", L"ꙁ"},           {L"", L""},   {L"K", L"\u212A"},      {L"ſ", L"s"},
  };
  for (const auto& [a, b] : equal) {
    EXPECT_TRUE(tk_wcs_equal_nocase(a, b)) << tk_to_utf8(a);
    EXPECT_EQ(tk_wcs_compare_nocase(a, b), 0);
  }
  const std::pair<const wchar_t*, const wchar_t*> differ[] = {
      {L"a", L"b"}, {L"ab", L"a"}, {L"ä", L"a"}, {L"id", L"id "}, {L"ß", L"ss"}};
  for (const auto& [a, b] : differ) {
    EXPECT_FALSE(tk_wcs_equal_nocase(a, b)) << tk_to_utf8(a);
    EXPECT_EQ(tk_wcs_compare_nocase(a, b), -tk_wcs_compare_nocase(b, a));
  }
  EXPECT_LT(tk_wcs_compare_nocase(L"apple", L"BANANA"), 0);
  EXPECT_LT(tk_wcs_compare_nocase(L"a", L"AB"), 0);
}

TEST(CodePage, ConvertsValidTextBothWays) {
  std::wstring wide;
  ASSERT_TRUE(tk_ansi_to_wide("Größe \xF0\x9F\x98\x80", wide));
  EXPECT_EQ(wide, L"Größe \U0001F600");
  std::string narrow;
  ASSERT_TRUE(tk_wide_to_ansi(wide, narrow));
  EXPECT_EQ(narrow, "Größe \xF0\x9F\x98\x80");
  ASSERT_TRUE(tk_ansi_to_wide("", wide));
  EXPECT_EQ(wide, L"");
}

TEST(CodePage, RefusesNullAndMalformedInputAndKeepsTheOutput) {
  const std::string bad[] = {
      std::string("\xC3"),              // truncated two-byte sequence
      std::string("ab\xE2\x82"),        // truncated three-byte sequence at the end
      std::string("\xF0\x9F\x98"),      // truncated four-byte sequence
      std::string("\xC0\xAF"),          // overlong '/'
      std::string("\xED\xA0\x80"),      // encoded surrogate
      std::string("\xF4\x90\x80\x80"),  // above U+10FFFF
      std::string("\x80"),              // stray continuation byte
      std::string("\xFF"),
  };
  for (const auto& b : bad) {
    std::wstring out = L"kept";
    // From a view over exactly these bytes, with no terminator behind them.
    const std::vector<char> exact(b.begin(), b.end());
    EXPECT_FALSE(tk_ansi_to_wide(std::string_view(exact.data(), exact.size()), out));
    EXPECT_EQ(out, L"kept");
  }
  std::wstring out;
  EXPECT_FALSE(tk_ansi_to_wide(static_cast<const char*>(nullptr), out));
  std::string narrow = "kept";
  EXPECT_FALSE(tk_wide_to_ansi(static_cast<const wchar_t*>(nullptr), narrow));
  EXPECT_FALSE(tk_wide_to_ansi(std::wstring(1, static_cast<wchar_t>(0xD800)), narrow));
  EXPECT_FALSE(tk_wide_to_ansi(std::wstring(1, static_cast<wchar_t>(0x110000)), narrow));
  EXPECT_EQ(narrow, "kept");
}

TEST(Hex, EncodesHighNibbleFirstInUpperCase) {
  const uint8_t bytes[] = {0x00, 0xAB, 0x0F, 0xF0, 0xFF};
  EXPECT_EQ(tk_hex_encode(bytes, 2), "00AB");
  EXPECT_EQ(tk_hex_encode(bytes, 5), "00AB0FF0FF");
  EXPECT_EQ(tk_hex_encode(nullptr, 0), "");
  EXPECT_THROW(tk_hex_encode(nullptr, 1), tk_mail_assertion);
}

}  // namespace
