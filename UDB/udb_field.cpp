// The two constructors of udb_field and their trace lines.
#include "UDB/udb_field.h"

#include "TK/tk_trace.h"

udb_field::udb_field() {
  tk_trace(2, "udb_field::empty ctor");
}

udb_field::udb_field(const std::wstring& nm, uint32_t sz, const ole_variant& value, bool not_null,
                     bool autoincrement)
    : ole_variant(value), size(sz), name(nm), b_not_null(not_null), b_autoincrement(autoincrement) {
  tk_trace(2, "udb_field::ctor #2");
  tk_wtrace(1, L"name=%s, size=%d", name, size);
}
