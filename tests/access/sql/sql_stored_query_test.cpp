// Stored SELECT queries of the Jackcess queryTest files: their text rebuilt
// from MSysQueries runs (the tables are empty), and a query can name a stored
// query as its source. Also the counting form "select count(*) from (...)".
#include <gtest/gtest.h>

#include "TK/tk_text.h"
#include "access/dao/jet_file.h"
#include "access/dao/sql/sql_engine.h"
#include "tests/access/sql/sql_test_support.h"

namespace {

class StoredQueries : public ::testing::TestWithParam<const char*> {};

TEST_P(StoredQueries, SelectQueryTextRebuiltAndRun) {
  auto file = jet_file::open(data_path(std::string("jackcess/") + GetParam()), u"");
  const auto text = sql_stored_query_text(*file, u"SelectQuery");
  ASSERT_TRUE(text);
  const std::string sql = tk_utf16_to_utf8(*text);
  EXPECT_EQ(sql.rfind("SELECT DISTINCT ", 0), 0u) << sql;
  EXPECT_NE(sql.find("LEFT JOIN"), std::string::npos) << sql;
  EXPECT_NE(sql.find("ORDER BY Table2.col1"), std::string::npos) << sql;
  EXPECT_FALSE(sql_stored_query_text(*file, u"UpdateQuery"));  // not a SELECT

  sql_fixture db(std::string("jackcess/") + GetParam());
  EXPECT_TRUE(db.rows(*text).empty());
  const auto fields = db.fields(u"SELECT * FROM [SelectQuery]");
  ASSERT_GE(fields.size(), 3u);
  EXPECT_EQ(fields[fields.size() - 3], "col1:10");
  EXPECT_EQ(db.rows(u"select count(*) from (" + *text + u")"), std::vector<std::string>{"0"});
  EXPECT_EQ(db.error(u"SELECT * FROM [UpdateQuery]"), 3078);
}

INSTANTIATE_TEST_SUITE_P(QueryTest, StoredQueries,
                         ::testing::Values("queryTestV1997.mdb", "queryTestV2000.mdb",
                                           "queryTestV2007.accdb"));

TEST(AccessSqlCount, CountFormWrapsAnyQuery) {
  sql_fixture db("sql/sqlTest.mdb");
  const std::u16string sql = u"SELECT TOP 2 c.[Company Name] FROM Customers AS c ORDER BY c.ID;";
  EXPECT_EQ(db.rows(u"select count(*) from (" + sql + u")"), std::vector<std::string>{"2"});
  EXPECT_EQ(db.fields(u"select count(*) from (" + sql + u")"),
            std::vector<std::string>{"Expr1000:4"});
}

}  // namespace
