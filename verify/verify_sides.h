// The two sides of a table as verify_rows: an Access recordset read through
// the DAO layer, and the rows of an Oracle table read through an OCI result
// set (ora_canonical_rows: numbers selected as their decimal text, so that
// they arrive exact).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "UDB/verify_canonical.h"
#include "verify/verify_rows.h"

class udb_recordset;

// A compared column: its position in the Access recordset, its Oracle name
// and the kind that decides its canonical form.
struct verify_column {
  size_t access_position = 0;
  std::wstring oracle_name;
  verify_kind kind = verify_kind::text;
};

// Reads an open Access recordset from its first row. Owns it.
std::unique_ptr<verify_rows> verify_access_rows(std::unique_ptr<udb_recordset> recordset,
                                                std::vector<verify_column> columns);
// Runs a SELECT of the columns of the Oracle table; numbers come as TO_CHAR
// text written with `decimal_mark` for the decimal point.
std::unique_ptr<verify_rows> verify_oracle_rows(const std::wstring& table,
                                                std::vector<verify_column> columns,
                                                char decimal_mark = '.');
// A text in single quotes (quotes doubled).
std::wstring verify_quote_text(const std::wstring& text);
