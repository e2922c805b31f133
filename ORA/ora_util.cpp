// Column types, literals and defaults for Oracle. Literals are written inline
// into the statements, so every text that reaches one is quoted with its
// quotes doubled, or checked to be a number, date or hexadecimal form first.
#include "ORA/ora_util.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cwchar>
#include <optional>

#include "OLE/ole_date.h"
#include "OLE/ole_timestamp.h"
#include "TK/tk_exception.h"
#include "TK/tk_text.h"
#include "TK/tk_trace.h"

namespace {

// The OLE Automation zero date: a time of day without a date is this day's
// time, as the source counts it. Oracle would otherwise put it on the first
// day of the month in which the statement runs.
constexpr const wchar_t* kZeroDate = L"1899-12-30 ";

bool is_hex(wchar_t c) {
  return (c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'f') || (c >= L'A' && c <= L'F');
}
bool is_hex(char c) {
  return is_hex(static_cast<wchar_t>(static_cast<unsigned char>(c)));
}
bool is_digit(wchar_t c) {
  return c >= L'0' && c <= L'9';
}

std::wstring format(const wchar_t* pattern, int a, int b = 0) {
  wchar_t out[64];
  std::swprintf(out, 64, pattern, a, b);
  return out;
}

// The binary literal: "0x" and hexadecimal digits (or a run of decimal
// digits) become the quoted digits after the first two characters.
std::wstring binary_literal(const std::wstring& text) {
  tk_trace(1, "GOT BLOB");
  if (text.size() < 2 || !is_digit(text[0])) return L"''";
  const bool hex = text[1] == L'x' || text[1] == L'X';
  if (hex && text[0] != L'0') return L"''";
  if (!hex && !is_digit(text[1])) return L"''";
  for (size_t i = 2; i < text.size(); ++i) {
    if (hex ? !is_hex(text[i]) : !is_digit(text[i])) return L"''";
  }
  tk_trace(1, "BLOB IS VALID");
  return L"'" + text.substr(2) + L"'";
}

std::wstring date_literal(const std::wstring& text) {
  const ole_date date(text);
  if (!date.is_valid()) return L"";
  std::wstring printed = date.to_wstring();
  switch (date.get_kind()) {
    case ole_date::kind_time: {
      const size_t pos = printed.find(L"0000-00-00 ");
      if (pos != std::wstring::npos) {
        tk_trace(2, "Null date has been found");
        printed.erase(pos, 11);
      }
      return L"to_date('" + std::wstring(kZeroDate) + printed + L"', 'YYYY-MM-DD HH24:MI:SS')";
    }
    case ole_date::kind_date:
      return L"to_date('" + printed + L"', 'YYYY-MM-DD')";
    default:
      return L"to_date('" + printed + L"', 'YYYY-MM-DD HH24:MI:SS')";
  }
}

bool is_integer_kind(VARTYPE vt) {
  switch (vt) {
    case VT_I1:
    case VT_I2:
    case VT_I4:
    case VT_INT:
    case VT_UI1:
    case VT_UI2:
    case VT_UI4:
    case VT_UINT:
    case VT_BOOL:
      return true;
    default:
      return false;
  }
}

bool is_real_kind(VARTYPE vt) {
  return vt == VT_R4 || vt == VT_R8 || vt == VT_CY || vt == VT_DECIMAL;
}

// The leading integer of a text (blanks, sign, digits), as a 32-bit value
// clamped at the type's ends; 0 when there is none.
int32_t leading_int32(const std::string& text) {
  const long long value = std::strtoll(text.c_str(), nullptr, 10);
  if (value > INT32_MAX) return INT32_MAX;
  if (value < INT32_MIN) return INT32_MIN;
  return static_cast<int32_t>(value);
}

// The leading decimal number of a text (blanks, sign, digits, fraction,
// exponent); 0 when there is none. Only the decimal form counts: "nan",
// "inf" and hexadecimal texts read as 0, never as a value they would not
// be in Oracle.
double leading_double(const std::string& text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  const size_t start = i;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  size_t digits = 0;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i, ++digits;
  if (i < text.size() && text[i] == '.') {
    ++i;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i, ++digits;
  }
  if (digits == 0) return 0.0;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    size_t j = i + 1;
    if (j < text.size() && (text[j] == '+' || text[j] == '-')) ++j;
    if (j < text.size() && text[j] >= '0' && text[j] <= '9') {
      while (j < text.size() && text[j] >= '0' && text[j] <= '9') ++j;
      i = j;
    }
  }
  return std::strtod(text.substr(start, i - start).c_str(), nullptr);
}

}  // namespace

namespace {
uint32_t g_national_max_chars = ora_max_inline_len;
bool g_unicode_database = true;
}  // namespace

