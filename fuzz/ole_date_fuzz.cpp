// Fuzz target: the date text readers, ole_date's readings and the en-US
// VarDateFromStr stand-in, on the same input. Any valid value must print in
// the canonical form and every parsed DATE must convert back.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "OLE/automation/oleauto.h"
#include "OLE/ole_date.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const ole_date date(text);
  const std::string printed = date.to_string();
  if (date.is_valid() != !printed.empty()) std::abort();

  std::u16string wide(text.begin(), text.end());
  DATE value = 0;
  if (SUCCEEDED(VarDateFromStr(wide.c_str(), LOCALE_EN_US, 0, &value))) {
    SYSTEMTIME st{};
    if (!VariantTimeToSystemTime(value, &st)) std::abort();
    BSTR b = nullptr;
    if (SUCCEEDED(VarBstrFromDate(value, LOCALE_EN_US, 0, &b))) SysFreeString(b);
  }
  return 0;
}
