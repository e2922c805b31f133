// Argument and result helpers of the Access SQL functions (see
// sql_functions_values.h).
#include "access/dao/sql/sql_functions_values.h"

#include <cfenv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "OLE/automation/oleauto.h"
#include "TK/tk_text.h"
#include "TK/tk_utf_codec.h"
#include "access/dao/sql/sql_types.h"

namespace sql_fn {

// ---- text
char32_t fold(char32_t c) {
  if (c >= 'A' && c <= 'Z') return c + 32;
  if (c < 0x80) return c;
  if ((c >= 0xC0 && c <= 0xDE && c != 0xD7)) return c + 32;
  if (c >= 0x100 && c <= 0x17F && c != 0x130 && c != 0x131 && c != 0x138 && c != 0x149 &&
      c != 0x17F)
    return ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) ? (c % 2 ? c + 1 : c)
                                                                      : (c | 1);
  if (c >= 0x391 && c <= 0x3A9) return c + 32;
  if (c >= 0x410 && c <= 0x42F) return c + 32;
  if (c >= 0x400 && c <= 0x40F) return c + 80;
  return c;
}

char32_t unfold(char32_t c) {
  if (c >= 'a' && c <= 'z') return c - 32;
  if (c < 0x80) return c;
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return c - 32;
  if (c >= 0x100 && c <= 0x17F && fold(c - 1) == c) return c - 1;
  if (c >= 0x3B1 && c <= 0x3C9 && c != 0x3C2) return c - 32;
  if (c >= 0x430 && c <= 0x44F) return c - 32;
  if (c >= 0x450 && c <= 0x45F) return c - 80;
  return c;
}

namespace {

// The next character of UTF-8 text; an ill-formed sequence (its maximal
// subpart) reads as one U+FFFD, as everywhere else text is decoded.
char32_t next_char(const char* s, size_t n, size_t& i) {
  char32_t cp = 0;
  return tk_utf::decode_utf8(s, n, i, cp) ? cp : tk_utf::kReplacement;
}

}  // namespace

int collate_acc(void*, int na, const void* a, int nb, const void* b) {
  const char* x = static_cast<const char*>(a);
  const char* y = static_cast<const char*>(b);
  const size_t nx = size_t(na), ny = size_t(nb);
  size_t i = 0, k = 0;
  while (i < nx && k < ny) {
    const char32_t cx = fold(next_char(x, nx, i)), cy = fold(next_char(y, ny, k));
    if (cx != cy) return cx < cy ? -1 : 1;
  }
  return (i < nx) - (k < ny);
}

int collate_dec(void*, int na, const void* a, int nb, const void* b) {
  const auto x = sql_dec_parse(std::string(static_cast<const char*>(a), size_t(na)));
  const auto y = sql_dec_parse(std::string(static_cast<const char*>(b), size_t(nb)));
  if (!x || !y) return collate_acc(nullptr, na, a, nb, b);
  return sql_dec_compare(*x, *y);
}

std::u16string text16(sqlite3_value* v) {
  const void* p = sqlite3_value_text16(v);
  const int n = sqlite3_value_bytes16(v);
  if (!p) return {};
  return std::u16string(static_cast<const char16_t*>(p), size_t(n) / 2);
}

std::string text8(sqlite3_value* v) {
  const unsigned char* p = sqlite3_value_text(v);
  return p ? std::string(reinterpret_cast<const char*>(p), size_t(sqlite3_value_bytes(v))) : "";
}

void result16(sqlite3_context* ctx, const std::u16string& s) {
  sqlite3_result_text16(ctx, s.data(), int(s.size() * 2), SQLITE_TRANSIENT);
}

void result8(sqlite3_context* ctx, const std::string& s) {
  sqlite3_result_text(ctx, s.data(), int(s.size()), SQLITE_TRANSIENT);
}

bool any_null(int argc, sqlite3_value** argv) {
  for (int i = 0; i < argc; ++i)
    if (sqlite3_value_type(argv[i]) == SQLITE_NULL) return true;
  return false;
}

// ---- numbers
double round_even(double x) {
  const int mode = std::fegetround();
  std::fesetround(FE_TONEAREST);
  const double r = std::nearbyint(x);
  std::fesetround(mode);
  return r;
}

