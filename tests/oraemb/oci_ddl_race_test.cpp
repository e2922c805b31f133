// DDL of several sessions at the same moment, from threads of one process
// and from two processes: afterwards every table one of them created is
// known, with its index and added column, to every session and to a new
// logon, and every table one of them dropped is gone for all (its name free
// again). TARVEL_ORAEMB_MEET_DDL makes each DDL statement wait for another
// one before it asks for the writer lock, so that two statements that took
// their schema at the same moment meet there every time.
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <deque>
#include <thread>

#include "tests/oraemb/oci_fixture.h"

namespace oraemb_test {
namespace {

constexpr int kRounds = 6;

// A session with an environment of its own (an environment is not shared
// between threads), for a thread of its own.
struct Conn {
  OCIEnv* env = nullptr;
  OCIError* err = nullptr;
  OCIServer* srv = nullptr;
  OCISvcCtx* svc = nullptr;
};

std::string joined(const std::vector<std::string>& lines) {
  std::string out;
  for (const auto& line : lines) out += line + "\n";
  return out;
}

class DdlRaceTest : public OciTest {
 protected:
  void TearDown() override {
    unsetenv("TARVEL_ORAEMB_MEET_DDL");
    for (Conn& c : conns) {
      if (c.svc) api.OCILogoff(c.svc, c.err);
      api.OCIHandleFree(c.env, OCI_HTYPE_ENV);
    }
    OciTest::TearDown();
  }

  Conn& open_conn() {
    Conn c;
    api.OCIEnvCreate(&c.env, OCI_UTF16, nullptr, nullptr, nullptr, nullptr, 0, nullptr);
    api.OCIHandleAlloc(c.env, reinterpret_cast<void**>(&c.err), OCI_HTYPE_ERROR, 0, nullptr);
    api.OCIHandleAlloc(c.env, reinterpret_cast<void**>(&c.srv), OCI_HTYPE_SERVER, 0, nullptr);
    api.OCIServerAttach(c.srv, c.err, reinterpret_cast<const OraText*>(u""), 0, OCI_DEFAULT);
    api.OCIHandleAlloc(c.env, reinterpret_cast<void**>(&c.svc), OCI_HTYPE_SVCCTX, 0, nullptr);
    api.OCIAttrSet(c.svc, OCI_HTYPE_SVCCTX, c.srv, 0, OCI_ATTR_SERVER, c.err);
    const std::u16string user = u"scott", password = u"tiger", db = u"//localhost:1521/ORCL";
    if (api.OCILogon(
            c.env, c.err, &c.svc, reinterpret_cast<const OraText*>(user.data()),
            static_cast<ub4>(user.size() * 2), reinterpret_cast<const OraText*>(password.data()),
            static_cast<ub4>(password.size() * 2), reinterpret_cast<const OraText*>(db.data()),
            static_cast<ub4>(db.size() * 2)) != OCI_SUCCESS)
      c.svc = nullptr;
    conns.push_back(c);
    return conns.back();
  }
  Conn main_conn() const { return Conn{env, err, srv, svc}; }

