// Opening files through DBEngine: bad input, passwords, Office encryption,
// the workgroup file and user names, engine versions. Every failure must be
// the engine's error number in Errors.Item(0), never a crash or a hang.
#include <gtest/gtest.h>

#include <fstream>
#include <random>

#include "TK/tk_text.h"
#include "tests/access/dao/dao_test_support.h"

namespace {

std::string temp_file(const std::string& name, const std::string& bytes) {
  std::string path = testing::TempDir() + name;
  std::ofstream(path, std::ios::binary) << bytes;
  return path;
}

std::string head_of(const std::string& path, size_t n) {
  std::ifstream in(path, std::ios::binary);
  std::string bytes(n, '\0');
  in.read(bytes.data(), std::streamsize(n));
  bytes.resize(size_t(in.gcount()));
  return bytes;
}

int32_t open_error(const std::string& path, const std::u16string& pwd = u"") {
  dao_session s;
  dao_ref<DAODatabase> db;
  HRESULT hr = s.open(path, db, pwd);
  EXPECT_FALSE(db) << path;
  EXPECT_EQ(hr, dao_hresult(s.error_number()));
  return s.error_number();
}

}  // namespace

TEST(DaoOpen, BadInputGivesTheEngineErrorNumbers) {
  EXPECT_EQ(open_error(data_path("no/such/file.mdb")), 3024);
  EXPECT_EQ(open_error(testing::TempDir()), 3044);
  EXPECT_EQ(open_error(temp_file("empty.mdb", "")), 3343);
  EXPECT_EQ(open_error(temp_file("text.mdb", std::string(5000, 'x'))), 3343);
  std::mt19937 random(7);
  std::string noise(65536, '\0');
  for (char& c : noise) c = char(random());
  EXPECT_EQ(open_error(temp_file("noise.mdb", noise)), 3343);
}

TEST(DaoOpen, TruncatedFileFailsAsCorruptOrUnrecognized) {
  const std::string full = data_path("jackcess/testV2007.accdb");
  for (size_t size : {100u, 4096u, 3 * 4096u}) {
    const int32_t number = open_error(temp_file("cut.accdb", head_of(full, size)));
    EXPECT_TRUE(number == 3049 || number == 3343) << size << ": " << number;
  }
  // Cut after its catalog, the file opens; its tables then read or fail
  // with a DAO error, never past the end of the bytes.
  dao_session s;
  auto db = s.open_ok(temp_file("cut.accdb", head_of(full, 20 * 4096)));
  ASSERT_TRUE(db);
  DAOTableDefs* defs = nullptr;
  db->get_TableDefs(&defs);
  auto owned = dao_ref<DAOTableDefs>::adopt(defs);
  int16_t count = 0;
  owned->get_Count(&count);
  for (int16_t i = 0; i < count; ++i) {
    DAOTableDef* def = nullptr;
    owned->get_Item(vt_index(i), &def);
    DAORecordset* rs = nullptr;
    if (SUCCEEDED(dao_ref<DAOTableDef>::adopt(def)->OpenRecordset(vt_missing(), vt_missing(), &rs)))
      read_all(dao_ref<DAORecordset>::adopt(rs).get());
  }
}

TEST(DaoOpen, ErrorsCollectionDescribesTheFailure) {
  dao_session s;
  dao_ref<DAODatabase> db;
  const std::string path = data_path("missing.mdb");
  EXPECT_EQ(s.open(path, db), dao_hresult(3024));
  EXPECT_EQ(s.error_text(), "Could not find file '" + path + "'.");
}

TEST(DaoOpen, DatabasePasswordIsCheckedForJet4) {
  EXPECT_EQ(open_error(data_path("mdbreader/V2000_with-password.mdb")), 3031);
  EXPECT_EQ(open_error(data_path("mdbreader/V2000_with-password.mdb"), u"Password"), 3031);
  dao_session s;
  EXPECT_TRUE(s.open_ok(data_path("mdbreader/V2000_with-password.mdb"), u"password"));
  EXPECT_TRUE(s.open_ok(data_path("ucanaccess/password.mdb"), u"ucanaccess"));
  // A file without a password accepts any.
  EXPECT_TRUE(s.open_ok(data_path("jackcess/testV2007.accdb"), u"whatever"));
  EXPECT_EQ(dao_connect_password(u";PWD=a;b=c"), u"a");
}

TEST(DaoOpen, OfficeEncryptionIsNamedInTheError) {
  dao_session s;
  dao_ref<DAODatabase> db;
  EXPECT_EQ(s.open(data_path("mdbreader/office-agile-4.4.accdb"), db), dao_hresult(3031));
  EXPECT_NE(s.error_text().find("Office encryption 4.4"), std::string::npos) << s.error_text();
  EXPECT_EQ(s.open(data_path("mdbreader/office-agile-4.4.accdb"), db, u"password"), S_OK);
}

TEST(DaoOpen, WorkgroupFileAndUserNames) {
  dao_session s;
  test_bstr mdw(tk_utf8_to_utf16(data_path("generated/workgroup.mdw")));
  ASSERT_EQ(s.engine->put_SystemDB(mdw.b), S_OK);
  auto workspace = [&](const std::u16string& user) {
    test_bstr name(u"New Workspace"), u(user), pwd(u"secret");
    DAOWorkspace* ws = nullptr;
    HRESULT hr = s.engine->CreateWorkspace(name.b, u.b, pwd.b, vt_missing(), &ws);
    dao_ref<DAOWorkspace>::adopt(ws);
    return hr;
  };
  EXPECT_EQ(workspace(u"maria"), S_OK);
  EXPECT_EQ(workspace(u"Admin"), S_OK);
  EXPECT_EQ(workspace(u"nobody"), dao_hresult(3029));
  EXPECT_TRUE(s.open_ok(data_path("jackcess/testV2007.accdb")));

  test_bstr not_mdw(tk_utf8_to_utf16(data_path("jackcess/testV2007.accdb")));
  s.engine->put_SystemDB(not_mdw.b);
  EXPECT_EQ(workspace(u"admin"), dao_hresult(3358));
  test_bstr gone(u"/no/such/system.mdw");
  s.engine->put_SystemDB(gone.b);
  EXPECT_EQ(workspace(u"admin"), dao_hresult(3028));
}

TEST(DaoOpen, SwitchedOffEngineVersionIsNotRegistered) {
  DAODBEngine* e = nullptr;
  dao_set_engine_available(3, false);
  EXPECT_EQ(dao_create_engine(3, &e), DAO_E_CLASSNOTREG);
  dao_set_engine_available(3, true);
  EXPECT_EQ(dao_create_engine(3, &e), S_OK);
  dao_ref<DAODBEngine>::adopt(e);
  EXPECT_EQ(dao_create_engine(9, &e), DAO_E_CLASSNOTREG);
}
