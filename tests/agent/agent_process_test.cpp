// TARVAGENT run as a process: usage text, validation messages and their
// order, exit status, table-list and log-file failures.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "agent/agent_options.h"
#include "tests/support/process_runner.h"

namespace {

const std::string kAgent = std::string(TARVEL_BIN) + "/TARVAGENT";

process_result agent(const std::vector<std::string>& args,
                     const std::vector<std::string>& env = {}) {
  // A private settings store, so that no test can touch the user's.
  std::vector<std::string> e = env;
  e.push_back("XDG_CONFIG_HOME=/nonexistent-tarvel-config");
  return run_process(kAgent, args, e);
}

TEST(AgentUsage, NoOptionsPrintsUsageOnStandardErrorWithStatus255) {
  const auto r = agent({});
  EXPECT_EQ(r.status, 255);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, agent_usage_text() + "\n");
  EXPECT_EQ(r.err.substr(0, 44), "TARVAGENT v4.1\nUsage: TARVAGENT.EXE OPTIONS\n");
  EXPECT_NE(r.err.find("(for example --src=\"c:\\My Documents\\Sales Report 2011.mdb\")\n\n"),
            std::string::npos);
}

TEST(AgentUsage, HelpAndUnrecognisedOptionsPrintUsage) {
  for (const auto& args : std::vector<std::vector<std::string>>{
           {"--help"}, {"-src=x"}, {"--src"}, {"--dest=d", "--bogus"}, {"--HELP"}}) {
    const auto r = agent(args);
    EXPECT_EQ(r.status, 255) << args[0];
    EXPECT_EQ(r.err, agent_usage_text() + "\n") << args[0];
  }
}

TEST(AgentUsage, SilentBeforeHelpPrintsNothing) {
  const auto r = agent({"--silent", "--help"});
  EXPECT_EQ(r.status, 255);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "");
  // --silentmode is taken as --silent by prefix.
  EXPECT_EQ(agent({"--silentmode", "--help"}).err, "");
}

TEST(AgentMode, OnlyPlainDecimalOneToFourIsAccepted) {
  for (const char* bad : {"--mode=03", "--mode=5", "--mode=0", "--mode=+2", "--mode= 2",
                          "--mode=2x", "--mode=", "--mode=-1"}) {
    const auto r = agent({bad});
    EXPECT_EQ(r.status, 255) << bad;
    EXPECT_EQ(r.err, "Invalid merge/overwrite mode\n") << bad;
  }
  // A good mode goes on to the next check.
  EXPECT_EQ(agent({"--mode=3"}).err, "You should enter Oracle database name\n");
}

TEST(AgentJobs, OnlyPlainDecimalOneToSixtyFourIsAccepted) {
  for (const char* bad : {"--jobs=0", "--jobs=x", "--jobs=", "--jobs=-2", "--jobs=65", "--jobs=04",
                          "--jobs=+4", "--jobs=4x", "--jobs=99999999999999999999"}) {
    const auto r = agent({"--src=a.mdb", bad, "--dest=orcl"});
    EXPECT_EQ(r.status, 255) << bad;
    EXPECT_EQ(r.err, "Invalid number of jobs: --jobs= takes a number from 1 to 64\n") << bad;
  }
  for (const char* good : {"--jobs=1", "--jobs=64"})
    EXPECT_EQ(agent({good, "--dest=orcl"}).err, "You should enter MS Access database name\n")
        << good;
}

TEST(AgentValidation, MessagesComeInTheirOrder) {
  EXPECT_EQ(agent({"--uppercase"}).err, "You should enter Oracle database name\n");
  EXPECT_EQ(agent({"--dest=orcl"}).err, "You should enter MS Access database name\n");
  EXPECT_EQ(agent({"--src=a.mdb", "--dest=orcl"}).err,
            "You should enter network name or IP address of Oracle server\n");
  temp_dir dir;
  const std::string not_mdw = dir.write("x.mdw", std::string(2000, 'x'));
  const auto r = agent({"--src=a.mdb", "--dest=orcl", "--oraclh=h", "--sysdb=" + not_mdw});
  EXPECT_EQ(r.status, 255);
  EXPECT_EQ(r.err, "Not a valid MS Access workgroup information file\n");
}

TEST(AgentValidation, TwentyOneUnrecognisedArgumentsIsAnInternalError) {
  std::vector<std::string> args(21, "bogus");
  const auto r = agent(args);
  EXPECT_EQ(r.status, 255);
  EXPECT_EQ(r.out.rfind("Internal error: Internal error: \ncode=", 0), 0u) << r.out;
  EXPECT_EQ(agent(std::vector<std::string>(20, "bogus")).err, agent_usage_text() + "\n");
}

