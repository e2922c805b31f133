// Runs over a schema that an earlier run filled: every mode finds the table
// that the same Access table became, also when its name had to be changed
// and when two Access names clean to one; overwriting leaves no sequence
// behind; a table that another session locks is reported once and skipped
// in every mode, without waiting.
#include <map>

#include "tests/e2e/e2e_support.h"

namespace {
const std::string kNames = fixture("generated/rerunNames.mdb");

// Every table of the schema with its number of rows.
using table_counts = std::map<std::string, std::string>;

// The Oracle tables the run gives the Access tables, decided over the
// source's sorted names: "A B" and "A-B" clean to "A_B", which "A_B" itself
// keeps (the engine takes names of 128 bytes, as Oracle 12.2 and later).
const table_counts kExpected = {{"A1st_Quarter", "2"},
                                {"A_B", "2"},
                                {"A_B00000", "3"},
                                {"A_B00001", "1"},
                                {"An_Extraordinarily_Long_Table_Name", "1"},
                                {"Order_Details", "2"}};

}  // namespace

class Rerun : public e2e_test {
 protected:
  // The single value of each statement, all run in one session.
  std::vector<std::string> values(const std::vector<std::string>& statements) {
    std::string command = sql_command();
    for (const std::string& sql : statements) command += " " + shell_quote(sql);
    const run_result r = run_command(command);
    EXPECT_EQ(r.status, 0) << r.output;
    const rows lines = parse_csv(r.output);
    std::vector<std::string> out;
    for (size_t i = 1; i < lines.size(); i += 2) out.push_back(lines[i].empty() ? "" : lines[i][0]);
    return out;
  }
  table_counts counts() {
    const std::vector<std::string> names = tables();
    std::vector<std::string> statements;
    for (const std::string& t : names) statements.push_back("SELECT COUNT(*) FROM \"" + t + "\"");
    const std::vector<std::string> n = values(statements);
    table_counts out;
    for (size_t i = 0; i < names.size() && i < n.size(); ++i) out[names[i]] = n[i];
    return out;
  }
  std::string sequences() {
    std::string names;
    for (const auto& r : query("SELECT sequence_name FROM user_sequences ORDER BY 1"))
      names += r.at(0) + " ";
    return names;
  }
};

TEST_F(Rerun, EveryModeFindsTheTablesOfTheEarlierRun) {
  const run_result first = convert(kNames);
  ASSERT_EQ(first.status, 0) << first.output;
  EXPECT_EQ(first.output.find("Error"), std::string::npos) << first.output;
  ASSERT_EQ(counts(), kExpected);
  const std::string sequences_after_one = sequences();
  EXPECT_EQ(occurrences(sequences_after_one, "_0 "), 6u) << sequences_after_one;
  EXPECT_EQ(value("SELECT COUNT(*) FROM user_constraints WHERE constraint_type = 'R'"), "1");

  // A changed value shows which modes write to the existing table.
  auto change = [&] { query("UPDATE \"A_B00000\" SET \"Name\" = 'changed' WHERE \"ID\" = 1"); };
  const struct {
    int mode;
    std::string first_name;  // after the run
  } modes[] = {{2, "changed"}, {3, "changed"}, {4, "blank one"}, {1, "blank one"}};
  for (const auto& m : modes) {
    SCOPED_TRACE(m.mode);
    change();
    const run_result r = convert(kNames, "--mode=" + std::to_string(m.mode));
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_EQ(r.output.find("Error"), std::string::npos) << r.output;
    EXPECT_EQ(counts(), kExpected);
    // Overwriting drops the sequence it made before: one per counter, always.
    EXPECT_EQ(sequences(), sequences_after_one);
    EXPECT_EQ(values({"SELECT \"Name\" FROM \"A_B00000\" WHERE \"ID\" = 1",
                      "SELECT COUNT(*) FROM user_triggers",
                      "SELECT COUNT(*) FROM user_constraints WHERE constraint_type = 'R'"}),
              (std::vector<std::string>{m.first_name, "6", "1"}));
  }
  // The counter goes on after the copied keys of the re-created table.
  query("INSERT INTO \"A_B00000\" (\"Name\") VALUES ('new')");
  EXPECT_EQ(value("SELECT MAX(\"ID\") FROM \"A_B00000\""), "4");
}

