// Path splitting into drive, directory, name and extension.
#include "TK/tk_fname.h"

#include <filesystem>

#include "TK/tk_paths.h"
#include "TK/tk_text.h"
#include "tk_test_support.h"

namespace {

struct split_case {
  const char* path;
  const char* dir;
  const char* name;
  const char* ext;
};

TEST(FileName, SplitsAbsolutePaths) {
  const split_case cases[] = {
      {"/data/north.mdb", "/data/", "north", ".mdb"},
      {"/data/archive.tar.gz", "/data/", "archive.tar", ".gz"},
      {"/data/README", "/data/", "README", ""},
      {"/data/.profile", "/data/", ".profile", ""},
      {"/data/trail.", "/data/", "trail", "."},
      {"/data/sub/", "/data/sub/", "", ""},
      {"/data/./a/../b.x", "/data/", "b", ".x"},
      {"//data//c.y", "/data/", "c", ".y"},
      {"/dir.d/noext", "/dir.d/", "noext", ""},
      {"/", "/", "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    tk_file_name n(c.path);
    EXPECT_EQ(n.drive(), "");
    EXPECT_EQ(n.dir(), c.dir);
    EXPECT_EQ(n.name(), c.name);
    EXPECT_EQ(n.ext(), c.ext);
    tk_file_wname w(tk_to_wide(c.path));
    EXPECT_EQ(w.full(), tk_to_wide(n.full()));
    EXPECT_EQ(w.name(), tk_to_wide(c.name));
  }
}

TEST(FileName, RelativePathsAreMadeAbsolute) {
  const std::string cwd = std::filesystem::current_path().string();
  tk_file_wname w(L"sub/Größe.mdb");
  EXPECT_EQ(w.dir(), tk_to_wide(cwd + "/sub/"));
  EXPECT_EQ(w.name(), L"Größe");
  EXPECT_EQ(w.with_ext(L".chm"), tk_to_wide(cwd + "/sub/Größe.chm"));
}

TEST(FileName, EmptyPathIsTheProgramItself) {
  tk_file_name n("");
  EXPECT_EQ(n.full(), tk_program_file_name());
  EXPECT_FALSE(n.name().empty());
  EXPECT_EQ(tk_file_wname(L"").full(), tk_program_file_wname());
}

}  // namespace
