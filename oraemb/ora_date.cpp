// Format-model parsing and printing of Oracle DATE values.
#include "oraemb/ora_date.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <tuple>
#include <vector>

#include "oraemb/ora_error.h"

namespace oraemb {
namespace {

const char* const kMonths[] = {"JANUARY",   "FEBRUARY", "MARCH",    "APRIL",
                               "MAY",       "JUNE",     "JULY",     "AUGUST",
                               "SEPTEMBER", "OCTOBER",  "NOVEMBER", "DECEMBER"};

enum class Elem {
  SYYYY,
  YYYY,
  YY,
  RRRR,
  RR,
  MM,
  MON,
  MONTH,
  DD,
  HH24,
  HH12,
  MI,
  SS,
  FF,
  X,
  AM,
  Punct,
  Literal
};

struct MaskItem {
  Elem elem;
  std::string text;  // for literals
  int digits = 0;    // FF1..FF9; 0 for FF
};

bool starts_with_ci(const std::string& s, size_t pos, const char* word) {
  for (size_t k = 0; word[k]; ++k) {
    if (pos + k >= s.size() || std::toupper(static_cast<unsigned char>(s[pos + k])) != word[k])
      return false;
  }
  return true;
}

std::vector<MaskItem> parse_mask(const std::string& mask) {
  std::vector<MaskItem> items;
  size_t pos = 0;
  static const std::pair<const char*, Elem> words[] = {
      {"SYYYY", Elem::SYYYY}, {"YYYY", Elem::YYYY},   {"RRRR", Elem::RRRR}, {"YY", Elem::YY},
      {"RR", Elem::RR},       {"MONTH", Elem::MONTH}, {"MON", Elem::MON},   {"MM", Elem::MM},
      {"MI", Elem::MI},       {"DD", Elem::DD},       {"HH24", Elem::HH24}, {"HH12", Elem::HH12},
      {"HH", Elem::HH12},     {"SS", Elem::SS},       {"AM", Elem::AM},     {"PM", Elem::AM},
      {"FX", Elem::Literal},  {"FM", Elem::Literal},  {"FF", Elem::FF},     {"X", Elem::X}};
  while (pos < mask.size()) {
    char c = mask[pos];
    if (c == '"') {
      size_t close = mask.find('"', pos + 1);
      if (close == std::string::npos) raise(1821);
      items.push_back({Elem::Literal, mask.substr(pos + 1, close - pos - 1)});
      pos = close + 1;
      continue;
    }
    if (!std::isalnum(static_cast<unsigned char>(c))) {
      items.push_back({Elem::Punct, std::string(1, c)});
      ++pos;
      continue;
    }
    bool matched = false;
    for (const auto& [word, elem] : words) {
      if (starts_with_ci(mask, pos, word)) {
        // FX and FM change how strictly text must match: read as always.
        if (std::string(word) != "FX" && std::string(word) != "FM") items.push_back({elem, word});
        pos += std::char_traits<char>::length(word);
        if (elem == Elem::FF && pos < mask.size() && mask[pos] >= '1' && mask[pos] <= '9')
          items.back().digits = mask[pos++] - '0';
        matched = true;
        break;
      }
    }
    if (!matched) raise(1821);
  }
  return items;
}

// Reads up to `width` digits (with an optional sign for years).
bool read_number(const std::string& s, size_t& pos, int width, int& value, bool sign = false) {
  bool neg = false;
  if (sign && pos < s.size() && (s[pos] == '-' || s[pos] == '+')) neg = s[pos++] == '-';
  size_t start = pos;
  value = 0;
  while (pos < s.size() && pos - start < static_cast<size_t>(width) &&
         std::isdigit(static_cast<unsigned char>(s[pos]))) {
    value = value * 10 + (s[pos++] - '0');
  }
  if (neg) value = -value;
  return pos > start;
}

}  // namespace

int days_in_month(int year, int month) {
  static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month == 2) {
    bool leap = year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
    // Oracle uses the Julian calendar before 1582-10-15; leap years then are
    // every 4th, counted without a year 0 (1 BC, 5 BC, ... are leap years).
    if (year < 1583) leap = (year < 0 ? year + 1 : year) % 4 == 0;
    return leap ? 29 : 28;
  }
  return days[month - 1];
}

namespace {

// Julian day number of 1970-01-01, and of 1582-10-15, the first day of the
// Gregorian calendar.
constexpr int64_t kJulianDay1970 = 2440588;
constexpr int64_t kFirstGregorianDay = 2299161;

}  // namespace

