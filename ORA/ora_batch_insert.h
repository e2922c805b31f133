// ora_batch_insert: the rows of one table gathered for one array INSERT
// (or UPDATE by key, see the constructor).
// One prepared `INSERT INTO "T" ("A", ..., "L") VALUES (:1, ..., :n)` per
// table (CLOB and BLOB columns last, since a real server wants long binds
// after the others), executed for all gathered rows at once with per-row
// errors (OCI_BATCH_ERRORS) and a commit. Each value is bound in the exact
// form of the literal the per-record writer would inline (numbers as
// SQLT_VNU, dates as SQLT_DAT, timestamps as SQLT_TIMESTAMP descriptors,
// text as UTF-16 SQLT_CHR in the column's character-set form (SQLT_AFC for
// CHAR and NCHAR columns, which a server then compares blank-padded), RAW as
// SQLT_BIN); CLOB and BLOB contents up to lob_limit() bytes are bound as
// data (SQLT_LNG / SQLT_LBI). A row with a value that has no exact bound
// form is refused and the caller writes it the literal way. The batch keeps
// each gathered record (handed over, or a copy) and its number, so that a
// row the server refuses can be reported or written again, until clear().
// Each value's bound form is written straight into its column's arrays,
// which keep their memory from batch to batch. Owned by its ora_table;
// single-threaded.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "ORA/ora_exception.h"
#include "ORA/ora_stmt.h"
#include "ORA/ora_type.h"
#include "UDB/udb_record.h"
#include "UDB/udb_schema.h"
#include "oci/oci_types.h"

// Largest text, raw, CLOB or BLOB content bound as data with 16-bit
// lengths, in bytes (UTF-16 for text).
inline constexpr size_t ora_lob_inline_max = 65534;
// Largest CLOB or BLOB content bound as data when the client has binds with
// 32-bit lengths (OCIBindByPos2); larger contents go through locators.
inline constexpr size_t ora_lob_bound_max = 1u << 20;

class ora_batch_insert {
 public:
  enum class add_result { added, full, refused };

  struct row_failure {
    size_t row;  // position in the batch
    ora_exception error;
  };

  // `max_rows` >= 1 rows per execution; the bound buffers of a batch stay
  // under `max_bytes` (a batch takes at least one row). `columns` are the
  // table's described columns (character-set forms), beside `schema`.
  // With `key` (true for the columns of the row's key) the statement is
  // `UPDATE "T" SET "A" = :1, ... WHERE "K" = :n AND ...` instead, every
  // other column set (LOBs last) and the key's values bound after them;
  // with `set` as well, only the other columns it marks true.
  ora_batch_insert(const std::wstring& table, const udb_schema& schema,
                   const std::vector<std::unique_ptr<ora_type>>& columns, size_t max_rows,
                   size_t max_bytes, const std::vector<bool>& key = {},
                   const std::vector<bool>& set = {});
  ~ora_batch_insert();
  ora_batch_insert(const ora_batch_insert&) = delete;
  ora_batch_insert& operator=(const ora_batch_insert&) = delete;

  // False when some column has a type this writer does not bind (every
  // record of the table is then refused).
  bool usable() const { return usable_; }
  // True when the field at `position` (a value that is neither NULL nor
  // empty) may be gathered as it is, without its literal: a number, date or
  // text value whose literal would be its printed text, for a column that
  // binds that kind. The forms are those of ora_vnu_from_value,
  // ora_dat_from_value and the text's own UTF-16 contents.
  bool binds_value(size_t position, const udb_field& field) const;
  // Gathers a record from its literals (literals[i] for column i; a LOB
  // column's value is the field's contents, its literal says NULL or not),
  // or, where `as_is[i]` is set, from the field itself (see binds_value).
  // full: the row does not fit with the rows gathered (execute them first);
  // refused: some value has no exact bound form. Only `added` keeps it:
  // `owned` when given (it is then moved from; `record` is *owned), else a
  // copy of `record`.
  add_result add(const udb_record& record, const std::vector<std::wstring>& literals,
                 uint32_t number, const std::vector<bool>& as_is = {},
                 std::unique_ptr<udb_record>* owned = nullptr);

