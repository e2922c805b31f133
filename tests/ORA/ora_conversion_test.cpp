// Whole conversions from a typed test source through the driver into the
// embedded engine, checked through SQL: the schema and every row, the four
// modes, merge conformity, and the foreign-key phase (what is built, what is
// left out, Oracle's refusal reported per relationship).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "ORA/ora_exception.h"
#include "TK/tk_text.h"
#include "ora_conversion_support.h"

namespace {

// The destination with its statements recorded; foreign keys can be made
// to fail as Oracle fails them for orphaned rows, or are only recorded.
class recording_db : public ora_database {
 public:
  using ora_database::ora_database;
  void query(const std::wstring& sql) override {
    if (sql.find(L"ADD FOREIGN KEY") != std::wstring::npos) {
      foreign_keys.push_back(sql);
      for (const std::wstring& table : orphaned)
        if (sql.find(L"ALTER TABLE \"" + table + L"\"") == 0)
          throw ora_exception(2298,
                              "ORA-02298: cannot validate (SCOTT.SYS_C0070001) - parent "
                              "keys not found");
      return;
    }
    if (sql.find(L"UNIQUE(") != std::wstring::npos) unique_keys.push_back(sql);
    // The run ends right after the CREATE TABLE of that table, as a process
    // killed there would.
    if (stopping) throw tk_final_exception();
    ora_database::query(sql);
    stopping =
        !stop_after_create.empty() && sql.find(L"CREATE TABLE \"" + stop_after_create + L"\"") == 0;
    if (sql.find(L"CREATE") != 0 && sql.find(L"ALTER") != 0) return;
    ddl.push_back(sql);
  }
  std::wstring stop_after_create;
  bool stopping = false;
  std::vector<std::wstring> ddl;  // every CREATE and ALTER run through query()
  std::vector<std::wstring> foreign_keys, unique_keys;
  std::vector<std::wstring> orphaned;  // child tables whose key Oracle refuses
};

// Run errors are not among the reports here.
class OraConversion : public ora_conversion_fixture {
 protected:
  OraConversion() : ora_conversion_fixture(L"/data/shop.mdb", false) { build_source(); }

  void build_source() {
    src_table customers;
    customers.columns = {src_column{L"CustomerID", VT_I4, 0, true, true, ole_variant(), 0},
                         col(L"Name", VT_BSTR, 40, true), col(L"Notes", VT_BSTR, 0),
                         col(L"Since", VT_DATE), col(L"Logo", VT_BLOB, 0)};
    customers.indexes = {udb_index{L"PrimaryKey", true, true, {L"CustomerID"}},
                         udb_index{L"ByName", false, false, {L"Name"}}};
    customers.rows = {
        {ole_variant(1), text(L"Ärzte & Co"), text(L"Größe: XL ✓"),
         ole_variant(when(2011, 8, 17, 10, 30)), ole_variant(std::vector<uint8_t>{0, 1, 2, 255})},
        {ole_variant(2), text(L"O'Brien"), text(L""), ole_variant(), ole_variant()}};
    src_table orders;
    orders.columns = {col(L"OrderID", VT_I4, 0, true), col(L"CustomerID", VT_I4),
                      col(L"Amount", VT_CY), col(L"Order Date", VT_DATE)};
    orders.indexes = {udb_index{L"PrimaryKey", true, true, {L"OrderID"}}};
    orders.rows = {{ole_variant(10), ole_variant(1), ole_variant(12.5), ole_variant()},
                   {ole_variant(11), ole_variant(2), ole_variant(-3.0), ole_variant()}};
    source_.add(L"Customers", customers);
    source_.add(L"Orders", orders);
  }

  void connect(bool recording = false) {
    ora_conversion_fixture::connect();
    if (recording) {
      auto db = std::make_unique<recording_db>(L"//localhost:1521/ORCL");
      rec_ = db.get();
      conv_.oracle.set_destination(std::move(db));
    }
  }
  // A run in `mode` whose reports are added to those of the earlier runs;
  // answers its console output.
  std::string run(int mode) {
    conv_.set_mode(mode);
    testing::internal::CaptureStdout();
    conv_();
    return testing::internal::GetCapturedStdout();
  }
  void add_relationship(const std::wstring& table, const std::wstring& ref_table,
                        const std::wstring& field, const std::wstring& ref_field) {
    udb_relationship rel;
    rel.table = table;
    rel.ref_table = ref_table;
    rel.fields = {field};
    rel.ref_fields = {ref_field};
    rel.name = source_.relationships.gen_relship_name(rel);
    source_.relationships.push_back(rel);
  }

