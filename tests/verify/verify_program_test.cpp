// tarvel-verify as a user runs it: fixture databases converted by TARVAGENT
// into the embedded engine, then altered with SQL, then verified. Each
// alteration must be found and named; a clean conversion must verify equal;
// nothing may be written on either side; bad input stops with the
// conversion program's own message and status 255.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>
#include <fstream>

#include "tests/e2e/e2e_support.h"

namespace {

bool contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// Runs of spaces as one: the report's column widths follow the longest name.
std::string squeezed(const std::string& text) {
  std::string out;
  for (char c : text)
    if (c != ' ' || out.empty() || out.back() != ' ') out += c;
  return out;
}

class verify_test : public e2e_test {
 protected:
  // tarvel-verify against the test's schema (E2E, user e2e/e2e).
  run_result verify(const std::string& source, const std::string& options = "",
                    const std::string& env = "") {
    return run_command("cd " + shell_quote(dir_) +
                       " && TARVEL_OCI_LIB=embedded TARVEL_ORAEMB_DIR=" + shell_quote(dir_) + " " +
                       env + " timeout 300 " +
                       shell_quote(std::string(TARVEL_BIN) + "/tarvel-verify") +
                       " --src=" + shell_quote(source) +
                       " --dest=E2E --oraclh=localhost --oraclu=e2e --oraclp=e2e " + options);
  }
  void sql(const std::string& statement) {
    const run_result r = try_query(statement);
    ASSERT_EQ(r.status, 0) << statement << "\n" << r.output;
  }
  std::string database_file() const { return dir_ + "/E2E.oradb"; }
};

TEST_F(verify_test, EachAlteredValueRowAndDuplicateIsFoundByKeyAndColumn) {
  const std::string source = fixture("generated/verifyValues.mdb");
  ASSERT_EQ(convert(source).status, 0);
  // One alteration per row of Kinds (ID is the key), one per column type.
  sql("DELETE FROM \"Kinds\" WHERE \"ID\" = 5");
  sql("INSERT INTO \"Kinds\" (\"ID\", \"YN\") VALUES (99, 0)");
  sql("UPDATE \"Kinds\" SET \"Dt\" = \"Dt\" + 1/86400 WHERE \"ID\" = 3");
  sql("UPDATE \"Kinds\" SET \"Memo\" = SUBSTR(\"Memo\", 1, LENGTH(\"Memo\") - 1) WHERE \"ID\" = 4");
  sql("UPDATE \"Kinds\" SET \"Dbl\" = \"Dbl\" + 0.00000000001 WHERE \"ID\" = 6");
  // The OLE value of row 7 is (7 * 31 + k * 7) & 0xFF for k = 0..31; byte 5 flipped.
  std::string hex;
  for (int k = 0; k < 32; ++k) {
    char b[3];
    std::snprintf(b, sizeof b, "%02X", ((7 * 31 + k * 7) & 0xFF) ^ (k == 5 ? 0x01 : 0));
    hex += b;
  }
  sql("UPDATE \"Kinds\" SET \"Ole\" = HEXTORAW('" + hex + "') WHERE \"ID\" = 7");
  sql("UPDATE \"Kinds\" SET \"Txt\" = NULL WHERE \"ID\" = 8");
  // Dec holds 18 digits (-98765432109867.5432): its last digit is beyond a
  // double's precision.
  sql("UPDATE \"Kinds\" SET \"Dec\" = \"Dec\" + 0.0001 WHERE \"ID\" = 9");
  sql("UPDATE \"Kinds\" SET \"YN\" = 1 - \"YN\" WHERE \"ID\" = 10");
  // NoKey holds (1, 'one') twice: one of them goes.
  sql("DELETE FROM \"NoKey\" WHERE \"ID\" = 1");
  sql("INSERT INTO \"NoKey\" (\"ID\", \"Label\") VALUES (1, 'one')");

  const std::string access_before = read_file(source);
  const std::string oracle_before = read_file(database_file());
  const run_result json = verify(source, "--format=json");
  EXPECT_EQ(json.status, 1) << json.output;
  for (const char* expected :
       {"\"missing row ID=5\"", "\"extra row ID=99\"", "\"changed row ID=3: Dt\"",
        "\"changed row ID=4: Memo\"", "\"changed row ID=6: Dbl\"", "\"changed row ID=7: Ole\"",
        "\"changed row ID=8: Txt\"", "\"changed row ID=9: Dec\"", "\"changed row ID=10: YN\"",
        "\"missing row (ID=1, Label='one')\"",
        "{\"table\": \"Child\", \"oracle_table\": \"Child\", "
        "\"access_rows\": 2, \"oracle_rows\": 2, \"content\": \"equal\""})
    EXPECT_TRUE(contains(json.output, expected)) << expected << "\n" << json.output;
  // Only queries ran: both sides are unchanged byte for byte.
  EXPECT_TRUE(read_file(source) == access_before);
  EXPECT_TRUE(read_file(database_file()) == oracle_before);

  // The same differences when the second pass spreads its rows over files.
  const run_result text = verify(source, "", "TARVEL_VERIFY_MEMORY_ROWS=3");
  EXPECT_EQ(text.status, 1);
  EXPECT_TRUE(contains(text.output, "\nKinds           22           22  DIFFERS   "))
      << text.output;
  EXPECT_TRUE(
      contains(text.output,
               "\nNoKey            4            3  DIFFERS   missing row (ID=1, Label='one')\n"))
      << text.output;
  for (const char* expected :
       {"missing row ID=5", "extra row ID=99", "changed row ID=7: Ole", "changed row ID=10: YN"})
    EXPECT_TRUE(contains(text.output, expected)) << expected << "\n" << text.output;
}

TEST_F(verify_test, MissingTablesColumnsAndChangedTypesAreNamed) {
  const std::string source = fixture("generated/verifyValues.mdb");
  ASSERT_EQ(convert(source).status, 0);
  sql("DROP TABLE \"Child\" CASCADE CONSTRAINTS");
  sql("CREATE TABLE \"Child\" (\"CID\" NUMBER(11))");
  sql("DROP TABLE \"NoKey\"");
  sql("CREATE TABLE \"NoKey\" (\"ID\" NUMBER(11), \"Label\" NUMBER, \"Added\" NUMBER)");
  sql("DROP TABLE \"Kinds\" CASCADE CONSTRAINTS");
  sql("CREATE TABLE \"Leftover\" (\"X\" NUMBER)");
  // A dropped table as a server's recycle bin keeps it: not part of the
  // schema.
  sql("CREATE TABLE \"BIN$QQuMa/ZLGlXgU0edqMAw4g==$0\" (\"X\" NUMBER)");
  const run_result r = verify(source, "--format=csv");
  EXPECT_FALSE(contains(r.output, "BIN$")) << r.output;
  EXPECT_EQ(r.status, 1) << r.output;
  const rows csv = parse_csv(r.output);
  ASSERT_GE(csv.size(), 5u) << r.output;
  EXPECT_EQ(csv[0],
            (std::vector<std::string>{"Section", "Table", "Oracle table", "Access rows",
                                      "Oracle rows", "Content", "Differing rows", "Difference"}));
  EXPECT_TRUE(
      contains(r.output, "table,Child,Child,2,0,DIFFERS,2,column KindID missing in Oracle\n"))
      << r.output;
  EXPECT_TRUE(contains(r.output, "table,Kinds,Kinds,22,,MISSING,0,not in Oracle\n")) << r.output;
  EXPECT_TRUE(contains(
      r.output,
      "table,NoKey,NoKey,4,0,DIFFERS,4,\"column Label is NUMBER in Oracle, not a text type\"\n"))
      << r.output;
  EXPECT_TRUE(contains(r.output, "table,NoKey,NoKey,4,0,DIFFERS,4,column Added only in Oracle\n"))
      << r.output;
  EXPECT_TRUE(contains(r.output, "table,,Leftover,,,MISSING,0,not in the Access database\n"))
      << r.output;
  EXPECT_TRUE(contains(
      r.output,
      "not carried over,KindsChild,,,,relationship,,Child -> Kinds: table Kinds not converted\n"))
      << r.output;
}

// An empty table, a table of long values only and without a key, and a
// table whose name and columns Oracle refuses (renamed by the conversion):
// equal after a clean conversion, no index reported missing, and a change in
// each is found under the Access names.
TEST_F(verify_test, EmptyLongOnlyAndRenamedTablesVerify) {
  const std::string source = fixture("generated/verifyEdges.mdb");
  ASSERT_EQ(convert(source, "--silent").status, 0);
  const run_result clean = verify(source);
  EXPECT_EQ(clean.status, 0) << clean.output;
  for (const char* line :
       {"Empty 0 0 equal\n", "LongsOnly 4 4 equal\n", "Order's Lines 2 2 equal\n"})
    EXPECT_TRUE(contains(squeezed(clean.output), line)) << line << "\n" << clean.output;
  EXPECT_FALSE(contains(clean.output, "index ")) << clean.output;
  // Made again with a blank-padded column: Oracle compares its values
  // without the padding, and so does the check.
  sql("DROP TABLE \"Order_s_Lines\"");
  sql("CREATE TABLE \"Order_s_Lines\" (\"Line_No\" NUMBER(11) PRIMARY KEY, \"Select\" NCHAR(30), "
      "\"it_s\" NUMBER)");
  sql("INSERT INTO \"Order_s_Lines\" VALUES (1, 'first', 0.5)");
  sql("INSERT INTO \"Order_s_Lines\" VALUES (2, 'second', -0.25)");
  const run_result padded = verify(source);
  EXPECT_EQ(padded.status, 0) << padded.output;

  sql("UPDATE \"LongsOnly\" SET \"Notes\" = SUBSTR(\"Notes\", 1, 4999) WHERE LENGTH(\"Notes\") = "
      "5000");
  sql("UPDATE \"Order_s_Lines\" SET \"it_s\" = 0.75 WHERE \"Line_No\" = 1");
  const run_result changed = verify(source);
  EXPECT_EQ(changed.status, 1) << changed.output;
  EXPECT_TRUE(
      contains(squeezed(changed.output), "Order's Lines 2 2 DIFFERS changed row Line No=1: it's\n"))
      << changed.output;
  // Without a key the cut memo is a row missing and a row added.
  EXPECT_TRUE(contains(squeezed(changed.output), "LongsOnly 4 4 DIFFERS ")) << changed.output;
  for (const char* row : {"missing row (Notes='abcdefghij", "extra row (Notes='abcdefghij"})
    EXPECT_TRUE(contains(changed.output, row)) << row << "\n" << changed.output;
}

// A source table that lost a page: named with what the reader says, the
// other tables verified.
TEST_F(verify_test, AnAccessTableThatLostAPageIsReportedAndTheOthersVerify) {
  const std::string good = fixture("generated/damageTest.mdb");
  ASSERT_EQ(convert(good, "--silent").status, 0);
  std::string file = read_file(good);
  const std::vector<size_t> pages = data_pages_holding(file, "Customer number");
  ASSERT_GE(pages.size(), 3u);
  std::memset(file.data() + pages[1] * kAccessPage, 0, kAccessPage);
  const std::string damaged = dir_ + "/damaged.mdb";
  write_file(damaged, file);
  const run_result r = verify(damaged);
  EXPECT_EQ(r.status, 1) << r.output;
  const std::string shown = squeezed(r.output);
  for (const std::string& line :
       {std::string("Orders - - DIFFERS could not be read: "),
        "the file may be damaged (page " + std::to_string(pages[1]) +
            " of the table is not a data page)\n",
        std::string("Small 7 7 equal\n"), std::string("Notes 2 2 equal\n")})
    EXPECT_TRUE(contains(shown, line)) << line << "\n" << r.output;
}

// Values of a complex column lost to a zeroed page: that child table
// differs, and the parent whose counts of them are off; the others verify.
TEST_F(verify_test, ComplexValuesThatLostAPageAreNotEqual) {
  const std::string good = fixture("jackcess/complexDataTestV2010.accdb");
  ASSERT_EQ(convert(good, "--silent").status, 0);
  std::string file = read_file(good);
  std::memset(file.data() + 49 * kAccessPage, 0, kAccessPage);  // attachment values
  const std::string damaged = dir_ + "/damaged.accdb";
  write_file(damaged, file);
  const run_result r = verify(damaged);
  EXPECT_EQ(r.status, 1) << r.output;
  const std::string shown = squeezed(r.output);
  for (const std::string& line :
       {std::string("Table1_attach-data - - DIFFERS could not be read: the values of "
                    "Table1.attach-data: 0 rows read, the table's header says 3"),
        std::string("Table1_multi-value-data 6 6 equal\n")})
    EXPECT_TRUE(contains(shown, line)) << line << "\n" << r.output;
  // The parent's attachment counts differ too; no Oracle table is left unpaired.
  EXPECT_TRUE(contains(shown, "Table1 4 4 DIFFERS")) << r.output;
  EXPECT_FALSE(contains(shown, "MISSING")) << r.output;
}

// A server lets an existing index enforce a new key when the key's columns
// lead it: the key then has no index of its own, and is still no skipped
// index.
TEST_F(verify_test, KeyEnforcedByAnotherIndexIsNoSkippedIndex) {
  const std::string source = fixture("generated/verifyValues.mdb");
  ASSERT_EQ(convert(source, "--silent").status, 0);
  const run_result before = verify(source);
  EXPECT_FALSE(contains(before.output, "index ")) << before.output;
  sql("ALTER TABLE \"Child\" DROP CONSTRAINT \"PrimaryKey00000\"");
  sql("CREATE INDEX \"CK\" ON \"Child\" (\"CID\", \"KindID\")");
  sql("ALTER TABLE \"Child\" ADD CONSTRAINT \"PrimaryKey00000\" PRIMARY KEY (\"CID\")");
  const run_result after = verify(source);
  EXPECT_EQ(after.status, 0) << after.output;
  EXPECT_FALSE(contains(after.output, "index ")) << after.output;
  // Without the key, the index is reported.
  sql("ALTER TABLE \"Child\" DROP CONSTRAINT \"PrimaryKey00000\"");
  const run_result dropped = verify(source);
  EXPECT_TRUE(
      contains(squeezed(dropped.output), "index Child.PrimaryKey not in Oracle (columns CID)"))
      << dropped.output;
}

// Each fixture of the corpus, converted cleanly, verifies equal; the ones
// that hold what no conversion carries list it.
struct corpus_case {
  const char* file;
  std::vector<const char*> not_carried_over;  // text lines expected in the report
};

class verify_corpus_test : public verify_test, public testing::WithParamInterface<corpus_case> {};

TEST_P(verify_corpus_test, CleanConversionVerifiesEqual) {
  const std::string source = fixture(GetParam().file);
  const run_result converted = convert(source, "--silent");
  ASSERT_EQ(converted.status, 0) << converted.output;
  const run_result r = verify(source);
  EXPECT_EQ(r.status, 0) << r.output;
  EXPECT_FALSE(contains(r.output, "DIFFERS")) << r.output;
  EXPECT_FALSE(contains(r.output, "MISSING")) << r.output;
  EXPECT_TRUE(contains(r.output, " 0 differing, 0 missing in Oracle, 0 missing in Access\n"))
      << r.output;
  for (const char* line : GetParam().not_carried_over)
    EXPECT_TRUE(contains(squeezed(r.output), squeezed(line))) << line << "\n" << r.output;
}

const corpus_case kCorpus[] = {
    {"generated/childFirstOrder.accdb", {}},
    {"generated/complexAttachPattern.accdb", {}},
    {"generated/damageTest.mdb", {}},
    {"generated/daoValues.mdb",
     {"  relationship  AValuesChild       Child -> Values: 1 orphaned rows (not enforced in "
      "Access)\n"}},
    {"generated/rerunNames.mdb", {}},
    {"generated/stopTest.mdb", {}},
    {"generated/verifyValues.mdb",
     // Its rules, their texts and the description are carried (CHECK
     // constraints and comments).
     {"  caption          Kinds.Txt          Text caption\n",
      "  input mask       Kinds.Txt          >L<??????\n",
      "  lookup           Kinds.Kind         rows from SELECT ID FROM NoKey\n",
      "  relationship     KindsChild         Child -> Kinds: cascade update not carried over "
      "(Oracle has none)\n",
      "  system table     MSysObjects\n"}},
    {"jackcess/calcFieldTestV2010.accdb",
     {"  calculated column  Table1.IsRich                             values converted, expression "
      "not: [Salary]>100000\n"}},
    {"jackcess/complexDataTestV2007.accdb", {}},
    {"jackcess/complexDataTestV2010.accdb",
     {"Table1_attach-data                  3            3  equal\n",
      "  attachment column        Table1.attach-data        values in Oracle table "
      "Table1_attach_data\n",
      "  multi-value column       Table1.multi-value-data   values in Oracle table "
      "Table1_multi_value_data\n"}},
    {"jackcess/delTestV2000.mdb", {}},
    {"jackcess/extDateTestV2019.accdb", {}},
    {"jackcess/fixedNumericTestV2000.mdb", {}},
    {"jackcess/indexTestV2000.mdb", {}},
    {"jackcess/linkerTestV2007.accdb",
     {"  linked table  Table2                                    linked to Table1 in "
      "Z:\\jackcess_test\\linkeeTest.accdb\n",
      "Table2 -> Table1: table Table2 not converted\n"}},
    {"jackcess/odbcLinkerTestV2007.accdb", {"linked through ODBC: "}},
    {"jackcess/oldDatesV2007.accdb", {}},
    {"jackcess/overflowTestV2000.mdb", {}},
    {"jackcess/queryTestV1997.mdb",
     {"  query         SelectQuery          select: DISTINCT over text (Oracle tells letter case "
      "apart)\n"}},
    {"jackcess/queryTestV2000.mdb",
     {"  query         SelectQuery          select: DISTINCT over text (Oracle tells letter case "
      "apart)\n",
      "  query         UnionQuery           union: Too few parameters. Expected 7.\n",
      "  query         CrosstabQuery        crosstab: Cannot have aggregate function in WHERE "
      "clause",
      "  query         DeleteQuery          action (delete)\n",
      "  query         PassthroughQuery     pass-through\n"}},
    {"jackcess/queryTestV2007.accdb", {"  query         AppendQuery          action (append)\n"}},
    {"jackcess/testEmoticonsV2010.accdb", {}},
    {"jackcess/testIndexPropertiesV2000.mdb", {}},
    {"jackcess/testV1997.mdb", {}},
    {"jackcess/testV2007.accdb", {}},
    {"jackcess/unsupportedFieldsTestV2007.accdb", {}},
    {"jackcessencrypt/db-enc.mdb", {}},
    {"mdbreader/bigint.accdb", {}},
    {"sql/sqlTest.mdb", {}},
    {"ucanaccess/size97.mdb", {}},
    {"ucanaccess/weirdObjectNames.mdb", {}},
};

INSTANTIATE_TEST_SUITE_P(Corpus, verify_corpus_test, testing::ValuesIn(kCorpus),
                         [](const testing::TestParamInfo<corpus_case>& case_info) {
                           std::string name;
                           for (const char* c = case_info.param.file; *c; ++c)
                             name += std::isalnum(static_cast<unsigned char>(*c)) ? *c : '_';
                           return name;
                         });

// Saved queries of every kind are listed by name and kind (and why a query
// has no view), in the file's order, and nothing else: no table of the file, no query of a form.
TEST_F(verify_test, SavedQueriesAreListedByNameAndKind) {
  const std::string source = fixture("generated/savedQueries.mdb");
  ASSERT_EQ(convert(source, "--silent").status, 0);
  const run_result r = verify(source);
  EXPECT_EQ(r.status, 0) << r.output;
  EXPECT_TRUE(contains(r.output, "4 tables: 4 equal, 0 differing")) << r.output;
  std::string expected = "Not carried over\n";
  auto line = [&](const std::string& kind, const std::string& name, const std::string& detail) {
    expected += "  " + kind + std::string(14 - kind.size(), ' ') + name;
    expected += detail.empty() ? "\n" : std::string(19 - name.size(), ' ') + detail + "\n";
  };
  for (const char* name :
       {"TopTwo", "TopPercent", "DistinctTop", "RowsInner", "RowsLeft", "RowsRight", "RowsComma"})
    line("query", name, "select");
  line("query", "BerlinOrFirst", "union");
  line("query", "BerlinOrFirstAll", "union");
  line("query", "RegionTotals", "crosstab");
  line("query", "RegionFixed", "crosstab");
  line("query", "OrdersAbove", "parameter");
  line("query", "CustTotals", "select");
  line("query", "BigSpenders", "select");
  for (int i = 1; i <= 51; ++i) line("query", "Chain" + std::to_string(i), "select");
  for (const char* name : {"CycleA", "CycleB", "BrokenJoin", "NoRows"})
    line("query", name, "select");
  line("query", "WideCrosstab", "crosstab");
  for (const char* name :
       {"MSysObjects", "MSysACEs", "MSysQueries", "MSysRelationships", "MSysAccessObjects"})
    line("system table", name, "");
  const size_t section = r.output.find("Not carried over\n");
  ASSERT_NE(section, std::string::npos) << r.output;
  // A query that has no view also gives why after its kind: the lines are
  // compared with the reasons taken out, a few reasons in full.
  std::string lines, reasons;
  for (size_t at = section; at < r.output.size();) {
    const size_t end = r.output.find('\n', at);
    std::string text = r.output.substr(at, end - at);
    if (const size_t reason = text.find(": "); reason != std::string::npos) {
      reasons += text.substr(text.find_first_not_of(' ')) + "\n";
      text.resize(reason);
    }
    lines += text + "\n";
    if (end == std::string::npos) break;
    at = end + 1;
  }
  EXPECT_EQ(lines, expected);
  for (const char* reason : {"OrdersAbove parameter: Too few parameters. Expected 1.\n",
                             "Chain51 select: Query is too complex.\n",
                             "CycleA select: Circular reference caused by 'CycleA'.\n",
                             "BigSpenders select: reads the query CustTotals, which has no view\n"})
    EXPECT_TRUE(contains(squeezed(reasons), reason)) << reason << "\n" << reasons;
}

TEST_F(verify_test, BadInputStopsWithTheConversionProgramsMessages) {
  // Each set of options gives TARVAGENT's message and status 255.
  const std::string good = " --dest=E2E --oraclh=localhost --oraclu=e2e --oraclp=e2e";
  const std::string sample = shell_quote(fixture("generated/daoValues.mdb"));
  const std::string bin = std::string(TARVEL_BIN) + "/";
  const std::string env = "cd " + shell_quote(dir_) +
                          " && TARVEL_OCI_LIB=embedded TARVEL_ORAEMB_DIR=" + shell_quote(dir_) +
                          " ";
  ASSERT_EQ(convert(fixture("generated/daoValues.mdb"), "--silent").status, 0);
  write_file(dir_ + "/empty.txt", "\n");
  write_file(dir_ + "/nosrc.tpf", "[Generic settings]\r\ndest=E2E\r\n");
  const std::vector<std::string> cases = {
      "--src=" + sample + " --oraclh=localhost",
      "--dest=E2E --oraclh=localhost",
      "--src=" + sample + " --dest=E2E",
      "--src=" + sample + good + " --sysdb=" + sample,
      "--src=" + shell_quote(dir_ + "/missing.mdb") + good,
      "--src=" + shell_quote(fixture("ucanaccess/password.mdb")) + " --accp=wrong" + good,
      "--src=" + sample + " --dest=E2E --oraclh=localhost --oraclu=e2e --oraclp=wrong",
      "--src=" + sample + good + " --tab_file=" + shell_quote(dir_ + "/none.txt"),
      "--src=" + sample + good + " --profile=" + sample,
      "--src=" + sample + good + " --tab_file=/dev/zero",
      "--src=" + sample + good + " --tab_file=" + shell_quote(dir_ + "/empty.txt"),
      "--profile=" + shell_quote(dir_ + "/nosrc.tpf"),
      "--src=" + sample +
          " --dest=E2E --oraclh=localhost --oraclu=e2e --oraclp=\"$(printf "
          "'e2e\\377')\"",
  };
  for (const std::string& options : cases) {
    const run_result agent = run_command(env + shell_quote(bin + "TARVAGENT") + " " + options);
    const run_result checker =
        run_command(env + shell_quote(bin + "tarvel-verify") + " " + options);
    EXPECT_EQ(agent.status, 255) << options << "\n" << agent.output;
    EXPECT_EQ(checker.status, 255) << options << "\n" << checker.output;
    EXPECT_EQ(checker.output, agent.output) << options;
  }
  // No Oracle client: the message names the library tried.
  const run_result no_client =
      run_command("TARVEL_OCI_LIB=" + shell_quote(dir_ + "/none.so") + " " +
                  shell_quote(bin + "tarvel-verify") + " --src=" + sample + good);
  EXPECT_EQ(no_client.status, 255);
  EXPECT_TRUE(contains(no_client.output, dir_ + "/none.so")) << no_client.output;
  // Its own options.
  const run_result format = verify(fixture("generated/daoValues.mdb"), "--format=xml");
  EXPECT_EQ(format.status, 255);
  EXPECT_EQ(format.output,
            "Invalid report format: use --format=text, --format=csv or --format=json\n");
  const run_result unknown = verify(fixture("generated/daoValues.mdb"), "--mode=2");
  EXPECT_EQ(unknown.status, 255);
  EXPECT_EQ(unknown.output.rfind("tarvel-verify v", 0), 0u) << unknown.output;
  const run_result help = run_command(shell_quote(bin + "tarvel-verify") + " --help");
  EXPECT_EQ(help.status, 0);
  EXPECT_TRUE(
      contains(help.output, "   --format=...   report format: text (default), csv or json\n"));
}

TEST_F(verify_test, ReportFileAndTableListAreHonoured) {
  const std::string source = fixture("generated/verifyValues.mdb");
  ASSERT_EQ(convert(source, "--silent").status, 0);
  sql("DELETE FROM \"NoKey\" WHERE \"ID\" = 0");
  std::ofstream(dir_ + "/tables.txt") << "Kinds\nChild\n";
  const run_result only = verify(source, "--tab_file=" + shell_quote(dir_ + "/tables.txt") +
                                             " --report=" + shell_quote(dir_ + "/report.txt"));
  EXPECT_EQ(only.status, 0) << only.output;
  EXPECT_EQ(only.output, "");
  const std::string report = read_file(dir_ + "/report.txt");
  EXPECT_TRUE(contains(report, "2 tables: 2 equal, 0 differing")) << report;
  EXPECT_FALSE(contains(report, "NoKey   ")) << report;
  struct stat st {};  // the report may name values: its owner's only
  ASSERT_EQ(stat((dir_ + "/report.txt").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  // A report that cannot be written says why.
  const std::string nowhere = dir_ + "/no-such-folder/report.txt";
  const run_result unwritten = verify(source, "--report=" + shell_quote(nowhere));
  EXPECT_EQ(unwritten.status, 255);
  EXPECT_TRUE(contains(unwritten.output,
                       "Cannot write the report file " + nowhere + ": No such file or directory"))
      << unwritten.output;
  const run_result all = verify(source);
  EXPECT_EQ(all.status, 1);
  EXPECT_TRUE(contains(squeezed(all.output), "NoKey 4 3 DIFFERS missing row (ID=0, Label='zero')"))
      << all.output;
}

// A database whose character set is Western European: Cyrillic, Greek,
// Chinese, Japanese and emoji reach short texts and memos intact (memos are
// NCLOB there, as the trace says), and the verifier reads them back equal.
TEST_F(verify_test, WorldTextInAWesternEuropeanDatabaseVerifiesEqual) {
  const std::string config = dir_ + "/oraemb.conf";
  std::ofstream(config) << "[service E2E] database_charset = WE8MSWIN1252\n";
  const std::string env = "TARVEL_ORAEMB_CONFIG=" + shell_quote(config) + " ";
  agent_env_ = env;
  const std::string source = fixture("generated/worldText.mdb");
  const run_result converted = convert(source);
  ASSERT_EQ(converted.status, 0) << converted.output;
  EXPECT_TRUE(contains(read_file(dir_ + "/trace.log"),
                       "Database character set WE8MSWIN1252: text columns are NVARCHAR2, memo "
                       "columns NCLOB"));
  const run_result r = verify(source, "", env);
  EXPECT_EQ(r.status, 0) << r.output;
  EXPECT_TRUE(contains(squeezed(r.output), "\nTexts 13 13 equal\n")) << r.output;
}

}  // namespace
