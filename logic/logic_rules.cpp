// Validation rules into CHECK conditions (see logic_rules.h), through the
// Access SQL layer's parser and the expression translator.
#include "logic/logic_rules.h"

#include "TK/tk_text.h"
#include "access/dao/jet_error.h"
#include "access/dao/jet_file.h"
#include "access/dao/sql/sql_parser.h"
#include "logic/logic_expr.h"

namespace {

class table_scope : public logic_scope {
 public:
  explicit table_scope(const std::vector<logic_rule_column>& columns) : columns_(columns) {}
  logic_value column(const sql_expr& e) override {
    if (!e.qualifier.empty())
      throw logic_refusal("refers to " + tk_utf16_to_utf8(e.qualifier) + "." +
                          tk_utf16_to_utf8(e.name) + ", outside the table");
    for (const logic_rule_column& c : columns_)
      if (jet_same_name(c.access, e.name)) {
        logic_value v{logic_quote_name(c.oracle), logic_type_of_dao(c.dao_type)};
        if (v.type == logic_type::other)
          throw logic_refusal("uses the field " + tk_utf16_to_utf8(e.name) +
                              ", whose type a CHECK cannot compare");
        v.plain_column = true;
        return v;
      }
    throw logic_refusal("refers to " + tk_utf16_to_utf8(e.name) +
                        ", which is not a field of the table");
  }

 private:
  const std::vector<logic_rule_column>& columns_;
};

}  // namespace

std::string logic_quote_name(const std::string& name) {
  return "\"" + name + "\"";
}

logic_rule_result logic_translate_rule(const std::u16string& rule,
                                       const std::vector<logic_rule_column>& columns,
                                       const std::u16string& field) {
  logic_rule_result out;
  try {
    const std::unique_ptr<sql_expr> parsed = sql_parse_rule(rule, field);
    table_scope scope(columns);
    logic_expr translator(scope, true);
    if (field.empty()) {
      out.condition = translator.condition(*parsed);
    } else {
      sql_expr self;
      self.what = sql_expr::kind::column;
      self.name = field;
      out.condition = translator.rule_condition(*parsed, self);
    }
  } catch (const logic_refusal& e) {
    out.refusal = e.what();
  } catch (const jet_failure& e) {
    out.refusal = std::string("Access cannot read it: ") + e.what();
  }
  return out;
}
