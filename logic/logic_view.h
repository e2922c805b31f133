// A saved Access query (the Access SQL layer's parse tree) as the SELECT of
// an Oracle view: tables and columns under the names the run gave them,
// saved queries under the names of their views, Access's functions and
// comparisons through logic_expr, TOP n [PERCENT] with Access's ties,
// DISTINCTROW, UNION. What Oracle cannot hold exactly is refused with the
// reason (logic_refusal).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "access/dao/sql/sql_ast.h"
#include "logic/logic_expr.h"

struct logic_column {
  std::u16string access;  // the name Access gives it
  std::string oracle;     // the Oracle column (UTF-8, unquoted)
  logic_type type = logic_type::other;
  bool complex = false;  // an attachment or multi-value column: its values are elsewhere
};

// A table or view the translated query may read.
struct logic_relation {
  std::string oracle;  // its Oracle name (UTF-8, unquoted)
  std::vector<logic_column> columns;
};

class logic_catalog {
 public:
  virtual ~logic_catalog() = default;
  // A table the run converted, or a saved query already made a view; null
  // when the name is neither (the reason is given by `missing`).
  virtual const logic_relation* relation(const std::u16string& access_name) = 0;
  virtual std::string missing(const std::u16string& access_name) {
    return "reads " + std::string(access_name.begin(), access_name.end()) +
           ", which is not in Oracle";
  }
};

struct logic_view_options {
  bool row_limiting = true;  // FETCH FIRST (12c and later); RANK() before
  bool uppercase = false;    // output names folded to upper case
  size_t max_name_bytes = 30;
};

struct logic_view {
  std::string select;                 // the view's query (UTF-8)
  std::vector<logic_column> columns;  // its output columns
};

// `names`: the output names Access gives the query's columns (from the
// Access SQL layer's plan), one per output column; empty to derive them.
// Throws logic_refusal.
logic_view logic_translate_view(const sql_select& query, logic_catalog& catalog,
                                const logic_view_options& options,
                                const std::vector<std::u16string>& names);

// The saved queries and tables a query reads, by their Access names.
std::vector<std::u16string> logic_query_sources(const sql_select& query);
