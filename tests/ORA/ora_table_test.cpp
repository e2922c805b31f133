// The table writer against the embedded engine, checked through SQL: NULLs
// in NOT NULL columns, reals beyond Oracle's range, empty, NULL, long and
// non-Latin LOBs, what a second session sees committed, updates with long
// memos, and opening existing tables (defaults, sizes, keys, rows).
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "ORA/ora_exception.h"
#include "ora_writer_support.h"

namespace {

using OraTable = ora_writer_test;

src_table people() {
  src_table t;
  t.columns = {col(L"ID", VT_I4, 0, true), col(L"Name", VT_BSTR, 20, true, text(L"x")),
               col(L"Note", VT_BSTR, 0), col(L"Pic", VT_BLOB, 0)};
  t.indexes = {udb_index{L"PK_People", true, true, {L"ID"}}};
  return t;
}

TEST_F(OraTable, NullInANotNullColumnMakesItNullableOnce) {
  const src_table t = people();
  auto table = create(L"People", t);
  append(*table, t, {ole_variant(1), null_value(), text(L""), ole_variant()});
  EXPECT_FALSE(table->schema()[1].b_not_null);
  // A second ALTER ... NULL would be refused (ORA-01451): none is sent.
  append(*table, t, {ole_variant(2), text(L"\"\""), text(L""), ole_variant()});
  EXPECT_EQ(select_rows(L"SELECT ID, \"Name\" FROM \"People\" ORDER BY ID"),
            (sql_rows{{L"1", L"<null>"}, {L"2", L"<null>"}}));
  EXPECT_EQ(select_rows(L"SELECT NULLABLE, DATA_DEFAULT FROM USER_TAB_COLUMNS WHERE "
                        L"COLUMN_NAME='Name'"),
            (sql_rows{{L"Y", L"'x' "}}));
  // The key column keeps its NOT NULL: Oracle's refusal reaches the caller.
  EXPECT_THROW(append(*table, t, {null_value(), text(L"n"), text(L""), ole_variant()}),
               ora_exception);
  EXPECT_EQ(table->appended(), 2u);
}

TEST_F(OraTable, RealsBeyondOraclesRangeBecomeNullOrTheDefault) {
  src_table t;
  t.columns = {col(L"R", VT_R8), col(L"RN", VT_R8, 0, true, text(L"0")), col(L"F", VT_R4)};
  auto table = create(L"Reals", t);
  append(*table, t, {ole_variant(1e200), ole_variant(-1e200), ole_variant(1.5f)});
  append(*table, t,
         {ole_variant(std::numeric_limits<double>::quiet_NaN()), ole_variant(2.5), ole_variant()});
  append(*table, t, {ole_variant(1e126), ole_variant(-1e126), ole_variant()});
  EXPECT_EQ(select_rows(L"SELECT \"R\", \"RN\", \"F\" FROM \"Reals\""),
            (sql_rows{{L"<null>", L"0", L"1.5"},
                      {L"<null>", L"2.5", L"<null>"},
                      {L"1e+126", L"-1e+126", L"<null>"}}));
}

TEST_F(OraTable, EmptyMemoIsAnEmptyLobAndNullStaysNull) {
  const src_table t = people();
  auto table = create(L"People", t);
  append(*table, t, {ole_variant(1), text(L"a"), text(L""), ole_variant(std::vector<uint8_t>{})});
  append(*table, t, {ole_variant(2), text(L"b"), null_value(), null_value()});
  EXPECT_EQ(select_rows(L"SELECT ID FROM \"People\" WHERE \"Note\" IS NULL"), (sql_rows{{L"2"}}));
  EXPECT_EQ(select_rows(L"SELECT ID FROM \"People\" WHERE \"Pic\" IS NULL"), (sql_rows{{L"2"}}));
  EXPECT_EQ(select_one(L"SELECT \"Note\" FROM \"People\" WHERE ID=1"), L"");
}

std::wstring non_latin_text(size_t min_chars) {
  std::wstring s;
  for (int i = 0; s.size() < min_chars; ++i)
    s += L"Ωμέγα Жёлтый 日本語 ✓ 😀 " + std::to_wstring(i) + L"\n";
  return s;
}

TEST_F(OraTable, LongNonLatinClobAndBinaryBlobArriveWhole) {
  const src_table t = people();
  auto table = create(L"People", t);
  const std::wstring memo = non_latin_text(40000);  // beyond 32 KB in UTF-16
  std::vector<uint8_t> bytes(100001);
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i * 7);
  append(*table, t, {ole_variant(1), text(L"a"), text(memo), ole_variant(bytes)});
  table.reset();

