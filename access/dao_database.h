// dao_database: an open Access database as the driver's source. It lists
// the tables worth converting (local tables, and tables linked to a file
// that is missing, whose opening then fails as a table linked through ODBC
// does; other linked tables and system tables are skipped with a trace), reads the relationships
// from MSysRelationships (grouped by name, multi-column keys in row order) unless the open mode
// says not to, and opens tables and user queries as dao_recordset objects, which the caller owns
// and destroys before the database. Created by dao_engine::open_db; used on the engine's thread.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "TK/tk_exception.h"
#include "UDB/udb_database.h"
#include "access/dao/dao.h"
#include "access/ole_com_ptr.h"

// Receives a DAO error met while reading the relationships, with the
// database path as the failing object.
using dao_error_sink = std::function<void(const tk_exception&, const std::wstring& object)>;

class dao_database : public udb_database {
 public:
  // The system's own text for reading the relationships.
  static constexpr const wchar_t* kRelationshipsSql =
      L"SELECT szRelationship, szColumn, szObject, szReferencedObject, szReferencedColumn, grbit "
      L"FROM MSysRelationships ORDER BY szRelationship";
  // The saved queries, with the kind of each in the Flags bits 0xF0.
  static constexpr const wchar_t* kSavedQueriesSql =
      L"SELECT Name, Flags FROM MSysObjects WHERE Type = 5";

  // Lists the tables and, unless options has bit 0x20 or 0x40, reads the
  // relationships; a DAO error there goes to `sink` (or the trace) and the
  // database opens with the relationships read so far.
  dao_database(const std::wstring& path, ole_com_ptr<DAODatabase> database, uint32_t options,
               dao_error_sink sink = {});
  ~dao_database() override;

  // The Access database is only ever a source.
  std::unique_ptr<udb_recordset> create_table(const std::wstring& name, const udb_schema& schema,
                                              const udb_indexes& indexes) override;
  // Null for linked and system tables. open_flag bit 0x01: read-only.
  std::unique_ptr<udb_recordset> get_table(const std::wstring& name, int32_t open_flag) override;
  std::unique_ptr<udb_recordset> get_query(const std::wstring& name, const std::wstring& sql,
                                           int32_t open_flag) override;
  // Complex columns (attachments, multi-value fields, memo version
  // histories) as child tables: their values, one row each, with the key of
  // the parent row.
  std::vector<udb_child_table> child_tables(const std::wstring& table) override;
  std::unique_ptr<udb_recordset> get_child_table(const std::wstring& table,
                                                 const std::wstring& column,
                                                 int32_t open_flag) override;
  // Whether the text can be run; never raises.
  bool test_query(const std::wstring& sql) override;
  // The DAO error that opening the text as get_query opens it (its rows
  // and their count) gives; empty when both open. Never raises.
  std::wstring query_error(const std::wstring& sql) override;
  // The saved select, union and crosstab queries (MSysObjects rows of type 5
  // whose query kind gives rows), without the engine's own hidden ones whose
  // names start with '~'. Empty when MSysObjects cannot be read.
  std::vector<std::wstring> saved_queries() override;
  // The number of rows the query gives.
  uint32_t count_query(const std::wstring& sql);

 private:
  void list_tables();
  void init_fkeys();
  // An Access-linked table whose file cannot be found (listed and reported
  // like a table linked through ODBC, not skipped).
  bool linked_file_missing(DAOTableDef* tabledef) const;
  // A temporary query definition of the text, opened as a dynaset.
  ole_com_ptr<DAOTableDef> tabledef(const std::wstring& name);
  ole_com_ptr<DAORecordset> open_sql(const std::wstring& sql, int32_t options,
                                     ole_com_ptr<DAOQueryDef>* querydef);

  ole_com_ptr<DAODatabase> database_;
  ole_com_ptr<DAOTableDefs> tabledefs_;
};
