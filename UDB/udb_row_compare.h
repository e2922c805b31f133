// udb_row_compare: the rows of a destination table with a primary or unique
// key, compared with the source records of a synchronization before they are
// written: a record whose row is equal in every column is not written, one
// whose row differs is updated by its key, and one whose key the table lacks
// is inserted. The destination builds it (udb_destination::row_compare); the
// run owns it while it copies one table, on one thread; only its preparer
// may run on another.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "UDB/udb_record.h"

class udb_row_compare {
 public:
  enum class verdict : uint8_t {
    equal,    // the table holds the record's row with every value equal
    differs,  // the table holds a row with the record's key and other values
    missing,  // the table holds no row with the record's key
    unknown,  // not decided (a NULL in the key, too much read ahead): write as before
  };
  // What the comparison needs of a record alone (its values' canonical
  // forms), made ahead of compare() on the thread that reads the source.
  struct prepared {
    virtual ~prepared() = default;
  };
  // Prepares records on any thread, independently of this object's life.
  using preparer = std::function<std::unique_ptr<prepared>(const udb_record&)>;

  virtual ~udb_row_compare() = default;
  // The verdict for one source record; records come in source order and
  // each key is looked at once.
  virtual verdict compare(const udb_record& source_record) = 0;
  // compare() with what record_preparer() made of the record (null: made here).
  virtual verdict compare(const udb_record& source_record, const prepared* ready) {
    (void)ready;
    return compare(source_record);
  }
  // Empty when the comparison prepares nothing ahead.
  virtual preparer record_preparer() const { return {}; }
  // After `differs`: true for each column (by position) whose value differs
  // from the row's; empty when that is not known (then any may differ).
  virtual const std::vector<bool>& changed_columns() const = 0;
};
