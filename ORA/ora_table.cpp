// ora_table: opening an Oracle table (columns, defaults, keys, referencing
// foreign keys) and writing records into it.
#include "ORA/ora_table.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cwchar>
#include <map>

#include "ORA/oci/oci_library.h"
#include "ORA/ora_canonical_rows.h"
#include "ORA/ora_charset.h"
#include "ORA/ora_counter.h"
#include "ORA/ora_database.h"
#include "ORA/ora_engine.h"
#include "ORA/ora_exception.h"
#include "ORA/ora_stmt.h"
#include "ORA/ora_util.h"
#include "ORA/ora_validator.h"
#include "TK/tk_exception.h"
#include "TK/tk_text.h"
#include "TK/tk_trace.h"
#include "TK/tk_wstring.h"
#include "UDB/udb_custom_conversion.h"

namespace {
// Servers below 8.0.0 have no GENERATED column in USER_INDEXES.
constexpr int32_t kVersion8 = 0x80000;
// Reals beyond this never reach Oracle (ORA-01426 from 1e126 on).
constexpr double kNumberLimit = 1e126;
constexpr size_t kDefaultBatchRows = 1000;
// Updates (synchronize) are committed at least this often.
constexpr size_t kUpdateCommitRows = 1000;
// Rows of one array UPDATE (one transaction) at most: every updated row
// stays locked until the commit, and lock managers that keep a list of the
// locks held (the embedded engine's) pay for each new lock by its length.
constexpr size_t kUpdateBatchRows = 250;
// Thick clients count batch errors in 16 bits: a batch never has more rows.
constexpr size_t kMaxBatchRows = 65535;
// ORA-00001: the row is there already (merge and synchronize go on).
constexpr int32_t kUniqueViolated = ora_exception::kCodeBase | 1;
// ORA-01403: an update's key found no row.
constexpr int32_t kNoRowFound = 1403;

// ORA-00054 (NOWAIT) and ORA-30006 (a lock wait that timed out).
bool is_lock_timeout(int32_t oracle_error) {
  return oracle_error == 54 || oracle_error == 30006;
}

// Records still gathered when a table is closed without a flush: their
// failures can only be traced.
class trace_sink : public udb_append_sink {
 public:
  bool append_failed(uint32_t number, const tk_exception& error, const udb_record&) override {
    tk_trace(3, "Record #%d was not written: %s", number, error.what());
    return true;
  }
  bool update_failed(uint32_t number, const tk_exception& error) override {
    tk_trace(3, "Record #%d was not updated: %s", number, error.what());
    return true;
  }
};

// One number read with a 4-byte integer define.
int32_t read_count(const std::wstring& sql) {
  ora_stmt stmt;
  stmt.prepare(sql);
  int32_t count = 0;
  sb2 indicator = 0;
  stmt.define(1, &count, sizeof count, SQLT_INT, &indicator, nullptr);
  if (stmt.execute(1, OCI_DEFAULT) == OCI_NO_DATA || indicator == OCI_IND_NULL) return 0;
  return count;
}

// A text of two double quotes is how the source writes an empty value: the
// literal "'\"\"'" is NULL as well.
bool is_null_literal(const udb_field& field, const std::wstring& literal) {
  return field.get_type() == VT_NULL || literal.empty() || literal == L"''" || literal == L"\"\"" ||
         literal == L"'\"\"'";
}

// The value as a double when it is a number (or a text that is one);
// false otherwise.
bool numeric_value(const udb_field& field, double& out) {
  const VARTYPE vt = field.get_variant().vt;
  if (ole_is_numeric_type(vt)) {
    out = field.to_double();
    return true;
  }
  if (vt != VT_BSTR) return false;
  const std::wstring text = field.to_wstring();
  if (text.empty()) return false;
  wchar_t* end = nullptr;
  out = std::wcstod(text.c_str(), &end);
  return end != nullptr && *end == 0;
}
}  // namespace

ora_table::ora_table(ora_database& db, const std::wstring& name, udb_relationships& relationships,
                     int32_t)
    : ora_query_results(name), db_(db), relationships_(relationships) {
  tk_wtrace(2, L"ora_table::ora_table(%s)", name);
  init_schema();
  if (schema().empty()) {
    tk_trace(2, "Empty table");
    return;
  }
  init_indexes();
  rows_ = ora_engine::instance().get_records_cnt(name, false);
  tk_trace(2, "Got %d records", rows_);
  prepare_writes();
}

