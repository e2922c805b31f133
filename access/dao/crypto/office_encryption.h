// What page 0 of an Access 2007+ file says about Office encryption: whether
// the pages are encrypted, with which kind (RC4 CryptoAPI or standard AES
// from an EncryptionInfo 2.2/3.2/4.2, agile AES from an EncryptionInfo 4.4) and the
// parameters needed to check a password and derive page keys. Parsing only:
// no password, no key derivation (office_page_cipher does that).
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

enum class office_cipher_kind { none, rc4_cryptoapi, aes_standard, agile };

// EncryptionInfo 4.2 (binary EncryptionHeader + EncryptionVerifier), RC4.
struct office_rc4_params {
  uint32_t key_bits = 0;  // 40..128; 40-bit keys are used zero-padded to 128 bits
  std::vector<uint8_t> salt;
  std::vector<uint8_t> encrypted_verifier;       // 16 bytes
  std::vector<uint8_t> encrypted_verifier_hash;  // SHA-1 size, 20 bytes
};

// EncryptionInfo 3.2/4.2 with AES (binary EncryptionHeader + EncryptionVerifier):
// ECMA-376 standard encryption, AES-ECB with SHA-1 key derivation. The
// "non-standard" CryptoAPI provider (an AES algorithm without the fAES flag,
// Access's non-compatible mode) is the same without the 50,000 hash rounds.
struct office_aes_params {
  uint32_t key_bits = 0;    // 128, 192 or 256
  uint32_t spin_count = 0;  // 50,000 (standard) or 0 (non-standard provider)
  std::vector<uint8_t> salt;
  std::vector<uint8_t> encrypted_verifier;       // 16 bytes
  uint32_t verifier_hash_size = 0;               // 20 (SHA-1)
  std::vector<uint8_t> encrypted_verifier_hash;  // 32 bytes: the hash padded to AES blocks
};

// EncryptionInfo 4.4: the XML descriptor's keyData and password encryptor.
struct office_agile_params {
  // keyData: how pages are encrypted with the secret key.
  std::string data_hash;  // "SHA1", "SHA512", ...
  uint32_t data_key_bits = 0;
  uint32_t data_block_size = 0;
  std::vector<uint8_t> data_salt;
  // The password key encryptor: how the secret key is unwrapped.
  std::string key_hash;
  uint32_t key_bits = 0;
  uint32_t block_size = 0;
  uint32_t hash_size = 0;
  uint32_t spin_count = 0;
  std::vector<uint8_t> key_salt;
  std::vector<uint8_t> encrypted_verifier_input;
  std::vector<uint8_t> encrypted_verifier_value;
  std::vector<uint8_t> encrypted_key;
};

struct office_encryption {
  office_cipher_kind kind = office_cipher_kind::none;
  uint32_t db_key = 0;      // page p is encrypted with block number db_key ^ p
  std::string description;  // e.g. "RC4 CryptoAPI, 40-bit key (EncryptionInfo 4.2)"
  office_rc4_params rc4;
  office_aes_params aes;
  office_agile_params agile;
};

// Page size of Access 2007+ files, the only ones with Office encryption.
inline constexpr size_t kOfficePageSize = 4096;

// Reads page 0 (the first kOfficePageSize bytes of the file). Kind none: not
// an Access 2007+ file, or its pages are not encrypted (Jet files' own RC4
// page encoding is libmdb's business). Throws office_crypto_error:
// unsupported (the detail names the kind), damaged (the header is cut or
// inconsistent).
office_encryption office_read_encryption(std::span<const uint8_t> page0);

// Page 0's header fields from 0x18 are masked with a fixed RC4 stream;
// applying this twice restores the bytes. page0 must hold kOfficePageSize bytes.
void office_toggle_header_mask(std::span<uint8_t> page0);

// Offsets in page 0: the (masked) page key, and the EncryptionInfo length
// followed by the EncryptionInfo itself.
inline constexpr size_t kOfficeDbKeyOffset = 0x3E;
inline constexpr size_t kOfficeInfoOffset = 0x299;
