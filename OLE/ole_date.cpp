// Reading, checking and printing of ole_date values. The readings are tried
// in a fixed order (timestamps, a pure time, the platform's en-US date
// parser, then year-first / day-first numeric forms), so that a text the
// date parser accepts never reaches the explicit forms.
#include "OLE/ole_date.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <utility>

#include "OLE/automation/oleauto.h"
#include "TK/tk_exception.h"
#include "TK/tk_text.h"
#include "TK/tk_trace.h"

namespace {

unsigned days_in_month(unsigned y, unsigned m) {
  static const unsigned kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
  return m == 2 && leap ? 29 : kDays[(m - 1) % 12];
}

// The C runtime's atof without its locale: a decimal point is always ".".
double read_decimal(const char* text) {
  while (*text == ' ' || *text == '\t') ++text;
  if (*text == '+') ++text;
  double value = 0;
  const char* end = text + std::strlen(text);
  const auto result = std::from_chars(text, end, value, std::chars_format::general);
  return result.ec == std::errc() ? value : 0.0;
}

// The whole seconds of a seconds text, as is_valid must see them before the
// milliseconds are rounded in; -1 for a text that is no number of seconds.
int whole_seconds(const char* text) {
  const double value = read_decimal(text);
  if (!(value >= 0 && value < 65536.0)) return -1;
  return static_cast<int>(value);
}

std::string print(const char* format, int a, int b, int c, int d = 0, int e = 0, int f = 0) {
  char buf[96];
  std::snprintf(buf, sizeof buf, format, a, b, c, d, e, f);
  return buf;
}

}  // namespace

ole_date::ole_date(const SYSTEMTIME& st) : kind_(kind_datetime), st_(st) {
  tk_trace(1, "ole_date::ole_date(SYSTEMTIME)");
  refine_type();
}

ole_date::ole_date(const std::string& text) {
  tk_trace(1, "ole_date::ole_date('%s')", text);
  parse(text);
}

ole_date::ole_date(const std::wstring& text) {
  const std::string narrow = tk_to_utf8(text);
  tk_trace(1, "ole_date::ole_date('%s')", narrow);
  parse(narrow);
}

void ole_date::parse(const std::string& text) {
  std::string buf = tk_trim(text);
  tk_trace(1, "After tk_trim: %s", buf);
  bool am = false;
  for (const char* marker : {"AM", "PM", "am", "pm"}) {
    const size_t pos = buf.find(marker);
    if (pos != std::string::npos) {
      am = marker[0] == 'A' || marker[0] == 'a';
      buf = tk_trim(buf.substr(0, pos));
      break;
    }
  }
  tk_trace(1, "Again buf1=%s", buf);
  if (buf.size() < 5) {
    tk_trace(2, "Invalid date/time format: '%s'", buf);
    return;
  }
  import_from_string(buf);
  if ((kind_ == kind_datetime || kind_ == kind_date) && st_.wDay > 31 && st_.wYear < 32)
    std::swap(st_.wYear, st_.wDay);  // the text had the year last
  if (carry_day_) add_one_day();
  if (kind_ == kind_invalid) return;
  const bool pm = text.find("PM") != std::string::npos || text.find("pm") != std::string::npos;
  if (pm && st_.wHour < 12) st_.wHour += 12;
  // 12 AM is midnight: "12:30 AM" is half past midnight, not half past noon.
  if (am && !pm && st_.wHour == 12) st_.wHour = 0;
}

