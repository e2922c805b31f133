// udb_record: one row, its field values in schema order. The record owns its
// fields. The Access and Oracle records derive from it and fill it; the
// recordset that hands a record out keeps it (see udb_recordset::get_item).
#pragma once

#include <cstddef>
#include <memory>
#include <vector>

#include "UDB/udb_field.h"

class udb_record {
 public:
  udb_record() = default;
  virtual ~udb_record() = default;
  udb_record(const udb_record&) = delete;
  udb_record& operator=(const udb_record&) = delete;

  udb_field& add(std::unique_ptr<udb_field> field) {
    fields_.push_back(std::move(field));
    return *fields_.back();
  }
  // Room for `count` fields, for a record built with that many.
  void reserve(size_t count) { fields_.reserve(count); }
  size_t size() const { return fields_.size(); }
  bool empty() const { return fields_.empty(); }
  udb_field& operator[](size_t i) { return *fields_.at(i); }
  const udb_field& operator[](size_t i) const { return *fields_.at(i); }

 protected:
  // For a record that hands its fields on for reuse when it is destroyed.
  std::vector<std::unique_ptr<udb_field>>& fields() { return fields_; }

 private:
  std::vector<std::unique_ptr<udb_field>> fields_;
};
