// The portable automation layer: BSTR and byte arrays, VariantChangeType by
// source type with the integer boundaries, exact CY / DECIMAL, and the DATE
// conversions with the en-US date parser.
#include "OLE/automation/oleauto.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace {

VARIANT make(VARTYPE vt) {
  VARIANT v;
  VariantInit(&v);
  v.vt = vt;
  return v;
}
VARIANT i4(int32_t x) {
  VARIANT v = make(VT_I4);
  v.lVal = x;
  return v;
}
VARIANT r8(double x) {
  VARIANT v = make(VT_R8);
  v.dblVal = x;
  return v;
}
VARIANT i8(int64_t x) {
  VARIANT v = make(VT_I8);
  v.llVal = x;
  return v;
}
VARIANT ui8(uint64_t x) {
  VARIANT v = make(VT_UI8);
  v.ullVal = x;
  return v;
}
VARIANT cy(int64_t scaled) {
  VARIANT v = make(VT_CY);
  v.cyVal.int64 = scaled;
  return v;
}
VARIANT boolean(bool b) {
  VARIANT v = make(VT_BOOL);
  v.boolVal = b ? VARIANT_TRUE : VARIANT_FALSE;
  return v;
}

// Owns a BSTR VARIANT built from text.
struct text_variant {
  VARIANT v;
  explicit text_variant(const char16_t* text) {
    VariantInit(&v);
    v.vt = VT_BSTR;
    v.bstrVal = SysAllocString(text);
  }
  ~text_variant() { VariantClear(&v); }
};

std::u16string text_of(const VARIANT& v) {
  return std::u16string(v.bstrVal, SysStringLen(v.bstrVal));
}

// Converts and answers the HRESULT; the result is left in out (cleared by caller).
HRESULT change(const VARIANT& src, VARTYPE vt, VARIANT& out) {
  VariantInit(&out);
  return VariantChangeType(&out, &src, 0, vt);
}

// The integer the conversion gives, or the failure code as text.
std::string int_result(const VARIANT& src, VARTYPE vt) {
  VARIANT out;
  const HRESULT hr = change(src, vt, out);
  if (hr == DISP_E_OVERFLOW) return "overflow";
  if (hr == DISP_E_TYPEMISMATCH) return "mismatch";
  if (FAILED(hr)) return "failed";
  switch (vt) {
    case VT_I1:
      return std::to_string(out.cVal);
    case VT_UI1:
      return std::to_string(out.bVal);
    case VT_I2:
      return std::to_string(out.iVal);
    case VT_UI2:
      return std::to_string(out.uiVal);
    case VT_I4:
      return std::to_string(out.lVal);
    case VT_UI4:
      return std::to_string(out.ulVal);
    case VT_I8:
      return std::to_string(out.llVal);
    case VT_UI8:
      return std::to_string(out.ullVal);
    default:
      return "?";
  }
}

std::string decimal_text(const DECIMAL& d) {
  BSTR b = nullptr;
  EXPECT_EQ(VarBstrFromDec(&d, LOCALE_USER_DEFAULT, 0, &b), S_OK);
  std::string s(b, b + SysStringLen(b));
  SysFreeString(b);
  return s;
}

}  // namespace

TEST(OleAutoBstr, KeepsLengthAndEmbeddedZeros) {
  const char16_t text[] = {u'a', 0, u'b'};
  BSTR b = SysAllocStringLen(text, 3);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(SysStringLen(b), 3u);
  EXPECT_EQ(SysStringByteLen(b), 6u);
  EXPECT_EQ(b[1], 0);
  EXPECT_EQ(b[3], 0);  // terminated
  SysFreeString(b);
  EXPECT_EQ(SysStringLen(nullptr), 0u);
  EXPECT_EQ(SysAllocString(nullptr), nullptr);
}

