// Staging and running Access SQL in SQLite (see sql_engine.h).
#include "access/dao/sql/sql_engine.h"

#include <sqlite3.h>

#include <chrono>
#include <cstdio>
#include <cstring>

#include "TK/tk_text.h"
#include "TK/tk_trace.h"
#include "access/dao/jet_cursor.h"
#include "access/dao/jet_file.h"
#include "access/dao/sql/sql_decimal.h"
#include "access/dao/sql/sql_errors.h"
#include "access/dao/sql/sql_functions.h"
#include "access/dao/sql/sql_types.h"

namespace {

struct db_closer {
  void operator()(sqlite3* db) const { sqlite3_close(db); }
};
struct stmt_finalizer {
  void operator()(sqlite3_stmt* s) const { sqlite3_finalize(s); }
};
using db_ptr = std::unique_ptr<sqlite3, db_closer>;
using stmt_ptr = std::unique_ptr<sqlite3_stmt, stmt_finalizer>;

// An SQLite error as the DAO error it stands for.
jet_failure failure_of(sqlite3* db, bool preparing) {
  const std::string message = sqlite3_errmsg(db);
  if (message.rfind("jet:", 0) == 0) {
    const size_t colon = message.find(':', 4);
    const int number = std::atoi(message.c_str() + 4);
    if (colon != std::string::npos && number > 0)
      return jet_failure(number, message.substr(colon + 1));
  }
  tk_trace(1, "SQLite: %s", message.c_str());
  if (message.find("too many") != std::string::npos ||
      message.find("too large") != std::string::npos ||
      message.find("too big") != std::string::npos || message.find("depth") != std::string::npos ||
      sqlite3_errcode(db) == SQLITE_NOMEM)
    return sql_errors::too_complex();
  return sql_errors::evaluation(preparing ? "query cannot be run: " + message : message);
}

const char* declared_type(int16_t type) {
  switch (sql_rep_of(type)) {
    case sql_rep::boolean:
    case sql_rep::integer:
    case sql_rep::currency:
      return "INTEGER";
    case sql_rep::real:
    case sql_rep::date:
      return "REAL";
    case sql_rep::text:
      return "TEXT COLLATE ACC";
    case sql_rep::decimal:
      return "TEXT COLLATE ACCDEC";
    default:
      return "BLOB";
  }
}

void exec(sqlite3* db, const std::string& sql) {
  char* error = nullptr;
  if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
    const std::string message = error ? error : "";
    sqlite3_free(error);
    throw sql_errors::evaluation(message);
  }
}

// A private in-memory database with the functions and the empty staging tables.
db_ptr open_staging(const sql_plan& plan) {
  sqlite3* raw = nullptr;
  if (sqlite3_open_v2(":memory:", &raw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) !=
      SQLITE_OK) {
    sqlite3_close(raw);
    throw std::bad_alloc();
  }
  db_ptr db(raw);
  if (!sql_register_functions(raw)) throw sql_errors::evaluation("cannot register functions");
  sqlite3_limit(raw, SQLITE_LIMIT_SQL_LENGTH, 100000000);
  exec(raw, "PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF; PRAGMA temp_store=MEMORY;");
  for (const sql_load& load : plan.loads) {
    std::string create = "CREATE TABLE " + load.sqlite_name + " (";
    for (size_t i = 0; i < load.columns.size(); ++i)
      create +=
          (i ? ", c" : "c") + std::to_string(load.columns[i]) + " " + declared_type(load.types[i]);
    if (load.columns.empty()) create += "_ INTEGER";
    exec(raw, create + ")");
  }
  return db;
}

stmt_ptr prepare(sqlite3* db, const std::string& sql) {
  sqlite3_stmt* raw = nullptr;
  if (sqlite3_prepare_v2(db, sql.c_str(), int(sql.size()), &raw, nullptr) != SQLITE_OK) {
    sqlite3_finalize(raw);
    throw failure_of(db, true);
  }
  return stmt_ptr(raw);
}

