// The rows of a keyed table read beside the records of a synchronization:
// verdicts in the table's order and out of it, the limit on rows read
// ahead, keys with NULL, keys of several columns, the tables it is not
// built for, and the same verdicts whether the table is read on a thread
// and session of its own or on the writing session.
#include "ORA/ora_row_compare.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "ora_writer_support.h"

namespace {

class OraRowCompare : public ora_writer_test {
 protected:
  // Tables made by SQL are in the table list of a new connection.
  void reopen() {
    db_.reset();
    db_ = engine_->open_db(L"//localhost:1521/ORCL", L"scott", L"tiger");
  }
};
using verdict = udb_row_compare::verdict;

src_table items() {
  src_table t;
  t.columns = {col(L"ID", VT_I4, 0, true), col(L"Name", VT_BSTR, 20), col(L"Memo", VT_BSTR, 0)};
  t.indexes = {udb_index{L"PK_Items", true, true, {L"ID"}}};
  for (int i = 1; i <= 6; ++i)
    t.rows.push_back({ole_variant(i), text(L"n" + std::to_wstring(i)),
                      text(std::wstring(4500, L'm') + std::to_wstring(i))});
  return t;
}

// Rows read ahead of their records wait for them, two at most here; a record
// beyond that is left undecided, one after the table's last row is missing.
// A row read as its record comes tells which columns differ.
TEST_F(OraRowCompare, RecordsInAnyOrderWithinTheReadAheadLimit) {
  const src_table t = items();
  {
    auto table = create(L"Items", t);
    for (const auto& row : t.rows) append(*table, t, row);
  }
  const auto schema = make_schema(t);
  ora_row_compare compare(L"Items", *schema, {0}, false, db_->max_identifier_bytes(), 2);
  auto record = [&](int id, const std::wstring& memo_end = L"") {
    auto row = t.rows.at(static_cast<size_t>(id - 1));
    if (!memo_end.empty()) row[2] = text(std::wstring(4500, L'm') + memo_end);
    return make_record(t, row);
  };
  EXPECT_EQ(compare.compare(*record(2)), verdict::equal);  // row 1 read ahead
  EXPECT_EQ(compare.rows_pending(), 1u);
  EXPECT_EQ(compare.compare(*record(1, L"changed")), verdict::differs);  // the last LOB character
  EXPECT_TRUE(compare.changed_columns().empty());  // read ahead: its digests only
  EXPECT_EQ(compare.rows_pending(), 0u);
  EXPECT_EQ(compare.compare(*record(5)), verdict::unknown);  // rows 3 and 4 fill the limit
  EXPECT_EQ(compare.compare(*record(3)), verdict::equal);
  EXPECT_EQ(compare.compare(*record(4)), verdict::equal);
  EXPECT_EQ(compare.compare(*record(6, L"x")), verdict::differs);  // row 5 read ahead
  EXPECT_EQ(compare.changed_columns(), (std::vector<bool>{false, false, true}));
  EXPECT_EQ(compare.compare(*make_record(t, {ole_variant(9), text(L"new"), text(L"")})),
            verdict::missing);  // no row left to read
  EXPECT_EQ(compare.compare(*record(5)), verdict::equal);
  EXPECT_EQ(compare.rows_pending(), 0u);
  EXPECT_EQ(compare.compare(*make_record(t, {null_value(), text(L"n1"), text(L"")})),
            verdict::unknown);
  EXPECT_EQ(compare.rows_read(), 6u);
}

SYSTEMTIME moment(int second) {
  SYSTEMTIME t{};
  t.wYear = 2020;
  t.wMonth = 1;
  t.wDay = 2;
  t.wHour = 3;
  t.wMinute = 4;
  t.wSecond = static_cast<decltype(t.wSecond)>(second);
  return t;
}

// Values of every kind the rows are compared by, read on a thread of its own
// and inline: a number whose Oracle text differs from the source's (".5"
// against 0.5), NULL against an empty text, a date to the second, a LOB to
// its last character; the columns found different are the same either way.
TEST_F(OraRowCompare, ThreadedAndInlineReadsGiveTheSameVerdicts) {
  src_table t;
  t.columns = {col(L"ID", VT_I4, 0, true), col(L"Amount", VT_R8), col(L"Name", VT_BSTR, 20),
               col(L"When", VT_DATE), col(L"Notes", VT_BSTR, 0)};
  t.indexes = {udb_index{L"PK_Mixed", true, true, {L"ID"}}};
  const std::wstring memo(5000, L'n');
  for (int i = 1; i <= 700; ++i)  // more rows than one chunk of the thread
    t.rows.push_back({ole_variant(i), ole_variant(i % 2 ? 0.5 : 2.25),
                      i % 3 ? text(L"r" + std::to_wstring(i)) : null_value(),
                      ole_variant(moment(5)), i % 5 ? text(memo) : null_value()});
  {
    auto table = create(L"Mixed", t);
    for (const auto& row : t.rows) append(*table, t, row);
  }
  const auto schema = make_schema(t);
  for (const bool threaded : {true, false}) {
    SCOPED_TRACE(threaded ? "threaded" : "inline");
    ora_row_compare compare(L"Mixed", *schema, {0}, false, db_->max_identifier_bytes(),
                            ora_row_compare::kMaxPending, threaded);
    EXPECT_EQ(compare.threaded(), threaded);
    auto record = [&](int id, size_t column, ole_variant value) {
      auto row = t.rows.at(static_cast<size_t>(std::min(id, 700) - 1));
      row[0] = ole_variant(id);
      if (column > 0) row[column] = std::move(value);
      return compare.compare(*make_record(t, row));
    };
    auto changed = [&](size_t column) {
      std::vector<bool> mask(5, false);
      mask[column] = true;
      return compare.changed_columns() == mask;
    };
    EXPECT_EQ(record(1, 1, ole_variant(0.5)), verdict::equal);
    EXPECT_EQ(record(2, 1, ole_variant(2.2500000001)), verdict::differs);
    EXPECT_TRUE(changed(1));
    EXPECT_EQ(record(3, 2, text(L"")), verdict::equal);  // NULL in the table
    EXPECT_EQ(record(4, 2, null_value()), verdict::differs);
    EXPECT_TRUE(changed(2));
    EXPECT_EQ(record(5, 4, text(L"")), verdict::equal);  // a NULL CLOB
    EXPECT_EQ(record(6, 4, text(memo.substr(1) + L"x")), verdict::differs);
    EXPECT_TRUE(changed(4));
    EXPECT_EQ(record(7, 3, ole_variant(moment(6))), verdict::differs);
    EXPECT_TRUE(changed(3));
    for (int id = 8; id <= 699; ++id) ASSERT_EQ(record(id, 0, {}), verdict::equal) << id;
    EXPECT_EQ(record(701, 0, {}), verdict::missing);
    EXPECT_EQ(record(700, 0, {}), verdict::equal);  // read ahead by the missing key
    EXPECT_EQ(compare.rows_read(), 700u);
  }
}

// A unique key of two columns, one of them CHAR: the key is compared
// without the padding and as a whole; case counts in text.
TEST_F(OraRowCompare, KeyOfTwoColumnsAgainstCharPadding) {
  run(L"CREATE TABLE \"Codes\" (\"Code\" CHAR(6) NOT NULL, \"Part\" NUMBER(11,0) NOT NULL, "
      L"\"Label\" NVARCHAR2(20), CONSTRAINT \"UQ_Codes\" UNIQUE (\"Code\", \"Part\"))");
  run(L"INSERT INTO \"Codes\" VALUES ('AB', 1, 'x')");
  run(L"INSERT INTO \"Codes\" VALUES ('AB', 2, 'y')");
  run(L"INSERT INTO \"Codes\" VALUES ('ab', 1, 'z')");
  reopen();
  src_table t;
  t.columns = {col(L"Code", VT_BSTR, 6, true), col(L"Part", VT_I4, 0, true),
               col(L"Label", VT_BSTR, 20)};
  const auto schema = make_schema(t);
  auto table = open(L"Codes");
  ASSERT_GE(table->key_index(), 0);
  auto compare = db_->row_compare(L"Codes", *schema, *table);
  ASSERT_NE(compare, nullptr);
  auto check = [&](const wchar_t* code, int part, const wchar_t* label) {
    return compare->compare(*make_record(t, {text(code), ole_variant(part), text(label)}));
  };
  EXPECT_EQ(check(L"ab", 1, L"z"), verdict::equal);
  EXPECT_EQ(check(L"AB", 2, L"Y"), verdict::differs);
  EXPECT_EQ(check(L"AB", 1, L"x"), verdict::equal);
  EXPECT_EQ(check(L"AB", 3, L"x"), verdict::missing);
}

// Only a table with a key, whose columns are the source's in their order,
// is compared.
TEST_F(OraRowCompare, NotBuiltWithoutAKeyOrForOtherColumns) {
  run(L"CREATE TABLE \"Loose\" (\"ID\" NUMBER(11,0), \"Name\" NVARCHAR2(20))");
  run(L"CREATE TABLE \"Swapped\" (\"Name\" NVARCHAR2(20), \"ID\" NUMBER(11,0) PRIMARY KEY)");
  reopen();
  src_table t;
  t.columns = {col(L"ID", VT_I4, 0, true), col(L"Name", VT_BSTR, 20)};
  const auto schema = make_schema(t);
  EXPECT_EQ(db_->row_compare(L"Loose", *schema, *open(L"Loose")), nullptr);
  EXPECT_EQ(db_->row_compare(L"Swapped", *schema, *open(L"Swapped")), nullptr);
}

}  // namespace
