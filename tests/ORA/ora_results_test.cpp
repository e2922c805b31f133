// Query result sets against the embedded engine: the descriptor of every
// column type, values, NULLs, text and raw lengths per row, LOBs longer than
// one piece, and the row loop.
#include <gtest/gtest.h>

#include "ORA/oci/oci_library.h"
#include "ORA/ora_query_results.h"
#include "TK/tk_text.h"
#include "ora_test_support.h"

namespace {

class OraResults : public ora_session_test {
 protected:
  std::unique_ptr<ora_query_results> select(const std::wstring& sql) {
    auto rows = std::make_unique<ora_query_results>(L"T", sql);
    rows->initialize(0, sql);
    return rows;
  }

  // Writes the contents of the CLOB and BLOB columns of row ID=1 of T, the
  // way the table writer does: a locked row, one locator per column.
  void write_lobs(const std::u16string& text, const std::vector<uint8_t>& bytes) {
    const oci_functions& oci = oci_api();
    ora_stmt stmt;
    stmt.prepare(L"SELECT CL, BL FROM T WHERE ID=1 FOR UPDATE");
    void* clob = nullptr;
    void* blob = nullptr;
    ASSERT_EQ(oci.OCIDescriptorAlloc(engine_->env(), &clob, OCI_DTYPE_LOB, 0, nullptr), 0);
    ASSERT_EQ(oci.OCIDescriptorAlloc(engine_->env(), &blob, OCI_DTYPE_LOB, 0, nullptr), 0);
    sb2 ind[2] = {};
    stmt.define(1, &clob, sizeof clob, SQLT_CLOB, &ind[0], nullptr);
    stmt.define(2, &blob, sizeof blob, SQLT_BLOB, &ind[1], nullptr);
    stmt.execute(1, OCI_DEFAULT);
    ub4 amount = static_cast<ub4>(text.size());
    check_oci_status(
        oci.OCILobWrite(engine_->svc(), engine_->err(), static_cast<OCILobLocator*>(clob), &amount,
                        1, const_cast<char16_t*>(text.data()), static_cast<ub4>(text.size() * 2),
                        OCI_ONE_PIECE, nullptr, nullptr, 0, SQLCS_IMPLICIT));
    amount = static_cast<ub4>(bytes.size());
    check_oci_status(
        oci.OCILobWrite(engine_->svc(), engine_->err(), static_cast<OCILobLocator*>(blob), &amount,
                        1, const_cast<uint8_t*>(bytes.data()), static_cast<ub4>(bytes.size()),
                        OCI_ONE_PIECE, nullptr, nullptr, 0, SQLCS_IMPLICIT));
    oci.OCIDescriptorFree(clob, OCI_DTYPE_LOB);
    oci.OCIDescriptorFree(blob, OCI_DTYPE_LOB);
  }
};

const wchar_t* const kAllTypes =
    L"CREATE TABLE T (N10 NUMBER(10,0) NOT NULL, N3 NUMBER(3,0), N2 NUMBER(2,0), "
    L"N19 NUMBER(19,0), NP NUMBER, N52 NUMBER(5,2), N22 NUMBER(2,2), S NVARCHAR2(50), "
    L"V VARCHAR2(20), C CHAR(5), D DATE, R RAW(16), CL CLOB, BL BLOB)";

TEST_F(OraResults, DescribesEveryColumnType) {
  run(kAllTypes);
  auto rows = select(L"SELECT * FROM T");
  const udb_schema& s = rows->schema();
  ASSERT_EQ(s.size(), 14u);
  const struct {
    const wchar_t* name;
    VARTYPE vt;
    uint32_t extra;
  } expected[] = {{L"N10", VT_I4, 0},          {L"N3", VT_I2, 0},  {L"N2", VT_I1, 0},
                  {L"N19", VT_I4, 0},          {L"NP", VT_R8, 0},  {L"N52", VT_DECIMAL, 0x502},
                  {L"N22", VT_DECIMAL, 0x302}, {L"S", VT_BSTR, 0}, {L"V", VT_BSTR, 0},
                  {L"C", VT_BSTR, 0},          {L"D", VT_DATE, 1}, {L"R", VT_BLOB, 0},
                  {L"CL", VT_BSTR, 0},         {L"BL", VT_BLOB, 0}};
  for (size_t i = 0; i < s.size(); ++i) {
    EXPECT_EQ(s[i].name, expected[i].name);
    EXPECT_EQ(s[i].vartype, expected[i].vt) << i;
    EXPECT_EQ(s[i].extra, expected[i].extra) << i;
  }
  EXPECT_TRUE(s[0].b_not_null);
  EXPECT_FALSE(s[1].b_not_null);
  EXPECT_EQ(s[7].size, 50u);  // NVARCHAR2(50): characters (CHAR_SIZE), 100 bytes of AL16UTF16
  EXPECT_EQ(rows->readers()[7]->data_size(), 100);
  EXPECT_EQ(rows->readers()[7]->charset_form(), SQLCS_NCHAR);
  EXPECT_EQ(s[11].size, 16u);
  EXPECT_EQ(s[12].size, 0u);  // LOBs read back as LOB columns
  EXPECT_EQ(s[13].size, 0u);
}

TEST_F(OraResults, FetchesTheValuesOfEveryColumnType) {
  run(kAllTypes);
  run(L"INSERT INTO T VALUES(1234567890, -123, 45, 9223372036854775807, 1.5, 123.45, .5, "
      L"'Größe ''quoted''', 'varchar', 'ab', "
      L"to_date('2011-08-17 10:30:00', 'YYYY-MM-DD HH24:MI:SS'), '0A0B', EMPTY_CLOB(), "
      L"EMPTY_BLOB())");
  auto rows = select(L"SELECT * FROM T");
  ASSERT_FALSE(rows->is_eof());
  const udb_record& r = *rows->get_item();
  EXPECT_EQ(r[0].to_long(), 1234567890);
  EXPECT_EQ(r[1].to_long(), -123);
  EXPECT_EQ(r[2].to_long(), 45);
  EXPECT_EQ(r[3].get_i8(), 9223372036854775807LL);  // not wrapped into 32 bits
  EXPECT_DOUBLE_EQ(r[4].to_double(), 1.5);
  EXPECT_EQ(r[5].to_string(), "123.45");
  EXPECT_EQ(r[6].to_string(), "0.5");
  EXPECT_EQ(r[7].to_wstring(), L"Größe 'quoted'");
  EXPECT_EQ(r[8].to_wstring(), L"varchar");
  EXPECT_EQ(r[9].to_wstring(), L"ab   ");
  EXPECT_EQ(r[10].get_type(), VT_DATE);
  const SYSTEMTIME& d = r[10].get_date();
  EXPECT_EQ(d.wYear * 10000 + d.wMonth * 100 + d.wDay, 20110817);
  EXPECT_EQ(d.wHour * 100 + d.wMinute, 1030);
  EXPECT_EQ(r[11].to_string(), "0x0A0B");  // the fetched length, not RAW(16)
  EXPECT_EQ(r[12].to_wstring(), L"");
  EXPECT_EQ(r[13].get_safe_array_size(), 0u);
  EXPECT_EQ(r[0].name, L"N10");
  EXPECT_TRUE(rows->is_eof());
  EXPECT_EQ(rows->get_item(), nullptr);
}

TEST_F(OraResults, NullsGiveEmptyValuesWhateverTheType) {
  run(kAllTypes);
  run(L"INSERT INTO T (N10) VALUES(1)");
  auto rows = select(L"SELECT * FROM T");
  const udb_record* r = rows->get_item();  // fetches by itself
  ASSERT_NE(r, nullptr);
  for (size_t i = 1; i < r->size(); ++i) EXPECT_EQ((*r)[i].get_type(), VT_EMPTY) << i;
  EXPECT_EQ((*r)[7].size, 50u);  // characters of NVARCHAR2(50)
  EXPECT_EQ(rows->get_item(), nullptr);
}

TEST_F(OraResults, ShorterValuesDoNotKeepTheTailOfTheRowBefore) {
  run(L"CREATE TABLE T (ID NUMBER(11,0), S NVARCHAR2(40), R RAW(8))");
  run(L"INSERT INTO T VALUES(1, 'a rather long text value', '0102030405060708')");
  run(L"INSERT INTO T VALUES(2, 'ab', '0A0B')");
  auto rows = select(L"SELECT S, R FROM T ORDER BY ID");
  ASSERT_FALSE(rows->is_eof());
  EXPECT_EQ((*rows->get_item())[0].to_wstring(), L"a rather long text value");
  ASSERT_FALSE(rows->is_eof());
  const udb_record& second = *rows->get_item();
  EXPECT_EQ(second[0].to_wstring(), L"ab");
  EXPECT_EQ(second[1].to_string(), "0x0A0B");
}

// A UTF-16 environment cuts text at whole code units, never binary data.
TEST_F(OraResults, OddLengthRawReadsWhole) {
  run(L"CREATE TABLE T (R RAW(8))");
  run(L"INSERT INTO T VALUES('0A0B0C')");
  auto rows = select(L"SELECT R FROM T");
  ASSERT_FALSE(rows->is_eof());
  EXPECT_EQ((*rows->get_item())[0].to_string(), "0x0A0B0C");
}

TEST_F(OraResults, LobsLongerThanOnePieceReadWhole) {
  run(L"CREATE TABLE T (ID NUMBER(11,0), CL CLOB, BL BLOB)");
  run(L"INSERT INTO T VALUES(1, EMPTY_CLOB(), EMPTY_BLOB())");
  std::u16string text;
  for (int i = 0; text.size() < 40000; ++i)
    text += u"Zeile " + tk_wide_to_utf16(std::to_wstring(i)) + u" äß€ ";
  std::vector<uint8_t> bytes(70001);
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i * 7);
  write_lobs(text, bytes);
  auto rows = select(L"SELECT CL, BL FROM T");
  ASSERT_FALSE(rows->is_eof());
  const udb_record& r = *rows->get_item();
  EXPECT_EQ(r[0].to_wstring(), tk_utf16_to_wide(text));
  const uint8_t* data = nullptr;
  ASSERT_EQ(r[1].get_bytes(&data), bytes.size());
  EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), data));
}