void bind(sqlite3_stmt* insert, int index, const jet_value& v, sqlite3* db) {
  int rc = SQLITE_OK;
  switch (v.kind) {
    case jet_kind::null:
      rc = sqlite3_bind_null(insert, index);
      break;
    case jet_kind::boolean:
      rc = sqlite3_bind_int(insert, index, v.i64 ? -1 : 0);
      break;
    case jet_kind::byte:
    case jet_kind::int16:
    case jet_kind::int32:
    case jet_kind::int64:
    case jet_kind::currency:
      rc = sqlite3_bind_int64(insert, index, v.i64);
      break;
    case jet_kind::single:
    case jet_kind::real:
    case jet_kind::date:
      rc = sqlite3_bind_double(insert, index, v.f64);
      break;
    case jet_kind::text:
      rc = sqlite3_bind_text16(insert, index, v.text.data(), int(v.text.size() * 2),
                               SQLITE_TRANSIENT);
      break;
    case jet_kind::ext_date: {
      // Date/Time Extended in a query: its text to the 100 ns.
      constexpr int64_t kTicksPerDay = 864000000000, kDays0001To1970 = 719162;
      const std::chrono::year_month_day day{
          std::chrono::sys_days{std::chrono::days{v.i64 / kTicksPerDay - kDays0001To1970}}};
      const int64_t t = v.i64 % kTicksPerDay;
      char text[48];
      std::snprintf(text, sizeof text, "%04d-%02u-%02u %02d:%02d:%02d.%07d", int(day.year()),
                    unsigned(day.month()), unsigned(day.day()), int(t / 36000000000),
                    int(t / 600000000 % 60), int(t / 10000000 % 60), int(t % 10000000));
      rc = sqlite3_bind_text(insert, index, text, -1, SQLITE_TRANSIENT);
      break;
    }
    case jet_kind::binary:
    case jet_kind::guid:
      rc = sqlite3_bind_blob(insert, index, v.bytes.data(), int(v.bytes.size()), SQLITE_TRANSIENT);
      break;
    case jet_kind::decimal: {
      sql_decimal d;
      d.m = (__int128(v.dec_hi) << 64) | v.dec_lo;
      if (v.dec_negative) d.m = -d.m;
      d.scale = v.dec_scale;
      const std::string text = sql_dec_format(d);
      rc = sqlite3_bind_text(insert, index, text.data(), int(text.size()), SQLITE_TRANSIENT);
      break;
    }
  }
  if (rc != SQLITE_OK) throw failure_of(db, false);
}

void load_table(sqlite3* db, const jet_file& file, const sql_load& load) {
  const jet_object* object = file.find_table(load.table);
  if (!object) throw jet_errors::input_not_found(tk_utf16_to_utf8(load.table));
  const jet_table table(file, object->tdef_page(), object->name);
  std::string sql = "INSERT INTO " + load.sqlite_name + " VALUES (";
  const size_t n = load.columns.empty() ? 1 : load.columns.size();
  for (size_t i = 0; i < n; ++i) sql += i ? ",?" : "?";
  stmt_ptr insert = prepare(db, sql + ")");
  jet_cursor cursor(file, table);
  jet_value value;
  uint64_t rows = 0;
  while (cursor.next()) {
    for (size_t i = 0; i < load.columns.size(); ++i) {
      if (load.columns[i] >= table.columns().size()) throw sql_errors::evaluation("column moved");
      cursor.value(load.columns[i], value);
      // A complex column keeps a key into its hidden table, no value of a
      // query (its values are read as a table of their own).
      if (table.columns()[load.columns[i]].type == JET_COMPLEX) value.set_null();
      bind(insert.get(), int(i + 1), value, db);
    }
    if (load.columns.empty()) sqlite3_bind_null(insert.get(), 1);
    if (sqlite3_step(insert.get()) != SQLITE_DONE) throw failure_of(db, false);
    sqlite3_reset(insert.get());
    ++rows;
  }
  // A query over a table that lost rows to damage would answer wrongly
  // (counts, sums) without a word: it fails instead.
  const std::string loss = cursor.loss_report();
  if (!loss.empty()) throw jet_failure(JET_ERR_CORRUPT, tk_utf16_to_utf8(load.table) + ": " + loss);
  tk_trace(1, "Staged %s rows of %s (%s columns)", std::to_string(rows).c_str(),
           tk_utf16_to_utf8(load.table).c_str(), std::to_string(load.columns.size()).c_str());
}

