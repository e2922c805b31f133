// Exact decimal arithmetic (see sql_decimal.h).
#include "access/dao/sql/sql_decimal.h"

#include <cmath>
#include <cstdio>

namespace {

constexpr int kMaxScale = 28;
// 10^28 - 1 would be DECIMAL's bound for 28 digits; allow the full 96 bits.
const __int128 kMaxMagnitude = (__int128(1) << 96) - 1;

__int128 pow10(int n) {
  __int128 p = 1;
  for (int i = 0; i < n; ++i) p *= 10;
  return p;
}

bool fits(__int128 m) {
  return m <= kMaxMagnitude && m >= -kMaxMagnitude;
}

// a scaled up by n places, or false on overflow.
bool scale_up(__int128 a, int n, __int128& out) {
  __int128 r = a;
  for (int i = 0; i < n; ++i)
    if (__builtin_mul_overflow(r, __int128(10), &r)) return false;
  out = r;
  return true;
}

__int128 divide_round_even(__int128 a, __int128 b) {
  __int128 q = a / b, r = a % b;
  if (r < 0) r = -r;
  const __int128 bb = b < 0 ? -b : b;
  const bool negative = (a < 0) != (b < 0);
  if (2 * r > bb || (2 * r == bb && (q % 2) != 0)) q += negative ? -1 : 1;
  return q;
}

}  // namespace

std::optional<sql_decimal> sql_dec_parse(const std::string& text) {
  size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  sql_decimal d;
  bool digits = false, point = false;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '.' && !point) {
      point = true;
      continue;
    }
    if (c < '0' || c > '9') break;
    digits = true;
    if (d.m > kMaxMagnitude / 10) {
      if (point) continue;  // digits beyond what fits after the point are dropped
      return std::nullopt;
    }
    d.m = d.m * 10 + (c - '0');
    if (point) ++d.scale;
  }
  int exponent = 0;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    exponent = std::atoi(text.c_str() + i + 1);
    ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i;
  }
  while (i < text.size() && text[i] == ' ') ++i;
  if (!digits || i != text.size() || exponent > 40 || exponent < -40) return std::nullopt;
  d.scale -= exponent;
  if (d.scale < 0) {
    if (!scale_up(d.m, -d.scale, d.m) || !fits(d.m)) return std::nullopt;
    d.scale = 0;
  }
  if (d.scale > kMaxScale) d = sql_dec_round(d, kMaxScale);
  if (negative) d.m = -d.m;
  return d;
}

std::string sql_dec_format(const sql_decimal& d) {
  __int128 m = d.m < 0 ? -d.m : d.m;
  std::string digits;
  do {
    digits.insert(digits.begin(), char('0' + int(m % 10)));
    m /= 10;
  } while (m != 0);
  if (d.scale > 0) {
    while (int(digits.size()) <= d.scale) digits.insert(digits.begin(), '0');
    digits.insert(digits.end() - d.scale, '.');
  }
  return (d.m < 0 ? "-" : "") + digits;
}

sql_decimal sql_dec_normalized(sql_decimal d) {
  while (d.scale > 0 && d.m % 10 == 0) {
    d.m /= 10;
    --d.scale;
  }
  return d;
}

sql_decimal sql_dec_round(const sql_decimal& d, int scale) {
  if (d.scale <= scale) return d;
  sql_decimal r;
  r.m = divide_round_even(d.m, pow10(d.scale - scale));
  r.scale = scale;
  return r;
}

int sql_dec_compare(const sql_decimal& a, const sql_decimal& b) {
  __int128 x = a.m, y = b.m;
  const bool ok =
      a.scale >= b.scale ? scale_up(y, a.scale - b.scale, y) : scale_up(x, b.scale - a.scale, x);
  if (!ok) {
    const double p = sql_dec_to_double(a), q = sql_dec_to_double(b);
    return p < q ? -1 : p > q ? 1 : 0;
  }
  return x < y ? -1 : x > y ? 1 : 0;
}

std::optional<sql_decimal> sql_dec_add(const sql_decimal& a, const sql_decimal& b) {
  sql_decimal r;
  __int128 x = a.m, y = b.m;
  r.scale = a.scale > b.scale ? a.scale : b.scale;
  if (!scale_up(x, r.scale - a.scale, x) || !scale_up(y, r.scale - b.scale, y)) return std::nullopt;
  if (__builtin_add_overflow(x, y, &r.m) || !fits(r.m)) return std::nullopt;
  return r;
}

std::optional<sql_decimal> sql_dec_mul(const sql_decimal& a, const sql_decimal& b) {
  sql_decimal r;
  if (__builtin_mul_overflow(a.m, b.m, &r.m)) return std::nullopt;
  r.scale = a.scale + b.scale;
  while (!fits(r.m) && r.scale > 0) r = sql_dec_round(r, r.scale - 1);
  if (r.scale > kMaxScale) r = sql_dec_round(r, kMaxScale);
  if (!fits(r.m)) return std::nullopt;
  return r;
}

std::optional<sql_decimal> sql_dec_div(const sql_decimal& a, const sql_decimal& b) {
  if (b.m == 0) return std::nullopt;
  // Scale the dividend up as far as it goes, then divide.
  __int128 x = a.m;
  int scale = a.scale - b.scale;
  while (scale < kMaxScale) {
    __int128 next;
    if (!scale_up(x, 1, next) || !fits(next)) break;
    x = next;
    ++scale;
  }
  sql_decimal r;
  r.m = divide_round_even(x, b.m);
  r.scale = scale;
  while (r.scale < 0) {
    if (!scale_up(r.m, 1, r.m) || !fits(r.m)) return std::nullopt;
    ++r.scale;
  }
  return sql_dec_normalized(r);
}

std::optional<sql_decimal> sql_dec_from_double(double d) {
  if (!std::isfinite(d)) return std::nullopt;
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.15g", d);
  return sql_dec_parse(buf);
}

double sql_dec_to_double(const sql_decimal& d) {
  return double(d.m) / std::pow(10.0, double(d.scale));
}
