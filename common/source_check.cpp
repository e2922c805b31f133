// The converter's links to the two sides: the Oracle logon, and the Access
// side's DAO engine.
#include "common/source_check.h"

#include "ORA/ora_database.h"
#include "TK/tk_exception.h"
#include "TK/tk_text.h"
#include "access/dao_engine.h"
#include "common/error_handler.h"
#include "common/oracle_converter_impl.h"

std::unique_ptr<udb_source_engine> create_source_engine() {
  auto engine = std::make_unique<dao_engine>(true, false);
  // A DAO error met while reading the relationships concerns the whole
  // file: reported with its path, and the database still opens.
  engine->set_error_sink([](const tk_exception& e, const std::wstring& path) {
    error_handler* handler = error_handler::instance_ptr();
    if (!handler) return;
    handler->set_context(path);
    handler->handle(e, true);
    handler->clear_context();
  });
  return engine;
}

void connect_destination(oracle_converter_impl& oracle, const std::wstring& database_name) {
  oracle.set_destination(
      oracle.engine.open_db(oracle.host, oracle.user, oracle.password, oracle.port, database_name));
  // A logon that succeeded with a warning (ORA-28002: the password will
  // expire) is told to the user; the run goes on.
  const std::wstring& warning = oracle.engine.logon_warning();
  if (!warning.empty())
    if (error_handler* handler = error_handler::instance_ptr()) handler->warn(tk_to_utf8(warning));
}