class file_catalog : public sql_catalog {
 public:
  explicit file_catalog(const jet_file& file) : file_(file) {}

  const sql_catalog_table* table(const std::u16string& name) override {
    for (const auto& t : cache_)
      if (jet_same_name(t->name, name)) return t.get();
    const jet_object* object = file_.find_table(name);
    if (!object) return nullptr;
    if (object->type == JET_OBJECT_LINKED_TABLE)
      throw jet_errors::file_not_found(tk_utf16_to_utf8(object->database));
    if (object->type == JET_OBJECT_ODBC_LINK)
      throw jet_errors::odbc_failed(tk_utf16_to_utf8(object->connect));
    auto t = std::make_unique<sql_catalog_table>();
    t->name = object->name;
    const jet_table table(file_, object->tdef_page(), object->name);
    for (const jet_column& c : table.columns())
      t->columns.push_back(dao_describe_column(file_, *object, c));
    cache_.push_back(std::move(t));
    return cache_.back().get();
  }

  std::optional<std::u16string> query(const std::u16string& name) override {
    return sql_stored_query_text(file_, name);
  }

  std::vector<std::pair<std::string, std::u16string>> pivot_values(const sql_plan& plan) override {
    db_ptr db = open_staging(plan);
    exec(db.get(), "BEGIN");
    for (const sql_load& l : plan.loads) load_table(db.get(), file_, l);
    exec(db.get(), "COMMIT");
    stmt_ptr stmt = prepare(db.get(), plan.sqlite);
    std::vector<std::pair<std::string, std::u16string>> out;
    for (;;) {
      const int rc = sqlite3_step(stmt.get());
      if (rc == SQLITE_DONE) break;
      if (rc != SQLITE_ROW) throw failure_of(db.get(), false);
      const auto* literal = sqlite3_column_text(stmt.get(), 0);
      const auto* name = static_cast<const char16_t*>(sqlite3_column_text16(stmt.get(), 1));
      out.emplace_back(literal ? reinterpret_cast<const char*>(literal) : "NULL",
                       name
                           ? std::u16string(name, size_t(sqlite3_column_bytes16(stmt.get(), 1)) / 2)
                           : std::u16string());
    }
    return out;
  }

 private:
  const jet_file& file_;
  std::vector<std::unique_ptr<sql_catalog_table>> cache_;
};

class query_rows : public dao_row_source {
 public:
  query_rows(std::shared_ptr<jet_file> file, std::shared_ptr<const sql_plan> plan)
      : file_(std::move(file)), plan_(std::move(plan)) {}

  const std::vector<dao_field_info>& fields() const override { return plan_->fields; }

  void rewind() override {
    load();
    sqlite3_reset(stmt_.get());
  }

  bool next() override {
    load();
    const int rc = sqlite3_step(stmt_.get());
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    throw failure_of(db_.get(), false);
  }

