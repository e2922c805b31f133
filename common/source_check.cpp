// The converter's links to the two sides: the Oracle logon, and the
// placeholder of the Access side, which raises a level-1 error naming it.
#include "common/source_check.h"

#include "ORA/ora_database.h"
#include "TK/tk_exception.h"
#include "common/oracle_converter_impl.h"

namespace {
[[noreturn]] void not_built(const char* what) {
  throw tk_exception(std::string(what), TK_LEVEL_RUN);
}
}  // namespace

std::unique_ptr<udb_source_engine> create_source_engine() {
  not_built("The MS Access reader is not built yet: the source database cannot be opened.");
}

void connect_destination(oracle_converter_impl& oracle, const std::wstring& database_name) {
  oracle.set_destination(
      oracle.engine.open_db(oracle.host, oracle.user, oracle.password, oracle.port, database_name));
}
