// ora_exception: an Oracle error raised by a failed OCI call, with Oracle's
// error number in its code (0x100000 | number) and Oracle's text as its
// message. Level 0: the error concerns one record or one table; the error
// handler decides what the user sees. A value type, thrown by value.
#pragma once

#include <cstdint>
#include <string>

#include "TK/tk_exception.h"

class ora_exception : public tk_exception {
 public:
  static constexpr int32_t kCodeBase = 0x100000;

  // `text` is Oracle's message (UTF-8); trailing line ends are dropped.
  ora_exception(int32_t oracle_error, const std::string& text);

  // The Oracle error number as the other layers compare it (low 16 bits).
  int32_t oracle_error() const { return code() & 0xFFFF; }
};
