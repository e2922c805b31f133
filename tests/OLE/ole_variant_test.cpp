// ole_variant: construction and copies, the text forms of every type,
// reading text as each type, change_type in its order of cases, and the
// round trip of doubles through their text (the Oracle literal).
#include "OLE/ole_variant.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <random>

#include "TK/tk_trace.h"

namespace {

std::string text(const ole_variant& v) {
  return v.to_string();
}

ole_variant cy_of(int64_t scaled) {
  return ole_variant(CY{scaled});
}

ole_variant dec_of(const char16_t* s) {
  DECIMAL d{};
  EXPECT_EQ(VarDecFromStr(s, LOCALE_EN_US, 0, &d), S_OK);
  return ole_variant(d);
}

uint64_t bits_of(double d) {
  uint64_t b;
  std::memcpy(&b, &d, sizeof b);
  return b;
}

}  // namespace

TEST(OleVariant, ConstructorsSetTypeAndValue) {
  EXPECT_EQ(ole_variant().get_type(), VT_EMPTY);
  EXPECT_EQ(ole_variant(true).get_variant().boolVal, VARIANT_TRUE);
  EXPECT_EQ(ole_variant(static_cast<signed char>(-5)).get_type(), VT_I1);
  EXPECT_EQ(ole_variant(static_cast<unsigned char>(5)).get_type(), VT_UI1);
  EXPECT_EQ(ole_variant(static_cast<short>(5)).get_type(), VT_I2);
  EXPECT_EQ(ole_variant(static_cast<unsigned short>(5)).get_type(), VT_UI2);
  EXPECT_EQ(ole_variant(5).get_type(), VT_I4);
  EXPECT_EQ(ole_variant(5u).get_type(), VT_UI4);
  EXPECT_EQ(ole_variant(int64_t{5}).get_i8(), 5);
  EXPECT_EQ(ole_variant(uint64_t{5}).get_type(), VT_UI8);
  EXPECT_EQ(ole_variant(1.5f).get_type(), VT_R4);
  EXPECT_EQ(ole_variant("abc").get_type(), VT_BSTR);  // text, not bool
  EXPECT_EQ(ole_variant(L"abc").to_wstring(), L"abc");
  EXPECT_EQ(ole_variant(std::wstring(L"a\0b", 3)).to_wstring().size(), 3u);
  EXPECT_EQ(text(ole_variant(std::string("\xc3\xa9t\xc3\xa9"))), "\xc3\xa9t\xc3\xa9");
  const SYSTEMTIME st{1850, 6, 0, 1, 10, 0, 0, 0};
  const ole_variant date(st);
  EXPECT_EQ(date.get_type(), VT_DATE);
  EXPECT_LT(date.get_variant().date, 0);
  EXPECT_EQ(text(date), "1850-06-01 10:00:00");
  const SYSTEMTIME late{10000, 1, 0, 1, 0, 0, 0, 0};  // beyond DATE: the text still works
  EXPECT_EQ(text(ole_variant(late)), "10000-01-01");
}

TEST(OleVariant, CopiesAreDeep) {
  const ole_variant bytes(std::vector<uint8_t>{1, 2, 3});
  ole_variant copy(bytes);
  const uint8_t* a = nullptr;
  const uint8_t* b = nullptr;
  ASSERT_EQ(copy.get_bytes(&a), 3u);
  ASSERT_EQ(bytes.get_bytes(&b), 3u);
  EXPECT_NE(a, b);
  ole_variant target(L"old");
  target = bytes;
  EXPECT_EQ(text(target), "0x010203");
  target = ole_variant(int64_t{-7});
  EXPECT_EQ(text(target), "-7");
  target = ole_variant(SYSTEMTIME{2010, 12, 0, 31, 0, 0, 0, 0});
  EXPECT_EQ(text(target), "2010-12-31");
  target = target;
  EXPECT_EQ(text(target), "2010-12-31");
  target = L"wide";
  EXPECT_EQ(target.to_wstring(), L"wide");
}

