// Oracle identifier rules of the table and column name validators.
#include <gtest/gtest.h>

#include "ORA/ora_validator.h"

namespace {

TEST(OraValidator, AcceptsOraclesIdentifiersOnly) {
  ora_validator v;
  for (const wchar_t* good : {L"A", L"Orders", L"Größe", L"A$#_9", L"Имя"})
    EXPECT_TRUE(v.is_acceptable(good)) << good;
  for (const wchar_t* bad : {L"", L"1ST_QTR", L"_x", L"Order Details", L"a-b", L"x'y"})
    EXPECT_FALSE(v.is_acceptable(bad)) << bad;
  EXPECT_TRUE(v.is_acceptable(std::wstring(30, L'a')));
  EXPECT_FALSE(v.is_acceptable(std::wstring(31, L'a')));
}

TEST(OraValidator, SafeNamesStartWithALetterAndUseOnlyNameCharacters) {
  ora_validator v;
  EXPECT_EQ(v.get_safe_name(L"1ST_QTR"), L"A1ST_QTR");
  EXPECT_EQ(v.get_safe_name(L"Order Details"), L"Order_Details");
  EXPECT_EQ(v.get_safe_name(L"Größe"), L"Größe");
  EXPECT_EQ(v.get_safe_name(L"_x"), L"A_x");
  EXPECT_EQ(v.get_safe_name(std::wstring(31, L'b')), std::wstring(29, L'b'));
  EXPECT_EQ(v.get_safe_name(L"9" + std::wstring(30, L'c')), L"A9" + std::wstring(27, L'c'));
}

TEST(OraValidator, RestrictedNamesIgnoreCase) {
  ora_validator v;
  v.restricted().push_back(L"PRIMARY");
  EXPECT_FALSE(v.is_acceptable(L"primary"));
  EXPECT_EQ(v.get_safe_name(L"Primary"), L"Primary00000");
}

TEST(OraFnValidator, SourceFieldsCountAsTaken) {
  udb_schema fields(true);
  for (const wchar_t* name : {L"Order Details", L"Order_Details", L"ID"})
    fields.add(std::make_unique<t_ftd>(10, name, VT_BSTR, false, false, ole_variant(), 0));
  ora_fn_validator v(fields);
  EXPECT_EQ(v.get_safe_name(L"Order Details"), L"Order_Details00000");
  EXPECT_TRUE(v.is_duplicated(L"id"));
}

TEST(OraTnValidator, SourceAndExistingTablesCountAsTaken) {
  ora_tn_validator v({L"Sales Report"}, {L"SALES_REPORT", L"ORDERS"});
  EXPECT_EQ(v.get_safe_name(L"Sales Report"), L"Sales_Report00000");
  EXPECT_TRUE(v.is_duplicated(L"orders"));
}

}  // namespace
