// Binds a parsed Access SELECT to the tables it names and writes it in
// SQLite's dialect over staging tables t1, t2, ... whose columns c<n> hold
// the stored columns the query needs (values exact: currency as integer
// ten-thousandths, decimal as text, dates as DATE serials, Yes/No as -1/0).
// Computes the DAO description of each result column: the source column's
// when it comes straight from a table, otherwise the type Access gives the
// expression. Unknown tables, ambiguous or missing names, aggregate misuse and
// type mismatches throw jet_failure with the engine's numbers.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "access/dao/dao_rows.h"
#include "access/dao/sql/sql_ast.h"

struct sql_plan;

struct sql_catalog_table {
  std::u16string name;  // as stored
  std::vector<dao_field_info> columns;
};

// What the translator may look up. Implementations: the open Access file,
// and a fixed catalog for the fuzz target.
class sql_catalog {
 public:
  virtual ~sql_catalog() = default;
  // The local table of that name (case-insensitive), or null; throws the
  // engine's error for tables it cannot read (linked files, ODBC links).
  virtual const sql_catalog_table* table(const std::u16string& name) = 0;
  // The SELECT text of a stored query of that name, or nullopt.
  virtual std::optional<std::u16string> query(const std::u16string& name) = 0;
  // The rows of a compiled plan whose two columns are an SQL literal and
  // its text: a crosstab's pivot values, read from the data. None without
  // data to read.
  virtual std::vector<std::pair<std::string, std::u16string>> pivot_values(const sql_plan&) {
    return {};
  }
};

// One staging table: the stored table and the positions of the columns the
// query needs, ascending. Column position p is staged as c<p>.
struct sql_load {
  std::u16string table;
  std::string sqlite_name;
  std::vector<size_t> columns;
  std::vector<int16_t> types;  // DAO type of each staged column
};

struct sql_plan {
  std::string sqlite;  // the SELECT to run over the staging tables
  std::vector<sql_load> loads;
  std::vector<dao_field_info> fields;  // the result columns as DAO describes them
};

// Parses and translates a query text. Throws jet_failure.
std::shared_ptr<const sql_plan> sql_compile(const std::u16string& text, sql_catalog& catalog);
