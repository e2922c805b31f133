// Timestamps to 100 ns (see ole_timestamp.h), on the toolkit's day numbers
// of the proleptic Gregorian calendar.
#include "OLE/ole_timestamp.h"

#include <cstdio>

#include "TK/tk_civil_date.h"

namespace {

constexpr int64_t kTicksPerSecond = 10000000;
constexpr int64_t kTicksPerDay = 86400 * kTicksPerSecond;
// Day number of 1601-01-01, the timestamps' epoch.
constexpr int64_t kDays1601 = tk_days_from_civil(1601, 1, 1);

}  // namespace

ole_timestamp_parts ole_timestamp_split(int64_t value) {
  ole_timestamp_parts p;
  const int64_t days = tk_floor_div(value, kTicksPerDay);
  int64_t rest = value - days * kTicksPerDay;
  const tk_civil_date date = tk_civil_from_days(days + kDays1601);
  p.year = int(date.year);
  p.month = int(date.month);
  p.day = int(date.day);
  p.ticks = int(rest % kTicksPerSecond);
  rest /= kTicksPerSecond;
  p.second = int(rest % 60);
  p.minute = int(rest / 60 % 60);
  p.hour = int(rest / 3600);
  return p;
}

std::optional<int64_t> ole_timestamp_join(const ole_timestamp_parts& p) {
  if (p.year < 1 || p.year > 9999 || p.month < 1 || p.month > 12 || p.day < 1 ||
      p.day > tk_days_in_month(p.year, p.month) || p.hour < 0 || p.hour > 23 || p.minute < 0 ||
      p.minute > 59 || p.second < 0 || p.second > 59 || p.ticks < 0 || p.ticks >= kTicksPerSecond)
    return std::nullopt;
  const int64_t days = tk_days_from_civil(p.year, p.month, p.day) - kDays1601;
  return days * kTicksPerDay +
         ((int64_t(p.hour) * 60 + p.minute) * 60 + p.second) * kTicksPerSecond + p.ticks;
}

std::string ole_timestamp_to_text(int64_t value) {
  if (value < kOleTimestampMin || value > kOleTimestampMax) return std::string();
  const ole_timestamp_parts p = ole_timestamp_split(value);
  char text[40];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d.%07d", p.year, p.month, p.day,
                p.hour, p.minute, p.second, p.ticks);
  return text;
}

std::optional<int64_t> ole_timestamp_from_text(std::string_view text) {
  size_t at = 0;
  auto number = [&](size_t digits, int& out) {
    if (at + digits > text.size()) return false;
    out = 0;
    for (size_t i = 0; i < digits; ++i) {
      const char c = text[at + i];
      if (c < '0' || c > '9') return false;
      out = out * 10 + (c - '0');
    }
    at += digits;
    return true;
  };
  auto literal = [&](char c) {
    if (at >= text.size() || text[at] != c) return false;
    ++at;
    return true;
  };
  while (at < text.size() && text[at] == ' ') ++at;
  ole_timestamp_parts p;
  if (!number(4, p.year) || !literal('-') || !number(2, p.month) || !literal('-') ||
      !number(2, p.day))
    return std::nullopt;
  if (at < text.size() && (text[at] == ' ' || text[at] == 'T')) {
    ++at;
    if (!number(2, p.hour) || !literal(':') || !number(2, p.minute) || !literal(':') ||
        !number(2, p.second))
      return std::nullopt;
    if (literal('.')) {
      int digits = 0;
      while (at < text.size() && text[at] >= '0' && text[at] <= '9') {
        if (++digits > 7) return std::nullopt;
        p.ticks = p.ticks * 10 + (text[at++] - '0');
      }
      if (digits == 0) return std::nullopt;
      for (int k = digits; k < 7; ++k) p.ticks *= 10;
    }
  }
  while (at < text.size() && text[at] == ' ') ++at;
  if (at != text.size()) return std::nullopt;
  return ole_timestamp_join(p);
}

std::optional<DATE> ole_timestamp_to_date(int64_t value) {
  const ole_timestamp_parts p = ole_timestamp_split(value);
  if (p.year < 100 || value > kOleTimestampMax) return std::nullopt;
  SYSTEMTIME st{};
  st.wYear = uint16_t(p.year);
  st.wMonth = uint16_t(p.month);
  st.wDay = uint16_t(p.day);
  st.wHour = uint16_t(p.hour);
  st.wMinute = uint16_t(p.minute);
  st.wSecond = uint16_t(p.second);
  st.wMilliseconds = uint16_t(p.ticks / 10000);
  DATE date = 0;
  if (!SystemTimeToVariantTime(&st, &date)) return std::nullopt;
  return date;
}

int64_t ole_timestamp_from_date(const SYSTEMTIME& st) {
  ole_timestamp_parts p;
  p.year = st.wYear;
  p.month = st.wMonth;
  p.day = st.wDay;
  p.hour = st.wHour;
  p.minute = st.wMinute;
  p.second = st.wSecond;
  p.ticks = st.wMilliseconds * 10000;
  return ole_timestamp_join(p).value_or(0);
}