bool ora_unicode_database() {
  return g_unicode_database;
}

void ora_set_unicode_database(bool unicode) {
  g_unicode_database = unicode;
}

uint32_t ora_national_max_chars() {
  return g_national_max_chars;
}

void ora_set_national_max_chars(uint32_t chars) {
  g_national_max_chars = chars == 0 ? ora_max_inline_len : std::min(chars, ora_max_inline_len);
}

bool is_ora_lob_column(const t_ftd& ftd) {
  if (ftd.vartype == VT_BSTR) return ftd.size == 0 || ftd.size > g_national_max_chars;
  return (ftd.vartype == VT_BLOB || ftd.vartype == VT_BYTE_ARRAY) &&
         (ftd.size == 0 || ftd.size > ora_max_inline_len);
}

bool is_ora_number_literal(std::wstring_view text) {
  size_t i = 0;
  if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) ++i;
  size_t digits = 0;
  while (i < text.size() && is_digit(text[i])) ++i, ++digits;
  if (i < text.size() && text[i] == L'.') {
    ++i;
    while (i < text.size() && is_digit(text[i])) ++i, ++digits;
  }
  if (digits == 0) return false;
  if (i < text.size() && (text[i] == L'e' || text[i] == L'E')) {
    ++i;
    if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) ++i;
    size_t exponent = 0;
    while (i < text.size() && is_digit(text[i])) ++i, ++exponent;
    if (exponent == 0) return false;
  }
  return i == text.size();
}

namespace {

// A timestamp to 100 ns as its text (ole_timestamp.h) in a literal that
// keeps all seven fractional digits; an unreadable text is NULL. The
// batched writer binds these values instead (SQLT_TIMESTAMP).
std::wstring timestamp_literal(const std::wstring& text) {
  const std::optional<int64_t> value = ole_timestamp_from_text(tk_to_utf8(text));
  if (!value) {
    tk_wtrace(2, L"Not a timestamp: %s", text);
    return L"";
  }
  return L"TO_TIMESTAMP('" + tk_to_wide(ole_timestamp_to_text(*value)) +
         L"', 'YYYY-MM-DD HH24:MI:SS.FF7')";
}

}  // namespace

std::wstring get_native_type(const t_ftd& ftd) {
  tk_trace(2, "get_native_type [Oracle]");
  switch (ftd.vartype) {
    case VT_I2:
    case VT_UI1:
      return L"NUMBER(5,0)";
    case VT_I4:
    case VT_UI2:
    case VT_INT:
      return L"NUMBER(11,0)";
    case VT_R4:
    case VT_R8:
    case VT_CY:
      return L"NUMBER";
    case VT_DATE:
      return L"DATE";
    case VT_FILETIME:
      // A date and time to 100 ns (Access Date/Time Extended).
      return L"TIMESTAMP(7)";
    case VT_BSTR:
      tk_trace(1, "process as text");
      if (ftd.size >= 1 && ftd.size <= g_national_max_chars)
        return format(L"NVARCHAR2(%d) ", static_cast<int>(ftd.size));
      return g_unicode_database ? L"CLOB" : L"NCLOB";
    case VT_BOOL:
    case VT_I1:
      return L"NUMBER(3,0)";
    case VT_DECIMAL:
      return format(L"NUMBER(%d,%d)", static_cast<int>((ftd.extra >> 8) & 0xFF),
                    static_cast<int>(ftd.extra & 0xFF));
    case VT_UI4:
    case VT_I8:
    case VT_UINT:
      return L"NUMBER(19,0)";
    case VT_UI8:
      // 18446744073709551615 has 20 digits: NUMBER(19,0) would refuse every
      // value from 10^19 on (ORA-01438) and lose its record.
      return L"NUMBER(20,0)";
    case VT_BLOB:
      tk_trace(1, "process as binary");
      if (ftd.size >= 1 && ftd.size <= ora_max_inline_len)
        return format(L"RAW(%d)", static_cast<int>(ftd.size));
      return L"BLOB";
    default:
      TK_FAIL();
  }
}

std::wstring ora_doubled_quotes(const std::wstring& text) {
  std::wstring out;
  out.reserve(text.size() + 2);
  for (wchar_t c : text) {
    out += c;
    if (c == L'\'') out += L'\'';
  }
  return out;
}

std::wstring to_oracle_str(const std::wstring& text, unsigned short vartype) {
  tk_wtrace(2, L"to_oracle_str(%s,%d)", text, vartype);
  if (text.empty()) return L"''";
  if (vartype == VT_DATE) return date_literal(text);
  if (vartype == VT_FILETIME) return timestamp_literal(text);
  if (vartype == VT_BLOB || vartype == VT_BLOB_OBJECT || vartype == VT_BYTE_ARRAY)
    return binary_literal(text);
  const std::wstring quoted = ora_doubled_quotes(text);
  if (vartype == VT_BSTR) return L"'" + quoted + L"'";
  return quoted;
}