TEST(OleAutoBstr, ReAllocKeepsTheBlockOnlyWhileTheTextFitsAndIsNotFarSmaller) {
  const std::u16string long_text(40, u'x');
  BSTR b = nullptr;
  ASSERT_TRUE(SysReAllocStringLen(&b, long_text.data(), 40));  // from null: allocated
  ASSERT_NE(b, nullptr);
  const BSTR first = b;
  ASSERT_TRUE(SysReAllocStringLen(&b, u"abc", 3));  // fits: same block
  EXPECT_EQ(b, first);
  EXPECT_EQ(SysStringLen(b), 3u);
  EXPECT_EQ(std::u16string(b, 3), u"abc");
  EXPECT_EQ(b[3], 0);
  ASSERT_TRUE(SysReAllocStringLen(&b, nullptr, 2));  // null text gives zeros
  EXPECT_EQ(b, first);
  EXPECT_EQ(SysStringLen(b), 2u);
  EXPECT_EQ(b[0], 0);
  ASSERT_TRUE(SysReAllocStringLen(&b, u"", 0));
  EXPECT_EQ(SysStringLen(b), 0u);
  EXPECT_EQ(b[0], 0);
  // Longer than the block: a new one with the whole text.
  const std::u16string longer(5000, u'y');
  ASSERT_TRUE(SysReAllocStringLen(&b, longer.data(), 5000));
  EXPECT_EQ(SysStringLen(b), 5000u);
  EXPECT_EQ(std::u16string(b, 5000), longer);
  EXPECT_EQ(b[5000], 0);
  // A short text after a long one does not keep the long one's block.
  const BSTR large = b;
  ASSERT_TRUE(SysReAllocStringLen(&b, u"z", 1));
  EXPECT_NE(b, large);
  EXPECT_EQ(std::u16string(b, 1), u"z");
  SysFreeString(b);
  EXPECT_FALSE(SysReAllocStringLen(nullptr, u"z", 1));
}

TEST(OleAutoSafeArray, CreateRedimCopyAndLocks) {
  SAFEARRAYBOUND bound{3, 0};
  SAFEARRAY* a = SafeArrayCreate(VT_UI1, 1, &bound);
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(SafeArrayCreate(VT_I4, 1, &bound), nullptr);  // bytes only
  void* data = nullptr;
  ASSERT_EQ(SafeArrayAccessData(a, &data), S_OK);
  static_cast<uint8_t*>(data)[2] = 7;
  EXPECT_EQ(SafeArrayDestroy(a), DISP_E_ARRAYISLOCKED);
  SafeArrayUnaccessData(a);
  SAFEARRAYBOUND grown{5, 0};
  ASSERT_EQ(SafeArrayRedim(a, &grown), S_OK);
  int32_t lo = -1, hi = -1;
  SafeArrayGetLBound(a, 1, &lo);
  SafeArrayGetUBound(a, 1, &hi);
  EXPECT_EQ(lo, 0);
  EXPECT_EQ(hi, 4);
  SAFEARRAY* copy = nullptr;
  ASSERT_EQ(SafeArrayCopy(a, &copy), S_OK);
  EXPECT_EQ(static_cast<uint8_t*>(copy->pvData)[2], 7);
  EXPECT_EQ(static_cast<uint8_t*>(copy->pvData)[4], 0);  // growth is zero-filled
  EXPECT_EQ(SafeArrayDestroy(copy), S_OK);
  EXPECT_EQ(SafeArrayDestroy(a), S_OK);
}

TEST(OleAutoVariant, CopyDuplicatesOwnedValues) {
  text_variant t(u"abc");
  VARIANT copy;
  VariantInit(&copy);
  ASSERT_EQ(VariantCopy(&copy, &t.v), S_OK);
  EXPECT_NE(copy.bstrVal, t.v.bstrVal);
  EXPECT_EQ(text_of(copy), u"abc");
  EXPECT_EQ(VariantClear(&copy), S_OK);
  EXPECT_EQ(copy.vt, VT_EMPTY);
}

