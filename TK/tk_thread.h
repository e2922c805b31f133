// A job (the runnable base of the converter) and the holder that runs one job
// on one extra thread at a time. The owner polls `running()`; the job and its
// owner share state through the job's own atomic flags.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <thread>

class tk_job {
 public:
  virtual ~tk_job() = default;
  // Default: call idle() until is_stopped(), then on_finish().
  virtual void operator()();
  virtual bool is_stopped() { return false; }
  virtual void idle();
  virtual void on_finish() {}
};

class tk_thread {
 public:
  explicit tk_thread(int32_t value = 0) : value_(value) {}
  virtual ~tk_thread();
  tk_thread(const tk_thread&) = delete;
  tk_thread& operator=(const tk_thread&) = delete;

  // Starts the job that create_job() gives on a new thread. A thread still
  // running, a job still held or a null job is an internal assertion failure.
  void start();
  // Releases a finished thread and its job (deleting it when owned).
  void release();
  // Waits for a running thread to end, then releases it. There is no forced
  // termination of a thread here: jobs end by answering is_stopped().
  void kill();
  bool running() const;
  bool has_thread() const { return thread_.joinable(); }
  int32_t value() const { return value_; }
  tk_job* job() const { return job_; }

 protected:
  // Default: a new plain job, owned by the holder. Derived holders return
  // their own job (not owned) after setting job_owned to false.
  virtual tk_job* create_job();
  void set_job_owned(bool owned) { job_owned_ = owned; }

 private:
  static void entry(tk_job* job, std::atomic<bool>* done);

  std::thread thread_;
  std::atomic<bool> done_{true};
  int32_t value_;
  tk_job* job_ = nullptr;
  std::unique_ptr<tk_job> owned_job_;
  bool job_owned_ = false;
};
