// ole_variant: construction, copying, printing, reading from text and type
// changes. change_type is on the per-record path (every field of every
// record), so it does no allocation for the scalar cases.
#include "OLE/ole_variant.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <optional>

#include "OLE/ole_date.h"
#include "OLE/ole_text.h"
#include "OLE/ole_timestamp.h"
#include "TK/tk_exception.h"
#include "TK/tk_hex.h"
#include "TK/tk_text.h"
#include "TK/tk_trace.h"

namespace {

// At most this many bytes of a byte array are printed as text.
constexpr uint32_t kMaxPrintedBytes = 0x50000;

bool is_array_type(VARTYPE vt) {
  return vt == VT_BYTE_ARRAY || vt == VT_SAFEARRAY;
}

// The shortest of the given printf precisions (the published one first) whose
// text reads back to the same value.
std::string print_double(double v) {
  char buf[64];
  for (int precision = 15; precision <= 17; ++precision) {
    std::snprintf(buf, sizeof buf, "%.*e", precision, v);
    if (!std::isfinite(v) || ole_atof(buf) == v) break;
  }
  return buf;
}

std::string print_float(float v) {
  char buf[64];
  for (int precision = 6; precision <= 9; ++precision) {
    std::snprintf(buf, sizeof buf, "%.*e", precision, static_cast<double>(v));
    if (!std::isfinite(v) || static_cast<float>(ole_atof(buf)) == v) break;
  }
  return buf;
}

// A C cast of an out-of-range double to int is undefined; the processor's
// answer (the "integer indefinite" 0x80000000) is what callers used to get.
int32_t truncate_to_int32(double v) {
  if (!(v > -2147483649.0 && v < 2147483648.0)) return INT32_MIN;
  return static_cast<int32_t>(v);
}

int hex_digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

bool ole_is_numeric_type(VARTYPE vt) {
  switch (vt) {
    case VT_I1:
    case VT_I2:
    case VT_I4:
    case VT_I8:
    case VT_UI1:
    case VT_UI2:
    case VT_UI4:
    case VT_UI8:
    case VT_R4:
    case VT_R8:
    case VT_CY:
    case VT_DECIMAL:
    case VT_BOOL:
      return true;
    default:
      return false;
  }
}

// ---------------------------------------------------------------------------
// Construction and copying

ole_variant::ole_variant() {
  VariantInit(&var_);
}

ole_variant::ole_variant(bool value) : ole_variant() {
  tk_trace(1, "ole_variant::ctor from bool (%d)", value ? 1 : 0);
  var_.vt = VT_BOOL;
  var_.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
}

ole_variant::ole_variant(signed char value) : ole_variant() {
  tk_trace(1, "ole_variant::ctor from char(%d)", value);
  var_.vt = VT_I1;
  var_.cVal = value;
}

ole_variant::ole_variant(unsigned char value) : ole_variant() {
  tk_trace(1, "ole_variant::ctor from byte(%d)", value);
  var_.vt = VT_UI1;
  var_.bVal = value;
}

ole_variant::ole_variant(short value) : ole_variant() {
  tk_trace(1, "ole_variant::ctor from short(%d)", value);
  var_.vt = VT_I2;
  var_.iVal = value;
}

ole_variant::ole_variant(unsigned short value) : ole_variant() {
  tk_trace(1, "ole_variant::ctor from ushort(%d)", value);
  var_.vt = VT_UI2;
  var_.uiVal = value;
}

ole_variant::ole_variant(int value) : ole_variant() {
  tk_trace(1, "ole_variant::ctor from int(%d)", value);
  var_.vt = VT_I4;
  var_.lVal = value;
}

ole_variant::ole_variant(unsigned int value) : ole_variant() {
  tk_trace(1, "ole_variant::ctor from uint(%u)", value);
  var_.vt = VT_UI4;
  var_.ulVal = value;
}

ole_variant::ole_variant(int64_t value) : ole_variant() {
  tk_trace(1, "ole_variant::ctor(hyper, %lld)", value);
  var_.vt = VT_I8;
  hyper_ = value;
}

ole_variant::ole_variant(uint64_t value) : ole_variant() {
  tk_trace(1, "ole_variant::ctor(uhyper, %llu)", value);
  var_.vt = VT_UI8;
  uhyper_ = value;
}

ole_variant::ole_variant(long long value) : ole_variant(static_cast<int64_t>(value)) {}

ole_variant::ole_variant(unsigned long long value) : ole_variant(static_cast<uint64_t>(value)) {}

ole_variant::ole_variant(float value) : ole_variant() {
  tk_trace(1, "ole_variant::ctor from float(%f)", value);
  var_.vt = VT_R4;
  var_.fltVal = value;
}

ole_variant::ole_variant(double value) : ole_variant() {
  tk_trace(1, "ole_variant::ctor from double(%e)", value);
  var_.vt = VT_R8;
  var_.dblVal = value;
}

ole_variant::ole_variant(const CY& value) : ole_variant() {
  tk_trace(1, "Construct ole_variant from CY");
  var_.vt = VT_CY;
  var_.cyVal = value;
}

ole_variant::ole_variant(const DECIMAL& value) : ole_variant() {
  tk_trace(1, "Construct ole_variant from DECIMAL");
  var_.decVal = value;
  var_.vt = VT_DECIMAL;
}

ole_variant::ole_variant(const SYSTEMTIME& value) : ole_variant() {
  tk_trace(1, "Construct ole_variant from SYSTEMTIME");
  assign_date(value);
}

ole_variant::ole_variant(const wchar_t* value) : ole_variant() {
  tk_trace(1, "Construct ole_variant from BSTR");
  var_.vt = VT_BSTR;
  if (value) var_.bstrVal = ole_bstr_from_wide(value);
}

ole_variant::ole_variant(const char* value) : ole_variant(std::string(value ? value : "")) {}

ole_variant::ole_variant(const std::string& value) : ole_variant() {
  tk_trace(1, "ole_variant::ctor from string(%s)", value);
  attach_string(value);
}

ole_variant::ole_variant(const std::wstring& value) : ole_variant() {
  tk_wtrace(1, L"ole_variant::ctor from wstring(%s)", value);
  attach_wstring(value);
}

ole_variant::ole_variant(const std::vector<uint8_t>& bytes) : ole_variant() {
  attach_binary(bytes);
}

ole_variant::ole_variant(uint32_t length, const uint8_t* bytes) : ole_variant() {
  attach_binary(length, bytes);
}

ole_variant::ole_variant(const VARIANT& value) : ole_variant() {
  attach_variant(value);
}

ole_variant::ole_variant(const ole_variant& other) : ole_variant() {
  tk_trace(1, "ole_variant::copy ctor");
  copy_from(other);
}

ole_variant::~ole_variant() {
  clear();
}

void ole_variant::clear() {
  if (is_array_type(var_.vt)) {
    SafeArrayDestroy(var_.parray);
    var_.vt = VT_EMPTY;
  }
  if (FAILED(VariantClear(&var_))) VariantInit(&var_);
}

void ole_variant::set_bstr(BSTR bstr) {
  TK_ASSERT(bstr != nullptr);
  if (var_.vt == VT_BSTR) {
    SysFreeString(var_.bstrVal);
  } else {
    clear();
    var_.vt = VT_BSTR;
  }
  var_.bstrVal = bstr;
}

void ole_variant::assign_date(const SYSTEMTIME& st) {
  clear();
  date_ = st;
  var_.vt = VT_DATE;
  if (!SystemTimeToVariantTime(&date_, &var_.date)) {
    tk_trace(2, "Failed to convert SYSTEMTIME->VARIANT");
  }
}

// Takes a copy of other; this value is empty on entry.
void ole_variant::copy_from(const ole_variant& other) {
  const VARTYPE vt = other.var_.vt;
  if (vt == VT_FILETIME) {  // no VARIANT type: the value is in hyper_
    var_.vt = VT_FILETIME;
    hyper_ = other.hyper_;
    return;
  }
  if (is_array_type(vt)) {
    tk_trace(1, "Special processing for VT_SAFEARRAY");
    if (!other.var_.parray) return;  // nothing to copy: stays VT_EMPTY
    SAFEARRAY* copy = nullptr;
    if (FAILED(SafeArrayCopy(other.var_.parray, &copy)) || !copy) {
      var_.vt = VT_ERROR;
      return;
    }
    var_.vt = VT_BYTE_ARRAY;
    var_.parray = copy;
    return;
  }
  if (FAILED(VariantCopy(&var_, &other.var_))) {
    var_.vt = VT_ERROR;
    return;
  }
  if (vt == VT_DATE) {
    tk_trace(1, "Special processing for VT_DATE");
    date_ = other.date_;
  } else if (vt == VT_I8 || vt == VT_UI8) {
    tk_trace(1, "Special processing for VT_(U)I8 type");
    hyper_ = other.hyper_;
    uhyper_ = other.uhyper_;
  }
}

ole_variant& ole_variant::operator=(const ole_variant& other) {
  if (this == &other) return *this;
  if (other.var_.vt == VT_DATE) {
    const SYSTEMTIME& st = other.date_;
    tk_trace(1, "%04d-%02d-%02d %02d:%02d:%02d", st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute,
             st.wSecond);
  }
  clear();
  copy_from(other);
  return *this;
}

ole_variant& ole_variant::operator=(const wchar_t* value) {
  set_bstr(ole_bstr_from_wide(value ? value : L""));
  return *this;
}

void ole_variant::attach_variant(const VARIANT& value) {
  clear();
  switch (value.vt) {
    case VT_I8:
      var_.vt = VT_I8;
      hyper_ = value.llVal;
      return;
    case VT_UI8:
      var_.vt = VT_UI8;
      uhyper_ = value.ullVal;
      return;
    case VT_FILETIME:
      var_.vt = VT_FILETIME;
      hyper_ = value.llVal;
      return;
    case VT_DATE:
      var_.vt = VT_DATE;
      var_.date = value.date;
      if (!VariantTimeToSystemTime(value.date, &date_)) {
        tk_trace(2, "Failed to convert VARIANT->SYSTEMTIME");
      }
      return;
    default:
      break;
  }
  if ((value.vt & VT_ARRAY) && value.vt != (VT_ARRAY | VT_I1) && value.vt != VT_BYTE_ARRAY)
    TK_FAIL();  // only byte arrays are values
  TK_ASSERT(SUCCEEDED(VariantCopy(&var_, &value)));
  if (var_.vt & VT_ARRAY) var_.vt = VT_BYTE_ARRAY;
}

// ---------------------------------------------------------------------------
// Queries

VARTYPE ole_variant::get_type() const {
  tk_trace(1, "ole_variant::get_type");
  return var_.vt;
}

int32_t ole_variant::to_long() const {
  tk_trace(1, "ole_variant::to_long(vt=%08X)", var_.vt);
  switch (var_.vt) {
    case VT_EMPTY:
    case VT_NULL:
      return 0;
    case VT_I2:
      return var_.iVal;
    case VT_BOOL:
      return var_.boolVal;
    case VT_I4:
      return var_.lVal;
    case VT_UI4:
      return static_cast<int32_t>(var_.ulVal);
    case VT_R4:
      return truncate_to_int32(var_.fltVal);
    case VT_R8:
      return truncate_to_int32(var_.dblVal);
    case VT_DECIMAL: {
      int32_t result = 0;
      const HRESULT hr = VarI4FromDec(&var_.decVal, &result);
      tk_trace(1, "from DECIMAL, hr=%08X", static_cast<uint32_t>(hr));
      return SUCCEEDED(hr) ? result : 0;
    }
    case VT_I1:
      return var_.cVal;
    case VT_UI1:
      return var_.bVal;
    case VT_UI2:
      return var_.uiVal;
    case VT_I8:
      return static_cast<int32_t>(static_cast<uint32_t>(hyper_));
    case VT_UI8:
      return static_cast<int32_t>(static_cast<uint32_t>(uhyper_));
    default:
      TK_FAIL();
  }
}

double ole_variant::to_double() const {
  tk_trace(1, "ole_variant::to_double(%08X)", var_.vt);
  switch (var_.vt) {
    case VT_EMPTY:
    case VT_NULL:
      return 0.0;
    case VT_I2:
      return var_.iVal;
    case VT_BOOL:
      return var_.boolVal;
    case VT_I4:
      return var_.lVal;
    case VT_I1:
      return var_.cVal;
    case VT_UI1:
      return var_.bVal;
    case VT_UI2:
      return var_.uiVal;
    case VT_UI4:
      return var_.ulVal;
    case VT_R4:
      return var_.fltVal;
    case VT_R8:
      return var_.dblVal;
    case VT_CY: {
      double result = 0;
      const HRESULT hr = VarR8FromCy(var_.cyVal, &result);
      tk_trace(1, "from CURRECY: res=%lg, hr=%08X", result, static_cast<uint32_t>(hr));
      return SUCCEEDED(hr) ? result : 0.0;
    }
    case VT_DECIMAL: {
      double result = 0;
      const HRESULT hr = VarR8FromDec(&var_.decVal, &result);
      tk_trace(1, "from DECIMAL: res=%lg, hr=%08X", result, static_cast<uint32_t>(hr));
      return SUCCEEDED(hr) ? result : 0.0;
    }
    // The whole 64-bit value (not only its low 32 bits).
    case VT_I8:
      return static_cast<double>(hyper_);
    case VT_UI8:
      return static_cast<double>(uhyper_);
    default:
      TK_FAIL();
  }
}

uint32_t ole_variant::get_safe_array_size() const {
  tk_trace(1, "get_safe_array_size");
  int32_t lower = 0, upper = -1;
  if (!var_.parray || FAILED(SafeArrayGetLBound(var_.parray, 1, &lower)) ||
      FAILED(SafeArrayGetUBound(var_.parray, 1, &upper)))
    return 0;
  tk_trace(1, "lower=%d, upper=%d", lower, upper);
  if (upper < lower) return 0;
  return static_cast<uint32_t>(int64_t{upper} - lower + 1);
}

uint32_t ole_variant::get_bytes(const uint8_t** data) const {
  tk_trace(1, "ole_variant::get_bytes(%d)", var_.vt);
  TK_ASSERT(data != nullptr);
  if (var_.vt == VT_EMPTY || var_.vt == VT_NULL) return 0;
  TK_ASSERT(var_.vt == VT_BYTE_ARRAY && var_.parray != nullptr);
  void* raw = nullptr;
  TK_ASSERT(SUCCEEDED(SafeArrayAccessData(var_.parray, &raw)));
  SafeArrayUnaccessData(var_.parray);
  *data = static_cast<const uint8_t*>(raw);
  return get_safe_array_size();
}

// ---------------------------------------------------------------------------
// Byte arrays and strings

void ole_variant::allocate_safe_array(uint32_t size) {
  tk_trace(1, "ole_variant::allocate_safe_array (size=%d)", size);
  if (var_.vt == VT_BYTE_ARRAY && var_.parray && SafeArrayGetDim(var_.parray) == 1) {
    tk_trace(1, "Redimension array");
    int32_t lower = 0, upper = 0;
    TK_ASSERT(SUCCEEDED(SafeArrayGetLBound(var_.parray, 1, &lower)));
    TK_ASSERT(SUCCEEDED(SafeArrayGetUBound(var_.parray, 1, &upper)));
    // An empty array (upper = lower - 1) is resized like any other.
    TK_ASSERT(int64_t{upper} >= int64_t{lower} - 1);
    if (get_safe_array_size() == size) return;
    SAFEARRAYBOUND bound{size, lower};
    TK_ASSERT(SUCCEEDED(SafeArrayRedim(var_.parray, &bound)));
    return;
  }
  clear();
  SAFEARRAYBOUND bound{size, 0};
  SAFEARRAY* array = SafeArrayCreate(VT_UI1, 1, &bound);
  TK_ASSERT(array != nullptr);
  var_.vt = VT_BYTE_ARRAY;
  var_.parray = array;
}

void ole_variant::attach_binary(const std::vector<uint8_t>& bytes) {
  tk_trace(1, "ole_variant::attach_binary(1)");
  allocate_safe_array(static_cast<uint32_t>(bytes.size()));
  if (!bytes.empty()) std::memcpy(var_.parray->pvData, bytes.data(), bytes.size());
}

void ole_variant::attach_binary(uint32_t length, const uint8_t* bytes) {
  tk_trace(1, "ole_variant::attach_binary(2)");
  TK_ASSERT(bytes != nullptr);
  allocate_safe_array(length);
  if (length) std::memcpy(var_.parray->pvData, bytes, length);
}

void ole_variant::attach_string(const std::string& text) {
  tk_trace(1, "ole_variant::attach_string('%s')", text);
  tk_trace(1, "=== RIGHT BEFORE A2W_EX ===");
  set_bstr(ole_bstr_from_utf8(text));
}

void ole_variant::attach_wstring(const std::wstring& text) {
  tk_wtrace(1, L"ole_variant::attach_wstring('%s')", text);
  tk_trace(1, "=== RIGHT BEFORE SysAllocStringLen ===");
  set_bstr(ole_bstr_from_wide(text));
}

// ---------------------------------------------------------------------------
// Text forms

std::string ole_variant::to_string() const {
  tk_trace(1, "ole_variant::to_string (vt=%08X)", var_.vt);
  switch (var_.vt) {
    case VT_I2:
      return std::to_string(var_.iVal);
    case VT_I1:
      return std::to_string(var_.cVal);
    case VT_I4:
      return std::to_string(var_.lVal);
    case VT_UI1:
      return std::to_string(var_.bVal);
    case VT_UI2:
      return std::to_string(var_.uiVal);
    case VT_UI4:
      return std::to_string(var_.ulVal);
    case VT_I8:
      return std::to_string(hyper_);
    case VT_UI8:
      return std::to_string(uhyper_);
    case VT_R4:
      return print_float(var_.fltVal);
    case VT_R8:
      return print_double(var_.dblVal);
    case VT_BOOL:
      tk_trace(1, "to_string - bool: %d", var_.boolVal);
      tk_trace(1, "Mapping BOOL like ANSI!");
      return var_.boolVal == VARIANT_TRUE ? "1" : "0";
    case VT_CY:
    case VT_DECIMAL: {
      BSTR text = nullptr;
      HRESULT hr;
      if (var_.vt == VT_CY) {
        tk_trace(1, "Converting VT_CY");
        VARIANT copy;
        VariantInit(&copy);
        hr = VariantChangeType(&copy, &var_, 0, VT_BSTR);
        text = copy.bstrVal;
      } else {
        tk_trace(1, "Converting VT_DECIMAL");
        hr = VarBstrFromDec(&var_.decVal, LOCALE_USER_DEFAULT, 0, &text);
      }
      if (FAILED(hr)) return std::string();
      std::string result = ole_bstr_to_utf8(text);
      SysFreeString(text);
      for (char& c : result) {
        if (c == ',') c = '.';
      }
      return result;
    }
    case VT_DATE:
      tk_trace(1, "Converting VT_DATE");
      return ole_date(date_).to_string();
    case VT_FILETIME:
      return ole_timestamp_to_text(hyper_);
    case VT_BSTR:
      return ole_bstr_to_utf8(var_.bstrVal);
    case VT_BYTE_ARRAY: {
      tk_trace(1, "Converting VT_ARRAY");
      if (!var_.parray || SafeArrayGetDim(var_.parray) != 1) return std::string();
      uint32_t count = get_safe_array_size();
      if (count == 0) return std::string();
      if (count > kMaxPrintedBytes) count = kMaxPrintedBytes;
      return "0x" + tk_hex_encode(static_cast<const uint8_t*>(var_.parray->pvData), count);
    }
    default:
      return std::string();
  }
}

std::wstring ole_variant::to_wstring() const {
  if (var_.vt == VT_BSTR) return ole_bstr_to_wide(var_.bstrVal);
  return tk_to_wide(ole_variant::to_string());
}

// ---------------------------------------------------------------------------
// Reading text

// VT_I1 / VT_I2 / VT_I4 / VT_I8 and their unsigned kinds: C-style numbers,
// 0 for a text that is none.
void ole_variant::integer_from_text(ole_variant& result, const char* s, VARTYPE type) {
  switch (type) {
    case VT_I2:
      result.var_.iVal = static_cast<int16_t>(ole_atoi(s));
      break;
    case VT_I4:
      result.var_.lVal = ole_atoi(s);
      break;
    case VT_I1:
      result.var_.cVal = static_cast<int8_t>(ole_atoi(s));
      break;
    case VT_UI1:
      result.var_.bVal = static_cast<uint8_t>(ole_atoi(s));
      break;
    case VT_UI2:
      result.var_.uiVal = static_cast<uint16_t>(ole_atoi(s));
      break;
    case VT_UI4: {
      unsigned int value = 0;
      if (std::sscanf(s, "%u", &value) != 1) value = 0;
      result.var_.ulVal = value;
      break;
    }
    case VT_I8:
      result.hyper_ = ole_atoll(s);
      break;
    case VT_UI8: {
      unsigned long long value = 0;
      if (std::sscanf(s, "%llu", &value) != 1) value = 0;
      result.uhyper_ = value;
      break;
    }
    default:
      break;
  }
}

// VT_R4 / VT_R8, with ',' read as the decimal point.
void ole_variant::real_from_text(ole_variant& result, const std::string& text, VARTYPE type) {
  std::string copy = text;
  for (char& c : copy) {
    if (c == ',') c = '.';
  }
  const double value = ole_atof(copy.c_str());
  if (type == VT_R4) {
    result.var_.fltVal = static_cast<float>(value);
  } else {
    result.var_.dblVal = value;
  }
}

// VT_CY / VT_DECIMAL, exactly, with ',' read as the decimal point; false
// (the result left VT_EMPTY) for a text that is no number.
bool ole_variant::exact_from_text(ole_variant& result, const std::string& text, VARTYPE type) {
  tk_trace(1, type == VT_CY ? "GOT VT_CY" : "GOT VT_DECIMAL");
  std::string copy = text;
  for (char& c : copy) {
    if (c == ',') c = '.';
  }
  const std::u16string wide = tk_utf8_to_utf16(copy);
  HRESULT hr;
  if (type == VT_CY) {
    hr = VarCyFromStr(wide.c_str(), LOCALE_EN_US, 0, &result.var_.cyVal);
    if (FAILED(hr)) tk_trace(3, "VarCyFromStr failed: %08X", static_cast<uint32_t>(hr));
  } else {
    DECIMAL dec{};
    hr = VarDecFromStr(wide.c_str(), LOCALE_EN_US, 0, &dec);
    if (FAILED(hr)) tk_trace(3, "VarDecFromStr failed: %08X", static_cast<uint32_t>(hr));
    result.var_.decVal = dec;
  }
  if (FAILED(hr)) {
    VariantInit(&result.var_);
    return false;
  }
  return true;
}

// VT_BOOL: yes/true and no/false in any case, else a number (non-zero true).
void ole_variant::bool_from_text(ole_variant& result, const std::string& text) {
  const char* s = text.c_str();
  auto equals = [&text](const char* word) {
    return text.size() == std::strlen(word) && strncasecmp(text.c_str(), word, text.size()) == 0;
  };
  bool value;
  if (equals("yes") || equals("true")) {
    value = true;
  } else if (equals("no") || equals("false")) {
    value = false;
  } else {
    value = ole_atoi(s) != 0;
  }
  result.var_.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
}

// VT_BLOB / VT_BYTE_ARRAY from hexadecimal digits (an optional 0x first); an
// odd count of digits gives no value.
void ole_variant::bytes_from_hex_text(ole_variant& result, const std::string& text) {
  if (text.empty()) {
    tk_trace(1, "Empty BLOB");
    return;
  }
  if (text.size() % 2 != 0) {
    tk_trace(2, "Incorrect BLOB (size is odd)");
    return;
  }
  std::string_view hex(text);
  if (hex.size() >= 2 && hex[0] == '0' && (hex[1] == 'x' || hex[1] == 'X')) hex.remove_prefix(2);
  tk_trace(1, "Got BLOB size: %d", hex.size());
  const uint32_t count = static_cast<uint32_t>(hex.size() / 2);
  result.allocate_safe_array(count);
  auto* bytes = static_cast<uint8_t*>(result.var_.parray->pvData);
  for (uint32_t i = 0; i < count; ++i) {
    const int high = hex_digit(hex[2 * i]);
    const int low = hex_digit(hex[2 * i + 1]);
    bytes[i] = static_cast<uint8_t>(high < 0 ? 0 : (low < 0 ? high : high * 16 + low));
  }
}

ole_variant ole_variant::from_string(const std::string& text, VARTYPE type) {
  tk_trace(1, "ole_variant::from_string('%s', 0x%08X)", text, type);
  ole_variant result;
  if (text.empty() && type != VT_BSTR) return result;
  switch (type) {
    case VT_I2:
    case VT_I4:
    case VT_I1:
    case VT_UI1:
    case VT_UI2:
    case VT_UI4:
    case VT_I8:
    case VT_UI8:
      integer_from_text(result, text.c_str(), type);
      break;
    case VT_R4:
    case VT_R8:
      real_from_text(result, text, type);
      break;
    case VT_CY:
    case VT_DECIMAL:
      if (!exact_from_text(result, text, type)) return result;
      break;
    case VT_DATE: {
      tk_trace(1, "GOT VT_DATE");
      const ole_date date(text);
      if (date.is_valid()) return ole_variant(date.get_time());
      return result;
    }
    case VT_FILETIME: {
      const std::optional<int64_t> value = ole_timestamp_from_text(text);
      if (!value) return result;
      result.hyper_ = *value;
      break;
    }
    case VT_BOOL:
      bool_from_text(result, text);
      break;
    case VT_BLOB:
    case VT_BYTE_ARRAY:
      bytes_from_hex_text(result, text);
      return result;
    default: {
      result.attach_string(text);
      if (FAILED(VariantChangeType(&result.var_, &result.var_, 0, type)))
        throw ole_type_exception();
      tk_trace(1, "VariantChangeType succeeded");
      return result;
    }
  }
  result.var_.vt = type;
  return result;
}

ole_variant ole_variant::from_wstring(const std::wstring& text, VARTYPE type) {
  tk_trace(1, "ole_variant::from_wstring");
  if (type == VT_BSTR) {
    ole_variant result;
    result.attach_wstring(text);
    return result;
  }
  tk_trace(1, "=== RIGHT BEFORE W2A_EX ===");
  return from_string(tk_to_utf8(text), type);
}