// From doubles to integers: halves to even, the range edges of each type.
TEST(OleAutoChangeType, FromDoubleRoundsHalfToEvenAndChecksRange) {
  const struct {
    double in;
    VARTYPE vt;
    const char* out;
  } cases[] = {
      {2.5, VT_I4, "2"},
      {3.5, VT_I4, "4"},
      {-2.5, VT_I4, "-2"},
      {-3.5, VT_I2, "-4"},
      {2.4999, VT_I2, "2"},
      {127.4, VT_I1, "127"},
      {127.5, VT_I1, "overflow"},
      {-128.5, VT_I1, "-128"},
      {-128.6, VT_I1, "overflow"},
      {255.5, VT_UI1, "overflow"},
      {-0.4, VT_UI1, "0"},
      {-0.6, VT_UI1, "overflow"},
      {32767.5, VT_I2, "overflow"},
      {65535.0, VT_UI2, "65535"},
      {2147483647.0, VT_I4, "2147483647"},
      {2147483647.5, VT_I4, "overflow"},
      {-2147483648.5, VT_I4, "-2147483648"},
      {4294967295.0, VT_UI4, "4294967295"},
      {4294967296.0, VT_UI4, "overflow"},
      {9.2233720368547748e18, VT_I8, "9223372036854774784"},
      {9.3e18, VT_I8, "overflow"},
      {1.8e19, VT_UI8, "18000000000000000000"},
      {NAN, VT_I4, "overflow"},
      {INFINITY, VT_I8, "overflow"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(int_result(r8(c.in), c.vt), c.out) << c.in << " vt " << c.vt;
}

TEST(OleAutoChangeType, FromIntegersChecksEveryBoundary) {
  const struct {
    VARIANT in;
    VARTYPE vt;
    const char* out;
  } cases[] = {
      {i4(127), VT_I1, "127"},
      {i4(128), VT_I1, "overflow"},
      {i4(-129), VT_I1, "overflow"},
      {i4(255), VT_UI1, "255"},
      {i4(256), VT_UI1, "overflow"},
      {i4(-1), VT_UI1, "overflow"},
      {i4(-32768), VT_I2, "-32768"},
      {i4(32768), VT_I2, "overflow"},
      {i4(65536), VT_UI2, "overflow"},
      {i8(INT32_MIN), VT_I4, "-2147483648"},
      {i8(int64_t{INT32_MAX} + 1), VT_I4, "overflow"},
      {i8(UINT32_MAX), VT_UI4, "4294967295"},
      {i8(-1), VT_UI8, "overflow"},
      {ui8(UINT64_MAX), VT_I8, "overflow"},
      {i8(INT64_MIN), VT_I8, "-9223372036854775808"},
      {boolean(true), VT_I2, "-1"},
      {boolean(true), VT_UI1, "255"},
      {boolean(false), VT_UI4, "0"},
      {cy(25000), VT_I4, "2"},
      {cy(35000), VT_I4, "4"},
      {cy(-25001), VT_I4, "-3"},
  };
  for (const auto& c : cases) EXPECT_EQ(int_result(c.in, c.vt), c.out) << "vt " << c.vt;
}

TEST(OleAutoChangeType, FromTextReadsEnUsNumbers) {
  const struct {
    const char16_t* in;
    VARTYPE vt;
    const char* out;
  } cases[] = {
      {u" 42 ", VT_I4, "42"},       {u"1,234", VT_I4, "1234"},    {u"2.5", VT_I2, "2"},
      {u"-1.5E2", VT_I4, "-150"},   {u"abc", VT_I4, "mismatch"},  {u"", VT_I4, "mismatch"},
      {u"1e30", VT_I8, "overflow"}, {u"300", VT_UI1, "overflow"}, {u"12abc", VT_I2, "mismatch"},
  };
  for (const auto& c : cases) {
    text_variant t(c.in);
    EXPECT_EQ(int_result(t.v, c.vt), c.out);
  }
}

TEST(OleAutoChangeType, BooleanTexts) {
  const struct {
    const char16_t* in;
    HRESULT hr;
    VARIANT_BOOL out;
  } cases[] = {
      {u"True", S_OK, VARIANT_TRUE}, {u"FALSE", S_OK, VARIANT_FALSE},  {u"0", S_OK, VARIANT_FALSE},
      {u"-7", S_OK, VARIANT_TRUE},   {u"yes", DISP_E_TYPEMISMATCH, 0},
  };
  for (const auto& c : cases) {
    text_variant t(c.in);
    VARIANT out;
    EXPECT_EQ(change(t.v, VT_BOOL, out), c.hr);
    if (c.hr == S_OK) {
      EXPECT_EQ(out.boolVal, c.out);
    }
  }
  VARIANT out;
  ASSERT_EQ(change(boolean(true), VT_BSTR, out), S_OK);
  EXPECT_EQ(text_of(out), u"-1");
  VariantClear(&out);
  VariantInit(&out);
  VARIANT t = boolean(true);
  ASSERT_EQ(VariantChangeType(&out, &t, VARIANT_ALPHABOOL, VT_BSTR), S_OK);
  EXPECT_EQ(text_of(out), u"True");
  VariantClear(&out);
}

TEST(OleAutoChangeType, NumbersToText) {
  const struct {
    VARIANT in;
    const char16_t* out;
  } cases[] = {
      {i4(-12), u"-12"},
      {r8(1.5), u"1.5"},
      {r8(0.1), u"0.1"},
      {r8(1e20), u"1E+20"},
      {cy(15000), u"1.5"},
      {cy(-5), u"-0.0005"},
      {cy(INT64_MAX), u"922337203685477.5807"},
      {ui8(UINT64_MAX), u"18446744073709551615"},
  };
  for (const auto& c : cases) {
    VARIANT out;
    ASSERT_EQ(change(c.in, VT_BSTR, out), S_OK);
    EXPECT_EQ(text_of(out), c.out);
    VariantClear(&out);
  }
}

TEST(OleAutoChangeType, EmptyAndNull) {
  VARIANT out;
  EXPECT_EQ(change(make(VT_EMPTY), VT_I4, out), S_OK);
  EXPECT_EQ(out.lVal, 0);
  EXPECT_EQ(change(make(VT_EMPTY), VT_BSTR, out), S_OK);
  EXPECT_EQ(SysStringLen(out.bstrVal), 0u);
  VariantClear(&out);
  EXPECT_EQ(change(make(VT_NULL), VT_I4, out), DISP_E_TYPEMISMATCH);
  EXPECT_EQ(change(make(VT_NULL), VT_NULL, out), S_OK);
  EXPECT_EQ(out.vt, VT_NULL);
  EXPECT_EQ(change(i4(1), VT_DISPATCH, out), DISP_E_BADVARTYPE);
}

TEST(OleAutoChangeType, InPlaceConversionFreesTheOldString) {
  text_variant t(u"12.75");
  ASSERT_EQ(VariantChangeType(&t.v, &t.v, 0, VT_CY), S_OK);
  EXPECT_EQ(t.v.vt, VT_CY);
  EXPECT_EQ(t.v.cyVal.int64, 127500);
}

TEST(OleAutoCurrency, ExtremesAndRounding) {
  CY c{};
  EXPECT_EQ(VarCyFromStr(u"922337203685477.5807", LOCALE_EN_US, 0, &c), S_OK);
  EXPECT_EQ(c.int64, INT64_MAX);
  EXPECT_EQ(VarCyFromStr(u"-922337203685477.5808", LOCALE_EN_US, 0, &c), S_OK);
  EXPECT_EQ(c.int64, INT64_MIN);
  EXPECT_EQ(VarCyFromStr(u"922337203685477.5808", LOCALE_EN_US, 0, &c), DISP_E_OVERFLOW);
  EXPECT_EQ(VarCyFromStr(u"1.00005", LOCALE_EN_US, 0, &c), S_OK);  // half to even
  EXPECT_EQ(c.int64, 10000);
  EXPECT_EQ(VarCyFromStr(u"1.00015", LOCALE_EN_US, 0, &c), S_OK);
  EXPECT_EQ(c.int64, 10002);
  EXPECT_EQ(VarCyFromStr(u"x", LOCALE_EN_US, 0, &c), DISP_E_TYPEMISMATCH);
  double d = 0;
  ASSERT_EQ(VarR8FromCy(CY{INT64_MAX}, &d), S_OK);
  EXPECT_EQ(d, 922337203685477.5807);  // correctly rounded, not int64 / 1e4 twice rounded
  ASSERT_EQ(VarR8FromCy(CY{15000}, &d), S_OK);
  EXPECT_EQ(d, 1.5);
}

TEST(OleAutoDecimal, TwentyEightDigitsAreExact) {
  DECIMAL dec{};
  ASSERT_EQ(VarDecFromStr(u"0.1234567890123456789012345678", LOCALE_EN_US, 0, &dec), S_OK);
  EXPECT_EQ(dec.scale, 28);
  EXPECT_EQ(decimal_text(dec), "0.1234567890123456789012345678");
  ASSERT_EQ(VarDecFromStr(u"79228162514264337593543950335", LOCALE_EN_US, 0, &dec), S_OK);
  EXPECT_EQ(decimal_text(dec), "79228162514264337593543950335");
  EXPECT_EQ(VarDecFromStr(u"79228162514264337593543950336", LOCALE_EN_US, 0, &dec),
            DISP_E_OVERFLOW);
  // 29 significant digits with a fraction: rounded to what fits in 96 bits.
  ASSERT_EQ(VarDecFromStr(u"7922816251426433759354395033.46", LOCALE_EN_US, 0, &dec), S_OK);
  EXPECT_EQ(decimal_text(dec), "7922816251426433759354395033.5");
  ASSERT_EQ(VarDecFromStr(u"-1.50", LOCALE_EN_US, 0, &dec), S_OK);
  EXPECT_EQ(decimal_text(dec), "-1.5");
  ASSERT_EQ(VarDecFromStr(u"1e-40", LOCALE_EN_US, 0, &dec), S_OK);
  EXPECT_EQ(decimal_text(dec), "0");
}

TEST(OleAutoDecimal, ConversionsToOtherTypes) {
  DECIMAL dec{};
  ASSERT_EQ(VarDecFromStr(u"2.5", LOCALE_EN_US, 0, &dec), S_OK);
  int32_t i = 0;
  ASSERT_EQ(VarI4FromDec(&dec, &i), S_OK);
  EXPECT_EQ(i, 2);
  ASSERT_EQ(VarDecFromStr(u"2147483647.5", LOCALE_EN_US, 0, &dec), S_OK);
  EXPECT_EQ(VarI4FromDec(&dec, &i), DISP_E_OVERFLOW);
  ASSERT_EQ(VarDecFromStr(u"0.1", LOCALE_EN_US, 0, &dec), S_OK);
  double d = 0;
  ASSERT_EQ(VarR8FromDec(&dec, &d), S_OK);
  EXPECT_EQ(d, 0.1);
  CY c{};
  ASSERT_EQ(VarDecFromStr(u"1.23456", LOCALE_EN_US, 0, &dec), S_OK);
  ASSERT_EQ(VarCyFromDec(&dec, &c), S_OK);
  EXPECT_EQ(c.int64, 12346);
  ASSERT_EQ(VarDecFromCy(CY{INT64_MIN}, &dec), S_OK);
  EXPECT_EQ(decimal_text(dec), "-922337203685477.5808");
  ASSERT_EQ(VarDecFromR8(0.1, &dec), S_OK);  // 15 digits: exactly 0.1
  EXPECT_EQ(decimal_text(dec), "0.1");
  EXPECT_EQ(dec.scale, 1);
  dec.scale = 29;
  EXPECT_EQ(VarR8FromDec(&dec, &d), E_INVALIDARG);
}

TEST(OleAutoDate, SystemTimeRoundTripsAcrossTheEpoch) {
  const struct {
    SYSTEMTIME st;
    double date;
  } cases[] = {
      {{1899, 12, 0, 30, 0, 0, 0, 0}, 0.0},    {{1900, 1, 0, 1, 12, 0, 0, 0}, 2.5},
      {{1899, 12, 0, 29, 6, 0, 0, 0}, -1.25},  {{1800, 1, 0, 1, 0, 0, 0, 0}, -36522.0},
      {{100, 1, 0, 1, 0, 0, 0, 0}, -657434.0}, {{9999, 12, 0, 31, 0, 0, 0, 0}, 2958465.0},
      {{2000, 2, 0, 29, 0, 0, 0, 0}, 36585.0},
  };
  for (const auto& c : cases) {
    double d = 99;
    ASSERT_TRUE(SystemTimeToVariantTime(&c.st, &d));
    EXPECT_DOUBLE_EQ(d, c.date);
    SYSTEMTIME back{};
    ASSERT_TRUE(VariantTimeToSystemTime(c.date, &back));
    EXPECT_EQ(back.wYear, c.st.wYear);
    EXPECT_EQ(back.wMonth, c.st.wMonth);
    EXPECT_EQ(back.wDay, c.st.wDay);
    EXPECT_EQ(back.wHour, c.st.wHour);
  }
}

TEST(OleAutoDate, RejectsWhatIsNotADate) {
  double d = 0;
  const SYSTEMTIME bad[] = {{1900, 2, 0, 29, 0, 0, 0, 0},
                            {10000, 1, 0, 1, 0, 0, 0, 0},
                            {99, 1, 0, 1, 0, 0, 0, 0},
                            {2000, 13, 0, 1, 0, 0, 0, 0},
                            {2000, 1, 0, 1, 24, 0, 0, 0}};
  for (const auto& st : bad) EXPECT_FALSE(SystemTimeToVariantTime(&st, &d)) << st.wYear;
  SYSTEMTIME st{};
  EXPECT_FALSE(VariantTimeToSystemTime(2958466.0, &st));
  EXPECT_FALSE(VariantTimeToSystemTime(-657435.0, &st));
  EXPECT_FALSE(VariantTimeToSystemTime(NAN, &st));
  // A time alone is the fraction of day 0.
  const SYSTEMTIME time_only{0, 0, 0, 0, 18, 0, 0, 0};
  ASSERT_TRUE(SystemTimeToVariantTime(&time_only, &d));
  EXPECT_DOUBLE_EQ(d, 0.75);
}

TEST(OleAutoDate, RoundsToTheSecondAndCarriesIntoTheNextDay) {
  SYSTEMTIME st{};
  ASSERT_TRUE(VariantTimeToSystemTime(1.0 - 0.4 / 86400, &st));  // 23:59:59.6
  EXPECT_EQ(st.wDay, 31);
  EXPECT_EQ(st.wMonth, 12);
  EXPECT_EQ(st.wYear, 1899);
  EXPECT_EQ(st.wHour, 0);
  EXPECT_EQ(st.wDayOfWeek, 0);  // 1899-12-31 was a Sunday
}

TEST(OleAutoDate, ParsesEnUsTexts) {
  const struct {
    const char16_t* in;
    int y, m, d, h, mi, s;
  } cases[] = {
      {u"12/31/2010", 2010, 12, 31, 0, 0, 0},
      {u"12-31-10", 2010, 12, 31, 0, 0, 0},
      {u"1/2/30", 1930, 1, 2, 0, 0, 0},
      {u"1/2/29", 2029, 1, 2, 0, 0, 0},
      {u"31/12/2010", 2010, 12, 31, 0, 0, 0},
      {u"2010-12-31 10:20:30", 2010, 12, 31, 10, 20, 30},
      {u"December 31, 2010", 2010, 12, 31, 0, 0, 0},
      {u"31-Dec-10", 2010, 12, 31, 0, 0, 0},
      {u"Friday, Dec 31 2010 11:30 PM", 2010, 12, 31, 23, 30, 0},
      {u"sept 5 1850 12:15 am", 1850, 9, 5, 0, 15, 0},
      {u"Dec 2010", 2010, 12, 1, 0, 0, 0},
      {u"10:20 1/2/2003", 2003, 1, 2, 10, 20, 0},
      {u"10 PM", 1899, 12, 30, 22, 0, 0},
      {u"12/31/2010 23:59:59.6", 2011, 1, 1, 0, 0, 0},
  };
  for (const auto& c : cases) {
    DATE date = 0;
    ASSERT_EQ(VarDateFromStr(c.in, LOCALE_EN_US, 0, &date), S_OK)
        << std::string(c.in, c.in + std::char_traits<char16_t>::length(c.in));
    SYSTEMTIME st{};
    ASSERT_TRUE(VariantTimeToSystemTime(date, &st));
    EXPECT_EQ(std::vector<int>({st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond}),
              std::vector<int>({c.y, c.m, c.d, c.h, c.mi, c.s}));
  }
}

TEST(OleAutoDate, RefusesOtherTexts) {
  const char16_t* bad[] = {u"31.12.2010",  u"2010.12.31", u"12.31.2010",  u"2/30/2010",
                           u"13/13/2010",  u"2010",       u"abc",         u"25:00",
                           u"1/2/3/4",     u"Dec Jan 5",  u"12/31/10000", u"",
                           u"10:20 11:30", u"13 PM"};
  for (const char16_t* text : bad) {
    DATE date = 0;
    EXPECT_TRUE(FAILED(VarDateFromStr(text, LOCALE_EN_US, 0, &date)))
        << std::string(text, text + std::char_traits<char16_t>::length(text));
  }
}

TEST(OleAutoDate, PrintsEnUsText) {
  BSTR b = nullptr;
  ASSERT_EQ(VarBstrFromDate(40543.75, LOCALE_EN_US, 0, &b), S_OK);
  EXPECT_EQ(std::u16string(b, SysStringLen(b)), u"12/31/2010 6:00:00 PM");
  SysFreeString(b);
  ASSERT_EQ(VarBstrFromDate(0.5, LOCALE_EN_US, 0, &b), S_OK);
  EXPECT_EQ(std::u16string(b, SysStringLen(b)), u"12:00:00 PM");
  SysFreeString(b);
}
