// Damaged files: copies of generated/damageTest.mdb with a page zeroed, the
// file cut short, a row pointer or a catalog byte changed. Each case must
// keep every row it can read and end the scan with error 3049 saying what
// was lost; a catalog that cannot be read whole must stop the open. Clean
// files must read without any such report.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "TK/tk_text.h"
#include "access/dao/jet_cursor.h"
#include "access/dao/jet_file.h"
#include "access/dao/jet_table.h"
#include "tests/access/dao/dao_test_support.h"

namespace {

using bytes = std::vector<uint8_t>;
constexpr size_t kPage = 4096;  // Jet4
constexpr size_t kRowCountAt = 0x0C;

const std::string& source() {
  static const std::string path = data_path("generated/damageTest.mdb");
  return path;
}

bytes read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return bytes(std::istreambuf_iterator<char>(in), {});
}

std::string write_copy(const std::string& name, const bytes& content) {
  const std::string path = testing::TempDir() + name;
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(content.data()), std::streamsize(content.size()));
  return path;
}

// The damage generator.
void zero_page(bytes& file, uint32_t page) {
  std::memset(file.data() + size_t(page) * kPage, 0, kPage);
}
void put_u16(bytes& file, size_t at, uint16_t value) {
  file[at] = uint8_t(value);
  file[at + 1] = uint8_t(value >> 8);
}
uint16_t rows_on(const bytes& file, uint32_t page) {
  const size_t at = size_t(page) * kPage + kRowCountAt;
  return uint16_t(file[at] | (file[at + 1] << 8));
}

// Data pages of a table of the undamaged file.
std::vector<uint32_t> data_pages_of(const std::u16string& table) {
  const auto file = jet_file::open(source(), u"");
  const jet_object* object = file->find_table(table);
  EXPECT_NE(object, nullptr);
  if (!object) return {};
  return jet_table(*file, object->tdef_page(), object->name).data_pages();
}

// The whole scan of one table through DAO, every value read as the
// converter reads them: the rows read (the first column's text), the result
// of the MoveNext that reached the end, and its error.
struct scan_result {
  std::vector<std::string> first_column;
  HRESULT end = S_OK;
  int32_t error = 0;
  std::string text;
  bool eof = false;
};

scan_result scan(const std::string& path, const std::u16string& table) {
  scan_result r;
  dao_session s;
  auto db = s.open_ok(path);
  if (!db) return r;
  auto rs = query(db.get(), u"SELECT * FROM [" + table + u"]");
  if (!rs) return r;
  DAOFields* f = nullptr;
  rs->get_Fields(&f);
  auto fields = dao_ref<DAOFields>::adopt(f);
  int16_t count = 0;
  fields->get_Count(&count);
  for (VARIANT_BOOL eof = VARIANT_FALSE; rs->get_EOF(&eof) == S_OK && !eof;) {
    for (int16_t i = 0; i < count; ++i) {
      DAOField* field = nullptr;
      fields->get_Item(vt_index(i), &field);
      test_variant value;
      dao_ref<DAOField>::adopt(field)->get_Value(&value.v);
      if (i == 0) r.first_column.push_back(render_value(value.v));
    }
    r.end = rs->MoveNext();
  }
  if (FAILED(r.end)) {
    r.error = s.error_number();
    r.text = s.error_text();
  }
  VARIANT_BOOL eof = VARIANT_FALSE;
  rs->get_EOF(&eof);
  r.eof = eof != VARIANT_FALSE;
  return r;
}

std::vector<std::string> ids(int first, int count) {
  std::vector<std::string> out;
  for (int i = 0; i < count; ++i) out.push_back(std::to_string(first + i));
  return out;
}

}  // namespace

TEST(DaoDamage, TheUndamagedSourceReadsWhole) {
  const scan_result orders = scan(source(), u"Orders");
  EXPECT_EQ(orders.first_column, ids(10248, 830));
  EXPECT_EQ(orders.end, S_OK);
  EXPECT_TRUE(orders.eof);
  EXPECT_GE(data_pages_of(u"Orders").size(), 4u);
}

TEST(DaoDamage, AZeroedDataPageCostsItsRowsAndTheScanSaysSo) {
  const std::vector<uint32_t> pages = data_pages_of(u"Orders");
  ASSERT_GE(pages.size(), 3u);
  bytes file = read_file(source());
  const uint32_t lost_page = pages[1];
  const uint16_t first_page_rows = rows_on(file, pages[0]);
  const uint16_t lost = rows_on(file, lost_page);
  ASSERT_GT(lost, 0);
  zero_page(file, lost_page);

  const scan_result r = scan(write_copy("zeroed.mdb", file), u"Orders");
  const int kept = 830 - lost;
  // Every row of the other pages, in order: the lost ones are a run in the middle.
  std::vector<std::string> expected = ids(10248, first_page_rows);
  const std::vector<std::string> after =
      ids(10248 + first_page_rows + lost, kept - first_page_rows);
  expected.insert(expected.end(), after.begin(), after.end());
  EXPECT_EQ(r.first_column, expected);
  EXPECT_EQ(r.error, 3049);
  EXPECT_EQ(r.text, std::to_string(kept) +
                        " rows read, the table's header says 830; the file may " +
                        "be damaged (page " + std::to_string(lost_page) +
                        " of the table is not a data page)");
  EXPECT_TRUE(r.eof);
  // Other tables of the same file are untouched and read without a word.
  const scan_result small = scan(write_copy("zeroed.mdb", file), u"Small");
  EXPECT_EQ(small.first_column, ids(1, 7));
  EXPECT_EQ(small.end, S_OK);
}

