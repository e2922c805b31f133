// The verifier's parts in-process: canonical forms (where a wrong rule would
// hide a real loss or report a false one), the order-independent digest, the
// second pass in memory and spread over temporary files, the report formats
// and the option scanner.
#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <limits>

#include "OLE/ole_timestamp.h"
#include "ORA/ora_canonical_rows.h"
#include "UDB/verify_canonical.h"
#include "verify/verify_options.h"
#include "verify/verify_result.h"
#include "verify/verify_rows.h"
#include "verify/verify_run.h"
#include "verify/verify_sides.h"

namespace {

std::string access_canon(const ole_variant& v, verify_kind kind) {
  std::string out;
  verify_canon_access(v, kind, out);
  return out;
}

std::string oracle_canon(const ole_variant& v, verify_kind kind, char decimal_mark = '.') {
  std::string out;
  verify_canon_oracle(v, kind, out, decimal_mark);
  return out;
}

ole_variant date_value(double days) {
  VARIANT v{};
  v.vt = VT_DATE;
  v.date = days;
  return ole_variant(v);
}

ole_variant oracle_date(int y, int mo, int d, int h, int mi, int s, int ms = 0) {
  SYSTEMTIME st{};
  st.wYear = static_cast<uint16_t>(y);
  st.wMonth = static_cast<uint16_t>(mo);
  st.wDay = static_cast<uint16_t>(d);
  st.wHour = static_cast<uint16_t>(h);
  st.wMinute = static_cast<uint16_t>(mi);
  st.wSecond = static_cast<uint16_t>(s);
  st.wMilliseconds = static_cast<uint16_t>(ms);
  return ole_variant(st);
}

TEST(VerifyCanonical, DecimalTextIsNormalised) {
  EXPECT_EQ(verify_normal_decimal("-001.2300"), "-1.23");
  EXPECT_EQ(verify_normal_decimal(".5"), "0.5");
  EXPECT_EQ(verify_normal_decimal("1.5E-3"), "0.0015");
  EXPECT_EQ(verify_normal_decimal("12e2"), "1200");
  EXPECT_EQ(verify_normal_decimal("-0.000"), "0");
  EXPECT_EQ(verify_normal_decimal("  7 "), "7");
  EXPECT_EQ(verify_normal_decimal("abc"), "");
  EXPECT_EQ(verify_normal_decimal("1.2.3"), "");
  EXPECT_EQ(verify_normal_decimal("1e999999"), "");
}

TEST(VerifyCanonical, NumbersCompareAtTheAccessColumnsPrecision) {
  // A Single stored through a double reads back with more digits: equal.
  EXPECT_EQ(access_canon(ole_variant(0.1f), verify_kind::single),
            oracle_canon(ole_variant(L"0.100000001490116"), verify_kind::single));
  EXPECT_NE(access_canon(ole_variant(0.1f), verify_kind::single),
            oracle_canon(ole_variant(L"0.1000001"), verify_kind::single));
  // A Double changed in its 15th significant digit differs.
  EXPECT_EQ(access_canon(ole_variant(7407.4073407407406), verify_kind::real),
            oracle_canon(ole_variant(L"7407.4073407407406"), verify_kind::real));
  EXPECT_NE(access_canon(ole_variant(7407.4073407407406), verify_kind::real),
            oracle_canon(ole_variant(L"7407.40734074075"), verify_kind::real));
  // Currency exact to four places, whatever trailing zeros Oracle shows.
  CY cy{-987654321098765432LL};
  EXPECT_EQ(access_canon(ole_variant(cy), verify_kind::currency),
            oracle_canon(ole_variant(L"-98765432109876.5432"), verify_kind::currency));
  EXPECT_NE(access_canon(ole_variant(cy), verify_kind::currency),
            oracle_canon(ole_variant(L"-98765432109876.5433"), verify_kind::currency));
  // Yes/No as the number stored for it.
  EXPECT_EQ(access_canon(ole_variant(true), verify_kind::yes_no),
            oracle_canon(ole_variant(L"1"), verify_kind::yes_no));
  EXPECT_EQ(access_canon(ole_variant(false), verify_kind::yes_no),
            oracle_canon(ole_variant(L"0"), verify_kind::yes_no));
  // Decimal digits beyond what a double holds.
  DECIMAL dec{};
  dec.scale = 4;
  dec.Lo32 = 0xFFFFFFFF;
  dec.Mid32 = 0x7;
  EXPECT_EQ(access_canon(ole_variant(dec), verify_kind::decimal),
            oracle_canon(ole_variant(L"3435973.8367"), verify_kind::decimal));
}

TEST(VerifyCanonical, NumberTextAsAnOracleServerWritesItInAnySession) {
  // TO_CHAR without a format: no zero before the point, up to 40 digits,
  // scientific beyond 64 characters, BINARY_DOUBLE always scientific.
  EXPECT_EQ(access_canon(ole_variant(0.5), verify_kind::real),
            oracle_canon(ole_variant(L".5"), verify_kind::real));
  EXPECT_EQ(access_canon(ole_variant(-0.5), verify_kind::real),
            oracle_canon(ole_variant(L"-.5"), verify_kind::real));
  EXPECT_EQ(
      access_canon(ole_variant(1e-100), verify_kind::real),
      oracle_canon(ole_variant(L"1.0000000000000000000000000000000000E-100"), verify_kind::real));
  EXPECT_EQ(access_canon(ole_variant(0.1), verify_kind::real),
            oracle_canon(ole_variant(L"1.0000000000000001E-001"), verify_kind::real));
  DECIMAL third{};
  third.scale = 28;
  third.Hi32 = 0x0AC544CA;  // 3333333333333333333333333333
  third.Mid32 = 0x14B700CB;
  third.Lo32 = 0x05555555;
  EXPECT_EQ(access_canon(ole_variant(third), verify_kind::decimal),
            oracle_canon(ole_variant(L".3333333333333333333333333333"), verify_kind::decimal));
  // A German session writes ',' for the point, also in scientific form;
  // the value is the same.
  CY cy{-15000};
  EXPECT_EQ(access_canon(ole_variant(cy), verify_kind::currency),
            oracle_canon(ole_variant(L"-1,5"), verify_kind::currency, ','));
  EXPECT_EQ(access_canon(ole_variant(0.5), verify_kind::real),
            oracle_canon(ole_variant(L",5"), verify_kind::real, ','));
  EXPECT_EQ(access_canon(ole_variant(1.5e-100), verify_kind::real),
            oracle_canon(ole_variant(L"1,5E-100"), verify_kind::real, ','));
  EXPECT_NE(access_canon(ole_variant(1.5), verify_kind::real),
            oracle_canon(ole_variant(L"1,6"), verify_kind::real, ','));
  // The session's character is read from TO_CHAR(0.5).
  EXPECT_EQ(ora_decimal_mark_of(L".5"), '.');
  EXPECT_EQ(ora_decimal_mark_of(L",5"), ',');
  EXPECT_EQ(ora_decimal_mark_of(L"0.5"), '.');
  EXPECT_EQ(ora_decimal_mark_of(L""), '.');
}

// Access numbers take a direct way to their canonical form; the Oracle side
// parses text. Both must agree on every value, or a clean table differs.
TEST(VerifyCanonical, AccessNumbersMatchTheTextOracleShowsForThem) {
  auto text = [](const std::string& s) { return ole_variant(std::wstring(s.begin(), s.end())); };
  for (double d : {0.0, -0.0, 1.0, -1.0, 0.1, -1.0 / 3, 123.456, 1e20, 1e21, 1e-7, 5e-324,
                   1.7976931348623157e308, 2.2250738585072014e-308, 9007199254740993.0}) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.17g", d);
    EXPECT_EQ(access_canon(ole_variant(d), verify_kind::real),
              oracle_canon(text(buf), verify_kind::real))
        << buf;
  }
  for (float f : {0.0f, 0.1f, -3.4028235e38f, 1e-45f, 16777217.0f, 0.3f}) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.9g", static_cast<double>(f));
    EXPECT_EQ(access_canon(ole_variant(f), verify_kind::single),
              oracle_canon(text(buf), verify_kind::single))
        << buf;
  }
  const std::pair<int64_t, const char*> currencies[] = {{0, "0"},
                                                        {-1, "-.0001"},
                                                        {15000, "1.5"},
                                                        {-15000, "-1.5"},
                                                        {123456789, "12345.6789"},
                                                        {INT64_MIN, "-922337203685477.5808"},
                                                        {INT64_MAX, "922337203685477.5807"}};
  for (const auto& [units, shown] : currencies) {
    CY cy{units};
    EXPECT_EQ(access_canon(ole_variant(cy), verify_kind::currency),
              oracle_canon(text(shown), verify_kind::currency))
        << shown;
  }
  const std::tuple<uint32_t, uint64_t, uint8_t, bool, const char*> decimals[] = {
      {0, 0, 4, true, "0"},
      {0, 15000, 4, false, "1.5"},
      {0, 15000, 4, true, "-1.5"},
      {0, 5, 6, false, ".000005"},
      {0, 120, 0, false, "120"},
      {0x0AC544CA, 0x14B700CB05555555, 28, true, "-.3333333333333333333333333333"},
      {0xFFFFFFFF, 0xFFFFFFFFFFFFFFFF, 0, false, "79228162514264337593543950335"}};
  for (const auto& [hi, low, scale, negative, shown] : decimals) {
    DECIMAL dec{};
    dec.Hi32 = hi;
    dec.Mid32 = static_cast<uint32_t>(low >> 32);
    dec.Lo32 = static_cast<uint32_t>(low);
    dec.scale = scale;
    dec.sign = negative ? DECIMAL_NEG : 0;
    EXPECT_EQ(access_canon(ole_variant(dec), verify_kind::decimal),
              oracle_canon(text(shown), verify_kind::decimal))
        << shown;
  }
  EXPECT_EQ(access_canon(ole_variant(int32_t{INT32_MIN}), verify_kind::integer),
            oracle_canon(text("-2147483648"), verify_kind::integer));
  EXPECT_EQ(access_canon(ole_variant(int16_t{0}), verify_kind::integer),
            oracle_canon(text("0"), verify_kind::integer));
  EXPECT_EQ(verify_canon_display(access_canon(ole_variant(-0.0), verify_kind::real)), "0");
  // NaN and the infinities as a BINARY_DOUBLE column shows them.
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  EXPECT_EQ(access_canon(ole_variant(nan), verify_kind::real),
            oracle_canon(text("Nan"), verify_kind::real));
  EXPECT_EQ(access_canon(ole_variant(-nan), verify_kind::real),
            oracle_canon(text("Nan"), verify_kind::real));
  EXPECT_EQ(access_canon(ole_variant(inf), verify_kind::real),
            oracle_canon(text("Inf"), verify_kind::real));
  EXPECT_EQ(access_canon(ole_variant(-inf), verify_kind::real),
            oracle_canon(text("-Inf"), verify_kind::real));
  EXPECT_NE(access_canon(ole_variant(inf), verify_kind::real),
            oracle_canon(text("-Inf"), verify_kind::real));
  EXPECT_EQ(access_canon(ole_variant(static_cast<float>(inf)), verify_kind::single),
            oracle_canon(text("Inf"), verify_kind::single));
}

