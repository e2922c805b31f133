// DATE conversions: SYSTEMTIME <-> DATE on the proleptic Gregorian calendar
// counted from 1899-12-30, the en-US date text parser that stands in for the
// platform's VarDateFromStr, and the en-US date printer.
// Negative DATEs count days backwards but their fraction is still a time
// forward from midnight: -1.25 is 1899-12-29 06:00.
#include <cctype>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

#include "OLE/automation/oleauto.h"
#include "OLE/automation/oleauto_number.h"
#include "TK/tk_civil_date.h"

namespace {

constexpr double kMinDate = -657434.0;  // 0100-01-01
constexpr double kMaxDate = 2958466.0;  // 10000-01-01, exclusive
constexpr int kSecondsPerDay = 86400;

constexpr int64_t kEpoch = tk_days_from_civil(1899, 12, 30);

// DATE of a day number (days from the epoch) and a time in seconds.
double make_date(int64_t day, double seconds) {
  const double t = seconds / kSecondsPerDay;
  return day >= 0 ? static_cast<double>(day) + t : static_cast<double>(day) - t;
}

// ---------------------------------------------------------------------------
// The en-US date text parser.

struct token {
  enum kind_t { number, word, sep } kind;
  std::string text;  // digits, lower-case word, or the separator character
  long value = 0;
};

const char* const kMonths[] = {"january",   "february", "march",    "april",
                               "may",       "june",     "july",     "august",
                               "september", "october",  "november", "december"};
const char* const kWeekdays[] = {"sunday",   "monday", "tuesday", "wednesday",
                                 "thursday", "friday", "saturday"};

// 1..12 for a month name or its abbreviation (3 letters, or "sept"), else 0.
int month_of(const std::string& w) {
  for (int i = 0; i < 12; ++i) {
    const std::string full = kMonths[i];
    if (w == full || (w.size() == 3 && full.compare(0, 3, w) == 0) || (i == 8 && w == "sept"))
      return i + 1;
  }
  return 0;
}

bool is_weekday(const std::string& w) {
  for (const char* day : kWeekdays) {
    const std::string full = day;
    if (w == full || (w.size() == 3 && full.compare(0, 3, w) == 0)) return true;
  }
  return false;
}

bool tokenize(std::u16string_view text, std::vector<token>& out) {
  size_t i = 0;
  while (i < text.size()) {
    const char16_t c = text[i];
    if (c > 0x7F) return false;
    const char a = static_cast<char>(c);
    if (a == ' ' || a == '\t') {
      ++i;
    } else if (std::isdigit(static_cast<unsigned char>(a))) {
      token t{token::number, "", 0};
      while (i < text.size() && text[i] >= u'0' && text[i] <= u'9') {
        t.text += static_cast<char>(text[i++]);
        if (t.text.size() > 9) return false;
      }
      t.value = std::stol(t.text);
      out.push_back(t);
    } else if (std::isalpha(static_cast<unsigned char>(a))) {
      token t{token::word, "", 0};
      while (i < text.size() && text[i] < 0x80 &&
             std::isalpha(static_cast<unsigned char>(text[i]))) {
        t.text += static_cast<char>(std::tolower(static_cast<unsigned char>(text[i++])));
        if (t.text.size() > 16) return false;
      }
      out.push_back(t);
    } else if (a == '/' || a == '-' || a == ',' || a == ':' || a == '.') {
      out.push_back({token::sep, std::string(1, a), 0});
      ++i;
    } else {
      return false;
    }
  }
  return true;
}

bool is_sep(const std::vector<token>& t, size_t i, char c) {
  return i < t.size() && t[i].kind == token::sep && t[i].text[0] == c;
}
bool is_num(const std::vector<token>& t, size_t i) {
  return i < t.size() && t[i].kind == token::number;
}
int ampm_of(const std::vector<token>& t, size_t i) {  // 1 AM, 2 PM, 0 none
  if (i >= t.size() || t[i].kind != token::word) return 0;
  const std::string& w = t[i].text;
  if (w == "am" || w == "a") return 1;
  if (w == "pm" || w == "p") return 2;
  return 0;
}

struct time_part {
  bool present = false;
  long hour = 0, minute = 0, second = 0;
  double fraction = 0;  // of a second
};

// Finds and removes the one time in the tokens: h:mm[:ss[.fff]] [AM|PM] or
// h AM|PM. False when the time is malformed or there are two.
bool take_time(std::vector<token>& t, time_part& tp) {
  for (size_t i = 0; i < t.size(); ++i) {
    if (!is_num(t, i)) continue;
    size_t j = i + 1;
    long h = t[i].value, m = 0, s = 0;
    double frac = 0;
    if (is_sep(t, j, ':')) {
      if (!is_num(t, j + 1)) return false;
      m = t[j + 1].value;
      j += 2;
      if (is_sep(t, j, ':')) {
        if (!is_num(t, j + 1)) return false;
        s = t[j + 1].value;
        j += 2;
        if (is_sep(t, j, '.') && is_num(t, j + 1)) {
          frac = std::stod("0." + t[j + 1].text);
          j += 2;
        }
      }
    } else if (ampm_of(t, j) == 0) {
      continue;  // a plain number of the date
    }
    if (tp.present) return false;
    const int ampm = ampm_of(t, j);
    if (ampm != 0) {
      if (h < 1 || h > 12) return false;
      if (ampm == 1 && h == 12) h = 0;
      if (ampm == 2 && h < 12) h += 12;
      ++j;
    }
    if (h > 23 || m > 59 || s > 59) return false;
    tp = {true, h, m, s, frac};
    t.erase(t.begin() + static_cast<long>(i), t.begin() + static_cast<long>(j));
    --i;
  }
  return true;
}

long expand_year(const token& t) {
  if (t.text.size() <= 2) return t.value < 30 ? 2000 + t.value : 1900 + t.value;
  return t.value;
}

bool year_like(const token& t) {
  return t.text.size() >= 3 || t.value > 31;
}

int current_year() {
  const std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  return tm.tm_year + 1900;
}

HRESULT parse_date_text(std::u16string_view text, DATE* out) {
  std::vector<token> t;
  if (!tokenize(text, t)) return DISP_E_TYPEMISMATCH;
  time_part tp;
  if (!take_time(t, tp)) return DISP_E_TYPEMISMATCH;
  std::vector<token> nums;
  int month_name = 0;
  for (const token& k : t) {
    if (k.kind == token::number) {
      nums.push_back(k);
    } else if (k.kind == token::word) {
      const int m = month_of(k.text);
      if (m != 0 && month_name == 0) {
        month_name = m;
      } else if (!is_weekday(k.text)) {
        return DISP_E_TYPEMISMATCH;
      }
    } else if (k.text[0] != '/' && k.text[0] != '-' && k.text[0] != ',') {
      return DISP_E_TYPEMISMATCH;  // "." and ":" left over
    }
  }
  long y = 0, m = 0, d = 0;
  if (nums.empty() && month_name == 0) {
    if (!tp.present) return DISP_E_TYPEMISMATCH;
    y = 1899, m = 12, d = 30;
  } else if (month_name != 0) {
    m = month_name;
    if (nums.size() == 2) {
      const bool first_is_year = year_like(nums[0]) && !year_like(nums[1]);
      d = nums[first_is_year ? 1 : 0].value;
      y = expand_year(nums[first_is_year ? 0 : 1]);
    } else if (nums.size() == 1) {
      if (year_like(nums[0])) {
        y = expand_year(nums[0]), d = 1;
      } else {
        y = current_year(), d = nums[0].value;
      }
    } else {
      return DISP_E_TYPEMISMATCH;
    }
  } else if (nums.size() == 3) {
    if (year_like(nums[0])) {
      y = expand_year(nums[0]), m = nums[1].value, d = nums[2].value;
    } else {
      m = nums[0].value, d = nums[1].value, y = expand_year(nums[2]);
      if (m > 12 && d <= 12) std::swap(m, d);
    }
  } else if (nums.size() == 2) {
    if (year_like(nums[1])) {
      m = nums[0].value, y = expand_year(nums[1]), d = 1;
    } else if (year_like(nums[0])) {
      y = expand_year(nums[0]), m = nums[1].value, d = 1;
    } else {
      m = nums[0].value, d = nums[1].value, y = current_year();
      if (m > 12 && d <= 12) std::swap(m, d);
    }
  } else {
    return DISP_E_TYPEMISMATCH;
  }
  if (m < 1 || m > 12 || d < 1 || d > tk_days_in_month(y, m)) return DISP_E_TYPEMISMATCH;
  if (y < 100 || y > 9999) return DISP_E_OVERFLOW;
  const int64_t day = tk_days_from_civil(y, m, d) - kEpoch;
  const double seconds = tp.hour * 3600.0 + tp.minute * 60.0 + tp.second + tp.fraction;
  *out = make_date(day, seconds);
  return S_OK;
}

}  // namespace

