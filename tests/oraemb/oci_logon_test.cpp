// Logon through a configuration file: listener hosts and ports, services
// and aliases (ORA-12545, 12541, 12514, 12154), fixed users created by a
// DBA account, wrong passwords, locked accounts, privileges (ORA-01031,
// 01950, 01045); and the version profiles: V$VERSION banner, identifier
// limit, SYS_C names and the wording of changed messages.
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <latch>
#include <thread>
#include <vector>

#include "tests/oraemb/oci_fixture.h"

namespace oraemb_test {
namespace {

class ConfigTest : public OciTest {
 protected:
  void SetUp() override {
    OciTest::SetUp();
    config = (dir / "oraemb.conf").string();
    setenv("TARVEL_ORAEMB_CONFIG", config.c_str(), 1);
  }
  void TearDown() override {
    for (OCISvcCtx* s : extra) api.OCILogoff(s, err);
    unsetenv("TARVEL_ORAEMB_CONFIG");
    OciTest::TearDown();
  }
  void write_config(const std::string& text) { std::ofstream(config) << text; }
  // Logs on; the session is logged off at the end of the test.
  sword connect(const std::string& user, const std::string& password, const std::string& where,
                OCISvcCtx** out = nullptr) {
    OCISvcCtx* s = nullptr;
    sword rc = logon(&s, user, password, where);
    if (rc == OCI_SUCCESS) extra.push_back(s);
    if (out) *out = s;
    return rc;
  }
  std::string config;
  std::vector<OCISvcCtx*> extra;
};

// Two first logons of one user on a new database at the same moment: both
// find no user row, both add it, and both must get a session (the second
// insert of the row used to fail as ORA-00600 on its unique name). The
// engine's seam holds the logon that creates the file inside its first
// write until the other logon has reached the file too: the second logon
// then meets a half-made database every time (it used to fail at once with
// ORA-00054 instead of waiting for the first one's set-up).
TEST_F(OciTest, TwoFirstLogonsOfOneUserAtTheSameMomentBothSucceed) {
  setenv("TARVEL_ORAEMB_HOLD_SETUP", "20", 1);
  struct Disarm {
    ~Disarm() { unsetenv("TARVEL_ORAEMB_HOLD_SETUP"); }
  } disarm;
  constexpr int kRounds = 3;
  for (int round = 0; round < kRounds; ++round) {
    const std::string connect = "//localhost:1521/RACE" + std::to_string(round);
    std::latch start(2);
    std::atomic<int> failures{0};
    std::string errors[2];
    auto first_logon = [&](int who) {
      OCIEnv* e = nullptr;
      OCIError* er = nullptr;
      OCIServer* sv = nullptr;
      OCISvcCtx* sc = nullptr;
      api.OCIEnvCreate(&e, OCI_UTF16, nullptr, nullptr, nullptr, nullptr, 0, nullptr);
      api.OCIHandleAlloc(e, reinterpret_cast<void**>(&er), OCI_HTYPE_ERROR, 0, nullptr);
      api.OCIHandleAlloc(e, reinterpret_cast<void**>(&sv), OCI_HTYPE_SERVER, 0, nullptr);
      api.OCIHandleAlloc(e, reinterpret_cast<void**>(&sc), OCI_HTYPE_SVCCTX, 0, nullptr);
      api.OCIAttrSet(sc, OCI_HTYPE_SVCCTX, sv, 0, OCI_ATTR_SERVER, er);
      const std::u16string u = u16("newcomer"), p = u16("secret"), d = u16(connect);
      start.arrive_and_wait();
      sword rc = api.OCILogon(
          e, er, &sc, reinterpret_cast<const OraText*>(u.data()), static_cast<ub4>(u.size() * 2),
          reinterpret_cast<const OraText*>(p.data()), static_cast<ub4>(p.size() * 2),
          reinterpret_cast<const OraText*>(d.data()), static_cast<ub4>(d.size() * 2));
      if (rc != OCI_SUCCESS) {
        ++failures;
        sb4 code = 0;
        char16_t text[256] = {};
        api.OCIErrorGet(er, 1, nullptr, &code, reinterpret_cast<OraText*>(text), sizeof text,
                        OCI_HTYPE_ERROR);
        errors[who] = u8(text);
      } else {
        api.OCILogoff(sc, er);
      }
      api.OCIHandleFree(e, OCI_HTYPE_ENV);
    };
    const auto began = std::chrono::steady_clock::now();
    std::thread a(first_logon, 0), b(first_logon, 1);
    a.join();
    b.join();
    ASSERT_EQ(failures, 0) << "round " << round << ": " << errors[0] << errors[1];
    // The hold ended because the second logon came, not by its time limit.
    EXPECT_LT(std::chrono::steady_clock::now() - began, std::chrono::seconds(10));
  }
  // The user that two logons created at once is one user with one password.
  OCISvcCtx* again = nullptr;
  EXPECT_EQ(logon(&again, "newcomer", "secret", "//localhost:1521/RACE0"), OCI_SUCCESS)
      << error_text();
  if (again) api.OCILogoff(again, err);
  EXPECT_EQ(logon(&again, "newcomer", "wrong", "//localhost:1521/RACE0"), OCI_ERROR);
  EXPECT_EQ(error_code(), 1017);
}

// A new database's files (with the journal and shared-memory files SQLite
// makes beside it while a session writes) are for their owner only.
TEST_F(OciTest, DatabaseFilesAreMadeForTheirOwnerOnly) {
  const mode_t umask_before = umask(0);
  OCISvcCtx* other = nullptr;
  sword rc = logon(&other, "scott", "tiger", "//localhost:1521/PRIVATE");
  umask(umask_before);
  ASSERT_EQ(rc, OCI_SUCCESS) << error_text();
  ASSERT_EQ(exec_on(other, "CREATE TABLE t (x NUMBER)"), OCI_SUCCESS) << error_text();
  ASSERT_EQ(exec_on(other, "INSERT INTO t VALUES (1)"), OCI_SUCCESS) << error_text();
  for (const char* suffix : {"", "-wal", "-shm", ".locks"}) {
    const auto file = dir / (std::string("PRIVATE.oradb") + suffix);
    EXPECT_EQ(std::filesystem::status(file).permissions(),
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write)
        << file;
  }
  api.OCILogoff(other, err);
}

// The verifier ora$user holds of a password, read from the file.
std::string stored_verifier(const std::filesystem::path& file, const std::string& user) {
  sqlite3* db = nullptr;
  std::string out;
  if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, "SELECT password FROM ora$user WHERE name = ?", -1, &st, nullptr);
    sqlite3_bind_text(st, 1, user.c_str(), -1, SQLITE_TRANSIENT);
    if (sqlite3_step(st) == SQLITE_ROW)
      out = reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
    sqlite3_finalize(st);
  }
  sqlite3_close(db);
  return out;
}