TEST(DaoDamage, AFileCutShortNamesThePagesPastItsEnd) {
  const std::vector<uint32_t> pages = data_pages_of(u"Orders");
  ASSERT_GE(pages.size(), 3u);
  bytes file = read_file(source());
  const uint32_t cut_at = pages[pages.size() - 2];
  int kept = 0;
  for (uint32_t pg : pages)
    if (pg < cut_at) kept += rows_on(file, pg);
  const size_t beyond =
      size_t(std::count_if(pages.begin(), pages.end(), [&](uint32_t pg) { return pg >= cut_at; }));
  file.resize(size_t(cut_at) * kPage);

  const scan_result r = scan(write_copy("cut.mdb", file), u"Orders");
  EXPECT_EQ(r.first_column, ids(10248, kept));
  EXPECT_EQ(r.error, 3049);
  EXPECT_EQ(r.text, std::to_string(kept) +
                        " rows read, the table's header says 830; the file may " + "be damaged (" +
                        std::to_string(beyond) +
                        " data pages lie past the end of the file (the first is page " +
                        std::to_string(cut_at) + "))");
}

TEST(DaoDamage, ARowPointerOutsideItsPageCostsThatRow) {
  const std::vector<uint32_t> pages = data_pages_of(u"Orders");
  bytes file = read_file(source());
  const uint32_t pg = pages[0];
  ASSERT_GT(rows_on(file, pg), 4);
  // Row 3's offset past the end of the page (flags clear: a live row). Row
  // 4 ends where row 3 starts, so it is lost with it.
  put_u16(file, size_t(pg) * kPage + kRowCountAt + 2 + 3 * 2, 0x1FF0);

  const scan_result r = scan(write_copy("pointer.mdb", file), u"Orders");
  std::vector<std::string> expected = ids(10248, 830);
  expected.erase(expected.begin() + 3, expected.begin() + 5);
  EXPECT_EQ(r.first_column, expected);
  EXPECT_EQ(r.error, 3049);
  EXPECT_EQ(r.text,
            "828 rows read, the table's header says 830; the file may be damaged (row 3 "
            "of data page " +
                std::to_string(pg) + " points outside its page, and 1 more problem)");
}

TEST(DaoDamage, ALongValueOnALostPageKeepsTheRowAndIsReported) {
  // The long memo of Notes row 1 runs over pages the table's own map does
  // not list; find them as the pages of the file that change the value.
  const scan_result clean = scan(source(), u"Notes");
  ASSERT_EQ(clean.first_column, (std::vector<std::string>{"1", "2"}));
  const bytes original = read_file(source());
  const std::vector<uint32_t> table_pages = data_pages_of(u"Notes");
  bool found = false;
  for (uint32_t pg = 3; pg < original.size() / kPage && !found; ++pg) {
    if (original[size_t(pg) * kPage] != 0x01 ||
        std::find(table_pages.begin(), table_pages.end(), pg) != table_pages.end())
      continue;
    bytes file = original;
    zero_page(file, pg);
    const std::string path = write_copy("lval.mdb", file);
    dao_session s;
    dao_ref<DAODatabase> db;
    if (FAILED(s.open(path, db))) continue;  // a catalog or definition page
    const scan_result r = scan(path, u"Notes");
    if (r.text.find("the value of Body in row 1") == std::string::npos) continue;
    found = true;
    EXPECT_EQ(r.first_column, (std::vector<std::string>{"1", "2"}));
    EXPECT_EQ(r.error, 3049);
    EXPECT_EQ(r.text,
              "2 rows read; the file may be damaged (the value of Body in row 1 lies on "
              "page " +
                  std::to_string(pg) + ", which is not a data page)");
  }
  EXPECT_TRUE(found) << "no long-value page of Notes found";
}