  void value(size_t field, jet_value& out) const override {
    sqlite3_stmt* s = stmt_.get();
    const int i = int(field);
    if (!s || field >= plan_->fields.size() || sqlite3_column_type(s, i) == SQLITE_NULL)
      return out.set_null();
    const int storage = sqlite3_column_type(s, i);
    const int16_t type = plan_->fields[field].type;
    const sql_rep rep = sql_rep_of(type);
    if (storage == SQLITE_TEXT && rep != sql_rep::text && rep != sql_rep::decimal) {
      return text(s, i, out);
    }
    switch (rep) {
      case sql_rep::boolean:
        out.kind = jet_kind::boolean;
        out.i64 = sqlite3_column_int64(s, i) != 0;
        return;
      case sql_rep::integer:
      case sql_rep::currency:
        if (storage == SQLITE_FLOAT) {
          out.kind = jet_kind::real;
          out.f64 = sqlite3_column_double(s, i);
          if (rep == sql_rep::currency) out.f64 /= 10000.0;
          return;
        }
        out.i64 = sqlite3_column_int64(s, i);
        if (rep == sql_rep::currency)
          out.kind = jet_kind::currency;
        else if (type == SQL_BYTE && out.i64 >= 0 && out.i64 <= 255)
          out.kind = jet_kind::byte;
        else if (type == SQL_INTEGER && out.i64 >= -32768 && out.i64 <= 32767)
          out.kind = jet_kind::int16;
        else if (type != SQL_BIGINT && out.i64 >= INT32_MIN && out.i64 <= INT32_MAX)
          out.kind = jet_kind::int32;
        else if (type == SQL_BIGINT)
          out.kind = jet_kind::int64;
        else {
          out.kind = jet_kind::real;  // beyond Long: the engine widens to Double
          out.f64 = double(out.i64);
        }
        return;
      case sql_rep::real:
        out.kind = type == SQL_SINGLE ? jet_kind::single : jet_kind::real;
        out.f64 = sqlite3_column_double(s, i);
        if (type == SQL_SINGLE) out.f64 = double(float(out.f64));
        return;
      case sql_rep::date:
        out.kind = jet_kind::date;
        out.f64 = sqlite3_column_double(s, i);
        return;
      case sql_rep::decimal: {
        const unsigned char* t = sqlite3_column_text(s, i);
        auto d = sql_dec_parse(t ? reinterpret_cast<const char*>(t) : "");
        if (!d) {
          out.kind = jet_kind::real;
          out.f64 = sqlite3_column_double(s, i);
          return;
        }
        const __int128 m = d->m < 0 ? -d->m : d->m;
        out.kind = jet_kind::decimal;
        out.dec_negative = d->m < 0;
        out.dec_scale = uint8_t(d->scale);
        out.dec_hi = uint32_t(uint64_t(m >> 64));
        out.dec_lo = uint64_t(m);
        out.dec_overflow = (m >> 96) != 0;
        return;
      }
      case sql_rep::blob: {
        if (storage != SQLITE_BLOB) return text(s, i, out);
        out.kind = type == SQL_GUID ? jet_kind::guid : jet_kind::binary;
        const auto* p = static_cast<const uint8_t*>(sqlite3_column_blob(s, i));
        out.bytes.assign(p, p + sqlite3_column_bytes(s, i));
        return;
      }
      default:
        return text(s, i, out);
    }
  }

 private:
  static void text(sqlite3_stmt* s, int i, jet_value& out) {
    const void* p = sqlite3_column_text16(s, i);
    const int bytes = sqlite3_column_bytes16(s, i);
    out.kind = jet_kind::text;
    out.text.assign(static_cast<const char16_t*>(p), size_t(bytes) / 2);
  }

  void load() {
    if (stmt_) return;
    db_ = open_staging(*plan_);
    exec(db_.get(), "BEGIN");
    for (const sql_load& l : plan_->loads) load_table(db_.get(), *file_, l);
    exec(db_.get(), "COMMIT");
    stmt_ = prepare(db_.get(), plan_->sqlite);
  }

  std::shared_ptr<jet_file> file_;
  std::shared_ptr<const sql_plan> plan_;
  db_ptr db_;
  stmt_ptr stmt_;
};

}  // namespace

std::shared_ptr<const sql_plan> sql_plan_with(sql_catalog& catalog, const std::u16string& text) {
  auto plan = sql_compile(text, catalog);
  tk_trace(1, "Access SQL as SQLite: %s", plan->sqlite.c_str());
  db_ptr db = open_staging(*plan);
  prepare(db.get(), plan->sqlite);
  return plan;
}

std::shared_ptr<const sql_plan> sql_plan_query(const jet_file& file, const std::u16string& text) {
  file_catalog catalog(file);
  return sql_plan_with(catalog, text);
}

std::unique_ptr<dao_row_source> sql_open_query(const std::shared_ptr<jet_file>& file,
                                               std::shared_ptr<const sql_plan> plan) {
  return std::make_unique<query_rows>(file, std::move(plan));
}
