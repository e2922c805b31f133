// A printf-style formatter that is type-safe: each argument is captured with
// its type, so "%s" takes narrow or wide text alike and a mismatched argument
// prints something harmless instead of reading garbage. Used by the trace log.
// Supported: %% and %[flags][width][.prec] followed by d i u x X o c s e E f g
// G p, with the length modifiers h l ll z ignored (the argument type decides).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>

struct tk_fmt_arg {
  std::variant<int64_t, uint64_t, double, std::string_view, std::wstring_view, const void*> v;

  template <class T>
  requires std::is_integral_v<T> && std::is_signed_v<T> tk_fmt_arg(T x)
      : v(static_cast<int64_t>(x)) {}
  template <class T>
  requires std::is_integral_v<T> && std::is_unsigned_v<T> tk_fmt_arg(T x)
      : v(static_cast<uint64_t>(x)) {}
  template <class T>
  requires std::is_enum_v<T> tk_fmt_arg(T x) : v(static_cast<int64_t>(x)) {}
  tk_fmt_arg(double x) : v(x) {}
  tk_fmt_arg(float x) : v(static_cast<double>(x)) {}
  tk_fmt_arg(const char* s) : v(std::string_view(s ? s : "(null)")) {}
  tk_fmt_arg(char* s) : tk_fmt_arg(static_cast<const char*>(s)) {}
  tk_fmt_arg(const std::string& s) : v(std::string_view(s)) {}
  tk_fmt_arg(std::string_view s) : v(s) {}
  tk_fmt_arg(const wchar_t* s) : v(std::wstring_view(s ? s : L"(null)")) {}
  tk_fmt_arg(wchar_t* s) : tk_fmt_arg(static_cast<const wchar_t*>(s)) {}
  tk_fmt_arg(const std::wstring& s) : v(std::wstring_view(s)) {}
  tk_fmt_arg(std::wstring_view s) : v(s) {}
  tk_fmt_arg(const void* p) : v(p) {}
};

// Formats into UTF-8. Wide text arguments are converted to UTF-8.
std::string tk_vformat(std::string_view format, const tk_fmt_arg* args, size_t count);

template <class... A>
std::string tk_format(std::string_view format, const A&... args) {
  if constexpr (sizeof...(A) == 0) {
    return tk_vformat(format, nullptr, 0);
  } else {
    const tk_fmt_arg list[] = {tk_fmt_arg(args)...};
    return tk_vformat(format, list, sizeof...(A));
  }
}
