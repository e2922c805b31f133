// Path splitting into drive, directory, name and extension.
#include "TK/tk_fname.h"

#include <filesystem>

#include "TK/tk_paths.h"
#include "TK/tk_text.h"
#include "tk_test_support.h"

namespace {

TEST(FileName, SplitsPaths) {
  const std::string cwd = std::filesystem::current_path().string();
  const std::string cases[][4] = {
      {"/data/north.mdb", "/data/", "north", ".mdb"},
      {"/data/archive.tar.gz", "/data/", "archive.tar", ".gz"},
      {"/dir.d/README", "/dir.d/", "README", ""},
      {"/data/.profile", "/data/", ".profile", ""},
      {"/data/sub/", "/data/sub/", "", ""},
      {"/data/./a/../b.x", "/data/", "b", ".x"},
      {"sub/Größe.mdb", cwd + "/sub/", "Größe", ".mdb"},
  };
  for (const auto& c : cases) {
    tk_file_wname w(tk_to_wide(c[0]));
    EXPECT_EQ(w.drive(), L"");
    EXPECT_EQ(tk_to_utf8(w.dir()) + "|" + tk_to_utf8(w.name()) + "|" + tk_to_utf8(w.ext()),
              c[1] + "|" + c[2] + "|" + c[3]);
    EXPECT_EQ(tk_file_name(c[0]).full(), tk_to_utf8(w.full()));
  }
  EXPECT_EQ(tk_file_name("/a/b.exe").with_ext(".chm"), "/a/b.chm");
  EXPECT_EQ(tk_file_name("").full(), tk_program_file_name());  // the program itself
}

}  // namespace
