// dao_recordset, dao_record and dao_field: the type table, defaults from
// Access expressions, indexes, and values read row by row (every type, NULL
// against empty text, long memo and OLE, day-zero dates, deleted and
// overflow rows, stale stored counts).
#include "access/dao_recordset.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <thread>

#include "access/dao_field.h"
#include "tests/access/classes/classes_support.h"

namespace {
struct default_case {
  int16_t type;
  uint32_t size;
  std::wstring expression;
  std::string value;  // text of the default, "" for none
  uint32_t extra;
};

std::unique_ptr<udb_recordset> table(udb_database& db, const std::wstring& name) {
  auto rs = db.get_table(name, 1);
  EXPECT_TRUE(rs) << tk_to_utf8(name);
  return rs;
}
}  // namespace

using DaoRecordset = access_test;

TEST(DaoField, TypeTable) {
  const std::vector<std::pair<int16_t, VARTYPE>> table = {
      {1, VT_BOOL},
      {2, VT_UI1},
      {3, VT_I2},
      {4, VT_I4},
      {5, VT_CY},
      {6, VT_R4},
      {7, VT_R8},
      {8, VT_DATE},
      {9, VT_BLOB},
      {10, VT_BSTR},
      {11, VT_BLOB},
      {12, VT_BSTR},
      {13, VT_BLOB},
      {15, VT_BLOB},
      {16, VT_I8},
      {17, VT_BLOB},
      {18, VT_BLOB},
      {19, VT_R8},
      {20, VT_R8},
      {21, VT_R8},
      {22, VT_DATE},
      {23, VT_BLOB},
      {0, VT_BLOB},
      // Date/Time Extended; attachment and multi-value columns hold the
      // number of their values (the values go to child tables).
      {26, VT_FILETIME},
      {101, VT_I4},
      {109, VT_I4}};
  for (auto [dao, vt] : table) EXPECT_EQ(dao_field::get_vartype(dao), vt) << dao;
}

TEST(DaoField, DayZeroDatesPrintAsTimes) {
  EXPECT_EQ(dao_field::fix_fake_date("1899-12-30 13:45:00"), "0000-00-00 13:45:00");
  EXPECT_EQ(dao_field::fix_fake_date("1899-12-30"), "00:00:00");
  EXPECT_EQ(dao_field::fix_fake_date("1899-12-31 13:45:00"), "1899-12-31 13:45:00");
  EXPECT_EQ(dao_field::fix_fake_date("2001-02-03"), "2001-02-03");
}

TEST(DaoRecordsetDefaults, AccessExpressionsBecomeValues) {
  const std::vector<default_case> cases = {
      {10, 50, L"=\"N/A\"", "N/A", 0},
      {10, 50, L"=0", "0", 0},
      {10, 50, L"\"abc\"", "abc", 0},
      {10, 50, L"='x'", "x", 0},
      {8, 8, L"#1/1/2000#", "2000-01-01", 1},
      {8, 8, L"=Now()", "", 1},        // not a date: no default, extra still 1
      {10, 5, L"\"Unknown\"", "", 0},  // longer than the column
      {10, 7, L"\"Unknown\"", "Unknown", 0},
      {1, 1, L"No", "0", 0},
      {1, 1, L"=Yes", "1", 0},
      {4, 4, L"0", "0", 0},
      {5, 8, L"=12.5", "12.5", 0},
      {12, 0, L"\"memo text\"", "memo text", 0},
      {15, 16, L"GenGUID()", "", 0},
      {10, 50, L"", "", 0},
      {10, 50, L"\"", "\"", 0},
  };
  for (const auto& c : cases) {
    uint32_t extra = 99;
    const ole_variant v = dao_recordset::table_default(0, c.type, c.size, c.expression, &extra);
    EXPECT_EQ(v.to_string(), c.value) << tk_to_utf8(c.expression);
    EXPECT_EQ(extra, c.extra) << tk_to_utf8(c.expression);
    if (c.value.empty()) {
      EXPECT_EQ(v.get_type(), VT_EMPTY) << tk_to_utf8(c.expression);
    }
  }
  uint32_t extra = 0;
  EXPECT_EQ(dao_recordset::query_default(8, L"", &extra).get_type(), VT_EMPTY);
  EXPECT_EQ(extra, 1u);
  EXPECT_EQ(dao_recordset::query_default(10, L"=\"x\"", &extra).to_string(), "=\"x\"");
}

