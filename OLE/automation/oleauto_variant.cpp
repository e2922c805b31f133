// VARIANT life cycle and VariantChangeType. A conversion first reads the
// source into one of a few exact forms (integer, double, CY, DECIMAL, text),
// then writes the target from that form; the rules it follows are listed
// with VariantChangeType in oleauto.h.
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "OLE/automation/oleauto.h"
#include "OLE/automation/oleauto_number.h"

using namespace oleauto_detail;

namespace {

bool is_scalar(VARTYPE vt) {
  switch (vt) {
    case VT_EMPTY:
    case VT_NULL:
    case VT_I1:
    case VT_UI1:
    case VT_I2:
    case VT_UI2:
    case VT_I4:
    case VT_UI4:
    case VT_INT:
    case VT_UINT:
    case VT_I8:
    case VT_UI8:
    case VT_R4:
    case VT_R8:
    case VT_CY:
    case VT_DATE:
    case VT_BOOL:
    case VT_ERROR:
    case VT_DECIMAL:
      return true;
    default:
      return false;
  }
}

bool is_known(VARTYPE vt) {
  return is_scalar(vt) || vt == VT_BSTR || (vt & VT_ARRAY) != 0 || (vt & VT_BYREF) != 0;
}

// The source value in the form the target is computed from.
struct source_value {
  enum kind_t { empty, integer, real, currency, decimal, text } kind = empty;
  VARTYPE vt = VT_EMPTY;
  __int128 i = 0;
  double r = 0;
  int64_t cy = 0;
  DECIMAL dec{};
  std::u16string_view str;
};

HRESULT read_source(const VARIANT& v, source_value& s) {
  s.vt = v.vt;
  switch (v.vt) {
    case VT_EMPTY:
      s.kind = source_value::empty;
      return S_OK;
    case VT_I1:
      s.kind = source_value::integer, s.i = v.cVal;
      return S_OK;
    case VT_UI1:
      s.kind = source_value::integer, s.i = v.bVal;
      return S_OK;
    case VT_I2:
      s.kind = source_value::integer, s.i = v.iVal;
      return S_OK;
    case VT_BOOL:
      s.kind = source_value::integer, s.i = v.boolVal;
      return S_OK;
    case VT_UI2:
      s.kind = source_value::integer, s.i = v.uiVal;
      return S_OK;
    case VT_I4:
      s.kind = source_value::integer, s.i = v.lVal;
      return S_OK;
    case VT_INT:
      s.kind = source_value::integer, s.i = v.intVal;
      return S_OK;
    case VT_UI4:
      s.kind = source_value::integer, s.i = v.ulVal;
      return S_OK;
    case VT_UINT:
      s.kind = source_value::integer, s.i = v.uintVal;
      return S_OK;
    case VT_I8:
      s.kind = source_value::integer, s.i = v.llVal;
      return S_OK;
    case VT_UI8:
      s.kind = source_value::integer, s.i = v.ullVal;
      return S_OK;
    case VT_R4:
      s.kind = source_value::real, s.r = v.fltVal;
      return S_OK;
    case VT_R8:
      s.kind = source_value::real, s.r = v.dblVal;
      return S_OK;
    case VT_DATE:
      s.kind = source_value::real, s.r = v.date;
      return S_OK;
    case VT_CY:
      s.kind = source_value::currency, s.cy = v.cyVal.int64;
      return S_OK;
    case VT_DECIMAL:
      if (v.decVal.scale > DECIMAL_MAX_SCALE || (v.decVal.sign & ~DECIMAL_NEG) != 0)
        return E_INVALIDARG;
      s.kind = source_value::decimal, s.dec = v.decVal;
      return S_OK;
    case VT_BSTR:
      s.kind = source_value::text;
      s.str = std::u16string_view(v.bstrVal ? v.bstrVal : u"", SysStringLen(v.bstrVal));
      return S_OK;
    case VT_NULL:
    case VT_ERROR:
      return DISP_E_TYPEMISMATCH;
    default:
      return DISP_E_BADVARTYPE;
  }
}

bool is_unsigned(VARTYPE vt) {
  return vt == VT_UI1 || vt == VT_UI2 || vt == VT_UI4 || vt == VT_UINT || vt == VT_UI8;
}

void integer_range(VARTYPE vt, __int128& lo, __int128& hi) {
  switch (vt) {
    case VT_I1:
      lo = INT8_MIN, hi = INT8_MAX;
      break;
    case VT_UI1:
      lo = 0, hi = UINT8_MAX;
      break;
    case VT_I2:
      lo = INT16_MIN, hi = INT16_MAX;
      break;
    case VT_UI2:
      lo = 0, hi = UINT16_MAX;
      break;
    case VT_I4:
    case VT_INT:
      lo = INT32_MIN, hi = INT32_MAX;
      break;
    case VT_UI4:
    case VT_UINT:
      lo = 0, hi = UINT32_MAX;
      break;
    case VT_I8:
      lo = INT64_MIN, hi = INT64_MAX;
      break;
    default:
      lo = 0, hi = UINT64_MAX;
      break;
  }
}

__int128 signed_of(bool neg, u128 magnitude) {
  return neg ? -static_cast<__int128>(magnitude) : static_cast<__int128>(magnitude);
}

// The source as an integer (rounded half to even); S_OK or an HRESULT.
HRESULT as_integer(const source_value& s, __int128& out) {
  switch (s.kind) {
    case source_value::empty:
      out = 0;
      return S_OK;
    case source_value::integer:
      out = s.i;
      return S_OK;
    case source_value::real: {
      if (!std::isfinite(s.r) || std::fabs(s.r) > 1.9e19) return DISP_E_OVERFLOW;
      out = static_cast<__int128>(std::nearbyint(s.r));
      return S_OK;
    }
    case source_value::currency: {
      const bool neg = s.cy < 0;
      const u128 mag = static_cast<u128>(neg ? -static_cast<__int128>(s.cy) : s.cy);
      out = signed_of(neg, round_div_pow10(mag, 4));
      return S_OK;
    }
    case source_value::decimal:
      out = signed_of(s.dec.sign != 0, round_div_pow10(dec_mantissa(s.dec), s.dec.scale));
      return S_OK;
    case source_value::text: {
      const auto n = parse_number(s.str);
      if (!n) return DISP_E_TYPEMISMATCH;
      const auto m = scaled_magnitude(*n, 0);
      if (!m || *m > (u128{1} << 64)) return DISP_E_OVERFLOW;
      out = signed_of(n->neg, *m);
      return S_OK;
    }
  }
  return DISP_E_TYPEMISMATCH;
}

HRESULT to_integer(const source_value& s, VARTYPE vt, VARIANT& out) {
  __int128 v;
  if (s.vt == VT_BOOL && is_unsigned(vt)) {
    v = s.i == 0 ? 0 : -1;  // every bit set, as the published conversions give
  } else {
    const HRESULT hr = as_integer(s, v);
    if (FAILED(hr)) return hr;
    __int128 lo, hi;
    integer_range(vt, lo, hi);
    if (!fits(v, lo, hi)) return DISP_E_OVERFLOW;
  }
  out.vt = vt;
  switch (vt) {
    case VT_I1:
      out.cVal = static_cast<int8_t>(v);
      break;
    case VT_UI1:
      out.bVal = static_cast<uint8_t>(v);
      break;
    case VT_I2:
      out.iVal = static_cast<int16_t>(v);
      break;
    case VT_UI2:
      out.uiVal = static_cast<uint16_t>(v);
      break;
    case VT_I4:
      out.lVal = static_cast<int32_t>(v);
      break;
    case VT_INT:
      out.intVal = static_cast<int32_t>(v);
      break;
    case VT_UI4:
      out.ulVal = static_cast<uint32_t>(v);
      break;
    case VT_UINT:
      out.uintVal = static_cast<uint32_t>(v);
      break;
    case VT_I8:
      out.llVal = static_cast<int64_t>(v);
      break;
    default:
      out.ullVal = static_cast<uint64_t>(v);
      break;
  }
  return S_OK;
}

HRESULT as_double(const source_value& s, double& out) {
  switch (s.kind) {
    case source_value::empty:
      out = 0;
      return S_OK;
    case source_value::integer:
      out = static_cast<double>(s.i);
      return S_OK;
    case source_value::real:
      out = s.r;
      return S_OK;
    case source_value::currency:
      return VarR8FromCy(CY{s.cy}, &out);
    case source_value::decimal:
      return VarR8FromDec(&s.dec, &out);
    case source_value::text: {
      const auto n = parse_number(s.str);
      if (!n) return DISP_E_TYPEMISMATCH;
      out = to_double(*n);
      return std::isinf(out) ? DISP_E_OVERFLOW : S_OK;
    }
  }
  return DISP_E_TYPEMISMATCH;
}

HRESULT to_currency(const source_value& s, CY& out) {
  switch (s.kind) {
    case source_value::currency:
      out.int64 = s.cy;
      return S_OK;
    case source_value::decimal:
      return VarCyFromDec(&s.dec, &out);
    case source_value::real:
      return VarCyFromR8(s.r, &out);
    case source_value::text: {
      const auto n = parse_number(s.str);
      if (!n) return DISP_E_TYPEMISMATCH;
      const auto m = scaled_magnitude(*n, 4);
      if (!m) return DISP_E_OVERFLOW;
      const __int128 v = signed_of(n->neg, *m);
      if (!fits(v, INT64_MIN, INT64_MAX)) return DISP_E_OVERFLOW;
      out.int64 = static_cast<int64_t>(v);
      return S_OK;
    }
    default: {
      __int128 v;
      const HRESULT hr = as_integer(s, v);
      if (FAILED(hr)) return hr;
      v *= 10000;
      if (!fits(v, INT64_MIN, INT64_MAX)) return DISP_E_OVERFLOW;
      out.int64 = static_cast<int64_t>(v);
      return S_OK;
    }
  }
}

HRESULT to_decimal(const source_value& s, DECIMAL& out) {
  switch (s.kind) {
    case source_value::currency:
      return VarDecFromCy(CY{s.cy}, &out);
    case source_value::decimal:
      out = s.dec;
      return S_OK;
    case source_value::real:
      return dec_from_double(s.r, s.vt == VT_R4 ? 7 : 15, out);
    case source_value::text: {
      const auto n = parse_number(s.str);
      if (!n) return DISP_E_TYPEMISMATCH;
      return dec_from_parsed(*n, out);
    }
    default: {
      __int128 v;
      const HRESULT hr = as_integer(s, v);
      if (FAILED(hr)) return hr;
      dec_set(out, v < 0, static_cast<u128>(v < 0 ? -v : v), 0);
      return S_OK;
    }
  }
}

bool equals_ignore_case(std::u16string_view text, std::string_view word) {
  if (text.size() != word.size()) return false;
  for (size_t i = 0; i < text.size(); ++i) {
    char16_t c = text[i];
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + 32);
    if (c != static_cast<char16_t>(word[i])) return false;
  }
  return true;
}

