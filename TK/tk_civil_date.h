// Day numbers of civil dates on the proleptic Gregorian calendar, counted
// from 1970-01-01 (H. Hinnant's algorithms), valid for any year: the one
// calendar arithmetic of the product's date types, each of which adds its
// own epoch (1899-12-30 for DATE, 1601-01-01 for timestamps).
#pragma once

#include <cstdint>

// a / b rounded towards minus infinity (b > 0).
constexpr int64_t tk_floor_div(int64_t a, int64_t b) {
  return a / b - ((a % b != 0) && ((a < 0) != (b < 0)));
}

// Days from 1970-01-01 to year-month-day (month 1..12).
constexpr int64_t tk_days_from_civil(int64_t y, int64_t m, int64_t d) {
  y -= m <= 2;
  const int64_t era = tk_floor_div(y, 400);
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

struct tk_civil_date {
  int64_t year, month, day;
};

// The civil date of a day number counted from 1970-01-01.
constexpr tk_civil_date tk_civil_from_days(int64_t days) {
  const int64_t z = days + 719468;
  const int64_t era = tk_floor_div(z, 146097);
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  const int64_t d = doy - (153 * mp + 2) / 5 + 1;
  const int64_t m = mp < 10 ? mp + 3 : mp - 9;
  return {yoe + era * 400 + (m <= 2), m, d};
}

constexpr bool tk_leap_year(int64_t y) {
  return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

// Days in a month (1..12) of a year.
constexpr int64_t tk_days_in_month(int64_t y, int64_t m) {
  constexpr int8_t kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && tk_leap_year(y) ? 29 : kDays[m - 1];
}

static_assert(tk_days_from_civil(1970, 1, 1) == 0);
static_assert(tk_days_from_civil(1899, 12, 30) == -25569);
static_assert(tk_civil_from_days(-25569).year == 1899);
