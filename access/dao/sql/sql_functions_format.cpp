// Format of translated Access SQL: the named formats and the user-defined
// date and number formats, in the en-US locale.
#include <cctype>
#include <cmath>
#include <cstdio>
#include <iterator>
#include <string>
#include <vector>

#include "OLE/automation/oleauto.h"
#include "access/dao/sql/sql_functions_values.h"
#include "access/dao/sql/sql_types.h"

namespace sql_fn {
namespace {

const char* const kMonths[] = {"January",   "February", "March",    "April",
                               "May",       "June",     "July",     "August",
                               "September", "October",  "November", "December"};
const char* const kDays[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                             "Thursday", "Friday", "Saturday"};

std::string two(int v) {
  char b[8];
  std::snprintf(b, sizeof b, "%02d", v);
  return b;
}

std::string format_date(double d, const std::string& f, int first = 1, int rule = 1) {
  SYSTEMTIME st;
  if (!split_date(d, st)) return {};
  const int h12 = st.wHour % 12 == 0 ? 12 : st.wHour % 12;
  bool twelve = false;
  for (size_t i = 0; i + 1 < f.size(); ++i)
    if ((f[i] == 'A' || f[i] == 'a') && (f[i + 1] == 'M' || f[i + 1] == 'm' || f[i + 1] == '/'))
      twelve = true;
  std::string out;
  bool after_hour = false;
  for (size_t i = 0; i < f.size();) {
    auto run = [&](char c) {
      size_t n = 0;
      while (i + n < f.size() && std::tolower(static_cast<unsigned char>(f[i + n])) == c) ++n;
      return n;
    };
    const char c = char(std::tolower(static_cast<unsigned char>(f[i])));
    if (f[i] == '"') {
      const size_t close = f.find('"', i + 1);
      const size_t end = close == std::string::npos ? f.size() : close;
      out += f.substr(i + 1, end - i - 1);
      i = end + 1;
      continue;
    }
    if (f[i] == '\\' && i + 1 < f.size()) {
      out += f[i + 1];
      i += 2;
      continue;
    }
    if (f.compare(i, 5, "AM/PM") == 0 || f.compare(i, 5, "am/pm") == 0) {
      const bool upper = f[i] == 'A';
      out += st.wHour < 12 ? (upper ? "AM" : "am") : (upper ? "PM" : "pm");
      i += 5;
      continue;
    }
    if (f.compare(i, 3, "A/P") == 0 || f.compare(i, 3, "a/p") == 0) {
      out += st.wHour < 12 ? (f[i] == 'A' ? "A" : "a") : (f[i] == 'A' ? "P" : "p");
      i += 3;
      continue;
    }
    size_t n = run(c);
    switch (c) {
      case 'y':  // y: day of the year, yy: year in the century, yyyy: year
        if (n == 1)
          out += std::to_string(day_of_year(d));
        else
          out += n >= 3 ? std::to_string(st.wYear) : two(st.wYear % 100);
        break;
      case 'q':
        out += std::to_string((st.wMonth - 1) / 3 + 1);
        n = 1;
        break;
      case 'm':
        if (after_hour && n <= 2)
          out += n == 2 ? two(st.wMinute) : std::to_string(st.wMinute);
        else if (n >= 4)
          out += kMonths[st.wMonth - 1];
        else if (n == 3)
          out += std::string(kMonths[st.wMonth - 1]).substr(0, 3);
        else
          out += n == 2 ? two(st.wMonth) : std::to_string(st.wMonth);
        break;
      case 'd':
        if (n >= 6)
          out += format_date(d, "dddd, mmmm d, yyyy");
        else if (n == 5)
          out += format_date(d, "m/d/yyyy");
        else if (n >= 4)
          out += kDays[st.wDayOfWeek];
        else if (n == 3)
          out += std::string(kDays[st.wDayOfWeek]).substr(0, 3);
        else
          out += n == 2 ? two(st.wDay) : std::to_string(st.wDay);
        break;
      case 'w':  // w: day of the week, ww: week of the year
        if (n >= 2) {
          out += std::to_string(week_of_year(d, first, rule));
          n = 2;
        } else {
          out += std::to_string((st.wDayOfWeek + 1 - first + 7) % 7 + 1);
        }
        break;
      case 'h': {
        const int h = twelve ? h12 : st.wHour;
        out += n >= 2 ? two(h) : std::to_string(h);
        after_hour = true;
        i += n;
        continue;
      }
      case 'n':
        out += n >= 2 ? two(st.wMinute) : std::to_string(st.wMinute);
        break;
      case 's':
        out += n >= 2 ? two(st.wSecond) : std::to_string(st.wSecond);
        break;
      default:
        out += f[i];
        n = 1;
    }
    if (c != 'm' && c != ' ' && c != ':') after_hour = false;  // "m" right after hours is minutes
    i += n;
  }
  return out;
}

std::string group_thousands(const std::string& digits) {
  std::string out;
  const size_t n = digits.size();
  for (size_t i = 0; i < n; ++i) {
    out += digits[i];
    if ((n - i - 1) % 3 == 0 && i + 1 < n) out += ',';
  }
  return out;
}

// Fixed-point text of |x| with `decimals` places, rounded half away from zero.
std::string fixed(double x, int decimals) {
  char buf[400];
  const double scale = std::pow(10.0, decimals);
  const double r = std::floor(std::fabs(x) * scale + 0.5 + 1e-9) / scale;
  std::snprintf(buf, sizeof buf, "%.*f", decimals, r);
  return buf;
}

std::string format_number(double x, const std::string& f) {
  // Sections: positive;negative;zero.
  std::vector<std::string> sections;
  size_t start = 0;
  for (size_t i = 0; i <= f.size(); ++i)
    if (i == f.size() || f[i] == ';') {
      sections.push_back(f.substr(start, i - start));
      start = i + 1;
    }
  std::string fmt = sections[0];
  bool negative_section = false;
  if (x < 0 && sections.size() > 1 && !sections[1].empty()) {
    fmt = sections[1];
    negative_section = true;
  }
  if (x == 0 && sections.size() > 2 && !sections[2].empty()) fmt = sections[2];
  size_t first = fmt.find_first_of("0#"), last = fmt.find_last_of("0#");
  if (first == std::string::npos) return fmt;
  const size_t point = fmt.find('.', first);
  const std::string body = fmt.substr(first, last - first + 1);
  const bool percent = fmt.find('%') != std::string::npos;
  const bool grouping = body.find(',') != std::string::npos;
  int decimals = 0, optional = 0, min_int = 0;
  if (point != std::string::npos && point < last + 1) {
    for (size_t i = point + 1; i <= last; ++i) {
      if (fmt[i] == '0') ++decimals;
      if (fmt[i] == '#') ++optional;
    }
  }
  for (size_t i = first; i < (point == std::string::npos ? last + 1 : point); ++i)
    if (fmt[i] == '0') ++min_int;
  double v = percent ? x * 100 : x;
  std::string digits = fixed(v, decimals + optional);
  std::string int_part = digits.substr(0, digits.find('.'));
  std::string frac =
      digits.find('.') == std::string::npos ? "" : digits.substr(digits.find('.') + 1);
  while (int(frac.size()) > decimals && frac.back() == '0') frac.pop_back();
  if (int_part == "0" && min_int == 0) int_part.clear();
  while (int(int_part.size()) < min_int) int_part.insert(int_part.begin(), '0');
  if (grouping) int_part = group_thousands(int_part);
  std::string number = int_part;
  if (point != std::string::npos && point < last + 1) number += "." + frac;
  const bool minus = x < 0 && !negative_section && std::stod(fixed(v, decimals + optional)) != 0;
  return fmt.substr(0, first) + (minus ? "-" : "") + number + fmt.substr(last + 1);
}

void fn_format(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
  // The first day of the week (0 the system's: Sunday) and the first week of
  // the year (0..3), when given.
  int first = 1, rule = 1;
  if (argc > 3) {
    const int64_t day = sqlite3_value_int64(argv[3]), week = sqlite3_value_int64(argv[4]);
    if (day < 0 || day > 7 || week < 0 || week > 3)
      return sqlite3_result_error(ctx, kInvalidCall, -1);
    first = day == 0 ? 1 : int(day);
    rule = week == 0 ? 1 : int(week);
  }
  const int16_t type = int16_t(sqlite3_value_int(argv[1]));
  std::string f = text8(argv[2]);
  number n = decode(argv[0], type);
  const sql_rep rep = sql_rep_of(type);
  std::string lower;
  for (char c : f) lower += char(std::tolower(static_cast<unsigned char>(c)));
  auto as_text = [&]() -> std::string {
    switch (n.kind) {
      case number::integer:
        return type == SQL_BOOLEAN ? (n.i ? "True" : "False") : std::to_string(n.i);
      case number::currency:
        return cy_text(n.i);
      case number::decimal:
        return sql_dec_format(sql_dec_normalized(n.d));
      case number::real:
        return rep == sql_rep::date ? date_text(n.r) : double_text(n.r, type == SQL_SINGLE);
      default:
        return n.s;
    }
  };
  if (f.empty()) return result8(ctx, as_text());
  double x = 0;
  bool is_number = true;
  if (n.kind == number::text) {
    double d;
    number t;
    if (text_number(n.s, t))
      x = as_double(t);
    else if (text_date(n.s, d))
      x = d;
    else
      is_number = false;
  } else if (n.kind == number::blob) {
    return sqlite3_result_error(ctx, kMismatch, -1);
  } else {
    x = as_double(n);
  }
  if (!is_number) return result8(ctx, n.s);
  if (lower == "general date") return result8(ctx, date_text(x));
  if (lower == "long date") return result8(ctx, format_date(x, "dddd, mmmm d, yyyy"));
  if (lower == "medium date") return result8(ctx, format_date(x, "dd-mmm-yy"));
  if (lower == "short date") return result8(ctx, format_date(x, "m/d/yyyy"));
  if (lower == "long time") return result8(ctx, format_date(x, "h:nn:ss AM/PM"));
  if (lower == "medium time") return result8(ctx, format_date(x, "hh:nn AM/PM"));
  if (lower == "short time") return result8(ctx, format_date(x, "hh:nn"));
  if (lower == "general number") return result8(ctx, double_text(x, false));
  if (lower == "currency") {
    const std::string s = "$" + format_number(std::fabs(x), "#,##0.00");
    return result8(ctx, x < 0 ? "(" + s + ")" : s);
  }
  if (lower == "fixed") return result8(ctx, format_number(x, "0.00"));
  if (lower == "standard") return result8(ctx, format_number(x, "#,##0.00"));
  if (lower == "percent") return result8(ctx, format_number(x, "0.00%"));
  if (lower == "yes/no") return result8(ctx, x != 0 ? "Yes" : "No");
  if (lower == "true/false") return result8(ctx, x != 0 ? "True" : "False");
  if (lower == "on/off") return result8(ctx, x != 0 ? "On" : "Off");
  if (lower == "scientific") {
    char buf[48];
    std::snprintf(buf, sizeof buf, "%.2E", x);
    return result8(ctx, buf);
  }
  if (f.find_first_of("0#") != std::string::npos) return result8(ctx, format_number(x, f));
  return result8(ctx, format_date(x, f, first, rule));
}

const function_entry kEntries[] = {
    {"acc_format", 3, fn_format, true},
    {"acc_format", 5, fn_format, true},
};

}  // namespace

table<function_entry> format_functions() {
  return {std::begin(kEntries), std::end(kEntries)};
}

}  // namespace sql_fn
