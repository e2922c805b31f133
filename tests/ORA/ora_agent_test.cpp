// TARVAGENT against the embedded engine: the run logs on to Oracle with the
// settings of its command line, and a wrong password reaches the user as the
// friendly 1017 message.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "ORA/ora_engine.h"
#include "ORA/ora_exception.h"
#include "common/error_handler.h"
#include "common/error_messages.h"
#include "common/oracle_converter_impl.h"
#include "ora_test_support.h"
#include "tests/support/process_runner.h"

namespace {

const std::string kAgent = std::string(TARVEL_BIN) + "/TARVAGENT";
const std::string kSource = std::string(TARVEL_TEST_DATA) + "/access/jackcess/testV1997.mdb";

class OraAgent : public ::testing::Test {
 protected:
  process_result agent(const std::string& password, const std::string& log) {
    return run_process(kAgent,
                       {"--src=" + kSource, "--dest=ORCL", "--oraclh=localhost", "--oraclu=scott",
                        "--oraclp=" + password, "--logfile=" + log},
                       {"TARVEL_OCI_LIB=" + kEmbeddedLibrary, "TARVEL_ORAEMB_DIR=" + dir_.path(),
                        "XDG_CONFIG_HOME=/nonexistent-tarvel-config"});
  }
  static std::string read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), {});
  }

  ora_temp_dir dir_;
};

TEST_F(OraAgent, LogsOnAndKeepsThePasswordOutOfTheTrace) {
  const std::string log = dir_.path() + "/trace.log";
  const process_result r = agent("tiger-secret", log);
  const std::string trace = read(log);
  EXPECT_NE(trace.find("The connection has been established"), std::string::npos) << r.out;
  EXPECT_EQ(trace.find("tiger-secret"), std::string::npos);
  EXPECT_EQ(r.out.find("Invalid user name or password."), std::string::npos) << r.out;
}

TEST_F(OraAgent, WrongPasswordIsReportedAsInvalidLogon) {
  {
    // The first logon to a new database creates the user.
    dir_.use_embedded_engine();
    ora_engine engine;
    engine.open_db(L"//localhost:1521/ORCL", L"scott", L"tiger");
  }
  const process_result r = agent("wrong", dir_.path() + "/trace.log");
  EXPECT_EQ(r.status, 255);
  EXPECT_NE(r.out.find("Error:\nInvalid user name or password."), std::string::npos) << r.out;
}

// The agent's logon to Oracle in process: the converter's Oracle side logs
// on with its settings and keeps the opened database.
TEST_F(OraAgent, ConverterConnectsWithItsSettings) {
  dir_.use_embedded_engine();
  oracle_converter_impl oracle;
  oracle.store_oracle_settings(L"", L"scott", L"tiger", L"");
  oracle.connect_oracle_server(L"ORCL");
  ASSERT_TRUE(oracle.is_connected());
  EXPECT_EQ(oracle.destination()->name(), L"//localhost:1521/ORCL");
  EXPECT_TRUE(oracle.engine.is_connected());

  oracle.store_oracle_settings(L"localhost", L"scott", L"wrong", L"1521");
  try {
    oracle.connect_oracle_server(L"ORCL");
    FAIL() << "no exception";
  } catch (const ora_exception& e) {
    const tk_error_converter messages(kOracleErrorMessageCount, kOracleErrorMessages);
    EXPECT_EQ(messages.convert(e.code()), "Invalid user name or password.");
  }
  EXPECT_FALSE(oracle.is_connected());
}

}  // namespace