TEST_F(DaoRecordset, SchemaOfEveryColumnKind) {
  auto db = open("generated/daoValues.mdb");
  auto rs = table(*db, L"Values");
  const udb_schema& s = rs->schema();
  ASSERT_EQ(s.size(), 9u);
  const std::vector<VARTYPE> types = {VT_I4, VT_BSTR, VT_BSTR, VT_BLOB, VT_CY,
                                      VT_R8, VT_BLOB, VT_DATE, VT_BSTR};
  for (size_t i = 0; i < types.size(); ++i) EXPECT_EQ(s[i].vartype, types[i]) << i;
  EXPECT_TRUE(s[0].b_autoincrement);
  EXPECT_FALSE(s[1].b_autoincrement);
  EXPECT_EQ(s[1].name, L"Name");
  EXPECT_EQ(s[1].size, 50u);
  EXPECT_EQ(s[6].extra, 1u);  // GUID
  EXPECT_EQ(s[7].extra, 0u);  // date without a default
  EXPECT_TRUE(s[8].b_not_null);
  EXPECT_FALSE(s[1].b_not_null);
  EXPECT_EQ(s[8].def_value.to_string(), "abc");
  EXPECT_EQ(s[1].def_value.get_type(), VT_EMPTY);
  EXPECT_TRUE(traced("Field #8: size=5, DAO type=10, default value=\"abc\""));
}

TEST_F(DaoRecordset, IndexesInKeyOrderWithTheFirstKeyIndex) {
  auto db = open("generated/daoValues.mdb");
  auto parent = table(*db, L"Parent");
  ASSERT_EQ(parent->indexes().size(), 1u);
  EXPECT_TRUE(parent->indexes()[0].b_primary);
  EXPECT_EQ(parent->indexes()[0].fields, (std::vector<std::wstring>{L"P1", L"P2"}));
  EXPECT_EQ(parent->key_index(), 0);
  auto child = table(*db, L"Child");
  ASSERT_FALSE(child->indexes().empty());
  EXPECT_EQ(child->indexes()[0].fields, (std::vector<std::wstring>{L"F1", L"F2"}));
  EXPECT_EQ(child->key_index(), -1);
  // Logical index numbers that skip physical ones still give their columns.
  auto props = open("jackcess/testIndexPropertiesV2000.mdb");
  auto ignore = table(*props, L"TableIgnoreNulls2");
  ASSERT_EQ(ignore->indexes().size(), 2u);
  EXPECT_EQ(ignore->indexes()[0].fields, (std::vector<std::wstring>{L"data1", L"data2"}));
  EXPECT_EQ(ignore->key_index(), 1);
}

