// The two tables of friendly messages that replace raw Oracle and Access
// error texts: codes are 0x100000 + the Oracle error number and 0x10000 + the
// DAO error number, as the exceptions of the two sides carry them.
#pragma once

#include <cstddef>
#include <cstdint>

struct error_message_entry {
  int32_t code;
  const char* message;
};

extern const error_message_entry kOracleErrorMessages[];
extern const size_t kOracleErrorMessageCount;  // 12
extern const error_message_entry kDaoErrorMessages[];
extern const size_t kDaoErrorMessageCount;  // 7

// Where users report problems; also the support contact of the messages.
inline constexpr const char* kSupportContact = "https://github.com/tarvel/tarvel/issues";
