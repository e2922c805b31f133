// ECMA-376 standard encryption (binary EncryptionInfo with fCryptoAPI and
// fAES, AES-ECB, SHA-1 spun 50,000 times) and the non-standard CryptoAPI
// provider (an AES algorithm without fAES, no spinning). No fixture of the
// corpus uses standard encryption, so standard_image() below encrypts a plain
// file the standard way on its own, with OpenSSL directly and none of the
// unit's code, following [MS-OFFCRYPTO] 2.3.4.5 to 2.3.4.9: the unit must
// then read what it did not write itself.
#include <gtest/gtest.h>
#include <openssl/evp.h>
#include <openssl/sha.h>

#include <cstring>
#include <fstream>

#include "TK/tk_text.h"
#include "access/dao/crypto/office_crypto_error.h"
#include "access/dao/crypto/office_encryption.h"
#include "access/dao/crypto/office_image.h"
#include "access/dao/jet_cursor.h"
#include "access/dao/jet_error.h"
#include "access/dao/jet_file.h"
#include "access/dao/jet_table.h"
#include "tests/access/crypto/crypto_test_files.h"

namespace {

using bytes = std::vector<uint8_t>;

bytes sha1(const bytes& a, const bytes& b = {}) {
  bytes out(SHA_DIGEST_LENGTH);
  EVP_MD_CTX* ctx = EVP_MD_CTX_new();
  EVP_DigestInit_ex(ctx, EVP_sha1(), nullptr);
  EVP_DigestUpdate(ctx, a.data(), a.size());
  EVP_DigestUpdate(ctx, b.data(), b.size());
  EVP_DigestFinal_ex(ctx, out.data(), nullptr);
  EVP_MD_CTX_free(ctx);
  return out;
}

bytes le32(uint32_t v) {
  return {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
}

void append(bytes& to, const bytes& what) {
  to.insert(to.end(), what.begin(), what.end());
}

// [MS-OFFCRYPTO] 2.3.4.7: the key of one block from the spun hash Hn.
bytes derive_key(const bytes& spun, uint32_t block, size_t key_bytes) {
  const bytes final_hash = sha1(spun, le32(block));
  bytes x1(64, 0x36), x2(64, 0x5C);
  for (size_t i = 0; i < final_hash.size(); ++i) {
    x1[i] ^= final_hash[i];
    x2[i] ^= final_hash[i];
  }
  bytes key = sha1(x1);
  append(key, sha1(x2));
  key.resize(key_bytes);
  return key;
}

bytes aes_ecb(const bytes& key, const uint8_t* in, size_t size) {
  const EVP_CIPHER* cipher = key.size() == 16   ? EVP_aes_128_ecb()
                             : key.size() == 24 ? EVP_aes_192_ecb()
                                                : EVP_aes_256_ecb();
  bytes out(size);
  EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
  int n = 0;
  EVP_EncryptInit_ex(ctx, cipher, nullptr, key.data(), nullptr);
  EVP_CIPHER_CTX_set_padding(ctx, 0);
  EVP_EncryptUpdate(ctx, out.data(), &n, in, int(size));
  EVP_CIPHER_CTX_free(ctx);
  return out;
}

struct standard_kind {
  uint16_t major;
  uint32_t flags;   // 0x24 standard (fCryptoAPI | fAES), 0x0C the non-standard provider
  uint32_t alg_id;  // 0x660E AES-128, 0x660F AES-192, 0x6610 AES-256
  uint32_t key_bits;
  uint32_t spin;  // 50,000 standard, 0 non-standard
};

// A plain Access 2007+ image encrypted with `kind` under `password`.
bytes standard_image(bytes image, const standard_kind& kind, const std::u16string& password) {
  const bytes salt = {0x5a, 0x01, 0x93, 0x7c, 0x22, 0xe8, 0x40, 0x0b,
                      0x71, 0xc4, 0x3d, 0x9e, 0x18, 0xa6, 0x55, 0xf2};
  const bytes verifier = {'v', 'e', 'r', 'i', 'f', 'i', 'e', 'r', 0, 1, 2, 3, 4, 5, 6, 7};
  bytes pwd;
  for (char16_t c : password) append(pwd, {uint8_t(c), uint8_t(c >> 8)});
  bytes spun = sha1(salt, pwd);
  for (uint32_t i = 0; i < kind.spin; ++i) spun = sha1(le32(i), spun);
  const size_t key_bytes = kind.key_bits / 8;

  // EncryptionInfo: version, flags, header size, EncryptionHeader, EncryptionVerifier.
  bytes header = le32(kind.flags);
  append(header, le32(0));            // SizeExtra
  append(header, le32(kind.alg_id));  // AlgID
  append(header, le32(0x8004));       // AlgIDHash: SHA-1
  append(header, le32(kind.key_bits));
  append(header, le32(0x18));  // ProviderType: PROV_RSA_AES
  append(header, le32(0));
  append(header, le32(0));
  for (char c : std::string("Microsoft Enhanced RSA and AES Cryptographic Provider"))
    append(header, {uint8_t(c), 0});
  append(header, {0, 0});
  bytes info = {uint8_t(kind.major), 0, 2, 0};
  append(info, le32(kind.flags));
  append(info, le32(uint32_t(header.size())));
  append(info, header);
  append(info, le32(16));
  append(info, salt);
  const bytes block0 = derive_key(spun, 0, key_bytes);
  append(info, aes_ecb(block0, verifier.data(), 16));
  append(info, le32(20));
  bytes hash = sha1(verifier);
  hash.resize(32, 0);
  append(info, aes_ecb(block0, hash.data(), 32));

  const uint32_t db_key = 0x6b39dac7 ^ 0x13572468;
  const size_t page = kOfficePageSize;
  for (size_t pg = 1; pg < image.size() / page; ++pg) {
    const bytes key = derive_key(spun, db_key ^ uint32_t(pg), key_bytes);
    const bytes encrypted = aes_ecb(key, image.data() + pg * page, page);
    std::memcpy(image.data() + pg * page, encrypted.data(), page);
  }
  std::memset(image.data() + kOfficeInfoOffset, 0, page - kOfficeInfoOffset);
  image[kOfficeInfoOffset] = uint8_t(info.size());
  image[kOfficeInfoOffset + 1] = uint8_t(info.size() >> 8);
  std::memcpy(image.data() + kOfficeInfoOffset + 2, info.data(), info.size());
  std::span<uint8_t> page0(image.data(), page);
  office_toggle_header_mask(page0);
  std::memcpy(image.data() + kOfficeDbKeyOffset, le32(db_key).data(), 4);
  office_toggle_header_mask(page0);
  return image;
}

std::string temp_file(const std::string& name, const bytes& content) {
  const std::string path = testing::TempDir() + name;
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(content.data()), std::streamsize(content.size()));
  return path;
}

// Every user table as "Name: n rows".
std::vector<std::string> table_rows(const jet_file& file) {
  std::vector<std::string> out;
  for (const jet_object& object : file.objects()) {
    if (object.type != JET_OBJECT_TABLE || (object.flags & 0x80000002)) continue;
    const jet_table table(file, object.tdef_page(), object.name);
    jet_cursor cursor(file, table);
    size_t rows = 0;
    while (cursor.next()) ++rows;
    out.push_back(tk_utf16_to_utf8(object.name) + ": " + std::to_string(rows) + " rows");
  }
  return out;
}

}  // namespace

