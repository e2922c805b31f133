// The in-memory databases and recordsets of the driver tests.
#include "memory_databases.h"

#include <algorithm>

#include "TK/tk_compare.h"
#include "TK/tk_exception.h"
#include "TK/tk_format.h"
#include "TK/tk_text.h"

namespace {

std::string narrow(const std::wstring& s) {
  return tk_to_utf8(s);
}

class logging_validator : public udb_validator {
 public:
  logging_validator(const std::string& what, event_log& log)
      : udb_validator(30), what_(what), log_(log) {
    log_.push_back("+" + what_);
  }
  ~logging_validator() override { log_.push_back("-" + what_); }

 private:
  std::string what_;
  event_log& log_;
};

class mem_source_recordset : public udb_recordset {
 public:
  mem_source_recordset(const std::wstring& name, const std::wstring& sql, const mem_table& t,
                       event_log& log)
      : udb_recordset(name, sql, true), table_(t), log_(log) {
    for (const column_spec& c : t.columns)
      schema().add(std::make_unique<t_ftd>(c.size, c.name, c.vt, false, false, ole_variant(), 0));
    for (const udb_index& i : t.indexes) add_index(i);
    set_records_count(t.announced >= 0 ? static_cast<uint32_t>(t.announced)
                                       : static_cast<uint32_t>(t.rows.size()));
  }
  ~mem_source_recordset() override { log_.push_back("close src " + narrow(name())); }

  void append_record(const udb_record&) override { TK_FAIL(); }
  udb_record* get_item() override {
    record_ = std::make_unique<udb_record>();
    const row& r = table_.rows.at(pos_);
    for (size_t i = 0; i < r.size(); ++i)
      record_->add(std::make_unique<udb_field>(table_.columns.at(i).name, 50, ole_variant(r[i]),
                                               false, false));
    return record_.get();
  }
  bool is_eof() override { return pos_ >= table_.rows.size(); }
  void next() override {
    if (static_cast<int>(pos_) == table_.fail_read_at)
      throw tk_exception("Cannot read the next record", 0x10000 + 3021, 0);
    ++pos_;
  }
  void move_first() override {
    log_.push_back("move_first " + narrow(name()));
    pos_ = 0;
  }

 private:
  const mem_table& table_;
  event_log& log_;
  size_t pos_ = 0;
  std::unique_ptr<udb_record> record_;
};

class mem_source_db : public udb_database {
 public:
  mem_source_db(const std::wstring& path, uint32_t mode, const mem_source_setup& setup,
                event_log& log)
      : udb_database(path, mode, false), setup_(setup), log_(log) {
    for (const auto& t : setup.tables) tables_.push_back(t.first);
  }
  ~mem_source_db() override { log_.push_back("close source"); }

  std::unique_ptr<udb_recordset> create_table(const std::wstring&, const udb_schema&,
                                              const udb_indexes&) override {
    TK_FAIL();
  }
  std::unique_ptr<udb_recordset> get_table(const std::wstring& name, int32_t flag) override {
    log_.push_back(tk_format("get_table %s %d", name, flag));
    for (const auto& [n, t] : setup_.tables)
      if (tk_wcs_equal_nocase(n, name))
        return t.system ? nullptr : std::make_unique<mem_source_recordset>(name, L"", t, log_);
    return nullptr;
  }
  std::unique_ptr<udb_recordset> get_query(const std::wstring& name, const std::wstring& sql,
                                           int32_t flag) override {
    log_.push_back(tk_format("get_query %s %d", name, flag));
    const auto it = setup_.queries.find(sql);
    if (it == setup_.queries.end()) return nullptr;
    return std::make_unique<mem_source_recordset>(name, sql, it->second, log_);
  }
  bool test_query(const std::wstring& sql) override { return setup_.queries.count(sql) != 0; }

 private:
  const mem_source_setup& setup_;
  event_log& log_;
};

}  // namespace

mem_source_engine::mem_source_engine(const mem_source_setup& setup, event_log& log)
    : setup_(setup), log_(log) {
  log_.push_back("+engine");
}

mem_source_engine::~mem_source_engine() {
  log_.push_back("-engine");
}

bool mem_source_engine::set_version_if(int32_t key) {
  log_.push_back(tk_format("version %d", key));
  return setup_.loadable_versions.count(key) != 0;
}

void mem_source_engine::set_ugl_info(const std::wstring& system_db, const std::wstring& user,
                                     const std::wstring& password) {
  log_.push_back(tk_format("ugl %s,%s,%s", system_db, user, password));
}

void mem_source_engine::set_anonymous_sys_db() {
  log_.push_back("anonymous");
}

