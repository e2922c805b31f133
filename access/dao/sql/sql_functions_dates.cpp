// Date functions of translated Access SQL over DATE serials (days since
// 1899-12-30, the fraction the time of day).
#include <cmath>
#include <ctime>
#include <iterator>
#include <string>

#include "OLE/automation/oleauto.h"
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

void fn_dateserial(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  if (any_null(argc, argv)) return sqlite3_result_null(ctx);
  int64_t y = sqlite3_value_int64(argv[0]), m = sqlite3_value_int64(argv[1]);
  const int64_t d = sqlite3_value_int64(argv[2]);
  if (y >= 0 && y < 30)
    y += 2000;
  else if (y >= 30 && y < 100)
    y += 1900;
  y += (m - 1) >= 0 ? (m - 1) / 12 : -((12 - m) / 12);
  m = ((m - 1) % 12 + 12) % 12 + 1;
  if (y < 100 || y > 9999 || d < -1000000 || d > 1000000)
    return sqlite3_result_error(ctx, kOverflow, -1);
  SYSTEMTIME st{};
  st.wYear = uint16_t(y);
  st.wMonth = uint16_t(m);
  st.wDay = 1;
  double v = 0;
  if (!SystemTimeToVariantTime(&st, &v)) return sqlite3_result_error(ctx, kOverflow, -1);
  sqlite3_result_double(ctx, v + double(d - 1));
}

const function_entry kEntries[] = {
    {"acc_datepart", 2, fn_datepart, true},
    {"acc_now", 1, fn_now, false},
    {"acc_dateserial", 3, fn_dateserial, true},
};

}  // namespace

table<function_entry> date_functions() {
  return {std::begin(kEntries), std::end(kEntries)};
}

}  // namespace sql_fn