TEST(OfficeStandardEncryption, NonStandardProviderFixtureDecryptsAndOpens) {
  const bytes original = crypto_file("jackcessencrypt/db-nonstandard.accdb");
  const office_encryption e = office_read_encryption(original);
  EXPECT_EQ(e.kind, office_cipher_kind::aes_standard);
  EXPECT_EQ(e.description, "non-standard provider, AES-256 (EncryptionInfo 4.2)");
  EXPECT_EQ(e.aes.spin_count, 0u);

  bytes image = original;
  office_decrypt_image(image, u"password");
  EXPECT_EQ(image[2 * kOfficePageSize], 0x02);  // MSysObjects' table definition
  for (const std::u16string wrong : {u"Password", u"", u"password "}) {
    bytes copy = original;
    EXPECT_THROW(office_decrypt_image(copy, wrong), office_crypto_error);
    EXPECT_EQ(copy, original);
  }

  const std::string path = crypto_data("jackcessencrypt/db-nonstandard.accdb");
  const auto file = jet_file::open(path, u"password");
  const std::vector<std::string> tables = table_rows(*file);
  ASSERT_FALSE(tables.empty());
  try {
    jet_file::open(path, u"wrong");
    ADD_FAILURE() << "opened with a wrong password";
  } catch (const jet_failure& f) {
    EXPECT_EQ(f.number(), JET_ERR_BAD_PASSWORD);
  }
}