ora_table::ora_table(ora_database& db, const std::wstring& name, const std::wstring& query_text,
                     udb_relationships& relationships, int32_t)
    : ora_query_results(name, query_text), db_(db), relationships_(relationships) {
  tk_wtrace(2, L"ora_table::ora_table(%s)", name);
  init_schema();
  if (schema().empty()) {
    tk_trace(2, "Empty table");
    return;
  }
  rows_ = ora_engine::instance().get_records_cnt(query_text, true);
  tk_trace(2, "Got %d records", rows_);
  prepare_writes();
}

ora_table::~ora_table() {
  tk_trace(2, "ora_table::dtor");
  if ((batch_ && !batch_->empty()) || (updates_ && !updates_->empty())) {
    tk_trace(3, "ora_table::dtor: records still gathered");
    try {
      trace_sink sink;
      run_batch(&sink);
    } catch (const std::exception& e) {
      tk_trace(3, "Cannot write the gathered records: %s", e.what());
    }
  }
  commit_pending();
  if (appended_ > 0 && !has_query()) move_counter();
  lobs_.reset();
  rowid_.reset();
}

void ora_table::move_counter() {
  try {
    if (const auto counter = ora_counter::find(name())) counter->move_past_values(db_, name());
  } catch (const std::exception& e) {
    tk_trace(3, "Cannot move the counter's sequence past the copied values: %s", e.what());
  }
}

void ora_table::commit_pending() {
  if (!pending_commit_) return;
  pending_commit_ = false;
  try {
    db_.commit();
  } catch (const tk_exception& e) {
    tk_trace(3, "Cannot commit the last changes of the table: %s", e.what());
  }
}

void ora_table::init_schema() {
  tk_trace(2, "ora_table::init_schema");
  const bool table = !has_query();
  if (table) tk_trace(1, "Right before extract DB structure");
  // The columns are those the describe gives (OCI_ATTR_PARAM_COUNT): the
  // catalogue also counts invisible columns, which SELECT * leaves out.
  if (table) column_list_ = writable_columns();
  initialize(0, table ? L"SELECT " + column_list_ + L" FROM \"" + name() + L"\"" : query());
  tk_trace(2, "Got %d columns", static_cast<int>(schema().size()));
  if (!table) return;
  // Sizes come from the describe in characters (OCI_ATTR_CHAR_SIZE), whatever
  // the character sets; a column type that cannot be written stops here
  // rather than failing every record.
  refuse_unsupported_columns();

  const auto rows = ora_query_texts(
      L"select COLUMN_NAME, DATA_DEFAULT, DATA_TYPE from USER_TAB_COLUMNS where table_name = '" +
      ora_doubled_quotes(name()) + L"'");
  for (size_t r = 0; r < rows.size() && r < schema().size(); ++r) {
    const std::wstring& column = rows[r].at(0);
    size_t pos = schema().size();
    for (size_t i = 0; i < schema().size(); ++i) {
      if (schema()[i].name == column) {
        pos = i;
        break;
      }
    }
    if (pos == schema().size()) {
      tk_trace(2, "Field not found in schema");
      continue;
    }
    TK_ASSERT(pos < readers().size());
    t_ftd& ftd = schema()[pos];
    const std::wstring& def = rows[r].at(1);
    if (!def.empty()) {
      tk_wtrace(1, L"Got default string: %s (eye=%d, type=%d)", def, r, ftd.vartype);
      ftd.def_value = get_def_value(ftd.vartype, def);
      tk_wtrace(1, L"Got default variant: %s", ftd.def_value.to_wstring());
    }
  }
}

std::wstring ora_table::writable_columns() const {
  // Virtual columns take no values (ORA-54013 for an INSERT naming one), so
  // a table with some has them left out of its columns, and with them out
  // of every INSERT, UPDATE, merge and synchronize. Servers before virtual
  // columns have no VIRTUAL_COLUMN to read: every column is written there.
  std::vector<std::vector<std::wstring>> rows;
  try {
    rows = ora_query_texts(
        L"select COLUMN_NAME, VIRTUAL_COLUMN from USER_TAB_COLS where TABLE_NAME = '" +
        ora_doubled_quotes(name()) + L"' and HIDDEN_COLUMN = 'NO' order by COLUMN_ID");
  } catch (const tk_exception& e) {
    tk_trace(2, "No virtual columns read: %s", e.what());
    return L"*";
  }
  std::wstring list;
  bool any_virtual = false;
  for (const auto& row : rows) {
    if (row.size() < 2) return L"*";
    if (row[1] == L"YES") {
      tk_wtrace(2, L"Virtual column \"%s\" is not written", row[0]);
      any_virtual = true;
      continue;
    }
    list += (list.empty() ? L"\"" : L", \"") + row[0] + L"\"";
  }
  return any_virtual && !list.empty() ? list : L"*";
}

