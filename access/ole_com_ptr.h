// ole_com_ptr: holds one reference to a DAO object (any type with AddRef and
// Release) and releases it on destruction, tracing the references left.
// Taking a raw pointer adds a reference; out() hands the slot to a DAO call
// whose out parameter already carries one. Dereferencing an empty pointer is
// an internal assertion failure. Not thread-safe, like the objects it holds.
#pragma once

#include <cstdint>
#include <utility>

#include "TK/tk_exception.h"
#include "TK/tk_trace.h"

template <class T>
class ole_com_ptr {
 public:
  ole_com_ptr() = default;
  explicit ole_com_ptr(T* p) : p_(p) {
    if (p_) p_->AddRef();
  }
  ole_com_ptr(const ole_com_ptr& o) : ole_com_ptr(o.p_) {}
  ole_com_ptr(ole_com_ptr&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
  ole_com_ptr& operator=(ole_com_ptr o) noexcept {
    std::swap(p_, o.p_);
    return *this;
  }
  ~ole_com_ptr() { reset(); }

  // Releases the object held (if any).
  void reset() noexcept {
    if (T* p = std::exchange(p_, nullptr)) {
      const uint32_t left = p->Release();
      tk_trace(1, "ole_com_ptr<T>::~ole_com_ptr() - %d refs left", left);
    }
  }
  // The slot for an out parameter: the object held is released first, the
  // reference the call hands out is taken over as it is.
  T** out() {
    reset();
    return &p_;
  }

  T* get() const { return p_; }
  T* operator->() const {
    TK_ASSERT(p_ != nullptr);
    return p_;
  }
  T& operator*() const {
    TK_ASSERT(p_ != nullptr);
    return *p_;
  }
  explicit operator bool() const { return p_ != nullptr; }

 private:
  T* p_ = nullptr;
};
