// What a server's configuration changes for a client: describe sizes in the
// database and national character sets, literals that lose what the
// database character set cannot hold, NVARCHAR2 limits of the national set,
// LOB character-set forms (ORA-24806), COMPATIBLE and the identifier limit,
// an NLS_LANG the client refuses, and a logon warning (ORA-28002).
#include <fstream>

#include "tests/oraemb/oci_fixture.h"

namespace oraemb_test {
namespace {

class ServerConfigTest : public OciTest {
 protected:
  void TearDown() override {
    for (OCISvcCtx* s : extra) api.OCILogoff(s, err);
    unsetenv("TARVEL_ORAEMB_CONFIG");
    OciTest::TearDown();
  }
  // Logs on to a service configured with `settings` (a [service DB] body).
  OCISvcCtx* connect_to(const std::string& settings) {
    const std::string config = (dir / "oraemb.conf").string();
    std::ofstream(config) << "[service DB] file = db" << ++files << ".db " << settings << "\n";
    setenv("TARVEL_ORAEMB_CONFIG", config.c_str(), 1);
    OCISvcCtx* s = nullptr;
    last_logon = logon(&s, "scott", "tiger", "//localhost/DB");
    EXPECT_TRUE(last_logon == OCI_SUCCESS || last_logon == OCI_SUCCESS_WITH_INFO) << error_text();
    extra.push_back(s);
    return s;
  }
  struct Facts {
    ub2 type = 0, data_size = 0, char_size = 0;
    ub1 char_used = 0, form = 0;
  };
  // The describe of every column of `sql`.
  std::vector<Facts> describe(OCISvcCtx* on, const std::string& sql) {
    std::vector<Facts> out;
    OCIStmt* st = nullptr;
    api.OCIHandleAlloc(env, reinterpret_cast<void**>(&st), OCI_HTYPE_STMT, 0, nullptr);
    std::u16string text = u16(sql);
    api.OCIStmtPrepare(st, err, reinterpret_cast<const OraText*>(text.data()),
                       static_cast<ub4>(text.size() * 2), OCI_NTV_SYNTAX, OCI_DEFAULT);
    EXPECT_EQ(api.OCIStmtExecute(on, st, err, 0, 0, nullptr, nullptr, OCI_DESCRIBE_ONLY),
              OCI_SUCCESS)
        << error_text();
    ub4 count = 0;
    api.OCIAttrGet(st, OCI_HTYPE_STMT, &count, nullptr, OCI_ATTR_PARAM_COUNT, err);
    for (ub4 k = 1; k <= count; ++k) {
      void* p = nullptr;
      api.OCIParamGet(st, OCI_HTYPE_STMT, err, &p, k);
      Facts f;
      api.OCIAttrGet(p, OCI_DTYPE_PARAM, &f.type, nullptr, OCI_ATTR_DATA_TYPE, err);
      api.OCIAttrGet(p, OCI_DTYPE_PARAM, &f.data_size, nullptr, OCI_ATTR_DATA_SIZE, err);
      api.OCIAttrGet(p, OCI_DTYPE_PARAM, &f.char_size, nullptr, OCI_ATTR_CHAR_SIZE, err);
      api.OCIAttrGet(p, OCI_DTYPE_PARAM, &f.char_used, nullptr, OCI_ATTR_CHAR_USED, err);
      api.OCIAttrGet(p, OCI_DTYPE_PARAM, &f.form, nullptr, OCI_ATTR_CHARSET_FORM, err);
      api.OCIDescriptorFree(p, OCI_DTYPE_PARAM);
      out.push_back(f);
    }
    api.OCIHandleFree(st, OCI_HTYPE_STMT);
    return out;
  }
  // Locks row ID=1 of L and hands out the locator of column `column`.
  OCILobLocator* lock_lob(OCISvcCtx* on, const std::string& column, OCIStmt** st) {
    api.OCIHandleAlloc(env, reinterpret_cast<void**>(st), OCI_HTYPE_STMT, 0, nullptr);
    std::u16string text = u16("SELECT " + column + " FROM L WHERE ID=1 FOR UPDATE");
    api.OCIStmtPrepare(*st, err, reinterpret_cast<const OraText*>(text.data()),
                       static_cast<ub4>(text.size() * 2), OCI_NTV_SYNTAX, OCI_DEFAULT);
    void* loc = nullptr;
    api.OCIDescriptorAlloc(env, &loc, OCI_DTYPE_LOB, 0, nullptr);
    lobs.push_back(loc);
    OCIDefine* def = nullptr;
    api.OCIDefineByPos(*st, &def, err, 1, &lobs.back(), sizeof(void*), SQLT_CLOB, nullptr, nullptr,
                       nullptr, OCI_DEFAULT);
    EXPECT_EQ(api.OCIStmtExecute(on, *st, err, 1, 0, nullptr, nullptr, OCI_DEFAULT), OCI_SUCCESS)
        << error_text();
    return static_cast<OCILobLocator*>(lobs.back());
  }
  sword write_lob(OCISvcCtx* on, OCILobLocator* loc, const std::u16string& text, ub2 csid,
                  ub1 form) {
    ub4 amount = static_cast<ub4>(text.size());
    return api.OCILobWrite(on, err, loc, &amount, 1, const_cast<char16_t*>(text.data()),
                           static_cast<ub4>(text.size() * 2), OCI_ONE_PIECE, nullptr, nullptr, csid,
                           form);
  }

