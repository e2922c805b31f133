// ole_variant::change_type: the in-place type conversion that the record
// converter applies to every field value. The special cases (64-bit
// integers, dates, byte arrays) come first; every other pair goes through
// VariantChangeType. Failures raise ole_cast_exception.
#include <cmath>
#include <cstring>
#include <optional>
#include <string>

#include "OLE/ole_date.h"
#include "OLE/ole_text.h"
#include "OLE/ole_timestamp.h"
#include "OLE/ole_variant.h"
#include "TK/tk_text.h"
#include "TK/tk_trace.h"

namespace {

bool is_blob_type(VARTYPE vt) {
  return vt == VT_BLOB || vt == VT_BLOB_OBJECT || vt == VT_BYTE_ARRAY;
}

// Currency rounded to a whole number with halves upwards: 2.5 -> 3,
// -2.5 -> -2, and -2.7 -> -3 (not -2).
int64_t round_currency(int64_t cy) {
  int64_t q = cy / 10000;
  int64_t r = cy % 10000;
  if (r < 0) {
    --q;
    r += 10000;
  }
  return r >= 5000 ? q + 1 : q;
}

}  // namespace

// VT_I8 / VT_UI8 to any other type: the bits, the number or its text.
void ole_variant::change_from_int64(VARTYPE new_type) {
  const VARTYPE old = var_.vt;
  const bool is_signed = old == VT_I8;
  const uint64_t bits = is_signed ? static_cast<uint64_t>(hyper_) : uhyper_;
  switch (new_type) {
    case VT_I1:
    case VT_UI1:
      var_.bVal = static_cast<uint8_t>(bits);
      break;
    case VT_I2:
    case VT_UI2:
    case VT_BOOL:
      var_.uiVal = static_cast<uint16_t>(bits);  // VT_BOOL keeps the bits as they are
      break;
    case VT_I4:
    case VT_UI4:
    case VT_INT:
    case VT_UINT:
      var_.ulVal = static_cast<uint32_t>(bits);
      break;
    case VT_R4:
      var_.fltVal = is_signed ? static_cast<float>(hyper_) : static_cast<float>(uhyper_);
      break;
    case VT_R8:
      var_.dblVal = is_signed ? static_cast<double>(hyper_) : static_cast<double>(uhyper_);
      break;
    case VT_CY:
    case VT_DECIMAL: {
      // v * 10,000 must fit in 64 bits; a larger number is an error for
      // VT_CY and an exact DECIMAL of scale 0 for VT_DECIMAL.
      const __int128 v = is_signed ? __int128{hyper_} : __int128{uhyper_};
      const __int128 scaled = v * 10000;
      const bool fits = scaled >= INT64_MIN && scaled <= INT64_MAX;
      if (new_type == VT_CY) {
        if (!fits) throw ole_cast_exception();
        var_.cyVal.int64 = static_cast<int64_t>(scaled);
        break;
      }
      DECIMAL dec{};
      const HRESULT hr =
          fits ? VarDecFromCy(CY{static_cast<int64_t>(scaled)}, &dec)
               : (is_signed ? VarDecFromI8(hyper_, &dec) : VarDecFromUI8(uhyper_, &dec));
      if (FAILED(hr)) throw ole_cast_exception();
      var_.decVal = dec;
      break;
    }
    case VT_BSTR:
      var_.bstrVal =
          ole_bstr_from_utf8(is_signed ? std::to_string(hyper_) : std::to_string(uhyper_));
      break;
    case VT_UI8:
      uhyper_ = bits;
      break;
    case VT_I8:
      hyper_ = static_cast<int64_t>(bits);
      break;
    default:
      throw ole_cast_exception();
  }
  var_.vt = new_type;
}

// VT_FILETIME to text exactly, or to a VT_DATE to its millisecond (years
// 100 to 9999).
void ole_variant::change_from_timestamp(VARTYPE new_type) {
  if (new_type == VT_BSTR) {
    const std::wstring text = tk_to_wide(ole_timestamp_to_text(hyper_));
    var_.vt = VT_EMPTY;
    var_.bstrVal = ole_bstr_from_wide(text);
    var_.vt = VT_BSTR;
    return;
  }
  const std::optional<DATE> date = ole_timestamp_to_date(hyper_);
  if (new_type != VT_DATE || !date) throw ole_cast_exception();
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_DATE;
  v.date = *date;
  attach_variant(v);
}

// A VT_DATE or the text of a timestamp to VT_FILETIME.
void ole_variant::change_to_timestamp() {
  const VARTYPE old = var_.vt;
  if (old == VT_DATE) {
    hyper_ = ole_timestamp_from_date(date_);
    var_.vt = VT_FILETIME;
    return;
  }
  if (old != VT_BSTR) throw ole_cast_exception();
  const std::optional<int64_t> value =
      ole_timestamp_from_text(tk_to_utf8(ole_bstr_to_wide(var_.bstrVal)));
  if (!value) throw ole_cast_exception();
  clear();
  hyper_ = *value;
  var_.vt = VT_FILETIME;
}

// VT_DATE to text; nothing else.
void ole_variant::change_from_date(VARTYPE new_type) {
  if (new_type != VT_BSTR) throw ole_cast_exception();
  const std::wstring text = ole_date(date_).to_wstring();
  var_.vt = VT_EMPTY;
  var_.bstrVal = ole_bstr_from_wide(text);
  var_.vt = VT_BSTR;
}

