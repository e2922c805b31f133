// Recordsets, indexes, relationships and databases of the neutral model:
// key-index bookkeeping, index lookups, foreign-key names, table existence
// by each side's comparison rule, and the in-place record conversion.
#include <gtest/gtest.h>

#include "UDB/udb_database.h"
#include "UDB/udb_recordset.h"
#include "UDB/udb_relationships.h"

namespace {

class plain_recordset : public udb_recordset {
 public:
  using udb_recordset::udb_recordset;
  void append_record(const udb_record&) override {}
};

class plain_database : public udb_database {
 public:
  plain_database(bool b_case_sensitive, std::vector<std::wstring> tables)
      : udb_database(L"db", 0, b_case_sensitive) {
    tables_ = std::move(tables);
  }
  std::unique_ptr<udb_recordset> create_table(const std::wstring&, const udb_schema&,
                                              const udb_indexes&) override {
    return nullptr;
  }
  std::unique_ptr<udb_recordset> get_table(const std::wstring&, int32_t) override {
    return nullptr;
  }
  std::unique_ptr<udb_recordset> get_query(const std::wstring&, const std::wstring&,
                                           int32_t) override {
    return nullptr;
  }
  bool test_query(const std::wstring&) override { return false; }
};

udb_index index(const wchar_t* name, bool unique, bool primary, std::vector<std::wstring> f) {
  return udb_index{name, unique, primary, std::move(f)};
}

TEST(Recordset, FirstPrimaryOrUniqueIndexBecomesTheKeyAndRepeatedNamesAreDropped) {
  plain_recordset rs(L"T", true);
  EXPECT_EQ(rs.key_index(), -1);
  rs.add_index(index(L"ByName", false, false, {L"Name"}));
  rs.add_index(index(L"Code", true, false, {L"Code"}));
  rs.add_index(index(L"PrimaryKey", true, true, {L"ID"}));
  rs.add_index(index(L"primarykey", false, false, {L"Other"}));
  EXPECT_EQ(rs.key_index(), 1);
  ASSERT_EQ(rs.indexes().size(), 3u);
  EXPECT_EQ(rs.indexes().get_index(L"PRIMARYKEY").fields, std::vector<std::wstring>{L"ID"});
  EXPECT_THROW(rs.indexes().get_index(L"missing"), tk_mail_assertion);
}

TEST(Recordset, FreshRecordsetIsEmpty) {
  plain_recordset table(L"T", true);
  plain_recordset query(L"Q", L"SELECT 1", true);
  EXPECT_TRUE(table.is_eof());
  EXPECT_EQ(table.get_item(), nullptr);
  EXPECT_FALSE(table.has_query());
  EXPECT_TRUE(query.has_query());
  EXPECT_EQ(query.records_count(), 0u);
}

TEST(Recordset, ConvertRecordChangesEachFieldToItsColumnType) {
  plain_recordset rs(L"T", true);
  rs.schema().add(std::make_unique<t_ftd>(4, L"ID", VT_I4, false, false, ole_variant(), 0));
  rs.schema().add(std::make_unique<t_ftd>(8, L"Amount", VT_R8, false, false, ole_variant(), 0));
  udb_record rec;
  rec.add(std::make_unique<udb_field>(L"id", 10, ole_variant(std::wstring(L"42")), false, false));
  rec.add(std::make_unique<udb_field>(L"amount", 4, ole_variant(3), false, false));
  rs.convert_record(rec);
  EXPECT_EQ(rec[0].get_type(), VT_I4);
  EXPECT_EQ(rec[0].to_long(), 42);
  EXPECT_EQ(rec[1].get_type(), VT_R8);
  EXPECT_EQ(rec[1].to_double(), 3.0);

  udb_record bad;
  bad.add(std::make_unique<udb_field>(L"id", 10, ole_variant(std::wstring(L"abc")), false, false));
  EXPECT_THROW(rs.convert_record(bad), ole_cast_exception);
  bad.add(std::make_unique<udb_field>(L"x", 1, ole_variant(1), false, false));
  bad.add(std::make_unique<udb_field>(L"y", 1, ole_variant(1), false, false));
  EXPECT_THROW(rs.convert_record(bad), tk_mail_assertion);  // wider than the schema
}

TEST(Indexes, LookupsByColumns) {
  udb_indexes list;
  list.push_back(index(L"AB", false, false, {L"A", L"B"}));
  list.push_back(index(L"BA", true, true, {L"B", L"A"}));
  EXPECT_FALSE(list.has_index_on_fields({L"A"}, true));  // AB is first and not unique
  EXPECT_TRUE(list.has_index_on_fields({L"a"}, false));
  EXPECT_TRUE(list.has_index_on_fields({L"B"}, true));
  EXPECT_FALSE(list.has_index_on_fields({L"C"}, false));
  EXPECT_TRUE(list[0].consists_of_fields({L"B", L"A"}));
  EXPECT_FALSE(list[0].consists_of_fields({L"b", L"a"}));  // exact names
  EXPECT_FALSE(index(L"ABC", false, false, {L"A", L"B", L"C"}).consists_of_fields({L"B", L"A"}));
  EXPECT_FALSE(list[0].starts_with_fields({L"A", L"B", L"C"}));
  EXPECT_TRUE(list.is_idx_field(L"A", true));
  EXPECT_FALSE(list.is_idx_field(L"a", false));
  EXPECT_TRUE(list.is_acceptable_name(L"C") && !list.is_acceptable_name(L"ab"));
}

TEST(Relationships, GeneratedNamesGrowByTheirPieceCycle) {
  udb_relationships rels;
  const udb_relationship orders{L"", L"", L"B", L"A", L"", {L"x"}, {L"y"}};
  const std::vector<std::wstring> expected = {L"FK_A_B",       L"FK_A_B_",       L"FK_A_B_1",
                                              L"FK_A_B_1_",    L"FK_A_B_1_2",    L"FK_A_B_1_2_",
                                              L"FK_A_B_1_2_3", L"FK_A_B_1_2_3_", L"FK_A_B_1_2_3_1"};
  for (const std::wstring& name : expected) {
    udb_relationship r = orders;
    r.name = rels.gen_relship_name(r);
    EXPECT_EQ(r.name, name);
    rels.push_back(r);
  }
  EXPECT_EQ(rels.get_index(L"fk_a_b_1").name, L"FK_A_B_1");
  EXPECT_FALSE(rels.is_acceptable_name(L"fk_a_b"));
  EXPECT_THROW(rels.get_index(L"FK_X"), tk_mail_assertion);
}

TEST(Database, TableExistenceFollowsEachSidesComparison) {
  plain_database access(false, {L"Orders", L"Größe"});
  plain_database oracle(true, {L"ORDERS"});
  EXPECT_TRUE(access.is_table_exist(L"ORDERS"));
  EXPECT_TRUE(access.is_table_exist(L"GRÖßE"));
  EXPECT_FALSE(oracle.is_table_exist(L"Orders"));
  EXPECT_TRUE(oracle.is_table_exist(L"ORDERS"));
}

TEST(Database, DeleteTabRemovesOneNameAndKeepsTheOrder) {
  plain_database db(false, {L"A", L"B", L"C", L"b"});
  EXPECT_TRUE(db.delete_tab(L"b"));
  EXPECT_EQ(db.tables(), (std::vector<std::wstring>{L"A", L"C", L"b"}));
  EXPECT_THROW(db.delete_tab(L"Z"), tk_mail_assertion);
  EXPECT_THROW(db.query(L"DROP TABLE A"), tk_mail_assertion);
}

}  // namespace
