// The index-name validator reads the schema's key and index names.
#include "ORA/ora_in_validator.h"

#include <gtest/gtest.h>

#include "ora_test_support.h"

namespace {

using OraInValidator = ora_session_test;

TEST_F(OraInValidator, ExistingKeysAndIndexesAreRefusedInAnyCase) {
  run(L"CREATE TABLE T (ID NUMBER(11,0), NAME NVARCHAR2(20))");
  run(L"ALTER TABLE \"T\" ADD CONSTRAINT \"PRIMARYKEY\" PRIMARY KEY (\"ID\")");
  run(L"CREATE INDEX \"NameIdx\" ON \"T\" (\"NAME\")");
  ora_in_validator v;
  EXPECT_FALSE(v.is_acceptable(L"PrimaryKey"));
  EXPECT_FALSE(v.is_acceptable(L"nameidx"));
  EXPECT_FALSE(v.is_acceptable(L"Primary"));
  EXPECT_TRUE(v.is_acceptable(L"OtherIdx"));
  EXPECT_EQ(v.get_safe_name(L"PrimaryKey"), L"PrimaryKey00000");
}

TEST_F(OraInValidator, OneInstanceThatTakesTheTablesIndexNames) {
  ora_in_validator v;
  EXPECT_EQ(&ora_in_validator::instance(), &v);
  EXPECT_THROW(ora_in_validator second, tk_mail_assertion);
  udb_indexes indexes;
  udb_index idx;
  idx.name = L"ByName";
  indexes.push_back(idx);
  v.load(indexes);
  EXPECT_TRUE(v.is_duplicated(L"BYNAME"));
  EXPECT_EQ(v.get_safe_name(L"By Name"), L"By_Name");
}

TEST_F(OraInValidator, TheDestinationGivesTheRunsValidators) {
  auto in = db_->create_index_name_validator();
  EXPECT_FALSE(in->is_acceptable(L"primary"));
  auto tn = db_->create_table_name_validator({L"A B"}, {L"A_B"});
  EXPECT_EQ(tn->get_safe_name(L"A B"), L"A_B00000");
}

}  // namespace
