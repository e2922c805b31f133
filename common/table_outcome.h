// What a run did with one entry of its work list (a table, a query, or a
// child table of a complex column): its names, the rows it read, wrote,
// refused and left alone, its time and its error. The run fills one record
// per entry it visits, in the order it visits them; front ends read them
// after the run has ended (never while it runs).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct table_outcome {
  std::wstring source_name;       // Access table, query or child table
  std::wstring destination_name;  // Oracle table; empty when not reached
  std::wstring parent;            // the table of a child table, else empty
  bool is_query = false;
  bool skipped = false;       // an existing table that the mode left alone
  bool stopped = false;       // the copy ended on a stop request
  bool synchronized = false;  // an existing table written to by synchronize
  uint64_t rows_read = 0;
  uint64_t rows_refused = 0;    // reported through the error handler, lost
  uint64_t rows_kept = 0;       // duplicates that merge left as they were
  uint64_t rows_unchanged = 0;  // rows synchronize found equal, not written
  uint64_t rows_updated = 0;    // rows synchronize rewrote by their key
  double seconds = 0;
  std::vector<std::wstring> child_tables;
  std::string error;  // the error that ended the entry, "" when none

  uint64_t rows_written() const {
    const uint64_t lost = rows_refused + rows_kept + rows_unchanged;
    return rows_read > lost ? rows_read - lost : 0;
  }
  // Rows written as new rows: the written ones that were not updates.
  uint64_t rows_inserted() const {
    const uint64_t written = rows_written();
    return written > rows_updated ? written - rows_updated : 0;
  }
  bool failed() const { return !error.empty(); }
};
