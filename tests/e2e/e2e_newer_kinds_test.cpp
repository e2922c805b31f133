// TARVAGENT with the column kinds of Access 2010-2019: calculated results,
// Date/Time Extended as TIMESTAMP(7), complex columns as child tables with
// foreign keys, unknown column types reported, and a merge re-run whose
// child table sorts before its parent.
#include "tests/e2e/e2e_support.h"

namespace {

bool has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// The tables whose names start with `prefix`.
std::vector<std::string> starting_with(const std::vector<std::string>& names,
                                       const std::string& prefix) {
  std::vector<std::string> out;
  for (const std::string& n : names)
    if (n.compare(0, prefix.size(), prefix) == 0) out.push_back(n);
  return out;
}

}  // namespace

using NewerKinds = e2e_test;

TEST_F(NewerKinds, CalculatedResultsAndExtendedDates) {
  ASSERT_EQ(convert(fixture("jackcess/calcFieldTestV2010.accdb")).status, 0);
  // Bruce Wayne: Salary 1000000.
  const rows wayne = query(
      "SELECT \"MonthlySalary\", \"IsRich\", \"AllNames\", \"SalaryTest\", \"LastFirstLen\" "
      "FROM \"Table1\" WHERE \"ID\" = 1");
  ASSERT_EQ(wayne.size(), 2u);
  EXPECT_EQ(wayne[1][0], "83333.3333");
  EXPECT_NE(wayne[1][1], "0");  // true
  EXPECT_EQ(wayne[1][2], "Wayne, Bruce=Wayne, Bruce");
  EXPECT_EQ(wayne[1][3], "1000000");
  EXPECT_EQ(wayne[1][4], "12");

  const run_result r = convert(fixture("jackcess/extDateTestV2019.accdb"));
  ASSERT_EQ(r.status, 0) << r.output;
  EXPECT_EQ(value("SELECT DATA_TYPE FROM user_tab_columns WHERE table_name = 'Table1' AND "
                  "column_name = 'DateExt'"),
            "TIMESTAMP(7)");
  const std::string ff7 = "TO_CHAR(\"DateExt\", 'YYYY-MM-DD HH24:MI:SS.FF7')";
  EXPECT_EQ(value("SELECT " + ff7 + " FROM \"Table1\" WHERE \"ID\" = 6"),
            "2021-06-14 22:45:12.3456789");
  EXPECT_EQ(value("SELECT " + ff7 + " FROM \"Table1\" WHERE \"ID\" = 8"),
            "0100-06-14 12:45:00.1234567");
  EXPECT_EQ(value("SELECT " + ff7 + " FROM \"Table1\" WHERE \"ID\" = 1"),
            "2020-06-17 00:00:00.0000000");
  EXPECT_EQ(value("SELECT COUNT(*) FROM \"Table1\" WHERE \"DateExt\" IS NULL"), "1");
}

TEST_F(NewerKinds, ComplexColumnsBecomeChildTablesWithForeignKeys) {
  const run_result r = convert(fixture("jackcess/complexDataTestV2010.accdb"));
  ASSERT_EQ(r.status, 0) << r.output;
  EXPECT_TRUE(has(r.output, "holds the attachment values of Table1.attach-data")) << r.output;
  EXPECT_TRUE(has(r.output, "holds the multi-value values of Table1.multi-value-data"));
  EXPECT_TRUE(has(r.output, "holds the version history values of Table1.append-memo-data"));
  const std::vector<std::string> children = starting_with(tables(), "Table1_");
  ASSERT_EQ(children.size(), 3u) << r.output;
  std::vector<std::string> counts;
  for (const std::string& child : children)
    counts.push_back(value("SELECT COUNT(*) FROM \"" + child + "\""));
  // Child tables sort as append-memo-data, attach-data, multi-value-data.
  EXPECT_EQ(counts, (std::vector<std::string>{"5", "3", "6"}));
  EXPECT_EQ(value("SELECT COUNT(*) FROM user_constraints WHERE constraint_type = 'R'"), "3");
  // Every child row has its parent.
  EXPECT_EQ(value("SELECT COUNT(*) FROM \"" + children[2] + "\" WHERE \"id\" = 'row3'"), "4");
  // The parent keeps every row, and the number of attachments.
  EXPECT_EQ(value("SELECT COUNT(*) FROM \"Table1\""), "4");
  EXPECT_FALSE(has(r.output, "Error")) << r.output;
  const rows counts_of_files = query("SELECT * FROM \"Table1\" WHERE \"id\" = 'row2'");
  ASSERT_EQ(counts_of_files.size(), 2u);
  EXPECT_EQ(counts_of_files[1].back(), "2");  // attach-data, the last column
}

TEST_F(NewerKinds, AttachmentsArriveAsTheFilesAttached) {
  // A file of 3000 known bytes attached in a generated copy of the same
  // database; Access keeps it deflated.
  ASSERT_EQ(convert(fixture("generated/complexAttachPattern.accdb")).status, 0);
  const std::vector<std::string> again = starting_with(tables(), "Table1_");
  ASSERT_EQ(again.size(), 3u);
  const std::string hex =
      value("SELECT \"FileData\" FROM \"" + again[1] + "\" WHERE \"FileName\" = 'pattern.bin'");
  std::string expected;
  const char* digits = "0123456789ABCDEF";
  for (size_t i = 0; i < 3000; ++i) {
    const unsigned b = unsigned((i * 7 + i / 13) & 0xFF);
    expected += digits[b >> 4];
    expected += digits[b & 15];
  }
  EXPECT_EQ(hex, expected);
}

TEST_F(NewerKinds, UnknownColumnTypesAreReportedAndTheRestConverted) {
  const run_result r = convert(fixture("jackcess/unsupportedFieldsTestV2007.accdb"));
  // Reported with the table as context.
  EXPECT_TRUE(has(r.output, "Test: Column UnknownVar has the unknown Access column type 70"))
      << r.output;
  EXPECT_TRUE(has(r.output, "Test: Column UnknownFix has the unknown Access column type 71"));
  EXPECT_EQ(value("SELECT COUNT(*) FROM \"Test\""), "3");
  EXPECT_EQ(value("SELECT COUNT(*) FROM user_tab_columns WHERE table_name = 'Test' AND "
                  "column_name LIKE 'Unknown%'"),
            "1");  // UnknownComplex, as the number of its values
}

TEST_F(NewerKinds, MergeRerunAddsParentsBeforeTheirChildren) {
  // AChild.ParentID refers to Parent.ID; AChild sorts first by name.
  const std::string db = fixture("generated/childFirstOrder.accdb");
  ASSERT_EQ(convert(db).status, 0);
  EXPECT_EQ(value("SELECT COUNT(*) FROM user_constraints WHERE constraint_type = 'R'"), "1");
  query("DELETE FROM \"AChild\"");
  query("DELETE FROM \"Parent\"");
  const run_result r = convert(db, "--mode=3");
  EXPECT_EQ(r.status, 0) << r.output;
  EXPECT_FALSE(has(r.output, "ORA-02291")) << r.output;
  EXPECT_EQ(value("SELECT COUNT(*) FROM \"Parent\""), "2");
  EXPECT_EQ(value("SELECT COUNT(*) FROM \"AChild\""), "2");
  // The parent was converted first.
  EXPECT_LT(r.output.find("Converting table Parent"), r.output.find("Converting table AChild"));
}