// Passwords are kept as slow salted verifiers (PBKDF2-HMAC-SHA-512). A user
// row of an older file, with its fast 64-bit digest, still logs on with the
// right password only, and that logon replaces the digest.
TEST_F(OciTest, PasswordVerifiersAreSlowAndOldOnesAreReplacedAtLogon) {
  const auto file = dir / "ORCL.oradb";
  const std::string fresh = stored_verifier(file, "SCOTT");
  EXPECT_EQ(fresh.rfind("pbkdf2-sha512$4096$", 0), 0u) << fresh;
  EXPECT_EQ(fresh.find("tiger"), std::string::npos);
  // OLDIE/secret as older engines stored it: salt "12345", 1,000 rounds of
  // FNV-1a over salt and password.
  uint64_t h = 1469598103934665603ULL;
  for (int round = 0; round < 1000; ++round)
    for (char c : std::string("12345secret"))
      h = (h ^ static_cast<unsigned char>(c)) * 1099511628211ULL;
  char digest[17];
  std::snprintf(digest, sizeof digest, "%016llx", static_cast<unsigned long long>(h));
  const std::string old = std::string("12345$") + digest;
  {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
    const std::string sql =
        "INSERT INTO ora$user(name, password, status, failed, created) VALUES ('OLDIE', '" + old +
        "', 'OPEN', 0, '2020-01-01 00:00:00')";
    EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
  }
  OCISvcCtx* s = nullptr;
  EXPECT_EQ(logon(&s, "oldie", "Secret"), OCI_ERROR);
  EXPECT_EQ(error_code(), 1017);
  EXPECT_EQ(stored_verifier(file, "OLDIE"), old);  // a wrong password changes nothing
  ASSERT_EQ(logon(&s, "oldie", "secret"), OCI_SUCCESS) << error_text();
  api.OCILogoff(s, err);
  const std::string renewed = stored_verifier(file, "OLDIE");
  EXPECT_EQ(renewed.rfind("pbkdf2-sha512$", 0), 0u) << renewed;
  EXPECT_EQ(logon(&s, "oldie", "Secret"), OCI_ERROR);
  EXPECT_EQ(error_code(), 1017);
  ASSERT_EQ(logon(&s, "oldie", "secret"), OCI_SUCCESS) << error_text();
  api.OCILogoff(s, err);
  // Each verifier has its own salt: the same password twice, two verifiers.
  ASSERT_EQ(exec("CREATE USER twin IDENTIFIED BY secret"), OCI_SUCCESS) << error_text();
  const std::string twin = stored_verifier(file, "TWIN");
  EXPECT_EQ(twin.rfind("pbkdf2-sha512$", 0), 0u) << twin;
  EXPECT_NE(twin, stored_verifier(file, "OLDIE"));
}

