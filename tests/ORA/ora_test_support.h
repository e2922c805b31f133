// Test support for the Oracle layer: a session against the embedded engine,
// loaded through the product's own loader from the build's liboraemb.so, on
// a database directory of its own that is removed afterwards.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <memory>
#include <string>

#include "ORA/ora_database.h"
#include "ORA/ora_engine.h"
#include "ORA/ora_stmt.h"

inline const std::string kEmbeddedLibrary = std::string(TARVEL_BIN) + "/liboraemb.so";

// A private TARVEL_ORAEMB_DIR for one test.
class ora_temp_dir {
 public:
  ora_temp_dir() {
    char name[] = "/tmp/tarvel-ora-XXXXXX";
    path_ = mkdtemp(name) ? name : "";
  }
  ~ora_temp_dir() {
    std::error_code ec;
    if (!path_.empty()) std::filesystem::remove_all(path_, ec);
  }
  const std::string& path() const { return path_; }
  // The product's OCI loader takes the build's embedded engine, with this
  // directory for its databases (TARVEL_OCI_LIB, TARVEL_ORAEMB_DIR).
  void use_embedded_engine() const {
    setenv("TARVEL_OCI_LIB", kEmbeddedLibrary.c_str(), 1);
    setenv("TARVEL_ORAEMB_DIR", path_.c_str(), 1);
  }

 private:
  std::string path_;
};

// A logged-on session: user SCOTT/tiger on the service ORCL of a fresh
// database directory.
class ora_session_test : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_.use_embedded_engine();
    engine_ = std::make_unique<ora_engine>();
    db_ = engine_->open_db(L"//localhost:1521/ORCL", L"scott", L"tiger");
  }
  void TearDown() override {
    db_.reset();
    engine_.reset();
  }

  // Runs one statement (committing it).
  void run(const std::wstring& sql) {
    ora_stmt stmt;
    stmt.prepare(sql);
    stmt.execute(1, OCI_COMMIT_ON_SUCCESS);
  }

  ora_temp_dir dir_;
  std::unique_ptr<ora_engine> engine_;
  std::unique_ptr<ora_database> db_;
};
