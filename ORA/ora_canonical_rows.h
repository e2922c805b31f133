// ora_canonical_rows: columns of an Oracle table read row by row in the
// verifier's canonical forms (UDB/verify_canonical.h), numbers selected as
// TO_CHAR text so that they arrive exact. The one reader of Oracle rows for
// comparison: the row census of keyless merges and the verifier's Oracle
// side both read through it. Beside it, the two small reads both need: a
// query's rows as texts, and the session's decimal character.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "UDB/verify_canonical.h"

class ora_query_results;
class udb_record;

class ora_canonical_rows {
 public:
  // Runs SELECT of the columns (their Oracle names, quoted here) FROM the
  // table; kinds[i] decides the form of columns[i]. No column selects 1.
  ora_canonical_rows(const std::wstring& table, const std::vector<std::wstring>& columns,
                     std::vector<verify_kind> kinds, char decimal_mark);
  ~ora_canonical_rows();
  ora_canonical_rows(const ora_canonical_rows&) = delete;
  ora_canonical_rows& operator=(const ora_canonical_rows&) = delete;

  // Moves to the next row; false after the last.
  bool next();
  // Appends the canonical form of column i of the current row to `out`.
  void append(size_t column, std::string& out) const;
  size_t size() const { return kinds_.size(); }

 private:
  std::vector<verify_kind> kinds_;
  char decimal_mark_;
  std::unique_ptr<ora_query_results> results_;
  const udb_record* record_ = nullptr;
};

// The rows of a query as texts (NULL as ""), for dictionary queries.
std::vector<std::vector<std::wstring>> ora_query_texts(const std::wstring& sql);
// The session's decimal character: TO_CHAR of a number without a format
// follows NLS_NUMERIC_CHARACTERS ('.5' in an American session, ',5' in a
// German one). The session is left as it is: the conversion may share it.
char ora_decimal_mark();
// The decimal character in TO_CHAR(0.5) as the session wrote it; '.' when
// the text shows none.
char ora_decimal_mark_of(const std::wstring& half);
// An identifier in double quotes (quotes in it doubled).
std::wstring ora_quoted_name(const std::wstring& name);
