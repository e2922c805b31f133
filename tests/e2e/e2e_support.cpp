// Running the programs for the end-to-end tests.
#include "tests/e2e/e2e_support.h"

#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

namespace {
std::string bin(const std::string& name) {
  return std::string(TARVEL_BIN) + "/" + name;
}

run_result run(const std::string& command) {
  run_result result;
  FILE* pipe = popen((command + " 2>&1").c_str(), "r");
  if (!pipe) return result;
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) result.output.append(buffer, n);
  const int status = pclose(pipe);
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}
}  // namespace

run_result run_command(const std::string& command) {
  return run(command);
}

std::string fixture(const std::string& relative) {
  return std::string(TARVEL_TEST_DATA) + "/access/" + relative;
}

std::string shell_quote(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

rows parse_csv(const std::string& text) {
  rows out;
  std::vector<std::string> row;
  std::string field;
  bool quoted = false, any = false;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (quoted) {
      if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
        field += '"';
        ++i;
      } else if (c == '"') {
        quoted = false;
      } else {
        field += c;
      }
    } else if (c == '"') {
      quoted = any = true;
    } else if (c == ',') {
      row.push_back(field);
      field.clear();
    } else if (c == '\n') {
      row.push_back(field);
      out.push_back(row);
      row.clear();
      field.clear();
    } else if (c != '\r') {
      field += c;
    }
  }
  if (!field.empty() || !row.empty()) {
    row.push_back(field);
    out.push_back(row);
  }
  (void)any;
  return out;
}

void e2e_test::SetUp() {
  char pattern[] = "/tmp/tarvel_e2e_XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  dir_ = pattern;
}

void e2e_test::TearDown() {
  std::filesystem::remove_all(dir_);
}

run_result e2e_test::convert(const std::string& source, const std::string& options) {
  // A conversion that hangs ends with status 124 instead of the suite.
  return run("cd " + shell_quote(dir_) + " && " + agent_env_ +
             " TARVEL_OCI_LIB=embedded TARVEL_ORAEMB_DIR=" + shell_quote(dir_) + " timeout 300 " +
             shell_quote(bin("TARVAGENT")) + " --src=" + shell_quote(source) +
             " --dest=E2E --oraclh=localhost --oraclu=e2e --oraclp=e2e --logfile=" +
             shell_quote(dir_ + "/trace.log") + " " + options);
}

std::string e2e_test::sql_command() const {
  return "TARVEL_OCI_LIB=embedded TARVEL_ORAEMB_DIR=" + shell_quote(dir_) + " " +
         shell_quote(bin("oraemb-sql")) +
         " --connect=//localhost:1521/E2E --user=e2e --password=e2e --csv --full-lobs";
}

run_result e2e_test::try_query(const std::string& sql) {
  return run(sql_command() + " " + shell_quote(sql));
}

rows e2e_test::query(const std::string& sql) {
  const run_result r = try_query(sql);
  EXPECT_EQ(r.status, 0) << sql << "\n" << r.output;
  return parse_csv(r.output);
}

std::string e2e_test::value(const std::string& sql) {
  const rows r = query(sql);
  return r.size() > 1 && !r[1].empty() ? r[1][0] : "<no row>";
}

std::vector<std::string> e2e_test::tables() {
  std::vector<std::string> names;
  const rows r = query("SELECT table_name FROM user_tables");
  for (size_t i = 1; i < r.size(); ++i) names.push_back(r[i][0]);
  std::sort(names.begin(), names.end());
  return names;
}

bool e2e_test::locked_elsewhere(const std::string& table) {
  const std::string sql = "LOCK TABLE \"" + table + "\" IN SHARE MODE NOWAIT";
  for (int i = 0; i < 100; ++i) {
    if (try_query(sql).output.find("ORA-00054") != std::string::npos) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return false;
}

std::vector<std::string> e2e_test::engine_files() const {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir_)) {
    const std::string name = entry.path().filename().string();
    if (name != "trace.log") names.push_back(name);
  }
  return names;
}

std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void write_file(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

std::vector<size_t> data_pages_holding(const std::string& file, const std::string& text) {
  std::string marker;
  for (char c : text) marker += {c, '\0'};
  std::vector<size_t> pages;
  for (size_t pg = 3; (pg + 1) * kAccessPage <= file.size(); ++pg) {
    const std::string page = file.substr(pg * kAccessPage, kAccessPage);
    if (page[0] == 0x01 && page.find(marker) != std::string::npos) pages.push_back(pg);
  }
  return pages;
}

size_t occurrences(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

lock_holder::lock_holder(const std::string& command, const std::string& statement) {
  pipe_ = popen((command + " >/dev/null 2>&1").c_str(), "w");
  if (pipe_ == nullptr) return;
  std::fputs((statement + ";\n").c_str(), pipe_);
  std::fflush(pipe_);
}

lock_holder::~lock_holder() {
  if (pipe_ != nullptr) pclose(pipe_);
}
