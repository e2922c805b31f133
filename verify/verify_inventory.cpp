// The "not carried over" list.
#include "verify/verify_inventory.h"

#include <map>
#include <memory>
#include <optional>
#include <unordered_set>

#include "ORA/ora_canonical_rows.h"
#include "ORA/ora_database.h"
#include "ORA/ora_query_results.h"
#include "TK/tk_compare.h"
#include "TK/tk_exception.h"
#include "TK/tk_format.h"
#include "TK/tk_text.h"
#include "TK/tk_trace.h"
#include "TK/tk_wstring.h"
#include "UDB/udb_database.h"
#include "UDB/udb_record.h"
#include "access/dao/dao_rows.h"
#include "access/dao/jet_cursor.h"
#include "access/dao/jet_file.h"
#include "access/dao/jet_table.h"
#include "logic/logic_rules.h"
#include "logic/logic_view_refusal.h"
#include "verify/verify_sides.h"

namespace {

// MSysObjects types and flags.
constexpr int16_t kLocalTable = 1;
constexpr int16_t kQuery = 5;
constexpr int16_t kOdbcLink = 4;
constexpr int16_t kLinkedTable = 6;
constexpr uint32_t kSystemFlags = 0x80000002;
// MSysQueries: the attribute of a parameter row.
constexpr int64_t kParameterAttribute = 2;
// MSysRelationships grbit.
constexpr int64_t kNotEnforced = 0x2;
constexpr int64_t kCascadeUpdate = 0x100;
// Column properties: a list or combo box shows a lookup.
const char* const kLookupControls[] = {"110", "111"};

std::string utf8(std::u16string_view text) {
  return tk_utf16_to_utf8(text);
}
std::string utf8(const std::wstring& text) {
  return tk_to_utf8(text);
}

bool is_system(const jet_object& o) {
  return o.type == kLocalTable && ((o.flags & kSystemFlags) != 0 || o.name.rfind(u"MSys", 0) == 0);
}

// The rows of a system table as column name -> value text, read raw.
std::vector<std::map<std::string, std::string>> read_system_table(const jet_file& file,
                                                                  const std::u16string& name) {
  std::vector<std::map<std::string, std::string>> rows;
  const jet_object* object = file.find_table(name);
  if (object == nullptr) return rows;
  jet_table table(file, object->tdef_page(), object->name);
  jet_cursor cursor(file, table);
  jet_value v;
  while (cursor.next()) {
    std::map<std::string, std::string> row;
    for (size_t c = 0; c < table.columns().size(); ++c) {
      cursor.value(c, v);
      std::string text;
      if (v.kind == jet_kind::text)
        text = utf8(v.text);
      else if (!v.is_null() && v.kind != jet_kind::binary)
        text = std::to_string(v.i64);
      row.emplace(utf8(table.columns()[c].name), text);
    }
    rows.push_back(std::move(row));
  }
  return rows;
}

class inventory {
 public:
  inventory(const verify_settings& settings, udb_database& source,
            const std::function<std::wstring(const std::wstring&)>& oracle_name,
            const std::set<std::wstring>& paired, const verify_column_names& columns,
            ora_database& oracle, const std::set<std::wstring>& viewed)
      : viewed_(viewed),
        settings_(settings),
        source_(source),
        oracle_name_(oracle_name),
        paired_(paired),
        columns_(columns),
        oracle_(oracle) {
    file_ = jet_file::open(tk_file_name_from_wide(settings.source),
                           tk_wide_to_utf16(settings.database_password));
  }

  std::vector<verify_omission> collect() {
    queries();
    tables();
    relationships();
    return std::move(out_);
  }

 private:
  void add(std::string kind, std::string object, std::string detail) {
    out_.push_back({std::move(kind), std::move(object), std::move(detail)});
  }

  // The Oracle name the conversion gave a column of a compared table (a
  // name Oracle refuses is replaced); the name itself, in the run's case,
  // for a table that was not compared.
  std::wstring oracle_column(const std::wstring& table, const std::wstring& column) const {
    if (auto t = columns_.find(table); t != columns_.end()) {
      if (auto c = t->second.find(column); c != t->second.end()) return c->second;
      for (const auto& [access, oracle] : t->second)
        if (tk_wcs_equal_nocase(access, column)) return oracle;
    }
    return settings_.uppercase ? tk_wstring(column).to_upper() : column;
  }

