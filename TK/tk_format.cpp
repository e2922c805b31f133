// Type-safe printf: each conversion takes its value from a captured argument.
// Numbers are printed by snprintf with the caller's flags, width and
// precision; text arguments are substituted as UTF-8 with width and precision
// counted in bytes.
#include "TK/tk_format.h"

#include <cctype>
#include <cinttypes>
#include <cstdio>
#include <string>

#include "TK/tk_text.h"

namespace {

std::string printf_one(const std::string& conversion, auto value) {
  char buf[512];
  int n = std::snprintf(buf, sizeof buf, conversion.c_str(), value);
  if (n < 0) return {};
  if (static_cast<size_t>(n) < sizeof buf) return std::string(buf, static_cast<size_t>(n));
  std::string big(static_cast<size_t>(n) + 1, '\0');
  std::snprintf(big.data(), big.size(), conversion.c_str(), value);
  big.resize(static_cast<size_t>(n));
  return big;
}

std::string as_text(const tk_fmt_arg& a) {
  if (auto s = std::get_if<std::string_view>(&a.v)) return std::string(*s);
  if (auto w = std::get_if<std::wstring_view>(&a.v)) return tk_to_utf8(*w);
  if (auto i = std::get_if<int64_t>(&a.v)) return std::to_string(*i);
  if (auto u = std::get_if<uint64_t>(&a.v)) return std::to_string(*u);
  if (auto d = std::get_if<double>(&a.v)) return printf_one("%g", *d);
  return printf_one("%p", std::get<const void*>(a.v));
}

// One conversion field, %[flags][width][.precision][length]conv,
// with the printf text it stands for (without the conversion letter).
struct fmt_field {
  std::string flags, width, precision;
  bool has_precision = false;
  char conv = 0;
  std::string printf_prefix() const {
    return "%" + flags + width + (has_precision ? "." + precision : "");
  }
};

// Reads the conversion field after the '%' at format[i]. Returns the index of
// its conversion letter, or npos when it is malformed or uses '*'.
size_t parse_field(std::string_view format, size_t i, fmt_field& field) {
  size_t j = i + 1;
  while (j < format.size() && std::string_view("-+ #0").find(format[j]) != std::string_view::npos)
    field.flags += format[j++];
  while (j < format.size() &&
         (std::isdigit(static_cast<unsigned char>(format[j])) || format[j] == '*'))
    field.width += format[j++];
  if (j < format.size() && format[j] == '.') {
    field.has_precision = true;
    ++j;
    while (j < format.size() && std::isdigit(static_cast<unsigned char>(format[j])))
      field.precision += format[j++];
  }
  while (j < format.size() && std::string_view("hlLqjzt").find(format[j]) != std::string_view::npos)
    ++j;
  if (j >= format.size() || field.width.find('*') != std::string::npos) return std::string::npos;
  field.conv = format[j];
  return j;
}

// d i u x X o c
std::string format_integer(const fmt_field& field, const tk_fmt_arg& a) {
  int64_t v;
  if (auto p = std::get_if<int64_t>(&a.v)) {
    v = *p;
  } else if (auto q = std::get_if<uint64_t>(&a.v)) {
    v = static_cast<int64_t>(*q);
  } else if (auto d = std::get_if<double>(&a.v)) {
    v = static_cast<int64_t>(*d);
  } else {
    return as_text(a);
  }
  if (field.conv == 'c') return tk_to_utf8(std::wstring(1, static_cast<wchar_t>(v)));
  const bool is_unsigned_conv = field.conv != 'd' && field.conv != 'i';
  // Unsigned conversions of a signed value print its 32-bit pattern when
  // it fits in 32 bits, as printf("%08X", -1) does with an int.
  if (is_unsigned_conv && v < 0 && v >= INT32_MIN) v = static_cast<uint32_t>(v);
  const std::string conversion =
      field.printf_prefix() + (is_unsigned_conv ? std::string("ll") + field.conv : "lld");
  return printf_one(conversion, static_cast<long long>(v));
}

// e E f F g G
std::string format_floating(const fmt_field& field, const tk_fmt_arg& a) {
  double v;
  if (auto d = std::get_if<double>(&a.v)) {
    v = *d;
  } else if (auto p = std::get_if<int64_t>(&a.v)) {
    v = static_cast<double>(*p);
  } else if (auto q = std::get_if<uint64_t>(&a.v)) {
    v = static_cast<double>(*q);
  } else {
    return as_text(a);
  }
  return printf_one(field.printf_prefix() + field.conv, v);
}

// s S: any argument as text, cut to the precision and padded to the width.
std::string format_text(const fmt_field& field, const tk_fmt_arg& a) {
  std::string text = as_text(a);
  if (field.has_precision) {
    const size_t cut = field.precision.empty() ? 0 : std::stoul(field.precision);
    if (text.size() > cut) text.resize(cut);
  }
  if (!field.width.empty()) {
    const size_t w = std::stoul(field.width);
    if (text.size() < w) {
      if (field.flags.find('-') != std::string::npos)
        text.append(w - text.size(), ' ');
      else
        text.insert(0, w - text.size(), ' ');
    }
  }
  return text;
}

std::string format_one(const fmt_field& field, const tk_fmt_arg& a) {
  switch (field.conv) {
    case 'd':
    case 'i':
    case 'u':
    case 'x':
    case 'X':
    case 'o':
    case 'c':
      return format_integer(field, a);
    case 'e':
    case 'E':
    case 'f':
    case 'F':
    case 'g':
    case 'G':
      return format_floating(field, a);
    case 'p':
      if (auto p = std::get_if<const void*>(&a.v)) return printf_one("%p", *p);
      return as_text(a);
    case 's':
    case 'S':
      return format_text(field, a);
    default:
      return std::string("%") + field.conv;
  }
}

}  // namespace

std::string tk_vformat(std::string_view format, const tk_fmt_arg* args, size_t count) {
  std::string out;
  out.reserve(format.size() + 32);
  size_t next = 0;
  for (size_t i = 0; i < format.size(); ++i) {
    const char c = format[i];
    if (c != '%') {
      out += c;
      continue;
    }
    if (i + 1 < format.size() && format[i + 1] == '%') {
      out += '%';
      ++i;
      continue;
    }
    fmt_field field;
    const size_t j = parse_field(format, i, field);
    if (j == std::string::npos) {
      out.append(format.substr(i));  // malformed or unsupported: copy verbatim
      break;
    }
    i = j;
    if (next >= count) {
      out += "(missing)";
      continue;
    }
    out += format_one(field, args[next++]);
  }
  return out;
}
