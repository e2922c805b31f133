// SQL*Plus's DESCRIBE command for the SQL client: recognising "DESC[RIBE]
// name" (a command of one line that needs no ";") and printing a table's or
// view's columns from USER_TAB_COLUMNS as SQL*Plus lays them out: the
// " Name / Null? / Type" header, dashes, NOT NULL and types such as
// VARCHAR2(20), NUMBER(10,2) or DATE.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace oraemb_client {

// The object a DESCRIBE command names, as the dictionary stores it
// (unquoted names in upper case); nullopt when `text` is no DESCRIBE.
std::optional<std::string> describe_target(const std::string& text);

// The name as typed after DESCRIBE (what SQL*Plus echoes in ORA-04043).
std::string describe_argument(const std::string& text);

// Whether a line of input is a whole DESCRIBE command (ended by the line).
bool is_describe_line(const std::string& line);

// One column as USER_TAB_COLUMNS gives it, NULL as an empty text.
struct DescribedColumn {
  std::string name, nullable, data_type, data_length, precision, scale, char_length, char_used;
};

// The type text SQL*Plus shows for a column.
std::string describe_type(const DescribedColumn& c);
// The whole listing, a line feed after each line.
std::string describe_listing(const std::vector<DescribedColumn>& columns);

}  // namespace oraemb_client
