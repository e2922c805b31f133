// Conversions of translated Access SQL: acc_cv carries every implicit and
// explicit conversion between representations (CStr, CLng, CDate, ...), with
// the engine's rounding and overflow errors; Val.
#include <cctype>
#include <cmath>
#include <cstdlib>
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
      if (to == SQL_SINGLE) d = double(float(d));
      return sqlite3_result_double(ctx, d);
    }
  }
}

void fn_val(sqlite3_context* ctx, int, sqlite3_value** argv) {
  if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
  // Val reads the leading number, ignoring blanks; 0 when there is none.
  std::string s;
  for (char c : text8(argv[0]))
    if (c != ' ' && c != '\t') s += c;
  sqlite3_result_double(ctx, std::strtod(s.c_str(), nullptr));
}

const function_entry kEntries[] = {
    {"acc_cv", 3, fn_cv, true},
    {"acc_cv", 4, fn_cv, true},
    {"acc_val", 1, fn_val, true},
};

}  // namespace

table<function_entry> conversion_functions() {
  return {std::begin(kEntries), std::end(kEntries)};
}

}  // namespace sql_fn
