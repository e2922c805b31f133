// The Oracle layer against servers configured as real ones can be: existing
// tables whose text columns are wider than NVARCHAR2 or counted in CHAR
// semantics, types beyond the ones the product creates (BINARY_DOUBLE,
// FLOAT(p)) and types it cannot write (refused with the column named), a
// WE8MSWIN1252 database whose national columns must still receive any text,
// a 19c database kept at COMPATIBLE 12.1, an NLS_LANG the client refuses and
// a password about to expire.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <fstream>

#include "ORA/ora_charset.h"
#include "ORA/ora_exception.h"
#include "ORA/ora_stmt.h"
#include "ORA/ora_util.h"
#include "TK/tk_exception.h"
#include "ora_writer_support.h"

namespace {

// The session's service ORCL configured with `settings` before logon.
class OraServerFacts : public ora_writer_test {
 protected:
  void SetUp() override {
    const std::string config = dir_.path() + "/oraemb.conf";
    std::ofstream(config) << "[service ORCL] " << settings() << "\n";
    setenv("TARVEL_ORAEMB_CONFIG", config.c_str(), 1);
    ora_writer_test::SetUp();
  }
  void TearDown() override {
    ora_writer_test::TearDown();
    unsetenv("TARVEL_ORAEMB_CONFIG");
  }
  virtual std::string settings() const { return ""; }
  // Opens `name` in a new session, as a later run would.
  std::unique_ptr<ora_table> reopen(const std::wstring& name) {
    db_.reset();
    db_ = engine_->open_db(L"//localhost:1521/ORCL", L"scott", L"tiger");
    return open(name);
  }
};

TEST_F(OraServerFacts, WideAndCharSemanticsTextColumnsAreNoLobs) {
  run(L"CREATE TABLE \"Ext\" (\"ID\" NUMBER(10,0), \"W\" VARCHAR2(4000 CHAR), "
      L"\"B\" VARCHAR2(4000), \"N\" NVARCHAR2(2000), \"M\" CLOB)");
  auto table = reopen(L"Ext");
  const udb_schema& s = table->schema();
  // Sizes in characters, whatever the bytes of the character set.
  EXPECT_EQ(s[1].size, 4000u);
  EXPECT_EQ(s[2].size, 4000u);
  EXPECT_EQ(s[3].size, 2000u);
  EXPECT_EQ(table->readers()[1]->data_size(), 4000);
  EXPECT_TRUE(table->readers()[1]->char_used());
  EXPECT_FALSE(table->readers()[1]->is_lob());
  EXPECT_FALSE(table->readers()[2]->is_lob());
  EXPECT_TRUE(table->readers()[4]->is_lob());
  EXPECT_TRUE(is_ora_national(*table->readers()[3]));
  EXPECT_FALSE(is_ora_national(*table->readers()[1]));

  // Merging into it: every text arrives in its column.
  src_table t;
  t.columns = {col(L"ID", VT_I4), col(L"W", VT_BSTR, 4000), col(L"B", VT_BSTR, 4000),
               col(L"N", VT_BSTR, 2000), col(L"M", VT_BSTR)};
  const std::wstring wide(3000, L'w');
  append(*table, t, {ole_variant(1), text(wide), text(L"Größe"), text(L"Жёлтый"), text(L"memo")});
  table.reset();
  EXPECT_EQ(select_rows(L"SELECT LENGTH(\"W\"), \"B\", \"N\", \"M\" FROM \"Ext\""),
            (sql_rows{{L"3000", L"Größe", L"Жёлтый", L"memo"}}));
}

TEST_F(OraServerFacts, BinaryDoubleAndFloatColumnsHoldFractions) {
  run(L"CREATE TABLE \"Num\" (\"BD\" BINARY_DOUBLE, \"BF\" BINARY_FLOAT, \"F\" FLOAT(10), "
      L"\"N\" NUMBER(5,0))");
  auto table = reopen(L"Num");
  const udb_schema& s = table->schema();
  EXPECT_EQ(s[0].vartype, VT_R8);
  EXPECT_EQ(s[1].vartype, VT_R8);
  EXPECT_EQ(s[2].vartype, VT_R8);  // FLOAT(10): scale -127, not an integer
  EXPECT_EQ(s[3].vartype, VT_I4);
  src_table t;
  t.columns = {col(L"BD", VT_R8), col(L"BF", VT_R4), col(L"F", VT_R8), col(L"N", VT_I4)};
  append(*table, t, {ole_variant(1.5), ole_variant(2.25f), ole_variant(3.75), ole_variant(7)});
  table.reset();
  table = open(L"Num");
  ASSERT_FALSE(table->is_eof());
  const udb_record& row = *table->get_item();
  EXPECT_DOUBLE_EQ(row[0].to_double(), 1.5);
  EXPECT_DOUBLE_EQ(row[1].to_double(), 2.25);
  EXPECT_DOUBLE_EQ(row[2].to_double(), 3.75);
  EXPECT_EQ(row[3].to_long(), 7);
}

class OraServer23 : public OraServerFacts {
  std::string settings() const override { return "profile = 23ai"; }
};

TEST_F(OraServer23, AColumnOfATypeThatCannotBeWrittenRefusesTheTable) {
  run(L"CREATE TABLE \"Flags\" (\"ID\" NUMBER, \"OK\" BOOLEAN)");
  try {
    reopen(L"Flags");
    FAIL() << "opened";
  } catch (const tk_exception& e) {
    EXPECT_EQ(e.level(), 0);
    EXPECT_NE(std::string(e.what()).find("\"OK\""), std::string::npos) << e.what();
    EXPECT_NE(std::string(e.what()).find("BOOLEAN"), std::string::npos) << e.what();
  }
  // A query over it still runs; the column reads as unsupported.
  EXPECT_EQ(select_rows(L"SELECT * FROM \"Flags\""), sql_rows{});
}

class OraWesternServer : public OraServerFacts {
  std::string settings() const override { return "database_charset = WE8MSWIN1252"; }
};

std::wstring non_latin(size_t min_chars) {
  std::wstring s;
  for (int i = 0; s.size() < min_chars; ++i)
    s += L"Ωμέγα Жёлтый 日本語 O'Brien \\ 😀 " + std::to_wstring(i) + L"\n";
  return s;
}

TEST_F(OraWesternServer, NationalColumnsReceiveTextTheDatabaseSetCannotHold) {
  run(L"CREATE TABLE \"Intl\" (\"ID\" NUMBER(10,0), \"N\" NVARCHAR2(2000), \"NC\" NCLOB, "
      L"\"V\" VARCHAR2(100))");
  auto table = reopen(L"Intl");
  src_table t;
  t.columns = {col(L"ID", VT_I4), col(L"N", VT_BSTR, 2000), col(L"NC", VT_BSTR),
               col(L"V", VT_BSTR, 100)};
  const std::wstring line = L"Ωμέγα Жёлтый 日本語 O'Brien \\ 😀";
  const std::wstring longer = non_latin(1900).substr(0, 1900);
  const std::wstring memo = non_latin(40000);
  append(*table, t, {ole_variant(1), text(line), text(memo), text(L"Ωé")});
  append(*table, t, {ole_variant(2), text(longer), text(line), text(L"plain")});
  table.reset();
  const sql_rows rows = select_rows(L"SELECT \"N\", \"NC\", \"V\" FROM \"Intl\" ORDER BY \"ID\"");
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0][0], line);
  EXPECT_EQ(rows[0][1], memo);
  EXPECT_EQ(rows[0][2], L"¿é");  // VARCHAR2 holds what Windows-1252 holds
  EXPECT_EQ(rows[1][0], longer);
  EXPECT_EQ(rows[1][1], line);
}