void ole_date::import_from_string(const std::string& text) {
  tk_trace(1, "ole_date::import_from_string");
  const char* s = text.c_str();
  st_ = SYSTEMTIME{};
  carry_day_ = false;
  if (text.size() == 14) {
    tk_trace(1, "Trying timestamp format (1)...");
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, se = 0;
    if (std::sscanf(s, "%4d%02d%02d%02d%02d%02d", &y, &mo, &d, &h, &mi, &se) == 6) {
      st_ = {static_cast<uint16_t>(y),
             static_cast<uint16_t>(mo),
             0,
             static_cast<uint16_t>(d),
             static_cast<uint16_t>(h),
             static_cast<uint16_t>(mi),
             static_cast<uint16_t>(se),
             0};
      kind_ = kind_datetime;
      if (is_valid()) return;
    }
    st_ = SYSTEMTIME{};
  } else if (text.size() == 8) {
    tk_trace(1, "Trying timestamp format (2)...");
    int y = 0, mo = 0, d = 0;
    if (std::sscanf(s, "%4d%02d%02d", &y, &mo, &d) == 3) {
      st_ = {static_cast<uint16_t>(y),
             static_cast<uint16_t>(mo),
             0,
             static_cast<uint16_t>(d),
             0,
             0,
             0,
             0};
      kind_ = kind_date;
      if (is_valid()) return;
    }
    st_ = SYSTEMTIME{};
  }

  tk_trace(1, "Trying pure time format...");
  char seconds[256] = "";
  short h = 0, mi = 0;
  if (std::sscanf(s, "%hd:%hd:%255s", &h, &mi, seconds) == 3) {
    st_.wHour = static_cast<uint16_t>(h);
    st_.wMinute = static_cast<uint16_t>(mi);
    const int sec = whole_seconds(seconds);
    st_.wSecond = static_cast<uint16_t>(sec < 0 ? 0xFFFF : sec);
    kind_ = kind_time;
    if (is_valid()) {
      process_milliseconds(seconds);
      return;
    }
  }
  st_ = SYSTEMTIME{};

  const std::u16string wide = tk_utf8_to_utf16(text);
  LCID lcid = GetSystemDefaultLCID();
  if (lcid == 0) lcid = LOCALE_EN_US;
  DATE date = 0;
  if (SUCCEEDED(VarDateFromStr(wide.c_str(), lcid, 0, &date)) &&
      VariantTimeToSystemTime(date, &st_)) {
    tk_trace(1, "Got datetime using Microsoft API");
    kind_ = kind_datetime;
    refine_type();
    return;
  }
  st_ = SYSTEMTIME{};

  static const char* const kForms[] = {"%hd-%hd-%hd %hd:%hd:%255s", "%hd/%hd/%hd %hd:%hd:%255s",
                                       "%hd.%hd.%hd %hd:%hd:%255s"};
  for (int form = 0; form < 3; ++form) {
    tk_trace(1, "Trying datetime format #%d", form);
    short y = 0, mo = 0, d = 0, hh = 0, mm = 0;
    seconds[0] = '\0';
    const int items = std::sscanf(s, kForms[form], &y, &mo, &d, &hh, &mm, seconds);
    st_ = {static_cast<uint16_t>(y),  static_cast<uint16_t>(mo), 0, static_cast<uint16_t>(d),
           static_cast<uint16_t>(hh), static_cast<uint16_t>(mm), 0, 0};
    if (items == 3) {
      tk_trace(1, "Format #%d succeeded (3 items)", form);
      st_.wHour = st_.wMinute = 0;
      kind_ = kind_date;
      if (is_valid()) return;
    } else if (items == 6) {
      tk_trace(1, "Format #%d succeeded (6 items)", form);
      const int sec = whole_seconds(seconds);
      st_.wSecond = static_cast<uint16_t>(sec < 0 ? 0xFFFF : sec);
      kind_ = kind_datetime;
      if (is_valid()) {
        process_milliseconds(seconds);
        refine_type();
        return;
      }
    }
    st_ = SYSTEMTIME{};
  }
  kind_ = kind_invalid;
  tk_trace(2, "Invalid date/time format: '%s'", text);
}

