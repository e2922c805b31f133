// Job loop and thread holder on std::thread.
#include "TK/tk_thread.h"

#include <chrono>

#include "TK/tk_exception.h"

void tk_job::operator()() {
  while (!is_stopped()) idle();
  on_finish();
}

void tk_job::idle() {
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
}

tk_thread::~tk_thread() {
  try {
    if (running())
      kill();
    else
      release();
  } catch (...) {
  }
}

bool tk_thread::running() const {
  return thread_.joinable() && !done_.load();
}

tk_job* tk_thread::create_job() {
  owned_job_ = std::make_unique<tk_job>();
  job_owned_ = true;
  return owned_job_.get();
}

void tk_thread::entry(tk_job* job, std::atomic<bool>* done) {
  try {
    TK_ASSERT(job != nullptr);
    (*job)();
  } catch (...) {
    // A job reports its own failures; nothing may escape a thread.
  }
  done->store(true);
}

void tk_thread::start() {
  TK_ASSERT(!running());
  if (thread_.joinable()) release();
  TK_ASSERT(job_ == nullptr);
  job_ = create_job();
  TK_ASSERT(job_ != nullptr);
  done_.store(false);
  thread_ = std::thread(&tk_thread::entry, job_, &done_);
}

void tk_thread::release() {
  TK_ASSERT(!running());
  if (thread_.joinable()) thread_.join();
  if (job_owned_) owned_job_.reset();
  job_owned_ = false;
  job_ = nullptr;
}

void tk_thread::kill() {
  TK_ASSERT(running());
  thread_.join();
  release();
}