TEST_F(OraWesternServer, CreatedTextColumnsKeepNonLatinDefaults) {
  src_table t;
  t.columns = {col(L"ID", VT_I4),
               src_column{L"Name", VT_BSTR, 20, false, false, ole_variant(std::wstring(L"Ωé")), 0}};
  auto table = create(L"Def", t);
  table.reset();
  run(L"INSERT INTO \"Def\" (\"ID\") VALUES (1)");
  EXPECT_EQ(select_one(L"SELECT \"Name\" FROM \"Def\""), L"Ωé");
}

class OraUpgradedServer : public OraServerFacts {
  std::string settings() const override { return "profile = 19c  compatible = 12.1.0"; }
};

TEST_F(OraUpgradedServer, CompatibleKeepsIdentifiersAt30Bytes) {
  EXPECT_EQ(db_->max_identifier_bytes(), 30u);
}

// The release comes from the server handshake: a V$VERSION that says
// nothing of use (here a table of the schema that hides the view) changes
// nothing, nor does a profile's banner of another release.
TEST_F(OraServerFacts, TheReleaseNeedsNoQueryOfVVersion) {
  EXPECT_EQ(db_->server_version(), 0x130000);
  run(L"CREATE TABLE V$VERSION (BANNER VARCHAR2(20))");
  run(L"INSERT INTO V$VERSION VALUES ('no release here')");
  db_.reset();
  db_ = engine_->open_db(L"//localhost:1521/ORCL", L"scott", L"tiger");
  EXPECT_EQ(db_->server_version(), 0x130000);
}

