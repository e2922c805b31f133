// Conversions of translated Access SQL: acc_cv carries every implicit and
// explicit conversion between representations (CStr, CLng, CDate, ...), with
// the engine's rounding and overflow errors; Val, Hex, Oct, IsNumeric, IsDate.
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <string>

#include "access/dao/sql/sql_functions_values.h"
#include "access/dao/sql/sql_types.h"

namespace sql_fn {
namespace {

// acc_cv(x, from_type, to_type [, explicit]): the engine's conversions.
void fn_cv(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  const int16_t from = int16_t(sqlite3_value_int(argv[1]));
  const int16_t to = int16_t(sqlite3_value_int(argv[2]));
  number n = decode(argv[0], from);
  if (n.kind == number::null) return sqlite3_result_null(ctx);
  const sql_rep target = sql_rep_of(to);
  if (target == sql_rep::text) {
    std::string s;
    switch (n.kind) {
      case number::integer:
        s = from == SQL_BOOLEAN ? (n.i ? "True" : "False") : std::to_string(n.i);
        break;
      case number::currency:
        s = cy_text(n.i);
        break;
      case number::decimal:
        s = sql_dec_format(sql_dec_normalized(n.d));
        break;
      case number::real:
        s = sql_rep_of(from) == sql_rep::date ? date_text(n.r)
                                              : double_text(n.r, from == SQL_SINGLE);
        break;
      case number::blob:
        return sqlite3_result_error(ctx, kMismatch, -1);
      default:
        s = n.s;
    }
    return result8(ctx, s);
  }
  if (n.kind == number::blob) return sqlite3_result_error(ctx, kMismatch, -1);
  if (n.kind == number::text) {
    const std::string text = n.s;
    if (target == sql_rep::date) {
      double d;
      if (text_date(text, d)) return sqlite3_result_double(ctx, d);
      if (!text_number(text, n)) return sqlite3_result_error(ctx, kMismatch, -1);
    } else if (!text_number(text, n)) {
      std::string u;
      for (char c : text) u += char(std::toupper(static_cast<unsigned char>(c)));
      if (target == sql_rep::boolean && (u == "TRUE" || u == "YES" || u == "ON"))
        return sqlite3_result_int(ctx, -1);
      if (target == sql_rep::boolean && (u == "FALSE" || u == "NO" || u == "OFF"))
        return sqlite3_result_int(ctx, 0);
      double d;
      if (text_date(text, d)) {
        n.kind = number::real;
        n.r = d;
      } else {
        return sqlite3_result_error(ctx, kMismatch, -1);
      }
    }
  }
  switch (target) {
    case sql_rep::boolean:
      return sqlite3_result_int(ctx, as_double(n) != 0 ? -1 : 0);
    case sql_rep::integer: {
      int64_t v;
      if (n.kind == number::integer) {
        v = n.i;
      } else if (n.kind == number::decimal) {
        const sql_decimal r = sql_dec_round(n.d, 0);
        if (r.m > INT64_MAX || r.m < INT64_MIN) return sqlite3_result_error(ctx, kOverflow, -1);
        v = int64_t(r.m);
      } else if (n.kind == number::currency) {
        v = int64_t(sql_dec_round(sql_decimal{n.i, 4}, 0).m);
      } else {
        const double r = round_even(n.r);
        if (!(r >= -9.2e18 && r <= 9.2e18)) return sqlite3_result_error(ctx, kOverflow, -1);
        v = int64_t(r);
      }
      const bool bad = (to == SQL_BYTE && (v < 0 || v > 255)) ||
                       (to == SQL_INTEGER && (v < -32768 || v > 32767)) ||
                       (to == SQL_LONG && (v < INT32_MIN || v > INT32_MAX));
      if (bad && argc > 3)  // CInt, CLng, CByte: out of range is an overflow
        return sqlite3_result_error(ctx, kOverflow, -1);
      return sqlite3_result_int64(ctx, v);
    }
    case sql_rep::currency: {
      sql_decimal d;
      if (n.kind == number::integer) {
        d = sql_decimal{n.i, 0};
      } else if (n.kind == number::currency) {
        return sqlite3_result_int64(ctx, n.i);
      } else if (n.kind == number::decimal) {
        d = n.d;
      } else {
        auto x = sql_dec_from_double(n.r);
        if (!x) return sqlite3_result_error(ctx, kOverflow, -1);
        d = *x;
      }
      auto scaled = sql_dec_mul(d, sql_decimal{10000, 0});
      if (!scaled) return sqlite3_result_error(ctx, kOverflow, -1);
      const sql_decimal r = sql_dec_round(sql_decimal{scaled->m, scaled->scale + 4}, 4);
      const __int128 units = r.m;
      if (units > INT64_MAX || units < INT64_MIN) return sqlite3_result_error(ctx, kOverflow, -1);
      return sqlite3_result_int64(ctx, int64_t(units));
    }
    case sql_rep::decimal: {
      sql_decimal d;
      if (n.kind == number::integer)
        d = sql_decimal{n.i, 0};
      else if (n.kind == number::currency)
        d = sql_dec_normalized(sql_decimal{n.i, 4});
      else if (n.kind == number::decimal)
        d = n.d;
      else if (auto x = sql_dec_from_double(n.r))
        d = *x;
      else
        return sqlite3_result_error(ctx, kOverflow, -1);
      return result8(ctx, sql_dec_format(d));
    }
    default: {
      double d = as_double(n);
      if (argc > 3 && to == SQL_SINGLE && std::fabs(d) > 3.402823466e38)
        return sqlite3_result_error(ctx, kOverflow, -1);  // CSng past Single's range
      if (argc > 3 && target == sql_rep::date && !(d > -657435.0 && d < 2958466.0))
        return sqlite3_result_error(ctx, kOverflow, -1);  // CDate outside 100..9999
      if (to == SQL_SINGLE) d = double(float(d));
      return sqlite3_result_double(ctx, d);
    }
  }
}

// The number at the start of a text as Val reads it: blanks, tabs and line
// feeds ignored, an optional sign, digits, a point, an exponent (E or D), or
// &H / &O with hexadecimal / octal digits (a 16-bit value up to four / six
// digits, 32-bit beyond). The digits read and whether any number was there.
struct leading_number {
  bool found = false;
  bool overflow = false;
  double value = 0;
  size_t end = 0;  // characters of the compacted text used
};

std::string compacted(const std::string& text) {
  std::string s;
  for (char c : text)
    if (c != ' ' && c != '\t' && c != '\n' && c != '\r') s += c;
  return s;
}

leading_number read_leading(const std::string& s) {
  leading_number r;
  size_t i = 0;
  if (s.size() > 1 && s[0] == '&' &&
      (std::toupper(static_cast<unsigned char>(s[1])) == 'H' ||
       std::toupper(static_cast<unsigned char>(s[1])) == 'O')) {
    const bool hex = std::toupper(static_cast<unsigned char>(s[1])) == 'H';
    uint64_t v = 0;
    size_t digits = 0;
    for (i = 2; i < s.size(); ++i) {
      const int c = std::toupper(static_cast<unsigned char>(s[i]));
      const int d = c >= '0' && c <= '9'          ? c - '0'
                    : hex && c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                  : -1;
      if (d < 0 || (!hex && d > 7)) break;
      v = v * (hex ? 16 : 8) + uint64_t(d);
      if (v != 0 && ++digits > (hex ? 8u : 11u)) r.overflow = true;
      if (v > 0xFFFFFFFFull) r.overflow = true;
      if (r.overflow) return r;
    }
    r.found = i > 2;
    r.end = i;
    const bool short_form = hex ? v <= 0xFFFF && i - 2 <= 4 : v <= 0177777 && i - 2 <= 6;
    r.value = short_form ? double(int16_t(uint16_t(v))) : double(int32_t(uint32_t(v)));
    return r;
  }
  std::string plain;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) plain += s[i++];
  bool digits = false;
  while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) {
    plain += s[i++];
    digits = true;
  }
  if (i < s.size() && s[i] == '.') {
    plain += s[i++];
    while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) {
      plain += s[i++];
      digits = true;
    }
  }
  if (!digits) return r;
  r.found = true;
  if (i < s.size() && std::strchr("eEdD", s[i])) {
    size_t j = i + 1;
    std::string exponent = "e";
    if (j < s.size() && (s[j] == '+' || s[j] == '-')) exponent += s[j++];
    const size_t first = j;
    while (j < s.size() && std::isdigit(static_cast<unsigned char>(s[j]))) exponent += s[j++];
    if (j > first) {
      plain += exponent;
      i = j;
    }
  }
  r.end = i;
  r.value = std::strtod(plain.c_str(), nullptr);
  r.overflow = !std::isfinite(r.value);
  return r;
}

