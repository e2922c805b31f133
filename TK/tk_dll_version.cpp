// get_dll_version on dlopen/dlsym. The handle is owned by a unique_ptr so the
// library is unloaded on every path.
#include "TK/tk_dll_version.h"

#include <dlfcn.h>

#include <memory>

#include "TK/tk_trace.h"

namespace {
struct dl_closer {
  void operator()(void* handle) const { ::dlclose(handle); }
};
}  // namespace

uint32_t get_dll_version(const std::string& file_name) {
  std::unique_ptr<void, dl_closer> lib(::dlopen(file_name.c_str(), RTLD_NOW | RTLD_LOCAL));
  if (!lib) {
    const char* why = ::dlerror();
    tk_trace(1, "dlopen: %s", why ? why : file_name.c_str());
    tk_trace(1, "get_dll_version failed to load DLL");
    return 0;
  }
  auto fn = reinterpret_cast<tk_dll_get_version_fn>(::dlsym(lib.get(), "DllGetVersion"));
  if (!fn) {
    tk_trace(1, "get_dll_version failed to obtain DllGetVersion");
    return 0;
  }
  tk_dll_version_info info{};
  info.size = sizeof info;
  const int32_t result = fn(&info);
  if (result < 0) {
    tk_trace(1, "DllGetVersion returns %08X", result);
    return 0;
  }
  return ((info.major & 0xFFFFu) << 16) | (info.minor & 0xFFFFu);
}
