// Page-0 decoding (see jet_header.h). Layout: mdbtools HACKING.md "Database
// Definition Page": bytes 0x18.. are masked with RC4 key C7 DA 39 6B (126
// bytes Jet3, 128 Jet4); code page at 0x3C, page key at 0x3E, password at
// 0x42 (20 bytes Jet3, 40 bytes Jet4 further XOR-ed with the creation date at
// 0x72); Office EncryptionInfo of encrypted ACE files at 0x299.
#include "access/dao/jet_header.h"

#include <array>
#include <cmath>
#include <cstring>
#include <vector>

namespace {

constexpr size_t kMaskStart = 0x18;
constexpr size_t kCodePageOffset = 0x3C;
constexpr size_t kDbKeyOffset = 0x3E;
constexpr size_t kPasswordOffset = 0x42;
constexpr size_t kCreationDateOffset = 0x72;
constexpr size_t kEncryptionInfoOffset = 0x299;

bool has_signature(jet_bytes file, const char* text) {
  const size_t length = std::strlen(text) + 1;  // with its terminating zero
  return file.has(4, length) && std::memcmp(file.data + 4, text, length) == 0;
}

// Text of a Jet4 password field: UCS-2, or "compressed unicode" marked by FF FE.
std::u16string decode_password(const uint8_t* bytes, size_t size, bool wide) {
  std::u16string text;
  if (!wide) {
    for (size_t i = 0; i < size && bytes[i]; ++i) text.push_back(char16_t(bytes[i]));
    return text;
  }
  if (size >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
    for (size_t i = 2; i < size && bytes[i]; ++i) text.push_back(char16_t(bytes[i]));
    return text;
  }
  for (size_t i = 0; i + 1 < size; i += 2) {
    char16_t c = char16_t(bytes[i] | (bytes[i + 1] << 8));
    if (c == 0) break;
    text.push_back(c);
  }
  return text;
}

std::string describe_encryption(jet_bytes page) {
  const uint16_t major = page.u16(kEncryptionInfoOffset + 2);
  const uint16_t minor = page.u16(kEncryptionInfoOffset + 4);
  const uint32_t flags = page.u32(kEncryptionInfoOffset + 6);
  // Appended piece by piece: GCC 12 warns (-Wrestrict, a false positive) on
  // chains of std::string operator+ here in optimized builds.
  std::string text = "Office encryption ";
  if (major == 4 && minor == 4) {
    text.append("4.4 (agile, AES)");
    return text;
  }
  text.append(std::to_string(major)).append(".").append(std::to_string(minor));
  if ((major == 2 || major == 3 || major == 4) && minor == 2)
    text.append((flags & 0x20) ? " (standard, AES)" : " (RC4 CryptoAPI)");
  else
    text.append(" (unknown EncryptionInfo version)");
  return text;
}

}  // namespace

void jet_rc4(const uint8_t* key, size_t key_size, uint8_t* data, size_t size) {
  std::array<uint8_t, 256> s;
  for (int i = 0; i < 256; ++i) s[i] = uint8_t(i);
  uint8_t j = 0;
  for (int i = 0; i < 256; ++i) {
    j = uint8_t(j + s[i] + key[i % key_size]);
    std::swap(s[i], s[j]);
  }
  uint8_t x = 0, y = 0;
  for (size_t n = 0; n < size; ++n) {
    x = uint8_t(x + 1);
    y = uint8_t(y + s[x]);
    std::swap(s[x], s[y]);
    data[n] ^= s[uint8_t(s[x] + s[y])];
  }
}

std::optional<jet_header> jet_read_header(jet_bytes file) {
  if (file.size < 2048 || file.u8(0) != 0) return std::nullopt;
  jet_header header;
  header.workgroup = has_signature(file, "Jet System DB  ");
  if (!header.workgroup && !has_signature(file, "Standard Jet DB") &&
      !has_signature(file, "Standard ACE DB"))
    return std::nullopt;
  header.version = file.u8(0x14);
  if (header.version > JET_VERSION_ACE17) return std::nullopt;
  header.page_size = header.is_jet3() ? 2048 : 4096;
  if (file.size < header.page_size) return std::nullopt;

  std::vector<uint8_t> page(file.data, file.data + header.page_size);
  static const uint8_t kMaskKey[4] = {0xC7, 0xDA, 0x39, 0x6B};
  jet_rc4(kMaskKey, 4, page.data() + kMaskStart, header.is_jet3() ? 126 : 128);
  const jet_bytes decoded{page.data(), page.size()};

  header.code_page = decoded.u16(kCodePageOffset);
  header.db_key = decoded.u32(kDbKeyOffset);
  if (header.version >= JET_VERSION_ACE12 && header.db_key != 0)
    header.encryption = describe_encryption(jet_bytes{file.data, header.page_size});

  if (header.is_jet3()) {
    header.password = decode_password(page.data() + kPasswordOffset, 20, false);
  } else {
    uint8_t bytes[40];
    std::memcpy(bytes, page.data() + kPasswordOffset, sizeof bytes);
    // Jet4 masks the password again with the whole days of the creation date.
    const double created = decoded.f64(kCreationDateOffset);
    int32_t days = 0;
    if (std::isfinite(created) && created > -2147483648.0 && created < 2147483647.0)
      days = int32_t(std::floor(created));
    uint8_t mask[4];
    const uint32_t udays = uint32_t(days);
    for (int i = 0; i < 4; ++i) mask[i] = uint8_t(udays >> (8 * i));
    for (size_t i = 0; i < sizeof bytes; ++i) bytes[i] ^= mask[i % 4];
    header.password = decode_password(bytes, sizeof bytes, true);
  }
  return header;
}

bool jet_password_matches(const jet_header& header, const std::u16string& given) {
  return header.password.empty() || header.password == given;
}
