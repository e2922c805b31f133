// Running TARVAGENT and oraemb-sql as the user would, each test in its own
// directory that holds the embedded engine's database files
// (TARVEL_OCI_LIB=embedded, TARVEL_ORAEMB_DIR).
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

struct run_result {
  int status = -1;     // the exit status (255 for exit code -1)
  std::string output;  // standard output and error
};

using rows = std::vector<std::vector<std::string>>;

// The repository's sample database.
inline const std::string kSample = std::string(TARVEL_SOURCE_DIR) + "/samples/sample.mdb";

// A file of the test data's access/ folder.
std::string fixture(const std::string& relative);
// A shell command with its standard output and error together.
run_result run_command(const std::string& command);
std::string shell_quote(const std::string& text);
// Splits CSV text (quoted fields may hold "" and line ends) into rows.
rows parse_csv(const std::string& text);

// Access files of 4096-byte pages, read and damaged by the tests.
constexpr size_t kAccessPage = 4096;
std::string read_file(const std::string& path);
void write_file(const std::string& path, const std::string& bytes);
// The data pages (kind 0x01) of an Access file that hold `text` in UTF-16.
std::vector<size_t> data_pages_holding(const std::string& file, const std::string& text);

// How often `what` stands in `text` (overlapping places count).
size_t occurrences(const std::string& text, const std::string& what);

// A second session that holds a lock until it is destroyed: `command`
// (oraemb-sql) reading `statement` from a pipe that stays open.
class lock_holder {
 public:
  lock_holder(const std::string& command, const std::string& statement);
  ~lock_holder();
  lock_holder(const lock_holder&) = delete;
  lock_holder& operator=(const lock_holder&) = delete;
  bool started() const { return pipe_ != nullptr; }

 private:
  FILE* pipe_ = nullptr;
};

class e2e_test : public testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // TARVAGENT --src=... --dest=E2E (user e2e/e2e) plus `options`.
  run_result convert(const std::string& source, const std::string& options = "");
  // The rows of a query, header first; an error fails the test.
  rows query(const std::string& sql);
  // The first column of the first row of a query.
  std::string value(const std::string& sql);
  // Tables of the converted schema, sorted.
  std::vector<std::string> tables();
  // A statement run through oraemb-sql; its status and output as they are.
  run_result try_query(const std::string& sql);
  // The oraemb-sql command line of the test's schema (for a second session).
  std::string sql_command() const;
  // Files the engine wrote in the test's directory.
  std::vector<std::string> engine_files() const;
  // Whether another session holds a lock on `table`: asked with a NOWAIT
  // lock of this schema's until one fails with ORA-00054 (a hundred tries,
  // 100 ms apart).
  bool locked_elsewhere(const std::string& table);

  std::string dir_;
  // Environment assignments put before TARVAGENT by convert (e.g.
  // "TARVEL_BATCH_ROWS=1").
  std::string agent_env_;
};
