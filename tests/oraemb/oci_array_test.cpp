// Array DML through the OCI calls a bulk loader makes: positional array
// binds with indicators, lengths and strides, batch-error mode with its
// per-row errors, long character and raw data bound to LOB columns, one
// parse per prepared text, and the session's round-trip accounting.
#include <chrono>
#include <cstring>
#include <map>

#include "tests/oraemb/oci_fixture.h"

namespace oraemb_test {
namespace {

class ArrayDml : public OciTest {
 protected:
  void SetUp() override {
    OciTest::SetUp();
    bind_by_pos = reinterpret_cast<decltype(bind_by_pos)>(dlsym(api.lib, "OCIBindByPos"));
    bind_by_pos2 = reinterpret_cast<decltype(bind_by_pos2)>(dlsym(api.lib, "OCIBindByPos2"));
    array_of_struct =
        reinterpret_cast<decltype(array_of_struct)>(dlsym(api.lib, "OCIBindArrayOfStruct"));
    ASSERT_TRUE(bind_by_pos && bind_by_pos2 && array_of_struct);
  }
  void TearDown() override {
    for (OCIStmt* st : stmts) api.OCIHandleFree(st, OCI_HTYPE_STMT);
    OciTest::TearDown();
  }
  OCIStmt* prepare(const std::string& sql) {
    OCIStmt* st = nullptr;
    api.OCIHandleAlloc(env, reinterpret_cast<void**>(&st), OCI_HTYPE_STMT, 0, nullptr);
    std::u16string text = u16(sql);
    api.OCIStmtPrepare(st, err, reinterpret_cast<const OraText*>(text.data()),
                       static_cast<ub4>(text.size() * 2), OCI_NTV_SYNTAX, OCI_DEFAULT);
    stmts.push_back(st);
    return st;
  }
  sword run(OCIStmt* st, ub4 iters, ub4 mode) {
    return api.OCIStmtExecute(svc, st, err, iters, 0, nullptr, nullptr, mode);
  }
  ub4 stmt_ub4(OCIStmt* st, ub4 attr) {
    ub4 v = 12345;
    api.OCIAttrGet(st, OCI_HTYPE_STMT, &v, nullptr, attr, err);
    return v;
  }
  // The session's statistics by name (V$MYSTAT joined to V$STATNAME).
  std::map<std::string, long long> stats() {
    std::map<std::string, long long> out;
    for (const auto& r : rows("SELECT n.NAME, m.VALUE FROM V$MYSTAT m, V$STATNAME n"
                              " WHERE m.STATISTIC# = n.STATISTIC#"))
      out[r[0]] = std::stoll(r[1]);
    return out;
  }

