// Interrupting TARVAGENT: SIGINT, SIGTERM and SIGHUP in the middle of a table
// stop the run after a whole record, end the Oracle session, remove the
// temporary workgroup file and say where the run stopped (status 255); a
// second signal ends it at once; a signal before the run converts nothing;
// a merge run afterwards completes the table with every row exactly once.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <thread>

#include "tests/e2e/e2e_support.h"

extern char** environ;

namespace {

using namespace std::chrono_literals;

// 8,000 rows in "Bench" between the 10-row tables "Alpha" and "Omega".
const std::string kStopTest = std::string(TARVEL_TEST_DATA) + "/access/generated/stopTest.mdb";

class Interrupt : public e2e_test {
 protected:
  // Starts TARVAGENT in the test's directory; standard output and error go
  // to agent.out. Records are written one at a time and each server call is
  // slowed a little, so that a signal finds the run in the middle of Bench.
  // `latency_us` is the time each server call takes.
  pid_t start(const std::vector<std::string>& extra = {}, int latency_us = 200,
              int batch_rows = 1) {
    std::vector<std::string> args = {std::string(TARVEL_BIN) + "/TARVAGENT",
                                     "--src=" + kStopTest,
                                     "--dest=E2E",
                                     "--oraclh=localhost",
                                     "--oraclu=e2e",
                                     "--oraclp=e2e",
                                     "--logfile=" + dir_ + "/trace.log"};
    args.insert(args.end(), extra.begin(), extra.end());
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) env.emplace_back(*e);
    for (const char* e : {"TARVEL_OCI_LIB=embedded", "XDG_CONFIG_HOME=/nonexistent"})
      env.emplace_back(e);
    env.push_back("TARVEL_BATCH_ROWS=" + std::to_string(batch_rows));
    env.push_back("TARVEL_ORAEMB_LATENCY_US=" + std::to_string(latency_us));
    env.push_back("TARVEL_ORAEMB_DIR=" + dir_);
    std::vector<char*> argv, envp;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    for (auto& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    const std::string out = dir_ + "/agent.out";
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addchdir_np(&actions, dir_.c_str());
    pid_t pid = -1;
    EXPECT_EQ(posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()), 0);
    posix_spawn_file_actions_destroy(&actions);
    return pid;
  }

  // The exit status, or -1 when the process had to be killed (after 60 s)
  // or did not exit normally.
  static int wait_exit(pid_t pid) {
    int status = 0;
    for (int i = 0; i < 6000; ++i) {
      if (waitpid(pid, &status, WNOHANG) == pid)
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      std::this_thread::sleep_for(10ms);
    }
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
    return -1;
  }

  // Rows of a table committed so far (0 before the table exists); `from`
  // is a quoted name or a dictionary view with its WHERE clause.
  long count_rows(const std::string& from) {
    const rows r = query_quiet("SELECT COUNT(*) FROM " + from);
    return r.size() > 1 && !r[1].empty() ? std::atol(r[1][0].c_str()) : 0;
  }
  long table_rows(const std::string& table) { return count_rows("\"" + table + "\""); }
  long bench_rows() { return table_rows("Bench"); }

  // Waits until the trace log holds `line`, at most 60 s.
  bool wait_for_trace(const std::string& line) {
    for (int i = 0; i < 6000; ++i) {
      std::ifstream in(dir_ + "/trace.log", std::ios::binary);
      const std::string text(std::istreambuf_iterator<char>(in), {});
      if (text.find(line) != std::string::npos) return true;
      std::this_thread::sleep_for(10ms);
    }
    return false;
  }

  // Waits until Bench holds rows, at most 60 s.
  bool wait_for_rows() {
    for (int i = 0; i < 1200; ++i) {
      if (bench_rows() > 0) return true;
      std::this_thread::sleep_for(50ms);
    }
    return false;
  }

