// Fuzzes the SQL client's statement splitter, over a whole script and over
// the same text typed line by line. Every statement it hands on is trimmed
// and not empty; nothing may crash.
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "oraemb/client/script_splitter.h"

namespace {

void check(const std::vector<std::string>& statements) {
  for (const std::string& s : statements) {
    if (s.empty() || std::isspace(static_cast<unsigned char>(s.front())) ||
        std::isspace(static_cast<unsigned char>(s.back())))
      __builtin_trap();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  check(oraemb_client::ScriptSplitter::split(text));

  oraemb_client::ScriptSplitter typed;
  for (size_t start = 0; start <= text.size();) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    check(typed.add_line(text.substr(start, end - start)));
    start = end + 1;
  }
  check(typed.finish());
  if (typed.pending()) __builtin_trap();
  return 0;
}
