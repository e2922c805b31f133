// Date functions: TO_CHAR with the whole date format model, TRUNC and ROUND
// to a unit, ADD_MONTHS, MONTHS_BETWEEN, LAST_DAY and EXTRACT. Weeks follow
// the AMERICA territory (D counts from Sunday; DAY truncates to Sunday) and
// ISO 8601 where the model says so (IW, IYYY).
#include <cctype>
#include <cstdio>

#include "oraemb/functions.h"
#include "oraemb/ora_error.h"
#include "oraemb/value_ops.h"

namespace oraemb {
namespace {

const char* const kMonthNames[] = {"JANUARY",   "FEBRUARY", "MARCH",    "APRIL",
                                   "MAY",       "JUNE",     "JULY",     "AUGUST",
                                   "SEPTEMBER", "OCTOBER",  "NOVEMBER", "DECEMBER"};
const char* const kDayNames[] = {"SUNDAY",   "MONDAY", "TUESDAY", "WEDNESDAY",
                                 "THURSDAY", "FRIDAY", "SATURDAY"};
const char* const kRoman[] = {"I",   "II",   "III", "IV", "V",  "VI",
                              "VII", "VIII", "IX",  "X",  "XI", "XII"};

int64_t day_number(const OraDate& d) {
  return days_from_civil(d.year, d.month, d.day);
}

OraDate from_day_number(int64_t days) {
  return civil_from_seconds(days * 86400);
}

// 0 for Sunday (1970-01-01 was a Thursday).
int weekday(int64_t days) {
  return static_cast<int>(((days + 4) % 7 + 7) % 7);
}

// The Monday that starts ISO year `year` (the week holding 4 January).
int64_t iso_year_start(int year) {
  int64_t jan4 = days_from_civil(year, 1, 4);
  return jan4 - (weekday(jan4) + 6) % 7;
}

// ISO year and week of a day.
void iso_week(const OraDate& d, int& year, int& week) {
  int64_t days = day_number(d);
  year = d.year;
  if (days < iso_year_start(year))
    --year;
  else if (days >= iso_year_start(year + 1))
    ++year;
  week = static_cast<int>((days - iso_year_start(year)) / 7) + 1;
}

bool starts_ci(const std::string& s, size_t pos, const char* word) {
  for (size_t k = 0; word[k]; ++k)
    if (pos + k >= s.size() || std::toupper(static_cast<unsigned char>(s[pos + k])) != word[k])
      return false;
  return true;
}

// A name in the case the mask writes its element: "MON" AUG, "Mon" Aug,
// "mon" aug.
std::string in_mask_case(std::string name, const std::string& mask, size_t at) {
  const bool first_upper = std::isupper(static_cast<unsigned char>(mask[at])) != 0;
  const bool second_upper =
      at + 1 < mask.size() && std::isupper(static_cast<unsigned char>(mask[at + 1])) != 0;
  for (size_t k = 0; k < name.size(); ++k) {
    const bool up = first_upper && (k == 0 || second_upper);
    name[k] = static_cast<char>(up ? std::toupper(static_cast<unsigned char>(name[k]))
                                   : std::tolower(static_cast<unsigned char>(name[k])));
  }
  return name;
}

std::string ordinal_suffix(int64_t n) {
  const int64_t tens = n % 100, ones = n % 10;
  if (tens >= 11 && tens <= 13) return "TH";
  return ones == 1 ? "ST" : ones == 2 ? "ND" : ones == 3 ? "RD" : "TH";
}

// The unit a TRUNC / ROUND format model names.
enum class Unit {
  Century,
  Year,
  IsoYear,
  Quarter,
  Month,
  Week,
  IsoWeek,
  MonthWeek,
  Day,
  WeekDay,
  Hour,
  Minute
};

Unit unit_of(const std::string& model) {
  std::string m;
  for (char c : model) m += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  static const std::pair<const char*, Unit> units[] = {
      {"CC", Unit::Century},   {"SCC", Unit::Century}, {"SYYYY", Unit::Year},
      {"YYYY", Unit::Year},    {"YEAR", Unit::Year},   {"SYEAR", Unit::Year},
      {"YYY", Unit::Year},     {"YY", Unit::Year},     {"Y", Unit::Year},
      {"IYYY", Unit::IsoYear}, {"IYY", Unit::IsoYear}, {"IY", Unit::IsoYear},
      {"I", Unit::IsoYear},    {"Q", Unit::Quarter},   {"MONTH", Unit::Month},
      {"MON", Unit::Month},    {"MM", Unit::Month},    {"RM", Unit::Month},
      {"WW", Unit::Week},      {"IW", Unit::IsoWeek},  {"W", Unit::MonthWeek},
      {"DDD", Unit::Day},      {"DD", Unit::Day},      {"J", Unit::Day},
      {"DAY", Unit::WeekDay},  {"DY", Unit::WeekDay},  {"D", Unit::WeekDay},
      {"HH", Unit::Hour},      {"HH12", Unit::Hour},   {"HH24", Unit::Hour},
      {"MI", Unit::Minute}};
  for (const auto& [name, unit] : units)
    if (m == name) return unit;
  throw ora_error(1898, "too many precision specifiers");
}

OraDate midnight(OraDate d) {
  d.hour = d.minute = d.second = d.nanos = 0;
  d.precision = -1;
  return d;
}

}  // namespace

std::string format_date(const OraDate& d, const std::string& mask) {
  std::string out;
  bool fm = false;
  // A number, zero-padded to `width` unless FM is on.
  auto number = [&](int64_t v, int width) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%0*lld", fm ? 1 : width, static_cast<long long>(v));
    return std::string(buf);
  };
  auto name = [&](const char* full, size_t width, size_t at) {
    std::string n = in_mask_case(full, mask, at);
    if (!fm && n.size() < width) n.resize(width, ' ');
    return n;
  };
  const int year_abs = d.year < 0 ? -d.year : d.year;
  const int64_t days = day_number(d);
  const int ddd = static_cast<int>(days - days_from_civil(d.year, 1, 1)) + 1;
  size_t pos = 0;
  while (pos < mask.size()) {
    const char c = mask[pos];
    if (c == '"') {
      size_t close = mask.find('"', pos + 1);
      if (close == std::string::npos) raise(1821);
      out += mask.substr(pos + 1, close - pos - 1);
      pos = close + 1;
      continue;
    }
    if (!std::isalnum(static_cast<unsigned char>(c))) {
      out += c;
      ++pos;
      continue;
    }
    const size_t at = pos;
    int64_t numeric = -1;  // the value of a numeric element, for TH
    auto take = [&](const char* word) {
      if (!starts_ci(mask, pos, word)) return false;
      pos += std::char_traits<char>::length(word);
      return true;
    };
    auto emit = [&](int64_t v, int width) {
      numeric = v;
      out += number(v, width);
    };
    if (take("FM")) {
      fm = !fm;
    } else if (take("FX")) {
    } else if (take("A.D.") || take("B.C.")) {
      out += in_mask_case(d.year > 0 ? "A.D." : "B.C.", mask, at);
    } else if (take("A.M.") || take("P.M.")) {
      out += in_mask_case(d.hour < 12 ? "A.M." : "P.M.", mask, at);
    } else if (take("AD") || take("BC")) {
      out += in_mask_case(d.year > 0 ? "AD" : "BC", mask, at);
    } else if (take("AM") || take("PM")) {
      out += in_mask_case(d.hour < 12 ? "AM" : "PM", mask, at);
    } else if (take("SCC") || take("CC")) {
      emit((year_abs + 99) / 100, 2);
    } else if (take("DAY")) {
      out += name(kDayNames[weekday(days)], 9, at);
    } else if (take("DDD")) {
      emit(ddd, 3);
    } else if (take("DD")) {
      emit(d.day, 2);
    } else if (take("DY")) {
      out += name(std::string(kDayNames[weekday(days)], 3).c_str(), 3, at);
    } else if (take("D")) {
      emit(weekday(days) + 1, 1);
    } else if (starts_ci(mask, pos, "FF")) {
      pos += 2;
      int digits = d.precision >= 0 ? d.precision : 9;
      if (pos < mask.size() && mask[pos] >= '1' && mask[pos] <= '9') digits = mask[pos++] - '0';
      char buf[16];
      std::snprintf(buf, sizeof buf, "%09d", d.nanos);
      out.append(buf, static_cast<size_t>(digits));
    } else if (take("HH24")) {
      emit(d.hour, 2);
    } else if (take("HH12") || take("HH")) {
      emit(d.hour % 12 == 0 ? 12 : d.hour % 12, 2);
    } else if (take("IW")) {
      int y = 0, w = 0;
      iso_week(d, y, w);
      emit(w, 2);
    } else if (take("IYYY") || take("IYY") || take("IY") || take("I")) {
      int y = 0, w = 0;
      iso_week(d, y, w);
      const size_t width = pos - at;
      int64_t modulus = width == 4 ? 1000000 : width == 3 ? 1000 : width == 2 ? 100 : 10;
      emit(y % modulus, static_cast<int>(width));
    } else if (take("J")) {
      emit(days + 2440588, 7);
    } else if (take("MI")) {
      emit(d.minute, 2);
    } else if (take("MM")) {
      emit(d.month, 2);
    } else if (take("MONTH")) {
      out += name(kMonthNames[d.month - 1], 9, at);
    } else if (take("MON")) {
      out += name(std::string(kMonthNames[d.month - 1], 3).c_str(), 3, at);
    } else if (take("Q")) {
      emit((d.month - 1) / 3 + 1, 1);
    } else if (take("RM")) {
      out += name(kRoman[d.month - 1], 4, at);
    } else if (take("RRRR") || take("SYYYY") || take("YYYY")) {
      if (mask[at] == 'S' || mask[at] == 's') out += d.year < 0 ? "-" : (fm ? "" : " ");
      emit(year_abs, 4);
    } else if (take("RR")) {
      emit(year_abs % 100, 2);
    } else if (take("SSSSS")) {
      emit(d.hour * 3600 + d.minute * 60 + d.second, 5);
    } else if (take("SS")) {
      emit(d.second, 2);
    } else if (take("WW")) {
      emit((ddd - 1) / 7 + 1, 2);
    } else if (take("W")) {
      emit((d.day - 1) / 7 + 1, 1);
    } else if (take("X")) {
      out += '.';
    } else if (take("Y,YYY")) {
      numeric = year_abs;
      out += number(year_abs / 1000, 1) + "," + number(year_abs % 1000, 3);
    } else if (take("YYY")) {
      emit(year_abs % 1000, 3);
    } else if (take("YY")) {
      emit(year_abs % 100, 2);
    } else if (take("Y")) {
      emit(year_abs % 10, 1);
    } else {
      raise(1821);
    }
    // TH after a number: its ordinal suffix, in the case of the mask.
    if (numeric >= 0 && starts_ci(mask, pos, "TH")) {
      out += in_mask_case(ordinal_suffix(numeric), mask, pos);
      pos += 2;
    }
  }
  return out;
}

