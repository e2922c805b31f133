// Saved queries as view queries: names through the run's plan, joins,
// TOP with ties, unions, and the queries Oracle cannot hold.
#include "logic/logic_view.h"

#include <gtest/gtest.h>

#include <map>

#include "TK/tk_text.h"
#include "access/dao/dao_types.h"
#include "access/dao/sql/sql_parser.h"

namespace {

class fixed_catalog : public logic_catalog {
 public:
  fixed_catalog() {
    relations_[u"Orders"] = {"ORDERS",
                             {{u"OrderID", "ORDERID", logic_type::integer},
                              {u"Ship Country", "SHIP_COUNTRY", logic_type::text},
                              {u"Freight", "FREIGHT", logic_type::number},
                              {u"Shipped", "SHIPPED", logic_type::yes_no},
                              {u"OrderDate", "ORDERDATE", logic_type::date}}};
    relations_[u"Order Details"] = {"ORDER_DETAILS",
                                    {{u"OrderID", "ORDERID", logic_type::integer},
                                     {u"Qty", "QTY", logic_type::integer},
                                     {u"Files", "FILES", logic_type::integer, true}}};
  }
  const logic_relation* relation(const std::u16string& name) override {
    auto it = relations_.find(name);
    return it == relations_.end() ? nullptr : &it->second;
  }

