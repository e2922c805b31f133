// The conversion run against in-memory source and destination databases:
// the order of its steps, the four modes, error routing per record, per
// table and per run, names, the agent's console lines and the progress
// counters.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <optional>

#include "common/error_handler.h"
#include "common/tarvel_convertor.h"
#include "memory_databases.h"

namespace {

struct process_ended {
  int code;
};

struct report_log {
  std::vector<std::string> asked, shown;
  error_reporter::answer reply = error_reporter::answer::go_on;
};

class recording_reporter : public error_reporter {
 public:
  explicit recording_reporter(report_log& log) : log_(log) {}
  void show_internal_error(const std::string& text) override { log_.shown.push_back(text); }
  answer ask_continue(const std::string& m) override {
    log_.asked.push_back(m);
    return log_.reply;
  }
  void show_run_error(const std::string& m) override { log_.shown.push_back(m); }
  bool run_error_ends_process() const override { return true; }
  void end_process(int code) override { throw process_ended{code}; }

 private:
  report_log& log_;
};

mem_table people(std::vector<row> rows) {
  mem_table t;
  t.columns = {{L"ID", VT_BSTR, 10}, {L"Name", VT_BSTR, 50}};
  t.rows = std::move(rows);
  t.indexes = {udb_index{L"PrimaryKey", true, true, {L"ID"}}};
  return t;
}

const std::string kDuplicateText =
    "Duplicate field values being used for an unique index were found. "
    "See 'Troubleshooting' article of the product documentation for solution.";

class Driver : public ::testing::Test {
 protected:
  explicit Driver(tarvel_front_end front_end = tarvel_front_end::agent)
      : handler_(kOracleErrorMessageCount, kOracleErrorMessages,
                 std::make_unique<recording_reporter>(report_)),
        conv_(front_end) {
    handler_.load_err_map(kDaoErrorMessageCount, kDaoErrorMessages);
    conv_.set_source_name(L"/data/sales.mdb");
    conv_.set_source_engine_factory(
        [this] { return std::make_unique<mem_source_engine>(source_, log_); });
    auto dest = std::make_unique<mem_destination>(log_);
    dest_ = dest.get();
    conv_.oracle.set_destination(std::move(dest));
  }

  void add_source(const std::wstring& name, const mem_table& t) {
    source_.tables.emplace_back(name, t);
  }
  // Runs the conversion and keeps its console output; the exit code when
  // the error handler ended the process.
  std::optional<int> run() {
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    std::optional<int> exit_code;
    try {
      conv_();
    } catch (const process_ended& e) {
      exit_code = e.code;
    }
    out_ = testing::internal::GetCapturedStdout();
    err_ = testing::internal::GetCapturedStderr();
    return exit_code;
  }
  bool logged(const std::string& event) const {
    return std::find(log_.begin(), log_.end(), event) != log_.end();
  }
  std::vector<row>& rows(const std::wstring& table) { return dest_->table(table).rows; }

