// ora_schema_initializer: destination columns, CREATE TABLE, the sequence
// and the trigger of an auto-increment column.
#include "ORA/ora_schema_initializer.h"

#include "ORA/oci/oci_library.h"
#include "ORA/ora_charset.h"
#include "ORA/ora_database.h"
#include "ORA/ora_exception.h"
#include "ORA/ora_stmt.h"
#include "ORA/ora_util.h"
#include "ORA/ora_validator.h"
#include "TK/tk_text.h"
#include "TK/tk_trace.h"
#include "TK/tk_wstring.h"
#include "UDB/udb_custom_conversion.h"

namespace {
// Oracle errors met while creating the sequence and the trigger.
constexpr int32_t kNameUsed = 955;
constexpr int32_t kNoPrivilege = 1031;
constexpr int32_t kTriggerOnOtherTable = 4095;
// Candidates tried for a sequence and a trigger name.
constexpr int kNameCandidates = 100;
// Sequence names take the table name, less its last two characters when it
// is longer than this (room for "_" and a digit within 30).
constexpr size_t kSequenceBaseChars = 28;

const char* const kNoSequencePrivilege =
    "Insufficient privileges to create sequence.\nAuto increment will not be converted.";

size_t utf8_bytes(const std::wstring& text) {
  return tk_to_utf8(text).size();
}
}  // namespace

ora_schema_initializer::ora_schema_initializer(const std::wstring& table_name,
                                               const udb_schema& source_fields, const udb_indexes&,
                                               bool upper_case, size_t max_name_bytes)
    : table_(table_name), upper_case_(upper_case) {
  tk_trace(2, "ora_schema_initializer::ctor");
  ora_fn_validator validator(source_fields, max_name_bytes);
  for (const t_ftd* source : source_fields.fields()) {
    std::wstring name = source->name;
    if (upper_case_) name = tk_wstring(name).to_upper();
    if (!validator.is_acceptable(name)) name = validator.get_safe_name(name);
    // Quoted names compare exactly: two source columns that fold to one
    // name would make CREATE TABLE fail (ORA-00957) and lose the table.
    for (const std::wstring& given : given_names_) {
      if (given == name) {
        validator.used_names().push_back(name);
        name = validator.get_safe_name(name);
        break;
      }
    }
    const bool autoinc = source->b_autoincrement;
    t_ftd& dest = schema_.add(std::make_unique<t_ftd>(
        source->size, name, source->vartype, autoinc ? false : source->b_not_null, autoinc,
        autoinc ? ole_variant() : source->def_value, source->extra));
    if (dest.name != source->name) {
      tk_wtrace(2, L"Store generated column name '%s'", dest.name);
      generated_names_.push_back(dest.name);
      validator.add_mapped_pair(source->name, dest.name);
      column_map_.add(source->name, dest.name);
    }
    given_names_.push_back(dest.name);
    validator.used_names().push_back(dest.name);
    if (autoinc) autoincrement_ = dest.name;
  }
}

std::wstring ora_schema_initializer::create_table_sql() const {
  std::wstring sql = L"CREATE TABLE \"" + table_ + L"\" (";
  for (size_t i = 0; i < schema_.size(); ++i) {
    const t_ftd& col = schema_[i];
    if (i > 0) sql += L", ";
    sql += L"\"" + col.name + L"\" ";
    sql += udb_custom_conversion::is_acceptable1(col) ? udb_custom_conversion::handle1(col)
                                                      : get_native_type(col);
    const bool lob = is_ora_lob_column(col);
    std::wstring def = make_ora_def_val(&col);
    // Text columns are NVARCHAR2: their defaults take the national path.
    if (col.vartype == VT_BSTR && !udb_custom_conversion::is_acceptable1(col))
      def = ora_national_literal(def);
    if (!def.empty() && !lob) {
      tk_wtrace(1, L"got def value: %s", def);
      sql += L" DEFAULT " + def;
    }
    if (col.b_not_null && !lob) sql += L" NOT NULL";
  }
  return sql + primary_key_ + L")";
}

void ora_schema_initializer::set_primary_key(const std::wstring& name,
                                             const std::vector<std::wstring>& columns) {
  primary_key_ = L", CONSTRAINT \"" + name + L"\" PRIMARY KEY (";
  for (size_t i = 0; i < columns.size(); ++i) {
    if (i > 0) primary_key_ += L", ";
    primary_key_ += L"\"" + columns[i] + L"\"";
  }
  primary_key_ += L")";
}

