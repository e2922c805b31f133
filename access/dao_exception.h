// dao_exception: a failed DAO call as an exception of the toolkit family.
// Its message is the description of the first entry of DBEngine.Errors and
// its code 0x00010000 plus the low 16 bits of that entry's number, so the
// error handler can map it to a friendly text. Built right after the failed
// call, while the Errors collection still describes it; needs the current
// dao_engine. The level is the thrower's: opening the source ends the run
// (level 1); a table or a row that cannot be read concerns that table (0).
#pragma once

#include <cstdint>
#include <string>

#include "OLE/automation/oleauto.h"
#include "TK/tk_exception.h"

class dao_exception : public tk_exception {
 public:
  static constexpr int32_t kCodeBase = 0x00010000;

  // Reads the engine's error collection; when it cannot be read, a plain
  // tk_exception ("Failed on step #n") is raised instead.
  explicit dao_exception(int32_t level = TK_LEVEL_RUN);

  // The DAO error number (low 16 bits of the code).
  int32_t dao_error() const { return code() & 0xFFFF; }

 private:
  struct error_info {
    std::string description;
    int32_t number = 0;
  };
  explicit dao_exception(const error_info& info, int32_t level);
  static error_info read_errors();
};

// Raises dao_exception(level) when a DAO call failed.
inline void dao_check(HRESULT hr, int32_t level = TK_LEVEL_RECORD) {
  if (FAILED(hr)) throw dao_exception(level);
}
// Raises a plain tk_exception when a DAO call succeeded but handed out no
// object.
void dao_check_object(const void* object, const char* what, int32_t level = TK_LEVEL_RECORD);
