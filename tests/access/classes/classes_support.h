// Helpers for the Access classes' tests: fixture paths, a fixture that runs
// each test in its own empty current directory (where the anonymous
// workgroup files go) with the trace written to a file, and reading a whole
// recordset as text.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "TK/tk_trace.h"
#include "access/dao_engine.h"

std::wstring fixture(const std::string& relative);

class access_test : public testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // An engine with version 3 loaded and the anonymous workgroup file set.
  dao_engine& engine();
  std::unique_ptr<udb_database> open(const std::string& relative, int32_t mode = 0x01,
                                     const std::wstring& password = L"");
  // The trace written so far.
  std::string trace() const;
  bool traced(const std::string& line) const;
  // The code of the tk_exception the call raises (0 when none), its level
  // in *level.
  template <class F>
  static int32_t code_of(F&& call, int32_t* level = nullptr) {
    try {
      call();
    } catch (const tk_exception& e) {
      if (level) *level = e.level();
      return e.code();
    }
    return 0;
  }

  std::string dir_;
  std::string old_dir_;
  std::unique_ptr<tk_log> log_;
  std::unique_ptr<dao_engine> engine_;
};

// Every row of the recordset from move_first to is_eof, each field's text
// ("NULL" for Null values).
std::vector<std::vector<std::string>> read_rows(udb_recordset& rs);
