// dao_database: the table list (system and linked tables skipped with their
// traces), relationships grouped by name with multi-column keys, opening
// tables, queries the reader cannot run, and test_query.
#include "access/dao_database.h"

#include <algorithm>
#include <fstream>
#include <iterator>

#include "TK/tk_text.h"
#include "access/dao_exception.h"
#include "tests/access/classes/classes_support.h"

namespace {
std::vector<std::wstring> tables_of(udb_database& db) {
  return db.tables();
}
}  // namespace

using DaoDatabase = access_test;

TEST_F(DaoDatabase, ListsLocalTablesAndSkipsSystemAndLinkedOnes) {
  // Table2 is linked to Z:\jackcess_test\linkeeTest.accdb, which is not
  // there: it is listed, and opening it fails with the error that names the
  // file, as opening an ODBC link fails with its connection's error.
  auto linker = open("jackcess/linkerTestV2007.accdb", 0x21);
  EXPECT_EQ(tables_of(*linker), (std::vector<std::wstring>{L"Table1", L"Table2"}));
  EXPECT_TRUE(
      traced("Linked table's file is missing: ;DATABASE=Z:\\jackcess_test\\linkeeTest.accdb"));
  EXPECT_TRUE(traced("Skip system table 'MSysObjects'"));
  EXPECT_TRUE(traced("Got table: 'Table1'"));
  EXPECT_TRUE(linker->is_table_exist(L"TABLE1"));
  int32_t link_level = -1;
  EXPECT_EQ(code_of([&] { linker->get_table(L"Table2", 1); }, &link_level), 0x10BD0);  // 3024
  EXPECT_EQ(link_level, TK_LEVEL_RECORD);
  // An ODBC link and a hidden table stay listed; the link cannot be read.
  auto odbc = open("jackcess/odbcLinkerTestV2007.accdb", 0x21);
  EXPECT_TRUE(odbc->is_table_exist(L"Lokal"));
  ASSERT_TRUE(odbc->is_table_exist(L"Ordrar"));
  int32_t level = -1;
  EXPECT_EQ(code_of([&] { odbc->get_table(L"Ordrar", 1); }, &level), 0x10C4F);  // 3151
  EXPECT_EQ(level, TK_LEVEL_RECORD);
  EXPECT_THROW(odbc->get_table(L"NoSuchTable", 1), tk_mail_assertion);
}

TEST_F(DaoDatabase, RelationshipsAreGroupedByName) {
  auto db = open("generated/daoValues.mdb", 0x01);
  std::vector<udb_relationship> rels(db->relationships().begin(), db->relationships().end());
  ASSERT_EQ(rels.size(), 2u);
  // AValuesChild: Child(C) -> Values(ID).
  EXPECT_EQ(rels[0].name, L"FK_Values_Child");
  EXPECT_EQ(rels[0].table, L"Child");
  EXPECT_EQ(rels[0].fields, std::vector<std::wstring>{L"C"});
  EXPECT_EQ(rels[0].ref_fields, std::vector<std::wstring>{L"ID"});
  // ParentChild: two rows, one key of two columns.
  EXPECT_EQ(rels[1].name, L"FK_Parent_Child");
  EXPECT_EQ(rels[1].ref_table, L"Parent");
  EXPECT_EQ(rels[1].fields, (std::vector<std::wstring>{L"F1", L"F2"}));
  EXPECT_EQ(rels[1].ref_fields, (std::vector<std::wstring>{L"P1", L"P2"}));
  EXPECT_TRUE(rels[1].ref_key_name.empty() && rels[1].delete_rule.empty());
  EXPECT_TRUE(traced("'ParentChild' is a multi-column FK"));
  // Checking and listing opens do not read them.
  EXPECT_TRUE(open("generated/daoValues.mdb", 0x21)->relationships().empty());
  EXPECT_TRUE(open("generated/daoValues.mdb", 0x61)->relationships().empty());
}

TEST_F(DaoDatabase, RelationshipsOfAJet4FileNameTheirReferencedTable) {
  // Jackcess indexTest: Table1.otherfk1 refers to Table2, otherfk2 to Table3.
  auto db = open("jackcess/indexTestV2000.mdb", 0x01);
  std::vector<std::wstring> names;
  for (const auto& rel : db->relationships()) {
    if (rel.table.rfind(L"MSys", 0) == 0) continue;  // Access's own navigation pane tables
    names.push_back(rel.name);
    EXPECT_EQ(rel.table, L"Table1");
    EXPECT_EQ(rel.fields.size(), 1u);
  }
  EXPECT_EQ(names, (std::vector<std::wstring>{L"FK_Table2_Table1", L"FK_Table3_Table1"}));
}