void fn_val(sqlite3_context* ctx, int, sqlite3_value** argv) {
  if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
  // 0 when the text does not start with a number.
  const leading_number n = read_leading(compacted(text8(argv[0])));
  if (n.overflow) return sqlite3_result_error(ctx, kOverflow, -1);
  sqlite3_result_double(ctx, n.found ? n.value : 0.0);
}

// acc_isnumeric(x, type): -1 when x is a number or a text that reads whole as
// one (blanks around, sign, "$", "," groups, exponent, &H / &O); 0 otherwise,
// for Null and dates too.
void fn_isnumeric(sqlite3_context* ctx, int, sqlite3_value** argv) {
  const int16_t type = int16_t(sqlite3_value_int(argv[1]));
  if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return sqlite3_result_int(ctx, 0);
  const sql_rep rep = sql_rep_of(type);
  if (rep != sql_rep::text) return sqlite3_result_int(ctx, sql_is_numeric(type) ? -1 : 0);
  std::string s = text8(argv[0]);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.pop_back();
  size_t i = 0;
  while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
  s = s.substr(i);
  std::string plain;
  bool seen_digit = false;
  for (size_t k = 0; k < s.size(); ++k) {
    const char c = s[k];
    if (c == '$' && (plain.empty() || plain == "-" || plain == "+")) continue;
    if (c == ',' && seen_digit && plain.find_first_of(".eEdD") == std::string::npos) continue;
    if (std::isdigit(static_cast<unsigned char>(c))) seen_digit = true;
    plain += c;
  }
  const leading_number n = read_leading(plain);
  sqlite3_result_int(ctx, n.found && !n.overflow && n.end == plain.size() ? -1 : 0);
}

