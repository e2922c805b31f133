// Profile files: the exact format written, round trips through the
// converter, and the reading rules.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "UDB/udb_profile.h"
#include "common/tarvel_convertor.h"
#include "tests/support/process_runner.h"

namespace {

std::string slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(Profile, StoredFileHasTheExactLayoutAndIsPrivate) {
  temp_dir dir;
  tarvel_convertor conv(tarvel_front_end::agent);
  conv.set_source_name(L"/data/nw.mdb");
  conv.set_destination_name(L"ORCL");
  conv.set_mode(4);
  conv.oracle.store_oracle_settings(L"db", L"scott", L"tiger", L"1521");
  conv.queries[L"Orders"] = L"";
  conv.queries[L"Big Orders"] = L"SELECT * FROM [Orders] WHERE Amount > 100";
  conv.available_queries[L"Big Orders"] = L"SELECT * FROM [Orders] WHERE Amount > 100";
  const std::string path = dir.file("p.tpf");
  conv.store_profile_file(tk_to_wide(path));
  EXPECT_EQ(
      slurp(path),
      "[Available Queries]\r\nBig Orders=SELECT * FROM [Orders] WHERE Amount > 100\r\n\r\n"
      "[Generic settings]\r\ndest=ORCL\r\nmode=4\r\nonly definitions=0\r\nskip indexes=0\r\n"
      "src=/data/nw.mdb\r\n\r\n"
      "[MS Access settings]\r\ndatabase password=\r\nworkgroup file=\r\nworkgroup password=\r\n"
      "workgroup user=\r\n\r\n"
      "[Oracle "
      "settings]\r\nhost=db\r\npassword=tiger\r\nport=1521\r\nuppercase=0\r\nuser=scott\r\n\r\n"
      "[Selected Tables]\r\nBig Orders=SELECT * FROM [Orders] WHERE Amount > "
      "100\r\nOrders\r\n\r\n");
  struct stat st {};
  ASSERT_EQ(stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST(Profile, RoundTripGivesBackEverySetting) {
  temp_dir dir;
  const std::wstring path = tk_to_wide(dir.file("round.tpf"));
  {
    tarvel_convertor conv(tarvel_front_end::agent);
    conv.set_source_name(L"/data/\x0417\x0430\x043A.mdb");
    conv.set_destination_name(L"XE");
    conv.set_mode(3);
    conv.only_definitions = true;
    conv.uppercase = true;
    conv.access.database_password = L"pw";
    conv.access.store_ugl_settings(L"/s/system.mdw", L"admin", L"secret");
    conv.oracle.store_oracle_settings(L"", L"u", L"p", L"1600");
    conv.queries[L"Order Details"] = L"";
    conv.queries[L"My Query"] = L"SELECT [Unit Price] FROM [Order Details]";
    conv.store_profile_file(path);
  }
  tarvel_convertor conv(tarvel_front_end::agent);
  ASSERT_TRUE(conv.load_profile_file(path));
  EXPECT_EQ(conv.source_name(), L"/data/\x0417\x0430\x043A.mdb");
  EXPECT_EQ(conv.destination_name(), L"XE");
  EXPECT_EQ(conv.mode(), 3);
  EXPECT_TRUE(conv.only_definitions);
  EXPECT_FALSE(conv.skip_indexes);
  EXPECT_TRUE(conv.uppercase);
  EXPECT_EQ(conv.access.database_password, L"pw");
  EXPECT_EQ(conv.access.workgroup_file, L"/s/system.mdw");
  EXPECT_EQ(conv.access.workgroup_user, L"admin");
  EXPECT_EQ(conv.access.workgroup_password, L"secret");
  EXPECT_EQ(conv.oracle.host, L"localhost");
  EXPECT_EQ(conv.oracle.port, L"1600");
  EXPECT_EQ(conv.selected_tables, std::vector<std::wstring>{L"Order Details"});
  EXPECT_EQ(conv.queries.at(L"My Query"), L"SELECT [Unit Price] FROM [Order Details]");
}

TEST(Profile, ReadingRules) {
  temp_dir dir;
  udb_profile p;
  const std::string path = dir.write("r.tpf",
                                     "  [Generic settings]  \r\nmode = 7\r\nmode=9\r\nkey "
                                     "only\r\n\r\n[Oracle settings]\nuppercase=true\n");
  ASSERT_TRUE(p.load(tk_to_wide(path)));
  EXPECT_EQ(p.get(L"Generic settings", L"mode"), L" 7");  // value keeps its leading space
  EXPECT_EQ(p.get(L"Generic settings", L"key only"), L"");
  EXPECT_NE(p.find_section(L"Generic settings")->count(L"key only"), 0u);

  tarvel_convertor conv(tarvel_front_end::agent);
  conv.uppercase = true;
  conv.set_mode(2);
  ASSERT_TRUE(conv.load_profile(p));
  EXPECT_EQ(conv.mode(), 2);     // " 7" is two characters: unchanged
  EXPECT_FALSE(conv.uppercase);  // only "1" sets it
}

TEST(Profile, FlagsAndModeValues) {
  udb_profile p;
  p.set(L"Generic settings", L"mode", L"7");
  p.set(L"Generic settings", L"only definitions", L"yes");
  p.set(L"Generic settings", L"skip indexes", L"0");
  tarvel_convertor conv(tarvel_front_end::agent);
  conv.skip_indexes = true;
  ASSERT_TRUE(conv.load_profile(p));
  EXPECT_EQ(conv.mode(), 7);  // no range check here
  EXPECT_TRUE(conv.only_definitions);
  EXPECT_FALSE(conv.skip_indexes);
}

TEST(Profile, ViewsAreWrittenOnlyWhenAskedFor) {
  tarvel_convertor conv(tarvel_front_end::agent);
  udb_profile without;
  ASSERT_TRUE(conv.store_profile(without));
  EXPECT_EQ(without.get(L"Generic settings", L"views"), L"");
  conv.views = true;
  udb_profile with;
  ASSERT_TRUE(conv.store_profile(with));
  EXPECT_EQ(with.get(L"Generic settings", L"views"), L"1");
  conv.views = false;
  ASSERT_TRUE(conv.load_profile(with));
  EXPECT_TRUE(conv.views);
  udb_profile off;
  off.set(L"Generic settings", L"views", L"0");
  ASSERT_TRUE(conv.load_profile(off));
  EXPECT_FALSE(conv.views);
}

TEST(Profile, BadFilesAreRefusedClearly) {
  temp_dir dir;
  udb_profile p;
  EXPECT_THROW(p.load(tk_to_wide(dir.file("missing.tpf"))), tk_exception);
  // An entry before any section, and a byte-order mark that hides the first section.
  EXPECT_FALSE(
      udb_profile().load(tk_to_wide(dir.write("a.tpf", "src=x\r\n[Generic settings]\r\n"))));
  EXPECT_FALSE(udb_profile().load(
      tk_to_wide(dir.write("b.tpf", "\xEF\xBB\xBF[Generic settings]\r\nsrc=x\r\n"))));
  // A line longer than any profile holds says so, with its number.
  const std::string long_line = dir.write("c.tpf", "[S]\r\n" + std::string(5000, 'k'));
  try {
    udb_profile().load(tk_to_wide(long_line));
    ADD_FAILURE() << "a line of 5000 bytes was read";
  } catch (const tk_mail_assertion&) {
    ADD_FAILURE() << "an internal error";
  } catch (const tk_exception& e) {
    EXPECT_EQ(e.level(), TK_LEVEL_RUN);
    EXPECT_EQ(e.message(), "Profile '" + long_line +
                               "' could not be read: its line 2 is longer than 4095 bytes.\n"
                               "Please verify the correct path/name was given.");
  }
}

TEST(Profile, MultiLineQueryTextContinuesAsKeys) {
  temp_dir dir;
  const std::wstring path = tk_to_wide(dir.file("m.tpf"));
  udb_profile out;
  out.set(L"Selected Tables", L"Q", L"SELECT *\r\nFROM T");
  out.store(path);
  udb_profile in;
  ASSERT_TRUE(in.load(path));
  EXPECT_EQ(in.get(L"Selected Tables", L"Q"), L"SELECT *");
  EXPECT_NE(in.find_section(L"Selected Tables")->count(L"FROM T"), 0u);
}

}  // namespace
