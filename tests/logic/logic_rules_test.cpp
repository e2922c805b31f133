// Validation rules into CHECK conditions: each form a field's rule takes,
// table rules, and the rules Oracle cannot hold with their reasons.
#include "logic/logic_rules.h"

#include <gtest/gtest.h>

#include "access/dao/dao_types.h"

namespace {

const std::vector<logic_rule_column> kColumns = {{u"Price", "PRICE", DAO_TYPE_CURRENCY},
                                                 {u"Ratio", "Ratio", DAO_TYPE_DOUBLE},
                                                 {u"Born", "Born", DAO_TYPE_DATE},
                                                 {u"Code", "Code", DAO_TYPE_TEXT},
                                                 {u"Done", "Done", DAO_TYPE_BOOLEAN},
                                                 {u"Qty", "Qty", DAO_TYPE_INTEGER},
                                                 {u"Photo", "Photo", 11}};

struct rule_case {
  const char16_t* field;
  const char16_t* rule;
  const char* check;
};

TEST(LogicRules, FieldRulesTakeTheFieldAsLeftSide) {
  const rule_case cases[] = {
      {u"Price", u">0", R"(("PRICE" > 0))"},
      {u"Ratio", u"Between 0 And 1", R"((("Ratio" >= 0) AND ("Ratio" <= 1)))"},
      {u"Ratio", u"<=1 And >=0", R"((("Ratio" <= 1) AND ("Ratio" >= 0)))"},
      {u"Born", u"Is Null Or >=#1/1/1900#",
       R"((("Born" IS NULL) OR ("Born" >= TO_DATE('1900-01-01 00:00:00', 'YYYY-MM-DD HH24:MI:SS'))))"},
      {u"Born", u"<#12/31/1999 18:30#",
       R"(("Born" < TO_DATE('1999-12-31 18:30:00', 'YYYY-MM-DD HH24:MI:SS')))"},
      {u"Code", u"In (\"A\",\"b\")",
       R"(((LOWER("Code") = LOWER('A')) OR (LOWER("Code") = LOWER('b'))))"},
      {u"Code", u"Like \"A*\"", R"((LOWER("Code") LIKE LOWER('A%') ESCAPE '\'))"},
      {u"Code", u"Not Like \"*%*\"", R"((NOT (LOWER("Code") LIKE LOWER('%\%%') ESCAPE '\')))"},
      {u"Code", u"Like \"[A-C]#?\"", R"(REGEXP_LIKE("Code", '^[A-C][0-9].$', 'in'))"},
      {u"Code", u"Like \"[!x]*\"", R"(REGEXP_LIKE("Code", '^[^x].*$', 'in'))"},
      // # at a fixed place, from the start or from the end; between two * a
      // regular expression.
      {u"Code", u"Like \"A#?\"",
       R"((LOWER("Code") LIKE LOWER('A__') ESCAPE '\' AND SUBSTR("Code", 2, 1) BETWEEN '0' AND '9'))"},
      {u"Code", u"Like \"#*-##\"",
       R"((LOWER("Code") LIKE LOWER('_%-__') ESCAPE '\' AND SUBSTR("Code", 1, 1) BETWEEN '0' AND '9' AND SUBSTR("Code", -2, 1) BETWEEN '0' AND '9' AND SUBSTR("Code", -1, 1) BETWEEN '0' AND '9'))"},
      {u"Code", u"Like \"*#*\"", R"(REGEXP_LIKE("Code", '^.*[0-9].*$', 'in'))"},
      {u"Code", u"\"A\" Or \"B\"",
       R"(((LOWER("Code") = LOWER('A')) OR (LOWER("Code") = LOWER('B'))))"},
      {u"Code", u"Is Not Null", R"(("Code" IS NOT NULL))"},
      {u"Code", u"<>'x''y'", R"((LOWER("Code") <> LOWER('x''y')))"},
      {u"Qty", u"[Qty] Mod 2 = 0", R"((MOD("Qty", 2) = 0))"},
      {u"Done", u"True Or False", R"((((-"Done") = -1) OR ((-"Done") = 0)))"},
      {u"Qty", u"Not 5", R"((NOT ("Qty" = 5)))"},
      {u"Price", u"Round([Price],1)=[Price]",
       R"(((CASE WHEN ABS(("PRICE" * 1E1) - TRUNC(("PRICE" * 1E1))) = 0.5 THEN (TRUNC(("PRICE" * 1E1)) + MOD(TRUNC(("PRICE" * 1E1)), 2)) / 1E1 ELSE ROUND("PRICE", 1) END) = "PRICE"))"},
      {u"Code", u"Len([Code])=3 And Left([Code],1)<>\"Z\"",
       R"(((LENGTH("Code") = 3) AND (LOWER(SUBSTR("Code", 1, 1)) <> LOWER('Z'))))"},
  };
  for (const rule_case& c : cases) {
    const logic_rule_result r = logic_translate_rule(c.rule, kColumns, c.field);
    EXPECT_EQ(r.condition, c.check)
        << "rule " << std::string(c.rule, c.rule + std::char_traits<char16_t>::length(c.rule))
        << " refused: " << r.refusal;
  }
}

TEST(LogicRules, TableRulesNameTheirFields) {
  const logic_rule_result r =
      logic_translate_rule(u"[Price] > [Qty] Or [Code] Is Null", kColumns, u"");
  EXPECT_EQ(r.condition, R"((("PRICE" > "Qty") OR ("Code" IS NULL)))");
  // A table rule has no implicit left side.
  EXPECT_FALSE(logic_translate_rule(u">0", kColumns, u"").ok());
}

TEST(LogicRules, RulesOracleCannotHoldGiveTheirReason) {
  const struct {
    const char16_t* field;
    const char16_t* rule;
    const char* reason_part;
  } cases[] = {
      {u"Born", u"<Date()", "current date"},
      {u"Born", u"<=Now()", "current date"},
      {u"Price", u"<DLookUp(\"Max\",\"Limits\")", "another table"},
      {u"Price", u">MyLimit()", "unknown function MyLimit"},
      {u"Code", u"Like \"A*", "Access cannot read it"},
      {u"Code", u"In (\"A\",\"B\"", "Access cannot read it"},
      {u"Code", u"", "Access cannot read it"},
      {u"Code", u"<>\"\"", "empty text"},
      {u"Code", u">1", "different types"},
      {u"Price", u">[Other]", "not a field"},
      {u"Price", u"[Orders].[Price]>0", "outside the table"},
      {u"Photo", u"Is Not Null", "type a CHECK cannot"},
      {u"Qty", u"Xor 1", "Access cannot read it"},
      {u"Qty", u"Sum([Qty])>0", "aggregate"},
  };
  for (const auto& c : cases) {
    const logic_rule_result r = logic_translate_rule(c.rule, kColumns, c.field);
    EXPECT_FALSE(r.ok()) << r.condition;
    EXPECT_NE(r.refusal.find(c.reason_part), std::string::npos) << r.refusal;
  }
}

}  // namespace

#include "logic/logic_phase.h"

namespace {

TEST(LogicComments, ControlCharactersAndLengthAreMadeFitForOracle) {
  std::string changed;
  EXPECT_EQ(logic_comment_text("a\tb\r\nc", changed), "a\tb\r\nc");
  EXPECT_EQ(changed, "");
  EXPECT_EQ(logic_comment_text(std::string("a\x01"
                                           "b\x1f"),
                               changed),
            "a b ");
  EXPECT_EQ(changed, "control characters replaced by blanks");
  // 1,400 euro signs are 4,200 bytes: cut after the 1,333rd, never inside one.
  std::string euros;
  for (int i = 0; i < 1400; ++i) euros += "\xE2\x82\xAC";
  const std::string kept = logic_comment_text(euros, changed);
  EXPECT_EQ(kept.size(), 3999u);
  EXPECT_EQ(kept, euros.substr(0, 3999));
  EXPECT_EQ(changed, "cut to 3999 bytes (Oracle keeps 4000)");
}

}  // namespace
