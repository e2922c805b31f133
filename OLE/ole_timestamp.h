// Timestamps to 100 ns (VT_FILETIME values): a signed count of 100 ns
// intervals since 1601-01-01 00:00:00, FILETIME's origin and unit, negative
// for the years 1 to 1600 (Access's Date/Time Extended reaches back to year
// 1). Their text is "YYYY-MM-DD HH:MM:SS.fffffff", always with seven
// fractional digits, which sorts in time order and reads back exactly.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "OLE/automation/oleauto.h"

struct ole_timestamp_parts {
  int year = 1, month = 1, day = 1, hour = 0, minute = 0, second = 0;
  int ticks = 0;  // 100 ns units within the second, 0..9999999
};

// 0001-01-01 00:00:00 and 9999-12-31 23:59:59.9999999 as counts.
inline constexpr int64_t kOleTimestampMin = -504911232000000000;
inline constexpr int64_t kOleTimestampMax = 2650467743999999999;

ole_timestamp_parts ole_timestamp_split(int64_t value);
// Nullopt when a part is out of its range (years 1 to 9999).
std::optional<int64_t> ole_timestamp_join(const ole_timestamp_parts& parts);
std::string ole_timestamp_to_text(int64_t value);
// "YYYY-MM-DD", optionally followed by " HH:MM:SS" or "THH:MM:SS" and a
// fraction of 1 to 7 digits (more digits are refused, not rounded).
std::optional<int64_t> ole_timestamp_from_text(std::string_view text);
// The same instant as a VT_DATE (to the millisecond, as the VARIANT date
// holds it) and back; nullopt outside VT_DATE's years 100 to 9999.
std::optional<DATE> ole_timestamp_to_date(int64_t value);
int64_t ole_timestamp_from_date(const SYSTEMTIME& st);
