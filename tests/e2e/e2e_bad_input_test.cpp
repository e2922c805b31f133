// Sources that cannot be opened: the DAO error's message through the error
// handler, exit status 255 (exit code -1), and nothing written to Oracle.
#include <filesystem>
#include <fstream>
#include <random>

#include "tests/e2e/e2e_support.h"

namespace {
std::string write(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
  return path;
}
}  // namespace

using BadInput = e2e_test;

TEST_F(BadInput, EachFailsWithTheDaoMessageAndWritesNothing) {
  std::mt19937 random(5);
  std::string noise(100000, '\0');
  for (char& c : noise) c = char(random());
  std::string head(8192, '\0');
  std::ifstream(fixture("jackcess/testV2007.accdb"), std::ios::binary).read(head.data(), 8192);
  const std::string in = dir_ + "/in";
  std::filesystem::create_directory(in);
  const std::vector<std::pair<std::string, std::string>> cases = {
      {in + "/missing.mdb", "Could not find file"},
      {in, "is not a valid path"},
      {write(in + "/empty.mdb", ""), "Unrecognized database format"},
      {write(in + "/noise.mdb", noise), "Unrecognized database format"},
      {write(in + "/notes.mdb", "Dear diary,\nthis is not a database.\n"),
       "Unrecognized database format"},
      {write(in + "/cut.accdb", head), "Error:"},
  };
  for (const auto& [source, message] : cases) {
    const run_result r = convert(source);
    EXPECT_EQ(r.status, 255) << source << "\n" << r.output;
    EXPECT_EQ(r.output.rfind("Error:\n", 0), 0u) << r.output;
    EXPECT_NE(r.output.find(message), std::string::npos) << source << "\n" << r.output;
    EXPECT_EQ(r.output.find("Converting"), std::string::npos) << r.output;
  }
  std::filesystem::remove_all(in);
  EXPECT_TRUE(engine_files().empty());  // no Oracle database was even created
}

TEST_F(BadInput, WrongPasswordAndBadWorkgroup) {
  const run_result wrong = convert(fixture("mdbreader/V2000_with-password.mdb"), "--accp=Password");
  EXPECT_EQ(wrong.status, 255);
  EXPECT_EQ(wrong.output, "Error:\nNot a valid password.\n");
  const run_result user = convert(
      fixture("ucanaccess/size97.mdb"),
      "--sysdb=" + shell_quote(fixture("generated/workgroup.mdw")) + " --uglu=nobody --uglp=x");
  EXPECT_EQ(user.status, 255);
  // The account password cannot be checked, and the user is told so.
  EXPECT_EQ(
      user.output.rfind("Note: the workgroup password is not verified; the account name is.\n", 0),
      0u)
      << user.output;
  // The error handler's text for DAO error 3029.
  EXPECT_NE(user.output.find("Not a valid account name or password"), std::string::npos)
      << user.output;
  EXPECT_TRUE(engine_files().empty());
  // No anonymous workgroup file is left behind in the working directory.
  for (const auto& entry : std::filesystem::directory_iterator(dir_))
    EXPECT_NE(entry.path().filename().string().rfind("~tmp", 0), 0u);
}

// The engine's folder cannot hold a database: the server's error for data
// files it cannot open, naming the folder; nothing is converted.
TEST_F(BadInput, AnUnusableEngineFolderIsNamedInTheError) {
  const std::string file = write(dir_ + "/a-file", "x");
  for (const std::string& folder : {dir_ + "/missing", file}) {
    const run_result r =
        run_command("TARVEL_OCI_LIB=embedded TARVEL_ORAEMB_DIR=" + shell_quote(folder) + " " +
                    shell_quote(std::string(TARVEL_BIN) + "/TARVAGENT") +
                    " --src=" + shell_quote(fixture("jackcess/testV2007.accdb")) +
                    " --dest=E2E --oraclh=localhost --oraclu=e2e --oraclp=e2e");
    EXPECT_EQ(r.status, 255) << r.output;
    EXPECT_NE(r.output.find("ORA-01157: cannot identify/lock data file - see TARVEL_ORAEMB_DIR '" +
                            folder + "'"),
              std::string::npos)
        << r.output;
    EXPECT_EQ(r.output.find("ORA-00600"), std::string::npos) << r.output;
    EXPECT_EQ(r.output.find("Converting"), std::string::npos) << r.output;
  }
}

// A file name is bytes on Linux: one that is not UTF-8 converts like any
// other.
TEST_F(BadInput, ASourceNameThatIsNotUtf8IsConverted) {
  std::ifstream in(fixture("generated/damageTest.mdb"), std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), {});
  const std::string source = write(dir_ + "/caf\xE9.mdb", bytes);
  const run_result r = convert(source);
  EXPECT_EQ(r.status, 0) << r.output;
  EXPECT_EQ(value("SELECT COUNT(*) FROM \"Small\""), "7");
}
