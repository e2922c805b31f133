// Prints query results: an aligned text table (numbers right-aligned, NULL
// as an empty cell, widths measured in characters) or CSV with RFC 4180
// quoting. Rows are kept until the end of the query to size the columns.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "oraemb/client/oci_client.h"

namespace oraemb_client {

class ResultPrinter {
 public:
  ResultPrinter(std::ostream& out, bool csv) : out_(out), csv_(csv) {}
  void header(const std::vector<Column>& columns);
  void row(const std::vector<Cell>& cells);
  // Writes what was collected; `count_line` adds the "(N rows)" line.
  void finish(bool count_line);

 private:
  std::ostream& out_;
  bool csv_;
  std::vector<Column> columns_;
  std::vector<std::vector<Cell>> rows_;
};

// Display width of UTF-8 text in characters (control characters as one).
size_t display_width(const std::string& text);
// One CSV field, quoted when it holds a comma, quote or line break.
std::string csv_field(const std::string& text);

}  // namespace oraemb_client
