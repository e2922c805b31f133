// Fuzzes the profile reader through a real file, as users hand it one.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "TK/tk_exception.h"
#include "TK/tk_text.h"
#include "UDB/udb_profile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string path = "/tmp/tarvel-profile-fuzz-" + std::to_string(getpid()) + ".tpf";
  if (FILE* f = std::fopen(path.c_str(), "wb")) {
    std::fwrite(data, 1, size, f);
    std::fclose(f);
  }
  udb_profile profile;
  try {
    if (profile.load(tk_to_wide(path))) profile.store(tk_to_wide(path + ".out"));
  } catch (const tk_exception&) {
    // Overlong lines are refused with an assertion.
  }
  return 0;
}