int SystemTimeToVariantTime(const SYSTEMTIME* st, double* out) {
  if (!st || !out) return 0;
  if (st->wHour > 23 || st->wMinute > 59 || st->wSecond > 59) return 0;
  const double seconds = st->wHour * 3600.0 + st->wMinute * 60.0 + st->wSecond;
  if (st->wYear == 0 && st->wMonth == 0 && st->wDay == 0) {
    *out = seconds / kSecondsPerDay;
    return 1;
  }
  if (st->wYear < 100 || st->wYear > 9999 || st->wMonth < 1 || st->wMonth > 12 || st->wDay < 1 ||
      st->wDay > tk_days_in_month(st->wYear, st->wMonth))
    return 0;
  *out = make_date(tk_days_from_civil(st->wYear, st->wMonth, st->wDay) - kEpoch, seconds);
  return 1;
}

int VariantTimeToSystemTime(double in, SYSTEMTIME* out) {
  if (!out || !(in >= kMinDate && in < kMaxDate)) return 0;
  const double whole = std::trunc(in);
  int64_t day = static_cast<int64_t>(whole);
  int64_t secs = std::llround(std::fabs(in - whole) * kSecondsPerDay);
  if (secs >= kSecondsPerDay) {  // rounded up to the next midnight
    secs -= kSecondsPerDay;
    ++day;
  }
  const int64_t civil = day + kEpoch;
  const tk_civil_date date = tk_civil_from_days(civil);
  if (date.year < 100 || date.year > 9999) return 0;
  out->wYear = static_cast<uint16_t>(date.year);
  out->wMonth = static_cast<uint16_t>(date.month);
  out->wDay = static_cast<uint16_t>(date.day);
  // 1970-01-01 was a Thursday.
  out->wDayOfWeek = static_cast<uint16_t>(((civil % 7) + 7 + 4) % 7);
  out->wHour = static_cast<uint16_t>(secs / 3600);
  out->wMinute = static_cast<uint16_t>(secs / 60 % 60);
  out->wSecond = static_cast<uint16_t>(secs % 60);
  out->wMilliseconds = 0;
  return 1;
}

