// udb_row_census: the rows a destination table holds, counted by their whole
// value, for writing to a table without a primary or unique key only the
// source rows it lacks. Each source row that finds an equal row not matched
// yet takes it, so a row that the source holds twice and the table once is
// written once more, and one the table holds as often as the source is not
// written again. The destination builds it (udb_destination::row_census);
// the run owns it while it copies one table. Single-threaded.
#pragma once

#include <cstdint>

#include "UDB/udb_record.h"

class udb_row_census {
 public:
  virtual ~udb_row_census() = default;
  // True when the table holds a row equal to the source record that no
  // earlier record took; that row is taken.
  virtual bool take(const udb_record& source_record) = 0;
  // The rows counted when the census was taken.
  virtual uint64_t rows() const = 0;
};