TEST(DaoDamage, ACatalogThatCannotBeReadWholeStopsTheOpen) {
  const auto clean = jet_file::open(source(), u"");
  const jet_table catalog(*clean, 2, u"MSysObjects");
  ASSERT_FALSE(catalog.data_pages().empty());
  const uint32_t last = catalog.data_pages().back();
  const uint32_t first = catalog.data_pages().front();
  const bytes original = read_file(source());

  struct damaged_case {
    const char* what;
    bytes file;
    const char* detail;
  };
  bytes cut = original;
  cut.resize(size_t(last) * kPage);
  bytes flipped = original;
  put_u16(flipped, size_t(first) * kPage + kRowCountAt + 2, 0x1FF0);
  bytes zeroed = original;
  zero_page(zeroed, last);
  const damaged_case cases[] = {
      {"cut inside the catalog", cut, "lies past the end of the file"},
      {"a catalog row pointer flipped", flipped, "row 0 of data page"},
      {"a catalog page zeroed", zeroed, "is not a data page"},
  };
  for (const damaged_case& c : cases) {
    dao_session s;
    dao_ref<DAODatabase> db;
    EXPECT_TRUE(FAILED(s.open(write_copy("catalog.mdb", c.file), db))) << c.what;
    EXPECT_EQ(s.error_number(), 3049) << c.what;
    const std::string text = s.error_text();
    EXPECT_NE(text.find("or the file may be corrupt. (the catalog (MSysObjects) is damaged: "),
              std::string::npos)
        << c.what << ": " << text;
    EXPECT_NE(text.find(c.detail), std::string::npos) << c.what << ": " << text;
  }
}

TEST(DaoDamage, CleanFilesReadWithoutALossReport) {
  // Every fixture, every table (system tables included): no damage noted,
  // never fewer rows than stored (more is a stale count, not a loss).
  const std::filesystem::path root = data_path("");
  size_t tables = 0;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
    const std::string ext = entry.path().extension().string();
    if (ext != ".mdb" && ext != ".accdb") continue;
    const std::string name = entry.path().filename().string();
    if (name.find("password") != std::string::npos || name.find("agile") != std::string::npos)
      continue;  // needs a password
    std::unique_ptr<jet_file> file;
    try {
      file = jet_file::open(entry.path().string(), u"");
    } catch (const std::exception& e) {
      ADD_FAILURE() << name << ": " << e.what();
      continue;
    }
    for (const jet_object& object : file->objects()) {
      if (object.type != JET_OBJECT_TABLE) continue;
      const jet_table table(*file, object.tdef_page(), object.name);
      jet_cursor cursor(*file, table);
      jet_value v;
      while (cursor.next())
        for (size_t i = 0; i < table.columns().size(); ++i) cursor.value(i, v);
      EXPECT_EQ(cursor.loss_report(), "") << name << " " << tk_utf16_to_utf8(object.name);
      ++tables;
    }
  }
  EXPECT_GT(tables, 100u);
}

TEST(DaoDamage, RelationshipsReadInPartFailTheirQuery) {
  const std::string path = data_path("generated/daoValues.mdb");
  uint32_t page = 0;
  {
    const auto file = jet_file::open(path, u"");
    const jet_object* object = file->find_table(u"MSysRelationships");
    ASSERT_NE(object, nullptr);
    const jet_table table(*file, object->tdef_page(), object->name);
    ASSERT_FALSE(table.data_pages().empty());
    page = table.data_pages().front();
  }
  bytes file = read_file(path);
  zero_page(file, page);
  dao_session s;
  auto db = s.open_ok(write_copy("relationships.mdb", file));
  ASSERT_TRUE(db);
  test_bstr text(
      u"SELECT szRelationship, szColumn, szObject, szReferencedObject, szReferencedColumn, grbit "
      u"FROM MSysRelationships ORDER BY szRelationship");
  DAOQueryDef* qd = nullptr;
  ASSERT_EQ(db->CreateQueryDef(vt_missing(), vt_text(text), &qd), S_OK);
  auto query_def = dao_ref<DAOQueryDef>::adopt(qd);
  DAORecordset* rs = nullptr;
  EXPECT_TRUE(FAILED(query_def->OpenRecordset(vt_index(2), vt_index(4), vt_missing(), &rs)));
  dao_ref<DAORecordset>::adopt(rs);
  EXPECT_EQ(s.error_number(), 3049);
  EXPECT_EQ(s.error_text().rfind("MSysRelationships: 0 rows read, the table's header says ", 0), 0u)
      << s.error_text();
}

TEST(DaoDamage, ALostTableDefinitionFailsThatTableOnly) {
  uint32_t tdef = 0;
  {
    const auto file = jet_file::open(source(), u"");
    tdef = file->find_table(u"Orders")->tdef_page();
  }
  bytes file = read_file(source());
  zero_page(file, tdef);
  const std::string path = write_copy("tdef.mdb", file);
  dao_session s;
  auto db = s.open_ok(path);
  ASSERT_TRUE(db);
  DAORecordset* rs = nullptr;
  EXPECT_TRUE(
      FAILED(tabledef(db.get(), u"Orders")->OpenRecordset(vt_missing(), vt_missing(), &rs)));
  dao_ref<DAORecordset>::adopt(rs);
  EXPECT_EQ(s.error_number(), 3049);
  EXPECT_NE(s.error_text().find("(page " + std::to_string(tdef) +
                                " is not a table definition of 'Orders')"),
            std::string::npos)
      << s.error_text();
  EXPECT_EQ(scan(path, u"Small").first_column, ids(1, 7));
}
