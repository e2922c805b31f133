// Runs Access SQL over an open Access file: compiles the text against the
// file's tables (and stored SELECT queries), stages only the columns the
// query needs into a private in-memory SQLite database on first read, and
// hands the result rows out as a dao_row_source with exact values.
// Memory: the staged columns of the named tables plus SQLite's work space;
// the file itself is never copied. Single-threaded, like the DAO objects.
#pragma once

#include <memory>
#include <string>

#include "access/dao/dao_rows.h"
#include "access/dao/sql/sql_translate.h"

// Compiles and checks a query text (SQLite prepares it over empty staging
// tables). Throws jet_failure with the engine's error for anything Access
// would reject.
std::shared_ptr<const sql_plan> sql_plan_query(const jet_file& file, const std::u16string& text);

// The same check against any catalog (used by the fuzz target).
std::shared_ptr<const sql_plan> sql_plan_with(sql_catalog& catalog, const std::u16string& text);

// The rows of a compiled query; loads the staging tables on the first read.
std::unique_ptr<dao_row_source> sql_open_query(const std::shared_ptr<jet_file>& file,
                                               std::shared_ptr<const sql_plan> plan);

// The SELECT text of a stored query, rebuilt from its MSysQueries rows, or
// nullopt when the file has no SELECT query of that name.
std::optional<std::u16string> sql_stored_query_text(const jet_file& file,
                                                    const std::u16string& name);
