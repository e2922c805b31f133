// The unique keys of a table and a hash of one row's values of a key, as
// stored: what a session whose new or deleted rows are parked locks, and
// what another session that writes the table checks against it. Both
// sides hash the values SQLite holds (a changeset's, or a row read back),
// so that they agree whatever the values went through on the way in.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <vector>

#include "oraemb/catalog.h"

namespace oraemb {

// Each key's columns (0-based positions, sorted), primary and unique
// constraints and unique indexes alike, each key once.
std::vector<std::vector<int>> unique_keys_of(const Schema& schema, int64_t table_obj);

// 0 when every value is NULL (no key then, nothing to meet).
uint64_t unique_key_hash(int64_t table_obj, const std::vector<int>& columns,
                         const std::vector<sqlite3_value*>& values);

}  // namespace oraemb
