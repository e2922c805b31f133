// The two sides of a table as verify_rows: an Access recordset read through
// the DAO layer, and the rows of an Oracle table read through an OCI result
// set (numbers selected as their decimal text, so that they arrive exact).
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
// The session's decimal character: TO_CHAR of a number without a format
// follows NLS_NUMERIC_CHARACTERS ('.5' in an American session, ',5' in a
// German one). The session is left as it is: the conversion may share it.
char verify_oracle_decimal_mark();
// The decimal character in TO_CHAR(0.5) as the session wrote it; '.' when
// the text shows none.
char verify_decimal_mark_of(const std::wstring& half);

// An identifier in double quotes, a text in single quotes (quotes doubled).
std::wstring verify_quote_name(const std::wstring& name);
std::wstring verify_quote_text(const std::wstring& text);
// The rows of an Oracle query as text values (NULL as ""), for dictionary
// queries.
std::vector<std::vector<std::wstring>> verify_oracle_query(const std::wstring& sql);