int64_t days_from_civil(int y, int m, int d) {
  const int64_t year = y < 0 ? y + 1 : y;  // 1 BC is year 0 of the count
  const int64_t a = (14 - m) / 12;
  const int64_t yy = year + 4800 - a;
  const int64_t mm = m + 12 * a - 3;
  const bool gregorian = y > 1582 || (y == 1582 && (m > 10 || (m == 10 && d >= 15)));
  int64_t day = d + (153 * mm + 2) / 5 + 365 * yy + yy / 4;
  day += gregorian ? -yy / 100 + yy / 400 - 32045 : -32083;
  return day - kJulianDay1970;
}

OraDate civil_from_seconds(int64_t seconds) {
  int64_t days = seconds >= 0 ? seconds / 86400 : -((-seconds + 86399) / 86400);
  int64_t rest = seconds - days * 86400;
  const int64_t day = days + kJulianDay1970;
  int64_t centuries = 0, c = day + 32082;
  if (day >= kFirstGregorianDay) {
    const int64_t a = day + 32044;
    centuries = (4 * a + 3) / 146097;
    c = a - 146097 * centuries / 4;
  }
  const int64_t years = (4 * c + 3) / 1461;
  const int64_t e = c - 1461 * years / 4;
  const int64_t m = (5 * e + 2) / 153;
  OraDate d;
  d.day = static_cast<int>(e - (153 * m + 2) / 5 + 1);
  d.month = static_cast<int>(m + 3 - 12 * (m / 10));
  d.year = static_cast<int>(100 * centuries + years - 4800 + m / 10);
  if (d.year <= 0) --d.year;  // no year 0: the year before 1 is 1 BC
  d.hour = static_cast<int>(rest / 3600);
  d.minute = static_cast<int>(rest / 60 % 60);
  d.second = static_cast<int>(rest % 60);
  return d;
}

int compare_dates(const OraDate& a, const OraDate& b) {
  const auto key = [](const OraDate& d) {
    return std::tie(d.year, d.month, d.day, d.hour, d.minute, d.second, d.nanos);
  };
  return key(a) < key(b) ? -1 : key(b) < key(a) ? 1 : 0;
}

std::string OraDate::to_storage() const {
  char text[kStorageTextMax];
  return std::string(text, write_storage(text));
}

size_t OraDate::write_storage(char* out) const {
  auto fixed = [](char* p, int value, int width) {
    for (int k = width; k-- > 0; value /= 10) p[k] = static_cast<char>('0' + value % 10);
  };
  const bool plain = year >= -9999 && year <= 9999 && month >= 0 && month <= 99 && day >= 0 &&
                     day <= 99 && hour >= 0 && hour <= 99 && minute >= 0 && minute <= 99 &&
                     second >= 0 && second <= 99 && nanos >= 0 && nanos <= 999999999;
  if (!plain) {
    // Fields out of their usual ranges: printf's widths, as the stored
    // text always had them.
    int n =
        std::snprintf(out, kStorageTextMax, "%s%04d-%02d-%02d %02d:%02d:%02d", year < 0 ? "-" : "",
                      year < 0 ? -year : year, month, day, hour, minute, second);
    n = std::min(n, static_cast<int>(kStorageTextMax) - 1);
    if (nanos != 0 && n < static_cast<int>(kStorageTextMax))
      n += std::snprintf(out + n, kStorageTextMax - size_t(n), ".%09d", nanos);
    return static_cast<size_t>(std::min(n, static_cast<int>(kStorageTextMax) - 1));
  }
  char* p = out;
  if (year < 0) *p++ = '-';
  fixed(p, year < 0 ? -year : year, 4);
  p[4] = '-';
  fixed(p + 5, month, 2);
  p[7] = '-';
  fixed(p + 8, day, 2);
  p[10] = ' ';
  fixed(p + 11, hour, 2);
  p[13] = ':';
  fixed(p + 14, minute, 2);
  p[16] = ':';
  fixed(p + 17, second, 2);
  p += 19;
  if (nanos != 0) {
    *p++ = '.';
    fixed(p, nanos, 9);
    p += 9;
  }
  return static_cast<size_t>(p - out);
}

OraDate OraDate::rounded(int digits) const {
  OraDate d = *this;
  int unit = 1;
  for (int k = digits; k < 9; ++k) unit *= 10;
  d.nanos = (nanos + unit / 2) / unit * unit;
  if (d.nanos < 1000000000) return d;
  d.nanos = 0;
  if (++d.second < 60) return d;
  d.second = 0;
  if (++d.minute < 60) return d;
  d.minute = 0;
  if (++d.hour < 24) return d;
  d.hour = 0;
  if (++d.day <= days_in_month(d.year, d.month)) return d;
  d.day = 1;
  if (++d.month <= 12) return d;
  d.month = 1;
  ++d.year;
  return d;
}