void ole_date::process_milliseconds(const char* seconds) {
  tk_trace(1, "ole_date::process_milliseconds");
  TK_ASSERT(seconds != nullptr);
  tk_trace(1, "Got row sec: '%s'", seconds);
  double value = read_decimal(seconds);
  // Out-of-range texts ("nan", "1e30") must not reach the integer conversion.
  if (!(std::fabs(value) < 65536.0)) value = 0;
  const double whole = std::trunc(value);
  int sec = static_cast<int>(whole);
  const int msec = static_cast<int>((value - whole) * 1000);
  tk_trace(1, "Got sec: %d", sec);
  tk_trace(1, "Got msec: %d", msec);
  st_.wSecond = static_cast<uint16_t>(sec);
  st_.wMilliseconds = static_cast<uint16_t>(msec);
  if (msec >= 500) ++st_.wSecond;
  if (st_.wSecond >= 60) {
    st_.wSecond -= 60;
    ++st_.wMinute;
  }
  if (st_.wMinute >= 60) {
    st_.wMinute -= 60;
    ++st_.wHour;
  }
  if (st_.wHour >= 24) {
    st_.wHour -= 24;
    // A time alone wraps to midnight; a dated value moves to the next day,
    // so that 2010-12-31 23:59:59.6 does not become 2010-12-31 00:00:00.
    if (st_.wYear != 0 || st_.wMonth != 0 || st_.wDay != 0) carry_day_ = true;
  }
  tk_trace(1, "After processing: %02d:%02d:%02d", st_.wHour, st_.wMinute, st_.wSecond);
}

void ole_date::add_one_day() {
  carry_day_ = false;
  if (st_.wMonth < 1 || st_.wMonth > 12) return;
  if (++st_.wDay <= days_in_month(st_.wYear, st_.wMonth)) return;
  st_.wDay = 1;
  if (++st_.wMonth <= 12) return;
  st_.wMonth = 1;
  ++st_.wYear;
}

bool ole_date::is_valid() const {
  if (kind_ == kind_invalid) return false;
  tk_trace(1, "ole_date::is_valid");
  if (st_.wYear == 0 && st_.wMonth == 0 && st_.wDay == 0) {
    tk_trace(1, "DATETIME is a pute time");
  } else {
    if (st_.wMonth == 0 || st_.wMonth > 12) {
      tk_trace(1, "Invalid month");
      return false;
    }
    if (st_.wDay == 0 || st_.wYear == 0 || (st_.wYear > 31 && st_.wDay > 31)) {
      tk_trace(1, "Invalid day and/or year");
      return false;
    }
  }
  if (st_.wHour > 60 || st_.wMinute > 60 || st_.wSecond > 60) {
    tk_trace(1, "Invalid time");
    return false;
  }
  return true;
}

void ole_date::refine_type() {
  tk_trace(1, "ole_date::refine_type(%d,%d,%d,%d,%d,%d)", st_.wYear, st_.wMonth, st_.wDay,
           st_.wHour, st_.wMinute, st_.wSecond);
  const bool no_date = st_.wYear == 0 && st_.wMonth == 0 && st_.wDay == 0;
  const bool full_date = st_.wYear != 0 && st_.wMonth != 0 && st_.wDay != 0;
  const bool no_time = st_.wHour == 0 && st_.wMinute == 0 && st_.wSecond == 0;
  if (no_date) {
    kind_ = kind_time;
  } else if (no_time && full_date) {
    kind_ = kind_date;
  }
}

std::string ole_date::to_string() const {
  tk_trace(1, "ole_date::to_string");
  switch (kind_) {
    case kind_datetime:
      tk_trace(1, "printing datetime...");
      if (st_.wHour == 0 && st_.wMinute == 0 && st_.wSecond == 0)
        return print("%04d-%02d-%02d", st_.wYear, st_.wMonth, st_.wDay);
      return print("%04d-%02d-%02d %02d:%02d:%02d", st_.wYear, st_.wMonth, st_.wDay, st_.wHour,
                   st_.wMinute, st_.wSecond);
    case kind_date:
      tk_trace(1, "printing date...");
      return print("%04d-%02d-%02d", st_.wYear, st_.wMonth, st_.wDay);
    case kind_time:
      tk_trace(1, "printing time...");
      return print("0000-00-00 %02d:%02d:%02d", st_.wHour, st_.wMinute, st_.wSecond);
    default:
      return std::string();
  }
}

std::wstring ole_date::to_wstring() const {
  tk_trace(1, "ole_date::to_wstring");
  const std::string text = to_string();
  return std::wstring(text.begin(), text.end());  // the canonical form is ASCII
}
