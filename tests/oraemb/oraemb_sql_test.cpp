// The oraemb-sql client as a process: aligned and CSV output, shortened
// LOBs, scripts with a trigger body, the ORA text on standard error with
// exit status 1, the table overview of the demo, and admin commands.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Result {
  int status = -1;
  std::string out, err;
};

class SqlClientTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/oraemb_sql_XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir = tmpl;
  }
  void TearDown() override { std::filesystem::remove_all(dir); }

  // Runs oraemb-sql with the connection options first, then `args`.
  Result sql(std::vector<std::string> args, const std::string& input = "", bool connection = true) {
    if (connection)
      args.insert(args.begin(),
                  {"--connect=//localhost:1521/DEMO", "--user=demo", "--password=demo"});
    std::string out = (dir / "out").string(), err = (dir / "err").string();
    std::string in = (dir / "in").string();
    std::ofstream(in) << input;
    pid_t pid = fork();
    if (pid == 0) {
      setenv("TARVEL_ORAEMB_DIR", dir.c_str(), 1);
      if (oci_lib.empty())
        unsetenv("TARVEL_OCI_LIB");
      else
        setenv("TARVEL_OCI_LIB", oci_lib.c_str(), 1);
      if (!freopen(in.c_str(), "r", stdin) || !freopen(out.c_str(), "w", stdout) ||
          !freopen(err.c_str(), "w", stderr))
        _exit(99);
      std::vector<char*> argv;
      std::string program = TARVEL_BIN "/oraemb-sql";
      argv.push_back(program.data());
      for (auto& a : args) argv.push_back(a.data());
      argv.push_back(nullptr);
      execv(program.c_str(), argv.data());
      _exit(98);
    }
    Result r;
    int status = 0;
    waitpid(pid, &status, 0);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.out = slurp(out);
    r.err = slurp(err);
    return r;
  }
  static std::string slurp(const std::string& path) {
    std::ifstream f(path);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
  }
  void make_table() {
    Result r =
        sql({"CREATE TABLE t (id NUMBER(5) PRIMARY KEY, name NVARCHAR2(20), d DATE, "
             "memo CLOB, pic BLOB);"
             "INSERT INTO t VALUES (1, 'Anna', to_date('2011-08-17 10:30:00', "
             "'YYYY-MM-DD HH24:MI:SS'), 'say \"hi\", then go', HEXTORAW('0A0B'));"
             "INSERT INTO t (id, name) VALUES (22, 'Bo')"});
    ASSERT_EQ(r.status, 0) << r.err;
  }
  std::filesystem::path dir;
  std::string oci_lib = "embedded";  // TARVEL_OCI_LIB; empty: unset
};

