// The OLE Automation value types with their published codes and layouts:
// VARTYPE and VT_ codes, HRESULT codes, VARIANT, BSTR, SAFEARRAY, CY, DECIMAL,
// DATE and SYSTEMTIME. Plain data only, no dependency on the toolkit; the
// functions that work on these types are declared in oleauto.h.
// Layouts are stable: the Access layer and the Oracle layer build on them.
#pragma once

#include <cstdint>

// ---------------------------------------------------------------------------
// Scalars

typedef uint16_t VARTYPE;
typedef int16_t VARIANT_BOOL;  // VARIANT_TRUE (-1) or VARIANT_FALSE (0)
typedef int32_t HRESULT;
typedef int32_t SCODE;
typedef uint32_t LCID;
typedef double DATE;  // days since 1899-12-30 00:00, see below
typedef char16_t OLECHAR;
typedef OLECHAR* LPOLESTR;
typedef const OLECHAR* LPCOLESTR;

inline constexpr VARIANT_BOOL VARIANT_TRUE = -1;
inline constexpr VARIANT_BOOL VARIANT_FALSE = 0;

// BSTR: a UTF-16 string (char16_t code units) allocated by SysAllocString and
// friends. The pointer addresses the first code unit; the 32-bit byte length
// of the text is stored just before it and a zero code unit just after it, so
// a BSTR can hold embedded zeros and SysStringLen is exact. A null BSTR is a
// valid empty string for every function here.
typedef OLECHAR* BSTR;

// ---------------------------------------------------------------------------
// VARTYPE codes (published values)

enum VARENUM : VARTYPE {
  VT_EMPTY = 0,
  VT_NULL = 1,
  VT_I2 = 2,
  VT_I4 = 3,
  VT_R4 = 4,
  VT_R8 = 5,
  VT_CY = 6,
  VT_DATE = 7,
  VT_BSTR = 8,
  VT_DISPATCH = 9,
  VT_ERROR = 10,
  VT_BOOL = 11,
  VT_VARIANT = 12,
  VT_UNKNOWN = 13,
  VT_DECIMAL = 14,
  VT_I1 = 16,
  VT_UI1 = 17,
  VT_UI2 = 18,
  VT_UI4 = 19,
  VT_I8 = 20,
  VT_UI8 = 21,
  VT_INT = 22,
  VT_UINT = 23,
  VT_VOID = 24,
  VT_HRESULT = 25,
  VT_PTR = 26,
  VT_SAFEARRAY = 27,
  VT_CARRAY = 28,
  VT_USERDEFINED = 29,
  VT_LPSTR = 30,
  VT_LPWSTR = 31,
  VT_RECORD = 36,
  VT_FILETIME = 64,
  VT_BLOB = 65,
  VT_STREAM = 66,
  VT_STORAGE = 67,
  VT_STREAMED_OBJECT = 68,
  VT_STORED_OBJECT = 69,
  VT_BLOB_OBJECT = 70,
  VT_CF = 71,
  VT_CLSID = 72,
  VT_VECTOR = 0x1000,
  VT_ARRAY = 0x2000,
  VT_BYREF = 0x4000,
  VT_RESERVED = 0x8000,
  VT_ILLEGAL = 0xffff,
  VT_ILLEGALMASKED = 0x0fff,
  VT_TYPEMASK = 0x0fff
};

// ---------------------------------------------------------------------------
// HRESULT codes (published values)

inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT S_FALSE = 1;
inline constexpr HRESULT E_NOTIMPL = static_cast<HRESULT>(0x80004001u);
inline constexpr HRESULT E_NOINTERFACE = static_cast<HRESULT>(0x80004002u);
inline constexpr HRESULT E_POINTER = static_cast<HRESULT>(0x80004003u);
inline constexpr HRESULT E_ABORT = static_cast<HRESULT>(0x80004004u);
inline constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);
inline constexpr HRESULT E_UNEXPECTED = static_cast<HRESULT>(0x8000FFFFu);
inline constexpr HRESULT E_ACCESSDENIED = static_cast<HRESULT>(0x80070005u);
inline constexpr HRESULT E_HANDLE = static_cast<HRESULT>(0x80070006u);
inline constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000Eu);
inline constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057u);
inline constexpr HRESULT DISP_E_UNKNOWNINTERFACE = static_cast<HRESULT>(0x80020001u);
inline constexpr HRESULT DISP_E_MEMBERNOTFOUND = static_cast<HRESULT>(0x80020003u);
inline constexpr HRESULT DISP_E_PARAMNOTFOUND = static_cast<HRESULT>(0x80020004u);
inline constexpr HRESULT DISP_E_TYPEMISMATCH = static_cast<HRESULT>(0x80020005u);
inline constexpr HRESULT DISP_E_UNKNOWNNAME = static_cast<HRESULT>(0x80020006u);
inline constexpr HRESULT DISP_E_BADVARTYPE = static_cast<HRESULT>(0x80020008u);
inline constexpr HRESULT DISP_E_EXCEPTION = static_cast<HRESULT>(0x80020009u);
inline constexpr HRESULT DISP_E_OVERFLOW = static_cast<HRESULT>(0x8002000Au);
inline constexpr HRESULT DISP_E_BADINDEX = static_cast<HRESULT>(0x8002000Bu);
inline constexpr HRESULT DISP_E_ARRAYISLOCKED = static_cast<HRESULT>(0x8002000Du);
inline constexpr HRESULT DISP_E_BADPARAMCOUNT = static_cast<HRESULT>(0x8002000Eu);
inline constexpr HRESULT DISP_E_DIVBYZERO = static_cast<HRESULT>(0x80020012u);

