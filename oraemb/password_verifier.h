// The password verifiers ora$user stores: PBKDF2 with HMAC-SHA-512 over a
// random 16-byte salt, 4,096 iterations (the count of Oracle 12c's
// verifier), written "pbkdf2-sha512$<iterations>$<salt hex>$<key hex>".
// Files made before it hold "<salt>$<64-bit digest hex>" (a salted FNV-1a,
// fast enough to reverse by brute force); they are still checked, and the
// logon that passes one replaces it.
#pragma once

#include <string>

namespace oraemb {

// A new verifier of `password` with a fresh salt.
std::string password_verifier(const std::string& password);

enum class PasswordCheck {
  Wrong,
  Right,
  RightButOutdated  // right, and the stored verifier is of the old kind
};
PasswordCheck check_password(const std::string& stored, const std::string& password);

}  // namespace oraemb