  bool converted_query(const std::u16string& name) const {
    for (const auto& [query, text] : settings_.queries)
      if (!text.empty() && tk_wcs_equal_nocase(query, tk_utf16_to_wide(name))) return true;
    for (const std::wstring& query : viewed_)
      if (tk_wcs_equal_nocase(query, tk_utf16_to_wide(name))) return true;
    return false;
  }

  // What a converted table holds of the source's logic: its comment, its
  // columns' comments and its CHECK conditions. Empty for a table that was
  // not converted or a dictionary that has none of them.
  struct carried_logic {
    bool table_comment = false;
    std::set<std::wstring> column_comments;
    std::set<std::string> checks;
  };
  carried_logic carried(const std::wstring& dest) const {
    carried_logic out;
    if (paired_.count(dest) == 0 || !oracle_.is_table_exist(dest)) return out;
    const std::wstring table = verify_quote_text(dest);
    try {
      for (const auto& row :
           ora_query_texts(L"SELECT comments FROM user_tab_comments WHERE table_name = " + table))
        out.table_comment = out.table_comment || !row.at(0).empty();
      for (const auto& row : ora_query_texts(
               L"SELECT column_name, comments FROM user_col_comments WHERE table_name = " + table))
        if (!row.at(1).empty()) out.column_comments.insert(row.at(0));
      for (const auto& row :
           ora_query_texts(L"SELECT search_condition FROM user_constraints WHERE table_name = " +
                           table + L" AND constraint_type = 'C'"))
        out.checks.insert(utf8(row.at(0)));
    } catch (const tk_exception& e) {
      tk_trace(3, "verify: comments and checks of %s not read: %s", utf8(dest), e.what());
    }
    return out;
  }

  void queries() {
    std::set<int64_t> with_parameters;
    for (const auto& row : read_system_table(*file_, u"MSysQueries")) {
      auto attribute = row.find("Attribute"), object = row.find("ObjectId");
      if (attribute != row.end() && object != row.end() && !object->second.empty() &&
          attribute->second == std::to_string(kParameterAttribute))
        with_parameters.insert(std::stoll(object->second));
    }
    std::vector<const jet_object*> left;
    std::vector<std::u16string> names;
    for (const jet_object& o : file_->objects()) {
      // Queries whose name starts with "~" belong to forms and reports.
      if (o.type != kQuery || o.name.empty() || o.name[0] == u'~' || converted_query(o.name))
        continue;
      left.push_back(&o);
      names.push_back(o.name);
    }
    // The kind, then why the query cannot be a view, as the run says it.
    std::vector<std::string> reasons(names.size());
    try {
      reasons = logic_view_refusals(*file_, names);
    } catch (const std::exception& e) {
      tk_trace(3, "verify: reasons of the queries not found: %s", e.what());
    }
    for (size_t i = 0; i < left.size(); ++i) {
      const jet_object& o = *left[i];
      const std::string kind = verify_query_kind(o.flags, with_parameters.count(o.id) != 0);
      add("query", utf8(o.name), reasons[i].empty() ? kind : kind + ": " + reasons[i]);
    }
  }

  void tables() {
    for (const jet_object& o : file_->objects()) {
      if (o.type == kLinkedTable) {
        add("linked table", utf8(o.name),
            "linked to " + utf8(o.foreign_name) + " in " + utf8(o.database));
      } else if (o.type == kOdbcLink) {
        add("linked table", utf8(o.name),
            "linked through ODBC: " + verify_connect_without_password(utf8(o.connect)));
      } else if (is_system(o)) {
        add("system table", utf8(o.name), "");
      } else if (o.type == kLocalTable) {
        columns(o);
      }
    }
  }

  std::optional<std::string> property(const jet_object& o, const std::u16string& column,
                                      const char* key) const {
    auto value = file_->column_property(o, column, key);
    if (value && value->empty()) return std::nullopt;
    return value;
  }

