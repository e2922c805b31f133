// The conversion run (tarvel_convertor::operator()) and the listing of the
// source tables. The run opens the source through the converter's source
// engine, walks the work list of tables and queries in name order and copies
// each into the open destination database, applying the mode to tables that
// already exist. Errors are routed per record, per table and per run through
// the error handler; nothing here decides whether the process ends. After
// the last table the source's relationships become foreign keys between the
// tables that the run converted. Tables go in name order, parents before
// the tables that refer to them; the values of Access complex columns become
// child tables right after their table. With several jobs, tables whose
// parents are done are converted at once, each job on a thread with its own
// source reading and destination session (conversion_schedule.h).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <exception>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ORA/ora_database.h"
#include "TK/tk_compare.h"
#include "TK/tk_exception.h"
#include "TK/tk_format.h"
#include "TK/tk_text.h"
#include "TK/tk_trace.h"
#include "TK/tk_wstring.h"
#include "UDB/udb_destination.h"
#include "UDB/udb_source_engine.h"
#include "common/conversion_job.h"
#include "common/conversion_schedule.h"
#include "common/error_handler.h"
#include "common/init_conversion.h"
#include "common/record_pipeline.h"
#include "common/source_check.h"
#include "common/tarvel_convertor.h"
#include "logic/logic_phase.h"

namespace {

// Oracle errors carry 0x100000 + the Oracle error number (five digits at
// most); the DAO errors 0x10000 + a 16-bit number, other errors small codes.
constexpr int32_t kOracleCodeBase = 0x100000;
constexpr int32_t kOracleCodeEnd = kOracleCodeBase + 100000;
// ORA-00001, unique constraint violated: the row is already there.
constexpr int32_t kDuplicateKey = kOracleCodeBase + 1;
// ORA-02290, check constraint violated.
constexpr int32_t kCheckViolated = kOracleCodeBase + 2290;
// ORA-00054, resource busy: another session holds the table.
constexpr int32_t kResourceBusy = 54;
// Source recordsets are opened read-only; existing destination tables are
// opened for appending.
constexpr int32_t kOpenReadOnly = 1;
constexpr int32_t kOpenAppend = 8;

bool is_oracle_error(const tk_exception& e) {
  return e.code() >= kOracleCodeBase && e.code() < kOracleCodeEnd;
}

// ORA-00054 (NOWAIT) and ORA-30006 (a wait that timed out): another session
// holds what the write needs; every following record would wait as long.
bool is_lock_timeout(const tk_exception& e) {
  return is_oracle_error(e) &&
         (e.code() == kOracleCodeBase + kResourceBusy || e.code() == kOracleCodeBase + 30006);
}

// The destination has no room left: ORA-01653 (a table cannot grow),
// ORA-01654 (an index cannot grow), or an internal error about a full disk
// (older files of the embedded engine).
bool is_destination_full(const tk_exception& e) {
  if (!is_oracle_error(e)) return false;
  if (e.code() == kOracleCodeBase + 1653 || e.code() == kOracleCodeBase + 1654) return true;
  return e.code() == kOracleCodeBase + 600 &&
         std::string_view(e.what()).find("database or disk is full") != std::string_view::npos;
}

// A full destination ends the run: every later record and table would fail
// the same way. What was committed stays, and a merge adds the rest. The
// error's text ends its own sentence: on one line the breaks become spaces.
tk_exception destination_full(const tk_exception& e) {
  std::string cause = e.what();
  if (!cause.empty() && cause.back() != '.' && cause.back() != '!' && cause.back() != '?')
    cause += '.';
  return tk_exception(
      "The Oracle database has no room left for the data:\n" + cause +
          "\nThe records written so far are kept. Make room, then convert again in merge mode "
          "to add the rest.",
      e.code(), TK_LEVEL_RUN);
}

// The error as the run reports it: a full destination at the run's level.
tk_exception as_reported(const tk_exception& e) {
  return is_destination_full(e) && e.level() == TK_LEVEL_RECORD ? destination_full(e) : e;
}

// One run over the work list. Owns nothing but the per-table recordsets;
// the source, the destination and the validators belong to the caller.
// The rows of a table that merge compares a refused record with: read at
// the first record that needs them (defined outside the driver so that
// std::optional sees a complete type).
struct kept_rows {
  std::wstring table;
  udb_recordset* source = nullptr;
  std::unique_ptr<udb_row_census> census;
  bool read = false;
};

// What one entry of the work list left for the steps after the tables (a
// job's share, taken over by the run's driver in the work list's order).
struct entry_result {
  std::vector<table_outcome> outcomes;
  std::vector<std::wstring> converted;
  std::map<std::wstring, std::pair<std::wstring, bool>, tk_utf16_less> done;
  std::map<std::wstring, std::wstring, tk_utf16_less> skipped;
  udb_relationships child_relationships;
};

class conversion_driver {
 public:
  conversion_driver(run_view& conv, job_reports& handler, udb_database& source,
                    udb_destination& destination, udb_validator& table_names)
      : conv_(conv),
        handler_(handler),
        source_(source),
        destination_(destination),
        table_names_(table_names),
        planned_(own_plan_),
        names_lock_(own_names_lock_) {}
  // A job's driver: its own source and destination session, the run's
  // names (given out under the board's lock).
  conversion_driver(run_view& conv, job_reports& handler, udb_database& source,
                    udb_destination& destination, conversion_driver& run, job_board& board)
      : conv_(conv),
        handler_(handler),
        source_(source),
        destination_(destination),
        table_names_(run.table_names_),
        planned_(run.planned_),
        names_lock_(board.names) {}

