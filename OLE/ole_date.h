// ole_date: one date, time, or date with time read from any of the accepted
// text forms, checked, and printed back in the one canonical form the Oracle
// literals use ("2010-12-31 10:20:30", "2010-12-31", "0000-00-00 10:20:30").
// A value object: copyable, no shared state; not thread-safe per instance.
// An unreadable text never throws: the value gets kind 0 and prints empty.
#pragma once

#include <cstdint>
#include <string>

#include "OLE/automation/oleauto_types.h"

class ole_date {
 public:
  // The kind of value held.
  enum kind_t : int32_t { kind_invalid = 0, kind_datetime = 1, kind_date = 2, kind_time = 3 };

  ole_date() = default;
  // Kind 1, then refined (a zero time makes it a date, a zero date a time).
  explicit ole_date(const SYSTEMTIME& st);
  // Parses the text (UTF-8) through the readings of import_from_string.
  explicit ole_date(const std::string& text);
  explicit ole_date(const std::wstring& text);

  bool is_valid() const;
  void refine_type();

  // "%04d-%02d-%02d %02d:%02d:%02d" and its date-only and time-only forms;
  // empty for an invalid value. Milliseconds are never printed.
  std::string to_string() const;
  std::wstring to_wstring() const;

  int32_t get_kind() const { return kind_; }
  const SYSTEMTIME& get_time() const { return st_; }

 private:
  void parse(const std::string& text);
  void import_from_string(const std::string& text);
  void process_milliseconds(const char* seconds);
  void add_one_day();

  int32_t kind_ = kind_invalid;
  SYSTEMTIME st_{};
  // Set when rounding the seconds carried past midnight of a dated value;
  // the day is added once the year and day are known to be in place.
  bool carry_day_ = false;
};
