// dao_recordset: one open DAO recordset over a table or a user query, with
// the schema (column types, sizes, NOT NULL, AutoNumber, defaults translated
// from Access expressions), the indexes of a table and the announced record
// count, read forward by the driver. The caller of dao_database::get_table /
// get_query owns it and destroys it before the database; the current record
// belongs to it; a record handed over (take_item) may be destroyed on another
// thread. Otherwise single-threaded.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "OLE/ole_variant.h"
#include "UDB/udb_recordset.h"
#include "access/dao/dao.h"
#include "access/dao_record.h"
#include "access/ole_com_ptr.h"

class dao_recordset : public udb_recordset {
 public:
  // A table: count from TableDef.RecordCount, schema and indexes from the
  // table definition.
  dao_recordset(const std::wstring& name, ole_com_ptr<DAORecordset> recordset,
                ole_com_ptr<DAOTableDef> tabledef);
  // A query: the count given, the schema from the query definition.
  dao_recordset(const std::wstring& name, const std::wstring& sql,
                ole_com_ptr<DAORecordset> recordset, ole_com_ptr<DAOQueryDef> querydef,
                uint32_t count);
  // The values of a complex column of a table (child rows): the schema from
  // the recordset's fields, a primary key on its ValueID column.
  dao_recordset(const std::wstring& name, ole_com_ptr<DAORecordset> recordset);
  ~dao_recordset() override;

  // The Access database is only ever a source.
  void append_record(const udb_record& record) override;
  udb_record* get_item() override;
  std::unique_ptr<udb_record> take_item() override;
  bool is_eof() override;
  void next() override;
  void move_prev() override;
  void move_first() override;

  // The default value of a column from its Access expression (DAO type,
  // declared size, DefaultValue text): "=" forms, quotes, "#date#"; a text
  // default longer than the column is dropped. Sets *extra to 1 for a date
  // column with a default. The empty variant when there is none.
  static ole_variant table_default(int32_t position, int16_t dao_type, uint32_t size,
                                   std::wstring text, uint32_t* extra);
  static ole_variant query_default(int16_t dao_type, std::wstring text, uint32_t* extra);

 private:
  void init_schema(DAOTableDef* tabledef);
  void init_schema(DAOQueryDef* querydef);
  void init_schema(DAOFields* fields);
  // A field of a type the reader cannot read: reported, left out.
  bool skip_unknown(DAOField* field, int32_t position, int16_t type);
  void init_indexes(DAOTableDef* tabledef);
  void add_column(ole_com_ptr<DAOField> field, const ole_variant& def_value, uint32_t extra);
  bool read_eof() const;
  // The column descriptions, read at the first row.
  void load_columns();
  void check_count();

  bool b_eof_ = true;
  std::unique_ptr<dao_record> current_record_;
  // The columns' DAO Fields with their names, sizes and flags, read at the
  // first row: every row reads its values through them.
  std::vector<std::unique_ptr<dao_field>> columns_;
  // The fields of the records handed out and destroyed since, for reuse.
  std::shared_ptr<dao_field_pool> pool_ = std::make_shared<dao_field_pool>();
  std::vector<int32_t> skipped_;  // fields left out of the schema
  // What the count of the rows lost to a damaged file, raised at the end of
  // the scan that reads them (a recordset that counts its rows).
  std::unique_ptr<tk_exception> pending_loss_;
  ole_com_ptr<DAORecordset> recordset_;
  ole_com_ptr<DAOTableDef> tabledef_;
  ole_com_ptr<DAOQueryDef> querydef_;
};
