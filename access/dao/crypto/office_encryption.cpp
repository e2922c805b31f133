// Parsing the EncryptionInfo that Access 2007+ keeps in page 0 at 0x299 (a
// 16-bit length, then the structure of the published Office document
// cryptography format, [MS-OFFCRYPTO]), see office_encryption.h. Every read is
// bounds-checked: a damaged or hostile header must fail cleanly.
#include "access/dao/crypto/office_encryption.h"

#include <cstdio>
#include <cstring>

#include "access/dao/crypto/office_agile_xml.h"
#include "access/dao/crypto/office_crypto_error.h"
#include "access/dao/crypto/office_openssl.h"

namespace {

constexpr size_t kMaskStart = 0x18;
constexpr size_t kMaskLength = 128;
constexpr size_t kVersionOffset = 0x14;
constexpr uint8_t kFirstAceVersion = 2;  // Jet3 = 0, Jet4 = 1

// EncryptionHeader.Flags
constexpr uint32_t kFlagCryptoApi = 0x04;
constexpr uint32_t kFlagExternal = 0x10;
constexpr uint32_t kFlagAes = 0x20;
// ALG_IDs
constexpr uint32_t kAlgRc4 = 0x6801;
constexpr uint32_t kAlgAes128 = 0x660E;
constexpr uint32_t kAlgAes192 = 0x660F;
constexpr uint32_t kAlgAes256 = 0x6610;
constexpr uint32_t kAlgSha1 = 0x8004;

// [MS-OFFCRYPTO]'s upper bound; it also keeps a hostile header from
// asking for hours of hashing.
constexpr uint32_t kMaxSpinCount = 10'000'000;
// Hash rounds of the standard (binary EncryptionInfo) AES key derivation.
constexpr uint32_t kStandardSpinCount = 50'000;

[[noreturn]] void damaged(const std::string& what) {
  throw office_crypto_error(office_crypto_error::damaged, what);
}
[[noreturn]] void unsupported(const std::string& what) {
  throw office_crypto_error(office_crypto_error::unsupported, what);
}

// Little-endian reads that fail as "damaged" past the end of the structure.
class reader {
 public:
  reader(std::span<const uint8_t> bytes, const char* what) : bytes_(bytes), what_(what) {}
  size_t position() const { return pos_; }
  size_t left() const { return bytes_.size() - pos_; }
  uint16_t u16() {
    need(2);
    uint16_t v = uint16_t(bytes_[pos_] | (bytes_[pos_ + 1] << 8));
    pos_ += 2;
    return v;
  }
  uint32_t u32() {
    need(4);
    uint32_t v = uint32_t(bytes_[pos_]) | (uint32_t(bytes_[pos_ + 1]) << 8) |
                 (uint32_t(bytes_[pos_ + 2]) << 16) | (uint32_t(bytes_[pos_ + 3]) << 24);
    pos_ += 4;
    return v;
  }
  std::span<const uint8_t> take(size_t n) {
    need(n);
    auto s = bytes_.subspan(pos_, n);
    pos_ += n;
    return s;
  }

 private:
  void need(size_t n) {
    if (n > left()) damaged(std::string(what_) + " is cut short");
  }
  std::span<const uint8_t> bytes_;
  const char* what_;
  size_t pos_ = 0;
};

std::string algorithm_name(uint32_t alg_id) {
  switch (alg_id) {
    case kAlgRc4:
      return "RC4";
    case kAlgAes128:
      return "AES-128";
    case kAlgAes192:
      return "AES-192";
    case kAlgAes256:
      return "AES-256";
    case 0:
      return "no algorithm";
    default: {
      char text[32];
      std::snprintf(text, sizeof text, "algorithm 0x%04X", unsigned(alg_id));
      return text;
    }
  }
}

// The provider name of the EncryptionHeader: UTF-16, up to its NUL; kept to ASCII for messages.
std::string csp_name(std::span<const uint8_t> bytes) {
  std::string name;
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
    const unsigned c = bytes[i] | (bytes[i + 1] << 8);
    if (c == 0) break;
    name.push_back(c >= 0x20 && c < 0x7F ? char(c) : '?');
  }
  return name;
}

// The part of an EncryptionVerifier that RC4 and AES share: SaltSize (16),
// Salt, EncryptedVerifier, VerifierHashSize (20, SHA-1).
struct verifier_head {
  std::span<const uint8_t> salt;
  std::span<const uint8_t> verifier;
  uint32_t hash_size;
};