  std::vector<OCISvcCtx*> extra;
  std::vector<void*> lobs;
  int files = 0;
  sword last_logon = OCI_SUCCESS;
};

TEST_F(ServerConfigTest, DescribeCountsBytesOfTheColumnsCharacterSet) {
  const std::string table =
      "CREATE TABLE T (A VARCHAR2(4000 BYTE), B VARCHAR2(100 CHAR), C NVARCHAR2(100), "
      "D CHAR(10 CHAR), E NUMBER, F FLOAT(10), G BINARY_DOUBLE, H CLOB, I NCLOB)";
  OCISvcCtx* utf = connect_to("");
  ASSERT_EQ(exec_on(utf, table), OCI_SUCCESS) << error_text();
  auto f = describe(utf, "SELECT * FROM T");
  ASSERT_EQ(f.size(), 9u);
  EXPECT_EQ(f[0].data_size, 4000);  // AL32UTF8, BYTE semantics
  EXPECT_EQ(f[0].char_size, 4000);
  EXPECT_EQ(f[0].char_used, 0);
  EXPECT_EQ(f[1].data_size, 400);  // 4 bytes per character
  EXPECT_EQ(f[1].char_size, 100);
  EXPECT_EQ(f[1].char_used, 1);
  EXPECT_EQ(f[2].data_size, 200);  // AL16UTF16
  EXPECT_EQ(f[2].char_size, 100);
  EXPECT_EQ(f[2].form, SQLCS_NCHAR);
  EXPECT_EQ(f[3].data_size, 40);
  EXPECT_EQ(f[4].char_size, 0);
  EXPECT_EQ(f[6].type, 101);  // BINARY_DOUBLE
  EXPECT_EQ(f[6].data_size, 8);
  EXPECT_EQ(f[7].type, SQLT_CLOB);
  EXPECT_EQ(f[7].form, SQLCS_IMPLICIT);
  EXPECT_EQ(f[8].type, SQLT_CLOB);
  EXPECT_EQ(f[8].form, SQLCS_NCHAR);

  OCISvcCtx* we8 = connect_to("database_charset = WE8MSWIN1252  nchar_charset = UTF8");
  ASSERT_EQ(exec_on(we8, table), OCI_SUCCESS) << error_text();
  f = describe(we8, "SELECT * FROM T");
  EXPECT_EQ(f[1].data_size, 100);  // one byte per character
  EXPECT_EQ(f[2].data_size, 300);  // UTF8: up to 3 bytes
  EXPECT_EQ(rows_on(we8,
                    "SELECT data_length, char_length, char_used FROM user_tab_columns "
                    "WHERE column_name = 'C'"),
            (std::vector<std::vector<std::string>>{{"300", "100", "C"}}));
  // 4000 bytes of UTF8 are 1333 characters; beyond, ORA-00910.
  EXPECT_EQ(exec_on(we8, "CREATE TABLE N1 (A NVARCHAR2(1333))"), OCI_SUCCESS) << error_text();
  EXPECT_EQ(exec_on(we8, "CREATE TABLE N2 (A NVARCHAR2(1334))"), OCI_ERROR);
  EXPECT_EQ(error_code(), 910);
  EXPECT_EQ(exec_on(utf, "CREATE TABLE N2 (A NVARCHAR2(2000))"), OCI_SUCCESS);
  EXPECT_EQ(rows_on(we8,
                    "SELECT value FROM nls_database_parameters WHERE parameter = "
                    "'NLS_NCHAR_CHARACTERSET'"),
            (std::vector<std::vector<std::string>>{{"UTF8"}}));
}

TEST_F(ServerConfigTest, LiteralsPassThroughTheDatabaseCharacterSet) {
  OCISvcCtx* we8 = connect_to("database_charset = WE8MSWIN1252");
  ASSERT_EQ(exec_on(we8, "CREATE TABLE T (ID NUMBER, V VARCHAR2(20), N NVARCHAR2(20))"),
            OCI_SUCCESS);
  // Greek is outside Windows-1252, even in an N'...' literal; é and € are in.
  ASSERT_EQ(exec_on(we8, "INSERT INTO T VALUES (1, 'Ωμέγα é€', N'Ωμέγα é€')"), OCI_SUCCESS);
  // UNISTR's escapes are ASCII: the national column receives every character.
  ASSERT_EQ(exec_on(we8,
                    "INSERT INTO T VALUES (2, UNISTR('\\03A9'), UNISTR('\\03A9\\\\')||"
                    "UNISTR('\\D83D\\DE00'))"),
            OCI_SUCCESS)
      << error_text();
  EXPECT_EQ(rows_on(we8, "SELECT V, N FROM T ORDER BY ID"),
            (std::vector<std::vector<std::string>>{{"¿¿¿¿¿ é€", "¿¿¿¿¿ é€"}, {"¿", "Ω\\😀"}}));
  EXPECT_EQ(exec_on(we8, "INSERT INTO T VALUES (3, NULL, UNISTR('\\03'))"), OCI_ERROR);
  EXPECT_EQ(error_code(), 30186);
  // A national column defined in the implicit form comes through the
  // database character set; in the national form it comes whole.
  for (const ub1 form : {ub1{SQLCS_IMPLICIT}, ub1{SQLCS_NCHAR}}) {
    OCIStmt* st = nullptr;
    api.OCIHandleAlloc(env, reinterpret_cast<void**>(&st), OCI_HTYPE_STMT, 0, nullptr);
    const std::u16string text = u16("SELECT N FROM T WHERE ID = 2");
    api.OCIStmtPrepare(st, err, reinterpret_cast<const OraText*>(text.data()),
                       static_cast<ub4>(text.size() * 2), OCI_NTV_SYNTAX, OCI_DEFAULT);
    char16_t buf[32] = {};
    sb2 ind = 0;
    OCIDefine* def = nullptr;
    api.OCIDefineByPos(st, &def, err, 1, buf, sizeof buf, SQLT_STR, &ind, nullptr, nullptr,
                       OCI_DEFAULT);
    ub1 value = form;
    ASSERT_EQ(api.OCIAttrSet(def, OCI_HTYPE_DEFINE, &value, 0, OCI_ATTR_CHARSET_FORM, err),
              OCI_SUCCESS);
    ASSERT_EQ(api.OCIStmtExecute(we8, st, err, 1, 0, nullptr, nullptr, OCI_DEFAULT), OCI_SUCCESS);
    EXPECT_EQ(u8(buf), form == SQLCS_NCHAR ? "Ω\\😀" : "¿\\¿");
    api.OCIHandleFree(st, OCI_HTYPE_STMT);
  }
  // An AL32UTF8 database keeps them.
  OCISvcCtx* utf = connect_to("");
  ASSERT_EQ(exec_on(utf, "CREATE TABLE T (V VARCHAR2(20))"), OCI_SUCCESS);
  ASSERT_EQ(exec_on(utf, "INSERT INTO T VALUES ('Ωμέγα')"), OCI_SUCCESS);
  EXPECT_EQ(rows_on(utf, "SELECT V FROM T")[0][0], "Ωμέγα");
}

TEST_F(ServerConfigTest, LobsAreWrittenAndReadInTheirOwnForm) {
  OCISvcCtx* we8 = connect_to("database_charset = WE8MSWIN1252");
  ASSERT_EQ(exec_on(we8, "CREATE TABLE L (ID NUMBER, C CLOB, N NCLOB)"), OCI_SUCCESS);
  ASSERT_EQ(exec_on(we8, "INSERT INTO L VALUES (1, EMPTY_CLOB(), EMPTY_CLOB())"), OCI_SUCCESS);
  const std::u16string greek = u16("Ωμέγα");
  OCIStmt* st = nullptr;
  OCILobLocator* n = lock_lob(we8, "N", &st);
  ub1 form = 0;
  ASSERT_EQ(api.OCILobCharSetForm(env, err, n, &form), OCI_SUCCESS);
  EXPECT_EQ(form, SQLCS_NCHAR);
  EXPECT_EQ(write_lob(we8, n, greek, OCI_UTF16ID, SQLCS_IMPLICIT), OCI_ERROR);
  EXPECT_EQ(error_text(), "ORA-24806: LOB form mismatch\n");
  EXPECT_EQ(write_lob(we8, n, greek, OCI_UTF16ID, SQLCS_NCHAR), OCI_SUCCESS) << error_text();
  char16_t back[16] = {};
  ub4 amount = 16;
  EXPECT_EQ(api.OCILobRead(we8, err, n, &amount, 1, back, sizeof back, nullptr, nullptr,
                           OCI_UTF16ID, SQLCS_IMPLICIT),
            OCI_ERROR);
  EXPECT_EQ(error_code(), 24806);
  amount = 16;
  EXPECT_EQ(api.OCILobRead(we8, err, n, &amount, 1, back, sizeof back, nullptr, nullptr,
                           OCI_UTF16ID, SQLCS_NCHAR),
            OCI_SUCCESS);
  EXPECT_EQ(std::u16string(back, amount), greek);
  api.OCIHandleFree(st, OCI_HTYPE_STMT);
  // A CLOB in the implicit form keeps what Windows-1252 holds; csid 0 in a
  // UTF-16 environment is UTF-16.
  OCILobLocator* c = lock_lob(we8, "C", &st);
  EXPECT_EQ(write_lob(we8, c, greek, 0, SQLCS_NCHAR), OCI_ERROR);
  EXPECT_EQ(write_lob(we8, c, greek, 0, SQLCS_IMPLICIT), OCI_SUCCESS) << error_text();
  api.OCIHandleFree(st, OCI_HTYPE_STMT);
  ASSERT_EQ(api.OCITransCommit(we8, err, OCI_DEFAULT), OCI_SUCCESS);
  EXPECT_EQ(rows_on(we8, "SELECT TO_CHAR(C), TO_CHAR(N) FROM L")[0],
            (std::vector<std::string>{"¿¿¿¿¿", "Ωμέγα"}));
  for (void* loc : lobs) api.OCIDescriptorFree(loc, OCI_DTYPE_LOB);
}

TEST_F(ServerConfigTest, CompatibleDecidesTheIdentifierLimit) {
  const std::string long_name = "CREATE TABLE " + std::string(40, 'X') + " (A NUMBER)";
  // A 19c database upgraded with COMPATIBLE=12.1 keeps 30 bytes.
  OCISvcCtx* old = connect_to("profile = 19c  compatible = 12.1.0");
  EXPECT_EQ(exec_on(old, long_name), OCI_ERROR);
  EXPECT_EQ(error_code(), 972);
  ub1 limit = 0;
  ASSERT_EQ(
      api.OCIAttrGet(old, OCI_HTYPE_SVCCTX, &limit, nullptr, OCI_ATTR_MAX_IDENTIFIER_LEN, err),
      OCI_SUCCESS);
  EXPECT_EQ(limit, 30);
  EXPECT_EQ(rows_on(old, "SELECT value FROM v$parameter WHERE name = 'compatible'"),
            (std::vector<std::vector<std::string>>{{"12.1.0"}}));
  OCISvcCtx* current = connect_to("profile = 19c");
  EXPECT_EQ(exec_on(current, long_name), OCI_SUCCESS) << error_text();
  ASSERT_EQ(
      api.OCIAttrGet(current, OCI_HTYPE_SVCCTX, &limit, nullptr, OCI_ATTR_MAX_IDENTIFIER_LEN, err),
      OCI_SUCCESS);
  EXPECT_EQ(limit, 128);
  EXPECT_EQ(rows_on(current, "SELECT value FROM v$parameter WHERE name = 'compatible'"),
            (std::vector<std::vector<std::string>>{{"19.0.0"}}));
}

TEST_F(ServerConfigTest, PasswordAboutToExpireLogsOnWithAWarning) {
  connect_to("password_grace = 7");
  EXPECT_EQ(last_logon, OCI_SUCCESS_WITH_INFO);
  EXPECT_EQ(error_text(), "ORA-28002: the password will expire within 7 days\n");
}

TEST(EnvironmentTest, AnNlsLangTheClientRefusesFailsWithAReason) {
  Api api;
  ASSERT_NE(api.lib, nullptr);
  setenv("NLS_LANG", "AMERICAN_AMERICA.NOSUCHSET", 1);
  OCIEnv* env = nullptr;
  EXPECT_EQ(api.OCIEnvCreate(&env, OCI_UTF16, nullptr, nullptr, nullptr, nullptr, 0, nullptr),
            OCI_ERROR);
  unsetenv("NLS_LANG");
  ASSERT_NE(env, nullptr);
  char16_t text[128] = {};
  sb4 code = 0;
  EXPECT_EQ(api.OCIErrorGet(env, 1, nullptr, &code, reinterpret_cast<OraText*>(text), sizeof text,
                            OCI_HTYPE_ENV),
            OCI_SUCCESS);
  EXPECT_EQ(code, 12705);
  EXPECT_EQ(u8(text), "ORA-12705: Cannot access NLS data files or invalid environment specified\n");
  api.OCIHandleFree(env, OCI_HTYPE_ENV);
  setenv("NLS_LANG", "GERMAN_GERMANY.WE8MSWIN1252", 1);
  EXPECT_EQ(api.OCIEnvCreate(&env, OCI_UTF16, nullptr, nullptr, nullptr, nullptr, 0, nullptr),
            OCI_SUCCESS);
  unsetenv("NLS_LANG");
  api.OCIHandleFree(env, OCI_HTYPE_ENV);
}

}  // namespace
}  // namespace oraemb_test