  ora_query_results rows(L"", L"SELECT \"Note\", \"Pic\" FROM \"People\"");
  rows.initialize(0, L"SELECT \"Note\", \"Pic\" FROM \"People\"");
  ASSERT_FALSE(rows.is_eof());
  const udb_record* row = rows.get_item();
  EXPECT_EQ((*row)[0].to_wstring(), memo);
  const uint8_t* data = nullptr;
  ASSERT_EQ((*row)[1].get_bytes(&data), bytes.size());
  EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), data));
}

TEST_F(OraTable, LastRecordsLobsAreCommittedWhenTheTableCloses) {
  const src_table t = people();
  auto table = create(L"People", t);
  append(*table, t, {ole_variant(1), text(L"a"), text(L"first"), ole_variant()});
  append(*table, t, {ole_variant(2), text(L"b"), text(L"last"), ole_variant()});
  other_session other;
  const std::wstring filled = L"SELECT COUNT(*) FROM \"People\" WHERE LENGTH(\"Note\") > 0";
  // Rows are committed by their INSERT; the first record's LOB by the next.
  EXPECT_EQ(other.count(L"SELECT COUNT(*) FROM \"People\""), 2);
  EXPECT_EQ(other.count(filled), 1);
  table.reset();
  EXPECT_EQ(other.count(filled), 2);
}

TEST_F(OraTable, UpdateRewritesTheRowAndLongMemosThroughLocators) {
  const src_table t = people();
  auto table = create(L"People", t);
  append(*table, t, {ole_variant(1), text(L"a"), text(L"short"), ole_variant()});
  append(*table, t, {ole_variant(2), text(L"b"), text(L"keep"), ole_variant()});
  // 6000 characters: as a literal Oracle would refuse it (ORA-01704).
  const std::wstring memo = non_latin_text(6000);
  table->update(*make_record(
      t, {ole_variant(1), text(L"O'Brien"), text(memo), ole_variant(std::vector<uint8_t>{1, 2})}));
  table.reset();
  EXPECT_EQ(select_rows(L"SELECT ID, \"Name\", RAWTOHEX(\"Pic\") FROM \"People\" ORDER BY ID"),
            (sql_rows{{L"1", L"O'Brien", L"0102"}, {L"2", L"b", L"<null>"}}));
  EXPECT_EQ(select_one(L"SELECT \"Note\" FROM \"People\" WHERE ID=1"), memo);
  EXPECT_EQ(select_one(L"SELECT \"Note\" FROM \"People\" WHERE ID=2"), L"keep");
}

TEST_F(OraTable, UpdateWithoutKeyRunsNothing) {
  src_table t;
  t.columns = {col(L"A", VT_I4), col(L"B", VT_BSTR, 5)};
  auto table = create(L"NoKey", t);
  append(*table, t, {ole_variant(1), text(L"x")});
  EXPECT_NO_THROW(table->update(*make_record(t, {ole_variant(1), text(L"y")})));
  EXPECT_EQ(select_one(L"SELECT B FROM \"NoKey\""), L"x");
}

