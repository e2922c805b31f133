// DAO's Recordset, Fields/Field and Indexes/Index/IndexFields objects.
// A Recordset over a row source: positioned on its first row when opened,
// EOF known from a real fetch (stored row counts can be stale), BOF and
// MovePrevious by re-scanning. Field objects of a recordset read the current
// row; those of a TableDef or QueryDef only describe the column.
// Ownership: COM references (AddRef/Release); single-threaded.
#pragma once

#include <memory>
#include <vector>

#include "access/dao/dao_com.h"
#include "access/dao/dao_errors.h"
#include "access/dao/dao_rows.h"

// The scan state a recordset shares with its Field objects.
struct dao_scan_state {
  std::unique_ptr<dao_row_source> source;
  std::shared_ptr<jet_file> file;  // keeps the file open while rows are read
  bool has_row = false;
  bool bof = true;
  bool eof = true;
  bool closed = false;
  uint64_t position = 0;  // 1-based index of the current row; 0 before the first
  jet_value scratch;
};

class DAOField : public DAOUnknown {
 public:
  DAOField(dao_context_ptr context, dao_field_info info,
           std::shared_ptr<dao_scan_state> scan = nullptr, size_t index = 0);
  HRESULT QueryInterface(const dao_guid& iid, void** out) override;

  HRESULT get_Name(BSTR* name);
  HRESULT get_Type(int16_t* type);
  HRESULT get_Size(int32_t* size);
  HRESULT get_Required(VARIANT_BOOL* required);
  HRESULT get_Attributes(int32_t* attributes);
  HRESULT get_DefaultValue(VARIANT* value);  // VT_BSTR, "" when none
  // Recordset fields: the current row's value (3021 without a current row).
  // Other fields: 3219 "Invalid operation."
  HRESULT get_Value(VARIANT* value);
  // get_Value into a variant that may hold a value already (the caller's):
  // a text goes into its BSTR's block when it fits there
  // (SysReAllocStringLen), any other value replaces it. On failure the
  // variant keeps a value the caller must clear.
  HRESULT ReadValue(VARIANT* value);

  const dao_field_info& info() const { return info_; }

 private:
  dao_context_ptr context_;
  dao_field_info info_;
  std::shared_ptr<dao_scan_state> scan_;
  size_t index_;
};

class DAOFields : public DAOUnknown {
 public:
  DAOFields(dao_context_ptr context, std::vector<dao_ref<DAOField>> fields);
  HRESULT get_Count(int16_t* count);
  // By position (0-based) or by name (case-insensitive); 3265 otherwise.
  HRESULT get_Item(VARIANT index, DAOField** field);

 private:
  dao_context_ptr context_;
  std::vector<dao_ref<DAOField>> fields_;
};

// A scan that reaches the end of a source that lost rows or values to a
// damaged file fails once (MoveNext, or MoveFirst without a row) with error
// 3049 and the source's loss report; the recordset is at EOF all the same,
// and every row that could be read has been visited.
class DAORecordset : public DAOUnknown {
 public:
  // Opens the source and moves to its first row.
  DAORecordset(dao_context_ptr context, std::shared_ptr<jet_file> file,
               std::unique_ptr<dao_row_source> source);
  HRESULT get_EOF(VARIANT_BOOL* eof);
  HRESULT get_BOF(VARIANT_BOOL* bof);
  HRESULT MoveFirst();
  HRESULT MoveNext();
  HRESULT MovePrevious();
  HRESULT get_Fields(DAOFields** fields);
  // Rows visited so far (a dynaset's count grows as it is read).
  HRESULT get_RecordCount(int32_t* count);
  HRESULT Close();

 private:
  void seek(uint64_t position);
  // Throws the source's loss report when the scan ended and lost something.
  void report_loss();

  dao_context_ptr context_;
  std::shared_ptr<dao_scan_state> scan_;
  dao_ref<DAOFields> fields_;
  uint64_t rows_seen_ = 0;
  bool loss_reported_ = false;
};

struct dao_index_info {
  std::u16string name;
  bool primary = false;
  bool unique = false;
  bool foreign = false;
  bool required = false;
  bool ignore_nulls = false;
  std::vector<dao_field_info> fields;  // name, attributes DAO_DESCENDING
};

class DAOIndexFields : public DAOUnknown {
 public:
  DAOIndexFields(dao_context_ptr context, std::vector<dao_field_info> fields);
  HRESULT QueryInterface(const dao_guid& iid, void** out) override;
  HRESULT get_Count(int16_t* count);
  HRESULT get_Item(VARIANT index, DAOField** field);

 private:
  dao_ref<DAOFields> fields_;
};

class DAOIndex : public DAOUnknown {
 public:
  DAOIndex(dao_context_ptr context, dao_index_info info);
  HRESULT get_Name(BSTR* name);
  HRESULT get_Primary(VARIANT_BOOL* primary);
  HRESULT get_Unique(VARIANT_BOOL* unique);
  HRESULT get_Foreign(VARIANT_BOOL* foreign);
  HRESULT get_Required(VARIANT_BOOL* required);
  HRESULT get_IgnoreNulls(VARIANT_BOOL* ignore_nulls);
  // An automation object (VT_DISPATCH) answering QueryInterface for
  // IID_DAOIndexFields; release it with dao_variant_clear.
  HRESULT get_Fields(VARIANT* fields);

 private:
  dao_context_ptr context_;
  dao_index_info info_;
};

class DAOIndexes : public DAOUnknown {
 public:
  DAOIndexes(dao_context_ptr context, std::vector<dao_index_info> indexes);
  HRESULT get_Count(int16_t* count);
  HRESULT get_Item(VARIANT index, DAOIndex** item);

 private:
  dao_context_ptr context_;
  std::vector<dao_index_info> indexes_;
};

// Position or name from an Item argument: true with *position set, or false.
bool dao_item_position(const VARIANT& index, const std::vector<std::u16string>& names,
                       size_t* position);
// Position from a numeric Item argument among `count` items.
bool dao_item_number(const VARIANT& index, size_t count, size_t* position);