TEST_F(OraResults, LongColumnsAndRowidsReadAsText) {
  run(L"CREATE TABLE T (ID NUMBER(11,0) DEFAULT 5)");
  run(L"INSERT INTO T (ID) VALUES(1)");
  auto rows = select(
      L"select COLUMN_NAME, DATA_DEFAULT, DATA_TYPE from USER_TAB_COLUMNS where table_name = 'T'");
  ASSERT_EQ(rows->readers()[1]->data_type(), SQLT_LNG);
  ASSERT_FALSE(rows->is_eof());
  EXPECT_EQ((*rows->get_item())[1].to_wstring(), L"5");
  auto ids = select(L"SELECT ROWID FROM T");
  ASSERT_FALSE(ids->is_eof());
  EXPECT_EQ((*ids->get_item())[0].to_wstring().size(), 18u);
}

TEST_F(OraResults, MisuseIsAnInternalError) {
  run(L"CREATE TABLE T (ID NUMBER(11,0))");
  auto rows = select(L"SELECT * FROM T");
  EXPECT_THROW(rows->initialize(0, L"SELECT * FROM T"), tk_mail_assertion);
  udb_record record;
  EXPECT_THROW(rows->append_record(record), tk_mail_assertion);
  ora_query_results fresh(L"T");
  EXPECT_THROW(fresh.is_eof(), tk_mail_assertion);
}

TEST_F(OraResults, ColumnCountCanBeGivenExplicitly) {
  run(L"CREATE TABLE T (A NUMBER(11,0), B NUMBER(11,0))");
  run(L"INSERT INTO T VALUES(1, 2)");
  ora_query_results rows(L"T");
  rows.initialize(1, L"SELECT * FROM T");
  EXPECT_EQ(rows.schema().size(), 1u);
  ASSERT_FALSE(rows.is_eof());
  EXPECT_EQ(rows.get_item()->size(), 1u);
}

}  // namespace
