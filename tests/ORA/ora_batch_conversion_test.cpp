// The batched writer against the one-record writer: the same source
// converted both ways (TARVEL_BATCH_ROWS=1 and small batches) must leave the
// same rows, byte for byte, and the same error reports with the same record
// numbers, in every mode; rows refused in the middle of a batch cost only
// themselves.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <string>
#include <vector>

#include "ORA/ora_table.h"
#include "TK/tk_text.h"
#include "ora_conversion_support.h"

namespace {

ole_variant bytes(size_t n, uint8_t seed) {
  std::vector<uint8_t> b(n);
  for (size_t i = 0; i < n; ++i) b[i] = static_cast<uint8_t>(seed + i * 7);
  return ole_variant(b);
}

// What a run left: its reports and every row of every table, LOBs whole.
struct outcome {
  std::vector<std::string> reports;
  sql_rows rows;
};

class OraBatchConversion : public ora_conversion_fixture {
 protected:
  OraBatchConversion() : ora_conversion_fixture(L"/data/kinds.mdb") {
    // A database character set without Greek or Chinese: only text bound
    // in the national form reaches an NVARCHAR2 column intact.
    configure("[service ORCL] database_charset = WE8MSWIN1252\n");
    build_source();
    connect();
  }
  ~OraBatchConversion() override { unsetenv("TARVEL_PIPELINE"); }

  // Every value kind of an Access table, NULL and empty in each, values at
  // the edges of exactness, and rows Oracle refuses among good ones.
  void build_source() {
    src_table t;
    t.columns = {col(L"ID", VT_I4, 0, true),
                 col(L"Small", VT_I2),
                 col(L"Byte", VT_UI1),
                 col(L"Big", VT_I8),
                 col(L"Single", VT_R4),
                 col(L"Double", VT_R8),
                 col(L"Money", VT_CY),
                 col(L"Dec", VT_DECIMAL, 0, false, ole_variant(), (28 << 8) | 4),
                 col(L"Flag", VT_BOOL),
                 col(L"When", VT_DATE),
                 col(L"Name", VT_BSTR, 10, true),
                 col(L"Memo", VT_BSTR, 0),
                 col(L"Guid", VT_BLOB, 16),
                 col(L"Ole", VT_BLOB, 0),
                 col(L"Stamp", VT_FILETIME)};
    t.indexes = {udb_index{L"PrimaryKey", true, true, {L"ID"}}};
    const std::wstring greek = L"Αθηναϊκή Εμπορική 北京 \U0001F600";
    auto row = [&](int id) {
      return std::vector<ole_variant>{
          ole_variant(id),
          ole_variant(static_cast<short>(-32768 + id)),
          ole_variant(static_cast<unsigned char>(255)),
          ole_variant(static_cast<int64_t>(-9223372036854775807LL)),
          ole_variant(3.4028235e38f),
          ole_variant(0.1 + id),
          ole_variant::from_wstring(L"-922337203685477.5808", VT_CY),
          ole_variant::from_wstring(L"123456789012345678901234.5678", VT_DECIMAL),
          ole_variant(true),
          ole_variant(when(1850, 6, 15, 13, 45, 7)),
          text(L"O'Brien"),
          text(greek),
          bytes(16, static_cast<uint8_t>(id)),
          bytes(70, static_cast<uint8_t>(id)),
          stamp(132681843123456789 + id)};
    };
    for (int id = 1; id <= 23; ++id) t.rows.push_back(row(id));
    // NULL in every nullable column, an empty text, a time of day alone.
    for (size_t c = 1; c < t.columns.size(); ++c) t.rows[1][c] = null_value();
    t.rows[2][10] = text(L"");
    t.rows[2][11] = text(L"");
    t.rows[2][13] = ole_variant(std::vector<uint8_t>{});
    t.rows[3][9] = ole_variant(when(1899, 12, 30, 8, 5, 9));
    t.rows[3][5] = ole_variant(1.7976931348623157e308);  // beyond NUMBER: NULL
    t.rows[4][5] = ole_variant(-4.9406564584124654e-100);
    // Memo and OLE values just under, at and over what is bound as data.
    const size_t units = ora_lob_inline_max / 2;
    t.rows[5][11] = text(std::wstring(units - 1, L'ж'));
    t.rows[6][11] = text(std::wstring(units, L'ж'));
    t.rows[7][11] = text(std::wstring(units + 1, L'ж'));
    t.rows[8][13] = bytes(ora_lob_inline_max, 3);
    t.rows[9][13] = bytes(ora_lob_inline_max + 1, 4);
    t.rows[10][11] = text(std::wstring(40000, L'北'));
    // Contents at and over what 32-bit binds take; national text with a
    // quote and a backslash; timestamps at the ends of their range.
    t.rows[19][11] = text(std::wstring(ora_lob_bound_max / 2, L'ж'));
    t.rows[20][11] = text(std::wstring(ora_lob_bound_max / 2 + 1, L'ж'));
    t.rows[21][13] = bytes(ora_lob_bound_max + 1, 5);
    t.rows[20][10] = text(L"Ω'北\\x\U0001F600");
    t.rows[21][10] = text(greek.substr(0, 10));
    t.rows[20][14] = stamp(-504911232000000000);
    t.rows[21][14] = stamp(2650467743999999999);
    // Refused by Oracle in the middle of a batch: a text too long for its
    // column, a duplicate key, a NULL key, a number beyond its precision.
    t.rows[12][10] = text(L"far too long");
    t.rows[14][0] = ole_variant(14);
    t.rows[16][0] = null_value();
    t.rows[18][7] = ole_variant::from_wstring(L"12345678901234567890123456789", VT_DECIMAL);
    source_.add(L"Kinds", t);
    // A table whose every row is refused: each one reported.
    src_table all_bad;
    all_bad.columns = {col(L"K", VT_I4, 0, true), col(L"T", VT_BSTR, 2)};
    all_bad.indexes = {udb_index{L"PrimaryKey", true, true, {L"K"}}};
    for (int k = 1; k <= 5; ++k) all_bad.rows.push_back({ole_variant(k), text(L"xyz")});
    source_.add(L"AllBad", all_bad);
  }

