// Text functions over UTF-16 units, as Oracle counts characters: UPPER,
// LOWER and INITCAP beyond ASCII, LPAD, RPAD, TRANSLATE, INSTR with a
// position (negative: backwards from the end) and an occurrence, and the
// TRIM family with character sets (TRIM's LEADING / TRAILING / BOTH form
// arrives as TRIM(text, character, 'L' | 'T' | 'B')).
#include <algorithm>

#include "oraemb/functions.h"
#include "oraemb/ora_error.h"
#include "oraemb/utf.h"
#include "oraemb/value_ops.h"

namespace oraemb {
namespace {

// The lower-case partner of an upper-case letter (0 when none).
char16_t lower_of(char16_t c) {
  if (c >= u'A' && c <= u'Z') return c + 32;
  if (c < 0x80) return 0;
  if ((c >= 0xC0 && c <= 0xDE && c != 0xD7)) return c + 32;
  if (c == 0x178) return 0xFF;
  // Latin Extended-A: pairs, upper even from U+0100 and odd from U+0139.
  if ((c >= 0x100 && c <= 0x137) || (c >= 0x14A && c <= 0x177)) return c % 2 == 0 ? c + 1 : 0;
  if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) return c % 2 == 1 ? c + 1 : 0;
  if (c >= 0x391 && c <= 0x3A9 && c != 0x3A2) return c + 32;  // Greek
  if (c >= 0x410 && c <= 0x42F) return c + 32;                // Cyrillic
  if (c >= 0x400 && c <= 0x40F) return c + 80;
  return 0;
}

char16_t upper_of(char16_t c) {
  if (c >= u'a' && c <= u'z') return c - 32;
  if (c < 0x80) return 0;
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return c - 32;
  if (c == 0xFF) return 0x178;
  if ((c >= 0x100 && c <= 0x137) || (c >= 0x14A && c <= 0x177)) return c % 2 == 1 ? c - 1 : 0;
  if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) return c % 2 == 0 ? c - 1 : 0;
  if (c == 0x3C2) return 0x3A3;  // final sigma
  if (c >= 0x3B1 && c <= 0x3C9) return c - 32;
  if (c >= 0x430 && c <= 0x44F) return c - 32;
  if (c >= 0x450 && c <= 0x45F) return c - 80;
  return 0;
}

bool is_word_char(char16_t c) {
  return (c >= u'0' && c <= u'9') || lower_of(c) || upper_of(c);
}

std::u16string u16_of(const Value& v) {
  return utf8_to_utf16(value_text(v));
}

Value text_of(const std::u16string& s) {
  return Value::text(utf16_to_utf8(s));
}

int64_t int_arg(const Value& v) {
  auto n = value_number(v).truncated(0).to_int64();
  if (!n) raise(1426);
  return *n;
}

[[noreturn]] void out_of_range(const Value& v) {
  throw ora_error(1428, "argument '" + value_text(v) + "' is out of range");
}

// TRIM's work: `set` off the start, the end or both.
Value trim(const std::u16string& s, const std::u16string& set, bool leading, bool trailing) {
  size_t b = 0, e = s.size();
  if (leading)
    while (b < e && set.find(s[b]) != std::u16string::npos) ++b;
  if (trailing)
    while (e > b && set.find(s[e - 1]) != std::u16string::npos) --e;
  return text_of(s.substr(b, e - b));
}

}  // namespace

std::u16string to_upper(std::u16string s) {
  for (char16_t& c : s)
    if (char16_t u = upper_of(c)) c = u;
  return s;
}

std::u16string to_lower(std::u16string s) {
  for (char16_t& c : s)
    if (char16_t l = lower_of(c)) c = l;
  return s;
}