verifier_head read_verifier_head(reader& info) {
  const uint32_t salt_size = info.u32();
  if (salt_size != 16)
    damaged("the verifier salt size is " + std::to_string(salt_size) + ", not 16");
  verifier_head head;
  head.salt = info.take(16);
  head.verifier = info.take(16);
  head.hash_size = info.u32();
  if (head.hash_size != 20)
    damaged("the verifier hash size is " + std::to_string(head.hash_size) + ", not 20");
  return head;
}

// The EncryptionVerifier of AES: SaltSize, Salt, EncryptedVerifier,
// VerifierHashSize, and the encrypted hash padded to two AES blocks.
void read_aes(reader& info, uint32_t alg_id, uint32_t key_bits, uint32_t spin_count,
              const std::string& kind, const std::string& version, office_encryption& out) {
  const uint32_t alg_bits = alg_id == kAlgAes128 ? 128 : alg_id == kAlgAes192 ? 192 : 256;
  if (key_bits == 0) key_bits = alg_bits;
  if (key_bits != alg_bits)
    damaged("the key size " + std::to_string(key_bits) + " does not match " +
            algorithm_name(alg_id));
  const verifier_head head = read_verifier_head(info);
  const auto& [salt, verifier, hash_size] = head;
  auto hash = info.take(32);

  out.kind = office_cipher_kind::aes_standard;
  out.aes.key_bits = key_bits;
  out.aes.spin_count = spin_count;
  out.aes.salt.assign(salt.begin(), salt.end());
  out.aes.encrypted_verifier.assign(verifier.begin(), verifier.end());
  out.aes.verifier_hash_size = hash_size;
  out.aes.encrypted_verifier_hash.assign(hash.begin(), hash.end());
  out.description = kind + "-" + std::to_string(key_bits) + " (EncryptionInfo " + version + ")";
}

void read_standard(reader& info, uint16_t major, office_encryption& out) {
  const std::string version = std::to_string(major) + ".2";
  const uint32_t flags = info.u32();
  const uint32_t header_size = info.u32();
  if (header_size < 32 || header_size > info.left())
    damaged("the EncryptionHeader size " + std::to_string(header_size) + " does not fit");
  reader header(info.take(header_size), "the EncryptionHeader");
  header.u32();  // Flags again
  header.u32();  // SizeExtra
  const uint32_t alg_id = header.u32();
  const uint32_t alg_hash = header.u32();
  uint32_t key_bits = header.u32();
  header.u32();    // ProviderType
  header.take(8);  // Reserved1, Reserved2
  const std::string provider = csp_name(header.take(header.left()));

  const std::string named =
      algorithm_name(alg_id) + ", provider \"" + provider + "\", EncryptionInfo " + version;
  if (flags & kFlagExternal)
    unsupported("Office encryption with an external provider (" + named + ")");
  if (!(flags & kFlagCryptoApi)) unsupported("Office encryption without CryptoAPI (" + named + ")");
  if (alg_hash != kAlgSha1 && alg_hash != 0)
    unsupported("Office encryption with hash algorithm " + std::to_string(alg_hash) + " (" + named +
                ")");
  // AlgID 0 means the flags' default: AES-128 with fAES, RC4 without it.
  const bool aes = alg_id == kAlgAes128 || alg_id == kAlgAes192 || alg_id == kAlgAes256 ||
                   (alg_id == 0 && (flags & kFlagAes));
  if (flags & kFlagAes) {
    if (!aes) unsupported("Office standard encryption with " + named);
    read_aes(info, alg_id == 0 ? kAlgAes128 : alg_id, key_bits, kStandardSpinCount, "standard AES",
             version, out);
    return;
  }
  if (aes) {
    // An AES algorithm without fAES: the non-standard provider.
    read_aes(info, alg_id, key_bits, 0, "non-standard provider, AES", version, out);
    return;
  }
  if (alg_id != kAlgRc4 && alg_id != 0) unsupported("Office CryptoAPI encryption with " + named);
  if (key_bits == 0) key_bits = 40;  // the algorithm's default
  if (key_bits < 40 || key_bits > 128 || key_bits % 8 != 0)
    damaged("the RC4 key size " + std::to_string(key_bits) + " is not 40 to 128 bits");

  // EncryptionVerifier: SaltSize, Salt, EncryptedVerifier, VerifierHashSize, EncryptedVerifierHash.
  const verifier_head head = read_verifier_head(info);
  const auto& [salt, verifier, hash_size] = head;
  auto hash = info.take(20);

  out.kind = office_cipher_kind::rc4_cryptoapi;
  out.rc4.key_bits = key_bits;
  out.rc4.salt.assign(salt.begin(), salt.end());
  out.rc4.encrypted_verifier.assign(verifier.begin(), verifier.end());
  out.rc4.encrypted_verifier_hash.assign(hash.begin(), hash.end());
  out.description =
      "RC4 CryptoAPI, " + std::to_string(key_bits) + "-bit key (EncryptionInfo " + version + ")";
}

