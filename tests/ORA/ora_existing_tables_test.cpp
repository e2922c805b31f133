// Conversions into tables that were there before the run, made by someone
// else with column types the product itself never creates: CHAR and NCHAR
// keys that merge and synchronize must find, whether one record at a time
// or in batches, and keys that find no row, which are reported; a wide key
// bound after the LOB of an array UPDATE; invisible and virtual columns;
// synchronize writing only the rows that differ, and counting them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ORA/ora_batch_insert.h"
#include "common/table_outcome.h"
#include "ora_conversion_support.h"

namespace {

class OraExistingTables : public ora_conversion_fixture {
 protected:
  OraExistingTables() : ora_conversion_fixture(L"/data/codes.mdb") { connect(); }

  // Tables made by SQL: a new session's table list has them.
  void create(const std::wstring& sql) {
    run_sql(sql);
    connect();
  }
};

// A table with a CHAR(10) key and one with an NCHAR(8) key (national text
// beyond ASCII among its keys): merge fills them, a change made in Oracle
// is undone by synchronize for every row, one record at a time and in
// batches, and a second merge adds nothing.
TEST_F(OraExistingTables, MergeAndSynchronizeFindEveryRowByACharKey) {
  src_table codes;
  codes.columns = {col(L"Code", VT_BSTR, 10, true), col(L"Label", VT_BSTR, 20), col(L"Qty", VT_I4)};
  codes.indexes = {udb_index{L"PrimaryKey", true, true, {L"Code"}}};
  src_table ncodes = codes;
  ncodes.columns[0].size = 8;
  const std::vector<std::wstring> keys = {L"A1", L"B22", L"C 3", L"D4444", L"E", L"F666666666"};
  const std::vector<std::wstring> nkeys = {L"Ωμέγα", L"北京", L"A1", L"Ärzte", L"x y", L"😀z"};
  for (size_t k = 0; k < keys.size(); ++k) {
    codes.rows.push_back({text(keys[k]), text(L"label " + keys[k]), ole_variant(int(k + 1))});
    ncodes.rows.push_back({text(nkeys[k]), text(L"label " + nkeys[k]), ole_variant(int(k + 1))});
  }
  source_.add(L"Codes", codes);
  source_.add(L"NCodes", ncodes);
  create(
      L"CREATE TABLE \"Codes\" (\"Code\" CHAR(10) NOT NULL, \"Label\" NVARCHAR2(20), \"Qty\" "
      L"NUMBER(11,0), CONSTRAINT \"PK_Codes\" PRIMARY KEY (\"Code\"))");
  create(
      L"CREATE TABLE \"NCodes\" (\"Code\" NCHAR(8) NOT NULL, \"Label\" NVARCHAR2(20), \"Qty\" "
      L"NUMBER(11,0), CONSTRAINT \"PK_NCodes\" PRIMARY KEY (\"Code\"))");
  const std::wstring changed = L"SELECT COUNT(*) FROM \"%\" WHERE \"Qty\" = 0 OR \"Label\" = 'x'";
  auto count_changed = [&](const std::wstring& table) {
    std::wstring sql = changed;
    sql.replace(sql.find(L'%'), 1, table);
    return select_one(sql);
  };
  for (const char* batch_rows : {"1", "4"}) {
    SCOPED_TRACE(batch_rows);
    run_sql(L"DELETE FROM \"Codes\"");
    run_sql(L"DELETE FROM \"NCodes\"");
    run(UDB_MODE_MERGE, batch_rows);
    EXPECT_TRUE(reports_.empty()) << reports_.front();
    for (const wchar_t* table : {L"Codes", L"NCodes"}) {
      EXPECT_EQ(select_one(std::wstring(L"SELECT COUNT(*) FROM \"") + table + L"\""), L"6");
      run_sql(std::wstring(L"UPDATE \"") + table + L"\" SET \"Qty\" = 0, \"Label\" = 'x'");
    }
    run(UDB_MODE_SYNC, batch_rows);
    EXPECT_TRUE(reports_.empty()) << reports_.front();
    EXPECT_EQ(count_changed(L"Codes"), L"0");
    EXPECT_EQ(count_changed(L"NCodes"), L"0");
    EXPECT_EQ(select_one(L"SELECT \"Label\" FROM \"NCodes\" WHERE \"Qty\" = 1"), L"label Ωμέγα");
    EXPECT_EQ(select_one(L"SELECT \"Label\" FROM \"Codes\" WHERE \"Qty\" = 6"),
              L"label F666666666");
    run(UDB_MODE_MERGE, batch_rows);
    EXPECT_TRUE(reports_.empty()) << reports_.front();
    EXPECT_EQ(select_one(L"SELECT COUNT(*) FROM \"NCodes\""), L"6");
  }
}

// A record refused by another unique key than the one synchronize updates
// by: its key finds no row, and the record is reported, not passed over.
TEST_F(OraExistingTables, SynchronizeReportsARecordWhoseKeyFindsNoRow) {
  src_table codes;
  codes.columns = {col(L"Code", VT_BSTR, 10, true), col(L"Label", VT_BSTR, 20), col(L"Qty", VT_I4)};
  codes.indexes = {udb_index{L"PrimaryKey", true, true, {L"Code"}}};
  for (int k = 1; k <= 5; ++k)
    codes.rows.push_back(
        {text(L"K" + std::to_wstring(k)), text(L"L" + std::to_wstring(k)), ole_variant(k)});
  source_.add(L"Codes", codes);
  create(
      L"CREATE TABLE \"Codes\" (\"Code\" CHAR(10) NOT NULL, \"Label\" NVARCHAR2(20), \"Qty\" "
      L"NUMBER(11,0), CONSTRAINT \"PK_Codes\" PRIMARY KEY (\"Code\"), CONSTRAINT \"UQ_Label\" "
      L"UNIQUE (\"Label\"))");
  source_.table(L"Codes").rows[2][1] = text(L"L1");  // K3 collides with K1's label
  for (const char* batch_rows : {"1", "4"}) {
    SCOPED_TRACE(batch_rows);
    run_sql(L"DELETE FROM \"Codes\"");
    run_sql(L"INSERT INTO \"Codes\" VALUES ('K1', 'L1', 0)");
    run(UDB_MODE_SYNC, batch_rows);
    ASSERT_EQ(reports_.size(), 1u);
    EXPECT_NE(reports_[0].find("Codes, record #3: ORA-01403"), std::string::npos) << reports_[0];
    EXPECT_EQ(select_rows(L"SELECT RTRIM(\"Code\"), \"Qty\" FROM \"Codes\" ORDER BY 1"),
              (sql_rows{{L"K1", L"1"}, {L"K2", L"2"}, {L"K4", L"4"}, {L"K5", L"5"}}));
  }
}

// An array UPDATE binds the key after the LOB: a key of 1,500 characters in
// UTF-16 could grow past 4,000 bytes on the server, which refuses it there
// (ORA-24816) unless the bind says its server-side size.
TEST_F(OraExistingTables, AWideKeyAfterTheLobOfAnArrayUpdateIsNoLongBind) {
  create(
      L"CREATE TABLE \"Wide\" (\"K\" VARCHAR2(2000) NOT NULL, \"Memo\" CLOB, \"N\" "
      L"NUMBER(11,0), CONSTRAINT \"PK_Wide\" PRIMARY KEY (\"K\"))");
  src_table t;
  t.columns = {col(L"K", VT_BSTR, 2000, true), col(L"Memo", VT_BSTR), col(L"N", VT_I4)};
  const std::wstring a(1500, L'a'), b(1500, L'b');
  run_sql(L"INSERT INTO \"Wide\" VALUES ('" + a + L"', 'old', 0)");
  run_sql(L"INSERT INTO \"Wide\" VALUES ('" + b + L"', 'old', 0)");
  auto table = conv_.oracle.destination()->get_table(L"Wide", 8);
  auto* wide = static_cast<ora_table*>(table.get());
  ora_batch_insert updates(L"Wide", wide->schema(), wide->readers(), 10, 1u << 20,
                           {true, false, false});
  ASSERT_TRUE(updates.usable());
  for (const std::wstring* key : {&a, &b}) {
    const auto record = make_record(t, {text(*key), text(L"new memo"), ole_variant(7)});
    ASSERT_EQ(updates.add(*record, {L"'" + *key + L"'", L"EMPTY_CLOB()", L"7"}, 1),
              ora_batch_insert::add_result::added);
  }
  std::vector<ora_batch_insert::row_failure> failures;
  std::unique_ptr<ora_exception> statement_error;
  std::vector<size_t> unchecked;
  ASSERT_TRUE(updates.execute(failures, statement_error, &unchecked))
      << (statement_error ? statement_error->what() : "");
  EXPECT_TRUE(failures.empty());
  EXPECT_TRUE(unchecked.empty());
  EXPECT_EQ(select_rows(L"SELECT \"N\", TO_CHAR(\"Memo\") FROM \"Wide\""),
            (sql_rows{{L"7", L"new memo"}, {L"7", L"new memo"}}));
}

// A table with an invisible column and virtual ones: they are not the
// source's columns, merge takes the table as conforming, and neither merge
// nor synchronize writes a virtual column; their values follow the rows.
TEST_F(OraExistingTables, VirtualAndInvisibleColumnsAreNeverWritten) {
  src_table parts;
  parts.columns = {col(L"Id", VT_I4, 0, true), col(L"Name", VT_BSTR, 20), col(L"Qty", VT_I4)};
  parts.indexes = {udb_index{L"PrimaryKey", true, true, {L"Id"}}};
  for (int k = 1; k <= 5; ++k)
    parts.rows.push_back(
        {ole_variant(k), text(L"part " + std::to_wstring(k)), ole_variant(k * 10)});
  source_.add(L"Parts", parts);
  create(
      L"CREATE TABLE \"Parts\" (\"Id\" NUMBER(11,0) NOT NULL, \"Twice\" NUMBER GENERATED ALWAYS "
      L"AS (\"Qty\" * 2) VIRTUAL, \"Name\" NVARCHAR2(20), \"Note\" NVARCHAR2(20) INVISIBLE "
      L"DEFAULT 'n', \"Qty\" NUMBER(11,0), \"Tag\" NVARCHAR2(30) AS ('#' || \"Id\"), "
      L"CONSTRAINT \"PK_Parts\" PRIMARY KEY (\"Id\"))");
  for (const char* batch_rows : {"1", "4"}) {
    SCOPED_TRACE(batch_rows);
    run_sql(L"DELETE FROM \"Parts\"");
    run(UDB_MODE_MERGE, batch_rows);
    EXPECT_TRUE(reports_.empty()) << reports_.front();
    EXPECT_EQ(select_rows(L"SELECT \"Id\", \"Twice\", \"Note\", \"Tag\" FROM \"Parts\" ORDER BY 1"),
              (sql_rows{{L"1", L"20", L"n", L"#1"},
                        {L"2", L"40", L"n", L"#2"},
                        {L"3", L"60", L"n", L"#3"},
                        {L"4", L"80", L"n", L"#4"},
                        {L"5", L"100", L"n", L"#5"}}));
    run_sql(L"UPDATE \"Parts\" SET \"Qty\" = 0, \"Name\" = 'x'");
    run(UDB_MODE_SYNC, batch_rows);
    EXPECT_TRUE(reports_.empty()) << reports_.front();
    EXPECT_EQ(select_one(L"SELECT SUM(\"Twice\") FROM \"Parts\""), L"300");
    EXPECT_EQ(select_one(L"SELECT COUNT(*) FROM \"Parts\" WHERE \"Name\" = 'x'"), L"0");
    run(UDB_MODE_MERGE, batch_rows);
    EXPECT_TRUE(reports_.empty()) << reports_.front();
    EXPECT_EQ(select_one(L"SELECT COUNT(*) FROM \"Parts\""), L"5");
  }
}

// Synchronize compares each record with its row first: a row that differs
// in any one column (text by case, a CLOB, a BLOB, a NULL either way, a
// CHAR value, a number in its last digit) is updated, an equal row is not
// written, a row missing in Oracle is inserted and a row only Oracle holds
// stays. The outcome and the console count the three; a second run finds
// every row unchanged. One record at a time and in batches alike.
TEST_F(OraExistingTables, SynchronizeWritesOnlyTheRowsThatDiffer) {
  src_table items;
  items.columns = {col(L"ID", VT_I4, 0, true), col(L"Name", VT_BSTR, 20), col(L"Code", VT_BSTR, 4),
                   col(L"Amount", VT_CY),      col(L"At", VT_DATE),       col(L"Ratio", VT_R8),
                   col(L"Memo", VT_BSTR, 0),   col(L"Data", VT_BLOB, 0)};
  items.indexes = {udb_index{L"PrimaryKey", true, true, {L"ID"}}};
  const std::wstring memo(3000, L'm');
  for (int i = 1; i <= 10; ++i) {
    const std::wstring n = std::to_wstring(i);
    items.rows.push_back({ole_variant(i), text(L"Name " + n), text(L"C" + n), ole_variant(i * 1.5),
                          i == 5 ? ole_variant() : ole_variant(when(2020, 1, i, 9)),
                          ole_variant(0.1 * i), text(memo + n),
                          ole_variant(std::vector<uint8_t>(100, static_cast<uint8_t>(i)))});
  }
  source_.add(L"Items", items);
  create(
      L"CREATE TABLE \"Items\" (\"ID\" NUMBER(11,0) NOT NULL, \"Name\" NVARCHAR2(20), \"Code\" "
      L"CHAR(4), \"Amount\" NUMBER(19,4), \"At\" DATE, \"Ratio\" NUMBER, \"Memo\" NCLOB, "
      L"\"Data\" BLOB, CONSTRAINT \"PK_Items\" PRIMARY KEY (\"ID\"))");
  auto outcome = [&]() -> const table_outcome& {
    EXPECT_EQ(conv_.outcomes.size(), 1u);
    return conv_.outcomes.at(0);
  };
  for (const char* batch_rows : {"1", "1000"}) {
    SCOPED_TRACE(batch_rows);
    run_sql(L"DELETE FROM \"Items\"");
    run(UDB_MODE_MERGE, batch_rows);
    ASSERT_TRUE(reports_.empty()) << reports_.front();
    run_sql(L"UPDATE \"Items\" SET \"Name\" = 'name 2' WHERE \"ID\" = 2");
    run_sql(L"UPDATE \"Items\" SET \"Memo\" = 'short' WHERE \"ID\" = 3");
    run_sql(L"UPDATE \"Items\" SET \"Amount\" = NULL WHERE \"ID\" = 4");
    run_sql(L"UPDATE \"Items\" SET \"At\" = DATE '2001-01-01' WHERE \"ID\" = 5");
    run_sql(L"UPDATE \"Items\" SET \"Code\" = 'C60' WHERE \"ID\" = 6");
    run_sql(L"DELETE FROM \"Items\" WHERE \"ID\" = 7");
    run_sql(L"UPDATE \"Items\" SET \"Data\" = HEXTORAW('08') WHERE \"ID\" = 8");
    run_sql(L"UPDATE \"Items\" SET \"Ratio\" = 0.9000000001 WHERE \"ID\" = 9");
    run_sql(L"INSERT INTO \"Items\" (\"ID\", \"Name\") VALUES (100, 'only in Oracle')");

    conv_.set_silent(false);
    const std::string out = run(UDB_MODE_SYNC, batch_rows);
    conv_.set_silent(true);
    EXPECT_TRUE(reports_.empty()) << reports_.front();
    EXPECT_NE(out.find("Table Items synchronized: 2 unchanged, 7 updated, 1 inserted\n"),
              std::string::npos)
        << out;
    EXPECT_TRUE(outcome().synchronized);
    EXPECT_EQ(outcome().rows_unchanged, 2u);
    EXPECT_EQ(outcome().rows_updated, 7u);
    EXPECT_EQ(outcome().rows_inserted(), 1u);
    EXPECT_EQ(outcome().rows_written(), 8u);
    EXPECT_EQ(select_rows(L"SELECT \"ID\", \"Name\", RTRIM(\"Code\"), \"Amount\", TO_CHAR(\"At\", "
                          L"'YYYY-MM-DD'), \"Ratio\", LENGTH(\"Memo\") "
                          L"FROM \"Items\" WHERE \"ID\" BETWEEN 2 AND 9 ORDER BY 1"),
              (sql_rows{{L"2", L"Name 2", L"C2", L"3", L"2020-01-02", L"0.2", L"3001"},
                        {L"3", L"Name 3", L"C3", L"4.5", L"2020-01-03", L"0.3", L"3001"},
                        {L"4", L"Name 4", L"C4", L"6", L"2020-01-04", L"0.4", L"3001"},
                        {L"5", L"Name 5", L"C5", L"7.5", L"<null>", L"0.5", L"3001"},
                        {L"6", L"Name 6", L"C6", L"9", L"2020-01-06", L"0.6", L"3001"},
                        {L"7", L"Name 7", L"C7", L"10.5", L"2020-01-07", L"0.7", L"3001"},
                        {L"8", L"Name 8", L"C8", L"12", L"2020-01-08", L"0.8", L"3001"},
                        {L"9", L"Name 9", L"C9", L"13.5", L"2020-01-09", L"0.9", L"3001"}}));
    EXPECT_EQ(select_one(L"SELECT \"Name\" FROM \"Items\" WHERE \"ID\" = 100"), L"only in Oracle");
    const auto data = [](int id) {
      return select_one(L"SELECT \"Data\" FROM \"Items\" WHERE \"ID\" = " + std::to_wstring(id));
    };
    EXPECT_EQ(data(8).size(), data(1).size());  // 100 bytes again, not the one written in Oracle
    EXPECT_NE(data(8), data(1));
    run(UDB_MODE_SYNC, batch_rows);
    EXPECT_TRUE(reports_.empty()) << reports_.front();
    EXPECT_EQ(outcome().rows_unchanged, 10u);
    EXPECT_EQ(outcome().rows_written(), 0u);
    EXPECT_EQ(select_one(L"SELECT COUNT(*) FROM \"Items\""), L"11");
  }
}

}  // namespace