  std::string output() const {
    std::ifstream in(dir_ + "/agent.out", std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  bool temp_files_left() const {
    for (const auto& entry : std::filesystem::directory_iterator(dir_))
      if (entry.path().filename().string().rfind("~tmp", 0) == 0) return true;
    return false;
  }

 private:
  rows query_quiet(const std::string& sql) {
    const std::string command = "TARVEL_OCI_LIB=embedded TARVEL_ORAEMB_DIR=" + shell_quote(dir_) +
                                " " + shell_quote(std::string(TARVEL_BIN) + "/oraemb-sql") +
                                " --connect=//localhost:1521/E2E --user=e2e --password=e2e --csv " +
                                shell_quote(sql) + " 2>/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    std::string text;
    char buf[4096];
    size_t n;
    while (pipe && (n = fread(buf, 1, sizeof buf, pipe)) > 0) text.append(buf, n);
    if (pipe) pclose(pipe);
    return parse_csv(text);
  }
};

// "Interrupted: table 'Bench' stopped after 1,234 records; 1 table done." ->
// 1234, or -1 when the line is not there.
long records_in_message(const std::string& output) {
  static const std::regex line(
      "Interrupted: table 'Bench' stopped after ([0-9,]+) records; 1 table done\\.\n");
  std::smatch m;
  if (!std::regex_search(output, m, line)) return -1;
  std::string digits = m[1];
  digits.erase(std::remove(digits.begin(), digits.end(), ','), digits.end());
  return std::atol(digits.c_str());
}

TEST_F(Interrupt, EachStopSignalEndsTheRunAfterAWholeRecord) {
  for (int sig : {SIGINT, SIGTERM, SIGHUP}) {
    SCOPED_TRACE(strsignal(sig));
    const pid_t pid = start();
    ASSERT_TRUE(wait_for_rows()) << output();
    kill(pid, sig);
    EXPECT_EQ(wait_exit(pid), 255) << output();
    const std::string out = output();
    const long reported = records_in_message(out);
    ASSERT_GT(reported, 0) << out;
    EXPECT_LT(reported, 8000);
    // Every record the message counts is committed, and no other.
    EXPECT_EQ(bench_rows(), reported);
    EXPECT_EQ(value("SELECT COUNT(*) FROM \"Alpha\""), "10");
    EXPECT_EQ(value("SELECT COUNT(*) FROM user_tables WHERE table_name = 'Omega'"), "0");
    EXPECT_FALSE(temp_files_left());
    // The next signal's run starts from an empty schema.
    for (const char* t : {"Alpha", "Bench"})
      query(std::string("DROP TABLE \"") + t + "\" CASCADE CONSTRAINTS");
  }
}

TEST_F(Interrupt, MergeAfterAnInterruptionCompletesEveryRowExactlyOnce) {
  const pid_t pid = start();
  ASSERT_TRUE(wait_for_rows()) << output();
  kill(pid, SIGINT);
  ASSERT_EQ(wait_exit(pid), 255) << output();
  const run_result merge = convert(kStopTest, "--mode=3");
  EXPECT_EQ(merge.status, 0) << merge.output;
  EXPECT_EQ(value("SELECT COUNT(*) FROM \"Bench\""), "8000");
  EXPECT_EQ(value("SELECT COUNT(DISTINCT \"ID\") FROM \"Bench\""), "8000");
  EXPECT_EQ(value("SELECT MIN(\"ID\") || '-' || MAX(\"ID\") FROM \"Bench\""), "1-8000");
  EXPECT_EQ(value("SELECT COUNT(*) FROM \"Omega\""), "10");
  EXPECT_FALSE(temp_files_left());
}

// With several jobs a stop ends every job after a whole record: the stop
// point names the table, its records are the ones committed, and a merge
// completes every table with each row once.
TEST_F(Interrupt, AStopEndsEveryJobAfterAWholeRecord) {
  const pid_t pid = start({"--jobs=3"});
  ASSERT_TRUE(wait_for_rows()) << output();
  // Alpha and Omega are small: the stop comes once both have ended.
  ASSERT_TRUE(wait_for_trace("is done with Alpha")) << output();
  ASSERT_TRUE(wait_for_trace("is done with Omega")) << output();
  kill(pid, SIGINT);
  ASSERT_EQ(wait_exit(pid), 255) << output();
  const std::string out = output();
  // Alpha and Omega went beside Bench, and were done before the stop.
  std::smatch m;
  ASSERT_TRUE(std::regex_search(
      out, m,
      std::regex("Interrupted: table 'Bench' stopped after ([0-9,]+) records; 2 tables done\\.\n")))
      << out;
  std::string digits = m[1];
  digits.erase(std::remove(digits.begin(), digits.end(), ','), digits.end());
  const long reported = std::atol(digits.c_str());
  ASSERT_GT(reported, 0) << out;
  EXPECT_EQ(bench_rows(), reported);
  const run_result merge = convert(kStopTest, "--mode=3 --jobs=3");
  EXPECT_EQ(merge.status, 0) << merge.output;
  EXPECT_EQ(value("SELECT COUNT(*) || '/' || COUNT(DISTINCT \"ID\") FROM \"Bench\""), "8000/8000");
  EXPECT_EQ(value("SELECT COUNT(*) FROM \"Alpha\""), "10");
  EXPECT_EQ(value("SELECT COUNT(*) FROM \"Omega\""), "10");
}

TEST_F(Interrupt, SecondSignalEndsTheProcessAtOnceAndStillRemovesTheTemporaryFile) {
  const pid_t pid = start();
  ASSERT_TRUE(wait_for_rows()) << output();
  kill(pid, SIGTERM);
  kill(pid, SIGTERM);
  EXPECT_EQ(wait_exit(pid), 255) << output();
  EXPECT_FALSE(temp_files_left());
  // What was committed stays readable.
  EXPECT_GT(bench_rows(), 0);
}

TEST_F(Interrupt, SignalDuringTheForeignKeysKeepsEveryTableAndTheNextRunBuildsTheKey) {
  // Alpha and Omega only, each server call slowed to 100 ms, so that the
  // foreign-key phase (Omega refers to Alpha) lasts several calls.
  const std::string list = dir_ + "/tables.txt";
  std::ofstream(list) << "Alpha\nOmega\n";
  const pid_t pid = start({"--tab_file=" + list}, 100000, 100);
  ASSERT_TRUE(wait_for_trace("Converting foreign keys")) << output();
  kill(pid, SIGTERM);
  EXPECT_EQ(wait_exit(pid), 255) << output();
  EXPECT_NE(output().find("Interrupted: 2 tables done.\n"), std::string::npos) << output();
  EXPECT_FALSE(temp_files_left());
  EXPECT_EQ(table_rows("Alpha"), 10);
  EXPECT_EQ(table_rows("Omega"), 10);

  // A merge run afterwards ends with the key in place, whether or not the
  // interrupted run had built it.
  const pid_t again = start({"--tab_file=" + list, "--mode=3"}, 0, 100);
  EXPECT_EQ(wait_exit(again), 0) << output();
  EXPECT_EQ(table_rows("Omega"), 10);
  EXPECT_EQ(count_rows("user_constraints WHERE constraint_type = 'R' AND table_name = 'Omega'"), 1);
}

TEST_F(Interrupt, SignalBeforeTheRunConvertsNothing) {
  // The table list is read from a pipe: the agent waits there, with its
  // handlers installed, until the test has signalled it.
  const std::string fifo = dir_ + "/tables.fifo";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const pid_t pid = start({"--tab_file=" + fifo});
  const int fd = ::open(fifo.c_str(), O_WRONLY);  // returns once the agent opened it
  ASSERT_GE(fd, 0);
  kill(pid, SIGINT);
  // The agent opens the file twice (a test of existence, then the read): a
  // write between the two finds no reader and is tried again.
  signal(SIGPIPE, SIG_IGN);
  bool written = false;
  for (int i = 0; i < 500 && !written; ++i) {
    std::this_thread::sleep_for(20ms);
    written = ::write(fd, "Bench\n", 6) == 6;
  }
  ::close(fd);
  signal(SIGPIPE, SIG_DFL);
  ASSERT_TRUE(written) << std::strerror(errno);
  EXPECT_EQ(wait_exit(pid), 255) << output();
  EXPECT_NE(output().find("Interrupted before the conversion started.\n"), std::string::npos)
      << output();
  EXPECT_EQ(output().find("Converting"), std::string::npos) << output();
  EXPECT_EQ(bench_rows(), 0);
  EXPECT_FALSE(temp_files_left());
}

}  // namespace
