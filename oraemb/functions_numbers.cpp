// Number functions in exact decimal: POWER, SQRT, SIGN, FLOOR, CEIL,
// REMAINDER, GREATEST and LEAST (of any type, converted to the first
// argument's), and the number format models of TO_CHAR and TO_NUMBER.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>

#include "oraemb/functions.h"
#include "oraemb/ora_error.h"
#include "oraemb/value_ops.h"

namespace oraemb {
namespace {

[[noreturn]] void out_of_range(const Value& v) {
  throw ora_error(1428, "argument '" + value_text(v) + "' is out of range");
}

OraNumber floor_of(const OraNumber& n) {
  OraNumber t = n.truncated(0);
  return n.negative() && !(t == n) ? t - OraNumber::from_int(1) : t;
}

OraNumber ceil_of(const OraNumber& n) {
  OraNumber t = n.truncated(0);
  return !n.negative() && !(t == n) ? t + OraNumber::from_int(1) : t;
}

OraNumber power(const OraNumber& base, const Value& exponent_value) {
  const OraNumber exponent = value_number(exponent_value);
  if (exponent.is_integer()) {
    auto e = exponent.to_int64();
    if (e && *e > -100000 && *e < 100000) {
      // Exact by squaring, to 40 significant digits along the way.
      OraNumber result = OraNumber::from_int(1), square = base;
      for (int64_t k = *e < 0 ? -*e : *e; k > 0; k /= 2) {
        if (k % 2) result = (result * square).rounded_significant(40);
        square = (square * square).rounded_significant(40);
        if (k > 1) square.check_range();
      }
      if (*e < 0) result = OraNumber::from_int(1) / result;
      result.check_range();
      return result;
    }
  }
  if (base.negative()) out_of_range(Value::num(base));
  const double r = std::pow(base.to_double(), exponent.to_double());
  if (!std::isfinite(r)) raise(1426);
  return OraNumber::from_double(r);
}

OraNumber square_root(const Value& v) {
  const OraNumber n = value_number(v);
  if (n.negative()) out_of_range(v);
  if (n.is_zero()) return n;
  // Newton's steps from the double's root carry it to full precision.
  OraNumber x = OraNumber::from_double(std::sqrt(n.to_double()));
  const OraNumber two = OraNumber::from_int(2);
  for (int step = 0; step < 4; ++step) x = ((x + n / x) / two).rounded_significant(40);
  return x.rounded_significant(39);
}

// REMAINDER: m - n * N, N the integer nearest m/n (the even one on a tie).
OraNumber remainder_of(const OraNumber& m, const OraNumber& n) {
  if (n.is_zero()) raise(1476);
  const OraNumber q = m / n;
  const OraNumber t = q.truncated(0);
  OraNumber frac = q - t;
  if (frac.negative()) frac = -frac;
  const OraNumber half = *OraNumber::parse("0.5");
  OraNumber nearest = q.rounded(0);
  if (frac == half) {
    const OraNumber halved = t / OraNumber::from_int(2);
    const bool t_even = halved.is_integer();
    nearest = t_even ? t : q.rounded(0);
  }
  return m - n * nearest;
}

// GREATEST / LEAST: every argument as the first one's type.
Value extreme(const std::vector<Value>& args, bool greatest) {
  auto as_first = [&](const Value& v) {
    switch (args[0].kind) {
      case Kind::Number:
        return Value::num(value_number(v));
      case Kind::Date:
        return Value::dt(value_date(v));
      default: {
        Value t = Value::text(value_text(v));
        t.national = args[0].national;
        return t;
      }
    }
  };
  Value best = as_first(args[0]);
  for (size_t k = 1; k < args.size(); ++k) {
    Value v = as_first(args[k]);
    const int c = compare_values(v, best);
    if (greatest ? c > 0 : c < 0) best = v;
  }
  return best;
}

std::string upper_ascii(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

}  // namespace

std::string format_number(const OraNumber& n, const std::string& mask_text) {
  const std::string mask = upper_ascii(mask_text);
  bool fm = false, dollar = false, lead_sign = false, trail_sign = false, minus = false,
       angle = false, sci = false;
  std::string body;  // the digits, separators and decimal point of the mask
  size_t pos = 0;
  if (mask.compare(0, 2, "FM") == 0) {
    fm = true;
    pos = 2;
  }
  if (mask.compare(pos, 1, "S") == 0) {
    lead_sign = true;
    ++pos;
  }
  for (; pos < mask.size(); ++pos) {
    const char c = mask[pos];
    if (c == '9' || c == '0' || c == ',' || c == '.' || c == 'G' || c == 'D' || c == 'X') {
      body += c == 'G' ? ',' : c == 'D' ? '.' : c;
    } else if (c == '$') {
      dollar = true;
    } else if (mask.compare(pos, 4, "EEEE") == 0) {
      sci = true;
      pos += 3;
    } else if (mask.compare(pos, 2, "MI") == 0 && pos + 2 == mask.size()) {
      minus = true;
      ++pos;
    } else if (mask.compare(pos, 2, "PR") == 0 && pos + 2 == mask.size()) {
      angle = true;
      ++pos;
    } else if (c == 'S' && pos + 1 == mask.size()) {
      trail_sign = true;
    } else {
      throw ora_error(1481, "invalid number format model");
    }
  }
  const size_t width_of_mask = mask_text.size();
  auto overflow = [&] { return std::string(width_of_mask + 1, '#'); };
  // Hexadecimal: X per digit, leading 0s to pad.
  if (body.find('X') != std::string::npos) {
    OraNumber r = n.rounded(0);
    auto v = r.to_int64();
    if (r.negative() || !v) return overflow();
    const bool lower = mask_text.find('x') != std::string::npos;
    // Named arrays: GCC 12 with -fsanitize=undefined indexed a conditional
    // between two string literals wrongly ("00" for 255).
    static const char kUpperDigits[] = "0123456789ABCDEF";
    static const char kLowerDigits[] = "0123456789abcdef";
    const char* digits = lower ? kLowerDigits : kUpperDigits;
    std::string hex;
    for (uint64_t u = static_cast<uint64_t>(*v); u; u /= 16)
      hex.insert(hex.begin(), digits[u % 16]);
    if (hex.empty()) hex = "0";
    if (hex.size() > body.size()) return overflow();
    const char fill = body[0] == '0' ? '0' : ' ';
    std::string out = std::string(body.size() - hex.size(), fill) + hex;
    if (!fm)
      out = " " + out;
    else
      while (!out.empty() && out[0] == ' ') out.erase(0, 1);
    return out;
  }
  const size_t point = body.find('.');
  const std::string int_mask = body.substr(0, point);
  const std::string frac_mask = point == std::string::npos ? "" : body.substr(point + 1);
  int int_slots = 0;
  for (char c : int_mask)
    if (c == '9' || c == '0') ++int_slots;
  const int frac_slots = static_cast<int>(frac_mask.size());
  OraNumber value = n.negative() ? -n : n;
  int exponent = 0;
  if (sci && !value.is_zero()) {
    // One digit before the point.
    exponent = value.exponent() - 1;
    OraNumber scale = OraNumber::from_int(1);
    for (int k = 0; k < (exponent < 0 ? -exponent : exponent); ++k)
      scale = scale * OraNumber::from_int(10);
    value = exponent < 0 ? value * scale : value / scale;
    value = value.rounded(frac_slots);
    if (!(compare(value, OraNumber::from_int(10)) < 0)) {
      value = value / OraNumber::from_int(10);
      ++exponent;
    }
  }
  value = value.rounded(frac_slots);
  std::string text = value.to_text();  // TM9: ".5", "12.25"
  const size_t dot = text.find('.');
  std::string int_digits = text.substr(0, dot);
  std::string frac_digits = dot == std::string::npos ? "" : text.substr(dot + 1);
  frac_digits.resize(static_cast<size_t>(frac_slots), '0');
  if (int_digits == "0") int_digits.clear();
  if (static_cast<int>(int_digits.size()) > int_slots) return overflow();
  // A zero integer part shows one 0 when nothing else would show.
  const size_t first_zero = int_mask.find('0');
  std::string field;
  int digit_index = static_cast<int>(int_digits.size()) - 1;
  int slot = int_slots;
  bool digits_left = true;
  for (size_t k = int_mask.size(); k-- > 0;) {
    const char m = int_mask[k];
    if (m == ',') {
      field.insert(field.begin(), digits_left ? ',' : ' ');
      continue;
    }
    --slot;
    if (digit_index >= 0) {
      field.insert(field.begin(), int_digits[static_cast<size_t>(digit_index--)]);
    } else if (first_zero != std::string::npos && k >= first_zero) {
      field.insert(field.begin(), '0');
    } else {
      field.insert(field.begin(), ' ');
    }
    // Separators to the left show only with digits to their left.
    digits_left = digit_index >= 0 || (first_zero != std::string::npos && k > first_zero);
  }
  if (int_digits.empty() && frac_slots == 0 && int_slots > 0 && field.back() == ' ')
    field.back() = '0';
  if (point != std::string::npos) {
    std::string frac = frac_digits;
    if (fm) {
      // FM drops the trailing zeros that 9s would print.
      size_t keep = frac.size();
      while (keep > 0 && frac_mask[keep - 1] == '9' && frac[keep - 1] == '0') --keep;
      frac.resize(keep);
    }
    field += "." + frac;
  }
  if (sci) {
    char e[16];
    std::snprintf(e, sizeof e, "E%c%02d", exponent < 0 ? '-' : '+',
                  exponent < 0 ? -exponent : exponent);
    field += e;
  }
  // The sign and currency go right before the first character shown.
  size_t first = field.find_first_not_of(' ');
  if (first == std::string::npos) first = field.size();
  std::string prefix;
  if (dollar) prefix += '$';
  // A negative number keeps its sign when it rounds to zero: -0.4 is "-0".
  const bool neg = n.negative();
  std::string out;
  if (lead_sign) {
    prefix.insert(prefix.begin(), neg ? '-' : '+');
    out = field.substr(0, first) + prefix + field.substr(first);
  } else if (angle) {
    // <5> for a negative number, blanks around a positive one.
    out = neg ? field.substr(0, first) + "<" + prefix + field.substr(first) + ">"
              : " " + field.substr(0, first) + prefix + field.substr(first) + " ";
  } else if (trail_sign || minus) {
    out = field.substr(0, first) + prefix + field.substr(first);
    if (trail_sign) out += neg ? '-' : '+';
    if (minus) out += neg ? '-' : ' ';
  } else {
    prefix.insert(prefix.begin(), neg ? '-' : ' ');
    out = field.substr(0, first) + prefix + field.substr(first);
  }
  if (fm) {
    size_t b = out.find_first_not_of(' ');
    size_t e = out.find_last_not_of(' ');
    out = b == std::string::npos ? "" : out.substr(b, e - b + 1);
  }
  return out;
}

OraNumber parse_number(const std::string& text, const std::string& mask_text) {
  const std::string mask = upper_ascii(mask_text);
  std::string s = text;
  auto strip = [&](char c) { s.erase(std::remove(s.begin(), s.end(), c), s.end()); };
  if (mask.find('X') != std::string::npos) {
    uint64_t v = 0;
    size_t digits = 0;
    const size_t allowed = static_cast<size_t>(std::count(mask.begin(), mask.end(), 'X')) +
                           static_cast<size_t>(std::count(mask.begin(), mask.end(), '0'));
    for (char c : s) {
      if (c == ' ') continue;
      int d = std::isdigit(static_cast<unsigned char>(c)) ? c - '0'
              : std::isxdigit(static_cast<unsigned char>(c))
                  ? std::toupper(static_cast<unsigned char>(c)) - 'A' + 10
                  : -1;
      if (d < 0 || ++digits > std::min<size_t>(allowed, 16)) raise(1722);
      v = v * 16 + static_cast<uint64_t>(d);
    }
    if (!digits) raise(1722);
    auto n = OraNumber::parse(std::to_string(v));
    return *n;
  }
  bool negative = false;
  if (mask.size() >= 2 && mask.compare(mask.size() - 2, 2, "PR") == 0 && s.size() >= 2 &&
      s.front() == '<' && s.back() == '>') {
    negative = true;
    s = s.substr(1, s.size() - 2);
  }
  if (mask.size() >= 2 && mask.compare(mask.size() - 2, 2, "MI") == 0 && !s.empty() &&
      (s.back() == '-' || s.back() == ' ')) {
    negative = s.back() == '-';
    s.pop_back();
  }
  if (mask.find(',') != std::string::npos || mask.find('G') != std::string::npos) strip(',');
  if (mask.find('$') != std::string::npos) strip('$');
  // Digits the mask allows before the point.
  int slots = 0;
  for (char c : mask.substr(0, mask.find_first_of(".D")))
    if (c == '9' || c == '0') ++slots;
  auto n = OraNumber::parse(s);
  if (!n) raise(1722);
  if (n->integer_digits() > slots) raise(1722);
  return negative ? -*n : *n;
}

std::optional<Value> number_builtin(const std::string& f, const std::vector<Value>& args) {
  auto arity = [&](size_t lo, size_t hi) {
    if (args.size() < lo || args.size() > hi) throw ora_error(909, "invalid number of arguments");
  };
  if (f == "GREATEST" || f == "LEAST") {
    arity(1, 255);
    return extreme(args, f == "GREATEST");
  }
  if (f == "POWER") {
    arity(2, 2);
    return Value::num(power(value_number(args[0]), args[1]));
  }
  if (f == "SQRT") {
    arity(1, 1);
    return Value::num(square_root(args[0]));
  }
  if (f == "SIGN") {
    arity(1, 1);
    OraNumber n = value_number(args[0]);
    return Value::num(OraNumber::from_int(n.is_zero() ? 0 : n.negative() ? -1 : 1));
  }
  if (f == "FLOOR" || f == "CEIL") {
    arity(1, 1);
    OraNumber n = value_number(args[0]);
    return Value::num(f == "FLOOR" ? floor_of(n) : ceil_of(n));
  }
  if (f == "EXP" || f == "LN" || f == "LOG") {
    // Through binary doubles: 15 to 17 significant digits where Oracle
    // gives 38 (exact for EXP(0), LN(1), LOG(10, 100) and the like).
    arity(f == "LOG" ? 2 : 1, f == "LOG" ? 2 : 1);
    const double x = value_number(args.back()).to_double();
    double r = 0;
    if (f == "EXP") {
      r = std::exp(x);
    } else {
      if (x <= 0) out_of_range(args.back());
      r = std::log(x);
      if (f == "LOG") {
        const double base = value_number(args[0]).to_double();
        if (base <= 0 || base == 1) out_of_range(args[0]);
        r /= std::log(base);
      }
    }
    if (!std::isfinite(r)) raise(1426);
    OraNumber n = OraNumber::from_double(r);
    // A result within a rounding error of a whole number is that number.
    const OraNumber whole = n.rounded(0);
    if (std::fabs(r - whole.to_double()) < 1e-12 * std::max(1.0, std::fabs(r))) n = whole;
    return Value::num(n);
  }
  if (f == "REMAINDER") {
    arity(2, 2);
    return Value::num(remainder_of(value_number(args[0]), value_number(args[1])));
  }
  if ((f == "TO_CHAR" || f == "TO_NCHAR") && args.size() == 2 && args[0].kind == Kind::Number)
    return Value::text(format_number(args[0].number, value_text(args[1])));
  if (f == "TO_NUMBER" && args.size() == 2) {
    if (args[0].kind == Kind::Number) return Value::num(args[0].number);
    return Value::num(parse_number(value_text(args[0]), value_text(args[1])));
  }
  return std::nullopt;
}

}  // namespace oraemb
