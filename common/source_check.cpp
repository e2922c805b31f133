// Placeholders for the operations whose Access and Oracle sides are not
// built yet. Each raises a level-1 error naming the missing side.
#include "common/source_check.h"

#include "TK/tk_exception.h"

namespace {
[[noreturn]] void not_built(const char* what) {
  throw tk_exception(std::string(what), TK_LEVEL_RUN);
}
}  // namespace

void check_access_source(const acc_converter_impl&, const std::wstring&, const std::wstring&) {
  not_built("The MS Access reader is not built yet: the source database cannot be opened.");
}

void connect_destination(oracle_converter_impl&, const std::wstring&) {
  not_built("The Oracle destination is not built yet: cannot connect to Oracle.");
}

void list_source_tables(const tarvel_convertor&, std::vector<std::wstring>&) {
  not_built("The MS Access reader is not built yet: the source tables cannot be listed.");
}

bool test_source_query(const tarvel_convertor&, const std::wstring&) {
  not_built("The MS Access reader is not built yet: queries cannot be tested.");
}

void run_conversion(tarvel_convertor&) {
  not_built("The conversion driver is not built yet: nothing was converted.");
}
