// The OCI session against the embedded engine: loading the client library,
// logon and its failures, Oracle errors as exceptions, the version, record
// counts, statements and the schema's table list.
#include <gtest/gtest.h>

#include "ORA/oci/oci_library.h"
#include "ORA/ora_exception.h"
#include "TK/tk_paths.h"
#include "ora_test_support.h"

namespace {

TEST(OciLibrary, NameComesFromTheEnvironment) {
  unsetenv("TARVEL_OCI_LIB");
  EXPECT_EQ(oci_library_name(), "libclntsh.so");
  setenv("TARVEL_OCI_LIB", "embedded", 1);
  EXPECT_EQ(oci_library_name(), tk_program_dir() + "/liboraemb.so");
  setenv("TARVEL_OCI_LIB", "/opt/oracle/libclntsh.so.19.1", 1);
  EXPECT_EQ(oci_library_name(), "/opt/oracle/libclntsh.so.19.1");
}

TEST(OciLibrary, MissingLibraryGivesTheClientMessageWithItsName) {
  setenv("TARVEL_OCI_LIB", "/nonexistent/libclntsh.so", 1);
  ora_engine engine;
  try {
    engine.open_db(L"//localhost:1521/ORCL", L"scott", L"tiger");
    FAIL() << "no exception";
  } catch (const tk_exception& e) {
    EXPECT_EQ(e.level(), TK_LEVEL_RUN);
    EXPECT_EQ(e.message(), std::string(kOciMissingMessage) + "\n/nonexistent/libclntsh.so");
    EXPECT_EQ(e.message().substr(0, 59),
              "The Oracle client and networking components were not found.");
  }
  EXPECT_FALSE(engine.is_connected());
}

TEST(OciLibrary, LibraryWithoutOciNamesTheMissingFunction) {
  try {
    oci_load("libm.so.6");
    FAIL() << "no exception";
  } catch (const tk_exception& e) {
    EXPECT_EQ(e.message(), std::string(kOciMissingMessage) + "\nlibm.so.6: OCIEnvCreate");
  }
}

using OraSession = ora_session_test;

TEST_F(OraSession, LogonKeepsTheDataSourceAndUser) {
  EXPECT_TRUE(engine_->is_connected());
  EXPECT_EQ(db_->data_source(), L"//localhost:1521/ORCL");
  EXPECT_EQ(engine_->user(), L"scott");
}

TEST_F(OraSession, WrongPasswordIsOracleError1017AndLeavesNoSession) {
  db_.reset();
  try {
    engine_->open_db(L"localhost", L"scott", L"wrong", L"", L"ORCL");
    FAIL() << "no exception";
  } catch (const ora_exception& e) {
    EXPECT_EQ(e.code(), 0x1003F9);
    EXPECT_EQ(e.oracle_error(), 1017);
    EXPECT_EQ(e.level(), TK_LEVEL_RECORD);
    EXPECT_NE(e.message().find("ORA-01017"), std::string::npos) << e.message();
  }
  EXPECT_FALSE(engine_->is_connected());
  // The right password logs on again; an empty port is 1521.
  db_ = engine_->open_db(L"localhost", L"scott", L"tiger", L"", L"ORCL");
  EXPECT_EQ(db_->data_source(), L"//localhost:1521/ORCL");
}

TEST_F(OraSession, SecondLogonReplacesTheFirst) {
  db_ = engine_->open_db(L"//localhost:1521/OTHER", L"adams", L"wood");
  EXPECT_TRUE(engine_->is_connected());
  EXPECT_EQ(engine_->user(), L"adams");
  EXPECT_EQ(engine_->get_records_cnt(L"SELECT 1 FROM dual", true), 1);
}

TEST_F(OraSession, VersionIsReadFromTheBanner) {
  const int32_t version = engine_->get_version();
  EXPECT_GE(version, 0x80000);
}

TEST_F(OraSession, RecordCountsOfTablesAndQueries) {
  run(L"CREATE TABLE \"Mixed Case\" (ID NUMBER(11,0), NAME NVARCHAR2(20))");
  EXPECT_EQ(engine_->get_records_cnt(L"Mixed Case", false), 0);
  for (int i = 1; i <= 3; ++i)
    run(L"INSERT INTO \"Mixed Case\" VALUES(" + std::to_wstring(i) + L", 'n')");
  EXPECT_EQ(engine_->get_records_cnt(L"Mixed Case", false), 3);
  EXPECT_EQ(engine_->get_records_cnt(L"SELECT * FROM \"Mixed Case\" WHERE ID > 1", true), 2);
  // The name is quoted: the folded name is another table.
  EXPECT_THROW(engine_->get_records_cnt(L"MIXED CASE", false), ora_exception);
}

TEST_F(OraSession, OracleErrorsCarryTheirNumberAndText) {
  try {
    db_->query(L"SELECT * FROM no_such_table");
    FAIL() << "no exception";
  } catch (const ora_exception& e) {
    EXPECT_EQ(e.oracle_error(), 942);
    EXPECT_EQ(e.message().rfind("ORA-00942", 0), 0u) << e.message();
    EXPECT_NE(e.message().back(), '\n');
  }
}

TEST_F(OraSession, TestQueryParsesWithoutRunning) {
  run(L"CREATE TABLE T (ID NUMBER(11,0))");
  EXPECT_TRUE(db_->test_query(L"INSERT INTO T VALUES(1)"));
  EXPECT_EQ(engine_->get_records_cnt(L"T", false), 0);
  EXPECT_THROW(db_->test_query(L"SELEC * FROM T"), ora_exception);
}

TEST_F(OraSession, DatabaseListsTheSchemasTablesExactly) {
  EXPECT_TRUE(db_->tables().empty());
  run(L"CREATE TABLE EMPLOYEES (ID NUMBER(11,0))");
  run(L"CREATE TABLE \"Orders\" (ID NUMBER(11,0))");
  db_ = std::make_unique<ora_database>(L"//localhost:1521/ORCL");
  EXPECT_EQ(db_->tables().size(), 2u);
  EXPECT_TRUE(db_->is_table_exist(L"EMPLOYEES"));
  EXPECT_FALSE(db_->is_table_exist(L"Employees"));
  EXPECT_TRUE(db_->is_table_exist(L"Orders"));
}

TEST(OraSessionMisuse, QueriesNeedALogon) {
  ora_engine engine;
  EXPECT_THROW(engine.get_records_cnt(L"T", false), tk_mail_assertion);
  EXPECT_THROW(engine.get_version(), tk_mail_assertion);
  EXPECT_THROW(ora_engine second, tk_mail_assertion);
}

}  // namespace
