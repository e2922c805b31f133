// Exact number arithmetic of the automation layer: en-US number text, the
// DECIMAL and CY conversions, and half-to-even rounding. DECIMAL and CY never
// pass through double except where the result itself is a double, and then
// the double is the correctly rounded one (strtod of the exact digits).
#include "OLE/automation/oleauto_number.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "OLE/automation/oleauto.h"

namespace oleauto_detail {

namespace {

bool is_blank(char16_t c) {
  return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == 0xA0;
}
bool is_digit(char16_t c) {
  return c >= u'0' && c <= u'9';
}

// 36 decimal digits always fit below 2^120.
constexpr int kMaxDigits = 36;
constexpr long kExponentClamp = 100000;

std::string u128_text(u128 v) {
  if (v == 0) return "0";
  char buf[48];
  int pos = sizeof buf;
  while (v != 0) {
    buf[--pos] = static_cast<char>('0' + static_cast<int>(v % 10));
    v /= 10;
  }
  return std::string(buf + pos, sizeof buf - pos);
}

}  // namespace

u128 pow10(int n) {
  u128 p = 1;
  for (int i = 0; i < n; ++i) p *= 10;
  return p;
}

std::optional<parsed_number> parse_number(std::u16string_view t) {
  size_t i = 0;
  size_t n = t.size();
  while (i < n && is_blank(t[i])) ++i;
  while (n > i && is_blank(t[n - 1])) --n;
  parsed_number r;
  if (i < n && (t[i] == u'+' || t[i] == u'-')) r.neg = t[i++] == u'-';
  std::string digits;
  long frac_digits = 0;
  bool any = false;
  while (i < n) {
    if (is_digit(t[i])) {
      digits += static_cast<char>(t[i]);
      any = true;
    } else if (t[i] != u',' || !any) {  // group separators only after a digit
      break;
    }
    ++i;
  }
  if (i < n && t[i] == u'.') {
    for (++i; i < n && is_digit(t[i]); ++i) {
      digits += static_cast<char>(t[i]);
      ++frac_digits;
      any = true;
    }
  }
  if (!any) return std::nullopt;
  long exp = 0;
  if (i < n && (t[i] == u'e' || t[i] == u'E' || t[i] == u'd' || t[i] == u'D')) {
    ++i;
    bool exp_neg = false;
    if (i < n && (t[i] == u'+' || t[i] == u'-')) exp_neg = t[i++] == u'-';
    if (i >= n || !is_digit(t[i])) return std::nullopt;
    for (; i < n && is_digit(t[i]); ++i) {
      if (exp < kExponentClamp) exp = exp * 10 + (t[i] - u'0');
    }
    if (exp_neg) exp = -exp;
  }
  if (i != n) return std::nullopt;
  size_t lead = 0;
  while (lead < digits.size() && digits[lead] == '0') ++lead;
  r.digits = digits.substr(lead);
  long e = exp - frac_digits;
  if (e < -2 * kExponentClamp) e = -2 * kExponentClamp;
  r.exponent = static_cast<int>(e);
  if (r.digits.empty()) r.neg = false;
  return r;
}

std::optional<u128> scaled_magnitude(const parsed_number& n, int scale) {
  const std::string& d = n.digits;
  if (d.empty()) return u128{0};
  const long e = long{n.exponent} + scale;
  const long len = static_cast<long>(d.size());
  const long whole_len = len + e;  // digits before the point after scaling
  if (whole_len > kMaxDigits) return std::nullopt;
  u128 v = 0;
  if (e >= 0) {
    for (char c : d) v = v * 10 + static_cast<unsigned>(c - '0');
    for (long k = 0; k < e; ++k) v *= 10;
    return v;
  }
  if (whole_len < 0) return u128{0};  // below 0.1: rounds to 0
  for (long k = 0; k < whole_len; ++k) v = v * 10 + static_cast<unsigned>(d[k] - '0');
  const int first = d[whole_len] - '0';
  bool more = false;
  for (long k = whole_len + 1; k < len && !more; ++k) more = d[k] != '0';
  if (first > 5 || (first == 5 && (more || (v & 1) != 0))) ++v;
  return v;
}

double to_double(const parsed_number& n) {
  std::string text = n.neg ? "-" : "";
  text += n.digits.empty() ? "0" : n.digits;
  text += "e" + std::to_string(n.exponent);
  return std::strtod(text.c_str(), nullptr);
}

u128 round_div_pow10(u128 num, int scale) {
  if (scale <= 0) return num;
  const u128 p = pow10(scale);
  u128 q = num / p;
  const u128 r = num % p;
  const u128 half = p / 2;
  if (r > half || (r == half && (q & 1) != 0)) ++q;
  return q;
}

u128 dec_mantissa(const DECIMAL& d) {
  return (u128{d.Hi32} << 64) | (u128{d.Mid32} << 32) | u128{d.Lo32};
}

void dec_set(DECIMAL& d, bool neg, u128 mantissa, int scale) {
  d.wReserved = 0;
  d.scale = static_cast<uint8_t>(scale);
  d.sign = neg ? DECIMAL_NEG : 0;
  d.Lo32 = static_cast<uint32_t>(mantissa);
  d.Mid32 = static_cast<uint32_t>(mantissa >> 32);
  d.Hi32 = static_cast<uint32_t>(mantissa >> 64);
}

HRESULT dec_from_parsed(const parsed_number& n, DECIMAL& out) {
  int scale =
      n.exponent < 0 ? (n.exponent < -DECIMAL_MAX_SCALE ? DECIMAL_MAX_SCALE : -n.exponent) : 0;
  // Drop decimals (rounding from the original digits each time, so there is
  // no double rounding) until the mantissa fits in 96 bits.
  for (;; --scale) {
    const std::optional<u128> m = scaled_magnitude(n, scale);
    if (m && *m <= kDecMax) {
      dec_set(out, n.neg && *m != 0, *m, scale);
      return S_OK;
    }
    if (scale == 0) return DISP_E_OVERFLOW;
  }
}

std::string dec_text(bool neg, u128 mantissa, int scale) {
  std::string digits = u128_text(mantissa);
  if (scale > 0) {
    if (static_cast<int>(digits.size()) <= scale)
      digits.insert(0, static_cast<size_t>(scale) + 1 - digits.size(), '0');
    digits.insert(digits.size() - static_cast<size_t>(scale), 1, '.');
    while (digits.back() == '0') digits.pop_back();
    if (digits.back() == '.') digits.pop_back();
  }
  return (neg && mantissa != 0 ? "-" : "") + digits;
}

parsed_number dec_to_parsed(const DECIMAL& d) {
  parsed_number p;
  const u128 m = dec_mantissa(d);
  p.neg = (d.sign & DECIMAL_NEG) != 0 && m != 0;
  p.digits = m == 0 ? std::string() : u128_text(m);
  p.exponent = -static_cast<int>(d.scale);
  return p;
}

HRESULT dec_from_double(double v, int significant, DECIMAL& out) {
  if (!std::isfinite(v)) return DISP_E_OVERFLOW;
  char text[64];
  std::snprintf(text, sizeof text, "%.*e", significant - 1, v);
  std::optional<parsed_number> n = parse_number(ascii_to_u16(text));
  if (!n) return DISP_E_TYPEMISMATCH;
  // The printed form pads with zeros; drop them so 0.1 gets scale 1.
  while (!n->digits.empty() && n->digits.back() == '0') {
    n->digits.pop_back();
    ++n->exponent;
  }
  return dec_from_parsed(*n, out);
}

bool fits(__int128 v, __int128 lo, __int128 hi) {
  return v >= lo && v <= hi;
}

std::u16string ascii_to_u16(std::string_view s) {
  return std::u16string(s.begin(), s.end());
}

BSTR bstr_from_ascii(std::string_view s) {
  const std::u16string u = ascii_to_u16(s);
  return SysAllocStringLen(u.data(), static_cast<uint32_t>(u.size()));
}

}  // namespace oleauto_detail