TEST_F(DaoDatabase, UnreadableRelationshipsGoToTheSinkAndTheDatabaseOpens) {
  // A copy of a Jet3 file whose catalog no longer names MSysRelationships:
  // DAO error 3112 while reading them.
  std::ifstream in(tk_to_utf8(fixture("ucanaccess/size97.mdb")), std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  for (size_t at = 0; (at = bytes.find("MSysRelationships", at)) != std::string::npos;)
    bytes[at + 16] = 'Z';
  const std::string copy = dir_ + "/norels.mdb";
  std::ofstream(copy, std::ios::binary) << bytes;

  std::vector<std::pair<int32_t, std::wstring>> reported;
  engine().set_error_sink([&](const tk_exception& e, const std::wstring& object) {
    reported.emplace_back(e.code(), object);
    EXPECT_EQ(e.level(), TK_LEVEL_RECORD);
  });
  auto db = engine().open_db(tk_to_wide(copy), 0x01, L"");
  ASSERT_EQ(reported.size(), 1u);
  EXPECT_EQ(reported[0].first, 0x10C28);
  EXPECT_EQ(reported[0].second, tk_to_wide(copy));
  EXPECT_EQ(db->tables().size(), 1u);
  EXPECT_TRUE(db->relationships().empty());
}

TEST_F(DaoDatabase, TablesOpenAsRecordsetsAndQueriesAreTested) {
  auto db = open("generated/daoValues.mdb", 0x01);
  auto rs = db->get_table(L"values", 1);
  ASSERT_TRUE(rs);
  EXPECT_EQ(rs->records_count(), 3u);
  EXPECT_FALSE(rs->has_query());
  EXPECT_TRUE(db->test_query(L"SELECT * FROM [Values]"));
  EXPECT_FALSE(db->test_query(L"SELEKT nonsense"));
  EXPECT_FALSE(db->test_query(L"DELETE FROM [Values]"));
  EXPECT_THROW(db->query(L"SELECT 1"), tk_mail_assertion);
}

// Test Query checks what a conversion opens: the rows and their count.
TEST_F(DaoDatabase, TestQueryAgreesWithTheConversion) {
  auto db = open("generated/savedQueries.mdb", 0x01);
  const std::wstring crosstab =
      L"TRANSFORM Sum(Amount) SELECT CustID FROM Orders GROUP BY CustID PIVOT Region;";
  EXPECT_TRUE(db->test_query(crosstab));
  EXPECT_EQ(db->get_query(L"Crosstab", crosstab, 1)->records_count(), 4u);
  EXPECT_TRUE(db->test_query(L"SELECT * FROM TopTwo"));
  EXPECT_EQ(db->get_query(L"Top", L"SELECT * FROM TopTwo", 1)->records_count(), 3u);
  EXPECT_FALSE(db->test_query(L"SELECT * FROM OrdersAbove"));
  EXPECT_FALSE(db->test_query(L"SELECT * FROM CycleA"));
  EXPECT_FALSE(db->test_query(L"SELECT * FROM WideCrosstab"));
}

TEST_F(DaoDatabase, SavedQueriesAreTheKindsThatGiveRowsAndQueryErrorsSayWhy) {
  // Nine saved queries: select, crosstab, union, four action queries, a
  // pass-through and a data-definition query.
  auto db = open("jackcess/queryTestV2000.mdb", 0x21);
  std::vector<std::wstring> names = db->saved_queries();
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::wstring>{L"CrosstabQuery", L"SelectQuery", L"UnionQuery"}));
  EXPECT_TRUE(traced("Skip saved query 'UpdateQuery' (kind 48)"));
  EXPECT_EQ(db->query_error(L"SELECT * FROM [SelectQuery]"), L"");
  EXPECT_EQ(db->query_error(L"SELECT * FROM NoSuchTable"),
            L"The database engine cannot find the input table or query 'NoSuchTable'. Make sure "
            L"it exists and that its name is spelled correctly.");
  EXPECT_FALSE(db->query_error(L"SELEKT nonsense").empty());
  EXPECT_TRUE(open("generated/daoValues.mdb", 0x01)->saved_queries().empty());
}

TEST_F(DaoDatabase, QueryGivesItsRowsOrTheEngineError) {
  auto db = open("generated/daoValues.mdb", 0x01);
  // Until the reader runs free SQL, counting the rows of a query is a DAO
  // error (3251, level 0: that query is skipped); never a wrong count.
  try {
    auto rs = db->get_query(L"Named", L"SELECT * FROM [Parent]", 1);
    EXPECT_EQ(rs->records_count(), 1u);
    EXPECT_TRUE(rs->has_query());
    EXPECT_EQ(read_rows(*rs).size(), 1u);
  } catch (const dao_exception& e) {
    EXPECT_EQ(e.dao_error(), 3251) << e.message();
    EXPECT_EQ(e.level(), TK_LEVEL_RECORD);
  }
}

TEST_F(DaoDatabase, DamagedPropertyBlobsDoNotHangTheOpen) {
  // The fuzz seed on which libmdb's property parser loops (chunk length 0).
  const std::wstring path =
      tk_to_wide(std::string(TARVEL_SOURCE_DIR) + "/fuzz/corpus/access_dao/kkd_zero_chunk.mdb");
  auto db = engine().open_db(path, 0x01, L"");
  ASSERT_EQ(db->tables().size(), 1u);
  auto rs = db->get_table(db->tables()[0], 1);
  ASSERT_TRUE(rs);
  EXPECT_EQ(read_rows(*rs).size(), 0u);
  EXPECT_TRUE(traced("are damaged; ignored"));
}
