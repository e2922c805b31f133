// ole_date: every reading of a text in its order, the kinds, the validity
// rules and the canonical printers, with the edge cases that matter for the
// Oracle literals (rounded seconds, 12-hour times, year-last texts).
#include "OLE/ole_date.h"

#include <gtest/gtest.h>

namespace {

struct reading {
  const char* text;
  int kind;
  const char* printed;
};

}  // namespace

TEST(OleDate, ReadingsAndPrints) {
  const reading cases[] = {
      // Timestamps run together.
      {"20101231", ole_date::kind_date, "2010-12-31"},
      {"20101231102030", ole_date::kind_datetime, "2010-12-31 10:20:30"},
      {"20101231000000", ole_date::kind_datetime, "2010-12-31"},
      // Pure times, with milliseconds rounded into the seconds.
      {"10:20:30", ole_date::kind_time, "0000-00-00 10:20:30"},
      {"10:20:59.7", ole_date::kind_time, "0000-00-00 10:21:00"},
      {"23:59:59.6", ole_date::kind_time, "0000-00-00 00:00:00"},
      {"24:00:00", ole_date::kind_time, "0000-00-00 00:00:00"},
      {"10:60:00", ole_date::kind_time, "0000-00-00 11:00:00"},
      // The en-US date parser.
      {"12/31/2010", ole_date::kind_date, "2010-12-31"},
      {"2010-12-31 10:20:30", ole_date::kind_datetime, "2010-12-31 10:20:30"},
      {"Dec 31, 1850", ole_date::kind_date, "1850-12-31"},
      {"31-12-2010", ole_date::kind_date, "2010-12-31"},
      // The explicit forms, year first or year last.
      {"31.12.2010", ole_date::kind_date, "2010-12-31"},
      {"2010.12.31", ole_date::kind_date, "2010-12-31"},
      {"31.12.2010 10:20:30", ole_date::kind_datetime, "2010-12-31 10:20:30"},
      {"0050-01-02", ole_date::kind_date, "0050-01-02"},
      {"10000-01-02 10:20:30.4", ole_date::kind_datetime, "10000-01-02 10:20:30"},
      // 12-hour times.
      {"11:30:00 PM", ole_date::kind_time, "0000-00-00 23:30:00"},
      {"12:30:00 PM", ole_date::kind_time, "0000-00-00 12:30:00"},
      {"12/31/2010 11:30:00 pm", ole_date::kind_datetime, "2010-12-31 23:30:00"},
  };
  for (const reading& c : cases) {
    const ole_date d{std::string(c.text)};
    EXPECT_EQ(d.get_kind(), c.kind) << c.text;
    EXPECT_EQ(d.to_string(), c.printed) << c.text;
    EXPECT_EQ(d.to_wstring(), std::wstring(c.printed, c.printed + strlen(c.printed)));
  }
}

TEST(OleDate, UnreadableTextsAreInvalidAndPrintEmpty) {
  const char* bad[] = {"",         "1:2",         "   10:2  ", "12.31.2010",
                       "abcdef",   "10:61:00",    "10:20:61",  "2010-13-01",
                       "99999999", "nan:nan:nan", "0:0:nan",   "2010-00-10 1:2:3"};
  for (const char* text : bad) {
    const ole_date d{std::string(text)};
    EXPECT_FALSE(d.is_valid()) << text;
    EXPECT_EQ(d.to_string(), "") << text;
  }
}

// Rounding 23:59:59.6 of a dated value moves to the next day instead of
// going back to midnight of the same day.
TEST(OleDate, RoundingPastMidnightCarriesIntoTheDate) {
  const reading cases[] = {
      {"31.12.2010 23:59:59.6", ole_date::kind_date, "2011-01-01"},
      {"2010-02-28 23:59:59.7", ole_date::kind_date, "2010-03-01"},
      {"2012-02-28 24:00:00", ole_date::kind_date, "2012-02-29"},
      {"2010-12-31 23:59:59.4", ole_date::kind_datetime, "2010-12-31 23:59:59"},
  };
  for (const reading& c : cases) {
    const ole_date d{std::string(c.text)};
    EXPECT_EQ(d.to_string(), c.printed) << c.text;
    EXPECT_EQ(d.get_kind(), c.kind) << c.text;
  }
}

// 12 AM is midnight, so 12:30 AM is half an hour after midnight.
TEST(OleDate, TwelveAmIsMidnight) {
  EXPECT_EQ(ole_date(std::string("12:30:00 AM")).to_string(), "0000-00-00 00:30:00");
  EXPECT_EQ(ole_date(std::string("12/31/2010 12:05:00 AM")).to_string(), "2010-12-31 00:05:00");
  EXPECT_EQ(ole_date(std::string("12/31/2010 10:05:00 AM")).to_string(), "2010-12-31 10:05:00");
}

TEST(OleDate, FromSystemTimeRefinesTheKind) {
  const SYSTEMTIME date_only{2010, 12, 0, 31, 0, 0, 0, 0};
  EXPECT_EQ(ole_date(date_only).get_kind(), ole_date::kind_date);
  EXPECT_EQ(ole_date(date_only).to_string(), "2010-12-31");
  const SYSTEMTIME time_only{0, 0, 0, 0, 7, 8, 9, 0};
  EXPECT_EQ(ole_date(time_only).get_kind(), ole_date::kind_time);
  EXPECT_EQ(ole_date(time_only).to_string(), "0000-00-00 07:08:09");
  const SYSTEMTIME both{1601, 1, 0, 1, 7, 8, 9, 999};
  EXPECT_EQ(ole_date(both).to_string(), "1601-01-01 07:08:09");
}

TEST(OleDate, WideTextReadsLikeNarrow) {
  EXPECT_EQ(ole_date(std::wstring(L"31-12-2010")).to_string(), "2010-12-31");
  EXPECT_FALSE(ole_date(std::wstring(L"\u00e9t\u00e9 2010")).is_valid());
}
