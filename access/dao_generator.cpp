// dao_generator: the anonymous workgroup file and its images.
#include "access/dao_generator.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "TK/tk_exception.h"
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
  b_generated_ = false;
}

int dao_generator::gen_name() {
  tk_trace(2, "dao_generator::gen_name");
  for (int i = 0; i < kMaxNames; ++i) {
    const std::string candidate = tk_format("~tmp%04d", i);
    // O_EXCL: a name taken by another process between the test and the
    // creation is skipped instead of overwritten.
    const int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0) {
      name_ = candidate;
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
  if (::close(fd) != 0) {
    const int error = errno;
    remove_files();
    throw tk_exception_ex(error);
  }
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
