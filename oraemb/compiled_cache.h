// The parsed forms of code stored in the catalogue that a session reuses
// from one statement to the next: column DEFAULT expressions and CHECK
// conditions by their text, and row triggers by object number, with whether
// they compile against the schema they were last checked with. The session
// drops them when the catalogue changes.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "oraemb/ast.h"
#include "oraemb/catalog.h"

namespace oraemb {

class CompiledCache {
 public:
  struct Trigger {
    ExprPtr when;  // null without a WHEN clause
    std::vector<PlStmt> body;
    bool valid = false;  // false: the trigger is invalid (ORA-04098 when it fires)
  };

  // The parsed DEFAULT expression of a column's default text.
  Expr& default_expr(const std::string& text);
  // The condition of a CHECK constraint of table `table_obj`, parsed and
  // handed to `prepare` (which resolves its columns) the first time.
  Expr& check_condition(int64_t table_obj, const std::string& text,
                        const std::function<void(Expr&)>& prepare);
  void clear_conditions() { conditions_.clear(); }
  // Trigger `obj` (`info`) parsed. It is checked again, with `compiles`,
  // when its text changed or `schema` is not the one it was checked against.
  Trigger& trigger(int64_t obj, const TriggerInfo& info,
                   const std::shared_ptr<const Schema>& schema,
                   const std::function<bool()>& compiles);
  void clear_triggers() { triggers_.clear(); }
  void clear() {
    defaults_.clear();
    conditions_.clear();
    triggers_.clear();
  }

 private:
  struct CheckedTrigger : Trigger {
    std::string text;
    std::shared_ptr<const Schema> checked;  // schema the check ran against
  };
  std::map<std::string, ExprPtr> defaults_;
  std::map<std::pair<int64_t, std::string>, ExprPtr> conditions_;
  std::map<int64_t, CheckedTrigger> triggers_;
};

}  // namespace oraemb
