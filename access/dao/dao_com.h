// COM-style plumbing of the DAO component: interface identifiers, the
// reference-counted base every DAO object derives from, a small owning
// pointer for the component's own use, and the HRESULT form of DAO errors.
// The toolkit's automation layer has no IUnknown, GUID or VT_DISPATCH member,
// so this header supplies the few pieces the DAO objects need.
#pragma once

#include <atomic>
#include <cstdint>
#include <utility>

#include "OLE/automation/oleauto.h"

struct dao_guid {
  uint32_t data1;
  uint16_t data2;
  uint16_t data3;
  uint8_t data4[8];
  friend bool operator==(const dao_guid& a, const dao_guid& b) {
    if (a.data1 != b.data1 || a.data2 != b.data2 || a.data3 != b.data3) return false;
    for (int i = 0; i < 8; ++i)
      if (a.data4[i] != b.data4[i]) return false;
    return true;
  }
};

// DAO's published interface identifiers {000000xx-0000-0010-8000-00AA006D2EA4}.
constexpr dao_guid dao_iid(uint32_t id) {
  return {id, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x6D, 0x2E, 0xA4}};
}
inline constexpr dao_guid IID_IUnknown = {
    0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr dao_guid IID_IDispatch = {
    0x00020400, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr dao_guid IID_DAOField = dao_iid(0x51);
inline constexpr dao_guid IID_DAOIndexFields = dao_iid(0x5D);

inline constexpr HRESULT DAO_E_CLASSNOTREG = static_cast<HRESULT>(0x80040154u);
inline constexpr HRESULT DAO_E_DISABLED = static_cast<HRESULT>(0x8007042Cu);

// A DAO error number as the HRESULT the engine returns (FACILITY_CONTROL).
constexpr HRESULT dao_hresult(int32_t number) {
  return static_cast<HRESULT>(0x800A0000u | (uint32_t(number) & 0xFFFF));
}

// The base of every DAO object. Objects start with no reference; whoever
// hands one out adds the first. The last Release destroys the object.
// References may be added and released on any thread (the fields of a row
// read on one thread keep their Field's reference until the row is written
// on another); everything else is not thread-safe: one thread at a time
// uses an engine and what it opened.
class DAOUnknown {
 public:
  virtual HRESULT QueryInterface(const dao_guid& iid, void** out);
  virtual uint32_t AddRef() { return refs_.fetch_add(1, std::memory_order_relaxed) + 1; }
  virtual uint32_t Release() {
    const uint32_t left = refs_.fetch_sub(1, std::memory_order_acq_rel) - 1;
    if (left == 0) delete this;
    return left;
  }

 protected:
  DAOUnknown() = default;
  virtual ~DAOUnknown() = default;
  DAOUnknown(const DAOUnknown&) = delete;
  DAOUnknown& operator=(const DAOUnknown&) = delete;

 private:
  std::atomic<uint32_t> refs_{0};
};

// Owning pointer used inside the component (callers use ole_com_ptr).
template <class T>
class dao_ref {
 public:
  dao_ref() = default;
  explicit dao_ref(T* p) : p_(p) {
    if (p_) p_->AddRef();
  }
  dao_ref(const dao_ref& o) : dao_ref(o.p_) {}
  dao_ref(dao_ref&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
  dao_ref& operator=(dao_ref o) {
    std::swap(p_, o.p_);
    return *this;
  }
  ~dao_ref() {
    if (p_) p_->Release();
  }
  // Takes over a reference the caller already owns (an out parameter's).
  static dao_ref adopt(T* p) {
    dao_ref r;
    r.p_ = p;
    return r;
  }
  T* get() const { return p_; }
  T* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }
  // Hands one new reference to an out parameter.
  HRESULT copy_to(T** out) const {
    if (!out) return E_POINTER;
    *out = p_;
    if (p_) p_->AddRef();
    return S_OK;
  }

 private:
  T* p_ = nullptr;
};

// An automation object in a VARIANT: DAO hands Index.Fields out this way.
// The VARIANT holds one reference; dao_variant_clear releases it (the
// automation layer's VariantClear does not know VT_DISPATCH).
void dao_variant_set_object(VARIANT* v, DAOUnknown* object);
DAOUnknown* dao_variant_object(const VARIANT* v);
HRESULT dao_variant_clear(VARIANT* v);