  // Hands over what the last entries left (a job's driver) and takes it
  // over (the run's driver).
  entry_result take_entry_result() {
    entry_result result;
    result.outcomes = std::move(conv_.outcomes);
    conv_.outcomes.clear();
    result.converted = std::move(converted_);
    converted_.clear();
    result.done = std::move(done_);
    done_.clear();
    result.skipped = std::move(skipped_);
    skipped_.clear();
    result.child_relationships = std::move(child_relationships_);
    child_relationships_ = udb_relationships();
    current_ = 0;
    return result;
  }
  void add_entry_result(entry_result&& result) {
    for (table_outcome& outcome : result.outcomes) conv_.outcomes.push_back(std::move(outcome));
    for (std::wstring& name : result.converted) converted_.push_back(std::move(name));
    done_.merge(result.done);
    skipped_.merge(result.skipped);
    for (const udb_relationship& rel : result.child_relationships)
      child_relationships_.push_back(rel);
  }

  // Gives every name of `names` (source tables and queries, in the work
  // list's order) its destination name before the first table is touched:
  // the name itself when acceptable, else the validator's safe name; a name
  // given out is taken for all later ones. The answer depends only on the
  // source's names, never on what the destination holds, so that every run
  // gives an Access table the same Oracle table and the mode applies to the
  // table an earlier run made of it; two names that clean to one ("A B" and
  // "A_B") still get different tables, the same ones on every run.
  void plan_names(const std::vector<std::wstring>& names) {
    for (const std::wstring& name : names) {
      if (planned_.count(name) != 0) continue;
      std::wstring dest = name;
      if (!table_names_.is_acceptable(dest)) {
        dest = table_names_.get_safe_name(dest);
        table_names_.used_names().push_back(dest);
      }
      table_names_.restricted().push_back(dest);
      planned_.emplace(name, dest);
    }
  }

  void convert_entry(const std::wstring& name, const std::wstring& query_text) {
    conv_.set_current_table_name(name);
    conv_.current_record_index = 0;
    conv_.records_in_current_table = 0;
    const size_t entry = begin_outcome(name, L"");
    conv_.outcomes[entry].is_query = !query_text.empty();
    const auto start = std::chrono::steady_clock::now();
    try {
      convert_table(name, query_text);
    } catch (const tk_exception& e) {
      current_ = entry;
      end_outcome(e, start);
      handler_.set_context(name);
      handler_.handle(as_reported(e), false);
      return;
    }
    current_ = entry;
    conv_.outcomes[entry].seconds = seconds_since(start);
  }

  // The foreign-key phase: one relationship at a time, so that Oracle's
  // refusal of one (orphaned rows, ORA-02298) is reported for it and the
  // others are still built. A relationship between tables that this run did
  // not convert (skipped, failed or not selected) is left out.
  // A stop request ends the phase before the next key; the keys built so far
  // stay, and a later run builds the others.
  void create_foreign_keys(const udb_relationships& relationships) {
    for (const udb_relationship& rel : relationships) {
      if (conv_.stop_requested()) return;
      // A relationship whose data Access does not check is no foreign key:
      // its rows may break it.
      if (!rel.enforced) {
        tk_wtrace(2, L"Skip relationship '%s': not enforced in the source", rel.name);
        continue;
      }
      const std::wstring* missing = !converted(rel.table)       ? &rel.table
                                    : !converted(rel.ref_table) ? &rel.ref_table
                                                                : nullptr;
      if (missing != nullptr) {
        tk_wtrace(2, L"Skip relationship '%s': table '%s' was not converted", rel.name, *missing);
        continue;
      }
      udb_relationships one;
      one.push_back(rel);
      try {
        destination_.create_relationships(one);
        // Oracle changes no child key with its parent's: a trigger could not
        // do it either while the foreign key is checked at each statement.
        if (rel.cascade_update) {
          const std::string line =
              tk_format("Relationship %s -> %s: cascade update not carried over (Oracle has none)",
                        rel.table, rel.ref_table);
          tk_trace(3, "%s", line);
          if (console()) handler_.say(stdout, line);
        }
      } catch (const tk_exception& e) {
        handler_.set_context(rel.name);
        handler_.handle(as_reported(e), false);
      }
    }
  }

