// Key derivation, password verification and page decryption for RC4
// CryptoAPI and agile AES (see office_page_cipher.h), following the Office
// document cryptography specification's key generation; Access's own twist
// is the block number of a page, db_key XOR the page number.
#include "access/dao/crypto/office_page_cipher.h"

#include <openssl/crypto.h>

#include <cstring>
#include <vector>

#include "access/dao/crypto/office_crypto_error.h"
#include "access/dao/crypto/office_encryption.h"
#include "access/dao/crypto/office_openssl.h"

namespace {

// Block keys of the agile password key encryptor.
const uint8_t kVerifierInputBlock[8] = {0xfe, 0xa7, 0xd2, 0x76, 0x3b, 0x4b, 0x9e, 0x79};
const uint8_t kVerifierValueBlock[8] = {0xd7, 0xaa, 0x0f, 0x6d, 0x30, 0x61, 0x34, 0x4e};
const uint8_t kKeyValueBlock[8] = {0x14, 0x6e, 0x0b, 0xe7, 0xab, 0xac, 0xd0, 0xd6};

// Bytes that are wiped when they go out of scope.
class secret {
 public:
  secret() = default;
  explicit secret(size_t n) : bytes_(n) {}
  ~secret() { wipe(); }
  secret(const secret&) = delete;
  secret& operator=(const secret&) = delete;
  void wipe() {
    if (!bytes_.empty()) OPENSSL_cleanse(bytes_.data(), bytes_.size());
  }
  void resize(size_t n, uint8_t fill) { bytes_.resize(n, fill); }
  uint8_t* data() { return bytes_.data(); }
  const uint8_t* data() const { return bytes_.data(); }
  size_t size() const { return bytes_.size(); }
  std::vector<uint8_t>& bytes() { return bytes_; }

 private:
  std::vector<uint8_t> bytes_;
};

[[noreturn]] void failed(const char* what) {
  throw office_crypto_error(office_crypto_error::unsupported, std::string("OpenSSL failed to ") + what);
}

void check(int ok, const char* what) {
  if (ok != 1) failed(what);
}

// out = H(a + b), sized to the digest.
void hash2(EVP_MD_CTX* ctx, const EVP_MD* md, const uint8_t* a, size_t a_size, const uint8_t* b,
           size_t b_size, secret& out) {
  out.resize(size_t(EVP_MD_get_size(md)), 0);
  unsigned int n = 0;
  check(EVP_DigestInit_ex2(ctx, md, nullptr), "hash");
  check(EVP_DigestUpdate(ctx, a, a_size), "hash");
  check(EVP_DigestUpdate(ctx, b, b_size), "hash");
  check(EVP_DigestFinal_ex(ctx, out.data(), &n), "hash");
}

void block_bytes(uint32_t block, uint8_t out[4]) {
  for (int i = 0; i < 4; ++i) out[i] = uint8_t(block >> (8 * i));
}

const EVP_CIPHER* aes_cbc(uint32_t key_bits) {
  switch (key_bits) {
    case 128: return EVP_aes_128_cbc();
    case 192: return EVP_aes_192_cbc();
    default: return EVP_aes_256_cbc();
  }
}

// AES-CBC without padding over whole blocks, into out.
void aes_cbc_decrypt(EVP_CIPHER_CTX* ctx, uint32_t key_bits, const uint8_t* key, const uint8_t* iv,
                     const std::vector<uint8_t>& in, secret& out) {
  out.resize(in.size(), 0);
  int n = 0;
  check(EVP_DecryptInit_ex(ctx, aes_cbc(key_bits), nullptr, key, iv), "set up AES");
  check(EVP_CIPHER_CTX_set_padding(ctx, 0), "set up AES");
  check(EVP_DecryptUpdate(ctx, out.data(), &n, in.data(), int(in.size())), "decrypt AES");
}

}  // namespace

struct office_page_cipher::state {
  office_cipher_kind kind = office_cipher_kind::none;
  uint32_t db_key = 0;
  office_md_ctx md_ctx = office_new_md_ctx();
  office_cipher_ctx cipher_ctx = office_new_cipher_ctx();
  // RC4 CryptoAPI
  secret base_hash;  // H0 = SHA-1(salt + password)
  size_t rc4_key_size = 0;
  // Agile
  const EVP_MD* data_md = nullptr;
  std::vector<uint8_t> data_salt;
  uint32_t data_key_bits = 0;
  secret secret_key;
  bool aes_keyed_for_decrypt = false;
  bool aes_keyed_for_encrypt = false;
  // Scratch for per-page keys and IVs.
  secret scratch;
};

namespace {

void unlock_rc4(office_page_cipher_state_alias* /*unused*/);

}  // namespace