TEST(OleVariant, ToStringOfEachType) {
  const struct {
    ole_variant v;
    const char* out;
  } cases[] = {
      {ole_variant(static_cast<short>(-32768)), "-32768"},
      {ole_variant(static_cast<unsigned char>(255)), "255"},
      {ole_variant(4294967295u), "4294967295"},
      {ole_variant(INT64_MIN), "-9223372036854775808"},
      {ole_variant(UINT64_MAX), "18446744073709551615"},
      {ole_variant(1.5), "1.500000000000000e+00"},
      {ole_variant(0.1), "1.000000000000000e-01"},
      {ole_variant(1.5f), "1.500000e+00"},
      {ole_variant(true), "1"},
      {ole_variant(false), "0"},
      {cy_of(15000), "1.5"},
      {cy_of(INT64_MAX), "922337203685477.5807"},
      {dec_of(u"-1234567890123456789.012345678"), "-1234567890123456789.012345678"},
      {ole_variant(std::vector<uint8_t>{0x0a, 0x1b}), "0x0A1B"},
      {ole_variant(std::vector<uint8_t>{}), ""},
      {ole_variant(), ""},
  };
  for (const auto& c : cases) EXPECT_EQ(text(c.v), c.out);
}

// Values whose 16 (or 7) digits do not read back get the digits they need.
TEST(OleVariant, ToStringOfDoublesAndFloatsReadsBack) {
  EXPECT_EQ(text(ole_variant(0.1 + 0.2)), "3.0000000000000004e-01");
  EXPECT_EQ(text(ole_variant(16777217.0)), "1.677721700000000e+07");
  EXPECT_EQ(text(ole_variant(0.1f)), "1.000000e-01");
  EXPECT_EQ(text(ole_variant(std::nextafter(1.0f, 2.0f))), "1.0000001e+00");
  EXPECT_EQ(text(ole_variant(-0.0)), "-0.000000000000000e+00");
}

TEST(OleVariant, BoolHoldingOneIsNotTrue) {
  VARIANT raw;
  VariantInit(&raw);
  raw.vt = VT_BOOL;
  raw.boolVal = 1;
  EXPECT_EQ(text(ole_variant(raw)), "0");
}

TEST(OleVariant, LargeByteArraysPrintTheirFirst327680Bytes) {
  const ole_variant v(std::vector<uint8_t>(327681, 0xAB));
  const std::string s = text(v);
  EXPECT_EQ(s.size(), 2u + 655360u);
  EXPECT_EQ(s.substr(0, 4), "0xAB");
}

TEST(OleVariant, ToLongAndToDouble) {
  EXPECT_EQ(ole_variant(true).to_long(), -1);
  EXPECT_EQ(ole_variant(-2.9).to_long(), -2);
  EXPECT_EQ(ole_variant(1e300).to_long(), INT32_MIN);  // no undefined conversion
  EXPECT_EQ(ole_variant(4294967295u).to_double(), 4294967295.0);
  EXPECT_EQ(ole_variant(int64_t{1} << 40).to_double(), 1099511627776.0);
  EXPECT_EQ(ole_variant(UINT64_MAX).to_double(), 18446744073709551615.0);
  EXPECT_EQ(ole_variant(int64_t{1} << 40).to_long(), 0);  // the low 32 bits
  EXPECT_EQ(cy_of(-25000).to_double(), -2.5);
  EXPECT_EQ(dec_of(u"2.5").to_long(), 2);
  EXPECT_EQ(ole_variant().to_double(), 0.0);
  EXPECT_THROW(ole_variant(L"x").to_double(), tk_mail_assertion);
  EXPECT_THROW(ole_variant(cy_of(1)).to_long(), tk_mail_assertion);
}

