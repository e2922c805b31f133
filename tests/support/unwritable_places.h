// A directory and a file that the test process cannot write, whoever runs
// it. Root ignores file modes, so for root they are on sysfs, where nobody
// creates files and read-only attributes stay read-only; an ordinary user
// gets a directory of mode 0500 and a file of mode 0444 made for the test.
// Tests assert with can_create_in / can_open_for_writing that the place
// really is unwritable before they rely on it.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <string>

// A directory under `scratch` (which must be writable) for an ordinary user.
inline std::string unwritable_dir(const std::string& scratch) {
  if (geteuid() == 0) return "/sys/kernel";
  const std::string dir = scratch + "/read-only";
  ::mkdir(dir.c_str(), 0700);
  ::chmod(dir.c_str(), 0500);
  return dir;
}

// A file with some content under `scratch` for an ordinary user.
inline std::string unwritable_file(const std::string& scratch) {
  if (geteuid() == 0) return "/sys/kernel/notes";
  const std::string file = scratch + "/read-only.bin";
  std::ofstream(file, std::ios::binary) << "data";
  ::chmod(file.c_str(), 0444);
  return file;
}

inline bool can_create_in(const std::string& dir) {
  const std::string probe = dir + "/.write-probe";
  const int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
  if (fd < 0) return false;
  ::close(fd);
  ::unlink(probe.c_str());
  return true;
}

inline bool can_open_for_writing(const std::string& file) {
  const int fd = ::open(file.c_str(), O_RDWR);
  if (fd < 0) return false;
  ::close(fd);
  return true;
}
