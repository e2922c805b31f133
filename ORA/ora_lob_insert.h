// ora_lob_insert: writes the CLOB and BLOB contents of one record into its
// row, which was inserted (or updated) with empty LOBs. The row is selected
// FOR UPDATE with one locator per LOB column, then each non-empty value is
// written with OCILobWrite in one piece: text as UTF-16 (character set
// OCI_UTF16ID, in the column's own form: SQLCS_NCHAR for an NCLOB, which a
// server refuses in the implicit form with ORA-24806) with the amount in
// characters and the buffer length in bytes, binary as its bytes. Nothing is committed here: the
// caller's next commit makes the contents permanent. One per table (locators and statement handle
// are reused from record to record). Single-threaded.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "ORA/ora_stmt.h"
#include "ORA/ora_type.h"
#include "UDB/udb_record.h"
#include "oci/oci_types.h"

class ora_lob_insert {
 public:
  // Collects the LOB columns (CLOB, NCLOB and BLOB type codes) of the
  // table's described columns and allocates their locators.
  ora_lob_insert(const std::wstring& table, const std::vector<std::unique_ptr<ora_type>>& columns);
  ~ora_lob_insert();
  ora_lob_insert(const ora_lob_insert&) = delete;
  ora_lob_insert& operator=(const ora_lob_insert&) = delete;

  bool has_lobs() const { return !columns_.empty(); }
  // True when the record holds a non-empty value for some LOB column.
  bool has_contents(const udb_record& record) const;

  // Writes the record's LOB values into the row of that ROWID. Answers
  // whether anything was written.
  bool insert(const std::wstring& rowid, const udb_record& record);
  // The same for the row that `condition` (an SQL condition) selects; no
  // row selected writes nothing.
  bool write(const std::wstring& condition, const udb_record& record);

 private:
  struct lob_column {
    size_t position;
    bool text;  // CLOB or NCLOB, else BLOB
    ub1 form = SQLCS_IMPLICIT;
    std::wstring name;
    OCILobLocator* locator = nullptr;
    sb2 indicator = 0;
  };

  void write_clob(lob_column& column, const udb_field& field);
  void write_blob(lob_column& column, const udb_field& field);

  std::wstring select_prefix_;  // "SELECT <lobs> FROM "T" WHERE "
  std::vector<lob_column> columns_;
  ora_stmt stmt_;
};
