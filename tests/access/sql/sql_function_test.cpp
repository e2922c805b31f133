// Access SQL functions run through CreateQueryDef / OpenRecordset over
// sqlTest.mdb: date arithmetic with its interval codes, first-day and
// first-week arguments and dates before 1899-12-30, Format's named formats,
// Round's ties, conversions and their overflow errors, text and choice
// functions, and the text collation on raw UTF-8. Every expected value is
// worked out from the calendar and the rules of the function, not taken
// from a run.
#include <gtest/gtest.h>

#include <cstdio>

#include "access/dao/sql/sql_functions_values.h"
#include "tests/access/sql/sql_test_support.h"

namespace {

struct expect_row {
  const char16_t* expr;
  const char* expected;
};

struct expect_error {
  const char16_t* expr;
  int32_t error;
};

class AccessSqlFunctions : public ::testing::Test {
 protected:
  // All expressions of a table in one query over one row, compared one by one.
  void check(std::initializer_list<expect_row> cases) {
    std::u16string sql = u"SELECT ";
    bool first = true;
    for (const expect_row& c : cases) {
      sql += (first ? u"" : u", ") + std::u16string(c.expr);
      first = false;
    }
    sql += u" FROM Customers WHERE ID = 1";
    const std::vector<std::string> got = db.rows(sql);
    ASSERT_EQ(got.size(), 1u);
    std::vector<std::string> values;
    size_t start = 0;
    for (;;) {
      const size_t bar = got[0].find('|', start);
      values.push_back(got[0].substr(start, bar - start));
      if (bar == std::string::npos) break;
      start = bar + 1;
    }
    ASSERT_EQ(values.size(), cases.size()) << got[0];
    size_t i = 0;
    for (const expect_row& c : cases) {
      EXPECT_EQ(values[i], c.expected)
          << std::string(c.expr, c.expr + std::char_traits<char16_t>::length(c.expr));
      ++i;
    }
  }

  void check_errors(std::initializer_list<expect_error> cases) {
    for (const expect_error& c : cases) {
      const std::u16string expr = c.expr;
      EXPECT_EQ(db.error(u"SELECT " + expr + u" FROM Customers WHERE ID = 1"), c.error)
          << std::string(expr.begin(), expr.end());
    }
  }

