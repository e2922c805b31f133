// Access validation rules as Oracle CHECK conditions. A field's rule has
// the field as its implicit left side (">0", "Between 0 And 1", "<=1 And
// >=0", "In ("A","B")", "Like "A*""); a table's rule names its fields. A
// rule Oracle cannot hold (the current date, functions of other tables,
// user functions, text it cannot parse) gives the reason instead.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct logic_rule_column {
  std::u16string access;  // the field's name in Access
  std::string oracle;     // the column's name in Oracle (UTF-8, unquoted)
  int16_t dao_type = 0;
};

struct logic_rule_result {
  std::string condition;  // the CHECK condition (UTF-8), or empty
  std::string refusal;    // why there is none
  bool ok() const { return !condition.empty(); }
};

// `field` names the field whose rule it is; empty for a table's rule.
logic_rule_result logic_translate_rule(const std::u16string& rule,
                                       const std::vector<logic_rule_column>& columns,
                                       const std::u16string& field);

// Oracle's quoted identifier.
std::string logic_quote_name(const std::string& name);
