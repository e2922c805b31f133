// The view translator over the Access file's own tables (see
// logic_view_refusal.h): tables under their Access names, saved queries
// translated in the order they read each other.
#include "logic/logic_view_refusal.h"

#include <deque>
#include <optional>
#include <utility>
#include <vector>

#include "TK/tk_text.h"
#include "access/dao/dao_rows.h"
#include "access/dao/dao_types.h"
#include "access/dao/jet_error.h"
#include "access/dao/jet_file.h"
#include "access/dao/jet_table.h"
#include "access/dao/sql/sql_engine.h"
#include "access/dao/sql/sql_parser.h"
#include "logic/logic_view.h"

namespace {

constexpr uint16_t kLocalTable = 1;
constexpr uint16_t kQuery = 5;
constexpr int16_t kFirstComplexType = DAO_TYPE_ATTACHMENT;

class file_catalog : public logic_catalog {
 public:
  explicit file_catalog(const jet_file& file) : file_(file) {}

  // The refusal of one query (empty when it translates).
  std::string refusal(const std::u16string& name) {
    translate(name);
    for (const auto& [access, result] : queries_)
      if (jet_same_name(access, name)) return result.reason;
    return "";
  }

  const logic_relation* relation(const std::u16string& name) override {
    for (const jet_object& o : file_.objects()) {
      if (!jet_same_name(o.name, name)) continue;
      if (o.type == kLocalTable) return table(o);
      if (o.type != kQuery) continue;
      translate(o.name);
      for (auto& [access, result] : queries_)
        if (jet_same_name(access, name)) return result.reason.empty() ? &result.view : nullptr;
    }
    return nullptr;
  }
  std::string missing(const std::u16string& name) override {
    for (const auto& [access, result] : queries_)
      if (jet_same_name(access, name))
        return "reads the query " + tk_utf16_to_utf8(name) + ", which has no view";
    return logic_catalog::missing(name);
  }

 private:
  struct translated {
    std::string reason;
    logic_relation view;
  };

  const logic_relation* table(const jet_object& o) {
    for (auto& [access, relation] : tables_)
      if (jet_same_name(access, o.name)) return relation ? &*relation : nullptr;
    tables_.emplace_back(o.name, std::nullopt);
    const size_t slot = tables_.size() - 1;
    try {
      const jet_table t(file_, o.tdef_page(), o.name);
      logic_relation r;
      r.oracle = tk_utf16_to_utf8(o.name);
      for (const dao_field_info& f : dao_describe_table(file_, o, t)) {
        logic_column c;
        c.access = f.name;
        c.oracle = tk_utf16_to_utf8(f.name);
        c.type = logic_type_of_dao(f.type);
        c.complex = f.type >= kFirstComplexType && f.type < DAO_TYPE_UNKNOWN;
        r.columns.push_back(std::move(c));
      }
      tables_[slot].second = std::move(r);
    } catch (const std::exception&) {
      return nullptr;  // the missing table's reason
    }
    return &*tables_[slot].second;
  }

  void translate(const std::u16string& name) {
    for (const auto& [access, result] : queries_)
      if (jet_same_name(access, name)) return;  // done, or being done (a cycle)
    queries_.emplace_back(name, translated{"being translated", {}});
    const size_t slot = queries_.size() - 1;
    translated out;
    try {
      const std::optional<std::u16string> text = sql_stored_query_text(file_, name);
      if (!text) {
        queries_[slot].second.reason.clear();
        return;
      }
      const auto plan = sql_plan_query(file_, u"SELECT * FROM [" + name + u"]");
      std::vector<std::u16string> names;
      for (const dao_field_info& f : plan->fields) names.push_back(f.name);
      const logic_view view = logic_translate_view(*sql_parse(*text), *this, {}, names);
      out.view.oracle = tk_utf16_to_utf8(name);
      out.view.columns = view.columns;
    } catch (const std::exception& e) {
      out.reason = e.what();
    }
    queries_[slot].second = std::move(out);
  }

  const jet_file& file_;
  // Deques: the translator holds relations while more are added.
  std::deque<std::pair<std::u16string, std::optional<logic_relation>>> tables_;
  std::deque<std::pair<std::u16string, translated>> queries_;
};

}  // namespace

std::vector<std::string> logic_view_refusals(const jet_file& file,
                                             const std::vector<std::u16string>& names) {
  file_catalog catalog(file);
  std::vector<std::string> out;
  for (const std::u16string& name : names) out.push_back(catalog.refusal(name));
  return out;
}
