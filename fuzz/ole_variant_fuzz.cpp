// Fuzz target: ole_variant::from_string over every value type, then the
// value's text forms and a type change. Looks for crashes, sanitizer reports
// and exceptions other than the layer's own failures.
#include <cstddef>
#include <cstdint>
#include <string>

#include "OLE/ole_variant.h"

namespace {

const VARTYPE kTypes[] = {VT_EMPTY, VT_NULL, VT_I2,    VT_I4,          VT_R4,        VT_R8,
                          VT_CY,    VT_DATE, VT_BSTR,  VT_BOOL,        VT_DECIMAL,   VT_I1,
                          VT_UI1,   VT_UI2,  VT_UI4,   VT_I8,          VT_UI8,       VT_INT,
                          VT_UINT,  VT_BLOB, VT_ERROR, VT_BLOB_OBJECT, VT_BYTE_ARRAY};
constexpr size_t kTypeCount = sizeof kTypes / sizeof kTypes[0];

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const VARTYPE from = kTypes[data[0] % kTypeCount];
  const VARTYPE to = kTypes[data[1] % kTypeCount];
  const std::string text(reinterpret_cast<const char*>(data + 2), size - 2);
  try {
    ole_variant v = ole_variant::from_string(text, from);
    (void)v.to_string();
    (void)v.to_wstring();
    ole_variant copy(v);
    copy.change_type(to);
    (void)copy.to_string();
    v = copy;
  } catch (const ole_cast_exception&) {
  } catch (const ole_type_exception&) {
  }
  return 0;
}
