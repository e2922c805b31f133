// Decoding of input bind elements: the array layout (skips), indicators,
// length arrays and prefixes, and each external type the engine accepts.
#include "oraemb/bind_values.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "oraemb/lexer.h"
#include "oraemb/ora_error.h"
#include "oraemb/utf.h"

namespace oraemb {
namespace {

constexpr ub2 kSqltBfloat = 21;
constexpr ub2 kSqltBdouble = 22;
constexpr ub2 kSqltOdt = 156;  // OCIDate
constexpr ub2 kUtf8Ids[] = {871, 873};

template <class T>
T load(const char* p) {
  T v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

bool utf16_data(const BindH& b, const EnvH& env) {
  if (b.charset_id == OCI_UTF16ID) return true;
  for (ub2 id : kUtf8Ids)
    if (b.charset_id == id) return false;
  return env.utf16;
}

std::string text_of(const BindH& b, const EnvH& env, const char* data, size_t bytes) {
  if (!utf16_data(b, env)) return std::string(data, bytes);
  std::string out;
  append_utf16_as_utf8(data, bytes / 2, out);
  return out;
}

OraDate checked_date(const unsigned char raw[7]) {
  OraDate d = OraDate::from_oci(raw);
  if (d.year < -4712 || d.year > 9999 || d.year == 0) raise(1841);
  if (d.month < 1 || d.month > 12) raise(1843);
  if (d.day < 1 || d.day > days_in_month(d.year, d.month)) raise(1847);
  if (d.hour < 0 || d.hour > 23) raise(1850);
  if (d.minute < 0 || d.minute > 59) raise(1851);
  if (d.second < 0 || d.second > 59) raise(1852);
  return d;
}

// A NUMBER value whose digits move in rather than being copied.
Value number_value(OraNumber&& n) {
  Value v;
  v.kind = Kind::Number;
  v.number = std::move(n);
  return v;
}

Value from_double(double x) {
  if (!std::isfinite(x)) raise(1426);
  return number_value(OraNumber::from_double(x));
}

}  // namespace

std::optional<OraNumber> number_from_oracle_bytes(const unsigned char* p, size_t n) {
  if (n == 0 || n > 22) return std::nullopt;
  if (p[0] == 0x80) {
    if (n != 1) return std::nullopt;
    return OraNumber();
  }
  const bool positive = (p[0] & 0x80) != 0;
  // Base-100 exponent of the first digit pair.
  const int exponent = positive ? p[0] - 193 : 62 - p[0];
  size_t end = n;
  if (!positive && n > 1 && p[n - 1] == 102) --end;  // terminator of negative numbers
  if (end < 2) return std::nullopt;
  // Two decimal digits per base-100 digit: 0.d1d2... * 10^(2 * (exponent + 1)).
  char digits[44];
  size_t count = 0;
  for (size_t k = 1; k < end; ++k) {
    int digit = positive ? p[k] - 1 : 101 - p[k];
    if (digit < 0 || digit > 99) return std::nullopt;
    digits[count++] = static_cast<char>('0' + digit / 10);
    digits[count++] = static_cast<char>('0' + digit % 10);
  }
  return OraNumber::from_digits(!positive, digits, count, 2 * (exponent + 1));
}

std::vector<std::string> placeholder_names(const std::string& sql) {
  std::vector<std::string> names;
  try {
    LexResult lexed = lex(sql);
    for (size_t k = 0; k < lexed.tokens.size(); ++k) {
      const Token& t = lexed.tokens[k];
      if (t.kind != Tok::Bind) continue;
      // :new.col and :old.col in trigger text are not placeholders.
      bool qualified = k + 1 < lexed.tokens.size() && lexed.tokens[k + 1].kind == Tok::Symbol &&
                       lexed.tokens[k + 1].text == ".";
      if (!qualified) names.push_back(t.text);
    }
  } catch (const ora_error&) {
    // The parse reports the error.
  }
  return names;
}

Value bind_element(const BindH& b, ub4 row, const EnvH& env) {
  // Text of a bind: national when the bind has the SQLCS_NCHAR form, else it
  // passes through the database character set when stored.
  auto text = [&](std::string value) {
    Value v = Value::text(std::move(value));
    v.national = b.charset_form == SQLCS_NCHAR;
    return v;
  };
  if (b.indicator) {
    size_t skip = b.indicator_skip ? b.indicator_skip : sizeof(sb2);
    if (load<sb2>(reinterpret_cast<const char*>(b.indicator) + row * skip) == OCI_IND_NULL)
      return Value::null();
  }
  const size_t capacity = b.size < 0 ? 0 : static_cast<size_t>(b.size);
  const size_t stride = b.value_skip ? b.value_skip : capacity;
  const char* data = static_cast<const char*>(b.value);
  if (data) data += static_cast<size_t>(row) * stride;
  size_t length = capacity;
  if (b.alen4) {
    size_t skip = b.alen_skip ? b.alen_skip : sizeof(ub4);
    length = load<ub4>(reinterpret_cast<const char*>(b.alen4) + row * skip);
  } else if (b.alen) {
    size_t skip = b.alen_skip ? b.alen_skip : sizeof(ub2);
    length = load<ub2>(reinterpret_cast<const char*>(b.alen) + row * skip);
  }
  // The engine never reads past the caller's buffer.
  if (length > capacity) raise(1460);
  if (!data) {
    if (length == 0) return Value::null();
    raise(1460);
  }
  auto prefixed = [&](size_t prefix) {
    if (capacity < prefix) raise(1460);
    size_t n = prefix == 2 ? load<ub2>(data) : load<ub4>(data);
    if (n > capacity - prefix) raise(1460);
    return std::string_view(data + prefix, n);
  };
  switch (b.dty) {
    case SQLT_STR: {
      size_t unit = utf16_data(b, env) ? 2 : 1;
      size_t len = 0;
      while (len + unit <= capacity && !(data[len] == 0 && (unit == 1 || data[len + 1] == 0)))
        len += unit;
      if (len + unit > capacity && capacity > 0) raise(1480);
      return text(text_of(b, env, data, len));
    }
    case SQLT_AFC: {
      // CHAR data: compared blank-padded, as a CHAR column or a literal.
      Value v = text(text_of(b, env, data, length));
      v.blank_padded = true;
      return v;
    }
    case SQLT_CHR:
    case SQLT_LNG:
      return text(text_of(b, env, data, length));
    case SQLT_VCS: {
      auto v = prefixed(2);
      return text(text_of(b, env, v.data(), v.size()));
    }
    case SQLT_LVC: {
      auto v = prefixed(4);
      return text(text_of(b, env, v.data(), v.size()));
    }
    case SQLT_BIN:
    case SQLT_LBI:
      return Value::raw(std::string(data, length));
    case SQLT_LVB: {
      auto v = prefixed(4);
      return Value::raw(std::string(v));
    }
    case SQLT_INT:
    case SQLT_UIN: {
      bool is_signed = b.dty == SQLT_INT;
      switch (capacity) {
        case 1:
          return Value::num(
              OraNumber::from_int(is_signed ? load<int8_t>(data) : load<uint8_t>(data)));
        case 2:
          return Value::num(
              OraNumber::from_int(is_signed ? load<int16_t>(data) : load<uint16_t>(data)));
        case 4:
          // Each branch widened first: the common type of int32_t and
          // uint32_t is unsigned, which turned -5 into 4294967291.
          return Value::num(OraNumber::from_int(is_signed ? int64_t{load<int32_t>(data)}
                                                          : int64_t{load<uint32_t>(data)}));
        case 8:
          if (is_signed) return Value::num(OraNumber::from_int(load<int64_t>(data)));
          {
            auto n = OraNumber::parse(std::to_string(load<uint64_t>(data)));
            return Value::num(*n);
          }
        default:
          raise(1460);
      }
    }
    case SQLT_FLT:
      if (capacity == 4) return from_double(load<float>(data));
      if (capacity == 8) return from_double(load<double>(data));
      raise(1460);
    case kSqltBfloat:
      if (capacity < 4) raise(1460);
      return from_double(load<float>(data));
    case kSqltBdouble:
      if (capacity < 8) raise(1460);
      return from_double(load<double>(data));
    case SQLT_NUM: {
      auto n = number_from_oracle_bytes(reinterpret_cast<const unsigned char*>(data), length);
      if (!n) raise(1722);
      return number_value(std::move(*n));
    }
    case SQLT_VNU: {
      if (capacity < 1) raise(1460);
      size_t n_bytes = static_cast<unsigned char>(data[0]);
      if (n_bytes + 1 > capacity) raise(1460);
      auto n = number_from_oracle_bytes(reinterpret_cast<const unsigned char*>(data) + 1, n_bytes);
      if (!n) raise(1722);
      return number_value(std::move(*n));
    }
    case SQLT_DAT:
      if (capacity < 7) raise(1460);
      return Value::dt(checked_date(reinterpret_cast<const unsigned char*>(data)));
    case SQLT_TIMESTAMP: {
      // The element is the address of a timestamp descriptor.
      if (capacity < sizeof(void*)) raise(1460);
      const DateTimeH* dt = handle_cast<DateTimeH>(load<void*>(data), OCI_DTYPE_TIMESTAMP);
      if (!dt) raise(1460);
      OraDate d = dt->value;
      d.precision = 9;
      return Value::dt(d);
    }
    case kSqltOdt: {
      // OCIDate: sb2 year, ub1 month, ub1 day, then hour, minute, second.
      if (capacity < 7) raise(1460);
      int year = load<int16_t>(data);
      unsigned char raw[7] = {static_cast<unsigned char>((year / 100) + 100),
                              static_cast<unsigned char>((year % 100) + 100),
                              static_cast<unsigned char>(data[2]),
                              static_cast<unsigned char>(data[3]),
                              static_cast<unsigned char>(data[4] + 1),
                              static_cast<unsigned char>(data[5] + 1),
                              static_cast<unsigned char>(data[6] + 1)};
      if (year < 0 || year > 9999) raise(1841);
      return Value::dt(checked_date(raw));
    }
    default:
      raise(1460);
  }
}

bool is_long_bind_type(ub2 dty) {
  return dty == SQLT_LNG || dty == SQLT_LBI || dty == SQLT_LVC || dty == SQLT_LVB;
}

void check_long_bind_order(const std::vector<const BindH*>& binds, const EnvH& env,
                           int database_char_bytes, int nchar_char_bytes) {
  constexpr size_t kShortLimit = 4000;
  bool after_long = false;
  for (const BindH* b : binds) {
    if (!b) continue;
    const size_t size = b->size < 0 ? 0 : static_cast<size_t>(b->size);
    // Its size on the server: OCI_ATTR_MAXDATA_SIZE when the client set it
    // (after the form), else what the buffer may grow to once converted
    // into the column's character set.
    size_t server = size;
    if (b->max_data_size > 0) {
      server = b->max_data_size;
    } else if (b->dty == SQLT_CHR || b->dty == SQLT_STR || b->dty == SQLT_VCS ||
               b->dty == SQLT_AFC) {
      const size_t per_char = static_cast<size_t>(
          std::max(1, b->charset_form == SQLCS_NCHAR ? nchar_char_bytes : database_char_bytes));
      server = utf16_data(*b, env) ? size / 2 * std::min<size_t>(per_char, 3) : size;
    }
    if (is_long_bind_type(b->dty) || (b->max_data_size > 0 ? server : size) > kShortLimit) {
      after_long = true;
      continue;
    }
    if (after_long && server > kShortLimit) raise(24816);
  }
}

}  // namespace oraemb
