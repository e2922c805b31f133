// The OLE Automation functions this system calls, implemented portably with
// the published semantics and HRESULTs: BSTR allocation, one-dimensional byte
// SAFEARRAYs, VARIANT life cycle and VariantChangeType, the exact CY / DECIMAL
// conversions, and the DATE conversions with the en-US date parser.
// Only what the system reaches is here. Functions never throw; failures are
// HRESULTs (or FALSE / null where the published function says so).
#pragma once

#include <cstddef>

#include "OLE/automation/oleauto_types.h"

// ---------------------------------------------------------------------------
// BSTR. Allocation failure gives a null BSTR. SysFreeString and SysStringLen
// accept null (length 0).

BSTR SysAllocString(LPCOLESTR text);                   // null text -> null
BSTR SysAllocStringLen(LPCOLESTR text, uint32_t len);  // len units; null text -> zeros
BSTR SysAllocStringByteLen(const char* bytes, uint32_t byte_len);
void SysFreeString(BSTR bstr);
// *bstr (null or a BSTR) replaced by a copy of len units of text (which must
// not lie inside *bstr); the old block is kept when the new text fits in it
// and the block is not more than about twice the size the text needs, so a
// string refilled row after row is rarely allocated again. False when memory
// runs out (*bstr is then unchanged).
bool SysReAllocStringLen(BSTR* bstr, LPCOLESTR text, uint32_t len);
uint32_t SysStringLen(BSTR bstr);      // in UTF-16 code units
uint32_t SysStringByteLen(BSTR bstr);  // in bytes

// ---------------------------------------------------------------------------
// SAFEARRAY: one dimension of 1-byte elements (VT_UI1 or VT_I1). Any other
// element type or dimension count gives null / DISP_E_BADVARTYPE /
// E_INVALIDARG. The data is zero-filled when created or grown.

SAFEARRAY* SafeArrayCreate(VARTYPE vt, uint32_t dims, SAFEARRAYBOUND* bounds);
SAFEARRAY* SafeArrayCreateVector(VARTYPE vt, int32_t lower_bound, uint32_t elements);
HRESULT SafeArrayDestroy(SAFEARRAY* array);  // null -> S_OK; locked -> DISP_E_ARRAYISLOCKED
HRESULT SafeArrayRedim(SAFEARRAY* array, SAFEARRAYBOUND* new_bound);  // keeps the data
HRESULT SafeArrayCopy(SAFEARRAY* array, SAFEARRAY** out);  // null array -> *out = null, S_OK
uint32_t SafeArrayGetDim(SAFEARRAY* array);
uint32_t SafeArrayGetElemsize(SAFEARRAY* array);
HRESULT SafeArrayGetLBound(SAFEARRAY* array, uint32_t dim, int32_t* lower);  // dim is 1
HRESULT SafeArrayGetUBound(SAFEARRAY* array, uint32_t dim, int32_t* upper);
HRESULT SafeArrayGetVartype(SAFEARRAY* array, VARTYPE* vt);
HRESULT SafeArrayAccessData(SAFEARRAY* array, void** data);  // adds a lock
HRESULT SafeArrayUnaccessData(SAFEARRAY* array);             // releases it

// ---------------------------------------------------------------------------
// VARIANT life cycle.

void VariantInit(VARIANT* v);  // VT_EMPTY, value slot zeroed
// Frees the BSTR or array (VT_BSTR, VT_ARRAY|...) and sets VT_EMPTY. A type
// this layer does not know gives DISP_E_BADVARTYPE and leaves v unchanged.
HRESULT VariantClear(VARIANT* v);
// Clears dest, then copies src; BSTRs and arrays are duplicated.
HRESULT VariantCopy(VARIANT* dest, const VARIANT* src);

// VariantChangeType: converts src into dest (which may be src itself; dest is
// cleared first). Types reached: VT_EMPTY, VT_NULL, VT_I1, VT_UI1, VT_I2,
// VT_UI2, VT_I4, VT_UI4, VT_INT, VT_UINT, VT_I8, VT_UI8, VT_R4, VT_R8, VT_CY,
// VT_DECIMAL, VT_DATE, VT_BSTR, VT_BOOL, VT_ERROR (to itself only).
// Published behaviour followed:
// - VT_EMPTY converts to 0 / "" / FALSE / DATE 0 / VT_NULL; VT_NULL converts
//   only to VT_NULL and VT_EMPTY, anything else is DISP_E_TYPEMISMATCH.
// - To an integer type (I1..UI8, INT, UINT) from R4, R8, CY, DECIMAL, DATE or
//   text: rounded to the nearest integer, halves to even (2.5 -> 2, 3.5 -> 4,
//   -2.5 -> -2); a result outside the type's range, NaN or an infinity is
//   DISP_E_OVERFLOW. Integer to integer: DISP_E_OVERFLOW when out of range.
// - VT_BOOL to numbers is -1 / 0 (to an unsigned type: all bits set / 0);
//   numbers to VT_BOOL: VARIANT_TRUE when not zero.
// - To VT_CY: scaled by 10,000 and rounded half to even at the 4th decimal;
//   out of the int64 range is DISP_E_OVERFLOW.
// - To VT_DECIMAL: exact from integers, CY and text; from R8 through its
//   shortest 15-significant-digit text and from R4 through 7 digits (as the
//   published function does: 0.1 becomes exactly 0.1).
// - To VT_R8 from CY and DECIMAL: the correctly rounded double of the exact
//   value. To VT_R4 from R8: overflow beyond the float range.
// - Text to numbers: en-US rules: blanks around, a sign, digits with optional
//   "," thousands separators, "." decimals, an exponent (1.5E3); otherwise
//   DISP_E_TYPEMISMATCH. Text to VT_BOOL: "True"/"False" (any case) or a number.
// - Numbers to text: integers in decimal; R8 with up to 15 significant digits
//   and R4 with 7 ("1.5", "1E+20"); CY and DECIMAL exactly, without trailing
//   zeros after the point ("1.5"); VT_BOOL as "-1" / "0", or "True" / "False"
//   with VARIANT_ALPHABOOL.
// - VT_DATE to numbers is its serial day number (to integers rounded as
//   above); text to VT_DATE through VarDateFromStr; VT_DATE to text in the
//   en-US form "12/31/2010 10:20:30 PM" (date alone when the time is 0, time
//   alone when the date is 1899-12-30).
HRESULT VariantChangeType(VARIANT* dest, const VARIANT* src, uint16_t flags, VARTYPE vt);
HRESULT VariantChangeTypeEx(VARIANT* dest, const VARIANT* src, LCID lcid, uint16_t flags,
                            VARTYPE vt);