TEST_F(DaoRecordset, ValuesOfEveryTypeRowByRow) {
  auto db = open("generated/daoValues.mdb");
  auto rs = table(*db, L"Values");
  auto rows = read_rows(*rs);
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0][1], "first");
  EXPECT_EQ(rows[0][4], "1234.5678");
  EXPECT_EQ(rows[0][5], "-98765432109876.5432");
  EXPECT_EQ(rows[0][7], "1850-06-15 13:45:00");
  EXPECT_EQ(rows[1][7], "9999-12-31 23:59:59");
  EXPECT_EQ(rows[0][8], "A1");
  // NULL is not empty text.
  EXPECT_EQ(rows[1][1], "");
  EXPECT_EQ(rows[2][1], "NULL");
  EXPECT_EQ(rows[2][8], "C3");
  for (size_t i = 1; i < 8; ++i) EXPECT_EQ(rows[2][i], "NULL") << i;

  rs->move_first();
  udb_record* record = rs->get_item();
  EXPECT_EQ((*record)[4].get_type(), VT_CY);
  EXPECT_EQ((*record)[5].get_type(), VT_DECIMAL);
  EXPECT_EQ((*record)[1].get_type(), VT_BSTR);
  const std::wstring memo = (*record)[2].to_wstring();
  EXPECT_GT(memo.size(), 65536u);
  EXPECT_EQ(memo.substr(0, 9), L"line 0 \u00e9\u4e2d");
  const uint8_t* bytes = nullptr;
  ASSERT_EQ((*record)[3].get_bytes(&bytes), 70000u);
  EXPECT_EQ(bytes[69999], uint8_t(69999 * 7));
  ASSERT_EQ((*record)[6].get_bytes(&bytes), 16u);  // GUID as its 16 bytes
  EXPECT_EQ((*record)[0].name, L"ID");
  EXPECT_TRUE((*record)[0].b_autoincrement);
  EXPECT_TRUE((*record)[8].b_not_null);
  EXPECT_TRUE(traced("*** NULL *** "));
}

// Records handed over (take_item) are reused through their recordset's
// pool once destroyed: every record reads exactly what get_item reads, also
// while earlier ones are alive, after a long memo or an empty or NULL text,
// and a record may outlive its recordset and be destroyed on another thread.
TEST_F(DaoRecordset, RecordsHandedOverAreReusedWithoutMixingValues) {
  auto db = open("generated/daoValues.mdb");
  auto rs = table(*db, L"Values");
  const auto expected = read_rows(*rs);
  ASSERT_EQ(expected.size(), 3u);
  auto text_of = [](const udb_record& record) {
    std::vector<std::string> row;
    for (size_t i = 0; i < record.size(); ++i)
      row.push_back(record[i].get_type() == VT_NULL ? "NULL" : record[i].to_string());
    return row;
  };
  // All alive at once: each has fields of its own.
  std::vector<std::unique_ptr<udb_record>> alive;
  rs->move_first();
  for (; !rs->is_eof(); rs->next()) alive.push_back(rs->take_item());
  ASSERT_EQ(alive.size(), 3u);
  for (size_t r = 0; r < alive.size(); ++r) EXPECT_EQ(text_of(*alive[r]), expected[r]) << r;
  // One at a time, twice over (rows in both orders of long and short
  // values): the fields of the record before are read again.
  alive.clear();
  for (int pass = 0; pass < 2; ++pass) {
    rs->move_first();
    const udb_field* reused = nullptr;
    for (size_t r = 0; !rs->is_eof(); rs->next(), ++r) {
      std::unique_ptr<udb_record> record = rs->take_item();
      if (reused != nullptr) {
        EXPECT_EQ(&(*record)[0], reused) << r;
      }
      EXPECT_EQ(text_of(*record), expected[r]) << pass << " " << r;
      EXPECT_EQ((*record)[0].name, L"ID");
      reused = &(*record)[0];
    }
  }
  // get_item after records handed over reads the same again.
  EXPECT_EQ(read_rows(*rs), expected);
  rs->move_first();
  std::unique_ptr<udb_record> kept = rs->take_item();
  rs.reset();
  db.reset();
  std::thread([record = std::move(kept), first = expected[0]]() mutable {
    EXPECT_EQ((*record)[1].to_string(), first[1]);
    record.reset();
  }).join();
}

