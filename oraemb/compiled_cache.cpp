// Parsing of DEFAULT expressions and trigger bodies, kept per session.
#include "oraemb/compiled_cache.h"

#include "oraemb/parser.h"

namespace oraemb {

Expr& CompiledCache::default_expr(const std::string& text) {
  auto found = defaults_.find(text);
  if (found == defaults_.end()) {
    Parser p(text);
    found = defaults_.emplace(text, p.parse_condition_only()).first;
  }
  return *found->second;
}

Expr& CompiledCache::check_condition(int64_t table_obj, const std::string& text,
                                     const std::function<void(Expr&)>& prepare) {
  auto key = std::make_pair(table_obj, text);
  auto found = conditions_.find(key);
  if (found == conditions_.end()) {
    ExprPtr e = Parser(text).parse_condition_only();
    prepare(*e);
    found = conditions_.emplace(std::move(key), std::move(e)).first;
  }
  return *found->second;
}

CompiledCache::Trigger& CompiledCache::trigger(int64_t obj, const TriggerInfo& info,
                                               const std::shared_ptr<const Schema>& schema,
                                               const std::function<bool()>& compiles) {
  CheckedTrigger& ct = triggers_[obj];
  // The texts compared where they lie: a trigger fires for every row.
  const size_t when = info.when_text.size();
  const bool same_text = ct.text.size() == when + 1 + info.body_text.size() &&
                         ct.text.compare(0, when, info.when_text) == 0 && ct.text[when] == '\n' &&
                         ct.text.compare(when + 1, std::string::npos, info.body_text) == 0;
  if (!same_text || ct.checked != schema) {
    ct.text = info.when_text + "\n" + info.body_text;
    ct.checked = schema;
    ct.valid = compiles();
    ct.when.reset();
    ct.body.clear();
    if (ct.valid) {
      if (!info.when_text.empty()) ct.when = Parser(info.when_text).parse_condition_only();
      ct.body = Parser(info.body_text).parse_block_only();
    }
  }
  return ct;
}

}  // namespace oraemb
