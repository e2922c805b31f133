// udb_relationships: the foreign keys of a database as the neutral model
// carries them, with the name generator for keys read without a usable name.
// Names are compared ignoring case. A plain value.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

struct udb_relationship {
  std::wstring name;                     // constraint name
  std::wstring ref_key_name;             // referenced key constraint (Oracle reader only)
  std::wstring table;                    // table holding the foreign-key columns
  std::wstring ref_table;                // referenced table
  std::wstring delete_rule;              // "ON DELETE CASCADE", "ON DELETE SET NULL" or empty
  std::vector<std::wstring> fields;      // foreign-key columns, in order
  std::vector<std::wstring> ref_fields;  // referenced columns, pairwise
  bool enforced = true;                  // false: drawn in the source, its data not checked
  bool cascade_update = false;           // the source changes the keys with the parent's
};

class udb_relationships {
 public:
  // True when no relationship of that name exists (ignoring case).
  bool is_acceptable_name(const std::wstring& name) const;
  // The relationship of that name (ignoring case); a missing one is an
  // internal assertion failure.
  const udb_relationship& get_index(const std::wstring& name) const;
  // "FK_" + ref_table + "_" + table, extended by the pieces "_", "1", "_",
  // "2", "_", "3", ... until no relationship has the name. The caller stores
  // it as the record's name and appends the record.
  std::wstring gen_relship_name(const udb_relationship& rel) const;

  void push_back(const udb_relationship& rel) { list_.push_back(rel); }

  size_t size() const { return list_.size(); }
  bool empty() const { return list_.empty(); }
  const udb_relationship& operator[](size_t i) const { return list_.at(i); }
  std::vector<udb_relationship>::const_iterator begin() const { return list_.begin(); }
  std::vector<udb_relationship>::const_iterator end() const { return list_.end(); }

 private:
  std::vector<udb_relationship> list_;
};
