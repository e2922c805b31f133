// The verification run: pairing, per-table comparison, Oracle-only tables
// and the list of what is not carried over.
#include "verify/verify_run.h"

#ifdef __GLIBC__
#include <malloc.h>
#endif

#include <future>
#include <map>
#include <set>

#include "ORA/ora_canonical_rows.h"
#include "ORA/ora_database.h"
#include "ORA/ora_row_census.h"
#include "ORA/ora_schema_initializer.h"
#include "TK/tk_compare.h"
#include "TK/tk_exception.h"
#include "TK/tk_format.h"
#include "TK/tk_text.h"
#include "TK/tk_trace.h"
#include "TK/tk_wstring.h"
#include "UDB/udb_database.h"
#include "UDB/udb_recordset.h"
#include "UDB/udb_source_engine.h"
#include "UDB/udb_validator.h"
#include "common/source_check.h"
#include "common/tarvel_convertor.h"
#include "verify/verify_inventory.h"
#include "verify/verify_sides.h"

namespace {

constexpr int32_t kReadOnly = 1;

std::string utf8(const std::wstring& text) {
  return tk_to_utf8(text);
}

// The Oracle names of the source's tables and queries, decided as a run of
// the converter decides them: over every table of the source and every
// query, in name order, the name itself when Oracle accepts it, else the
// validator's safe name; a name given out is taken for the later ones.
class name_plan {
 public:
  name_plan(ora_database& oracle, const std::vector<std::wstring>& source_tables,
            const udb_converter::query_map& queries, bool uppercase)
      : validator_(oracle.create_table_name_validator(source_tables, {})), uppercase_(uppercase) {
    for (const auto& [name, text] : queries)
      if (!text.empty()) validator_->used_names().push_back(name);
    udb_converter::query_map every_name;
    for (const auto& [name, text] : queries)
      if (!text.empty()) every_name.emplace(name, text);
    for (const std::wstring& table : source_tables) every_name.emplace(table, L"");
    for (const auto& entry : every_name) plan(entry.first);
  }

  std::wstring oracle_name(const std::wstring& name) {
    auto it = planned_.find(name);
    if (it == planned_.end()) {
      for (auto i = planned_.begin(); i != planned_.end() && it == planned_.end(); ++i)
        if (tk_wcs_equal_nocase(i->first, name)) it = i;
    }
    if (it == planned_.end()) it = plan(name);
    return uppercase_ ? tk_wstring(it->second).to_upper() : it->second;
  }

 private:
  std::map<std::wstring, std::wstring, tk_utf16_less>::iterator plan(const std::wstring& name) {
    if (auto it = planned_.find(name); it != planned_.end()) return it;
    std::wstring dest = name;
    if (!validator_->is_acceptable(dest)) {
      dest = validator_->get_safe_name(dest);
      validator_->used_names().push_back(dest);
    }
    validator_->restricted().push_back(dest);
    return planned_.emplace(name, dest).first;
  }

  std::unique_ptr<udb_validator> validator_;
  bool uppercase_;
  std::map<std::wstring, std::wstring, tk_utf16_less> planned_;
};

class verifier {
 public:
  verifier(const verify_settings& settings, udb_database& source, ora_database& oracle)
      : settings_(settings),
        source_(source),
        oracle_(oracle),
        names_(oracle, source.tables(), settings.queries, settings.uppercase),
        decimal_mark_(ora_decimal_mark()) {}

  bool stopped() const { return settings_.stop && settings_.stop->load(); }

