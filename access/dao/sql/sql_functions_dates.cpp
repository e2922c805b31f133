// Date functions of translated Access SQL over DATE serials: DateAdd,
// DateDiff, DatePart with their interval codes and first-day / first-week
// arguments, DateSerial, TimeSerial, the parts of a date, weekday and month
// names, Now / Date / Time.
#include <cctype>
#include <cmath>
#include <ctime>
#include <iterator>
#include <string>

#include "OLE/automation/oleauto.h"
#include "TK/tk_civil_date.h"
#include "access/dao/sql/sql_functions_values.h"

namespace sql_fn {
namespace {

void fn_datepart(sqlite3_context* ctx, int, sqlite3_value** argv) {
  if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
  SYSTEMTIME st;
  if (!split_date(sqlite3_value_double(argv[0]), st))
    return sqlite3_result_error(ctx, kOverflow, -1);
  const std::string part = text8(argv[1]);
  int v = 0;
  if (part == "YEAR") v = st.wYear;
  if (part == "MONTH") v = st.wMonth;
  if (part == "DAY") v = st.wDay;
  if (part == "HOUR") v = st.wHour;
  if (part == "MINUTE") v = st.wMinute;
  if (part == "SECOND") v = st.wSecond;
  if (part == "WEEKDAY") v = st.wDayOfWeek + 1;
  sqlite3_result_int(ctx, v);
}

void fn_now(sqlite3_context* ctx, int, sqlite3_value** argv) {
  const std::time_t t = std::time(nullptr);
  std::tm local{};
  localtime_r(&t, &local);
  SYSTEMTIME st{};
  st.wYear = uint16_t(local.tm_year + 1900);
  st.wMonth = uint16_t(local.tm_mon + 1);
  st.wDay = uint16_t(local.tm_mday);
  st.wHour = uint16_t(local.tm_hour);
  st.wMinute = uint16_t(local.tm_min);
  st.wSecond = uint16_t(local.tm_sec);
  double d = 0;
  SystemTimeToVariantTime(&st, &d);
  const std::string part = text8(argv[0]);
  if (part == "DATE") d = std::floor(d);
  if (part == "TIME") d -= std::floor(d);
  sqlite3_result_double(ctx, d);
}

// ---- the calendar
// Dates are DATE serials: whole days since 1899-12-30, the fraction the time
// of day, unsigned for days before (-1.25 is 1899-12-29 06:00). Arithmetic
// runs on whole seconds from 1899-12-30 00:00, a scale without that fold.
constexpr int64_t kMinDay = -657434;  // 100-01-01
constexpr int64_t kMaxDay = 2958465;  // 9999-12-31
constexpr int64_t kDay = 86400;
// Limits of the counts the functions accept, far beyond any valid result,
// so that nothing below overflows.
constexpr int64_t kMaxCount = 1000000000000LL;

// Days since 1899-12-30 of a proleptic Gregorian date (month 1..12), and back.
constexpr int64_t kDay0 = tk_days_from_civil(1899, 12, 30);

int64_t days_from_civil(int64_t y, int64_t m, int64_t d) {
  return tk_days_from_civil(y, m, d) - kDay0;
}

struct civil {
  int64_t y, m, d;
};

civil civil_from_days(int64_t day) {
  const tk_civil_date date = tk_civil_from_days(day + kDay0);
  return {date.year, date.month, date.day};
}

// Seconds since 1899-12-30 00:00 of a serial; false outside 100..9999.
bool to_seconds(double serial, int64_t& out) {
  if (!(serial > double(kMinDay - 1) && serial < double(kMaxDay + 1))) return false;
  const double whole = std::trunc(serial);
  int64_t day = int64_t(whole);
  const int64_t secs = std::llround(std::fabs(serial - whole) * double(kDay));
  out = day * kDay + secs;  // a time rounded up to 24:00 is the next midnight
  if (day < kMinDay || day > kMaxDay) return false;
  return true;
}

// The serial of seconds since 1899-12-30 00:00; false outside 100..9999.
bool from_seconds(int64_t total, double& out) {
  const int64_t day = tk_floor_div(total, kDay);
  if (day < kMinDay || day > kMaxDay) return false;
  const double time = double(total - day * kDay) / double(kDay);
  out = day >= 0 ? double(day) + time : double(day) - time;
  return true;
}

// Weekday 1..7 counted from `first` (1 Sunday .. 7 Saturday).
int64_t weekday_of(int64_t day, int64_t first) {
  const int64_t sunday_based = ((day % 7) + 7 + 6) % 7 + 1;  // 1899-12-30 was a Saturday
  return (sunday_based - first + 7) % 7 + 1;
}

int64_t week_start(int64_t day, int64_t first) {
  return day - (weekday_of(day, first) - 1);
}

// The first day of week 1 of year y (first week: 1 holds Jan 1, 2 holds at
// least four days of the year, 3 is the first full week).
int64_t first_week(int64_t y, int64_t first, int64_t rule) {
  const int64_t jan1 = days_from_civil(y, 1, 1);
  const int64_t start = week_start(jan1, first);
  if (rule == 2) return jan1 - start <= 3 ? start : start + 7;
  if (rule == 3) return start == jan1 ? start : start + 7;
  return start;
}

int64_t week_of_day(int64_t day, int64_t first, int64_t rule) {
  const int64_t y = civil_from_days(day).y;
  int64_t w1 = first_week(y, first, rule);
  if (day < w1) {
    w1 = first_week(y - 1, first, rule);
  } else if (rule != 1 && day >= first_week(y + 1, first, rule)) {
    return 1;
  }
  return (week_start(day, first) - w1) / 7 + 1;
}

enum class interval { year, quarter, month, day_of_year, day, weekday, week, hour, minute, second };

bool parse_interval(sqlite3_value* v, interval& out) {
  std::string s = text8(v);
  for (char& c : s) c = char(std::tolower(static_cast<unsigned char>(c)));
  static const struct {
    const char* code;
    interval i;
  } kCodes[] = {{"yyyy", interval::year},     {"q", interval::quarter}, {"m", interval::month},
                {"y", interval::day_of_year}, {"d", interval::day},     {"w", interval::weekday},
                {"ww", interval::week},       {"h", interval::hour},    {"n", interval::minute},
                {"s", interval::second}};
  for (const auto& c : kCodes)
    if (s == c.code) {
      out = c.i;
      return true;
    }
  return false;
}

// The first-day-of-week argument: 0 is the system's (Sunday), 1..7.
bool first_day(sqlite3_value* v, int64_t& out) {
  out = sqlite3_value_int64(v);
  if (out < 0 || out > 7) return false;
  if (out == 0) out = 1;
  return true;
}

// The first-week-of-year argument: 0 is the system's (Jan 1), 1..3.
bool first_week_rule(sqlite3_value* v, int64_t& out) {
  out = sqlite3_value_int64(v);
  if (out < 0 || out > 3) return false;
  if (out == 0) out = 1;
  return true;
}

// acc_dateadd(interval, number, date)
void fn_dateadd(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  if (any_null(argc, argv)) return sqlite3_result_null(ctx);
  interval in;
  int64_t secs;
  const int64_t n = sqlite3_value_int64(argv[1]);
  if (!parse_interval(argv[0], in) || n > kMaxCount || n < -kMaxCount)
    return sqlite3_result_error(ctx, kInvalidCall, -1);
  if (!to_seconds(sqlite3_value_double(argv[2]), secs))
    return sqlite3_result_error(ctx, kOverflow, -1);
  int64_t total = secs;
  if (in == interval::year || in == interval::quarter || in == interval::month) {
    // Months move the calendar; a day past the new month's end becomes its last.
    const int64_t day = tk_floor_div(secs, kDay);
    const int64_t time = secs - day * kDay;
    const civil c = civil_from_days(day);
    const int64_t k = in == interval::year ? 12 : in == interval::quarter ? 3 : 1;
    const int64_t months = c.y * 12 + (c.m - 1) + n * k;
    const int64_t y = tk_floor_div(months, 12), m = months - y * 12 + 1;
    if (y < 100 || y > 9999) return sqlite3_result_error(ctx, kInvalidCall, -1);
    const int64_t d = c.d < tk_days_in_month(y, m) ? c.d : tk_days_in_month(y, m);
    total = days_from_civil(y, m, d) * kDay + time;
  } else {
    const int64_t unit = in == interval::week     ? 7 * kDay
                         : in == interval::hour   ? 3600
                         : in == interval::minute ? 60
                         : in == interval::second ? 1
                                                  : kDay;
    total += n * unit;
  }
  double out;
  if (!from_seconds(total, out)) return sqlite3_result_error(ctx, kInvalidCall, -1);
  sqlite3_result_double(ctx, out);
}

// acc_datediff(interval, date1, date2, first day of week, first week of year):
// the boundaries crossed from date1 to date2.
void fn_datediff(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  if (any_null(argc, argv)) return sqlite3_result_null(ctx);
  interval in;
  int64_t first, rule, s1, s2;
  if (!parse_interval(argv[0], in) || !first_day(argv[3], first) || !first_week_rule(argv[4], rule))
    return sqlite3_result_error(ctx, kInvalidCall, -1);
  if (!to_seconds(sqlite3_value_double(argv[1]), s1) ||
      !to_seconds(sqlite3_value_double(argv[2]), s2))
    return sqlite3_result_error(ctx, kOverflow, -1);
  const int64_t day1 = tk_floor_div(s1, kDay), day2 = tk_floor_div(s2, kDay);
  const civil c1 = civil_from_days(day1), c2 = civil_from_days(day2);
  int64_t v = 0;
  switch (in) {
    case interval::year:
      v = c2.y - c1.y;
      break;
    case interval::quarter:
      v = (c2.y * 4 + (c2.m - 1) / 3) - (c1.y * 4 + (c1.m - 1) / 3);
      break;
    case interval::month:
      v = (c2.y * 12 + c2.m) - (c1.y * 12 + c1.m);
      break;
    case interval::day_of_year:
    case interval::day:
      v = day2 - day1;
      break;
    case interval::weekday:  // whole weeks of seven days
      v = (day2 - day1) / 7;
      break;
    case interval::week:  // first days of the week crossed
      v = (week_start(day2, first) - week_start(day1, first)) / 7;
      break;
    case interval::hour:
      v = tk_floor_div(s2, 3600) - tk_floor_div(s1, 3600);
      break;
    case interval::minute:
      v = tk_floor_div(s2, 60) - tk_floor_div(s1, 60);
      break;
    case interval::second:
      v = s2 - s1;
      break;
  }
  sqlite3_result_int64(ctx, v);
}

// acc_dateinterval(interval, date, first day of week, first week of year): DatePart.
void fn_dateinterval(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  if (any_null(argc, argv)) return sqlite3_result_null(ctx);
  interval in;
  int64_t first, rule, secs;
  if (!parse_interval(argv[0], in) || !first_day(argv[2], first) || !first_week_rule(argv[3], rule))
    return sqlite3_result_error(ctx, kInvalidCall, -1);
  if (!to_seconds(sqlite3_value_double(argv[1]), secs))
    return sqlite3_result_error(ctx, kOverflow, -1);
  const int64_t day = tk_floor_div(secs, kDay), time = secs - day * kDay;
  const civil c = civil_from_days(day);
  int64_t v = 0;
  switch (in) {
    case interval::year:
      v = c.y;
      break;
    case interval::quarter:
      v = (c.m - 1) / 3 + 1;
      break;
    case interval::month:
      v = c.m;
      break;
    case interval::day_of_year:
      v = day - days_from_civil(c.y, 1, 1) + 1;
      break;
    case interval::day:
      v = c.d;
      break;
    case interval::weekday:
      v = weekday_of(day, first);
      break;
    case interval::week:
      v = week_of_day(day, first, rule);
      break;
    case interval::hour:
      v = time / 3600;
      break;
    case interval::minute:
      v = time / 60 % 60;
      break;
    case interval::second:
      v = time % 60;
      break;
  }
  sqlite3_result_int64(ctx, v);
}

// acc_weekday(date, first day of week)
void fn_weekday(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  if (any_null(argc, argv)) return sqlite3_result_null(ctx);
  int64_t first, secs;
  if (!first_day(argv[1], first)) return sqlite3_result_error(ctx, kInvalidCall, -1);
  if (!to_seconds(sqlite3_value_double(argv[0]), secs))
    return sqlite3_result_error(ctx, kOverflow, -1);
  sqlite3_result_int64(ctx, weekday_of(tk_floor_div(secs, kDay), first));
}

void fn_dateserial(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  if (any_null(argc, argv)) return sqlite3_result_null(ctx);
  int64_t y = sqlite3_value_int64(argv[0]);
  const int64_t m = sqlite3_value_int64(argv[1]), d = sqlite3_value_int64(argv[2]);
  if (y >= 0 && y < 30)
    y += 2000;
  else if (y >= 30 && y < 100)
    y += 1900;
  if (y < -1000000 || y > 1000000 || m < -1000000 || m > 1000000 || d < -1000000 || d > 1000000)
    return sqlite3_result_error(ctx, kOverflow, -1);
  // Months and days past their ends roll over into the next month / year.
  const int64_t months = y * 12 + (m - 1);
  const int64_t year = tk_floor_div(months, 12), month = months - year * 12 + 1;
  if (year < 100 || year > 9999) return sqlite3_result_error(ctx, kOverflow, -1);
  const int64_t day = days_from_civil(year, month, 1) + (d - 1);
  if (day < kMinDay || day > kMaxDay) return sqlite3_result_error(ctx, kOverflow, -1);
  sqlite3_result_double(ctx, double(day));
}

void fn_timeserial(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  if (any_null(argc, argv)) return sqlite3_result_null(ctx);
  const int64_t h = sqlite3_value_int64(argv[0]), m = sqlite3_value_int64(argv[1]),
                s = sqlite3_value_int64(argv[2]);
  if (h < -kMaxCount || h > kMaxCount || m < -kMaxCount || m > kMaxCount || s < -kMaxCount ||
      s > kMaxCount)
    return sqlite3_result_error(ctx, kOverflow, -1);
  double out;
  if (!from_seconds(h * 3600 + m * 60 + s, out)) return sqlite3_result_error(ctx, kOverflow, -1);
  sqlite3_result_double(ctx, out);
}

// acc_dateonly / acc_timeonly: the day / the time of a serial.
template <bool time>
void fn_date_or_time(sqlite3_context* ctx, int, sqlite3_value** argv) {
  if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
  const double d = sqlite3_value_double(argv[0]);
  const double whole = std::trunc(d);
  sqlite3_result_double(ctx, time ? std::fabs(d - whole) : whole + 0.0);
}

const char* const kMonthNames[] = {"January",   "February", "March",    "April",
                                   "May",       "June",     "July",     "August",
                                   "September", "October",  "November", "December"};
const char* const kDayNames[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                 "Thursday", "Friday", "Saturday"};

std::string name_of(const char* full, bool abbreviate) {
  std::string s = full;
  return abbreviate ? s.substr(0, 3) : s;
}

// acc_weekdayname(n, abbreviate, first day of week)
void fn_weekdayname(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  if (any_null(argc, argv)) return sqlite3_result_null(ctx);
  const int64_t n = sqlite3_value_int64(argv[0]);
  int64_t first;
  if (n < 1 || n > 7 || !first_day(argv[2], first))
    return sqlite3_result_error(ctx, kInvalidCall, -1);
  result8(ctx, name_of(kDayNames[(n - 1 + first - 1) % 7], sqlite3_value_int(argv[1]) != 0));
}

// acc_monthname(n, abbreviate)
void fn_monthname(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  if (any_null(argc, argv)) return sqlite3_result_null(ctx);
  const int64_t n = sqlite3_value_int64(argv[0]);
  if (n < 1 || n > 12) return sqlite3_result_error(ctx, kInvalidCall, -1);
  result8(ctx, name_of(kMonthNames[n - 1], sqlite3_value_int(argv[1]) != 0));
}

const function_entry kEntries[] = {
    {"acc_datepart", 2, fn_datepart, true},
    {"acc_now", 1, fn_now, false},
    {"acc_dateserial", 3, fn_dateserial, true},
    {"acc_timeserial", 3, fn_timeserial, true},
    {"acc_dateadd", 3, fn_dateadd, true},
    {"acc_datediff", 5, fn_datediff, true},
    {"acc_dateinterval", 4, fn_dateinterval, true},
    {"acc_weekday", 2, fn_weekday, true},
    {"acc_dateonly", 1, fn_date_or_time<false>, true},
    {"acc_timeonly", 1, fn_date_or_time<true>, true},
    {"acc_weekdayname", 3, fn_weekdayname, true},
    {"acc_monthname", 2, fn_monthname, true},
};

}  // namespace

int day_of_year(double serial) {
  int64_t secs;
  if (!to_seconds(serial, secs)) return 0;
  const int64_t day = tk_floor_div(secs, kDay);
  return int(day - days_from_civil(civil_from_days(day).y, 1, 1) + 1);
}

int week_of_year(double serial, int first, int rule) {
  int64_t secs;
  if (!to_seconds(serial, secs)) return 0;
  return int(week_of_day(tk_floor_div(secs, kDay), first, rule));
}

table<function_entry> date_functions() {
  return {std::begin(kEntries), std::end(kEntries)};
}

}  // namespace sql_fn
