// Table creation against the embedded engine, checked through its
// catalogue: column types, defaults and NOT NULL, the sequence and trigger of
// an auto-increment column (quoted names, suffixes, identifier limits), keys
// and indexes, generated names and the names map.
#include <gtest/gtest.h>

#include "ORA/ora_exception.h"
#include "ORA/ora_schema_initializer.h"
#include "ora_writer_support.h"

namespace {

using OraDdl = ora_writer_test;

TEST_F(OraDdl, EveryColumnTypeGetsItsOracleTypeDefaultAndNullability) {
  src_table t;
  t.columns = {col(L"Small", VT_I2, 0, true, text(L"5")),
               col(L"Big", VT_I4),
               col(L"Real", VT_R8, 0, false, text(L"1,5")),
               col(L"Money", VT_CY),
               col(L"When", VT_DATE, 0, false, text(L"2011-08-17")),
               col(L"Name", VT_BSTR, 50, true, text(L"O'B")),
               col(L"Memo", VT_BSTR, 0, true, text(L"m")),
               col(L"Flag", VT_BOOL),
               col(L"Dec", VT_DECIMAL, 0, false, ole_variant(), 10 * 256 + 2),
               col(L"Long", VT_I8),
               col(L"Raw", VT_BLOB, 16),
               col(L"Pic", VT_BLOB, 0),
               col(L"Wide", VT_BSTR, 3000),
               col(L"Bytes", VT_BLOB, 2001)};
  create(L"Types", t);
  const sql_rows rows = select_rows(
      L"SELECT COLUMN_NAME, DATA_TYPE, DATA_PRECISION, DATA_SCALE, CHAR_LENGTH, NULLABLE, "
      L"DATA_DEFAULT FROM USER_TAB_COLUMNS WHERE TABLE_NAME='Types' ORDER BY COLUMN_ID");
  const sql_rows expected = {
      {L"Small", L"NUMBER", L"5", L"0", L"0", L"N", L"5 "},
      {L"Big", L"NUMBER", L"11", L"0", L"0", L"Y", L"<null>"},
      {L"Real", L"NUMBER", L"<null>", L"<null>", L"0", L"Y", L"1.5"},
      {L"Money", L"NUMBER", L"<null>", L"<null>", L"0", L"Y", L"<null>"},
      {L"When", L"DATE", L"<null>", L"<null>", L"0", L"Y", L"to_date('2011-08-17', 'YYYY-MM-DD')"},
      {L"Name", L"NVARCHAR2", L"<null>", L"<null>", L"50", L"N", L"'O''B' "},
      // LOB columns take neither default nor NOT NULL.
      {L"Memo", L"CLOB", L"<null>", L"<null>", L"0", L"Y", L"<null>"},
      {L"Flag", L"NUMBER", L"3", L"0", L"0", L"Y", L"<null>"},
      {L"Dec", L"NUMBER", L"10", L"2", L"0", L"Y", L"<null>"},
      {L"Long", L"NUMBER", L"19", L"0", L"0", L"Y", L"<null>"},
      {L"Raw", L"RAW", L"<null>", L"<null>", L"0", L"Y", L"<null>"},
      {L"Pic", L"BLOB", L"<null>", L"<null>", L"0", L"Y", L"<null>"},
      // Beyond what NVARCHAR2 and RAW take (2000), nothing is cut.
      {L"Wide", L"CLOB", L"<null>", L"<null>", L"0", L"Y", L"<null>"},
      {L"Bytes", L"BLOB", L"<null>", L"<null>", L"0", L"Y", L"<null>"},
  };
  ASSERT_EQ(rows.size(), expected.size());
  for (size_t i = 0; i < rows.size(); ++i) {
    for (size_t c = 0; c < expected[i].size(); ++c) {
      if (c == 4 && expected[i][0] != L"Name") continue;  // CHAR_LENGTH of text only
      EXPECT_EQ(rows[i][c], expected[i][c]) << rows[i][0] << " column " << c;
    }
  }
  EXPECT_TRUE(db_->is_table_exist(L"Types"));
}

src_table counter_table(const std::wstring& id = L"OrderID") {
  src_table t;
  t.columns = {src_column{id, VT_I4, 0, true, true, ole_variant(), 0}, col(L"Item", VT_BSTR, 20)};
  return t;
}

TEST_F(OraDdl, MixedCaseAutoNumberGetsAWorkingTrigger) {
  const src_table t = counter_table();
  auto table = create(L"Orders", t);
  EXPECT_EQ(select_one(L"SELECT SEQUENCE_NAME FROM USER_SEQUENCES"), L"Orders_0");
  EXPECT_EQ(select_one(L"SELECT STATUS FROM USER_OBJECTS WHERE OBJECT_NAME='Orders__TRIGGER'"),
            L"VALID");
  append(*table, t, {null_value(), text(L"a")});
  append(*table, t, {ole_variant(17), text(L"b")});
  append(*table, t, {null_value(), text(L"c")});
  EXPECT_EQ(select_rows(L"SELECT \"OrderID\", \"Item\" FROM \"Orders\" ORDER BY \"Item\""),
            (sql_rows{{L"1", L"a"}, {L"17", L"b"}, {L"2", L"c"}}));
  // The counter column is never NOT NULL (the trigger fills it).
  EXPECT_EQ(select_one(L"SELECT NULLABLE FROM USER_TAB_COLUMNS WHERE COLUMN_NAME='OrderID'"), L"Y");
}

// ORDERS_0 is taken by a sequence this system did not make: the table's
// counter gets ORDERS_1, which goes with the table and comes back with it;
// the other stays.
TEST_F(OraDdl, RecreatedTableTakesTheNextFreeSequenceSuffix) {
  const src_table t = counter_table(L"ID");
  db_->query(L"CREATE SEQUENCE ORDERS_0");
  create(L"ORDERS", t).reset();
  ASSERT_TRUE(db_->delete_tab(L"ORDERS"));
  EXPECT_EQ(select_rows(L"SELECT SEQUENCE_NAME FROM USER_SEQUENCES"), (sql_rows{{L"ORDERS_0"}}));
  auto table = create(L"ORDERS", t);
  EXPECT_EQ(select_rows(L"SELECT SEQUENCE_NAME FROM USER_SEQUENCES ORDER BY SEQUENCE_NAME"),
            (sql_rows{{L"ORDERS_0"}, {L"ORDERS_1"}}));
  append(*table, t, {null_value(), text(L"x")});
  EXPECT_EQ(select_one(L"SELECT ID FROM ORDERS"), L"1");
}

TEST_F(OraDdl, ThirtyCharacterTableNameGivesSequenceOfItsFirst28) {
  const std::wstring name = L"ABCDEFGHIJKLMNOPQRSTUVWXYZABCD";
  const src_table t = counter_table(L"ID");
  auto table = create(name, t);
  EXPECT_EQ(select_one(L"SELECT SEQUENCE_NAME FROM USER_SEQUENCES"),
            L"ABCDEFGHIJKLMNOPQRSTUVWXYZAB_0");
  append(*table, t, {null_value(), text(L"x")});
  EXPECT_EQ(select_one(L"SELECT ID FROM " + name), L"1");
}

TEST(OraNames, SequenceAndTriggerNamesFitTheServersLimitInBytes) {
  using init = ora_schema_initializer;
  const std::wstring base28 = L"ABCDEFGHIJKLMNOPQRSTUVWXYZAB";
  EXPECT_EQ(init::sequence_name(base28, 9, 30), base28 + L"_9");
  // "_10" would make 31 bytes below 12.2: the base gives way.
  EXPECT_EQ(init::sequence_name(base28, 10, 30), base28.substr(0, 27) + L"_10");
  EXPECT_EQ(init::sequence_name(base28 + L"CD", 10, 128), base28 + L"_10");
  // 15 two-byte letters are 30 bytes: "_0" needs two of them to go.
  const std::wstring accented(15, L'É');
  EXPECT_EQ(init::sequence_name(accented, 0, 30), std::wstring(14, L'É') + L"_0");
  EXPECT_EQ(init::trigger_name(L"ORDER_DETAILS_EXTENDED", 0, 30),
            L"ORDER_DETAILS_EXTENDE__TRIGGER");
  EXPECT_EQ(init::trigger_name(L"ORDER_DETAILS_EXTENDED", 2, 30),
            L"ORDER_DETAILS_EXTEN_2__TRIGGER");
  EXPECT_EQ(init::trigger_name(L"ORDER_DETAILS_EXTENDED", 0, 128),
            L"ORDER_DETAILS_EXTENDED__TRIGGER");
}

TEST_F(OraDdl, TriggerStatementQuotesEveryName) {
  src_table t = counter_table(L"Order ID");
  ora_schema_initializer init(L"Order Lines", *make_schema(t), udb_indexes(), false);
  EXPECT_EQ(init.trigger_sql(L"Order Lines__TRIGGER", L"Order Lines_0"),
            L"CREATE OR REPLACE TRIGGER \"Order Lines__TRIGGER\" BEFORE INSERT ON \"Order "
            L"Lines\" FOR EACH ROW WHEN (new.\"Order_ID\" IS NULL) BEGIN select \"Order "
            L"Lines_0\".nextval into :new.\"Order_ID\" from dual; END;");
}

src_table keyed_table() {
  src_table t;
  t.columns = {col(L"ID", VT_I4, 0, true), col(L"Code", VT_BSTR, 10), col(L"Memo", VT_BSTR, 0),
               col(L"Name", VT_BSTR, 30)};
  t.indexes = {udb_index{L"ByID", false, false, {L"ID"}},
               udb_index{L"PrimaryKey", true, true, {L"ID"}},
               udb_index{L"ByMemo", false, false, {L"Name", L"Memo"}},
               udb_index{L"CodeKey", true, false, {L"Code"}},
               udb_index{L"CodeKey2", true, false, {L"Code"}},
               udb_index{L"ByName", false, false, {L"Name"}},
               udb_index{L"ByName2", false, false, {L"Name"}}};
  return t;
}

TEST_F(OraDdl, KeysAndIndexesLeaveOutRepeatsAndLobColumns) {
  create(L"Keyed", keyed_table());
  // ByID repeats the key (only the constraint), ByMemo holds a memo, and
  // CodeKey2 / ByName2 are answered 2261 / 1408 by Oracle: none is built.
  EXPECT_EQ(
      select_rows(L"SELECT INDEX_NAME, UNIQUENESS FROM USER_INDEXES WHERE "
                  L"TABLE_NAME='Keyed' AND GENERATED='N' ORDER BY INDEX_NAME"),
      (sql_rows{{L"ByName", L"NONUNIQUE"}, {L"CodeKey", L"UNIQUE"}, {L"PrimaryKey", L"UNIQUE"}}));
  EXPECT_EQ(select_rows(L"SELECT CONSTRAINT_NAME, CONSTRAINT_TYPE FROM USER_CONSTRAINTS WHERE "
                        L"TABLE_NAME='Keyed' AND CONSTRAINT_TYPE IN ('P','U') ORDER BY 1"),
            (sql_rows{{L"CodeKey", L"U"}, {L"PrimaryKey", L"P"}}));
}

TEST_F(OraDdl, IndexNamesTakenInTheSchemaAreReplaced) {
  create(L"First", keyed_table());
  create(L"Second", keyed_table());
  EXPECT_EQ(select_one(L"SELECT CONSTRAINT_NAME FROM USER_CONSTRAINTS WHERE "
                       L"TABLE_NAME='Second' AND CONSTRAINT_TYPE='P'"),
            L"PrimaryKey00000");
  auto second = open(L"Second");
  EXPECT_EQ(second->key_index(), 0);
  EXPECT_EQ(second->indexes()[0].name, L"PrimaryKey00000");
}

TEST_F(OraDdl, UppercaseColumnsThatMeetAreKeptApartAndMapped) {
  db_->set_uppercase(true);
  src_table t;
  t.columns = {col(L"id", VT_I4), col(L"ID", VT_I4), col(L"Order Date", VT_DATE)};
  create(L"T1", t);
  EXPECT_EQ(select_rows(L"SELECT COLUMN_NAME FROM USER_TAB_COLUMNS WHERE TABLE_NAME='T1' "
                        L"ORDER BY COLUMN_ID"),
            (sql_rows{{L"ID"}, {L"ID00000"}, {L"ORDER_DATE"}}));
  EXPECT_EQ(db_->get_fn_mapped_name_ex(L"t1", L"Order Date"), L"ORDER_DATE");
  EXPECT_EQ(db_->get_fn_mapped_name_ex(L"T1", L"Other"), L"OTHER");
  // The key's name follows, and a second table's key still gets its own.
  create(L"K1", keyed_table());
  create(L"K2", keyed_table());
  EXPECT_EQ(select_rows(L"SELECT CONSTRAINT_NAME FROM USER_CONSTRAINTS WHERE CONSTRAINT_TYPE='P' "
                        L"ORDER BY CONSTRAINT_NAME"),
            (sql_rows{{L"PRIMARYKEY"}, {L"PRIMARYKEY00000"}}));
}

TEST_F(OraDdl, ACreateTableErrorLeavesNothingListed) {
  src_table t;
  t.columns = {col(L"A", VT_DECIMAL, 0, false, ole_variant(), 50 * 256 + 2)};  // NUMBER(50,2)
  const auto schema = make_schema(t);
  EXPECT_THROW(db_->create_table(L"Bad", *schema, udb_indexes()), ora_exception);
  EXPECT_FALSE(db_->is_table_exist(L"Bad"));
}

TEST_F(OraDdl, CreatingAnExistingTableIsAnInternalError) {
  create(L"T", counter_table(L"ID"));
  const auto schema = make_schema(counter_table(L"ID"));
  EXPECT_THROW(db_->create_table(L"T", *schema, udb_indexes()), tk_mail_assertion);
}

TEST_F(OraDdl, DroppingTakesTheTablesSequenceAndParseOnlyRunsNothing) {
  create(L"T", counter_table(L"ID")).reset();
  EXPECT_THROW(db_->test_query(L"SELECT * FROM nosuch"), ora_exception);
  EXPECT_TRUE(db_->test_query(L"DROP TABLE T"));
  EXPECT_TRUE(db_->is_table_exist(L"T"));
  EXPECT_TRUE(db_->delete_tab(L"T"));
  EXPECT_FALSE(db_->is_table_exist(L"T"));
  EXPECT_EQ(select_one(L"SELECT COUNT(*) FROM USER_TABLES WHERE TABLE_NAME='T'"), L"0");
  EXPECT_EQ(select_one(L"SELECT COUNT(*) FROM USER_SEQUENCES"), L"0");
}

}  // namespace
