// Unique keys of a table and the hash of a row's key values.
#include "oraemb/unique_key_hash.h"

#include <algorithm>
#include <cstring>

namespace oraemb {
namespace {

struct Fnv {
  uint64_t h = 1469598103934665603ULL;
  void add(const void* data, size_t size) {
    const auto* p = static_cast<const unsigned char*>(data);
    for (size_t k = 0; k < size; ++k) {
      h ^= p[k];
      h *= 1099511628211ULL;
    }
  }
  void add_int(int64_t v) { add(&v, sizeof v); }
};

}  // namespace

std::vector<std::vector<int>> unique_keys_of(const Schema& schema, int64_t table_obj) {
  std::vector<std::vector<int>> keys;
  auto add = [&keys](std::vector<int> columns) {
    std::sort(columns.begin(), columns.end());
    if (!columns.empty() && std::find(keys.begin(), keys.end(), columns) == keys.end())
      keys.push_back(std::move(columns));
  };
  for (const auto& c : schema.constraints)
    if (c.table_obj == table_obj && (c.type == 'P' || c.type == 'U') && c.enabled) add(c.columns);
  for (const auto& [obj, index] : schema.indexes)
    if (index.table_obj == table_obj && index.unique && !index.lob) add(index.columns);
  return keys;
}

uint64_t unique_key_hash(int64_t table_obj, const std::vector<int>& columns,
                         const std::vector<sqlite3_value*>& values) {
  Fnv f;
  f.add_int(table_obj);
  bool any = false;
  for (size_t k = 0; k < columns.size(); ++k) {
    f.add_int(columns[k]);
    sqlite3_value* v = k < values.size() ? values[k] : nullptr;
    const int type = v ? sqlite3_value_type(v) : SQLITE_NULL;
    f.add_int(type);
    switch (type) {
      case SQLITE_NULL:
        break;
      case SQLITE_INTEGER:
        f.add_int(sqlite3_value_int64(v));
        any = true;
        break;
      case SQLITE_FLOAT: {
        const double d = sqlite3_value_double(v);
        f.add(&d, sizeof d);
        any = true;
        break;
      }
      default: {
        const void* bytes = type == SQLITE_TEXT ? static_cast<const void*>(sqlite3_value_text(v))
                                                : sqlite3_value_blob(v);
        const int size = sqlite3_value_bytes(v);
        f.add_int(size);
        if (bytes && size > 0) f.add(bytes, static_cast<size_t>(size));
        any = true;
      }
    }
  }
  return any ? (f.h ? f.h : 1) : 0;
}

}  // namespace oraemb
