// Encrypted files through the DAO component's open path (jet_file): tables
// and rows with the right password, the engine's errors otherwise, Jet
// RC4-encoded files as before, and nothing decrypted in the trace.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>

#include "TK/tk_text.h"
#include "TK/tk_trace.h"
#include "access/dao/crypto/office_encryption.h"
#include "access/dao/crypto/office_image.h"
#include "access/dao/jet_cursor.h"
#include "access/dao/jet_error.h"
#include "access/dao/jet_file.h"
#include "access/dao/jet_table.h"
#include "tests/access/crypto/crypto_test_files.h"

namespace {

// The user tables of a file, each as "Name: row|row" with values as text.
std::vector<std::string> user_tables(const jet_file& file) {
  std::vector<std::string> out;
  for (const jet_object& object : file.objects()) {
    if (object.type != JET_OBJECT_TABLE || (object.flags & 0x80000002)) continue;
    const jet_table table(file, object.tdef_page(), object.name);
    std::string text = tk_utf16_to_utf8(object.name) + ":";
    jet_cursor cursor(file, table);
    jet_value v;
    while (cursor.next()) {
      text += " ";
      for (size_t i = 0; i < table.columns().size(); ++i) {
        cursor.value(i, v);
        if (i) text += "|";
        text += v.kind == jet_kind::text ? tk_utf16_to_utf8(v.text) : std::to_string(v.i64);
      }
    }
    out.push_back(text);
  }
  return out;
}

jet_failure open_failure(const std::string& path, const std::u16string& password) {
  try {
    jet_file::open(path, password);
  } catch (const jet_failure& e) {
    return e;
  }
  ADD_FAILURE() << path << " opened";
  return jet_failure(0, "");
}

std::string temp_copy(const std::string& name, const std::vector<uint8_t>& bytes) {
  const std::string path = testing::TempDir() + name;
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  return path;
}

}  // namespace

TEST(OfficeOpen, EncryptedFixturesGiveTheirTablesAndRows) {
  struct fixture {
    const char* file;
    const char16_t* password;
    std::vector<std::string> tables;
  };
  const fixture fixtures[] = {
      {"jackcessencrypt/db2007-oldenc.accdb", u"Test123", {"Table1: 1|foo"}},
      {"jackcessencrypt/db2007-enc.accdb", u"Test123", {"Table1: 1|foo"}},
      {"mdbreader/office-agile-4.2.accdb", u"password", {"Table1: 1|One 2|Two 3|Three"}},
      {"mdbreader/office-agile-4.4.accdb", u"password", {"Table1: 1|One 2|Two 3|Three"}},
  };
  for (const fixture& f : fixtures) {
    const std::string path = crypto_data(f.file);
    std::unique_ptr<jet_file> file = jet_file::open(path, f.password);
    EXPECT_EQ(file->header().db_key, 0u) << f.file;
    EXPECT_TRUE(file->header().encryption.empty()) << f.file;
    EXPECT_EQ(user_tables(*file), f.tables) << f.file;
    file.reset();
    // The file itself is never written: it is still encrypted on disk.
    EXPECT_NE(office_read_encryption(read_bytes(path)).kind, office_cipher_kind::none) << f.file;

    for (const std::u16string wrong : {u"wrong", u"PASSWORD", u"Test1234"}) {
      const jet_failure e = open_failure(path, wrong);
      EXPECT_EQ(e.number(), JET_ERR_BAD_PASSWORD) << f.file;
      EXPECT_STREQ(e.what(), "Not a valid password.");
    }
    EXPECT_EQ(open_failure(path, u"").number(), JET_ERR_BAD_PASSWORD) << f.file;
  }
}

