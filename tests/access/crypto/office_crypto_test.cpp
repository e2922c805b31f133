// The decryption unit on its own: which encryption each fixture uses, the
// password check, damaged and unsupported headers, and whole images
// encrypted and decrypted again.
#include <gtest/gtest.h>

#include <cstring>

#include "access/dao/crypto/office_agile_xml.h"
#include "access/dao/crypto/office_crypto_error.h"
#include "access/dao/crypto/office_encryption.h"
#include "access/dao/crypto/office_image.h"
#include "tests/access/crypto/crypto_test_files.h"

namespace {

struct encrypted_fixture {
  const char* file;
  const char16_t* password;
  office_cipher_kind kind;
  const char* description;
};

const encrypted_fixture kFixtures[] = {
    {"jackcessencrypt/db2007-oldenc.accdb", u"Test123", office_cipher_kind::rc4_cryptoapi,
     "RC4 CryptoAPI, 40-bit key (EncryptionInfo 4.2)"},
    {"mdbreader/office-agile-4.2.accdb", u"password", office_cipher_kind::rc4_cryptoapi,
     "RC4 CryptoAPI, 128-bit key (EncryptionInfo 4.2)"},
    {"jackcessencrypt/db2007-enc.accdb", u"Test123", office_cipher_kind::agile,
     "agile AES-128 SHA1 (EncryptionInfo 4.4)"},
    {"mdbreader/office-agile-4.4.accdb", u"password", office_cipher_kind::agile,
     "agile AES-256 SHA512 (EncryptionInfo 4.4)"},
    {"jackcessencrypt/db-nonstandard.accdb", u"password", office_cipher_kind::aes_standard,
     "non-standard provider, AES-256 (EncryptionInfo 4.2)"},
};

office_crypto_error::reason failure_of(std::vector<uint8_t> image, const std::u16string& pwd,
                                       std::string* text = nullptr) {
  try {
    office_decrypt_image(image, pwd);
  } catch (const office_crypto_error& e) {
    if (text) *text = e.what();
    return e.why();
  }
  ADD_FAILURE() << "no failure";
  return office_crypto_error::damaged;
}

// Page 0 with its EncryptionInfo replaced by bytes (length field included).
std::vector<uint8_t> with_info(std::vector<uint8_t> image, const std::vector<uint8_t>& info) {
  std::memset(image.data() + kOfficeInfoOffset, 0, kOfficePageSize - kOfficeInfoOffset);
  image[kOfficeInfoOffset] = uint8_t(info.size());
  image[kOfficeInfoOffset + 1] = uint8_t(info.size() >> 8);
  std::memcpy(image.data() + kOfficeInfoOffset + 2, info.data(), info.size());
  return image;
}

std::vector<uint8_t> agile_info(const std::string& xml) {
  std::vector<uint8_t> info = {4, 0, 4, 0, 0x40, 0, 0, 0};
  info.insert(info.end(), xml.begin(), xml.end());
  return info;
}

// The agile descriptor of office-agile-4.4.accdb as text.
std::string agile_xml_of(const std::vector<uint8_t>& image) {
  const size_t length = image[kOfficeInfoOffset] | (image[kOfficeInfoOffset + 1] << 8);
  return std::string(reinterpret_cast<const char*>(image.data()) + kOfficeInfoOffset + 2 + 8,
                     length - 8);
}

std::string replaced(std::string text, const std::string& from, const std::string& to) {
  const size_t at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  if (at != std::string::npos) text.replace(at, from.size(), to);
  return text;
}

}  // namespace

TEST(OfficeEncryption, FixturesAreDetectedWithTheirKind) {
  for (const encrypted_fixture& f : kFixtures) {
    const office_encryption e = office_read_encryption(crypto_file(f.file));
    EXPECT_EQ(e.kind, f.kind) << f.file;
    EXPECT_EQ(e.description, f.description) << f.file;
    EXPECT_NE(e.db_key, 0u) << f.file;
  }
  // Plain ACE and Jet RC4-encoded files are not Office-encrypted.
  for (const char* plain :
       {"jackcess/testV2007.accdb", "jackcessencrypt/db-enc.mdb", "jackcessencrypt/db97-enc.mdb"})
    EXPECT_EQ(office_read_encryption(crypto_file(plain)).kind, office_cipher_kind::none) << plain;
}