  decltype(&::OCIBindByPos) bind_by_pos = nullptr;
  decltype(&::OCIBindByPos2) bind_by_pos2 = nullptr;
  decltype(&::OCIBindArrayOfStruct) array_of_struct = nullptr;
  std::vector<OCIStmt*> stmts;
};

TEST_F(ArrayDml, InsertsEveryElementWithNullsLengthsAndStrides) {
  ASSERT_EQ(exec("CREATE TABLE T (ID NUMBER(10), NAME NVARCHAR2(20), D DATE, R RAW(8), X NUMBER, "
                 "N NUMBER)"),
            OCI_SUCCESS)
      << error_text();
  OCIStmt* st = prepare("INSERT INTO T (ID, NAME, D, R, X, N) VALUES (:1, :2, :3, :4, :5, :6)");
  int32_t ids[4] = {1, 2, 3, 4};
  // Text: UTF-16 in fixed 10-character slots with lengths in bytes; row 1
  // is NULL by indicator, row 2 empty (NULL as in Oracle).
  char16_t names[4][10] = {};
  std::u16string given[4] = {u"Ünïcödé", u"x", u"", u"日本"};
  ub2 name_len[4];
  sb2 name_ind[4] = {0, -1, 0, 0};
  for (int k = 0; k < 4; ++k) {
    std::memcpy(names[k], given[k].data(), given[k].size() * 2);
    name_len[k] = static_cast<ub2>(given[k].size() * 2);
  }
  unsigned char dates[4][7] = {{119, 150, 12, 31, 24, 60, 60},
                               {120, 100, 2, 29, 1, 1, 1},
                               {118, 199, 1, 1, 13, 31, 1},
                               {100, 101, 7, 4, 1, 1, 1}};
  unsigned char raws[4][8] = {{0xDE, 0xAD}, {0}, {1, 2, 3}, {0xFF}};
  ub2 raw_len[4] = {2, 1, 3, 0};
  // Numbers from an array of structures: the skip is the structure size.
  struct Row {
    double x;
    sb2 x_ind;
    unsigned char vnu[22];
  } recs[4] = {{1.5, 0, {2, 0xC1, 0x02}},       // VNU 1
               {-0.25, 0, {1, 0x80}},           // VNU 0
               {0, -1, {3, 0x3E, 0x64, 0x66}},  // NULL, VNU -1
               {1e20, 0, {2, 0xC0, 0x33}}};     // VNU 0.5
  OCIBind* b[6] = {};
  ASSERT_EQ(bind_by_pos(st, &b[0], err, 1, ids, 4, SQLT_INT, nullptr, nullptr, nullptr, 0, nullptr,
                        OCI_DEFAULT),
            OCI_SUCCESS);
  ASSERT_EQ(bind_by_pos(st, &b[1], err, 2, names, 20, SQLT_CHR, name_ind, name_len, nullptr, 0,
                        nullptr, OCI_DEFAULT),
            OCI_SUCCESS);
  bind_by_pos(st, &b[2], err, 3, dates, 7, SQLT_DAT, nullptr, nullptr, nullptr, 0, nullptr, 0);
  bind_by_pos(st, &b[3], err, 4, raws, 8, SQLT_BIN, nullptr, raw_len, nullptr, 0, nullptr, 0);
  bind_by_pos(st, &b[4], err, 5, &recs[0].x, 8, SQLT_FLT, &recs[0].x_ind, nullptr, nullptr, 0,
              nullptr, 0);
  ASSERT_EQ(array_of_struct(b[4], err, sizeof(Row), sizeof(Row), 0, 0), OCI_SUCCESS);
  bind_by_pos(st, &b[5], err, 6, recs[0].vnu, 22, SQLT_VNU, nullptr, nullptr, nullptr, 0, nullptr,
              0);
  array_of_struct(b[5], err, sizeof(Row), 0, 0, 0);
  ASSERT_EQ(run(st, 4, OCI_COMMIT_ON_SUCCESS), OCI_SUCCESS) << error_text();
  EXPECT_EQ(stmt_ub4(st, OCI_ATTR_ROW_COUNT), 4u);
  auto got =
      rows("SELECT ID, NAME, TO_CHAR(D, 'YYYY-MM-DD HH24:MI:SS'), R, X, N FROM T ORDER BY ID");
  ASSERT_EQ(got.size(), 4u);
  EXPECT_EQ(got[0], (std::vector<std::string>{"1", u8(given[0]), "1950-12-31 23:59:59", "DEAD",
                                              "1.5", "1"}));
  EXPECT_EQ(got[1],
            (std::vector<std::string>{"2", "<null>", "2000-02-29 00:00:00", "00", "-.25", "0"}));
  EXPECT_EQ(got[2], (std::vector<std::string>{"3", "<null>", "1899-01-01 12:30:00", "010203",
                                              "<null>", "-1"}));
  EXPECT_EQ(got[3], (std::vector<std::string>{"4", u8(given[3]), "0001-07-04 00:00:00", "<null>",
                                              "100000000000000000000", ".5"}));
  // A bound value outside its buffer or a DATE that is no date is refused.
  name_len[0] = 30;
  EXPECT_EQ(run(st, 1, OCI_DEFAULT), OCI_ERROR);
  EXPECT_EQ(error_code(), 1460);
  name_len[0] = 2;
  dates[0][2] = 13;
  EXPECT_EQ(run(st, 1, OCI_DEFAULT), OCI_ERROR);
  EXPECT_EQ(error_code(), 1843);
}

TEST_F(ArrayDml, BatchErrorsReportEachFailingRowByOffsetAndKeepTheOthers) {
  ASSERT_EQ(exec("CREATE TABLE T (ID NUMBER(5) PRIMARY KEY, C NVARCHAR2(3) NOT NULL)"),
            OCI_SUCCESS);
  OCIStmt* st = prepare("INSERT INTO T VALUES (:1, :2)");
  int32_t ids[6] = {1, 1, 2, 3, 4, 5};
  char16_t text[6][5] = {u"a", u"b", u"c", u"", u"long", u"f"};
  ub2 len[6] = {2, 2, 2, 0, 8, 2};
  bind_by_pos(st, nullptr, err, 1, ids, 4, SQLT_INT, nullptr, nullptr, nullptr, 0, nullptr, 0);
  bind_by_pos(st, nullptr, err, 2, text, 10, SQLT_CHR, nullptr, len, nullptr, 0, nullptr, 0);
  ASSERT_EQ(run(st, 6, OCI_BATCH_ERRORS | OCI_COMMIT_ON_SUCCESS), OCI_SUCCESS_WITH_INFO);
  EXPECT_EQ(error_code(), 24381);
  EXPECT_EQ(error_text(), "ORA-24381: error(s) in array DML\n");
  EXPECT_EQ(stmt_ub4(st, OCI_ATTR_ROW_COUNT), 3u);
  ASSERT_EQ(stmt_ub4(st, OCI_ATTR_NUM_DML_ERRORS), 3u);
  // The sequence of a real client: one extra error handle that receives
  // each row's error in turn.
  OCIError* row_err = nullptr;
  api.OCIHandleAlloc(env, reinterpret_cast<void**>(&row_err), OCI_HTYPE_ERROR, 0, nullptr);
  std::vector<std::pair<int, int>> seen;
  std::vector<std::string> texts;
  for (ub4 k = 0; k < 3; ++k) {
    OCIError* target = row_err;
    ASSERT_EQ(api.OCIParamGet(err, OCI_HTYPE_ERROR, err, reinterpret_cast<void**>(&target), k),
              OCI_SUCCESS);
    EXPECT_EQ(target, row_err);
    sb4 offset = -1;
    api.OCIAttrGet(row_err, OCI_HTYPE_ERROR, &offset, nullptr, OCI_ATTR_DML_ROW_OFFSET, err);
    sb4 code = 0;
    char16_t buf[256] = {};
    api.OCIErrorGet(row_err, 1, nullptr, &code, reinterpret_cast<OraText*>(buf), sizeof buf,
                    OCI_HTYPE_ERROR);
    seen.push_back({offset, code});
    texts.push_back(u8(buf));
  }
  EXPECT_EQ(seen, (std::vector<std::pair<int, int>>{{1, 1}, {3, 1400}, {4, 12899}}));
  EXPECT_EQ(texts[1], "ORA-01400: cannot insert NULL into (\"SCOTT\".\"T\".\"C\")\n");
  EXPECT_EQ(
      texts[2],
      "ORA-12899: value too large for column \"SCOTT\".\"T\".\"C\" (actual: 4, maximum: 3)\n");
  void* beyond = row_err;
  EXPECT_EQ(api.OCIParamGet(err, OCI_HTYPE_ERROR, err, &beyond, 3), OCI_ERROR);
  // The good rows are in, but with row errors the execute does not commit
  // them: a rollback takes them back.
  EXPECT_EQ(rows("SELECT ID, C FROM T ORDER BY ID"),
            (std::vector<std::vector<std::string>>{{"1", "a"}, {"2", "c"}, {"5", "f"}}));
  ASSERT_EQ(exec("ROLLBACK"), OCI_SUCCESS);
  EXPECT_EQ(rows("SELECT COUNT(*) FROM T")[0][0], "0");
  ASSERT_EQ(run(st, 6, OCI_BATCH_ERRORS | OCI_COMMIT_ON_SUCCESS), OCI_SUCCESS_WITH_INFO);
  ASSERT_EQ(exec("COMMIT"), OCI_SUCCESS);

  // A batch whose every row fails stores nothing and reports every row.
  ASSERT_EQ(run(st, 2, OCI_BATCH_ERRORS | OCI_COMMIT_ON_SUCCESS), OCI_SUCCESS_WITH_INFO);
  EXPECT_EQ(stmt_ub4(st, OCI_ATTR_NUM_DML_ERRORS), 2u);
  EXPECT_EQ(stmt_ub4(st, OCI_ATTR_ROW_COUNT), 0u);

  // Without batch errors the execute stops at the first failing row; the
  // rows before it stay in the open transaction.
  ids[0] = 10;
  ids[1] = 10;
  EXPECT_EQ(run(st, 3, OCI_COMMIT_ON_SUCCESS), OCI_ERROR);
  EXPECT_EQ(error_code(), 1);
  EXPECT_EQ(stmt_ub4(st, OCI_ATTR_ROW_COUNT), 1u);
  EXPECT_EQ(rows("SELECT COUNT(*) FROM T WHERE ID = 10")[0][0], "1");
  ASSERT_EQ(exec("ROLLBACK"), OCI_SUCCESS);
  EXPECT_EQ(rows("SELECT COUNT(*) FROM T")[0][0], "3");

  // An error of the statement itself fails the whole execute.
  OCIStmt* bad = prepare("INSERT INTO T (ID, NOSUCH) VALUES (:1, :2)");
  bind_by_pos(bad, nullptr, err, 1, ids, 4, SQLT_INT, nullptr, nullptr, nullptr, 0, nullptr, 0);
  bind_by_pos(bad, nullptr, err, 2, ids, 4, SQLT_INT, nullptr, nullptr, nullptr, 0, nullptr, 0);
  EXPECT_EQ(run(bad, 3, OCI_BATCH_ERRORS), OCI_ERROR);
  EXPECT_EQ(error_code(), 904);
  EXPECT_EQ(stmt_ub4(bad, OCI_ATTR_NUM_DML_ERRORS), 0u);

  // Batch-error mode is for DML only.
  OCIStmt* q = prepare("SELECT ID FROM T");
  EXPECT_EQ(run(q, 0, OCI_BATCH_ERRORS), OCI_ERROR);
  EXPECT_EQ(error_code(), 28714);
}

TEST_F(ArrayDml, LongCharacterAndRawDataGoIntoLobColumns) {
  ASSERT_EQ(exec("CREATE TABLE T (ID NUMBER, M CLOB, P BLOB)"), OCI_SUCCESS);
  OCIStmt* st = prepare("INSERT INTO T (ID, M, P) VALUES (:1, :2, :3)");
  // Two rows of non-Latin text over 32 KB (20,000 characters = 40,000
  // bytes of UTF-16) and binary data over 64 KB (lengths as ub4).
  std::u16string text[2];
  for (int k = 0; k < 20000; ++k) text[0] += static_cast<char16_t>(u'Ж' + k % 7);
  text[1] = u"short ✓";
  const size_t slot = 20000;
  std::vector<char16_t> texts(2 * slot);
  std::copy(text[0].begin(), text[0].end(), texts.begin());
  std::copy(text[1].begin(), text[1].end(), texts.begin() + slot);
  ub2 text_len[2] = {static_cast<ub2>(text[0].size() * 2), static_cast<ub2>(text[1].size() * 2)};
  std::string blob[2] = {std::string(100000, '\0'), std::string("\x00\x01\xFF", 3)};
  for (size_t k = 0; k < blob[0].size(); ++k) blob[0][k] = static_cast<char>(k * 31);
  std::vector<char> blobs(2 * 100000);
  std::copy(blob[0].begin(), blob[0].end(), blobs.begin());
  std::copy(blob[1].begin(), blob[1].end(), blobs.begin() + 100000);
  ub4 blob_len[2] = {100000, 3};
  double ids[2] = {1, 2};
  bind_by_pos(st, nullptr, err, 1, ids, 8, SQLT_FLT, nullptr, nullptr, nullptr, 0, nullptr, 0);
  bind_by_pos(st, nullptr, err, 2, texts.data(), slot * 2, SQLT_LNG, nullptr, text_len, nullptr, 0,
              nullptr, 0);
  ASSERT_EQ(bind_by_pos2(st, nullptr, err, 3, blobs.data(), 100000, SQLT_LBI, nullptr, blob_len,
                         nullptr, 0, nullptr, 0),
            OCI_SUCCESS);
  ASSERT_EQ(run(st, 2, OCI_COMMIT_ON_SUCCESS), OCI_SUCCESS) << error_text();
  // Read back through locators.
  for (int id = 1; id <= 2; ++id) {
    OCIStmt* q = prepare("SELECT M, P FROM T WHERE ID = " + std::to_string(id));
    OCILobLocator* loc[2] = {};
    api.OCIDescriptorAlloc(env, reinterpret_cast<void**>(&loc[0]), OCI_DTYPE_LOB, 0, nullptr);
    api.OCIDescriptorAlloc(env, reinterpret_cast<void**>(&loc[1]), OCI_DTYPE_LOB, 0, nullptr);
    api.OCIDefineByPos(q, nullptr, err, 1, &loc[0], 0, SQLT_CLOB, nullptr, nullptr, nullptr, 0);
    api.OCIDefineByPos(q, nullptr, err, 2, &loc[1], 0, SQLT_BLOB, nullptr, nullptr, nullptr, 0);
    ASSERT_EQ(run(q, 1, OCI_DEFAULT), OCI_SUCCESS) << error_text();
    std::vector<char16_t> back(30000);
    ub4 amt = 0;
    ASSERT_EQ(api.OCILobRead(svc, err, loc[0], &amt, 1, back.data(), 60000, nullptr, nullptr, 0,
                             SQLCS_IMPLICIT),
              OCI_SUCCESS);
    EXPECT_EQ(std::u16string(back.data(), amt), text[id - 1]);
    std::vector<char> raw(200000);
    amt = 0;
    ASSERT_EQ(api.OCILobRead(svc, err, loc[1], &amt, 1, raw.data(), 200000, nullptr, nullptr, 0, 0),
              OCI_SUCCESS);
    EXPECT_EQ(std::string(raw.data(), amt), blob[id - 1]);
    api.OCIDescriptorFree(loc[0], OCI_DTYPE_LOB);
    api.OCIDescriptorFree(loc[1], OCI_DTYPE_LOB);
  }
}

TEST_F(ArrayDml, TimestampDescriptorsAreBoundAsAnArray) {
  auto construct =
      reinterpret_cast<decltype(&::OCIDateTimeConstruct)>(dlsym(api.lib, "OCIDateTimeConstruct"));
  ASSERT_TRUE(construct);
  ASSERT_EQ(exec("CREATE TABLE T (ID NUMBER, TS TIMESTAMP(7), D DATE)"), OCI_SUCCESS);
  OCIStmt* st = prepare("INSERT INTO T (ID, TS, D) VALUES (:1, :2, :3)");
  OCIDateTime* ts[3] = {};
  for (auto& t : ts)
    api.OCIDescriptorAlloc(env, reinterpret_cast<void**>(&t), OCI_DTYPE_TIMESTAMP, 0, nullptr);
  // Nanoseconds: the 7-digit column rounds the last two digits.
  ASSERT_EQ(construct(env, err, ts[0], 1899, 12, 30, 23, 59, 59, 999999900, nullptr, 0),
            OCI_SUCCESS);
  ASSERT_EQ(construct(env, err, ts[1], 2024, 2, 29, 0, 0, 0, 123456789, nullptr, 0), OCI_SUCCESS);
  ASSERT_EQ(construct(env, err, ts[2], 1, 1, 1, 12, 0, 0, 0, nullptr, 0), OCI_SUCCESS);
  // A day that does not exist is refused by the constructor.
  OCIDateTime* bad = nullptr;
  api.OCIDescriptorAlloc(env, reinterpret_cast<void**>(&bad), OCI_DTYPE_TIMESTAMP, 0, nullptr);
  EXPECT_EQ(construct(env, err, bad, 2023, 2, 29, 0, 0, 0, 0, nullptr, 0), OCI_ERROR);
  EXPECT_EQ(error_code(), 1847);
  EXPECT_EQ(construct(env, err, bad, 2023, 2, 28, 0, 0, 0, 1000000000, nullptr, 0), OCI_ERROR);
  EXPECT_EQ(error_code(), 1880);
  double ids[3] = {1, 2, 3};
  sb2 ind[3] = {0, -1, 0};
  bind_by_pos(st, nullptr, err, 1, ids, 8, SQLT_FLT, nullptr, nullptr, nullptr, 0, nullptr, 0);
  bind_by_pos(st, nullptr, err, 2, ts, sizeof(OCIDateTime*), SQLT_TIMESTAMP, ind, nullptr, nullptr,
              0, nullptr, 0);
  bind_by_pos(st, nullptr, err, 3, ts, sizeof(OCIDateTime*), SQLT_TIMESTAMP, nullptr, nullptr,
              nullptr, 0, nullptr, 0);
  ASSERT_EQ(run(st, 3, OCI_COMMIT_ON_SUCCESS), OCI_SUCCESS) << error_text();
  EXPECT_EQ(rows("SELECT ID, TO_CHAR(TS, 'YYYY-MM-DD HH24:MI:SS.FF7'), "
                 "TO_CHAR(D, 'YYYY-MM-DD HH24:MI:SS') FROM T ORDER BY ID"),
            (std::vector<std::vector<std::string>>{
                {"1", "1899-12-30 23:59:59.9999999", "1899-12-30 23:59:59"},
                {"2", "<null>", "2024-02-29 00:00:00"},
                {"3", "0001-01-01 12:00:00.0000000", "0001-01-01 12:00:00"}}));
  // Something else than a timestamp descriptor in the array is refused.
  OCIDateTime* junk[1] = {reinterpret_cast<OCIDateTime*>(ids)};
  OCIStmt* one = prepare("INSERT INTO T (ID, TS) VALUES (9, :1)");
  bind_by_pos(one, nullptr, err, 1, junk, sizeof(OCIDateTime*), SQLT_TIMESTAMP, nullptr, nullptr,
              nullptr, 0, nullptr, 0);
  EXPECT_EQ(run(one, 1, OCI_DEFAULT), OCI_ERROR);
  EXPECT_EQ(error_code(), 1460);
  for (auto& t : ts) api.OCIDescriptorFree(t, OCI_DTYPE_TIMESTAMP);
  api.OCIDescriptorFree(bad, OCI_DTYPE_TIMESTAMP);
}

TEST_F(ArrayDml, LongBindsMustComeAfterTheOthers) {
  ASSERT_EQ(exec("CREATE TABLE T (ID NUMBER, M CLOB, V VARCHAR2(4000), R RAW(2000))"), OCI_SUCCESS);
  std::vector<char16_t> text(6000, u'x');
  ub2 long_len = 12000, short_len = 20;
  double id = 1;
  auto bind_all = [&](OCIStmt* st, ub4 long_pos, ub4 short_pos, sb4 short_size, ub2 short_type) {
    bind_by_pos(st, nullptr, err, 1, &id, 8, SQLT_FLT, nullptr, nullptr, nullptr, 0, nullptr, 0);
    bind_by_pos(st, nullptr, err, long_pos, text.data(), 12000, SQLT_LNG, nullptr, &long_len,
                nullptr, 0, nullptr, 0);
    bind_by_pos(st, nullptr, err, short_pos, text.data(), short_size, short_type, nullptr,
                &short_len, nullptr, 0, nullptr, 0);
  };
  // A text buffer that may hold more than 4000 bytes in the database's
  // character set (1,500 UTF-16 units) after the long bind: refused.
  OCIStmt* bad = prepare("INSERT INTO T (ID, M, V) VALUES (:1, :2, :3)");
  bind_all(bad, 2, 3, 3000, SQLT_CHR);
  EXPECT_EQ(run(bad, 1, OCI_COMMIT_ON_SUCCESS), OCI_ERROR);
  EXPECT_EQ(error_code(), 24816);
  // The same binds with the long one last, and a short buffer after it, work.
  OCIStmt* good = prepare("INSERT INTO T (ID, V, M) VALUES (:1, :2, :3)");
  bind_all(good, 3, 2, 3000, SQLT_CHR);
  EXPECT_EQ(run(good, 1, OCI_COMMIT_ON_SUCCESS), OCI_SUCCESS) << error_text();
  OCIStmt* small = prepare("INSERT INTO T (ID, M, V) VALUES (:1, :2, :3)");
  bind_all(small, 2, 3, 200, SQLT_CHR);
  EXPECT_EQ(run(small, 1, OCI_COMMIT_ON_SUCCESS), OCI_SUCCESS) << error_text();
  // Raw data is not converted: 4000 bytes after the long bind are fine.
  OCIStmt* raw = prepare("INSERT INTO T (ID, M, R) VALUES (:1, :2, :3)");
  bind_all(raw, 2, 3, 4000, SQLT_BIN);
  EXPECT_EQ(run(raw, 1, OCI_COMMIT_ON_SUCCESS), OCI_SUCCESS) << error_text();
  EXPECT_EQ(rows("SELECT COUNT(*) FROM T"), (std::vector<std::vector<std::string>>{{"3"}}));
  // The key of an UPDATE after its LOB: the server-side size the client
  // gives (OCI_ATTR_MAXDATA_SIZE, after the form) decides instead of the
  // buffer's.
  for (const sb4 buffer : {3000}) {
    OCIStmt* update = prepare("UPDATE T SET ID = :1, M = :2 WHERE V = :3");
    bind_all(update, 2, 3, buffer, SQLT_CHR);
    EXPECT_EQ(run(update, 1, OCI_DEFAULT), OCI_ERROR) << buffer;
    EXPECT_EQ(error_code(), 24816);
    OCIBind* key = nullptr;
    bind_by_pos(update, &key, err, 3, text.data(), buffer, SQLT_CHR, nullptr, &short_len, nullptr,
                0, nullptr, 0);
    ub4 max_data = 4000;
    ASSERT_EQ(
        api.OCIAttrSet(key, OCI_HTYPE_BIND, &max_data, sizeof max_data, OCI_ATTR_MAXDATA_SIZE, err),
        OCI_SUCCESS);
    EXPECT_EQ(run(update, 1, OCI_DEFAULT), OCI_SUCCESS) << buffer << ": " << error_text();
  }
}

TEST_F(ArrayDml, APreparedTextIsParsedOnceAndRoundTripsAreCounted) {
  ASSERT_EQ(exec("CREATE TABLE T (ID NUMBER, C NVARCHAR2(10))"), OCI_SUCCESS);
  auto before = stats();
  OCIStmt* st = prepare("INSERT INTO T VALUES (:1, :2)");
  int32_t ids[10];
  char16_t text[10][2] = {};
  for (int k = 0; k < 10; ++k) {
    ids[k] = k;
    text[k][0] = static_cast<char16_t>(u'a' + k);
  }
  bind_by_pos(st, nullptr, err, 1, ids, 4, SQLT_INT, nullptr, nullptr, nullptr, 0, nullptr, 0);
  bind_by_pos(st, nullptr, err, 2, text, 4, SQLT_STR, nullptr, nullptr, nullptr, 0, nullptr, 0);
  for (int k = 0; k < 3; ++k) ASSERT_EQ(run(st, 10, OCI_COMMIT_ON_SUCCESS), OCI_SUCCESS);
  // The literal form sends a new text per row: a hard parse each.
  for (int k = 0; k < 2; ++k)
    ASSERT_EQ(
        exec("INSERT INTO T VALUES (" + std::to_string(100 + k) + ", 'x')", OCI_COMMIT_ON_SUCCESS),
        OCI_SUCCESS);
  EXPECT_EQ(rows("SELECT COUNT(*) FROM T")[0][0], "32");
  auto after = stats();
  auto delta = [&](const char* name) { return after[name] - before[name]; };
  // The statistics were read at the first fetch of their query: its other
  // fetches (one per row and the end) and the next query's execute and
  // first fetch fall between the two readings.
  const long long n = static_cast<long long>(before.size());
  EXPECT_GE(n, 6);
  EXPECT_EQ(delta("SQL*Net roundtrips to/from client"), n + (3 + 2 + 3) + 2);
  EXPECT_EQ(delta("parse count (total)"), 1 + 2 + 1 + 1);
  // The second statistics query has the first one's text: no hard parse.
  EXPECT_EQ(delta("parse count (hard)"), 1 + 2 + 1);
  EXPECT_EQ(delta("execute count"), 3 + 2 + 1 + 1);
  EXPECT_EQ(delta("user commits"), 3 + 2);

  // A simulated latency is spent on every round trip.
  setenv("TARVEL_ORAEMB_LATENCY_US", "20000", 1);
  OCISvcCtx* slow = nullptr;
  ASSERT_EQ(logon(&slow, "scott", "tiger"), OCI_SUCCESS);
  unsetenv("TARVEL_ORAEMB_LATENCY_US");
  auto start = std::chrono::steady_clock::now();
  for (int k = 0; k < 5; ++k) ASSERT_EQ(exec_on(slow, "COMMIT"), OCI_SUCCESS);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(100));
  api.OCILogoff(slow, err);
}

TEST_F(ArrayDml, PerRowCountsOfAnArrayUpdateShowTheKeysThatFoundNoRow) {
  ASSERT_EQ(exec("CREATE TABLE T (K CHAR(10) PRIMARY KEY, V NUMBER)"), OCI_SUCCESS);
  ASSERT_EQ(exec("INSERT INTO T VALUES ('a', 1)", OCI_COMMIT_ON_SUCCESS), OCI_SUCCESS);
  ASSERT_EQ(exec("INSERT INTO T VALUES ('bb', 2)", OCI_COMMIT_ON_SUCCESS), OCI_SUCCESS);
  OCIStmt* st = prepare("UPDATE T SET V = :1 WHERE K = :2");
  int32_t values[3] = {10, 20, 30};
  char16_t keys[3][4] = {u"a", u"zz", u"bb "};
  ub2 len[3] = {2, 4, 6};
  bind_by_pos(st, nullptr, err, 1, values, 4, SQLT_INT, nullptr, nullptr, nullptr, 0, nullptr, 0);
  bind_by_pos(st, nullptr, err, 2, keys, 8, SQLT_AFC, nullptr, len, nullptr, 0, nullptr, 0);
  ASSERT_EQ(run(st, 3, OCI_BATCH_ERRORS | OCI_RETURN_ROW_COUNT_ARRAY), OCI_SUCCESS);
  EXPECT_EQ(stmt_ub4(st, OCI_ATTR_ROW_COUNT), 2u);
  ub8* counts = nullptr;
  ub4 n = 0;
  ASSERT_EQ(api.OCIAttrGet(st, OCI_HTYPE_STMT, &counts, &n, OCI_ATTR_DML_ROW_COUNT_ARRAY, err),
            OCI_SUCCESS);
  ASSERT_EQ(n, 3u);
  EXPECT_EQ(std::vector<ub8>(counts, counts + n), (std::vector<ub8>{1, 0, 1}));
  EXPECT_EQ(rows("SELECT V FROM T ORDER BY K"),
            (std::vector<std::vector<std::string>>{{"10"}, {"30"}}));
  // The same keys bound as VARCHAR2 data compare without padding: only a
  // key with the column's own blanks finds its row.
  char16_t padded[3][11] = {u"a", u"a         ", u"bb"};
  ub2 plen[3] = {2, 20, 4};
  bind_by_pos(st, nullptr, err, 2, padded, 22, SQLT_CHR, nullptr, plen, nullptr, 0, nullptr, 0);
  ASSERT_EQ(run(st, 3, OCI_RETURN_ROW_COUNT_ARRAY), OCI_SUCCESS);
  ASSERT_EQ(api.OCIAttrGet(st, OCI_HTYPE_STMT, &counts, &n, OCI_ATTR_DML_ROW_COUNT_ARRAY, err),
            OCI_SUCCESS);
  EXPECT_EQ(std::vector<ub8>(counts, counts + n), (std::vector<ub8>{0, 1, 0}));
  // The mode is for DML only.
  OCIStmt* query = prepare("SELECT K FROM T");
  EXPECT_EQ(run(query, 0, OCI_RETURN_ROW_COUNT_ARRAY), OCI_ERROR);
  EXPECT_EQ(error_code(), 28714);
}

}  // namespace
}  // namespace oraemb_test