std::unique_ptr<udb_database> mem_source_engine::open_db(const std::wstring& path, int32_t mode,
                                                         const std::wstring& password) {
  log_.push_back(tk_format("open %s mode=%d pw=%s", path, mode, password));
  return std::make_unique<mem_source_db>(path, static_cast<uint32_t>(mode), setup_, log_);
}

class mem_dest_table : public udb_recordset {
 public:
  mem_dest_table(mem_destination& db, const std::wstring& name)
      : udb_recordset(name, true), db_(db), table_(db.data_.at(name)) {
    for (const column_spec& c : table_.columns)
      schema().add(std::make_unique<t_ftd>(c.size, c.name, c.vt, false, false, ole_variant(), 0));
  }
  ~mem_dest_table() override { db_.log_.push_back("close dst " + narrow(name())); }

  void append_record(const udb_record& record) override {
    if (db_.on_append) db_.on_append(record);
    const row r = values(record);
    if (contains(r, db_.bad_value))
      throw tk_exception("ORA-01438: value larger than specified precision", kOraTooLarge, 0);
    if (find(r[0]) != table_.rows.end())
      throw tk_exception("ORA-00001: unique constraint violated", kOraDuplicateKey, 0);
    table_.rows.push_back(r);
  }
  void update(const udb_record& record) override {
    const row r = values(record);
    if (contains(r, db_.bad_update))
      throw tk_exception("ORA-01438: value larger than specified precision", kOraTooLarge, 0);
    *find(r[0]) = r;
  }

 private:
  static row values(const udb_record& record) {
    row r;
    for (size_t i = 0; i < record.size(); ++i) r.push_back(record[i].to_wstring());
    return r;
  }
  static bool contains(const row& r, const std::wstring& v) {
    return !v.empty() && std::find(r.begin(), r.end(), v) != r.end();
  }
  std::vector<row>::iterator find(const std::wstring& key) {
    return std::find_if(table_.rows.begin(), table_.rows.end(),
                        [&](const row& r) { return r.at(0) == key; });
  }

  mem_destination& db_;
  mem_table& table_;
};

mem_destination::mem_destination(event_log& log) : udb_destination(L"XE", 1, true), log_(log) {}

mem_destination::~mem_destination() {
  log_.push_back("close destination");
}

void mem_destination::add_existing(const std::wstring& name, const mem_table& table) {
  data_[name] = table;
  tables_.push_back(name);
}

std::unique_ptr<udb_recordset> mem_destination::create_table(const std::wstring& name,
                                                             const udb_schema& schema,
                                                             const udb_indexes& indexes) {
  log_.push_back(tk_format("create %s indexes=%d", name, indexes.size()));
  if (failing_creates.count(name))
    throw tk_exception("ORA-00955: name is already used by an existing object", kOraNameUsed, 0);
  TK_ASSERT(!is_table_exist(name));
  mem_table& t = data_[name];
  for (const t_ftd* f : schema.fields()) t.columns.push_back({f->name, f->vartype, f->size});
  t.indexes.assign(indexes.begin(), indexes.end());
  tables_.push_back(name);
  return std::make_unique<mem_dest_table>(*this, name);
}

bool mem_destination::delete_tab(const std::wstring& name) {
  log_.push_back("drop " + narrow(name));
  if (busy_tables.count(name))
    throw tk_exception("ORA-00054: resource busy and acquire with NOWAIT specified", kOraBusy, 0);
  data_.erase(name);
  return udb_database::delete_tab(name);
}

std::unique_ptr<udb_recordset> mem_destination::get_table(const std::wstring& name,
                                                          int32_t open_flag) {
  log_.push_back(tk_format("open dst %s %d", name, open_flag));
  TK_ASSERT(is_table_exist(name));
  // Opened for appending, a table that another session holds is busy.
  if (open_flag == 8 && busy_tables.count(name))
    throw tk_exception("ORA-00054: resource busy and acquire with NOWAIT specified", kOraBusy, 0);
  return std::make_unique<mem_dest_table>(*this, name);
}

void mem_destination::set_uppercase(bool uppercase) {
  log_.push_back(tk_format("uppercase=%d", uppercase ? 1 : 0));
  uppercase_ = uppercase;
}

std::unique_ptr<udb_validator> mem_destination::create_index_name_validator() {
  return std::make_unique<logging_validator>("index names", log_);
}

// Oracle-like table names: at most 30 characters, no blanks, TABLE reserved;
// the run's source tables and the existing tables are taken.
std::unique_ptr<udb_validator> mem_destination::create_table_name_validator(
    const std::vector<std::wstring>& source_tables,
    const std::vector<std::wstring>& destination_tables) {
  auto v = std::make_unique<logging_validator>("table names", log_);
  v->illegal_chars() = {L' '};
  v->restricted() = {L"TABLE"};
  v->used_names() = source_tables;
  v->used_names().insert(v->used_names().end(), destination_tables.begin(),
                         destination_tables.end());
  return v;
}