  void columns(const jet_object& o) {
    const std::string table_name = utf8(o.name);
    std::unique_ptr<jet_table> table;
    try {
      table = std::make_unique<jet_table>(*file_, o.tdef_page(), o.name);
    } catch (const std::exception& e) {
      tk_trace(3, "verify: table definition of %s unreadable: %s", table_name, e.what());
      return;
    }
    const std::wstring dest = oracle_name_(tk_utf16_to_wide(o.name));
    const carried_logic held = carried(dest);
    // The rules as the conversion writes them, to find them among the
    // table's CHECK conditions.
    std::vector<logic_rule_column> rule_columns;
    const bool converted = paired_.count(dest) != 0 && oracle_.is_table_exist(dest);
    if (converted) {
      try {
        for (const dao_field_info& f : dao_describe_table(*file_, o, *table))
          rule_columns.push_back(
              {f.name, utf8(oracle_column(dest, tk_utf16_to_wide(f.name))),
               f.type >= DAO_TYPE_ATTACHMENT && f.type < DAO_TYPE_UNKNOWN ? int16_t(0) : f.type});
      } catch (const std::exception& e) {
        tk_trace(3, "verify: fields of %s not described: %s", table_name, e.what());
      }
    }
    // A rule of a converted table: held by a CHECK constraint, or listed
    // with the reason Oracle cannot hold it.
    std::string why;
    auto rule_held = [&](const std::string& rule, const std::u16string& field) {
      why.clear();
      if (!converted) return false;
      const logic_rule_result r = logic_translate_rule(tk_utf8_to_utf16(rule), rule_columns, field);
      if (!r.ok()) why = ": " + r.refusal;
      return r.ok() && held.checks.count(r.condition) != 0;
    };
    // Properties of the table itself.
    for (const auto& [key, kind] : {std::pair{"ValidationRule", "validation rule"},
                                    std::pair{"ValidationText", "validation text"},
                                    std::pair{"Description", "description"}}) {
      auto value = file_->object_property(o, key);
      if (!value || value->empty()) continue;
      if (std::string(key) != "ValidationRule" && held.table_comment) continue;
      if (std::string(key) == "ValidationRule" && rule_held(*value, u"")) continue;
      add(kind, table_name, *value + (std::string(key) == "ValidationRule" ? why : ""));
    }

    std::vector<udb_child_table> children;
    try {
      children = source_.child_tables(tk_utf16_to_wide(o.name));
    } catch (const tk_exception&) {
    }
    for (const udb_child_table& child : children) {
      const std::wstring child_table = oracle_name_(tk_utf16_to_wide(o.name) + L"_" + child.column);
      add(utf8(child.kind) + " column", table_name + "." + utf8(child.column),
          paired_.count(child_table) != 0 && oracle_.is_table_exist(child_table)
              ? "values in Oracle table " + utf8(child_table)
              : "values not in Oracle");
    }
    for (const jet_column& c : table->columns()) {
      const std::string object = table_name + "." + utf8(c.name);
      const bool commented =
          held.column_comments.count(oracle_column(dest, tk_utf16_to_wide(c.name))) != 0;
      if (auto rule = property(o, c.name, "ValidationRule"); rule && !rule_held(*rule, c.name))
        add("validation rule", object, *rule + why);
      if (auto text = property(o, c.name, "ValidationText"); text && !commented)
        add("validation text", object, *text);
      if (auto text = property(o, c.name, "Description"); text && !commented)
        add("description", object, *text);
      if (auto text = property(o, c.name, "Caption")) add("caption", object, *text);
      if (auto text = property(o, c.name, "InputMask")) add("input mask", object, *text);
      const auto control = property(o, c.name, "DisplayControl");
      if (control && (*control == kLookupControls[0] || *control == kLookupControls[1])) {
        const auto rows = property(o, c.name, "RowSource");
        add("lookup", object, rows ? "rows from " + *rows : "");
      }
      if (c.type == JET_COMPLEX) {
        // Carried as child tables below; a memo's version history is the
        // child table of the memo column.
        bool child = false;
        for (const udb_child_table& t : children)
          child = child || tk_wcs_equal_nocase(t.column, tk_utf16_to_wide(c.name));
        if (!child && c.name.rfind(u"VersionHistory_", 0) != 0)
          add("complex column", object, "values not in Oracle");
      } else if (c.calculated()) {
        const auto expression = property(o, c.name, "Expression");
        add("calculated column", object,
            "values converted, expression not" + (expression ? ": " + *expression : std::string()));
      }
    }
    indexes(o, *table);
  }