  event_log log_;
  report_log report_;
  error_handler handler_;
  mem_source_setup source_;
  tarvel_convertor conv_;
  mem_destination* dest_ = nullptr;
  std::string out_, err_;
};

TEST_F(Driver, RunFollowsItsStepsAndReleasesInReverseOrder) {
  add_source(L"Orders", people({{L"1", L"a"}}));
  conv_.uppercase = true;
  EXPECT_EQ(run(), std::nullopt);
  const event_log expected = {"+index names",
                              "uppercase=1",
                              "+engine",
                              "version 3",
                              "version 0",
                              "anonymous",
                              "open /data/sales.mdb mode=1 pw=",
                              "+table names",
                              "get_table Orders 1",
                              "create ORDERS indexes=1",
                              "move_first Orders",
                              "close dst ORDERS",
                              "close src Orders",
                              "-table names",
                              "close source",
                              "-engine",
                              "-index names"};
  EXPECT_EQ(log_, expected);
  EXPECT_EQ(out_,
            "Converting database /data/sales.mdb (1 tables)\n"
            "Converting table Orders (1 records)\n");
  EXPECT_TRUE(conv_.is_finished());
  EXPECT_TRUE(report_.asked.empty());
}

TEST_F(Driver, WorkgroupSettingsReachTheEngineOnlyWithFileAndUser) {
  conv_.access.workgroup_file = L"/data/system.mdw";
  conv_.access.database_password = L"pw";
  run();
  EXPECT_TRUE(logged("anonymous"));
  log_.clear();
  conv_.access.workgroup_user = L"admin";
  run();
  EXPECT_TRUE(logged("ugl /data/system.mdw,admin,"));
  EXPECT_TRUE(logged("open /data/sales.mdb mode=1 pw=pw"));
  EXPECT_FALSE(logged("anonymous"));
}

// Source T holds keys 1 and 2; the destination already holds key 1.
TEST_F(Driver, FourModesOnAnExistingTable) {
  struct mode_case {
    int32_t mode;
    std::vector<row> expected;
    bool dropped, created;
  } cases[] = {
      {UDB_MODE_OVERWRITE, {{L"1", L"a"}, {L"2", L"b"}}, true, true},
      {UDB_MODE_SKIP, {{L"1", L"old"}}, false, false},
      {UDB_MODE_MERGE, {{L"1", L"old"}, {L"2", L"b"}}, false, false},
      {UDB_MODE_SYNC, {{L"1", L"a"}, {L"2", L"b"}}, false, false},
  };
  add_source(L"T", people({{L"1", L"a"}, {L"2", L"b"}}));
  for (const mode_case& c : cases) {
    SCOPED_TRACE(c.mode);
    log_.clear();
    dest_->add_existing(L"T", people({{L"1", L"old"}}));
    conv_.set_mode(c.mode);
    run();
    EXPECT_EQ(rows(L"T"), c.expected);
    EXPECT_EQ(logged("drop T"), c.dropped);
    EXPECT_EQ(logged("create T indexes=1"), c.created);
    EXPECT_EQ(logged("open dst T 8"), !c.dropped && c.mode != UDB_MODE_SKIP);
    EXPECT_TRUE(logged("close src T"));
    EXPECT_TRUE(report_.asked.empty());
    dest_->delete_tab(L"T");
  }
}

TEST_F(Driver, OutcomesRecordWhatEachEntryDid) {
  mem_table wide = people({{L"1", L"old", L"x"}});
  wide.columns.push_back({L"Extra", VT_I4, 0});
  add_source(L"T", people({{L"1", L"a"}, {L"2", L"b"}}));
  add_source(L"U", people({{L"9", L"z"}}));
  dest_->add_existing(L"T", people({{L"1", L"old"}}));
  dest_->add_existing(L"U", wide);
  conv_.set_mode(UDB_MODE_MERGE);
  run();
  ASSERT_EQ(conv_.outcomes.size(), 2u);
  const table_outcome& t = conv_.outcomes[0];
  EXPECT_EQ(t.source_name, L"T");
  EXPECT_EQ(t.destination_name, L"T");
  EXPECT_EQ(t.rows_read, 2u);
  EXPECT_EQ(t.rows_kept, 1u);  // the existing row merge leaves alone
  EXPECT_EQ(t.rows_written(), 1u);
  EXPECT_FALSE(t.failed() || t.skipped || t.stopped);
  const table_outcome& u = conv_.outcomes[1];
  EXPECT_EQ(u.error, "The structure of data source does not conform to the destination table.");
  EXPECT_EQ(u.rows_written(), 0u);

  conv_.set_mode(UDB_MODE_SKIP);
  run();
  ASSERT_EQ(conv_.outcomes.size(), 2u);  // a new run starts a new list
  EXPECT_TRUE(conv_.outcomes[0].skipped);
}

TEST_F(Driver, MergeRefusesADifferentStructureAndSynchronizeDoesNot) {
  mem_table wide = people({{L"1", L"old", L"x"}});
  wide.columns.push_back({L"Extra", VT_I4, 0});
  add_source(L"T", people({{L"1", L"a"}, {L"2", L"b"}}));
  add_source(L"U", people({{L"9", L"z"}}));
  dest_->add_existing(L"T", wide);
  conv_.set_mode(UDB_MODE_MERGE);
  run();
  ASSERT_EQ(report_.asked.size(), 1u);
  EXPECT_EQ(report_.asked[0],
            "T: The structure of data source does not conform to the destination table.");
  EXPECT_EQ(rows(L"T").size(), 1u);
  EXPECT_EQ(rows(L"U").size(), 1u);  // the next entry still follows

  conv_.set_mode(UDB_MODE_SYNC);
  dest_->delete_tab(L"U");
  run();
  EXPECT_EQ(report_.asked.size(), 1u);
  EXPECT_EQ(rows(L"T"), (std::vector<row>{{L"1", L"a"}, {L"2", L"b"}}));
}

TEST_F(Driver, RecordErrorsCostOneRecordEach) {
  add_source(L"A", people({{L"1", L"a"}, {L"1", L"dup"}, {L"2", L"bad"}, {L"3", L"c"}}));
  add_source(L"B", people({{L"7", L"b"}}));
  dest_->bad_value = L"bad";
  run();
  ASSERT_EQ(report_.asked.size(), 2u);
  EXPECT_EQ(report_.asked[0], "A, record #2: " + kDuplicateText);
  EXPECT_EQ(report_.asked[1], "A, record #3: ORA-01438: value larger than specified precision");
  EXPECT_EQ(rows(L"A"), (std::vector<row>{{L"1", L"a"}, {L"3", L"c"}}));
  EXPECT_EQ(rows(L"B").size(), 1u);
}

TEST_F(Driver, DuplicateKeysAreNoErrorsInMergeAndSynchronize) {
  add_source(L"T", people({{L"1", L"a"}, {L"2", L"b"}}));
  dest_->add_existing(L"T", people({{L"1", L"old"}, {L"2", L"old"}}));
  conv_.set_mode(UDB_MODE_MERGE);
  run();  // a re-run of the same data changes nothing
  EXPECT_EQ(rows(L"T"), (std::vector<row>{{L"1", L"old"}, {L"2", L"old"}}));
  conv_.set_mode(UDB_MODE_SYNC);
  run();  // every row is updated
  EXPECT_EQ(rows(L"T"), (std::vector<row>{{L"1", L"a"}, {L"2", L"b"}}));
  EXPECT_TRUE(report_.asked.empty());
  // A destination that cannot compare rows: each duplicate key is an update.
  const table_outcome& t = conv_.outcomes.at(0);
  EXPECT_TRUE(t.synchronized);
  EXPECT_EQ(t.rows_updated, 2u);
  EXPECT_EQ(t.rows_inserted(), 0u);
}

TEST_F(Driver, AFailedUpdateCostsOnlyItsRecord) {
  add_source(L"T", people({{L"1", L"bad"}, {L"2", L"b"}}));
  dest_->add_existing(L"T", people({{L"1", L"old"}, {L"2", L"old"}}));
  dest_->bad_update = L"bad";
  conv_.set_mode(UDB_MODE_SYNC);
  run();
  ASSERT_EQ(report_.asked.size(), 1u);
  EXPECT_EQ(report_.asked[0], "T, record #1: ORA-01438: value larger than specified precision");
  EXPECT_EQ(rows(L"T"), (std::vector<row>{{L"1", L"old"}, {L"2", L"b"}}));
  // The refused update counts as refused, not as updated.
  const table_outcome& t = conv_.outcomes.at(0);
  EXPECT_EQ(t.rows_refused, 1u);
  EXPECT_EQ(t.rows_updated, 1u);
  EXPECT_EQ(t.rows_written(), 1u);
}

TEST_F(Driver, TableErrorsSkipToTheNextEntry) {
  mem_table unreadable = people({{L"1", L"a"}, {L"2", L"b"}, {L"3", L"c"}});
  unreadable.fail_read_at = 1;
  add_source(L"A", people({{L"1", L"a"}}));
  add_source(L"B", unreadable);
  add_source(L"C", people({{L"1", L"c"}}));
  add_source(L"D", people({{L"1", L"d"}}));
  dest_->failing_creates = {L"A"};
  dest_->add_existing(L"C", people({}));
  dest_->busy_tables = {L"C"};
  run();
  const std::vector<std::string> expected = {
      "A: ORA-00955: name is already used by an existing object", "B: Cannot read the next record",
      "C: Cannot delete table because it is busy with another process"};
  EXPECT_EQ(report_.asked, expected);
  EXPECT_EQ(rows(L"B").size(), 2u);  // rows read before the failure stay
  EXPECT_EQ(rows(L"D").size(), 1u);
  EXPECT_TRUE(logged("close src B"));
}

TEST_F(Driver, AbortEndsTheRunQuietlyAfterReleasingTheTable) {
  add_source(L"A", people({{L"1", L"a"}, {L"1", L"dup"}, {L"2", L"b"}}));
  add_source(L"B", people({{L"1", L"b"}}));
  report_.reply = error_reporter::answer::abort;
  EXPECT_EQ(run(), std::nullopt);
  EXPECT_EQ(report_.asked.size(), 1u);
  EXPECT_EQ(rows(L"A").size(), 1u);
  EXPECT_FALSE(dest_->has(L"B"));
  EXPECT_TRUE(logged("close dst A") && logged("close src A") && logged("-engine"));
  EXPECT_TRUE(conv_.is_finished());
  EXPECT_EQ(conv_.tables_done, 0);
  EXPECT_EQ(handler_.context(), "");
}

TEST_F(Driver, RunErrorsGoToTheHandlerAndFinishTheRun) {
  source_.loadable_versions = {};
  EXPECT_EQ(run(), -1);  // the agent's handler ends the process on level 1
  EXPECT_EQ(report_.shown.at(0),
            "Failed to load Data Access Objects (DAO) support library. Microsoft Access "
            "installation is required to proceed with the application. ");
  EXPECT_TRUE(conv_.is_finished());
  EXPECT_TRUE(logged("version 1"));
  EXPECT_FALSE(logged("+table names"));
}

TEST_F(Driver, OtherExceptionsEndTheRunWithTheAgentsErrorLines) {
  add_source(L"A", people({{L"1", L"a"}}));
  dest_->on_append = [](const udb_record&) { throw std::runtime_error("out of memory"); };
  EXPECT_EQ(run(), std::nullopt);
  EXPECT_EQ(err_, "ERROR:\nout of memory\n");
  EXPECT_TRUE(conv_.is_finished());
}

TEST_F(Driver, AQueryAndATableOfOneNameAreConvertedOnceAsTheQuery) {
  add_source(L"B", people({{L"1", L"table"}}));
  add_source(L"C", people({{L"1", L"c"}}));
  source_.queries[L"SELECT * FROM C"] = people({{L"1", L"query"}});
  conv_.selected_tables = {L"C", L"B"};
  conv_.queries = {{L"B", L"SELECT * FROM C"}, {L"A", L"SELECT * FROM C"}};
  run();
  std::vector<std::string> opens;
  for (const std::string& e : log_)
    if (e.rfind("get_", 0) == 0) opens.push_back(e);
  EXPECT_EQ(opens, (std::vector<std::string>{"get_query A 1", "get_query B 1", "get_table C 1"}));
  EXPECT_EQ(rows(L"B"), (std::vector<row>{{L"1", L"query"}}));
  EXPECT_NE(out_.find("(2 tables)"), std::string::npos);
}

TEST_F(Driver, GeneratedTableNamesAreKeptInTheNamesMap) {
  add_source(L"Order Details", people({{L"1", L"a"}}));
  add_source(L"Order_Details", people({{L"2", L"b"}}));
  add_source(L"table", people({{L"3", L"c"}}));
  add_source(L"Orders", people({{L"4", L"d"}}));
  source_.queries[L"SELECT * FROM Orders"] = people({{L"5", L"e"}});
  conv_.queries[L"ORDERS"] = L"SELECT * FROM Orders";
  conv_.selected_tables = {L"Order Details", L"Order_Details", L"table", L"Orders"};
  conv_.uppercase = true;
  run();
  const udb_names_map& names = dest_->names_map();
  EXPECT_EQ(names.get_tn_mapped_name(L"Order Details", true), L"ORDER_DETAILS00000");
  EXPECT_EQ(names.get_tn_mapped_name(L"Order_Details", true), L"ORDER_DETAILS");
  EXPECT_EQ(names.get_tn_mapped_name(L"table", true), L"TABLE00000");
  // The query ORDERS came first and keeps its name; Orders must not overwrite it.
  EXPECT_EQ(names.get_tn_mapped_name(L"ORDERS", true), L"ORDERS");
  EXPECT_EQ(names.get_tn_mapped_name(L"Orders", true), L"ORDERS00000");
  EXPECT_EQ(rows(L"ORDERS"), (std::vector<row>{{L"5", L"e"}}));
  EXPECT_EQ(rows(L"ORDER_DETAILS00000"), (std::vector<row>{{L"1", L"a"}}));
  EXPECT_EQ(conv_.current_destination_name(), L"TABLE00000");  // the last entry
}

// Names are decided over all the source's tables, whatever the selection
// and whatever the destination holds: a re-run in any mode finds the tables
// of the first run, and "A B" and "A_B" keep their own tables.
TEST_F(Driver, RerunsFindTheTablesOfTheFirstRunInEveryMode) {
  add_source(L"A B", people({{L"1", L"blank"}}));
  add_source(L"A_B", people({{L"1", L"underscore"}}));
  add_source(L"table", people({{L"1", L"reserved"}}));
  conv_.set_mode(UDB_MODE_OVERWRITE);
  run();
  const std::vector<std::wstring> first = dest_->tables();
  ASSERT_EQ(first, (std::vector<std::wstring>{L"A_B00000", L"A_B", L"table00000"}));
  for (int32_t mode : {UDB_MODE_SKIP, UDB_MODE_MERGE, UDB_MODE_SYNC, UDB_MODE_OVERWRITE}) {
    SCOPED_TRACE(mode);
    rows(L"A_B00000")[0][1] = L"changed";
    log_.clear();
    conv_.set_mode(mode);
    run();
    std::vector<std::wstring> now = dest_->tables();
    std::sort(now.begin(), now.end());
    EXPECT_EQ(now, (std::vector<std::wstring>{L"A_B", L"A_B00000", L"table00000"}));
    const bool written = mode == UDB_MODE_SYNC || mode == UDB_MODE_OVERWRITE;
    EXPECT_EQ(rows(L"A_B00000"), (std::vector<row>{{L"1", written ? L"blank" : L"changed"}}));
    EXPECT_EQ(rows(L"A_B"), (std::vector<row>{{L"1", L"underscore"}}));
    EXPECT_EQ(logged("open dst A_B00000 8"), mode == UDB_MODE_MERGE || mode == UDB_MODE_SYNC);
    EXPECT_TRUE(report_.asked.empty());
  }
  // A selection of one table (in another case) gives it the same name.
  conv_.selected_tables = {L"a b"};
  conv_.set_mode(UDB_MODE_SKIP);
  log_.clear();
  run();
  EXPECT_TRUE(logged("get_table a b 1"));
  EXPECT_FALSE(logged("create a_b indexes=1"));
  EXPECT_EQ(dest_->tables().size(), 3u);
}

// A table that another session holds is reported once in merge and
// synchronize; the next table follows.
TEST_F(Driver, ABusyTableInMergeOrSynchronizeIsReportedOnce) {
  add_source(L"Busy", people({{L"1", L"a"}, {L"2", L"b"}}));
  add_source(L"Free", people({{L"1", L"a"}}));
  for (int32_t mode : {UDB_MODE_MERGE, UDB_MODE_SYNC}) {
    SCOPED_TRACE(mode);
    dest_->add_existing(L"Busy", people({{L"1", L"old"}}));
    dest_->busy_tables = {L"Busy"};
    report_.asked.clear();
    conv_.set_mode(mode);
    run();
    ASSERT_EQ(report_.asked.size(), 1u);
    EXPECT_EQ(report_.asked[0],
              "Busy: Cannot write to table Busy because it is busy with another process "
              "ORA-00054: resource busy and acquire with NOWAIT specified");
    EXPECT_EQ(rows(L"Busy"), (std::vector<row>{{L"1", L"old"}}));
    EXPECT_EQ(rows(L"Free").size(), 1u);
    dest_->busy_tables.clear();
    dest_->delete_tab(L"Busy");
    dest_->delete_tab(L"Free");
  }
}

TEST_F(Driver, OnlyDefinitionsAndEmptyTablesCreateTablesWithoutRecords) {
  add_source(L"Empty", people({}));
  add_source(L"Full", people({{L"1", L"a"}, {L"2", L"b"}}));
  conv_.only_definitions = true;
  conv_.skip_indexes = true;
  run();
  EXPECT_TRUE(logged("create Empty indexes=0") && logged("create Full indexes=0"));
  EXPECT_FALSE(logged("move_first Empty") || logged("move_first Full"));
  EXPECT_TRUE(rows(L"Full").empty());
  EXPECT_NE(out_.find("Converting table Full (2 records)\n"), std::string::npos);

  conv_.only_definitions = false;
  conv_.set_mode(UDB_MODE_OVERWRITE);
  run();
  EXPECT_FALSE(logged("move_first Empty"));  // a table of 0 records has no record loop
  EXPECT_EQ(rows(L"Full").size(), 2u);
}

TEST_F(Driver, SelectedTablesMissingFromTheSourceAreNamedOnStandardError) {
  mem_table system = people({});
  system.system = true;
  add_source(L"MSysObjects", system);
  add_source(L"Orders", people({{L"1", L"a"}}));
  conv_.selected_tables = {L"Nope", L"MSysObjects", L"orders"};
  run();
  EXPECT_EQ(err_, "Table Nope not exists\n");
  EXPECT_FALSE(logged("get_table Nope 1"));
  EXPECT_FALSE(dest_->has(L"MSysObjects"));  // skipped as a system table
  // The table is named as the source spells it, as in a run over all tables.
  EXPECT_EQ(rows(L"Orders").size(), 1u);

  conv_.set_silent(true);
  run();
  EXPECT_EQ(err_, "");
  EXPECT_EQ(out_, "");
}

TEST_F(Driver, ProgressCountersFollowTheRun) {
  struct snapshot {
    std::wstring table;
    int32_t records, index, done, total;
    bool operator==(const snapshot&) const = default;
  };
  std::vector<snapshot> seen;
  dest_->on_append = [&](const udb_record&) {
    seen.push_back({conv_.current_table_name(), conv_.records_in_current_table,
                    conv_.current_record_index, conv_.tables_done, conv_.tables_to_convert});
  };
  mem_table two = people({{L"1", L"a"}, {L"2", L"b"}});
  two.announced = 5;  // what the source announced, not what it holds
  add_source(L"A", two);
  add_source(L"B", people({{L"1", L"b"}}));
  run();
  const std::vector<snapshot> expected = {
      {L"A", 5, 0, 0, 2}, {L"A", 5, 1, 0, 2}, {L"B", 1, 0, 1, 2}};
  EXPECT_EQ(seen, expected);
  EXPECT_EQ(conv_.tables_done, 0);
  EXPECT_EQ(conv_.tables_to_convert, 0);
  EXPECT_EQ(conv_.current_table_name(), L"B");
  EXPECT_EQ(conv_.current_record_index, 1);
}

TEST_F(Driver, StopRequestEndsTheRunBetweenRecordsAndKeepsWhatWasWritten) {
  add_source(L"A", people({{L"1", L"a"}, {L"2", L"b"}, {L"3", L"c"}, {L"4", L"d"}}));
  add_source(L"B", people({{L"1", L"b"}}));
  int appended = 0;
  // Raised from inside the second write: that record is finished, no third.
  dest_->on_append = [&](const udb_record&) {
    if (++appended == 2) conv_.request_stop();
  };
  EXPECT_EQ(run(), std::nullopt);
  EXPECT_EQ(rows(L"A").size(), 2u);
  EXPECT_TRUE(logged("close dst A") && logged("close src A"));
  EXPECT_FALSE(dest_->has(L"B"));
  EXPECT_TRUE(conv_.is_finished());
  EXPECT_TRUE(report_.asked.empty() && report_.shown.empty());
  // The request belonged to that run: the next one converts everything.
  EXPECT_FALSE(conv_.stop_requested());
  dest_->on_append = nullptr;
  run();
  EXPECT_EQ(rows(L"A").size(), 4u);
  EXPECT_EQ(rows(L"B").size(), 1u);

  // A request made before the run starts converts nothing.
  conv_.request_stop();
  dest_->add_existing(L"C", people({}));
  add_source(L"C", people({{L"9", L"z"}}));
  conv_.set_mode(UDB_MODE_MERGE);
  run();
  EXPECT_TRUE(rows(L"C").empty());
}

TEST_F(Driver, TableListAndQueryTestOpenTheSourceTheirOwnWay) {
  add_source(L"B", people({}));
  add_source(L"A", people({}));
  source_.queries[L"SELECT 1"] = people({});
  conv_.access.workgroup_file = L"/w.mdw";
  std::vector<std::wstring> list = {L"stale"};
  conv_.get_all_tables(list);
  EXPECT_EQ(list, (std::vector<std::wstring>{L"B", L"A"}));
  EXPECT_TRUE(logged("ugl /w.mdw,,") && logged("open /data/sales.mdb mode=33 pw="));
  EXPECT_TRUE(conv_.test_query(L"SELECT 1"));
  EXPECT_FALSE(conv_.test_query(L"SELEC"));
  source_.loadable_versions = {};
  EXPECT_FALSE(conv_.test_query(L"SELECT 1"));
  EXPECT_THROW(conv_.get_all_tables(list), tk_exception);
}

TEST_F(Driver, SourceCheckOpensForCheckingAndClosesAtOnce) {
  conv_.access.check_acc_base(L"/data/sales.mdb", L"secret");
  const event_log expected = {"+engine",
                              "version 3",
                              "version 0",
                              "anonymous",
                              "open /data/sales.mdb mode=97 pw=secret",
                              "close source",
                              "-engine"};
  EXPECT_EQ(log_, expected);
}

// The wizard's run has no agent-only steps: an empty selection converts
// nothing, and a missing table is only skipped, without console lines.
class WizardDriver : public Driver {
 protected:
  static tarvel_front_end wizard_with_private_settings() {
    static const std::string dir =
        (std::filesystem::temp_directory_path() / "tarvel-driver-test").string();
    setenv("XDG_CONFIG_HOME", dir.c_str(), 1);
    return tarvel_front_end::wizard;
  }
  WizardDriver() : Driver(wizard_with_private_settings()) {}
};

TEST_F(WizardDriver, HasNoAgentOnlySteps) {
  add_source(L"Orders", people({{L"1", L"a"}}));
  conv_.set_mode(UDB_MODE_OVERWRITE);
  conv_.uppercase = false;
  run();
  EXPECT_FALSE(dest_->has(L"Orders"));
  conv_.selected_tables = {L"Nope", L"Orders"};
  run();
  EXPECT_TRUE(logged("get_table Nope 1"));
  EXPECT_EQ(out_ + err_, "");
  EXPECT_EQ(rows(L"Orders").size(), 1u);
}

}  // namespace

