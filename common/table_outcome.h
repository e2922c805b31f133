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
  bool skipped = false;  // an existing table that the mode left alone
  bool stopped = false;  // the copy ended on a stop request
  uint64_t rows_read = 0;
  uint64_t rows_refused = 0;  // reported through the error handler, lost
  uint64_t rows_kept = 0;     // duplicates that merge left as they were
  double seconds = 0;
  std::vector<std::wstring> child_tables;
  std::string error;  // the error that ended the entry, "" when none

  uint64_t rows_written() const {
    const uint64_t lost = rows_refused + rows_kept;
    return rows_read > lost ? rows_read - lost : 0;
  }
  bool failed() const { return !error.empty(); }
};
