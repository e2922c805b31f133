// ora_row_census: one read of an Oracle table into counted row digests, and
// the matching of source records against them.
#include "ORA/ora_row_census.h"

#include <functional>
#include <string_view>

#include "ORA/ora_canonical_rows.h"
#include "ORA/ora_schema_initializer.h"
#include "ORA/ora_util.h"
#include "TK/tk_compare.h"
#include "TK/tk_exception.h"
#include "TK/tk_text.h"
#include "TK/tk_trace.h"

namespace {

uint64_t fnv1a(std::string_view bytes) {
  uint64_t h = 0xcbf29ce484222325ull;
  for (unsigned char c : bytes) {
    h ^= c;
    h *= 0x100000001b3ull;
  }
  return h;
}

}  // namespace

ora_row_census::digest ora_row_census::digest_of(const std::string& row) {
  return digest{std::hash<std::string_view>()(row), fnv1a(row)};
}

void ora_row_census::append_column(std::string& row, const std::string& value) {
  const auto n = static_cast<uint32_t>(value.size());
  for (int shift = 0; shift < 32; shift += 8) row += static_cast<char>((n >> shift) & 0xFF);
  row += value;
}

void ora_row_census::row_digests::add(const std::string& value, bool in_key) {
  append_column(whole_, value);
  if (!in_key) return;
  append_column(key_, value);
  // The canonical form of NULL is its tag alone.
  keyed_ = keyed_ && !(value.size() == 1 && value[0] == 0);
}

bool ora_row_census::row_digests::finish(digest& key, digest& whole) const {
  if (!keyed_) return false;
  key = digest_of(key_);
  whole = digest_of(whole_);
  return true;
}

ora_table_columns::ora_table_columns(const std::wstring& table) {
  for (auto& row :
       ora_query_texts(L"SELECT column_name, data_type FROM user_tab_columns WHERE table_name = '" +
                       ora_doubled_quotes(table) + L"' ORDER BY column_id"))
    columns.emplace_back(row.at(0), tk_to_utf8(row.at(1)));
  taken.assign(columns.size(), false);
}

size_t ora_table_columns::take(const std::wstring& expected) {
  size_t found = columns.size();
  for (size_t k = 0; k < columns.size() && found == columns.size(); ++k)
    if (!taken[k] && columns[k].first == expected) found = k;
  for (size_t k = 0; k < columns.size() && found == columns.size(); ++k)
    if (!taken[k] && tk_wcs_equal_nocase(columns[k].first, expected)) found = k;
  if (found < columns.size()) taken[found] = true;
  return found;
}

ora_canon_columns::ora_canon_columns(const std::wstring& table, const udb_schema& source_schema,
                                     bool uppercase, size_t max_name_bytes) {
  // The Oracle names the conversion gives the source columns.
  const ora_schema_initializer expected_names(table, source_schema, udb_indexes(), uppercase,
                                              max_name_bytes);
  ora_table_columns oracle(table);
  for (size_t i = 0; i < source_schema.size(); ++i) {
    const size_t found = oracle.take(expected_names.schema()[i].name);
    if (found == oracle.columns.size()) {
      tk_wtrace(2, L"Column %s has no column in the table", source_schema[i].name);
      throw tk_exception(
          std::string("The structure of data source does not conform to the destination table."),
          TK_LEVEL_RECORD);
    }
    const t_ftd& field = source_schema[i];
    kinds.push_back(verify_kind_against(verify_kind_of(field.vartype, field.extra, field.size),
                                        oracle.columns[found].second));
    names.push_back(oracle.columns[found].first);
  }
  decimal_mark = ora_decimal_mark();
}

ora_row_census::ora_row_census(const std::wstring& table, const udb_schema& source_schema,
                               bool uppercase, size_t max_name_bytes) {
  tk_wtrace(2, L"ora_row_census(%s)", table);
  const ora_canon_columns columns(table, source_schema, uppercase, max_name_bytes);
  kinds_ = columns.kinds;
  ora_canonical_rows rows(table, columns.names, kinds_, columns.decimal_mark);
  while (rows.next()) {
    row_.clear();
    for (size_t i = 0; i < kinds_.size(); ++i) {
      value_.clear();
      rows.append(i, value_);
      append_column(row_, value_);
    }
    ++counts_[digest_of(row_)];
    ++rows_;
  }
  tk_wtrace(2, L"ora_row_census(%s): %d rows", table, static_cast<int>(rows_));
}

bool ora_row_census::take(const udb_record& source_record) {
  if (counts_.empty() || source_record.size() < kinds_.size()) return false;
  row_.clear();
  for (size_t i = 0; i < kinds_.size(); ++i) {
    value_.clear();
    verify_canon_access(source_record[i], kinds_[i], value_);
    append_column(row_, value_);
  }
  const auto it = counts_.find(digest_of(row_));
  if (it == counts_.end()) return false;
  if (--it->second == 0) counts_.erase(it);
  return true;
}
