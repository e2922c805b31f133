// Running TARVAGENT and oraemb-sql as the user would, each test in its own
// directory that holds the embedded engine's database files
// (TARVEL_OCI_LIB=embedded, TARVEL_ORAEMB_DIR).
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

struct run_result {
  int status = -1;     // the exit status (255 for exit code -1)
  std::string output;  // standard output and error
};

using rows = std::vector<std::vector<std::string>>;

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

  std::string dir_;
  // Environment assignments put before TARVAGENT by convert (e.g.
  // "TARVEL_BATCH_ROWS=1").
  std::string agent_env_;
};
