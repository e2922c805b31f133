// The one failure of the Office decryption unit: why a file cannot be
// decrypted (wrong password, an encryption kind this unit does not handle,
// or a damaged encryption header) and a detail naming the kind or the damage.
// The detail never holds the password, keys or decrypted bytes.
#pragma once

#include <stdexcept>
#include <string>

class office_crypto_error : public std::runtime_error {
 public:
  enum reason { wrong_password, unsupported, damaged };

  office_crypto_error(reason why, const std::string& detail)
      : std::runtime_error(detail), reason_(why) {}
  reason why() const { return reason_; }

 private:
  reason reason_;
};
