// The UTF-8 / UTF-16 codec shared by the toolkit and the embedded engine:
// one table of ill-formed and boundary inputs, checked against both layers'
// conversions so that text one layer refuses the other cannot take.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TK/tk_text.h"
#include "oraemb/utf.h"

namespace {

constexpr char16_t R = 0xFFFD;

struct Malformed {
  std::string bytes;
  std::u16string lossy;  // one U+FFFD per maximal ill-formed subpart
};

const std::vector<Malformed>& malformed() {
  static const std::vector<Malformed> rows = {
      {"\x80", {R}},                    // lone continuation byte
      {"\xC3", {R}},                    // truncated at the end
      {"ab\xE2\x82", {u'a', u'b', R}},  // truncated 3-byte sequence
      {"\xF0\x9F\x98", {R}},            // truncated 4-byte sequence
      {"\xE2\x82"
       "A",
       {R, u'A'}},                                // cut short by ASCII
      {"\xE2\x28\xA1", {R, u'(', R}},             // bad second byte
      {"\xC0\xAF", {R, R}},                       // overlong '/'
      {"\xC1\xBF", {R, R}},                       // overlong U+007F
      {"\xE0\x80\xAF", {R, R, R}},                // overlong, 3 bytes
      {"\xE0\x9F\xBF", {R, R, R}},                // overlong U+07FF
      {"\xF0\x80\x80\xAF", {R, R, R, R}},         // overlong, 4 bytes
      {"\xF0\x8F\xBF\xBF", {R, R, R, R}},         // overlong U+FFFF
      {"\xED\xA0\x80", {R, R, R}},                // high surrogate
      {"\xED\xBF\xBF", {R, R, R}},                // low surrogate
      {"\xF4\x90\x80\x80", {R, R, R, R}},         // above U+10FFFF
      {"\xF5\x80\x80\x80", {R, R, R, R}},         // lead byte past F4
      {"\xF8\x88\x80\x80\x80", {R, R, R, R, R}},  // 5-byte form
      {"\xFF", {R}},                              // never in UTF-8
      {"x\xF0\x9F\x98\x80\xF0\x9F"
       "y",
       {u'x', 0xD83D, 0xDE00, R, u'y'}},
  };
  return rows;
}

TEST(UtfCodec, IllFormedUtf8IsRefusedOrReplacedAlikeInEveryLayer) {
  for (const Malformed& m : malformed()) {
    SCOPED_TRACE(testing::PrintToString(m.bytes));
    // Exactly these bytes, nothing readable behind them (ASan checks).
    const std::vector<char> exact(m.bytes.begin(), m.bytes.end());
    const std::string_view view(exact.data(), exact.size());
    EXPECT_FALSE(tk_utf8_to_wide(view));
    EXPECT_EQ(tk_utf8_to_utf16(view), m.lossy);
    EXPECT_EQ(oraemb::utf8_to_utf16(m.bytes), m.lossy);
    EXPECT_EQ(oraemb::utf16_length(m.bytes), m.lossy.size());
  }
}

TEST(UtfCodec, BoundaryScalarsRoundTripInEveryLayer) {
  const std::string good[] = {
      "\x7F",
      "\xC2\x80",
      "\xDF\xBF",
      "\xE0\xA0\x80",
      "\xED\x9F\xBF",
      "\xEE\x80\x80",
      "\xEF\xBF\xBF",
      "\xF0\x90\x80\x80",
      "\xF4\x8F\xBF\xBF",
      "Gr\xC3\xB6\xC3\x9F"
      "e",
  };
  for (const std::string& g : good) {
    SCOPED_TRACE(testing::PrintToString(g));
    const auto wide = tk_utf8_to_wide(g);
    ASSERT_TRUE(wide);
    EXPECT_EQ(tk_to_utf8(*wide), g);
    const std::u16string units = oraemb::utf8_to_utf16(g);
    EXPECT_EQ(units, tk_utf8_to_utf16(g));
    EXPECT_EQ(oraemb::utf16_length(g), units.size());
    EXPECT_EQ(oraemb::utf16_to_utf8(units), g);
    EXPECT_EQ(tk_utf16_to_utf8(units), g);
  }
}

TEST(UtfCodec, UnpairedSurrogatesBecomeReplacementsInEveryLayer) {
  const std::u16string bad[] = {{0xD800}, {u'a', 0xDC00}, {0xD800, 0xD800}, {0xDC00, 0xD800}};
  for (const std::u16string& b : bad) {
    std::string expected;
    for (char16_t u : b)
      expected += u < 0x80 ? std::string(1, static_cast<char>(u)) : "\xEF\xBF\xBD";
    EXPECT_EQ(oraemb::utf16_to_utf8(b), expected);
    EXPECT_EQ(tk_utf16_to_utf8(b), expected);
  }
}

}  // namespace
