// The database's logic through TARVAGENT and the embedded engine: rules as
// CHECK constraints (one ENABLE NOVALIDATE over an old row), descriptions
// read back from the dictionary, cascade delete and cascade to Null acting
// in Oracle, a relationship Access does not enforce left without a key, and
// the report lines of what stays behind.
#include <gtest/gtest.h>

#include "tests/e2e/e2e_support.h"

namespace {

class logic_e2e : public e2e_test {
 protected:
  run_result verify(const std::string& source) {
    return run_command("cd " + shell_quote(dir_) +
                       " && TARVEL_OCI_LIB=embedded TARVEL_ORAEMB_DIR=" + shell_quote(dir_) +
                       " timeout 300 " + shell_quote(std::string(TARVEL_BIN) + "/tarvel-verify") +
                       " --src=" + shell_quote(source) +
                       " --dest=E2E --oraclh=localhost --oraclu=e2e --oraclp=e2e");
  }
};

bool has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

const char kLogicDb[] = "generated/logic.mdb";

TEST_F(logic_e2e, RulesCommentsAndRelationshipsArriveInOracle) {
  const run_result r = convert(fixture(kLogicDb));
  ASSERT_EQ(r.status, 0) << r.output;
  EXPECT_NE(r.output.find("Validation rule of Orders.Freight (>=0): 1 existing rows break it; the "
                          "CHECK constraint is ENABLE NOVALIDATE"),
            std::string::npos)
      << r.output;
  EXPECT_NE(r.output.find("Validation rule of Orders.Note not carried over: Like \"A*: Access "
                          "cannot read it: Syntax error in string"),
            std::string::npos);
  EXPECT_NE(r.output.find("Validation rule of Orders.Due not carried over: <Date(): Date() is the "
                          "current date or time, which a CHECK cannot use"),
            std::string::npos);
  EXPECT_NE(r.output.find("Description of Lines.Qty: control characters replaced by blanks"),
            std::string::npos);
  EXPECT_NE(r.output.find("Relationship Orders -> Customers: cascade update not carried over"),
            std::string::npos)
      << r.output;
  EXPECT_EQ(r.output.find("Error"), std::string::npos) << r.output;  // no view without --views

  EXPECT_EQ(value("SELECT comments FROM user_tab_comments WHERE table_name = 'Customers'"),
            "People who order");
  EXPECT_EQ(query("SELECT table_name, column_name, comments FROM user_col_comments WHERE comments "
                  "IS NOT NULL ORDER BY table_name, column_name"),
            (rows{{"TABLE_NAME", "COLUMN_NAME", "COMMENTS"},
                  {"Customers", "Country", "Validation: UK, DE or FR"},
                  {"Customers", "Name", "The customer's name"},
                  {"Lines", "Qty", "Count of items"},
                  {"Notes", "Body", "What was said"},
                  {"Orders", "Freight", "Validation: No negative freight"}}));
  EXPECT_EQ(query("SELECT table_name, validated FROM user_constraints WHERE constraint_type = 'C' "
                  "ORDER BY table_name, validated"),
            (rows{{"TABLE_NAME", "VALIDATED"},
                  {"Customers", "VALIDATED"},
                  {"Customers", "VALIDATED"},
                  {"Lines", "VALIDATED"},
                  {"Orders", "NOT VALIDATED"},
                  {"Orders", "VALIDATED"},
                  {"Parts", "VALIDATED"},
                  {"Parts", "VALIDATED"},
                  {"Parts", "VALIDATED"}}));

  // The rules hold for new rows, with Access's meaning: a country in any case.
  EXPECT_EQ(try_query("INSERT INTO \"Customers\" VALUES (5, 'Echo', 'Uk', 1)").status, 0);
  EXPECT_NE(
      try_query("INSERT INTO \"Customers\" VALUES (6, 'Fox', 'US', 1)").output.find("ORA-02290"),
      std::string::npos);
  EXPECT_NE(try_query("INSERT INTO \"Lines\" VALUES (9, 10, 0)").output.find("ORA-02290"),
            std::string::npos);
  EXPECT_NE(try_query("UPDATE \"Orders\" SET \"Freight\" = -1 WHERE \"OrderID\" = 10")
                .output.find("ORA-02290"),
            std::string::npos);

  // Int, Sqr, Sgn, DateAdd by months and a Like with a digit hold too.
  EXPECT_EQ(try_query("INSERT INTO \"Parts\" VALUES (4, 'P5x', 2.5, NULL)").status, 0);
  for (const char* refused : {"INSERT INTO \"Parts\" VALUES (5, 'Px5', 1, NULL)",
                              "INSERT INTO \"Parts\" VALUES (6, 'P', 1, NULL)",
                              "INSERT INTO \"Parts\" VALUES (7, 'P7', 101, NULL)",
                              "INSERT INTO \"Parts\" VALUES (8, 'P8', -1, NULL)"})
    EXPECT_TRUE(has(try_query(refused).output, "ORA-02290")) << refused;

  // Deleting an order deletes its lines; deleting a customer empties its notes' key.
  ASSERT_EQ(try_query("DELETE FROM \"Orders\" WHERE \"OrderID\" = 10").status, 0);
  EXPECT_EQ(value("SELECT COUNT(*) FROM \"Lines\""), "1");
  ASSERT_EQ(try_query("DELETE FROM \"Customers\" WHERE \"CustID\" = 3").status, 0);
  EXPECT_EQ(value("SELECT COUNT(*) FROM \"Notes\" WHERE \"CustID\" IS NULL"), "1");
  // Not enforced in Access: no foreign key, and its orphan row arrived.
  EXPECT_EQ(value("SELECT COUNT(*) FROM user_constraints WHERE table_name = 'Visits' AND "
                  "constraint_type = 'R'"),
            "0");
  EXPECT_EQ(value("SELECT COUNT(*) FROM \"Visits\""), "2");
}

TEST_F(logic_e2e, VerifyNamesOnlyWhatStaysBehind) {
  ASSERT_EQ(convert(fixture(kLogicDb), "--silent").status, 0);
  const run_result r = verify(fixture(kLogicDb));
  EXPECT_EQ(r.status, 0) << r.output;
  // Carried: rules Oracle holds, descriptions and validation texts.
  EXPECT_FALSE(has(r.output, "Orders.Freight")) << r.output;
  EXPECT_FALSE(has(r.output, "Customers.Country")) << r.output;
  EXPECT_FALSE(has(r.output, "description")) << r.output;
  EXPECT_FALSE(has(r.output, "validation text")) << r.output;
  EXPECT_FALSE(has(r.output, "Lines -> Orders")) << r.output;
  // Left behind, with the reason.
  EXPECT_TRUE(has(r.output, "validation rule  Orders.Note        Like \"A*: Access cannot read it"))
      << r.output;
  EXPECT_TRUE(has(r.output,
                  "validation rule  Orders.Due         <Date(): Date() is the current "
                  "date or time, which a CHECK cannot use"))
      << r.output;
  EXPECT_TRUE(has(r.output, "Orders -> Customers: cascade update not carried over")) << r.output;
  EXPECT_TRUE(has(r.output, "Visits -> Customers: 1 orphaned rows (not enforced in Access)"))
      << r.output;
  EXPECT_TRUE(has(r.output, "query            Ask")) << r.output;
  // A query without a view: its kind, then the translator's reason.
  EXPECT_TRUE(has(r.output, "parameter: Too few parameters. Expected 1.")) << r.output;
  EXPECT_TRUE(has(r.output, "select: First has no Oracle equal")) << r.output;
}

TEST_F(logic_e2e, DefinitionsOnlyCarryTheLogicAndSkippedTablesNone) {
  ASSERT_EQ(convert(fixture(kLogicDb), "--tab_def").status, 0);
  EXPECT_EQ(value("SELECT COUNT(*) FROM user_constraints WHERE constraint_type = 'C' AND "
                  "validated = 'VALIDATED'"),
            "8");
  // A re-run that skips every table adds no constraint and changes no comment.
  ASSERT_EQ(try_query("COMMENT ON TABLE \"Customers\" IS 'kept'").status, 0);
  const run_result again = convert(fixture(kLogicDb), "--mode=2");
  ASSERT_EQ(again.status, 0) << again.output;
  EXPECT_EQ(value("SELECT COUNT(*) FROM user_constraints WHERE constraint_type = 'C'"), "8");
  EXPECT_EQ(value("SELECT comments FROM user_tab_comments WHERE table_name = 'Customers'"), "kept");
  // Merge adds no second copy of a rule.
  ASSERT_EQ(convert(fixture(kLogicDb), "--mode=3").status, 0);
  EXPECT_EQ(value("SELECT COUNT(*) FROM user_constraints WHERE constraint_type = 'C'"), "8");
}

// A merge re-run meets the old row the NOVALIDATE rule was made over: it is
// in the table already and is kept, not reported; the same row missing from
// the table is still reported as refused.
TEST_F(logic_e2e, MergeKeepsOldRowsARuleRefuses) {
  ASSERT_EQ(convert(fixture(kLogicDb), "--silent").status, 0);
  const run_result again = convert(fixture(kLogicDb), "--mode=3");
  ASSERT_EQ(again.status, 0) << again.output;
  EXPECT_FALSE(has(again.output, "ORA-02290")) << again.output;
  EXPECT_EQ(value("SELECT COUNT(*) FROM \"Orders\""), "4");

  ASSERT_EQ(try_query("DELETE FROM \"Orders\" WHERE \"OrderID\" = 11").status, 0);
  const run_result missing = convert(fixture(kLogicDb), "--mode=3");
  EXPECT_TRUE(has(missing.output, "ORA-02290")) << missing.output;
  EXPECT_EQ(value("SELECT COUNT(*) FROM \"Orders\""), "3");
}

}  // namespace