  // Access indexes that no Oracle index or key of the converted table
  // matches by columns.
  void indexes(const jet_object& o, const jet_table& table) {
    const std::wstring dest = oracle_name_(tk_utf16_to_wide(o.name));
    if (paired_.count(dest) == 0 || !oracle_.is_table_exist(dest)) return;
    std::map<std::wstring, std::vector<std::wstring>> oracle_indexes;
    for (const auto& row : ora_query_texts(
             L"SELECT index_name, column_name FROM user_ind_columns WHERE table_name = " +
             verify_quote_text(dest) + L" ORDER BY index_name, column_position"))
      oracle_indexes[L"index " + row.at(0)].push_back(row.at(1));
    // A primary key or unique constraint that an existing index enforces
    // (one whose leading columns are the key's) has no index of its own.
    for (const auto& row : ora_query_texts(
             L"SELECT c.constraint_name, cc.column_name FROM user_constraints c, "
             L"user_cons_columns cc WHERE c.table_name = " +
             verify_quote_text(dest) +
             L" AND c.constraint_type IN ('P', 'U') AND cc.constraint_name = c.constraint_name "
             L"ORDER BY c.constraint_name, cc.position"))
      oracle_indexes[L"key " + row.at(0)].push_back(row.at(1));
    for (const jet_index& index : table.indexes()) {
      if (index.foreign() || index.columns.empty()) continue;
      std::vector<std::wstring> columns;
      std::string shown;
      bool complex = false;
      for (const jet_index_column& ic : index.columns) {
        if (ic.column >= table.columns().size()) continue;
        complex = complex || table.columns()[ic.column].type == JET_COMPLEX;
        columns.push_back(oracle_column(dest, tk_utf16_to_wide(table.columns()[ic.column].name)));
        shown += (shown.empty() ? "" : ", ") + utf8(table.columns()[ic.column].name);
      }
      if (complex) continue;  // the values went to a child table
      bool found = false;
      for (const auto& [name, oracle_columns] : oracle_indexes) {
        if (oracle_columns.size() != columns.size()) continue;
        bool same = true;
        for (size_t i = 0; i < columns.size() && same; ++i)
          same = tk_wcs_equal_nocase(oracle_columns[i], columns[i]);
        found = found || same;
      }
      if (!found)
        add("index", utf8(o.name) + "." + utf8(index.name),
            "not in Oracle (columns " + shown + ")");
    }
  }

  void relationships() {
    struct relationship {
      std::wstring table, ref_table;
      std::vector<std::wstring> columns, ref_columns;
      int64_t grbit = 0;
    };
    std::map<std::string, relationship> found;
    for (const auto& row : read_system_table(*file_, u"MSysRelationships")) {
      auto get = [&](const char* key) {
        auto it = row.find(key);
        return it == row.end() ? std::string() : it->second;
      };
      relationship& r = found[get("szRelationship")];
      r.table = *tk_utf8_to_wide(get("szObject"));
      r.ref_table = *tk_utf8_to_wide(get("szReferencedObject"));
      r.columns.push_back(*tk_utf8_to_wide(get("szColumn")));
      r.ref_columns.push_back(*tk_utf8_to_wide(get("szReferencedColumn")));
      const std::string grbit = get("grbit");
      r.grbit = grbit.empty() ? 0 : std::stoll(grbit);
    }
    if (found.empty()) return;
    // Foreign keys Oracle holds: child table -> parent tables.
    std::multimap<std::wstring, std::wstring> keys;
    for (const auto& row : ora_query_texts(
             L"SELECT c.table_name, p.table_name FROM user_constraints c, user_constraints p "
             L"WHERE c.constraint_type = 'R' AND p.constraint_name = c.r_constraint_name"))
      keys.emplace(row.at(0), row.at(1));
    for (const auto& [name, r] : found) {
      // The engine's own relationships between its system tables.
      if (r.table.rfind(L"MSys", 0) == 0 || r.ref_table.rfind(L"MSys", 0) == 0) continue;
      const std::string shown = utf8(r.table) + " -> " + utf8(r.ref_table);
      const std::wstring child = oracle_name_(r.table), parent = oracle_name_(r.ref_table);
      bool has_key = false;
      for (auto [it, end] = keys.equal_range(child); it != end; ++it)
        has_key = has_key || it->second == parent;
      if (has_key) {
        if (r.grbit & kCascadeUpdate)
          add("relationship", name, shown + ": cascade update not carried over (Oracle has none)");
        continue;
      }
      std::string reason;
      if (!oracle_.is_table_exist(child) || paired_.count(child) == 0)
        reason = "table " + utf8(r.table) + " not converted";
      else if (!oracle_.is_table_exist(parent) || paired_.count(parent) == 0)
        reason = "table " + utf8(r.ref_table) + " not converted";
      else if (const uint64_t orphans = count_orphans(child, parent, r.columns, r.ref_columns))
        reason = tk_format("%d orphaned rows", static_cast<long long>(orphans)) +
                 (r.grbit & kNotEnforced ? " (not enforced in Access)" : "");
      else if (r.grbit & kNotEnforced)
        reason = "not enforced in Access";
      else if (r.grbit & kCascadeUpdate)
        reason = "cascade update (Oracle has none)";
      else
        reason = "no foreign key in Oracle";
      add("relationship", name, shown + ": " + reason);
    }
  }