TEST_F(OraTable, OpeningReadsSizesDefaultsKeysAndRows) {
  run(L"CREATE TABLE \"Ext\" (\"ID\" NUMBER(10,0), \"N\" NVARCHAR2(50) DEFAULT 'it''s' NOT "
      L"NULL, \"Q\" NUMBER(5,0) DEFAULT 7, \"V\" VARCHAR2(9) DEFAULT SYSDATE, \"C\" CLOB)");
  run(L"ALTER TABLE \"Ext\" ADD CONSTRAINT \"Ext_PK\" PRIMARY KEY (\"ID\")");
  run(L"ALTER TABLE \"Ext\" ADD CONSTRAINT \"Ext_U\" UNIQUE (\"N\", \"Q\")");
  run(L"CREATE INDEX \"Ext_I\" ON \"Ext\" (\"Q\")");
  run(L"INSERT INTO \"Ext\" (\"ID\") VALUES (1)");
  run(L"INSERT INTO \"Ext\" (\"ID\", \"Q\") VALUES (2, 8)");
  db_.reset();
  db_ = engine_->open_db(L"//localhost:1521/ORCL", L"scott", L"tiger");
  auto table = open(L"Ext");
  const udb_schema& s = table->schema();
  EXPECT_EQ(s[1].size, 50u);  // described as 100 bytes
  EXPECT_EQ(s[1].def_value.to_wstring(), L"it's");
  EXPECT_TRUE(s[1].b_not_null);
  EXPECT_EQ(s[2].def_value.to_wstring(), L"7");
  EXPECT_EQ(s[3].def_value.get_type(), VT_EMPTY);  // an expression is no text default
  ASSERT_EQ(table->indexes().size(), 3u);
  EXPECT_EQ(table->key_index(), 0);
  EXPECT_EQ(table->indexes()[0].name, L"Ext_PK");
  EXPECT_TRUE(table->indexes()[0].b_primary);
  EXPECT_EQ(table->indexes()[1].name, L"Ext_I");
  EXPECT_EQ(table->indexes()[2].fields, (std::vector<std::wstring>{L"N", L"Q"}));
  EXPECT_EQ(table->rows(), 2);
  int seen = 0;
  for (; !table->is_eof(); table->next()) {
    ASSERT_NE(table->get_item(), nullptr);
    ++seen;
  }
  EXPECT_EQ(seen, 2);
}

TEST(OraTableDefault, CatalogueTextsBecomeValues) {
  EXPECT_EQ(ora_table::get_def_value(VT_BSTR, L" 'O''B' ").to_wstring(), L"O'B");
  EXPECT_EQ(ora_table::get_def_value(VT_BSTR, L"USER").get_type(), VT_EMPTY);
  EXPECT_EQ(ora_table::get_def_value(VT_I4, L"5 \n").to_wstring(), L"5");
  EXPECT_EQ(ora_table::get_def_value(VT_R8, L"'2.5'").to_double(), 2.5);
  EXPECT_EQ(ora_table::get_def_value(VT_DATE, L"SYSDATE").get_type(), VT_EMPTY);
  EXPECT_EQ(ora_table::get_def_value(VT_BSTR, L"'").get_type(), VT_EMPTY);
}

TEST_F(OraTable, OpeningCollectsTheForeignKeysThatReferToTheTable) {
  run(L"CREATE TABLE P (ID NUMBER(10,0) CONSTRAINT P_PK PRIMARY KEY)");
  run(L"CREATE TABLE C1 (PID NUMBER(10,0))");
  run(L"CREATE TABLE C2 (PID NUMBER(10,0))");
  run(L"ALTER TABLE C1 ADD CONSTRAINT C1_FK FOREIGN KEY (PID) REFERENCES P(ID) ON DELETE CASCADE");
  run(L"ALTER TABLE C2 ADD CONSTRAINT C2_FK FOREIGN KEY (PID) REFERENCES P(ID)");
  db_.reset();
  db_ = engine_->open_db(L"//localhost:1521/ORCL", L"scott", L"tiger");
  open(L"P");
  const udb_relationships& rels = db_->relationships();
  ASSERT_EQ(rels.size(), 2u);
  EXPECT_EQ(rels.get_index(L"C1_FK").delete_rule, L"ON DELETE CASCADE");
  EXPECT_EQ(rels.get_index(L"C2_FK").delete_rule, L"ON DELETE NO ACTION");
  EXPECT_EQ(rels.get_index(L"C1_FK").ref_fields, (std::vector<std::wstring>{L"ID"}));
  EXPECT_EQ(rels.get_index(L"C2_FK").fields, (std::vector<std::wstring>{L"PID"}));
  open(L"P");  // a second opening adds nothing
  EXPECT_EQ(rels.size(), 2u);
}

}  // namespace