OraDate trunc_date(const OraDate& d, const std::string& model) {
  OraDate out = midnight(d);
  switch (unit_of(model)) {
    case Unit::Century: {
      int y = d.year > 0 ? (d.year - 1) / 100 * 100 + 1 : d.year;
      return midnight(OraDate{y, 1, 1});
    }
    case Unit::Year:
      return midnight(OraDate{d.year, 1, 1});
    case Unit::IsoYear: {
      int y = 0, w = 0;
      iso_week(d, y, w);
      return from_day_number(iso_year_start(y));
    }
    case Unit::Quarter:
      return midnight(OraDate{d.year, (d.month - 1) / 3 * 3 + 1, 1});
    case Unit::Month:
      return midnight(OraDate{d.year, d.month, 1});
    case Unit::Week: {  // the weekday of 1 January
      int64_t first = days_from_civil(d.year, 1, 1);
      return from_day_number(day_number(d) - (day_number(d) - first) % 7);
    }
    case Unit::IsoWeek:
      return from_day_number(day_number(d) - (weekday(day_number(d)) + 6) % 7);
    case Unit::MonthWeek: {  // the weekday of the 1st of the month
      return from_day_number(day_number(d) - (d.day - 1) % 7);
    }
    case Unit::Day:
      return out;
    case Unit::WeekDay:
      return from_day_number(day_number(d) - weekday(day_number(d)));
    case Unit::Hour:
      out.hour = d.hour;
      return out;
    case Unit::Minute:
      out.hour = d.hour;
      out.minute = d.minute;
      return out;
  }
  return out;
}