TEST(OfficeEncryption, RightPasswordDecryptsEveryPageAndClearsThePageKey) {
  for (const encrypted_fixture& f : kFixtures) {
    std::vector<uint8_t> image = crypto_file(f.file);
    const office_image_result r = office_decrypt_image(image, f.password);
    EXPECT_EQ(r.description, f.description);
    EXPECT_EQ(r.pages, image.size() / kOfficePageSize - 1);
    // Page 2 is MSysObjects' table definition in every Access file.
    EXPECT_EQ(image[2 * kOfficePageSize], 0x02) << f.file;
    EXPECT_EQ(image[2 * kOfficePageSize + 1], 0x01) << f.file;
    EXPECT_EQ(office_read_encryption(image).kind, office_cipher_kind::none) << f.file;
  }
}

TEST(OfficeEncryption, WrongPasswordFailsAndLeavesTheImageUntouched) {
  for (const encrypted_fixture& f : kFixtures) {
    const std::vector<uint8_t> original = crypto_file(f.file);
    const std::u16string right = f.password;
    std::u16string upper = right;
    upper[0] = char16_t(upper[0] ^ 0x20);  // passwords are case-sensitive
    for (const std::u16string& wrong : {std::u16string(), upper, right + u" ", right.substr(1)}) {
      std::vector<uint8_t> image = original;
      try {
        office_decrypt_image(image, wrong);
        ADD_FAILURE() << f.file << " opened with a wrong password";
      } catch (const office_crypto_error& e) {
        EXPECT_EQ(e.why(), office_crypto_error::wrong_password) << f.file;
      }
      EXPECT_EQ(image, original) << f.file;
    }
  }
}

TEST(OfficeEncryption, DamagedOrUnknownHeadersFailClearly) {
  const std::vector<uint8_t> rc4 = crypto_file("jackcessencrypt/db2007-oldenc.accdb");
  const std::vector<uint8_t> agile = crypto_file("mdbreader/office-agile-4.4.accdb");
  const std::string xml = agile_xml_of(agile);
  using R = office_crypto_error::reason;
  struct damaged_case {
    const char* what;
    std::vector<uint8_t> image;
    R expected;
  };
  std::vector<uint8_t> past_page = rc4;
  past_page[kOfficeInfoOffset] = 0xFF;
  past_page[kOfficeInfoOffset + 1] = 0x0F;
  std::vector<uint8_t> rc4_info(rc4.begin() + kOfficeInfoOffset + 2,
                                rc4.begin() + kOfficeInfoOffset + 2 + rc4[kOfficeInfoOffset]);
  std::vector<uint8_t> cut_verifier(rc4_info.begin(), rc4_info.end() - 10);
  std::vector<uint8_t> big_header = rc4_info;
  big_header[8] = 0xF0;  // EncryptionHeader size past the EncryptionInfo
  std::vector<uint8_t> odd_key = rc4_info;
  odd_key[12 + 16] = 41;  // KeySize: not a whole number of bytes
  std::vector<uint8_t> standard_aes = rc4_info;
  standard_aes[4] |= 0x20;  // fAES: standard encryption
  const damaged_case cases[] = {
      {"EncryptionInfo longer than page 0", past_page, R::damaged},
      {"verifier cut short", with_info(rc4, cut_verifier), R::damaged},
      {"header size too large", with_info(rc4, big_header), R::damaged},
      {"RC4 key size 41", with_info(rc4, odd_key), R::damaged},
      {"standard AES", with_info(rc4, standard_aes), R::unsupported},
      {"version 9.9", with_info(rc4, {9, 0, 9, 0, 0, 0, 0, 0}), R::unsupported},
      {"only a version", with_info(rc4, {4, 0, 4, 0}), R::damaged},
      {"agile, broken XML", with_info(agile, agile_info(xml.substr(0, xml.size() / 2))),
       R::damaged},
      {"agile, no password encryptor",
       with_info(agile, agile_info(replaced(xml, "keyEncryptor/password\"><p:", "x\"><p:"))),
       R::unsupported},
      {"agile, spin count beyond the limit",
       with_info(agile,
                 agile_info(replaced(xml, "spinCount=\"100000\"", "spinCount=\"99999999\""))),
       R::damaged},
      {"agile, salt not base64",
       with_info(agile, agile_info(replaced(xml, "saltValue=\"lf", "saltValue=\"*"))), R::damaged},
      {"agile, hash size wrong",
       with_info(agile, agile_info(replaced(xml,
                                            "hashSize=\"64\" cipherAlgorithm=\"AES\" "
                                            "cipherChaining=\"ChainingModeCBC\" "
                                            "hashAlgorithm=\"SHA512\" saltValue=\"lf",
                                            "hashSize=\"20\" cipherAlgorithm=\"AES\" "
                                            "cipherChaining=\"ChainingModeCBC\" "
                                            "hashAlgorithm=\"SHA512\" saltValue=\"lf"))),
       R::damaged},
      {"agile, DES",
       with_info(agile,
                 agile_info(replaced(xml, "cipherAlgorithm=\"AES\"", "cipherAlgorithm=\"DES\""))),
       R::unsupported},
  };
  for (const damaged_case& c : cases) {
    std::string text;
    EXPECT_EQ(failure_of(c.image, u"password", &text), c.expected) << c.what << ": " << text;
    EXPECT_FALSE(text.empty()) << c.what;
  }
  // Shorter than one page: not an Access 2007+ file at all, nothing to decrypt.
  std::vector<uint8_t> cut(rc4.begin(), rc4.begin() + 1000);
  EXPECT_TRUE(office_decrypt_image(cut, u"Test123").description.empty());
}