HRESULT to_bool(const source_value& s, VARIANT_BOOL& out) {
  bool value = false;
  switch (s.kind) {
    case source_value::empty:
      break;
    case source_value::integer:
      value = s.i != 0;
      break;
    case source_value::real:
      value = s.r != 0;
      break;
    case source_value::currency:
      value = s.cy != 0;
      break;
    case source_value::decimal:
      value = dec_mantissa(s.dec) != 0;
      break;
    case source_value::text: {
      std::u16string_view t = s.str;
      while (!t.empty() && t.front() == u' ') t.remove_prefix(1);
      while (!t.empty() && t.back() == u' ') t.remove_suffix(1);
      if (equals_ignore_case(t, "true") || equals_ignore_case(t, "#true#")) {
        value = true;
      } else if (!equals_ignore_case(t, "false") && !equals_ignore_case(t, "#false#")) {
        const auto n = parse_number(t);
        if (!n) return DISP_E_TYPEMISMATCH;
        value = !n->digits.empty();
      }
      break;
    }
  }
  out = value ? VARIANT_TRUE : VARIANT_FALSE;
  return S_OK;
}

std::string real_text(double v, bool single) {
  if (v == 0) return "0";
  char buf[64];
  std::snprintf(buf, sizeof buf, single ? "%.7G" : "%.15G", v);
  return buf;
}

