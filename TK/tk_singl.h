// Single-instance pattern for the process-wide objects (trace log, converter,
// error handler): the constructor registers `this`, a second instance or a
// missing one is an internal assertion failure. Not thread-safe: the owners
// are created and destroyed on the main thread.
#pragma once

#include "TK/tk_exception.h"

template <class T>
class tk_singl {
 public:
  static T& instance() {
    TK_ASSERT(instance_ != nullptr);
    return *static_cast<T*>(instance_);
  }
  static T* instance_ptr() { return static_cast<T*>(instance_); }
  static bool exists() { return instance_ != nullptr; }

 protected:
  tk_singl() {
    TK_ASSERT(instance_ == nullptr);
    // Kept as the base pointer: the derived object is still being built.
    instance_ = this;
  }
  ~tk_singl() { instance_ = nullptr; }
  tk_singl(const tk_singl&) = delete;
  tk_singl& operator=(const tk_singl&) = delete;

 private:
  static inline tk_singl* instance_ = nullptr;
};
