// The DDL meeting point: statements arrive in pairs.
#include "oraemb/ddl_meeting.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdlib>
#include <mutex>

namespace oraemb {
namespace {

struct Meeting {
  std::mutex mutex;
  std::condition_variable met;
  int waiting = 0;
  uint64_t round = 0;  // moves on when a pair has met
};

}  // namespace

void meet_other_ddl() {
  const char* value = std::getenv("TARVEL_ORAEMB_MEET_DDL");
  const double seconds = value && *value ? std::atof(value) : 0;
  if (seconds <= 0) return;
  static Meeting meeting;
  std::unique_lock<std::mutex> lock(meeting.mutex);
  if (meeting.waiting > 0) {
    meeting.waiting = 0;
    ++meeting.round;
    meeting.met.notify_all();
    return;
  }
  meeting.waiting = 1;
  const uint64_t mine = meeting.round;
  if (!meeting.met.wait_for(lock, std::chrono::duration<double>(seconds),
                            [&] { return meeting.round != mine; }))
    meeting.waiting = 0;  // nobody came: go on alone
}

}  // namespace oraemb