TEST(VerifyCanonical, DatesCompareToTheSecond) {
  // 1850-06-15 13:45:00 as Access holds it; Oracle's DATE of the same second.
  const double access = -18095 - (13 * 3600 + 45 * 60) / 86400.0;
  EXPECT_EQ(access_canon(date_value(access), verify_kind::date),
            oracle_canon(oracle_date(1850, 6, 15, 13, 45, 0), verify_kind::date));
  EXPECT_NE(access_canon(date_value(access), verify_kind::date),
            oracle_canon(oracle_date(1850, 6, 15, 13, 45, 1), verify_kind::date));
  // Before 1899-12-30 the fraction still counts forward from midnight.
  EXPECT_EQ(access_canon(date_value(-1.25), verify_kind::date),
            oracle_canon(oracle_date(1899, 12, 29, 6, 0, 0), verify_kind::date));
  // Half a second rounds up on both sides.
  EXPECT_EQ(access_canon(date_value(2.5 + 0.6 / 86400), verify_kind::date),
            oracle_canon(oracle_date(1900, 1, 1, 12, 0, 0, 600), verify_kind::date));
  EXPECT_EQ(verify_canon_display(access_canon(date_value(2.5), verify_kind::date)),
            "1900-01-01 12:00:00");
  // A date held in a TIMESTAMP column: the same second.
  VARIANT ts{};
  ts.vt = VT_FILETIME;
  ts.llVal = *ole_timestamp_join({1900, 1, 1, 12, 0, 0, 6000000});
  EXPECT_EQ(access_canon(date_value(2.5 + 0.6 / 86400), verify_kind::date),
            oracle_canon(ole_variant(ts), verify_kind::date));
}

