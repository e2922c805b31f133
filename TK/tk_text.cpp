// UTF-8 / UTF-16 / UTF-32 (wchar_t) conversions over the shared codec
// (tk_utf_codec.h), with no locale dependence, and the space trimming helpers.
#include "TK/tk_text.h"

#include <cstdint>

#include "TK/tk_trace.h"
#include "TK/tk_utf_codec.h"

namespace {

using tk_utf::kReplacement;

bool decode_utf8(std::string_view s, size_t& i, char32_t& cp) {
  return tk_utf::decode_utf8(s.data(), s.size(), i, cp);
}

// Text that is all ASCII converts unit for unit; the per-record values and
// statement texts of a conversion nearly always are, and the general
// loops below cost several times the plain copy (callgrind).
template <class V>
bool all_ascii(V text) {
  for (auto c : text)
    if (static_cast<char32_t>(c) >= 0x80) return false;
  return true;
}

bool valid_scalar(char32_t cp) {
  return tk_utf::is_scalar(cp);
}

template <class S>
S trim_left(S s) {
  size_t i = 0;
  while (i < s.size() && s[i] == ' ') ++i;
  return s.substr(i);
}
template <class S>
S trim_right(S s) {
  size_t n = s.size();
  while (n > 0 && s[n - 1] == ' ') --n;
  return s.substr(0, n);
}

}  // namespace

std::optional<std::wstring> tk_utf8_to_wide(std::string_view text) {
  std::wstring out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    char32_t cp;
    if (!decode_utf8(text, i, cp)) return std::nullopt;
    out += static_cast<wchar_t>(cp);
  }
  return out;
}

std::wstring tk_to_wide(std::string_view text) {
  if (all_ascii(text)) return std::wstring(text.begin(), text.end());
  std::wstring out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    char32_t cp;
    out += static_cast<wchar_t>(decode_utf8(text, i, cp) ? cp : kReplacement);
  }
  return out;
}

std::optional<std::string> tk_wide_to_utf8_strict(std::wstring_view text) {
  std::string out;
  out.reserve(text.size());
  for (wchar_t c : text) {
    const auto cp = static_cast<char32_t>(c);
    if (!valid_scalar(cp)) return std::nullopt;
    tk_utf::append_utf8(cp, out);
  }
  return out;
}

std::string tk_to_utf8(std::wstring_view text) {
  if (all_ascii(text)) return std::string(text.begin(), text.end());
  std::string out;
  out.reserve(text.size());
  for (wchar_t c : text) {
    const auto cp = static_cast<char32_t>(c);
    tk_utf::append_utf8(valid_scalar(cp) ? cp : kReplacement, out);
  }
  return out;
}

namespace {
// U+DC80..U+DCFF: a byte 0x80..0xFF of a file name that is not UTF-8.
constexpr char32_t kEscapedByte = 0xDC00;
bool is_escaped_byte(char32_t c) {
  return c >= kEscapedByte + 0x80 && c <= kEscapedByte + 0xFF;
}
}  // namespace

std::wstring tk_file_name_to_wide(std::string_view bytes) {
  std::wstring out;
  out.reserve(bytes.size());
  for (size_t i = 0; i < bytes.size();) {
    char32_t cp;
    const size_t at = i;
    if (decode_utf8(bytes, i, cp)) {
      out += static_cast<wchar_t>(cp);
    } else {
      // Only the first byte is escaped; the next ones are looked at again.
      i = at + 1;
      out += static_cast<wchar_t>(kEscapedByte + static_cast<unsigned char>(bytes[at]));
    }
  }
  return out;
}

std::string tk_file_name_from_wide(std::wstring_view name) {
  std::string out;
  out.reserve(name.size());
  for (wchar_t c : name) {
    const auto cp = static_cast<char32_t>(c);
    if (is_escaped_byte(cp))
      out += static_cast<char>(cp - kEscapedByte);
    else
      tk_utf::append_utf8(valid_scalar(cp) ? cp : kReplacement, out);
  }
  return out;
}

