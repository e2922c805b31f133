// SQLite functions of translated Access SQL (see sql_functions.h).
#include "access/dao/sql/sql_functions.h"

#include <sqlite3.h>

#include <cfenv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "OLE/automation/oleauto.h"
#include "TK/tk_text.h"
#include "access/dao/sql/sql_decimal.h"
#include "access/dao/sql/sql_types.h"

namespace {

const char kMismatch[] = "jet:3464:Data type mismatch in criteria expression.";
const char kOverflow[] = "jet:3071:Overflow.";

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

char32_t next_utf8(const unsigned char*& p, const unsigned char* end) {
  const unsigned char c = *p++;
  if (c < 0x80) return c;
  int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
  char32_t v = c & (0x3F >> extra);
  while (extra-- > 0 && p < end && (*p & 0xC0) == 0x80) v = (v << 6) | (*p++ & 0x3F);
  return v;
}

int collate_acc(void*, int na, const void* a, int nb, const void* b) {
  const unsigned char *p = static_cast<const unsigned char*>(a), *pe = p + na;
  const unsigned char *q = static_cast<const unsigned char*>(b), *qe = q + nb;
  while (p < pe && q < qe) {
    const char32_t x = fold(next_utf8(p, pe)), y = fold(next_utf8(q, qe));
    if (x != y) return x < y ? -1 : 1;
  }
  return (p < pe) - (q < qe);
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

// One value decoded from its representation.
struct number {
  enum { null, integer, real, currency, decimal, text, blob } kind = null;
  int64_t i = 0;
  double r = 0;
  sql_decimal d;
  std::string s;
};

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

// The numeric value of a text, or false.
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

// ---- Like
bool like_class(const char16_t*& p, const char16_t* pe, char16_t c, bool& ok) {
  // p points after '['.
  bool negate = false, matched = false;
  if (p < pe && *p == u'!') {
    negate = true;
    ++p;
  }
  const char16_t* start = p;
  while (p < pe && (*p != u']' || p == start)) {
    char16_t lo = *p++;
    char16_t hi = lo;
    if (p + 1 < pe && *p == u'-' && p[1] != u']') {
      hi = p[1];
      p += 2;
    }
    const char32_t fc = fold(c);
    if ((c >= lo && c <= hi) || (fold(lo) <= fc && fc <= fold(hi))) matched = true;
  }
  if (p >= pe) {
    ok = false;
    return false;
  }
  ++p;  // ]
  return matched != negate;
}

}  // namespace

bool sql_like(const char16_t* s, size_t sn, const char16_t* p, size_t pn) {
  // Iterative matcher with one backtrack point for the last *.
  const char16_t *se = s + sn, *pe = p + pn;
  const char16_t *star_p = nullptr, *star_s = nullptr;
  while (s < se) {
    if (p < pe && *p == u'*') {
      star_p = ++p;
      star_s = s;
      continue;
    }
    bool step = false;
    const char16_t* next = p;
    if (p < pe) {
      if (*p == u'?') {
        step = true;
        next = p + 1;
      } else if (*p == u'#') {
        step = *s >= u'0' && *s <= u'9';
        next = p + 1;
      } else if (*p == u'[') {
        const char16_t* q = p + 1;
        bool ok = true;
        step = like_class(q, pe, *s, ok);
        if (!ok) return false;
        next = q;
      } else {
        step = fold(*p) == fold(*s);
        next = p + 1;
      }
    }
    if (step) {
      p = next;
      ++s;
    } else if (star_p) {
      p = star_p;
      s = ++star_s;
    } else {
      return false;
    }
  }
  while (p < pe && *p == u'*') ++p;
  return p == pe;
}

namespace {

void fn_like(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  if (any_null(argc, argv)) return sqlite3_result_null(ctx);
  const std::u16string s = text16(argv[0]), p = text16(argv[1]);
  sqlite3_result_int(ctx, sql_like(s.data(), s.size(), p.data(), p.size()) ? 1 : 0);
}

// ---- decimal and currency
std::optional<sql_decimal> dec_arg(sqlite3_value* v) {
  if (sqlite3_value_type(v) == SQLITE_INTEGER) return sql_decimal{sqlite3_value_int64(v), 0};
  if (sqlite3_value_type(v) == SQLITE_FLOAT) return sql_dec_from_double(sqlite3_value_double(v));
  return sql_dec_parse(text8(v));
}

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
// xFinal (always called once a step ran) takes it back.
template <class S>
S* step_state(sqlite3_context* ctx) {
  auto** slot = static_cast<S**>(sqlite3_aggregate_context(ctx, sizeof(S*)));
  if (!slot) return nullptr;
  if (!*slot) *slot = std::make_unique<S>().release();
  return *slot;
}

template <class S>
std::unique_ptr<S> final_state(sqlite3_context* ctx) {
  auto** slot = static_cast<S**>(sqlite3_aggregate_context(ctx, 0));
  if (!slot) return nullptr;
  std::unique_ptr<S> owned(*slot);
  *slot = nullptr;
  return owned;
}

struct dec_sum_state {
  sql_decimal sum;
  int64_t count = 0;
  bool overflow = false;
};

template <bool avg>
void dec_sum_step(sqlite3_context* ctx, int, sqlite3_value** argv) {
  auto* st = step_state<dec_sum_state>(ctx);
  if (!st || sqlite3_value_type(argv[0]) == SQLITE_NULL) return;
  auto v = dec_arg(argv[0]);
  if (!v) return;
  auto r = sql_dec_add(st->sum, *v);
  if (!r)
    st->overflow = true;
  else
    st->sum = *r;
  ++st->count;
}

template <bool avg>
void dec_sum_final(sqlite3_context* ctx) {
  const auto st = final_state<dec_sum_state>(ctx);
  if (!st || st->count == 0) return sqlite3_result_null(ctx);
  if (st->overflow) return sqlite3_result_error(ctx, kOverflow, -1);
  if (!avg) return result8(ctx, sql_dec_format(st->sum));
  auto r = sql_dec_div(st->sum, sql_decimal{st->count, 0});
  if (!r) return sqlite3_result_error(ctx, kOverflow, -1);
  result8(ctx, sql_dec_format(*r));
}

struct cy_avg_state {
  __int128 sum = 0;
  int64_t count = 0;
};

void cy_avg_step(sqlite3_context* ctx, int, sqlite3_value** argv) {
  auto* st = step_state<cy_avg_state>(ctx);
  if (!st || sqlite3_value_type(argv[0]) == SQLITE_NULL) return;
  st->sum += sqlite3_value_int64(argv[0]);
  ++st->count;
}

void cy_avg_final(sqlite3_context* ctx) {
  const auto st = final_state<cy_avg_state>(ctx);
  if (!st || st->count == 0) return sqlite3_result_null(ctx);
  const sql_decimal r =
      sql_dec_round(*sql_dec_div(sql_decimal{st->sum, 0}, sql_decimal{st->count, 0}), 0);
  sqlite3_result_int64(ctx, int64_t(r.m));
}

// First / Last: the value of the first / last row of the group.
struct pick_state {
  sqlite3_value* value;
  bool seen;
};

template <bool last>
void pick_step(sqlite3_context* ctx, int, sqlite3_value** argv) {
  auto* st = static_cast<pick_state*>(sqlite3_aggregate_context(ctx, sizeof(pick_state)));
  if (!st) return;
  if (st->seen && !last) return;
  sqlite3_value_free(st->value);
  st->value = sqlite3_value_dup(argv[0]);
  st->seen = true;
}

void pick_final(sqlite3_context* ctx) {
  auto* st = static_cast<pick_state*>(sqlite3_aggregate_context(ctx, 0));
  if (!st || !st->value) return sqlite3_result_null(ctx);
  sqlite3_result_value(ctx, st->value);
  sqlite3_value_free(st->value);
  st->value = nullptr;
}

// Var / StDev (Welford), sample or population.
struct var_state {
  int64_t n;
  double mean, m2;
  bool population;
};

void var_step(sqlite3_context* ctx, int, sqlite3_value** argv) {
  auto* st = static_cast<var_state*>(sqlite3_aggregate_context(ctx, sizeof(var_state)));
  if (!st) return;
  st->population = sqlite3_value_int(argv[1]) != 0;
  if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return;
  const double x = sqlite3_value_double(argv[0]);
  ++st->n;
  const double delta = x - st->mean;
  st->mean += delta / double(st->n);
  st->m2 += delta * (x - st->mean);
}

template <bool root>
void var_final(sqlite3_context* ctx) {
  auto* st = static_cast<var_state*>(sqlite3_aggregate_context(ctx, 0));
  if (!st) return sqlite3_result_null(ctx);
  const int64_t d = st->population ? st->n : st->n - 1;
  if (d <= 0) return sqlite3_result_null(ctx);
  const double v = st->m2 / double(d);
  sqlite3_result_double(ctx, root ? std::sqrt(v) : v);
}

// ---- text functions (UTF-16 code units, as the engine counts them)
void fn_left_right(sqlite3_context* ctx, int argc, sqlite3_value** argv, bool right) {
  if (any_null(argc, argv)) return sqlite3_result_null(ctx);
  const int64_t n = sqlite3_value_int64(argv[1]);
  if (n < 0) return sqlite3_result_error(ctx, "jet:3071:Invalid procedure call.", -1);
  const std::u16string s = text16(argv[0]);
  const size_t k = size_t(n) < s.size() ? size_t(n) : s.size();
  result16(ctx, right ? s.substr(s.size() - k) : s.substr(0, k));
}
void fn_left(sqlite3_context* c, int n, sqlite3_value** v) {
  fn_left_right(c, n, v, false);
}
void fn_right(sqlite3_context* c, int n, sqlite3_value** v) {
  fn_left_right(c, n, v, true);
}

void fn_mid(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  if (any_null(argc, argv)) return sqlite3_result_null(ctx);
  const int64_t start = sqlite3_value_int64(argv[1]);
  const int64_t len = argc > 2 ? sqlite3_value_int64(argv[2]) : INT64_MAX;
  if (start < 1 || len < 0)
    return sqlite3_result_error(ctx, "jet:3071:Invalid procedure call.", -1);
  const std::u16string s = text16(argv[0]);
  if (size_t(start) > s.size()) return result16(ctx, u"");
  result16(ctx, s.substr(size_t(start - 1), size_t(len) < s.size() ? size_t(len) : s.size()));
}

void fn_len(sqlite3_context* ctx, int, sqlite3_value** argv) {
  if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
  sqlite3_result_int64(ctx, sqlite3_value_bytes16(argv[0]) / 2);
}

template <bool up>
void fn_case(sqlite3_context* ctx, int, sqlite3_value** argv) {
  if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
  std::u16string s = text16(argv[0]);
  for (char16_t& c : s) c = char16_t(up ? unfold(c) : fold(c));
  result16(ctx, s);
}

void fn_instr(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  if (any_null(argc, argv)) return sqlite3_result_null(ctx);
  const int64_t start = sqlite3_value_int64(argv[0]);
  if (start < 1) return sqlite3_result_error(ctx, "jet:3071:Invalid procedure call.", -1);
  std::u16string s = text16(argv[1]), t = text16(argv[2]);
  for (char16_t& c : s) c = char16_t(fold(c));
  for (char16_t& c : t) c = char16_t(fold(c));
  if (size_t(start) > s.size() + 1) return sqlite3_result_int(ctx, 0);
  const size_t at = s.find(t, size_t(start - 1));
  sqlite3_result_int64(ctx, at == std::u16string::npos ? 0 : int64_t(at + 1));
}

void fn_replace(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  if (any_null(argc, argv)) return sqlite3_result_null(ctx);
  const std::u16string s = text16(argv[0]), f = text16(argv[1]), r = text16(argv[2]);
  if (f.empty()) return result16(ctx, s);
  std::u16string folded = s, ff = f, out;
  for (char16_t& c : folded) c = char16_t(fold(c));
  for (char16_t& c : ff) c = char16_t(fold(c));
  size_t at = 0;
  for (;;) {
    const size_t hit = folded.find(ff, at);
    if (hit == std::u16string::npos) break;
    out += s.substr(at, hit - at) + r;
    at = hit + f.size();
  }
  out += s.substr(at);
  result16(ctx, out);
}

void fn_chr(sqlite3_context* ctx, int, sqlite3_value** argv) {
  if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
  const int64_t c = sqlite3_value_int64(argv[0]);
  if (c < 0 || c > 0xFFFF) return sqlite3_result_error(ctx, "jet:3071:Invalid procedure call.", -1);
  result16(ctx, std::u16string(1, char16_t(c)));
}

void fn_asc(sqlite3_context* ctx, int, sqlite3_value** argv) {
  if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
  const std::u16string s = text16(argv[0]);
  if (s.empty()) return sqlite3_result_error(ctx, "jet:3071:Invalid procedure call.", -1);
  sqlite3_result_int(ctx, s[0]);
}

void fn_space(sqlite3_context* ctx, int, sqlite3_value** argv) {
  if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
  const int64_t n = sqlite3_value_int64(argv[0]);
  if (n < 0 || n > 65535) return sqlite3_result_error(ctx, "jet:3071:Invalid procedure call.", -1);
  result8(ctx, std::string(size_t(n), ' '));
}

void fn_strcomp(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  if (any_null(argc, argv)) return sqlite3_result_null(ctx);
  const int c = collate_acc(nullptr, sqlite3_value_bytes(argv[0]), sqlite3_value_text(argv[0]),
                            sqlite3_value_bytes(argv[1]), sqlite3_value_text(argv[1]));
  sqlite3_result_int(ctx, c < 0 ? -1 : c > 0 ? 1 : 0);
}

void fn_val(sqlite3_context* ctx, int, sqlite3_value** argv) {
  if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
  // Val reads the leading number, ignoring blanks; 0 when there is none.
  std::string s;
  for (char c : text8(argv[0]))
    if (c != ' ' && c != '\t') s += c;
  sqlite3_result_double(ctx, std::strtod(s.c_str(), nullptr));
}

// ---- numbers
void fn_pow(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  if (any_null(argc, argv)) return sqlite3_result_null(ctx);
  const double r = std::pow(sqlite3_value_double(argv[0]), sqlite3_value_double(argv[1]));
  if (!std::isfinite(r)) return sqlite3_result_error(ctx, kOverflow, -1);
  sqlite3_result_double(ctx, r);
}

void fn_sqr(sqlite3_context* ctx, int, sqlite3_value** argv) {
  if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
  const double x = sqlite3_value_double(argv[0]);
  if (x < 0) return sqlite3_result_error(ctx, "jet:3071:Invalid procedure call.", -1);
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
  if (op == 2 && (digits < 0 || digits > 28))
    return sqlite3_result_error(ctx, "jet:3071:Invalid procedure call.", -1);
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

// ---- dates
bool split_date(double d, SYSTEMTIME& st) {
  return VariantTimeToSystemTime(d, &st) != 0;
}

void fn_datepart(sqlite3_context* ctx, int, sqlite3_value** argv) {
  if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
  SYSTEMTIME st;
  if (!split_date(sqlite3_value_double(argv[0]), st))
    return sqlite3_result_error(ctx, kOverflow, -1);
  const std::string part = text8(argv[1]);
  int v = 0;
  if (part == "YEAR") v = st.wYear;
  if (part == "MONTH") v = st.wMonth;
  if (part == "DAY") v = st.wDay;
  if (part == "HOUR") v = st.wHour;
  if (part == "MINUTE") v = st.wMinute;
  if (part == "SECOND") v = st.wSecond;
  if (part == "WEEKDAY") v = st.wDayOfWeek + 1;
  sqlite3_result_int(ctx, v);
}

void fn_now(sqlite3_context* ctx, int, sqlite3_value** argv) {
  const std::time_t t = std::time(nullptr);
  std::tm local{};
  localtime_r(&t, &local);
  SYSTEMTIME st{};
  st.wYear = uint16_t(local.tm_year + 1900);
  st.wMonth = uint16_t(local.tm_mon + 1);
  st.wDay = uint16_t(local.tm_mday);
  st.wHour = uint16_t(local.tm_hour);
  st.wMinute = uint16_t(local.tm_min);
  st.wSecond = uint16_t(local.tm_sec);
  double d = 0;
  SystemTimeToVariantTime(&st, &d);
  const std::string part = text8(argv[0]);
  if (part == "DATE") d = std::floor(d);
  if (part == "TIME") d -= std::floor(d);
  sqlite3_result_double(ctx, d);
}

void fn_dateserial(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  if (any_null(argc, argv)) return sqlite3_result_null(ctx);
  int64_t y = sqlite3_value_int64(argv[0]), m = sqlite3_value_int64(argv[1]);
  const int64_t d = sqlite3_value_int64(argv[2]);
  if (y >= 0 && y < 30)
    y += 2000;
  else if (y >= 30 && y < 100)
    y += 1900;
  y += (m - 1) >= 0 ? (m - 1) / 12 : -((12 - m) / 12);
  m = ((m - 1) % 12 + 12) % 12 + 1;
  if (y < 100 || y > 9999 || d < -1000000 || d > 1000000)
    return sqlite3_result_error(ctx, kOverflow, -1);
  SYSTEMTIME st{};
  st.wYear = uint16_t(y);
  st.wMonth = uint16_t(m);
  st.wDay = 1;
  double v = 0;
  if (!SystemTimeToVariantTime(&st, &v)) return sqlite3_result_error(ctx, kOverflow, -1);
  sqlite3_result_double(ctx, v + double(d - 1));
}

// ---- Format
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

std::string format_date(double d, const std::string& f) {
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
      case 'y':
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
        if (n >= 4)
          out += kDays[st.wDayOfWeek];
        else if (n == 3)
          out += std::string(kDays[st.wDayOfWeek]).substr(0, 3);
        else
          out += n == 2 ? two(st.wDay) : std::to_string(st.wDay);
        break;
      case 'w':
        out += std::to_string(st.wDayOfWeek + 1);
        n = 1;
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

void fn_format(sqlite3_context* ctx, int, sqlite3_value** argv) {
  if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
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
  return result8(ctx, format_date(x, f));
}

struct function_entry {
  const char* name;
  int args;
  void (*fn)(sqlite3_context*, int, sqlite3_value**);
  bool deterministic;
};

const function_entry kFunctions[] = {
    {"acc_cv", 3, fn_cv, true},
    {"acc_cv", 4, fn_cv, true},
    {"acc_like", 2, fn_like, true},
    {"acc_dec_add", 2, fn_dec<0>, true},
    {"acc_dec_sub", 2, fn_dec<1>, true},
    {"acc_dec_mul", 2, fn_dec<2>, true},
    {"acc_dec_div", 2, fn_dec<3>, true},
    {"acc_dec_neg", 1, fn_dec<4>, true},
    {"acc_dec_norm", 1, fn_dec<5>, true},
    {"acc_dec_cmp", 2, fn_dec<6>, true},
    {"acc_cy_mul", 2, fn_cy_mul, true},
    {"acc_left", 2, fn_left, true},
    {"acc_right", 2, fn_right, true},
    {"acc_mid", 2, fn_mid, true},
    {"acc_mid", 3, fn_mid, true},
    {"acc_len", 1, fn_len, true},
    {"acc_ucase", 1, fn_case<true>, true},
    {"acc_lcase", 1, fn_case<false>, true},
    {"acc_instr", 3, fn_instr, true},
    {"acc_replace", 3, fn_replace, true},
    {"acc_chr", 1, fn_chr, true},
    {"acc_asc", 1, fn_asc, true},
    {"acc_space", 1, fn_space, true},
    {"acc_strcomp", 2, fn_strcomp, true},
    {"acc_val", 1, fn_val, true},
    {"acc_pow", 2, fn_pow, true},
    {"acc_sqr", 1, fn_sqr, true},
    {"acc_ceil", 1, fn_ceil, true},
    {"acc_floor", 1, fn_floor, true},
    {"acc_sgn", 1, fn_sgn, true},
    {"acc_int", 3, fn_numeric<0>, true},
    {"acc_fix", 3, fn_numeric<1>, true},
    {"acc_round", 3, fn_numeric<2>, true},
    {"acc_abs", 3, fn_numeric<3>, true},
    {"acc_datepart", 2, fn_datepart, true},
    {"acc_now", 1, fn_now, false},
    {"acc_dateserial", 3, fn_dateserial, true},
    {"acc_format", 3, fn_format, true},
};

}  // namespace

bool sql_register_functions(sqlite3* db) {
  const int utf8 = SQLITE_UTF8;
  for (const function_entry& f : kFunctions) {
    const int flags = utf8 | (f.deterministic ? SQLITE_DETERMINISTIC : 0);
    if (sqlite3_create_function(db, f.name, f.args, flags, nullptr, f.fn, nullptr, nullptr) !=
        SQLITE_OK)
      return false;
  }
  struct aggregate {
    const char* name;
    int args;
    void (*step)(sqlite3_context*, int, sqlite3_value**);
    void (*final)(sqlite3_context*);
  };
  const aggregate kAggregates[] = {
      {"acc_dec_sum", 1, dec_sum_step<false>, dec_sum_final<false>},
      {"acc_dec_avg", 1, dec_sum_step<true>, dec_sum_final<true>},
      {"acc_cy_avg", 1, cy_avg_step, cy_avg_final},
      {"acc_first", 1, pick_step<false>, pick_final},
      {"acc_last", 1, pick_step<true>, pick_final},
      {"acc_var", 2, var_step, var_final<false>},
      {"acc_stdev", 2, var_step, var_final<true>},
  };
  for (const aggregate& a : kAggregates)
    if (sqlite3_create_function(db, a.name, a.args, utf8, nullptr, nullptr, a.step, a.final) !=
        SQLITE_OK)
      return false;
  return sqlite3_create_collation(db, "ACC", utf8, nullptr, collate_acc) == SQLITE_OK &&
         sqlite3_create_collation(db, "ACCDEC", utf8, nullptr, collate_dec) == SQLITE_OK;
}