void ora_table::refuse_unsupported_columns() const {
  for (const auto& reader : readers()) {
    if (reader->is_supported()) continue;
    throw tk_exception(L"The column \"" + reader->name() + L"\" of the Oracle table \"" + name() +
                           L"\" has the type " + ora_type::type_name(reader->data_type()) +
                           L", which this program cannot write. Choose another table name or "
                           L"change the column's type.",
                       0);
  }
}

ole_variant ora_table::get_def_value(VARTYPE vartype, const std::wstring& source) {
  tk_wtrace(1, L"ora_table::get_def_value(type=0x%08X, src=%s)", vartype, source);
  std::wstring text = tk_trim(source);
  // The catalogue keeps the text as it was written, line ends included.
  while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L'\t'))
    text.pop_back();
  text = tk_trim(text);
  bool quoted = false;
  if (text.size() > 1 && text.front() == L'\'' && text.back() == L'\'') {
    tk_trace(1, "Removing quotes");
    text = text.substr(1, text.size() - 2);
    quoted = true;
    tk_wtrace(1, L"After removing quotes: %s", text);
  }
  if (vartype == VT_BSTR && !quoted) {
    tk_trace(1, "Incorrect/empty/null default value for VT_BSTR");
    return ole_variant();
  }
  if (vartype == VT_DATE) return ole_variant();
  std::wstring unescaped;
  for (size_t i = 0; i < text.size(); ++i) {
    unescaped += text[i];
    if (text[i] == L'\'' && i + 1 < text.size() && text[i + 1] == L'\'') ++i;
  }
  try {
    return ole_variant::from_wstring(unescaped, vartype);
  } catch (const tk_exception&) {
    return ole_variant();
  }
}

void ora_table::init_indexes() {
  tk_trace(2, "ora_table::init_indexes");
  read_primary_key();
  read_indexes();
  if (!primary_key_.empty()) read_foreign_keys();
}

void ora_table::read_primary_key() {
  const auto rows = ora_query_texts(
      L"SELECT a.constraint_name, a.column_name FROM user_cons_columns a, user_constraints b "
      L"WHERE a.table_name='" +
      ora_doubled_quotes(name()) +
      L"' AND a.constraint_name=b.constraint_name AND b.constraint_type='P' ORDER BY "
      L"a.constraint_name, a.position");
  if (rows.empty()) return;
  const std::wstring key = rows[0].at(0);
  tk_wtrace(2, L"Got primary key '%s'", key);
  std::vector<std::wstring> fields;
  for (const auto& row : rows) {
    if (row.at(0) != key) break;
    bool found = false;
    for (const t_ftd* f : schema().fields()) found = found || f->name == row.at(1);
    if (!found) {
      tk_wtrace(2, L"PK field '%s' not found - skip it", row.at(1));
      continue;
    }
    fields.push_back(row.at(1));
  }
  if (fields.empty()) return;
  primary_key_ = key;
  key_fields_ = fields;
  add_index(udb_index{key, true, true, fields});
}

void ora_table::read_indexes() {
  const std::wstring table = ora_doubled_quotes(name());
  const std::wstring sql =
      db_.server_version() < kVersion8
          ? L"SELECT user_indexes.index_name, user_indexes.uniqueness, "
            L"user_ind_columns.column_name FROM user_ind_columns, user_indexes where "
            L"user_ind_columns.table_name = '" +
                table +
                L"' AND user_ind_columns.index_name = user_indexes.index_name AND "
                L"user_ind_columns.table_name = user_indexes.table_name ORDER BY "
                L"user_indexes.index_name, user_ind_columns.column_position"
          : L"SELECT user_indexes.index_name, user_indexes.uniqueness, "
            L"user_ind_columns.column_name FROM user_ind_columns, user_indexes where "
            L"user_ind_columns.table_name = '" +
                table +
                L"' AND user_indexes.generated='N' AND user_ind_columns.index_name = "
                L"user_indexes.index_name AND user_ind_columns.table_name = "
                L"user_indexes.table_name ORDER BY user_indexes.index_name, "
                L"user_ind_columns.column_position";
  const auto rows = ora_query_texts(sql);
  for (size_t r = 0; r < rows.size();) {
    udb_index index;
    index.name = rows[r].at(0);
    index.b_unique = rows[r].at(1) == L"UNIQUE";
    tk_wtrace(2, L"Got index '%s' (unique=%d)", index.name, index.b_unique);
    for (; r < rows.size() && rows[r].at(0) == index.name; ++r) {
      bool found = false;
      for (const t_ftd* f : schema().fields()) found = found || f->name == rows[r].at(2);
      if (found)
        index.fields.push_back(rows[r].at(2));
      else
        tk_wtrace(1, L"Index field '%s' not found - skip it", rows[r].at(2));
    }
    if (!primary_key_.empty() && index.name == primary_key_) {
      tk_trace(2, "Skip Primary Key DoubleInitialization");
      continue;
    }
    add_index(index);
  }
}

