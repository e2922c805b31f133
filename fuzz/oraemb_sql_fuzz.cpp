// libFuzzer entry over the engine's SQL front end: any byte string must be
// tokenised and parsed into a statement or rejected with an Oracle error,
// never crash, hang or leak.
#include <cstddef>
#include <cstdint>
#include <string>

#include "oraemb/ora_error.h"
#include "oraemb/parser.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string sql(reinterpret_cast<const char*>(data), size);
  try {
    oraemb::Parser(sql).parse_statement();
  } catch (const oraemb::ora_error& e) {
    if (e.code() <= 0) __builtin_trap();
  }
  try {
    oraemb::Parser(sql).parse_condition_only();
  } catch (const oraemb::ora_error&) {
  }
  try {
    oraemb::Parser(sql).parse_block_only();
  } catch (const oraemb::ora_error&) {
  }
  return 0;
}
