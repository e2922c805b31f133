// Canonical forms of Access and Oracle values (rules in the header).
#include "UDB/verify_canonical.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <vector>

#include "OLE/ole_text.h"
#include "OLE/ole_timestamp.h"
#include "TK/tk_text.h"

namespace {

enum tag : char { kNull = 0, kText = 1, kNumber = 2, kDate = 3, kBytes = 4 };

// Days from 1970-01-01 to a civil date (proleptic Gregorian). The check keeps
// its own calendar arithmetic rather than the toolkit's, which the writer's
// date conversion uses, so that a fault there is not reproduced here.
int64_t days_from_civil(int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

void civil_from_days(int64_t z, int64_t& y, unsigned& m, unsigned& d) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  y = static_cast<int64_t>(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = doy - (153 * mp + 2) / 5 + 1;
  m = mp < 10 ? mp + 3 : mp - 9;
  y += m <= 2;
}

int64_t floor_div(int64_t a, int64_t b) {
  return a / b - ((a % b != 0) && ((a < 0) != (b < 0)));
}

// Seconds since 1970-01-01 as "YYYY-MM-DD HH:MM:SS".
std::string seconds_text(int64_t seconds) {
  const int64_t days = floor_div(seconds, 86400);
  const int64_t rest = seconds - days * 86400;
  int64_t y;
  unsigned m, d;
  civil_from_days(days, y, m, d);
  if (y >= 0 && y <= 9999) {
    // Written digit by digit: this runs once per date of every row.
    char buf[19];
    auto put = [&buf](size_t at, int64_t value, int width) {
      for (int i = width - 1; i >= 0; --i, value /= 10)
        buf[at + static_cast<size_t>(i)] = static_cast<char>('0' + value % 10);
    };
    put(0, y, 4);
    put(5, m, 2);
    put(8, d, 2);
    put(11, rest / 3600, 2);
    put(14, rest / 60 % 60, 2);
    put(17, rest % 60, 2);
    buf[4] = buf[7] = '-';
    buf[10] = ' ';
    buf[13] = buf[16] = ':';
    return std::string(buf, sizeof buf);
  }
  char buf[64];
  std::snprintf(buf, sizeof buf, "%04lld-%02u-%02u %02lld:%02lld:%02lld", static_cast<long long>(y),
                m, d, static_cast<long long>(rest / 3600), static_cast<long long>(rest / 60 % 60),
                static_cast<long long>(rest % 60));
  return buf;
}

// An Access date in the days the 1582 calendar change left out is written
// to Oracle as 1582-10-15 at its time of day (the Oracle calendar has no
// such days): its canonical text is that of the value Oracle holds.
std::string leave_calendar_gap(std::string text) {
  if (text.size() >= 10 && text.compare(0, 8, "1582-10-") == 0 &&
      ((text[8] == '0' && text[9] >= '5') || (text[8] == '1' && text[9] <= '4'))) {
    text[8] = '1';
    text[9] = '5';
  }
  return text;
}

// 1899-12-30, the origin of VT_DATE, in days from 1970-01-01.
const int64_t kOleEpochDays = days_from_civil(1899, 12, 30);

// A VT_DATE double to whole seconds since 1970: the whole part counts days,
// the fraction is the time of day forward from that day's midnight.
int64_t ole_date_seconds(double date) {
  const double whole = std::trunc(date);
  const double fraction = std::fabs(date - whole);
  const auto seconds = static_cast<int64_t>(std::llround(fraction * 86400.0));
  return (kOleEpochDays + static_cast<int64_t>(whole)) * 86400 + seconds;
}

void append_value(std::string& out, tag t, std::string_view bytes) {
  out.push_back(t);
  if (t == kNull) return;
  const auto n = static_cast<uint32_t>(bytes.size());
  char len[4] = {static_cast<char>(n), static_cast<char>(n >> 8), static_cast<char>(n >> 16),
                 static_cast<char>(n >> 24)};
  out.append(len, 4);
  out.append(bytes);
}

std::string shortest(double value) {
  char buf[64];
  auto r = std::to_chars(buf, buf + sizeof buf, value);
  return std::string(buf, r.ptr);
}

std::string shortest(float value) {
  char buf[64];
  auto r = std::to_chars(buf, buf + sizeof buf, value);
  return std::string(buf, r.ptr);
}

std::string unsigned_text(unsigned __int128 v) {
  if (v == 0) return "0";
  std::string s;
  while (v != 0) {
    s.push_back(static_cast<char>('0' + static_cast<int>(v % 10)));
    v /= 10;
  }
  return std::string(s.rbegin(), s.rend());
}

std::string decimal_text(const DECIMAL& d) {
  const unsigned __int128 mantissa = (static_cast<unsigned __int128>(d.Hi32) << 64) |
                                     (static_cast<uint64_t>(d.Mid32) << 32) | d.Lo32;
  std::string digits = unsigned_text(mantissa);
  if (d.scale > 0) {
    if (digits.size() <= d.scale) digits.insert(0, d.scale - digits.size() + 1, '0');
    digits.insert(digits.size() - d.scale, ".");
  }
  return (d.sign & DECIMAL_NEG ? "-" : "") + digits;
}

// The decimal text of any numeric variant; nullopt for other types.
std::optional<std::string> number_text(const ole_variant& value) {
  const VARIANT& v = value.get_variant();
  switch (v.vt) {
    case VT_I1:
      return std::to_string(v.cVal);
    case VT_UI1:
      return std::to_string(v.bVal);
    case VT_I2:
      return std::to_string(v.iVal);
    case VT_UI2:
      return std::to_string(v.uiVal);
    case VT_I4:
      return std::to_string(v.lVal);
    case VT_UI4:
      return std::to_string(v.ulVal);
    case VT_INT:
      return std::to_string(v.intVal);
    case VT_UINT:
      return std::to_string(v.uintVal);
    case VT_I8:
      return std::to_string(value.get_i8());
    case VT_UI8:
      return std::to_string(value.get_ui8());
    case VT_R4:
      return shortest(v.fltVal);
    case VT_R8:
      return shortest(v.dblVal);
    case VT_BOOL:
      return std::string(v.boolVal ? "1" : "0");
    case VT_CY: {
      const int64_t units = v.cyVal.int64;
      const uint64_t magnitude = units < 0 ? 0 - static_cast<uint64_t>(units) : units;
      char buf[48];
      std::snprintf(buf, sizeof buf, "%s%llu.%04llu", units < 0 ? "-" : "",
                    static_cast<unsigned long long>(magnitude / 10000),
                    static_cast<unsigned long long>(magnitude % 10000));
      return std::string(buf);
    }
    case VT_DECIMAL:
      return decimal_text(v.decVal);
    case VT_BSTR:
      return tk_to_utf8(value.to_wstring());
    default:
      return std::nullopt;
  }
}

// A number text brought to the kind's precision, then to the normal form.
// A number text that is no decimal: NaN and the infinities in one spelling
// ("nan", "inf", "-inf"; Oracle writes "Nan", "Inf", "-Inf" for its binary
// floating-point types), anything else as given.
std::string special_number(const std::string& text) {
  std::string lower;
  for (char c : text) lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (lower == "nan" || lower == "-nan" || lower == "+nan") return "nan";
  if (lower == "inf" || lower == "+inf" || lower == "infinity") return "inf";
  if (lower == "-inf" || lower == "-infinity") return "-inf";
  return text;
}

std::string number_canonical(const std::string& text, verify_kind kind) {
  std::string normal = verify_normal_decimal(text);
  if (normal.empty()) return special_number(text);
  if (kind == verify_kind::single)
    return verify_normal_decimal(shortest(std::strtof(normal.c_str(), nullptr)));
  if (kind == verify_kind::real)
    return verify_normal_decimal(shortest(std::strtod(normal.c_str(), nullptr)));
  return normal;
}

template <class T>
std::string integer_text(T value) {
  char buf[32];
  auto r = std::to_chars(buf, buf + sizeof buf, value);
  return std::string(buf, r.ptr);
}

// Currency units (1/10000) as the canonical decimal: no trailing zeros.
std::string currency_text(int64_t units) {
  const uint64_t magnitude = units < 0 ? 0 - static_cast<uint64_t>(units) : units;
  std::string out = units < 0 ? "-" : "";
  out += integer_text(magnitude / 10000);
  uint64_t fraction = magnitude % 10000;
  if (fraction != 0) {
    char digits[4];
    for (int i = 3; i >= 0; --i, fraction /= 10) digits[i] = static_cast<char>('0' + fraction % 10);
    size_t n = 4;
    while (digits[n - 1] == '0') --n;
    out += '.';
    out.append(digits, n);
  }
  return out;
}

// A DECIMAL as the canonical decimal: the fraction's trailing zeros go,
// zero has no sign.
std::string decimal_canonical(const DECIMAL& d) {
  std::string digits = d.Hi32 == 0 ? integer_text((static_cast<uint64_t>(d.Mid32) << 32) | d.Lo32)
                                   : unsigned_text((static_cast<unsigned __int128>(d.Hi32) << 64) |
                                                   (static_cast<uint64_t>(d.Mid32) << 32) | d.Lo32);
  if (digits == "0") return digits;
  size_t scale = d.scale;
  while (scale > 0 && digits.back() == '0') {
    digits.pop_back();
    --scale;
  }
  std::string out = d.sign & DECIMAL_NEG ? "-" : "";
  if (scale == 0) return out + digits;
  if (digits.size() <= scale) {
    out += "0.";
    out.append(scale - digits.size(), '0');
    return out + digits;
  }
  out.append(digits, 0, digits.size() - scale);
  out += '.';
  out.append(digits, digits.size() - scale, std::string::npos);
  return out;
}

// The canonical number of an Access value whose variant type is the one the
// kind is made of, computed directly; nullopt for any other pairing (those
// take the general way through decimal text). Gives what the general way
// gives: a float or double read back from its shortest text is itself.
std::optional<std::string> access_number(const ole_variant& value, verify_kind kind) {
  const VARIANT& v = value.get_variant();
  switch (kind) {
    case verify_kind::integer:
      switch (v.vt) {
        case VT_I1:
          return integer_text(static_cast<int>(v.cVal));
        case VT_UI1:
          return integer_text(static_cast<unsigned>(v.bVal));
        case VT_I2:
          return integer_text(v.iVal);
        case VT_UI2:
          return integer_text(v.uiVal);
        case VT_I4:
          return integer_text(v.lVal);
        case VT_UI4:
          return integer_text(v.ulVal);
        case VT_INT:
          return integer_text(v.intVal);
        case VT_UINT:
          return integer_text(v.uintVal);
        case VT_I8:
          return integer_text(value.get_i8());
        case VT_UI8:
          return integer_text(value.get_ui8());
        default:
          return std::nullopt;
      }
    case verify_kind::yes_no:
      if (v.vt == VT_BOOL) return std::string(v.boolVal ? "1" : "0");
      return std::nullopt;
    case verify_kind::real:
      if (v.vt != VT_R8) return std::nullopt;
      if (std::string normal = verify_normal_decimal(shortest(v.dblVal)); !normal.empty())
        return normal;
      return special_number(shortest(v.dblVal));  // NaN, infinities
    case verify_kind::single:
      if (v.vt != VT_R4) return std::nullopt;
      if (std::string normal = verify_normal_decimal(shortest(v.fltVal)); !normal.empty())
        return normal;
      return special_number(shortest(v.fltVal));
    case verify_kind::currency:
      if (v.vt == VT_CY) return currency_text(v.cyVal.int64);
      return std::nullopt;
    case verify_kind::decimal:
      if (v.vt == VT_DECIMAL) return decimal_canonical(v.decVal);
      return std::nullopt;
    default:
      return std::nullopt;
  }
}

bool is_null(const ole_variant& value) {
  const VARTYPE vt = value.get_variant().vt;
  return vt == VT_EMPTY || vt == VT_NULL;
}

void append_text(const ole_variant& value, std::string& out, bool padded = false) {
  const VARIANT& v = value.get_variant();
  std::string text =
      v.vt == VT_BSTR ? tk_utf16_to_utf8(ole_bstr_view(v.bstrVal)) : tk_to_utf8(value.to_wstring());
  if (padded) text.erase(text.find_last_not_of(' ') + 1);
  append_value(out, text.empty() ? kNull : kText, text);
}

void append_bytes(const ole_variant& value, verify_kind kind, std::string& out) {
  if (value.get_variant().vt == VT_BYTE_ARRAY) {
    const uint8_t* data = nullptr;
    const uint32_t n = value.get_bytes(&data);
    append_value(out, n == 0 ? kNull : kBytes,
                 std::string_view(reinterpret_cast<const char*>(data), n));
    return;
  }
  // A GUID given as text, "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}": its bytes
  // in storage order (the first three groups little-endian).
  std::string text = tk_to_utf8(value.to_wstring());
  if (kind == verify_kind::guid && text.size() == 38 && text.front() == '{') {
    std::string hex;
    for (char c : text)
      if (std::isxdigit(static_cast<unsigned char>(c))) hex.push_back(c);
    if (hex.size() == 32) {
      uint8_t b[16];
      for (int i = 0; i < 16; ++i)
        b[i] = static_cast<uint8_t>(std::stoi(hex.substr(i * 2, 2), nullptr, 16));
      const uint8_t order[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
      std::string bytes;
      for (uint8_t i : order) bytes.push_back(static_cast<char>(b[i]));
      append_value(out, kBytes, bytes);
      return;
    }
  }
  append_value(out, text.empty() ? kNull : kText, text);
}

void append_timestamp(int64_t ticks, std::string& out) {
  append_value(out, kNumber, std::to_string(ticks));
}

}  // namespace

verify_kind verify_kind_of(VARTYPE vartype, uint32_t extra, uint32_t size) {
  switch (vartype) {
    case VT_I1:
    case VT_UI1:
    case VT_I2:
    case VT_UI2:
    case VT_I4:
    case VT_UI4:
    case VT_INT:
    case VT_UINT:
    case VT_I8:
    case VT_UI8:
      return verify_kind::integer;
    case VT_R4:
      return verify_kind::single;
    case VT_R8:
      // Decimal columns are described as doubles of 16 bytes; their values
      // are exact decimals of up to 28 digits.
      return size == 16 ? verify_kind::decimal : verify_kind::real;
    case VT_CY:
      return verify_kind::currency;
    case VT_DECIMAL:
      return verify_kind::decimal;
    case VT_BOOL:
      return verify_kind::yes_no;
    case VT_DATE:
      return verify_kind::date;
    case VT_FILETIME:
      return verify_kind::timestamp;
    case VT_BLOB:
    case VT_BLOB_OBJECT:
    case VT_BYTE_ARRAY:
      return extra == 1 && size == 16 ? verify_kind::guid : verify_kind::binary;
    default:
      return verify_kind::text;
  }
}

bool verify_kind_is_number(verify_kind kind) {
  switch (kind) {
    case verify_kind::integer:
    case verify_kind::single:
    case verify_kind::real:
    case verify_kind::currency:
    case verify_kind::decimal:
    case verify_kind::yes_no:
      return true;
    default:
      return false;
  }
}

verify_kind verify_kind_against(verify_kind kind, std::string_view oracle_type) {
  if (kind == verify_kind::text && (oracle_type == "CHAR" || oracle_type == "NCHAR"))
    return verify_kind::padded_text;
  return kind;
}

const char* verify_kind_name(verify_kind kind) {
  switch (kind) {
    case verify_kind::text:
    case verify_kind::padded_text:
      return "text";
    case verify_kind::integer:
      return "integer";
    case verify_kind::single:
      return "single";
    case verify_kind::real:
      return "double";
    case verify_kind::currency:
      return "currency";
    case verify_kind::decimal:
      return "decimal";
    case verify_kind::yes_no:
      return "yes/no";
    case verify_kind::date:
      return "date";
    case verify_kind::timestamp:
      return "extended date";
    case verify_kind::binary:
      return "binary";
    case verify_kind::guid:
      return "GUID";
  }
  return "?";
}

bool verify_oracle_type_fits(verify_kind kind, std::string_view type) {
  const auto starts = [&](std::string_view p) { return type.substr(0, p.size()) == p; };
  if (verify_kind_is_number(kind))
    return type == "NUMBER" || type == "FLOAT" || type == "BINARY_DOUBLE" ||
           type == "BINARY_FLOAT" || type == "INTEGER";
  switch (kind) {
    case verify_kind::text:
    case verify_kind::padded_text:
      return type == "VARCHAR2" || type == "NVARCHAR2" || type == "CHAR" || type == "NCHAR" ||
             type == "CLOB" || type == "NCLOB" || type == "LONG";
    case verify_kind::date:
      return type == "DATE" || starts("TIMESTAMP");
    case verify_kind::timestamp:
      return starts("TIMESTAMP");
    case verify_kind::binary:
    case verify_kind::guid:
      return type == "RAW" || type == "BLOB" || type == "LONG RAW";
    default:
      return false;
  }
}

namespace {

// Whether decimal text is already in the canonical form: an optional '-',
// an integer part without leading zeros, and a fraction without trailing
// zeros; "0" alone, never "-0".
bool is_normal_decimal(std::string_view text) {
  size_t i = text.size() > 1 && text[0] == '-' ? 1 : 0;
  const size_t start = i;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i;
  const size_t whole = i - start;
  if (whole == 0 || (whole > 1 && text[start] == '0')) return false;
  if (i == text.size()) return !(text[start] == '0' && start == 1);
  if (text[i] != '.' || i + 1 == text.size()) return false;
  for (++i; i < text.size(); ++i)
    if (text[i] < '0' || text[i] > '9') return false;
  return text.back() != '0';
}

}  // namespace

std::string verify_normal_decimal(std::string_view text) {
  if (is_normal_decimal(text)) return std::string(text);
  size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  std::string digits;
  int64_t point = -1;  // digits before the decimal point
  bool any = false;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (c >= '0' && c <= '9') {
      digits.push_back(c);
      any = true;
    } else if (c == '.' && point < 0) {
      point = static_cast<int64_t>(digits.size());
    } else {
      break;
    }
  }
  if (!any) return "";
  if (point < 0) point = static_cast<int64_t>(digits.size());
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    bool exp_negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) exp_negative = text[i++] == '-';
    int64_t exponent = 0;
    bool exp_digits = false;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
      if (exponent < 100000) exponent = exponent * 10 + (text[i] - '0');
      exp_digits = true;
    }
    if (!exp_digits || exponent >= 100000) return "";
    point += exp_negative ? -exponent : exponent;
  }
  while (i < text.size() && text[i] == ' ') ++i;
  if (i != text.size()) return "";
  // Digits as an integer part and a fraction around `point`.
  std::string whole, fraction;
  const auto n = static_cast<int64_t>(digits.size());
  if (point <= 0) {
    fraction = std::string(static_cast<size_t>(-point), '0') + digits;
  } else if (point >= n) {
    whole = digits + std::string(static_cast<size_t>(point - n), '0');
  } else {
    whole = digits.substr(0, static_cast<size_t>(point));
    fraction = digits.substr(static_cast<size_t>(point));
  }
  const size_t first = whole.find_first_not_of('0');
  whole = first == std::string::npos ? "0" : whole.substr(first);
  const size_t last = fraction.find_last_not_of('0');
  fraction = last == std::string::npos ? "" : fraction.substr(0, last + 1);
  if (whole == "0" && fraction.empty()) return "0";
  return (negative ? "-" : "") + whole + (fraction.empty() ? "" : "." + fraction);
}

