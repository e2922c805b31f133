// Implicit conversions and comparisons of engine values.
#include "oraemb/value_ops.h"

#include <ctime>

#include "oraemb/ora_error.h"
#include "oraemb/session.h"

namespace oraemb {

std::string to_hex(const std::string& bytes) {
  static const char digits[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(bytes.size() * 2);
  for (unsigned char b : bytes) {
    out += digits[b >> 4];
    out += digits[b & 15];
  }
  return out;
}

std::string from_hex(const std::string& text) {
  std::string src = text.size() % 2 ? "0" + text : text;
  std::string out;
  out.reserve(src.size() / 2);
  auto digit = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    raise(1465);
  };
  for (size_t k = 0; k < src.size(); k += 2)
    out += static_cast<char>(digit(src[k]) * 16 + digit(src[k + 1]));
  return out;
}

std::string kind_name(Kind kind) {
  switch (kind) {
    case Kind::Number:
      return "NUMBER";
    case Kind::Date:
      return "DATE";
    case Kind::Raw:
      return "BINARY";
    case Kind::Clob:
      return "CLOB";
    case Kind::Blob:
      return "BLOB";
    default:
      return "CHAR";
  }
}

std::string value_text(const Value& v) {
  switch (v.kind) {
    case Kind::Null:
      return {};
    case Kind::Number:
      return v.number.to_text();
    case Kind::Date:
      return date_to_char(v.date, v.date.is_timestamp() ? kTimestampMask : "DD-MON-RR");
    case Kind::Raw:
      return to_hex(v.bytes);
    case Kind::Blob:
      raise(932, {"CHAR", "BLOB"});
    default:
      return v.bytes;
  }
}

OraNumber value_number(const Value& v) {
  switch (v.kind) {
    case Kind::Number:
      return v.number;
    case Kind::Text:
    case Kind::Clob: {
      auto n = OraNumber::parse(v.bytes);
      if (!n) raise(1722);
      n->check_range();
      return *n;
    }
    default:
      raise(932, {"NUMBER", kind_name(v.kind)});
  }
}

OraDate value_date(const Value& v) {
  if (v.kind == Kind::Date) return v.date;
  if (v.kind == Kind::Text) return to_date(v.bytes, "DD-MON-RR", Session::now());
  raise(932, {"DATE", kind_name(v.kind)});
}

std::string value_key(const Value& v) {
  std::string key(1, static_cast<char>('0' + static_cast<int>(v.kind)));
  if (v.kind == Kind::Number)
    key += v.number.to_text();
  else if (v.kind == Kind::Date)
    key += v.date.to_storage();
  else
    key += v.bytes;
  return key;
}

std::string row_key(const std::vector<Value>& row) {
  std::string key;
  for (const Value& v : row) {
    std::string k = value_key(v);
    key += std::to_string(k.size()) + ":" + k;
  }
  return key;
}

int compare_values(const Value& a, const Value& b) {
  if (a.kind == Kind::Clob || a.kind == Kind::Blob) raise(932, {"-", kind_name(a.kind)});
  if (b.kind == Kind::Clob || b.kind == Kind::Blob) raise(932, {"-", kind_name(b.kind)});
  if (a.kind == Kind::Number || b.kind == Kind::Number) {
    return compare(value_number(a), value_number(b));
  }
  if (a.kind == Kind::Date || b.kind == Kind::Date) {
    return compare_dates(value_date(a), value_date(b));
  }
  std::string x = a.kind == Kind::Raw || b.kind == Kind::Raw
                      ? (a.kind == Kind::Raw ? a.bytes : from_hex(a.bytes))
                      : a.bytes;
  std::string y = a.kind == Kind::Raw || b.kind == Kind::Raw
                      ? (b.kind == Kind::Raw ? b.bytes : from_hex(b.bytes))
                      : b.bytes;
  // Blank-padded semantics: the shorter text is taken with blanks up to the
  // length of the longer one, so trailing blanks make no difference.
  if (a.kind == Kind::Text && b.kind == Kind::Text && a.blank_padded && b.blank_padded) {
    if (x.size() < y.size())
      x.append(y.size() - x.size(), ' ');
    else
      y.append(x.size() - y.size(), ' ');
  }
  int c = x.compare(y);
  return c < 0 ? -1 : c > 0 ? 1 : 0;
}

}  // namespace oraemb
