// The version a shared library reports through its DllGetVersion export,
// read by loading the library for the call and unloading it afterwards.
#pragma once

#include <cstdint>
#include <string>

// The version-information structure DllGetVersion fills: 20 bytes, the size
// field set by the caller.
struct tk_dll_version_info {
  uint32_t size;
  uint32_t major;
  uint32_t minor;
  uint32_t build;
  uint32_t platform_id;
};
static_assert(sizeof(tk_dll_version_info) == 20);

// The export's signature: a negative result means failure.
using tk_dll_get_version_fn = int32_t (*)(tk_dll_version_info*);

// (major << 16) | minor, each taken as 16 bits; 0 when the library does not
// load, has no DllGetVersion, or the call fails. `file_name` is searched the
// way dlopen searches when it has no '/'.
uint32_t get_dll_version(const std::string& file_name);
