// udb_recordset: one open table or query result of a source or destination,
// with its schema, its indexes and its announced record count. The driver
// reads a source forward (move_first, then get_item / next until is_eof) and
// hands each record to the destination's append_record. Derived classes:
// the Access recordsets and the Oracle tables. The caller of
// create_table / get_table / get_query owns the recordset. Not thread-safe.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "TK/tk_exception.h"
#include "UDB/udb_append_sink.h"
#include "UDB/udb_indexes.h"
#include "UDB/udb_record.h"
#include "UDB/udb_schema.h"

class udb_recordset {
 public:
  // A query result registered under `name`.
  udb_recordset(const std::wstring& name, const std::wstring& query, bool b_owner);
  // A table.
  udb_recordset(const std::wstring& name, bool b_owner);
  virtual ~udb_recordset();
  udb_recordset(const udb_recordset&) = delete;
  udb_recordset& operator=(const udb_recordset&) = delete;

  // Writes one record of the source into this (destination) table.
  virtual void append_record(const udb_record& record) = 0;
  // Writes one record, possibly later together with the following ones: a
  // record that cannot be written is handed to `sink` with `number`, at this
  // call or at a later one. The base writes at once through append_record.
  virtual void append_batched(const udb_record& record, uint32_t number, udb_append_sink& sink);
  // append_batched for a record handed over (take_item): a destination that
  // holds records back keeps it instead of a copy. The base appends it as
  // append_batched does.
  virtual void append_owned(std::unique_ptr<udb_record> record, uint32_t number,
                            udb_append_sink& sink);
  // Writes the records held back; their failures go to `sink`. Call before
  // the recordset is closed: what is still held back then is written with
  // its failures traced only.
  virtual void flush_appends(udb_append_sink& sink);
  // Overwrites the row that has the record's key with the record's values.
  virtual void update(const udb_record& record);
  // update() for record `number`, possibly held back like an append: its
  // failure goes to `sink` (update_failed), at this call or at a later one
  // (flush_appends). The base updates at once.
  virtual void update_batched(const udb_record& record, uint32_t number, udb_append_sink& sink);
  // update_batched where only the fields that `changed` marks true (by
  // position) differ from the row: a destination may set only those. An
  // empty mask is every field. The base updates every field.
  virtual void update_changed(const udb_record& record, const std::vector<bool>& changed,
                              uint32_t number, udb_append_sink& sink);
  // update_changed for a record handed over (take_item): a destination that
  // holds updates back keeps it instead of a copy. The base updates it as
  // update_changed does.
  virtual void update_owned(std::unique_ptr<udb_record> record, const std::vector<bool>& changed,
                            uint32_t number, udb_append_sink& sink);
  // The current row; it stays the recordset's and is replaced by the next
  // call. The base has none.
  virtual udb_record* get_item();
  // The current row handed over to the caller, who may keep it after next():
  // what get_item would answer, no longer kept by the recordset. Null from
  // a recordset that keeps its rows (the base): use get_item.
  virtual std::unique_ptr<udb_record> take_item();
  virtual bool is_eof();
  virtual bool has_query() const;
  virtual void next();
  virtual void move_prev();
  virtual void move_first();

  // Appends the index unless one of that name (ignoring case) is there; the
  // first primary or unique index added becomes the key index.
  void add_index(const udb_index& index);
  // Changes each field's value, in place, to the type of the column at its
  // position (ole_cast_exception when a value cannot be converted).
  void convert_record(udb_record& record) const;

  const std::wstring& query() const { return query_; }
  const std::wstring& name() const { return name_; }
  udb_schema& schema() { return schema_; }
  const udb_schema& schema() const { return schema_; }
  const udb_indexes& indexes() const { return indexes_; }
  uint32_t records_count() const { return records_count_; }
  void set_records_count(uint32_t count) { records_count_ = count; }
  // Position in indexes() of the first primary or unique index, -1 if none.
  int32_t key_index() const { return key_index_; }

  // Problems met while opening that cost part of the table but not the rest
  // (a column of a type the source cannot read, left out of the schema);
  // the opener reports them for the table. Taking them empties the list.
  std::vector<tk_exception> take_open_errors() { return std::move(open_errors_); }
  void add_open_error(const tk_exception& e) { open_errors_.push_back(e); }

 private:
  std::wstring query_;
  std::wstring name_;
  udb_schema schema_;
  udb_indexes indexes_;
  uint32_t records_count_ = 0;
  int32_t key_index_ = -1;
  std::vector<tk_exception> open_errors_;
};
