// Exact decimal arithmetic (see sql_decimal.h). Reading number text,
// rounding half to even, powers of ten and the conversions to and from
// double are the automation layer's (oleauto_number); what is added here is
// the signed arithmetic on a scale that the staging text keeps.
#include "access/dao/sql/sql_decimal.h"

#include "OLE/automation/oleauto_number.h"

namespace od = oleauto_detail;

namespace {

constexpr int kMaxScale = 28;

od::u128 magnitude(__int128 m) {
  return m < 0 ? od::u128(-m) : od::u128(m);
}

bool fits(__int128 m) {
  return magnitude(m) <= od::kDecMax;
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

sql_decimal from_decimal(const DECIMAL& d) {
  const __int128 m = __int128(od::dec_mantissa(d));
  return sql_decimal{d.sign ? -m : m, int(d.scale)};
}

// The staging text is plain: blanks, sign, digits, one point, an e/E
// exponent within 40. Group separators and the other forms the automation
// layer reads are not decimal column values.
bool plain_number_text(const std::string& text) {
  int exponent = 0;
  bool in_exponent = false;
  for (char c : text) {
    if (c == 'e' || c == 'E') {
      in_exponent = true;
    } else if (in_exponent && c >= '0' && c <= '9') {
      exponent = exponent * 10 + (c - '0');
      if (exponent > 40) return false;
    } else if (!(c == ' ' || c == '+' || c == '-' || c == '.' || (c >= '0' && c <= '9'))) {
      return false;
    }
  }
  return true;
}

}  // namespace

std::optional<sql_decimal> sql_dec_parse(const std::string& text) {
  if (!plain_number_text(text)) return std::nullopt;
  std::optional<od::parsed_number> n = od::parse_number(od::ascii_to_u16(text));
  if (!n) return std::nullopt;
  DECIMAL d{};
  if (od::dec_from_parsed(*n, d) != S_OK) return std::nullopt;
  return from_decimal(d);
}

std::string sql_dec_format(const sql_decimal& d) {
  std::string digits = od::dec_text(false, magnitude(d.m), 0);
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
  const __int128 q = __int128(od::round_div_pow10(magnitude(d.m), d.scale - scale));
  return sql_decimal{d.m < 0 ? -q : q, scale};
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
  DECIMAL out{};
  if (od::dec_from_double(d, 15, out) != S_OK) return std::nullopt;
  return from_decimal(out);
}

double sql_dec_to_double(const sql_decimal& d) {
  od::parsed_number n;
  n.neg = d.m < 0;
  n.digits = d.m == 0 ? std::string() : od::dec_text(false, magnitude(d.m), 0);
  n.exponent = -d.scale;
  return od::to_double(n);
}
