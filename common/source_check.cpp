// Placeholders for the two pieces whose Access and Oracle sides are not built
// yet. Each raises a level-1 error naming the missing side.
#include "common/source_check.h"

#include "TK/tk_exception.h"

namespace {
[[noreturn]] void not_built(const char* what) {
  throw tk_exception(std::string(what), TK_LEVEL_RUN);
}
}  // namespace

std::unique_ptr<udb_source_engine> create_source_engine() {
  not_built("The MS Access reader is not built yet: the source database cannot be opened.");
}

void connect_destination(oracle_converter_impl&, const std::wstring&) {
  not_built("The Oracle destination is not built yet: cannot connect to Oracle.");
}
