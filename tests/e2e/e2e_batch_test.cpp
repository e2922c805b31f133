// The fixture databases converted one record at a time on one thread
// (TARVEL_BATCH_ROWS=1 TARVEL_PIPELINE=0), one record at a time with the
// source read ahead on a thread of its own, and in batches read ahead (the
// default), each into its own engine: the console output and every row of
// every table must be the same, LOBs whole; and re-runs in merge and
// synchronize mode end the same way.
#include <stdlib.h>

#include <algorithm>
#include <filesystem>

#include "tests/e2e/e2e_support.h"

namespace {

class BothWays : public e2e_test {
 protected:
  // Every table's rows (sorted, header first), by table name.
  std::vector<std::pair<std::string, rows>> dump() {
    std::vector<std::pair<std::string, rows>> out;
    for (const std::string& table : tables()) {
      rows r = query("SELECT * FROM \"" + table + "\"");
      if (r.size() > 1) std::sort(r.begin() + 1, r.end());
      out.emplace_back(table, std::move(r));
    }
    return out;
  }

  struct outcome {
    std::vector<std::string> outputs;
    std::vector<std::pair<std::string, rows>> tables;
  };

  // The runs of `options_list` one after another into a fresh engine.
  outcome convert_all(const std::string& source, const std::vector<std::string>& options_list,
                      const std::string& env) {
    char pattern[] = "/tmp/tarvel_e2e_XXXXXX";
    EXPECT_NE(mkdtemp(pattern), nullptr);
    const std::string saved = dir_;
    dir_ = pattern;
    agent_env_ = env;
    outcome out;
    for (const std::string& options : options_list) {
      const run_result r = convert(source, options);
      out.outputs.push_back(std::to_string(r.status) + "\n" + r.output);
    }
    out.tables = dump();
    std::filesystem::remove_all(dir_);
    dir_ = saved;
    agent_env_.clear();
    return out;
  }

  // The runs of `options_list` one record at a time on one thread against
  // those with each of `envs`.
  void expect_same_both_ways(const std::string& source,
                             const std::vector<std::string>& options_list,
                             const std::vector<const char*>& envs = {"TARVEL_BATCH_ROWS=1", ""}) {
    const outcome one = convert_all(source, options_list, "TARVEL_BATCH_ROWS=1 TARVEL_PIPELINE=0");
    EXPECT_FALSE(one.tables.empty()) << source;
    for (const char* env : envs) {
      const outcome other = convert_all(source, options_list, env);
      EXPECT_EQ(other.outputs, one.outputs) << source << " " << env;
      ASSERT_EQ(other.tables.size(), one.tables.size()) << source << " " << env;
      for (size_t t = 0; t < one.tables.size(); ++t) {
        EXPECT_EQ(other.tables[t].first, one.tables[t].first) << source;
        EXPECT_EQ(other.tables[t].second, one.tables[t].second)
            << source << " " << env << ": " << one.tables[t].first;
      }
    }
  }
};

TEST_F(BothWays, FixtureDatabasesStoreTheSameRows) {
  for (const std::string& file :
       {kSample, fixture("generated/daoValues.mdb"), fixture("jackcess/oldDatesV2007.accdb"),
        fixture("jackcess/testEmoticonsV2010.accdb"), fixture("jackcess/fixedNumericTestV2000.mdb"),
        fixture("mdbreader/bigint.accdb")}) {
    // The sample also one record at a time read ahead: the reading thread
    // alone against one thread.
    if (file == kSample)
      expect_same_both_ways(file, {""});
    else
      expect_same_both_ways(file, {""}, {""});
  }
}

TEST_F(BothWays, MergeAndSynchronizeReRunsEndTheSame) {
  expect_same_both_ways(kSample, {"", "--mode=3", "--mode=4"}, {""});
}

}  // namespace
