// Access SQL run through CreateQueryDef / OpenRecordset over sqlTest.mdb
// (tests/data/access/sql, written by MakeSqlTestDb.java): joins written the
// Access way, aggregates, exact currency and decimal values, dates, text
// functions, Like, IIf / Nz, TOP with ties, subqueries and the DAO types of
// computed columns.
#include <gtest/gtest.h>

#include "tests/access/sql/sql_test_support.h"

namespace {

using rows = std::vector<std::string>;

class AccessSql : public ::testing::Test {
 protected:
  sql_fixture db{"sql/sqlTest.mdb"};
};

TEST_F(AccessSql, NestedJoinsWithBracketedNamesAndAliases) {
  EXPECT_EQ(db.rows(u"SELECT c.[Company Name], o.OrderID, d.Product "
                    u"FROM (Customers AS c INNER JOIN Orders AS o ON c.ID = o.CustomerID) "
                    u"INNER JOIN [Order Details] AS d ON o.OrderID = d.OrderID "
                    u"ORDER BY o.OrderID, d.Product;"),
            (rows{"Alpha Ltd|10|Gadget", "Alpha Ltd|10|Widget", "Alpha Ltd|11|Widget",
                  "Gamma & Sons|13|Gizmo", "\xc3\x89psilon|14|widget"}));
  EXPECT_EQ(db.rows(u"SELECT Customers.ID FROM Customers LEFT JOIN Orders "
                    u"ON Customers.ID = Orders.CustomerID WHERE Orders.OrderID Is Null"),
            rows{"4"});
  EXPECT_EQ(db.rows(u"SELECT [Customers].[ID] FROM Orders RIGHT OUTER JOIN Customers "
                    u"ON Orders.CustomerID = Customers.ID WHERE Orders.OrderID Is Null"),
            rows{"4"});
}

TEST_F(AccessSql, AccessRejectsJoinChainsWithoutParentheses) {
  EXPECT_EQ(db.error(u"SELECT * FROM Customers INNER JOIN Orders ON Customers.ID = "
                     u"Orders.CustomerID INNER JOIN [Order Details] ON Orders.OrderID = "
                     u"[Order Details].OrderID"),
            3075);
}

TEST_F(AccessSql, GroupByWithAggregatesKeepsTypesAndExactValues) {
  const std::u16string sql =
      u"SELECT CustomerID, Count(*) AS N, Sum(Amount) AS Total, Avg(Rate), Min(OrderDate), "
      u"Max(Weight) FROM Orders GROUP BY CustomerID HAVING Count(*) >= 1 ORDER BY CustomerID";
  EXPECT_EQ(db.rows(sql),
            (rows{"1|2|300.3|1|2010-01-05 00:00:00|2.25", "2|1|50.05|2.5|2011-03-01 00:00:00|0.001",
                  "3|1|300.3|0.25|2010-01-31 00:00:00|10", "5|1|0.01|1|2012-12-24 00:00:00|NULL"}));
  EXPECT_EQ(db.fields(sql),
            (rows{"CustomerID:4", "N:4", "Total:5", "Expr1000:7", "Expr1001:8", "Expr1002:20"}));
}

TEST_F(AccessSql, CurrencyArithmeticAndComparisonsAreExact) {
  EXPECT_EQ(db.rows(u"SELECT Sum(Price * Quantity) FROM [Order Details]"), rows{"350.98"});
  EXPECT_EQ(db.rows(u"SELECT Amount * 3, Amount + 0.0001 FROM Orders WHERE Amount = 100.1"),
            rows{"300.3|100.1001"});
  EXPECT_EQ(db.rows(u"SELECT ID FROM Customers WHERE Credit > 99.9998 ORDER BY ID"),
            (rows{"1", "3", "5"}));
  EXPECT_EQ(db.rows(u"SELECT Avg(Credit) FROM Customers"), rows{"462.6875"});
}

TEST_F(AccessSql, DecimalColumnsCompareAndAddByValue) {
  EXPECT_EQ(db.rows(u"SELECT OrderID FROM Orders WHERE Weight = 2.25"), rows{"11"});
  EXPECT_EQ(db.rows(u"SELECT Sum(Weight), Weight + 1 FROM Orders WHERE OrderID = 10 "
                    u"GROUP BY Weight"),
            rows{"1.125|2.125"});
  EXPECT_EQ(db.rows(u"SELECT OrderID FROM Orders WHERE Weight > 1 ORDER BY Weight DESC"),
            (rows{"13", "11", "10"}));
}

TEST_F(AccessSql, DateLiteralsAndDateFunctions) {
  EXPECT_EQ(db.rows(u"SELECT OrderID FROM Orders WHERE OrderDate = #1/31/2010#"), rows{"13"});
  EXPECT_EQ(db.rows(u"SELECT OrderID FROM Orders WHERE OrderDate Between #1/1/2010# And "
                    u"#12/31/2010# ORDER BY OrderID"),
            (rows{"10", "11", "13"}));
  EXPECT_EQ(db.rows(u"SELECT Year(OrderDate), Month(OrderDate), Day(OrderDate), "
                    u"Format(OrderDate, \"yyyy-mm-dd\"), Format(OrderDate, \"mmm d, yyyy\") "
                    u"FROM Orders WHERE OrderID = 12"),
            rows{"2011|3|1|2011-03-01|Mar 1, 2011"});
  EXPECT_EQ(db.rows(u"SELECT Format(Since, \"Short Date\"), Format(Since, \"hh:nn\"), "
                    u"CDate(\"2/29/2000\"), DateSerial(2010, 13, 1) FROM Customers WHERE ID = 5"),
            rows{"1/31/2010|10:30|2000-02-29 00:00:00|2011-01-01 00:00:00"});
  EXPECT_EQ(db.rows(u"SELECT Count(*) FROM Customers WHERE Since < Date()"), rows{"4"});
}

TEST_F(AccessSql, TextFunctionsAndConcatenation) {
  EXPECT_EQ(db.rows(u"SELECT Left([Company Name], 5), Right(City, 3), Mid(Country, 2, 3), "
                    u"Len(City), UCase(City), LCase(Country), Trim(\"  x  \") "
                    u"FROM Customers WHERE ID = 1"),
            rows{"Alpha|lin|erm|6|BERLIN|germany|x"});
  EXPECT_EQ(db.rows(u"SELECT [Company Name] & \" (\" & City & \")\", UCase([Company Name]) "
                    u"FROM Customers WHERE ID IN (4, 5) ORDER BY ID"),
            (rows{"Delta ()|DELTA", "\xc3\x89psilon (Paris)|\xc3\x89PSILON"}));
  EXPECT_EQ(db.rows(u"SELECT CStr(Qty) & \"x\", Format(Amount, \"#,##0.00\"), "
                    u"Format(1234.5, \"Currency\"), InStr(Note, \"RS\") "
                    u"FROM Orders WHERE OrderID = 10"),
            rows{"2x|100.10|$1,234.50|3"});
}

TEST_F(AccessSql, TextComparesWithoutRegardToCase) {
  EXPECT_EQ(db.rows(u"SELECT ID FROM Customers WHERE City = 'berlin'"), rows{"1"});
  EXPECT_EQ(db.rows(u"SELECT DISTINCT Product FROM [Order Details] ORDER BY Product"),
            (rows{"Gadget", "Gizmo", "Widget"}));
  EXPECT_EQ(db.rows(u"SELECT [Company Name] FROM Customers ORDER BY [Company Name]"),
            (rows{"Alpha Ltd", "beta GmbH", "Delta", "Gamma & Sons", "\xc3\x89psilon"}));
}

TEST_F(AccessSql, LikePatterns) {
  auto ids = [&](const std::u16string& pattern) {
    return db.rows(u"SELECT ID FROM Customers WHERE [Company Name] " + pattern + u" ORDER BY ID");
  };
  EXPECT_EQ(ids(u"Like \"*A*\""), (rows{"1", "2", "3", "4"}));
  EXPECT_EQ(ids(u"Like '?elta'"), rows{"4"});
  EXPECT_EQ(ids(u"Like \"[a-c]*\""), (rows{"1", "2"}));
  EXPECT_EQ(ids(u"Not Like \"[!a-c]*\""), (rows{"1", "2"}));
  EXPECT_EQ(ids(u"Like \"*&*\""), rows{"3"});
  EXPECT_EQ(db.rows(u"SELECT Count(*) FROM Orders WHERE CStr(OrderID) Like \"1#\""), rows{"5"});
}

TEST_F(AccessSql, IIfAndNz) {
  const std::u16string sql =
      u"SELECT IIf(Active, \"yes\", \"no\") AS A, Nz(City, \"unknown\"), Nz(Credit, 0), "
      u"IIf(Credit > 100, Credit, Null) FROM Customers ORDER BY ID";
  EXPECT_EQ(db.rows(sql),
            (rows{"yes|Berlin|1500.5|1500.5", "no|Munich|0|NULL", "yes|London|250.25|250.25",
                  "no|unknown|0|NULL", "yes|Paris|99.9999|NULL"}));
  EXPECT_EQ(db.fields(sql), (rows{"A:10", "Expr1000:10", "Expr1001:5", "Expr1002:5"}));
}

TEST_F(AccessSql, TopKeepsTiesAndPercentRoundsUp) {
  EXPECT_EQ(db.rows(u"SELECT TOP 2 OrderID FROM Orders ORDER BY Amount DESC"), (rows{"13", "11"}));
  EXPECT_EQ(db.rows(u"SELECT TOP 1 OrderID FROM Orders ORDER BY Qty, OrderID DESC"), rows{"14"});
  EXPECT_EQ(db.rows(u"SELECT TOP 1 OrderID FROM Orders ORDER BY Qty").size(), 2u);
  EXPECT_EQ(db.rows(u"SELECT TOP 30 PERCENT OrderID FROM Orders ORDER BY OrderID"),
            (rows{"10", "11"}));
  EXPECT_EQ(db.rows(u"SELECT DISTINCTROW TOP 3 ID FROM Customers").size(), 3u);
}

TEST_F(AccessSql, Subqueries) {
  EXPECT_EQ(db.rows(u"SELECT ID FROM Customers WHERE ID IN "
                    u"(SELECT CustomerID FROM Orders WHERE Amount > 100) ORDER BY ID"),
            (rows{"1", "3"}));
  EXPECT_EQ(db.rows(u"SELECT ID FROM Customers WHERE NOT EXISTS "
                    u"(SELECT * FROM Orders WHERE Orders.CustomerID = Customers.ID)"),
            rows{"4"});
  EXPECT_EQ(db.rows(u"SELECT (SELECT Max(Amount) FROM Orders) AS M, "
                    u"(SELECT Count(*) FROM Orders AS o WHERE o.CustomerID = c.ID) AS N "
                    u"FROM Customers AS c WHERE c.ID = 1"),
            rows{"300.3|2"});
  EXPECT_EQ(db.rows(u"SELECT Count(*) FROM (SELECT DISTINCT CustomerID FROM Orders)"), rows{"4"});
  EXPECT_EQ(db.rows(u"SELECT OrderID FROM Orders WHERE Amount >= ALL (SELECT Amount FROM Orders)"),
            rows{"13"});
  EXPECT_EQ(db.rows(u"SELECT T.Total FROM (SELECT CustomerID, Sum(Amount) AS Total FROM Orders "
                    u"GROUP BY CustomerID) AS T WHERE T.CustomerID = 1"),
            rows{"300.3"});
}

TEST_F(AccessSql, UnionOrdersTheWholeResult) {
  EXPECT_EQ(db.rows(u"SELECT City FROM Customers WHERE ID < 3 UNION SELECT Product FROM "
                    u"[Order Details] WHERE OrderID = 13 ORDER BY City"),
            (rows{"Berlin", "Gizmo", "Munich"}));
}

TEST_F(AccessSql, TypesOfComputedColumns) {
  EXPECT_EQ(db.fields(u"SELECT 1 AS a, 1.5 AS b, \"x\" AS c, #1/1/2000# AS d, Qty + 1 AS e, "
                      u"Qty * Rate AS f, Amount * 2 AS g, Amount / 2 AS h, Qty \\ 2 AS i, "
                      u"OrderID > 2 AS j, Weight + 1 AS k, CLng(Rate) AS l, CStr(Qty) AS m, "
                      u"Amount, Note, Year(OrderDate) AS n, Qty & \"\" AS o FROM Orders"),
            (rows{"a:4", "b:7", "c:10", "d:8", "e:4", "f:7", "g:5", "h:7", "i:4", "j:1", "k:20",
                  "l:4", "m:10", "Amount:5", "Note:12", "n:3", "o:10"}));
  EXPECT_EQ(db.rows(u"SELECT OrderID > 12, Qty \\ 2, 7 Mod 3, 2 ^ 10, -Qty FROM Orders "
                    u"WHERE OrderID = 13"),
            rows{"true|1|1|1024|-3"});
}

TEST_F(AccessSql, StarFromJoinNamesDuplicateColumnsByTable) {
  const rows f = db.fields(
      u"SELECT * FROM Orders INNER JOIN [Order Details] "
      u"ON Orders.OrderID = [Order Details].OrderID");
  ASSERT_EQ(f.size(), 12u);
  EXPECT_EQ(f[0], "Orders.OrderID:4");
  EXPECT_EQ(f[8], "Order Details.OrderID:4");
  EXPECT_EQ(f[9], "Product:10");
  // Named columns of one name from two tables are named by table as well.
  const rows named = db.fields(
      u"SELECT Orders.OrderID, [Order Details].OrderID, Product FROM Orders INNER JOIN "
      u"[Order Details] ON Orders.OrderID = [Order Details].OrderID");
  ASSERT_EQ(named.size(), 3u);
  EXPECT_EQ(named[0], "Orders.OrderID:4");
  EXPECT_EQ(named[1], "Order Details.OrderID:4");
  EXPECT_EQ(named[2], "Product:10");
}

TEST_F(AccessSql, RecordsetMovesBackAndRewinds) {
  auto rs = query(db.db.get(), u"SELECT OrderID FROM Orders WHERE OrderID > 11 ORDER BY OrderID");
  ASSERT_TRUE(rs);
  EXPECT_EQ(rs->MoveNext(), S_OK);
  EXPECT_EQ(rs->MovePrevious(), S_OK);
  EXPECT_EQ(field_value(rs.get(), u"OrderID"), "12");
  EXPECT_EQ(rs->MoveFirst(), S_OK);
  EXPECT_EQ(read_all(rs.get()).size(), 3u);
}

}  // namespace
