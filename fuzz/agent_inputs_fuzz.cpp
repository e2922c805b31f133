// Fuzzes the option scanner (arguments separated by NUL bytes) and the
// table-list file parser with the same bytes.
#include <cstdint>
#include <string>
#include <vector>

#include "TK/tk_exception.h"
#include "agent/agent_options.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  parse_table_list(bytes);

  std::vector<std::string> args{"TARVAGENT"};
  for (size_t start = 0; start <= bytes.size();) {
    size_t end = bytes.find('\0', start);
    if (end == std::string::npos) end = bytes.size();
    args.push_back(bytes.substr(start, end - start));
    start = end + 1;
  }
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  tk_cmdli scan(agent_options, static_cast<int>(argv.size()), argv.data());
  try {
    while (scan.has_more()) scan.next();
  } catch (const tk_mail_assertion&) {
    // More than 20 unrecognised arguments.
  }
  return 0;
}