uint32_t number_attribute(const office_xml_element& e, const char* name, uint32_t max) {
  const std::string* text = e.attribute(name);
  if (!text || text->empty() || text->size() > 10)
    damaged(std::string("the agile descriptor's ") + e.name + " has no valid " + name);
  uint64_t value = 0;
  for (char c : *text) {
    if (c < '0' || c > '9')
      damaged(std::string("the agile descriptor's ") + name + " is not a number");
    value = value * 10 + uint64_t(c - '0');
  }
  if (value > max) damaged(std::string("the agile descriptor's ") + name + " is out of range");
  return uint32_t(value);
}

std::string text_attribute(const office_xml_element& e, const char* name) {
  const std::string* text = e.attribute(name);
  if (!text) damaged(std::string("the agile descriptor's ") + e.name + " has no " + name);
  return *text;
}

std::vector<uint8_t> bytes_attribute(const office_xml_element& e, const char* name) {
  auto bytes = office_base64(text_attribute(e, name));
  if (!bytes || bytes->empty())
    damaged(std::string("the agile descriptor's ") + name + " is not base64");
  return std::move(*bytes);
}

// Checks one cipher description (keyData or the encryptor) and returns "AES-256 SHA-512".
std::string check_cipher(const office_xml_element& e, uint32_t key_bits, uint32_t block_size,
                         const std::string& hash) {
  const std::string algorithm = text_attribute(e, "cipherAlgorithm");
  const std::string chaining = text_attribute(e, "cipherChaining");
  const std::string what = algorithm + "-" + std::to_string(key_bits) + " " + chaining + " " + hash;
  if (algorithm != "AES")
    unsupported("Office agile encryption with " + what + " (EncryptionInfo 4.4)");
  if (chaining != "ChainingModeCBC")
    unsupported("Office agile encryption with " + what + " (EncryptionInfo 4.4)");
  if (key_bits != 128 && key_bits != 192 && key_bits != 256)
    damaged("the agile key size " + std::to_string(key_bits) + " is not an AES key size");
  if (block_size != 16)
    damaged("the agile block size " + std::to_string(block_size) + " is not 16");
  if (!office_digest(hash))
    unsupported("Office agile encryption with hash " + hash + " (EncryptionInfo 4.4)");
  return "AES-" + std::to_string(key_bits) + " " + hash;
}

