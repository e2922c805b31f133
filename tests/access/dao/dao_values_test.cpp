// Field.Value decoded from the raw rows: the values the files' projects
// document, the ones libmdb's text rendering loses (dates before 1900 and
// after 4637, Large Numbers, emoji, NULL versus empty text, long memos), and
// the scan itself (deleted and overflow rows, stale row counts, navigation).
#include <gtest/gtest.h>

#include <algorithm>

#include "TK/tk_text.h"
#include "tests/access/dao/dao_test_support.h"

namespace {

std::vector<std::vector<std::string>> rows_of(const std::string& file, const std::u16string& table,
                                              const std::u16string& pwd = u"") {
  dao_session s;
  auto db = s.open_ok(data_path(file), pwd);
  if (!db) return {};
  auto rs = query(db.get(), u"SELECT * FROM [" + table + u"]");
  return rs ? read_all(rs.get()) : std::vector<std::vector<std::string>>{};
}

}  // namespace

TEST(DaoValues, DocumentedValuesOfEveryCommonType) {
  // Jackcess testGetColumns row 1 and 2, Jet3 and ACE.
  for (const char* file : {"jackcess/testV1997.mdb", "jackcess/testV2007.accdb"}) {
    auto rows = rows_of(file, u"Table1");
    ASSERT_EQ(rows.size(), 2u) << file;
    std::sort(rows.begin(), rows.end(), [](const auto& a, const auto& b) { return a[0] > b[0]; });
    EXPECT_EQ(rows[0], (std::vector<std::string>{"abcdefg", "hijklmnop", "2", "222", "333333333",
                                                 "444.55500000000001", "1974-09-21 00:00:00", "3.5",
                                                 "true"}))
        << file;
    EXPECT_EQ(rows[1][8], "false");
  }
  EXPECT_EQ(rows_of("mdbreader/bigint.accdb", u"Table")[0][1], "42");
  EXPECT_EQ(rows_of("mdbreader/V2000_with-password.mdb", u"Table1", u"password").size(), 3u);
  // Jet "encoded" pages (RC4): jackcess-encrypt's testReadJet.
  auto enc = rows_of("jackcessencrypt/db-enc.mdb", u"Table1");
  EXPECT_EQ(enc,
            (std::vector<std::vector<std::string>>{{"1", "hello", "0"}, {"2", "world", "42"}}));
}

TEST(DaoValues, DecimalCurrencyGuidOleAndLongMemoAreExact) {
  auto rows = rows_of("generated/daoValues.mdb", u"Values");
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0][3], "bytes:70000");
  EXPECT_EQ(rows[0][4], "1234.5678");
  EXPECT_EQ(rows[0][5], "-98765432109876.5432");
  EXPECT_EQ(rows[0][6], "bytes:16");
  EXPECT_EQ(rows[1][5], "0.0001");
  // Jackcess fixedNumericTest: Decimal(18,0) values 1, 0, 0, 4, -1, 1.
  auto numeric = rows_of("jackcess/fixedNumericTestV2000.mdb", u"test");
  ASSERT_EQ(numeric.size(), 1u);
  EXPECT_EQ(std::vector<std::string>(numeric[0].begin() + 1, numeric[0].end()),
            (std::vector<std::string>{"1", "0", "0", "4", "-1", "1"}));

  dao_session s;
  auto db = s.open_ok(data_path("generated/daoValues.mdb"));
  auto rs = query(db.get(), u"SELECT * FROM [Values]");
  DAOFields* fields = nullptr;
  rs->get_Fields(&fields);
  auto owned = dao_ref<DAOFields>::adopt(fields);
  DAOField* f = nullptr;
  owned->get_Item(vt_index(2), &f);
  auto notes = dao_ref<DAOField>::adopt(f);
  test_variant memo;
  ASSERT_EQ(notes->get_Value(&memo.v), S_OK);
  ASSERT_EQ(memo.v.vt, VT_BSTR);
  EXPECT_GE(SysStringLen(memo.v.bstrVal), 70000u);  // beyond 64 KB, uncut
  EXPECT_EQ(dao_text_of(memo.v.bstrVal).substr(0, 10), u"line 0 \u00e9\u4e2d\n");
  owned->get_Item(vt_index(6), &f);
  auto key = dao_ref<DAOField>::adopt(f);
  test_variant guid;
  key->get_Value(&guid.v);
  const auto* bytes = static_cast<const uint8_t*>(guid.v.parray->pvData);
  EXPECT_EQ(bytes[0], 0xFF);  // {6F9619FF-...}: Data1 stored little-endian
  EXPECT_EQ(bytes[3], 0x6F);
}

