// Option handling in-process: the order of options against a profile, kept
// connection values, and the table-list file contents.
#include "agent/agent_options.h"

#include <gtest/gtest.h>

#include "UDB/udb_profile.h"
#include "common/error_handler.h"
#include "common/tarvel_convertor.h"
#include "tests/support/process_runner.h"

namespace {

class AgentOptions : public ::testing::Test {
 protected:
  AgentOptions()
      : handler_(kOracleErrorMessageCount, kOracleErrorMessages), conv_(tarvel_front_end::agent) {}

  bool parse(std::vector<std::string> args) {
    args.insert(args.begin(), "TARVAGENT");
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    return parse_cmd_line(static_cast<int>(argv.size()), argv.data());
  }

  std::string profile(const std::string& body) { return dir_.write("p.tpf", body); }

  temp_dir dir_;
  error_handler handler_;
  tarvel_convertor conv_;
};

const char kProfile[] =
    "[Generic settings]\r\nsrc=/data/profile.mdb\r\ndest=PROF\r\nmode=3\r\n\r\n"
    "[Oracle settings]\r\nhost=profhost\r\nuser=scott\r\n\r\n"
    "[Selected Tables]\r\nCustomers\r\nBig Orders=SELECT * FROM [Orders]\r\n\r\n";

TEST_F(AgentOptions, DefaultsReachTheSettings) {
  ASSERT_TRUE(parse({"--src=a.mdb", "--dest=orcl", "--oraclh=db1"}));
  EXPECT_EQ(conv_.oracle.port, L"1521");
  EXPECT_EQ(conv_.oracle.host, L"db1");
  EXPECT_EQ(conv_.oracle.user, L"");  // an absent user is empty, not "localhost"
  EXPECT_EQ(conv_.mode(), 1);
  EXPECT_FALSE(conv_.uppercase);
}

TEST_F(AgentOptions, ViewsOptionAndProfileKeyAskForViews) {
  ASSERT_TRUE(parse({"--src=a.mdb", "--dest=orcl", "--oraclh=db1"}));
  EXPECT_FALSE(conv_.views);
  ASSERT_TRUE(parse({"--src=a.mdb", "--dest=orcl", "--oraclh=db1", "--views"}));
  EXPECT_TRUE(conv_.views);
  conv_.views = false;
  const std::string p = profile("[Generic settings]\r\nsrc=/d.mdb\r\nviews=1\r\n\r\n");
  ASSERT_TRUE(parse({"--profile=" + p}));
  EXPECT_TRUE(conv_.views);
}

TEST_F(AgentOptions, JobsOptionAndProfileKey) {
  ASSERT_TRUE(parse({"--src=a.mdb", "--dest=orcl", "--oraclh=db1"}));
  EXPECT_EQ(conv_.jobs, 1);
  // A profile of one job has no key; a profile of more keeps the number.
  udb_profile one;
  conv_.store_profile(one);
  EXPECT_EQ(one.get(udb_profile::kGenericSettings, L"jobs"), L"");
  conv_.jobs = 8;
  udb_profile eight;
  conv_.store_profile(eight);
  EXPECT_EQ(eight.get(udb_profile::kGenericSettings, L"jobs"), L"8");
  // A value out of range leaves the setting; a later --jobs= wins over the profile.
  for (const char* bad : {"0", "65", "x", "-1", "4x", "004"}) {
    conv_.jobs = 3;
    const std::string p =
        profile(std::string("[Generic settings]\r\nsrc=/d.mdb\r\njobs=") + bad + "\r\n\r\n");
    ASSERT_TRUE(parse({"--profile=" + p})) << bad;
    EXPECT_EQ(conv_.jobs, 3) << bad;
  }
  const std::string p = profile("[Generic settings]\r\nsrc=/d.mdb\r\njobs=12\r\n\r\n");
  ASSERT_TRUE(parse({"--jobs=2", "--profile=" + p}));
  EXPECT_EQ(conv_.jobs, 12);
  ASSERT_TRUE(parse({"--profile=" + p, "--jobs=2"}));
  EXPECT_EQ(conv_.jobs, 2);
}

TEST_F(AgentOptions, LaterOptionsOverrideAProfileAndEarlierOnesAreOverridden) {
  const std::string p = profile(kProfile);
  ASSERT_TRUE(parse({"--profile=" + p, "--src=/opt/option.mdb", "--mode=2"}));
  EXPECT_EQ(conv_.source_name(), L"/opt/option.mdb");
  EXPECT_EQ(conv_.destination_name(), L"PROF");
  EXPECT_EQ(conv_.mode(), 2);
}

TEST_F(AgentOptions, AProfileAfterAnOptionWinsAndDropsConnectionOptions) {
  const std::string p = profile(kProfile);
  ASSERT_TRUE(parse({"--src=/opt/option.mdb", "--oraclh=opthost", "--accp=pw", "--profile=" + p}));
  EXPECT_EQ(conv_.source_name(), L"/data/profile.mdb");
  EXPECT_EQ(conv_.oracle.host, L"profhost");
  EXPECT_EQ(conv_.access.database_password, L"");
  EXPECT_EQ(conv_.mode(), 3);
}

TEST_F(AgentOptions, TableFileReplacesSelectedTablesButProfileEntriesStayInTheWorkList) {
  const std::string p = profile(kProfile);
  const std::string list =
      dir_.write("t.txt", "\xEF\xBB\xBFOrders\r\n\r\n Order Details\r\n\xD0\x97\xD0\xB0\xD0\xBA\n");
  ASSERT_TRUE(parse({"--profile=" + p, "--tab_file=" + list}));
  EXPECT_EQ(conv_.selected_tables,
            (std::vector<std::wstring>{L"Orders", L" Order Details", L"\x0417\x0430\x043A"}));
  EXPECT_EQ(conv_.queries.count(L"Customers"), 1u);
  EXPECT_EQ(conv_.queries.at(L"Big Orders"), L"SELECT * FROM [Orders]");
}

TEST_F(AgentOptions, WorkgroupValuesAreTrimmedAndPortKept) {
  ASSERT_TRUE(
      parse({"--src=a", "--dest=b", "--oraclh=c", "--uglu= admin ", "--uglp= pw ", "--port=1600"}));
  EXPECT_EQ(conv_.access.workgroup_user, L"admin");
  EXPECT_EQ(conv_.access.workgroup_password, L"pw");
  EXPECT_EQ(conv_.oracle.port, L"1600");
}

TEST_F(AgentOptions, EmptySourceOptionGivesAnEmptyName) {
  ASSERT_TRUE(parse({"--src=", "--src=x", "--dest=d", "--oraclh=h"}));
  EXPECT_EQ(conv_.source_name(), L"x");
}

}  // namespace