  // One table or query of the source against its Oracle table.
  void check(const std::wstring& name, const std::wstring& query_text, verify_result& result) {
    const bool is_query = !query_text.empty();
    std::unique_ptr<udb_recordset> first;
    try {
      first = open_source(name, query_text);
    } catch (const tk_exception& e) {
      verify_table_result unreadable;
      unreadable.table = utf8(name);
      unreadable.outcome = verify_table_result::state::differs;
      unreadable.differences.push_back(std::string("could not be read: ") + e.what());
      result.tables.push_back(std::move(unreadable));
      return;
    }
    if (!first) {
      if (!is_query && !source_.is_table_exist(name)) {
        verify_table_result missing;
        missing.table = utf8(name);
        missing.outcome = verify_table_result::state::differs;
        missing.differences.push_back("not in the Access database");
        result.tables.push_back(std::move(missing));
      }
      return;  // system and linked tables: listed as not carried over
    }
    const std::wstring dest = names_.oracle_name(name);
    auto reopen = [this, name, query_text]() { return open_source(name, query_text); };
    result.tables.push_back(compare(name, dest, std::move(first), reopen));
    if (is_query) return;
    for (const udb_child_table& child : source_.child_tables(name)) {
      if (stopped()) return;
      const std::wstring child_name = name + L"_" + child.column;
      auto open_child = [this, name, column = child.column]() {
        return source_.get_child_table(name, column, kReadOnly);
      };
      std::unique_ptr<udb_recordset> first_child;
      try {
        first_child = open_child();
      } catch (const tk_exception& e) {
        // Values that cannot be read at all (a damaged file) differ.
        const std::wstring child_dest = names_.oracle_name(child_name);
        paired_.insert(child_dest);
        verify_table_result unreadable;
        unreadable.table = utf8(child_name);
        unreadable.oracle_table = utf8(child_dest);
        unreadable.outcome = verify_table_result::state::differs;
        unreadable.differences.push_back(std::string("could not be read: ") + e.what());
        result.tables.push_back(std::move(unreadable));
        continue;
      }
      result.tables.push_back(
          compare(child_name, names_.oracle_name(child_name), std::move(first_child), open_child));
    }
  }

  // Each saved query that has an Oracle view (by the name a run with views
  // gives it) against the view's rows; a query converted as a table of the
  // profile is checked as that table.
  void views(verify_result& result) {
    std::set<std::wstring> existing;
    try {
      for (const auto& row : ora_query_texts(L"SELECT view_name FROM user_views"))
        existing.insert(row.at(0));
    } catch (const tk_exception& e) {
      tk_trace(3, "verify: views not listed: %s", e.what());
      return;
    }
    for (const std::wstring& name : source_.saved_queries()) {
      if (stopped()) return;
      bool converted = false;
      for (const auto& [query, text] : settings_.queries)
        converted = converted || (!text.empty() && tk_wcs_equal_nocase(query, name));
      if (converted) continue;
      const std::wstring dest = names_.oracle_name(name);
      if (existing.count(dest) == 0) continue;
      const std::wstring text = L"SELECT * FROM [" + name + L"]";
      auto open = [this, name, text]() { return source_.get_query(name, text, kReadOnly); };
      std::unique_ptr<udb_recordset> first;
      try {
        first = open();
      } catch (const tk_exception& e) {
        verify_table_result unreadable;
        unreadable.table = utf8(name);
        unreadable.oracle_table = utf8(dest);
        unreadable.outcome = verify_table_result::state::differs;
        unreadable.differences.push_back(std::string("could not be read: ") + e.what());
        result.views.push_back(std::move(unreadable));
        continue;
      }
      if (!first) continue;
      result.views.push_back(compare(name, dest, std::move(first), open, true));
      viewed_.insert(name);
    }
  }

  const std::set<std::wstring>& viewed() const { return viewed_; }
  const std::set<std::wstring>& paired() const { return paired_; }
  const verify_column_names& column_names() const { return column_names_; }
  std::wstring oracle_name(const std::wstring& name) { return names_.oracle_name(name); }

 private:
  std::unique_ptr<udb_recordset> open_source(const std::wstring& name, const std::wstring& text) {
    return text.empty() ? source_.get_table(name, kReadOnly)
                        : source_.get_query(name, text, kReadOnly);
  }

  verify_table_result compare(const std::wstring& name, const std::wstring& dest,
                              std::unique_ptr<udb_recordset> first,
                              const std::function<std::unique_ptr<udb_recordset>()>& reopen,
                              bool view = false) {
    if (settings_.progress) settings_.progress(utf8(name));
    tk_wtrace(3, L"Verifying table %s against %s", name, dest);
    verify_table_result r;
    r.table = utf8(name);
    r.oracle_table = utf8(dest);
    if (!view) paired_.insert(dest);
    try {
      compare_rows(dest, std::move(first), reopen, r, view);
    } catch (const tk_exception& e) {
      r.outcome = verify_table_result::state::differs;
      r.differences.insert(r.differences.begin(), std::string("could not be read: ") + e.what());
    }
    return r;
  }

