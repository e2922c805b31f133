// The job loop and the one-thread-at-a-time holder. Every wait has a time
// limit, so that a job that never stops fails the test instead of hanging it.
#include "TK/tk_thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "TK/tk_exception.h"

namespace {

constexpr auto kLimit = std::chrono::seconds(10);

// Whether `done` holds within kLimit.
template <class Done>
bool within_limit(Done done) {
  const auto deadline = std::chrono::steady_clock::now() + kLimit;
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

struct counting_job : tk_job {
  std::atomic<int> idles{0};
  std::atomic<bool> stop{false};
  std::atomic<bool> finished{false};
  bool is_stopped() override { return stop.load(); }
  void idle() override {
    ++idles;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  void on_finish() override { finished = true; }
};

struct holder : tk_thread {
  counting_job job;
  tk_job* create_job() override {
    set_job_owned(false);
    return &job;
  }
};

// The holder's destructor joins a thread that is still running, so a job
// that ignores its stop would hang the test program there: a wait for the
// thread's end that runs out ends the program with a failure instead.
[[noreturn]] void end_hung_test() {
  std::fprintf(stderr, "the job thread did not end within the time limit\n");
  std::_Exit(EXIT_FAILURE);
}

// Stops the job and waits for its thread.
void stop_within_limit(holder& h) {
  h.job.stop = true;
  if (!within_limit([&] { return !h.running(); })) end_hung_test();
}

TEST(Thread, JobLoopsUntilStoppedThenFinishes) {
  holder h;
  h.start();
  EXPECT_TRUE(h.running());
  EXPECT_THROW(h.start(), tk_mail_assertion);  // the running thread is not touched
  EXPECT_TRUE(h.running());
  EXPECT_TRUE(within_limit([&] { return h.job.idles >= 3; })) << "the job loop did not run";
  stop_within_limit(h);
  EXPECT_TRUE(h.job.finished);
  h.release();
  EXPECT_FALSE(h.has_thread());
  // A job that is stopped from the start finishes at once; the finished
  // thread is released by the next start.
  h.start();
  EXPECT_TRUE(within_limit([&] { return !h.running(); }));
  EXPECT_TRUE(h.has_thread());
  h.job.stop = false;
  h.job.idles = 0;
  h.job.finished = false;
  h.start();
  EXPECT_TRUE(within_limit([&] { return h.job.idles >= 3; }));
  // kill waits for the running job to end; here it is stopped a little later.
  std::thread stopper([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    h.job.stop = true;
    if (!within_limit([&] { return h.job.finished.load(); })) end_hung_test();
  });
  h.kill();
  stopper.join();
  EXPECT_FALSE(h.running());
  EXPECT_FALSE(h.has_thread());
}

TEST(Thread, KillOrReleaseOutOfOrderIsAnAssertion) {
  tk_thread t;
  EXPECT_THROW(t.kill(), tk_mail_assertion);
  EXPECT_NO_THROW(t.release());
}

}  // namespace