TEST(OfficeEncryption, EncryptedCopiesOfAPlainFileDecryptToTheSameBytes) {
  // Grown past 4096 pages, so that decryption is split between threads, and
  // cut mid-page at the end: that partial page is never encrypted.
  std::vector<uint8_t> plain = crypto_file("jackcess/testV2007.accdb");
  ASSERT_GT(plain.size(), 10 * kOfficePageSize);
  for (uint32_t i = 0; plain.size() < 4500 * kOfficePageSize + 100; ++i)
    plain.push_back(uint8_t(i * 2654435761u >> 24));
  for (const encrypted_fixture& f : kFixtures) {
    const std::vector<uint8_t> model = crypto_file(f.file);
    std::vector<uint8_t> image = plain;
    office_encrypt_image(image, model, f.password);
    EXPECT_EQ(office_read_encryption(image).kind, f.kind) << f.file;
    EXPECT_NE(std::memcmp(image.data() + 2 * kOfficePageSize, plain.data() + 2 * kOfficePageSize,
                          kOfficePageSize),
              0);
    EXPECT_EQ(failure_of(image, u"not it"), office_crypto_error::wrong_password);
    office_decrypt_image(image, f.password);
    // Every page but 0 comes back; page 0 differs only in the copied EncryptionInfo.
    EXPECT_TRUE(
        std::equal(image.begin() + kOfficePageSize, image.end(), plain.begin() + kOfficePageSize))
        << f.file;
    EXPECT_TRUE(std::equal(image.begin(), image.begin() + kOfficeInfoOffset, plain.begin()))
        << f.file;
  }
}

TEST(OfficeAgileXml, StartTagsBase64AndBrokenMarkup) {
  const auto elements = office_xml_elements(
      "<?xml version=\"1.0\"?><!-- c --><a:root x='1' b:y=\"&lt;&amp;\"><k/></a:root>");
  ASSERT_EQ(elements.size(), 2u);
  EXPECT_EQ(elements[0].name, "root");
  EXPECT_EQ(*elements[0].attribute("x"), "1");
  EXPECT_EQ(*elements[0].attribute("y"), "<&");
  EXPECT_EQ(elements[0].attribute("z"), nullptr);
  EXPECT_EQ(elements[1].name, "k");
  for (const char* broken : {"<a x=1>", "<a x=\"1>", "<a", "<a x>", "<!-- open", "< >", "<a / >"})
    EXPECT_THROW(office_xml_elements(broken), office_crypto_error) << broken;

  EXPECT_EQ(office_base64("TWFu"), (std::vector<uint8_t>{'M', 'a', 'n'}));
  EXPECT_EQ(office_base64("TWE="), (std::vector<uint8_t>{'M', 'a'}));
  EXPECT_EQ(office_base64("TQ"), (std::vector<uint8_t>{'M'}));
  EXPECT_EQ(office_base64(""), std::vector<uint8_t>{});
  for (const char* bad : {"T", "TQ=x", "TQ===", "T*Q="}) EXPECT_FALSE(office_base64(bad)) << bad;
}