void ora_table::read_foreign_keys() {
  const std::wstring key = ora_doubled_quotes(primary_key_);
  if (read_count(L"select count(*) from USER_CONSTRAINTS where R_CONSTRAINT_NAME='" + key +
                 L"' and CONSTRAINT_TYPE='R'") == 0) {
    tk_trace(2, "No foreign keys found");
    return;
  }
  const auto rows = ora_query_texts(
      L"select a.TABLE_NAME,a.CONSTRAINT_NAME,a.DELETE_RULE,b.COLUMN_NAME FROM USER_CONSTRAINTS "
      L"a, USER_CONS_COLUMNS b WHERE a.CONSTRAINT_NAME=b.CONSTRAINT_NAME and "
      L"a.CONSTRAINT_TYPE='R' and a.R_CONSTRAINT_NAME='" +
      key + L"'");
  std::vector<udb_relationship> found;
  for (const auto& row : rows) {
    tk_wtrace(1, L"GOT FK: %s,%s,%s,%s", row.at(0), row.at(1), row.at(2), row.at(3));
    udb_relationship* rel = nullptr;
    for (udb_relationship& r : found) {
      if (r.name == row.at(1)) rel = &r;
    }
    if (rel == nullptr) {
      udb_relationship r;
      r.name = row.at(1);
      r.ref_key_name = primary_key_;
      r.table = row.at(0);
      r.ref_table = name();
      r.ref_fields = key_fields_;
      if (!row.at(2).empty()) r.delete_rule = L"ON DELETE " + row.at(2);
      found.push_back(r);
      rel = &found.back();
    }
    bool present = false;
    for (const std::wstring& f : rel->fields) present = present || f == row.at(3);
    if (!present) rel->fields.push_back(row.at(3));
  }
  // A table opened twice in a run adds its foreign keys once.
  for (const udb_relationship& r : found) {
    if (relationships_.is_acceptable_name(r.name)) relationships_.push_back(r);
  }
}

void ora_table::prepare_writes() {
  in_primary_key_.assign(schema().size(), false);
  for (size_t i = 0; i < schema().size(); ++i) {
    for (const std::wstring& k : key_fields_) {
      if (schema()[i].name == k) in_primary_key_[i] = true;
    }
  }
  // No APPEND hint: on 11.1 servers it makes every single-row INSERT a
  // direct-path insert (a new block per row and an exclusive table lock).
  // Left-out (virtual) columns need the written ones named.
  insert_head_ = L"INSERT INTO \"" + name() + L"\" " +
                 (column_list_ == L"*" ? L"" : L"(" + column_list_ + L") ") + L"VALUES(";
}

const wchar_t* ora_table::lob_placeholder(size_t i, const udb_field& field) const {
  const t_ftd* col = i < schema().size() ? &schema()[i] : nullptr;
  const ora_type* reader = i < readers().size() ? readers()[i].get() : nullptr;
  if (col == nullptr || reader == nullptr || !reader->is_lob()) return nullptr;
  tk_trace(1, "Got LOB - put placeholder");
  // A NULL stays NULL unless the column refuses it.
  const VARTYPE vt = field.get_variant().vt;
  if ((vt == VT_NULL || vt == VT_EMPTY) && !col->b_not_null) return L"NULL";
  return reader->data_type() == SQLT_CLOB ? L"EMPTY_CLOB()" : L"EMPTY_BLOB()";
}

void ora_table::value_text_into(size_t i, const udb_field& field, std::wstring& out) {
  // The placeholder is copied into the text's storage: a LOB column of
  // every row of a batch costs no allocation.
  const wchar_t* placeholder =
      udb_custom_conversion::is_acceptable2(field) ? nullptr : lob_placeholder(i, field);
  if (placeholder != nullptr)
    out.assign(placeholder);
  else
    out = value_text(i, field);
}

