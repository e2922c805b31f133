// PBKDF2-HMAC-SHA-512 verifiers over OpenSSL's libcrypto, and the check of
// the salted FNV-1a digests of older files.
#include "oraemb/password_verifier.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/rand.h>

#include <cstdio>
#include <cstdlib>
#include <random>

#include "oraemb/ora_error.h"

namespace oraemb {
namespace {

constexpr char kScheme[] = "pbkdf2-sha512";
constexpr int kIterations = 4096;
constexpr int kMaxIterations = 10000000;  // what a stored verifier may ask for
constexpr size_t kSaltBytes = 16;
constexpr size_t kKeyBytes = 64;

std::string to_hex(const unsigned char* data, size_t size) {
  static const char kDigits[] = "0123456789abcdef";
  std::string out;
  out.reserve(size * 2);
  for (size_t k = 0; k < size; ++k) {
    out += kDigits[data[k] >> 4];
    out += kDigits[data[k] & 15];
  }
  return out;
}

bool from_hex(const std::string& text, std::string& out) {
  if (text.size() % 2) return false;
  out.clear();
  for (size_t k = 0; k < text.size(); k += 2) {
    auto nibble = [](char c) {
      return c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
    };
    const int hi = nibble(text[k]), lo = nibble(text[k + 1]);
    if (hi < 0 || lo < 0) return false;
    out += static_cast<char>(hi * 16 + lo);
  }
  return true;
}

std::string derive(const std::string& password, const std::string& salt, int iterations) {
  unsigned char key[kKeyBytes];
  if (PKCS5_PBKDF2_HMAC(password.data(), static_cast<int>(password.size()),
                        reinterpret_cast<const unsigned char*>(salt.data()),
                        static_cast<int>(salt.size()), iterations, EVP_sha512(), sizeof key,
                        key) != 1)
    raise(600, {"password verifier], [PBKDF2"});
  return std::string(reinterpret_cast<const char*>(key), sizeof key);
}

std::string make(const std::string& password, const std::string& salt, int iterations) {
  const std::string key = derive(password, salt, iterations);
  return std::string(kScheme) + "$" + std::to_string(iterations) + "$" +
         to_hex(reinterpret_cast<const unsigned char*>(salt.data()), salt.size()) + "$" +
         to_hex(reinterpret_cast<const unsigned char*>(key.data()), key.size());
}

// The digest of files made before the PBKDF2 verifier.
std::string legacy_digest(const std::string& salt, const std::string& password) {
  uint64_t h = 1469598103934665603ULL;
  for (int round = 0; round < 1000; ++round) {
    for (char c : salt + password) {
      h ^= static_cast<unsigned char>(c);
      h *= 1099511628211ULL;
    }
  }
  char text[17];
  std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(h));
  return salt + "$" + text;
}

bool same(const std::string& a, const std::string& b) {
  return a.size() == b.size() && CRYPTO_memcmp(a.data(), b.data(), a.size()) == 0;
}

}  // namespace

std::string password_verifier(const std::string& password) {
  unsigned char salt[kSaltBytes];
  if (RAND_bytes(salt, sizeof salt) != 1) {
    std::random_device rd;  // OpenSSL without entropy: the system's source
    for (auto& b : salt) b = static_cast<unsigned char>(rd());
  }
  return make(password, std::string(reinterpret_cast<const char*>(salt), sizeof salt), kIterations);
}

PasswordCheck check_password(const std::string& stored, const std::string& password) {
  const std::string prefix = std::string(kScheme) + "$";
  if (stored.compare(0, prefix.size(), prefix) == 0) {
    // pbkdf2-sha512$<iterations>$<salt hex>$<key hex>
    const size_t a = prefix.size(), b = stored.find('$', a),
                 c = b == std::string::npos ? b : stored.find('$', b + 1);
    if (c == std::string::npos) return PasswordCheck::Wrong;
    const int iterations = std::atoi(stored.substr(a, b - a).c_str());
    std::string salt;
    if (iterations < 1 || iterations > kMaxIterations ||
        !from_hex(stored.substr(b + 1, c - b - 1), salt))
      return PasswordCheck::Wrong;
    return same(make(password, salt, iterations), stored) ? PasswordCheck::Right
                                                          : PasswordCheck::Wrong;
  }
  const std::string salt = stored.substr(0, stored.find('$'));
  return same(legacy_digest(salt, password), stored) ? PasswordCheck::RightButOutdated
                                                     : PasswordCheck::Wrong;
}

}  // namespace oraemb
