// Saved queries of savedQueries.mdb (tests/data/access/generated, written by
// MakeSavedQueriesDb.java) named from a SELECT: each must give the rows
// Access gives. The expected rows are worked out from the generator's data:
//   Customers 1 Alfa Berlin, 2 Bravo Paris, 3 Charlie Berlin, 4 Delta Rome
//   Orders    10 c1 50 N, 11 c1 30 S, 12 c1 50 N, 13 c2 70 S, 14 c3 20 N,
//             15 c5 40 S (no such customer)
//   Scores    A 90, B 80, C 80, D 70, E 60, F 50, G 50, H 40, I 30, J 20
// Also the damaged, cyclic and too deep definitions, each refused with the
// engine's error.
#include <gtest/gtest.h>

#include "TK/tk_text.h"
#include "access/dao/jet_file.h"
#include "access/dao/sql/sql_engine.h"
#include "tests/access/sql/sql_test_support.h"

namespace {

using rows = std::vector<std::string>;

class SavedQueries : public ::testing::Test {
 protected:
  sql_fixture db{"generated/savedQueries.mdb"};
};

struct saved_case {
  const char16_t* query;
  rows expected;
};

TEST_F(SavedQueries, RowsOfEachKindNamedFromASelect) {
  const saved_case cases[] = {
      // TOP keeps the rows tied with the last: B and C share 80.
      {u"SELECT * FROM TopTwo", {"A|90", "B|80", "C|80"}},
      // 35 % of 10 rounds up to 4; F and G tie at 50.
      {u"SELECT * FROM TopPercent", {"J|20", "I|30", "H|40", "F|50", "G|50"}},
      {u"SELECT * FROM DistinctTop", {"90", "80"}},
      // DISTINCTROW: one row per customer that has orders, not per order.
      {u"SELECT * FROM RowsInner", {"Alfa", "Bravo", "Charlie"}},
      {u"SELECT * FROM RowsLeft", {"Alfa", "Bravo", "Charlie", "Delta"}},
      // Two customers in Berlin: two rows, although their cities are equal.
      {u"SELECT * FROM RowsRight", {"Berlin", "Berlin"}},
      {u"SELECT * FROM RowsComma ORDER BY City", {"Berlin", "Berlin", "Paris"}},
      {u"SELECT * FROM BerlinOrFirst", {"Alfa", "Bravo", "Charlie"}},
      {u"SELECT * FROM BerlinOrFirstAll", {"Charlie", "Bravo", "Alfa", "Alfa"}},
      // Crosstab: a column per region, in order; the missing cells are Null.
      {u"SELECT * FROM RegionTotals", {"1|100|30", "2|NULL|70", "3|20|NULL", "5|NULL|40"}},
      // Fixed column headings: W has no data, N is not shown; customer 3
      // keeps its row.
      {u"SELECT * FROM RegionFixed", {"1|30|NULL", "2|70|NULL", "3|NULL|NULL", "5|40|NULL"}},
      {u"SELECT * FROM BigSpenders", {"Alfa|130", "Bravo|70"}},
      {u"SELECT Count(*) FROM Chain50", {"9"}},
  };
  for (const auto& c : cases) EXPECT_EQ(db.rows(c.query), c.expected) << tk_utf16_to_utf8(c.query);
  EXPECT_EQ(db.fields(u"SELECT * FROM RegionTotals"), (rows{"CustID:4", "N:4", "S:4"}));
}

TEST_F(SavedQueries, DistinctRowOverTypedJoins) {
  const saved_case cases[] = {
      {u"SELECT DISTINCTROW Customers.Name FROM Customers INNER JOIN Orders "
       u"ON Customers.CustID = Orders.CustID ORDER BY Customers.Name",
       {"Alfa", "Bravo", "Charlie"}},
      // Plain rows: one per order.
      {u"SELECT Customers.Name FROM Customers INNER JOIN Orders "
       u"ON Customers.CustID = Orders.CustID ORDER BY Customers.Name",
       {"Alfa", "Alfa", "Alfa", "Bravo", "Charlie"}},
      // Columns of both tables: every joined row is a distinct row.
      {u"SELECT DISTINCTROW Customers.Name, Orders.Amount FROM Customers INNER JOIN Orders "
       u"ON Customers.CustID = Orders.CustID ORDER BY Customers.Name, Orders.Amount",
       {"Alfa|30", "Alfa|50", "Alfa|50", "Bravo|70", "Charlie|20"}},
      // The orders side of a right join: the order of no customer stays.
      {u"SELECT DISTINCTROW Orders.OrderID FROM Customers RIGHT JOIN Orders "
       u"ON Customers.CustID = Orders.CustID WHERE Orders.Amount >= 40 ORDER BY Orders.OrderID",
       {"10", "12", "13", "15"}},
      // Aggregates: DISTINCTROW changes nothing.
      {u"SELECT DISTINCTROW Count(*) FROM Customers INNER JOIN Orders "
       u"ON Customers.CustID = Orders.CustID",
       {"5"}},
  };
  for (const auto& c : cases) EXPECT_EQ(db.rows(c.query), c.expected) << tk_utf16_to_utf8(c.query);
}

// Cells without rows are Null, even under Count.
TEST_F(SavedQueries, TypedCrosstabWithFixedColumns) {
  EXPECT_EQ(db.rows(u"TRANSFORM Count(OrderID) SELECT Region FROM Orders GROUP BY Region "
                    u"PIVOT CustID IN (1, 2, 9)"),
            (rows{"N|2|NULL|NULL", "S|1|1|NULL"}));
  EXPECT_EQ(db.fields(u"TRANSFORM Count(OrderID) SELECT Region FROM Orders GROUP BY Region "
                      u"PIVOT CustID IN (1, 2, 9)"),
            (rows{"Region:10", "1:4", "2:4", "9:4"}));
  // ORDER BY a row heading turns the rows around.
  EXPECT_EQ(db.rows(u"TRANSFORM Max(Amount) SELECT Region FROM Orders GROUP BY Region "
                    u"ORDER BY Region DESC PIVOT Year(#2020-01-01#)"),
            (rows{"S|70", "N|50"}));
}

TEST_F(SavedQueries, BadDefinitionsFailWithTheEngineError) {
  std::string text;
  EXPECT_EQ(db.error(u"SELECT * FROM OrdersAbove", &text), 3061);
  EXPECT_EQ(text, "Too few parameters. Expected 1.");
  EXPECT_EQ(db.error(u"SELECT Nope FROM OrdersAbove", &text), 3061);
  EXPECT_EQ(text, "Too few parameters. Expected 2.");
  EXPECT_EQ(db.error(u"SELECT * FROM Chain51"), 3360);
  EXPECT_EQ(db.error(u"SELECT * FROM CycleA", &text), 3103);
  EXPECT_EQ(db.error(u"SELECT * FROM BrokenJoin", &text), 3340);
  EXPECT_EQ(text, "Query 'BrokenJoin' is corrupt.");
  EXPECT_EQ(db.error(u"SELECT * FROM NoRows"), 3340);
  EXPECT_EQ(db.error(u"SELECT * FROM WideCrosstab", &text), 3190);
  EXPECT_EQ(db.error(u"TRANSFORM Count(ID) SELECT Grp FROM Wide GROUP BY Grp"), 3143);
  // The counting form of a conversion wraps crosstabs and parameter
  // queries as it wraps any other.
  EXPECT_EQ(db.rows(u"select count(*) from (TRANSFORM Sum(Amount) SELECT CustID FROM Orders "
                    u"GROUP BY CustID PIVOT Region;)"),
            rows{"4"});
  EXPECT_EQ(db.error(u"select count(*) from (PARAMETERS x Long; SELECT OrderID FROM Orders)"),
            3061);
}

// The SQL view of the saved queries of the Jackcess queryTest files (the
// texts its own query tests expect), and the generated ones.
class RebuiltText : public ::testing::TestWithParam<const char*> {};

std::string rebuilt(const jet_file& file, const char16_t* name) {
  const auto text = sql_stored_query_text(file, name);
  if (!text) return "(none)";
  std::string out = tk_utf16_to_utf8(*text);
  for (size_t at; (at = out.find("\r\n")) != std::string::npos;) out.replace(at, 2, "\n");
  return out;
}

TEST_P(RebuiltText, AsTheSqlViewShowsIt) {
  auto file = jet_file::open(data_path(std::string("jackcess/") + GetParam()), u"");
  EXPECT_EQ(rebuilt(*file, u"SelectQuery"),
            "SELECT DISTINCT Table1.*, Table2.col1, Table2.col2, Table3.col3\n"
            "FROM (Table1 LEFT JOIN Table3 ON Table1.col1 = Table3.col1) INNER JOIN Table2 ON "
            "(Table3.col1 = Table2.col1) AND (Table3.col1 = Table2.col2)\n"
            "WHERE (((Table2.col2)=\"foo\" Or (Table2.col2) In (\"buzz\",\"bazz\")))\n"
            "ORDER BY Table2.col1;");
  EXPECT_EQ(rebuilt(*file, u"CrosstabQuery"),
            "TRANSFORM Count([Table2].[col2]) AS CountOfcol2\n"
            "SELECT Table2_1.col1, [Table2].[col3], Avg(Table2_1.col2) AS AvgOfcol2\n"
            "FROM (Table1 INNER JOIN Table2 ON [Table1].[col1]=[Table2].[col1]) INNER JOIN Table2 "
            "AS Table2_1 ON [Table2].[col1]=Table2_1.col3\n"
            "WHERE ((([Table1].[col1])>\"10\") And ((Table2_1.col1) Is Not Null) And "
            "((Avg(Table2_1.col2))>\"10\"))\n"
            "GROUP BY Table2_1.col1, [Table2].[col3]\n"
            "ORDER BY [Table2].[col3]\n"
            "PIVOT [Table1].[col1];");
  EXPECT_EQ(rebuilt(*file, u"UnionQuery"),
            "Select Table1.col1, Table1.col2\n"
            "where Table1.col1 = \"foo\"\n"
            "UNION\n"
            "Select Table2.col1, Table2.col2\n"
            "UNION ALL Select Table3.col1, Table3.col2\n"
            "where Table3.col3 > \"blah\";");
  // Action, data definition and pass-through queries are no row sources.
  for (const char16_t* name : {u"UpdateQuery", u"DeleteQuery", u"AppendQuery", u"MakeTableQuery",
                               u"PassthroughQuery", u"DataDefinitionQuery"})
    EXPECT_EQ(rebuilt(*file, name), "(none)") << tk_utf16_to_utf8(name);
}

INSTANTIATE_TEST_SUITE_P(QueryTest, RebuiltText,
                         ::testing::Values("queryTestV1997.mdb", "queryTestV2000.mdb",
                                           "queryTestV2007.accdb"));

TEST(RebuiltTextGenerated, FlagsJoinsParametersAndUnions) {
  auto file = jet_file::open(data_path("generated/savedQueries.mdb"), u"");
  EXPECT_EQ(rebuilt(*file, u"DistinctTop"),
            "SELECT DISTINCT TOP 2 Scores.Points\nFROM Scores\nORDER BY Scores.Points DESC;");
  EXPECT_EQ(rebuilt(*file, u"TopPercent"),
            "SELECT TOP 35 PERCENT Scores.Player, Scores.Points\nFROM Scores\n"
            "ORDER BY Scores.Points;");
  EXPECT_EQ(rebuilt(*file, u"RowsRight"),
            "SELECT DISTINCTROW Customers.City\n"
            "FROM Orders RIGHT JOIN Customers ON Customers.CustID = Orders.CustID\n"
            "WHERE (((Customers.City)=\"Berlin\"));");
  EXPECT_EQ(rebuilt(*file, u"OrdersAbove"),
            "PARAMETERS [Min Amount] Long;\nSELECT Orders.OrderID\nFROM Orders\n"
            "WHERE Orders.Amount > [Min Amount];");
  EXPECT_EQ(rebuilt(*file, u"BerlinOrFirstAll"),
            "SELECT Name FROM Customers WHERE City = 'Berlin'\n"
            "UNION ALL SELECT Name FROM Customers WHERE CustID <= 2\nORDER BY Name DESC;");
  EXPECT_EQ(rebuilt(*file, u"Chain2"), "SELECT *\nFROM Chain1;");
}

}  // namespace