  recording_db* rec_ = nullptr;
};

TEST_F(OraConversion, CreatesTheSchemaAndEveryRow) {
  connect();
  run(UDB_MODE_OVERWRITE);
  EXPECT_TRUE(reports_.empty()) << reports_.front();
  EXPECT_EQ(select_rows(L"SELECT \"CustomerID\", \"Name\", \"Notes\", TO_CHAR(\"Since\", "
                        L"'YYYY-MM-DD HH24:MI'), RAWTOHEX(\"Logo\") FROM \"Customers\" ORDER BY 1"),
            (sql_rows{{L"1", L"Ärzte & Co", L"Größe: XL ✓", L"2011-08-17 10:30", L"000102FF"},
                      {L"2", L"O'Brien", L"", L"<null>", L"<null>"}}));
  EXPECT_EQ(
      select_rows(L"SELECT \"OrderID\", \"CustomerID\", \"Amount\" FROM \"Orders\" ORDER BY 1"),
      (sql_rows{{L"10", L"1", L"12.5"}, {L"11", L"2", L"-3"}}));
  EXPECT_EQ(select_rows(L"SELECT COLUMN_NAME FROM USER_TAB_COLUMNS WHERE TABLE_NAME='Orders' "
                        L"ORDER BY COLUMN_ID"),
            (sql_rows{{L"OrderID"}, {L"CustomerID"}, {L"Amount"}, {L"Order_Date"}}));
  EXPECT_EQ(select_rows(L"SELECT INDEX_NAME FROM USER_INDEXES WHERE GENERATED='N' ORDER BY 1"),
            (sql_rows{{L"ByName"}, {L"PrimaryKey"}, {L"PrimaryKey00000"}}));
  EXPECT_EQ(select_one(L"SELECT SEQUENCE_NAME FROM USER_SEQUENCES"), L"Customers_0");
  // The counter's trigger is in place (it numbers rows inserted later).
  EXPECT_EQ(select_one(L"SELECT STATUS FROM USER_OBJECTS WHERE OBJECT_TYPE='TRIGGER'"), L"VALID");
}

TEST_F(OraConversion, UppercaseRunFoldsEveryName) {
  connect();
  conv_.uppercase = true;
  run(UDB_MODE_OVERWRITE);
  EXPECT_EQ(select_rows(L"SELECT TABLE_NAME FROM USER_TABLES ORDER BY 1"),
            (sql_rows{{L"CUSTOMERS"}, {L"ORDERS"}}));
  EXPECT_EQ(select_one(L"SELECT COUNT(*) FROM ORDERS WHERE ORDER_DATE IS NULL"), L"2");
}

TEST_F(OraConversion, OverwriteAndSkipOnASecondRun) {
  connect();
  run(UDB_MODE_OVERWRITE);
  source_.table(L"Orders").rows.pop_back();
  run(UDB_MODE_SKIP);
  EXPECT_EQ(select_one(L"SELECT COUNT(*) FROM \"Orders\""), L"2");
  run(UDB_MODE_OVERWRITE);
  EXPECT_EQ(select_one(L"SELECT COUNT(*) FROM \"Orders\""), L"1");
  // The dropped table's sequence went with it: one per counter after any
  // number of overwrites.
  EXPECT_EQ(select_rows(L"SELECT SEQUENCE_NAME FROM USER_SEQUENCES ORDER BY 1"),
            (sql_rows{{L"Customers_0"}}));
  EXPECT_TRUE(reports_.empty());
}

TEST_F(OraConversion, MergeAddsOnlyNewRowsAndSynchronizeUpdates) {
  connect();
  run(UDB_MODE_OVERWRITE);
  src_table& customers = source_.table(L"Customers");
  customers.rows[0][1] = text(L"Renamed");
  customers.rows[0][2] = text(std::wstring(5000, L'ж'));
  customers.rows.push_back(
      {ole_variant(3), text(L"Third"), text(L"n"), ole_variant(), ole_variant()});
  run(UDB_MODE_MERGE);
  EXPECT_TRUE(reports_.empty()) << reports_.front();
  EXPECT_EQ(select_rows(L"SELECT \"CustomerID\", \"Name\" FROM \"Customers\" ORDER BY 1"),
            (sql_rows{{L"1", L"Ärzte & Co"}, {L"2", L"O'Brien"}, {L"3", L"Third"}}));
  run(UDB_MODE_SYNC);
  EXPECT_TRUE(reports_.empty()) << reports_.front();
  EXPECT_EQ(
      select_rows(L"SELECT \"CustomerID\", \"Name\", LENGTH(\"Notes\") FROM \"Customers\" "
                  L"ORDER BY 1"),
      (sql_rows{{L"1", L"Renamed", L"5000"}, {L"2", L"O'Brien", L"0"}, {L"3", L"Third", L"1"}}));
}

TEST_F(OraConversion, MergeRefusesATableThatDoesNotConform) {
  connect();
  run(UDB_MODE_OVERWRITE);
  src_table& orders = source_.table(L"Orders");
  orders.columns[1].vt = VT_BLOB;  // binary into a number column
  orders.rows.clear();
  run(UDB_MODE_MERGE);
  ASSERT_EQ(reports_.size(), 1u);
  EXPECT_NE(reports_[0].find("does not conform"), std::string::npos);
  // A text column of the same size read back conforms (NVARCHAR2 sizes are
  // recovered in characters): Customers merged without a message.
}

TEST_F(OraConversion, ForeignKeysAfterTheTablesBetweenConvertedTablesOnly) {
  connect(true);
  add_relationship(L"Orders", L"Customers", L"CustomerID", L"CustomerID");
  add_relationship(L"Orders", L"Missing", L"CustomerID", L"ID");
  run(UDB_MODE_OVERWRITE);
  EXPECT_EQ(rec_->foreign_keys,
            (std::vector<std::wstring>{
                L"ALTER TABLE \"Orders\" ADD FOREIGN KEY (\"CustomerID\") REFERENCES "
                L"\"Customers\"(\"CustomerID\")"}));
  // The referenced key is the primary key already: no unique constraint.
  EXPECT_TRUE(rec_->unique_keys.empty());
  EXPECT_TRUE(reports_.empty());
}

TEST_F(OraConversion, RefusedForeignKeyIsReportedAndThePhaseGoesOn) {
  connect(true);
  source_.add(
      L"Lines",
      src_table{
          {col(L"LineID", VT_I4), col(L"OrderID", VT_I4), col(L"Cust Name", VT_BSTR, 40)}, {}, {}});
  add_relationship(L"Orders", L"Customers", L"CustomerID", L"CustomerID");
  add_relationship(L"Lines", L"Customers", L"Cust Name", L"Name");
  rec_->orphaned = {L"Orders"};
  conv_.only_definitions = true;  // keys are definitions
  run(UDB_MODE_OVERWRITE);
  ASSERT_EQ(rec_->foreign_keys.size(), 2u);
  EXPECT_EQ(rec_->foreign_keys[1],
            L"ALTER TABLE \"Lines\" ADD FOREIGN KEY (\"Cust_Name\") REFERENCES "
            L"\"Customers\"(\"Name\")");
  // Name is indexed, not unique: a unique key is made for the reference.
  EXPECT_EQ(rec_->unique_keys,
            (std::vector<std::wstring>{L"ALTER TABLE \"Customers\" ADD "
                                       L"CONSTRAINT \"Customers_UI\" UNIQUE(\"Name\")"}));
  EXPECT_EQ(select_one(L"SELECT CONSTRAINT_TYPE FROM USER_CONSTRAINTS WHERE "
                       L"CONSTRAINT_NAME='Customers_UI'"),
            L"U");
  ASSERT_EQ(reports_.size(), 1u);
  EXPECT_NE(reports_[0].find("orphaned records"), std::string::npos);
  EXPECT_EQ(select_one(L"SELECT COUNT(*) FROM \"Orders\""), L"0");
}

TEST_F(OraConversion, SkippedTableKeepsItsRelationshipsOut) {
  connect(true);
  add_relationship(L"Orders", L"Customers", L"CustomerID", L"CustomerID");
  run(UDB_MODE_OVERWRITE);
  rec_->foreign_keys.clear();
  run(UDB_MODE_SKIP);
  EXPECT_TRUE(rec_->foreign_keys.empty());
}

// The foreign-key phase against the engine itself.
TEST_F(OraConversion, ForeignKeysAreBuiltInTheEngine) {
  connect();
  add_relationship(L"Orders", L"Customers", L"CustomerID", L"CustomerID");
  run(UDB_MODE_OVERWRITE);
  EXPECT_TRUE(reports_.empty());
  EXPECT_EQ(select_rows(L"SELECT TABLE_NAME, R_CONSTRAINT_NAME FROM USER_CONSTRAINTS WHERE "
                        L"CONSTRAINT_TYPE='R'"),
            (sql_rows{{L"Orders", L"PrimaryKey"}}));
  // A merge into the same tables finds the key built already: no message.
  run(UDB_MODE_MERGE);
  EXPECT_TRUE(reports_.empty()) << reports_.front();
  EXPECT_EQ(select_one(L"SELECT COUNT(*) FROM USER_CONSTRAINTS WHERE CONSTRAINT_TYPE='R'"), L"1");
  // Overwriting drops the referenced table with the key; the phase builds it again.
  run(UDB_MODE_OVERWRITE);
  EXPECT_TRUE(reports_.empty()) << reports_.front();
  EXPECT_EQ(select_one(L"SELECT COUNT(*) FROM USER_CONSTRAINTS WHERE CONSTRAINT_TYPE='R'"), L"1");
}

TEST_F(OraConversion, OrphanedRowsAreReportedByTheEngine) {
  connect();
  source_.table(L"Orders").rows.push_back(
      {ole_variant(12), ole_variant(99), ole_variant(1.0), ole_variant()});
  add_relationship(L"Orders", L"Customers", L"CustomerID", L"CustomerID");
  run(UDB_MODE_OVERWRITE);
  ASSERT_EQ(reports_.size(), 1u);
  EXPECT_NE(reports_[0].find("orphaned records"), std::string::npos);
  EXPECT_EQ(select_one(L"SELECT COUNT(*) FROM USER_CONSTRAINTS WHERE CONSTRAINT_TYPE='R'"), L"0");
}

// The counter's sequence continues after the largest copied value, so the
// first row a user inserts after the conversion gets a number of its own;
// the same after a merge added rows.
TEST_F(OraConversion, AutoNumberContinuesAfterTheCopiedValues) {
  connect();
  src_table& customers = source_.table(L"Customers");
  customers.rows.push_back(
      {ole_variant(41), text(L"Far"), text(L""), ole_variant(), ole_variant()});
  run(UDB_MODE_OVERWRITE);
  ASSERT_TRUE(reports_.empty()) << reports_.front();
  run_sql(L"INSERT INTO \"Customers\" (\"Name\") VALUES ('Typed in Oracle')");
  EXPECT_EQ(
      select_one(L"SELECT \"CustomerID\" FROM \"Customers\" WHERE \"Name\"='Typed in Oracle'"),
      L"42");
  EXPECT_EQ(select_rows(L"SELECT INCREMENT_BY FROM USER_SEQUENCES"), (sql_rows{{L"1"}}));
  EXPECT_EQ(select_one(L"SELECT STATUS FROM USER_OBJECTS WHERE OBJECT_TYPE='TRIGGER'"), L"VALID");

  customers.rows.push_back(
      {ole_variant(60), text(L"Merged"), text(L""), ole_variant(), ole_variant()});
  run(UDB_MODE_MERGE);
  ASSERT_TRUE(reports_.empty()) << reports_.front();
  run_sql(L"INSERT INTO \"Customers\" (\"Name\") VALUES ('After the merge')");
  EXPECT_EQ(
      select_one(L"SELECT \"CustomerID\" FROM \"Customers\" WHERE \"Name\"='After the merge'"),
      L"61");
}

// A user without CREATE SEQUENCE: the privileges message is reported for the
// table, which is created and filled without its counter.
TEST_F(OraConversion, RefusedSequenceIsReportedAndTheRowsAreCopied) {
  configure("[service ORCL] file = ORCL.oradb admin = SYSTEM/manager\n");
  const std::string admin = std::string(TARVEL_BIN) +
                            "/oraemb-sql --connect=//localhost:1521/ORCL --user=system "
                            "--password=manager admin create-user scott tiger "
                            "'--revoke=CREATE SEQUENCE' >/dev/null";
  ASSERT_EQ(std::system(admin.c_str()), 0);
  connect();
  run(UDB_MODE_OVERWRITE);
  ASSERT_EQ(reports_.size(), 1u);
  EXPECT_NE(reports_[0].find("Insufficient privileges to create sequence"), std::string::npos)
      << reports_[0];
  EXPECT_EQ(select_rows(L"SELECT \"CustomerID\", \"Name\" FROM \"Customers\" ORDER BY 1"),
            (sql_rows{{L"1", L"Ärzte & Co"}, {L"2", L"O'Brien"}}));
  EXPECT_EQ(select_one(L"SELECT COUNT(*) FROM \"Orders\""), L"2");
  EXPECT_EQ(select_one(L"SELECT COUNT(*) FROM USER_SEQUENCES"), L"0");
  EXPECT_EQ(select_one(L"SELECT COUNT(*) FROM USER_TRIGGERS"), L"0");
}

// Below 12.2 identifiers have 30 bytes: names of two-byte letters are cut to
// fit (between characters), from 12.2 on they stay whole.
TEST_F(OraConversion, NamesFitTheServersIdentifierLimitInBytes) {
  const std::wstring table(30, L'ä'), column(30, L'é'), index(30, L'ö');
  source_.add(table, src_table{{src_column{column, VT_I4, 0, false, true, ole_variant(), 0},
                                col(L"Größe", VT_BSTR, 10)},
                               {udb_index{index, false, false, {L"Größe"}}},
                               {{ole_variant(7), text(L"XL")}}});
  configure("[service ORCL] file = ORCL.oradb profile = 12.1\n");
  connect();
  conv_.selected_tables = {table};
  run(UDB_MODE_OVERWRITE);
  ASSERT_TRUE(reports_.empty()) << reports_.front();
  const std::wstring short_table(14, L'ä');
  EXPECT_EQ(select_rows(L"SELECT TABLE_NAME FROM USER_TABLES"), (sql_rows{{short_table}}));
  EXPECT_EQ(select_rows(L"SELECT \"" + std::wstring(14, L'é') + L"\", \"Größe\" FROM \"" +
                        short_table + L"\""),
            (sql_rows{{L"7", L"XL"}}));
  EXPECT_EQ(select_rows(L"SELECT INDEX_NAME FROM USER_INDEXES"),
            (sql_rows{{std::wstring(14, L'ö')}}));
  EXPECT_EQ(select_one(L"SELECT STATUS FROM USER_OBJECTS WHERE OBJECT_TYPE='TRIGGER'"), L"VALID");
}

TEST_F(OraConversion, NamesStayWholeFromOracle12_2) {
  const std::wstring table(30, L'ä'), column(30, L'é');
  source_.add(table, src_table{{col(column, VT_I4)}, {}, {{ole_variant(7)}}});
  connect();  // the engine's default profile is 19c
  conv_.selected_tables = {table};
  run(UDB_MODE_OVERWRITE);
  ASSERT_TRUE(reports_.empty()) << reports_.front();
  EXPECT_EQ(select_one(L"SELECT \"" + column + L"\" FROM \"" + table + L"\""), L"7");
}

// A table without a primary or unique key: merge and synchronize add only
// the rows the table lacks, compared whole (memo and binary contents
// included), and a row Access holds twice stays twice, never more.
TEST_F(OraConversion, KeylessTableIsCompletedNeverDuplicated) {
  const std::wstring memo(5000, L'ж');
  src_table log;
  log.columns = {col(L"Who", VT_BSTR, 20), col(L"Amount", VT_R8), col(L"Price", VT_CY),
                 col(L"At", VT_DATE),      col(L"Done", VT_BOOL), col(L"Memo", VT_BSTR, 0),
                 col(L"Data", VT_BLOB, 0)};
  const std::vector<ole_variant> twice = {text(L"Anna"),
                                          ole_variant(0.1),
                                          ole_variant(12.5),
                                          ole_variant(when(2020, 2, 29, 23, 59)),
                                          ole_variant(true),
                                          text(memo),
                                          ole_variant(std::vector<uint8_t>{1, 2, 3})};
  std::vector<ole_variant> other_memo = twice;
  other_memo[5] = text(memo + L"!");
  log.rows = {twice,
              twice,
              other_memo,
              {text(L"Bo"), ole_variant(), ole_variant(), ole_variant(), ole_variant(false),
               text(L""), ole_variant()},
              {text(L"Bo"), ole_variant(), ole_variant(), ole_variant(), ole_variant(false),
               ole_variant(), ole_variant()}};
  source_.add(L"Log", log);
  conv_.selected_tables = {L"Log"};
  connect();
  auto rows = [] { return select_one(L"SELECT COUNT(*) FROM \"Log\""); };
  auto anna = [] {
    return select_one(
        L"SELECT COUNT(*) FROM \"Log\" WHERE \"Who\"='Anna' AND LENGTH(\"Memo\")=5000");
  };
  run(UDB_MODE_MERGE);
  ASSERT_TRUE(reports_.empty()) << reports_.front();
  EXPECT_EQ(rows(), L"5");
  for (int mode : {UDB_MODE_MERGE, UDB_MODE_SYNC, UDB_MODE_MERGE}) {
    run(mode);
    ASSERT_TRUE(reports_.empty()) << reports_.front();
    EXPECT_EQ(rows(), L"5") << "mode " << mode;
    EXPECT_EQ(anna(), L"2") << "mode " << mode;
  }
  // A run that stopped half-way left some rows, one of the two equal ones
  // among them: merge adds the others, the second equal row included.
  run_sql(L"DELETE FROM \"Log\"");
  const auto all = source_.table(L"Log").rows;
  source_.table(L"Log").rows = {twice, all[3]};
  run(UDB_MODE_MERGE);
  EXPECT_EQ(rows(), L"2");
  source_.table(L"Log").rows = all;
  run(UDB_MODE_MERGE);
  EXPECT_EQ(rows(), L"5");
  EXPECT_EQ(anna(), L"2");
  // A row new in Access reaches the table through synchronize, once.
  source_.table(L"Log").rows.push_back({text(L"Cy"), ole_variant(2.5), ole_variant(), ole_variant(),
                                        ole_variant(true), text(L"x"), ole_variant()});
  run(UDB_MODE_SYNC);
  run(UDB_MODE_SYNC);
  EXPECT_EQ(rows(), L"6");
  EXPECT_TRUE(reports_.empty()) << reports_.front();
}

// A run stopped right after a table's CREATE TABLE: the table has its
// primary key already, and merge adds its index, sequence (past the copied
// values) and trigger, and the foreign keys, saying what it added; a second
// merge adds nothing.
TEST_F(OraConversion, MergeCompletesATableStoppedAfterItsCreation) {
  connect(true);
  add_relationship(L"Orders", L"Customers", L"CustomerID", L"CustomerID");
  rec_->stop_after_create = L"Customers";
  run(UDB_MODE_OVERWRITE);
  ASSERT_EQ(select_rows(L"SELECT TABLE_NAME FROM USER_TABLES"), (sql_rows{{L"Customers"}}));
  EXPECT_EQ(select_rows(L"SELECT CONSTRAINT_NAME, CONSTRAINT_TYPE FROM USER_CONSTRAINTS WHERE "
                        L"CONSTRAINT_TYPE <> 'C'"),
            (sql_rows{{L"PrimaryKey", L"P"}}));
  EXPECT_EQ(select_one(L"SELECT COUNT(*) FROM USER_SEQUENCES"), L"0");

  // The next run, as a new process would, finds the schema afresh.
  auto fresh = std::make_unique<recording_db>(L"//localhost:1521/ORCL");
  rec_ = fresh.get();
  conv_.oracle.set_destination(std::move(fresh));
  conv_.set_silent(false);
  const std::string out = run(UDB_MODE_MERGE);
  EXPECT_TRUE(reports_.empty()) << reports_.front();
  EXPECT_NE(out.find("Table Customers completed with index ByName, sequence Customers_0 and its "
                     "trigger\n"),
            std::string::npos)
      << out;
  EXPECT_EQ(select_rows(L"SELECT INDEX_NAME FROM USER_INDEXES WHERE TABLE_NAME='Customers' AND "
                        L"GENERATED='N' ORDER BY 1"),
            (sql_rows{{L"ByName"}, {L"PrimaryKey"}}));
  EXPECT_EQ(select_one(L"SELECT STATUS FROM USER_OBJECTS WHERE OBJECT_TYPE='TRIGGER'"), L"VALID");
  EXPECT_EQ(select_one(L"SELECT COUNT(*) FROM \"Customers\""), L"2");
  EXPECT_EQ(select_one(L"SELECT COUNT(*) FROM \"Orders\""), L"2");
  EXPECT_EQ(rec_->foreign_keys.size(), 1u);
  run_sql(L"INSERT INTO \"Customers\" (\"Name\") VALUES ('Typed in Oracle')");
  EXPECT_EQ(
      select_one(L"SELECT \"CustomerID\" FROM \"Customers\" WHERE \"Name\"='Typed in Oracle'"),
      L"3");

  rec_->ddl.clear();
  run(UDB_MODE_SYNC);
  EXPECT_TRUE(rec_->ddl.empty()) << tk_to_utf8(rec_->ddl.front());
}

// A counter whose sequence was dropped while its trigger stayed: merge makes
// the sequence again under its name, past the copied values, instead of
// every record failing on the invalid trigger.
TEST_F(OraConversion, MergeRemakesTheSequenceOfACounterWhoseTriggerStayed) {
  connect(true);
  run(UDB_MODE_OVERWRITE);
  ASSERT_TRUE(reports_.empty()) << reports_.front();
  run_sql(L"DROP SEQUENCE \"Customers_0\"");
  run_sql(L"DELETE FROM \"Orders\"");
  run_sql(L"DELETE FROM \"Customers\" WHERE \"CustomerID\" = 2");
  conv_.set_silent(false);
  const std::string out = run(UDB_MODE_MERGE);
  EXPECT_TRUE(reports_.empty()) << reports_.front();
  EXPECT_NE(out.find("Table Customers completed with sequence Customers_0\n"), std::string::npos)
      << out;
  EXPECT_EQ(select_one(L"SELECT COUNT(*) FROM \"Customers\""), L"2");
  EXPECT_EQ(select_one(L"SELECT STATUS FROM USER_OBJECTS WHERE OBJECT_TYPE='TRIGGER'"), L"VALID");
  run_sql(L"INSERT INTO \"Customers\" (\"Name\") VALUES ('Typed in Oracle')");
  EXPECT_EQ(
      select_one(L"SELECT \"CustomerID\" FROM \"Customers\" WHERE \"Name\"='Typed in Oracle'"),
      L"3");
}

// The primary key is part of CREATE TABLE; the other keys and indexes follow.
TEST_F(OraConversion, PrimaryKeyIsCreatedWithItsTable) {
  connect(true);
  run(UDB_MODE_OVERWRITE);
  ASSERT_FALSE(rec_->ddl.empty());
  EXPECT_NE(rec_->ddl[0].find(L"CREATE TABLE \"Customers\" ("), std::wstring::npos);
  EXPECT_NE(rec_->ddl[0].find(L", CONSTRAINT \"PrimaryKey\" PRIMARY KEY (\"CustomerID\"))"),
            std::wstring::npos)
      << tk_to_utf8(rec_->ddl[0]);
  for (const std::wstring& sql : rec_->ddl)
    EXPECT_EQ(sql.find(L"ADD CONSTRAINT \"PrimaryKey"), std::wstring::npos) << tk_to_utf8(sql);
}

}  // namespace