  void compare_rows(const std::wstring& dest, std::unique_ptr<udb_recordset> first,
                    const std::function<std::unique_ptr<udb_recordset>()>& reopen,
                    verify_table_result& r, bool view) {
    if (!view && !oracle_.is_table_exist(dest)) {
      r.outcome = verify_table_result::state::missing_in_oracle;
      r.access_rows = first->records_count();
      r.differences.push_back("not in Oracle");
      return;
    }
    const udb_schema& schema = first->schema();
    const udb_indexes indexes = first->indexes();
    std::vector<std::wstring> source_names;
    for (size_t i = 0; i < schema.size(); ++i) source_names.push_back(schema[i].name);
    // The Oracle names the conversion gives the columns.
    const ora_schema_initializer names(dest, schema, first->indexes(), settings_.uppercase,
                                       oracle_.max_identifier_bytes());
    for (size_t i = 0; i < schema.size(); ++i)
      column_names_[dest][schema[i].name] = names.schema()[i].name;
    ora_table_columns in_oracle(dest);
    const auto& oracle_columns = in_oracle.columns;

    std::vector<verify_column> columns;
    std::vector<std::string> column_names;
    for (size_t i = 0; i < schema.size(); ++i) {
      const t_ftd& field = schema[i];
      const size_t found = in_oracle.take(names.schema()[i].name);
      if (found == oracle_columns.size()) {
        r.differences.push_back("column " + utf8(field.name) + " missing in Oracle");
        continue;
      }
      const verify_kind kind = verify_kind_of(field.vartype, field.extra, field.size);
      if (!verify_oracle_type_fits(kind, oracle_columns[found].second))
        r.differences.push_back("column " + utf8(field.name) + " is " +
                                oracle_columns[found].second + " in Oracle, not a " +
                                verify_kind_name(kind) + " type");
      columns.push_back({i, oracle_columns[found].first,
                         verify_kind_against(kind, oracle_columns[found].second)});
      column_names.push_back(utf8(field.name));
    }
    for (size_t k = 0; k < oracle_columns.size(); ++k)
      if (!in_oracle.taken[k])
        r.differences.push_back("column " + utf8(oracle_columns[k].first) + " only in Oracle");

    // Pass one: count and digest of each side.
    const std::function<bool()> stop = [this]() { return stopped(); };
    // Both sides at once: Oracle on a thread of its own (the session is used
    // by no one else meanwhile), Access here.
    std::future<verify_digest> oracle_pass = std::async(std::launch::async, [&]() {
      auto rows = verify_oracle_rows(dest, columns, decimal_mark_);
      return verify_read_digest(*rows, stop);
    });
    verify_digest access_digest;
    try {
      auto rows = verify_access_rows(std::move(first), columns);
      access_digest = verify_read_digest(*rows, stop);
    } catch (...) {
      oracle_pass.wait();
      throw;
    }
    const verify_digest oracle_digest = oracle_pass.get();
    r.access_rows = access_digest.rows;
    r.oracle_rows = oracle_digest.rows;
    if (access_digest == oracle_digest) {
      r.outcome = r.differences.empty() ? verify_table_result::state::equal
                                        : verify_table_result::state::differs;
      return;
    }
    r.outcome = verify_table_result::state::differs;
    if (stopped()) return;

      // Pass two: which rows differ, by primary key where the table has one.
      // What the first pass freed on the reading thread's heap goes back to
      // the system first, so that the two passes do not add up.
#ifdef __GLIBC__
    malloc_trim(0);
#endif
    verify_locate_options options;
    options.column_names = column_names;
    options.memory_rows = settings_.memory_rows;
    options.expected_rows = std::max(access_digest.rows, oracle_digest.rows);
    for (const udb_index& index : indexes) {
      if (!index.b_primary) continue;
      std::vector<size_t> key;
      for (const std::wstring& field : index.fields)
        for (size_t c = 0; c < columns.size(); ++c)
          if (tk_wcs_equal_nocase(source_names[columns[c].access_position], field))
            key.push_back(c);
      if (key.size() == index.fields.size()) options.key_columns = key;
      break;
    }
    const verify_row_differences found = verify_locate_differences(
        [&]() { return verify_access_rows(reopen(), columns); },
        [&]() { return verify_oracle_rows(dest, columns, decimal_mark_); }, options);
    for (const std::string& text : found.first) r.differences.push_back(text);
    r.differing_rows = found.total;
    if (r.differences.empty()) r.differences.push_back("content differs");
  }

