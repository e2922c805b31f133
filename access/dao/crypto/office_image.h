// Whole-file decryption of an Office-encrypted Access 2007+ file held in
// memory: detect, verify the password, decrypt every page (in place or into
// another buffer) and mark
// page 0 as not encrypted, so that libmdb and the DAO component's own page
// reader take the image for a plain file. Nothing is written anywhere else.
#pragma once

#include <cstdint>
#include <span>
#include <string>

struct office_image_result {
  std::string description;  // the encryption found ("" when none)
  uint32_t pages = 0;       // pages decrypted
};

// Decrypts file (the whole file) into out, which must be as large; file and
// out are either the same buffer (in place) or do not overlap. A file without
// Office encryption is copied unchanged (description empty). Throws
// office_crypto_error: wrong_password (out not written), unsupported, damaged.
office_image_result office_decrypt_image(std::span<const uint8_t> file, std::span<uint8_t> out,
                                         const std::u16string& password);
// The same in place.
office_image_result office_decrypt_image(std::span<uint8_t> image, const std::u16string& password);

// The inverse, for tests and benchmarks: encrypts a plain Access 2007+ image
// in place with the encryption of another file, whose page 0 (model_page0)
// supplies the EncryptionInfo, the page key and so the password, which must
// match. Throws office_crypto_error as above, and damaged when image is not
// a plain Access 2007+ file.
void office_encrypt_image(std::span<uint8_t> image, std::span<const uint8_t> model_page0,
                          const std::u16string& password);
