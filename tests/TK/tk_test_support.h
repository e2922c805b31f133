// Helpers for the toolkit utility tests: a scratch directory removed at the
// end, a trace log captured into a file of that directory, and file helpers.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include "TK/tk_trace.h"

class tk_scratch_dir {
 public:
  tk_scratch_dir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tk_test_XXXXXX").string();
    path_ = mkdtemp(pattern.data());
  }
  ~tk_scratch_dir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  std::string file(const std::string& name) const { return path_ + "/" + name; }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

inline std::string tk_read_all(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void tk_write_all(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

// A fixture that owns the process's trace log at threshold 1 for each test.
class TraceTest : public ::testing::Test {
 protected:
  void SetUp() override { log_ = std::make_unique<tk_log>(dir_.file("trace.log"), true, 1, false); }
  void TearDown() override { log_.reset(); }
  std::string trace() const { return tk_read_all(dir_.file("trace.log")); }
  bool traced(const std::string& line) const {
    return trace().find(line + "\r\n") != std::string::npos;
  }

  tk_scratch_dir dir_;
  std::unique_ptr<tk_log> log_;
};
