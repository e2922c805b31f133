// libFuzzer target: a query text (bytes read as Latin-1) parsed, bound to a
// small fixed catalog of tables and stored queries, translated and prepared
// by SQLite over empty staging tables; the same text read as a field's and
// a table's validation rule and written as a CHECK condition, and a parsed
// query written as an Oracle view. Looks for crashes, sanitizer reports and
// hangs only; DAO errors and refusals are the expected outcome of most inputs.
#include <cstdint>
#include <string>

#include "access/dao/jet_error.h"
#include "access/dao/sql/sql_engine.h"
#include "access/dao/sql/sql_parser.h"
#include "logic/logic_rules.h"
#include "logic/logic_view.h"

namespace {

dao_field_info column(const char16_t* name, int16_t type) {
  dao_field_info f;
  f.name = name;
  f.type = type;
  return f;
}

class fixed_catalog : public sql_catalog {
 public:
  fixed_catalog() {
    customers_.name = u"Customers";
    customers_.columns = {column(u"ID", 4),     column(u"Company Name", 10), column(u"Since", 8),
                          column(u"Active", 1), column(u"Credit", 5),        column(u"Notes", 12)};
    orders_.name = u"Orders";
    orders_.columns = {column(u"OrderID", 4), column(u"CustomerID", 4), column(u"Amount", 5),
                       column(u"Qty", 3),     column(u"Rate", 7),       column(u"Weight", 20),
                       column(u"Key", 15),    column(u"Photo", 11)};
  }
  const sql_catalog_table* table(const std::u16string& name) override {
    if (name == u"Customers" || name == u"customers") return &customers_;
    if (name == u"Orders" || name == u"orders") return &orders_;
    return nullptr;
  }
  std::optional<std::u16string> query(const std::u16string& name) override {
    if (name == u"Q") return u"SELECT ID, [Company Name] AS N FROM Customers";
    if (name == u"Loop") return u"SELECT * FROM Loop";
    if (name == u"U")
      return u"SELECT ID FROM Customers\r\nUNION ALL SELECT CustomerID FROM Orders\r\nORDER BY ID;";
    if (name == u"X")
      return u"TRANSFORM Sum(Amount) AS S\r\nSELECT CustomerID\r\nFROM Orders\r\n"
             u"GROUP BY CustomerID\r\nPIVOT Qty;";
    if (name == u"P")
      return u"PARAMETERS [Least] Long;\r\nSELECT ID FROM Customers WHERE ID > Least;";
    return std::nullopt;
  }

 private:
  sql_catalog_table customers_, orders_;
};

// The same tables as the run would have converted them.
class oracle_catalog : public logic_catalog {
 public:
  oracle_catalog() {
    customers_ = {"CUSTOMERS",
                  {{u"ID", "ID", logic_type::integer},
                   {u"Company Name", "Company_Name", logic_type::text},
                   {u"Since", "Since", logic_type::date},
                   {u"Active", "Active", logic_type::yes_no},
                   {u"Credit", "Credit", logic_type::number}}};
  }
  const logic_relation* relation(const std::u16string& name) override {
    return name == u"Customers" ? &customers_ : nullptr;
  }

 private:
  logic_relation customers_;
};

const std::vector<logic_rule_column> kRuleColumns = {{u"ID", "ID", 4},
                                                     {u"Company Name", "Company_Name", 10},
                                                     {u"Since", "Since", 8},
                                                     {u"Active", "Active", 1},
                                                     {u"Credit", "Credit", 5}};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 20000) return 0;
  std::u16string text;
  for (size_t i = 0; i < size; ++i) text.push_back(char16_t(data[i]));
  fixed_catalog catalog;
  try {
    sql_plan_with(catalog, text);
  } catch (const jet_failure&) {
  }
  logic_translate_rule(text, kRuleColumns, u"Credit");
  logic_translate_rule(text, kRuleColumns, u"");
  try {
    oracle_catalog oracle;
    logic_view_options options;
    options.row_limiting = size % 2 == 0;
    logic_translate_view(*sql_parse(text), oracle, options, {});
  } catch (const jet_failure&) {
  } catch (const logic_refusal&) {
  }
  return 0;
}