namespace {

// The fields of "Y...-MM-DD HH:MI:SS" (as to_storage writes them, without
// a sign) read without sscanf, which cost a tenth of a table's read; false
// for any other text, which sscanf then reads as before.
bool storage_fields(const char* s, OraDate& d, int& used) {
  const char* p = s;
  auto number = [&p](int& out, int max_digits) {
    int digits = 0;
    out = 0;
    while (*p >= '0' && *p <= '9' && digits < max_digits) {
      out = out * 10 + (*p++ - '0');
      ++digits;
    }
    return digits > 0;
  };
  auto next = [&p](char c) { return *p == c ? (++p, true) : false; };
  if (!(number(d.year, 9) && next('-') && number(d.month, 2) && next('-') && number(d.day, 2) &&
        next(' ') && number(d.hour, 2) && next(':') && number(d.minute, 2) && next(':') &&
        number(d.second, 2)))
    return false;
  if (*p >= '0' && *p <= '9') return false;  // a field longer than its form
  used = static_cast<int>(p - s);
  return true;
}

}  // namespace

std::optional<OraDate> OraDate::from_storage(const std::string& text) {
  OraDate d;
  const char* s = text.c_str();
  bool neg = *s == '-';
  if (neg) ++s;
  int used = 0;
  if (!storage_fields(s, d, used)) {
    d = OraDate();
    if (std::sscanf(s, "%d-%d-%d %d:%d:%d%n", &d.year, &d.month, &d.day, &d.hour, &d.minute,
                    &d.second, &used) != 6)
      return std::nullopt;
  }
  if (s[used] == '.') std::sscanf(s + used + 1, "%9d", &d.nanos);
  if (neg) d.year = -d.year;
  return d;
}

void OraDate::to_oci(unsigned char out[7]) const {
  int century = year >= 0 ? year / 100 : -((-year) / 100);
  int in_century = year >= 0 ? year % 100 : -((-year) % 100);
  out[0] = static_cast<unsigned char>(century + 100);
  out[1] = static_cast<unsigned char>(in_century + 100);
  out[2] = static_cast<unsigned char>(month);
  out[3] = static_cast<unsigned char>(day);
  out[4] = static_cast<unsigned char>(hour + 1);
  out[5] = static_cast<unsigned char>(minute + 1);
  out[6] = static_cast<unsigned char>(second + 1);
}

OraDate OraDate::from_oci(const unsigned char in[7]) {
  OraDate d;
  d.year = (in[0] - 100) * 100 + (in[1] - 100);
  d.month = in[2];
  d.day = in[3];
  d.hour = in[4] - 1;
  d.minute = in[5] - 1;
  d.second = in[6] - 1;
  return d;
}

namespace {

// TO_DATE's reading of one input text: the position in it, the value so far
// and the AM/PM state, with one method per family of format elements.
struct DateReader {
  DateReader(const std::string& input, int year) : text(input), this_year(year) {}

  const std::string& text;
  int this_year;
  size_t pos = 0;
  OraDate d;
  bool pm = false, have_ampm = false, hour12 = false;

  void skip_punct() {
    while (pos < text.size() && !std::isalnum(static_cast<unsigned char>(text[pos]))) ++pos;
  }

  // Whether text[at] is a sign directly before a digit.
  bool sign_at(size_t at) const {
    return at + 1 < text.size() && (text[at] == '-' || text[at] == '+') &&
           std::isdigit(static_cast<unsigned char>(text[at + 1]));
  }

  // Skips the punctuation before a year element; `run_start` is where the
  // punctuation began. A sign that ends the run and is not the one separator
  // between two fields belongs to the year: SYYYY reads it, and under the
  // other year elements a minus sign is refused rather than read as a
  // separator, which would turn a year before the common era into one after.
  void punct_before_year(Elem elem, size_t run_start) {
    skip_punct();
    const bool signed_year =
        pos > run_start && sign_at(pos - 1) && (run_start == 0 || pos - run_start >= 2);
    if (!signed_year) return;
    if (elem == Elem::SYYYY)
      --pos;
    else if (text[pos - 1] == '-')
      raise(1841);
  }

  // A two-digit RR / RRRR year: the century that puts it within 50 years of
  // this year.
  int nearest_century(int value) const {
    int year = (this_year / 100) * 100 + value;
    if (this_year % 100 < 50 && value >= 50) year -= 100;
    if (this_year % 100 >= 50 && value < 50) year += 100;
    return year;
  }