TEST(OleVariant, FromStringByType) {
  const struct {
    const char* in;
    VARTYPE vt;
    VARTYPE out_vt;
    const char* out;
  } cases[] = {
      {"  -12abc", VT_I2, VT_I2, "-12"},
      {"70000", VT_I2, VT_I2, "4464"},
      {"x", VT_I4, VT_I4, "0"},
      {"4294967295", VT_UI4, VT_UI4, "4294967295"},
      {"-9223372036854775808", VT_I8, VT_I8, "-9223372036854775808"},
      {"18446744073709551615", VT_UI8, VT_UI8, "18446744073709551615"},
      {"1,5", VT_R8, VT_R8, "1.500000000000000e+00"},
      {"1.5", VT_R4, VT_R4, "1.500000e+00"},
      {"922337203685477,5807", VT_CY, VT_CY, "922337203685477.5807"},
      {"1e40", VT_CY, VT_EMPTY, ""},
      {"abc", VT_DECIMAL, VT_EMPTY, ""},
      {"0.1234567890123456789012345678", VT_DECIMAL, VT_DECIMAL, "0.1234567890123456789012345678"},
      {"YES", VT_BOOL, VT_BOOL, "1"},
      {"False", VT_BOOL, VT_BOOL, "0"},
      {"7", VT_BOOL, VT_BOOL, "1"},
      {"abc", VT_BOOL, VT_BOOL, "0"},
      {"0x0a1b", VT_BYTE_ARRAY, VT_BYTE_ARRAY, "0x0A1B"},
      {"0A1B", VT_BLOB, VT_BYTE_ARRAY, "0x0A1B"},
      {"0a1", VT_BYTE_ARRAY, VT_EMPTY, ""},
      {"G11G", VT_BYTE_ARRAY, VT_BYTE_ARRAY, "0x0001"},
      {"", VT_I4, VT_EMPTY, ""},
      {"31.12.1850", VT_DATE, VT_DATE, "1850-12-31"},
      {"garbage", VT_DATE, VT_EMPTY, ""},
      {"42", VT_INT, VT_INT, ""},
  };
  for (const auto& c : cases) {
    const ole_variant v = ole_variant::from_string(c.in, c.vt);
    EXPECT_EQ(v.get_type(), c.out_vt) << c.in;
    EXPECT_EQ(text(v), c.out) << c.in;
  }
  EXPECT_EQ(ole_variant::from_string("", VT_BSTR).get_type(), VT_BSTR);
  EXPECT_EQ(ole_variant::from_string("42", VT_INT).get_variant().intVal, 42);
  EXPECT_THROW(ole_variant::from_string("abc", VT_INT), ole_type_exception);
  EXPECT_THROW(ole_variant::from_string("1", VT_NULL), ole_type_exception);
}

TEST(OleVariant, FromWstring) {
  EXPECT_EQ(ole_variant::from_wstring(L"\u00e9", VT_BSTR).to_wstring(), L"\u00e9");
  EXPECT_EQ(ole_variant::from_wstring(L"", VT_BSTR).get_type(), VT_BSTR);
  EXPECT_EQ(text(ole_variant::from_wstring(L"12", VT_UI1)), "12");
}

// Every double reads back from its text with the same bits.
TEST(OleVariant, DoubleTextRoundTripProperty) {
  std::mt19937_64 rng(20240607);
  for (int i = 0; i < 20000; ++i) {
    uint64_t b = rng();
    double d;
    std::memcpy(&d, &b, sizeof d);
    if (d != d) continue;  // NaN
    const ole_variant back = ole_variant::from_string(text(ole_variant(d)), VT_R8);
    ASSERT_EQ(bits_of(back.get_variant().dblVal), b) << text(ole_variant(d));
  }
  std::uniform_real_distribution<double> unit(-1e6, 1e6);
  for (int i = 0; i < 20000; ++i) {
    const double d = unit(rng);
    ASSERT_EQ(bits_of(ole_variant::from_string(text(ole_variant(d)), VT_R8).get_variant().dblVal),
              bits_of(d));
    const float f = static_cast<float>(d);
    ASSERT_EQ(ole_variant::from_string(text(ole_variant(f)), VT_R4).get_variant().fltVal, f);
  }
}

TEST(OleVariantChangeType, NothingToDo) {
  ole_variant null_value;
  VARIANT raw;
  VariantInit(&raw);
  raw.vt = VT_NULL;
  null_value = ole_variant(raw);
  null_value.change_type(VT_I4);
  EXPECT_EQ(null_value.get_type(), VT_NULL);
  ole_variant bytes(std::vector<uint8_t>{1});
  bytes.change_type(VT_BLOB);
  EXPECT_EQ(bytes.get_type(), VT_BYTE_ARRAY);
}