TEST_F(OraTable, TimestampsAreWrittenAndReadBackToOneHundredNanoseconds) {
  src_table t;
  t.columns = {col(L"ID", VT_I4, 0, true), col(L"T", VT_FILETIME)};
  t.indexes = {udb_index{L"PK_Stamps", true, true, {L"ID"}}};
  auto table = create(L"Stamps", t);
  // Counts of 100 ns since 1601-01-01: 0001-01-01 00:00:00, 9999-12-31
  // 23:59:59.9999999, 2021-06-14 22:45:12.3456789 and 100 ns later.
  const std::vector<int64_t> values = {-504911232000000000, 2650467743999999999, 132681843123456789,
                                       132681843123456790};
  for (size_t i = 0; i < values.size(); ++i)
    append(*table, t, {ole_variant(int(i + 1)), stamp(values[i])});
  append(*table, t, {ole_variant(5), null_value()});
  table.reset();
  EXPECT_EQ(select_one(L"SELECT DATA_TYPE FROM USER_TAB_COLUMNS WHERE COLUMN_NAME='T'"),
            L"TIMESTAMP(7)");
  // Read back through OCI as SQLT_TIMESTAMP: the same counts.
  ora_query_results rows(L"", L"SELECT ID, \"T\" FROM \"Stamps\" ORDER BY ID");
  rows.initialize(0, L"SELECT ID, \"T\" FROM \"Stamps\" ORDER BY ID");
  std::vector<int64_t> read;
  std::vector<std::wstring> texts;
  while (!rows.is_eof()) {
    const udb_record* row = rows.get_item();
    if (row == nullptr) break;
    const udb_field& f = (*row)[1];
    if (f.get_variant().vt == VT_FILETIME) read.push_back(f.get_i8());
    texts.push_back(f.get_variant().vt == VT_EMPTY ? L"<null>" : f.to_wstring());
  }
  EXPECT_EQ(read, values);
  EXPECT_EQ(texts, (std::vector<std::wstring>{
                       L"0001-01-01 00:00:00.0000000", L"9999-12-31 23:59:59.9999999",
                       L"2021-06-14 22:45:12.3456789", L"2021-06-14 22:45:12.3456790", L"<null>"}));
  // Compared to the 100 ns, and as text in the session's format.
  EXPECT_EQ(select_one(L"SELECT COUNT(*) FROM \"Stamps\" WHERE \"T\" > TO_TIMESTAMP("
                       L"'2021-06-14 22:45:12.3456789', 'YYYY-MM-DD HH24:MI:SS.FF7')"),
            L"2");
  EXPECT_EQ(select_one(L"SELECT TO_CHAR(\"T\", 'YYYY-MM-DD HH24:MI:SS.FF7') FROM \"Stamps\" "
                       L"WHERE ID = 3"),
            L"2021-06-14 22:45:12.3456789");
  // An existing TIMESTAMP column opens as one: merge conformity holds.
  auto reopened = open(L"Stamps");
  EXPECT_EQ(reopened->schema()[1].vartype, VT_FILETIME);
  EXPECT_TRUE(make_schema(t)->conform_to(reopened->schema()));
}