TEST(AgentTableFile, MissingAndOverlongFilesStopWithAMessage) {
  temp_dir dir;
  auto r = agent({"--tab_file=" + dir.file("none.txt")});
  EXPECT_EQ(r.status, 255);
  EXPECT_EQ(r.err,
            "Table names file does not exist.\nPlease verify the correct path/name was given.\n");

  const std::string list = dir.write("long.txt", "Orders\n" + std::string(255, 'T') + "\n");
  r = agent({"--tab_file=" + list});
  EXPECT_EQ(r.status, 255);
  EXPECT_NE(r.err.find("line 2 is longer than 254 characters"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find(list), std::string::npos);

  const std::string latin1 = dir.write("latin1.txt",
                                       "Stra\xDF"
                                       "e\n");
  r = agent({"--tab_file=" + latin1});
  EXPECT_EQ(r.status, 255);
  EXPECT_NE(r.err.find("line 1 is not valid UTF-8"), std::string::npos) << r.err;
}

// Devices that never end or hold no text are refused at once, without
// reading them whole; a name longer than Access allows and an empty list
// (which must not mean every table) are refused too.
TEST(AgentTableFile, DevicesLongNamesAndEmptyListsAreRefused) {
  for (const std::string device : {"/dev/zero", "/dev/urandom"}) {
    const auto r = agent({"--src=a.mdb", "--dest=orcl", "--oraclh=h", "--tab_file=" + device});
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.err, "Table names file " + device +
                         " is not a text file of table names.\nPlease verify the correct "
                         "path/name was given.\n");
  }
  temp_dir dir;
  const std::string empty = dir.write("empty.txt", "\r\n\n");
  auto r = agent({"--src=a.mdb", "--dest=orcl", "--oraclh=h", "--tab_file=" + empty});
  EXPECT_EQ(r.status, 255);
  EXPECT_EQ(r.err, "Table names file " + empty +
                       " names no table.\nPlease give at least one table name, or leave out "
                       "--tab_file to take every table.\n");
  const std::string long_name = dir.write("name.txt", std::string(65, 'T') + "\n");
  r = agent({"--tab_file=" + long_name});
  EXPECT_EQ(r.status, 255);
  EXPECT_NE(r.err.find("line 1 is longer than an Access table name (64 characters)"),
            std::string::npos)
      << r.err;
}

// A password (or any text option) that is not UTF-8 cannot be read: said so,
// not taken for an empty one.
TEST(AgentValidation, AValueThatIsNotUtf8IsSaidToBeUnreadable) {
  const auto r = agent({"--src=a.mdb", "--dest=orcl", "--oraclh=h", "--oraclp=p\xFF"});
  EXPECT_EQ(r.status, 255);
  EXPECT_EQ(r.err, "The value of --oraclp cannot be read: it is not UTF-8 text.\n");
}

