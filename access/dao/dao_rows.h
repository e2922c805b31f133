// What a recordset reads: field descriptions as DAO reports them (Type,
// Size, Attributes, Required, DefaultValue) and a row source behind it. The
// sources today: one table read directly, and the system's relationships
// query, and any other Access SELECT through the SQL engine (sql/):
// dao_plan_query answers which source runs a text, or a DAO error.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "OLE/automation/oleauto.h"
#include "access/dao/dao_types.h"
#include "access/dao/jet_file.h"
#include "access/dao/jet_table.h"
#include "access/dao/jet_value.h"

struct dao_field_info {
  std::u16string name;
  int16_t type = 0;        // DAO_TYPE_*
  int32_t size = 0;        // characters for text, bytes otherwise
  int32_t attributes = 0;  // DAO_*_FIELD bits
  bool required = false;
  std::u16string default_value;  // the expression text, "" when none
};

// The DAO description of a stored column.
dao_field_info dao_describe_column(const jet_file& file, const jet_object& object,
                                   const jet_column& column);
struct jet_complex_column;
// The fields of a table: every column but the hidden version histories of
// memo columns; complex columns with their kind's type. Fills the table
// column of each field and the complex columns when asked.
std::vector<dao_field_info> dao_describe_table(const jet_file& file, const jet_object& object,
                                               const jet_table& table,
                                               std::vector<size_t>* columns = nullptr,
                                               std::vector<jet_complex_column>* complex = nullptr);
// DAO type code of a stored column type (DAO_TYPE_UNKNOWN | type for types
// the reader does not know).
int16_t dao_type_of(const jet_column& column);
// TableDef.Attributes from the MSysObjects row.
int32_t dao_table_attributes(const jet_object& object);

// A value as DAO's Field.Value gives it (VT_NULL, VT_BOOL, VT_UI1, VT_I2,
// VT_I4, VT_I8, VT_CY, VT_R4, VT_R8, VT_DATE, VT_BSTR, VT_DECIMAL, or
// VT_ARRAY|VT_UI1 for binary, OLE and GUID values). Date/Time Extended
// values are VT_FILETIME with llVal the signed count of 100 ns intervals
// since 1601-01-01 (negative before 1601: the type reaches back to year 1).
HRESULT dao_value_to_variant(const jet_value& value, VARIANT* out);

class dao_row_source {
 public:
  virtual ~dao_row_source() = default;
  virtual const std::vector<dao_field_info>& fields() const = 0;
  virtual void rewind() = 0;
  virtual bool next() = 0;  // false at the end
  virtual void value(size_t field, jet_value& out) const = 0;
  // At the end of a scan: what the scan lost to a damaged file, as the text
  // of an error ("709 rows read, the table's header says 830; ..."), or
  // empty when it read everything.
  virtual std::string loss_report() const { return {}; }
};

struct sql_plan;  // access/dao/sql/sql_translate.h

// A query text the reader can run, or a jet_failure saying why not.
struct dao_query_plan {
  enum class kind { table, relationships, sql } what = kind::table;
  std::u16string table;                 // kind::table: the table's stored name
  std::shared_ptr<const sql_plan> sql;  // kind::sql: Access SQL run by the SQL engine
};
dao_query_plan dao_plan_query(const jet_file& file, const std::u16string& sql);

// The rows of a planned query. The file must outlive the source.
std::unique_ptr<dao_row_source> dao_open_query(const std::shared_ptr<jet_file>& file,
                                               const dao_query_plan& plan);
// The complex columns of a table as DAO describes them: the column the
// values belong to (a version history: its memo column), the kind, and the
// primary-key columns of the table (empty when it has none).
struct dao_complex_info {
  std::u16string column;
  std::u16string kind;  // "attachment", "multi-value", "version history", "complex"
  std::vector<std::u16string> parent_key;
};
// The DAO type of a complex column: attachment, or the multi-value type of
// its values (dbComplexByte ... dbComplexText).
int16_t dao_complex_type(const jet_complex_column& column);
std::vector<dao_complex_info> dao_complex_columns(const std::shared_ptr<jet_file>& file,
                                                  const jet_object& object);
// The values of one complex column as rows: the parent row's key columns
// (or ParentRow, its 1-based position, when the table has no primary key),
// ValueID (the value's own number), then by kind FileName, FileType,
// FileData (the file as attached), FileTimeStamp; Value; or Value and
// DateModified. Throws 3265 for a column that is not complex.
std::unique_ptr<dao_row_source> dao_open_complex(const std::shared_ptr<jet_file>& file,
                                                 const jet_object& object,
                                                 const std::u16string& column);

// The rows of one table (throws for linked tables, which live elsewhere).
std::unique_ptr<dao_row_source> dao_open_table(const std::shared_ptr<jet_file>& file,
                                               const jet_object& object);
