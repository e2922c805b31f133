// ora_exception: the code and message of an Oracle error.
#include "ORA/ora_exception.h"

#include "TK/tk_trace.h"

namespace {
// Oracle's texts end in a line feed; the message is shown inside other text.
std::string without_trailing_space(std::string text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
    text.pop_back();
  return text;
}
}  // namespace

ora_exception::ora_exception(int32_t oracle_error, const std::string& text)
    : tk_exception(without_trailing_space(text), kCodeBase | (oracle_error & 0xFFFF),
                   TK_LEVEL_RECORD) {
  tk_trace(2, "ora_exception::ctor");
}