TEST_F(DaoRecordset, DocumentedValuesOfOtherFiles) {
  auto db = open("jackcess/testV1997.mdb");
  auto rows = read_rows(*table(*db, L"Table1"));
  ASSERT_EQ(rows.size(), 2u);
  auto& first = rows[0][0] == "abcdefg" ? rows[0] : rows[1];
  EXPECT_EQ(std::stod(first[5]), 444.555);
  first[5] = "F";
  EXPECT_EQ(first, (std::vector<std::string>{"abcdefg", "hijklmnop", "2", "222", "333333333", "F",
                                             "1974-09-21", "3.5", "1"}));
  auto bigint = open("mdbreader/bigint.accdb");
  auto big = table(*bigint, L"Table");
  EXPECT_EQ(big->schema()[1].vartype, VT_I8);  // as its values, not binary
  auto big_rows = read_rows(*big);
  ASSERT_EQ(big_rows.size(), 1u);
  EXPECT_EQ(big_rows[0][1], "42");
  // Jackcess oldDatesTest: dates before the Gregorian reform.
  auto old = open("jackcess/oldDatesV2007.accdb");
  std::vector<std::string> dates;
  for (const auto& row : read_rows(*table(*old, L"Table1"))) dates.push_back(row[1]);
  EXPECT_NE(std::find(dates.begin(), dates.end(), "1582-10-15"), dates.end());
  EXPECT_NE(std::find(dates.begin(), dates.end(), "1492-01-10"), dates.end());
  auto emoji = open("jackcess/testEmoticonsV2010.accdb");
  EXPECT_EQ(read_rows(*table(*emoji, L"data")).size(), 80u);
}

TEST_F(DaoRecordset, DeletedOverflowAndStaleCountRows) {
  auto del = open("jackcess/delTestV2000.mdb");
  EXPECT_EQ(read_rows(*table(*del, L"Table")).size(), 2u);
  auto overflow = open("jackcess/overflowTestV2000.mdb");
  EXPECT_EQ(read_rows(*table(*overflow, L"Table1")).size(), 7u);
  // The stored count says 3; the driver reads to the end and gets all 4.
  auto calc = open("jackcess/calcFieldTestV2010.accdb");
  auto rs = table(*calc, L"Table1");
  EXPECT_EQ(rs->records_count(), 3u);
  EXPECT_EQ(read_rows(*rs).size(), 4u);
}

TEST_F(DaoRecordset, EmptyTableIsNotMoved) {
  auto db = open("ucanaccess/size97.mdb");
  auto rs = table(*db, db->tables()[0]);
  EXPECT_EQ(rs->records_count(), 0u);
  EXPECT_TRUE(rs->is_eof());
  rs->move_first();
  rs->move_prev();
  EXPECT_TRUE(rs->is_eof());
  EXPECT_THROW(rs->append_record(udb_record()), tk_mail_assertion);
}

TEST_F(DaoRecordset, ComplexColumnsAsChildTablesAndUnknownTypesReported) {
  auto db = open("jackcess/complexDataTestV2010.accdb");
  const std::vector<udb_child_table> children = db->child_tables(L"Table1");
  ASSERT_EQ(children.size(), 3u);
  // Rows per child table as entered in Access: 5 versions, 6 multi-value
  // entries, 3 attachments.
  std::map<std::wstring, uint32_t> counts;
  for (const udb_child_table& child : children) {
    EXPECT_EQ(child.parent_key, std::vector<std::wstring>{L"id"});
    auto rs = db->get_child_table(L"Table1", child.column, 1);
    ASSERT_TRUE(rs);
    counts[child.column] = rs->records_count();
    EXPECT_EQ(read_rows(*rs).size(), rs->records_count());
    // Keyed by the value's own number.
    ASSERT_GE(rs->key_index(), 0);
    EXPECT_EQ(rs->indexes()[size_t(rs->key_index())].fields, std::vector<std::wstring>{L"ValueID"});
  }
  EXPECT_EQ(counts[L"append-memo-data"], 5u);
  EXPECT_EQ(counts[L"multi-value-data"], 6u);
  EXPECT_EQ(counts[L"attach-data"], 3u);
  auto attachments = db->get_child_table(L"Table1", L"attach-data", 1);
  EXPECT_EQ(attachments->schema().find_field(L"FileData").vartype, VT_BLOB);
  EXPECT_EQ(attachments->schema().find_field(L"FileData").size, 0u);  // a BLOB
  // The parent keeps the complex columns as the number of their values, and
  // not the hidden version-history column.
  auto parent = table(*db, L"Table1");
  EXPECT_EQ(parent->schema().size(), 5u);
  EXPECT_EQ(parent->schema().find_field(L"attach-data").vartype, VT_I4);

  auto unknown_db = open("jackcess/unsupportedFieldsTestV2007.accdb");
  auto test = table(*unknown_db, L"Test");
  const std::vector<tk_exception> errors = test->take_open_errors();
  ASSERT_EQ(errors.size(), 2u);
  EXPECT_EQ(errors[0].level(), TK_LEVEL_RECORD);
  EXPECT_NE(errors[0].message().find("Column UnknownVar has the unknown Access column type 70; the "
                                     "column is not converted."),
            std::string::npos)
      << errors[0].message();
  EXPECT_NE(errors[1].message().find("UnknownFix"), std::string::npos);
  // The other columns are read as usual, row by row.
  EXPECT_FALSE(test->schema().find_field(L"UnknownVar", std::nothrow));
  const auto rows = read_rows(*test);
  ASSERT_FALSE(rows.empty());
  EXPECT_EQ(rows[0].size(), test->schema().size());
}

