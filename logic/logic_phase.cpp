// The phase after the tables (see logic_phase.h): comments, CHECK
// constraints and views, read from the Access file's own catalog.
#include "logic/logic_phase.h"

#include <map>
#include <memory>
#include <optional>
#include <set>

#include "ORA/ora_database.h"
#include "ORA/ora_exception.h"
#include "ORA/ora_query_results.h"
#include "TK/tk_format.h"
#include "TK/tk_text.h"
#include "TK/tk_trace.h"
#include "UDB/udb_record.h"
#include "access/dao/dao_rows.h"
#include "access/dao/dao_types.h"
#include "access/dao/jet_error.h"
#include "access/dao/jet_file.h"
#include "access/dao/jet_table.h"
#include "access/dao/sql/sql_engine.h"
#include "access/dao/sql/sql_parser.h"
#include "logic/logic_rules.h"
#include "logic/logic_view.h"

namespace {

constexpr int32_t kRowsBreakRule = 2293;  // ORA-02293: cannot validate, rows break it
constexpr int32_t kNoSuchView = 942;      // ORA-00942 on DROP VIEW of a missing view
constexpr size_t kMaxCommentBytes = 4000;
constexpr int16_t kFirstComplexType = DAO_TYPE_ATTACHMENT;

std::string utf8(const std::u16string& s) {
  return tk_utf16_to_utf8(s);
}
std::string utf8(const std::wstring& s) {
  return tk_to_utf8(s);
}
std::string quote(const std::string& name) {
  return "\"" + name + "\"";
}
std::string comment_literal(const std::string& text) {
  std::string out = "'";
  for (char c : text) {
    out += c;
    if (c == '\'') out += '\'';
  }
  return out + "'";
}

// One converted table as the translators see it.
struct table_info {
  const jet_object* object = nullptr;
  std::wstring oracle;
  bool created = false;
  std::vector<dao_field_info> fields;
  logic_relation relation;
};

class phase : public logic_catalog {
 public:
  phase(const logic_run& run, ora_database& oracle, logic_report& report, jet_file& file)
      : run_(run), oracle_(oracle), report_(report), file_(file) {}

  void tables() {
    for (const logic_table_done& done : run_.tables) {
      if (stopped()) return;
      const jet_object* object = file_.find_table(tk_wide_to_utf16(done.access));
      if (object == nullptr || object->type != 1) continue;  // a child table of the run
      table_info info;
      info.object = object;
      info.oracle = done.oracle;
      info.created = done.created;
      try {
        const jet_table table(file_, object->tdef_page(), object->name);
        info.fields = dao_describe_table(file_, *object, table);
      } catch (const std::exception& e) {
        tk_trace(3, "Table definition of %s unreadable: %s", utf8(object->name), e.what());
        continue;
      }
      info.relation.oracle = utf8(done.oracle);
      for (const dao_field_info& f : info.fields) {
        logic_column c;
        c.access = f.name;
        c.oracle = utf8(oracle_.get_fn_mapped_name_ex(done.oracle, tk_utf16_to_wide(f.name)));
        c.type = logic_type_of_dao(f.type);
        c.complex = f.type >= kFirstComplexType && f.type < DAO_TYPE_UNKNOWN;
        info.relation.columns.push_back(std::move(c));
      }
      if (!done.skipped) comments(info);
      if (info.created) rules(info);
      tables_.emplace(tk_wide_to_utf16(done.access), std::move(info));
    }
  }

  void views() {
    std::vector<std::u16string> names;
    for (const jet_object& o : file_.objects())
      if (o.type == 5 && !o.name.empty() && o.name[0] != u'~') names.push_back(o.name);
    // Names are planned in the catalog's order, whatever order the views
    // are made in, as the verifier plans them.
    for (const std::u16string& name : names) view_name(name);
    if (run_.overwrite) {
      // Views an earlier run made go first, so that one that cannot be made
      // now does not stay over the new tables.
      for (const std::u16string& name : names) {
        try {
          oracle_.query(L"DROP VIEW \"" + view_name(name) + L"\"");
        } catch (const ora_exception& e) {
          if (e.oracle_error() != kNoSuchView) tk_trace(2, "DROP VIEW: %s", e.what());
        }
      }
    }
    for (const std::u16string& name : names) {
      if (stopped()) return;
      make_view(name);
    }
  }

