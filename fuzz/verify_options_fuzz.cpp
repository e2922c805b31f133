// Fuzzes the classification of tarvel-verify's arguments (separated by NUL
// bytes): it must neither crash nor stop on any argument list, however long.
#include <cstdint>
#include <string>

#include "fuzz/fuzz_args.h"
#include "verify/verify_options.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  fuzz_args args("tarvel-verify", bytes);
  const verify_cli cli = verify_parse_cli(args.argc(), args.argv.data());
  (void)cli;
  return 0;
}
