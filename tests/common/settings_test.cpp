// The wizard's last settings in the per-user settings store, against a
// private XDG_CONFIG_HOME.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include "TK/tk_reg_key.h"
#include "common/tarvel_convertor.h"
#include "tests/support/process_runner.h"
#include "tests/support/unwritable_places.h"

namespace {

class Settings : public ::testing::Test {
 protected:
  Settings() {
    const char* old = getenv("XDG_CONFIG_HOME");
    if (old) saved_ = old;
    setenv("XDG_CONFIG_HOME", dir_.path().c_str(), 1);
  }
  ~Settings() override {
    if (saved_.empty())
      unsetenv("XDG_CONFIG_HOME");
    else
      setenv("XDG_CONFIG_HOME", saved_.c_str(), 1);
  }
  std::string store_file() const { return dir_.path() + "/Quillfern/Ferrolith/settings"; }
  temp_dir dir_;
  std::string saved_;
};

TEST_F(Settings, FreshStoreGivesTheDefaultsAndHoldsFifteenValuesAfterwards) {
  {
    tarvel_convertor conv(tarvel_front_end::wizard);
    EXPECT_EQ(conv.mode(), 1);
    EXPECT_EQ(conv.oracle.port, L"1521");
    EXPECT_TRUE(conv.uppercase);
    EXPECT_FALSE(conv.skip_indexes);
    EXPECT_FALSE(conv.only_definitions);
    EXPECT_EQ(conv.source_name(), L"");
  }
  tk_reg_key key;
  ASSERT_EQ(key.open(TK_HKEY_CURRENT_USER, tarvel_convertor::kSettingsKey), TK_ERROR_SUCCESS);
  for (const wchar_t* name : {L"acc_pswd", L"dest", L"oracleh", L"oraclep", L"oracleu", L"port",
                              L"src", L"sysdb path", L"ugl_user", L"ugl_pswd"}) {
    uint32_t size = 0;
    EXPECT_EQ(key.get_value(name, nullptr, &size), TK_ERROR_SUCCESS) << tk_to_utf8(name);
  }
  for (const char* name : {"mode", "skip_idx", "tab_def", "uppercase", "use_ugl"}) {
    uint32_t v = 7;
    EXPECT_EQ(key.get_value(name, &v), TK_ERROR_SUCCESS) << name;
  }
  struct stat st {};
  ASSERT_EQ(stat(store_file().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST_F(Settings, LastSettingsSurviveAndModeIsNotRangeChecked) {
  {
    tarvel_convertor conv(tarvel_front_end::wizard);
    conv.set_source_name(L"/data/a b.mdb");
    conv.oracle.password = L"tab\there";
    conv.access.workgroup_file = L"/s/\x0417.mdw";
    conv.set_mode(9);
    conv.uppercase = false;
  }
  tarvel_convertor conv(tarvel_front_end::wizard);
  EXPECT_EQ(conv.source_name(), L"/data/a b.mdb");
  EXPECT_EQ(conv.oracle.password, L"tab\there");
  EXPECT_EQ(conv.access.workgroup_file, L"/s/\x0417.mdw");
  EXPECT_EQ(conv.mode(), 9);
  EXPECT_FALSE(conv.uppercase);
}

TEST_F(Settings, TheAgentNeverTouchesTheStore) {
  { tarvel_convertor conv(tarvel_front_end::agent); }
  struct stat st {};
  EXPECT_NE(stat(store_file().c_str(), &st), 0);
}

TEST_F(Settings, TextSizesAreUtf16BytesWithTheTerminator) {
  tk_reg_key key;
  ASSERT_EQ(key.open(TK_HKEY_CURRENT_USER, L"Software\\Test\\Key"), TK_ERROR_SUCCESS);
  ASSERT_EQ(key.set_value(L"t", std::wstring(L"ab\U0001F600")), TK_ERROR_SUCCESS);
  uint32_t size = 0;
  ASSERT_EQ(key.get_value(L"t", nullptr, &size), TK_ERROR_SUCCESS);
  EXPECT_EQ(size, 10u);  // a, b, a surrogate pair, the zero
  std::wstring text;
  uint32_t small = 4;
  EXPECT_EQ(key.get_value(L"t", &text, &small), TK_ERROR_MORE_DATA);
  EXPECT_EQ(key.get_value(L"missing", &text, &size), TK_ERROR_FILE_NOT_FOUND);
  uint32_t n = 0;
  EXPECT_EQ(key.get_value("t", &n), TK_ERROR_UNSUPPORTED_TYPE);  // one name space, typed values
}

TEST_F(Settings, UnwritableStoreFailsWithoutThrowing) {
  const std::string read_only = unwritable_dir(dir_.path());
  ASSERT_FALSE(can_create_in(read_only)) << read_only;
  setenv("XDG_CONFIG_HOME", read_only.c_str(), 1);
  tarvel_convertor conv(tarvel_front_end::wizard);
  EXPECT_FALSE(conv.serialize(true));
}

}  // namespace
