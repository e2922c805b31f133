// Column kinds of Access 2010-2019 read through DAO: calculated columns by
// their result type, Date/Time Extended to 100 ns, the values of complex
// columns (attachments, multi-value fields, memo version histories) and
// columns of types the reader does not know. Expected values are worked out
// from the files' own inputs (the expressions and the entered data), not
// taken from this reader.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>

#include "tests/access/dao/dao_test_support.h"

namespace {

// The names of a recordset's fields, in order.
std::vector<std::string> field_names(DAOFields* fields) {
  int16_t count = 0;
  fields->get_Count(&count);
  std::vector<std::string> names;
  for (int16_t i = 0; i < count; ++i) names.push_back(name_of(field_at(fields, i).get()));
  return names;
}

std::map<std::string, std::string> row_by(DAORecordset* rs, const std::u16string& key_field,
                                          const std::string& key) {
  const auto fields = recordset_fields(rs);
  const std::vector<std::string> names = field_names(fields.get());
  rs->MoveFirst();
  for (VARIANT_BOOL eof = 0; rs->get_EOF(&eof) == S_OK && !eof; rs->MoveNext()) {
    if (field_value(rs, key_field) != key) continue;
    const std::vector<std::string> values = current_row(fields.get());
    std::map<std::string, std::string> row;
    for (size_t i = 0; i < names.size() && i < values.size(); ++i) row[names[i]] = values[i];
    return row;
  }
  return {};
}

double number(const std::string& text) {
  return std::strtod(text.c_str(), nullptr);
}

int16_t field_type(DAOTableDef* table, const std::u16string& name) {
  DAOFields* f = nullptr;
  table->get_Fields(&f);
  auto fields = dao_ref<DAOFields>::adopt(f);
  test_bstr b(name);
  DAOField* item = nullptr;
  if (FAILED(fields->get_Item(vt_text(b), &item))) return -1;
  auto field = dao_ref<DAOField>::adopt(item);
  int16_t type = 0;
  field->get_Type(&type);
  return type;
}

struct complex_rows {
  std::vector<std::string> names;
  std::vector<std::vector<std::string>> rows;
  std::vector<std::vector<uint8_t>> data;  // FileData bytes, attachments only
};

complex_rows read_complex(DAODatabase* db, const std::u16string& table,
                          const std::u16string& column) {
  complex_rows out;
  auto def = tabledef(db, table);
  DAORecordset* raw = nullptr;
  test_bstr name(column);
  if (FAILED(def->OpenComplexRecordset(name.b, &raw))) return out;
  auto rs = dao_ref<DAORecordset>::adopt(raw);
  const auto fields = recordset_fields(rs.get());
  out.names = field_names(fields.get());
  const auto data_field = std::find(out.names.begin(), out.names.end(), "FileData");
  for (VARIANT_BOOL eof = 0; rs->get_EOF(&eof) == S_OK && !eof; rs->MoveNext()) {
    out.rows.push_back(current_row(fields.get()));
    if (data_field == out.names.end()) continue;
    test_variant v;
    field_at(fields.get(), int16_t(data_field - out.names.begin()))->get_Value(&v.v);
    if (v.v.vt == (VT_ARRAY | VT_UI1)) {
      const auto* bytes = static_cast<const uint8_t*>(v.v.parray->pvData);
      out.data.emplace_back(bytes, bytes + v.v.parray->rgsabound[0].cElements);
    }
  }
  return out;
}

}  // namespace