  // logic_catalog: converted tables, and saved queries made views.
  const logic_relation* relation(const std::u16string& name) override {
    for (auto& [access, info] : tables_)
      if (jet_same_name(access, name)) return &info.relation;
    for (const jet_object& o : file_.objects()) {
      if (o.type != 5 || !jet_same_name(o.name, name)) continue;
      make_view(o.name);
      for (auto& [access, view] : views_)
        if (jet_same_name(access, name)) return view ? &*view : nullptr;
    }
    return nullptr;
  }
  std::string missing(const std::u16string& name) override {
    for (const auto& [access, view] : views_)
      if (jet_same_name(access, name))
        return "reads the query " + utf8(name) + ", which has no view";
    return "reads " + utf8(name) + ", a table this run did not convert";
  }

 private:
  bool stopped() const { return run_.stop_requested && run_.stop_requested(); }
  std::wstring view_name(const std::u16string& name) const {
    return run_.view_name ? run_.view_name(tk_utf16_to_wide(name)) : tk_utf16_to_wide(name);
  }

  void note(const std::string& line) {
    tk_trace(3, "%s", line);
    report_.note(line);
  }

  std::optional<std::string> property(const jet_object& o, const std::u16string* column,
                                      const char* key) const {
    auto value = column ? file_.column_property(o, *column, key) : file_.object_property(o, key);
    if (!value || value->empty()) return std::nullopt;
    return value;
  }

  void run_statement(const std::wstring& object, const std::string& sql) {
    try {
      oracle_.query(tk_to_wide(sql));
    } catch (const ora_exception& e) {
      report_.error(object, e);
    }
  }

  // ---- comments
  void comments(const table_info& info) {
    const std::string table = utf8(info.object->name);
    auto table_description = property(*info.object, nullptr, "Description");
    auto table_validation = property(*info.object, nullptr, "ValidationText");
    if (table_description || table_validation) {
      std::string text = table_description.value_or("");
      if (table_validation)
        text += (text.empty() ? "" : "\n") + std::string("Validation: ") + *table_validation;
      comment(table, "COMMENT ON TABLE " + quote(utf8(info.oracle)) + " IS ", text);
    }
    for (size_t i = 0; i < info.fields.size(); ++i) {
      const std::u16string& field = info.fields[i].name;
      auto description = property(*info.object, &field, "Description");
      auto validation = property(*info.object, &field, "ValidationText");
      if (!description && !validation) continue;
      std::string text = description.value_or("");
      if (validation)
        text += (text.empty() ? "" : "\n") + std::string("Validation: ") + *validation;
      comment(table + "." + utf8(field),
              "COMMENT ON COLUMN " + quote(utf8(info.oracle)) + "." +
                  quote(info.relation.columns[i].oracle) + " IS ",
              text);
    }
  }

  void comment(const std::string& object, const std::string& statement, const std::string& text) {
    std::string changed;
    const std::string kept = logic_comment_text(text, changed);
    if (!changed.empty()) note("Description of " + object + ": " + changed);
    run_statement(tk_to_wide(object), statement + comment_literal(kept));
  }

  // ---- rules
  void rules(const table_info& info) {
    std::vector<logic_rule_column> columns;
    for (size_t i = 0; i < info.fields.size(); ++i)
      columns.push_back({info.fields[i].name, info.relation.columns[i].oracle,
                         info.relation.columns[i].complex ? int16_t(0) : info.fields[i].type});
    const std::string table = utf8(info.object->name);
    for (const dao_field_info& f : info.fields)
      if (auto rule = property(*info.object, &f.name, "ValidationRule"))
        check(info, table + "." + utf8(f.name), *rule, columns, f.name);
    if (auto rule = property(*info.object, nullptr, "ValidationRule"))
      check(info, table, *rule, columns, u"");
  }

  void check(const table_info& info, const std::string& object, const std::string& rule,
             const std::vector<logic_rule_column>& columns, const std::u16string& field) {
    const logic_rule_result r = logic_translate_rule(tk_utf8_to_utf16(rule), columns, field);
    if (!r.ok()) {
      note("Validation rule of " + object + " not carried over: " + rule + ": " + r.refusal);
      return;
    }
    const std::string table = quote(utf8(info.oracle));
    const std::string add = "ALTER TABLE " + table + " ADD CHECK (" + r.condition + ")";
    try {
      oracle_.query(tk_to_wide(add));
      tk_trace(2, "Validation rule of %s: CHECK %s", object, r.condition);
      return;
    } catch (const ora_exception& e) {
      if (e.oracle_error() != kRowsBreakRule) {
        tk_trace(2, "Refused: %s", add);
        report_.error(tk_to_wide(object), e);
        return;
      }
    }
    // Access keeps rows older than the rule; the constraint checks new rows.
    std::string count = "?";
    try {
      const std::wstring sql =
          tk_to_wide("SELECT TO_CHAR(COUNT(*)) FROM " + table + " WHERE NOT (" + r.condition + ")");
      ora_query_results rows(L"", sql);
      rows.initialize(0, sql);
      if (!rows.is_eof())
        if (const udb_record* row = rows.get_item(); row && row->size() == 1)
          count = tk_to_utf8((*row)[0].to_wstring());
    } catch (const tk_exception& e) {
      tk_trace(2, "Rows breaking the rule not counted: %s", e.what());
    }
    try {
      oracle_.query(tk_to_wide(add + " ENABLE NOVALIDATE"));
      note("Validation rule of " + object + " (" + rule + "): " + count +
           " existing rows break it; the CHECK constraint is ENABLE NOVALIDATE");
    } catch (const ora_exception& e) {
      report_.error(tk_to_wide(object), e);
    }
  }

