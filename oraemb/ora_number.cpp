// Exact decimal arithmetic and text forms of Oracle NUMBER.
#include "oraemb/ora_number.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "oraemb/ora_error.h"

namespace oraemb {
namespace {

// Magnitude arithmetic on equal-length digit strings (most significant first).
std::string add_digits(const std::string& a, const std::string& b) {
  std::string out(a.size() + 1, '0');
  int carry = 0;
  for (size_t k = a.size(); k-- > 0;) {
    int sum = (a[k] - '0') + (b[k] - '0') + carry;
    out[k + 1] = static_cast<char>('0' + sum % 10);
    carry = sum / 10;
  }
  out[0] = static_cast<char>('0' + carry);
  return out;
}

// a - b with a >= b.
std::string sub_digits(const std::string& a, const std::string& b) {
  std::string out(a.size(), '0');
  int borrow = 0;
  for (size_t k = a.size(); k-- > 0;) {
    int diff = (a[k] - '0') - (b[k] - '0') - borrow;
    borrow = diff < 0;
    out[k] = static_cast<char>('0' + (diff + 10) % 10);
  }
  return out;
}

int cmp_digits(const std::string& a, const std::string& b) {
  // Inputs without leading zeros compare by length first.
  auto strip = [](const std::string& s) {
    size_t first = s.find_first_not_of('0');
    return first == std::string::npos ? std::string() : s.substr(first);
  };
  std::string x = strip(a), y = strip(b);
  if (x.size() != y.size()) return x.size() < y.size() ? -1 : 1;
  return x.compare(y) < 0 ? -1 : x.compare(y) > 0 ? 1 : 0;
}

}  // namespace

void OraNumber::normalize() {
  size_t first = digits_.find_first_not_of('0');
  if (first == std::string::npos) {
    digits_.clear();
    exponent_ = 0;
    negative_ = false;
    return;
  }
  digits_.erase(0, first);
  exponent_ -= static_cast<int>(first);
  digits_.erase(digits_.find_last_not_of('0') + 1);
  // Below Oracle's smallest magnitude the value underflows to zero.
  if (exponent_ < -129) {
    digits_.clear();
    exponent_ = 0;
    negative_ = false;
  }
}

OraNumber OraNumber::from_int(int64_t value) {
  OraNumber n;
  uint64_t mag = value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
  n.negative_ = value < 0;
  n.digits_ = std::to_string(mag);
  n.exponent_ = static_cast<int>(n.digits_.size());
  n.normalize();
  return n;
}

OraNumber OraNumber::from_double(double value) {
  if (!std::isfinite(value)) raise(1426);
  char text[64];
  std::snprintf(text, sizeof text, "%.15e", value);
  auto parsed = parse(text);
  return parsed ? *parsed : OraNumber();
}

std::optional<OraNumber> OraNumber::parse(const std::string& text) {
  size_t pos = 0, end = text.size();
  while (pos < end && text[pos] == ' ') ++pos;
  while (end > pos && text[end - 1] == ' ') --end;
  if (pos == end) return std::nullopt;
  OraNumber n;
  if (text[pos] == '+' || text[pos] == '-') n.negative_ = text[pos++] == '-';
  std::string digits;
  int point = -1;
  bool any = false;
  for (; pos < end; ++pos) {
    char c = text[pos];
    if (c >= '0' && c <= '9') {
      digits += c;
      any = true;
    } else if (c == '.' && point < 0) {
      point = static_cast<int>(digits.size());
    } else {
      break;
    }
  }
  if (!any) return std::nullopt;
  long exp10 = 0;
  if (pos < end && (text[pos] == 'e' || text[pos] == 'E')) {
    ++pos;
    bool exp_neg = false;
    if (pos < end && (text[pos] == '+' || text[pos] == '-')) exp_neg = text[pos++] == '-';
    if (pos >= end || text[pos] < '0' || text[pos] > '9') return std::nullopt;
    for (; pos < end && text[pos] >= '0' && text[pos] <= '9'; ++pos) {
      exp10 = std::min(exp10 * 10 + (text[pos] - '0'), 100000L);
    }
    if (exp_neg) exp10 = -exp10;
  }
  if (pos < end && (text[pos] == 'f' || text[pos] == 'F' || text[pos] == 'd' || text[pos] == 'D'))
    ++pos;
  if (pos != end) return std::nullopt;
  n.digits_ = digits;
  n.exponent_ = static_cast<int>((point < 0 ? static_cast<long>(digits.size()) : point) + exp10);
  n.normalize();
  return n;
}

OraNumber OraNumber::from_digits(bool negative, const char* digits, size_t count, int exponent) {
  OraNumber n;
  n.negative_ = negative;
  n.digits_.assign(digits, count);
  n.exponent_ = exponent;
  n.normalize();
  return n;
}

OraNumber OraNumber::rounded_significant(int keep) const {
  if (is_zero() || keep >= significant_digits()) return *this;
  OraNumber out = *this;
  if (keep < 0) return OraNumber();
  bool up = digits_[keep] >= '5';
  out.digits_ = digits_.substr(0, keep);
  if (up) {
    int k = keep - 1;
    while (k >= 0 && out.digits_[k] == '9') out.digits_[k--] = '0';
    if (k < 0) {
      out.digits_.insert(out.digits_.begin(), '1');
      out.exponent_ += 1;
    } else {
      ++out.digits_[k];
    }
  }
  out.normalize();
  return out;
}

OraNumber OraNumber::rounded(int scale) const {
  return rounded_significant(exponent_ + scale);
}

OraNumber OraNumber::truncated(int scale) const {
  int keep = exponent_ + scale;
  if (is_zero() || keep >= significant_digits()) return *this;
  if (keep <= 0) return OraNumber();
  OraNumber out = *this;
  out.digits_ = digits_.substr(0, keep);
  out.normalize();
  return out;
}

std::string OraNumber::to_text() const {
  std::string out;
  append_text(out);
  return out;
}

void OraNumber::append_text(std::string& out) const {
  if (is_zero()) {
    out += '0';
    return;
  }
  if (negative_) out += '-';
  int n = significant_digits();
  int length = exponent_ >= n ? exponent_ : exponent_ > 0 ? n + 1 : n - exponent_ + 1;
  if (length > 64) {
    // Scientific form, as TM9 falls back to when 64 characters do not suffice.
    out += digits_[0];
    if (n > 1) {
      out += '.';
      out.append(digits_, 1);
    }
    char exp[16];
    std::snprintf(exp, sizeof exp, "E%+03d", exponent_ - 1);
    out += exp;
    return;
  }
  if (exponent_ <= 0) {
    out += '.';
    out.append(static_cast<size_t>(-exponent_), '0');
    out += digits_;
  } else if (exponent_ >= n) {
    out += digits_;
    out.append(static_cast<size_t>(exponent_ - n), '0');
  } else {
    out.append(digits_, 0, static_cast<size_t>(exponent_));
    out += '.';
    out.append(digits_, static_cast<size_t>(exponent_));
  }
}

std::optional<int64_t> OraNumber::to_int64() const {
  if (!is_integer()) return std::nullopt;
  if (is_zero()) return 0;
  if (exponent_ > 19) return std::nullopt;
  std::string whole = digits_ + std::string(exponent_ - significant_digits(), '0');
  if (cmp_digits(whole, negative_ ? "9223372036854775808" : "9223372036854775807") > 0)
    return std::nullopt;
  uint64_t mag = std::stoull(whole);
  return negative_ ? static_cast<int64_t>(0 - mag) : static_cast<int64_t>(mag);
}

double OraNumber::to_double() const {
  return std::strtod(to_text().c_str(), nullptr);
}

OraNumber OraNumber::operator-() const {
  OraNumber out = *this;
  if (!out.is_zero()) out.negative_ = !negative_;
  return out;
}

int compare(const OraNumber& a, const OraNumber& b) {
  if (a.is_zero() || b.is_zero() || a.negative_ != b.negative_) {
    int sa = a.is_zero() ? 0 : a.negative_ ? -1 : 1;
    int sb = b.is_zero() ? 0 : b.negative_ ? -1 : 1;
    return sa < sb ? -1 : sa > sb ? 1 : 0;
  }
  int mag = 0;
  if (a.exponent_ != b.exponent_) {
    mag = a.exponent_ < b.exponent_ ? -1 : 1;
  } else {
    int c = a.digits_.compare(b.digits_);
    mag = c < 0 ? -1 : c > 0 ? 1 : 0;
  }
  return a.negative_ ? -mag : mag;
}

OraNumber operator+(const OraNumber& a, const OraNumber& b) {
  if (a.is_zero()) return b;
  if (b.is_zero()) return a;
  // Align both coefficients on the lower last-digit exponent.
  int last_a = a.exponent_ - a.significant_digits();
  int last_b = b.exponent_ - b.significant_digits();
  int last = std::min(last_a, last_b);
  int top = std::max(a.exponent_, b.exponent_);
  size_t width = static_cast<size_t>(top - last);
  if (width > 400) {  // magnitudes too far apart: the smaller one vanishes at 40 digits
    return compare(OraNumber(a.negative_ ? -a : a), OraNumber(b.negative_ ? -b : b)) >= 0 ? a : b;
  }
  auto widen = [&](const OraNumber& n) {
    std::string s(top - n.exponent_, '0');
    s += n.digits_;
    s.append(width - s.size(), '0');
    return s;
  };
  std::string x = widen(a), y = widen(b);
  OraNumber out;
  if (a.negative_ == b.negative_) {
    out.digits_ = add_digits(x, y);
    out.negative_ = a.negative_;
    out.exponent_ = top + 1;
  } else {
    int c = cmp_digits(x, y);
    if (c == 0) return OraNumber();
    out.digits_ = c > 0 ? sub_digits(x, y) : sub_digits(y, x);
    out.negative_ = c > 0 ? a.negative_ : b.negative_;
    out.exponent_ = top;
  }
  out.normalize();
  return out.rounded_significant(40);
}

OraNumber operator*(const OraNumber& a, const OraNumber& b) {
  if (a.is_zero() || b.is_zero()) return OraNumber();
  std::vector<int> acc(a.digits_.size() + b.digits_.size(), 0);
  for (size_t i = a.digits_.size(); i-- > 0;) {
    for (size_t j = b.digits_.size(); j-- > 0;) {
      acc[i + j + 1] += (a.digits_[i] - '0') * (b.digits_[j] - '0');
    }
  }
  for (size_t k = acc.size(); k-- > 1;) {
    acc[k - 1] += acc[k] / 10;
    acc[k] %= 10;
  }
  OraNumber out;
  for (int d : acc) out.digits_ += static_cast<char>('0' + d);
  out.exponent_ = a.exponent_ + b.exponent_;
  out.negative_ = a.negative_ != b.negative_;
  out.normalize();
  return out.rounded_significant(40);
}

OraNumber operator/(const OraNumber& a, const OraNumber& b) {
  if (b.is_zero()) raise(1476);
  if (a.is_zero()) return OraNumber();
  // Long division of the coefficients, producing 42 quotient digits.
  std::string divisor = b.digits_;
  std::string rest;
  std::string quotient;
  size_t next = 0;
  while (quotient.size() < 42 + divisor.size()) {
    rest += next < a.digits_.size() ? a.digits_[next] : '0';
    ++next;
    int digit = 0;
    while (cmp_digits(rest, divisor) >= 0) {
      std::string padded =
          std::string(rest.size() - std::min(rest.size(), divisor.size()), '0') + divisor;
      if (padded.size() < rest.size()) padded.insert(0, rest.size() - padded.size(), '0');
      rest = sub_digits(rest, padded);
      ++digit;
    }
    quotient += static_cast<char>('0' + digit);
  }
  OraNumber out;
  out.digits_ = quotient;
  // a = 0.A * 10^ea, b = 0.B * 10^eb; quotient digits q_k = floor(A_prefix / B).
  out.exponent_ = a.exponent_ - b.exponent_ + static_cast<int>(divisor.size());
  out.negative_ = a.negative_ != b.negative_;
  out.normalize();
  return out.rounded_significant(40);
}

void OraNumber::check_range() const {
  if (!is_zero() && exponent_ > 126) raise(1426);
}

}  // namespace oraemb
