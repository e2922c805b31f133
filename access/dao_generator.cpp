// dao_generator: the anonymous workgroup file and its images.
#include "access/dao_generator.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "TK/tk_exception.h"
#include "TK/tk_exit_files.h"
#include "TK/tk_format.h"
#include "TK/tk_trace.h"

namespace {
constexpr int kMaxNames = 65536;  // "~tmp0000" .. "~tmp65535"
}

dao_generator::dao_generator() {
  tk_trace(2, "dao_generator::ctor");
}

dao_generator::~dao_generator() {
  tk_trace(2, "dao_generator::dtor");
  remove_files();
}

void dao_generator::remove_files() noexcept {
  if (!b_generated_) return;
  // Failures are ignored: the lock file usually does not exist.
  std::remove((name_ + ".ldb").c_str());
  std::remove(name_.c_str());
  tk_exit_file_unregister(name_ + ".ldb");
  tk_exit_file_unregister(name_);
  // Unlocked only once the name is gone, so a cleaner never takes it.
  if (lock_fd_ >= 0) ::close(lock_fd_);
  lock_fd_ = -1;
  b_generated_ = false;
}

int dao_generator::gen_name() {
  tk_trace(2, "dao_generator::gen_name");
  const int stale = dao_remove_stale_sysdb_files(".");
  if (stale > 0) tk_trace(3, "Removed %d workgroup files left by earlier runs", stale);
  for (int i = 0; i < kMaxNames; ++i) {
    const std::string candidate = tk_format("~tmp%04d", i);
    // O_EXCL: a name taken by another process between the test and the
    // creation is skipped instead of overwritten.
    const int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0) {
      // Locked before a byte is written: a cleaner that finds the file
      // unlocked also finds it incomplete, and leaves it.
      ::flock(fd, LOCK_EX);
      name_ = candidate;
      tk_exit_file_register(name_);
      tk_exit_file_register(name_ + ".ldb");
      return fd;
    }
    if (errno != EEXIST) throw tk_exception_ex(errno);
  }
  TK_FAIL();
}

void dao_generator::do_generate(const std::vector<uint8_t>& bytes) {
  tk_trace(2, "dao_generator::do_generate");
  TK_ASSERT(!bytes.empty());
  remove_files();
  const int fd = gen_name();
  tk_trace(1, "GOT GENERATED NAME: %s", name_);
  b_generated_ = true;
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      const int error = n < 0 ? errno : EIO;
      ::close(fd);
      remove_files();
      throw tk_exception_ex(error);
    }
    done += size_t(n);
  }
  // The descriptor stays open: it holds the lock until remove_files.
  lock_fd_ = fd;
}

namespace {

bool is_sysdb_temp_name(const char* name) {
  if (std::strncmp(name, "~tmp", 4) != 0) return false;
  const size_t digits = std::strlen(name + 4);
  if (digits < 4 || digits > 5) return false;
  for (const char* p = name + 4; *p; ++p)
    if (*p < '0' || *p > '9') return false;
  return true;
}

bool read_all(int fd, std::vector<uint8_t>& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::pread(fd, bytes.data() + done, bytes.size() - done, off_t(done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += size_t(n);
  }
  return true;
}

}  // namespace

int dao_remove_stale_sysdb_files(const std::string& dir) {
  DIR* d = ::opendir(dir.c_str());
  if (d == nullptr) return 0;
  std::vector<std::string> names;
  while (const dirent* e = ::readdir(d))
    if (is_sysdb_temp_name(e->d_name)) names.push_back(e->d_name);
  ::closedir(d);

  int removed = 0;
  for (const std::string& name : names) {
    const std::string path = dir + "/" + name;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) continue;
    struct stat st {};
    // In use by a running program, or not a plain file of ours: left alone.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0 || ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) ||
        st.st_uid != ::geteuid()) {
      ::close(fd);
      continue;
    }
    bool ours = false;
    for (dao_sysdb_format format : {dao_sysdb_format::jet4, dao_sysdb_format::jet3}) {
      const std::vector<uint8_t> image = dao_sysdb_image(format);
      if (off_t(image.size()) != st.st_size) continue;
      std::vector<uint8_t> bytes(image.size());
      ours = read_all(fd, bytes) && bytes == image;
      break;
    }
    if (ours) {
      tk_trace(1, "Removing the stale workgroup file %s", path);
      ::unlink((path + ".ldb").c_str());
      if (::unlink(path.c_str()) == 0) ++removed;
    }
    ::close(fd);  // releases the lock after the name is gone
  }
  return removed;
}

std::vector<uint8_t> dao_sysdb_image(dao_sysdb_format format) {
  const bool jet4 = format == dao_sysdb_format::jet4;
  std::vector<uint8_t> image(jet4 ? 143360 : 131072, 0);
  // Page 0: the page type 0x0100, then the 16-byte signature at offset 4
  // (15 characters and their zero), the format version at 0x14.
  image[0] = 0x00;
  image[1] = 0x01;
  static const char kSignature[16] = "Jet System DB  ";
  std::memcpy(image.data() + 4, kSignature, sizeof kSignature);
  image[0x14] = jet4 ? 0x01 : 0x00;
  return image;
}
