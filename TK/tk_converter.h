// The toolkit base of every converter: a job (so a conversion can run on a
// worker thread) with the settings every front end shares: source and
// destination names, the trace file and the silent flag, the finished flag
// that a watching thread polls, and the stop request that another thread (or
// a signal handler) raises to end a run early.
#pragma once

#include <atomic>
#include <string>

#include "TK/tk_thread.h"

class tk_converter : public tk_job {
 public:
  tk_converter();
  ~tk_converter() override;

  virtual void set_silent(bool silent) { silent_ = silent; }
  bool is_silent() const { return silent_; }

  // Sets the trace file: an existing read-only file or a missing directory is
  // a level-1 tk_exception; an empty name changes nothing.
  void set_logfile(const std::string& name);

  const std::wstring& source_name() const { return source_name_; }
  void set_source_name(const std::wstring& name) { source_name_ = name; }
  const std::wstring& destination_name() const { return destination_name_; }
  void set_destination_name(const std::wstring& name) { destination_name_ = name; }

  // Written by the run's thread at its end, read by the watching thread.
  bool is_finished() const { return finished_.load(); }
  void set_finished(bool finished) { finished_.store(finished); }
  std::atomic<bool>& finished_flag() { return finished_; }

  // Asks a running conversion to end after the record it is writing: the
  // run closes the current table (its rows so far stay) and converts no
  // further table. Callable from any thread and from a signal handler. A
  // request made before a run starts ends that run at once; the run clears
  // the request when it ends.
  void request_stop() { stop_requested_.store(true, std::memory_order_relaxed); }
  bool stop_requested() const { return stop_requested_.load(std::memory_order_relaxed); }
  void clear_stop() { stop_requested_.store(false, std::memory_order_relaxed); }

 private:
  static_assert(std::atomic<bool>::is_always_lock_free, "the stop request is set from signals");
  std::atomic<bool> finished_{false};
  std::atomic<bool> stop_requested_{false};
  bool silent_ = false;
  std::wstring source_name_;
  std::wstring destination_name_;
};
