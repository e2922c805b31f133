// Fuzz target: the texts the Oracle layer reads and writes into statements.
// The first byte picks a column type; the rest is the text, used as a source
// default (DEFAULT clause), a catalogue default (DATA_DEFAULT), a value
// literal and a version banner. A real default that reaches CREATE TABLE
// must be a number literal, and a text literal must stay one quoted string.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "ORA/ora_engine.h"
#include "ORA/ora_table.h"
#include "ORA/ora_util.h"
#include "TK/tk_exception.h"
#include "TK/tk_text.h"

namespace {
const VARTYPE kTypes[] = {VT_I2,   VT_I4,   VT_R4,      VT_R8,  VT_CY, VT_DATE,
                          VT_BSTR, VT_BOOL, VT_DECIMAL, VT_UI1, VT_I8, VT_BLOB};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const VARTYPE vt = kTypes[data[0] % (sizeof kTypes / sizeof kTypes[0])];
  const std::wstring text =
      tk_to_wide(std::string(reinterpret_cast<const char*>(data + 1), size - 1));
  try {
    const t_ftd column(data[0] % 3 == 0 ? 0 : 10, L"C", vt, false, false, ole_variant(text),
                       10 * 256 + 2);
    const std::wstring def = make_ora_def_val(&column);
    const bool real = vt == VT_R4 || vt == VT_R8 || vt == VT_CY || vt == VT_DECIMAL;
    if (real && !def.empty() && !is_ora_number_literal(def)) std::abort();
    if (vt == VT_BSTR && !def.empty()) {
      // One quoted string: every quote inside is doubled.
      if (def.size() < 2 || def.front() != L'\'' || def.back() != L'\'') std::abort();
      const std::wstring inner = def.substr(1, def.size() - 2);
      for (size_t i = 0; i < inner.size(); ++i) {
        if (inner[i] != L'\'') continue;
        if (i + 1 >= inner.size() || inner[i + 1] != L'\'') std::abort();
        ++i;
      }
    }
    to_oracle_str(text, vt);
    ora_table::get_def_value(vt, text);
  } catch (const tk_exception&) {
    // Values the variant cannot read are refused by their own exception.
  }
  ora_parse_version(text);
  return 0;
}