TEST(VerifyOracleNames, OnlyRecycleBinNamesAreSetAside) {
  EXPECT_TRUE(verify_is_recycled_name(L"BIN$QQuMa/ZLGlXgU0edqMAw4g==$0"));
  EXPECT_TRUE(verify_is_recycled_name(L"BIN$7oTtcup30ZfgMAGK/3hjKw==$12"));
  EXPECT_FALSE(verify_is_recycled_name(L"BIN$"));
  EXPECT_FALSE(verify_is_recycled_name(L"BIN$Orders"));
  EXPECT_FALSE(verify_is_recycled_name(L"BIN$QQuMa/ZLGlXgU0edqMAw4g==$x"));
  EXPECT_FALSE(verify_is_recycled_name(L"bin$QQuMa/ZLGlXgU0edqMAw4g==$0"));
}

TEST(VerifyCanonical, EmptyTextAndBinaryEqualNullButContentCounts) {
  ole_variant null_value;
  EXPECT_EQ(access_canon(ole_variant(L""), verify_kind::text),
            oracle_canon(null_value, verify_kind::text));
  EXPECT_NE(access_canon(ole_variant(L"x"), verify_kind::text),
            oracle_canon(null_value, verify_kind::text));
  // A memo cut by one character.
  EXPECT_NE(access_canon(ole_variant(L"line \u00e9\u4e2d"), verify_kind::text),
            oracle_canon(ole_variant(L"line \u00e9"), verify_kind::text));
  EXPECT_EQ(access_canon(ole_variant(std::vector<uint8_t>{}), verify_kind::binary),
            oracle_canon(null_value, verify_kind::binary));
  EXPECT_NE(access_canon(ole_variant(std::vector<uint8_t>{1, 2, 3}), verify_kind::binary),
            oracle_canon(ole_variant(std::vector<uint8_t>{1, 2, 2}), verify_kind::binary));
  // A GUID given as text equals its 16 bytes in storage order.
  const std::vector<uint8_t> stored = {0xFF, 0x19, 0x96, 0x6F, 0x86, 0x8B, 0x11, 0xD0,
                                       0xB4, 0x2D, 0x00, 0xC0, 0x4F, 0xC9, 0x64, 0xFF};
  EXPECT_EQ(access_canon(ole_variant(L"{6F9619FF-8B86-D011-B42D-00C04FC964FF}"), verify_kind::guid),
            oracle_canon(ole_variant(stored), verify_kind::guid));
  EXPECT_EQ(verify_canon_display(oracle_canon(ole_variant(stored), verify_kind::guid), 8),
            "0xFF19966F...");
}