std::wstring ora_table::value_text(size_t i, const udb_field& field) {
  if (udb_custom_conversion::is_acceptable2(field)) return udb_custom_conversion::handle2(field);
  const t_ftd* col = i < schema().size() ? &schema()[i] : nullptr;
  const VARTYPE vt = field.get_variant().vt;
  const bool null_value = vt == VT_NULL || vt == VT_EMPTY;
  const ora_type* reader = i < readers().size() ? readers()[i].get() : nullptr;
  if (const wchar_t* placeholder = lob_placeholder(i, field)) return placeholder;
  std::wstring literal = to_oracle_str(&field);
  if (reader != nullptr && is_ora_national(*reader)) literal = ora_national_literal(literal);
  tk_wtrace(1, L"Got field #%d: '%s' (%d, %d)", i, literal, field.get_type(), col ? col->size : 0);
  double number = 0;
  if (col != nullptr && (col->vartype == VT_R4 || col->vartype == VT_R8) && !null_value &&
      numeric_value(field, number) &&
      (std::isnan(number) || number < -kNumberLimit || number > kNumberLimit)) {
    tk_trace(1, "Number is out of range");
    literal = col->b_not_null ? make_ora_def_val(col) : L"";
  }
  if (is_null_literal(field, literal)) {
    if (col != nullptr && col->b_not_null && !in_primary_key_[i]) {
      tk_trace(1, "Put NULL-field");
      reset_not_null_flag(i);
    }
    return L"NULL";
  }
  return literal;
}

void ora_table::append_record(const udb_record& record) {
  tk_trace(2, "ora_table::append_record");
  if (insert_head_.empty()) prepare_writes();
  std::wstring sql = insert_head_;
  for (size_t i = 0; i < record.size(); ++i) {
    if (i > 0) sql += L", ";
    sql += value_text(i, record[i]);
  }
  if (!rowid_) rowid_ = std::make_unique<ora_get_rowid>();
  const std::wstring rowid = rowid_->do_insert(sql);
  tk_wtrace(2, L"GOT ROWID(2): %s", rowid);
  if (!lobs_) lobs_ = std::make_unique<ora_lob_insert>(name(), readers());
  if (lobs_->has_lobs()) {
    // The row is committed already; its LOB contents are committed with
    // the next record or when the table is closed.
    if (lobs_->insert(rowid, record)) pending_commit_ = true;
  } else {
    tk_trace(1, "Record has no LOBs - skip it");
  }
  ++appended_;
  tk_trace(2, "ora_table::append_record - at the END");
}

size_t ora_table::batch_rows() {
  const char* text = std::getenv("TARVEL_BATCH_ROWS");
  if (text == nullptr || *text == 0) return kDefaultBatchRows;
  char* end = nullptr;
  const long value = std::strtol(text, &end, 10);
  if (end != nullptr && *end == 0 && value > static_cast<long>(kMaxBatchRows) && value <= 100000) {
    tk_trace(3, "TARVEL_BATCH_ROWS=%s: %d records per batch at most", text,
             static_cast<int>(kMaxBatchRows));
    return kMaxBatchRows;
  }
  if (end == nullptr || *end != 0 || value < 1 || value > static_cast<long>(kMaxBatchRows)) {
    tk_trace(3, "TARVEL_BATCH_ROWS=%s is not a number from 1 to %d: %d records per batch", text,
             static_cast<int>(kMaxBatchRows), static_cast<int>(kDefaultBatchRows));
    return kDefaultBatchRows;
  }
  return static_cast<size_t>(value);
}

void ora_table::append_one(const udb_record& record, uint32_t number, udb_append_sink* sink) {
  try {
    append_record(record);
  } catch (const tk_exception& e) {
    // Failures are reported in record order: gathered updates of earlier
    // records first.
    if (e.code() != kUniqueViolated) run_updates(sink);
    if (sink == nullptr || !sink->append_failed(number, e, record)) throw;
  }
}

void ora_table::append_batched(const udb_record& record, uint32_t number, udb_append_sink& sink) {
  append_gathered(record, nullptr, number, sink);
}

void ora_table::append_owned(std::unique_ptr<udb_record> record, uint32_t number,
                             udb_append_sink& sink) {
  const udb_record& values = *record;
  append_gathered(values, &record, number, sink);
}