  sql_fixture db{"sql/sqlTest.mdb"};
};

TEST_F(AccessSqlFunctions, DateAddMovesMonthsToTheirLastDayAndTimeOnTheClock) {
  check({
      {u"DateAdd(\"m\", 1, #1/31/2020#)", "2020-02-29 00:00:00"},
      {u"DateAdd(\"m\", 1, #1/31/2021#)", "2021-02-28 00:00:00"},
      {u"DateAdd(\"m\", -1, #3/31/2020#)", "2020-02-29 00:00:00"},
      {u"DateAdd(\"yyyy\", 1, #2/29/2020#)", "2021-02-28 00:00:00"},
      {u"DateAdd(\"yyyy\", 4, #2/29/2020#)", "2024-02-29 00:00:00"},
      {u"DateAdd(\"YYYY\", -1, #2/29/1896#)", "1895-02-28 00:00:00"},
      {u"DateAdd(\"q\", 1, #11/30/2019#)", "2020-02-29 00:00:00"},
      {u"DateAdd(\"m\", 1, #1/31/1800#)", "1800-02-28 00:00:00"},
      {u"DateAdd(\"d\", 1, #12/31/2019#)", "2020-01-01 00:00:00"},
      {u"DateAdd(\"y\", 1, #2/28/2019#)", "2019-03-01 00:00:00"},
      {u"DateAdd(\"w\", 7, #1/1/2020#)", "2020-01-08 00:00:00"},
      {u"DateAdd(\"ww\", 2, #12/25/2019#)", "2020-01-08 00:00:00"},
      {u"DateAdd(\"h\", 25, #1/31/2020 23:00#)", "2020-02-02 00:00:00"},
      {u"DateAdd(\"n\", -30, #1/1/2020 00:10#)", "2019-12-31 23:40:00"},
      {u"DateAdd(\"s\", 3600, #12/31/1899 23:30#)", "1900-01-01 00:30:00"},
  });
}

TEST_F(AccessSqlFunctions, DatesBeforeTheEpochKeepTheirTimeOfDay) {
  // Days before 1899-12-30 are negative with the time as an unsigned
  // fraction: 1899-12-29 06:00 is -1.25, and 12 hours later is -1.75.
  check({
      {u"DateAdd(\"d\", -1, #12/30/1899#)", "1899-12-29 00:00:00"},
      {u"DateAdd(\"h\", -18, #12/30/1899#)", "1899-12-29 06:00:00"},
      {u"DateAdd(\"h\", 12, #12/29/1899 06:00#)", "1899-12-29 18:00:00"},
      {u"DateAdd(\"h\", 24, #12/29/1899 18:00#)", "1899-12-30 18:00:00"},
      {u"DateDiff(\"d\", #12/29/1899#, #12/31/1899#)", "2"},
      {u"DateDiff(\"h\", #12/29/1899 18:00#, #12/30/1899 06:00#)", "12"},
      {u"DatePart(\"d\", #12/29/1899 06:00#)", "29"},
      {u"DatePart(\"h\", #12/29/1899 06:00#)", "6"},
      {u"DatePart(\"w\", #12/29/1899#)", "6"},
      {u"DateValue(#12/29/1899 06:00#)", "1899-12-29 00:00:00"},
      {u"TimeValue(#12/29/1899 06:00#)", "1899-12-30 06:00:00"},
      {u"DateSerial(1899, 12, 29)", "1899-12-29 00:00:00"},
      {u"TimeSerial(-1, 0, 0)", "1899-12-29 23:00:00"},
  });
}

TEST_F(AccessSqlFunctions, DateDiffCountsBoundariesCrossed) {
  // 12/28/2019 is a Saturday, 1/5/2020 a Sunday: the Sundays crossed are
  // 12/29 and 1/5, the Mondays 12/30, the Saturdays 1/4 (not the start).
  check({
      {u"DateDiff(\"yyyy\", #12/31/2019#, #1/1/2020#)", "1"},
      {u"DateDiff(\"q\", #3/31/2020#, #4/1/2020#)", "1"},
      {u"DateDiff(\"m\", #1/31/2020#, #2/1/2020#)", "1"},
      {u"DateDiff(\"d\", #1/1/2020 23:00#, #1/2/2020 01:00#)", "1"},
      {u"DateDiff(\"y\", #1/2/2020#, #1/1/2020#)", "-1"},
      {u"DateDiff(\"h\", #1/1/2020 10:59#, #1/1/2020 11:00#)", "1"},
      {u"DateDiff(\"n\", #1/1/2020 10:59:59#, #1/1/2020 11:00:00#)", "1"},
      {u"DateDiff(\"s\", #1/1/2020#, #1/2/2020#)", "86400"},
      {u"DateDiff(\"ww\", #12/28/2019#, #1/5/2020#)", "2"},
      {u"DateDiff(\"w\", #12/28/2019#, #1/5/2020#)", "1"},
      {u"DateDiff(\"ww\", #12/28/2019#, #1/5/2020#, 2)", "1"},
      {u"DateDiff(\"ww\", #12/28/2019#, #1/5/2020#, 7)", "1"},
      {u"DateDiff(\"ww\", #1/5/2020#, #12/28/2019#)", "-2"},
      {u"DateDiff(\"w\", #1/1/2020#, #1/7/2020#)", "0"},
      {u"DateDiff(\"w\", #1/1/2020#, #1/8/2020#)", "1"},
      {u"DateDiff(\"yyyy\", #12/28/2019#, #1/5/2020#)", "1"},
  });
}

TEST_F(AccessSqlFunctions, DatePartWithFirstDayAndFirstWeek) {
  // 2/29/2020 is a Saturday, day 60 of the year, in the week that starts on
  // Sunday 2/23: the ninth counted from Sunday 12/29/2019 (the week of 1/1).
  check({
      {u"DatePart(\"yyyy\", #2/29/2020#)", "2020"},
      {u"DatePart(\"q\", #2/29/2020#)", "1"},
      {u"DatePart(\"m\", #2/29/2020#)", "2"},
      {u"DatePart(\"y\", #2/29/2020#)", "60"},
      {u"DatePart(\"d\", #2/29/2020#)", "29"},
      {u"DatePart(\"w\", #2/29/2020#)", "7"},
      {u"DatePart(\"w\", #2/29/2020#, 2)", "6"},
      {u"DatePart(\"ww\", #2/29/2020#)", "9"},
      {u"DatePart(\"h\", #1/1/2020 13:45:30#)", "13"},
      {u"DatePart(\"n\", #1/1/2020 13:45:30#)", "45"},
      {u"DatePart(\"s\", #1/1/2020 13:45:30#)", "30"},
      // 12/31/2000 (a Sunday) opens the 54th week counted from 1/1.
      {u"DatePart(\"ww\", #12/31/2000#)", "54"},
      // Monday weeks, the first with four days: 1/1/2021 is in 2020's week
      // 53, 12/31/2019 in 2020's week 1.
      {u"DatePart(\"ww\", #1/1/2021#, 2, 2)", "53"},
      {u"DatePart(\"ww\", #12/31/2019#, 2, 2)", "1"},
      // Sunday weeks, the first full one: 1/1/2020 is in 2019's week 52.
      {u"DatePart(\"ww\", #1/1/2020#, 1, 3)", "52"},
      {u"Weekday(#1/1/2020#)", "4"},
      {u"Weekday(#1/1/2020#, 0)", "4"},
      {u"Weekday(#1/1/2020#, 2)", "3"},
      {u"Weekday(#1/1/2020#, 7)", "5"},
      {u"WeekdayName(1)", "Sunday"},
      {u"WeekdayName(1, True, 2)", "Mon"},
      {u"WeekdayName(7, False, 2)", "Sunday"},
      {u"MonthName(2)", "February"},
      {u"MonthName(12, True)", "Dec"},
  });
}

TEST_F(AccessSqlFunctions, SerialsAndValuesRollOver) {
  check({
      {u"DateSerial(2020, 2, 30)", "2020-03-01 00:00:00"},
      {u"DateSerial(2020, 0, 1)", "2019-12-01 00:00:00"},
      {u"DateSerial(2020, 14, 0)", "2021-01-31 00:00:00"},
      {u"DateSerial(99, 12, 31)", "1999-12-31 00:00:00"},
      {u"DateSerial(20, 1, 1)", "2020-01-01 00:00:00"},
      {u"TimeSerial(25, 0, 0)", "1899-12-31 01:00:00"},
      {u"TimeSerial(12, -30, 0)", "1899-12-30 11:30:00"},
      {u"DateValue(\"1/31/2020 10:00\")", "2020-01-31 00:00:00"},
      {u"TimeValue(\"13:45\")", "1899-12-30 13:45:00"},
  });
}

TEST_F(AccessSqlFunctions, DatesOutOfRangeAndBadArgumentsAreErrors) {
  check_errors({
      {u"DateAdd(\"yyyy\", 1, #12/31/9999#)", 3071},
      {u"DateAdd(\"d\", 1, #12/31/9999 23:00#)", 3071},
      {u"DateAdd(\"d\", -1, #1/1/100#)", 3071},
      {u"DateAdd(\"m\", -1, #1/15/100#)", 3071},
      {u"DateAdd(\"s\", 2000000000000, #1/1/2000#)", 3071},
      {u"DateAdd(\"x\", 1, #1/1/2000#)", 3071},
      {u"DateDiff(\"d\", #1/1/2000#, #1/2/2000#, 8)", 3071},
      {u"DatePart(\"ww\", #1/1/2000#, 1, 4)", 3071},
      {u"DateSerial(9999, 12, 32)", 3071},
      {u"DateSerial(100, 1, 0)", 3071},
      {u"WeekdayName(8)", 3071},
      {u"MonthName(0)", 3071},
      {u"CDate(3000000)", 3071},
  });
}

TEST_F(AccessSqlFunctions, FormatNamedFormats) {
  check({
      {u"Format(#1/31/2020 13:05:09#, \"General Date\")", "1/31/2020 1:05:09 PM"},
      {u"Format(#1/31/2020#, \"General Date\")", "1/31/2020"},
      {u"Format(#1/31/2020 13:05:09#, \"Long Date\")", "Friday, January 31, 2020"},
      {u"Format(#1/31/2020 13:05:09#, \"Medium Date\")", "31-Jan-20"},
      {u"Format(#1/31/2020 13:05:09#, \"Short Date\")", "1/31/2020"},
      {u"Format(#1/31/2020 13:05:09#, \"Long Time\")", "1:05:09 PM"},
      {u"Format(#1/31/2020 13:05:09#, \"Medium Time\")", "01:05 PM"},
      {u"Format(#1/31/2020 13:05:09#, \"Short Time\")", "13:05"},
      {u"Format(#12/29/1899 06:00#, \"General Date\")", "12/29/1899 6:00:00 AM"},
      {u"Format(-1234.5, \"General Number\")", "-1234.5"},
      {u"Format(-1234.5, \"Currency\")", "($1,234.50)"},
      {u"Format(1234.5, \"Fixed\")", "1234.50"},
      {u"Format(-1234.5, \"Standard\")", "-1,234.50"},
      {u"Format(0.125, \"Percent\")", "12.50%"},
      {u"Format(0.125, \"Fixed\")", "0.13"},
      {u"Format(0, \"Yes/No\")", "No"},
      {u"Format(3, \"Yes/No\")", "Yes"},
      {u"Format(-1, \"True/False\")", "True"},
      {u"Format(0, \"On/Off\")", "Off"},
      {u"Format(#1/1/2020#, \"w\", 2)", "3"},
      {u"Format(#2/29/2020#, \"y\")", "60"},
      {u"Format(#2/29/2020#, \"yy\")", "20"},
      {u"Format(#2/29/2020#, \"ww\")", "9"},
      {u"Format(#1/1/2021#, \"ww\", 2, 2)", "53"},
      {u"Format(#1/31/2020#, \"ddddd\")", "1/31/2020"},
      {u"Format(#1/31/2020#, \"dddddd\")", "Friday, January 31, 2020"},
  });
}

TEST_F(AccessSqlFunctions, RoundingAndConversions) {
  // Round takes ties to the even neighbour; CInt / CLng / CByte too.
  check({
      {u"Round(2.5)", "2"},
      {u"Round(3.5)", "4"},
      {u"Round(-2.5)", "-2"},
      {u"Round(0.125, 2)", "0.12"},
      {u"Round(0.375, 2)", "0.38"},
      {u"Round(CCur(2.5))", "2"},
      {u"Round(CDec(0.125), 2)", "0.12"},
      {u"Fix(-2.7)", "-2"},
      {u"Int(-2.7)", "-3"},
      {u"Sgn(-3)", "-1"},
      {u"CInt(-32768.5)", "-32768"},
      {u"CInt(2.5)", "2"},
      {u"CByte(\" 12 \")", "12"},
      {u"Val(\"  1 2 3abc\")", "123"},
      {u"Val(\"&HFF\")", "255"},
      {u"Val(\"&HFFFF\")", "-1"},
      {u"Val(\"&O17\")", "15"},
      {u"Val(\"0x10\")", "0"},
      {u"Val(\"1e3x\")", "1000"},
      {u"Val(\"-.5\")", "-0.5"},
      {u"Val(\"Infinity\")", "0"},
      {u"Hex(255)", "FF"},
      {u"Hex(CInt(-1))", "FFFF"},
      {u"Hex(CLng(-1))", "FFFFFFFF"},
      {u"Hex(2.5)", "2"},
      {u"Oct(8)", "10"},
      {u"IsNumeric(\"1,000\")", "true"},
      {u"IsNumeric(\" $12.5 \")", "true"},
      {u"IsNumeric(\"&H1F\")", "true"},
      {u"IsNumeric(\"1e5\")", "true"},
      {u"IsNumeric(\"12abc\")", "false"},
      {u"IsNumeric(\"\")", "false"},
      {u"IsNumeric(Null)", "false"},
      {u"IsNumeric(5)", "true"},
      {u"IsNumeric(#1/1/2020#)", "false"},
      {u"IsDate(\"2/29/2020\")", "true"},
      {u"IsDate(\"2/30/2020\")", "false"},
      {u"IsDate(#1/1/2020#)", "true"},
      {u"IsDate(5)", "false"},
  });
}

TEST_F(AccessSqlFunctions, ConversionsOverflowAsTheEngineReports) {
  check_errors({
      {u"CInt(32768)", 3071},
      {u"CInt(32767.5)", 3071},
      {u"CByte(-1)", 3071},
      {u"CByte(255.5)", 3071},
      {u"CLng(2147483648)", 3071},
      {u"CSng(1E+39)", 3071},
      {u"CCur(1E+16)", 3071},
      {u"CInt(\"abc\")", 3464},
      {u"Val(\"1e400\")", 3071},
      {u"Hex(CDbl(4294967296))", 3071},
  });
}

TEST_F(AccessSqlFunctions, TextAndChoiceFunctions) {
  check({
      {u"Switch(1 = 2, \"a\", 2 = 2, \"b\")", "b"},
      {u"Choose(2, \"a\", \"b\", \"c\")", "b"},
      {u"Choose(1.5, \"a\", \"b\")", "b"},
      {u"Partition(5, 0, 99, 5)", "  5:  9"},
      {u"Partition(-1, 0, 99, 5)", "   : -1"},
      {u"Partition(100, 0, 99, 5)", "100:   "},
      {u"Partition(267, 0, 500, 50)", "250:299"},
      {u"Partition(150, 0, 1010, 20)", " 140: 159"},
      {u"Partition(1010, 100, 1010, 20)", "1000:1010"},
      {u"Partition(100, 0, 1000, 1)", " 100: 100"},
      {u"InStrRev(\"abcabc\", \"bc\")", "5"},
      {u"InStrRev(\"abcabc\", \"BC\", 4)", "2"},
      {u"InStrRev(\"abcabc\", \"BC\", -1, 0)", "0"},
      {u"InStrRev(\"abc\", \"\")", "3"},
      {u"InStr(1, \"aBc\", \"b\", 0)", "0"},
      {u"InStr(1, \"aBc\", \"B\", 0)", "2"},
      {u"Replace(\"aXbxc\", \"x\", \"-\")", "a-b-c"},
      {u"Replace(\"aXbxc\", \"x\", \"-\", 1, 1)", "a-bxc"},
      {u"Replace(\"aXbxc\", \"x\", \"-\", 3)", "b-c"},
      {u"Replace(\"aXbxc\", \"x\", \"-\", 1, -1, 0)", "aXb-c"},
      {u"StrReverse(\"abc\")", "cba"},
      {u"Space(3) & \".\"", "   ."},
      {u"String(3, \"xy\")", "xxx"},
      {u"String(2, 65)", "AA"},
      {u"String(1, 321)", "A"},
      {u"StrComp(\"a\", \"B\")", "-1"},
      {u"StrComp(\"b\", \"A\", 0)", "1"},
      {u"StrComp(\"a\", \"A\", 0)", "1"},
      {u"StrComp(\"a\", \"A\")", "0"},
  });
  check_errors({
      {u"Switch(1 = 1)", 3075},
      {u"Partition(5, 0, 99, 0)", 3071},
      {u"String(-1, \"x\")", 3071},
      {u"InStrRev(\"abc\", \"b\", 0)", 3071},
      // Domain aggregates belong to the application, not to the engine's SQL.
      {u"DCount(\"*\", \"Orders\")", 3085},
      {u"DLookup(\"City\", \"Customers\", \"ID = 1\")", 3085},
  });
}

TEST_F(AccessSqlFunctions, FunctionsOverTableColumns) {
  // Orders: 10 on 1/5/2010, 11 on 2/10/2010, 12 on 3/1/2011, 13 on 1/31/2010,
  // 14 on 12/24/2012; Rate 0.5, 1.5, 2.5, 0.25, 1.0; Amount 100.10 ... 0.01.
  EXPECT_EQ(db.rows(u"SELECT OrderID, DateAdd(\"m\", 1, OrderDate), "
                    u"DateDiff(\"d\", OrderDate, #1/1/2013#), DatePart(\"q\", OrderDate), "
                    u"Round(Rate * 5), Format(Amount, \"Currency\") FROM Orders ORDER BY OrderID"),
            (std::vector<std::string>{
                "10|2010-02-05 00:00:00|1092|1|2|$100.10",
                "11|2010-03-10 00:00:00|1056|1|8|$200.20", "12|2011-04-01 00:00:00|672|1|12|$50.05",
                "13|2010-02-28 00:00:00|1066|1|1|$300.30", "14|2013-01-24 00:00:00|8|4|5|$0.01"}));
  EXPECT_EQ(db.rows(u"SELECT OrderID FROM Orders WHERE DateDiff(\"yyyy\", OrderDate, "
                    u"#1/1/2012#) = 2 ORDER BY OrderID"),
            (std::vector<std::string>{"10", "11", "13"}));
  EXPECT_EQ(db.rows(u"SELECT DatePart(\"yyyy\", OrderDate), Count(*) FROM Orders "
                    u"GROUP BY DatePart(\"yyyy\", OrderDate)"),
            (std::vector<std::string>{"2010|3", "2011|1", "2012|1"}));
  // A Null date gives Null, not an error.
  EXPECT_EQ(db.rows(u"SELECT IsNull(DateAdd(\"d\", 1, Since)), DateDiff(\"d\", Since, Date()) "
                    u"FROM Customers WHERE ID = 4"),
            db.rows(u"SELECT True, Null FROM Customers WHERE ID = 4"));
}

}  // namespace