TEST(VerifyCanonical, OracleTypesThatHoldEachKind) {
  EXPECT_TRUE(verify_oracle_type_fits(verify_kind::currency, "NUMBER"));
  EXPECT_FALSE(verify_oracle_type_fits(verify_kind::currency, "VARCHAR2"));
  EXPECT_TRUE(verify_oracle_type_fits(verify_kind::text, "CLOB"));
  EXPECT_FALSE(verify_oracle_type_fits(verify_kind::text, "NUMBER"));
  EXPECT_TRUE(verify_oracle_type_fits(verify_kind::date, "DATE"));
  EXPECT_TRUE(verify_oracle_type_fits(verify_kind::timestamp, "TIMESTAMP(7)"));
  EXPECT_TRUE(verify_oracle_type_fits(verify_kind::guid, "RAW"));
  EXPECT_FALSE(verify_oracle_type_fits(verify_kind::binary, "NVARCHAR2"));
  // Text against CHAR or NCHAR compares without the blank padding.
  EXPECT_EQ(verify_kind_against(verify_kind::text, "NCHAR"), verify_kind::padded_text);
  EXPECT_EQ(verify_kind_against(verify_kind::text, "NVARCHAR2"), verify_kind::text);
  EXPECT_EQ(verify_kind_against(verify_kind::integer, "CHAR"), verify_kind::integer);
  EXPECT_EQ(access_canon(ole_variant(L"ab "), verify_kind::padded_text),
            oracle_canon(ole_variant(L"ab        "), verify_kind::padded_text));
  EXPECT_NE(access_canon(ole_variant(L"ab"), verify_kind::padded_text),
            oracle_canon(ole_variant(L" ab       "), verify_kind::padded_text));
  EXPECT_EQ(access_canon(ole_variant(L""), verify_kind::padded_text),
            oracle_canon(ole_variant(L"   "), verify_kind::padded_text));
  EXPECT_NE(access_canon(ole_variant(L"ab "), verify_kind::text),
            oracle_canon(ole_variant(L"ab        "), verify_kind::text));
  // A Decimal column is described as a 16-byte double; it stays exact.
  EXPECT_EQ(verify_kind_of(VT_R8, 0, 16), verify_kind::decimal);
  EXPECT_EQ(verify_kind_of(VT_R8, 0, 8), verify_kind::real);
}

