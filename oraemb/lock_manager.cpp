// OFD byte-range locks: table locks at byte obj#, row locks at a hash of
// (obj#, rid) in a second region from 2^40 on, row buckets of a table from
// 2^42 on; the set-up byte (setup_lock.cpp) and the writer-wanted byte sit
// just past the row region; parked tables' bytes from 2^60 and parked
// key values (hashes) from 2^61 on. A hash collision can only make a session wait needlessly.
#include "oraemb/lock_manager.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

#include "oraemb/ora_error.h"

namespace oraemb {
namespace {

constexpr int64_t kRowRegion = int64_t{1} << 40;

int64_t row_offset(int64_t obj, int64_t rid) {
  uint64_t h = 1469598103934665603ULL;
  for (uint64_t v : {static_cast<uint64_t>(obj), static_cast<uint64_t>(rid)}) {
    for (int k = 0; k < 8; ++k) {
      h ^= (v >> (8 * k)) & 0xFF;
      h *= 1099511628211ULL;
    }
  }
  return kRowRegion + static_cast<int64_t>(h % static_cast<uint64_t>(kRowRegion));
}

constexpr int64_t kBucketRegion = int64_t{1} << 42;
constexpr int64_t kWriterWantedByte = (int64_t{1} << 41) + 1;

int64_t bucket_offset(int64_t obj, int64_t rid, int64_t buckets) {
  return kBucketRegion + (obj % (int64_t{1} << 48)) * buckets +
         ((rid % buckets) + buckets) % buckets;
}

constexpr int64_t kParkedRegion = int64_t{1} << 60;
constexpr int64_t kKeyRegion = int64_t{1} << 61;

int64_t parked_offset(int64_t obj) {
  return kParkedRegion + obj % (int64_t{1} << 48);
}

int64_t key_offset(uint64_t key) {
  return kKeyRegion + static_cast<int64_t>(key % static_cast<uint64_t>(kRowRegion));
}

// A request of `type` (F_RDLCK, F_WRLCK, F_UNLCK) for `length` bytes from
// `start` (0: to the end of the file).
struct flock byte_range(short type, int64_t start, int64_t length = 1) {
  struct flock fl;
  std::memset(&fl, 0, sizeof fl);
  fl.l_type = type;
  fl.l_whence = SEEK_SET;
  fl.l_start = start;
  fl.l_len = length;
  return fl;
}

// Whether another file description holds a lock on `offset` that a lock of
// `type` would meet.
bool taken_by_others(int fd, int64_t offset, short type) {
  struct flock fl = byte_range(type, offset);
  return ::fcntl(fd, F_OFD_GETLK, &fl) == 0 && fl.l_type != F_UNLCK;
}

}  // namespace

LockManager::LockManager(const std::string& database_path) {
  std::string path = database_path + ".locks";
  fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd_ < 0) raise(600, {"lock file " + path + "], [" + std::strerror(errno)});
}

LockManager::~LockManager() {
  if (fd_ >= 0) ::close(fd_);  // the kernel releases every lock of this descriptor
}

bool LockManager::acquire(int64_t offset, bool exclusive, Wait wait) {
  waited_ = false;
  auto held = held_.find(offset);
  if (held != held_.end() && (held->second || !exclusive)) return true;
  struct flock fl = byte_range(exclusive ? F_WRLCK : F_RDLCK, offset);
  using clock = std::chrono::steady_clock;
  const auto deadline =
      clock::now() + std::chrono::milliseconds(static_cast<int64_t>(wait.seconds * 1000));
  auto pause = std::chrono::milliseconds(2);
  for (;;) {
    if (::fcntl(fd_, F_OFD_SETLK, &fl) == 0) {
      held_[offset] = exclusive || (held != held_.end() && held->second);
      return true;
    }
    if (errno != EAGAIN && errno != EACCES && errno != EINTR)
      raise(600, {std::string("lock], [") + std::strerror(errno)});
    if (wait.seconds == 0 || (wait.seconds > 0 && clock::now() >= deadline)) return false;
    if (wait.give_up && wait.give_up()) return false;
    waited_ = true;
    std::this_thread::sleep_for(pause);
    if (pause < std::chrono::milliseconds(50)) pause *= 2;
  }
}

bool LockManager::lock_table(int64_t obj, bool exclusive, Wait wait) {
  return acquire(obj, exclusive, wait);
}

bool LockManager::lock_row(int64_t obj, int64_t rid, Wait wait) {
  const int64_t bucket = bucket_offset(obj, rid, kBuckets);
  int64_t& exact = exact_rows_[obj];
  if (exact >= kExactRows) return acquire(bucket, true, wait);
  // A row of a bucket this transaction holds exclusively is already locked.
  auto held = held_.find(bucket);
  if (held != held_.end() && held->second) {
    waited_ = false;
    return true;
  }
  if (!acquire(bucket, false, wait)) return false;
  bool waited = waited_;
  const int64_t offset = row_offset(obj, rid);
  bool fresh = held_.find(offset) == held_.end();
  if (!acquire(offset, true, wait)) return false;
  waited_ = waited_ || waited;
  if (fresh) ++exact;
  return true;
}

bool LockManager::holds_row(int64_t obj, int64_t rid) const {
  auto bucket = held_.find(bucket_offset(obj, rid, kBuckets));
  if (bucket != held_.end() && bucket->second) return true;
  auto own = held_.find(row_offset(obj, rid));
  return own != held_.end() && own->second;
}

bool LockManager::hold_parked_table(int64_t obj) {
  return acquire(parked_offset(obj), false, Wait::nowait());
}

bool LockManager::lock_parked_key(uint64_t key) {
  return acquire(key_offset(key), true, Wait::nowait());
}

bool LockManager::others_parked(int64_t obj) const {
  return taken_by_others(fd_, parked_offset(obj), F_WRLCK);
}

bool LockManager::key_free(uint64_t key) const {
  return !taken_by_others(fd_, key_offset(key), F_RDLCK);
}

bool LockManager::wait_key_free(uint64_t key, Wait wait) {
  using clock = std::chrono::steady_clock;
  const auto deadline =
      clock::now() + std::chrono::milliseconds(static_cast<int64_t>(wait.seconds * 1000));
  auto pause = std::chrono::milliseconds(2);
  waited_ = false;
  while (!key_free(key)) {
    if (wait.seconds == 0 || (wait.seconds > 0 && clock::now() >= deadline)) return false;
    if (wait.give_up && wait.give_up()) return false;
    waited_ = true;
    std::this_thread::sleep_for(pause);
    if (pause < std::chrono::milliseconds(50)) pause *= 2;
  }
  return true;
}

void LockManager::want_writer(bool on) {
  struct flock fl = byte_range(on ? F_RDLCK : F_UNLCK, kWriterWantedByte);
  ::fcntl(fd_, F_OFD_SETLK, &fl);  // a shared lock never conflicts with another waiter's
}

bool LockManager::writer_wanted_by_others() const {
  struct flock fl = byte_range(F_WRLCK, kWriterWantedByte);
  return ::fcntl(fd_, F_OFD_GETLK, &fl) == 0 && fl.l_type != F_UNLCK;
}

void LockManager::release_all() {
  if (held_.empty()) return;
  struct flock fl = byte_range(F_UNLCK, 0, 0);  // the whole file
  ::fcntl(fd_, F_OFD_SETLK, &fl);
  held_.clear();
  exact_rows_.clear();
}

}  // namespace oraemb