void read_agile(reader& info, office_encryption& out) {
  if (info.u32() != 0x40) damaged("the agile EncryptionInfo's reserved field is not 0x40");
  auto xml_bytes = info.take(info.left());
  const std::string_view xml(reinterpret_cast<const char*>(xml_bytes.data()), xml_bytes.size());
  const std::vector<office_xml_element> elements = office_xml_elements(xml);

  const office_xml_element* key_data = nullptr;
  const office_xml_element* encrypted_key = nullptr;
  bool in_password_encryptor = false;
  for (const office_xml_element& e : elements) {
    if (e.name == "keyData" && !key_data) key_data = &e;
    if (e.name == "keyEncryptor") {
      const std::string* uri = e.attribute("uri");
      in_password_encryptor =
          uri && *uri == "http://schemas.microsoft.com/office/2006/keyEncryptor/password";
    }
    if (e.name == "encryptedKey" && in_password_encryptor && !encrypted_key) encrypted_key = &e;
  }
  if (!key_data) damaged("the agile descriptor has no keyData");
  if (!encrypted_key)
    unsupported("Office agile encryption without a password key encryptor (EncryptionInfo 4.4)");

  office_agile_params& a = out.agile;
  a.data_hash = text_attribute(*key_data, "hashAlgorithm");
  a.data_key_bits = number_attribute(*key_data, "keyBits", 1024);
  a.data_block_size = number_attribute(*key_data, "blockSize", 1024);
  a.data_salt = bytes_attribute(*key_data, "saltValue");
  const std::string page_cipher =
      check_cipher(*key_data, a.data_key_bits, a.data_block_size, a.data_hash);

  a.key_hash = text_attribute(*encrypted_key, "hashAlgorithm");
  a.key_bits = number_attribute(*encrypted_key, "keyBits", 1024);
  a.block_size = number_attribute(*encrypted_key, "blockSize", 1024);
  a.hash_size = number_attribute(*encrypted_key, "hashSize", 1024);
  a.spin_count = number_attribute(*encrypted_key, "spinCount", kMaxSpinCount);
  a.key_salt = bytes_attribute(*encrypted_key, "saltValue");
  a.encrypted_verifier_input = bytes_attribute(*encrypted_key, "encryptedVerifierHashInput");
  a.encrypted_verifier_value = bytes_attribute(*encrypted_key, "encryptedVerifierHashValue");
  a.encrypted_key = bytes_attribute(*encrypted_key, "encryptedKeyValue");
  check_cipher(*encrypted_key, a.key_bits, a.block_size, a.key_hash);

  const int digest_size = EVP_MD_get_size(office_digest(a.key_hash));
  if (int(a.hash_size) != digest_size)
    damaged("the agile hashSize " + std::to_string(a.hash_size) + " does not match " + a.key_hash);
  // AES-CBC values are whole blocks; the unwrapped key must cover the page key size.
  for (const auto* v : {&a.encrypted_verifier_input, &a.encrypted_verifier_value, &a.encrypted_key})
    if (v->size() % 16 != 0)
      damaged("an agile encrypted value is not a whole number of AES blocks");
  if (a.encrypted_verifier_value.size() < a.hash_size)
    damaged("the agile encrypted verifier hash is shorter than the hash");
  if (a.encrypted_key.size() * 8 < a.data_key_bits)
    damaged("the agile encrypted key is shorter than the key size");

  out.kind = office_cipher_kind::agile;
  out.description = "agile " + page_cipher + " (EncryptionInfo 4.4)";
}

}  // namespace

void office_toggle_header_mask(std::span<uint8_t> page0) {
  static const uint8_t kMaskKey[4] = {0xC7, 0xDA, 0x39, 0x6B};
  if (page0.size() < kMaskStart + kMaskLength) return;
  office_cipher_ctx ctx = office_new_cipher_ctx();
  uint8_t* header = page0.data() + kMaskStart;
  office_rc4(ctx.get(), kMaskKey, header, header, kMaskLength);
}

office_encryption office_read_encryption(std::span<const uint8_t> page0) {
  office_encryption out;
  static const char kSignature[] = "Standard ACE DB";  // with its NUL
  if (page0.size() < kOfficePageSize) return out;
  if (std::memcmp(page0.data() + 4, kSignature, sizeof kSignature) != 0) return out;
  if (page0[kVersionOffset] < kFirstAceVersion) return out;

  std::vector<uint8_t> header(page0.begin(), page0.begin() + kMaskStart + kMaskLength);
  office_toggle_header_mask(header);
  const uint8_t* key = header.data() + kOfficeDbKeyOffset;
  out.db_key = uint32_t(key[0]) | (uint32_t(key[1]) << 8) | (uint32_t(key[2]) << 16) |
               (uint32_t(key[3]) << 24);
  if (out.db_key == 0) return out;

  reader page(page0.first(kOfficePageSize), "page 0");
  page.take(kOfficeInfoOffset);
  const uint16_t length = page.u16();
  if (length < 8 || length > page.left())
    damaged("the EncryptionInfo length " + std::to_string(length) + " does not fit in page 0");
  reader info(page.take(length), "the EncryptionInfo");
  const uint16_t major = info.u16();
  const uint16_t minor = info.u16();
  if (major == 4 && minor == 4) {
    read_agile(info, out);
  } else if ((major == 2 || major == 3 || major == 4) && minor == 2) {
    read_standard(info, major, out);
  } else if (major == 1 && minor == 1) {
    unsupported("Office binary RC4 encryption (EncryptionInfo 1.1)");
  } else {
    unsupported("Office encryption with EncryptionInfo version " + std::to_string(major) + "." +
                std::to_string(minor));
  }
  return out;
}