// What a server's client refuses before any logon: a port that is no TCP
// port (a TNS error, not a number that wraps) and a user name longer than an
// identifier may be.
TEST_F(OciTest, PortsOutsideTcpAndOverlongUserNamesAreRefused) {
  OCISvcCtx* s = nullptr;
  for (const char* port : {"99999999999999999999", "65536", "0", "000"}) {
    EXPECT_EQ(logon(&s, "scott", "tiger", std::string("//localhost:") + port + "/ORCL"), OCI_ERROR)
        << port;
    EXPECT_EQ(error_code(), 12545) << port;
  }
  ASSERT_EQ(logon(&s, "scott", "tiger", "//localhost:65535/ORCL"), OCI_SUCCESS) << error_text();
  api.OCILogoff(s, err);
  for (size_t length : {129, 100000}) {
    EXPECT_EQ(logon(&s, std::string(length, 'u'), "pw"), OCI_ERROR) << length;
    EXPECT_EQ(error_text(), "ORA-00972: identifier is too long\n") << length;
  }
  ASSERT_EQ(logon(&s, std::string(128, 'u'), "pw"), OCI_SUCCESS) << error_text();
  api.OCILogoff(s, err);
}

// A folder for the databases that cannot hold one is the server's ORA-01157,
// with the folder and what is wrong with it.
TEST_F(OciTest, AnUnusableDatabaseFolderIsNamedWithItsFault) {
  const std::string missing = (dir / "missing").string(), file = (dir / "a-file").string(),
                    locked = (dir / "read-only").string();
  std::ofstream(file) << "x";
  std::filesystem::create_directory(locked);
  std::filesystem::permissions(
      locked, std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
  std::vector<std::pair<std::string, std::string>> cases = {{missing, "no such folder"},
                                                            {missing + "/deeper", "no such folder"},
                                                            {file, "not a folder"},
                                                            {file + "/below", "no such folder"}};
  if (geteuid() != 0) cases.push_back({locked, "folder not writable"});  // root writes anyway
  for (const auto& [folder, fault] : cases) {
    setenv("TARVEL_ORAEMB_DIR", folder.c_str(), 1);
    OCISvcCtx* s = nullptr;
    EXPECT_EQ(logon(&s, "scott", "tiger", "//localhost:1521/ELSEWHERE"), OCI_ERROR);
    EXPECT_EQ(error_text(), "ORA-01157: cannot identify/lock data file - see TARVEL_ORAEMB_DIR '" +
                                folder + "' (" + fault + ")\n");
  }
  setenv("TARVEL_ORAEMB_DIR", dir.c_str(), 1);
  std::filesystem::permissions(locked, std::filesystem::perms::owner_all);
}

const char kListener[] =
    "; test listener\n"
    "[listener]    hosts = localhost, 127.0.0.1   ports = 1521, 1526\n"
    "[service ORCL]  file = orcl.db   profile = 19c   auto_users = no\n"
    "               admin = SYSTEM/manager\n"
    "[alias TEST]  connect = //localhost:1526/orcl   # an alias\n"
    "[service NOFILE] file = none.db  create = no\n";

TEST_F(ConfigTest, ListenerAndNamingErrors) {
  write_config(kListener);
  EXPECT_EQ(connect("system", "manager", "//nohost:1521/ORCL"), OCI_ERROR);
  EXPECT_EQ(error_text(),
            "ORA-12545: Connect failed because target host or object does not exist\n");
  EXPECT_EQ(connect("system", "manager", "//localhost:1522/ORCL"), OCI_ERROR);
  EXPECT_EQ(error_text(), "ORA-12541: TNS:no listener\n");
  EXPECT_EQ(connect("system", "manager", "//localhost:1521/NOPE"), OCI_ERROR);
  EXPECT_EQ(error_code(), 12514);
  EXPECT_EQ(connect("system", "manager", "NOALIAS"), OCI_ERROR);
  EXPECT_EQ(error_text(), "ORA-12154: TNS:could not resolve the connect identifier specified\n");
  EXPECT_EQ(connect("system", "manager", ""), OCI_ERROR);
  EXPECT_EQ(error_code(), 12154);
  EXPECT_EQ(connect("system", "manager", "//localhost/NOFILE"), OCI_ERROR);
  EXPECT_EQ(error_text(), "ORA-01034: ORACLE not available\n");
  EXPECT_FALSE(std::filesystem::exists(dir / "none.db"));
  EXPECT_EQ(connect("system", "manager", "//LOCALHOST/orcl"), OCI_SUCCESS) << error_text();
  EXPECT_EQ(connect("system", "manager", "test"), OCI_SUCCESS) << error_text();
  EXPECT_TRUE(std::filesystem::exists(dir / "orcl.db"));
}

TEST_F(ConfigTest, ABadConfigurationIsAnInternalErrorNamingTheLine) {
  write_config("[listener]\nhosts localhost\n");
  EXPECT_EQ(connect("scott", "tiger", "//localhost/ORCL"), OCI_ERROR);
  EXPECT_EQ(error_code(), 600);
  EXPECT_NE(error_text().find("line 2"), std::string::npos) << error_text();
  write_config("[service X] profile = 8.0\n");
  EXPECT_EQ(connect("scott", "tiger", "//localhost/X"), OCI_ERROR);
  EXPECT_EQ(error_code(), 600);
}

TEST_F(ConfigTest, FixedUsersPasswordsAndLockedAccounts) {
  write_config(kListener);
  const std::string at = "//localhost:1521/ORCL";
  EXPECT_EQ(connect("scott", "tiger", at), OCI_ERROR);
  EXPECT_EQ(error_text(), "ORA-01017: invalid username/password; logon denied\n");
  OCISvcCtx* dba = nullptr;
  ASSERT_EQ(connect("system", "manager", at, &dba), OCI_SUCCESS) << error_text();
  ASSERT_EQ(exec_on(dba, "CREATE USER scott IDENTIFIED BY Tiger"), OCI_SUCCESS) << error_text();
  EXPECT_EQ(exec_on(dba, "CREATE USER scott IDENTIFIED BY x"), OCI_ERROR);
  EXPECT_EQ(error_code(), 1920);
  EXPECT_EQ(connect("scott", "tiger", at), OCI_ERROR);  // passwords are case-sensitive
  EXPECT_EQ(error_code(), 1017);
  EXPECT_EQ(connect("scott", "Tiger", at), OCI_SUCCESS) << error_text();

  ASSERT_EQ(exec_on(dba, "ALTER USER scott ACCOUNT LOCK"), OCI_SUCCESS) << error_text();
  EXPECT_EQ(connect("scott", "Tiger", at), OCI_ERROR);
  EXPECT_EQ(error_text(), "ORA-28000: the account is locked\n");
  EXPECT_EQ(connect("scott", "wrong", at), OCI_ERROR);
  EXPECT_EQ(error_code(), 1017);
  ASSERT_EQ(exec_on(dba, "ALTER USER scott IDENTIFIED BY lion ACCOUNT UNLOCK"), OCI_SUCCESS);
  EXPECT_EQ(connect("scott", "lion", at), OCI_SUCCESS) << error_text();
  EXPECT_EQ(exec_on(dba, "ALTER USER nobody ACCOUNT LOCK"), OCI_ERROR);
  EXPECT_EQ(error_code(), 1918);

  // Ten failures lock the account; the right password then gets 28000.
  for (int k = 0; k < 10; ++k) EXPECT_EQ(connect("scott", "bad", at), OCI_ERROR);
  EXPECT_EQ(connect("scott", "lion", at), OCI_ERROR);
  EXPECT_EQ(error_code(), 28000);
}

TEST_F(ConfigTest, PrivilegeSwitchesGive1031And1950) {
  write_config(kListener);
  const std::string at = "//localhost:1521/ORCL";
  OCISvcCtx* dba = nullptr;
  ASSERT_EQ(connect("system", "manager", at, &dba), OCI_SUCCESS) << error_text();
  ASSERT_EQ(exec_on(dba, "CREATE USER scott IDENTIFIED BY tiger"), OCI_SUCCESS);
  ASSERT_EQ(exec_on(dba, "REVOKE CREATE SEQUENCE FROM scott"), OCI_SUCCESS) << error_text();
  ASSERT_EQ(exec_on(dba, "CREATE USER quota0 IDENTIFIED BY x QUOTA 0 ON users"), OCI_SUCCESS);
  ASSERT_EQ(exec_on(dba, "CREATE USER nosession IDENTIFIED BY x"), OCI_SUCCESS);
  ASSERT_EQ(exec_on(dba, "REVOKE CREATE SESSION FROM nosession"), OCI_SUCCESS);
  EXPECT_EQ(exec_on(dba, "GRANT FLY TO scott"), OCI_ERROR);
  EXPECT_EQ(error_code(), 990);

  OCISvcCtx* scott = nullptr;
  ASSERT_EQ(connect("scott", "tiger", at, &scott), OCI_SUCCESS);
  EXPECT_EQ(exec_on(scott, "CREATE TABLE t (id NUMBER)"), OCI_SUCCESS) << error_text();
  EXPECT_EQ(exec_on(scott, "CREATE SEQUENCE t_0"), OCI_ERROR);
  EXPECT_EQ(error_text(), "ORA-01031: insufficient privileges\n");
  EXPECT_EQ(exec_on(scott, "CREATE USER other IDENTIFIED BY x"), OCI_ERROR);
  EXPECT_EQ(error_code(), 1031);

  // Deferred segment creation: the table is created, its first row is not.
  OCISvcCtx* q = nullptr;
  ASSERT_EQ(connect("quota0", "x", at, &q), OCI_SUCCESS);
  EXPECT_EQ(exec_on(q, "CREATE TABLE t (id NUMBER)"), OCI_SUCCESS) << error_text();
  EXPECT_EQ(exec_on(q, "INSERT INTO t VALUES (1)", OCI_COMMIT_ON_SUCCESS), OCI_ERROR);
  EXPECT_EQ(error_text(), "ORA-01950: no privileges on tablespace 'USERS'\n");

  EXPECT_EQ(connect("nosession", "x", at), OCI_ERROR);
  EXPECT_EQ(error_code(), 1045);
}

TEST_F(ConfigTest, QuotaIsCheckedAtCreateTableBeforeDeferredSegments) {
  write_config("[engine] profile = 10.2\n");
  const std::string at = "//localhost/OLD";
  OCISvcCtx* dba = nullptr;
  ASSERT_EQ(connect("system", "manager", at, &dba), OCI_SUCCESS) << error_text();
  ASSERT_EQ(exec_on(dba, "CREATE USER q IDENTIFIED BY x QUOTA 0 ON users"), OCI_SUCCESS);
  OCISvcCtx* q = nullptr;
  ASSERT_EQ(connect("q", "x", at, &q), OCI_SUCCESS);
  EXPECT_EQ(exec_on(q, "CREATE TABLE t (id NUMBER)"), OCI_ERROR);
  EXPECT_EQ(error_code(), 1950);
}

// One session per profile, each on its own service file.
class ProfileTest : public ConfigTest {
 protected:
  void SetUp() override {
    ConfigTest::SetUp();
    write_config(
        "[service P73] profile = 7.3\n[service P102] profile = 10.2\n"
        "[service P112] profile = 11.2\n[service P121] profile = 12.1\n"
        "[service P19] profile = 19c\n");
  }
  OCISvcCtx* on(const std::string& service) {
    OCISvcCtx* s = nullptr;
    EXPECT_EQ(connect("scott", "tiger", "//localhost/" + service, &s), OCI_SUCCESS) << error_text();
    return s;
  }
};

TEST_F(ProfileTest, VersionBanners) {
  const std::pair<const char*, const char*> expected[] = {
      {"P73", "Oracle7 Server Release 7.3.4.0.0 - Production"},
      {"P112", "Oracle Database 11g Enterprise Edition Release 11.2.0.4.0 - 64bit Production"},
      {"P121", "Oracle Database 12c Enterprise Edition Release 12.1.0.2.0 - 64bit Production"},
      {"P19", "Oracle Database 19c Enterprise Edition Release 19.0.0.0.0 - Production"}};
  for (const auto& [service, banner] : expected) {
    OCISvcCtx* s = on(service);
    auto got = rows_on(s, "select banner from v$version");
    ASSERT_EQ(got.size(), 1u) << service;
    EXPECT_EQ(got[0][0], banner);
  }
}

TEST_F(ProfileTest, IdentifierLimitCountsBytesBefore12_2) {
  const std::string name31(31, 'A');
  std::string wide;  // 30 characters of two bytes each
  for (int k = 0; k < 30; ++k) wide += "\xC3\x84";
  OCISvcCtx* old = on("P121");
  EXPECT_EQ(exec_on(old, "CREATE TABLE " + name31 + " (x NUMBER)"), OCI_ERROR);
  EXPECT_EQ(error_text(), "ORA-00972: identifier is too long\n");
  EXPECT_EQ(exec_on(old, "CREATE TABLE \"" + wide + "\" (x NUMBER)"), OCI_ERROR);
  EXPECT_EQ(error_code(), 972);
  EXPECT_EQ(exec_on(old, "CREATE TABLE " + std::string(30, 'A') + " (x NUMBER)"), OCI_SUCCESS);
  OCISvcCtx* now = on("P19");
  EXPECT_EQ(exec_on(now, "CREATE TABLE " + name31 + " (x NUMBER)"), OCI_SUCCESS) << error_text();
  EXPECT_EQ(exec_on(now, "CREATE TABLE \"" + wide + "\" (x NUMBER)"), OCI_SUCCESS);
  // User names have the same limit.
  EXPECT_EQ(connect(name31, "pw", "//localhost/P121"), OCI_ERROR);
  EXPECT_EQ(error_code(), 972);
  EXPECT_EQ(connect(name31, "pw", "//localhost/P19"), OCI_SUCCESS) << error_text();
}

TEST_F(ProfileTest, MessageWordingAndSysCNamesFollowTheRelease) {
  struct Case {
    const char* service;
    const char* busy;
    size_t sys_c_length;
  };
  const Case cases[] = {
      {"P102", "ORA-00054: resource busy and acquire with NOWAIT specified\n", 11},
      {"P112", "ORA-00054: resource busy and acquire with NOWAIT specified or timeout expired\n",
       12}};
  for (const Case& c : cases) {
    OCISvcCtx* a = on(c.service);
    OCISvcCtx* b = on(c.service);
    ASSERT_EQ(exec_on(a, "CREATE TABLE t (id NUMBER NOT NULL)"), OCI_SUCCESS) << error_text();
    ASSERT_EQ(exec_on(b, "LOCK TABLE t IN EXCLUSIVE MODE"), OCI_SUCCESS);
    EXPECT_EQ(exec_on(a, "DROP TABLE t"), OCI_ERROR);
    EXPECT_EQ(error_text(), c.busy);
    auto names = rows_on(a, "SELECT constraint_name FROM user_constraints");
    ASSERT_EQ(names.size(), 1u);
    EXPECT_EQ(names[0][0].size(), c.sys_c_length) << names[0][0];
  }
  // Before 10g a value too long for its column had no details.
  OCISvcCtx* v7 = on("P73");
  ASSERT_EQ(exec_on(v7, "CREATE TABLE t (s NVARCHAR2(2))"), OCI_SUCCESS);
  EXPECT_EQ(exec_on(v7, "INSERT INTO t VALUES ('abc')", OCI_COMMIT_ON_SUCCESS), OCI_ERROR);
  EXPECT_EQ(error_text(), "ORA-01401: inserted value too large for column\n");
  OCISvcCtx* v19 = on("P19");
  ASSERT_EQ(exec_on(v19, "CREATE TABLE t (s NVARCHAR2(2))"), OCI_SUCCESS);
  EXPECT_EQ(exec_on(v19, "INSERT INTO t VALUES ('abc')", OCI_COMMIT_ON_SUCCESS), OCI_ERROR);
  EXPECT_EQ(error_code(), 12899);
}

}  // namespace
}  // namespace oraemb_test