  std::string error_of(const Conn& c) {
    sb4 code = 0;
    char16_t buf[256] = {};
    api.OCIErrorGet(c.err, 1, nullptr, &code, reinterpret_cast<OraText*>(buf), sizeof buf,
                    OCI_HTYPE_ERROR);
    return u8(buf);
  }
  OCIStmt* prepare(const Conn& c, const std::string& sql) {
    OCIStmt* st = nullptr;
    api.OCIHandleAlloc(c.env, reinterpret_cast<void**>(&st), OCI_HTYPE_STMT, 0, nullptr);
    const std::u16string text = u16(sql);
    api.OCIStmtPrepare(st, c.err, reinterpret_cast<const OraText*>(text.data()),
                       static_cast<ub4>(text.size() * 2), OCI_NTV_SYNTAX, OCI_DEFAULT);
    return st;
  }
  // Empty when `sql` ran (and committed), else the statement and its error
  // (and the transaction rolled back).
  std::string run(const Conn& c, const std::string& sql) {
    if (!c.svc) return "no session";
    OCIStmt* st = prepare(c, sql);
    const sword rc =
        api.OCIStmtExecute(c.svc, st, c.err, 1, 0, nullptr, nullptr, OCI_COMMIT_ON_SUCCESS);
    api.OCIHandleFree(st, OCI_HTYPE_STMT);
    if (rc == OCI_SUCCESS) return "";
    const std::string problem = sql + ": " + error_of(c);
    api.OCITransRollback(c.svc, c.err, OCI_DEFAULT);  // a failed statement's locks go
    return problem;
  }
  // A query's rows as "a,b;c,d", or its error text.
  std::string query(const Conn& c, const std::string& sql) {
    if (!c.svc) return "no session";
    OCIStmt* st = prepare(c, sql);
    std::string out;
    sword rc = api.OCIStmtExecute(c.svc, st, c.err, 0, 0, nullptr, nullptr, OCI_DEFAULT);
    ub4 count = 0;
    api.OCIAttrGet(st, OCI_HTYPE_STMT, &count, nullptr, OCI_ATTR_PARAM_COUNT, c.err);
    std::vector<std::vector<char16_t>> bufs(count, std::vector<char16_t>(100));
    std::vector<sb2> ind(count);
    for (ub4 k = 0; rc == OCI_SUCCESS && k < count; ++k) {
      OCIDefine* def = nullptr;
      api.OCIDefineByPos(st, &def, c.err, k + 1, bufs[k].data(), 200, SQLT_STR, &ind[k], nullptr,
                         nullptr, OCI_DEFAULT);
    }
    while (rc == OCI_SUCCESS) {
      rc = api.OCIStmtFetch(st, c.err, 1, OCI_FETCH_NEXT, OCI_DEFAULT);
      if (rc != OCI_SUCCESS) break;
      if (!out.empty()) out += ";";
      for (ub4 k = 0; k < count; ++k)
        out += (k ? "," : "") + (ind[k] == -1 ? "<null>" : u8(bufs[k].data()));
    }
    api.OCIHandleFree(st, OCI_HTYPE_STMT);
    return rc == OCI_NO_DATA ? out : error_of(c);
  }

  // One session's DDL and DML on tables of its own, <prefix>_0 .. _5: each
  // is created, indexed, given a column and a row; each odd round drops the
  // table of the round before. Returns what failed.
  std::vector<std::string> work(const Conn& c, const std::string& prefix) {
    std::vector<std::string> failed;
    auto step = [&](const std::string& sql) {
      std::string problem = run(c, sql);
      if (!problem.empty()) failed.push_back(problem);
    };
    for (int r = 0; r < kRounds; ++r) {
      const std::string t = prefix + "_" + std::to_string(r), n = std::to_string(r);
      step("CREATE TABLE " + t + " (id NUMBER PRIMARY KEY, v NUMBER)");
      step("CREATE INDEX " + t + "_V ON " + t + " (v)");
      step("ALTER TABLE " + t + " ADD (note VARCHAR2(10) DEFAULT 'n')");
      step("INSERT INTO " + t + " (id, v) VALUES (" + n + ", " + n + ")");
      if (r % 2) step("DROP TABLE " + prefix + "_" + std::to_string(r - 1));
    }
    return failed;
  }
  // What `c` sees of the tables `work` left for each prefix.
  std::vector<std::string> check(const Conn& c, const std::vector<std::string>& prefixes) {
    std::vector<std::string> wrong;
    auto expect = [&](const std::string& sql, const std::string& want) {
      const std::string got = query(c, sql);
      if (got.rfind(want, 0) != 0) wrong.push_back(sql + ": " + got);
    };
    for (const auto& prefix : prefixes) {
      for (int r = 0; r < kRounds; ++r) {
        const std::string t = prefix + "_" + std::to_string(r), n = std::to_string(r);
        if (r % 2 == 0) {
          expect("SELECT COUNT(*) FROM " + t, "ORA-00942");
          continue;
        }
        expect("SELECT id, v, note FROM " + t, n + "," + n + ",n");
        expect("SELECT COUNT(*) FROM user_indexes WHERE index_name = '" + t + "_V'", "1");
        expect("SELECT COUNT(*) FROM user_tables WHERE table_name = '" + t + "'", "1");
      }
    }
    return wrong;
  }
  // Names `work` dropped can be taken again; those it kept cannot.
  void names_taken_as_left(const Conn& c, const std::vector<std::string>& prefixes) {
    for (const auto& prefix : prefixes) {
      for (int r = 0; r < kRounds; ++r) {
        const std::string t = prefix + "_" + std::to_string(r);
        const std::string problem = run(c, "CREATE TABLE " + t + " (x NUMBER)");
        if (r % 2 == 0)
          EXPECT_EQ(problem, "");
        else
          EXPECT_NE(problem.find("ORA-00955"), std::string::npos) << t << ": " << problem;
      }
    }
  }
  // Two sessions of this process running `work` at the same moment.
  std::vector<std::string> work_in_two_threads(const std::string& first,
                                               const std::string& second) {
    Conn& a = open_conn();
    Conn& b = open_conn();
    std::vector<std::string> failed_a, failed_b;
    std::thread ta([&] { failed_a = work(a, first); });
    std::thread tb([&] { failed_b = work(b, second); });
    ta.join();
    tb.join();
    failed_a.insert(failed_a.end(), failed_b.begin(), failed_b.end());
    return failed_a;
  }

