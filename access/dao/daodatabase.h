// DAO's Database, TableDefs/TableDef and QueryDef objects over one open file.
// TableDefs lists MSysObjects' local, linked and ODBC-linked tables in the
// file's order, with DAO's Attributes bits. QueryDefs are temporary: their
// SQL goes through dao_plan_query, which runs "SELECT * FROM [table]" and the
// relationships query and answers a DAO error for any other text.
// Ownership: COM references; each object keeps the file open. Single-threaded.
#pragma once

#include <memory>

#include "access/dao/daorecordset.h"

class DAOTableDef : public DAOUnknown {
 public:
  DAOTableDef(dao_context_ptr context, std::shared_ptr<jet_file> file, const jet_object& object);
  HRESULT get_Name(BSTR* name);
  HRESULT get_Attributes(int32_t* attributes);
  // The count stored in the table definition (it can lag behind the rows);
  // -1 for linked tables, whose rows live elsewhere.
  HRESULT get_RecordCount(int32_t* count);
  HRESULT get_Fields(DAOFields** fields);
  HRESULT get_Indexes(DAOIndexes** indexes);
  // Linked tables: ";DATABASE=<file>" or the ODBC connect text; "" otherwise.
  HRESULT get_Connect(BSTR* connect);
  HRESULT get_SourceTableName(BSTR* name);
  HRESULT OpenRecordset(VARIANT type, VARIANT options, DAORecordset** recordset);
  // Complex columns (attachments, multi-value fields, memo version
  // histories), whose values DAO gives as a recordset per row: the columns,
  // and one recordset of the values of every row (see dao_open_complex).
  HRESULT get_ComplexColumns(std::vector<dao_complex_info>* columns);
  HRESULT OpenComplexRecordset(BSTR column, DAORecordset** recordset);

 private:
  const jet_table& table();  // parsed on first use

  dao_context_ptr context_;
  std::shared_ptr<jet_file> file_;
  jet_object object_;
  std::unique_ptr<jet_table> table_;
};

class DAOTableDefs : public DAOUnknown {
 public:
  DAOTableDefs(dao_context_ptr context, std::shared_ptr<jet_file> file);
  HRESULT get_Count(int16_t* count);
  // By position (0-based) or name (case-insensitive); 3265 otherwise.
  HRESULT get_Item(VARIANT index, DAOTableDef** tabledef);

 private:
  dao_context_ptr context_;
  std::shared_ptr<jet_file> file_;
  std::vector<const jet_object*> tables_;
};

class DAOQueryDef : public DAOUnknown {
 public:
  DAOQueryDef(dao_context_ptr context, std::shared_ptr<jet_file> file, std::u16string sql,
              dao_query_plan plan);
  HRESULT get_SQL(BSTR* sql);
  HRESULT get_Fields(DAOFields** fields);
  // Type: dbOpenTable 1, dbOpenDynaset 2, dbOpenSnapshot 4, dbOpenForwardOnly 8
  // (all read the same way; missing means dynaset). Options are accepted: the
  // reader never writes.
  HRESULT OpenRecordset(VARIANT type, VARIANT options, VARIANT lock_edit, DAORecordset** recordset);
  HRESULT Close();

 private:
  dao_context_ptr context_;
  std::shared_ptr<jet_file> file_;
  std::u16string sql_;
  dao_query_plan plan_;
  bool closed_ = false;
};

class DAODatabase : public DAOUnknown {
 public:
  DAODatabase(dao_context_ptr context, std::shared_ptr<jet_file> file, std::u16string name);
  HRESULT get_Name(BSTR* name);
  HRESULT get_TableDefs(DAOTableDefs** tabledefs);
  // Name must be empty or missing (temporary query definitions only).
  HRESULT CreateQueryDef(VARIANT name, VARIANT sql, DAOQueryDef** querydef);
  HRESULT Close();

 private:
  void check_open() const;

  dao_context_ptr context_;
  std::shared_ptr<jet_file> file_;
  std::u16string name_;
};

// Checks an OpenRecordset type argument (3001 for an unknown type).
void dao_check_recordset_type(const VARIANT& type);
