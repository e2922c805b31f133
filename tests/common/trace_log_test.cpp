// The trace log: threshold, emptying once per process, line ends, wide text
// cut at its buffer size.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "TK/tk_converter.h"
#include "TK/tk_trace.h"
#include "tests/support/process_runner.h"

namespace {

std::string slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(TraceLog, FirstCallEmptiesTheFileEvenBelowTheThreshold) {
  temp_dir dir;
  const std::string path = dir.write("t.log", "stale");
  tk_log log(path, false, 3, false);
  tk_trace(3, "not yet");  // disabled: nothing happens
  EXPECT_EQ(slurp(path), "stale");
  log.enable(true);
  tk_trace(2, "below");
  EXPECT_EQ(slurp(path), "");
  tk_trace(3, "Converting table %s (%d records)", std::wstring(L"\x0417"), 5);
  tk_wtrace(3, L"wide %s and %s", L"w", std::string("n"));
  EXPECT_EQ(slurp(path), "Converting table \xD0\x97 (5 records)\r\nwide w and n\r\n");
}

// The trace may hold data values: only its owner reads it, also a file
// that was there with wider permissions.
TEST(TraceLog, FileIsReadableByItsOwnerOnly) {
  temp_dir dir;
  const mode_t old_mask = umask(022);
  const std::string fresh = dir.file("fresh.log");
  const std::string open_one = dir.write("open.log", "old");
  chmod(open_one.c_str(), 0644);
  for (const std::string& path : {fresh, open_one}) {
    tk_log log(path, true, 1, false);
    tk_trace(3, "value");
    struct stat st {};
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u) << path;
  }
  umask(old_mask);
}

// A file that cannot be written is said once on standard error, however
// many lines follow: a full disk, a name longer than the system takes.
TEST(TraceLog, AnUnwritableFileIsReportedOnce) {
  for (const std::string& path : {std::string("/dev/full"), "/tmp/" + std::string(5000, 'x')}) {
    testing::internal::CaptureStderr();
    {
      tk_log log(path, true, 1, false);
      for (int i = 0; i < 3; ++i) tk_trace(3, "line %d", i);
    }
    const std::string err = testing::internal::GetCapturedStderr();
    const std::string head = "Cannot write the trace file " + path.substr(0, 20);
    EXPECT_EQ(err.find(head), 0u) << err.substr(0, 200);
    EXPECT_EQ(err.find("Cannot write", 1), std::string::npos) << err.substr(0, 200);
    EXPECT_EQ(err.back(), '\n');
  }
}

TEST(TraceLog, WideTextIsCutAtItsBuffer) {
  temp_dir dir;
  const std::string path = dir.file("w.log");
  tk_log log(path, true, 1, false);
  tk_wtrace(1, L"%s", std::wstring(20000, L'\x00e9'));
  const std::string text = slurp(path);
  EXPECT_EQ(text.size(), TK_WTRACE_MAX_CHARS * 2 + 2);
}

TEST(TraceLog, FormatsLikePrintfAndNeverReadsGarbage) {
  EXPECT_EQ(tk_format("%08X|%5d|%-3s|%.2f|%%", -1, 42, "a", 1.5), "FFFFFFFF|   42|a  |1.50|%");
  EXPECT_EQ(tk_format("%s %s"), "(missing) (missing)");
  EXPECT_EQ(tk_format("%d", "text"), "text");
}

TEST(TraceLog, TimestampsPrefixEachLine) {
  temp_dir dir;
  const std::string path = dir.file("ts.log");
  tk_log log(path, true, 1, true);
  tk_trace(1, "x");
  const std::string text = slurp(path);
  ASSERT_EQ(text.size(), 9u + 1 + 2);
  EXPECT_EQ(text[2], ':');
  EXPECT_EQ(text.substr(8), " x\r\n");
}

TEST(TraceLog, SetLogfileEnablesTracingIntoTheNamedFile) {
  temp_dir dir;
  tk_log log("", false, 3, false);
  struct conv : tk_converter {
  } c;
  c.set_logfile("");
  EXPECT_FALSE(log.enabled());
  c.set_logfile(dir.file("agent.log"));
  EXPECT_TRUE(log.enabled());
  EXPECT_EQ(log.file_name(), dir.file("agent.log"));
  EXPECT_THROW(c.set_logfile(dir.file("no/such/dir.log")), tk_exception);
}

TEST(Exceptions, MessagesAndAssertionCodes) {
  EXPECT_STREQ(tk_exception("", 1).what(), "Unknown exception");
  EXPECT_STREQ(tk_exception(0).what(), "Unknown exception");
  EXPECT_EQ(tk_mail_assertion("a.cpp", 19).message(), "Internal error: \ncode=612e6370705c3139");
  EXPECT_EQ(tk_mail_assertion("a.cpp", 19).level(), 2);
  tk_exception_ex e(2);
  EXPECT_EQ(e.code(), 2);
  EXPECT_STREQ(e.what(), "No such file or directory");
}

}  // namespace
