// Oracle SQL text of the model: column types, literals, defaults, GUIDs, the
// version banner, and the number and date readings of fetched values. None
// of these needs a server.
#include "ORA/ora_util.h"

#include <gtest/gtest.h>

#include "ORA/ora_engine.h"
#include "ORA/ora_type.h"

namespace {

t_ftd column(VARTYPE vt, uint32_t size = 0, uint32_t extra = 0, const wchar_t* def = nullptr) {
  return t_ftd(size, L"C", vt, false, false, def ? ole_variant(def) : ole_variant(), extra);
}

struct type_case {
  VARTYPE vt;
  uint32_t size;
  uint32_t extra;
  const wchar_t* expected;
};

TEST(OraNativeType, MapsEveryVariantTypeWithItsSizeBounds) {
  const type_case cases[] = {
      {VT_I2, 0, 0, L"NUMBER(5,0)"},
      {VT_UI1, 0, 0, L"NUMBER(5,0)"},
      {VT_I4, 0, 0, L"NUMBER(11,0)"},
      {VT_UI2, 0, 0, L"NUMBER(11,0)"},
      {VT_INT, 0, 0, L"NUMBER(11,0)"},
      {VT_R4, 0, 0, L"NUMBER"},
      {VT_R8, 0, 0, L"NUMBER"},
      {VT_CY, 0, 0, L"NUMBER"},
      {VT_DATE, 0, 0, L"DATE"},
      {VT_BSTR, 50, 0, L"NVARCHAR2(50) "},
      {VT_BSTR, 1, 0, L"NVARCHAR2(1) "},
      {VT_BSTR, 2000, 0, L"NVARCHAR2(2000) "},
      {VT_BSTR, 2001, 0, L"CLOB"},
      {VT_BSTR, 4000, 0, L"CLOB"},
      {VT_BSTR, 0, 0, L"CLOB"},
      {VT_BOOL, 0, 0, L"NUMBER(3,0)"},
      {VT_I1, 0, 0, L"NUMBER(3,0)"},
      {VT_DECIMAL, 0, 10 * 256 + 2, L"NUMBER(10,2)"},
      {VT_DECIMAL, 0, 28 * 256 + 0, L"NUMBER(28,0)"},
      {VT_UI4, 0, 0, L"NUMBER(19,0)"},
      {VT_I8, 0, 0, L"NUMBER(19,0)"},
      {VT_UINT, 0, 0, L"NUMBER(19,0)"},
      {VT_BLOB, 16, 0, L"RAW(16)"},
      {VT_BLOB, 2000, 0, L"RAW(2000)"},
      {VT_BLOB, 2001, 0, L"BLOB"},
      {VT_BLOB, 4000, 0, L"BLOB"},
      {VT_BLOB, 0, 0, L"BLOB"},
  };
  for (const type_case& c : cases)
    EXPECT_EQ(get_native_type(column(c.vt, c.size, c.extra)), c.expected) << c.vt << "/" << c.size;
}

TEST(OraNativeType, UnsignedSixtyFourBitColumnsHoldTwentyDigits) {
  // 18446744073709551615 needs 20 digits; NUMBER(19,0) would refuse it.
  EXPECT_EQ(get_native_type(column(VT_UI8)), L"NUMBER(20,0)");
}

TEST(OraNativeType, UnknownTypeIsAnInternalError) {
  EXPECT_THROW(get_native_type(column(VT_VARIANT)), tk_mail_assertion);
  EXPECT_THROW(get_native_type(column(VT_BYTE_ARRAY, 10)), tk_mail_assertion);
}

TEST(OraLobColumn, TextAndBinaryBeyondInlineSizeOrUnsized) {
  EXPECT_TRUE(is_ora_lob_column(column(VT_BSTR, 0)));
  // Oracle takes NVARCHAR2 and RAW up to 2000 (ORA-00910 beyond): longer
  // columns are LOBs, so that nothing is cut.
  EXPECT_TRUE(is_ora_lob_column(column(VT_BLOB, 2001)));
  EXPECT_TRUE(is_ora_lob_column(column(VT_BSTR, 4000)));
  EXPECT_FALSE(is_ora_lob_column(column(VT_BSTR, 2000)));
  EXPECT_TRUE(is_ora_lob_column(column(VT_BYTE_ARRAY, 0)));
  EXPECT_FALSE(is_ora_lob_column(column(VT_I4, 0)));
}

TEST(OraLobColumn, NationalTextFollowsTheNationalCharacterSet) {
  // A UTF8 national character set: NVARCHAR2 takes 1333 characters.
  ora_set_national_max_chars(1333);
  EXPECT_EQ(get_native_type(column(VT_BSTR, 1333)), L"NVARCHAR2(1333) ");
  EXPECT_EQ(get_native_type(column(VT_BSTR, 1334)), L"CLOB");
  EXPECT_TRUE(is_ora_lob_column(column(VT_BSTR, 1334)));
  EXPECT_FALSE(is_ora_lob_column(column(VT_BLOB, 2000)));  // RAW counts bytes
  ora_set_national_max_chars(0);                           // back to AL16UTF16
  EXPECT_EQ(ora_national_max_chars(), 2000u);
}

TEST(OraNumberType, FloatWithBinaryPrecisionIsAReal) {
  EXPECT_EQ(ora_number::refine(10, -127), VT_R8);  // FLOAT(10)
  EXPECT_EQ(ora_number::refine(126, -127), VT_R8);
  EXPECT_EQ(ora_number::refine(10, 0), VT_I4);
  EXPECT_EQ(ora_number::refine(5, -2), VT_I4);  // NUMBER(5,-2) holds whole numbers
}

struct literal_case {
  const wchar_t* text;
  VARTYPE vt;
  const wchar_t* expected;
};

TEST(OraLiteral, QuotesTextAndLeavesNumbersBare) {
  const literal_case cases[] = {
      {L"", VT_BSTR, L"''"},
      {L"", VT_I4, L"''"},
      {L"O'Brien", VT_BSTR, L"'O''Brien'"},
      {L"''", VT_BSTR, L"''''''"},
      {L"12'3", VT_I4, L"12''3"},
      {L"-5", VT_I4, L"-5"},
      {L"1.500000000000000e+00", VT_R8, L"1.500000000000000e+00"},
      {L"plain", VT_BSTR, L"'plain'"},
  };
  for (const literal_case& c : cases) EXPECT_EQ(to_oracle_str(c.text, c.vt), c.expected) << c.text;
}

TEST(OraLiteral, BinaryTextMustBeHexAfterZeroX) {
  const literal_case cases[] = {
      {L"0x0A0B", VT_BLOB, L"'0A0B'"}, {L"0X0a", VT_BYTE_ARRAY, L"'0a'"}, {L"0xZZ", VT_BLOB, L"''"},
      {L"x1", VT_BLOB, L"''"},         {L"0x", VT_BLOB, L"''"},           {L"1x00", VT_BLOB, L"''"},
      {L"1", VT_BLOB_OBJECT, L"''"},   {L"0x0A');--", VT_BLOB, L"''"},
  };
  for (const literal_case& c : cases) EXPECT_EQ(to_oracle_str(c.text, c.vt), c.expected) << c.text;
}

TEST(OraLiteral, DatesByKind) {
  EXPECT_EQ(to_oracle_str(L"2011-08-17 10:30:00", VT_DATE),
            L"to_date('2011-08-17 10:30:00', 'YYYY-MM-DD HH24:MI:SS')");
  EXPECT_EQ(to_oracle_str(L"2011-08-17", VT_DATE), L"to_date('2011-08-17', 'YYYY-MM-DD')");
  EXPECT_EQ(to_oracle_str(L"31/31/2011 99:99", VT_DATE), L"");
}

TEST(OraLiteral, TimeOnlyKeepsTheZeroDateInsteadOfTheMonthOfTheInsert) {
  // Oracle would date a bare time on the first day of the current month.
  EXPECT_EQ(to_oracle_str(L"13:05:00", VT_DATE),
            L"to_date('1899-12-30 13:05:00', 'YYYY-MM-DD HH24:MI:SS')");
}

const char* const kGuidText = "{guid {00112233-4455-6677-8899-AABBCCDDEEFF}}";

TEST(OraLiteral, GuidFieldBecomesRawBytesInMemoryOrder) {
  const udb_field field(L"G", 0, ole_variant(kGuidText), false, false);
  EXPECT_EQ(to_oracle_str(&field), L"HEXTORAW('33221100554477668899AABBCCDDEEFF')");
}

TEST(OraLiteral, FieldsThatAreNotGuidsKeepTheirLiterals) {
  const udb_field text(L"T", 0, ole_variant("the guid of {x} is written at the end of the note"),
                       false, false);
  EXPECT_EQ(to_oracle_str(&text), L"'the guid of {x} is written at the end of the note'");
  const udb_field bytes(L"B", 0, ole_variant(std::vector<uint8_t>{0x0A, 0x0B}), false, false);
  EXPECT_EQ(to_oracle_str(&bytes), L"'0A0B'");
  const udb_field number(L"N", 0, ole_variant(42), false, false);
  EXPECT_EQ(to_oracle_str(&number), L"42");
  EXPECT_THROW(to_oracle_str(static_cast<const udb_field*>(nullptr)), tk_mail_assertion);
}

TEST(OraGuidExtractor, NeedsTheWordAndAWellFormedBracedGuid) {
  const ole_guid_extractor good(kGuidText);
  EXPECT_TRUE(good.is_guid());
  EXPECT_EQ(good.digits(), "00112233445566778899AABBCCDDEEFF");
  EXPECT_TRUE(ole_guid_extractor("{GUID {00112233-4455-6677-8899-aabbccddeeff}}").is_guid());
  for (const char* bad : {"{guid {00112233-4455-6677-8899-AABBCCDDEEFF}",  // 44 characters
                          "{gxid {00112233-4455-6677-8899-AABBCCDDEEFF}}",
                          "{guid {0011223304455-6677-8899-AABBCCDDEEFF}}",
                          "{guid {00112233-4455-6677-8899-AABBCCDDEEF'); DROP TABLE x --}}",
                          "guid {00112233-4455-6677-8899-AABBCCDDEEFF   "})
    EXPECT_FALSE(ole_guid_extractor(bad).is_guid()) << bad;
}

struct default_case {
  VARTYPE vt;
  uint32_t size;
  const wchar_t* def;
  const wchar_t* expected;
};

TEST(OraDefault, IntegersOnlyWhenTheyPrintBackUnchanged) {
  const default_case cases[] = {
      {VT_I4, 0, L"5", L"5"},          {VT_I2, 0, L"-1", L"-1"},
      {VT_BOOL, 0, L"-1", L"-1"},      {VT_I4, 0, L"05", L""},
      {VT_I4, 0, L"+5", L""},          {VT_I4, 0, L"5.0", L""},
      {VT_I4, 0, L" 5", L""},          {VT_BOOL, 0, L"Yes", L""},
      {VT_I4, 0, L"2147483648", L""},  {VT_UI4, 0, L"2147483647", L"2147483647"},
      {VT_I4, 0, L"-2147483649", L""},
  };
  for (const default_case& c : cases) {
    const t_ftd f = column(c.vt, c.size, 0, c.def);
    EXPECT_EQ(make_ora_def_val(&f), c.expected) << c.def;
  }
}

TEST(OraDefault, RealsKeepTheirTextWithinOraclesRange) {
  const default_case cases[] = {
      {VT_R8, 0, L"1E200", L"0"}, {VT_R8, 0, L"-1E200", L"0"}, {VT_R8, 0, L"1e999", L"0"},
      {VT_R8, 0, L"0.0", L"0.0"}, {VT_R8, 0, L"0", L"0"},      {VT_CY, 0, L"1.5", L"1.5"},
      {VT_R8, 0, L"=Now()", L""}, {VT_R8, 0, L"abc", L""},     {VT_DECIMAL, 0, L"-0E+0", L"-0E+0"},
      {VT_R8, 0, L"nan", L""},    {VT_R8, 0, L"inf", L""},     {VT_R4, 0, L"0x10", L""},
  };
  for (const default_case& c : cases) {
    const t_ftd f = column(c.vt, c.size, 0, c.def);
    EXPECT_EQ(make_ora_def_val(&f), c.expected) << c.def;
  }
}

TEST(OraDefault, RealsReachCreateTableOnlyAsNumberLiterals) {
  // A locale's decimal comma would split the column list of CREATE TABLE;
  // any other text that is not a number would make Oracle refuse the table.
  const default_case cases[] = {
      {VT_R8, 0, L"1,5", L"1.5"},  {VT_CY, 0, L"-0,25", L"-0.25"}, {VT_R8, 0, L"0,0", L"0.0"},
      {VT_R8, 0, L"1,000.5", L""}, {VT_R8, 0, L"1.5abc", L""},     {VT_R8, 0, L"1.5 ", L""},
      {VT_R8, 0, L"1e", L""},      {VT_R8, 0, L"-.5", L"-.5"},     {VT_R8, 0, L"2.5E-3", L"2.5E-3"},
  };
  for (const default_case& c : cases) {
    const t_ftd f = column(c.vt, c.size, 0, c.def);
    EXPECT_EQ(make_ora_def_val(&f), c.expected) << c.def;
  }
}

TEST(OraDefault, TextDatesAndTheRest) {
  const default_case cases[] = {
      {VT_BSTR, 3, L"abcdef", L"'abc'"},
      {VT_BSTR, 10, L"O'B", L"'O''B'"},
      {VT_BSTR, 0, L"memo text", L"'memo text'"},
      {VT_DATE, 0, L"2011-08-17", L"to_date('2011-08-17', 'YYYY-MM-DD')"},
      {VT_DATE, 0, L"Date()", L""},
      {VT_I8, 0, L"5", L""},
      {VT_BLOB, 0, L"0x00", L""},
  };
  for (const default_case& c : cases) {
    const t_ftd f = column(c.vt, c.size, 0, c.def);
    EXPECT_EQ(make_ora_def_val(&f), c.expected) << c.def;
  }
  const t_ftd none = column(VT_I4);
  EXPECT_EQ(make_ora_def_val(&none), L"");
  EXPECT_THROW(make_ora_def_val(nullptr), tk_mail_assertion);
}

TEST(OraVersion, FirstWordOfThreeDottedNumbers) {
  const std::pair<const wchar_t*, int32_t> cases[] = {
      {L"Oracle Database 10g Enterprise Edition Release 10.2.0.1.0 - Prod", 0x0A0200},
      {L"Oracle Database 19c Enterprise Edition Release 19.0.0.0.0 - Production", 0x130000},
      {L"Oracle7 Server Release 7.3.4.0.0 - Production", 0x070304},
      {L"Oracle Database 23ai Free Release 23.0.0.0.0 - Develop", 0x170000},
      {L"Release 9.2.0", 0x090200},
      {L"Release 8.1 - two numbers only", 0},
      {L"no version here", 0},
      {L"", 0},
  };
  for (const auto& [banner, version] : cases)
    EXPECT_EQ(ora_parse_version(banner), version) << banner;
}

TEST(OraNumberReader, PrecisionAndScaleChooseTheVariantType) {
  const struct {
    int precision, scale;
    VARTYPE vt;
  } cases[] = {{10, 0, VT_I4}, {3, 0, VT_I2},      {4, 0, VT_I2},      {2, 0, VT_I1},
               {19, 0, VT_I4}, {5, 0, VT_I4},      {0, -127, VT_R8},   {126, -127, VT_R8},
               {39, 0, VT_R8}, {5, 2, VT_DECIMAL}, {2, 2, VT_DECIMAL}, {5, -2, VT_I4}};
  for (const auto& c : cases)
    EXPECT_EQ(ora_number::refine(c.precision, c.scale), c.vt) << c.precision << "," << c.scale;
}

TEST(OraNumberReader, IntegersTheColumnTypeCannotHoldAreNotWrapped) {
  EXPECT_EQ(ora_number::read_number(L"-5", VT_I4).to_long(), -5);
  EXPECT_EQ(ora_number::read_number(L"127", VT_I1).get_type(), VT_I1);
  const ole_variant big = ora_number::read_number(L"12345678901", VT_I4);
  EXPECT_EQ(big.get_type(), VT_I8);
  EXPECT_EQ(big.get_i8(), 12345678901LL);
  const ole_variant huge = ora_number::read_number(L"18446744073709551615", VT_I4);
  EXPECT_EQ(huge.get_type(), VT_DECIMAL);
  EXPECT_EQ(huge.to_string(), "18446744073709551615");
  EXPECT_EQ(ora_number::read_number(L"128", VT_I1).get_i8(), 128);
}

TEST(OraDateReader, DecodesOraclesSevenBytes) {
  const uint8_t bytes[7] = {120, 111, 8, 17, 11, 31, 1};
  const SYSTEMTIME st = ora_date::decode(bytes);
  EXPECT_EQ(st.wYear, 2011);
  EXPECT_EQ(st.wMonth, 8);
  EXPECT_EQ(st.wDay, 17);
  EXPECT_EQ(st.wHour, 10);
  EXPECT_EQ(st.wMinute, 30);
  EXPECT_EQ(st.wSecond, 0);
  const uint8_t midnight[7] = {119, 100, 12, 31, 1, 1, 1};
  EXPECT_EQ(ora_date::decode(midnight).wYear, 1900);
}

}  // namespace
