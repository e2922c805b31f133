// The job loop and the one-thread-at-a-time holder.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>

#include "TK/tk_exception.h"
#include "TK/tk_thread.h"

namespace {

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

TEST(Thread, JobLoopsUntilStoppedThenFinishes) {
  holder h;
  h.start();
  EXPECT_TRUE(h.running());
  EXPECT_THROW(h.start(), tk_mail_assertion);  // the running thread is not touched
  EXPECT_TRUE(h.running());
  while (h.job.idles < 3) std::this_thread::yield();
  h.job.stop = true;
  while (h.running()) std::this_thread::yield();
  EXPECT_TRUE(h.job.finished);
  h.release();
  EXPECT_FALSE(h.has_thread());
  h.job.stop = false;
  h.job.stop = true;
  h.start();  // a finished thread is released by the next start
  h.kill();
  EXPECT_FALSE(h.running());
}

TEST(Thread, KillOrReleaseOutOfOrderIsAnAssertion) {
  tk_thread t;
  EXPECT_THROW(t.kill(), tk_mail_assertion);
  EXPECT_NO_THROW(t.release());
}

}  // namespace
