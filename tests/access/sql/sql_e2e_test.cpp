// A query converted as a table end to end: TARVAGENT loads a profile that
// selects a table and a SELECT query of sqlTest.mdb, converts both into the
// embedded engine, and the query's table is read back with oraemb-sql. Also
// queries over the saved queries of savedQueries.mdb: each table holds the
// rows Access gives, and a query the layer refuses stores nothing.
#include <fstream>

#include "tests/e2e/e2e_support.h"

namespace {

const std::string kSource = fixture("sql/sqlTest.mdb");

using QueryAsTable = e2e_test;

TEST_F(QueryAsTable, SelectQueryOfAProfileBecomesATable) {
  const std::string profile = dir_ + "/query.tvp";
  {
    std::ofstream out(profile);
    out << "[Generic settings]\ndest=E2E\nmode=1\nonly definitions=0\nskip indexes=0\nsrc="
        << kSource << "\n[Oracle settings]\nhost=localhost\npassword=e2e\nuppercase=0\nuser=e2e\n"
        << "[Selected Tables]\nCustomers=\n"
        << "Big Orders=SELECT o.OrderID, c.[Company Name], o.Amount * 2 AS Twice, o.OrderDate "
           "FROM Orders AS o INNER JOIN Customers AS c ON o.CustomerID = c.ID "
           "WHERE o.Amount > 100\n";
  }
  const run_result r = convert(kSource, "--profile=" + profile);
  ASSERT_EQ(r.status, 0) << r.output;
  const std::vector<std::string> t = tables();
  std::string names;
  for (const std::string& n : t) names += n + ";";
  EXPECT_EQ(names, "Big_Orders;Customers;") << r.output;
  // Names with blanks are made acceptable to Oracle.
  const rows got = query("SELECT * FROM \"Big_Orders\" ORDER BY 1");
  ASSERT_EQ(got.size(), 4u);
  EXPECT_EQ(got[1], (std::vector<std::string>{"10", "Alpha Ltd", "200.2", "2010-01-05 00:00:00"}));
  EXPECT_EQ(got[3],
            (std::vector<std::string>{"13", "Gamma & Sons", "600.6", "2010-01-31 00:00:00"}));
  EXPECT_EQ(value("SELECT data_type FROM user_tab_columns WHERE table_name = 'Big_Orders' AND "
                  "column_name = 'OrderDate'"),
            "DATE");
}

TEST_F(QueryAsTable, SavedQueriesKeepTheirMeaning) {
  const std::string source = fixture("generated/savedQueries.mdb");
  const std::string profile = dir_ + "/saved.tvp";
  {
    std::ofstream out(profile);
    out << "[Generic settings]\ndest=E2E\nmode=1\nonly definitions=0\nskip indexes=0\nsrc="
        << source << "\n[Oracle settings]\nhost=localhost\npassword=e2e\nuppercase=0\nuser=e2e\n"
        << "[Selected Tables]\n"
        << "Top=SELECT * FROM [TopTwo]\n"
        << "Buyers=SELECT DISTINCTROW Customers.Name FROM Customers INNER JOIN Orders "
           "ON Customers.CustID = Orders.CustID\n"
        << "Names=SELECT * FROM BerlinOrFirstAll\n"
        << "Regions=SELECT * FROM RegionTotals\n"
        << "Above=SELECT * FROM OrdersAbove\n";
  }
  const run_result r = convert(source, "--profile=" + profile);
  std::string names;
  for (const std::string& n : tables()) names += n + ";";
  // The parameter query is refused with the engine's error; no table.
  EXPECT_EQ(names, "Buyers;Names;Regions;Top;") << r.output;
  EXPECT_NE(r.output.find("Too few parameters. Expected 1."), std::string::npos) << r.output;
  EXPECT_EQ(value("SELECT COUNT(*) FROM \"Top\""), "3");
  EXPECT_EQ(value("SELECT COUNT(*) FROM \"Buyers\""), "3");
  EXPECT_EQ(value("SELECT COUNT(*) FROM \"Names\""), "4");
  const rows regions = query("SELECT * FROM \"Regions\" ORDER BY 1");
  ASSERT_EQ(regions.size(), 5u);  // the heading and four customers
  EXPECT_EQ(regions[0], (std::vector<std::string>{"CustID", "N", "S"}));
  EXPECT_EQ(regions[1], (std::vector<std::string>{"1", "100", "30"}));
  EXPECT_EQ(regions[2], (std::vector<std::string>{"2", "", "70"}));
}

}  // namespace