  // ---- views
  void make_view(const std::u16string& name) {
    for (const auto& [access, view] : views_)
      if (jet_same_name(access, name)) return;  // made, refused, or being made (a cycle)
    views_.emplace_back(name, std::nullopt);
    const size_t slot = views_.size() - 1;
    const std::string shown = utf8(name);
    logic_view view;
    try {
      const std::optional<std::u16string> text = sql_stored_query_text(file_, name);
      if (!text) return;  // an action or pass-through query: no rows to show
      // The Access SQL layer's own check: parameters, forms, missing tables,
      // cycles and syntax are refused with the engine's error.
      const auto plan = sql_plan_query(file_, u"SELECT * FROM [" + name + u"]");
      std::vector<std::u16string> names;
      for (const dao_field_info& f : plan->fields) names.push_back(f.name);
      logic_view_options options;
      options.row_limiting = oracle_.server_version() >= (12 << 16);
      options.uppercase = oracle_.uppercase();
      options.max_name_bytes = oracle_.max_identifier_bytes();
      view = logic_translate_view(*sql_parse(*text), *this, options, names);
    } catch (const jet_failure& e) {
      note("Query " + shown + " not carried over: " + e.what());
      return;
    } catch (const logic_refusal& e) {
      note("Query " + shown + " not carried over: " + e.what());
      return;
    } catch (const std::exception& e) {
      // The file's own damage (a query's rows unreadable): this query only.
      note("Query " + shown + " not carried over: " + e.what());
      return;
    }
    const std::wstring oracle_name = view_name(name);
    try {
      oracle_.query(L"CREATE OR REPLACE VIEW \"" + oracle_name + L"\" AS " +
                    tk_to_wide(view.select));
    } catch (const ora_exception& e) {
      tk_trace(2, "Refused: %s", view.select);
      report_.error(tk_utf16_to_wide(name), e);
      return;
    }
    note("Query " + shown + " as view " + utf8(oracle_name));
    logic_relation relation;
    relation.oracle = utf8(oracle_name);
    relation.columns = view.columns;
    views_[slot].second = std::move(relation);
  }

  const logic_run& run_;
  ora_database& oracle_;
  logic_report& report_;
  jet_file& file_;
  std::map<std::u16string, table_info> tables_;
  std::vector<std::pair<std::u16string, std::optional<logic_relation>>> views_;
};

}  // namespace

std::string logic_comment_text(const std::string& text, std::string& changed) {
  std::string out;
  bool control = false;
  for (unsigned char c : text) {
    if (c < 0x20 && c != '\t' && c != '\n' && c != '\r') {
      out += ' ';
      control = true;
    } else {
      out += static_cast<char>(c);
    }
  }
  changed = control ? "control characters replaced by blanks" : "";
  if (out.size() > kMaxCommentBytes) {
    size_t cut = kMaxCommentBytes;
    while (cut > 0 && (static_cast<unsigned char>(out[cut]) & 0xC0) == 0x80) --cut;
    out.resize(cut);
    changed += std::string(changed.empty() ? "" : "; ") + "cut to " + std::to_string(cut) +
               " bytes (Oracle keeps 4000)";
  }
  return out;
}

void logic_carry_over(const logic_run& run, ora_database& oracle, logic_report& report) {
  tk_trace(2, "logic_carry_over");
  std::unique_ptr<jet_file> file;
  try {
    file = jet_file::open(tk_to_utf8(run.source), tk_wide_to_utf16(run.password));
  } catch (const std::exception& e) {
    tk_trace(3, "The source's logic is not read: %s", e.what());
    return;
  }
  phase p(run, oracle, report, *file);
  p.tables();
  if (run.views) p.views();
}