using namespace oleauto_detail;

namespace {

bool dec_ok(const DECIMAL* d) {
  return d && d->scale <= DECIMAL_MAX_SCALE && (d->sign & ~DECIMAL_NEG) == 0;
}

std::u16string_view text_of(LPCOLESTR text) {
  if (!text) return {};
  size_t len = 0;
  while (text[len] != 0) ++len;
  return {text, len};
}

HRESULT cy_from_signed(bool neg, u128 magnitude, CY* out) {
  const u128 limit = neg ? (u128{1} << 63) : (u128{1} << 63) - 1;
  if (magnitude > limit) return DISP_E_OVERFLOW;
  out->int64 = neg ? static_cast<int64_t>(-static_cast<__int128>(magnitude))
                   : static_cast<int64_t>(magnitude);
  return S_OK;
}

}  // namespace

HRESULT VarCyFromStr(LPCOLESTR text, LCID, uint32_t, CY* out) {
  if (!out) return E_INVALIDARG;
  const std::optional<parsed_number> n = parse_number(text_of(text));
  if (!n) return DISP_E_TYPEMISMATCH;
  const std::optional<u128> m = scaled_magnitude(*n, 4);
  if (!m) return DISP_E_OVERFLOW;
  return cy_from_signed(n->neg, *m, out);
}

