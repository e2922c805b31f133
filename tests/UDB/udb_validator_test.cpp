// Name validator: the order of the acceptability tests, the safe names with
// their numbered candidates, and the virtual slots get_safe_name goes through.
#include "UDB/udb_validator.h"

#include "TK/tk_exception.h"
#include "tests/TK/tk_test_support.h"

namespace {

std::wstring letters(size_t n, wchar_t first = L'a') {
  std::wstring s;
  for (size_t i = 0; i < n; ++i) s += static_cast<wchar_t>(first + i % 26);
  return s;
}

struct safe_case {
  const char* what;
  uint32_t max_len;
  std::wstring name;
  std::vector<std::wstring> restricted;
  std::vector<std::wstring> used;
  std::wstring expected;
  std::vector<wchar_t> illegal = {};
};

TEST(Validator, SafeNames) {
  const std::wstring n27 = letters(27), n25 = letters(25), n40 = letters(40);
  const safe_case cases[] = {
      {"too long: cut to max_len - 1", 30, letters(35), {}, {}, letters(29)},
      {"restricted 27: base of 24", 30, n27, {n27}, {}, letters(24) + L"00000"},
      {"restricted 27, first taken",
       30,
       n27,
       {n27},
       {letters(24) + L"00000"},
       letters(24) + L"00001"},
      {"restricted 25: not cut, 30 long", 30, n25, {n25}, {}, n25 + L"00000"},
      {"no limit: never cut", 0, n40, {n40}, {}, n40 + L"00000"},
      {"acceptable stays", 30, L"Orders", {}, {L"Customers"}, L"Orders"},
      {"restricted id", 30, L"id", {L"ID"}, {}, L"id00000"},
      {"taken in another case", 30, L"id", {L"id"}, {L"ID00000"}, L"id00001"},
      {"duplicate only", 30, L"Größe", {}, {L"GRÖSSE", L"gröSSe", L"GRÖßE"}, L"Größe00000"},
      {"limit below the suffix", 5, L"abc", {L"abc"}, {}, L"00000"},
      {"limit of 6", 6, L"abc", {L"abc"}, {L"00000"}, L"00001"},
      {"illegal blank", 30, L"Order Date", {}, {}, L"Order_Date", {L' ', L'-'}},
      {"cleaned but taken", 30, L"Order-Date", {}, {L"order_date"}, L"Order_Date00000", {L'-'}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    udb_validator v(c.max_len);
    v.restricted() = c.restricted;
    v.used_names() = c.used;
    v.illegal_chars() = c.illegal;
    EXPECT_EQ(v.get_safe_name(c.name), c.expected);
  }
}

class ValidatorTrace : public TraceTest {};

TEST_F(ValidatorTrace, AcceptabilityTestsInOrder) {
  udb_validator v(10);
  v.restricted() = {L"ÄRGER"};
  v.illegal_chars() = {L'#', L' '};
  EXPECT_TRUE(v.is_acceptable(L"Customers"));
  EXPECT_FALSE(v.is_acceptable(L"a long name#"));  // length is tested first
  EXPECT_TRUE(traced("The name is too long"));
  EXPECT_FALSE(v.is_acceptable(L"ärger"));
  EXPECT_TRUE(traced("The name is restricted"));
  EXPECT_FALSE(v.is_acceptable(L"a b#c"));  // the list order decides which one
  EXPECT_TRUE(traced("The name contains illegal: #"));
  EXPECT_TRUE(traced("udb_validator::is_acceptable(a b#c)"));
}

TEST_F(ValidatorTrace, DuplicatesIgnoreCaseAndTraceEachEntry) {
  udb_validator v(0);
  v.used_names() = {L"Orders", L"Ärger"};
  EXPECT_TRUE(v.is_duplicated(L"äRGER"));
  EXPECT_FALSE(v.is_duplicated(L"Order"));
  EXPECT_TRUE(traced("Processing Orders"));
  EXPECT_TRUE(traced("Processing Ärger"));
  v.add_mapped_pair(L"Order Date", L"Order_Date");
  EXPECT_TRUE(traced("udb_validator::add_mapped_pair(Order Date,Order_Date)"));
  EXPECT_EQ(v.mapped_pairs().get_mapped_name(L"Order Date", true), L"Order_Date");
}

// A destination validator that also refuses names ending in an even digit.
class odd_validator : public udb_validator {
 public:
  odd_validator() : udb_validator(30) {}
  bool is_acceptable(const std::wstring& name) override {
    return udb_validator::is_acceptable(name) &&
           (name.empty() || name.back() < L'0' || name.back() > L'9' || (name.back() - L'0') % 2);
  }
};

TEST(Validator, SafeNameGoesThroughTheVirtualSlots) {
  odd_validator v;
  v.restricted() = {L"x"};
  EXPECT_EQ(v.get_safe_name(L"x"), L"x00001");
  v.used_names() = {L"X00001"};
  EXPECT_EQ(v.get_safe_name(L"x"), L"x00003");
}

TEST(Validator, ExhaustedCandidatesAreAnInternalError) {
  udb_validator small(3);  // five digits never fit
  small.restricted() = {L"ab"};
  EXPECT_THROW(small.get_safe_name(L"ab"), tk_mail_assertion);
  udb_validator v(0);
  v.illegal_chars() = {L'_'};  // every candidate still holds the replacement
  EXPECT_THROW(v.get_safe_name(L"a_b"), tk_mail_assertion);
}

}  // namespace