namespace {

// Saved queries as views: made after the tables, a query over a query after
// the view it reads, their rows those of the queries; re-runs in every mode
// replace them; tarvel-verify compares them and finds a view that differs.
TEST_F(logic_e2e, ViewsHoldTheRowsOfTheirQueries) {
  const run_result r = convert(fixture(kLogicDb), "--views");
  ASSERT_EQ(r.status, 0) << r.output;
  EXPECT_TRUE(has(r.output, "Query UK Customers as view UK_Customers")) << r.output;
  EXPECT_TRUE(has(r.output, "Query UK A as view UK_A")) << r.output;
  EXPECT_TRUE(has(r.output, "Query Ask not carried over: Too few parameters. Expected 1."));
  EXPECT_TRUE(has(r.output, "Query First Name not carried over: First has no Oracle equal"));
  EXPECT_FALSE(has(r.output, "Error")) << r.output;
  // Access compares text without regard to case: both UK customers.
  EXPECT_EQ(query("SELECT \"Name\", \"Active\" FROM \"UK_Customers\" ORDER BY \"Name\""),
            (rows{{"Name", "Active"}, {"Alfa", "1"}, {"Delta", "1"}}));
  EXPECT_EQ(query("SELECT \"Name\" FROM \"UK_A\""), (rows{{"Name"}, {"Alfa"}}));
  EXPECT_EQ(query("SELECT \"OrderID\", \"Size\", \"Yr\", \"Day\", \"Twice\" FROM \"Order_Info\" "
                  "ORDER BY \"OrderID\""),
            (rows{{"OrderID", "Size", "Yr", "Day", "Twice"},
                  {"10", "big", "2020", "2020-05-17", "25"},
                  {"11", "small", "1995", "1995-01-02", "-10"},
                  {"12", "big", "", "", "60"},
                  {"13", "small", "2020", "2020-05-17", "16"}}));
  // Int and Fix round apart below zero; DateAdd by months keeps to the end
  // of a shorter month; a Like with a digit is LIKE and SUBSTR.
  EXPECT_EQ(query("SELECT * FROM \"Part_Math\" ORDER BY \"PartID\""),
            (rows{{"PartID", "Down", "Toward", "Sq", "Sg", "Root", "Next"},
                  {"1", "-1", "0", "1", "-1", "1", "2020-02-29 00:00:00"},
                  {"2", "-5", "-4", "81", "1", "3", "2021-04-15 10:30:00"},
                  {"3", "-2", "-2", "16", "0", "2", ""}}));
  // The sample deviation and variance (Null for one row, as Access).
  EXPECT_EQ(value("SELECT ROUND(\"V\", 6) FROM \"Part_Spread\""), "16.333333");
  EXPECT_TRUE(has(r.output, "Query Part Math as view Part_Math")) << r.output;
  EXPECT_TRUE(has(r.output, "Query Part Spread as view Part_Spread")) << r.output;

  // Every mode replaces the views (the first run was an overwrite, which
  // drops them first); merge and synchronize here without rows. The views
  // read the rows the first run wrote.
  for (const char* mode : {"--mode=2", "--mode=3", "--mode=4"}) {
    const run_result again = convert(fixture(kLogicDb), std::string("--views --tab_def ") + mode);
    EXPECT_EQ(again.status, 0) << mode << again.output;
    EXPECT_FALSE(has(again.output, "Error")) << mode << again.output;
    EXPECT_TRUE(has(again.output, "Query UK A as view UK_A")) << mode << again.output;
    EXPECT_EQ(value("SELECT COUNT(*) FROM user_views"), "6") << mode;
  }

  // A base row changed in Oracle: the view over it differs, the others are
  // equal; a query with a view is not listed as left behind.
  ASSERT_EQ(try_query("UPDATE \"Customers\" SET \"Country\" = 'FR' WHERE \"CustID\" = 4").status,
            0);
  const run_result differs = verify(fixture(kLogicDb));
  EXPECT_EQ(differs.status, 1) << differs.output;
  EXPECT_FALSE(has(differs.output, "query            UK Customers")) << differs.output;
  EXPECT_TRUE(has(differs.output, "query            Ask")) << differs.output;
  EXPECT_TRUE(has(differs.output, "6 views: 5 equal, 1 differing")) << differs.output;
}

}  // namespace

