// Handles, logon, error delivery, describe/defines, RETURNING ROWID and LOB
// writes through the OCI calls, in the product's call patterns.
#include <cstring>

#include "tests/oraemb/oci_fixture.h"

namespace oraemb_test {
namespace {

using Session = OciTest;

// The product's RETURNING ROWID out-callback: hands back a 512-byte buffer.
struct RowidSink {
  char16_t buf[256];
  ub4 len = 512;
  int calls = 0;
  ub4 iter = 99, index = 99;
};
sb4 no_data(void*, OCIBind*, ub4, ub4, void** bufpp, ub4* alenp, ub1* piecep, void** indp) {
  *bufpp = nullptr;
  *alenp = 0;
  *piecep = OCI_ONE_PIECE;
  *indp = nullptr;
  return OCI_CONTINUE;
}
sb4 get_data(void* ctx, OCIBind*, ub4 iter, ub4 index, void** bufpp, ub4** alenpp, ub1* piecep,
             void** indpp, ub2** rcodepp) {
  auto* sink = static_cast<RowidSink*>(ctx);
  ++sink->calls;
  sink->iter = iter;
  sink->index = index;
  sink->len = 512;
  *bufpp = sink->buf;
  *alenpp = &sink->len;
  *piecep = OCI_ONE_PIECE;
  *indpp = nullptr;
  *rcodepp = nullptr;
  return OCI_CONTINUE;
}

TEST_F(Session, ExportsTheOciEntryPoints) {
  for (const char* name : {"OCIEnvCreate", "OCILogon", "OCIStmtExecute", "OCILobWrite",
                           "OCIBindDynamic", "OCILobCharSetForm", "OCIEnvNlsCreate",
                           "OCITransCommit", "OCIServerVersion", "OCIStmtFetch2"})
    EXPECT_NE(dlsym(api.lib, name), nullptr) << name;
  // Engine internals stay hidden behind the export list.
  EXPECT_EQ(dlsym(api.lib, "_ZN6oraemb8compare_valuesERKNS_5ValueES2_"), nullptr);
}

// The server's release without a query: the banner and its number packed
// as major << 24 | minor << 20 | update << 12 | port release << 8 | port update.
TEST_F(Session, ServerReleaseGivesTheBannerAndItsPackedNumber) {
  auto release =
      reinterpret_cast<decltype(&::OCIServerRelease)>(dlsym(api.lib, "OCIServerRelease"));
  ASSERT_NE(release, nullptr);
  char16_t banner[128] = {};
  ub4 number = 0;
  ASSERT_EQ(release(svc, err, reinterpret_cast<OraText*>(banner), sizeof banner, OCI_HTYPE_SVCCTX,
                    &number),
            OCI_SUCCESS);
  EXPECT_NE(u8(banner).find("Release 19.0.0.0.0"), std::string::npos) << u8(banner);
  EXPECT_EQ(number, 19u << 24);
  EXPECT_EQ(release(err, err, reinterpret_cast<OraText*>(banner), sizeof banner, OCI_HTYPE_SVCCTX,
                    &number),
            OCI_INVALID_HANDLE);
}

TEST_F(Session, HandleAllocReturnsZeroedUserMemory) {
  OCIError* e2 = nullptr;
  void* mem = nullptr;
  ASSERT_EQ(api.OCIHandleAlloc(env, reinterpret_cast<void**>(&e2), OCI_HTYPE_ERROR, 52, &mem),
            OCI_SUCCESS);
  ASSERT_NE(mem, nullptr);
  EXPECT_EQ(std::memcmp(mem, std::string(52, '\0').data(), 52), 0);
  EXPECT_EQ(api.OCIHandleFree(e2, OCI_HTYPE_ERROR), OCI_SUCCESS);
  // A freed handle is rejected, never dereferenced.
  EXPECT_EQ(api.OCIHandleFree(e2, OCI_HTYPE_ERROR), OCI_INVALID_HANDLE);
}

TEST_F(Session, WrongOrStaleHandlesGiveInvalidHandle) {
  int junk = 0;
  EXPECT_EQ(
      api.OCIStmtExecute(svc, reinterpret_cast<OCIStmt*>(&junk), err, 1, 0, nullptr, nullptr, 0),
      OCI_INVALID_HANDLE);
  EXPECT_EQ(api.OCIHandleFree(err, OCI_HTYPE_STMT), OCI_INVALID_HANDLE);
  // OCILogoff deallocates the service context it created: the product's later free gets -2.
  ASSERT_EQ(api.OCILogoff(svc, err), OCI_SUCCESS);
  EXPECT_EQ(api.OCIHandleFree(svc, OCI_HTYPE_SVCCTX), OCI_INVALID_HANDLE);
  svc = nullptr;
}

TEST_F(Session, WrongPasswordIsOra01017WithOraclesText) {
  ASSERT_EQ(api.OCILogoff(svc, err), OCI_SUCCESS);
  svc = nullptr;
  OCISvcCtx* other = nullptr;
  // The first logon created SCOTT/tiger; passwords are case-sensitive.
  EXPECT_EQ(logon(&other, "SCOTT", "TIGER"), OCI_ERROR);
  EXPECT_EQ(error_code(), 1017);
  EXPECT_EQ(error_text(), "ORA-01017: invalid username/password; logon denied\n");
  EXPECT_EQ(logon(&svc, "Scott", "tiger"), OCI_SUCCESS);  // unquoted user names fold to upper case
  EXPECT_EQ(logon(&other, "scott", "tiger", "nonsense"), OCI_ERROR);
  EXPECT_EQ(error_code(), 12154);
  EXPECT_TRUE(std::filesystem::exists(dir / "ORCL.oradb"));
}

TEST_F(Session, ErrorGetTruncatesToTheCallersBytes) {
  EXPECT_EQ(exec("SELECT * FROM nosuch"), OCI_ERROR);
  char16_t small[8];
  sb4 code = 0;
  ASSERT_EQ(api.OCIErrorGet(err, 1, nullptr, &code, reinterpret_cast<OraText*>(small), sizeof small,
                            OCI_HTYPE_ERROR),
            OCI_SUCCESS);
  EXPECT_EQ(code, 942);
  EXPECT_EQ(std::u16string(small), u"ORA-009");  // 7 characters plus the terminator
  EXPECT_EQ(api.OCIErrorGet(err, 2, nullptr, &code, reinterpret_cast<OraText*>(small), sizeof small,
                            OCI_HTYPE_ERROR),
            OCI_NO_DATA);
}

TEST_F(Session, DescribeReportsOracleTypesAndSizes) {
  ASSERT_EQ(
      exec("CREATE TABLE \"T\" (\"N\" NUMBER(10,2), \"P\" NUMBER, \"S\" NVARCHAR2(50)  NOT NULL, "
           "\"D\" DATE, \"C\" CLOB, \"B\" BLOB, \"R\" RAW(16))"),
      OCI_SUCCESS);
  OCIStmt* st = nullptr;
  api.OCIHandleAlloc(env, reinterpret_cast<void**>(&st), OCI_HTYPE_STMT, 0, nullptr);
  std::u16string q = u"SELECT * FROM \"T\"";
  api.OCIStmtPrepare(st, err, reinterpret_cast<const OraText*>(q.data()), q.size() * 2, 1, 0);
  ASSERT_EQ(api.OCIStmtExecute(svc, st, err, 0, 0, nullptr, nullptr, 0), OCI_SUCCESS);
  ub4 count = 0;
  api.OCIAttrGet(st, OCI_HTYPE_STMT, &count, nullptr, OCI_ATTR_PARAM_COUNT, err);
  ASSERT_EQ(count, 7u);
  struct Expect {
    ub2 type, size;
    sb2 precision;
    sb1 scale;
    ub1 nullable;
  } expect[] = {{2, 22, 10, 2, 1},    {2, 22, 0, -127, 1},  {1, 100, 0, 0, 0}, {12, 7, 0, 0, 1},
                {112, 4000, 0, 0, 1}, {113, 4000, 0, 0, 1}, {23, 16, 0, 0, 1}};
  for (ub4 k = 0; k < count; ++k) {
    void* param = nullptr;
    ASSERT_EQ(api.OCIParamGet(st, OCI_HTYPE_STMT, err, &param, k + 1), OCI_SUCCESS);
    ub2 type = 0, size = 0;
    sb2 precision = 0;
    sb1 scale = 0;
    ub1 nullable = 9;
    api.OCIAttrGet(param, OCI_DTYPE_PARAM, &type, nullptr, OCI_ATTR_DATA_TYPE, err);
    api.OCIAttrGet(param, OCI_DTYPE_PARAM, &size, nullptr, OCI_ATTR_DATA_SIZE, err);
    api.OCIAttrGet(param, OCI_DTYPE_PARAM, &precision, nullptr, OCI_ATTR_PRECISION, err);
    api.OCIAttrGet(param, OCI_DTYPE_PARAM, &scale, nullptr, OCI_ATTR_SCALE, err);
    api.OCIAttrGet(param, OCI_DTYPE_PARAM, &nullable, nullptr, OCI_ATTR_IS_NULL, err);
    EXPECT_EQ(type, expect[k].type) << k;
    EXPECT_EQ(size, expect[k].size) << k;  // NVARCHAR2(50) is 100 bytes in AL16UTF16
    EXPECT_EQ(precision, expect[k].precision) << k;
    EXPECT_EQ(scale, expect[k].scale) << k;
    EXPECT_EQ(nullable, expect[k].nullable) << k;
  }
  void* param = nullptr;
  EXPECT_EQ(api.OCIParamGet(st, OCI_HTYPE_STMT, err, &param, 8), OCI_ERROR);
  EXPECT_EQ(error_code(), 24334);
  api.OCIParamGet(st, OCI_HTYPE_STMT, err, &param, 3);
  const char16_t* name = nullptr;
  ub4 name_len = 0;
  api.OCIAttrGet(param, OCI_DTYPE_PARAM, &name, &name_len, OCI_ATTR_NAME, err);
  EXPECT_EQ(std::u16string(name, name_len / 2), u"S");  // UTF-16, length in bytes
  api.OCIHandleFree(st, OCI_HTYPE_STMT);
}

TEST_F(Session, DefinesConvertNumbersDatesAndCounts) {
  ASSERT_EQ(exec("CREATE TABLE \"T\" (\"N\" NUMBER, \"D\" DATE)"), OCI_SUCCESS);
  for (const char* v : {".5", "-0.5", "123", "1.500000000000000e+00", "100000000000000000000"})
    ASSERT_EQ(exec(std::string("INSERT INTO \"T\" VALUES(") + v +
                       ", to_date('2011-08-17 10:30:00', 'YYYY-MM-DD HH24:MI:SS'))",
                   OCI_COMMIT_ON_SUCCESS),
              OCI_SUCCESS)
        << error_text();
  // SQLT_STR of NUMBER is the TM9 text: no leading zero, no trailing zeros.
  auto got = rows("SELECT \"N\" FROM \"T\"");
  std::vector<std::string> texts;
  for (auto& r : got) texts.push_back(r[0]);
  EXPECT_EQ(texts, (std::vector<std::string>{".5", "-.5", "123", "1.5", "100000000000000000000"}));
  // SQLT_DAT is Oracle's 7-byte form; COUNT(*) fits SQLT_INT.
  OCIStmt* st = nullptr;
  api.OCIHandleAlloc(env, reinterpret_cast<void**>(&st), OCI_HTYPE_STMT, 0, nullptr);
  std::u16string q = u"SELECT \"D\", COUNT(*) FROM \"T\" GROUP BY \"D\"";
  api.OCIStmtPrepare(st, err, reinterpret_cast<const OraText*>(q.data()), q.size() * 2, 1, 0);
  unsigned char date[7] = {};
  int count = 0;
  OCIDefine* d1 = nullptr;
  OCIDefine* d2 = nullptr;
  api.OCIDefineByPos(st, &d1, err, 1, date, 7, SQLT_DAT, nullptr, nullptr, nullptr, 0);
  api.OCIDefineByPos(st, &d2, err, 2, &count, 4, SQLT_INT, nullptr, nullptr, nullptr, 0);
  ASSERT_EQ(api.OCIStmtExecute(svc, st, err, 1, 0, nullptr, nullptr, 0), OCI_SUCCESS)
      << error_text();
  EXPECT_EQ(std::vector<int>(date, date + 7), (std::vector<int>{120, 111, 8, 17, 11, 31, 1}));
  EXPECT_EQ(count, 5);
  // After the last row: no data, then fetch out of sequence.
  EXPECT_EQ(api.OCIStmtFetch(st, err, 1, OCI_FETCH_NEXT, 0), OCI_NO_DATA);
  EXPECT_EQ(api.OCIStmtFetch(st, err, 1, OCI_FETCH_NEXT, 0), OCI_ERROR);
  EXPECT_EQ(error_code(), 1002);
  api.OCIHandleFree(st, OCI_HTYPE_STMT);
}

TEST_F(Session, TruncatedDefineIsSuccessWithInfoAndNullNeedsIndicator) {
  ASSERT_EQ(exec("CREATE TABLE \"T\" (\"S\" NVARCHAR2(20), \"M\" NVARCHAR2(5))"), OCI_SUCCESS);
  ASSERT_EQ(exec("INSERT INTO \"T\" VALUES('abcdefgh', '')", OCI_COMMIT_ON_SUCCESS), OCI_SUCCESS);
  OCIStmt* st = nullptr;
  api.OCIHandleAlloc(env, reinterpret_cast<void**>(&st), OCI_HTYPE_STMT, 0, nullptr);
  std::u16string q = u"SELECT \"S\", \"M\" FROM \"T\"";
  api.OCIStmtPrepare(st, err, reinterpret_cast<const OraText*>(q.data()), q.size() * 2, 1, 0);
  char16_t small[4];
  sb2 ind = 0;
  char16_t other[8];
  OCIDefine* d = nullptr;
  api.OCIDefineByPos(st, &d, err, 1, small, sizeof small, SQLT_STR, &ind, nullptr, nullptr, 0);
  api.OCIDefineByPos(st, &d, err, 2, other, sizeof other, SQLT_STR, nullptr, nullptr, nullptr, 0);
  // '' is NULL, and a NULL fetched without an indicator is ORA-01405.
  EXPECT_EQ(api.OCIStmtExecute(svc, st, err, 1, 0, nullptr, nullptr, 0), OCI_ERROR);
  EXPECT_EQ(error_code(), 1405);
  sb2 ind2 = 0;
  api.OCIDefineByPos(st, &d, err, 2, other, sizeof other, SQLT_STR, &ind2, nullptr, nullptr, 0);
  EXPECT_EQ(api.OCIStmtExecute(svc, st, err, 1, 0, nullptr, nullptr, 0), OCI_SUCCESS_WITH_INFO);
  EXPECT_EQ(error_code(), 1406);
  EXPECT_EQ(std::u16string(small), u"abc");
  EXPECT_EQ(ind, 16);  // the original length in bytes
  EXPECT_EQ(ind2, -1);
  api.OCIHandleFree(st, OCI_HTYPE_STMT);
}

class Lob : public OciTest {
 protected:
  std::string insert_returning(const std::string& sql, sword* status = nullptr) {
    OCIStmt* st = nullptr;
    api.OCIHandleAlloc(env, reinterpret_cast<void**>(&st), OCI_HTYPE_STMT, 0, nullptr);
    std::u16string text = u16(sql);
    api.OCIStmtPrepare(st, err, reinterpret_cast<const OraText*>(text.data()), text.size() * 2, 1,
                       0);
    OCIBind* bind = nullptr;
    char16_t buf[256];
    std::u16string ph = u":1";
    api.OCIBindByName(st, &bind, err, reinterpret_cast<const OraText*>(ph.data()), 4, buf, 512,
                      SQLT_STR, nullptr, nullptr, nullptr, 0, nullptr, OCI_DATA_AT_EXEC);
    api.OCIBindDynamic(bind, err, nullptr, no_data, &sink, get_data);
    sword rc = api.OCIStmtExecute(svc, st, err, 1, 0, nullptr, nullptr, OCI_COMMIT_ON_SUCCESS);
    if (status) *status = rc;
    ub4 returned = 0;
    api.OCIAttrGet(bind, OCI_HTYPE_BIND, &returned, nullptr, OCI_ATTR_ROWS_RETURNED, err);
    rows_returned = returned;
    api.OCIHandleFree(st, OCI_HTYPE_STMT);
    return rc == OCI_SUCCESS ? u8(std::u16string(sink.buf)) : std::string();
  }
  // SELECT ... FOR UPDATE with one locator define, as the product writes LOBs.
  OCIStmt* select_locator(const std::string& sql, OCILobLocator** loc, ub2 dty, sword* rc) {
    OCIStmt* st = nullptr;
    api.OCIHandleAlloc(env, reinterpret_cast<void**>(&st), OCI_HTYPE_STMT, 0, nullptr);
    std::u16string text = u16(sql);
    api.OCIStmtPrepare(st, err, reinterpret_cast<const OraText*>(text.data()), text.size() * 2, 1,
                       0);
    api.OCIDescriptorAlloc(env, reinterpret_cast<void**>(loc), OCI_DTYPE_LOB, 0, nullptr);
    OCIDefine* def = nullptr;
    api.OCIDefineByPos(st, &def, err, 1, loc, 0, dty, nullptr, nullptr, nullptr, 0);
    *rc = api.OCIStmtExecute(svc, st, err, 1, 0, nullptr, nullptr, OCI_DEFAULT);
    return st;
  }
  RowidSink sink;
  ub4 rows_returned = 0;
};

TEST_F(Lob, ReturningRowidCallsTheOutCallbackOnce) {
  ASSERT_EQ(exec("CREATE TABLE \"T\" (\"ID\" NUMBER(11,0), \"M\" CLOB)"), OCI_SUCCESS);
  std::string rowid = insert_returning(
      "INSERT /*+ APPEND */ INTO \"T\" VALUES(1, EMPTY_CLOB()) RETURNING ROWID INTO :1");
  EXPECT_EQ(sink.calls, 1);
  EXPECT_EQ(sink.iter, 0u);
  EXPECT_EQ(sink.index, 0u);
  EXPECT_EQ(rows_returned, 1u);
  EXPECT_EQ(rowid.size(), 18u);  // base-64 OOOOOOFFFBBBBBBRRR
  EXPECT_EQ(sink.len, 36u);      // bytes of the text without the terminator
  EXPECT_EQ(rows("SELECT \"ID\" FROM \"T\" WHERE ROWID='" + rowid + "'").size(), 1u);
  // A malformed ROWID is ORA-01410.
  EXPECT_EQ(exec("SELECT \"ID\" FROM \"T\" WHERE ROWID='AAA'"), OCI_ERROR);
  EXPECT_EQ(error_code(), 1410);
}

TEST_F(Lob, ClobWrittenThroughLockedLocatorReadsBack) {
  ASSERT_EQ(exec("CREATE TABLE \"T\" (\"ID\" NUMBER(11,0), \"M\" CLOB, \"P\" BLOB)"), OCI_SUCCESS);
  std::string rowid = insert_returning(
      "INSERT /*+ APPEND */ INTO \"T\" VALUES(1, EMPTY_CLOB(), EMPTY_BLOB()) RETURNING ROWID INTO "
      ":1");
  OCILobLocator* loc = nullptr;
  sword rc = 0;
  OCIStmt* st = select_locator("SELECT \"M\" FROM \"T\" WHERE ROWID='" + rowid + "' FOR UPDATE",
                               &loc, SQLT_CLOB, &rc);
  ASSERT_EQ(rc, OCI_SUCCESS) << error_text();
  ub1 form = 9;
  api.OCILobCharSetForm(env, err, loc, &form);
  EXPECT_EQ(form, SQLCS_IMPLICIT);
  std::u16string memo = u"Grüße, Ωmega";
  // In a UTF-16 environment a too-short byte buffer is rejected.
  ub4 amt = memo.size();
  EXPECT_EQ(api.OCILobWrite(svc, err, loc, &amt, 1, memo.data(), memo.size(), OCI_ONE_PIECE,
                            nullptr, nullptr, 0, SQLCS_IMPLICIT),
            OCI_ERROR);
  EXPECT_EQ(error_code(), 24801);
  amt = memo.size();
  ASSERT_EQ(api.OCILobWrite(svc, err, loc, &amt, 1, memo.data(), memo.size() * 2, OCI_ONE_PIECE,
                            nullptr, nullptr, 0, SQLCS_IMPLICIT),
            OCI_SUCCESS)
      << error_text();
  EXPECT_EQ(amt, memo.size());
  char16_t back[64] = {};
  ub4 read_amt = 0;
  EXPECT_EQ(api.OCILobRead(svc, err, loc, &read_amt, 1, back, sizeof back, nullptr, nullptr, 0, 1),
            OCI_SUCCESS);
  EXPECT_EQ(std::u16string(back, read_amt), memo);
  // After the commit the locator no longer spans the transaction.
  api.OCITransCommit(svc, err, 0);
  amt = 1;
  EXPECT_EQ(api.OCILobWrite(svc, err, loc, &amt, 1, memo.data(), 2, OCI_ONE_PIECE, nullptr, nullptr,
                            0, 1),
            OCI_ERROR);
  EXPECT_EQ(error_code(), 22990);
  api.OCIDescriptorFree(loc, OCI_DTYPE_LOB);
  EXPECT_EQ(api.OCIDescriptorFree(loc, OCI_DTYPE_LOB), OCI_INVALID_HANDLE);
  api.OCIHandleFree(st, OCI_HTYPE_STMT);
  EXPECT_EQ(rows("SELECT \"M\" FROM \"T\"")[0][0], "Grüße, Ωmega");
}

TEST_F(Lob, WriteWithoutRowLockIsOra22920) {
  ASSERT_EQ(exec("CREATE TABLE \"T\" (\"M\" CLOB)"), OCI_SUCCESS);
  ASSERT_EQ(exec("INSERT INTO \"T\" VALUES('x')", OCI_COMMIT_ON_SUCCESS), OCI_SUCCESS);
  OCILobLocator* loc = nullptr;
  sword rc = 0;
  OCIStmt* st = select_locator("SELECT \"M\" FROM \"T\"", &loc, SQLT_CLOB, &rc);
  ASSERT_EQ(rc, OCI_SUCCESS);
  std::u16string text = u"y";
  ub4 amt = 1;
  EXPECT_EQ(api.OCILobWrite(svc, err, loc, &amt, 1, text.data(), 2, OCI_ONE_PIECE, nullptr, nullptr,
                            0, 1),
            OCI_ERROR);
  EXPECT_EQ(error_code(), 22920);
  api.OCIDescriptorFree(loc, OCI_DTYPE_LOB);
  api.OCIHandleFree(st, OCI_HTYPE_STMT);
}

TEST_F(Lob, FailedInsertKeepsEarlierUncommittedLobWrite) {
  ASSERT_EQ(exec("CREATE TABLE \"T\" (\"ID\" NUMBER(11,0), \"M\" CLOB)"), OCI_SUCCESS);
  ASSERT_EQ(exec("ALTER TABLE \"T\" ADD CONSTRAINT \"PK\" PRIMARY KEY (\"ID\")"), OCI_SUCCESS);
  std::string rowid =
      insert_returning("INSERT INTO \"T\" VALUES(1, EMPTY_CLOB()) RETURNING ROWID INTO :1");
  OCILobLocator* loc = nullptr;
  sword rc = 0;
  OCIStmt* st = select_locator("SELECT \"M\" FROM \"T\" WHERE ROWID='" + rowid + "' FOR UPDATE",
                               &loc, SQLT_CLOB, &rc);
  std::u16string memo = u"kept";
  ub4 amt = memo.size();
  ASSERT_EQ(api.OCILobWrite(svc, err, loc, &amt, 1, memo.data(), 8, OCI_ONE_PIECE, nullptr, nullptr,
                            0, 1),
            OCI_SUCCESS);
  // Statement-level atomicity: the failing INSERT undoes only itself.
  sword status = 0;
  insert_returning("INSERT INTO \"T\" VALUES(1, EMPTY_CLOB()) RETURNING ROWID INTO :1", &status);
  EXPECT_EQ(status, OCI_ERROR);
  EXPECT_EQ(error_text(), "ORA-00001: unique constraint (SCOTT.PK) violated\n");
  insert_returning("INSERT INTO \"T\" VALUES(2, EMPTY_CLOB()) RETURNING ROWID INTO :1");
  EXPECT_EQ(rows("SELECT \"M\" FROM \"T\" WHERE \"ID\" = 1")[0][0], "kept");
  api.OCIDescriptorFree(loc, OCI_DTYPE_LOB);
  api.OCIHandleFree(st, OCI_HTYPE_STMT);
}

TEST_F(Session, LogoffCommitsAndRollbackUndoes) {
  ASSERT_EQ(exec("CREATE TABLE \"T\" (\"N\" NUMBER)"), OCI_SUCCESS);
  ASSERT_EQ(exec("INSERT INTO \"T\" VALUES(1)"), OCI_SUCCESS);
  ASSERT_EQ(exec("ROLLBACK"), OCI_SUCCESS);
  EXPECT_TRUE(rows("SELECT * FROM \"T\"").empty());
  ASSERT_EQ(exec("INSERT INTO \"T\" VALUES(2)"), OCI_SUCCESS);
  // Ending the session commits its open transaction.
  ASSERT_EQ(api.OCILogoff(svc, err), OCI_SUCCESS);
  ASSERT_EQ(logon(&svc, "scott", "tiger"), OCI_SUCCESS);
  EXPECT_EQ(rows("SELECT * FROM \"T\""), (std::vector<std::vector<std::string>>{{"2"}}));
}

}  // namespace
}  // namespace oraemb_test
