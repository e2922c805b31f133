// How jobs beside each other report: each error with its own job's context,
// one at a time; an error that ends the run is kept for the run's thread and
// stops every job; after an abort nothing more is reported; console lines
// wait for the table's end.
#include "common/conversion_job.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "common/error_messages.h"

namespace {

class recording_reporter : public error_reporter {
 public:
  struct log {
    std::vector<std::string> asked, shown;
    answer reply = answer::go_on;
  };
  explicit recording_reporter(log& l) : log_(l) {}
  void show_internal_error(const std::string&) override {}
  answer ask_continue(const std::string& m) override {
    log_.asked.push_back(m);
    return log_.reply;
  }
  void show_run_error(const std::string& m) override { log_.shown.push_back(m); }
  bool run_error_ends_process() const override { return false; }

 private:
  log& log_;
};

class JobReports : public ::testing::Test {
 protected:
  JobReports()
      : handler_(kOracleErrorMessageCount, kOracleErrorMessages,
                 std::make_unique<recording_reporter>(log_)) {}
  recording_reporter::log log_;
  error_handler handler_;
  job_board board_;
};

TEST_F(JobReports, EachJobReportsWithItsOwnContext) {
  constexpr int kErrors = 200;
  auto job = [&](const std::wstring& table, const std::string& text) {
    job_reports reports(handler_, board_);
    for (int i = 1; i <= kErrors; ++i) {
      reports.set_context(table, i);
      reports.handle(tk_exception(text + " " + std::to_string(i), 7, TK_LEVEL_RECORD), false);
    }
  };
  std::thread a(job, L"Alpha", "alpha error");
  std::thread b(job, L"Beta", "beta error");
  a.join();
  b.join();
  ASSERT_EQ(log_.asked.size(), 2u * kErrors);
  for (const std::string& m : log_.asked) {
    const bool alpha = m.rfind("Alpha, record #", 0) == 0;
    const std::string number = m.substr(m.find('#') + 1, m.find(':') - m.find('#') - 1);
    EXPECT_EQ(m, (alpha ? "Alpha, record #" : "Beta, record #") + number + ": " +
                     (alpha ? "alpha error " : "beta error ") + number);
  }
  EXPECT_TRUE(handler_.context().empty());
  EXPECT_FALSE(board_.abort);
}

TEST_F(JobReports, ARunErrorIsKeptForTheRunAndSilencesTheOtherJobs) {
  job_reports first(handler_, board_), second(handler_, board_);
  first.set_context(L"Orders", 12);
  EXPECT_THROW(first.handle(tk_exception("no room left", 1653, TK_LEVEL_RUN), false),
               tk_final_exception);
  EXPECT_TRUE(board_.abort);
  ASSERT_TRUE(board_.fatal.has_value());
  EXPECT_STREQ(board_.fatal->what(), "no room left");
  EXPECT_EQ(board_.fatal_table, L"Orders");
  EXPECT_EQ(board_.fatal_record, 12);
  // Reported by the run's thread later, not here; and the others say nothing.
  second.set_context(L"Customers", 1);
  second.handle(tk_exception("record error", 7, TK_LEVEL_RECORD), false);
  EXPECT_TRUE(log_.shown.empty());
  EXPECT_TRUE(log_.asked.empty());
}

TEST_F(JobReports, AbortStopsEveryJob) {
  log_.reply = error_reporter::answer::abort;
  job_reports reports(handler_, board_);
  reports.set_context(L"Orders", 3);
  EXPECT_THROW(reports.handle(tk_exception("refused", 7, TK_LEVEL_RECORD), false),
               tk_final_exception);
  EXPECT_TRUE(board_.user_abort);
  EXPECT_TRUE(board_.abort);
  EXPECT_FALSE(board_.fatal.has_value());
  EXPECT_EQ(log_.asked.size(), 1u);
}

TEST_F(JobReports, ConsoleLinesWaitForTheTablesEnd) {
  std::FILE* out = std::tmpfile();
  ASSERT_NE(out, nullptr);
  job_reports reports(handler_, board_);
  reports.say(out, "Converting table Orders (830 records)");
  reports.say(out, "Child table Orders_Files holds ...");
  EXPECT_EQ(std::ftell(out), 0);
  reports.flush_lines();
  std::rewind(out);
  char text[200] = {};
  const size_t n = std::fread(text, 1, sizeof text - 1, out);
  EXPECT_EQ(std::string(text, n),
            "Converting table Orders (830 records)\nChild table Orders_Files holds ...\n");
  std::fclose(out);
}

}  // namespace
