// udb_schema: the ordered column descriptors of one table. A schema made with
// b_owner owns its descriptors and destroys them with itself; one made
// without only refers to descriptors that live elsewhere. Column positions
// are 0-based here and 1-based in messages. Not copyable; not thread-safe.
#pragma once

#include <cstddef>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "UDB/t_ftd.h"

class udb_schema {
 public:
  explicit udb_schema(bool b_owner);
  virtual ~udb_schema();
  udb_schema(const udb_schema&) = delete;
  udb_schema& operator=(const udb_schema&) = delete;

  // Appends a descriptor the schema takes over (owning schemas only).
  t_ftd& add(std::unique_ptr<t_ftd> ftd);
  // Appends a descriptor owned elsewhere (non-owning schemas only); it must
  // outlive the schema.
  void add_ref(t_ftd* ftd);

  // Whether the source columns (this) fit the destination's, position by
  // position; names are not compared.
  bool conform_to(const udb_schema& dest) const;

  // True when a column of that name exists (ignoring case).
  bool find_field(const std::wstring& name, std::nothrow_t) const;
  // The first column of that name (ignoring case); a missing one is an
  // internal assertion failure.
  t_ftd& find_field(const std::wstring& name);
  const t_ftd& find_field(const std::wstring& name) const;

  bool b_owner() const { return b_owner_; }
  size_t size() const { return fields_.size(); }
  bool empty() const { return fields_.empty(); }
  t_ftd& operator[](size_t i) { return *fields_.at(i); }
  const t_ftd& operator[](size_t i) const { return *fields_.at(i); }
  const std::vector<t_ftd*>& fields() const { return fields_; }

 private:
  t_ftd* find(const std::wstring& name) const;

  std::vector<t_ftd*> fields_;                 // column order
  std::vector<std::unique_ptr<t_ftd>> owned_;  // filled only when b_owner_
  bool b_owner_;
};