namespace {

// Saved queries of every kind, a 51-deep chain, a cycle, damaged definitions
// and a crosstab over 10,000 values: each query is made a view or named
// with its reason, and the run goes on to its end.
TEST_F(logic_e2e, EveryBadQueryIsNamedAndTheRunGoesOn) {
  const run_result r = convert(fixture("generated/savedQueries.mdb"), "--views --tab_def");
  ASSERT_EQ(r.status, 0) << r.output;
  EXPECT_FALSE(has(r.output, "ERROR")) << r.output;
  for (const char* line : {
           "Query TopTwo as view TopTwo\n",
           "Query Chain50 as view Chain50\n",
           "Query Chain51 not carried over: Query is too complex.\n",
           "Query CycleA not carried over: Circular reference caused by 'CycleA'.\n",
           "Query BrokenJoin not carried over: Query 'BrokenJoin' is corrupt.\n",
           "Query OrdersAbove not carried over: Too few parameters. Expected 1.\n",
           "Query RegionTotals as view RegionTotals\n",
           "Query RegionFixed as view RegionFixed\n",
           "Query WideCrosstab not carried over: Too many fields defined.\n",
           "Query BigSpenders not carried over: reads the query CustTotals, which has no view\n",
       })
    EXPECT_TRUE(has(r.output, line)) << line << r.output;
}

}  // namespace
