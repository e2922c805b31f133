// The keys of one Office-encrypted Access file: derived from the password,
// checked against the file's verifier, then used page by page. Page p is
// encrypted as block (db_key ^ p): RC4 CryptoAPI keys each page with
// H(H(salt + password) + block); standard AES-ECB keys each page from the
// spun SHA-1 password hash and the block ([MS-OFFCRYPTO] 2.3.4.7); agile
// AES-CBC uses the unwrapped secret key with IV H(keyData salt + block). Key material is wiped on
// destruction and never leaves this object. Not thread-safe: one cipher (or copy) per thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

struct office_encryption;
struct office_page_cipher_state;  // keys and OpenSSL contexts (office_page_cipher.cpp)

class office_page_cipher {
 public:
  // Throws office_crypto_error: wrong_password when the verifier does not
  // match, unsupported for kind none or when RC4 is not available.
  office_page_cipher(const office_encryption& encryption, const std::u16string& password);
  ~office_page_cipher();
  // A copy holds the same keys with OpenSSL contexts of its own, so that
  // another thread can decrypt other pages without deriving the keys again.
  office_page_cipher(const office_page_cipher& other);
  office_page_cipher& operator=(const office_page_cipher&) = delete;

  // Page `page` from in to out (the same buffer or two that do not overlap).
  // For AES, size must be a multiple of 16 (pages are 4096 bytes).
  void decrypt(uint32_t page, const uint8_t* in, uint8_t* out, size_t size);
  // The inverse, used to build encrypted test and benchmark files.
  void encrypt(uint32_t page, const uint8_t* in, uint8_t* out, size_t size);

 private:
  void apply(uint32_t page, const uint8_t* in, uint8_t* out, size_t size, bool encrypt);
  std::unique_ptr<office_page_cipher_state> state_;
};