void ora_table::append_gathered(const udb_record& record, std::unique_ptr<udb_record>* owned,
                                uint32_t number, udb_append_sink& sink) {
  if (schema().empty() || has_query() || record.size() != schema().size()) {
    flush_appends(sink);
    append_one(record, number, &sink);
    return;
  }
  if (batch_size_ == 0) batch_size_ = batch_rows();
  if (batch_size_ <= 1) {
    append_one(record, number, &sink);
    return;
  }
  if (!batch_) {
    if (insert_head_.empty()) prepare_writes();
    batch_ =
        std::make_unique<ora_batch_insert>(name(), schema(), readers(), batch_size_, kBatchBytes);
  }
  literals_.resize(record.size());
  as_is_.assign(record.size(), false);
  // Values whose literal would be their own printed text are gathered as
  // they are; the others through their literals.
  // values: decide per field; else give the fields gathered as they are
  // their literals.
  auto gather = [&](bool values) {
    try {
      for (size_t i = 0; i < record.size(); ++i) {
        if (values) {
          as_is_[i] = binds_as_is(i, record[i]);
          if (!as_is_[i]) value_text_into(i, record[i], literals_[i]);
        } else if (as_is_[i]) {
          value_text_into(i, record[i], literals_[i]);
          as_is_[i] = false;
        }
      }
    } catch (const tk_exception& e) {
      // The records gathered before this one are written (and their failures
      // reported) first, as they would have been one at a time.
      flush_appends(sink);
      if (!sink.append_failed(number, e, record)) throw;
      return false;
    }
    return true;
  };
  auto add = [&] {
    ora_batch_insert::add_result result = batch_->add(record, literals_, number, as_is_, owned);
    if (result == ora_batch_insert::add_result::full) {
      run_batch(&sink);
      result = batch_->add(record, literals_, number, as_is_, owned);
    }
    return result;
  };
  if (!gather(true)) return;
  ora_batch_insert::add_result added = add();
  if (added == ora_batch_insert::add_result::refused &&
      std::find(as_is_.begin(), as_is_.end(), true) != as_is_.end()) {
    // Some value has no bound form of its own: its literal decides.
    if (!gather(false)) return;
    added = add();
  }
  if (added != ora_batch_insert::add_result::added) {
    tk_trace(1, "Record #%d goes the one-record way", number);
    run_batch(&sink);
    append_one(record, number, &sink);
    return;
  }
  if (batch_->is_full()) run_batch(&sink);
}

bool ora_table::binds_as_is(size_t i, const udb_field& field) const {
  const VARTYPE vt = field.get_variant().vt;
  if (vt == VT_NULL || vt == VT_EMPTY || i >= readers().size() || !readers()[i] ||
      readers()[i]->is_lob() || udb_custom_conversion::is_acceptable2(field))
    return false;
  return batch_->binds_value(i, field);
}

void ora_table::flush_appends(udb_append_sink& sink) {
  run_batch(&sink);
}

void ora_table::run_batch(udb_append_sink* sink) {
  if (!batch_ || batch_->empty()) {
    run_updates(sink);
    return;
  }
  // The gathered rows are gone once this returns, also when a report ends
  // the run half-way.
  struct clear_on_exit {
    ora_batch_insert& batch;
    ~clear_on_exit() { batch.clear(); }
  } guard{*batch_};
  // Earlier work of the table is committed first: a batch that fails as a
  // whole is rolled back alone.
  commit_pending();
  std::vector<ora_batch_insert::row_failure> failures;
  std::unique_ptr<ora_exception> statement_error;
  if (batch_->execute(failures, statement_error)) {
    // The batch's commit also made earlier updates and LOB writes permanent.
    pending_commit_ = false;
    uncommitted_updates_ = 0;
    appended_ += static_cast<uint32_t>(batch_->size() - failures.size());
    for (const auto& failure : failures) {
      const udb_record& record = batch_->record(failure.row);
      // A row that is there already may be updated (gathered); any other
      // failure is reported after the updates of the records before it.
      if (failure.error.code() != kUniqueViolated) run_updates(sink);
      if (sink == nullptr ||
          !sink->append_failed(batch_->number(failure.row), failure.error, record))
        throw failure.error;
    }
    run_updates(sink);
    return;
  }
  if (statement_error && is_lock_timeout(statement_error->oracle_error())) {
    // Another session holds the table: each record would wait as long
    // again. They fail with the batch's error, without a retry.
    for (size_t row = 0; row < batch_->size(); ++row)
      if (sink == nullptr ||
          !sink->append_failed(batch_->number(row), *statement_error, batch_->record(row)))
        throw *statement_error;
    return;
  }
  tk_trace(3, "Writing %d records one at a time after: %s", static_cast<int>(batch_->size()),
           statement_error ? statement_error->what() : "");
  for (size_t row = 0; row < batch_->size(); ++row)
    append_one(batch_->record(row), batch_->number(row), sink);
  run_updates(sink);
}

void ora_table::update_literals(const udb_record& record) {
  literals_.resize(record.size());
  for (size_t i = 0; i < record.size(); ++i) {
    // A column the statement does not set needs no literal.
    if (!in_update_key_[i] && !update_columns_.empty() &&
        (i >= update_columns_.size() || !update_columns_[i])) {
      literals_[i].clear();
      continue;
    }
    if (in_update_key_[i]) {
      std::wstring literal = to_oracle_str(&record[i]);
      if (i < readers().size() && is_ora_national(*readers()[i]))
        literal = ora_national_literal(literal);
      literals_[i] = literal;
    } else {
      literals_[i] = value_text(i, record[i]);
    }
  }
}