TEST(DaoNewerKinds, CalculatedColumnsGiveTheirResultTypeAndValue) {
  dao_session s;
  auto db = s.open_ok(data_path("jackcess/calcFieldTestV2010.accdb"));
  ASSERT_TRUE(db);
  auto def = tabledef(db.get(), u"Table1");
  // DAO types of the results (ResultType): Currency 5, Yes/No 1, Memo 12,
  // Decimal 20, Single 6.
  EXPECT_EQ(field_type(def.get(), u"MonthlySalary"), 5);
  EXPECT_EQ(field_type(def.get(), u"IsRich"), 1);
  EXPECT_EQ(field_type(def.get(), u"AllNames"), 12);
  EXPECT_EQ(field_type(def.get(), u"WeeklySalary"), 20);
  EXPECT_EQ(field_type(def.get(), u"FloatTest"), 6);

  auto rs = query(db.get(), u"SELECT * FROM [Table1]");
  // Row 1: Bruce Wayne, Salary 1000000, Popularity 50.325.
  auto wayne = row_by(rs.get(), u"ID", "1");
  EXPECT_EQ(wayne["LastFirst"], "Wayne, Bruce");
  EXPECT_EQ(wayne["LastFirstLen"], "12");
  EXPECT_EQ(wayne["MonthlySalary"], "83333.3333");  // 1000000 / 12 as Currency
  EXPECT_EQ(wayne["IsRich"], "true");               // 1000000 > 100000
  EXPECT_EQ(wayne["AllNames"], "Wayne, Bruce=Wayne, Bruce");
  EXPECT_NEAR(number(wayne["WeeklySalary"]), 19230.769230769231, 1e-9);  // 1000000 / 52
  EXPECT_EQ(wayne["SalaryTest"], "1000000");
  EXPECT_EQ(wayne["BoolTest"], "true");
  EXPECT_EQ(wayne["DecimalTest"], "50.325");
  EXPECT_NEAR(number(wayne["FloatTest"]), 2583.2091405861897, 1e-3);  // Single
  EXPECT_NEAR(number(wayne["BigNumTest"]) / 56505085819.424791, 1.0, 1e-12);
  // Row 2: Bart Simpson, Salary -1, Popularity -36.2222.
  auto simpson = row_by(rs.get(), u"ID", "2");
  EXPECT_EQ(simpson["LastFirst"], "Simpson, Bart");
  EXPECT_EQ(simpson["LastFirstLen"], "13");
  EXPECT_EQ(simpson["MonthlySalary"], "-0.0833");
  EXPECT_EQ(simpson["IsRich"], "false");
  EXPECT_EQ(simpson["AllNames"], "Simpson, Bart=Simpson, Bart");
  EXPECT_NEAR(number(simpson["WeeklySalary"]), -0.019230769230769231, 1e-15);
  EXPECT_EQ(simpson["SalaryTest"], "-1");
  EXPECT_EQ(simpson["BoolTest"], "true");
  EXPECT_EQ(simpson["DecimalTest"], "-36.2222");
  EXPECT_NEAR(number(simpson["FloatTest"]), 0.0035889592570302192, 1e-9);
  EXPECT_NEAR(number(simpson["BigNumTest"]) / -0.078473449918061299, 1.0, 1e-12);
}

TEST(DaoNewerKinds, DateTimeExtendedToOneHundredNanoseconds) {
  dao_session s;
  auto db = s.open_ok(data_path("jackcess/extDateTestV2019.accdb"));
  ASSERT_TRUE(db);
  auto rs = query(db.get(), u"SELECT * FROM [Table1]");
  // Counts of 100 ns since 1601-01-01 of the dates the rows' DateExtStr
  // column spells out (worked out with another calendar implementation).
  EXPECT_EQ(row_by(rs.get(), u"ID", "1")["DateExt"], "ft:132368256000000000");  // 2020-06-17
  EXPECT_EQ(row_by(rs.get(), u"ID", "3")["DateExt"], "ft:132681483000000000");  // 2021-06-14 12:45
  // 2021-06-14 22:45:12.3456789
  EXPECT_EQ(row_by(rs.get(), u"ID", "6")["DateExt"], "ft:132681843123456789");
  EXPECT_EQ(row_by(rs.get(), u"ID", "7")["DateExt"], "ft:51895755000000000");  // 1765-06-14 12:45
  // Before 1601: 1265-06-14 12:45 and 0100-06-14 12:45:00.1234567.
  EXPECT_EQ(row_by(rs.get(), u"ID", "9")["DateExt"], "ft:-105888789000000000");
  EXPECT_EQ(row_by(rs.get(), u"ID", "8")["DateExt"], "ft:-473527700998765433");
  EXPECT_EQ(row_by(rs.get(), u"ID", "5")["DateExt"], "NULL");
  EXPECT_EQ(field_type(tabledef(db.get(), u"Table1").get(), u"DateExt"),
            DAO_TYPE_DATE_TIME_EXTENDED);
  // A query run by the SQL engine sees the value's text, to the 100 ns.
  auto q = query(db.get(), u"SELECT DateExt FROM Table1 WHERE ID = 6");
  ASSERT_TRUE(q);
  EXPECT_EQ(read_all(q.get()),
            (std::vector<std::vector<std::string>>{{"2021-06-14 22:45:12.3456789"}}));
}

