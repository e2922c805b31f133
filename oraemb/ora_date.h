// Oracle DATE and TIMESTAMP(n): a calendar date and time of day to the
// second (DATE) or to the nanosecond (TIMESTAMP, whose value keeps its
// fractional precision for printing), with the
// TO_DATE / TO_CHAR format-model rules the converter and a user rely on
// (flexible punctuation, omitted trailing time fields, missing date fields
// taken from the first day of the current month). A value type.
#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>

namespace oraemb {

struct OraDate {
  int year = 1;
  int month = 1;
  int day = 1;
  int hour = 0;
  int minute = 0;
  int second = 0;
  int nanos = 0;       // 0..999999999
  int precision = -1;  // TIMESTAMP(precision); -1 for a DATE value

  bool is_timestamp() const { return precision >= 0; }
  // The value rounded to `digits` fractional digits (seconds and up carry).
  OraDate rounded(int digits) const;
  // Storage text "YYYY-MM-DD HH24:MI:SS", with ".fffffffff" when there is a
  // fraction and a leading "-" before the common era. Equal values have
  // equal texts; the texts sort in time order only from year 1 on, so values
  // are ordered with compare_dates.
  std::string to_storage() const;
  // The same text into `out`, which holds at least kStorageTextMax bytes;
  // returns its length (no terminator).
  static constexpr size_t kStorageTextMax = 48;
  size_t write_storage(char* out) const;
  static std::optional<OraDate> from_storage(const std::string& text);
  // The 7-byte external DATE form (century+100, year+100, month, day,
  // hour+1, minute+1, second+1).
  void to_oci(unsigned char out[7]) const;
  static OraDate from_oci(const unsigned char in[7]);
  friend bool operator==(const OraDate&, const OraDate&) = default;
};

// NLS_TIMESTAMP_FORMAT's default.
inline constexpr const char* kTimestampMask = "DD-MON-RR HH.MI.SSXFF AM";

// TO_DATE(text, mask); `now` supplies the defaults for missing date fields.
// FF / FF1..FF9 read fractional seconds (TO_TIMESTAMP).
// Raises the ORA-018xx errors of the format model rules.
OraDate to_date(const std::string& text, const std::string& mask, std::time_t now);
// TO_CHAR(date, mask) for the common elements; the default mask is
// NLS_DATE_FORMAT's DD-MON-RR.
std::string date_to_char(const OraDate& date, const std::string& mask = "DD-MON-RR");
int days_in_month(int year, int month);
// Days since 1970-01-01 and back, for DATE arithmetic. Dates before
// 1582-10-15 count in the Julian calendar, later ones in the Gregorian; the
// day before 0001-01-01 is -0001-12-31 (there is no year 0).
int64_t days_from_civil(int y, int m, int d);
OraDate civil_from_seconds(int64_t seconds);
// Time order of two dates, before the common era included (-1, 0, 1).
int compare_dates(const OraDate& a, const OraDate& b);

}  // namespace oraemb