TEST(DaoValues, NullIsNotEmptyText) {
  auto rows = rows_of("generated/daoValues.mdb", u"Values");
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[1][1], "");
  EXPECT_EQ(rows[1][2], "");
  EXPECT_EQ(rows[1][3], "bytes:0");
  EXPECT_EQ(rows[2][1], "NULL");
  EXPECT_EQ(rows[2][2], "NULL");
  EXPECT_EQ(rows[2][3], "NULL");
  EXPECT_EQ(rows[2][8], "C3");
}

TEST(DaoValues, DatesOutsideLibmdbsRangeKeepTheirDayAndTime) {
  auto rows = rows_of("generated/daoValues.mdb", u"Values");
  EXPECT_EQ(rows[0][7], "1850-06-15 13:45:00");
  EXPECT_EQ(rows[1][7], "9999-12-31 23:59:59");
  // Jackcess testAncientDates.
  auto old = rows_of("jackcess/oldDatesV2007.accdb", u"Table1");
  ASSERT_EQ(old.size(), 4u);
  EXPECT_EQ(old[0][1], "1582-10-15 00:00:00");
  EXPECT_EQ(old[1][1], "1582-10-14 00:00:00");
  EXPECT_EQ(old[2][1], "1492-01-10 00:00:00");
  EXPECT_EQ(old[3][1], "1392-01-10 00:00:00");
}

TEST(DaoValues, TextOutsideTheBasicPlaneSurvives) {
  auto rows = rows_of("jackcess/testEmoticonsV2010.accdb", u"data");
  ASSERT_EQ(rows.size(), 80u);
  EXPECT_EQ(rows[0][1],
            "a\xF0\x9F\x98\x80"
            "a");  // a U+1F600 a
}

TEST(DaoValues, ScanSkipsDeletedRowsAndFollowsOverflowRows) {
  EXPECT_EQ(rows_of("jackcess/delTestV2000.mdb", u"Table").size(), 2u);
  auto rows = rows_of("jackcess/overflowTestV2000.mdb", u"Table1");
  ASSERT_EQ(rows.size(), 7u);
  EXPECT_EQ(rows[2][1], "row3col3");
  EXPECT_EQ(rows[2][7], "row3col9");
}

TEST(DaoValues, EndOfRowsComesFromFetchingNotFromTheStoredCount) {
  dao_session s;
  auto db = s.open_ok(data_path("jackcess/calcFieldTestV2010.accdb"));
  int32_t stored = 0;
  tabledef(db.get(), u"Table1")->get_RecordCount(&stored);
  EXPECT_EQ(stored, 3);
  auto rs = query(db.get(), u"SELECT * FROM [Table1]");
  auto rows = read_all(rs.get());
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows[3][3], "User, Test");  // calculated text column
}

TEST(DaoValues, NavigationFollowsDaoRules) {
  dao_session s;
  auto db = s.open_ok(data_path("jackcess/overflowTestV2000.mdb"));
  auto rs = query(db.get(), u"SELECT * FROM [Table1]");
  VARIANT_BOOL bof = 0, eof = 0;
  rs->get_BOF(&bof);
  EXPECT_FALSE(bof);
  EXPECT_EQ(field_value(rs.get(), u"data1"), "row1col1");
  rs->MoveNext();
  rs->MoveNext();
  EXPECT_EQ(rs->MovePrevious(), S_OK);
  EXPECT_EQ(field_value(rs.get(), u"data1"), "row2col1");
  rs->MovePrevious();
  EXPECT_EQ(rs->MovePrevious(), S_OK);
  rs->get_BOF(&bof);
  EXPECT_TRUE(bof);
  EXPECT_EQ(rs->MovePrevious(), dao_hresult(3021));
  EXPECT_EQ(rs->MoveFirst(), S_OK);
  for (int i = 0; i < 7; ++i) rs->MoveNext();
  rs->get_EOF(&eof);
  EXPECT_TRUE(eof);
  EXPECT_EQ(rs->MoveNext(), dao_hresult(3021));
  DAOFields* fields = nullptr;
  rs->get_Fields(&fields);
  auto owned = dao_ref<DAOFields>::adopt(fields);
  DAOField* f = nullptr;
  owned->get_Item(vt_index(0), &f);
  test_variant v;
  EXPECT_EQ(dao_ref<DAOField>::adopt(f)->get_Value(&v.v), dao_hresult(3021));
  EXPECT_EQ(rs->Close(), S_OK);

  auto empty = query(s.open_ok(data_path("ucanaccess/size97.mdb")).get(), u"SELECT * FROM table1");
  empty->get_BOF(&bof);
  empty->get_EOF(&eof);
  EXPECT_TRUE(bof && eof);
}
