// How a run meets the user and the server at its edges: a logon warning
// reaches the console as a warning line, and a fatal error that ends the
// process ends the Oracle session first, so that the last record's LOB
// contents (written after its committed INSERT) are kept, not rolled back.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>

#include "common/error_handler.h"
#include "ora_writer_support.h"

namespace {

TEST(OraSessionEnd, AWarningIsOneConsoleLine) {
  error_handler handler(0, nullptr);
  testing::internal::CaptureStdout();
  handler.warn("ORA-28002: the password will expire within 5 days");
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "Warning: ORA-28002: the password will expire within 5 days\n");
  handler.set_silent(true);
  testing::internal::CaptureStdout();
  handler.warn("quiet");
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}

TEST(OraSessionEnd, AFatalErrorKeepsTheLastRecordsLobs) {
  ora_temp_dir dir;
  dir.use_embedded_engine();
  src_table t;
  t.columns = {src_column{L"ID", VT_I4, 0, false, false, ole_variant(), 0},
               src_column{L"Note", VT_BSTR, 0, false, false, ole_variant(), 0}};
  const pid_t child = fork();
  ASSERT_NE(child, -1);
  if (child == 0) {
    // The run: one record with a memo, then a level-1 error ends the process
    // (no destructor of the run is reached).
    std::freopen("/dev/null", "w", stdout);
    // Everything is held by static pointers: nothing is destroyed by the
    // process end, and nothing counts as leaked.
    static error_handler* handler = new error_handler(0, nullptr);
    static ora_engine* engine = new ora_engine();
    static ora_database* db =
        engine->open_db(L"//localhost:1521/ORCL", L"scott", L"tiger").release();
    static ora_in_validator* names = new ora_in_validator();
    (void)names;
    static ora_table* table = static_cast<ora_table*>(
        db->create_table(L"Memo", *make_schema(t), make_indexes(t)).release());
    table->append_record(*make_record(t, {ole_variant(1), ole_variant(std::wstring(L"kept"))}));
    handler->handle(tk_exception("fatal", 1), true);
    _exit(3);  // not reached
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 255);
  ora_engine engine;
  auto db = engine.open_db(L"//localhost:1521/ORCL", L"scott", L"tiger");
  EXPECT_EQ(select_one(L"SELECT \"Note\" FROM \"Memo\""), L"kept");
}

}  // namespace