std::wstring to_oracle_str(const udb_field* field) {
  tk_trace(2, "to_oracle_str( const udb_field * )");
  TK_ASSERT(field != nullptr);
  const VARTYPE vt = field->get_type();
  if (vt == VT_BSTR || vt == VT_BLOB || vt == VT_BYTE_ARRAY) {
    const ole_guid_extractor guid(field->to_string());
    if (guid.is_guid()) {
      tk_trace(1, "FIELD IS A GUID!");
      const std::string& d = guid.digits();
      TK_ASSERT(d.size() == 32);
      // The in-memory byte order of a GUID: the first group of four bytes
      // and the next two groups of two bytes are little-endian.
      const std::string ordered = d.substr(6, 2) + d.substr(4, 2) + d.substr(2, 2) +
                                  d.substr(0, 2) + d.substr(10, 2) + d.substr(8, 2) +
                                  d.substr(14, 2) + d.substr(12, 2) + d.substr(16);
      tk_trace(1, "ora_guid=%s", ordered);
      return L"HEXTORAW('" + tk_to_wide(ordered) + L"')";
    }
  }
  return to_oracle_str(field->to_wstring(), vt);
}

std::wstring make_ora_def_val(const t_ftd* ftd) {
  TK_ASSERT(ftd != nullptr);
  const std::wstring text = ftd->def_value.to_wstring();
  tk_wtrace(2, L"make_ora_def_val(%s)", text);
  if (text.empty()) {
    tk_trace(1, "Got empty def value");
    return L"";
  }
  const VARTYPE vt = ftd->vartype;
  if (is_integer_kind(vt)) {
    const int32_t value = leading_int32(tk_to_utf8(text));
    return std::to_wstring(value) == text ? text : L"";
  }
  if (is_real_kind(vt)) {
    const double value = leading_double(tk_to_utf8(text));
    if (value < -1e126 || value > 1e126) {
      tk_trace(1, "def value is out of range");
      return L"0";
    }
    // The text goes into CREATE TABLE as it stands: only a number literal
    // may. A decimal comma (a locale's "1,5") becomes a point; any other
    // text (an expression, "nan", trailing words) gives no default rather
    // than a statement that Oracle refuses with the whole table.
    if (is_ora_number_literal(text)) return text;
    if (std::count(text.begin(), text.end(), L',') == 1 && text.find(L'.') == std::wstring::npos) {
      std::wstring pointed = text;
      pointed[pointed.find(L',')] = L'.';
      if (is_ora_number_literal(pointed)) return pointed;
    }
    if (value != 0.0) tk_wtrace(1, L"Default is not a number: %s", text);
    return L"";
  }
  if (vt == VT_DATE) {
    tk_trace(1, "Got DATE def value");
    const std::wstring printed = ole_date(text).to_wstring();
    tk_wtrace(1, L"After canonization: %s", printed);
    return printed.empty() ? L"" : to_oracle_str(printed, VT_DATE);
  }
  if (vt == VT_BSTR) {
    tk_wtrace(1, L"Got BSTR or DATE def value: %s", text);
    std::wstring value = text;
    // Size 0 declares no size: the text is kept whole.
    if (ftd->size != 0 && value.size() > ftd->size) value.resize(ftd->size);
    return to_oracle_str(value, VT_BSTR);
  }
  return L"";
}

ole_guid_extractor::ole_guid_extractor(const std::string& text) {
  tk_trace(2, "ole_guid_extractor::ctor(%s)", text);
  if (text.size() < 45) return;
  size_t match = text.find("guid");
  const size_t first = match;
  if (match == std::string::npos) match = text.find("GUID");
  tk_trace(1, "Locating 'guid' (%d : %d)", static_cast<int64_t>(first),
           static_cast<int64_t>(match));
  if (match == std::string::npos) return;
  const size_t p = text.find('{', match + 4);
  if (p == std::string::npos || p + 38 > text.size()) return;
  // Only a well-formed braced GUID counts: any other text that happens to
  // hold the word and a brace is ordinary text and must stay so.
  for (size_t i = 1; i <= 36; ++i) {
    const char c = text[p + i];
    const bool hyphen = i == 9 || i == 14 || i == 19 || i == 24;
    if (hyphen ? c != '-' : !is_hex(c)) return;
  }
  if (text[p + 37] != '}') return;
  digits_ = text.substr(p + 1, 8) + text.substr(p + 10, 4) + text.substr(p + 15, 4) +
            text.substr(p + 20, 4) + text.substr(p + 25, 12);
  is_guid_ = true;
}