namespace oraemb_test {
namespace {

TEST_F(ArrayDml, ACheckConstraintRefusesItsRowsAsBatchErrors) {
  ASSERT_EQ(exec("CREATE TABLE T (ID NUMBER(5), Q NUMBER CONSTRAINT Q_POS CHECK (Q > 0))"),
            OCI_SUCCESS);
  OCIStmt* st = prepare("INSERT INTO T VALUES (:1, :2)");
  int32_t ids[4] = {1, 2, 3, 4};
  int32_t qs[4] = {5, -5, 0, 7};  // -5: a negative 4-byte integer stays negative
  bind_by_pos(st, nullptr, err, 1, ids, 4, SQLT_INT, nullptr, nullptr, nullptr, 0, nullptr, 0);
  bind_by_pos(st, nullptr, err, 2, qs, 4, SQLT_INT, nullptr, nullptr, nullptr, 0, nullptr, 0);
  ASSERT_EQ(run(st, 4, OCI_BATCH_ERRORS | OCI_COMMIT_ON_SUCCESS), OCI_SUCCESS_WITH_INFO);
  EXPECT_EQ(stmt_ub4(st, OCI_ATTR_ROW_COUNT), 2u);
  ASSERT_EQ(stmt_ub4(st, OCI_ATTR_NUM_DML_ERRORS), 2u);
  OCIError* row_err = nullptr;
  api.OCIHandleAlloc(env, reinterpret_cast<void**>(&row_err), OCI_HTYPE_ERROR, 0, nullptr);
  for (ub4 k = 0; k < 2; ++k) {
    OCIError* target = row_err;
    api.OCIParamGet(err, OCI_HTYPE_ERROR, err, reinterpret_cast<void**>(&target), k);
    sb4 offset = -1, code = 0;
    api.OCIAttrGet(row_err, OCI_HTYPE_ERROR, &offset, nullptr, OCI_ATTR_DML_ROW_OFFSET, err);
    char16_t buf[256] = {};
    api.OCIErrorGet(row_err, 1, nullptr, &code, reinterpret_cast<OraText*>(buf), sizeof buf,
                    OCI_HTYPE_ERROR);
    EXPECT_EQ(offset, static_cast<sb4>(k + 1));
    EXPECT_EQ(u8(buf), "ORA-02290: check constraint (SCOTT.Q_POS) violated\n");
  }
  api.OCIHandleFree(row_err, OCI_HTYPE_ERROR);
  EXPECT_EQ(rows("SELECT ID FROM T ORDER BY ID"),
            (std::vector<std::vector<std::string>>{{"1"}, {"4"}}));
}

// The rows of one execute reuse what its first row looked up; a later
// execute must still read the buffers bound for it and see the table as it
// is then.
TEST_F(ArrayDml, AStatementExecutedAgainReadsItsNewBuffersAndTheTableAsItIsNow) {
  ASSERT_EQ(exec("CREATE TABLE T (ID NUMBER(5) PRIMARY KEY, N NUMBER(5,2), C NVARCHAR2(3))"),
            OCI_SUCCESS);
  ASSERT_EQ(exec("CREATE SEQUENCE S START WITH 100"), OCI_SUCCESS);
  ASSERT_EQ(exec("CREATE OR REPLACE TRIGGER TI BEFORE INSERT ON T FOR EACH ROW WHEN (new.ID IS "
                 "NULL) BEGIN select S.nextval into :new.ID from dual; END;"),
            OCI_SUCCESS)
      << error_text();
  OCIStmt* st = prepare("INSERT INTO T (ID, N, C) VALUES (:1, :2, :3)");
  OCIError* row_err = nullptr;
  api.OCIHandleAlloc(env, reinterpret_cast<void**>(&row_err), OCI_HTYPE_ERROR, 0, nullptr);
  auto row_errors = [&] {
    std::vector<std::pair<int, int>> out;
    for (ub4 k = 0; k < stmt_ub4(st, OCI_ATTR_NUM_DML_ERRORS); ++k) {
      OCIError* target = row_err;
      api.OCIParamGet(err, OCI_HTYPE_ERROR, err, reinterpret_cast<void**>(&target), k);
      sb4 offset = -1, code = 0;
      api.OCIAttrGet(row_err, OCI_HTYPE_ERROR, &offset, nullptr, OCI_ATTR_DML_ROW_OFFSET, err);
      char16_t buf[256] = {};
      api.OCIErrorGet(row_err, 1, nullptr, &code, reinterpret_cast<OraText*>(buf), sizeof buf,
                      OCI_HTYPE_ERROR);
      out.push_back({offset, code});
    }
    return out;
  };
  struct Batch {
    std::vector<int32_t> ids;
    std::vector<sb2> id_ind;
    std::vector<double> ns;
    std::vector<char16_t> cs;  // 4 units per row
    std::vector<ub2> c_len;
  };
  auto bind = [&](Batch& b) {
    bind_by_pos(st, nullptr, err, 1, b.ids.data(), 4, SQLT_INT, b.id_ind.data(), nullptr, nullptr,
                0, nullptr, 0);
    bind_by_pos(st, nullptr, err, 2, b.ns.data(), 8, SQLT_FLT, nullptr, nullptr, nullptr, 0,
                nullptr, 0);
    bind_by_pos(st, nullptr, err, 3, b.cs.data(), 8, SQLT_CHR, nullptr, b.c_len.data(), nullptr, 0,
                nullptr, 0);
  };
  auto text = [](std::initializer_list<std::u16string> values, std::vector<char16_t>& cs,
                 std::vector<ub2>& lens) {
    for (const auto& v : values) {
      std::u16string slot = v;
      slot.resize(4, u'\0');
      cs.insert(cs.end(), slot.begin(), slot.end());
      lens.push_back(static_cast<ub2>(v.size() * 2));
    }
  };
  // The first row fails (beyond NUMBER(5,2)): the rows after it still go
  // in, a NULL key takes the sequence's number, a duplicate is refused.
  Batch first{{1, 2, 0, 2}, {0, 0, -1, 0}, {1000, 1.125, 2.5, 3}, {}, {}};
  text({u"a", u"bb", u"ccc", u"d"}, first.cs, first.c_len);
  bind(first);
  ASSERT_EQ(run(st, 4, OCI_BATCH_ERRORS | OCI_COMMIT_ON_SUCCESS), OCI_SUCCESS_WITH_INFO);
  EXPECT_EQ(row_errors(), (std::vector<std::pair<int, int>>{{0, 1438}, {3, 1}}));
  EXPECT_EQ(stmt_ub4(st, OCI_ATTR_ROW_COUNT), 2u);
  ASSERT_EQ(exec("COMMIT"), OCI_SUCCESS);
  // Bound again at other addresses, the first row from the sequence.
  Batch second{{0, 7, 8}, {-1, 0, 0}, {-1.5, 0, 999.99}, {}, {}};
  text({u"x", u"", u"zzzz"}, second.cs, second.c_len);
  bind(second);
  ASSERT_EQ(run(st, 3, OCI_BATCH_ERRORS | OCI_COMMIT_ON_SUCCESS), OCI_SUCCESS_WITH_INFO);
  EXPECT_EQ(row_errors(), (std::vector<std::pair<int, int>>{{2, 12899}}));
  ASSERT_EQ(exec("COMMIT"), OCI_SUCCESS);
  EXPECT_EQ(
      rows("SELECT ID, N, C FROM T ORDER BY ID"),
      (std::vector<std::vector<std::string>>{
          {"2", "1.13", "bb"}, {"7", "0", "<null>"}, {"100", "2.5", "ccc"}, {"101", "-1.5", "x"}}));
  // A column added since: the prepared text still names three columns and
  // the new one takes its default.
  ASSERT_EQ(exec("ALTER TABLE T ADD (E NUMBER DEFAULT 7)"), OCI_SUCCESS);
  Batch third{{20, 21}, {0, 0}, {1, 2}, {}, {}};
  text({u"p", u"q"}, third.cs, third.c_len);
  bind(third);
  ASSERT_EQ(run(st, 2, OCI_BATCH_ERRORS | OCI_COMMIT_ON_SUCCESS), OCI_SUCCESS) << error_text();
  EXPECT_EQ(rows("SELECT ID, N, C, E FROM T WHERE ID BETWEEN 20 AND 99 ORDER BY ID"),
            (std::vector<std::vector<std::string>>{{"20", "1", "p", "7"}, {"21", "2", "q", "7"}}));
  api.OCIHandleFree(row_err, OCI_HTYPE_ERROR);
}

}  // namespace
}  // namespace oraemb_test