TEST(OfficeOpen, UnsupportedAndDamagedEncryptionFailWithTheirOwnErrors) {
  // An external provider cannot be read: its error names it.
  std::vector<uint8_t> external = crypto_file("jackcessencrypt/db2007-oldenc.accdb");
  external[kOfficeInfoOffset + 2 + 4] |= 0x10;  // fExternal
  const jet_failure unsupported = open_failure(temp_copy("external.accdb", external), u"Test123");
  EXPECT_EQ(unsupported.number(), JET_ERR_BAD_FORMAT);
  EXPECT_NE(std::string(unsupported.what())
                .find("unsupported encryption: Office encryption with an external provider"),
            std::string::npos)
      << unsupported.what();

  std::vector<uint8_t> bytes = crypto_file("jackcessencrypt/db2007-enc.accdb");
  const char kKeyData[] = "<keyData saltSize=\"";
  auto at = std::search(bytes.begin(), bytes.end(), kKeyData, kKeyData + sizeof kKeyData - 1);
  ASSERT_NE(at, bytes.end());
  at[sizeof kKeyData - 2] = ' ';  // an unquoted attribute value
  const jet_failure broken = open_failure(temp_copy("broken-info.accdb", bytes), u"Test123");
  EXPECT_EQ(broken.number(), JET_ERR_CORRUPT) << broken.what();
  EXPECT_NE(std::string(broken.what()).find("damaged encryption header"), std::string::npos)
      << broken.what();

  // Cut after a few pages: page 0 is fine, the catalog is gone. An error, not a crash.
  std::vector<uint8_t> cut = crypto_file("mdbreader/office-agile-4.2.accdb");
  for (size_t pages : {1, 2, 3, 5}) {
    cut.resize(pages * kOfficePageSize + 100);
    const jet_failure e = open_failure(temp_copy("cut.accdb", cut), u"password");
    EXPECT_TRUE(e.number() == JET_ERR_CORRUPT || e.number() == JET_ERR_BAD_FORMAT)
        << pages << ": " << e.what();
  }
}

TEST(OfficeOpen, JetEncodedFilesStillOpenWithoutPassword) {
  for (const char* file : {"jackcessencrypt/db-enc.mdb", "jackcessencrypt/db97-enc.mdb"}) {
    std::unique_ptr<jet_file> f = jet_file::open(crypto_data(file), u"");
    EXPECT_NE(f->header().db_key, 0u) << file;  // libmdb decodes these pages
    EXPECT_EQ(user_tables(*f), std::vector<std::string>{"Table1: 1|hello|0 2|world|42"}) << file;
  }
}

TEST(OfficeOpen, AnEncryptedCopyOfAPlainFileReadsLikeTheOriginal) {
  const std::string plain_path = crypto_data("jackcess/testV2007.accdb");
  const std::vector<std::string> expected = user_tables(*jet_file::open(plain_path, u""));
  ASSERT_EQ(expected.size(), 4u);
  std::vector<uint8_t> bytes = read_bytes(plain_path);
  office_encrypt_image(bytes, crypto_file("jackcessencrypt/db2007-oldenc.accdb"), u"Test123");
  const std::string path = temp_copy("testV2007-rc4.accdb", bytes);
  EXPECT_EQ(user_tables(*jet_file::open(path, u"Test123")), expected);
}

TEST(OfficeOpen, TraceNamesTheEncryptionButNeitherPasswordNorData) {
  const std::string trace = testing::TempDir() + "office_open_trace.log";
  std::remove(trace.c_str());
  {
    tk_log log(trace, true, 0, false);
    const auto file =
        jet_file::open(crypto_data("jackcessencrypt/db2007-oldenc.accdb"), u"Test123");
    EXPECT_EQ(user_tables(*file).size(), 1u);
    EXPECT_THROW(jet_file::open(crypto_data("jackcessencrypt/db2007-enc.accdb"), u"Wr0ngPass"),
                 jet_failure);
  }
  std::ifstream in(trace);
  const std::string text((std::istreambuf_iterator<char>(in)), {});
  EXPECT_NE(text.find("RC4 CryptoAPI, 40-bit key"), std::string::npos) << text;
  EXPECT_NE(text.find("the password does not match"), std::string::npos) << text;
  for (const char* secret : {"Test123", "Wr0ngPass", "foo"})
    EXPECT_EQ(text.find(secret), std::string::npos) << secret << " in\n" << text;
}