HRESULT to_text(const source_value& s, uint16_t flags, BSTR& out) {
  std::string text;
  switch (s.kind) {
    case source_value::empty:
      break;
    case source_value::text:
      out = SysAllocStringLen(s.str.data(), static_cast<uint32_t>(s.str.size()));
      return out ? S_OK : E_OUTOFMEMORY;
    case source_value::currency:
      return VarBstrFromCy(CY{s.cy}, LOCALE_EN_US, 0, &out);
    case source_value::decimal:
      return VarBstrFromDec(&s.dec, LOCALE_EN_US, 0, &out);
    case source_value::real:
      if (s.vt == VT_DATE) return VarBstrFromDate(s.r, LOCALE_EN_US, 0, &out);
      text = real_text(s.r, s.vt == VT_R4);
      break;
    case source_value::integer:
      if (s.vt == VT_BOOL) {
        if (flags & VARIANT_ALPHABOOL) {
          text = s.i != 0 ? "True" : "False";
        } else {
          text = s.i != 0 ? "-1" : "0";
        }
      } else {
        text = std::to_string(static_cast<long long>(s.i));
        if (s.i > INT64_MAX) text = std::to_string(static_cast<unsigned long long>(s.i));
      }
      break;
  }
  out = bstr_from_ascii(text);
  return out ? S_OK : E_OUTOFMEMORY;
}