// Text and bytes read the same on both sides: true when `kind` is one of
// them and the value is written.
static bool append_same_on_both_sides(const ole_variant& value, verify_kind kind,
                                      std::string& out) {
  switch (kind) {
    case verify_kind::text:
      append_text(value, out);
      return true;
    case verify_kind::padded_text:
      append_text(value, out, true);
      return true;
    case verify_kind::binary:
    case verify_kind::guid:
      append_bytes(value, kind, out);
      return true;
    default:
      return false;
  }
}

void verify_canon_access(const ole_variant& value, verify_kind kind, std::string& out) {
  if (is_null(value)) return append_value(out, kNull, {});
  if (append_same_on_both_sides(value, kind, out)) return;
  const VARIANT& v = value.get_variant();
  switch (kind) {
    case verify_kind::date:
      if (v.vt == VT_DATE)
        return append_value(out, kDate, leave_calendar_gap(seconds_text(ole_date_seconds(v.date))));
      break;
    case verify_kind::timestamp:
      if (v.vt == VT_FILETIME) return append_timestamp(value.get_i8(), out);
      break;
    default:
      if (auto number = access_number(value, kind)) return append_value(out, kNumber, *number);
      if (auto text = number_text(value))
        return append_value(out, kNumber, number_canonical(*text, kind));
      break;
  }
  append_text(value, out);
}