  // A run as the fixture's, and what it left.
  outcome run(int mode, const char* batch_rows) {
    ora_conversion_fixture::run(mode, batch_rows);
    outcome out;
    out.reports = reports_;
    for (const wchar_t* sql :
         {L"SELECT \"ID\", \"Small\", \"Byte\", \"Big\", \"Single\", \"Double\", \"Money\", "
          L"\"Dec\", \"Flag\", TO_CHAR(\"When\", 'YYYY-MM-DD HH24:MI:SS'), \"Name\", "
          L"LENGTH(\"Name\"), \"Memo\", LENGTH(\"Memo\"), RAWTOHEX(\"Guid\"), \"Ole\", "
          L"TO_CHAR(\"Stamp\", 'YYYY-MM-DD HH24:MI:SS.FF7') "
          L"FROM \"Kinds\" ORDER BY 1",
          L"SELECT \"K\", \"T\" FROM \"AllBad\" ORDER BY 1",
          L"SELECT COUNT(*) FROM \"Kinds\" WHERE \"Memo\" IS NULL",
          L"SELECT COUNT(*) FROM \"Kinds\" WHERE \"Ole\" IS NULL"}) {
      const sql_rows rows = select_rows(sql);
      out.rows.insert(out.rows.end(), rows.begin(), rows.end());
    }
    return out;
  }
};

TEST_F(OraBatchConversion, BatchesStoreAndReportExactlyWhatOneRecordAtATimeDoes) {
  const outcome one = run(UDB_MODE_OVERWRITE, "1");
  const outcome batched = run(UDB_MODE_OVERWRITE, "4");
  EXPECT_EQ(batched.reports, one.reports);
  ASSERT_EQ(batched.rows.size(), one.rows.size());
  for (size_t r = 0; r < one.rows.size(); ++r) EXPECT_EQ(batched.rows[r], one.rows[r]) << r;
  // A source that keeps its rows: the batch holds copies, with the same end.
  source_.hands_rows_over = false;
  const outcome copied = run(UDB_MODE_OVERWRITE, "4");
  source_.hands_rows_over = true;
  EXPECT_EQ(copied.reports, one.reports);
  EXPECT_EQ(copied.rows, one.rows);
  // The refused rows alone are missing, each reported with its number
  // (tables in name order: AllBad first).
  ASSERT_EQ(one.reports.size(), 5u + 4u);
  for (size_t k = 0; k < 5; ++k)
    EXPECT_NE(one.reports[k].find("AllBad, record #" + std::to_string(k + 1) + ": ORA-12899"),
              std::string::npos)
        << one.reports[k];
  EXPECT_NE(one.reports[5].find("Kinds, record #13: ORA-12899"), std::string::npos);
  EXPECT_NE(one.reports[6].find("Kinds, record #15: Duplicate field values"), std::string::npos)
      << one.reports[6];
  EXPECT_NE(one.reports[7].find("Kinds, record #17: ORA-01400"), std::string::npos);
  EXPECT_NE(one.reports[8].find("Kinds, record #19: ORA-01438"), std::string::npos);
  EXPECT_EQ(select_one(L"SELECT COUNT(*) FROM \"Kinds\""), L"19");
  EXPECT_EQ(select_one(L"SELECT COUNT(*) FROM \"AllBad\""), L"0");
  // The exact values of the batched run.
  EXPECT_EQ(select_one(L"SELECT TO_CHAR(\"Money\") FROM \"Kinds\" WHERE \"ID\" = 1"),
            L"-922337203685477.5808");
  EXPECT_EQ(select_one(L"SELECT TO_CHAR(\"Dec\") FROM \"Kinds\" WHERE \"ID\" = 1"),
            L"123456789012345678901234.5678");
  EXPECT_EQ(select_one(L"SELECT TO_CHAR(\"Big\") FROM \"Kinds\" WHERE \"ID\" = 1"),
            L"-9223372036854775807");
  EXPECT_EQ(select_one(L"SELECT TO_CHAR(\"When\", 'YYYY-MM-DD HH24:MI:SS') FROM \"Kinds\" "
                       L"WHERE \"ID\" = 4"),
            L"1899-12-30 08:05:09");
  EXPECT_EQ(select_one(L"SELECT LENGTH(\"Memo\") FROM \"Kinds\" WHERE \"ID\" = 11"), L"40000");
  EXPECT_EQ(select_one(L"SELECT COUNT(*) FROM \"Kinds\" WHERE \"Name\" IS NULL"), L"2");
  EXPECT_EQ(select_one(L"SELECT \"Name\" FROM \"Kinds\" WHERE \"ID\" = 21"), L"Ω'北\\x\U0001F600");
  EXPECT_EQ(select_one(L"SELECT LENGTH(\"Memo\") FROM \"Kinds\" WHERE \"ID\" = 21"),
            std::to_wstring(ora_lob_bound_max / 2 + 1));
  EXPECT_EQ(select_one(L"SELECT TO_CHAR(\"Stamp\", 'YYYY-MM-DD HH24:MI:SS.FF7') FROM \"Kinds\" "
                       L"WHERE \"ID\" = 22"),
            L"9999-12-31 23:59:59.9999999");
}

TEST_F(OraBatchConversion, MergeAndSynchronizeGiveTheSameResultBothWays) {
  src_table& t = source_.table(L"Kinds");
  std::vector<outcome> merged, synced;
  for (const char* batch_rows : {"1", "4"}) {
    run(UDB_MODE_OVERWRITE, "1000");
    // Changed rows and new ones, with the refused rows still refused.
    t.rows[0][10] = text(L"changed");
    t.rows[5][11] = text(L"short now");
    // An update the server refuses (too long), reported before the later
    // records' failures; a changed timestamp and national text.
    t.rows[2][10] = text(L"much too long now");
    t.rows[3][14] = stamp(132681843123456789 - 1);
    t.rows[4][10] = text(L"Ωμέγα");
    t.rows.push_back(t.rows[0]);
    t.rows.back()[0] = ole_variant(100);
    merged.push_back(run(UDB_MODE_MERGE, batch_rows));
    synced.push_back(run(UDB_MODE_SYNC, batch_rows));
    t.rows.pop_back();
    t.rows[0][10] = text(L"O'Brien");
    t.rows[2][10] = text(L"");
    t.rows[3][14] = stamp(132681843123456789 + 4);
    t.rows[4][10] = text(L"O'Brien");
    t.rows[5][11] = text(std::wstring(ora_lob_inline_max / 2 - 1, L'ж'));
  }
  EXPECT_EQ(merged[1].reports, merged[0].reports);
  EXPECT_EQ(merged[1].rows, merged[0].rows);
  EXPECT_EQ(synced[1].reports, synced[0].reports);
  EXPECT_EQ(synced[1].rows, synced[0].rows);
  // Merge keeps the old values; synchronize takes the new ones.
  EXPECT_EQ(merged[0].rows.size(), 20u + 0u + 2u);
  EXPECT_EQ(synced[0].rows[0][10], L"changed");
  EXPECT_EQ(synced[0].rows[4][10], L"Ωμέγα");
  ASSERT_FALSE(synced[0].reports.empty());
  bool update_reported = false;
  for (const std::string& r : synced[0].reports)
    update_reported = update_reported || r.find("Kinds, record #3: ORA-12899") != std::string::npos;
  EXPECT_TRUE(update_reported);
}

// The source read ahead on a thread of its own stores and reports exactly
// what reading and writing on one thread does: rows refused in every batch,
// memo and OLE values beyond what is bound in the middle of a batch, a last
// batch of one row, a source that keeps its rows, and a source that fails in
// the middle of a batch (the records before it written, then the table's
// error, with the same record numbers).
TEST_F(OraBatchConversion, ReadingAheadStoresAndReportsWhatOneThreadDoes) {
  auto on_one_thread = [&](const char* batch_rows) {
    setenv("TARVEL_PIPELINE", "0", 1);
    outcome out = run(UDB_MODE_OVERWRITE, batch_rows);
    unsetenv("TARVEL_PIPELINE");
    return out;
  };
  const outcome one = on_one_thread("1");
  ASSERT_EQ(one.reports.size(), 5u + 4u);
  for (const char* batch_rows : {"4", "22"}) {
    SCOPED_TRACE(batch_rows);
    const outcome ahead = run(UDB_MODE_OVERWRITE, batch_rows);
    EXPECT_EQ(ahead.reports, one.reports);
    EXPECT_EQ(ahead.rows, one.rows);
  }
  source_.hands_rows_over = false;
  const outcome copied = run(UDB_MODE_OVERWRITE, "4");
  source_.hands_rows_over = true;
  EXPECT_EQ(copied.reports, one.reports);
  EXPECT_EQ(copied.rows, one.rows);

  // Reading fails after record 14, in the fourth batch, after a refused one.
  source_.table(L"Kinds").fail_read_at = 13;
  const outcome cut_one = on_one_thread("1");
  const outcome cut_ahead = run(UDB_MODE_OVERWRITE, "4");
  EXPECT_EQ(cut_ahead.reports, cut_one.reports);
  EXPECT_EQ(cut_ahead.rows, cut_one.rows);
  ASSERT_EQ(cut_one.reports.size(), 5u + 2u);
  EXPECT_NE(cut_one.reports[5].find("Kinds, record #13: ORA-12899"), std::string::npos);
  EXPECT_NE(cut_one.reports[6].find("Cannot read the record after record 14"), std::string::npos)
      << cut_one.reports[6];
  EXPECT_EQ(select_one(L"SELECT COUNT(*) FROM \"Kinds\""), L"13");
}

// Access dates in the ten days the calendar change left out become the
// first Gregorian day at their time of day, whether written as a literal
// (one record at a time) or bound (in batches); the days either side stay.
TEST_F(OraBatchConversion, DatesOfTheCalendarGapArriveAsItsFirstGregorianDay) {
  src_table gap;
  gap.columns = {col(L"K", VT_I4, 0, true), col(L"D", VT_DATE)};
  gap.indexes = {udb_index{L"PrimaryKey", true, true, {L"K"}}};
  const std::vector<SYSTEMTIME> dates = {when(1582, 10, 4, 23, 59, 59), when(1582, 10, 5),
                                         when(1582, 10, 10, 12, 34, 56), when(1582, 10, 14, 6),
                                         when(1582, 10, 15, 0, 0, 1)};
  for (size_t k = 0; k < dates.size(); ++k)
    gap.rows.push_back({ole_variant(int(k + 1)), ole_variant(dates[k])});
  source_.add(L"Gap", gap);
  const sql_rows expected = {{L"1582-10-04 23:59:59"},
                             {L"1582-10-15 00:00:00"},
                             {L"1582-10-15 12:34:56"},
                             {L"1582-10-15 06:00:00"},
                             {L"1582-10-15 00:00:01"}};
  for (const char* batch_rows : {"1", "4"}) {
    SCOPED_TRACE(batch_rows);
    run(UDB_MODE_OVERWRITE, batch_rows);
    EXPECT_EQ(select_rows(L"SELECT TO_CHAR(\"D\", 'YYYY-MM-DD HH24:MI:SS') FROM \"Gap\" ORDER BY "
                          L"\"K\""),
              expected);
  }
  // Day arithmetic across the change: 10-04 and 10-15 are neighbours.
  EXPECT_EQ(select_one(L"SELECT TRUNC(\"D\") - (SELECT TRUNC(\"D\") FROM \"Gap\" WHERE \"K\" "
                       L"= 1) FROM \"Gap\" WHERE \"K\" = 2"),
            L"1");
}

// A batch never holds more rows than thick clients count errors for (16
// bits): larger numbers up to the old limit give that many, others the
// default.
TEST(OraBatchRows, AreCappedAt65535) {
  const std::vector<std::pair<const char*, size_t>> cases = {
      {"1", 1},         {"65535", 65535}, {"65536", 65535}, {"100000", 65535},
      {"100001", 1000}, {"0", 1000},      {"12x", 1000}};
  for (const auto& [text, rows] : cases) {
    setenv("TARVEL_BATCH_ROWS", text, 1);
    EXPECT_EQ(ora_table::batch_rows(), rows) << text;
  }
  unsetenv("TARVEL_BATCH_ROWS");
}

}  // namespace
