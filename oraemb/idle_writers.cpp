// The watcher thread of IdleWriters: every few milliseconds, while there is
// anything to watch, each watched session is offered the chance to yield.
#include "oraemb/idle_writers.h"

#include <pthread.h>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <set>
#include <thread>

namespace oraemb {
namespace {

constexpr std::chrono::milliseconds kPollInterval{4};

struct Watcher {
  std::mutex mutex;
  std::unique_ptr<std::condition_variable> wake;
  std::set<IdleWriters::Writer*> writers;
  std::unique_ptr<std::thread> thread;
  bool stopping = false;
  bool fork_handlers = false;

  void run() {
    std::unique_lock<std::mutex> lock(mutex);
    while (!stopping) {
      if (writers.empty()) {
        wake->wait(lock);
        continue;
      }
      for (auto it = writers.begin(); it != writers.end();)
        it = (*it)->yield_if_wanted() ? std::next(it) : writers.erase(it);
      wake->wait_for(lock, kPollInterval);
    }
  }

  // The thread does not outlive the library (unload or process exit).
  ~Watcher();
};

Watcher g_watcher;
bool g_watcher_gone = false;  // a session may end after static destruction

Watcher::~Watcher() {
  std::unique_ptr<std::thread> t;
  {
    std::lock_guard<std::mutex> lock(mutex);
    stopping = true;
    t = std::move(thread);
    if (wake) wake->notify_all();
  }
  if (t && t->joinable()) t->join();
  g_watcher_gone = true;
}

// A child process of fork has no watcher thread: it forgets the parent's
// (and the sessions it watched) and starts its own when it needs one. The
// mutex is held across fork so that the child's copy is consistent.
void before_fork() {
  g_watcher.mutex.lock();
}
void after_fork_in_parent() {
  g_watcher.mutex.unlock();
}
void after_fork_in_child() {
  // The thread and what it may have been waiting on exist in the parent only.
  (void)g_watcher.thread.release();
  (void)g_watcher.wake.release();
  g_watcher.writers.clear();
  g_watcher.mutex.unlock();
}

}  // namespace

void IdleWriters::watch(Writer* w) {
  if (g_watcher_gone) return;
  Watcher& state = g_watcher;
  std::lock_guard<std::mutex> lock(state.mutex);
  if (state.stopping) return;
  const bool idle = state.writers.empty();
  if (!state.writers.insert(w).second) return;  // polled already
  if (!state.thread) {
    if (!state.fork_handlers)
      pthread_atfork(before_fork, after_fork_in_parent, after_fork_in_child);
    state.fork_handlers = true;
    state.wake = std::make_unique<std::condition_variable>();
    state.thread = std::make_unique<std::thread>([&state] { state.run(); });
  }
  if (idle) state.wake->notify_all();  // otherwise it polls anyway
}

void IdleWriters::forget(Writer* w) {
  if (g_watcher_gone) return;
  std::lock_guard<std::mutex> lock(g_watcher.mutex);
  g_watcher.writers.erase(w);
}

}  // namespace oraemb
