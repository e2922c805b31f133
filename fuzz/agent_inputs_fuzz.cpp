// Fuzzes the option scanner (arguments separated by NUL bytes), the reading
// of --jobs= values and the table-list file parser with the same bytes.
#include <cstdint>
#include <string>

#include "TK/tk_exception.h"
#include "agent/agent_options.h"
#include "fuzz/fuzz_args.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  parse_table_list(bytes);

  fuzz_args args("TARVAGENT", bytes);
  tk_cmdli scan(agent_options, args.argc(), args.argv.data());
  try {
    while (scan.has_more()) {
      scan.next();
      if (scan.id() == OPT_JOBS) parse_jobs_value(scan.value());
    }
  } catch (const tk_mail_assertion&) {
    // More than 20 unrecognised arguments.
  }
  return 0;
}