TEST(OfficeStandardEncryption, StandardEncryptedCopiesReadLikeThePlainFile) {
  const std::string plain_path = crypto_data("jackcess/testV2007.accdb");
  const bytes plain = read_bytes(plain_path);
  const std::vector<std::string> expected = table_rows(*jet_file::open(plain_path, u""));
  ASSERT_EQ(expected.size(), 4u);
  const standard_kind kinds[] = {
      {3, 0x24, 0x660E, 128, 50000},
      {4, 0x24, 0x6610, 256, 50000},
      {4, 0x24, 0x660F, 192, 50000},
      {4, 0x0C, 0x660E, 128, 0},  // the non-standard provider with AES-128
  };
  const char* descriptions[] = {"standard AES-128 (EncryptionInfo 3.2)",
                                "standard AES-256 (EncryptionInfo 4.2)",
                                "standard AES-192 (EncryptionInfo 4.2)",
                                "non-standard provider, AES-128 (EncryptionInfo 4.2)"};
  for (size_t k = 0; k < std::size(kinds); ++k) {
    const bytes encrypted = standard_image(plain, kinds[k], u"Pa$$wörd");
    const office_encryption e = office_read_encryption(encrypted);
    EXPECT_EQ(e.kind, office_cipher_kind::aes_standard) << k;
    EXPECT_EQ(e.description, descriptions[k]);

    bytes image = encrypted;
    EXPECT_EQ(office_decrypt_image(image, u"Pa$$wörd").pages, plain.size() / kOfficePageSize - 1);
    // Every page but 0 (its EncryptionInfo stays) is the plain file again.
    EXPECT_TRUE(
        std::equal(image.begin() + kOfficePageSize, image.end(), plain.begin() + kOfficePageSize))
        << descriptions[k];

    const std::string path = temp_file("standard.accdb", encrypted);
    EXPECT_EQ(table_rows(*jet_file::open(path, u"Pa$$wörd")), expected) << descriptions[k];
    for (const std::u16string wrong : {u"pa$$wörd", u"Pa$$word", u""}) {
      try {
        jet_file::open(path, wrong);
        ADD_FAILURE() << descriptions[k] << " opened with a wrong password";
      } catch (const jet_failure& f) {
        EXPECT_EQ(f.number(), JET_ERR_BAD_PASSWORD);
      }
    }
  }
}

TEST(OfficeStandardEncryption, InconsistentStandardHeadersAreRefused) {
  const bytes plain = crypto_file("jackcess/testV2007.accdb");
  // Standard with a key size that is not the algorithm's, and with RC4.
  const standard_kind bad_key = {4, 0x24, 0x660E, 256, 0};
  const standard_kind rc4_with_aes_flag = {4, 0x24, 0x6801, 128, 0};
  const standard_kind external = {4, 0x34, 0x660E, 128, 0};
  const struct {
    bytes image;
    office_crypto_error::reason why;
  } cases[] = {
      {standard_image(plain, bad_key, u"x"), office_crypto_error::damaged},
      {standard_image(plain, rc4_with_aes_flag, u"x"), office_crypto_error::unsupported},
      {standard_image(plain, external, u"x"), office_crypto_error::unsupported},
  };
  for (const auto& c : cases) {
    try {
      office_read_encryption(c.image);
      ADD_FAILURE() << "accepted";
    } catch (const office_crypto_error& e) {
      EXPECT_EQ(e.why(), c.why) << e.what();
    }
  }
}
