// Fuzzes the engine's configuration reader: the bytes up to the first NUL are
// the file, each NUL-separated piece after it a connect text resolved through
// the parsed file. Text that is not understood must end in an Oracle error
// (ORA-00600 naming the line, or a TNS error), never a crash or a hang.
#include <cstddef>
#include <cstdint>
#include <string>

#include "oraemb/connect_config.h"
#include "oraemb/ora_error.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  const size_t end = bytes.find('\0');
  oraemb::ConnectConfig config;
  try {
    config = oraemb::ConnectConfig::parse(bytes.substr(0, end), "fuzz.conf");
  } catch (const oraemb::ora_error& e) {
    if (e.code() <= 0) __builtin_trap();
    return 0;
  }
  for (size_t start = end; start < bytes.size();) {
    const size_t next = bytes.find('\0', start + 1);
    const std::string connect = bytes.substr(start + 1, next - start - 1);
    try {
      const oraemb::ServiceTarget target = config.resolve(connect);
      if (target.path.empty()) __builtin_trap();
    } catch (const oraemb::ora_error& e) {
      if (e.code() <= 0) __builtin_trap();
    }
    start = next;
  }
  return 0;
}
