// The registry of the SQLite functions of translated Access SQL (see
// sql_functions.h): each family lists its functions; this registers them
// all, with the two collations.
#include "access/dao/sql/sql_functions.h"

#include "access/dao/sql/sql_functions_values.h"

bool sql_register_functions(sqlite3* db) {
  using namespace sql_fn;
  const int utf8 = SQLITE_UTF8;
  for (const auto& family : {text_functions(), number_functions(), date_functions(),
                             format_functions(), conversion_functions()}) {
    for (const function_entry& f : family) {
      const int flags = utf8 | (f.deterministic ? SQLITE_DETERMINISTIC : 0);
      if (sqlite3_create_function(db, f.name, f.args, flags, nullptr, f.fn, nullptr, nullptr) !=
          SQLITE_OK)
        return false;
    }
  }
  for (const aggregate_entry& a : aggregate_functions())
    if (sqlite3_create_function(db, a.name, a.args, utf8, nullptr, nullptr, a.step, a.final) !=
        SQLITE_OK)
      return false;
  return sqlite3_create_collation(db, "ACC", utf8, nullptr, collate_acc) == SQLITE_OK &&
         sqlite3_create_collation(db, "ACCDEC", utf8, nullptr, collate_dec) == SQLITE_OK;
}