 private:
  std::map<std::u16string, logic_relation> relations_;
};

std::string view_of(const std::u16string& text, bool row_limiting = true) {
  fixed_catalog catalog;
  logic_view_options options;
  options.row_limiting = row_limiting;
  try {
    return logic_translate_view(*sql_parse(text), catalog, options, {}).select;
  } catch (const logic_refusal& e) {
    return std::string("refused: ") + e.what();
  }
}

TEST(LogicView, SelectsUnderTheRunsNames) {
  EXPECT_EQ(
      view_of(u"SELECT * FROM Orders WHERE [Ship Country] = 'uk'"),
      "SELECT T1.\"ORDERID\" \"OrderID\", T1.\"SHIP_COUNTRY\" \"Ship_Country\", T1.\"FREIGHT\" "
      "\"Freight\", T1.\"SHIPPED\" \"Shipped\", T1.\"ORDERDATE\" \"OrderDate\" FROM \"ORDERS\" "
      "T1 WHERE (LOWER(T1.\"SHIP_COUNTRY\") = LOWER('uk'))");
  EXPECT_EQ(
      view_of(u"SELECT o.OrderID, Sum(d.Qty) AS Total FROM Orders AS o INNER JOIN [Order "
              u"Details] AS d ON o.OrderID = d.OrderID WHERE o.Shipped = True GROUP BY "
              u"o.OrderID HAVING Sum(d.Qty) > 10"),
      "SELECT T1.\"ORDERID\" \"OrderID\", SUM(T2.\"QTY\") \"Total\" FROM (\"ORDERS\" T1 INNER "
      "JOIN \"ORDER_DETAILS\" T2 ON (T1.\"ORDERID\" = T2.\"ORDERID\")) WHERE ((-T1.\"SHIPPED\") "
      "= -1) GROUP BY T1.\"ORDERID\" HAVING (SUM(T2.\"QTY\") > 10)");
  EXPECT_EQ(view_of(u"SELECT OrderID FROM Orders WHERE OrderID IN (SELECT OrderID FROM [Order "
                    u"Details] WHERE Qty > 5)"),
            "SELECT T1.\"ORDERID\" \"OrderID\" FROM \"ORDERS\" T1 WHERE (T1.\"ORDERID\" IN (SELECT "
            "T2.\"ORDERID\" \"OrderID\" FROM \"ORDER_DETAILS\" T2 WHERE (T2.\"QTY\" > 5)))");
  EXPECT_EQ(view_of(u"SELECT OrderID FROM Orders UNION ALL SELECT OrderID FROM [Order Details]"),
            "SELECT T1.\"ORDERID\" \"OrderID\" FROM \"ORDERS\" T1 UNION ALL SELECT T2.\"ORDERID\" "
            "\"OrderID\" FROM \"ORDER_DETAILS\" T2");
}

TEST(LogicView, OutputNamesAreGivenAsColumnNamesAre) {
  fixed_catalog catalog;
  logic_view_options options;
  options.uppercase = true;
  const logic_view v = logic_translate_view(
      *sql_parse(u"SELECT OrderID AS [Order Date], Freight AS [Select], Freight * 2 FROM Orders"),
      catalog, options, {u"Order Date", u"Select", u"Expr1002"});
  ASSERT_EQ(v.columns.size(), 3u);
  EXPECT_EQ(v.columns[0].oracle, "ORDER_DATE");
  EXPECT_EQ(v.columns[1].oracle, "SELECT");  // quoted, as a column would be
  EXPECT_EQ(v.columns[2].oracle, "EXPR1002");
  EXPECT_EQ(v.columns[2].type, logic_type::number);
  // The Access SQL layer's names must match the query's columns.
  EXPECT_THROW(logic_translate_view(*sql_parse(u"SELECT * FROM Orders"), catalog, options, {u"A"}),
               logic_refusal);
}

TEST(LogicView, TopKeepsTheRowsTiedWithTheLast) {
  EXPECT_EQ(
      view_of(u"SELECT TOP 5 OrderID FROM Orders ORDER BY Freight DESC"),
      "SELECT T1.\"ORDERID\" \"OrderID\" FROM \"ORDERS\" T1 ORDER BY T1.\"FREIGHT\" DESC NULLS "
      "LAST FETCH FIRST 5 ROWS WITH TIES");
  EXPECT_EQ(
      view_of(u"SELECT TOP 10 PERCENT OrderID FROM Orders ORDER BY [Ship Country]"),
      "SELECT T1.\"ORDERID\" \"OrderID\" FROM \"ORDERS\" T1 ORDER BY LOWER(T1.\"SHIP_COUNTRY\") "
      "ASC NULLS FIRST FETCH FIRST 10 PERCENT ROWS WITH TIES");
  EXPECT_EQ(
      view_of(u"SELECT TOP 5 OrderID FROM Orders ORDER BY Freight", false),
      "SELECT \"OrderID\" FROM (SELECT T1.\"ORDERID\" \"OrderID\", RANK() OVER (ORDER BY "
      "T1.\"FREIGHT\" ASC NULLS FIRST) \"TOP_RANK__\" FROM \"ORDERS\" T1) WHERE \"TOP_RANK__\" "
      "<= 5");
}

TEST(LogicView, CrosstabsPivotOverTheirHeadings) {
  fixed_catalog catalog;
  logic_view_options options;
  // Headings found in the data, as the Access SQL layer names the columns.
  const logic_view v = logic_translate_view(
      *sql_parse(u"TRANSFORM Sum(Freight) SELECT OrderID FROM Orders GROUP BY OrderID "
                 u"PIVOT [Ship Country]"),
      catalog, options, {u"OrderID", u"France", u"UK"});
  EXPECT_EQ(
      v.select,
      "SELECT \"OrderID\", \"France\", \"UK\" FROM (SELECT T1.\"ORDERID\" \"OrderID\", "
      "LOWER(T1.\"SHIP_COUNTRY\") \"PIVOT__\", T1.\"FREIGHT\" \"VALUE__\" FROM \"ORDERS\" T1) "
      "PIVOT (SUM(\"VALUE__\") FOR \"PIVOT__\" IN ('france' \"France\", 'uk' \"UK\"))");
  ASSERT_EQ(v.columns.size(), 3u);
  EXPECT_EQ(v.columns[2].type, logic_type::number);
  // A fixed list of headings; whole numbers.
  const logic_view fixed = logic_translate_view(
      *sql_parse(u"TRANSFORM Max(Freight) SELECT Shipped FROM Orders GROUP BY Shipped "
                 u"PIVOT OrderID IN (1, 2)"),
      catalog, options, {});
  EXPECT_NE(fixed.select.find("IN (1 \"A1\", 2 \"A2\")"), std::string::npos) << fixed.select;
  // Oracle's limit of 1,000 columns counts.
  std::vector<std::u16string> wide = {u"OrderID"};
  for (int i = 0; i < 1000; ++i) wide.push_back(tk_utf8_to_utf16(std::to_string(i)));
  EXPECT_THROW(logic_translate_view(*sql_parse(u"TRANSFORM Sum(Freight) SELECT OrderID FROM "
                                               u"Orders GROUP BY OrderID PIVOT OrderID"),
                                    catalog, options, wide),
               logic_refusal);
}

TEST(LogicView, QueriesOracleCannotHoldAreRefused) {
  const struct {
    const char16_t* text;
    const char* reason_part;
  } cases[] = {
      {u"SELECT TOP 5 OrderID FROM Orders", "TOP without ORDER BY"},
      {u"SELECT DISTINCT [Ship Country] FROM Orders", "DISTINCT over text"},
      {u"SELECT [Ship Country] FROM Orders UNION SELECT [Ship Country] FROM Orders",
       "UNION of text"},
      {u"SELECT [Ship Country], Count(*) FROM Orders GROUP BY [Ship Country]", "GROUP BY text"},
      {u"SELECT First(OrderID) FROM Orders", "no Oracle equal"},
      {u"SELECT * FROM Customers", "Customers, which is not in Oracle"},
      {u"SELECT * FROM Orders WHERE OrderID = [Which order?]", "parameter Which order?"},
      {u"SELECT * FROM Orders WHERE OrderID = Forms!Main", "form"},
      {u"SELECT * FROM [Order Details]", "child table"},
      {u"TRANSFORM Count(Freight) SELECT OrderID FROM Orders GROUP BY OrderID PIVOT OrderID",
       "Count"},
      {u"TRANSFORM Sum(Freight) SELECT [Ship Country] FROM Orders GROUP BY [Ship Country] PIVOT "
       u"OrderID",
       "headed by text"},
      {u"TRANSFORM Sum(Freight) SELECT OrderID FROM Orders GROUP BY OrderID PIVOT OrderDate",
       "neither text nor whole numbers"},
      {u"SELECT DISTINCTROW o.OrderID FROM Orders o, [Order Details] d", "DISTINCTROW"},
  };
  for (const auto& c : cases) {
    const std::string r = view_of(c.text);
    EXPECT_NE(r.find(c.reason_part), std::string::npos) << r;
  }
}

}  // namespace