  // Comments, CHECK constraints and (when asked) views of the tables this
  // run converted; only into an Oracle destination.
  void carry_logic() {
    auto* oracle = dynamic_cast<ora_database*>(&destination_);
    if (oracle == nullptr) return;
    logic_run run;
    run.source = conv_.source_name();
    run.password = conv_.access.database_password;
    run.views = conv_.views;
    run.overwrite = conv_.mode() == UDB_MODE_OVERWRITE;
    for (const auto& [name, done] : done_) run.tables.push_back({name, done.first, done.second});
    for (const auto& [name, dest] : skipped_) run.tables.push_back({name, dest, false, true});
    run.view_name = [this](const std::wstring& query) {
      std::wstring dest = destination_name(query);
      return conv_.uppercase ? tk_wstring(dest).to_upper() : dest;
    };
    run.stop_requested = [this] { return conv_.stop_requested(); };
    class report : public logic_report {
     public:
      explicit report(conversion_driver& driver) : driver_(driver) {}
      void note(const std::string& line) override {
        if (driver_.console()) driver_.handler_.say(stdout, line);
      }
      void error(const std::wstring& object, const tk_exception& e) override {
        driver_.handler_.set_context(object);
        driver_.handler_.handle(e, false);
      }

     private:
      conversion_driver& driver_;
    } reporter(*this);
    logic_carry_over(run, *oracle, reporter);
  }

  // Foreign keys of the child tables made by this run.
  const udb_relationships& child_relationships() const { return child_relationships_; }

 private:
  // The outcome of an entry or child table: a new record, which later row
  // counts and errors go to.
  size_t begin_outcome(const std::wstring& name, const std::wstring& parent) {
    table_outcome outcome;
    outcome.source_name = name;
    outcome.parent = parent;
    conv_.outcomes.push_back(std::move(outcome));
    current_ = conv_.outcomes.size() - 1;
    return current_;
  }
  table_outcome& outcome() { return conv_.outcomes.at(current_); }
  static double seconds_since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  }
  // The error that ended the current outcome, as the user is told it but
  // without the context of the last record reported.
  void end_outcome(const tk_exception& e, std::chrono::steady_clock::time_point start) {
    handler_.clear_context();
    outcome().error = handler_.build_message(e);
    outcome().seconds = seconds_since(start);
  }

  bool agent() const { return conv_.front_end() == tarvel_front_end::agent; }
  bool converted(const std::wstring& source_name) const {
    for (const std::wstring& name : converted_) {
      if (tk_wcs_equal_nocase(name, source_name)) return true;
    }
    return false;
  }
  bool console() const { return agent() && !conv_.is_silent(); }

  // The planned destination name of a source table or query. A selected name
  // that differs from the source's only in case takes the name planned for
  // the source's spelling, as every other run does; a name outside the plan
  // gets one now.
  std::wstring destination_name(const std::wstring& name) {
    const std::lock_guard<std::mutex> hold(names_lock_);
    if (const auto it = planned_.find(name); it != planned_.end()) return it->second;
    for (const auto& [source_name, dest] : planned_) {
      if (tk_wcs_equal_nocase(source_name, name)) return dest;
    }
    plan_names({name});
    return planned_.at(name);
  }

  void convert_table(const std::wstring& name, const std::wstring& query_text) {
    const bool is_query = !query_text.empty();
    if (agent() && !is_query && !source_.is_table_exist(name)) {
      if (console()) handler_.say(stderr, tk_format("Table %s not exists", name));
      return;
    }

    std::unique_ptr<udb_recordset> src = is_query
                                             ? source_.get_query(name, query_text, kOpenReadOnly)
                                             : source_.get_table(name, kOpenReadOnly);
    if (!src) {
      tk_wtrace(3, L"Skip system/linked table '%s'", name);
      return;
    }
    if (!convert_recordset(name, std::move(src)) || is_query) return;
    convert_child_tables(name);
  }