// acc_isdate(x, type): -1 for dates and texts that read as one.
void fn_isdate(sqlite3_context* ctx, int, sqlite3_value** argv) {
  const int16_t type = int16_t(sqlite3_value_int(argv[1]));
  if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return sqlite3_result_int(ctx, 0);
  const sql_rep rep = sql_rep_of(type);
  if (rep == sql_rep::date) return sqlite3_result_int(ctx, -1);
  double d;
  sqlite3_result_int(ctx, rep == sql_rep::text && text_date(text8(argv[0]), d) ? -1 : 0);
}

// acc_hex / acc_oct(x, type): the digits of x rounded to a whole number,
// negative values in two's complement of 16 bits (Integer, Byte, Yes/No),
// 64 bits (big integers) or 32 bits.
template <int base>
void fn_radix(sqlite3_context* ctx, int, sqlite3_value** argv) {
  const int16_t type = int16_t(sqlite3_value_int(argv[1]));
  number n = decode(argv[0], type);
  if (n.kind == number::null) return sqlite3_result_null(ctx);
  if (n.kind == number::blob) return sqlite3_result_error(ctx, kMismatch, -1);
  if (n.kind == number::text) {
    const std::string t = n.s;
    double d;
    if (!text_number(t, n)) {
      if (!text_date(t, d)) return sqlite3_result_error(ctx, kMismatch, -1);
      n.kind = number::real;
      n.r = d;
    }
  }
  int64_t v;
  if (n.kind == number::integer) {
    v = n.i;
  } else if (n.kind == number::decimal || n.kind == number::currency) {
    const sql_decimal r = sql_dec_round(n.kind == number::decimal ? n.d : sql_decimal{n.i, 4}, 0);
    if (r.m > INT64_MAX || r.m < INT64_MIN) return sqlite3_result_error(ctx, kOverflow, -1);
    v = int64_t(r.m);
  } else {
    const double r = round_even(n.r);
    if (!(r >= -9.2e18 && r <= 9.2e18)) return sqlite3_result_error(ctx, kOverflow, -1);
    v = int64_t(r);
  }
  uint64_t bits;
  if (type == SQL_BIGINT) {
    bits = uint64_t(v);
  } else if (v < INT32_MIN || v > INT32_MAX) {
    return sqlite3_result_error(ctx, kOverflow, -1);
  } else if ((type == SQL_INTEGER || type == SQL_BYTE || type == SQL_BOOLEAN) && v >= -32768 &&
             v <= 32767) {
    bits = uint16_t(int16_t(v));
  } else {
    bits = uint32_t(int32_t(v));
  }
  std::string out;
  do {
    out.insert(out.begin(), "0123456789ABCDEF"[bits % base]);
    bits /= base;
  } while (bits != 0);
  result8(ctx, out);
}

const function_entry kEntries[] = {
    {"acc_cv", 3, fn_cv, true},         {"acc_cv", 4, fn_cv, true},
    {"acc_val", 1, fn_val, true},       {"acc_isnumeric", 2, fn_isnumeric, true},
    {"acc_isdate", 2, fn_isdate, true}, {"acc_hex", 2, fn_radix<16>, true},
    {"acc_oct", 2, fn_radix<8>, true},
};

}  // namespace

table<function_entry> conversion_functions() {
  return {std::begin(kEntries), std::end(kEntries)};
}

}  // namespace sql_fn