  // Child rows whose key (all columns set) has no parent row, counted here:
  // the parent keys are held in memory (up to kMaxParentKeys), the child rows
  // streamed past them. 0 when not counted.
  uint64_t count_orphans(const std::wstring& child, const std::wstring& parent,
                         const std::vector<std::wstring>& columns,
                         const std::vector<std::wstring>& ref_columns) {
    constexpr size_t kMaxParentKeys = 2000000;
    auto select = [&](const std::wstring& table, const std::vector<std::wstring>& names) {
      std::wstring sql = L"SELECT ";
      for (size_t i = 0; i < names.size(); ++i)
        sql += (i ? L", " : L"") + ora_quoted_name(oracle_column(table, names[i]));
      return sql + L" FROM " + ora_quoted_name(table);
    };
    // One key as text; nullopt when a column is NULL.
    auto key_of = [](const udb_record& row) -> std::optional<std::wstring> {
      std::wstring key;
      for (size_t i = 0; i < row.size(); ++i) {
        const VARTYPE vt = row[i].get_variant().vt;
        if (vt == VT_NULL || vt == VT_EMPTY) return std::nullopt;
        key += row[i].to_wstring();
        key += L'\x1f';
      }
      return key;
    };
    try {
      std::unordered_set<std::wstring> keys;
      {
        const std::wstring sql = select(parent, ref_columns);
        ora_query_results rows(L"", sql);
        rows.initialize(0, sql);
        while (!rows.is_eof()) {
          const udb_record* row = rows.get_item();
          if (row == nullptr) break;
          if (auto key = key_of(*row)) keys.insert(std::move(*key));
          if (keys.size() > kMaxParentKeys) return 0;
        }
      }
      uint64_t orphans = 0;
      const std::wstring sql = select(child, columns);
      ora_query_results rows(L"", sql);
      rows.initialize(0, sql);
      while (!rows.is_eof()) {
        const udb_record* row = rows.get_item();
        if (row == nullptr) break;
        if (auto key = key_of(*row); key && keys.count(*key) == 0) ++orphans;
      }
      return orphans;
    } catch (const std::exception& e) {
      tk_trace(3, "verify: orphaned rows not counted: %s", e.what());
      return 0;
    }
  }

  const std::set<std::wstring>& viewed_;
  const verify_settings& settings_;
  udb_database& source_;
  const std::function<std::wstring(const std::wstring&)>& oracle_name_;
  const std::set<std::wstring>& paired_;
  const verify_column_names& columns_;
  ora_database& oracle_;
  std::unique_ptr<jet_file> file_;
  std::vector<verify_omission> out_;
};

}  // namespace

std::string verify_query_kind(uint32_t flags, bool has_parameters) {
  switch (flags & 0xF0) {
    case 0x00:
      if ((flags & 0x80) == 0) return has_parameters ? "parameter" : "select";
      break;
    case 0x10:
      return "crosstab";
    case 0x20:
      return "action (delete)";
    case 0x30:
      return "action (update)";
    case 0x40:
      return "action (append)";
    case 0x50:
      return "action (make-table)";
    case 0x60:
      return "action (data definition)";
    case 0x70:
      return "pass-through";
    default:
      break;
  }
  if ((flags & 0xF0) == 0x80) return "union";
  return tk_format("query (flags %d)", static_cast<long long>(flags));
}

std::string verify_connect_without_password(const std::string& connect) {
  std::string out;
  size_t pos = 0;
  while (pos <= connect.size()) {
    size_t end = connect.find(';', pos);
    if (end == std::string::npos) end = connect.size();
    const std::string part = connect.substr(pos, end - pos);
    std::string key = part.substr(0, part.find('='));
    for (char& c : key) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (key != "PWD" && key != "PASSWORD" && !part.empty()) out += (out.empty() ? "" : ";") + part;
    pos = end + 1;
  }
  return out;
}

std::vector<verify_omission> verify_not_carried_over(
    const verify_settings& settings, udb_database& source,
    const std::function<std::wstring(const std::wstring&)>& oracle_name,
    const std::set<std::wstring>& paired, const verify_column_names& columns, ora_database& oracle,
    const std::set<std::wstring>& viewed) {
  tk_trace(2, "verify_not_carried_over");
  return inventory(settings, source, oracle_name, paired, columns, oracle, viewed).collect();
}