// Rows given as lists of text values.
class listed_rows : public verify_rows {
 public:
  explicit listed_rows(std::vector<std::vector<std::string>> rows)
      : rows_(rows.begin(), rows.end()) {}
  bool next(verify_row& row) override {
    if (rows_.empty()) return false;
    row.clear();
    for (const std::string& v : rows_.front()) {
      verify_canon_access(ole_variant(v), verify_kind::text, row.bytes);
      row.end_column();
    }
    rows_.pop_front();
    return true;
  }

 private:
  std::deque<std::vector<std::string>> rows_;
};

verify_digest digest_of(std::vector<std::vector<std::string>> rows) {
  listed_rows r(std::move(rows));
  return verify_read_digest(r);
}

TEST(VerifyDigest, OrderFreeButCountsEveryRowAndValue) {
  EXPECT_EQ(digest_of({{"1", "a"}, {"2", "b"}}), digest_of({{"2", "b"}, {"1", "a"}}));
  // Duplicates count: a multiset, not a set.
  EXPECT_NE(digest_of({{"1", "a"}, {"1", "a"}}), digest_of({{"1", "a"}}));
  EXPECT_NE(digest_of({{"1", "a"}, {"1", "a"}}), digest_of({}));
  // Values swapped between columns, or between rows, are differences.
  EXPECT_NE(digest_of({{"1", "a"}, {"2", "b"}}), digest_of({{"1", "b"}, {"2", "a"}}));
  EXPECT_NE(digest_of({{"a", "b"}}), digest_of({{"b", "a"}}));
  // Column borders are part of the row: "ab","" is not "a","b".
  EXPECT_NE(digest_of({{"ab", "c"}}), digest_of({{"a", "bc"}}));
}

verify_row_differences locate(std::vector<std::vector<std::string>> access,
                              std::vector<std::vector<std::string>> oracle, std::vector<size_t> key,
                              size_t memory_rows) {
  verify_locate_options options;
  options.key_columns = std::move(key);
  options.column_names = {"ID", "Name", "Note"};
  options.memory_rows = memory_rows;
  options.expected_rows = std::max(access.size(), oracle.size());
  return verify_locate_differences([&] { return std::make_unique<listed_rows>(access); },
                                   [&] { return std::make_unique<listed_rows>(oracle); }, options);
}

TEST(VerifyLocate, NamesMissingExtraAndChangedRowsInMemoryAndSpilled) {
  std::vector<std::vector<std::string>> access, oracle;
  for (int i = 0; i < 500; ++i) {
    access.push_back({std::to_string(i), "name" + std::to_string(i), "note"});
    oracle.push_back(access.back());
  }
  oracle.erase(oracle.begin() + 250);        // missing row ID=250
  oracle.push_back({"900", "new", "note"});  // extra row ID=900
  oracle[10][2] = "changed";                 // changed row ID=10: Note
  std::reverse(oracle.begin(), oracle.end());
  for (size_t memory : {100000u, 7u}) {
    const verify_row_differences found = locate(access, oracle, {0}, memory);
    EXPECT_EQ(found.total, 3u) << memory;
    std::vector<std::string> sorted = found.first;
    std::sort(sorted.begin(), sorted.end());
    ASSERT_EQ(sorted.size(), 3u) << memory;
    EXPECT_EQ(sorted[0], "changed row ID='10': Note");
    EXPECT_EQ(sorted[1], "extra row ID='900'");
    EXPECT_EQ(sorted[2], "missing row ID='250'");
  }
}

TEST(VerifyLocate, WithoutKeyDuplicatesAreMatchedOneByOneAndTheListIsCapped) {
  // One of two equal rows lost: found although the other remains.
  const auto found = locate({{"1", "a", ""}, {"1", "a", ""}, {"2", "b", ""}},
                            {{"2", "b", ""}, {"1", "a", ""}}, {}, 100);
  ASSERT_EQ(found.total, 1u);
  EXPECT_EQ(found.first[0], "missing row (ID='1', Name='a', Note=NULL)");
  std::vector<std::vector<std::string>> many;
  for (int i = 0; i < 50; ++i) many.push_back({std::to_string(i), "x", ""});
  const auto capped = locate(many, {}, {0}, 3);
  EXPECT_EQ(capped.total, 50u);
  EXPECT_EQ(capped.first.size(), 10u);
}