TEST(DaoNewerKinds, ComplexColumnsGiveTheirValuesAsRowsOfTheirOwn) {
  dao_session s;
  auto db = s.open_ok(data_path("jackcess/complexDataTestV2010.accdb"));
  ASSERT_TRUE(db);
  auto def = tabledef(db.get(), u"Table1");
  std::vector<dao_complex_info> columns;
  ASSERT_EQ(def->get_ComplexColumns(&columns), S_OK);
  ASSERT_EQ(columns.size(), 3u);
  std::map<std::u16string, std::u16string> kinds;
  for (const auto& c : columns) kinds[c.column] = c.kind;
  EXPECT_EQ(kinds[u"append-memo-data"], u"version history");
  EXPECT_EQ(kinds[u"multi-value-data"], u"multi-value");
  EXPECT_EQ(kinds[u"attach-data"], u"attachment");
  // The table's primary key is its text column "id".
  EXPECT_EQ(columns[0].parent_key, (std::vector<std::u16string>{u"id"}));

  // The hidden history column is no field of the table; the complex
  // columns hold the number of their values.
  EXPECT_EQ(field_type(def.get(), u"VersionHistory_F5F8918F-0A3F-4DA9-AE71-184EE5012880"), -1);
  EXPECT_EQ(field_type(def.get(), u"attach-data"), DAO_TYPE_ATTACHMENT);
  EXPECT_EQ(field_type(def.get(), u"multi-value-data"), DAO_TYPE_COMPLEX_TEXT);
  auto rs = query(db.get(), u"SELECT * FROM [Table1]");
  EXPECT_EQ(row_by(rs.get(), u"id", "row3")["multi-value-data"], "4");
  EXPECT_EQ(row_by(rs.get(), u"id", "row2")["attach-data"], "2");
  EXPECT_EQ(row_by(rs.get(), u"id", "row1")["attach-data"], "0");

  // Multi-value entries as entered: row2 value1 value4, row3 value1..value4.
  auto multi = read_complex(db.get(), u"Table1", u"multi-value-data");
  EXPECT_EQ(multi.names, (std::vector<std::string>{"id", "ValueID", "Value"}));
  ASSERT_EQ(multi.rows.size(), 6u);
  std::multimap<std::string, std::string> entered;
  for (const auto& r : multi.rows) entered.emplace(r[0], r[2]);
  EXPECT_EQ(entered.count("row2"), 2u);
  EXPECT_EQ(entered.count("row3"), 4u);

  // Version history: row2 once, row3 three times (memo, revised, again),
  // row4 once; with the time of each version.
  auto versions = read_complex(db.get(), u"Table1", u"append-memo-data");
  EXPECT_EQ(versions.names, (std::vector<std::string>{"id", "ValueID", "Value", "DateModified"}));
  ASSERT_EQ(versions.rows.size(), 5u);
  std::map<std::string, std::string> by_text;
  for (const auto& r : versions.rows) by_text[r[2]] = r[0] + " " + r[3];
  EXPECT_EQ(by_text["row3-memo-revised"], "row3 2011-09-12 21:22:33");
  EXPECT_EQ(by_text["row4-memo"], "row4 2011-09-12 21:22:26");

  // Attachments: three text files, decoded from their deflated storage.
  auto files = read_complex(db.get(), u"Table1", u"attach-data");
  EXPECT_EQ(files.names, (std::vector<std::string>{"id", "ValueID", "FileName", "FileType",
                                                   "FileData", "FileTimeStamp"}));
  ASSERT_EQ(files.rows.size(), 3u);
  ASSERT_EQ(files.data.size(), 3u);
  for (size_t i = 0; i < files.rows.size(); ++i) {
    const auto& r = files.rows[i];
    EXPECT_EQ(r[3], "txt");
    // Lengths as an independent reader (Jackcess) decodes them.
    EXPECT_EQ(files.data[i].size(), r[2] == "test_data.txt" ? 38u : 43u) << r[2];
  }
}

TEST(DaoNewerKinds, AttachmentBytesAreTheFileAsAttached) {
  // A file of 3000 known bytes attached to row1 (generated/MakeNewColsDb.java);
  // Access deflates it in storage.
  dao_session s;
  auto db = s.open_ok(data_path("generated/complexAttachPattern.accdb"));
  ASSERT_TRUE(db);
  auto files = read_complex(db.get(), u"Table1", u"attach-data");
  ASSERT_EQ(files.rows.size(), 4u);
  std::vector<uint8_t> expected(3000);
  for (size_t i = 0; i < expected.size(); ++i) expected[i] = uint8_t((i * 7 + i / 13) & 0xFF);
  bool found = false;
  for (size_t i = 0; i < files.rows.size(); ++i) {
    if (files.rows[i][2] != "pattern.bin") continue;
    found = true;
    EXPECT_EQ(files.rows[i][0], "row1");
    EXPECT_EQ(files.rows[i][3], "bin");
    EXPECT_EQ(files.data[i], expected);
  }
  EXPECT_TRUE(found);
}

TEST(DaoNewerKinds, UnknownColumnTypesHaveATypeOfTheirOwnAndNoValue) {
  dao_session s;
  auto db = s.open_ok(data_path("jackcess/unsupportedFieldsTestV2007.accdb"));
  ASSERT_TRUE(db);
  auto def = tabledef(db.get(), u"Test");
  DAOFields* f = nullptr;
  ASSERT_EQ(def->get_Fields(&f), S_OK);
  auto fields = dao_ref<DAOFields>::adopt(f);
  int16_t count = 0;
  fields->get_Count(&count);
  int unknown = 0;
  for (int16_t i = 0; i < count; ++i) {
    int16_t type = 0;
    field_at(fields.get(), i)->get_Type(&type);
    if (type & DAO_TYPE_UNKNOWN) ++unknown;
  }
  EXPECT_GE(unknown, 1);
}