// Integers, floating point, currency and decimal to VT_I8 / VT_UI8.
void ole_variant::change_to_int64(VARTYPE new_type) {
  const VARTYPE old = var_.vt;
  int64_t v;
  switch (old) {
    case VT_I2:
      v = var_.iVal;
      break;
    case VT_BOOL:
      v = var_.boolVal;
      break;
    case VT_I4:
      v = var_.lVal;
      break;
    case VT_INT:
      v = var_.intVal;
      break;
    case VT_I1:
      v = var_.cVal;
      break;
    case VT_UI1:
      v = var_.bVal;
      break;
    case VT_UI2:
      v = var_.uiVal;
      break;
    case VT_UI4:
      v = var_.ulVal;
      break;
    case VT_UINT:
      v = var_.uintVal;
      break;
    case VT_R4:
    case VT_R8: {
      const double d = old == VT_R4 ? double{var_.fltVal} : var_.dblVal;
      // Truncated toward zero; a value no 64-bit integer holds is an error
      // rather than an undefined conversion.
      const double t = std::trunc(d);
      if (new_type == VT_I8 ? !(t >= -9223372036854775808.0 && t < 9223372036854775808.0)
                            : !(t > -1.0 && t < 18446744073709551616.0))
        throw ole_cast_exception();
      if (new_type == VT_UI8) {
        uhyper_ = static_cast<uint64_t>(t);
        var_.vt = VT_UI8;
        return;
      }
      v = static_cast<int64_t>(t);
      break;
    }
    case VT_CY:
      v = round_currency(var_.cyVal.int64);
      break;
    case VT_DECIMAL: {
      CY cy{};
      if (FAILED(VarCyFromDec(&var_.decVal, &cy))) throw ole_cast_exception();
      v = round_currency(cy.int64);
      break;
    }
    default:
      throw ole_cast_exception();
  }
  if (new_type == VT_I8) {
    hyper_ = v;
  } else {
    uhyper_ = static_cast<uint64_t>(v);
  }
  var_.vt = new_type;
}

// The 19-character text of a date to VT_DATE.
void ole_variant::change_to_date() {
  const VARTYPE old = var_.vt;
  if (old != VT_BSTR || SysStringLen(var_.bstrVal) != 19) throw ole_cast_exception();
  ole_variant date = from_wstring(ole_bstr_to_wide(var_.bstrVal), VT_DATE);
  // An unreadable text is an error, not a silent VT_EMPTY.
  if (date.var_.vt != VT_DATE) throw ole_cast_exception();
  *this = date;
}

// A number or a text to the byte array of its stored form.
void ole_variant::change_to_binary() {
  const VARTYPE old = var_.vt;
  std::vector<uint8_t> bytes;
  auto take = [&bytes](const void* p, size_t n) {
    const auto* b = static_cast<const uint8_t*>(p);
    bytes.assign(b, b + n);
  };
  switch (old) {
    case VT_I2:
    case VT_BOOL:
    case VT_UI2:
      take(&var_.iVal, 2);
      break;
    case VT_I4:
    case VT_R4:
    case VT_UI4:
    case VT_INT:
    case VT_UINT:
      take(&var_.lVal, 4);
      break;
    case VT_R8:
    case VT_CY:
      take(&var_.dblVal, 8);
      break;
    case VT_DECIMAL: {
      DECIMAL dec = var_.decVal;
      dec.wReserved = 0;
      take(&dec, sizeof dec);
      break;
    }
    case VT_I1:
    case VT_UI1:
      take(&var_.bVal, 1);
      break;
    // VT_DATE, VT_I8 and VT_UI8 never get here: their own cases above allow
    // no byte array.
    // A string becomes the bytes of its text in the narrow code page (UTF-8):
    // one byte per character for ASCII text, nothing lost for the rest.
    case VT_BSTR: {
      const std::string text = ole_bstr_to_utf8(var_.bstrVal);
      take(text.data(), text.size());
      break;
    }
    case VT_LPSTR: {
      const char* text = static_cast<const char*>(var_.byref);
      if (text) take(text, std::strlen(text));
      break;
    }
    case VT_LPWSTR: {
      const auto* text = static_cast<const char16_t*>(var_.byref);
      if (text) {
        const std::string utf8 = tk_utf16_to_utf8(std::u16string_view(text));
        take(utf8.data(), utf8.size());
      }
      break;
    }
    default:
      throw ole_cast_exception();
  }
  if (old == VT_LPSTR || old == VT_LPWSTR) var_.vt = VT_EMPTY;  // not owned
  attach_binary(bytes);
}

void ole_variant::change_type(VARTYPE new_type) {
  const VARTYPE old = var_.vt;
  tk_trace(1, "ole_variant::change_type(old=%d,new=%d)", old, new_type);
  if (new_type == old || old == VT_EMPTY || old == VT_NULL) return;
  if (is_blob_type(new_type) && is_blob_type(old)) return;
  if (old == VT_I8 || old == VT_UI8) return change_from_int64(new_type);
  if (old == VT_FILETIME) return change_from_timestamp(new_type);
  if (new_type == VT_FILETIME) return change_to_timestamp();
  if (old == VT_DATE) return change_from_date(new_type);
  if (new_type == VT_I8 || new_type == VT_UI8) return change_to_int64(new_type);
  if (new_type == VT_DATE) return change_to_date();
  if (is_blob_type(new_type)) return change_to_binary();
  if (FAILED(VariantChangeType(&var_, &var_, 0, new_type))) throw ole_cast_exception();
}
