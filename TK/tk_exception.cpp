// The exception family. Constructors that the traces name write their line at
// level 2; the assertion keeps the plain location in the trace and shows the
// user only its hexadecimal code.
#include "TK/tk_exception.h"

#include <cerrno>
#include <cstring>

#include "TK/tk_text.h"
#include "TK/tk_trace.h"

namespace {
const char kUnknown[] = "Unknown exception";
}

tk_exception::tk_exception(int32_t level) : message_(kUnknown), level_(level) {}

tk_exception::tk_exception(const std::string& message, int32_t level)
    : message_(message.empty() ? kUnknown : message), level_(level) {}

tk_exception::tk_exception(const char* message, int32_t level)
    : tk_exception(std::string(message ? message : ""), level) {}

tk_exception::tk_exception(const std::wstring& message, int32_t level)
    : tk_exception(tk_to_utf8(message), level) {}

tk_exception::tk_exception(const std::string& message, int32_t code, int32_t level)
    : message_(message.empty() ? kUnknown : message), code_(code), level_(level) {}

void tk_exception::set_message(const std::string& message) {
  message_ = message.empty() ? kUnknown : message;
}

tk_exception_ex::tk_exception_ex() : tk_exception_ex(errno) {}

tk_exception_ex::tk_exception_ex(int error_number) : tk_exception(TK_LEVEL_RUN) {
  tk_trace(2, "tk_exception_ex::ctor");
  set_code(error_number);
  if (error_number != 0) {
    char buf[256];
    const char* text = strerror_r(error_number, buf, sizeof buf);
    if (text && *text) {
      set_message(text);
      tk_trace(1, "GetLastError: %s", text);
    }
  }
}

std::string tk_mail_assertion::encode_location(const char* source_file, int line) {
  static const char kHex[] = "0123456789abcdef";
  const std::string plain =
      std::string(source_file ? source_file : "") + "\\" + std::to_string(line);
  std::string code;
  code.reserve(plain.size() * 2);
  for (unsigned char c : plain) {
    code += kHex[c >> 4];
    code += kHex[c & 0x0F];
  }
  return code;
}

tk_mail_assertion::tk_mail_assertion(const char* source_file, int line)
    : tk_exception("Internal error: \ncode=" + encode_location(source_file, line),
                   TK_LEVEL_INTERNAL) {
  tk_trace(2, "tk_mail_assertion::ctor(%s)", source_file ? source_file : "");
}

tk_final_exception::tk_final_exception() {
  tk_trace(2, "tk_final_exception::ctor");
}
