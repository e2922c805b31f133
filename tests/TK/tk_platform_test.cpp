// Platform helpers: the DLL version export, the current-directory keeper and
// the desktop seam for the clipboard and problem reports.
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "TK/tk_cur_dir.h"
#include "TK/tk_desktop.h"
#include "TK/tk_dll_version.h"
#include "TK/tk_exit_files.h"
#include "TK/tk_paths.h"
#include "tk_test_support.h"

namespace {

class Platform : public TraceTest {};

TEST_F(Platform, DllVersionFromTheExportOrZero) {
  EXPECT_EQ(get_dll_version(TK_TEST_DLL_VERSIONED), (6u << 16) | 10u);
  EXPECT_EQ(get_dll_version(TK_TEST_DLL_WIDE), (0x2345u << 16) | 0x0001u);  // 16 bits each
  EXPECT_EQ(get_dll_version(TK_TEST_DLL_FAILING), 0u);
  EXPECT_EQ(get_dll_version(TK_TEST_DLL_NO_EXPORT), 0u);
  EXPECT_TRUE(traced("get_dll_version failed to obtain DllGetVersion"));
  EXPECT_EQ(get_dll_version(dir_.file("missing.so")), 0u);
  EXPECT_TRUE(traced("get_dll_version failed to load DLL"));
}

TEST(CurDirKeeper, ChangesAndRestores) {
  tk_scratch_dir dir;
  const std::string before = std::filesystem::current_path().string();
  {
    tk_cur_dir_keeper keeper(dir.path());
    EXPECT_EQ(std::filesystem::current_path().string(), dir.path());
  }
  EXPECT_EQ(std::filesystem::current_path().string(), before);
}

TEST_F(Platform, DesktopCallsReachTheRegisteredHandlersOrOnlyTrace) {
  tk_send_bug("subject", "body");  // nothing registered yet
  EXPECT_TRUE(traced("tk_send_bug(subject|body)"));
  std::wstring copied;
  tk_set_clipboard_handler([&](const std::wstring& t) { return copied = t, 0; });
  tk_bug_report sent;
  std::string dir_during_call;
  tk_set_mail_handler([&](const tk_bug_report& r) {
    sent = r;
    dir_during_call = std::filesystem::current_path().string();
    return 3;
  });
  tk_copy_to_clipboard2(L"Größe");
  tk_send_bug("Migration wizard", "the message");
  tk_set_clipboard_handler(nullptr);
  tk_set_mail_handler(nullptr);

  EXPECT_EQ(copied, L"Größe");
  EXPECT_EQ(sent.address, TK_SUPPORT_ADDRESS);
  EXPECT_EQ(sent.subject, "Bug report on Migration wizard");
  EXPECT_EQ(sent.note, "the message");
  EXPECT_EQ(dir_during_call, tk_program_dir());
  EXPECT_TRUE(traced("lpfnMAPISendMail returns 3"));
}

}  // namespace

TEST(TkExitFiles, RegisteredFilesAreUnlinkedAndForgottenOnesKept) {
  char pattern[] = "/tmp/tarvel-exit-files-XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  const std::string dir = pattern;
  const std::string before = std::filesystem::current_path().string();
  ASSERT_EQ(chdir(dir.c_str()), 0);
  for (const char* name : {"a", "b", "c"}) std::ofstream(name) << name;
  // Relative names are kept absolute: a later change of directory does not
  // make the handler miss them.
  ASSERT_TRUE(tk_exit_file_register("a"));
  ASSERT_TRUE(tk_exit_file_register(dir + "/b"));
  ASSERT_TRUE(tk_exit_file_register("c"));
  tk_exit_file_unregister("c");
  ASSERT_EQ(chdir("/"), 0);
  tk_exit_files_unlink_all();
  EXPECT_FALSE(std::filesystem::exists(dir + "/a"));
  EXPECT_FALSE(std::filesystem::exists(dir + "/b"));
  EXPECT_TRUE(std::filesystem::exists(dir + "/c"));
  tk_exit_file_unregister(dir + "/a");
  tk_exit_file_unregister(dir + "/b");
  // The table is bounded: registering never grows it past its slots.
  int taken = 0;
  while (taken < 100 && tk_exit_file_register(dir + "/x" + std::to_string(taken))) ++taken;
  EXPECT_GT(taken, 0);
  EXPECT_LT(taken, 100);
  for (int i = 0; i < taken; ++i) tk_exit_file_unregister(dir + "/x" + std::to_string(i));
  std::filesystem::remove_all(dir);
  ASSERT_EQ(chdir(before.c_str()), 0);
}