void ora_table::update_batched(const udb_record& record, uint32_t number, udb_append_sink& sink) {
  update_changed(record, {}, number, sink);
}

void ora_table::update_changed(const udb_record& record, const std::vector<bool>& changed,
                               uint32_t number, udb_append_sink& sink) {
  update_kept(record, changed, number, sink, nullptr);
}

void ora_table::update_owned(std::unique_ptr<udb_record> record, const std::vector<bool>& changed,
                             uint32_t number, udb_append_sink& sink) {
  const udb_record& fields = *record;
  update_kept(fields, changed, number, sink, &record);
}

void ora_table::update_kept(const udb_record& record, const std::vector<bool>& changed,
                            uint32_t number, udb_append_sink& sink,
                            std::unique_ptr<udb_record>* owned) {
  if (changed != update_columns_) {
    run_updates(&sink);
    updates_.reset();
    update_columns_ = changed;
  }
  if (batch_size_ == 0) batch_size_ = batch_rows();
  if (!updates_ && batch_size_ > 1 && !schema().empty() && !has_query() && key_index() >= 0) {
    const udb_index& key = indexes()[static_cast<size_t>(key_index())];
    in_update_key_.assign(schema().size(), false);
    for (size_t i = 0; i < schema().size(); ++i)
      for (const std::wstring& k : key.fields)
        in_update_key_[i] = in_update_key_[i] || k == schema()[i].name;
    updates_ = std::make_unique<ora_batch_insert>(name(), schema(), readers(),
                                                  std::min(batch_size_, kUpdateBatchRows),
                                                  kBatchBytes, in_update_key_, update_columns_);
  }
  if (!updates_ || !updates_->usable() || record.size() != schema().size()) {
    run_updates(&sink);
    udb_recordset::update_batched(record, number, sink);
    return;
  }
  try {
    update_literals(record);
  } catch (const tk_exception& e) {
    run_updates(&sink);
    if (!sink.update_failed(number, e)) throw;
    return;
  }
  ora_batch_insert::add_result added = updates_->add(record, literals_, number, {}, owned);
  if (added == ora_batch_insert::add_result::full) {
    run_updates(&sink);
    added = updates_->add(record, literals_, number, {}, owned);
  }
  if (added != ora_batch_insert::add_result::added) {
    tk_trace(1, "Record #%d is updated the one-record way", number);
    run_updates(&sink);
    udb_recordset::update_batched(record, number, sink);
    return;
  }
  if (updates_->is_full()) run_updates(&sink);
}

void ora_table::run_updates(udb_append_sink* sink) {
  if (!updates_ || updates_->empty()) return;
  struct clear_on_exit {
    ora_batch_insert& batch;
    ~clear_on_exit() { batch.clear(); }
  } guard{*updates_};
  commit_pending();
  std::vector<ora_batch_insert::row_failure> failures;
  std::unique_ptr<ora_exception> statement_error;
  std::vector<size_t> unchecked;
  if (updates_->execute(failures, statement_error, &unchecked)) {
    pending_commit_ = false;
    uncommitted_updates_ = 0;
    // Refused rows and rows whose key may have found nothing, in row order;
    // the latter are updated again one at a time, which reports a key that
    // finds no row.
    size_t f = 0, u = 0;
    while (f < failures.size() || u < unchecked.size()) {
      if (u == unchecked.size() || (f < failures.size() && failures[f].row < unchecked[u])) {
        const auto& failure = failures[f++];
        if (sink == nullptr || !sink->update_failed(updates_->number(failure.row), failure.error))
          throw failure.error;
        continue;
      }
      const size_t row = unchecked[u++];
      try {
        update(updates_->record(row));
      } catch (const tk_exception& e) {
        if (sink == nullptr || !sink->update_failed(updates_->number(row), e)) throw;
      }
    }
    return;
  }
  tk_trace(3, "Updating %d records one at a time after: %s", static_cast<int>(updates_->size()),
           statement_error ? statement_error->what() : "");
  for (size_t row = 0; row < updates_->size(); ++row) {
    try {
      update(updates_->record(row));
    } catch (const tk_exception& e) {
      if (sink == nullptr || !sink->update_failed(updates_->number(row), e)) throw;
    }
  }
}

