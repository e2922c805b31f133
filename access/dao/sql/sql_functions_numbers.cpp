// Number functions of translated Access SQL: exact decimal and currency
// arithmetic, powers and roots, Int/Fix/Round/Abs/Sgn in the argument's
// representation, Partition.
#include <cmath>
#include <cstdint>
#include <iterator>
#include <string>

#include "access/dao/sql/sql_functions_values.h"
#include "access/dao/sql/sql_types.h"

namespace sql_fn {
namespace {

template <int op>
void fn_dec(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  if (any_null(argc, argv)) return sqlite3_result_null(ctx);
  auto a = dec_arg(argv[0]);
  if (!a) return sqlite3_result_error(ctx, kMismatch, -1);
  if (op == 4) return result8(ctx, sql_dec_format(sql_decimal{-a->m, a->scale}));
  if (op == 5) return result8(ctx, sql_dec_format(sql_dec_normalized(*a)));
  auto b = dec_arg(argv[1]);
  if (!b) return sqlite3_result_error(ctx, kMismatch, -1);
  if (op == 6) return sqlite3_result_int(ctx, sql_dec_compare(*a, *b));
  std::optional<sql_decimal> r;
  if (op == 0) r = sql_dec_add(*a, *b);
  if (op == 1) r = sql_dec_add(*a, sql_decimal{-b->m, b->scale});
  if (op == 2) r = sql_dec_mul(*a, *b);
  if (op == 3) {
    if (b->m == 0) return sqlite3_result_null(ctx);
    r = sql_dec_div(*a, *b);
  }
  if (!r) return sqlite3_result_error(ctx, kOverflow, -1);
  result8(ctx, sql_dec_format(*r));
}

void fn_cy_mul(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  if (any_null(argc, argv)) return sqlite3_result_null(ctx);
  const __int128 p = __int128(sqlite3_value_int64(argv[0])) * sqlite3_value_int64(argv[1]);
  sql_decimal d{p, 4};
  const sql_decimal r = sql_dec_round(d, 0);
  if (r.m > INT64_MAX || r.m < INT64_MIN) return sqlite3_result_error(ctx, kOverflow, -1);
  sqlite3_result_int64(ctx, int64_t(r.m));
}

// Aggregate state lives on the heap: SQLite's aggregate context is only
// 8-byte aligned, and the 128-bit sums need 16. The context holds the pointer;

void fn_pow(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  if (any_null(argc, argv)) return sqlite3_result_null(ctx);
  const double r = std::pow(sqlite3_value_double(argv[0]), sqlite3_value_double(argv[1]));
  if (!std::isfinite(r)) return sqlite3_result_error(ctx, kOverflow, -1);
  sqlite3_result_double(ctx, r);
}

void fn_sqr(sqlite3_context* ctx, int, sqlite3_value** argv) {
  if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
  const double x = sqlite3_value_double(argv[0]);
  if (x < 0) return sqlite3_result_error(ctx, kInvalidCall, -1);
  sqlite3_result_double(ctx, std::sqrt(x));
}

void fn_ceil(sqlite3_context* ctx, int, sqlite3_value** argv) {
  sqlite3_result_int64(ctx, int64_t(std::ceil(sqlite3_value_double(argv[0]))));
}

void fn_floor(sqlite3_context* ctx, int, sqlite3_value** argv) {
  if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
  sqlite3_result_double(ctx, std::floor(sqlite3_value_double(argv[0])));
}

void fn_sgn(sqlite3_context* ctx, int, sqlite3_value** argv) {
  if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
  const double x = sqlite3_value_double(argv[0]);
  sqlite3_result_int(ctx, x > 0 ? 1 : x < 0 ? -1 : 0);
}

// acc_int / acc_fix / acc_round / acc_abs (x, type, digits) in x's representation.
template <int op>
void fn_numeric(sqlite3_context* ctx, int, sqlite3_value** argv) {
  if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
  const sql_rep rep = sql_rep_of(int16_t(sqlite3_value_int(argv[1])));
  const int64_t digits = sqlite3_value_int64(argv[2]);
  if (op == 2 && (digits < 0 || digits > 28)) return sqlite3_result_error(ctx, kInvalidCall, -1);
  if (rep == sql_rep::integer || rep == sql_rep::boolean) {
    const int64_t v = sqlite3_value_int64(argv[0]);
    return sqlite3_result_int64(ctx, op == 3 ? (v < 0 ? -v : v) : v);
  }
  if (rep == sql_rep::currency || rep == sql_rep::decimal) {
    sql_decimal d;
    if (rep == sql_rep::currency) {
      d = sql_decimal{sqlite3_value_int64(argv[0]), 4};
    } else {
      auto x = dec_arg(argv[0]);
      if (!x) return sqlite3_result_error(ctx, kMismatch, -1);
      d = *x;
    }
    if (op == 3) {
      if (d.m < 0) d.m = -d.m;
    } else if (op == 2) {
      d = sql_dec_round(d, int(digits));
    } else if (d.scale > 0) {
      __int128 p = 1;
      for (int i = 0; i < d.scale; ++i) p *= 10;
      __int128 q = d.m / p;
      if (op == 0 && d.m < 0 && q * p != d.m) --q;  // Int rounds down, Fix toward zero
      d = sql_decimal{q, 0};
    }
    if (rep == sql_rep::currency) {
      while (d.scale < 4) {
        d.m *= 10;
        ++d.scale;
      }
      return sqlite3_result_int64(ctx, int64_t(d.m));
    }
    return result8(ctx, sql_dec_format(d));
  }
  const double x = sqlite3_value_double(argv[0]);
  double r;
  if (op == 0)
    r = std::floor(x);
  else if (op == 1)
    r = std::trunc(x);
  else if (op == 3)
    r = std::fabs(x);
  else {
    const double scale = std::pow(10.0, double(digits));
    r = round_even(x * scale) / scale;
    if (!std::isfinite(r)) r = x;
  }
  sqlite3_result_double(ctx, r);
}

// acc_partition(n, start, stop, interval): "lower:upper", each side padded
// to the width of stop + 1, so that the ranges sort as text; with an
// interval of 1 the range is n:n whatever start and stop are.
void fn_partition(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  if (any_null(argc, argv)) return sqlite3_result_null(ctx);
  const int64_t n = sqlite3_value_int64(argv[0]), start = sqlite3_value_int64(argv[1]),
                stop = sqlite3_value_int64(argv[2]), step = sqlite3_value_int64(argv[3]);
  if (start < 0 || stop <= start || step < 1 || stop > INT32_MAX)
    return sqlite3_result_error(ctx, kInvalidCall, -1);
  const size_t width = std::to_string(stop + 1).size();
  auto pad = [&](const std::string& s) {
    return s.size() < width ? std::string(width - s.size(), ' ') + s : s;
  };
  std::string lower, upper;
  if (step == 1) {
    lower = upper = std::to_string(n);
  } else if (n < start) {
    upper = std::to_string(start - 1);
  } else if (n > stop) {
    lower = std::to_string(stop + 1);
  } else {
    const int64_t low = start + (n - start) / step * step;
    const int64_t high = low + step - 1 < stop ? low + step - 1 : stop;
    lower = std::to_string(low);
    upper = std::to_string(high);
  }
  result8(ctx, pad(lower) + ":" + pad(upper));
}

const function_entry kEntries[] = {
    {"acc_dec_add", 2, fn_dec<0>, true}, {"acc_dec_sub", 2, fn_dec<1>, true},
    {"acc_dec_mul", 2, fn_dec<2>, true}, {"acc_dec_div", 2, fn_dec<3>, true},
    {"acc_dec_neg", 1, fn_dec<4>, true}, {"acc_dec_norm", 1, fn_dec<5>, true},
    {"acc_dec_cmp", 2, fn_dec<6>, true}, {"acc_cy_mul", 2, fn_cy_mul, true},
    {"acc_pow", 2, fn_pow, true},        {"acc_sqr", 1, fn_sqr, true},
    {"acc_ceil", 1, fn_ceil, true},      {"acc_floor", 1, fn_floor, true},
    {"acc_sgn", 1, fn_sgn, true},        {"acc_int", 3, fn_numeric<0>, true},
    {"acc_fix", 3, fn_numeric<1>, true}, {"acc_round", 3, fn_numeric<2>, true},
    {"acc_abs", 3, fn_numeric<3>, true}, {"acc_partition", 4, fn_partition, true},
};

}  // namespace

table<function_entry> number_functions() {
  return {std::begin(kEntries), std::end(kEntries)};
}

}  // namespace sql_fn