  // Copies an open source recordset into its destination table; false when
  // the mode skipped an existing table.
  bool convert_recordset(const std::wstring& name, std::unique_ptr<udb_recordset> src) {
    // Columns the source could not read are reported; the rest of the table
    // is converted.
    for (const tk_exception& e : src->take_open_errors()) {
      handler_.set_context(name);
      handler_.handle(e, false);
    }

    std::wstring dest_name = destination_name(name);
    if (conv_.uppercase) dest_name = tk_wstring(dest_name).to_upper();
    conv_.set_current_destination_name(dest_name);
    outcome().destination_name = dest_name;

    const int32_t mode = conv_.mode();
    bool created = false;
    if (destination_.is_table_exist(dest_name)) {
      tk_wtrace(2, L"Table %s already exists", dest_name);
      if (mode == UDB_MODE_OVERWRITE) {
        tk_trace(2, "Overwrite existing table");
        drop_table(dest_name);
      } else if (mode == UDB_MODE_SKIP) {
        tk_trace(2, "Skip existing table");
        outcome().skipped = true;
        skipped_.emplace(name, dest_name);
        return false;
      }
    }

    std::unique_ptr<udb_recordset> dst;
    const bool existed = destination_.is_table_exist(dest_name);
    if (existed) {
      if (mode == UDB_MODE_MERGE || mode == UDB_MODE_SYNC) complete_table(name, dest_name, *src);
      dst = open_existing(dest_name);
      destination_.map_existing_columns(dest_name, src->schema());
    } else {
      dst = create_table(name, dest_name, *src);
      created = true;
    }
    TK_ASSERT(dst != nullptr);

    if (mode == UDB_MODE_MERGE && !src->schema().conform_to(dst->schema()))
      throw tk_exception(
          std::string("The structure of data source does not conform to the destination table."),
          TK_LEVEL_RECORD);

    {
      const std::lock_guard<std::mutex> hold(names_lock_);
      if (dest_name != name) {
        tk_wtrace(2, L"Store generated table name '%s'", dest_name);
        table_names_.used_names().push_back(dest_name);
        destination_.names_map().add_tn_mapping(name, dest_name);
      }
      table_names_.restricted().push_back(dest_name);
    }

    const uint32_t count = src->records_count();
    conv_.records_in_current_table = static_cast<int32_t>(count);
    tk_wtrace(3, L"Converting table %s (%d records)", name, count);
    if (console()) handler_.say(stdout, tk_format("Converting table %s (%d records)", name, count));

    if (count != 0 && !conv_.only_definitions) {
      std::unique_ptr<udb_row_census> census;
      if (existed && (mode == UDB_MODE_MERGE || mode == UDB_MODE_SYNC) && dst->key_index() < 0)
        census = keyless_census(dest_name, *src);
      else if (existed && mode == UDB_MODE_SYNC)
        compare_ = row_compare(dest_name, *src, *dst);
      outcome().synchronized = existed && mode == UDB_MODE_SYNC;
      struct drop_compare {
        std::unique_ptr<udb_row_compare>& compare;
        ~drop_compare() { compare.reset(); }
      } drop{compare_};
      // Merging into a table whose CHECK holds new rows only: the rows that
      // broke it when they arrived come again and are refused again.
      kept_check_.reset();
      if (existed && mode == UDB_MODE_MERGE) {
        kept_check_.emplace();
        kept_check_->table = dest_name;
        kept_check_->source = src.get();
      }
      copy_records(*src, *dst, census.get());
      kept_check_.reset();
      if (existed && mode == UDB_MODE_SYNC) report_synchronized(dest_name);
    }
    // Destination table first, then the source recordset.
    dst.reset();
    src.reset();
    converted_.push_back(name);
    done_.emplace(name, std::make_pair(dest_name, created));
    return true;
  }

  // A table without a primary or unique key cannot tell a row that is there
  // already by a duplicate key: its rows are read once and each source
  // record that equals one of them, as a whole, takes it instead of being
  // written again. Synchronize cannot update such rows, which it says once.
  std::unique_ptr<udb_row_census> keyless_census(const std::wstring& dest_name,
                                                 udb_recordset& src) {
    std::unique_ptr<udb_row_census> census = destination_.row_census(dest_name, src.schema());
    if (!census) return nullptr;
    tk_wtrace(3, L"Table %s has no primary or unique key: its %d rows are compared whole",
              dest_name, static_cast<int>(census->rows()));
    if (conv_.mode() == UDB_MODE_SYNC) {
      const std::string text = tk_format(
          "Table %s has no primary or unique key: its rows cannot be updated, only the rows it "
          "lacks are added",
          dest_name);
      tk_trace(3, "%s", text.c_str());
      if (console()) handler_.say(stdout, text);
    }
    return census;
  }

  // Synchronizing a table with a key: its rows are read beside the source's
  // records, so that only the rows that differ are written. Without the
  // comparison (a destination that cannot compare, columns that are not the
  // source's) every record is inserted and a duplicate key updates its row.
  std::unique_ptr<udb_row_compare> row_compare(const std::wstring& dest_name, udb_recordset& src,
                                               const udb_recordset& dst) {
    try {
      std::unique_ptr<udb_row_compare> compare =
          destination_.row_compare(dest_name, src.schema(), dst);
      if (compare)
        tk_wtrace(2, L"Rows of %s are compared with the source before writing", dest_name);
      return compare;
    } catch (const tk_exception& e) {
      tk_trace(2, "Rows of the table not compared: %s", e.what());
      return nullptr;
    }
  }

  // What synchronize did with the table's rows, once the copy has ended.
  void report_synchronized(const std::wstring& dest_name) {
    const table_outcome& t = outcome();
    const std::string text =
        tk_format("Table %s synchronized: %s unchanged, %s updated, %s inserted", dest_name,
                  std::to_string(t.rows_unchanged), std::to_string(t.rows_updated),
                  std::to_string(t.rows_inserted()));
    tk_trace(3, "%s", text.c_str());
    if (console()) print_line(stdout, text);
  }