TEST_F(SqlClientTest, QueryAsAnAlignedTable) {
  make_table();
  Result r = sql({"SELECT * FROM t ORDER BY id"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out,
            "ID | NAME | D                   | MEMO              | PIC\n"
            "---+------+---------------------+-------------------+-----\n"
            " 1 | Anna | 2011-08-17 10:30:00 | say \"hi\", then go | 0A0B\n"
            "22 | Bo   |                     |                   |\n"
            "(2 rows)\n");
  EXPECT_EQ(r.err, "");
}

TEST_F(SqlClientTest, QueryAsCsv) {
  make_table();
  Result r = sql({"--csv", "SELECT id, name, memo FROM t ORDER BY id"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "ID,NAME,MEMO\n1,Anna,\"say \"\"hi\"\", then go\"\n22,Bo,\n");
}

// A date before year 1 prints its year as a sign and four digits, the way
// the engine writes dates, not as a three-digit number after the sign.
TEST_F(SqlClientTest, DatesBeforeTheCommonEraKeepFourYearDigits) {
  Result r = sql({"--csv", "SELECT DATE '0001-01-01' - 400 FROM dual"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_THAT(r.out, testing::MatchesRegex("[^\n]*\n-[0-9]{4}-[0-9]{2}-[0-9]{2} 00:00:00\n"));
}

// TARVEL_OCI_LIB follows the rule of every program (a path is loaded as it
// stands, its failure reported by the shared loader); unset, the client's
// own default is the embedded engine.
TEST_F(SqlClientTest, LibraryChosenByTheSharedRuleWithTheEngineAsDefault) {
  oci_lib = (dir / "missing.so").string();
  Result r = sql({"SELECT 1 FROM dual"});
  EXPECT_EQ(r.status, 2);
  EXPECT_THAT(r.err, testing::HasSubstr("Oracle client and networking components were not found"));
  EXPECT_THAT(r.err, testing::HasSubstr(oci_lib));
  oci_lib.clear();
  r = sql({"--csv", "SELECT 1 FROM dual"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "1\n1\n");
}

TEST_F(SqlClientTest, OracleErrorGoesToStandardErrorWithStatusOne) {
  Result r = sql({"SELECT * FROM nosuch"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "ORA-00942: table or view does not exist\n");
  EXPECT_EQ(r.out, "");
  // A script stops at its first error and leaves nothing of it behind.
  r =
      sql({"CREATE TABLE u (x NUMBER); INSERT INTO u VALUES (1); INSERT INTO u VALUES ('x');"
           "INSERT INTO u VALUES (3)"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "ORA-01722: invalid number\n");
  r = sql({"--csv", "SELECT COUNT(*) FROM u"});
  EXPECT_EQ(r.out, "COUNT(*)\n0\n");
  // Logon errors too.
  r = sql(
      {"--connect=//localhost:1521/DEMO", "--user=demo", "--password=wrong", "SELECT 1 FROM dual"},
      "", false);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "ORA-01017: invalid username/password; logon denied\n");
  r = sql({"--bogus"});
  EXPECT_EQ(r.status, 2);
}

TEST_F(SqlClientTest, ScriptFromStandardInputWithATriggerBody) {
  Result r = sql({"--quiet"},
                 "CREATE TABLE o (id NUMBER PRIMARY KEY, s VARCHAR2(10));\n"
                 "CREATE SEQUENCE o_0;\n"
                 "CREATE OR REPLACE TRIGGER o__trigger BEFORE INSERT ON o FOR EACH ROW\n"
                 "WHEN (new.id IS NULL) BEGIN select o_0.nextval into :new.id from dual; END;\n"
                 "/\n"
                 "INSERT INTO o (s) VALUES ('a;b');  -- a comment; with a semicolon\n"
                 "select id, s from o;\n");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "ID | S\n---+----\n 1 | a;b\n(1 row)\n");
}

TEST_F(SqlClientTest, LongLobsAreShortenedUnlessAskedOtherwise) {
  std::string text(100, 'x');
  ASSERT_EQ(sql({"CREATE TABLE l (c CLOB, b BLOB); INSERT INTO l VALUES ('" + text +
                 "', HEXTORAW('" + std::string(64, 'A') + "'))"})
                .status,
            0);
  Result r = sql({"--csv", "--lob-width=10", "SELECT c, b FROM l"});
  EXPECT_EQ(r.out, "C,B\nxxxxxxxxxx... (100 characters),AAAAAAAAAAAAAAAAAAAA... (32 bytes)\n");
  r = sql({"--csv", "--full-lobs", "SELECT c FROM l"});
  EXPECT_EQ(r.out, "C\n" + text + "\n");
}

TEST_F(SqlClientTest, TableOverviewShowsCountsAndFirstRows) {
  make_table();
  ASSERT_EQ(sql({"CREATE TABLE empty_one (x NUMBER)"}).status, 0);
  Result r = sql({"--tables=1"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("== EMPTY_ONE (0 rows) ==\nX\n-\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("== T (2 rows) ==\nID | NAME |"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("Bo"), std::string::npos) << "only the first row: " << r.out;
}

TEST_F(SqlClientTest, AdminCommandsCreateAndLockUsers) {
  ASSERT_EQ(sql({"SELECT 1 FROM dual"}).status, 0);  // creates DEMO as a DBA
  Result r = sql({"admin", "create-user", "scott", "Tiger", "--revoke=create_sequence"});
  EXPECT_EQ(r.status, 0) << r.err;
  auto as_scott = [&](const std::string& q) {
    return sql({"--connect=//localhost:1521/DEMO", "--user=scott/Tiger", q}, "", false);
  };
  EXPECT_EQ(as_scott("CREATE TABLE s (x NUMBER)").status, 0);
  r = as_scott("CREATE SEQUENCE s_0");
  EXPECT_EQ(r.err, "ORA-01031: insufficient privileges\n");
  ASSERT_EQ(sql({"admin", "lock-user", "scott"}).status, 0);
  r = as_scott("SELECT 1 FROM dual");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "ORA-28000: the account is locked\n");

  std::string config = (dir / "engine.conf").string();
  r = sql(
      {"admin", "create-service", "ORCL", "--file=orcl.db", "--profile=12.1", "--config=" + config},
      "", false);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(slurp(config), "\n[service ORCL]\nfile = orcl.db\nprofile = 12.1\n");
}

// The trace holds statements with their values, the database file every
// row and the password verifiers: both are made for their owner only,
// whatever the umask lets through.
TEST_F(SqlClientTest, TraceFileLogsCallsStatementsAndErrors) {
  std::string trace = (dir / "trace.log").string();
  setenv("TARVEL_ORAEMB_TRACE", trace.c_str(), 1);
  const mode_t umask_before = umask(0);
  Result r = sql({"--continue", "CREATE TABLE tr (x NUMBER); SELECT y FROM tr"});
  umask(umask_before);
  unsetenv("TARVEL_ORAEMB_TRACE");
  EXPECT_EQ(r.status, 1);
  for (const std::string name : {"trace.log", "DEMO.oradb", "DEMO.oradb.locks"})
    EXPECT_EQ(std::filesystem::status(dir / name).permissions(),
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write)
        << name;
  std::string log = slurp(trace);
  EXPECT_NE(log.find("OCILogon user=DEMO connect=//localhost:1521/DEMO"), std::string::npos);
  EXPECT_NE(log.find("sql: CREATE TABLE tr (x NUMBER)"), std::string::npos) << log;
  EXPECT_NE(log.find("sqlite: "), std::string::npos);
  EXPECT_NE(log.find("OCIStmtExecute = -1  ORA-00904: \"Y\": invalid identifier"),
            std::string::npos)
      << log;
}

// DESCRIBE as SQL*Plus prints it, for a table of every column type the
// converter creates; a name that is no table or view is ORA-04043.
TEST_F(SqlClientTest, DescribeListsColumnsAsSqlPlus) {
  ASSERT_EQ(sql({"CREATE TABLE emp (empno NUMBER(4) PRIMARY KEY, ename VARCHAR2(10), "
                 "sal NUMBER(7,2), hired DATE, note CLOB, n NVARCHAR2(20) NOT NULL, "
                 "c CHAR(3 CHAR), i INTEGER, r RAW(16), x NUMBER)"})
                .status,
            0);
  const std::string dashes = " " + std::string(41, '-') + " -------- " + std::string(28, '-');
  auto line = [](const std::string& name, const std::string& null, const std::string& type) {
    std::string n = name, k = null;
    n.resize(41, ' ');
    k.resize(8, ' ');
    return " " + n + " " + k + " " + type + "\n";
  };
  Result r = sql({}, "desc emp\nDESCRIBE \"EMP\";\n");
  EXPECT_EQ(r.status, 0) << r.err;
  const std::string listing =
      line("Name", "Null?", "Type") + dashes + "\n" + line("EMPNO", "NOT NULL", "NUMBER(4)") +
      line("ENAME", "", "VARCHAR2(10)") + line("SAL", "", "NUMBER(7,2)") +
      line("HIRED", "", "DATE") + line("NOTE", "", "CLOB") +
      line("N", "NOT NULL", "NVARCHAR2(20)") + line("C", "", "CHAR(3 CHAR)") +
      line("I", "", "NUMBER(38)") + line("R", "", "RAW(16)") + line("X", "", "NUMBER") + "\n";
  EXPECT_EQ(r.out, listing + listing);
  // A dictionary view, from the describe of a query over it.
  r = sql({}, "desc dual\n");
  EXPECT_EQ(r.out, line("Name", "Null?", "Type") + dashes + "\n" +
                       line("DUMMY", "", "VARCHAR2(1)") + "\n");
  // SQL*Plus echoes the name as typed.
  r = sql({}, "desc nosuch;\n");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "ERROR:\nORA-04043: object nosuch does not exist\n");
}

// A CHECK constraint's condition and state are kept in the database file:
// another process enforces them and lists them the same.
TEST_F(SqlClientTest, CheckConstraintsAndCommentsOutliveTheProcess) {
  ASSERT_EQ(sql({"CREATE TABLE t (q NUMBER, CONSTRAINT q_pos CHECK (q > 0) DISABLE);"
                 "INSERT INTO t VALUES (-1);"
                 "ALTER TABLE t ENABLE NOVALIDATE CONSTRAINT q_pos;"
                 "COMMENT ON COLUMN t.q IS 'quantity'"})
                .status,
            0);
  Result r = sql({"--csv",
                  "SELECT constraint_name, search_condition, status, validated FROM "
                  "user_constraints; SELECT comments FROM user_col_comments"});
  EXPECT_EQ(r.out,
            "CONSTRAINT_NAME,SEARCH_CONDITION,STATUS,VALIDATED\n"
            "Q_POS,q > 0,ENABLED,NOT VALIDATED\nCOMMENTS\nquantity\n");
  r = sql({"INSERT INTO t VALUES (0)"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "ORA-02290: check constraint (DEMO.Q_POS) violated\n");
}

// A trace that cannot be written is said once on standard error, and the
// client's work goes on: a folder that is not there, a full disk.
TEST_F(SqlClientTest, AnUnwritableTraceIsReportedOnce) {
  const std::string missing = (dir / "none" / "trace.log").string();
  for (const std::string& trace : {missing, std::string("/dev/full")}) {
    setenv("TARVEL_ORAEMB_TRACE", trace.c_str(), 1);
    Result r = sql({"SELECT 1 FROM dual; SELECT 2 FROM dual"});
    unsetenv("TARVEL_ORAEMB_TRACE");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err,
              "TARVEL_ORAEMB_TRACE: cannot write " + trace + ": " +
                  (trace == missing ? "No such file or directory" : "No space left on device") +
                  "\n");
  }
}

}  // namespace