  const verify_settings& settings_;
  udb_database& source_;
  ora_database& oracle_;
  name_plan names_;
  const char decimal_mark_;
  std::set<std::wstring> paired_;
  std::set<std::wstring> viewed_;  // saved queries compared with their views
  verify_column_names column_names_;
};

}  // namespace

verify_result verify_run(const verify_settings& settings, udb_source_engine& engine,
                         ora_database& oracle) {
  tk_trace(2, "verify_run");
  select_source_version(engine);
  if (!settings.workgroup_file.empty() && !settings.workgroup_user.empty())
    engine.set_ugl_info(settings.workgroup_file, settings.workgroup_user,
                        settings.workgroup_password);
  else
    engine.set_anonymous_sys_db();
  std::unique_ptr<udb_database> source =
      engine.open_db(settings.source, udb_source_engine::kOpenConvert, settings.database_password);
  TK_ASSERT(source != nullptr);

  verify_result result;
  verifier check(settings, *source, oracle);
  const bool everything = settings.selected_tables.empty() && settings.queries.empty();
  udb_converter::query_map work = settings.queries;
  for (const std::wstring& table : everything ? source->tables() : settings.selected_tables)
    work.emplace(table, L"");
  for (const auto& [name, text] : work) {
    if (check.stopped()) break;
    check.check(name, text, result);
  }
  // Oracle tables that no Access table accounts for, when every table was
  // checked.
  if (everything && !check.stopped()) {
    for (const std::wstring& table : oracle.tables()) {
      if (check.paired().count(table) != 0 || verify_is_recycled_name(table)) continue;
      verify_table_result alone;
      alone.oracle_table = utf8(table);
      alone.outcome = verify_table_result::state::missing_in_access;
      alone.differences.push_back("not in the Access database");
      result.tables.push_back(std::move(alone));
    }
  }
  if (!check.stopped()) check.views(result);
  if (!check.stopped()) {
    result.not_carried_over = verify_not_carried_over(
        settings, *source, [&check](const std::wstring& name) { return check.oracle_name(name); },
        check.paired(), check.column_names(), oracle, check.viewed());
    // A linked table that cannot be opened (its file or server is away) is
    // listed as not carried over, not as a failed table.
    std::erase_if(result.tables, [&](const verify_table_result& t) {
      if (t.oracle_table.size() != 0 || t.table.empty()) return false;
      for (const verify_omission& o : result.not_carried_over)
        if (o.kind == "linked table" && o.object == t.table) return true;
      return false;
    });
  }
  return result;
}

bool verify_is_recycled_name(const std::wstring& table) {
  // BIN$ + 24 characters of base 64 + $ + a version number, e.g.
  // BIN$QQuMa/ZLGlXgU0edqMAw4g==$0.
  if (table.size() < 30 || table.compare(0, 4, L"BIN$") != 0 || table[28] != L'$') return false;
  for (size_t i = 29; i < table.size(); ++i)
    if (table[i] < L'0' || table[i] > L'9') return false;
  return true;
}

verify_settings verify_settings_from(const tarvel_convertor& conv) {
  verify_settings s;
  s.source = conv.source_name();
  s.database_password = conv.access.database_password;
  s.workgroup_file = conv.access.workgroup_file;
  s.workgroup_user = conv.access.workgroup_user;
  s.workgroup_password = conv.access.workgroup_password;
  s.uppercase = conv.uppercase;
  s.selected_tables = conv.selected_tables;
  for (const auto& [name, text] : conv.queries)
    if (!text.empty()) s.queries.emplace(name, text);
  return s;
}

verify_result verify_converted(tarvel_convertor& conv, const std::atomic<bool>* stop) {
  if (!conv.oracle.is_connected()) conv.oracle.connect_oracle_server(conv.destination_name());
  auto* oracle = dynamic_cast<ora_database*>(conv.oracle.destination());
  if (oracle == nullptr)
    throw tk_exception(std::string("The destination is not an Oracle database"), TK_LEVEL_RUN);
  verify_settings settings = verify_settings_from(conv);
  settings.stop = stop;
  std::unique_ptr<udb_source_engine> engine = conv.make_source_engine();
  verify_result result = verify_run(settings, *engine, *oracle);
  return result;
}