  size_t size() const { return rows_; }
  bool empty() const { return rows_ == 0; }
  bool is_full() const { return rows_ >= max_rows_; }
  const udb_record& record(size_t row) const { return *records_.at(row); }
  uint32_t number(size_t row) const { return numbers_.at(row); }

  // Inserts (or updates) the gathered rows and commits. True when the statement ran: the
  // rows the server refused are in `failures` (in row order), the others
  // are stored. An update also gives in `unchecked` (in row order) the rows
  // not refused whose key may have found no row: those the per-row counts
  // (OCI_RETURN_ROW_COUNT_ARRAY, clients of 12.1 on) show at 0, or, without
  // them, every row not refused when the total falls short. False when the
  // statement failed as a whole: the transaction is rolled back when the
  // server kept rows of it (OCI_ATTR_ROW_COUNT), so that nothing is written
  // twice when the caller writes the rows again, and `statement_error` says
  // why; the caller commits its earlier work first. An insert whose stored
  // and refused rows do not add up to the batch is rolled back, not
  // committed, and raises a level-1 tk_exception. The rows stay gathered
  // until clear().
  bool execute(std::vector<row_failure>& failures, std::unique_ptr<ora_exception>& statement_error,
               std::vector<size_t>* unchecked = nullptr);
  void clear();

  // Array executions and rows sent so far.
  uint64_t executions() const { return executions_; }
  // Largest CLOB or BLOB content bound as data, in bytes.
  size_t lob_limit() const { return lob_limit_; }

 private:
  enum class kind { number, date, timestamp, text, raw, clob, blob };
  struct column {
    size_t position = 0;  // in the schema and the record
    kind k = kind::number;
    bool national = false;  // bound in the SQLCS_NCHAR form
    bool fixed = false;     // a CHAR or NCHAR column: text bound as SQLT_AFC
    ub4 max_data = 0;       // text: the column's size in server bytes (OCI_ATTR_MAXDATA_SIZE)
    std::vector<sb2> indicators;
    std::vector<ub4> lengths;
    std::vector<ub2> short_lengths;  // for binds with 16-bit lengths
    std::string data;                // fixed slots, or the rows' bytes one after another
    std::vector<uint32_t> offsets;   // variable kinds: start of each row in `data`
    size_t widest = 0;               // variable kinds: longest row in bytes
    std::vector<char> laid_out;      // variable kinds: rows `widest` apart
    std::vector<void*> descriptors;  // timestamps: one per row, kept between batches
    // The row being added: its indicator and where its bytes start in `data`.
    sb2 staged_indicator = 0;
    size_t row_start = 0;
  };

  // Appends the bound form of a value to the column's `data` (a fixed
  // kind's whole slot, also for NULL) and sets its indicator: from the
  // literal, or from the field's own value when `literal` is null
  // (binds_value said yes). False when it has no exact bound form; the
  // caller then takes back what was appended.
  bool stage(column& col, const udb_field& field, const std::wstring* literal);
  size_t slot_bytes(const column& col) const;
  static bool is_fixed(kind k) {
    return k == kind::number || k == kind::date || k == kind::timestamp;
  }
  void bind_all();
  // Sets a timestamp column's descriptors (one per row) from its fields.
  void set_timestamps(column& col);
  void read_row_errors(std::vector<row_failure>& failures);

  std::wstring sql_;
  bool update_ = false;
  std::vector<column> columns_;  // in bind order
  std::vector<size_t> bind_of_;  // per schema position: its index in columns_
  bool usable_ = true;
  size_t max_rows_;
  size_t max_bytes_;
  size_t rows_ = 0;
  std::vector<std::unique_ptr<udb_record>> records_;
  std::vector<uint32_t> numbers_;
  std::unique_ptr<ora_stmt> stmt_;
  OCIError* row_error_ = nullptr;  // receives one row's error
  uint64_t executions_ = 0;
  size_t lob_limit_ = ora_lob_inline_max;
  bool long_lengths_ = false;  // binds with 32-bit lengths (OCIBindByPos2)

  std::u16string text_;  // scratch
  std::string bytes_;    // scratch
};