  // Session A's `ddl` holds its table while it waits at the meeting point;
  // session B's `dml` on that table starts then, with the schema before the
  // DDL, and waits for the table; another DDL lets A go on. The result of
  // B's statement ("" or its error).
  std::string dml_behind_ddl(const std::string& ddl, const std::string& dml) {
    Conn& a = open_conn();
    Conn& b = open_conn();
    setenv("TARVEL_ORAEMB_MEET_DDL", "5", 1);
    std::string ddl_problem, dml_problem;
    std::thread ta([&] { ddl_problem = run(a, ddl); });
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    std::thread tb([&] { dml_problem = run(b, dml); });
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(run(main_conn(), "CREATE TABLE meet_" + std::to_string(conns.size()) + " (x NUMBER)"),
              "");
    ta.join();
    tb.join();
    unsetenv("TARVEL_ORAEMB_MEET_DDL");
    EXPECT_EQ(ddl_problem, "");
    return dml_problem;
  }

  std::deque<Conn> conns;
};

TEST_F(DdlRaceTest, ThreadsOfOneProcessKeepEachOthersTables) {
  setenv("TARVEL_ORAEMB_MEET_DDL", "2", 1);
  const std::vector<std::string> failed = work_in_two_threads("TA", "TB");
  unsetenv("TARVEL_ORAEMB_MEET_DDL");
  EXPECT_TRUE(failed.empty()) << joined(failed);
  const std::vector<std::string> prefixes{"TA", "TB"};
  open_conn();  // a new logon
  for (const Conn& c : conns) EXPECT_EQ(joined(check(c, prefixes)), "");
  EXPECT_EQ(joined(check(main_conn(), prefixes)), "");
  names_taken_as_left(main_conn(), prefixes);
  EXPECT_EQ(query(conns[0], "SELECT COUNT(*) FROM user_tables WHERE table_name LIKE 'T%'"), "12");
}

// Each process runs two sessions' work; then each process's sessions see
// the other's tables too.
TEST_F(DdlRaceTest, TwoProcessesKeepEachOthersTables) {
  setenv("TARVEL_ORAEMB_MEET_DDL", "2", 1);
  const std::vector<std::string> all{"PA", "PB", "CA", "CB"};
  int to_parent[2], to_child[2];
  ASSERT_EQ(pipe(to_parent), 0);
  ASSERT_EQ(pipe(to_child), 0);
  const pid_t pid = fork();
  if (pid == 0) {
    close(to_parent[0]);
    close(to_child[1]);
    std::string report = joined(work_in_two_threads("CA", "CB"));
    char go = 0;
    if (write(to_parent[1], "d", 1) != 1 || read(to_child[0], &go, 1) != 1) _exit(3);
    open_conn();  // a new logon of this process
    for (const Conn& c : conns) report += joined(check(c, all));
    if (write(to_parent[1], report.data(), report.size()) != static_cast<ssize_t>(report.size()))
      _exit(4);
    _exit(0);
  }
  ASSERT_GT(pid, 0);
  close(to_parent[1]);
  close(to_child[0]);
  const std::vector<std::string> failed = work_in_two_threads("PA", "PB");
  unsetenv("TARVEL_ORAEMB_MEET_DDL");
  char done = 0;
  EXPECT_EQ(read(to_parent[0], &done, 1), 1);
  EXPECT_TRUE(failed.empty()) << joined(failed);
  open_conn();
  for (const Conn& c : conns) EXPECT_EQ(joined(check(c, all)), "");
  EXPECT_EQ(write(to_child[1], "v", 1), 1);
  std::string child_report;
  char buf[4096];
  for (ssize_t n; (n = read(to_parent[0], buf, sizeof buf)) > 0;) child_report.append(buf, n);
  int status = 0;
  waitpid(pid, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  EXPECT_EQ(child_report, "");
  close(to_parent[0]);
  close(to_child[1]);
  names_taken_as_left(main_conn(), all);
}

// DML that took its schema before DDL on its table committed runs on the
// table as the DDL left it: the new column gets its default, a dropped
// table is reported as missing.
TEST_F(DdlRaceTest, DmlThatWaitedForDdlSeesItsTableAsTheDdlLeftIt) {
  ASSERT_EQ(run(main_conn(), "CREATE TABLE t (id NUMBER PRIMARY KEY, v NUMBER)"), "");
  ASSERT_EQ(run(main_conn(), "INSERT INTO t VALUES (1, 1)"), "");
  EXPECT_EQ(dml_behind_ddl("ALTER TABLE t ADD (c NUMBER DEFAULT 7 NOT NULL)",
                           "INSERT INTO t (id, v) VALUES (2, 2)"),
            "");
  EXPECT_EQ(query(main_conn(), "SELECT id, c FROM t ORDER BY id"), "1,7;2,7");
  const std::string updated =
      dml_behind_ddl("ALTER TABLE t MODIFY (v NOT NULL)", "UPDATE t SET v = NULL");
  EXPECT_NE(updated.find("ORA-01407"), std::string::npos) << updated;
  const std::string dropped = dml_behind_ddl("DROP TABLE t", "DELETE FROM t");
  EXPECT_NE(dropped.find("ORA-00942"), std::string::npos) << dropped;
}

// A query executed before another session's DDL and fetched after it: its
// rows as they are when a column was added or another table created,
// ORA-08103 once a table it reads was dropped (not an internal error).
TEST_F(DdlRaceTest, AQueryFetchedAfterAnotherSessionsDdl) {
  Conn& b = open_conn();
  for (const char* sql : {"CREATE TABLE t (id NUMBER, v NUMBER)", "CREATE TABLE u (id NUMBER)",
                          "INSERT INTO t VALUES (1, 10)", "INSERT INTO u VALUES (1)"})
    ASSERT_EQ(run(main_conn(), sql), "");
  const std::pair<const char*, const char*> cases[] = {
      {"ALTER TABLE t ADD (z NUMBER DEFAULT 5)", "1,10"},
      {"CREATE TABLE w (x NUMBER)", "1,10"},
      {"DROP TABLE u", "ORA-08103: object no longer exists\n"}};
  for (const auto& [ddl, fetched] : cases) {
    // A join: its rows are read at the first fetch.
    OCIStmt* st = prepare(b, "SELECT t.id, t.v FROM t, u WHERE t.id = u.id ORDER BY t.id");
    ASSERT_EQ(api.OCIStmtExecute(b.svc, st, b.err, 0, 0, nullptr, nullptr, OCI_DEFAULT),
              OCI_SUCCESS)
        << error_of(b);
    char16_t id[20] = {}, v[20] = {};
    OCIDefine* def = nullptr;
    api.OCIDefineByPos(st, &def, b.err, 1, id, sizeof id, SQLT_STR, nullptr, nullptr, nullptr,
                       OCI_DEFAULT);
    api.OCIDefineByPos(st, &def, b.err, 2, v, sizeof v, SQLT_STR, nullptr, nullptr, nullptr,
                       OCI_DEFAULT);
    EXPECT_EQ(run(main_conn(), ddl), "");
    const sword rc = api.OCIStmtFetch(st, b.err, 1, OCI_FETCH_NEXT, OCI_DEFAULT);
    EXPECT_EQ(rc == OCI_SUCCESS ? u8(id) + "," + u8(v) : error_of(b), fetched) << ddl;
    api.OCIHandleFree(st, OCI_HTYPE_STMT);
  }
}

// Array INSERTs (one plan for all the rows of an execute) in one session
// while another session creates, changes and drops other tables: every row
// arrives, every DDL statement works, and each sees the other's tables.
TEST_F(DdlRaceTest, ArrayInsertsWhileAnotherSessionDoesDdl) {
  auto bind_by_pos = reinterpret_cast<decltype(&::OCIBindByPos)>(dlsym(api.lib, "OCIBindByPos"));
  ASSERT_NE(bind_by_pos, nullptr);
  ASSERT_EQ(run(main_conn(), "CREATE TABLE t (id NUMBER PRIMARY KEY, v NUMBER DEFAULT 3)"), "");
  Conn& a = open_conn();
  Conn& b = open_conn();
  constexpr int kExecutes = 8, kRows = 250;
  std::string insert_problem;
  std::thread inserter([&] {
    OCIStmt* st = prepare(a, "INSERT INTO t (id) VALUES (:1)");
    std::vector<int32_t> ids(kRows);
    OCIBind* bind = nullptr;
    bind_by_pos(st, &bind, a.err, 1, ids.data(), 4, SQLT_INT, nullptr, nullptr, nullptr, 0, nullptr,
                OCI_DEFAULT);
    for (int e = 0; e < kExecutes && insert_problem.empty(); ++e) {
      for (int k = 0; k < kRows; ++k) ids[k] = e * kRows + k;
      if (api.OCIStmtExecute(a.svc, st, a.err, kRows, 0, nullptr, nullptr, OCI_COMMIT_ON_SUCCESS) !=
          OCI_SUCCESS)
        insert_problem = error_of(a);
    }
    api.OCIHandleFree(st, OCI_HTYPE_STMT);
  });
  std::vector<std::string> failed;
  for (int r = 0; r < kExecutes; ++r) {
    const std::string w = "w_" + std::to_string(r);
    for (const std::string& sql :
         {"CREATE TABLE " + w + " (x NUMBER)", "ALTER TABLE " + w + " ADD (y NUMBER DEFAULT 1)",
          "CREATE INDEX " + w + "_x ON " + w + " (x)"})
      if (std::string problem = run(b, sql); !problem.empty()) failed.push_back(problem);
    if (r % 2)
      if (std::string problem = run(b, "DROP TABLE w_" + std::to_string(r - 1)); !problem.empty())
        failed.push_back(problem);
  }
  inserter.join();
  EXPECT_EQ(insert_problem, "");
  EXPECT_EQ(joined(failed), "");
  const std::string rows = std::to_string(kExecutes * kRows);
  EXPECT_EQ(query(b, "SELECT COUNT(*), SUM(v) FROM t"),
            rows + "," + std::to_string(3 * kExecutes * kRows));
  for (const Conn& c : {a, b, main_conn()})
    EXPECT_EQ(query(c, "SELECT COUNT(*) FROM user_tables WHERE table_name LIKE 'W%'"),
              std::to_string(kExecutes / 2));
  EXPECT_EQ(query(a, "SELECT y FROM w_7"), "");
}

}  // namespace
}  // namespace oraemb_test
