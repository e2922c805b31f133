// BSTR allocation: a 32-bit byte length, the UTF-16 code units and a zero
// code unit in one heap block; the BSTR points just past the length.
#include <malloc.h>

#include <cstdlib>
#include <cstring>

#include "OLE/automation/oleauto.h"

namespace {

constexpr size_t kPrefix = sizeof(uint32_t);
// Bytes a reused block may have beyond twice what its text needs.
constexpr size_t kSlack = 256;

BSTR allocate_bytes(const void* data, uint32_t byte_len) {
  // Length, text, and two zero bytes (one more when byte_len is odd).
  const size_t total = kPrefix + size_t{byte_len} + 2 + (byte_len & 1u);
  auto* block = static_cast<unsigned char*>(std::malloc(total));
  if (!block) return nullptr;
  std::memcpy(block, &byte_len, kPrefix);
  if (data) {
    std::memcpy(block + kPrefix, data, byte_len);
  } else {
    std::memset(block + kPrefix, 0, byte_len);
  }
  std::memset(block + kPrefix + byte_len, 0, total - kPrefix - byte_len);
  return reinterpret_cast<BSTR>(block + kPrefix);
}

}  // namespace

BSTR SysAllocString(LPCOLESTR text) {
  if (!text) return nullptr;
  size_t len = 0;
  while (text[len] != 0) ++len;
  if (len > UINT32_MAX / 2) return nullptr;
  return allocate_bytes(text, static_cast<uint32_t>(len * 2));
}

BSTR SysAllocStringLen(LPCOLESTR text, uint32_t len) {
  if (len > UINT32_MAX / 2) return nullptr;
  return allocate_bytes(text, len * 2);
}

BSTR SysAllocStringByteLen(const char* bytes, uint32_t byte_len) {
  if (byte_len > UINT32_MAX - 8) return nullptr;
  return allocate_bytes(bytes, byte_len);
}

bool SysReAllocStringLen(BSTR* bstr, LPCOLESTR text, uint32_t len) {
  if (!bstr || len > UINT32_MAX / 2) return false;
  const uint32_t byte_len = len * 2;
  if (*bstr) {
    // Kept when the text fits and the block is not far larger than the text,
    // so that one long text does not keep its memory for all that follow.
    unsigned char* block = reinterpret_cast<unsigned char*>(*bstr) - kPrefix;
    const size_t needed = kPrefix + size_t{byte_len} + 2;
    const size_t usable = ::malloc_usable_size(block);
    if (usable >= needed && usable <= 2 * needed + kSlack) {
      std::memcpy(block, &byte_len, kPrefix);
      if (text) {
        std::memcpy(block + kPrefix, text, byte_len);
      } else {
        std::memset(block + kPrefix, 0, byte_len);
      }
      std::memset(block + kPrefix + byte_len, 0, 2);
      return true;
    }
  }
  const BSTR fresh = allocate_bytes(text, byte_len);
  if (!fresh) return false;
  SysFreeString(*bstr);
  *bstr = fresh;
  return true;
}

void SysFreeString(BSTR bstr) {
  if (bstr) std::free(reinterpret_cast<unsigned char*>(bstr) - kPrefix);
}

uint32_t SysStringByteLen(BSTR bstr) {
  if (!bstr) return 0;
  uint32_t len;
  std::memcpy(&len, reinterpret_cast<unsigned char*>(bstr) - kPrefix, kPrefix);
  return len;
}

uint32_t SysStringLen(BSTR bstr) {
  return SysStringByteLen(bstr) / 2;
}