TEST(OleVariantChangeType, From64BitIntegers) {
  const struct {
    int64_t in;
    VARTYPE vt;
    const char* out;
  } cases[] = {
      {5, VT_CY, "5"},
      {0x12345, VT_I2, "9029"},
      {-1, VT_UI1, "255"},
      {0x100000001, VT_I4, "1"},
      {-3, VT_R8, "-3.000000000000000e+00"},
      {-3, VT_UI8, "18446744073709551613"},
      {-42, VT_BSTR, "-42"},
      {INT64_MAX, VT_DECIMAL, "9223372036854775807"},
      {5, VT_DECIMAL, "5"},
  };
  for (const auto& c : cases) {
    ole_variant v(c.in);
    v.change_type(c.vt);
    EXPECT_EQ(v.get_type(), c.vt);
    EXPECT_EQ(text(v), c.out) << c.in;
  }
  ole_variant cy(int64_t{5});
  cy.change_type(VT_CY);
  EXPECT_EQ(cy.get_variant().cyVal.int64, 50000);
  ole_variant b(int64_t{1});
  b.change_type(VT_BOOL);
  EXPECT_EQ(b.get_variant().boolVal, 1);  // the bits as they are
  ole_variant too_big(INT64_MAX);
  EXPECT_THROW(too_big.change_type(VT_CY), ole_cast_exception);  // no silent wrap
  ole_variant unknown(int64_t{1});
  EXPECT_THROW(unknown.change_type(VT_DATE), ole_cast_exception);
}

TEST(OleVariantChangeType, To64BitIntegers) {
  const struct {
    ole_variant in;
    VARTYPE vt;
    const char* out;
  } cases[] = {
      {ole_variant(static_cast<short>(-2)), VT_I8, "-2"},
      {ole_variant(4294967295u), VT_I8, "4294967295"},
      {ole_variant(-2.9), VT_I8, "-2"},
      {ole_variant(true), VT_UI8, "18446744073709551615"},
      {cy_of(25000), VT_I8, "3"},
      {cy_of(-25000), VT_I8, "-2"},
      {cy_of(-27000), VT_I8, "-3"},
      {cy_of(24999), VT_I8, "2"},
      {dec_of(u"7.5"), VT_I8, "8"},
      {ole_variant(1.8e19), VT_UI8, "18000000000000000000"},
  };
  for (const auto& c : cases) {
    ole_variant v(c.in);
    v.change_type(c.vt);
    EXPECT_EQ(text(v), c.out);
  }
  ole_variant huge(1e300);
  EXPECT_THROW(huge.change_type(VT_I8), ole_cast_exception);
  ole_variant negative(-1.0);
  EXPECT_THROW(negative.change_type(VT_UI8), ole_cast_exception);
  ole_variant textual(L"5");
  EXPECT_THROW(textual.change_type(VT_I8), ole_cast_exception);
}

TEST(OleVariantChangeType, Dates) {
  ole_variant date(SYSTEMTIME{1850, 12, 0, 31, 10, 20, 30, 0});
  date.change_type(VT_BSTR);
  EXPECT_EQ(date.to_wstring(), L"1850-12-31 10:20:30");
  ole_variant full(L"2010-12-31 10:20:30");
  full.change_type(VT_DATE);
  EXPECT_EQ(full.get_type(), VT_DATE);
  EXPECT_EQ(text(full), "2010-12-31 10:20:30");
  ole_variant short_text(L"2010-12-31");
  EXPECT_THROW(short_text.change_type(VT_DATE), ole_cast_exception);
  ole_variant unreadable(L"2010-13-45 10:20:30");
  EXPECT_THROW(unreadable.change_type(VT_DATE), ole_cast_exception);
  ole_variant to_number(SYSTEMTIME{2010, 12, 0, 31, 0, 0, 0, 0});
  EXPECT_THROW(to_number.change_type(VT_R8), ole_cast_exception);
}