std::string double_text(double d, bool single) {
  char buf[48];
  std::snprintf(buf, sizeof buf, single ? "%.7g" : "%.15g", d);
  std::string s = buf;
  const size_t e = s.find('e');
  if (e != std::string::npos) {
    // VBA writes 1E+20 and 1E-05.
    std::string mant = s.substr(0, e), exp = s.substr(e + 1);
    const char sign = exp[0];
    exp = exp.substr(1);
    while (exp.size() > 2 && exp[0] == '0') exp.erase(0, 1);
    s = mant + "E" + sign + exp;
  }
  return s;
}

std::string cy_text(int64_t cy) {
  sql_decimal d{cy, 4};
  return sql_dec_format(sql_dec_normalized(d));
}

std::string date_text(double d) {
  BSTR b = nullptr;
  if (VarBstrFromDate(d, 1033, 0, &b) < 0) return {};
  std::string s = tk_utf16_to_utf8(std::u16string_view(b, SysStringLen(b)));
  SysFreeString(b);
  return s;
}

bool parse_double(const std::string& s, double& out) {
  const char* p = s.c_str();
  while (*p == ' ') ++p;
  if (!*p) return false;
  char* end = nullptr;
  out = std::strtod(p, &end);
  if (end == p) return false;
  while (*end == ' ') ++end;
  return *end == 0 && std::isfinite(out);
}

number decode(sqlite3_value* v, int16_t type) {
  number n;
  const int storage = sqlite3_value_type(v);
  if (storage == SQLITE_NULL) return n;
  switch (sql_rep_of(type)) {
    case sql_rep::boolean:
    case sql_rep::integer:
      if (storage == SQLITE_INTEGER) {
        n.kind = number::integer;
        n.i = sqlite3_value_int64(v);
      } else {
        n.kind = number::real;
        n.r = sqlite3_value_double(v);
      }
      return n;
    case sql_rep::currency:
      if (storage == SQLITE_INTEGER) {
        n.kind = number::currency;
        n.i = sqlite3_value_int64(v);
      } else {
        n.kind = number::real;
        n.r = sqlite3_value_double(v) / 10000.0;
      }
      return n;
    case sql_rep::real:
    case sql_rep::date:
      n.kind = number::real;
      n.r = sqlite3_value_double(v);
      return n;
    case sql_rep::decimal: {
      auto d = sql_dec_parse(text8(v));
      if (d) {
        n.kind = number::decimal;
        n.d = *d;
      } else {
        n.kind = number::real;
        n.r = sqlite3_value_double(v);
      }
      return n;
    }
    case sql_rep::blob:
      n.kind = number::blob;
      return n;
    default:
      n.kind = number::text;
      n.s = text8(v);
      return n;
  }
}

bool text_number(const std::string& s, number& out) {
  if (auto d = sql_dec_parse(s)) {
    out.kind = number::decimal;
    out.d = *d;
    return true;
  }
  double r;
  if (!parse_double(s, r)) return false;
  out.kind = number::real;
  out.r = r;
  return true;
}

bool text_date(const std::string& s, double& out) {
  const std::u16string w = tk_utf8_to_utf16(s);
  DATE d;
  if (w.empty() || VarDateFromStr(w.c_str(), 1033, 0, &d) < 0) return false;
  out = d;
  return true;
}

double as_double(const number& n) {
  switch (n.kind) {
    case number::integer:
      return double(n.i);
    case number::currency:
      return double(n.i) / 10000.0;
    case number::decimal:
      return sql_dec_to_double(n.d);
    default:
      return n.r;
  }
}

// ---- decimal and currency
std::optional<sql_decimal> dec_arg(sqlite3_value* v) {
  if (sqlite3_value_type(v) == SQLITE_INTEGER) return sql_decimal{sqlite3_value_int64(v), 0};
  if (sqlite3_value_type(v) == SQLITE_FLOAT) return sql_dec_from_double(sqlite3_value_double(v));
  return sql_dec_parse(text8(v));
}

bool split_date(double d, SYSTEMTIME& st) {
  return VariantTimeToSystemTime(d, &st) != 0;
}

}  // namespace sql_fn
