// Test support for whole conversions through the driver: the typed test
// source converted into a fresh embedded database by a front end's
// convertor, with every report of the run kept, the console output
// captured, and the engine's configuration and the batch size set per test.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "common/error_handler.h"
#include "common/tarvel_convertor.h"
#include "ora_test_reporter.h"
#include "ora_writer_support.h"

// The convertor of a run from `source_name` (the typed source_) into the
// service ORCL as SCOTT/tiger, silent. Not connected: a test configures the
// engine first where it needs to, then connects.
class ora_conversion_fixture : public ::testing::Test {
 protected:
  // `keep_run_errors` false leaves run errors out of reports_.
  explicit ora_conversion_fixture(const std::wstring& source_name, bool keep_run_errors = true)
      : handler_(kOracleErrorMessageCount, kOracleErrorMessages,
                 std::make_unique<recording_reporter>(reports_, keep_run_errors)),
        conv_(tarvel_front_end::agent) {
    dir_.use_embedded_engine();
    handler_.load_err_map(kDaoErrorMessageCount, kDaoErrorMessages);
    conv_.set_source_name(source_name);
    conv_.set_source_engine_factory([this] { return std::make_unique<src_engine>(source_); });
    conv_.oracle.store_oracle_settings(L"localhost", L"scott", L"tiger", L"1521");
    conv_.set_silent(true);
  }
  ~ora_conversion_fixture() override {
    unsetenv("TARVEL_BATCH_ROWS");
    unsetenv("TARVEL_ORAEMB_CONFIG");
  }

  // The engine configured by `text` (TARVEL_ORAEMB_CONFIG) for this test.
  void configure(const std::string& text) {
    const std::string path = dir_.path() + "/oraemb.conf";
    std::ofstream(path) << text;
    setenv("TARVEL_ORAEMB_CONFIG", path.c_str(), 1);
  }
  void connect() { conv_.oracle.connect_oracle_server(L"ORCL"); }
  // A run in `mode` that writes `batch_rows` records a batch, with reports_
  // holding its reports alone; answers its console output.
  std::string run(int mode, const char* batch_rows) {
    setenv("TARVEL_BATCH_ROWS", batch_rows, 1);
    reports_.clear();
    conv_.set_mode(mode);
    testing::internal::CaptureStdout();
    conv_();
    return testing::internal::GetCapturedStdout();
  }
  // Runs `sql` in the product's session and commits it.
  void run_sql(const std::wstring& sql) {
    conv_.oracle.destination()->query(sql);
    conv_.oracle.destination()->query(L"COMMIT");
  }

  ora_temp_dir dir_;
  std::vector<std::string> reports_;
  error_handler handler_;
  src_setup source_;
  tarvel_convertor conv_;
};