OraDate round_date(const OraDate& d, const std::string& model) {
  const Unit unit = unit_of(model);
  const OraDate down = trunc_date(d, model);
  auto seconds_of = [](const OraDate& x) {
    return day_number(x) * 86400 + x.hour * 3600 + x.minute * 60 + x.second;
  };
  switch (unit) {
    case Unit::Century:
      return (d.year - 1) % 100 >= 50 ? midnight(OraDate{down.year + 100, 1, 1}) : down;
    case Unit::Year:  // from 1 July on
      return d.month >= 7 ? midnight(OraDate{d.year + 1, 1, 1}) : down;
    case Unit::IsoYear: {
      int y = 0, w = 0;
      iso_week(d, y, w);
      const int64_t next = iso_year_start(y + 1);
      return day_number(d) - day_number(down) >= next - day_number(d) ? from_day_number(next)
                                                                      : down;
    }
    case Unit::Quarter: {  // from the 16th of its second month on
      int into = d.month - down.month;
      if (into > 1 || (into == 1 && d.day >= 16)) {
        int m = down.month + 3;
        return midnight(m > 12 ? OraDate{d.year + 1, m - 12, 1} : OraDate{d.year, m, 1});
      }
      return down;
    }
    case Unit::Month:  // from the 16th on
      if (d.day >= 16)
        return midnight(d.month == 12 ? OraDate{d.year + 1, 1, 1}
                                      : OraDate{d.year, d.month + 1, 1});
      return down;
    case Unit::Week:
    case Unit::IsoWeek:
    case Unit::MonthWeek:
    case Unit::WeekDay:  // half a week: from the fourth day at noon on
      return seconds_of(d) - seconds_of(down) >= 7 * 86400 / 2
                 ? from_day_number(day_number(down) + 7)
                 : down;
    case Unit::Day:
      return d.hour >= 12 ? from_day_number(day_number(d) + 1) : down;
    case Unit::Hour:
      return d.minute >= 30 ? civil_from_seconds(seconds_of(down) + 3600) : down;
    case Unit::Minute:
      return d.second >= 30 ? civil_from_seconds(seconds_of(down) + 60) : down;
  }
  return down;
}