// A fetch "with info" is checked: a LONG longer than what is read of it is
// refused, not handed on cut; the rows before it come whole.
TEST_F(OraServerFacts, ALongBeyondWhatIsReadIsReportedNotCut) {
  run(L"CREATE TABLE L (ID NUMBER, T LONG)");
  run(L"INSERT INTO L VALUES (1, 'short')");
  std::u16string big(1000001, u'x');
  ub4 bytes = static_cast<ub4>(big.size() * 2);
  ora_stmt insert;
  insert.prepare(L"INSERT INTO L VALUES (2, :1)");
  OCIBind* bind = nullptr;
  ASSERT_EQ(oci_api().OCIBindByPos2(insert.handle(), &bind, engine_->err(), 1, big.data(), bytes,
                                    SQLT_LNG, nullptr, &bytes, nullptr, 0, nullptr, OCI_DEFAULT),
            OCI_SUCCESS);
  insert.execute(1, OCI_COMMIT_ON_SUCCESS);
  ora_query_results rows(L"", L"SELECT T FROM L ORDER BY ID");
  rows.initialize(0, L"SELECT T FROM L ORDER BY ID");
  ASSERT_FALSE(rows.is_eof());
  EXPECT_EQ((*rows.get_item())[0].to_wstring(), L"short");
  try {
    rows.is_eof();
    ADD_FAILURE() << "a cut value was passed on";
  } catch (const ora_exception& e) {
    EXPECT_EQ(e.oracle_error(), 1406);
    EXPECT_NE(std::string(e.what()).find("(column \"T\")"), std::string::npos) << e.what();
  }
}

class OraServer10 : public OraServerFacts {
  std::string settings() const override { return "profile = 10.2"; }
};

TEST_F(OraServer10, TheReleaseOfAnOlderServer) {
  EXPECT_EQ(db_->server_version(), 0xA0200);
}

TEST_F(OraServerFacts, A19cDatabaseTakes128ByteIdentifiers) {
  EXPECT_EQ(db_->max_identifier_bytes(), 128u);
  EXPECT_EQ(engine_->logon_warning(), L"");
}

class OraExpiringPassword : public OraServerFacts {
  std::string settings() const override { return "password_grace = 5"; }
};

TEST_F(OraExpiringPassword, TheLogonWarningIsKept) {
  EXPECT_EQ(engine_->logon_warning(), L"ORA-28002: the password will expire within 5 days");
  EXPECT_TRUE(engine_->is_connected());
}

TEST(OraEnvironment, AnNlsLangTheClientRefusesGivesItsReason) {
  ora_temp_dir dir;
  dir.use_embedded_engine();
  setenv("NLS_LANG", "AMERICAN_AMERICA.NOSUCHSET", 1);
  ora_engine engine;
  try {
    engine.open_db(L"//localhost:1521/ORCL", L"scott", L"tiger");
    FAIL() << "logged on";
  } catch (const tk_exception& e) {
    EXPECT_EQ(e.level(), 1);
    EXPECT_NE(std::string(e.what()).find("ORA-12705"), std::string::npos) << e.what();
    EXPECT_NE(std::string(e.what()).find("NLS_LANG"), std::string::npos) << e.what();
  }
  unsetenv("NLS_LANG");
  EXPECT_FALSE(engine.is_connected());
}

TEST(OraNationalLiteral, NonAsciiTextBecomesUnistrPieces) {
  EXPECT_EQ(ora_national_literal(L"'plain ''q'' \\'"), L"'plain ''q'' \\'");
  EXPECT_EQ(ora_national_literal(L"'Ω''\\'"), L"UNISTR('\\03A9''\\005C')");
  EXPECT_EQ(ora_national_literal(L"'😀'"), L"UNISTR('\\D83D\\DE00')");
  EXPECT_EQ(ora_national_literal(L"NULL"), L"NULL");
  EXPECT_EQ(ora_national_literal(L"to_date('x', 'y')"), L"to_date('x', 'y')");
  // Long texts are cut into pieces below the 4000-byte literal limit, never
  // inside a surrogate pair.
  std::wstring value = std::wstring(699, L'é') + L"😀" + std::wstring(10, L'é');
  const std::wstring out = ora_national_literal(L"'" + value + L"'");
  EXPECT_EQ(out.find(L"')||UNISTR('"), 8u + 699 * 5);
  for (size_t start = 0; start < out.size();) {
    size_t end = out.find(L"||", start);
    if (end == std::wstring::npos) end = out.size();
    EXPECT_LT(end - start, 4000u);
    start = end + 2;
  }
}

}  // namespace