  // The values of a table's complex columns (attachments, multi-value
  // fields, memo version histories) become tables of their own, named
  // <table>_<column> by the rules of every table name, right after their
  // table; with a foreign key to it where it has a primary key. One child
  // table that fails is reported and costs only itself.
  void convert_child_tables(const std::wstring& name) {
    for (const udb_child_table& child : source_.child_tables(name)) {
      if (conv_.stop_requested()) break;  // the stop point is the parent's
      const std::wstring child_name = name + L"_" + child.column;
      conv_.set_current_table_name(child_name);
      conv_.current_record_index = 0;
      conv_.records_in_current_table = 0;
      const size_t parent = current_;
      conv_.outcomes[parent].child_tables.push_back(child_name);
      begin_outcome(child_name, name);
      const auto start = std::chrono::steady_clock::now();
      try {
        std::unique_ptr<udb_recordset> src =
            source_.get_child_table(name, child.column, kOpenReadOnly);
        TK_ASSERT(src != nullptr);
        tk_wtrace(3, L"Child table %s holds the %s values of %s.%s", child_name, child.kind, name,
                  child.column);
        if (console())
          handler_.say(stdout, tk_format("Child table %s holds the %s values of %s.%s", child_name,
                                         child.kind, name, child.column));
        const bool written = convert_recordset(child_name, std::move(src));
        outcome().seconds = seconds_since(start);
        current_ = parent;
        if (!written || child.parent_key.empty()) continue;
        udb_relationship rel;
        rel.table = child_name;
        rel.ref_table = name;
        rel.fields = child.parent_key;
        rel.ref_fields = child.parent_key;
        rel.name = child_relationships_.gen_relship_name(rel);
        child_relationships_.push_back(rel);
      } catch (const tk_exception& e) {
        end_outcome(e, start);
        current_ = parent;
        handler_.set_context(child_name);
        handler_.handle(as_reported(e), false);
      }
    }
    conv_.set_current_table_name(name);
  }

  // Creates the destination table. A level-0 message that leaves the table
  // created (the sequence of a counter refused for lack of privileges: the
  // counter is not converted) is reported for the table, and the records
  // are copied all the same: a warning must not cost the table's data.
  std::unique_ptr<udb_recordset> create_table(const std::wstring& name,
                                              const std::wstring& dest_name, udb_recordset& src) {
    const udb_indexes no_indexes;
    try {
      // Index and constraint names are given out by the run's one validator,
      // and definitions change one at a time.
      const std::lock_guard<std::mutex> hold(names_lock_);
      return destination_.create_table(dest_name, src.schema(),
                                       conv_.skip_indexes ? no_indexes : src.indexes());
    } catch (const tk_exception& e) {
      if (is_oracle_error(e) || e.level() != TK_LEVEL_RECORD ||
          !destination_.is_table_exist(dest_name))
        throw;
      handler_.set_context(name);
      handler_.handle(e, false);
    }
    return destination_.get_table(dest_name, kOpenAppend);
  }

  // A table that an earlier run left without some of what the source
  // defines (stopped between CREATE TABLE and its indexes or counter) gets
  // it before records are added; what was added is said once, and what
  // Oracle refused is reported for the table while the copy goes on.
  void complete_table(const std::wstring& name, const std::wstring& dest_name, udb_recordset& src) {
    const udb_indexes no_indexes;
    udb_completion done;
    {
      const std::lock_guard<std::mutex> hold(names_lock_);
      done = destination_.complete_table(dest_name, src.schema(),
                                         conv_.skip_indexes ? no_indexes : src.indexes());
    }
    if (!done.added.empty()) {
      std::wstring list;
      for (const std::wstring& object : done.added) list += (list.empty() ? L"" : L", ") + object;
      const std::string text = tk_format("Table %s completed with %s", dest_name, list);
      tk_trace(3, "%s", text.c_str());
      if (console()) handler_.say(stdout, text);
    }
    for (const tk_exception& e : done.errors) {
      if (is_oracle_error(e) && (e.code() & 0xFFFF) == kResourceBusy)
        throw busy_table(dest_name, e);
      handler_.set_context(name);
      handler_.handle(e, false);
    }
  }

  static tk_exception busy_table(const std::wstring& dest_name, const tk_exception& e) {
    return tk_exception(
        tk_format("Cannot write to table %s because it is busy with another process\n%s", dest_name,
                  e.what()),
        e.code(), TK_LEVEL_RECORD);
  }

  // An existing table opened for appending; a table that another session
  // holds is reported once, by its name, and the run goes on with the next.
  std::unique_ptr<udb_recordset> open_existing(const std::wstring& dest_name) {
    try {
      return destination_.get_table(dest_name, kOpenAppend);
    } catch (const tk_exception& e) {
      if (is_oracle_error(e) && (e.code() & 0xFFFF) == kResourceBusy)
        throw busy_table(dest_name, e);
      throw;
    }
  }

  void drop_table(const std::wstring& dest_name) {
    try {
      // Definitions change one at a time, as at creation.
      const std::lock_guard<std::mutex> hold(names_lock_);
      destination_.delete_tab(dest_name);
    } catch (const tk_exception& e) {
      if (is_oracle_error(e) && (e.code() & 0xFFFF) == kResourceBusy)
        throw tk_exception(
            std::string("Cannot delete table because it is busy with another process"),
            TK_LEVEL_RECORD);
      throw;
    }
  }