std::optional<Value> date_function(const std::string& f, const std::vector<Value>& args) {
  auto arity = [&](size_t lo, size_t hi) {
    if (args.size() < lo || args.size() > hi) throw ora_error(909, "invalid number of arguments");
  };
  auto date_arg = [&](size_t k) {
    OraDate d = value_date(args[k]);
    return d;
  };
  if (f == "ADD_MONTHS") {
    arity(2, 2);
    OraDate d = date_arg(0);
    auto n = value_number(args[1]).truncated(0).to_int64();
    if (!n || *n > 200000 || *n < -200000) raise(1841);
    const bool last = d.day == days_in_month(d.year, d.month);
    int64_t months = static_cast<int64_t>(d.year) * 12 + (d.month - 1) + *n;
    int year = static_cast<int>(months >= 0 ? months / 12 : (months - 11) / 12);
    int month = static_cast<int>(months - static_cast<int64_t>(year) * 12) + 1;
    if (year < -4712 || year > 9999 || year == 0) raise(1841);
    // The last day of a month goes to the last day of the other month.
    const int dim = days_in_month(year, month);
    d.year = year;
    d.month = month;
    d.day = last || d.day > dim ? dim : d.day;
    return Value::dt(d);
  }
  if (f == "MONTHS_BETWEEN") {
    arity(2, 2);
    OraDate a = date_arg(0), b = date_arg(1);
    OraNumber months =
        OraNumber::from_int((static_cast<int64_t>(a.year) - b.year) * 12 + a.month - b.month);
    const bool a_last = a.day == days_in_month(a.year, a.month);
    const bool b_last = b.day == days_in_month(b.year, b.month);
    // The same day of the month, or two last days: whole months. Otherwise
    // the difference of the days and times over a 31-day month.
    if (a.day == b.day || (a_last && b_last)) return Value::num(months);
    int64_t secs = (static_cast<int64_t>(a.day) - b.day) * 86400 + (a.hour - b.hour) * 3600 +
                   (a.minute - b.minute) * 60 + (a.second - b.second);
    return Value::num(months + OraNumber::from_int(secs) / OraNumber::from_int(31 * 86400));
  }
  if (f == "LAST_DAY") {
    arity(1, 1);
    OraDate d = date_arg(0);
    d.day = days_in_month(d.year, d.month);
    return Value::dt(d);
  }
  if (f == "EXTRACT") {
    arity(2, 2);
    const std::string field = args[0].bytes;
    OraDate d = date_arg(1);
    // A DATE has no time fields for EXTRACT; a TIMESTAMP has.
    const bool time_field = field == "HOUR" || field == "MINUTE" || field == "SECOND";
    if (time_field && (args[1].kind != Kind::Date || !d.is_timestamp()))
      throw ora_error(30076, "invalid extract field for extract source");
    if (field == "YEAR") return Value::num(OraNumber::from_int(d.year));
    if (field == "MONTH") return Value::num(OraNumber::from_int(d.month));
    if (field == "DAY") return Value::num(OraNumber::from_int(d.day));
    if (field == "HOUR") return Value::num(OraNumber::from_int(d.hour));
    if (field == "MINUTE") return Value::num(OraNumber::from_int(d.minute));
    if (field == "SECOND")
      return Value::num(OraNumber::from_int(d.second) +
                        OraNumber::from_int(d.nanos) / OraNumber::from_int(1000000000));
    throw ora_error(30076, "invalid extract field for extract source");
  }
  if ((f == "TRUNC" || f == "ROUND") && !args.empty() && args[0].kind == Kind::Date) {
    arity(1, 2);
    const std::string model = args.size() > 1 ? value_text(args[1]) : "DD";
    OraDate d = f == "TRUNC" ? trunc_date(args[0].date, model) : round_date(args[0].date, model);
    if (d.year > 9999) raise(1841);  // rounded past 9999-12-31
    return Value::dt(d);
  }
  if ((f == "TO_CHAR" || f == "TO_NCHAR") && args.size() == 2 && args[0].kind == Kind::Date) {
    return Value::text(format_date(args[0].date, value_text(args[1])));
  }
  return std::nullopt;
}

}  // namespace oraemb
