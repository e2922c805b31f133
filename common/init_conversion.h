// Brackets one conversion run: traces its start and end times and marks the
// converter finished when the run is left, whichever way. A front end may
// register a hook to start its progress display when a run starts.
#pragma once

#include <atomic>
#include <functional>

class init_conversion {
 public:
  init_conversion(std::atomic<bool>& finished, bool com_initialised);
  ~init_conversion();
  init_conversion(const init_conversion&) = delete;
  init_conversion& operator=(const init_conversion&) = delete;

  // Called at the start of every run (the wizard starts its progress timer).
  static void set_start_hook(std::function<void()> hook);

 private:
  std::atomic<bool>& finished_;
  bool com_initialised_;
};