  // The records go to the destination, which may write them in batches;
  // a record it could not write comes back through append_failed with its
  // number, and is handled as if its own append had failed. The copy ends
  // at the end of the source or at a stop request, which is looked at
  // between records only; either way the records read so far are written
  // (when reading the source fails half-way too, before the table's error
  // is reported), so a record is written whole or not at all.
  // With a census, a record the table holds already is not written again.
  // The source is read ahead on a thread of its own (record_pipeline), which
  // also prepares records for the row comparison, while this thread writes;
  // that thread ends before the copy does, however the
  // copy ends, and what it read beyond a stop is dropped.
  void copy_records(udb_recordset& src, udb_recordset& dst, udb_row_census* census) {
    record_sink sink(*this, dst);
    record_pipeline feed(src, record_pipeline::enabled_by_environment(), record_pipeline::limits{});
    if (compare_) feed.prepare_with(compare_->record_preparer());
    try {
      feed.start();
      while (feed.more()) {
        conv_.wait_while_paused();
        if (conv_.stop_requested()) {
          tk_trace(3, "Stopped at record %d of %d", conv_.current_record_index.load(),
                   conv_.records_in_current_table.load());
          conv_.last_stop = udb_converter::stop_point{conv_.current_table_name(),
                                                      conv_.current_record_index.load(),
                                                      conv_.tables_done.load()};
          outcome().stopped = true;
          break;
        }
        tk_trace(1, "Converting %d record", conv_.current_record_index.load());
        const auto number = static_cast<uint32_t>(conv_.current_record_index + 1);
        // A source that hands its rows over spares a destination that holds
        // them back a copy of each.
        const udb_record* record = nullptr;
        std::unique_ptr<udb_row_compare::prepared> ready;
        std::unique_ptr<udb_record> owned = feed.take(&record, &ready);
        TK_ASSERT(record != nullptr);
        if (census != nullptr && census->take(*record)) {
          tk_trace(1, "Record %d is in the table already", number);
          ++(conv_.mode() == UDB_MODE_SYNC ? outcome().rows_unchanged : outcome().rows_kept);
        } else if (written_by_key(*record, owned, ready.get(), number, dst, sink)) {
          // compared with its row: left as it is, or updated
        } else if (owned) {
          dst.append_owned(std::move(owned), number, sink);
        } else {
          dst.append_batched(*record, number, sink);
        }
        // Counted before moving on: a source that fails at its end (a damaged
        // file's loss report) has still handed out this record.
        ++conv_.current_record_index;
        feed.advance();
      }
      feed.stop();
    } catch (...) {
      feed.stop();
      outcome().rows_read = static_cast<uint64_t>(conv_.current_record_index.load());
      dst.flush_appends(sink);
      throw;
    }
    outcome().rows_read = static_cast<uint64_t>(conv_.current_record_index.load());
    dst.flush_appends(sink);
  }

  // Synchronize with the table's rows read beside the records: a record
  // equal to its row is not written, one that differs updates the row by
  // its key. False for a record the table lacks or that was not decided,
  // which is appended (a duplicate key then updates its row). A failure to
  // read the table ends the comparison, not the copy.
  bool written_by_key(const udb_record& record, std::unique_ptr<udb_record>& owned,
                      const udb_row_compare::prepared* ready, uint32_t number, udb_recordset& dst,
                      udb_append_sink& sink) {
    if (!compare_) return false;
    udb_row_compare::verdict verdict = udb_row_compare::verdict::unknown;
    try {
      verdict = compare_->compare(record, ready);
    } catch (const tk_exception& e) {
      tk_trace(3, "Rows of the table no longer compared: %s", e.what());
      compare_.reset();
      return false;
    }
    switch (verdict) {
      case udb_row_compare::verdict::equal:
        tk_trace(1, "Record %d is in the table unchanged", number);
        ++outcome().rows_unchanged;
        return true;
      case udb_row_compare::verdict::differs:
        ++outcome().rows_updated;
        if (owned)  // the record handed over goes with its update
          dst.update_owned(std::move(owned), compare_->changed_columns(), number, sink);
        else
          dst.update_changed(record, compare_->changed_columns(), number, sink);
        return true;
      default:
        return false;
    }
  }

  class record_sink : public udb_append_sink {
   public:
    record_sink(conversion_driver& driver, udb_recordset& dst) : driver_(driver), dst_(dst) {}
    bool append_failed(uint32_t number, const tk_exception& error,
                       const udb_record& record) override {
      if (!is_oracle_error(error)) return false;
      driver_.on_append_error(error, dst_, record, number, *this);
      return true;
    }
    // A failed update loses this record, not the rest of the table.
    bool update_failed(uint32_t number, const tk_exception& error) override {
      if (!is_oracle_error(error)) return false;
      driver_.give_up_table_if(error);
      uint64_t& updated = driver_.outcome().rows_updated;
      if (updated > 0) --updated;
      driver_.report_record_error(error, number);
      return true;
    }

   private:
    conversion_driver& driver_;
    udb_recordset& dst_;
  };