TEST(AgentLogFile, TraceFileHoldsMilestonesAndNeverAPassword) {
  temp_dir dir;
  const std::string log = dir.file("trace.log");
  const auto r = agent({"--logfile=" + log, "--src=a.mdb", "--dest=orcl", "--oraclh=h",
                        "--oraclu=scott", "--oraclp=tiger", "--accp=secret"});
  EXPECT_EQ(r.status, 255);  // nothing can be converted yet
  std::ifstream in(log, std::ios::binary);
  const std::string text((std::istreambuf_iterator<char>(in)), {});
  EXPECT_NE(text.find("Error:\n"), std::string::npos);
  EXPECT_NE(text.find("\r\n"), std::string::npos);
  EXPECT_EQ(text.find("tiger"), std::string::npos);
  EXPECT_EQ(text.find("secret"), std::string::npos);
  struct stat st {};  // it may hold data values: its owner's only
  ASSERT_EQ(stat(log.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST(AgentLogFile, MissingDirectoryAndReadOnlyFileAreRunErrors) {
  auto r = agent({"--logfile=/nonexistent-dir/trace.log"});
  EXPECT_EQ(r.status, 255);
  EXPECT_EQ(r.out,
            "Error:\nLogfile path does not exist. Please verify the correct path was given.\n");

  temp_dir dir;
  std::string read_only = dir.write("ro.log", "old");
  chmod(read_only.c_str(), 0444);
  if (geteuid() == 0) read_only = "/sys/kernel/uevent_seqnum";  // not writable even for root
  r = agent({"--logfile=" + read_only});
  EXPECT_EQ(r.status, 255);
  EXPECT_EQ(r.out, "Error:\nLogfile name specifies an existing read-only file.\n");
}

TEST(AgentLogFile, AFolderIsARunErrorNamingIt) {
  temp_dir dir;
  const auto r = agent({"--logfile=" + dir.path(), "--src=a.mdb", "--dest=orcl", "--oraclh=h"});
  EXPECT_EQ(r.status, 255);
  EXPECT_EQ(r.out, "Error:\nLogfile path '" + dir.path() +
                       "' names a folder, not a file. Please verify the correct path was given.\n");
}

// A file that is no profile stops the agent even when the other options
// would let it run.
TEST(AgentProfile, AFileThatIsNoProfileIsARunErrorNamingIt) {
  temp_dir dir;
  const std::string noise = dir.write("noise.tpf", "\x01\x9c\xffgarbage\n\x02x=1\n");
  const auto r = agent({"--src=a.mdb", "--dest=orcl", "--oraclh=h", "--profile=" + noise});
  EXPECT_EQ(r.status, 255);
  EXPECT_EQ(r.out, "Error:\nProfile '" + noise +
                       "' could not be read: it is not a conversion profile. Please verify the "
                       "correct path/name was given.\n");
}

// A profile that names no source, or holds a line longer than any profile,
// says what is wrong with it.
TEST(AgentProfile, AProfileWithoutASourceOrWithAnOverlongLineSaysSo) {
  temp_dir dir;
  const std::string no_source = dir.write(
      "nosrc.tpf", "[Generic settings]\r\ndest=orcl\r\n\r\n[Oracle settings]\r\nhost=h\r\n");
  auto r = agent({"--profile=" + no_source});
  EXPECT_EQ(r.status, 255);
  EXPECT_EQ(r.out, "Error:\nProfile '" + no_source +
                       "' has no 'src' setting in its [Generic settings]: it names no MS Access "
                       "database. Please verify the correct path/name was given.\n");
  const std::string long_line =
      dir.write("long.tpf", "[Generic settings]\r\nsrc=" + std::string(5000, 'a') + "\r\n");
  r = agent({"--profile=" + long_line});
  EXPECT_EQ(r.status, 255);
  EXPECT_EQ(r.out, "Error:\nProfile '" + long_line +
                       "' could not be read: its line 2 is longer than 4095 bytes. Please verify "
                       "the correct path/name was given.\n");
}

// A password of a profile whose bytes are not UTF-8 cannot be read: the
// profile is refused, naming it, instead of a logon with another password.
// Other values keep being read as before.
TEST(AgentProfile, APasswordThatIsNotUtf8IsRefused) {
  temp_dir dir;
  const std::string settings = "[Generic settings]\r\nsrc=a.mdb\r\ndest=orcl\r\n";
  const std::string oracle =
      dir.write("oracle.tpf", settings + "[Oracle settings]\r\nhost=h\r\npassword=p\xE9\r\n");
  auto r = agent({"--profile=" + oracle});
  EXPECT_EQ(r.status, 255);
  EXPECT_EQ(r.out, "Error:\nProfile '" + oracle +
                       "' could not be read: the value of 'password' in its [Oracle settings] is "
                       "not UTF-8 text. Please save the profile as UTF-8.\n");
  const std::string access =
      dir.write("access.tpf", settings + "[MS Access settings]\r\ndatabase password=\xFF\xFE\r\n");
  r = agent({"--profile=" + access});
  EXPECT_EQ(r.status, 255);
  EXPECT_NE(r.out.find("the value of 'database password' in its [MS Access settings] is not "
                       "UTF-8 text"),
            std::string::npos)
      << r.out;
  const std::string other =
      dir.write("other.tpf", settings +
                                 "[Oracle settings]\r\nhost=h\r\npassword=p\r\n"
                                 "[Available Queries]\r\nq\xE9=SELECT 1\r\n");
  r = agent({"--profile=" + other});
  EXPECT_EQ(r.out.find("UTF-8"), std::string::npos) << r.out;
}

TEST(AgentProfile, MissingProfileIsARunError) {
  const auto r = agent({"--profile=/nonexistent/p.tpf"});
  EXPECT_EQ(r.status, 255);
  EXPECT_EQ(r.out,
            "Error:\nProfile does not exist. Please verify the correct path/name was given.\n");
}

}  // namespace
