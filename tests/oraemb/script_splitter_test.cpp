// The SQL client's splitting of script text into statements: semicolons
// inside quotes and comments, PL/SQL units ended by "/", several statements
// on one line, and very long lines.
#include "oraemb/client/script_splitter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "oraemb/client/describe.h"

namespace oraemb_client {
namespace {

using Statements = std::vector<std::string>;

TEST(ScriptSplitter, StatementsEndAtSemicolonsOutsideQuotesAndComments) {
  struct Case {
    const char* text;
    Statements expected;
  };
  const std::vector<Case> cases = {
      {"select 1 from dual;\nselect 2 from dual;", {"select 1 from dual", "select 2 from dual"}},
      {"select 1 from dual; select 2 from dual;select 3 from dual",
       {"select 1 from dual", "select 2 from dual", "select 3 from dual"}},
      {"insert into t values ('a;b', \"c;\");", {"insert into t values ('a;b', \"c;\")"}},
      {"insert into t values ('it''s; fine');", {"insert into t values ('it''s; fine')"}},
      {"select 1 -- not here;\nfrom dual;", {"select 1 -- not here;\nfrom dual"}},
      {"select /* a; b\n c; */ 1 from dual;", {"select /* a; b\n c; */ 1 from dual"}},
      {";;  ;\n;", {}},
      {"select 1 from dual", {"select 1 from dual"}},
      {"select 1 from dual;\r\nselect 2 from dual\r\n",
       {"select 1 from dual", "select 2 from dual"}},
      // A PL/SQL unit keeps its semicolons and ends at a "/" line, also when
      // it starts after another statement on the same line.
      {"begin\n  null;\nend;\n/\nselect 1 from dual;",
       {"begin\n  null;\nend;", "select 1 from dual"}},
      {"commit; create or replace trigger t before insert on x for each row\nbegin :new.a := 1; "
       "end;\n/",
       {"commit",
        "create or replace trigger t before insert on x for each row\nbegin :new.a := "
        "1; end;"}},
      {"select 1 from dual; /", {"select 1 from dual"}},
  };
  for (const Case& c : cases) EXPECT_EQ(ScriptSplitter::split(c.text), c.expected) << c.text;
}

TEST(ScriptSplitter, TypedLinesEndStatementsAsTheyArrive) {
  ScriptSplitter typed;
  EXPECT_EQ(typed.add_line("select 1"), Statements{});
  EXPECT_TRUE(typed.pending());
  EXPECT_EQ(typed.add_line("from dual; select"), Statements{"select 1\nfrom dual"});
  EXPECT_EQ(typed.add_line("2 from dual;"), Statements{"select\n2 from dual"});
  EXPECT_FALSE(typed.pending());
  EXPECT_EQ(typed.add_line("declare x number; begin"), Statements{});
  EXPECT_EQ(typed.add_line("x := 1; end;"), Statements{});
  EXPECT_EQ(typed.add_line(" / "), Statements{"declare x number; begin\nx := 1; end;"});
  EXPECT_EQ(typed.add_line("select 3 from dual"), Statements{});
  EXPECT_EQ(typed.finish(), Statements{"select 3 from dual"});
  EXPECT_FALSE(typed.pending());
}

// A line of many statements is split in one pass: neither the stack nor the
// time grows with the number of semicolons beyond what the statements need.
TEST(ScriptSplitter, LongLinesOfSemicolonsAndStatements) {
  EXPECT_EQ(ScriptSplitter::split(std::string(50000, ';')), Statements{});

  std::string many;
  for (int k = 0; k < 20000; ++k) many += "select 1 from dual;";
  const Statements split = ScriptSplitter::split(many + "select 2 from dual");
  ASSERT_EQ(split.size(), 20001u);
  EXPECT_EQ(split.front(), "select 1 from dual");
  EXPECT_EQ(split.back(), "select 2 from dual");

  ScriptSplitter typed;
  EXPECT_EQ(typed.add_line("begin" + std::string(50000, ';')), Statements{});
  EXPECT_EQ(typed.add_line("/").size(), 1u);
}

// DESCRIBE is a SQL*Plus command of one line: it needs no ";", and the
// word inside a statement under way is just a word.
TEST(ScriptSplitter, DescribeEndsWithItsLine) {
  EXPECT_EQ(ScriptSplitter::split("desc emp\nDESCRIBE \"Mixed\";\nselect 1 from dual;"),
            (Statements{"desc emp", "DESCRIBE \"Mixed\"", "select 1 from dual"}));
  ScriptSplitter typed;
  EXPECT_EQ(typed.add_line("select x"), Statements{});
  EXPECT_EQ(typed.add_line("desc"), Statements{});
  EXPECT_EQ(typed.add_line("from t;"), Statements{"select x\ndesc\nfrom t"});
  EXPECT_EQ(describe_target("desc emp;"), std::optional<std::string>("EMP"));
  EXPECT_EQ(describe_target("DESCRIBE \"Mixed Case\""), std::optional<std::string>("Mixed Case"));
  EXPECT_EQ(describe_target("desc scott.emp"), std::optional<std::string>("EMP"));
  EXPECT_EQ(describe_target("desc \"Scott\".\"a.b\""), std::optional<std::string>("a.b"));
  EXPECT_EQ(describe_target("desc"), std::optional<std::string>(""));
  EXPECT_EQ(describe_target("select 1 from dual"), std::nullopt);
}

}  // namespace
}  // namespace oraemb_client
