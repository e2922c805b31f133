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

// Whom the messages ask users to contact, and with what: the program has no
// support address of its own. The trace file is the one given to TARVAGENT
// with --logfile= (the wizard's finish page opens its own with Open Log).
inline constexpr const char* kSupportContact =
    "your system administrator with the table, the record\nand the trace file (--logfile=)";
