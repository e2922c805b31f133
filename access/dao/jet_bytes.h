// Little-endian reads from raw Access pages and rows, always bounds-checked.
// Every byte the reader decodes comes from a file that may be damaged or
// hostile, so a read outside the buffer answers false / zero instead of
// touching memory it does not own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

struct jet_bytes {
  const uint8_t* data = nullptr;
  size_t size = 0;

  bool has(size_t offset, size_t count) const { return offset <= size && count <= size - offset; }
  uint8_t u8(size_t offset) const { return has(offset, 1) ? data[offset] : 0; }
  uint16_t u16(size_t offset) const {
    if (!has(offset, 2)) return 0;
    return uint16_t(data[offset] | (data[offset + 1] << 8));
  }
  uint32_t u32(size_t offset) const {
    if (!has(offset, 4)) return 0;
    return uint32_t(data[offset]) | (uint32_t(data[offset + 1]) << 8) |
           (uint32_t(data[offset + 2]) << 16) | (uint32_t(data[offset + 3]) << 24);
  }
  uint64_t u64(size_t offset) const {
    if (!has(offset, 8)) return 0;
    return uint64_t(u32(offset)) | (uint64_t(u32(offset + 4)) << 32);
  }
  double f64(size_t offset) const {
    uint64_t bits = u64(offset);
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
  }
  float f32(size_t offset) const {
    uint32_t bits = u32(offset);
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
  }
  jet_bytes sub(size_t offset, size_t count) const {
    if (!has(offset, count)) return {};
    return {data + offset, count};
  }
};
