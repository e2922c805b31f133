// The set-up lock: one byte of "<database>.locks" past the table and row
// lock regions of LockManager (table bytes from 0, rows from 2^40, row
// buckets from 2^42), on a descriptor of its own so that the session's
// lock releases never drop it.
#include "oraemb/setup_lock.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <set>
#include <thread>

#include "oraemb/ora_error.h"

namespace oraemb {
namespace {

constexpr off_t kSetupByte = off_t{1} << 41;

// The seam's meeting point: files whose set-up held once, and logons that
// reached each file's set-up.
struct SetupSeam {
  std::mutex mutex;
  std::condition_variable arrived;
  std::set<std::string> held;
  std::map<std::string, int> arrivals;

  static SetupSeam& instance() {
    static SetupSeam seam;
    return seam;
  }
  static double armed_seconds() {
    const char* value = std::getenv("TARVEL_ORAEMB_HOLD_SETUP");
    return value && *value ? std::atof(value) : 0;
  }
  void arrive(const std::string& path) {
    std::lock_guard<std::mutex> lock(mutex);
    ++arrivals[path];
    arrived.notify_all();
  }
  void hold(const std::string& path, double seconds) {
    std::unique_lock<std::mutex> lock(mutex);
    if (!held.insert(path).second) return;
    arrived.wait_for(lock, std::chrono::duration<double>(seconds),
                     [&] { return arrivals[path] > 0; });
  }
};

int hold_in_commit(void* path) {
  SetupSeam::instance().hold(*static_cast<const std::string*>(path), SetupSeam::armed_seconds());
  return 0;  // the commit goes on
}

}  // namespace

SetupLock::SetupLock(const std::string& database_path, int timeout_ms) : path_(database_path) {
  const std::string lock_path = database_path + ".locks";
  fd_ = ::open(lock_path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd_ < 0) raise(600, {"lock file " + lock_path + "], [" + std::strerror(errno)});
  struct flock fl;
  std::memset(&fl, 0, sizeof fl);
  fl.l_type = F_WRLCK;
  fl.l_whence = SEEK_SET;
  fl.l_start = kSetupByte;
  fl.l_len = 1;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  auto pause = std::chrono::milliseconds(1);
  for (bool first = true;; first = false) {
    if (::fcntl(fd_, F_OFD_SETLK, &fl) == 0) return;
    if (errno != EAGAIN && errno != EACCES && errno != EINTR) {
      ::close(fd_);
      raise(600, {std::string("setup lock], [") + std::strerror(errno)});
    }
    if (first && SetupSeam::armed_seconds() > 0) SetupSeam::instance().arrive(path_);
    if (std::chrono::steady_clock::now() >= deadline) {
      ::close(fd_);
      raise(54);
    }
    std::this_thread::sleep_for(pause);
    if (pause < std::chrono::milliseconds(20)) pause *= 2;
  }
}

SetupLock::~SetupLock() {
  ::close(fd_);  // releases the byte
  if (SetupSeam::armed_seconds() > 0) SetupSeam::instance().arrive(path_);
}

void SetupLock::hold_first_write(sqlite3* conn) {
  if (SetupSeam::armed_seconds() > 0) sqlite3_commit_hook(conn, hold_in_commit, &path_);
}

void SetupLock::end_hold(sqlite3* conn) {
  sqlite3_commit_hook(conn, nullptr, nullptr);
}

}  // namespace oraemb
