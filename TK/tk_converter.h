// The toolkit base of every converter: a job (so a conversion can run on a
// worker thread) with the settings every front end shares: source and
// destination names, the trace file and the silent flag, and the finished
// flag that a watching thread polls.
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
  // a level-1 tk_exception; an empty name changes nothing but the stored name.
  void set_logfile(const std::string& name);
  const std::string& log_file_name() const { return log_file_name_; }

  const std::wstring& source_name() const { return source_name_; }
  void set_source_name(const std::wstring& name) { source_name_ = name; }
  const std::wstring& destination_name() const { return destination_name_; }
  void set_destination_name(const std::wstring& name) { destination_name_ = name; }

  // Written by the run's thread at its end, read by the watching thread.
  bool is_finished() const { return finished_.load(); }
  void set_finished(bool finished) { finished_.store(finished); }
  std::atomic<bool>& finished_flag() { return finished_; }

 private:
  std::atomic<bool> finished_{false};
  bool silent_ = false;
  std::wstring source_name_;
  std::wstring destination_name_;
  std::string log_file_name_;
};
