// Key derivation, password verification and page decryption for RC4
// CryptoAPI, standard AES and agile AES (see office_page_cipher.h), following the key
// generation of the published Office cryptography format; Access's own twist
// is the block number of a page, db_key XOR the page number.
#include "access/dao/crypto/office_page_cipher.h"

#include <openssl/crypto.h>

#include <algorithm>
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
  // Room for the largest digest and key, so growing never leaves a copy behind.
  secret() { bytes_.reserve(128); }
  explicit secret(size_t n) : secret() { bytes_.resize(n); }
  ~secret() { wipe(); }
  secret(const secret& other) : secret() { bytes_ = other.bytes_; }
  secret& operator=(const secret&) = delete;
  void wipe() {
    if (!bytes_.empty()) OPENSSL_cleanse(bytes_.data(), bytes_.size());
  }
  // Shrinking wipes the bytes cut off.
  void resize(size_t n, uint8_t fill) {
    if (n < bytes_.size()) OPENSSL_cleanse(bytes_.data() + n, bytes_.size() - n);
    bytes_.resize(n, fill);
  }
  uint8_t* data() { return bytes_.data(); }
  const uint8_t* data() const { return bytes_.data(); }
  size_t size() const { return bytes_.size(); }

 private:
  std::vector<uint8_t> bytes_;
};

