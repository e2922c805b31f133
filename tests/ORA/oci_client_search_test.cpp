// Finding the Oracle client library: the order of the places searched (over a
// made-up install tree), loading the first usable candidate, the message that
// lists every place tried, and clients that load but cannot be used.
#include "ORA/oci/oci_client_search.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "ORA/oci/oci_library.h"
#include "TK/tk_exception.h"
#include "TK/tk_paths.h"

namespace fs = std::filesystem;

namespace {

class OciClientSearch : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() /
            ("tarvel_oci_search_" + std::to_string(::getpid()) + "_" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(root_);
    fs::create_directories(root_);
  }
  void TearDown() override { fs::remove_all(root_); }

  std::string touch(const std::string& relative) {
    const fs::path p = root_ / relative;
    fs::create_directories(p.parent_path());
    std::ofstream(p) << "x";
    return p.string();
  }

  fs::path root_;
};

TEST_F(OciClientSearch, StandardFoldersComeNewestFirstAfterTheLinkerAndOracleHome) {
  touch("usr/lib/oracle/11.2/client64/lib/libclntsh.so");
  touch("usr/lib/oracle/19.21/client64/lib/libclntsh.so");
  touch("usr/lib/oracle/19.21/client64/lib/libclntsh.so.19.1");
  touch("usr/lib/oracle/19.3/client64/lib/libclntsh.so");
  touch("usr/lib/oracle/21/client64/lib/README");            // no client in it
  touch("opt/oracle/instantclient_23_5/libclntsh.so.23.1");  // zip without the link
  touch("opt/oracle/instantclient_19_8/libclntsh.so");
  touch("opt/oracle/sqldeveloper/libclntsh.so");  // not an Instant Client folder
  touch("home/lib/libclntsh.so");

  oci_search_places places;
  places.root = root_.string();
  places.oracle_home = (root_ / "home").string();
  const std::vector<std::string> got = oci_client_candidates(places);

  const std::string r = root_.string() + "/";
  std::vector<std::string> want = {"libclntsh.so"};
  for (const std::string& name : oci_versioned_client_names()) want.push_back(name);
  want.push_back(r + "home/lib/libclntsh.so");
  for (const std::string& name : oci_versioned_client_names())
    want.push_back(r + "home/lib/" + name);
  want.push_back(r + "home/libclntsh.so");
  for (const std::string& name : oci_versioned_client_names()) want.push_back(r + "home/" + name);
  for (const char* p : {"usr/lib/oracle/19.21/client64/lib/libclntsh.so",
                        "usr/lib/oracle/19.21/client64/lib/libclntsh.so.19.1",
                        "usr/lib/oracle/19.3/client64/lib/libclntsh.so",
                        "usr/lib/oracle/11.2/client64/lib/libclntsh.so",
                        "opt/oracle/instantclient_23_5/libclntsh.so.23.1",
                        "opt/oracle/instantclient_19_8/libclntsh.so"})
    want.push_back(r + p);
  EXPECT_EQ(got, want);
}

TEST_F(OciClientSearch, VersionedNamesAreNewestFirst) {
  const std::vector<std::string>& names = oci_versioned_client_names();
  ASSERT_EQ(names.size(), 6u);
  EXPECT_EQ(names.front(), "libclntsh.so.23.1");
  EXPECT_EQ(names.back(), "libclntsh.so.11.1");
}

TEST_F(OciClientSearch, EmbeddedEngineIsFoundBesideTheProgramOrInTheInstallation) {
  const std::string bin = (root_ / "usr/bin").string();
  fs::create_directories(bin);
  EXPECT_EQ(oci_embedded_library(bin), bin + "/liboraemb.so");  // neither: the first
  touch("usr/lib/tarvel/liboraemb.so");
  EXPECT_EQ(oci_embedded_library(bin), bin + "/../lib/tarvel/liboraemb.so");
  touch("usr/bin/liboraemb.so");
  EXPECT_EQ(oci_embedded_library(bin), bin + "/liboraemb.so");
}

TEST_F(OciClientSearch, NoClientAnywhereListsEveryPlaceTriedWithItsError) {
  unsetenv("TARVEL_OCI_LIB");
  setenv("ORACLE_HOME", (root_ / "nothing-here").c_str(), 1);
  try {
    oci_load();
    FAIL() << "a client was found on a machine without one";
  } catch (const tk_exception& e) {
    const std::string m = e.message();
    EXPECT_EQ(e.level(), TK_LEVEL_RUN);
    EXPECT_EQ(m.rfind(kOciMissingMessage, 0), 0u) << m;
    EXPECT_NE(m.find("\nTried:\n  libclntsh.so: cannot open shared object file: No such file or "
                     "directory;\n  libclntsh.so.23.1: "),
              std::string::npos)
        << m;
    for (const std::string& name : oci_versioned_client_names())
      EXPECT_NE(m.find("\n  " + name + ": "), std::string::npos) << name;
    EXPECT_NE(m.find("TARVEL_OCI_LIB"), std::string::npos);
    EXPECT_NE(m.find("'embedded'"), std::string::npos);
  }
  unsetenv("ORACLE_HOME");
  EXPECT_FALSE(oci_is_loaded());
}

TEST_F(OciClientSearch, ClientsThatLoadButCannotBeUsedAreNamedWithWhatTheyLack) {
  try {
    oci_load(TARVEL_FAKE_CLIENT_10);
    FAIL() << "a 10.2 client was taken";
  } catch (const tk_exception& e) {
    EXPECT_EQ(e.message(), std::string(kOciMissingMessage) + "\n" + TARVEL_FAKE_CLIENT_10 +
                               ": client release 10.2.0.0.0; 11.1 or later is needed");
  }
  try {
    oci_load(TARVEL_FAKE_CLIENT_ANCIENT);
    FAIL() << "a client without OCIClientVersion was taken";
  } catch (const tk_exception& e) {
    EXPECT_NE(e.message().find(std::string(TARVEL_FAKE_CLIENT_ANCIENT) +
                               ": OCIClientVersion (a client older than release 10.2"),
              std::string::npos)
        << e.message();
  }
  EXPECT_FALSE(oci_is_loaded());
}

TEST_F(OciClientSearch, OracleHomeClientIsLoadedWhenNothingIsNamed) {
  // An Instant Client zip unpacked as ORACLE_HOME, with only a versioned file.
  const fs::path home = root_ / "instantclient_19_1";
  fs::create_directories(home);
  fs::copy_file(TARVEL_FAKE_CLIENT_19, home / "libclntsh.so.19.1");
  unsetenv("TARVEL_OCI_LIB");
  setenv("ORACLE_HOME", home.c_str(), 1);
  ASSERT_NO_THROW(oci_load());
  unsetenv("ORACLE_HOME");
  EXPECT_TRUE(oci_is_loaded());
  EXPECT_EQ(oci_loaded_library(), (home / "libclntsh.so.19.1").string());
}

}  // namespace
