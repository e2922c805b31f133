// Platform helpers: the DLL version export, the current-directory keeper and
// the desktop seam for the clipboard and problem reports.
#include <unistd.h>

#include "TK/tk_cur_dir.h"
#include "TK/tk_desktop.h"
#include "TK/tk_dll_version.h"
#include "TK/tk_paths.h"
#include "tk_test_support.h"

namespace {

class Platform : public TraceTest {};

TEST_F(Platform, DllVersionFromTheExport) {
  EXPECT_EQ(get_dll_version(TK_TEST_DLL_VERSIONED), (6u << 16) | 10u);
  // Each part is taken as 16 bits.
  EXPECT_EQ(get_dll_version(TK_TEST_DLL_WIDE), (0x2345u << 16) | 0x0001u);
}

TEST_F(Platform, DllVersionIsZeroWhenUnavailable) {
  EXPECT_EQ(get_dll_version(TK_TEST_DLL_NO_EXPORT), 0u);
  EXPECT_TRUE(traced("get_dll_version failed to obtain DllGetVersion"));
  EXPECT_EQ(get_dll_version(dir_.file("missing.so")), 0u);
  EXPECT_TRUE(traced("get_dll_version failed to load DLL"));
  EXPECT_EQ(get_dll_version(TK_TEST_DLL_FAILING), 0u);
}

TEST(CurDirKeeper, ChangesAndRestores) {
  tk_scratch_dir dir;
  const std::string before = std::filesystem::current_path().string();
  {
    tk_cur_dir_keeper keeper(dir.path());
    EXPECT_EQ(std::filesystem::current_path().string(), dir.path());
    EXPECT_EQ(keeper.saved(), before);
  }
  EXPECT_EQ(std::filesystem::current_path().string(), before);
  {
    tk_cur_dir_keeper keeper;
    EXPECT_EQ(std::filesystem::current_path().string(), tk_program_dir());
  }
  {
    tk_cur_dir_keeper keeper(dir.file("missing"));  // stays, restores all the same
    EXPECT_EQ(std::filesystem::current_path().string(), before);
  }
  EXPECT_EQ(std::filesystem::current_path().string(), before);
}

TEST_F(Platform, WithoutHandlersTheDesktopCallsOnlyTrace) {
  tk_copy_to_clipboard2(L"Größe");
  tk_send_bug("subject", "body");
  EXPECT_TRUE(traced("tk_copy_to_clipboard2(Größe)"));
  EXPECT_TRUE(traced("tk_send_bug(subject|body)"));
  EXPECT_EQ(trace().find("lpfnMAPISendMail"), std::string::npos);
}

TEST_F(Platform, RegisteredHandlersReceiveTheText) {
  std::wstring copied;
  tk_set_clipboard_handler([&](const std::wstring& t) { return copied = t, 0; });
  tk_bug_report sent;
  std::string dir_during_call;
  tk_set_mail_handler([&](const tk_bug_report& r) {
    sent = r;
    dir_during_call = std::filesystem::current_path().string();
    return 3;
  });
  const std::string before = std::filesystem::current_path().string();
  tk_copy_to_clipboard2(L"Internal error: \ncode=61");
  tk_send_bug("Migration wizard", "the message");
  tk_set_clipboard_handler(nullptr);
  tk_set_mail_handler(nullptr);

  EXPECT_EQ(copied, L"Internal error: \ncode=61");
  EXPECT_TRUE(traced("OpenClipboard succeeded"));
  EXPECT_EQ(sent.address, TK_SUPPORT_ADDRESS);
  EXPECT_EQ(sent.subject, "Bug report on Migration wizard");
  EXPECT_EQ(sent.note, "the message");
  EXPECT_EQ(std::count(sent.date_time.begin(), sent.date_time.end(), '/'), 2);
  EXPECT_EQ(dir_during_call, tk_program_dir());
  EXPECT_EQ(std::filesystem::current_path().string(), before);
  EXPECT_TRUE(traced("lpfnMAPISendMail returns 3"));
}

TEST_F(Platform, FailingHandlersAreTracedNotRaised) {
  tk_set_clipboard_handler([](const std::wstring&) { return 5; });
  tk_set_mail_handler([](const tk_bug_report&) -> int { throw std::runtime_error("no client"); });
  EXPECT_NO_THROW(tk_copy_to_clipboard2(L"x"));
  EXPECT_NO_THROW(tk_send_bug("s", "b"));
  tk_set_clipboard_handler(nullptr);
  tk_set_mail_handler(nullptr);
  EXPECT_TRUE(traced("GetLastError() returns 00000005"));
  EXPECT_TRUE(traced("Sending the report failed: no client"));
}

}  // namespace
