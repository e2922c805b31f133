// Construction, type equality and column conformity of field type
// descriptors. The conformity table decides by the destination's type; sizes
// are compared only where a text or binary destination has a limit.
#include "UDB/t_ftd.h"

#include "TK/tk_trace.h"
#include "UDB/udb_field.h"

namespace {

void trace_got_field(const t_ftd& f) {
  tk_wtrace(1, L"Got field '%s', vartype=%d, size=%d, b_not_null=%d", f.name, f.vartype, f.size,
            f.b_not_null ? 1 : 0);
}

bool is_text(VARTYPE vt) {
  return vt == VT_BSTR || vt == VT_LPSTR || vt == VT_LPWSTR;
}

bool is_binary(VARTYPE vt) {
  return vt == VT_BLOB || vt == VT_BLOB_OBJECT || vt == VT_BYTE_ARRAY;
}

// A numeric destination also names the machine-sized VT_INT / VT_UINT; the
// sources it takes are the numeric types without them.
bool is_numeric_destination(VARTYPE vt) {
  return ole_is_numeric_type(vt) || vt == VT_INT || vt == VT_UINT;
}

bool fits(const t_ftd& src, const t_ftd& dest) {
  return dest.size == 0 || dest.size >= src.size;
}

}  // namespace

t_ftd::t_ftd(const udb_field& field, const ole_variant& def, uint32_t ext)
    : size(field.size),
      name(field.name),
      vartype(field.get_type()),
      b_autoincrement(field.b_autoincrement),
      b_not_null(field.b_not_null),
      def_value(def),
      extra(ext) {
  tk_trace(2, "t_ftd::ctor1");
  trace_got_field(*this);
}

t_ftd::t_ftd(uint32_t sz, const std::wstring& nm, VARTYPE vt, bool not_null, bool autoincrement,
             const ole_variant& def, uint32_t ext)
    : size(sz),
      name(nm),
      vartype(vt),
      b_autoincrement(autoincrement),
      b_not_null(not_null),
      def_value(def),
      extra(ext) {
  tk_trace(2, "t_ftd::ctor2");
  trace_got_field(*this);
}

bool t_ftd::operator==(const t_ftd& other) const {
  tk_trace(2, "t_ftd::operator ==");
  if ((vartype == VT_CY && other.vartype == VT_DECIMAL) ||
      (vartype == VT_DECIMAL && other.vartype == VT_CY))
    return true;
  if (vartype != other.vartype) return false;
  return vartype != VT_BSTR || size == other.size;
}

bool t_ftd::conform_to(const t_ftd& dest) const {
  tk_trace(2, "t_ftd::conform_to");
  if (*this == dest) return true;
  const VARTYPE d = dest.vartype;
  if (is_numeric_destination(d)) return ole_is_numeric_type(vartype);
  if (d == VT_DATE) return vartype == VT_DATE || (vartype == VT_BSTR && size == 19);
  // A timestamp column takes timestamps and dates.
  if (d == VT_FILETIME) return vartype == VT_FILETIME || vartype == VT_DATE;
  if (is_text(d)) {
    if (is_binary(vartype)) return false;
    return is_text(vartype) ? fits(*this, dest) : true;
  }
  if (is_binary(d)) return (is_text(vartype) || is_binary(vartype)) ? fits(*this, dest) : true;
  return false;
}