  // SYYYY, YYYY, RRRR, YY, RR. Only SYYYY takes a sign: a minus sign for
  // a year before the common era.
  void year(const MaskItem& item) {
    int value = 0;
    switch (item.elem) {
      case Elem::SYYYY:
        if (!read_number(text, pos, 4, value, true)) raise(1858);
        if (value == 0 || value < -4712 || value > 9999) raise(1841);
        d.year = value;
        break;
      case Elem::YYYY:
      case Elem::RRRR:
        if (!read_number(text, pos, 4, value)) raise(1858);
        if (value == 0) raise(1841);
        d.year = value;
        if (item.elem == Elem::RRRR && value < 100) d.year = nearest_century(value);
        break;
      case Elem::YY:
        if (!read_number(text, pos, 2, value)) raise(1858);
        d.year = (this_year / 100) * 100 + value;
        break;
      default: {  // RR
        size_t start = pos;
        if (!read_number(text, pos, 4, value)) raise(1858);
        d.year = pos - start <= 2 ? nearest_century(value) : value;
        break;
      }
    }
  }

  // MM, MON, MONTH.
  void month(const MaskItem& item) {
    if (item.elem == Elem::MM) {
      int value = 0;
      if (!read_number(text, pos, 2, value)) raise(1858);
      if (value < 1 || value > 12) raise(1843);
      d.month = value;
      return;
    }
    int found = 0;
    for (int m = 0; m < 12 && !found; ++m) {
      if (starts_with_ci(text, pos, kMonths[m])) {
        found = m + 1;
        pos += std::char_traits<char>::length(kMonths[m]);
      } else if (starts_with_ci(text, pos, std::string(kMonths[m], 3).c_str())) {
        found = m + 1;
        pos += 3;
      }
    }
    if (!found) raise(1843);
    d.month = found;
  }

  // DD, HH24, HH12, MI, SS: two digits each, with their own range error.
  void two_digits(const MaskItem& item) {
    int value = 0;
    if (!read_number(text, pos, 2, value)) raise(1858);
    switch (item.elem) {
      case Elem::DD:
        if (value < 1 || value > 31) raise(1847);
        d.day = value;
        break;
      case Elem::HH24:
        if (value > 23) raise(1850);
        d.hour = value;
        break;
      case Elem::HH12:
        if (value < 1 || value > 12) raise(1849);
        d.hour = value % 12;
        hour12 = true;
        break;
      case Elem::MI:
        if (value > 59) raise(1851);
        d.minute = value;
        break;
      default:  // SS
        if (value > 59) raise(1852);
        d.second = value;
        break;
    }
  }

  // FF, FF1..FF9: up to the element's digits (9 for FF); more digits are an
  // error.
  void fraction(const MaskItem& item) {
    const int width = item.digits ? item.digits : 9;
    size_t start = pos;
    int nanos = 0;
    while (pos < text.size() && std::isdigit(static_cast<unsigned char>(text[pos]))) {
      if (int(pos - start) >= width) raise(1880);
      nanos = nanos * 10 + (text[pos++] - '0');
    }
    if (pos == start) raise(1858);
    for (size_t k = pos - start; k < 9; ++k) nanos *= 10;
    d.nanos = nanos;
  }

  // AM / PM, with or without the dots.
  void meridian() {
    if (starts_with_ci(text, pos, "PM") || starts_with_ci(text, pos, "P.M.")) {
      pm = true;
    } else if (!starts_with_ci(text, pos, "AM") && !starts_with_ci(text, pos, "A.M.")) {
      raise(1861);
    }
    pos += text[pos + 1] == '.' ? 4 : 2;
    have_ampm = true;
  }
};

// Trailing time fields may be absent (they stay 00:00:00); a missing date
// field means the input is too short.
void check_missing_fields(const std::vector<MaskItem>& items, size_t from) {
  for (size_t rest = from; rest < items.size(); ++rest) {
    Elem e = items[rest].elem;
    if (e != Elem::HH24 && e != Elem::HH12 && e != Elem::MI && e != Elem::SS && e != Elem::AM &&
        e != Elem::FF && e != Elem::X && e != Elem::Punct && e != Elem::Literal)
      raise(1840);
  }
}

}  // namespace