// The ACC collation on UTF-8 as SQLite hands it over: case folded, and an
// ill-formed sequence read as one U+FFFD per maximal subpart, as the text
// codec reads it everywhere else.
TEST(AccessSqlCollation, FoldsCaseAndReadsIllFormedUtf8AsTheCodecDoes) {
  const std::string r = "\xEF\xBF\xBD";  // U+FFFD
  const struct {
    std::string a, b;
    int order;
  } cases[] = {
      {"abc", "ABC", 0},
      {"\xC3\xA9t\xC3\xA9", "\xC3\x89T\xC3\x89", 0},  // é, É
      {"a", "ab", -1},
      {"b", "A", 1},
      {"\xC0\xAF", r + r, 0},  // an overlong '/' is two subparts, not '/'
      {"\xC0\xAF", "/", 1},
      {"\x80", "\xBF", 0},                          // lone continuation bytes
      {std::string("\xE2\x82") + "a", r + "A", 0},  // cut short, then the next character
      {"\xF4\x90\x80\x80", r + r + r + r, 0},       // above U+10FFFF
      {"\xED\xA0\x80", r + r + r, 0},               // a surrogate
      {"x\xF0\x9F\x98", "X" + r, 0},                // cut short by the end of the text
  };
  const auto hex = [](const std::string& s) {
    std::string out;
    char buf[4];
    for (unsigned char ch : s) {
      std::snprintf(buf, sizeof buf, "%02X ", ch);
      out += buf;
    }
    return out;
  };
  for (const auto& c : cases) {
    const int got =
        sql_fn::collate_acc(nullptr, int(c.a.size()), c.a.data(), int(c.b.size()), c.b.data());
    EXPECT_EQ((got > 0) - (got < 0), c.order) << hex(c.a) << "vs " << hex(c.b);
    const int back =
        sql_fn::collate_acc(nullptr, int(c.b.size()), c.b.data(), int(c.a.size()), c.a.data());
    EXPECT_EQ((back > 0) - (back < 0), -c.order) << hex(c.b) << "vs " << hex(c.a);
  }
}