  // A failed insert: a duplicate key is no error in merge (the row stays) and
  // synchronize (the row takes the source values); anything else costs this
  // record only.
  void on_append_error(const tk_exception& e, udb_recordset& dst, const udb_record& record,
                       uint32_t number, udb_append_sink& sink) {
    const int32_t mode = conv_.mode();
    tk_trace(1, "GOT ERROR: %s (%08X)", e.what(), e.code());
    tk_trace(1, "mode=%d", mode);
    give_up_table_if(e);
    if (e.code() == kDuplicateKey && mode == UDB_MODE_MERGE) {
      ++outcome().rows_kept;
      return;
    }
    if (e.code() == kDuplicateKey && mode == UDB_MODE_SYNC) {
      ++outcome().rows_updated;
      dst.update_batched(record, number, sink);
      return;
    }
    if (e.code() == kCheckViolated && already_there(record)) {
      tk_trace(2, "Record %d breaks a CHECK constraint and is in the table already", number);
      ++outcome().rows_kept;
      return;
    }
    report_record_error(e, number);
  }

  // In merge, a record a CHECK constraint refuses is kept rather than
  // reported when the table holds a row equal to it as a whole (an old row
  // the constraint was made NOVALIDATE over). The table's rows are read
  // once, at the first such record; each row answers for one record.
  bool already_there(const udb_record& record) {
    if (!kept_check_) return false;
    if (!kept_check_->read) {
      kept_check_->read = true;
      try {
        kept_check_->census =
            destination_.row_census(kept_check_->table, kept_check_->source->schema());
      } catch (const tk_exception& e) {
        tk_trace(2, "Rows of the table not compared: %s", e.what());
      }
    }
    return kept_check_->census && kept_check_->census->take(record);
  }

  // Errors that every following record of the table would meet end the
  // table's copy at once, with one report: a lock that another session
  // holds (the table is given up; the run goes on), and a full destination
  // (the run ends).
  void give_up_table_if(const tk_exception& e) {
    if (is_destination_full(e)) throw destination_full(e);
    if (is_lock_timeout(e)) throw busy_table(conv_.current_destination_name(), e);
  }

  void report_record_error(const tk_exception& e, uint32_t number) {
    ++outcome().rows_refused;
    handler_.set_context(conv_.current_table_name(), static_cast<int32_t>(number));
    handler_.handle(e, false);
  }

  run_view& conv_;
  job_reports& handler_;
  udb_database& source_;
  udb_destination& destination_;
  udb_validator& table_names_;
  std::vector<std::wstring> converted_;  // source names of the tables done
  // Source name -> destination name, and whether this run created it.
  std::map<std::wstring, std::pair<std::wstring, bool>, tk_utf16_less> done_;
  std::map<std::wstring, std::wstring, tk_utf16_less> skipped_;  // source -> destination
  udb_relationships child_relationships_;
  size_t current_ = 0;  // the outcome that row counts and errors go to
  std::map<std::wstring, std::wstring, tk_utf16_less> own_plan_;
  std::map<std::wstring, std::wstring, tk_utf16_less>& planned_;  // source -> destination
  std::mutex own_names_lock_;
  std::mutex& names_lock_;               // planned_, table_names_ and the destination's definitions
  std::optional<kept_rows> kept_check_;  // the table being merged, while its rows are copied
  std::unique_ptr<udb_row_compare> compare_;  // the table being synchronized, while copied
};

// A job's driver, as the jobs see it: what an entry left goes to the run's
// driver when the run's thread calls for it.
class driver_worker : public job_worker {
 public:
  driver_worker(run_view& view, job_reports& reports, udb_database& source,
                udb_destination& session, conversion_driver& run_driver, job_board& board)
      : driver_(view, reports, source, session, run_driver, board), run_driver_(run_driver) {}
  void convert_entry(const std::wstring& name, const std::wstring& query_text) override {
    driver_.convert_entry(name, query_text);
  }
  std::function<void()> take_entry_result() override {
    auto result = std::make_shared<entry_result>(driver_.take_entry_result());
    return [result, &run = run_driver_] { run.add_entry_result(std::move(*result)); };
  }

 private:
  conversion_driver driver_;
  conversion_driver& run_driver_;
};

