// ora_table: one Oracle table (or query) as a destination recordset. Opening
// reads its columns, catalogue defaults and national-character sizes, its
// primary key and indexes, and the foreign keys of other tables that refer
// to it (added to the database's relationship list). Writing one record at
// a time: append_record sends one committed INSERT with literal values
// (empty LOBs for CLOB and BLOB columns), gets the row's ROWID and writes
// the LOB contents. Writing in batches: append_batched gathers records for
// one array INSERT (ora_batch_insert, batch_rows() records, committed per
// batch) and hands the records the server refused to the caller's sink; a
// record without an exact bound form, and every record of a batch that
// failed as a whole, goes the one-record way. update rewrites the row that
// has the record's key (committed every batch_rows() updates at most);
// reset_not_null_flag makes a column nullable when a NULL must be stored. The INSERT text's head,
// the key columns and the LOB writer are prepared once per table. Work left uncommitted (LOB
// contents of the last record, updates) is committed when the table is closed; then, when records
// were appended, the sequence of its counter column moves past the values
// the column holds (ora_counter), so that rows inserted later are numbered
// after the copied ones.
// Owned by the caller of ora_database::create_table / get_table; the
// database and the session must outlive it. Single-threaded.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "ORA/ora_batch_insert.h"
#include "ORA/ora_get_rowid.h"
#include "ORA/ora_lob_insert.h"
#include "ORA/ora_query_results.h"
#include "UDB/udb_relationships.h"

class ora_database;

class ora_table : public ora_query_results {
 public:
  // An existing table; the open flag is not used.
  ora_table(ora_database& db, const std::wstring& name, udb_relationships& relationships,
            int32_t open_flag);
  // The rows of a query text, under `name`.
  ora_table(ora_database& db, const std::wstring& name, const std::wstring& query_text,
            udb_relationships& relationships, int32_t open_flag);
  // Commits what the table left uncommitted and moves the counter's
  // sequence past the appended values (errors are traced).
  ~ora_table() override;

  void append_record(const udb_record& record) override;
  void append_batched(const udb_record& record, uint32_t number, udb_append_sink& sink) override;
  void append_owned(std::unique_ptr<udb_record> record, uint32_t number,
                    udb_append_sink& sink) override;
  void flush_appends(udb_append_sink& sink) override;
  void update(const udb_record& record) override;
  void update_batched(const udb_record& record, uint32_t number, udb_append_sink& sink) override;
  // Gathered updates set the changed columns only; records with another
  // set of changed columns run the gathered ones first.
  void update_changed(const udb_record& record, const std::vector<bool>& changed, uint32_t number,
                      udb_append_sink& sink) override;
  void update_owned(std::unique_ptr<udb_record> record, const std::vector<bool>& changed,
                    uint32_t number, udb_append_sink& sink) override;

  // Records per array INSERT: TARVEL_BATCH_ROWS when it is a number from 1
  // to 65535 (65535 for one up to 100000: thick clients count the errors of
  // one execute in 16 bits), else the default; 1 writes every record the
  // one-record way.
  static size_t batch_rows();
  // Bound bytes of one batch at most (a batch takes at least one record).
  static constexpr size_t kBatchBytes = 16u << 20;
  // Array executions of this table so far.
  // Makes the column at `column` (0-based) nullable; once per column.
  void reset_not_null_flag(size_t column);

  // A catalogue default text as a value of `vartype`; empty when none.
  static ole_variant get_def_value(VARTYPE vartype, const std::wstring& text);

  bool is_eof() override;
  void next() override;

  uint32_t appended() const { return appended_; }
  int32_t rows() const { return rows_; }

 private:
  void init_schema();
  // The select list of the table's columns that take values: "*", or the
  // columns by name when virtual ones are to be left out.
  std::wstring writable_columns() const;
  // A column of a type that cannot be written (XMLType, BFILE, BOOLEAN, ...)
  // refuses the table: level-1 tk_exception naming the column and its type.
  void refuse_unsupported_columns() const;
  void init_indexes();
  void read_primary_key();
  void read_indexes();
  void read_foreign_keys();
  void prepare_writes();
  // The value text of field `i` for INSERT and UPDATE: literal, NULL (the
  // column made nullable first when needed), default for out-of-range
  // reals, or an empty LOB placeholder.
  std::wstring value_text(size_t i, const udb_field& field);
  // The same into `out`, whose storage a LOB placeholder reuses.
  void value_text_into(size_t i, const udb_field& field, std::wstring& out);
  // The literal of a LOB column's value (NULL, EMPTY_CLOB() or
  // EMPTY_BLOB()); null for the other columns.
  const wchar_t* lob_placeholder(size_t i, const udb_field& field) const;
  // True when field `i` may be gathered into the batch as it is: value_text
  // would give its plain printed literal (no NULL, default or custom
  // literal) and the batch binds it directly (ora_batch_insert::binds_value).
  bool binds_as_is(size_t i, const udb_field& field) const;
  void commit_pending();
  void move_counter();
  // Runs the gathered batch and hands its refused records to `sink` (traced
  // only without one); a batch that failed as a whole is written again one
  // record at a time.
  void run_batch(udb_append_sink* sink);
  // append_batched; a gathered record is kept as `owned` when that is given
  // (`record` is then *owned), else copied.
  void append_gathered(const udb_record& record, std::unique_ptr<udb_record>* owned,
                       uint32_t number, udb_append_sink& sink);
  // The one-record way, its failure handed to `sink`.
  void append_one(const udb_record& record, uint32_t number, udb_append_sink* sink);
  // Runs the gathered updates; their failures go to `sink` (traced only
  // without one). A batch that failed as a whole is updated one record at a
  // time.
  void run_updates(udb_append_sink* sink);
  // The literals of an update: the key's values as in the WHERE clause of
  // update(), the others as in its SET clause.
  void update_literals(const udb_record& record);
  // update_changed; `owned` (when given, *owned is `record`) is kept by the
  // batch instead of a copy.
  void update_kept(const udb_record& record, const std::vector<bool>& changed, uint32_t number,
                   udb_append_sink& sink, std::unique_ptr<udb_record>* owned);

  ora_database& db_;
  udb_relationships& relationships_;
  std::wstring primary_key_;              // name of the primary-key constraint
  std::vector<std::wstring> key_fields_;  // its columns
  std::vector<bool> in_primary_key_;      // per column
  int32_t rows_ = 0;
  int32_t current_row_ = 0;
  bool fetched_ = false;
  uint32_t appended_ = 0;
  bool pending_commit_ = false;
  uint32_t uncommitted_updates_ = 0;
  size_t batch_size_ = 0;  // batch_rows(), read at the first batched record

  std::wstring insert_head_;         // INSERT INTO "T" VALUES(
  std::wstring column_list_ = L"*";  // what writable_columns() gave
  std::unique_ptr<ora_get_rowid> rowid_;
  std::unique_ptr<ora_lob_insert> lobs_;
  std::unique_ptr<ora_batch_insert> batch_;
  std::unique_ptr<ora_batch_insert> updates_;  // by key (synchronize)
  std::vector<bool> update_columns_;           // the columns updates_ sets; empty: every one
  std::vector<bool> in_update_key_;            // per column
  std::vector<std::wstring> literals_;         // of the record being gathered
  std::vector<bool> as_is_;                    // its fields gathered without literals
};
