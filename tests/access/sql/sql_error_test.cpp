// Query texts Access rejects fail with its error numbers and texts; malformed
// and hostile texts (unterminated names, strings and dates, deep nesting,
// huge IN lists, statements that are not SELECTs) fail cleanly too.
#include <gtest/gtest.h>

#include "tests/access/sql/sql_test_support.h"

namespace {

class AccessSqlErrors : public ::testing::Test {
 protected:
  sql_fixture db{"sql/sqlTest.mdb"};
};

TEST_F(AccessSqlErrors, UnknownTablesAndNames) {
  std::string text;
  EXPECT_EQ(db.error(u"SELECT * FROM Nowhere", &text), 3078);
  EXPECT_NE(text.find("'Nowhere'"), std::string::npos);
  EXPECT_EQ(db.error(u"SELECT Nope, Other, Nope FROM Customers", &text), 3061);
  EXPECT_EQ(text, "Too few parameters. Expected 2.");
  EXPECT_EQ(db.error(u"SELECT x.ID FROM Customers", &text), 3061);
  // A form's control is a parameter outside Access, not a syntax error.
  EXPECT_EQ(db.error(u"SELECT ID FROM Customers WHERE ID = [Forms]![Orders]![CustomerID]", &text),
            3061);
  EXPECT_EQ(text, "Too few parameters. Expected 1.");
  EXPECT_EQ(db.error(u"SELECT ID FROM Customers WHERE ID = Forms!Orders!Customer.Value", &text),
            3061);
  EXPECT_EQ(db.error(u"SELECT OrderID FROM Orders, [Order Details]", &text), 3079);
  EXPECT_EQ(db.error(u"SELECT Foo(ID) FROM Customers", &text), 3085);
  EXPECT_EQ(text, "Undefined function 'Foo' in expression.");
  EXPECT_EQ(db.error(u"PARAMETERS p Long; SELECT ID FROM Customers WHERE ID = p"), 3061);
}

TEST_F(AccessSqlErrors, SyntaxErrorsQuoteTheExpression) {
  std::string text;
  EXPECT_EQ(db.error(u"SELECT a b FROM Customers", &text), 3075);
  EXPECT_EQ(text, "Syntax error (missing operator) in query expression 'a b'.");
  EXPECT_EQ(db.error(u"SELECT ID FROM Customers WHERE City = 'x", &text), 3075);
  EXPECT_EQ(text, "Syntax error in string in query expression 'City = 'x'.");
  EXPECT_EQ(db.error(u"SELECT ID FROM Customers WHERE Since > #1/2", &text), 3075);
  EXPECT_EQ(text.rfind("Syntax error in date", 0), 0u);
  EXPECT_EQ(db.error(u"SELECT ID FROM Customers WHERE Since > #13/45/2010#"), 3075);
  EXPECT_EQ(db.error(u"SELECT [Company Name FROM Customers"), 3075);
  EXPECT_EQ(db.error(u"SELECT (ID FROM Customers"), 3075);
  EXPECT_EQ(db.error(u"SELECT ID FROM Customers WHERE"), 3075);
  EXPECT_EQ(db.error(u"SELECT ID FROM [Customers"), 3126);
  EXPECT_EQ(db.error(u"SELECT * FROM Customers INNER JOIN Orders"), 3131);
  EXPECT_EQ(db.error(u"SELECT * FROM Customers junk junk"), 3131);
  EXPECT_EQ(db.error(u"SELECT ID FROM Customers; SELECT 1"), 3142);
  EXPECT_EQ(db.error(u"SELECT FROM Customers"), 3141);
  EXPECT_EQ(db.error(u"SELECT ID FROM Customers ORDER ID"), 3138);
}

TEST_F(AccessSqlErrors, StatementsOtherThanSelect) {
  EXPECT_EQ(db.error(u""), 3129);
  EXPECT_EQ(db.error(u"CREATE TABLE x (a int)"), 3129);
  EXPECT_EQ(db.error(u"DELETE FROM Customers"), 3219);
  EXPECT_EQ(db.error(u"TRANSFORM Sum(Qty) SELECT CustomerID FROM Orders GROUP BY CustomerID"),
            3143);
  EXPECT_EQ(db.error(u"SELECT CustomerID FROM Orders PIVOT OrderID"), 3142);
  EXPECT_EQ(db.error(u"PARAMETERS; SELECT 1"), 3139);
}

TEST_F(AccessSqlErrors, AggregateAndTypeRules) {
  EXPECT_EQ(db.error(u"SELECT CustomerID, Amount FROM Orders GROUP BY CustomerID"), 3122);
  EXPECT_EQ(db.error(u"SELECT ID FROM Customers WHERE Count(*) > 1"), 3096);
  EXPECT_EQ(db.error(u"SELECT ID FROM Customers WHERE City = 5"), 3464);
  EXPECT_EQ(db.error(u"SELECT ID FROM Customers WHERE ID IN (SELECT ID, City FROM Customers)"),
            3306);
  EXPECT_EQ(db.error(u"SELECT DISTINCT City FROM Customers ORDER BY ID"), 3093);
  EXPECT_EQ(db.error(u"SELECT * FROM Customers, Customers"), 3074);
  // Evaluated row by row: a text that is not a number.
  EXPECT_EQ(db.error(u"SELECT CLng(City) FROM Customers"), 3464);
  EXPECT_EQ(db.error(u"SELECT CInt(100000) FROM Customers"), 3071);
}

TEST_F(AccessSqlErrors, HostileTextsFailWithoutCrashing) {
  std::u16string deep = u"SELECT ";
  for (int i = 0; i < 5000; ++i) deep += u"(";
  deep += u"1";
  EXPECT_EQ(db.error(deep), 3360);
  std::u16string chain = u"SELECT ID FROM Customers WHERE ID = 1";
  for (int i = 0; i < 5000; ++i) chain += u" OR ID = 1";
  EXPECT_EQ(db.error(chain), 3360);
  std::u16string nested = u"SELECT ID FROM Customers";
  for (int i = 0; i < 300; ++i) nested = u"SELECT * FROM (" + nested + u")";
  EXPECT_EQ(db.error(nested), 3360);
  std::u16string negations = u"SELECT ";
  for (int i = 0; i < 5000; ++i) negations += u"-";
  EXPECT_EQ(db.error(negations + u"1"), 3360);
  EXPECT_NE(db.error(u"SELECT \"abc"), 0);
  EXPECT_NE(db.error(u"SELECT [abc"), 0);
  EXPECT_NE(db.error(u"SELECT #abc"), 0);
  EXPECT_NE(db.error(std::u16string(1, u'\0') + u"SELECT"), 0);
}

TEST_F(AccessSqlErrors, HugeInListRuns) {
  std::u16string sql = u"SELECT Count(*) FROM Customers WHERE ID IN (";
  for (int i = 0; i < 20000; ++i) sql += (i ? u"," : u"") + std::u16string(i % 2 ? u"1" : u"3");
  EXPECT_EQ(db.rows(sql + u")"), std::vector<std::string>{"2"});
}

}  // namespace
