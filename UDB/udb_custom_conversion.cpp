// The rule list behind one global pointer; absent until a rule is added.
#include "UDB/udb_custom_conversion.h"

#include <vector>

#include "TK/tk_exception.h"
#include "TK/tk_trace.h"

namespace {
using rule_list = std::vector<std::unique_ptr<udb_conversion_rule>>;

std::unique_ptr<rule_list>& rules() {
  static std::unique_ptr<rule_list> list;
  return list;
}

template <class Pred>
const udb_conversion_rule* first_accepting(Pred accepts) {
  if (!rules()) return nullptr;
  for (const auto& rule : *rules())
    if (accepts(*rule)) return rule.get();
  return nullptr;
}
}  // namespace

bool udb_custom_conversion::is_acceptable1(const t_ftd& ftd) {
  tk_trace(1, "udb_custom_conversion::is_acceptable1");
  return first_accepting([&](const udb_conversion_rule& r) { return r.accepts_ftd(ftd); }) !=
         nullptr;
}

std::wstring udb_custom_conversion::handle1(const t_ftd& ftd) {
  tk_trace(1, "udb_custom_conversion::handle1");
  const udb_conversion_rule* rule =
      first_accepting([&](const udb_conversion_rule& r) { return r.accepts_ftd(ftd); });
  return rule ? rule->to_column_definition(ftd) : std::wstring();
}

bool udb_custom_conversion::is_acceptable2(const udb_field& value) {
  tk_trace(1, "udb_custom_conversion::is_acceptable2");
  return first_accepting([&](const udb_conversion_rule& r) { return r.accepts_value(value); }) !=
         nullptr;
}

std::wstring udb_custom_conversion::handle2(const udb_field& value) {
  tk_trace(1, "udb_custom_conversion::handle2");
  if (!rules() || rules()->empty()) return {};
  const udb_conversion_rule* rule =
      first_accepting([&](const udb_conversion_rule& r) { return r.accepts_value(value); });
  TK_ASSERT(rule != nullptr);
  return rule->to_literal(value);
}

void udb_custom_conversion::add_rule(std::unique_ptr<udb_conversion_rule> rule) {
  TK_ASSERT(rule != nullptr);
  if (!rules()) rules() = std::make_unique<rule_list>();
  rules()->push_back(std::move(rule));
}

void udb_custom_conversion::clear_rules() {
  rules().reset();
}
