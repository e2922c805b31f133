// ora_in_validator: loading the schema's existing key and index names.
#include "ORA/ora_in_validator.h"

#include "ORA/ora_query_results.h"
#include "TK/tk_trace.h"

namespace {
// Adds column 1 of every row of `sql` to `names`.
void read_names(const std::wstring& sql, std::vector<std::wstring>& names) {
  ora_query_results rows(L"", sql);
  rows.initialize(0, sql);
  while (!rows.is_eof()) {
    const udb_record* row = rows.get_item();
    if (row == nullptr) break;
    names.push_back((*row)[0].to_wstring());
  }
}
}  // namespace

ora_in_validator::ora_in_validator(size_t max_bytes) : ora_validator(max_bytes) {
  tk_trace(2, "ora_in_validator::ctor");
  restricted().push_back(L"PRIMARY");
  read_names(
      L"SELECT a.constraint_name FROM user_cons_columns a, user_constraints b WHERE "
      L"a.constraint_name=b.constraint_name AND b.constraint_type='P'",
      restricted());
  read_names(L"select index_name FROM user_indexes", restricted());
}

void ora_in_validator::load(const udb_indexes& source_indexes) {
  tk_trace(2, "ora_in_validator::load");
  for (const udb_index& index : source_indexes) used_names().push_back(index.name);
}