void ora_table::update(const udb_record& record) {
  tk_trace(2, "ora_table::update");
  if (key_index() < 0) {
    tk_trace(2, "Missing primary/unique key");
    return;
  }
  const udb_index& key = indexes()[static_cast<size_t>(key_index())];
  ora_fn_validator validator(record, db_.max_identifier_bytes());
  std::wstring set, condition;
  for (size_t i = 0; i < record.size(); ++i) {
    const udb_field& field = record[i];
    // The column at the record's position is the one the INSERT wrote;
    // beyond the schema the field's own name is made acceptable.
    std::wstring name;
    if (i < schema().size()) {
      name = schema()[i].name;
    } else {
      name = field.name;
      if (db_.uppercase()) name = tk_wstring(name).to_upper();
      if (!validator.is_acceptable(name)) name = validator.get_safe_name(name);
    }
    tk_wtrace(1, L"Got mappend fn: %s", name);
    bool in_key = false;
    for (const std::wstring& k : key.fields) in_key = in_key || k == name;
    if (in_key) {
      tk_wtrace(1, L"Field %s is a part of UKey", name);
      if (!condition.empty()) condition += L" AND ";
      std::wstring literal = to_oracle_str(&field);
      if (i < readers().size() && is_ora_national(*readers()[i]))
        literal = ora_national_literal(literal);
      // A quoted literal is CHAR and meets a CHAR key blank-padded; the
      // national form (UNISTR) is NVARCHAR2, which would compare the
      // column's padding too.
      if (i < readers().size() && readers()[i]->data_type() == SQLT_AFC &&
          (literal.empty() || literal[0] != L'\''))
        condition += L"RTRIM(\"" + name + L"\")=RTRIM(" + literal + L")";
      else
        condition += L"\"" + name + L"\"=" + literal;
    } else {
      tk_wtrace(1, L"Field %s is NOT a part of UKey", name);
      if (!set.empty()) set += L", ";
      set += L"\"" + name + L"\"=" + value_text(i, field);
    }
  }
  if (condition.empty()) {
    tk_trace(2, "Missing primary/unique key");
    return;
  }
  if (set.empty()) return;  // every column is a key column: nothing to change
  const std::wstring sql = L"UPDATE \"" + name() + L"\" SET " + set + L" WHERE " + condition;
  tk_wtrace(2, L"UPDATE QUERY: %s", sql);
  ora_stmt stmt;
  stmt.prepare(sql);
  stmt.execute(1, OCI_DEFAULT);
  ub4 updated = 0;
  check_oci_status(oci_api().OCIAttrGet(stmt.handle(), OCI_HTYPE_STMT, &updated, nullptr,
                                        OCI_ATTR_ROW_COUNT, ora_engine::instance().err()),
                   "OCIAttrGet");
  // The record came here because its key is there already (ORA-00001); a
  // key that finds no row means that some other unique key refused it, and
  // the record is neither inserted nor updated.
  if (updated == 0)
    throw ora_exception(kNoRowFound, "ORA-01403: no data found: no row of \"" + tk_to_utf8(name()) +
                                         "\" has the key of the record, which was not written");
  pending_commit_ = true;
  // LOB columns were set empty; their contents go through locators, since a
  // literal longer than 4000 bytes is refused (ORA-01704).
  if (!lobs_) lobs_ = std::make_unique<ora_lob_insert>(name(), readers());
  if (lobs_->has_lobs()) lobs_->write(condition, record);
  // A run that updates every row (synchronizing an unchanged table) commits
  // as often as appending would, instead of holding every row lock until
  // the table is closed.
  static const size_t commit_every = std::max<size_t>(batch_rows(), kUpdateCommitRows);
  if (++uncommitted_updates_ >= commit_every) {
    uncommitted_updates_ = 0;
    pending_commit_ = false;
    db_.commit();
  }
}

void ora_table::reset_not_null_flag(size_t column) {
  tk_trace(2, "ora_table::reset_not_null_flag(%d)", column);
  TK_ASSERT(column < schema().size());
  t_ftd& col = schema()[column];
  // Only the nullability changes: restating the type would change it for a
  // column of an existing table whose type reads back differently
  // (NUMBER(19,0) reads as VT_I4), and Oracle refuses that on a column that
  // holds values. The column keeps its default.
  const std::wstring sql = L"ALTER TABLE \"" + name() + L"\" MODIFY \"" + col.name + L"\" NULL";
  tk_wtrace(3, L"Run SQL query: %s\n", sql);
  ora_stmt stmt;
  stmt.prepare(sql);
  stmt.execute(1, OCI_COMMIT_ON_SUCCESS);
  col.b_not_null = false;
}

bool ora_table::is_eof() {
  tk_trace(2, "ora_table::is_eof(%d,%d)", current_row_, rows_);
  TK_ASSERT(is_executed());
  if (current_row_ >= rows_) return true;
  tk_trace(1, "Step #1");
  ora_query_results::is_eof();
  tk_trace(1, "Step #2");
  fetched_ = true;
  return false;
}

void ora_table::next() {
  tk_trace(2, "ora_table::next");
  ++current_row_;
}
