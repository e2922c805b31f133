// Text utilities: trimming, upper-casing and case-insensitive comparison of
// non-ASCII text, the code page conversions with malformed input, and hex.
#include <clocale>

#include "TK/tk_codepage.h"
#include "TK/tk_compare.h"
#include "TK/tk_hex.h"
#include "TK/tk_text.h"
#include "TK/tk_wstring.h"
#include "tk_test_support.h"

namespace {

class TextTrace : public TraceTest {};

TEST_F(TextTrace, TrimRemovesOnlySpaces) {
  EXPECT_EQ(tk_trim(std::wstring_view(L"   ")), L"");
  EXPECT_EQ(tk_trim(std::string_view(" a b ")), "a b");
  EXPECT_EQ(tk_ltrim(std::wstring_view(L" \tä ")), L"\tä ");
  EXPECT_EQ(tk_rtrim(std::wstring_view(L"    ")), L"");
  EXPECT_TRUE(traced("Special processing for all-spaces-string"));
}

TEST_F(TextTrace, ToUpperCoversUnicodeWhateverTheProcessLocale) {
  // No setlocale here: the C locale's own towupper would leave ä alone.
  ASSERT_STREQ(std::setlocale(LC_ALL, nullptr), "C");
  const std::pair<const wchar_t*, const wchar_t*> rows[] = {
      {L"Größe", L"GRÖßE"},  // one-to-one mappings: ß has no single capital
      {L"ÿσς", L"ŸΣΣ"},
      {L"привет 09_#", L"ПРИВЕТ 09_#"},
      {L"\U00010428", L"\U00010400"},
  };
  for (const auto& [in, out] : rows) {
    tk_wstring s(in);
    EXPECT_EQ(s.to_upper(), out);
    EXPECT_EQ(s, out);  // in place
  }
  EXPECT_TRUE(traced("tk_wstring::to_upper(Größe)"));
}

TEST(Compare, IgnoresCaseAcrossUnicode) {
  EXPECT_TRUE(tk_wcs_equal_nocase(L"Ärger", L"äRGER"));
  EXPECT_TRUE(tk_wcs_equal_nocase(L"ΣΟΦΙΑ", L"σοφια"));
  EXPECT_TRUE(tk_wcs_equal_nocase(L"K", L"\u212A"));  // Kelvin sign
  EXPECT_FALSE(tk_wcs_equal_nocase(L"ä", L"a"));
  EXPECT_FALSE(tk_wcs_equal_nocase(L"ß", L"ss"));
  EXPECT_FALSE(tk_wcs_equal_nocase(L"id", L"id "));
  EXPECT_LT(tk_wcs_compare_nocase(L"apple", L"BANANA"), 0);
  EXPECT_GT(tk_wcs_compare_nocase(L"AB", L"a"), 0);
}

TEST(CodePage, RefusesNullAndMalformedInputAndKeepsTheOutput) {
  std::wstring wide;
  ASSERT_TRUE(tk_ansi_to_wide("Größe \xF0\x9F\x98\x80", wide));
  EXPECT_EQ(wide, L"Größe \U0001F600");
  const std::string bad[] = {"\xC3",         "ab\xE2\x82",       "\xF0\x9F\x98", "\xC0\xAF",
                             "\xED\xA0\x80", "\xF4\x90\x80\x80", "\x80"};
  for (const auto& b : bad) {
    // A view over exactly these bytes, no terminator behind them (ASan checks).
    const std::vector<char> exact(b.begin(), b.end());
    EXPECT_FALSE(tk_ansi_to_wide(std::string_view(exact.data(), exact.size()), wide));
  }
  EXPECT_FALSE(tk_ansi_to_wide(static_cast<const char*>(nullptr), wide));
  EXPECT_EQ(wide, L"Größe \U0001F600");
  std::string narrow = "kept";
  EXPECT_FALSE(tk_wide_to_ansi(std::wstring(1, static_cast<wchar_t>(0xD800)), narrow));
  EXPECT_EQ(narrow, "kept");
}

TEST(Hex, EncodesHighNibbleFirstInUpperCase) {
  const uint8_t bytes[] = {0x00, 0xAB, 0x0F};
  EXPECT_EQ(tk_hex_encode(bytes, 3), "00AB0F");
  EXPECT_THROW(tk_hex_encode(nullptr, 1), tk_mail_assertion);
}

}  // namespace

// A file name that is not UTF-8 comes back byte for byte through wide text
// and UTF-16; UTF-8 names convert as text, and text that merely looks like
// an escaped byte (an encoded surrogate) stays as its bytes too.
TEST(FileNames, BytesThatAreNoUtf8SurviveTheRoundTrip) {
  const std::string names[] = {"caf\xE9.mdb",  "plain.mdb",      "\xC3\xA9t\xC3\xA9.accdb",
                               "\xFF\xFE\x80", "a\xED\xB2\x80z", "\xE2\x82"};
  for (const std::string& name : names) {
    const std::wstring wide = tk_file_name_to_wide(name);
    EXPECT_EQ(tk_file_name_from_wide(wide), name);
    EXPECT_EQ(tk_file_name_from_utf16(tk_file_name_to_utf16(wide)), name);
  }
  EXPECT_EQ(tk_file_name_to_wide("\xC3\xA9"), L"\x00e9");
  EXPECT_EQ(tk_file_name_to_wide("caf\xE9").back(), static_cast<wchar_t>(0xDCE9));
}