TEST_F(Rerun, TheStrangestNamesOfTheCorpusInEveryMode) {
  const std::string source = fixture("ucanaccess/weirdObjectNames.mdb");
  const struct {
    std::string options;
    std::vector<int> modes;
  } runs[] = {{"", {2, 3, 4, 1}}, {"--uppercase", {4}}};
  for (const auto& [options, modes] : runs) {
    SCOPED_TRACE(options);
    const run_result first = convert(source, "--mode=1 " + options);
    ASSERT_EQ(first.status, 0) << first.output;
    const table_counts once = counts();
    ASSERT_FALSE(once.empty());
    for (int mode : modes) {
      const run_result r = convert(source, "--mode=" + std::to_string(mode) + " " + options);
      ASSERT_EQ(r.status, 0) << r.output;
      EXPECT_EQ(counts(), once) << "mode " << mode << "\n" << r.output;
    }
    for (const std::string& t : tables()) query("DROP TABLE \"" + t + "\" CASCADE CONSTRAINTS");
  }
}

// Another session holds "A_B" exclusively: overwrite cannot drop it, merge
// and synchronize cannot write to it. Each is said once, with the table's
// name, and the run goes on with the next table at once.
TEST_F(Rerun, ATableAnotherSessionLocksIsReportedOnceInEveryMode) {
  ASSERT_EQ(convert(kNames).status, 0);
  query("UPDATE \"A_B00001\" SET \"Name\" = 'changed'");
  lock_holder holder(sql_command(), "LOCK TABLE \"A_B\" IN EXCLUSIVE MODE");
  ASSERT_TRUE(holder.started());
  // The lock is held once a NOWAIT request of a third session fails.
  ASSERT_TRUE(locked_elsewhere("A_B"));

  const struct {
    int mode;
    std::string message;  // empty: nothing to say
  } modes[] = {{1, "Cannot delete table because it is busy with another process"},
               {2, ""},
               {3, "Cannot write to table A_B because it is busy with another process"},
               {4, "Cannot write to table A_B because it is busy with another process"}};
  for (const auto& m : modes) {
    SCOPED_TRACE(m.mode);
    const run_result r = convert(kNames, "--mode=" + std::to_string(m.mode));
    ASSERT_EQ(r.status, 0) << r.output;  // 124 would be a wait without end
    EXPECT_EQ(occurrences(r.output, "Error:"), m.message.empty() ? 0u : 1u) << r.output;
    if (!m.message.empty()) {
      EXPECT_NE(r.output.find("A_B: " + m.message), std::string::npos) << r.output;
    }
    if (m.mode >= 3) {
      EXPECT_NE(r.output.find("ORA-00054"), std::string::npos) << r.output;
    }
    // The tables after it were converted by the mode.
    if (m.mode != 2) {
      EXPECT_NE(r.output.find("Converting table Order Details"), std::string::npos) << r.output;
    }
    EXPECT_EQ(value("SELECT \"Name\" FROM \"A_B00001\""),
              m.mode == 2 || m.mode == 3 ? "changed" : "dash one");
    query("UPDATE \"A_B00001\" SET \"Name\" = 'changed'");
  }
}

// Overwriting drops only the sequence that the earlier run made for the
// table: never one a user's trigger uses, nor its own one while a trigger of
// another table uses it.
TEST_F(Rerun, OverwriteDropsNoSequenceItDidNotMake) {
  ASSERT_EQ(convert(kNames).status, 0);
  query("CREATE SEQUENCE \"USER_SEQ\"");
  query(
      "CREATE TRIGGER \"MY_TRG\" BEFORE INSERT ON \"A_B\" FOR EACH ROW WHEN (new.\"ID\" IS NULL) "
      "BEGIN select \"USER_SEQ\".nextval into :new.\"ID\" from dual; END;");
  query(
      "CREATE TRIGGER \"OTHER_TRG\" BEFORE INSERT ON \"Order_Details\" FOR EACH ROW WHEN "
      "(new.\"ID\" IS NULL) BEGIN select \"A1st_Quarter_0\".nextval into :new.\"ID\" from dual; "
      "END;");
  const run_result r = convert(kNames, "--mode=1");
  ASSERT_EQ(r.status, 0) << r.output;
  const std::string names = sequences();
  EXPECT_NE(names.find("USER_SEQ "), std::string::npos) << names;
  EXPECT_NE(names.find("A1st_Quarter_0 "), std::string::npos) << names;
  EXPECT_NE(names.find("A1st_Quarter_1 "), std::string::npos) << names;
  EXPECT_NE(names.find("A_B_0 "), std::string::npos) << names;  // dropped and made again
  EXPECT_EQ(counts(), kExpected);
}
