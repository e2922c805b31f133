// Damaged sources as the user meets them: a table that lost a page is named
// with what was read and what its header says, its readable rows and the
// other tables are converted, and the run's status stays 0; a catalog cut
// short stops the run with the engine's "may be corrupt" message. And a
// linked table's connect string never shows its password in the trace.
#include <stdlib.h>

#include <cstring>
#include <filesystem>

#include "tests/e2e/e2e_support.h"

namespace {

int rows_on(const std::string& file, size_t page) {
  return uint8_t(file[page * kAccessPage + 0x0C]) | (uint8_t(file[page * kAccessPage + 0x0D]) << 8);
}

}  // namespace

using DamagedSource = e2e_test;

TEST_F(DamagedSource, ATableThatLostAPageIsNamedAndKeepsItsOtherRows) {
  std::string file = read_file(fixture("generated/damageTest.mdb"));
  const std::vector<size_t> pages = data_pages_holding(file, "Customer number");
  ASSERT_GE(pages.size(), 3u);
  const size_t lost_page = pages[1];
  const int kept = 830 - rows_on(file, lost_page);
  std::memset(file.data() + lost_page * kAccessPage, 0, kAccessPage);
  const std::string source = dir_ + "/damaged.mdb";
  write_file(source, file);

  const run_result r = convert(source);
  EXPECT_EQ(r.status, 0) << r.output;
  EXPECT_NE(r.output.find(
                "Converting table Orders (830 records)\nError:\nOrders: " + std::to_string(kept) +
                " rows read, the table's header says 830; the file may be damaged "
                "(page " +
                std::to_string(lost_page) + " of the table is not a data page)\n"),
            std::string::npos)
      << r.output;
  EXPECT_EQ(value("SELECT COUNT(*) FROM \"Orders\""), std::to_string(kept));
  EXPECT_EQ(value("SELECT COUNT(*) FROM \"Small\""), "7");
  EXPECT_EQ(value("SELECT COUNT(*) FROM \"Notes\""), "2");
  // Exactly one error line: the other tables read without a word.
  EXPECT_EQ(r.output.find("Error:"), r.output.rfind("Error:")) << r.output;

  // Read and written on one thread, in batches that the lost page falls in
  // the middle of, into an engine of its own: the same report and rows.
  const rows orders = query("SELECT * FROM \"Orders\" ORDER BY 1");
  char pattern[] = "/tmp/tarvel_e2e_XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  const std::string saved = dir_;
  dir_ = pattern;
  agent_env_ = "TARVEL_PIPELINE=0 TARVEL_BATCH_ROWS=100";
  const run_result serial = convert(source);
  agent_env_.clear();
  EXPECT_EQ(serial.output, r.output);
  EXPECT_EQ(query("SELECT * FROM \"Orders\" ORDER BY 1"), orders);
  std::filesystem::remove_all(dir_);
  dir_ = saved;
}

TEST_F(DamagedSource, ACatalogCutShortStopsTheRunAsCorrupt) {
  std::string file = read_file(fixture("generated/damageTest.mdb"));
  file.resize(4 * kAccessPage);  // the catalog's data pages follow its definition on page 2
  const std::string source = dir_ + "/cut.mdb";
  write_file(source, file);
  const run_result r = convert(source);
  EXPECT_EQ(r.status, 255) << r.output;
  EXPECT_NE(r.output.find("or the file may be corrupt."), std::string::npos) << r.output;
  EXPECT_NE(r.output.find("(the catalog (MSysObjects) is damaged: "), std::string::npos)
      << r.output;
  EXPECT_EQ(r.output.find("Converting"), std::string::npos) << r.output;
}

TEST_F(DamagedSource, AnOdbcLinkReportsItsConnectStringWithoutThePassword) {
  const run_result r = convert(fixture("jackcess/odbcLinkerTestV2007.accdb"));
  EXPECT_EQ(r.status, 0) << r.output;
  const std::string trace = read_file(dir_ + "/trace.log");
  ASSERT_NE(trace.find("ODBC--connection to '"), std::string::npos) << trace;
  EXPECT_NE(trace.find(";PWD=***;"), std::string::npos) << trace;
  EXPECT_NE(r.output.find(";PWD=***;"), std::string::npos) << r.output;
  for (const std::string& text : {trace, r.output})
    EXPECT_EQ(text.find("DummyPassword"), std::string::npos) << text;
}