TEST(OleVariantChangeType, ScalarsToBytes) {
  const struct {
    ole_variant in;
    const char* out;
  } cases[] = {
      {ole_variant(static_cast<short>(0x0102)), "0x0201"},
      {ole_variant(1.0f), "0x0000803F"},
      {cy_of(1), "0x0100000000000000"},
      {ole_variant(static_cast<unsigned char>(7)), "0x07"},
      {ole_variant(std::string("A\xc3\xa9")), "0x41C3A9"},  // the text in UTF-8
  };
  for (const auto& c : cases) {
    ole_variant v(c.in);
    v.change_type(VT_BYTE_ARRAY);
    EXPECT_EQ(v.get_type(), VT_BYTE_ARRAY);
    EXPECT_EQ(text(v), c.out);
  }
  // Dates and 64-bit integers have their own cases first, which take no bytes.
  ole_variant date(SYSTEMTIME{2010, 12, 0, 31, 0, 0, 0, 0});
  EXPECT_THROW(date.change_type(VT_BYTE_ARRAY), ole_cast_exception);
  ole_variant hyper(int64_t{-1});
  EXPECT_THROW(hyper.change_type(VT_BYTE_ARRAY), ole_cast_exception);
  ole_variant dec = dec_of(u"1");
  dec.change_type(VT_BLOB);
  const uint8_t* bytes = nullptr;
  ASSERT_EQ(dec.get_bytes(&bytes), 16u);
  EXPECT_EQ(bytes[8], 1);  // Lo32
}

TEST(OleVariantChangeType, OtherPairsGoThroughVariantChangeType) {
  ole_variant v(2.5);
  v.change_type(VT_I4);
  EXPECT_EQ(text(v), "2");  // half to even
  ole_variant s(L"12.5");
  s.change_type(VT_CY);
  EXPECT_EQ(text(s), "12.5");
  ole_variant big(70000);
  EXPECT_THROW(big.change_type(VT_I2), ole_cast_exception);
  ole_variant bad(L"abc");
  EXPECT_THROW(bad.change_type(VT_R8), ole_cast_exception);
  ole_variant bytes(std::vector<uint8_t>{1});
  EXPECT_THROW(bytes.change_type(VT_I4), ole_cast_exception);
}

TEST(OleVariant, ByteArraysResizeInPlace) {
  ole_variant v;
  v.attach_binary(std::vector<uint8_t>{});
  v.attach_binary(std::vector<uint8_t>{9, 8});  // an empty array can grow
  EXPECT_EQ(text(v), "0x0908");
  v.allocate_safe_array(3);
  EXPECT_EQ(text(v), "0x090800");
  EXPECT_THROW(v.attach_binary(1, nullptr), tk_mail_assertion);
  ole_variant s(L"x");
  const uint8_t* p = nullptr;
  EXPECT_THROW(s.get_bytes(&p), tk_mail_assertion);
  EXPECT_EQ(ole_variant().get_bytes(&p), 0u);
}

// With tracing on, the lines name the operations and carry the values.
TEST(OleVariant, TraceLinesNameTheOperations) {
  const std::string path = ::testing::TempDir() + "ole_trace.log";
  std::remove(path.c_str());
  {
    tk_log log(path, true, 1, false);
    ole_variant v = ole_variant::from_string("1,5", VT_R8);
    v.change_type(VT_BSTR);
    (void)ole_variant::from_string("12/31/2010", VT_DATE);
    (void)ole_variant::from_wstring(L"\u00e9", VT_BSTR).to_string();
  }
  std::ifstream in(path);
  const std::string log((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_NE(log.find("ole_variant::from_string('1,5', 0x00000005)"), std::string::npos);
  EXPECT_NE(log.find("ole_variant::change_type(old=5,new=8)"), std::string::npos);
  EXPECT_NE(log.find("Got datetime using Microsoft API"), std::string::npos);
  EXPECT_NE(log.find("ole_variant::attach_wstring('\xc3\xa9')"), std::string::npos);
  std::remove(path.c_str());
}