OraDate to_date(const std::string& text, const std::string& mask, std::time_t now) {
  std::tm local{};
  localtime_r(&now, &local);
  DateReader r(text, local.tm_year + 1900);
  // Missing date fields come from the first day of the current month.
  r.d.year = local.tm_year + 1900;
  r.d.month = local.tm_mon + 1;
  r.d.day = 1;
  auto items = parse_mask(mask);
  size_t run_start = 0;  // where the punctuation before the next element began
  for (size_t k = 0; k < items.size(); ++k) {
    const auto& item = items[k];
    if (item.elem == Elem::Punct || item.elem == Elem::Literal) {
      // Any run of non-alphanumerics in the input matches mask punctuation.
      if (item.elem == Elem::Literal && text.compare(r.pos, item.text.size(), item.text) == 0)
        r.pos += item.text.size();
      else
        r.skip_punct();
      continue;
    }
    const bool year = item.elem == Elem::SYYYY || item.elem == Elem::YYYY ||
                      item.elem == Elem::RRRR || item.elem == Elem::YY || item.elem == Elem::RR;
    if (year)
      r.punct_before_year(item.elem, run_start);
    else
      r.skip_punct();
    if (r.pos >= text.size()) {
      check_missing_fields(items, k);
      break;
    }
    switch (item.elem) {
      case Elem::SYYYY:
      case Elem::YYYY:
      case Elem::RRRR:
      case Elem::YY:
      case Elem::RR:
        r.year(item);
        break;
      case Elem::MM:
      case Elem::MON:
      case Elem::MONTH:
        r.month(item);
        break;
      case Elem::DD:
      case Elem::HH24:
      case Elem::HH12:
      case Elem::MI:
      case Elem::SS:
        r.two_digits(item);
        break;
      case Elem::FF:
        r.fraction(item);
        break;
      case Elem::AM:
        r.meridian();
        break;
      default:
        break;
    }
    run_start = r.pos;
  }
  r.skip_punct();
  while (r.pos < text.size() && text[r.pos] == ' ') ++r.pos;
  if (r.pos < text.size()) raise(1830);
  OraDate d = r.d;
  if (r.have_ampm && r.hour12 && r.pm) d.hour += 12;
  if (d.day > days_in_month(d.year, d.month)) raise(1839);
  // The days the calendar change left out read as its first Gregorian
  // day, at the time given.
  if (d.year == 1582 && d.month == 10 && d.day > 4 && d.day < 15) d.day = 15;
  return d;
}

std::string date_to_char(const OraDate& d, const std::string& mask) {
  std::string out;
  for (const auto& item : parse_mask(mask)) {
    char buf[32];
    switch (item.elem) {
      case Elem::SYYYY:  // a minus sign before the common era, a blank after
        std::snprintf(buf, sizeof buf, "%c%04d", d.year < 0 ? '-' : ' ',
                      d.year < 0 ? -d.year : d.year);
        out += buf;
        break;
      case Elem::YYYY:
      case Elem::RRRR:
        std::snprintf(buf, sizeof buf, "%04d", d.year);
        out += buf;
        break;
      case Elem::YY:
      case Elem::RR:
        std::snprintf(buf, sizeof buf, "%02d", ((d.year % 100) + 100) % 100);
        out += buf;
        break;
      case Elem::MM:
        std::snprintf(buf, sizeof buf, "%02d", d.month);
        out += buf;
        break;
      case Elem::MON:
        out += std::string(kMonths[d.month - 1], 3);
        break;
      case Elem::MONTH: {
        std::string name = kMonths[d.month - 1];
        name.resize(9, ' ');
        out += name;
        break;
      }
      case Elem::DD:
        std::snprintf(buf, sizeof buf, "%02d", d.day);
        out += buf;
        break;
      case Elem::HH24:
        std::snprintf(buf, sizeof buf, "%02d", d.hour);
        out += buf;
        break;
      case Elem::HH12:
        std::snprintf(buf, sizeof buf, "%02d", d.hour % 12 == 0 ? 12 : d.hour % 12);
        out += buf;
        break;
      case Elem::MI:
        std::snprintf(buf, sizeof buf, "%02d", d.minute);
        out += buf;
        break;
      case Elem::SS:
        std::snprintf(buf, sizeof buf, "%02d", d.second);
        out += buf;
        break;
      case Elem::FF: {
        const int digits = item.digits ? item.digits : (d.precision >= 0 ? d.precision : 9);
        std::snprintf(buf, sizeof buf, "%09d", d.nanos);
        out.append(buf, size_t(digits));
        break;
      }
      case Elem::X:
        out += '.';
        break;
      case Elem::AM:
        out += d.hour < 12 ? "AM" : "PM";
        break;
      case Elem::Punct:
      case Elem::Literal:
        out += item.text;
        break;
    }
  }
  return out;
}

}  // namespace oraemb