verify_result sample_result() {
  verify_result r;
  verify_table_result a;
  a.table = a.oracle_table = "Customers";
  a.access_rows = a.oracle_rows = 91;
  verify_table_result b;
  b.table = "Order Details";
  b.oracle_table = "Order_Details";
  b.outcome = verify_table_result::state::differs;
  b.access_rows = 2155;
  b.oracle_rows = 2154;
  b.differences = {"missing row OrderID=10250, ProductID=51", "changed row \"x\",y"};
  b.differing_rows = 2;
  verify_table_result c;
  c.oracle_table = "LEFTOVER";
  c.outcome = verify_table_result::state::missing_in_access;
  c.oracle_rows = 0;
  c.differences = {"not in the Access database"};
  r.tables = {a, b, c};
  r.not_carried_over.push_back({"query", "Sales by Year", "parameter"});
  return r;
}

TEST(VerifyReport, TextCsvAndJsonCarryTheSameFacts) {
  const verify_result r = sample_result();
  EXPECT_EQ(r.exit_status(), 1);
  const std::string text = verify_format_text(r);
  EXPECT_NE(
      text.find("Table          Access rows  Oracle rows  Content   First difference\n"
                "Customers               91           91  equal\n"
                "Order Details         2155         2154  DIFFERS   missing row OrderID=10250, "
                "ProductID=51\n"),
      std::string::npos)
      << text;
  EXPECT_NE(
      text.find("LEFTOVER                 -            0  MISSING   not in the Access database"),
      std::string::npos)
      << text;
  EXPECT_NE(text.find("3 tables: 1 equal, 1 differing, 0 missing in Oracle, 1 missing in Access"),
            std::string::npos);
  EXPECT_NE(text.find("Not carried over\n  query  Sales by Year  parameter\n"), std::string::npos)
      << text;

  const std::string csv = verify_format_csv(r);
  EXPECT_NE(
      csv.find(
          "table,Order Details,Order_Details,2155,2154,DIFFERS,2,\"changed row \"\"x\"\",y\"\n"),
      std::string::npos)
      << csv;
  EXPECT_NE(csv.find("not carried over,Sales by Year,,,,query,,parameter\n"), std::string::npos)
      << csv;

  const std::string json = verify_format_json(r);
  EXPECT_NE(json.find("\"differences\": [\"missing row OrderID=10250, ProductID=51\", \"changed "
                      "row \\\"x\\\",y\"]"),
            std::string::npos)
      << json;
  EXPECT_NE(json.find("{\"table\": null, \"oracle_table\": \"LEFTOVER\", \"access_rows\": null"),
            std::string::npos)
      << json;
  EXPECT_NE(json.find("\"exit_status\": 1"), std::string::npos);
  verify_result equal;
  equal.tables = {r.tables[0]};
  EXPECT_EQ(equal.exit_status(), 0);
  EXPECT_NE(verify_format_text(equal).find("Not carried over\n  (nothing)\n"), std::string::npos);
}

verify_cli parse(std::vector<std::string> args) {
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  return verify_parse_cli(static_cast<int>(argv.size()), argv.data());
}

TEST(VerifyOptions, FormatsReportAndUnknownArguments) {
  const verify_cli cli =
      parse({"tarvel-verify", "--src=a.mdb", "--format=json", "--report=out.json", "--port=1522",
             "--uppercase", "--tab_file=t.txt"});
  EXPECT_EQ(cli.source, L"a.mdb");
  EXPECT_EQ(cli.report_format, verify_cli::format::json);
  EXPECT_EQ(cli.report_file, "out.json");
  EXPECT_EQ(cli.port, L"1522");
  EXPECT_TRUE(cli.uppercase);
  EXPECT_EQ(cli.table_file, "t.txt");
  EXPECT_TRUE(cli.error.empty());
  EXPECT_EQ(parse({"v", "--format=xml"}).error,
            "Invalid report format: use --format=text, --format=csv or --format=json");
  EXPECT_EQ(parse({"v", "--mode=2", "stray"}).unrecognised,
            (std::vector<std::string>{"--mode=2", "stray"}));
  // More unknown arguments than the scanner keeps end the scan, not the program.
  std::vector<std::string> many(40, "x");
  many[0] = "v";
  EXPECT_FALSE(parse(many).unrecognised.empty());
}

}  // namespace
