// The table of files to remove when a signal ends the process.
#include "TK/tk_exit_files.h"

#include <limits.h>
#include <unistd.h>

#include <atomic>
#include <cstring>

namespace {

// A slot is empty, being written or read by a normal thread (busy), or ready
// (its name complete, visible to the signal handler).
enum slot_state : int { kEmpty = 0, kBusy = 1, kReady = 2 };

struct exit_file_slot {
  std::atomic<int> state{kEmpty};
  char path[PATH_MAX];
};

constexpr int kSlots = 16;
exit_file_slot g_slots[kSlots];

std::string absolute(const std::string& path) {
  if (!path.empty() && path[0] == '/') return path;
  char cwd[PATH_MAX];
  if (::getcwd(cwd, sizeof cwd) == nullptr) return path;
  return std::string(cwd) + "/" + path;
}

}  // namespace

bool tk_exit_file_register(const std::string& path) {
  const std::string full = absolute(path);
  if (full.size() + 1 > sizeof g_slots[0].path) return false;
  for (exit_file_slot& slot : g_slots) {
    int expected = kEmpty;
    if (!slot.state.compare_exchange_strong(expected, kBusy)) continue;
    std::memcpy(slot.path, full.c_str(), full.size() + 1);
    slot.state.store(kReady, std::memory_order_release);
    return true;
  }
  return false;
}

void tk_exit_file_unregister(const std::string& path) {
  const std::string full = absolute(path);
  // A ready slot's name is never written, so it can be compared in place; the
  // slot stays visible to a signal until the moment it is emptied.
  for (exit_file_slot& slot : g_slots) {
    if (slot.state.load(std::memory_order_acquire) != kReady || full != slot.path) continue;
    int expected = kReady;
    if (slot.state.compare_exchange_strong(expected, kEmpty)) return;
  }
}

void tk_exit_files_unlink_all() noexcept {
  static_assert(std::atomic<int>::is_always_lock_free, "read from a signal handler");
  for (exit_file_slot& slot : g_slots) {
    if (slot.state.load(std::memory_order_acquire) == kReady) ::unlink(slot.path);
  }
}