namespace {

// An Oracle-coded error as the Oracle layer raises it.
tk_exception oracle_error(int32_t number, const std::string& text) {
  return tk_exception(text, 0x100000 + number, TK_LEVEL_RECORD);
}

}  // namespace

// A table that another session holds fails at its first record: one report
// for the table, no attempt at its other records, and the run goes on.
TEST_F(Driver, ALockedTableIsGivenUpAtItsFirstRecord) {
  for (int32_t number : {54, 30006}) {
    SCOPED_TRACE(number);
    report_.asked.clear();
    source_.tables.clear();
    conv_.selected_tables.clear();
    conv_.queries.clear();
    add_source(L"A", people({{L"1", L"a"}, {L"2", L"b"}, {L"3", L"c"}}));
    add_source(L"B", people({{L"1", L"b"}}));
    int attempts = 0;
    dest_->on_append = [&](const udb_record& record) {
      if (record[1].to_wstring() == L"b" && record[0].to_wstring() == L"1") return;
      ++attempts;
      throw oracle_error(number, "ORA-" + std::to_string(number) + ": resource busy");
    };
    conv_.set_mode(UDB_MODE_OVERWRITE);
    EXPECT_EQ(run(), std::nullopt);
    EXPECT_EQ(attempts, 1);
    ASSERT_EQ(report_.asked.size(), 1u);
    EXPECT_EQ(report_.asked[0],
              "A: Cannot write to table A because it is busy with another process ORA-" +
                  std::to_string(number) + ": resource busy");
    EXPECT_EQ(rows(L"B").size(), 1u);
  }
}