std::u16string tk_file_name_to_utf16(std::wstring_view name) {
  std::u16string out;
  out.reserve(name.size());
  char16_t units[2];
  for (wchar_t c : name) {
    const auto cp = static_cast<char32_t>(c);
    if (is_escaped_byte(cp))
      out += static_cast<char16_t>(cp);
    else
      out.append(units, tk_utf::encode_utf16(valid_scalar(cp) ? cp : kReplacement, units));
  }
  return out;
}

std::string tk_file_name_from_utf16(std::u16string_view name) {
  std::wstring wide;
  wide.reserve(name.size());
  for (size_t i = 0; i < name.size();) {
    if (is_escaped_byte(name[i])) {
      wide += static_cast<wchar_t>(name[i++]);
      continue;
    }
    char32_t cp;
    wide += static_cast<wchar_t>(
        tk_utf::decode_utf16(name.data(), name.size(), i, cp) ? cp : kReplacement);
  }
  return tk_file_name_from_wide(wide);
}

std::u16string tk_wide_to_utf16(std::wstring_view text) {
  if (all_ascii(text)) return std::u16string(text.begin(), text.end());
  std::u16string out;
  out.reserve(text.size());
  char16_t units[2];
  for (wchar_t c : text) {
    const auto cp = static_cast<char32_t>(c);
    out.append(units, tk_utf::encode_utf16(valid_scalar(cp) ? cp : kReplacement, units));
  }
  return out;
}

std::wstring tk_utf16_to_wide(std::u16string_view text) {
  if (all_ascii(text)) return std::wstring(text.begin(), text.end());
  std::wstring out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    char32_t cp;
    out += static_cast<wchar_t>(
        tk_utf::decode_utf16(text.data(), text.size(), i, cp) ? cp : kReplacement);
  }
  return out;
}

std::u16string tk_utf8_to_utf16(std::string_view utf8) {
  if (all_ascii(utf8)) return std::u16string(utf8.begin(), utf8.end());
  return tk_wide_to_utf16(tk_to_wide(utf8));
}
std::string tk_utf16_to_utf8(std::u16string_view text) {
  if (all_ascii(text)) return std::string(text.begin(), text.end());
  return tk_to_utf8(tk_utf16_to_wide(text));
}

std::string tk_ltrim(std::string_view s) {
  return std::string(trim_left(s));
}
std::string tk_rtrim(std::string_view s) {
  return std::string(trim_right(s));
}
std::string tk_trim(std::string_view s) {
  return std::string(trim_right(trim_left(s)));
}
std::wstring tk_ltrim(std::wstring_view s) {
  return std::wstring(trim_left(s));
}
std::wstring tk_rtrim(std::wstring_view s) {
  if (!s.empty() && trim_right(s).empty()) tk_trace(1, "Special processing for all-spaces-string");
  return std::wstring(trim_right(s));
}
std::wstring tk_trim(std::wstring_view s) {
  return std::wstring(trim_right(trim_left(s)));
}

bool tk_utf16_less::operator()(const std::wstring& a, const std::wstring& b) const {
  // Characters below U+10000 compare as themselves; supplementary ones as
  // their high surrogate (0xD800..0xDBFF), which is all that decides the order
  // against a BMP character. Two supplementary ones keep code-point order.
  auto key = [](wchar_t c) -> uint32_t {
    const auto cp = static_cast<uint32_t>(c);
    return cp >= 0x10000 ? 0xD800 + ((cp - 0x10000) >> 10) : cp;
  };
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    if (a[i] == b[i]) continue;
    const uint32_t ka = key(a[i]), kb = key(b[i]);
    if (ka != kb) return ka < kb;
    return static_cast<uint32_t>(a[i]) < static_cast<uint32_t>(b[i]);
  }
  return a.size() < b.size();
}

std::wstring tk_mask_password(const std::wstring& password) {
  return password.empty() ? std::wstring() : std::wstring(L"***");
}