void verify_canon_oracle(const ole_variant& value, verify_kind kind, std::string& out,
                         char decimal_mark) {
  if (is_null(value)) return append_value(out, kNull, {});
  if (append_same_on_both_sides(value, kind, out)) return;
  const VARIANT& v = value.get_variant();
  switch (kind) {
    case verify_kind::date:
      if (v.vt == VT_DATE) {
        const SYSTEMTIME& st = value.get_date();
        int64_t seconds = days_from_civil(st.wYear, st.wMonth, st.wDay) * 86400 + st.wHour * 3600 +
                          st.wMinute * 60 + st.wSecond + (st.wMilliseconds >= 500 ? 1 : 0);
        return append_value(out, kDate, seconds_text(seconds));
      }
      if (v.vt == VT_FILETIME) {
        // A TIMESTAMP column: to the second, rounded as the Access side.
        const ole_timestamp_parts p = ole_timestamp_split(value.get_i8());
        const int64_t seconds =
            days_from_civil(p.year, static_cast<unsigned>(p.month), static_cast<unsigned>(p.day)) *
                86400 +
            p.hour * 3600 + p.minute * 60 + p.second + (p.ticks >= 5000000 ? 1 : 0);
        return append_value(out, kDate, seconds_text(seconds));
      }
      break;
    case verify_kind::timestamp:
      if (v.vt == VT_FILETIME) return append_timestamp(value.get_i8(), out);
      break;
    default:
      if (auto text = number_text(value)) {
        // TO_CHAR writes no group separators: the one decimal character is
        // the point.
        if (decimal_mark != '.' && v.vt == VT_BSTR)
          if (const size_t at = text->find(decimal_mark); at != std::string::npos)
            (*text)[at] = '.';
        return append_value(out, kNumber, number_canonical(*text, kind));
      }
      break;
  }
  append_text(value, out);
}

std::string verify_canon_display(std::string_view canonical, size_t limit) {
  if (canonical.empty() || canonical[0] == kNull) return "NULL";
  const std::string_view bytes = canonical.size() > 5 ? canonical.substr(5) : std::string_view();
  if (canonical[0] == kBytes) {
    static const char* hex = "0123456789ABCDEF";
    std::string s = "0x";
    for (size_t i = 0; i < bytes.size() && i < limit / 2; ++i) {
      s.push_back(hex[static_cast<uint8_t>(bytes[i]) >> 4]);
      s.push_back(hex[static_cast<uint8_t>(bytes[i]) & 15]);
    }
    if (bytes.size() > limit / 2) s += "...";
    return s;
  }
  if (canonical[0] == kText) {
    // Cut at a character boundary.
    size_t end = 0, chars = 0;
    while (end < bytes.size() && chars < limit) {
      ++end;
      while (end < bytes.size() && (static_cast<uint8_t>(bytes[end]) & 0xC0) == 0x80) ++end;
      ++chars;
    }
    std::string s = "'" + std::string(bytes.substr(0, end)) + (end < bytes.size() ? "...'" : "'");
    return s;
  }
  return std::string(bytes);
}