inline constexpr bool SUCCEEDED(HRESULT hr) {
  return hr >= 0;
}
inline constexpr bool FAILED(HRESULT hr) {
  return hr < 0;
}

// ---------------------------------------------------------------------------
// Locales and conversion flags. The conversion functions always read and
// write text the way the en-US locale (1033) does; the LCID is accepted and
// otherwise ignored.

inline constexpr LCID LOCALE_USER_DEFAULT = 0x0400;
inline constexpr LCID LOCALE_SYSTEM_DEFAULT = 0x0800;
inline constexpr LCID LOCALE_EN_US = 0x0409;

// VariantChangeType flags.
inline constexpr uint16_t VARIANT_NOVALUEPROP = 0x01;
inline constexpr uint16_t VARIANT_ALPHABOOL = 0x02;  // VT_BOOL -> "True" / "False"
inline constexpr uint16_t VARIANT_NOUSEROVERRIDE = 0x04;
inline constexpr uint16_t VARIANT_LOCALBOOL = 0x10;

// ---------------------------------------------------------------------------
// CY: currency, a signed 64-bit integer scaled by 10,000 (1.5 is 15000).

struct CY {
  int64_t int64;
};

// DECIMAL: a 96-bit unsigned mantissa (Hi32:Mid32:Lo32), a power-of-ten scale
// of 0..28 and a sign byte (DECIMAL_NEG or 0). The value is
// (-1)^sign * mantissa / 10^scale. 16 bytes; wReserved overlays the VARTYPE
// of a VARIANT holding it.
struct DECIMAL {
  uint16_t wReserved;
  uint8_t scale;
  uint8_t sign;
  uint32_t Hi32;
  uint32_t Lo32;
  uint32_t Mid32;
};

inline constexpr uint8_t DECIMAL_NEG = 0x80;
inline constexpr uint8_t DECIMAL_MAX_SCALE = 28;

// The DATE type: days since 30 December 1899 00:00. The whole part counts days
// (negative before the epoch) and the fraction is the time of day, which is
// always counted forward from midnight whatever the sign: -1.25 is
// 1899-12-29 06:00, 2.5 is 1900-01-01 12:00. Valid range: -657434.0
// (0100-01-01) to 2958465.99999 (9999-12-31 23:59:59).

// SYSTEMTIME: a broken-down date and time, 16 bytes. wDayOfWeek is 0 for
// Sunday when a function here fills it.
struct SYSTEMTIME {
  uint16_t wYear;
  uint16_t wMonth;
  uint16_t wDayOfWeek;
  uint16_t wDay;
  uint16_t wHour;
  uint16_t wMinute;
  uint16_t wSecond;
  uint16_t wMilliseconds;
};

// ---------------------------------------------------------------------------
// SAFEARRAY: the published header with room for one dimension, which is all
// this layer creates (one-dimensional arrays of VT_UI1 / VT_I1 bytes).

struct SAFEARRAYBOUND {
  uint32_t cElements;
  int32_t lLbound;
};

struct SAFEARRAY {
  uint16_t cDims;
  uint16_t fFeatures;
  uint32_t cbElements;
  uint32_t cLocks;
  void* pvData;
  SAFEARRAYBOUND rgsabound[1];
};

// ---------------------------------------------------------------------------
// VARIANT: vt names the type of the value in the union; decVal overlays the
// whole structure (its wReserved field is vt). The usual member names are
// reachable directly (v.vt, v.lVal, v.decVal). Owned resources (bstrVal,
// parray) are released by VariantClear.

struct VARIANT {
  union {
    struct {
      VARTYPE vt;
      uint16_t wReserved1;
      uint16_t wReserved2;
      uint16_t wReserved3;
      union {
        int64_t llVal;         // VT_I8
        int32_t lVal;          // VT_I4
        uint8_t bVal;          // VT_UI1
        int16_t iVal;          // VT_I2
        float fltVal;          // VT_R4
        double dblVal;         // VT_R8
        VARIANT_BOOL boolVal;  // VT_BOOL
        SCODE scode;           // VT_ERROR
        CY cyVal;              // VT_CY
        DATE date;             // VT_DATE
        BSTR bstrVal;          // VT_BSTR
        SAFEARRAY* parray;     // VT_ARRAY | ...
        int8_t cVal;           // VT_I1
        uint16_t uiVal;        // VT_UI2
        uint32_t ulVal;        // VT_UI4
        uint64_t ullVal;       // VT_UI8
        int32_t intVal;        // VT_INT
        uint32_t uintVal;      // VT_UINT
        void* byref;           // VT_BYREF | ...
      };
    };
    DECIMAL decVal;  // VT_DECIMAL
  };
};

typedef VARIANT VARIANTARG;

static_assert(sizeof(DECIMAL) == 16, "DECIMAL is 16 bytes");
static_assert(sizeof(SYSTEMTIME) == 16, "SYSTEMTIME is 16 bytes");
static_assert(sizeof(VARIANT) == 16, "VARIANT is 16 bytes here");
static_assert(sizeof(CY) == 8, "CY is 8 bytes");
