// Fuzzes the classification of tarvel-verify's arguments (separated by NUL
// bytes): it must neither crash nor stop on any argument list, however long.
#include <cstdint>
#include <string>
#include <vector>

#include "verify/verify_options.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> args{"tarvel-verify"};
  for (size_t start = 0; start <= bytes.size();) {
    size_t end = bytes.find('\0', start);
    if (end == std::string::npos) end = bytes.size();
    args.push_back(bytes.substr(start, end - start));
    start = end + 1;
  }
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  const verify_cli cli = verify_parse_cli(static_cast<int>(argv.size()), argv.data());
  (void)cli;
  return 0;
}
