// ora_indexes_initializer: choosing, naming and building the indexes of a
// new table.
#include "ORA/ora_indexes_initializer.h"

#include "ORA/ora_exception.h"
#include "ORA/ora_in_validator.h"
#include "ORA/ora_stmt.h"
#include "ORA/ora_util.h"
#include "TK/tk_trace.h"

namespace {
// Oracle's answers for a column list that is already indexed or keyed.
constexpr int32_t kAlreadyIndexed = 1408;
constexpr int32_t kKeyExists = 2261;
}  // namespace

ora_indexes_initializer::ora_indexes_initializer(const std::wstring& table_name,
                                                 const udb_schema& schema,
                                                 const udb_indexes& source_indexes,
                                                 const t_names_map& column_map,
                                                 ora_in_validator& validator)
    : table_(table_name) {
  validator.load(source_indexes);
  for (const udb_index& source : source_indexes) {
    const bool accepted = validator.is_acceptable(source.name);
    index_record record;
    record.name = accepted ? source.name : validator.get_safe_name(source.name);
    record.b_unique = source.b_unique;
    record.b_primary = source.b_primary;
    bool indexable = true;
    for (const std::wstring& field : source.fields) {
      const std::wstring mapped = column_map.get_mapped_name(field, true);
      if (!schema.find_field(mapped, std::nothrow)) {
        // The index names a column the table does not have: Oracle would
        // refuse it; leaving it out keeps the table.
        tk_wtrace(2, L"Field '%s' cannot be part of index", mapped);
        indexable = false;
        break;
      }
      const t_ftd& column = schema.find_field(mapped);
      if (!can_be_part_of_index(column)) {
        tk_wtrace(2, L"Field '%s' cannot be part of index", mapped);
        indexable = false;
        break;
      }
      record.fields.push_back(column.name);
    }
    if (!indexable) continue;
    if (record.b_primary) primary_ = static_cast<int32_t>(indexes_.size());
    if (!accepted) {
      tk_wtrace(2, L"Store generated index name '%s'", record.name);
      validator.used_names().push_back(record.name);
    }
    validator.restricted().push_back(record.name);
    indexes_.push_back(std::move(record));
  }
}

bool ora_indexes_initializer::can_be_part_of_index(const t_ftd& column) const {
  tk_trace(1, "ora_indexes_initializer::can_be_part_of_index");
  tk_trace(1, "GOT FIELD: vt=%d, size=%d", column.vartype, column.size);
  const bool lob_type = column.vartype == VT_BSTR || column.vartype == VT_BLOB ||
                        column.vartype == VT_BLOB_OBJECT || column.vartype == VT_BYTE_ARRAY;
  const uint32_t limit = column.vartype == VT_BSTR ? ora_national_max_chars() : ora_max_inline_len;
  return !(lob_type && (column.size == 0 || column.size > limit));
}

std::wstring ora_indexes_initializer::index_sql(const index_record& index) const {
  std::wstring sql;
  if (index.b_primary) {
    sql = L"ALTER TABLE \"" + table_ + L"\" ADD CONSTRAINT \"" + index.name + L"\" PRIMARY KEY (";
  } else if (primary_ >= 0) {
    udb_index key;
    key.fields = indexes_[static_cast<size_t>(primary_)].fields;
    if (key.consists_of_fields(index.fields)) {
      tk_wtrace(2, L"Skip index '%s', it is equal to PK", index.name);
      return L"";
    }
  }
  if (sql.empty()) {
    sql = index.b_unique
              ? L"ALTER TABLE \"" + table_ + L"\" ADD CONSTRAINT \"" + index.name + L"\" UNIQUE ("
              : L"CREATE INDEX \"" + index.name + L"\" ON \"" + table_ + L"\" (";
  }
  for (size_t i = 0; i < index.fields.size(); ++i) {
    tk_wtrace(1, L"Process idx.field %s", index.fields[i]);
    if (i > 0) sql += L", ";
    sql += L"\"" + index.fields[i] + L"\"";
  }
  return sql + L")";
}

void ora_indexes_initializer::build_indexes() {
  tk_trace(2, "ora_indexes_initializer::build_indexes(n_indexes=%d)", indexes_.size());
  for (const index_record& index : indexes_) {
    if (index.b_primary && primary_in_table_) continue;
    const std::wstring sql = index_sql(index);
    if (sql.empty()) continue;
    tk_wtrace(3, L"Run SQL query: %s\n", sql);
    try {
      ora_stmt stmt;
      stmt.prepare(sql);
      stmt.execute(1, OCI_DEFAULT);
    } catch (const ora_exception& e) {
      tk_trace(2, "Got error: %08X", e.oracle_error());
      if (!is_already_indexed(e.oracle_error())) throw;
    }
  }
}

bool ora_indexes_initializer::is_already_indexed(int32_t oracle_error) {
  return oracle_error == kAlreadyIndexed || oracle_error == kKeyExists;
}
