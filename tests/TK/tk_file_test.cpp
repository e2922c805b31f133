// Random-access file: reads in and out of range, padding on writes past the
// end, and the four failure messages.
#include "TK/tk_file.h"

#include <fcntl.h>
#include <unistd.h>

#include "TK/tk_exception.h"
#include "tests/support/unwritable_places.h"
#include "tk_test_support.h"

namespace {

class FileTest : public TraceTest {
 protected:
  std::string make(const std::string& name, size_t size) {
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(i * 7 + 1);
    tk_write_all(dir_.file(name), bytes);
    return dir_.file(name);
  }
  static std::string message_of(const std::function<void()>& action) {
    try {
      action();
    } catch (const tk_exception& e) {
      return e.what();
    }
    return "(no exception)";
  }
};

TEST_F(FileTest, ReadsWithinRangeAndRefusesBeyondIt) {
  tk_stdio_file file(make("a.bin", 1033), 0);
  unsigned char buf[4] = {};
  file.get_at(1029, buf, 4);  // the last four bytes
  EXPECT_EQ(buf[3], static_cast<unsigned char>(1032 * 7 + 1));
  EXPECT_EQ(message_of([&] { file.get_at(1030, buf, 4); }), "Error reading from file");
  EXPECT_TRUE(traced("Reading out of range: offset=1030, length=4, file size=1033"));
  // offset + length would wrap around in 64 bits.
  EXPECT_EQ(message_of([&] { file.get_at(UINT64_MAX - 1, buf, 4); }), "Error reading from file");
}

TEST_F(FileTest, PutPastTheEndPadsWithZeros) {
  const std::string path = make("b.bin", 10);
  tk_stdio_file(path, TK_FILE_WRITABLE).put_at(100, "xyz", 3);
  const std::string bytes = tk_read_all(path);
  ASSERT_EQ(bytes.size(), 103u);
  EXPECT_EQ(bytes[9], static_cast<char>(9 * 7 + 1));
  EXPECT_EQ(bytes.substr(10, 90), std::string(90, '\0'));
  EXPECT_EQ(bytes.substr(100), "xyz");
  EXPECT_TRUE(traced("padding with nulls..."));
  EXPECT_EQ(tk_stdio_file(path, TK_FILE_CREATE).get_length(), 0u);  // create truncates
}

TEST_F(FileTest, FailuresCarryTheFileMessages) {
  EXPECT_EQ(message_of([&] { tk_stdio_file(dir_.file("missing"), 0); }),
            "Bad path or busy with another process");
  EXPECT_EQ(message_of([&] { tk_stdio_file(dir_.file("missing"), TK_FILE_WRITABLE); }),
            "Error opening file");
  tk_stdio_file read_only(make("e.bin", 4), 0);
  EXPECT_EQ(message_of([&] { read_only.put_at(8, "z", 1); }), "Cannot write into file");
  EXPECT_THROW(tk_stdio_file("", 0), tk_mail_assertion);
  EXPECT_THROW(read_only.get_at(0, nullptr, 1), tk_mail_assertion);
}

TEST_F(FileTest, ReadOnlyFileCannotBeOpenedForWriting) {
  const std::string path = unwritable_file(dir_.path());
  ASSERT_FALSE(can_open_for_writing(path)) << path;
  EXPECT_EQ(message_of([&] { tk_stdio_file(path, TK_FILE_WRITABLE); }), "Error opening file");
  EXPECT_NO_THROW(tk_stdio_file(path, 0));
}

}  // namespace
