// Text functions of translated Access SQL: Like, Left/Right/Mid, Len, case,
// InStr/InStrRev, Replace, StrReverse, Chr/Asc, Space, String, StrComp.
// Lengths and positions count UTF-16 code units, as the engine does.
#include <iterator>
#include <string>
#include <utility>

#include "access/dao/sql/sql_functions.h"
#include "access/dao/sql/sql_functions_values.h"

namespace sql_fn {
namespace {

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

void fn_like(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  if (any_null(argc, argv)) return sqlite3_result_null(ctx);
  const std::u16string s = text16(argv[0]), p = text16(argv[1]);
  sqlite3_result_int(ctx, sql_like(s.data(), s.size(), p.data(), p.size()) ? 1 : 0);
}

void fn_left_right(sqlite3_context* ctx, int argc, sqlite3_value** argv, bool right) {
  if (any_null(argc, argv)) return sqlite3_result_null(ctx);
  const int64_t n = sqlite3_value_int64(argv[1]);
  if (n < 0) return sqlite3_result_error(ctx, kInvalidCall, -1);
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
  if (start < 1 || len < 0) return sqlite3_result_error(ctx, kInvalidCall, -1);
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

// The compare argument: 0 compares code units; -1 (the option), 1 (text) and
// 2 (database) compare without regard to case, as the engine's text order.
bool binary_compare(sqlite3_value* v, bool& binary) {
  const int64_t c = sqlite3_value_int64(v);
  if (c < -1 || c > 2) return false;
  binary = c == 0;
  return true;
}

std::u16string folded(std::u16string s) {
  for (char16_t& c : s) c = char16_t(fold(c));
  return s;
}

// acc_instr(start, s, t [, compare])
void fn_instr(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  if (any_null(argc, argv)) return sqlite3_result_null(ctx);
  const int64_t start = sqlite3_value_int64(argv[0]);
  bool binary = false;
  if (start < 1 || (argc > 3 && !binary_compare(argv[3], binary)))
    return sqlite3_result_error(ctx, kInvalidCall, -1);
  std::u16string s = text16(argv[1]), t = text16(argv[2]);
  if (!binary) {
    s = folded(s);
    t = folded(t);
  }
  if (size_t(start) > s.size() + 1) return sqlite3_result_int(ctx, 0);
  const size_t at = s.find(t, size_t(start - 1));
  sqlite3_result_int64(ctx, at == std::u16string::npos ? 0 : int64_t(at + 1));
}

// acc_instrrev(s, t, start, compare): the last match ending at or before
// start (-1: the end); an empty t gives start.
void fn_instrrev(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  if (any_null(argc, argv)) return sqlite3_result_null(ctx);
  int64_t start = sqlite3_value_int64(argv[2]);
  bool binary = false;
  if (start == 0 || start < -1 || !binary_compare(argv[3], binary))
    return sqlite3_result_error(ctx, kInvalidCall, -1);
  std::u16string s = text16(argv[0]), t = text16(argv[1]);
  if (start == -1) start = int64_t(s.size());
  if (t.empty()) return sqlite3_result_int64(ctx, start);
  if (size_t(start) > s.size() || t.size() > size_t(start)) return sqlite3_result_int(ctx, 0);
  if (!binary) {
    s = folded(s);
    t = folded(t);
  }
  const size_t at = s.rfind(t, size_t(start) - t.size());
  sqlite3_result_int64(ctx, at == std::u16string::npos ? 0 : int64_t(at + 1));
}

// acc_replace(s, find, with [, start, count, compare]): the text from start on
// with at most count (-1: every) matches replaced.
void fn_replace(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  if (any_null(argc, argv)) return sqlite3_result_null(ctx);
  const int64_t start = argc > 3 ? sqlite3_value_int64(argv[3]) : 1;
  const int64_t count = argc > 4 ? sqlite3_value_int64(argv[4]) : -1;
  bool binary = false;
  if (start < 1 || count < -1 || (argc > 5 && !binary_compare(argv[5], binary)))
    return sqlite3_result_error(ctx, kInvalidCall, -1);
  const std::u16string whole = text16(argv[0]), f = text16(argv[1]), r = text16(argv[2]);
  if (size_t(start) > whole.size()) return result16(ctx, u"");
  const std::u16string s = whole.substr(size_t(start - 1));
  if (f.empty() || count == 0) return result16(ctx, s);
  const std::u16string hay = binary ? s : folded(s), needle = binary ? f : folded(f);
  std::u16string out;
  size_t at = 0;
  for (int64_t done = 0; count < 0 || done < count; ++done) {
    const size_t hit = hay.find(needle, at);
    if (hit == std::u16string::npos) break;
    out += s.substr(at, hit - at) + r;
    at = hit + f.size();
  }
  out += s.substr(at);
  result16(ctx, out);
}

void fn_strreverse(sqlite3_context* ctx, int, sqlite3_value** argv) {
  if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
  std::u16string s = text16(argv[0]);
  std::u16string out(s.rbegin(), s.rend());
  // Keep surrogate pairs in order.
  for (size_t i = 0; i + 1 < out.size(); ++i)
    if (out[i] >= 0xDC00 && out[i] <= 0xDFFF && out[i + 1] >= 0xD800 && out[i + 1] <= 0xDBFF) {
      std::swap(out[i], out[i + 1]);
      ++i;
    }
  result16(ctx, out);
}

// acc_string(n, c): n times the character c, a code (modulo 256) or the
// first character of a text.
void fn_string(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  if (any_null(argc, argv)) return sqlite3_result_null(ctx);
  const int64_t n = sqlite3_value_int64(argv[0]);
  if (n < 0 || n > 65535) return sqlite3_result_error(ctx, kInvalidCall, -1);
  char16_t c;
  if (sqlite3_value_type(argv[1]) == SQLITE_INTEGER) {
    c = char16_t(((sqlite3_value_int64(argv[1]) % 256) + 256) % 256);
  } else {
    const std::u16string t = text16(argv[1]);
    if (t.empty()) return sqlite3_result_error(ctx, kInvalidCall, -1);
    c = t[0];
  }
  result16(ctx, std::u16string(size_t(n), c));
}

void fn_chr(sqlite3_context* ctx, int, sqlite3_value** argv) {
  if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
  const int64_t c = sqlite3_value_int64(argv[0]);
  if (c < 0 || c > 0xFFFF) return sqlite3_result_error(ctx, kInvalidCall, -1);
  result16(ctx, std::u16string(1, char16_t(c)));
}

void fn_asc(sqlite3_context* ctx, int, sqlite3_value** argv) {
  if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
  const std::u16string s = text16(argv[0]);
  if (s.empty()) return sqlite3_result_error(ctx, kInvalidCall, -1);
  sqlite3_result_int(ctx, s[0]);
}

void fn_space(sqlite3_context* ctx, int, sqlite3_value** argv) {
  if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
  const int64_t n = sqlite3_value_int64(argv[0]);
  if (n < 0 || n > 65535) return sqlite3_result_error(ctx, kInvalidCall, -1);
  result8(ctx, std::string(size_t(n), ' '));
}

// acc_strcomp(a, b [, compare]): -1, 0 or 1.
void fn_strcomp(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  if (any_null(argc, argv)) return sqlite3_result_null(ctx);
  bool binary = false;
  if (argc > 2 && !binary_compare(argv[2], binary))
    return sqlite3_result_error(ctx, kInvalidCall, -1);
  int c;
  if (binary) {
    const std::u16string a = text16(argv[0]), b = text16(argv[1]);
    c = a.compare(b);
  } else {
    c = collate_acc(nullptr, sqlite3_value_bytes(argv[0]), sqlite3_value_text(argv[0]),
                    sqlite3_value_bytes(argv[1]), sqlite3_value_text(argv[1]));
  }
  sqlite3_result_int(ctx, c < 0 ? -1 : c > 0 ? 1 : 0);
}

const function_entry kEntries[] = {
    {"acc_like", 2, fn_like, true},
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
    {"acc_strcomp", 3, fn_strcomp, true},
    {"acc_instr", 4, fn_instr, true},
    {"acc_instrrev", 4, fn_instrrev, true},
    {"acc_replace", 6, fn_replace, true},
    {"acc_strreverse", 1, fn_strreverse, true},
    {"acc_string", 2, fn_string, true},
};

}  // namespace

table<function_entry> text_functions() {
  return {std::begin(kEntries), std::end(kEntries)};
}

}  // namespace sql_fn

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
        step = sql_fn::like_class(q, pe, *s, ok);
        if (!ok) return false;
        next = q;
      } else {
        step = sql_fn::fold(*p) == sql_fn::fold(*s);
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