[[noreturn]] void failed(const char* what) {
  throw office_crypto_error(office_crypto_error::unsupported,
                            std::string("OpenSSL failed to ") + what);
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
    case 128:
      return EVP_aes_128_cbc();
    case 192:
      return EVP_aes_192_cbc();
    default:
      return EVP_aes_256_cbc();
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

struct office_page_cipher_state {
  office_cipher_kind kind = office_cipher_kind::none;
  uint32_t db_key = 0;
  office_md_ctx md_ctx = office_new_md_ctx();
  office_cipher_ctx cipher_ctx = office_new_cipher_ctx();
  // RC4 CryptoAPI
  secret base_hash;  // H0 = SHA-1(salt + password)
  size_t rc4_key_bytes = 0;
  bool rc4_pad_to_128 = false;
  // Standard AES: key_bits; base_hash holds Hn (the spun password hash)
  uint32_t aes_key_bits = 0;
  // Agile
  const EVP_MD* data_md = nullptr;
  std::vector<uint8_t> data_salt;
  uint32_t data_key_bits = 0;
  secret secret_key;
  int aes_direction = -1;  // 1 keyed to encrypt, 0 to decrypt, -1 not keyed
  // Per-page key or IV
  secret scratch;

  office_page_cipher_state() = default;
  // The derived keys with contexts of its own, for another thread.
  office_page_cipher_state(const office_page_cipher_state& o)
      : kind(o.kind),
        db_key(o.db_key),
        base_hash(o.base_hash),
        rc4_key_bytes(o.rc4_key_bytes),
        rc4_pad_to_128(o.rc4_pad_to_128),
        aes_key_bits(o.aes_key_bits),
        data_md(o.data_md),
        data_salt(o.data_salt),
        data_key_bits(o.data_key_bits),
        secret_key(o.secret_key) {}
  office_page_cipher_state& operator=(const office_page_cipher_state&) = delete;
};

namespace {

// The password as UTF-16LE bytes, as both key derivations hash it.
void password_bytes(const std::u16string& password, secret& out) {
  out.resize(password.size() * 2, 0);
  for (size_t i = 0; i < password.size(); ++i) {
    out.data()[2 * i] = uint8_t(password[i]);
    out.data()[2 * i + 1] = uint8_t(password[i] >> 8);
  }
}

// RC4 key of a block: the first key_bytes of SHA-1(H0 + block); a 40-bit key
// is used as 128 bits with zeros after it.
void rc4_block_key(office_page_cipher_state& s, uint32_t block, secret& key) {
  uint8_t b[4];
  block_bytes(block, b);
  hash2(s.md_ctx.get(), EVP_sha1(), s.base_hash.data(), s.base_hash.size(), b, 4, key);
  key.resize(s.rc4_key_bytes, 0);
  if (s.rc4_pad_to_128) key.resize(16, 0);
}

void unlock_rc4(office_page_cipher_state& s, const office_rc4_params& p, const secret& pwd) {
  hash2(s.md_ctx.get(), EVP_sha1(), p.salt.data(), p.salt.size(), pwd.data(), pwd.size(),
        s.base_hash);
  s.rc4_key_bytes = p.key_bits / 8;
  s.rc4_pad_to_128 = p.key_bits == 40;
  // Verifier and its hash are one RC4 stream keyed with block 0.
  secret key;
  rc4_block_key(s, 0, key);
  secret data(36);
  std::memcpy(data.data(), p.encrypted_verifier.data(), 16);
  std::memcpy(data.data() + 16, p.encrypted_verifier_hash.data(), 20);
  office_rc4(s.cipher_ctx.get(), {key.data(), key.size()}, data.data(), data.data(), data.size());
  secret hash;
  hash2(s.md_ctx.get(), EVP_sha1(), data.data(), 16, nullptr, 0, hash);
  if (CRYPTO_memcmp(hash.data(), data.data() + 16, 20) != 0)
    throw office_crypto_error(office_crypto_error::wrong_password, "the password does not match");
}

// Standard AES key of a block: Hfinal = SHA-1(Hn + block), then the first
// key bytes of SHA-1(0x36 x 64 XOR Hfinal) + SHA-1(0x5C x 64 XOR Hfinal).
void aes_block_key(office_page_cipher_state& s, uint32_t block, secret& key) {
  uint8_t b[4];
  block_bytes(block, b);
  secret final_hash, x1, x2;
  hash2(s.md_ctx.get(), EVP_sha1(), s.base_hash.data(), s.base_hash.size(), b, 4, final_hash);
  secret pad(64);
  for (uint8_t fill : {uint8_t(0x36), uint8_t(0x5C)}) {
    for (size_t i = 0; i < 64; ++i)
      pad.data()[i] = uint8_t(fill ^ (i < final_hash.size() ? final_hash.data()[i] : 0));
    hash2(s.md_ctx.get(), EVP_sha1(), pad.data(), 64, nullptr, 0, fill == 0x36 ? x1 : x2);
  }
  key.resize(x1.size() + x2.size(), 0);
  std::memcpy(key.data(), x1.data(), x1.size());
  std::memcpy(key.data() + x1.size(), x2.data(), x2.size());
  key.resize(s.aes_key_bits / 8, 0);
}

const EVP_CIPHER* aes_ecb(uint32_t key_bits) {
  switch (key_bits) {
    case 128:
      return EVP_aes_128_ecb();
    case 192:
      return EVP_aes_192_ecb();
    default:
      return EVP_aes_256_ecb();
  }
}

// AES-ECB without padding over whole blocks of in, into out.
void aes_ecb_apply(EVP_CIPHER_CTX* ctx, uint32_t key_bits, const uint8_t* key, const uint8_t* in,
                   uint8_t* out, size_t size, bool encrypt) {
  check(EVP_CipherInit_ex(ctx, aes_ecb(key_bits), nullptr, key, nullptr, encrypt ? 1 : 0),
        "set up AES");
  check(EVP_CIPHER_CTX_set_padding(ctx, 0), "set up AES");
  const size_t whole = size - size % 16;
  int n = 0;
  if (whole > 0) check(EVP_CipherUpdate(ctx, out, &n, in, int(whole)), "decrypt AES");
  if (whole < size && in != out) std::memcpy(out + whole, in + whole, size - whole);
}

void unlock_aes(office_page_cipher_state& s, const office_aes_params& p, const secret& pwd) {
  EVP_MD_CTX* ctx = s.md_ctx.get();
  // H0 = SHA-1(salt + password); Hn = SHA-1(iterator + Hn-1), spin_count times.
  hash2(ctx, EVP_sha1(), p.salt.data(), p.salt.size(), pwd.data(), pwd.size(), s.base_hash);
  for (uint32_t i = 0; i < p.spin_count; ++i) {
    uint8_t it[4];
    block_bytes(i, it);
    hash2(ctx, EVP_sha1(), it, 4, s.base_hash.data(), s.base_hash.size(), s.base_hash);
  }
  s.aes_key_bits = p.key_bits;
  // The verifier and its hash are decrypted with the key of block 0.
  secret key, verifier(16), hash(p.encrypted_verifier_hash.size()), expected;
  aes_block_key(s, 0, key);
  aes_ecb_apply(s.cipher_ctx.get(), p.key_bits, key.data(), p.encrypted_verifier.data(),
                verifier.data(), 16, false);
  aes_ecb_apply(s.cipher_ctx.get(), p.key_bits, key.data(), p.encrypted_verifier_hash.data(),
                hash.data(), hash.size(), false);
  hash2(ctx, EVP_sha1(), verifier.data(), verifier.size(), nullptr, 0, expected);
  if (p.verifier_hash_size > expected.size() || p.verifier_hash_size > hash.size() ||
      CRYPTO_memcmp(expected.data(), hash.data(), p.verifier_hash_size) != 0)
    throw office_crypto_error(office_crypto_error::wrong_password, "the password does not match");
}

// Agile key for one block key: H(Hn + block) cut or padded with 0x36 to key_bits.
void agile_key(EVP_MD_CTX* ctx, const EVP_MD* md, const secret& spun, const uint8_t block[8],
               uint32_t key_bits, secret& key) {
  hash2(ctx, md, spun.data(), spun.size(), block, 8, key);
  key.resize(key_bits / 8, 0x36);
}

void unlock_agile(office_page_cipher_state& s, const office_agile_params& p, const secret& pwd) {
  const EVP_MD* md = office_digest(p.key_hash);
  EVP_MD_CTX* ctx = s.md_ctx.get();
  // H0 = H(salt + password); Hn = H(iterator + Hn-1), spin_count times.
  secret spun;
  hash2(ctx, md, p.key_salt.data(), p.key_salt.size(), pwd.data(), pwd.size(), spun);
  for (uint32_t i = 0; i < p.spin_count; ++i) {
    uint8_t it[4];
    block_bytes(i, it);
    hash2(ctx, md, it, 4, spun.data(), spun.size(), spun);
  }
  // The IV of the key encryptor's values is its salt, cut or padded to a block.
  std::vector<uint8_t> iv(p.key_salt);
  iv.resize(16, 0x36);

  secret key, input, value, expected;
  agile_key(ctx, md, spun, kVerifierInputBlock, p.key_bits, key);
  aes_cbc_decrypt(s.cipher_ctx.get(), p.key_bits, key.data(), iv.data(), p.encrypted_verifier_input,
                  input);
  agile_key(ctx, md, spun, kVerifierValueBlock, p.key_bits, key);
  aes_cbc_decrypt(s.cipher_ctx.get(), p.key_bits, key.data(), iv.data(), p.encrypted_verifier_value,
                  value);
  // The verifier input is salt-sized (16 bytes) before its padding to a block.
  const size_t input_size = std::min(input.size(), p.key_salt.size());
  hash2(ctx, md, input.data(), input_size, nullptr, 0, expected);
  if (CRYPTO_memcmp(expected.data(), value.data(), p.hash_size) != 0)
    throw office_crypto_error(office_crypto_error::wrong_password, "the password does not match");

  agile_key(ctx, md, spun, kKeyValueBlock, p.key_bits, key);
  aes_cbc_decrypt(s.cipher_ctx.get(), p.key_bits, key.data(), iv.data(), p.encrypted_key,
                  s.secret_key);
  s.secret_key.resize(p.data_key_bits / 8, 0);
  s.data_md = office_digest(p.data_hash);
  s.data_salt = p.data_salt;
  s.data_key_bits = p.data_key_bits;
}

}  // namespace

office_page_cipher::office_page_cipher(const office_encryption& encryption,
                                       const std::u16string& password)
    : state_(std::make_unique<office_page_cipher_state>()) {
  state_->kind = encryption.kind;
  state_->db_key = encryption.db_key;
  secret pwd;
  password_bytes(password, pwd);
  switch (encryption.kind) {
    case office_cipher_kind::rc4_cryptoapi:
      office_rc4_cipher();  // fails here, before any page, when RC4 is missing
      unlock_rc4(*state_, encryption.rc4, pwd);
      break;
    case office_cipher_kind::aes_standard:
      unlock_aes(*state_, encryption.aes, pwd);
      break;
    case office_cipher_kind::agile:
      unlock_agile(*state_, encryption.agile, pwd);
      break;
    case office_cipher_kind::none:
      throw office_crypto_error(office_crypto_error::unsupported, "the file is not encrypted");
  }
}

office_page_cipher::office_page_cipher(const office_page_cipher& other)
    : state_(std::make_unique<office_page_cipher_state>(*other.state_)) {}

office_page_cipher::~office_page_cipher() = default;

void office_page_cipher::decrypt(uint32_t page, const uint8_t* in, uint8_t* out, size_t size) {
  apply(page, in, out, size, false);
}

void office_page_cipher::encrypt(uint32_t page, const uint8_t* in, uint8_t* out, size_t size) {
  apply(page, in, out, size, true);
}

void office_page_cipher::apply(uint32_t page, const uint8_t* in, uint8_t* out, size_t size,
                               bool encrypt) {
  office_page_cipher_state& s = *state_;
  const uint32_t block = s.db_key ^ page;
  if (s.kind == office_cipher_kind::rc4_cryptoapi) {
    rc4_block_key(s, block, s.scratch);
    office_rc4(s.cipher_ctx.get(), {s.scratch.data(), s.scratch.size()}, in, out, size);
    return;
  }
  if (s.kind == office_cipher_kind::aes_standard) {
    aes_block_key(s, block, s.scratch);
    aes_ecb_apply(s.cipher_ctx.get(), s.aes_key_bits, s.scratch.data(), in, out, size, encrypt);
    return;
  }
  // Agile: IV = H(keyData salt + block), cut to the AES block.
  uint8_t b[4];
  block_bytes(block, b);
  hash2(s.md_ctx.get(), s.data_md, s.data_salt.data(), s.data_salt.size(), b, 4, s.scratch);
  EVP_CIPHER_CTX* ctx = s.cipher_ctx.get();
  const int direction = encrypt ? 1 : 0;
  if (s.aes_direction != direction) {
    check(EVP_CipherInit_ex(ctx, aes_cbc(s.data_key_bits), nullptr, s.secret_key.data(),
                            s.scratch.data(), direction),
          "set up AES");
    check(EVP_CIPHER_CTX_set_padding(ctx, 0), "set up AES");
    s.aes_direction = direction;
  } else {
    // Same key schedule, new IV.
    check(EVP_CipherInit_ex(ctx, nullptr, nullptr, nullptr, s.scratch.data(), direction),
          "set up AES");
  }
  const size_t whole = size - size % 16;
  int n = 0;
  if (whole > 0) check(EVP_CipherUpdate(ctx, out, &n, in, int(whole)), "decrypt a page");
  if (whole < size && in != out) std::memcpy(out + whole, in + whole, size - whole);
}
