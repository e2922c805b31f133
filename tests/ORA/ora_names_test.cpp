// Oracle identifier rules of the table and column name validators, and the
// counter read from a trigger body.
#include <gtest/gtest.h>

#include "ORA/ora_counter.h"
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

// Oracle counts identifiers in bytes of the database character set (UTF-8):
// 30 below 12.2, 128 from it. Cuts fall between characters.
TEST(OraValidator, LimitsCountBytesOfTheDatabaseCharacterSet) {
  ora_validator v;
  EXPECT_TRUE(v.is_acceptable(std::wstring(15, L'ä')));
  EXPECT_FALSE(v.is_acceptable(std::wstring(16, L'ä')));
  EXPECT_FALSE(v.is_acceptable(std::wstring(30, L'ä')));
  EXPECT_EQ(v.get_safe_name(std::wstring(30, L'ä')), std::wstring(14, L'ä'));
  EXPECT_EQ(v.get_safe_name(L"a" + std::wstring(20, L'ア')), L"a" + std::wstring(9, L'ア'));
  // Numbered candidates leave room for their five digits.
  v.restricted().push_back(std::wstring(14, L'ä'));
  EXPECT_EQ(v.get_safe_name(std::wstring(30, L'ä')), std::wstring(12, L'ä') + L"00000");

  ora_validator wide(128);
  EXPECT_TRUE(wide.is_acceptable(std::wstring(64, L'ä')));
  EXPECT_FALSE(wide.is_acceptable(std::wstring(65, L'ä')));
  EXPECT_TRUE(wide.is_acceptable(std::wstring(31, L'a')));
  EXPECT_EQ(wide.get_safe_name(std::wstring(130, L'b')), std::wstring(127, L'b'));
}

TEST(OraCounter, TheTriggerBodyNamesSequenceAndColumn) {
  auto quoted = ora_counter::from_trigger_body(
      L"BEGIN select \"Orders_0\".nextval into :new.\"Order ID\" from dual; END;");
  ASSERT_TRUE(quoted.has_value());
  EXPECT_EQ(quoted->sequence(), L"Orders_0");
  EXPECT_EQ(quoted->column(), L"Order ID");
  // Unquoted names are folded as Oracle folds them.
  auto plain = ora_counter::from_trigger_body(
      L"BEGIN\n  SELECT orders_0.NEXTVAL INTO :NEW.id FROM DUAL;\nEND;");
  ASSERT_TRUE(plain.has_value());
  EXPECT_EQ(plain->sequence(), L"ORDERS_0");
  EXPECT_EQ(plain->column(), L"ID");
  EXPECT_FALSE(ora_counter::from_trigger_body(L"BEGIN :new.x := 1; END;").has_value());
  EXPECT_FALSE(ora_counter::from_trigger_body(L"BEGIN select s.currval into :new.x from dual; END;")
                   .has_value());
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