HRESULT VarDecFromStr(LPCOLESTR text, LCID, uint32_t, DECIMAL* out) {
  if (!out) return E_INVALIDARG;
  const std::optional<parsed_number> n = parse_number(text_of(text));
  if (!n) return DISP_E_TYPEMISMATCH;
  return dec_from_parsed(*n, *out);
}

HRESULT VarBstrFromDec(const DECIMAL* in, LCID, uint32_t, BSTR* out) {
  if (!out || !dec_ok(in)) return E_INVALIDARG;
  *out = bstr_from_ascii(dec_text(in->sign != 0, dec_mantissa(*in), in->scale));
  return *out ? S_OK : E_OUTOFMEMORY;
}

HRESULT VarBstrFromCy(CY in, LCID, uint32_t, BSTR* out) {
  if (!out) return E_INVALIDARG;
  const bool neg = in.int64 < 0;
  const u128 mag =
      neg ? static_cast<u128>(-static_cast<__int128>(in.int64)) : static_cast<u128>(in.int64);
  *out = bstr_from_ascii(dec_text(neg, mag, 4));
  return *out ? S_OK : E_OUTOFMEMORY;
}

HRESULT VarR8FromCy(CY in, double* out) {
  if (!out) return E_INVALIDARG;
  char text[40];
  std::snprintf(text, sizeof text, "%llde-4", static_cast<long long>(in.int64));
  *out = std::strtod(text, nullptr);
  return S_OK;
}

HRESULT VarR8FromDec(const DECIMAL* in, double* out) {
  if (!out || !dec_ok(in)) return E_INVALIDARG;
  *out = to_double(dec_to_parsed(*in));
  return S_OK;
}

HRESULT VarI4FromDec(const DECIMAL* in, int32_t* out) {
  if (!out || !dec_ok(in)) return E_INVALIDARG;
  const u128 m = round_div_pow10(dec_mantissa(*in), in->scale);
  const __int128 v = in->sign ? -static_cast<__int128>(m) : static_cast<__int128>(m);
  if (!fits(v, INT32_MIN, INT32_MAX)) return DISP_E_OVERFLOW;
  *out = static_cast<int32_t>(v);
  return S_OK;
}

HRESULT VarDecFromCy(CY in, DECIMAL* out) {
  if (!out) return E_INVALIDARG;
  const bool neg = in.int64 < 0;
  const u128 mag =
      neg ? static_cast<u128>(-static_cast<__int128>(in.int64)) : static_cast<u128>(in.int64);
  dec_set(*out, neg, mag, 4);
  return S_OK;
}

HRESULT VarCyFromDec(const DECIMAL* in, CY* out) {
  if (!out || !dec_ok(in)) return E_INVALIDARG;
  const u128 m = dec_mantissa(*in);
  const u128 scaled = in->scale <= 4 ? m * pow10(4 - in->scale) : round_div_pow10(m, in->scale - 4);
  return cy_from_signed(in->sign != 0, scaled, out);
}

HRESULT VarCyFromR8(double in, CY* out) {
  if (!out) return E_INVALIDARG;
  const double scaled = in * 10000.0;
  // nearbyint rounds halves to even in the default rounding mode.
  if (!(std::fabs(scaled) < 9223372036854775808.0)) return DISP_E_OVERFLOW;
  const double r = std::nearbyint(scaled);
  if (r >= 9223372036854775808.0 || r < -9223372036854775808.0) return DISP_E_OVERFLOW;
  out->int64 = static_cast<int64_t>(r);
  return S_OK;
}

HRESULT VarDecFromR8(double in, DECIMAL* out) {
  if (!out) return E_INVALIDARG;
  return dec_from_double(in, 15, *out);
}

HRESULT VarDecFromI8(int64_t in, DECIMAL* out) {
  if (!out) return E_INVALIDARG;
  const bool neg = in < 0;
  dec_set(*out, neg, neg ? static_cast<u128>(-static_cast<__int128>(in)) : static_cast<u128>(in),
          0);
  return S_OK;
}

HRESULT VarDecFromUI8(uint64_t in, DECIMAL* out) {
  if (!out) return E_INVALIDARG;
  dec_set(*out, false, in, 0);
  return S_OK;
}
