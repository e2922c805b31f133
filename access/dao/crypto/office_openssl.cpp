// OpenSSL helpers of the decryption unit (see office_openssl.h).
#include "access/dao/crypto/office_openssl.h"

#include <openssl/provider.h>

#include "access/dao/crypto/office_crypto_error.h"

namespace {

// The private library context holding the legacy provider and the fetched
// RC4; released at exit so leak checkers stay quiet.
struct legacy_rc4 {
  OSSL_LIB_CTX* context = nullptr;
  OSSL_PROVIDER* provider = nullptr;
  EVP_CIPHER* cipher = nullptr;

  legacy_rc4() {
    context = OSSL_LIB_CTX_new();
    if (context) provider = OSSL_PROVIDER_load(context, "legacy");
    if (provider) cipher = EVP_CIPHER_fetch(context, "RC4", nullptr);
  }
  ~legacy_rc4() {
    EVP_CIPHER_free(cipher);
    if (provider) OSSL_PROVIDER_unload(provider);
    OSSL_LIB_CTX_free(context);
  }
};

void check(int ok) {
  if (ok != 1) throw office_crypto_error(office_crypto_error::unsupported, "OpenSSL refused RC4");
}

}  // namespace

office_md_ctx office_new_md_ctx() {
  office_md_ctx ctx(EVP_MD_CTX_new());
  if (!ctx) throw std::bad_alloc();
  return ctx;
}

office_cipher_ctx office_new_cipher_ctx() {
  office_cipher_ctx ctx(EVP_CIPHER_CTX_new());
  if (!ctx) throw std::bad_alloc();
  return ctx;
}

const EVP_MD* office_digest(std::string_view name) {
  if (name == "SHA1" || name == "SHA-1") return EVP_sha1();
  if (name == "SHA256" || name == "SHA-256") return EVP_sha256();
  if (name == "SHA384" || name == "SHA-384") return EVP_sha384();
  if (name == "SHA512" || name == "SHA-512") return EVP_sha512();
  if (name == "MD5") return EVP_md5();
  return nullptr;
}

const EVP_CIPHER* office_rc4_cipher() {
  static const legacy_rc4 rc4;
  if (!rc4.cipher)
    throw office_crypto_error(office_crypto_error::unsupported,
                              "RC4 CryptoAPI (OpenSSL's legacy provider, which holds RC4, could "
                              "not be loaded)");
  return rc4.cipher;
}

void office_rc4(EVP_CIPHER_CTX* ctx, std::span<const uint8_t> key, const uint8_t* in, uint8_t* out,
                size_t size) {
  check(EVP_CipherInit_ex2(ctx, office_rc4_cipher(), nullptr, nullptr, 0, nullptr));
  check(EVP_CIPHER_CTX_set_key_length(ctx, int(key.size())));
  check(EVP_CipherInit_ex2(ctx, nullptr, key.data(), nullptr, 0, nullptr));
  while (size > 0) {
    const int chunk = size > (1u << 30) ? (1 << 30) : int(size);
    int written = 0;
    check(EVP_CipherUpdate(ctx, out, &written, in, chunk));
    in += chunk;
    out += chunk;
    size -= size_t(chunk);
  }
}