constexpr double kMinDate = -657434.0;
constexpr double kMaxDate = 2958466.0;

HRESULT convert(const VARIANT& src, uint16_t flags, VARTYPE vt, VARIANT& out) {
  VariantInit(&out);
  if (vt == VT_EMPTY) return S_OK;
  if (src.vt == VT_NULL || vt == VT_NULL) {
    if (src.vt != VT_NULL && src.vt != VT_EMPTY) return DISP_E_TYPEMISMATCH;
    if (vt != VT_NULL) return DISP_E_TYPEMISMATCH;
    out.vt = VT_NULL;
    return S_OK;
  }
  if (!is_known(vt) || (vt & VT_BYREF) || !is_known(src.vt) || (src.vt & VT_BYREF))
    return DISP_E_BADVARTYPE;
  if (src.vt == vt) return VariantCopy(&out, &src);
  if ((vt & VT_ARRAY) || (src.vt & VT_ARRAY) || vt == VT_ERROR) return DISP_E_TYPEMISMATCH;
  source_value s;
  HRESULT hr = read_source(src, s);
  if (FAILED(hr)) return hr;
  switch (vt) {
    case VT_I1:
    case VT_UI1:
    case VT_I2:
    case VT_UI2:
    case VT_I4:
    case VT_UI4:
    case VT_INT:
    case VT_UINT:
    case VT_I8:
    case VT_UI8:
      return to_integer(s, vt, out);
    case VT_R8:
    case VT_R4:
    case VT_DATE: {
      double d;
      if (vt == VT_DATE && s.kind == source_value::text) {
        const std::u16string z(s.str);
        hr = VarDateFromStr(z.c_str(), LOCALE_EN_US, 0, &d);
      } else {
        hr = as_double(s, d);
      }
      if (FAILED(hr)) return hr;
      if (vt == VT_R4) {
        if (std::isfinite(d) && std::fabs(d) > FLT_MAX) return DISP_E_OVERFLOW;
        out.fltVal = static_cast<float>(d);
      } else if (vt == VT_DATE) {
        if (!(d >= kMinDate && d < kMaxDate)) return DISP_E_OVERFLOW;
        out.date = d;
      } else {
        out.dblVal = d;
      }
      out.vt = vt;
      return S_OK;
    }
    case VT_CY:
      hr = to_currency(s, out.cyVal);
      if (SUCCEEDED(hr)) out.vt = VT_CY;
      return hr;
    case VT_DECIMAL: {
      DECIMAL d{};
      hr = to_decimal(s, d);
      if (FAILED(hr)) return hr;
      out.decVal = d;
      out.vt = VT_DECIMAL;
      return S_OK;
    }
    case VT_BOOL:
      hr = to_bool(s, out.boolVal);
      if (SUCCEEDED(hr)) out.vt = VT_BOOL;
      return hr;
    case VT_BSTR:
      hr = to_text(s, flags, out.bstrVal);
      if (SUCCEEDED(hr)) out.vt = VT_BSTR;
      return hr;
    default:
      return DISP_E_BADVARTYPE;
  }
}

}  // namespace