std::optional<Value> text_builtin(const std::string& f, const std::vector<Value>& args) {
  auto arity = [&](size_t lo, size_t hi) {
    if (args.size() < lo || args.size() > hi) throw ora_error(909, "invalid number of arguments");
  };
  if (f == "UPPER" || f == "LOWER") {
    arity(1, 1);
    Value out = text_of(f == "UPPER" ? to_upper(u16_of(args[0])) : to_lower(u16_of(args[0])));
    out.national = args[0].national;
    return out;
  }
  if (f == "CHR") {
    // The character whose AL32UTF8 bytes, read as a number, are n.
    arity(1, 1);
    const int64_t n = int_arg(args[0]);
    if (n < 0 || n > 0xFFFFFFFFLL) out_of_range(args[0]);
    std::string bytes;
    for (int64_t v = n; v > 0; v >>= 8) bytes.insert(bytes.begin(), static_cast<char>(v & 0xFF));
    if (bytes.empty()) bytes.assign(1, '\0');
    if (utf16_to_utf8(utf8_to_utf16(bytes)) != bytes) out_of_range(args[0]);
    return Value::text(bytes);
  }
  if (f == "ASCII") {
    // The first character's AL32UTF8 bytes as a number.
    arity(1, 1);
    const std::u16string s = u16_of(args[0]);
    const size_t units = !s.empty() && s[0] >= 0xD800 && s[0] < 0xDC00 && s.size() > 1 ? 2 : 1;
    int64_t code = 0;
    for (unsigned char c : utf16_to_utf8(s.substr(0, units))) code = code * 256 + c;
    return Value::num(OraNumber::from_int(code));
  }
  if (f == "INITCAP") {
    arity(1, 1);
    std::u16string s = u16_of(args[0]);
    bool in_word = false;
    for (char16_t& c : s) {
      if (char16_t changed = in_word ? lower_of(c) : upper_of(c)) c = changed;
      in_word = is_word_char(c);
    }
    return text_of(s);
  }
  if (f == "LPAD" || f == "RPAD") {
    arity(2, 3);
    std::u16string s = u16_of(args[0]);
    const int64_t n = int_arg(args[1]);
    std::u16string pad = args.size() > 2 ? u16_of(args[2]) : u" ";
    if (n < 1 || pad.empty()) return Value::null();
    // The result is a VARCHAR2: 4000 characters at most.
    const size_t width = static_cast<size_t>(std::min<int64_t>(n, 4000));
    if (s.size() >= width) return text_of(s.substr(0, width));
    std::u16string fill;
    while (fill.size() < width - s.size()) fill += pad;
    fill.resize(width - s.size());
    return text_of(f == "LPAD" ? fill + s : s + fill);
  }
  if (f == "TRANSLATE") {
    arity(3, 3);
    std::u16string s = u16_of(args[0]), from = u16_of(args[1]), to = u16_of(args[2]);
    std::u16string out;
    for (char16_t c : s) {
      size_t k = from.find(c);
      if (k == std::u16string::npos)
        out += c;
      else if (k < to.size())
        out += to[k];
      // characters of `from` beyond `to` are removed
    }
    return text_of(out);
  }
  if (f == "INSTR") {
    arity(2, 4);
    std::u16string s = u16_of(args[0]), sub = u16_of(args[1]);
    const int64_t position = args.size() > 2 ? int_arg(args[2]) : 1;
    const int64_t occurrence = args.size() > 3 ? int_arg(args[3]) : 1;
    if (occurrence < 1) out_of_range(args[3]);
    const int64_t n = static_cast<int64_t>(s.size());
    if (position == 0 || position > n || -position > n) return Value::num(OraNumber::from_int(0));
    int64_t found = 0;
    size_t hit = std::u16string::npos;
    if (position > 0) {
      size_t from = static_cast<size_t>(position - 1);
      while ((hit = s.find(sub, from)) != std::u16string::npos && ++found < occurrence)
        from = hit + 1;
    } else {
      // Backwards: the last match starting at or before the position.
      int64_t from = n + position;
      while (from >= 0 && (hit = s.rfind(sub, static_cast<size_t>(from))) != std::u16string::npos &&
             ++found < occurrence)
        from = static_cast<int64_t>(hit) - 1;
      if (from < 0) hit = std::u16string::npos;
    }
    return Value::num(
        OraNumber::from_int(hit == std::u16string::npos ? 0 : static_cast<int64_t>(hit) + 1));
  }
  if (f == "LTRIM" || f == "RTRIM") {
    arity(1, 2);
    std::u16string set = args.size() > 1 ? u16_of(args[1]) : u" ";
    return trim(u16_of(args[0]), set, f == "LTRIM", f == "RTRIM");
  }
  if (f == "TRIM") {
    // TRIM(text), or TRIM(text, character, mode) from the FROM form.
    if (args.size() == 1) return trim(u16_of(args[0]), u" ", true, true);
    arity(3, 3);
    std::u16string set = u16_of(args[1]);
    if (set.size() != 1) throw ora_error(30001, "trim set should have only one character");
    const std::string mode = args[2].bytes;
    return trim(u16_of(args[0]), set, mode != "T", mode != "L");
  }
  return std::nullopt;
}

}  // namespace oraemb
