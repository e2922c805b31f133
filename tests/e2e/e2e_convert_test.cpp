// TARVAGENT converts real Access files and the bundled sample into the
// embedded engine; the Oracle side is read back: tables, columns, keys,
// indexes, counters, row counts and values of every kind.
#include <filesystem>

#include "tests/e2e/e2e_support.h"

namespace {

std::vector<std::string> column(const rows& r, size_t index) {
  std::vector<std::string> out;
  for (size_t i = 1; i < r.size(); ++i) out.push_back(r[i].at(index));
  return out;
}
}  // namespace

using Convert = e2e_test;

TEST_F(Convert, SampleDatabaseTablesRowsAndValues) {
  const run_result r = convert(kSample);
  ASSERT_EQ(r.status, 0) << r.output;
  EXPECT_NE(r.output.find("Converting table Customers (5 records)"), std::string::npos);
  EXPECT_EQ(tables(), (std::vector<std::string>{"Customers", "OrderLines", "Orders", "Products",
                                                "Shipments"}));
  const std::vector<std::pair<std::string, std::string>> counts = {{"Customers", "5"},
                                                                   {"Products", "4"},
                                                                   {"Orders", "4"},
                                                                   {"OrderLines", "6"},
                                                                   {"Shipments", "3"}};
  for (const auto& [table, count] : counts)
    EXPECT_EQ(value("SELECT COUNT(*) FROM \"" + table + "\""), count) << table;
  const rows customers = query(
      "SELECT \"Company\", \"City\", \"Contact\", \"Since\" FROM \"Customers\" ORDER BY "
      "\"CustomerID\"");
  EXPECT_EQ(column(customers, 0),
            (std::vector<std::string>{"Müller & Söhne GmbH", "Αθηναϊκή Εμπορική",
                                      "Торговый дом «Север»", "北京茶叶公司", "Café Señor Pérez"}));
  EXPECT_EQ(customers[5][2], "");  // NULL
  EXPECT_EQ(customers[1][3], "1998-03-01 00:00:00");
  EXPECT_EQ(value("SELECT \"UnitPrice\" FROM \"Products\" WHERE \"ProductID\" = 4"), "45.25");
  EXPECT_EQ(value("SELECT LENGTH(\"Description\") FROM \"Products\" WHERE \"ProductID\" = 2"),
            "1871");
  EXPECT_EQ(value("SELECT \"OrderDate\" FROM \"Orders\" WHERE \"OrderID\" = 3"),
            "2024-02-29 11:00:00");
  const std::string picture = value("SELECT \"Picture\" FROM \"Products\" WHERE \"ProductID\" = 1");
  EXPECT_EQ(picture.substr(0, 4), "424D");  // "BM"
  EXPECT_EQ(picture.size(), 140u);          // 70 bytes
}

TEST_F(Convert, SampleDatabaseColumnsKeysIndexesAndCounters) {
  ASSERT_EQ(convert(kSample).status, 0);
  const rows columns = query(
      "SELECT column_name, data_type, nullable, data_default FROM user_tab_columns WHERE "
      "table_name = 'Products' ORDER BY column_id");
  EXPECT_EQ(column(columns, 0),
            (std::vector<std::string>{"ProductID", "ProductName", "UnitPrice", "InStock",
                                      "Discontinued", "Description", "Picture"}));
  EXPECT_EQ(columns[2][2], "N");  // ProductName is Required
  EXPECT_EQ(columns[6][1], "CLOB");
  EXPECT_EQ(columns[7][1], "BLOB");
  EXPECT_EQ(columns[3][3], "0");  // UnitPrice default
  EXPECT_EQ(value("SELECT data_default FROM user_tab_columns WHERE table_name = 'Orders' AND "
                  "column_name = 'Status'"),
            "'New'");
  EXPECT_EQ(value("SELECT data_default FROM user_tab_columns WHERE table_name = 'Customers' AND "
                  "column_name = 'Country'"),
            "'Deutschland'");
  // The composite primary key of OrderLines, in key order.
  const std::string pk = value(
      "SELECT index_name FROM user_constraints WHERE table_name = 'OrderLines' AND "
      "constraint_type = 'P'");
  const rows key = query("SELECT column_name FROM user_ind_columns WHERE index_name = '" + pk +
                         "' ORDER BY column_position");
  EXPECT_EQ(column(key, 0), (std::vector<std::string>{"OrderID", "LineNo"}));
  EXPECT_EQ(value("SELECT uniqueness FROM user_indexes WHERE index_name = 'UniqueEmail'"),
            "UNIQUE");
  EXPECT_EQ(column(query("SELECT column_name FROM user_ind_columns WHERE index_name = "
                         "'ByCustomerDate' ORDER BY column_position"),
                   0),
            (std::vector<std::string>{"CustomerID", "OrderDate"}));
  // AutoNumber: a sequence and a trigger per table that has one.
  EXPECT_EQ(value("SELECT COUNT(*) FROM user_sequences"), "4");
  EXPECT_EQ(value("SELECT COUNT(*) FROM user_triggers"), "4");
}

