/* A tiny shared library for the DLL-version test: exports DllGetVersion
   with the version given at build time, or a failing one. */
#include <stdint.h>

struct version_info {
  uint32_t size, major, minor, build, platform_id;
};

__attribute__((visibility("default"))) int32_t DllGetVersion(struct version_info* info) {
#ifdef FAIL_CALL
  (void)info;
  return (int32_t)0x80004005; /* E_FAIL */
#else
  if (info->size != sizeof *info) return (int32_t)0x80070057; /* E_INVALIDARG */
  info->major = VERSION_MAJOR;
  info->minor = VERSION_MINOR;
  info->build = 1234;
  return 0;
#endif
}