// A full destination ends the run at once with one clear message: what was
// written stays, no later table is started.
TEST_F(Driver, AFullDestinationEndsTheRunOnce) {
  const std::pair<int32_t, std::string> full[] = {
      {1653, "ORA-01653: unable to extend table SCOTT.A by 8 in tablespace USERS"},
      {1654, "ORA-01654: unable to extend index SCOTT.PK by 8 in tablespace USERS"},
      {600, "ORA-00600: internal error code, arguments: [database or disk is full]"}};
  for (const auto& [number, text] : full) {
    SCOPED_TRACE(number);
    report_.asked.clear();
    report_.shown.clear();
    source_.tables.clear();
    conv_.selected_tables.clear();
    conv_.queries.clear();
    log_.clear();
    auto dest = std::make_unique<mem_destination>(log_);
    dest_ = dest.get();
    conv_.oracle.set_destination(std::move(dest));
    add_source(L"A", people({{L"1", L"a"}, {L"2", L"b"}, {L"3", L"c"}}));
    add_source(L"B", people({{L"1", L"b"}}));
    int attempts = 0;
    dest_->on_append = [&, error = oracle_error(number, text)](const udb_record& record) {
      if (record[0].to_wstring() == L"1") return;
      ++attempts;
      throw error;
    };
    EXPECT_EQ(run(), -1);
    EXPECT_EQ(attempts, 1);
    EXPECT_TRUE(report_.asked.empty());
    ASSERT_EQ(report_.shown.size(), 1u);
    EXPECT_EQ(report_.shown[0], "A: The Oracle database has no room left for the data: " + text +
                                    ". The records written so far are kept. Make room, then "
                                    "convert again in merge mode to add the rest.");
    EXPECT_EQ(rows(L"A"), (std::vector<row>{{L"1", L"a"}}));
    EXPECT_FALSE(dest_->has(L"B"));
  }
  // Another internal error is no full disk: it costs its record only.
  report_.shown.clear();
  report_.asked.clear();
  source_.tables.clear();
  conv_.selected_tables.clear();
  conv_.queries.clear();
  add_source(L"C", people({{L"1", L"a"}, {L"2", L"b"}}));
  dest_->on_append = [](const udb_record& record) {
    if (record[0].to_wstring() == L"2") throw oracle_error(600, "ORA-00600: [kdsgrp1]");
  };
  EXPECT_EQ(run(), std::nullopt);
  EXPECT_EQ(report_.asked.size(), 1u)
      << out_ << err_ << (report_.shown.empty() ? "" : report_.shown[0]);
  EXPECT_TRUE(report_.shown.empty());
}