// A page of the hidden value tables (or of the catalogue naming them) zeroed:
// every complex column is still listed, and its values either cannot be
// opened or end their scan with error 3049 saying what was lost; the
// undamaged child tables read as before.
TEST_F(DaoRecordset, ComplexValuesOnADamagedPageAreReported) {
  struct damage {
    std::string file;
    size_t page;
    size_t children;
  };
  const damage cases[] = {{"mdbreader/attachments.accdb", 74, 1},
                          {"jackcess/complexDataTestV2010.accdb", 43, 3},
                          {"jackcess/complexDataTestV2010.accdb", 49, 3},
                          {"jackcess/complexDataTestV2010.accdb", 61, 3},
                          {"jackcess/complexDataTestV2010.accdb", 116, 3}};
  constexpr size_t kPage = 4096;
  for (const damage& d : cases) {
    SCOPED_TRACE(d.file + " page " + std::to_string(d.page));
    std::ifstream in(tk_to_utf8(fixture(d.file)), std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), {});
    ASSERT_GT(bytes.size(), (d.page + 1) * kPage);
    std::memset(bytes.data() + d.page * kPage, 0, kPage);
    const std::string copy = dir_ + "/damaged.accdb";
    std::ofstream(copy, std::ios::binary) << bytes;

    auto db = engine().open_db(tk_to_wide(copy), 1, L"");
    const std::vector<udb_child_table> children = db->child_tables(L"Table1");
    ASSERT_EQ(children.size(), d.children);
    size_t damaged = 0;
    std::vector<std::wstring> damaged_columns;
    for (const udb_child_table& child : children) {
      int32_t code = code_of([&] {
        auto rs = db->get_child_table(L"Table1", child.column, 1);
        read_rows(*rs);
      });
      if (code == 0) continue;
      ++damaged;
      damaged_columns.push_back(child.column);
      EXPECT_EQ(code & 0xFFFF, 3049) << tk_to_utf8(child.column);
    }
    EXPECT_EQ(damaged, d.page == 116 || d.children == 1 ? d.children : 1u);
    // The parent's number of values of a damaged column is unknown: NULL in
    // every row, not 0 (a version history's column holds its text instead).
    auto parent = table(*db, L"Table1");
    const auto rows = read_rows(*parent);
    ASSERT_FALSE(rows.empty());
    size_t counted = 0;
    for (size_t i = 0; i < parent->schema().size(); ++i) {
      const t_ftd& field = parent->schema()[i];
      if (field.vartype != VT_I4 || std::find(damaged_columns.begin(), damaged_columns.end(),
                                              field.name) == damaged_columns.end())
        continue;
      ++counted;
      for (const auto& row : rows) EXPECT_EQ(row[i], "NULL") << tk_to_utf8(field.name);
    }
    EXPECT_EQ(counted, d.page == 43 ? 0u : damaged);
  }
}
