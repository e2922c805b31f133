// Names maps: insertion keeps the first pair, lookups match exactly or
// ignoring case in key order, and unknown names map to themselves.
#include "UDB/udb_names_map.h"

#include "tests/TK/tk_test_support.h"

namespace {

TEST(NamesMap, LookupMatchesExactlyOrIgnoringCase) {
  t_names_map m;
  m.add(L"Orders", L"ORDERS_1");
  m.add(L"Äpfel", L"APFEL");
  m.add(L"Orders", L"other");  // the first pair stays
  struct row {
    const wchar_t* name;
    bool b_case_sensitive;
    const wchar_t* expected;
  };
  const row rows[] = {
      {L"orders", false, L"ORDERS_1"}, {L"orders", true, L"orders"},
      {L"Orders", true, L"ORDERS_1"},  {L"äPFEL", false, L"APFEL"},
      {L"Äpfel", true, L"APFEL"},      {L"unknown", false, L"unknown"},
  };
  for (const auto& r : rows)
    EXPECT_EQ(m.get_mapped_name(r.name, r.b_case_sensitive), r.expected) << r.b_case_sensitive;
}

TEST(NamesMap, FirstKeyInCodeUnitOrderWinsIgnoringCase) {
  t_names_map m;
  m.add(L"Orders", L"second");
  m.add(L"ORDERS", L"first");  // 'R' sorts before 'r'
  EXPECT_EQ(m.get_mapped_name(L"orders", false), L"first");
  EXPECT_EQ(m.get_mapped_name(L"Orders", true), L"second");
}

class NamesMapTrace : public TraceTest {};

TEST_F(NamesMapTrace, TableAndColumnLookups) {
  udb_names_map names;
  names.add_tn_mapping(L"Order Details", L"Order_Details");
  t_names_map columns;
  columns.add(L"Unit Price", L"Unit_Price");
  names.add_fn_map(L"Order Details", columns);
  columns.add(L"Discount%", L"Discount_");  // the stored copy does not change
  names.add_fn_map(L"Order Details", columns);

  EXPECT_EQ(names.get_tn_mapped_name(L"order details", false), L"Order_Details");
  EXPECT_EQ(names.get_tn_mapped_name(L"order details", true), L"order details");
  EXPECT_TRUE(traced("Comparing with (Order Details,Order_Details)"));
  EXPECT_TRUE(traced("Got mapped name: Order_Details"));

  EXPECT_EQ(names.get_fn_mapped_name(L"Order Details", L"unit price", false), L"Unit_Price");
  EXPECT_EQ(names.get_fn_mapped_name(L"Order Details", L"Discount%", false), L"Discount%");
  // The table itself is found by its exact name only.
  EXPECT_EQ(names.get_fn_mapped_name(L"order details", L"Unit Price", false), L"Unit Price");
  EXPECT_TRUE(traced("Table 'order details' not found"));
  EXPECT_EQ(names.get_fn_mapped_name(L"Never", L"Col", true), L"Col");
  EXPECT_TRUE(traced("udb_names_map::add_tn_mapping(Order Details,Order_Details)"));
  EXPECT_TRUE(traced("udb_names_map::add_fn_map(Order Details)"));
}

}  // namespace