// Steps of one run in their order; the objects of the run are released in
// the reverse order of their creation when it leaves, whichever way.
void run(tarvel_convertor& conv) {
  error_handler& handler = error_handler::instance();
  udb_destination* destination = conv.oracle.destination();
  TK_ASSERT(destination != nullptr);

  std::unique_ptr<udb_validator> index_names = destination->create_index_name_validator();
  destination->set_uppercase(conv.uppercase);

  std::unique_ptr<udb_source_engine> engine = conv.make_source_engine();
  select_source_version(*engine);
  const acc_converter_impl& access = conv.access;
  if (!access.workgroup_file.empty() && !access.workgroup_user.empty())
    engine->set_ugl_info(access.workgroup_file, access.workgroup_user, access.workgroup_password);
  else
    engine->set_anonymous_sys_db();

  tk_wtrace(3, L"Opening MS Access database '%s'", conv.source_name());
  std::unique_ptr<udb_database> source = engine->open_db(
      conv.source_name(), udb_source_engine::kOpenConvert, access.database_password);
  TK_ASSERT(source != nullptr);

  const bool agent = conv.front_end() == tarvel_front_end::agent;
  if (agent && conv.selected_tables.empty() && conv.queries.empty())
    conv.selected_tables = source->tables();

  const int32_t n_tables = static_cast<int32_t>(conv.selected_tables.size());
  conv.tables_to_convert = n_tables;
  tk_wtrace(3, L"Converting database %s (%d tables)", conv.source_name(), n_tables);
  if (agent && !conv.is_silent())
    print_line(stdout,
               tk_format("Converting database %s (%d tables)", conv.source_name(), n_tables));

  // Names are decided over every table of the source, selected or not, and
  // the run's queries; the destination's tables do not count as taken: the
  // one of a name is the table an earlier run made, to which the mode
  // applies. (A selected name is one of the source's, maybe in another case.)
  const std::vector<std::wstring> source_tables = source->tables();
  std::unique_ptr<udb_validator> table_names =
      destination->create_table_name_validator(source_tables, {});
  for (const auto& entry : conv.queries) table_names->used_names().push_back(entry.first);

  // A query keeps its entry when a table of the same name is selected.
  for (const std::wstring& table : conv.selected_tables) conv.queries.emplace(table, L"");
  // The progress counts every entry visited, queries included, so that
  // tables done never passes tables to convert.
  conv.tables_to_convert = static_cast<int32_t>(conv.queries.size());

  run_view view(conv);
  job_reports reports(handler);
  conversion_driver driver(view, reports, *source, *destination, *table_names);
  udb_converter::query_map every_name;
  for (const auto& [name, text] : conv.queries)
    if (!text.empty()) every_name.emplace(name, text);
  for (const std::wstring& table : source_tables) every_name.emplace(table, L"");
  std::vector<std::wstring> names;
  for (const auto& entry : every_name) names.push_back(entry.first);
  driver.plan_names(names);
  const work_order order = conversion_order(conv.queries, source->relationships());
  size_t next = 0;
  if (conv.jobs > 1 && order.size() > 1)
    next = convert_on_jobs(
        conv, *engine, *destination, order, source->relationships(),
        [&driver](run_view& job_view, job_reports& job_report, udb_database& job_source,
                  udb_destination& session, job_board& board) -> std::unique_ptr<job_worker> {
          return std::make_unique<driver_worker>(job_view, job_report, job_source, session, driver,
                                                 board);
        });
  for (size_t i = next; i < order.size(); ++i) {
    conv.wait_while_paused();
    if (conv.stop_requested()) break;
    driver.convert_entry(order[i]->first, order[i]->second);
    ++conv.tables_done;
  }
  // A stopped run leaves what it wrote and builds nothing more.
  if (conv.stop_requested()) {
    tk_trace(3, "Conversion stopped on request");
  } else {
    driver.create_foreign_keys(source->relationships());
    driver.create_foreign_keys(driver.child_relationships());
    if (!conv.stop_requested()) driver.carry_logic();
  }
  // A stop between tables, or one during the foreign keys, stopped no copy.
  if (conv.stop_requested() && !conv.last_stop)
    conv.last_stop = udb_converter::stop_point{L"", 0, conv.tables_done.load()};

  tk_trace(1, "Right after converting table");
  handler.clear_context();
  conv.tables_done = 0;
  conv.tables_to_convert = 0;
  table_names.reset();
  source.reset();
  engine.reset();
  index_names.reset();
}

// An error that is not of the toolkit family ended the run.
void report_run_failure(const tarvel_convertor& conv, const char* text) {
  tk_trace(3, "ERROR:\n%s", text);
  if (conv.front_end() == tarvel_front_end::agent) {
    if (!conv.is_silent()) {
      print_line(stderr, "ERROR:");
      print_line(stderr, text);
    }
  } else if (error_handler::exists()) {
    error_handler::instance().reporter().show_run_error(text);
  }
}

}  // namespace

void tarvel_convertor::operator()() {
  tk_trace(2, "tarvel_convertor::operator()");
  // Marks the converter finished when the run is left, after any report.
  init_conversion bracket(finished_flag(), true);
  last_stop.reset();
  outcomes.clear();
  try {
    run(*this);
  } catch (const tk_final_exception&) {
    // The user or a fatal error stopped the run; it has been reported.
  } catch (const tk_exception& e) {
    error_handler::instance().handle(e, true);
  } catch (const std::exception& e) {
    report_run_failure(*this, e.what());
  }
  // Every run ends with the counters at 0 and no table context left for
  // errors reported after it, also when it was stopped half-way.
  tables_done = 0;
  tables_to_convert = 0;
  if (error_handler::exists()) error_handler::instance().clear_context();
  clear_stop();
}

void tarvel_convertor::get_all_tables(std::vector<std::wstring>& list) {
  tk_trace(2, "tarvel_convertor::get_all_tables");
  std::unique_ptr<udb_source_engine> engine = make_source_engine();
  select_source_version(*engine);
  engine->set_ugl_info(access.workgroup_file, access.workgroup_user, access.workgroup_password);
  std::unique_ptr<udb_database> db =
      engine->open_db(source_name(), udb_source_engine::kOpenList, access.database_password);
  TK_ASSERT(db != nullptr);
  list = db->tables();
  db.reset();
  engine.reset();
}