TEST_F(Convert, EveryValueKindExactly) {
  ASSERT_EQ(convert(fixture("generated/daoValues.mdb")).status, 0);
  const rows v = query(
      "SELECT \"Name\", \"Price\", \"Amount\", \"Born\", \"Code\", LENGTH(\"Notes\") FROM "
      "\"Values\" ORDER BY \"ID\"");
  ASSERT_EQ(v.size(), 4u);
  EXPECT_EQ(v[1], (std::vector<std::string>{"first", "1234.5678", "-98765432109876.5432",
                                            "1850-06-15 13:45:00", "A1", v[1][5]}));
  EXPECT_GT(std::stoul(v[1][5]), 65536u);  // memo longer than 64 KB, whole
  EXPECT_EQ(v[2][3], "9999-12-31 23:59:59");
  EXPECT_EQ(v[2][2], ".0001");  // Oracle prints no leading zero
  EXPECT_EQ(v[3][0], "");
  EXPECT_EQ(v[3][4], "C3");
  const std::string blob = value("SELECT \"Blob\" FROM \"Values\" WHERE \"ID\" = 1");
  EXPECT_EQ(blob.size(), 2 * 70000u);  // hexadecimal
  EXPECT_EQ(blob.substr(0, 8), "00070E15");
  EXPECT_EQ(value("SELECT COUNT(*) FROM \"Values\" WHERE \"Name\" IS NULL"), "2");
}

TEST_F(Convert, SeveralFormatsPasswordsAndSkippedTables) {
  // Linked tables are not converted; one whose file is missing is reported,
  // as a table linked through ODBC is.
  const run_result linker = convert(fixture("jackcess/linkerTestV2007.accdb"));
  ASSERT_EQ(linker.status, 0);
  EXPECT_NE(linker.output.find("Error:\nTable2: Could not find file "
                               "'Z:\\jackcess_test\\linkeeTest.accdb'."),
            std::string::npos)
      << linker.output;
  EXPECT_EQ(value("SELECT \"Field1\" FROM \"Table1\""), "foo");
  EXPECT_EQ(value("SELECT COUNT(*) FROM user_tables WHERE table_name = 'Table2'"), "0");
  // Beside the source, the linked file is found: skipped without a word.
  const std::string beside = dir_ + "/beside";
  std::filesystem::create_directory(beside);
  std::filesystem::copy_file(fixture("jackcess/linkerTestV2007.accdb"), beside + "/linker.accdb");
  std::filesystem::copy_file(fixture("jackcess/testV2007.accdb"), beside + "/linkeeTest.accdb");
  const run_result found = convert(beside + "/linker.accdb", "--mode=1");
  ASSERT_EQ(found.status, 0);
  EXPECT_EQ(found.output.find("Error"), std::string::npos) << found.output;
  // Jet3: Jackcess testGetColumns values.
  ASSERT_EQ(convert(fixture("jackcess/testV1997.mdb")).status, 0);
  EXPECT_EQ(value("SELECT \"E\" FROM \"Table1\" WHERE \"A\" = 'abcdefg'"), "333333333");
  EXPECT_EQ(value("SELECT \"G\" FROM \"Table1\" WHERE \"A\" = 'abcdefg'"), "1974-09-21 00:00:00");
  // Jet4 with indexes and relationships: 4, 3 and 4 rows.
  ASSERT_EQ(convert(fixture("jackcess/indexTestV2000.mdb")).status, 0);
  for (const auto& [table, count] : std::vector<std::pair<std::string, std::string>>{
           {"Table1", "4"}, {"Table2", "3"}, {"Table3", "4"}})
    EXPECT_EQ(value("SELECT COUNT(*) FROM \"" + table + "\""), count);
  // A database password.
  const run_result pwd =
      convert(fixture("mdbreader/V2000_with-password.mdb"), "--accp=password --mode=1");
  ASSERT_EQ(pwd.status, 0) << pwd.output;
  EXPECT_EQ(value("SELECT COUNT(*) FROM \"Table1\""), "3");
  // A name Oracle refuses gets a safe one.
  ASSERT_EQ(convert(fixture("ucanaccess/weirdObjectNames.mdb"), "--uppercase").status, 0);
  EXPECT_EQ(value("SELECT COUNT(*) FROM \"A19_MB_01_BEZAHLT____\""), "1");
}

TEST_F(Convert, DeletedOverflowRowsAndBigInt) {
  ASSERT_EQ(convert(fixture("jackcess/overflowTestV2000.mdb")).status, 0);
  EXPECT_EQ(value("SELECT COUNT(*) FROM \"Table1\""), "7");
  ASSERT_EQ(convert(fixture("jackcess/delTestV2000.mdb")).status, 0);
  EXPECT_EQ(value("SELECT COUNT(*) FROM \"Table\""), "2");
  // Large Number (BigInt): 42, in a NUMBER column.
  const run_result big = convert(fixture("mdbreader/bigint.accdb"));
  ASSERT_EQ(big.status, 0);
  EXPECT_EQ(big.output.find("Error"), std::string::npos) << big.output;
  EXPECT_EQ(value("SELECT \"Numeric\" FROM \"Table\""), "42");
  EXPECT_EQ(value("SELECT data_type FROM user_tab_columns WHERE table_name = 'Table' AND "
                  "column_name = 'Numeric'"),
            "NUMBER");
}
