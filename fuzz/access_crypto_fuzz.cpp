// Fuzz target: the Office encryption header of an Access 2007+ file. The input
// is an EncryptionInfo, placed at its offset in a page 0 that says "encrypted";
// the parser must accept it or fail with office_crypto_error, and an accepted
// header must go through the password check and the page decryption of a
// small image without touching memory outside it. Spin counts above 1000 are
// lowered so that each run stays fast.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "access/dao/crypto/office_crypto_error.h"
#include "access/dao/crypto/office_encryption.h"
#include "access/dao/crypto/office_image.h"

namespace {

std::vector<uint8_t> template_page0() {
  std::vector<uint8_t> page(kOfficePageSize, 0);
  std::memcpy(page.data() + 4, "Standard ACE DB", 16);
  page[0x14] = 3;  // Access 2010
  office_toggle_header_mask(page);
  page[kOfficeDbKeyOffset] = 0x5A;  // a non-zero page key
  page[kOfficeDbKeyOffset + 3] = 0xA5;
  office_toggle_header_mask(page);
  return page;
}

void lower_spin_count(std::string& info) {
  const std::string key = "spinCount=\"";
  size_t at = info.find(key);
  if (at == std::string::npos) return;
  at += key.size();
  size_t end = at;
  while (end < info.size() && info[end] >= '0' && info[end] <= '9') ++end;
  if (end - at > 3) info.replace(at, end - at, "100");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::vector<uint8_t> page0 = template_page0();
  const size_t room = kOfficePageSize - kOfficeInfoOffset - 2;
  std::string info(reinterpret_cast<const char*>(data), size < room ? size : room);
  lower_spin_count(info);

  std::vector<uint8_t> image(3 * kOfficePageSize, 0xC3);
  std::memcpy(image.data(), page0.data(), kOfficePageSize);
  // The declared length comes from the first input byte pair when present, so
  // lengths that disagree with the data get tried too.
  size_t length = info.size();
  if (size >= 2 && (data[0] & 1)) length = (data[0] | (data[1] << 8)) & 0x0FFF;
  image[kOfficeInfoOffset] = uint8_t(length);
  image[kOfficeInfoOffset + 1] = uint8_t(length >> 8);
  std::memcpy(image.data() + kOfficeInfoOffset + 2, info.data(), info.size());

  try {
    const office_encryption e = office_read_encryption(image);
    if (e.kind == office_cipher_kind::none || e.description.empty()) std::abort();
    office_decrypt_image(image, u"password");
  } catch (const office_crypto_error& e) {
    if (std::string(e.what()).empty()) std::abort();
  }
  return 0;
}
