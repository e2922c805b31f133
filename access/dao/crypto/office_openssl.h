// The OpenSSL pieces the decryption unit shares: owners for digest and cipher
// contexts, the digests the encryption headers name, and RC4, which OpenSSL 3
// keeps in its "legacy" provider (loaded once into a private library context,
// so the process's default provider set is left as it was).
#pragma once

#include <openssl/evp.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string_view>

struct office_md_ctx_free {
  void operator()(EVP_MD_CTX* ctx) const { EVP_MD_CTX_free(ctx); }
};
struct office_cipher_ctx_free {
  void operator()(EVP_CIPHER_CTX* ctx) const { EVP_CIPHER_CTX_free(ctx); }
};
using office_md_ctx = std::unique_ptr<EVP_MD_CTX, office_md_ctx_free>;
using office_cipher_ctx = std::unique_ptr<EVP_CIPHER_CTX, office_cipher_ctx_free>;

office_md_ctx office_new_md_ctx();
office_cipher_ctx office_new_cipher_ctx();

// The digest an agile descriptor names ("SHA1", "SHA512", ...), or null.
const EVP_MD* office_digest(std::string_view name);

// RC4 from the legacy provider. Throws office_crypto_error(unsupported) when
// the provider cannot be loaded.
const EVP_CIPHER* office_rc4_cipher();

// RC4 from in to out (the same buffer or two that do not overlap) with a key
// of any length (1..256 bytes); ctx is re-initialised for each call.
void office_rc4(EVP_CIPHER_CTX* ctx, std::span<const uint8_t> key, const uint8_t* in, uint8_t* out,
                size_t size);
