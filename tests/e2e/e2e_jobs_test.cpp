// Tables on several sessions (--jobs): the same schema and rows as one job,
// a table started only once the tables it refers to are written, the
// foreign keys after all of them, and an error in one job reported once
// while the other jobs finish their tables.
#include <algorithm>
#include <cstring>
#include <sstream>

#include "tests/e2e/e2e_support.h"

namespace {

const char* const kSampleTables[] = {"Customers", "OrderLines", "Orders", "Products", "Shipments"};

std::vector<std::string> sorted_lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  std::sort(lines.begin(), lines.end());
  return lines;
}

}  // namespace

class Jobs : public e2e_test {
 protected:
  // Every row of every table of the sample, and the schema's constraints
  // and indexes by table (generated names depend on the order of creation,
  // which jobs do not fix).
  std::vector<rows> contents() {
    std::vector<rows> out;
    for (const char* table : kSampleTables)
      out.push_back(query(std::string("SELECT * FROM \"") + table + "\" ORDER BY 1, 2"));
    out.push_back(query(
        "SELECT table_name, constraint_type, COUNT(*) FROM user_constraints GROUP BY table_name, "
        "constraint_type ORDER BY 1, 2"));
    out.push_back(
        query("SELECT table_name, COUNT(*) FROM user_indexes GROUP BY table_name ORDER BY 1"));
    return out;
  }
};

// More jobs than tables: one per table, each table started after the tables
// it refers to are done, and the result is the one-job run's.
TEST_F(Jobs, ParentsBeforeChildrenAndTheResultOfOneJob) {
  const run_result one = convert(kSample, "--jobs=1");
  ASSERT_EQ(one.status, 0) << one.output;
  const std::vector<rows> expected = contents();

  const run_result many = convert(kSample, "--mode=1 --jobs=64");
  ASSERT_EQ(many.status, 0) << many.output;
  EXPECT_EQ(sorted_lines(many.output), sorted_lines(one.output));
  EXPECT_EQ(contents(), expected);
  EXPECT_EQ(value("SELECT COUNT(*) FROM user_constraints WHERE constraint_type = 'R'"), "4");

  const std::string trace = read_file(dir_ + "/trace.log");
  EXPECT_NE(trace.find("Converting 5 tables on 5 jobs"), std::string::npos);
  const std::pair<const char*, const char*> references[] = {{"Customers", "Orders"},
                                                            {"Orders", "OrderLines"},
                                                            {"Products", "OrderLines"},
                                                            {"OrderLines", "Shipments"}};
  for (const auto& [parent, child] : references) {
    const size_t done = trace.find(std::string(" is done with ") + parent + "\r\n");
    const size_t start = trace.find(std::string(" starts with ") + child + "\r\n");
    ASSERT_NE(done, std::string::npos) << parent;
    ASSERT_NE(start, std::string::npos) << child;
    EXPECT_LT(done, start) << parent << " -> " << child;
  }
  // Every foreign key comes after the last table.
  EXPECT_LT(trace.rfind(" is done with "), trace.find("Converting foreign keys")) << trace;
}

// A table that lost a page: its error is reported once, with its readable
// rows, and the tables of the other jobs are converted whole.
TEST_F(Jobs, AnErrorInOneJobIsReportedOnceAndTheOthersFinish) {
  std::string file = read_file(fixture("generated/damageTest.mdb"));
  const std::vector<size_t> pages = data_pages_holding(file, "Customer number");
  ASSERT_GE(pages.size(), 3u);
  std::memset(file.data() + pages[1] * kAccessPage, 0, kAccessPage);
  const std::string source = dir_ + "/damaged.mdb";
  write_file(source, file);

  const run_result r = convert(source, "--jobs=3");
  EXPECT_EQ(r.status, 0) << r.output;
  EXPECT_EQ(occurrences(r.output, "Error:"), 1u) << r.output;
  EXPECT_NE(r.output.find("Error:\nOrders: "), std::string::npos) << r.output;
  EXPECT_NE(r.output.find("Converting table Orders (830 records)\n"), std::string::npos);
  EXPECT_EQ(value("SELECT COUNT(*) FROM \"Small\""), "7");
  EXPECT_EQ(value("SELECT COUNT(*) FROM \"Notes\""), "2");
}

// Another session holds a table: the job that meets it says so once and
// gives it up; its child table still follows, and the other tables merge.
TEST_F(Jobs, ABusyTableIsReportedOnceAndTheRunGoesOn) {
  ASSERT_EQ(convert(kSample).status, 0);
  query("DELETE FROM \"Shipments\"");
  lock_holder holder(sql_command(), "LOCK TABLE \"Orders\" IN EXCLUSIVE MODE");
  ASSERT_TRUE(holder.started());
  ASSERT_TRUE(locked_elsewhere("Orders"));

  const run_result r = convert(kSample, "--mode=3 --jobs=4");
  ASSERT_EQ(r.status, 0) << r.output;  // 124 would be a wait without end
  EXPECT_EQ(occurrences(r.output, "Error:"), 1u) << r.output;
  EXPECT_NE(r.output.find("Orders: Cannot write to table Orders because it is busy"),
            std::string::npos)
      << r.output;
  EXPECT_NE(r.output.find("Converting table OrderLines (6 records)"), std::string::npos);
  EXPECT_EQ(value("SELECT COUNT(*) FROM \"Shipments\""), "3");
}