void VariantInit(VARIANT* v) {
  if (!v) return;
  std::memset(v, 0, sizeof *v);
  v->vt = VT_EMPTY;
}

HRESULT VariantClear(VARIANT* v) {
  if (!v) return E_INVALIDARG;
  if (v->vt & VT_BYREF) {
    VariantInit(v);
    return S_OK;
  }
  if (v->vt & VT_ARRAY) {
    const HRESULT hr = SafeArrayDestroy(v->parray);
    if (FAILED(hr)) return hr;
  } else if (v->vt == VT_BSTR) {
    SysFreeString(v->bstrVal);
  } else if (!is_scalar(v->vt)) {
    return DISP_E_BADVARTYPE;
  }
  VariantInit(v);
  return S_OK;
}

HRESULT VariantCopy(VARIANT* dest, const VARIANT* src) {
  if (!dest || !src) return E_INVALIDARG;
  if (dest == src) return S_OK;
  if (!is_known(src->vt)) return DISP_E_BADVARTYPE;
  HRESULT hr = VariantClear(dest);
  if (FAILED(hr)) return hr;
  if (src->vt == VT_BSTR) {
    if (src->bstrVal) {
      const BSTR copy = SysAllocStringLen(src->bstrVal, SysStringLen(src->bstrVal));
      if (!copy) return E_OUTOFMEMORY;
      dest->bstrVal = copy;
    }
    dest->vt = VT_BSTR;
    return S_OK;
  }
  if ((src->vt & VT_ARRAY) && !(src->vt & VT_BYREF)) {
    SAFEARRAY* copy = nullptr;
    hr = SafeArrayCopy(src->parray, &copy);
    if (FAILED(hr)) return hr;
    dest->parray = copy;
    dest->vt = src->vt;
    return S_OK;
  }
  std::memcpy(dest, src, sizeof *dest);
  return S_OK;
}

HRESULT VariantChangeType(VARIANT* dest, const VARIANT* src, uint16_t flags, VARTYPE vt) {
  if (!dest || !src) return E_INVALIDARG;
  VARIANT result;
  const HRESULT hr = convert(*src, flags, vt, result);
  if (FAILED(hr)) {
    VariantClear(&result);
    return hr;
  }
  const HRESULT cleared = VariantClear(dest);
  if (FAILED(cleared)) {
    VariantClear(&result);
    return cleared;
  }
  std::memcpy(dest, &result, sizeof *dest);
  return S_OK;
}

HRESULT VariantChangeTypeEx(VARIANT* dest, const VARIANT* src, LCID, uint16_t flags, VARTYPE vt) {
  return VariantChangeType(dest, src, flags, vt);
}
