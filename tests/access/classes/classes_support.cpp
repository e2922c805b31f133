// Helpers for the Access classes' tests.
#include "tests/access/classes/classes_support.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "TK/tk_text.h"

std::wstring fixture(const std::string& relative) {
  return tk_to_wide(std::string(TARVEL_TEST_DATA) + "/access/" + relative);
}

void access_test::SetUp() {
  char buffer[4096];
  old_dir_ = getcwd(buffer, sizeof buffer) ? buffer : "/";
  char pattern[] = "/tmp/access_classes_XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  dir_ = pattern;
  ASSERT_EQ(chdir(dir_.c_str()), 0);
  log_ = std::make_unique<tk_log>(dir_ + "/trace.log", true, 1, false);
}

void access_test::TearDown() {
  engine_.reset();
  log_.reset();
  EXPECT_EQ(chdir(old_dir_.c_str()), 0);
  std::filesystem::remove_all(dir_);
}

dao_engine& access_test::engine() {
  if (!engine_) {
    engine_ = std::make_unique<dao_engine>(true, false);
    EXPECT_TRUE(engine_->set_version_if(3));
    engine_->set_anonymous_sys_db();
  }
  return *engine_;
}

std::unique_ptr<udb_database> access_test::open(const std::string& relative, int32_t mode,
                                                const std::wstring& password) {
  return engine().open_db(fixture(relative), mode, password);
}

std::string access_test::trace() const {
  std::ifstream in(dir_ + "/trace.log", std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

bool access_test::traced(const std::string& line) const {
  return trace().find(line) != std::string::npos;
}

std::vector<std::vector<std::string>> read_rows(udb_recordset& rs) {
  std::vector<std::vector<std::string>> rows;
  rs.move_first();
  while (!rs.is_eof()) {
    udb_record* record = rs.get_item();
    std::vector<std::string> row;
    for (size_t i = 0; i < record->size(); ++i) {
      const udb_field& f = (*record)[i];
      row.push_back(f.get_type() == VT_NULL ? "NULL" : f.to_string());
    }
    rows.push_back(row);
    rs.next();
  }
  return rows;
}