// ---------------------------------------------------------------------------
// Currency and decimal conversions. All exact unless said otherwise.

// Text to CY / DECIMAL: the en-US number text of VariantChangeType above.
// Too many digits for a DECIMAL are rounded half to even (at most 29
// significant digits fit, 28 after the point); DISP_E_OVERFLOW beyond
// 79228162514264337593543950335 or the CY range; DISP_E_TYPEMISMATCH when not
// a number.
HRESULT VarCyFromStr(LPCOLESTR text, LCID lcid, uint32_t flags, CY* out);
HRESULT VarDecFromStr(LPCOLESTR text, LCID lcid, uint32_t flags, DECIMAL* out);
// DECIMAL / CY to text: every digit, no exponent, trailing zeros of the
// fraction removed, "-" for negatives ("-0.5", "12").
HRESULT VarBstrFromDec(const DECIMAL* in, LCID lcid, uint32_t flags, BSTR* out);
HRESULT VarBstrFromCy(CY in, LCID lcid, uint32_t flags, BSTR* out);
// To double: the correctly rounded double of the exact value.
HRESULT VarR8FromCy(CY in, double* out);
HRESULT VarR8FromDec(const DECIMAL* in, double* out);
// DECIMAL to 32-bit integer: rounded half to even; DISP_E_OVERFLOW.
HRESULT VarI4FromDec(const DECIMAL* in, int32_t* out);
// CY to DECIMAL: exact, scale 4. DECIMAL to CY: rounded half to even at the
// 4th decimal; DISP_E_OVERFLOW beyond the CY range.
HRESULT VarDecFromCy(CY in, DECIMAL* out);
HRESULT VarCyFromDec(const DECIMAL* in, CY* out);
// Doubles to CY (scaled and rounded half to even) and DECIMAL (15 digits).
HRESULT VarCyFromR8(double in, CY* out);
HRESULT VarDecFromR8(double in, DECIMAL* out);
HRESULT VarDecFromI8(int64_t in, DECIMAL* out);
HRESULT VarDecFromUI8(uint64_t in, DECIMAL* out);

// ---------------------------------------------------------------------------
// Dates.

// Text to DATE: the stand-in for the platform's date parser, en-US rules:
// - dates month first with "/" or "-" ("12/31/2010", "12-31-10"); a first
//   number that cannot be a month is read day first ("31/12/2010"); a first
//   number of three or more digits is a year ("2010-12-31", "2010/12/31");
//   month and day alone take the current year ("12/31"); month and a year
//   above 31 take day 1 ("12/2010");
// - month names and their 3-letter abbreviations, any case, with or without
//   "," and "-" around ("December 31, 2010", "31-Dec-10", "Dec 2010");
//   weekday names are skipped;
// - two-digit years: 00..29 are 2000..2029, 30..99 are 1930..1999;
// - times "h:mm", "h:mm:ss", "h AM" with an optional AM / PM (A / P) in
//   12-hour form (12 AM is midnight), before or after the date; a time alone
//   is a time on 1899-12-30 (DATE 0.x);
// - years 100..9999; no fractional seconds; "." is not a date separator.
// Anything else is DISP_E_TYPEMISMATCH; a date out of range DISP_E_OVERFLOW.
HRESULT VarDateFromStr(LPCOLESTR text, LCID lcid, uint32_t flags, DATE* out);
// DATE to en-US text (see VariantChangeType).
HRESULT VarBstrFromDate(DATE in, LCID lcid, uint32_t flags, BSTR* out);

// SYSTEMTIME to DATE: TRUE on success. Years 100..9999, months 1..12, a day
// that exists in its month, hour 0..23, minute and second 0..59; milliseconds
// are ignored. Year, month and day all 0 stand for a time alone: the DATE is
// the fraction of the day. Anything else gives FALSE.
int SystemTimeToVariantTime(const SYSTEMTIME* st, double* out);
// DATE to SYSTEMTIME: TRUE on success, FALSE outside the DATE range or for
// NaN. The time is rounded to the nearest second (carrying into the next day)
// and wMilliseconds is 0; wDayOfWeek is filled (0 = Sunday).
int VariantTimeToSystemTime(double in, SYSTEMTIME* out);

// The locale this layer reads and writes text in (en-US, 1033).
LCID GetSystemDefaultLCID();
LCID GetUserDefaultLCID();