void ora_schema_initializer::get_init_str(ora_database& db) {
  tk_trace(2, "ora_schema_initializer::get_init_str(n_columns=%d)", schema_.size());
  db.query(create_table_sql());
  create_counter(db);
}

void ora_schema_initializer::create_counter(ora_database& db) {
  if (autoincrement_.empty()) return;
  std::wstring sequence;
  try {
    sequence = create_sequence(db);
  } catch (const tk_exception& e) {
    if (dynamic_cast<const ora_exception*>(&e) != nullptr) throw;
    // The privileges message: the table is kept and completed first.
    deferred_ = e;
    return;
  }
  if (sequence.empty()) {
    tk_trace(2, "Failed to create a sequence");
    return;
  }
  create_trigger(db, sequence);
}

void ora_schema_initializer::raise_deferred_error() {
  if (deferred_) {
    const tk_exception e = *deferred_;
    deferred_.reset();
    throw e;
  }
}

std::wstring ora_schema_initializer::fit_name(const std::wstring& base, const std::wstring& suffix,
                                              size_t limit) {
  std::wstring cut = base;
  const size_t suffix_bytes = utf8_bytes(suffix);
  while (!cut.empty() && utf8_bytes(cut) + suffix_bytes > limit) cut.pop_back();
  return cut + suffix;
}

std::wstring ora_schema_initializer::sequence_name(const std::wstring& table, int i, size_t limit) {
  std::wstring base = table;
  if (base.size() > kSequenceBaseChars) base.resize(base.size() - 2);
  return fit_name(base, L"_" + std::to_wstring(i), limit);
}

std::wstring ora_schema_initializer::trigger_name(const std::wstring& table, int i, size_t limit) {
  const std::wstring suffix = (i == 0 ? std::wstring() : L"_" + std::to_wstring(i)) + L"__TRIGGER";
  return fit_name(table, suffix, limit);
}

bool ora_schema_initializer::is_sequence_name(const std::wstring& table, const std::wstring& name,
                                              size_t limit) {
  for (int i = 0; i < kNameCandidates; ++i) {
    if (sequence_name(table, i, limit) == name) return true;
  }
  return false;
}

bool ora_schema_initializer::is_trigger_name(const std::wstring& table, const std::wstring& name,
                                             size_t limit) {
  for (int i = 0; i < kNameCandidates; ++i) {
    if (trigger_name(table, i, limit) == name) return true;
  }
  return false;
}

std::wstring ora_schema_initializer::create_sequence(ora_database& db) {
  tk_trace(2, "ora_schema_initializer::create_sequence");
  for (int i = 0; i < kNameCandidates; ++i) {
    const std::wstring name = sequence_name(table_, i, db.max_identifier_bytes());
    try {
      db.query(L"CREATE SEQUENCE \"" + name +
               L"\" INCREMENT BY 1 START WITH 1 MAXVALUE 9999999999999999999999999999 MINVALUE 1 "
               L"NOCYCLE NOCACHE ORDER");
      return name;
    } catch (const ora_exception& e) {
      if (e.oracle_error() == kNameUsed) continue;
      if (e.oracle_error() == kNoPrivilege) throw tk_exception(kNoSequencePrivilege, 0, 0);
      throw;
    }
  }
  return L"";
}

std::wstring ora_schema_initializer::trigger_sql(const std::wstring& trigger,
                                                 const std::wstring& sequence) const {
  const std::wstring c = L"\"" + autoincrement_ + L"\"";
  return L"CREATE OR REPLACE TRIGGER \"" + trigger + L"\" BEFORE INSERT ON \"" + table_ +
         L"\" FOR EACH ROW WHEN (new." + c + L" IS NULL) BEGIN select \"" + sequence +
         L"\".nextval into :new." + c + L" from dual; END;";
}

void ora_schema_initializer::create_trigger(ora_database& db, const std::wstring& sequence) {
  // Cut names of two long tables may meet: a trigger of that name on
  // another table takes the next numbered name.
  for (int i = 0; i < kNameCandidates; ++i) {
    const std::wstring name = trigger_name(table_, i, db.max_identifier_bytes());
    try {
      ora_stmt stmt;
      stmt.prepare(trigger_sql(name, sequence));
      if (stmt.execute(1, OCI_DEFAULT) == OCI_SUCCESS_WITH_INFO)
        tk_wtrace(3, L"Trigger '%s' was created with compilation errors", name);
      return;
    } catch (const ora_exception& e) {
      if (e.oracle_error() == kTriggerOnOtherTable) continue;
      tk_trace(2, "Error while creating index for trigger:\n%s\n", e.what());
      return;
    }
  }
}
