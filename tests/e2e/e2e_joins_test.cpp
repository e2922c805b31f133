// A converted database queried as its user would next: joins across the
// tables that the conversion's keys link, an aggregate over outer joins, a
// view over them and a correlated subquery, all through oraemb-sql.
#include "tests/e2e/e2e_support.h"

namespace {

class Joins : public e2e_test {};

TEST_F(Joins, QueriesOverAConvertedDatabase) {
  ASSERT_EQ(convert(kSample).status, 0);
  // Order totals per customer, customers without orders included.
  EXPECT_EQ(query("SELECT c.\"CustomerID\", COUNT(o.\"OrderID\") n, "
                  "SUM(l.\"Quantity\" * l.\"UnitPrice\") total FROM \"Customers\" c "
                  "LEFT JOIN \"Orders\" o ON o.\"CustomerID\" = c.\"CustomerID\" "
                  "LEFT JOIN \"OrderLines\" l ON l.\"OrderID\" = o.\"OrderID\" "
                  "GROUP BY c.\"CustomerID\" ORDER BY 1"),
            (rows{{"CustomerID", "N", "TOTAL"},
                  {"1", "3", "54.97"},
                  {"2", "1", "93"},
                  {"3", "2", "100.25"},
                  {"4", "0", ""},
                  {"5", "0", ""}}));
  // Lines with their product (USING the key both tables name alike) and
  // the shipment of the line when there is one.
  EXPECT_EQ(query("SELECT o.\"OrderID\", p.\"ProductName\", s.\"Carrier\" FROM \"Orders\" o "
                  "JOIN \"OrderLines\" l ON l.\"OrderID\" = o.\"OrderID\" "
                  "JOIN \"Products\" p USING (\"ProductID\") "
                  "LEFT JOIN \"Shipments\" s ON s.\"OrderID\" = l.\"OrderID\" "
                  "AND s.\"LineNo\" = l.\"LineNo\" ORDER BY 1, 2"),
            (rows{{"OrderID", "ProductName", "Carrier"},
                  {"1", "Ceylon Orange Pekoe", "DHL"},
                  {"1", "Earl Grey", "DHL"},
                  {"2", "Пуэр (выдержанный)", ""},
                  {"3", "Earl Grey", ""},
                  {"3", "龙井茶", "Почта России"},
                  {"4", "Ceylon Orange Pekoe", ""}}));
  const run_result view = try_query(
      "CREATE VIEW \"Unshipped\" AS SELECT o.\"OrderID\", c.\"Country\" FROM \"Orders\" o, "
      "\"Customers\" c WHERE c.\"CustomerID\" = o.\"CustomerID\" AND NOT EXISTS "
      "(SELECT 1 FROM \"Shipments\" s WHERE s.\"OrderID\" = o.\"OrderID\")");
  ASSERT_EQ(view.status, 0) << view.output;
  EXPECT_EQ(query("SELECT * FROM \"Unshipped\" ORDER BY 1"),
            (rows{{"OrderID", "Country"}, {"2", "Ελλάδα"}, {"4", "Deutschland"}}));
}

}  // namespace
