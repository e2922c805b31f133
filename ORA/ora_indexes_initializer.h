// ora_indexes_initializer: the primary key, unique constraints and plain
// indexes of one new table. It names each source index through the run's
// index-name validator, maps its columns to the destination's, leaves out an
// index that holds a LOB column and one that repeats the primary key, and
// builds the rest; Oracle's "already indexed" answers (1408, 2261) are not
// errors. Lives for one table creation. Single-threaded.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "UDB/udb_indexes.h"
#include "UDB/udb_names_map.h"
#include "UDB/udb_schema.h"

class ora_in_validator;

class ora_indexes_initializer {
 public:
  struct index_record {
    std::wstring name;
    bool b_unique = false;
    bool b_primary = false;
    std::vector<std::wstring> fields;  // destination column names
  };

  // Selects and names the indexes; the validator records every name handed
  // out. `schema` is the destination schema, `column_map` its source ->
  // destination column names.
  ora_indexes_initializer(const std::wstring& table_name, const udb_schema& schema,
                          const udb_indexes& source_indexes, const t_names_map& column_map,
                          ora_in_validator& validator);

  // Runs one statement per index (none for an index equal to the primary
  // key, nor for the key itself once it went into CREATE TABLE); Oracle
  // errors other than 1408 and 2261 propagate.
  void build_indexes();
  // The primary key is made with the table (CREATE TABLE): build_indexes
  // leaves it out.
  void set_primary_in_table() { primary_in_table_ = true; }
  // Whether Oracle's answer to an index statement means the columns are
  // indexed or keyed already (1408, 2261).
  static bool is_already_indexed(int32_t oracle_error);

  // The statement of one index, or "" when it is left out.
  std::wstring index_sql(const index_record& index) const;

  const std::vector<index_record>& indexes() const { return indexes_; }
  int32_t primary_position() const { return primary_; }

 private:
  bool can_be_part_of_index(const t_ftd& column) const;

  std::wstring table_;
  std::vector<index_record> indexes_;
  int32_t primary_ = -1;
  bool primary_in_table_ = false;
};