HRESULT VarDateFromStr(LPCOLESTR text, LCID, uint32_t, DATE* out) {
  if (!text || !out) return E_INVALIDARG;
  size_t len = 0;
  while (text[len] != 0) ++len;
  return parse_date_text(std::u16string_view(text, len), out);
}

HRESULT VarBstrFromDate(DATE in, LCID, uint32_t, BSTR* out) {
  if (!out) return E_INVALIDARG;
  SYSTEMTIME st;
  if (!VariantTimeToSystemTime(in, &st)) return DISP_E_OVERFLOW;
  char date[32] = "";
  char time[32] = "";
  const bool has_date = !(st.wYear == 1899 && st.wMonth == 12 && st.wDay == 30);
  const bool has_time = st.wHour != 0 || st.wMinute != 0 || st.wSecond != 0;
  if (has_date) std::snprintf(date, sizeof date, "%u/%u/%u", st.wMonth, st.wDay, st.wYear);
  if (has_time || !has_date) {
    const unsigned h12 = st.wHour % 12 == 0 ? 12 : st.wHour % 12;
    std::snprintf(time, sizeof time, "%u:%02u:%02u %s", h12, st.wMinute, st.wSecond,
                  st.wHour < 12 ? "AM" : "PM");
  }
  std::string text = date;
  if (*date && *time) text += ' ';
  text += time;
  *out = oleauto_detail::bstr_from_ascii(text);
  return *out ? S_OK : E_OUTOFMEMORY;
}

LCID GetSystemDefaultLCID() {
  return LOCALE_EN_US;
}
LCID GetUserDefaultLCID() {
  return LOCALE_EN_US;
}
