// Hexadecimal encoding of byte strings.
#include "TK/tk_hex.h"

#include "TK/tk_exception.h"

std::string tk_hex_encode(const uint8_t* data, size_t size) {
  static const char kDigits[] = "0123456789ABCDEF";
  TK_ASSERT(data != nullptr || size == 0);
  std::string out(size * 2, '\0');
  for (size_t i = 0; i < size; ++i) {
    out[2 * i] = kDigits[data[i] >> 4];
    out[2 * i + 1] = kDigits[data[i] & 0x0F];
  }
  return out;
}
