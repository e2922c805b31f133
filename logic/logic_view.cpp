// Saved queries as Oracle view queries (see logic_view.h). Every source of
// a SELECT gets the Oracle alias T1, T2, ... so that Access's table names
// and aliases never need to be Oracle names; subqueries see the sources of
// the queries around them.
#include "logic/logic_view.h"

#include <memory>

#include "ORA/ora_validator.h"
#include "TK/tk_text.h"
#include "TK/tk_wstring.h"
#include "access/dao/jet_file.h"

namespace {

using K = sql_expr::kind;

constexpr size_t kMaxViewColumns = 1000;  // Oracle's limit of columns in a table or view

std::string utf8(const std::u16string& s) {
  return tk_utf16_to_utf8(s);
}
std::string quote(const std::string& name) {
  return "\"" + name + "\"";
}

struct source {
  std::u16string access;  // its name in the query: the alias, else the table's name
  std::string alias;      // T<n>
  std::vector<logic_column> columns;
};

class query_writer;

// The names one SELECT can see: its own sources, then the queries it is in.
class select_scope : public logic_scope {
 public:
  select_scope(query_writer& writer, const select_scope* outer, const sql_select& select)
      : writer_(writer), outer_(outer), select_(select) {}

  logic_value column(const sql_expr& e) override;
  std::string subquery(const sql_select& s) override;

  std::vector<source> sources;

 private:
  bool find(const sql_expr& e, logic_value& out) const;

  query_writer& writer_;
  const select_scope* outer_;
  const sql_select& select_;
  int alias_depth_ = 0;
};

class query_writer {
 public:
  query_writer(logic_catalog& catalog, const logic_view_options& options)
      : catalog_(catalog), options_(options) {}

  // One SELECT with its unions; `names` for its output columns when known.
  logic_view query(const sql_select& s, const select_scope* outer,
                   const std::vector<std::u16string>& names) {
    if (s.transform) return crosstab(s, outer, names);
    logic_view first = core(s, outer, names);
    if (s.unions.empty()) return first;
    std::string sql = first.select;
    for (const auto& part : s.unions) {
      logic_view next = core(*part.select, outer, {});
      if (next.columns.size() != first.columns.size())
        throw logic_refusal("a UNION of queries with different numbers of columns");
      for (size_t i = 0; i < next.columns.size(); ++i) {
        const logic_type a = first.columns[i].type, b = next.columns[i].type;
        if (!part.all && (a == logic_type::text || b == logic_type::text))
          throw logic_refusal("UNION of text columns (Oracle tells letter case apart)");
        if (a != b && a != logic_type::null && b != logic_type::null &&
            !((a == logic_type::integer || a == logic_type::number) &&
              (b == logic_type::integer || b == logic_type::number)))
          throw logic_refusal("a UNION of columns of different types (Access gives Variants)");
      }
      sql += (part.all ? " UNION ALL " : " UNION ") + next.select;
    }
    // The order of a union's rows is not part of the rows a view holds.
    first.select = sql;
    return first;
  }

  logic_catalog& catalog() { return catalog_; }
  std::string next_alias() { return "T" + std::to_string(++aliases_); }

 private:
  void add_source(select_scope& scope, const sql_source& from, std::string& out) {
    if (from.what == sql_source::kind::join) {
      std::string left, right;
      add_source(scope, *from.left, left);
      add_source(scope, *from.right, right);
      const char* join = from.join == sql_source::join_kind::inner  ? " INNER JOIN "
                         : from.join == sql_source::join_kind::left ? " LEFT OUTER JOIN "
                                                                    : " RIGHT OUTER JOIN ";
      logic_expr on(scope, false);
      out += "(" + left + join + right + " ON " + on.condition(*from.on) + ")";
      return;
    }
    source src;
    src.alias = next_alias();
    if (from.what == sql_source::kind::select) {
      if (from.alias.empty()) throw logic_refusal("a subquery in FROM without a name");
      src.access = from.alias;
      logic_view inner = query(*from.select, nullptr, {});
      src.columns = inner.columns;
      out += "(" + inner.select + ") " + src.alias;
    } else {
      const logic_relation* relation = catalog_.relation(from.name);
      if (relation == nullptr) throw logic_refusal(catalog_.missing(from.name));
      src.access = from.alias.empty() ? from.name : from.alias;
      src.columns = relation->columns;
      out += quote(relation->oracle) + " " + src.alias;
    }
    scope.sources.push_back(std::move(src));
  }

  // A crosstab as PIVOT over the rows of its SELECT: the row headings, the
  // pivot value and the aggregated value. The columns are the IN list or the
  // values the Access SQL layer found in the data (`names`, fixed now).
  logic_view crosstab(const sql_select& s, const select_scope* outer,
                      const std::vector<std::u16string>& names) {
    if (!s.unions.empty() || s.having || s.distinct || s.has_top)
      throw logic_refusal("a crosstab with UNION, HAVING, DISTINCT or TOP");
    select_scope scope(*this, outer, s);
    std::string from;
    for (const auto& f : s.from) {
      std::string one;
      add_source(scope, *f, one);
      from += (from.empty() ? "" : ", ") + one;
    }
    logic_expr translator(scope, false);
    // The aggregate and its argument.
    const sql_expr& value = *s.transform;
    std::string aggregate;
    for (char16_t c : value.name)
      aggregate += static_cast<char>(c >= u'a' && c <= u'z' ? c - 32 : c);
    if (value.what != K::call ||
        !(aggregate == "SUM" || aggregate == "AVG" || aggregate == "MIN" || aggregate == "MAX") ||
        value.args.size() != 1)
      throw logic_refusal(
          "a crosstab whose value is not Sum, Avg, Min or Max of one expression "
          "(Oracle's PIVOT gives 0 where Access gives Null for Count)");
    logic_value v = translator.value(*value.args[0]);
    if (v.aggregate) throw logic_refusal("an aggregate of an aggregate");
    if (v.plain_column && v.type == logic_type::yes_no) v.sql = "(-" + v.sql + ")";
    if (v.type != logic_type::integer && v.type != logic_type::number &&
        v.type != logic_type::yes_no &&
        !(v.type == logic_type::date && (aggregate == "MIN" || aggregate == "MAX")))
      throw logic_refusal("a crosstab over values that are not numbers");
    const logic_value pivot = translator.value(*s.pivot);
    const bool text = pivot.type == logic_type::text;
    if (!text && pivot.type != logic_type::integer)
      throw logic_refusal("a crosstab whose column headings are neither text nor whole numbers");

    // Row headings, then one column per heading.
    std::vector<logic_value> heads;
    for (const sql_select_item& it : s.items) {
      if (it.expr->what == K::star) throw logic_refusal("a crosstab with *");
      heads.push_back(translator.value(*it.expr));
      if (heads.back().type == logic_type::text)
        throw logic_refusal("crosstab rows headed by text (Oracle groups letter case apart)");
    }
    std::vector<std::u16string> headings;
    if (!s.pivot_in.empty()) {
      for (const auto& e : s.pivot_in) {
        if (e->what == K::text)
          headings.push_back(e->name);
        else if (e->what == K::integer)
          headings.push_back(tk_utf8_to_utf16(std::to_string(e->integer)));
        else
          throw logic_refusal("a crosstab heading that is not a text or a whole number");
      }
    } else {
      if (names.size() < heads.size()) throw logic_refusal("a crosstab without its column names");
      headings.assign(names.begin() + static_cast<std::ptrdiff_t>(heads.size()), names.end());
    }
    if (heads.size() + headings.size() > kMaxViewColumns)
      throw logic_refusal("more than 1,000 columns (Oracle's limit)");
    if (!names.empty() && names.size() != heads.size() + headings.size())
      throw logic_refusal("a column list the Access SQL layer counts differently");

    // Output names as a table's columns get theirs.
    std::vector<std::u16string> access_names;
    for (size_t i = 0; i < s.items.size(); ++i)
      access_names.push_back(!names.empty()              ? names[i]
                             : !s.items[i].alias.empty() ? s.items[i].alias
                                                         : s.items[i].expr->name);
    for (const auto& h : headings) access_names.push_back(h);
    ora_validator validator(options_.max_name_bytes);
    for (const auto& a : access_names) validator.used_names().push_back(tk_utf16_to_wide(a));
    std::vector<std::wstring> given;
    logic_view out;
    for (size_t i = 0; i < access_names.size(); ++i) {
      std::wstring name = tk_utf16_to_wide(access_names[i]);
      if (options_.uppercase) name = tk_wstring(name).to_upper();
      if (!validator.is_acceptable(name)) name = validator.get_safe_name(name);
      for (const std::wstring& taken : given)
        if (taken == name) {
          validator.used_names().push_back(name);
          name = validator.get_safe_name(name);
          break;
        }
      given.push_back(name);
      validator.used_names().push_back(name);
      logic_column c;
      c.access = access_names[i];
      c.oracle = tk_to_utf8(name);
      c.type = i < heads.size() ? heads[i].type
                                : (aggregate == "AVG"             ? logic_type::number
                                   : v.type == logic_type::yes_no ? logic_type::integer
                                                                  : v.type);
      out.columns.push_back(c);
    }

    std::string inner = "SELECT ";
    for (size_t i = 0; i < heads.size(); ++i)
      inner += heads[i].sql + " " + quote(out.columns[i].oracle) + ", ";
    inner +=
        (text ? "LOWER(" + pivot.sql + ")" : pivot.sql) + " \"PIVOT__\", " + v.sql + " \"VALUE__\"";
    inner += from.empty() ? " FROM DUAL" : " FROM " + from;
    if (s.where) inner += " WHERE " + translator.condition(*s.where);
    std::string in;
    for (size_t i = 0; i < headings.size(); ++i) {
      std::string literal;
      if (text) {
        std::u16string lower;
        for (char16_t c : headings[i]) {
          if (c > 0x7F) throw logic_refusal("a crosstab heading with letters beyond ASCII");
          lower += c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c;
        }
        if (lower.empty() || lower == u"<>") throw logic_refusal("a crosstab column of Null");
        literal = logic_expr::text_literal(lower);
      } else {
        const std::string digits = tk_utf16_to_utf8(headings[i]);
        if (digits.empty() || digits.find_first_not_of("-0123456789") != std::string::npos)
          throw logic_refusal("a crosstab column heading that is not a whole number: " + digits);
        literal = digits;
      }
      in += (i ? ", " : "") + literal + " " + quote(out.columns[heads.size() + i].oracle);
    }
    if (in.empty()) throw logic_refusal("a crosstab without columns");
    std::string list;
    for (size_t i = 0; i < out.columns.size(); ++i)
      list += (i ? ", " : "") + quote(out.columns[i].oracle);
    out.select = "SELECT " + list + " FROM (" + inner + ") PIVOT (" + aggregate +
                 "(\"VALUE__\") FOR \"PIVOT__\" IN (" + in + "))";
    return out;
  }

  // One SELECT without its unions.
  logic_view core(const sql_select& s, const select_scope* outer,
                  const std::vector<std::u16string>& names) {
    select_scope scope(*this, outer, s);
    std::string from;
    for (const auto& f : s.from) {
      std::string one;
      add_source(scope, *f, one);
      from += (from.empty() ? "" : ", ") + one;
    }
    if (s.distinctrow && scope.sources.size() > 1)
      throw logic_refusal("DISTINCTROW over several tables");
    logic_expr translator(scope, false);

    // Output columns: * and T.* expand to the columns of their sources.
    struct item {
      std::string sql;
      logic_column column;
    };
    std::vector<item> items;
    bool aggregate = false;
    for (const sql_select_item& it : s.items) {
      if (it.expr->what == K::star) {
        bool found = false;
        for (const source& src : scope.sources) {
          if (!it.expr->qualifier.empty() && !jet_same_name(it.expr->qualifier, src.access))
            continue;
          found = true;
          for (const logic_column& c : src.columns)
            items.push_back({src.alias + "." + quote(c.oracle), c});
        }
        if (!found) throw logic_refusal("* of a table the query does not read");
        continue;
      }
      logic_value v = translator.value(*it.expr);
      aggregate = aggregate || v.aggregate;
      logic_column c;
      c.type = v.type;
      if (!it.alias.empty())
        c.access = it.alias;
      else if (it.expr->what == K::column)
        c.access = it.expr->name;
      else
        c.access = u"Expr" + tk_utf8_to_utf16(std::to_string(1000 + items.size()));
      items.push_back({v.sql, c});
    }
    if (items.size() > kMaxViewColumns)
      throw logic_refusal("more than 1,000 columns (Oracle's limit)");
    if (!names.empty() && names.size() != items.size())
      throw logic_refusal("a column list the Access SQL layer counts differently");

    // Oracle names for the output, given as a table's columns are given
    // theirs (the Access names count as taken; quoted names compare exactly).
    ora_validator validator(options_.max_name_bytes);
    for (size_t i = 0; i < items.size(); ++i) {
      if (!names.empty()) items[i].column.access = names[i];
      validator.used_names().push_back(tk_utf16_to_wide(items[i].column.access));
    }
    std::vector<std::wstring> given;
    logic_view out;
    std::string list;
    for (size_t i = 0; i < items.size(); ++i) {
      item& it = items[i];
      if (it.column.complex)
        throw logic_refusal("outputs " + utf8(it.column.access) +
                            ", whose values are in a child table");
      std::wstring name = tk_utf16_to_wide(it.column.access);
      if (options_.uppercase) name = tk_wstring(name).to_upper();
      if (!validator.is_acceptable(name)) name = validator.get_safe_name(name);
      for (const std::wstring& taken : given) {
        if (taken == name) {
          validator.used_names().push_back(name);
          name = validator.get_safe_name(name);
          break;
        }
      }
      given.push_back(name);
      validator.used_names().push_back(name);
      it.column.oracle = tk_to_utf8(name);
      if (s.distinct && it.column.type == logic_type::text)
        throw logic_refusal("DISTINCT over text (Oracle tells letter case apart)");
      list += (i ? ", " : "") + it.sql + " " + quote(it.column.oracle);
      out.columns.push_back(it.column);
    }

    const std::string head = std::string("SELECT ") + (s.distinct ? "DISTINCT " : "") + list;
    std::string sql = from.empty() ? " FROM DUAL" : " FROM " + from;
    if (s.where) sql += " WHERE " + translator.condition(*s.where);
    if (!s.group_by.empty()) {
      std::string group;
      for (const auto& g : s.group_by) {
        const logic_value v = translator.value(*g);
        if (v.type == logic_type::text)
          throw logic_refusal("GROUP BY text (Oracle tells letter case apart)");
        group += (group.empty() ? "" : ", ") + v.sql;
      }
      sql += " GROUP BY " + group;
    }
    if (s.having) sql += " HAVING " + translator.condition(*s.having);
    (void)aggregate;
    // sql holds the clauses after the column list from here on.

    // ORDER BY as Access sorts: text without regard to case, Null first.
    std::string order;
    for (const sql_order_item& o : s.order_by) {
      const logic_value v = translator.value(*o.expr);
      const std::string key = v.type == logic_type::text ? "LOWER(" + v.sql + ")" : v.sql;
      order += (order.empty() ? "" : ", ") + key +
               (o.descending ? " DESC NULLS LAST" : " ASC NULLS FIRST");
    }
    if (s.has_top) {
      if (order.empty())
        throw logic_refusal("TOP without ORDER BY (the rows Access picks follow its storage)");
      const std::string count = tk_format_number(s.top);
      if (options_.row_limiting) {
        sql = head + sql + " ORDER BY " + order + " FETCH FIRST " + count +
              (s.top_percent ? " PERCENT" : "") + " ROWS WITH TIES";
      } else {
        if (s.top_percent) throw logic_refusal("TOP PERCENT before Oracle 12c");
        if (s.distinct) throw logic_refusal("TOP with DISTINCT before Oracle 12c");
        // RANK() keeps the rows tied with the last one, as Access does.
        std::string outer_list;
        for (size_t i = 0; i < out.columns.size(); ++i)
          outer_list += (i ? ", " : "") + quote(out.columns[i].oracle);
        sql = "SELECT " + outer_list + " FROM (" + head + ", RANK() OVER (ORDER BY " + order +
              ") \"TOP_RANK__\"" + sql + ") WHERE \"TOP_RANK__\" <= " + count;
      }
    } else if (!order.empty() && outer == nullptr && s.unions.empty()) {
      sql = head + sql + " ORDER BY " + order;
    } else {
      sql = head + sql;
    }
    out.select = sql;
    return out;
  }

  static std::string tk_format_number(double v) {
    std::string s = std::to_string(v);
    while (!s.empty() && s.back() == '0') s.pop_back();
    if (!s.empty() && s.back() == '.') s.pop_back();
    return s;
  }

  logic_catalog& catalog_;
  const logic_view_options& options_;
  int aliases_ = 0;
};

bool select_scope::find(const sql_expr& e, logic_value& out) const {
  const source* hit = nullptr;
  const logic_column* column = nullptr;
  for (const source& src : sources) {
    if (!e.qualifier.empty() && !jet_same_name(e.qualifier, src.access)) continue;
    for (const logic_column& c : src.columns) {
      if (!jet_same_name(c.access, e.name)) continue;
      if (hit != nullptr) throw logic_refusal("the name " + utf8(e.name) + " is ambiguous");
      hit = &src;
      column = &c;
    }
  }
  if (hit == nullptr) return outer_ != nullptr && outer_->find(e, out);
  if (column->complex)
    throw logic_refusal("uses " + utf8(e.name) + ", whose values are in a child table");
  out = {hit->alias + "." + quote(column->oracle), column->type};
  if (out.type == logic_type::other) out.type = logic_type::other;
  out.plain_column = true;
  return true;
}

logic_value select_scope::column(const sql_expr& e) {
  logic_value v;
  if (find(e, v)) return v;
  // Access lets a condition name an output column of the same SELECT.
  if (e.qualifier.empty() && alias_depth_ < 8) {
    for (const sql_select_item& it : select_.items) {
      if (it.alias.empty() || !jet_same_name(it.alias, e.name)) continue;
      ++alias_depth_;
      logic_expr translator(*this, false);
      logic_value out = translator.value(*it.expr);
      --alias_depth_;
      return out;
    }
  }
  if (!e.qualifier.empty() &&
      (jet_same_name(e.qualifier, u"Forms") || jet_same_name(e.qualifier, u"Reports")))
    throw logic_refusal("refers to a form or report: " + utf8(e.qualifier) + "!" + utf8(e.name));
  throw logic_refusal("refers to the parameter " +
                      (e.qualifier.empty() ? "" : utf8(e.qualifier) + ".") + utf8(e.name));
}

std::string select_scope::subquery(const sql_select& s) {
  return writer_.query(s, this, {}).select;
}

void collect_sources(const sql_select& s, std::vector<std::u16string>& out);

void collect_expr(const sql_expr* e, std::vector<std::u16string>& out) {
  if (e == nullptr) return;
  for (const auto& a : e->args) collect_expr(a.get(), out);
  if (e->select) collect_sources(*e->select, out);
}

void collect_source(const sql_source* f, std::vector<std::u16string>& out) {
  if (f == nullptr) return;
  if (f->what == sql_source::kind::table) {
    for (const auto& name : out)
      if (jet_same_name(name, f->name)) return;
    out.push_back(f->name);
  }
  if (f->select) collect_sources(*f->select, out);
  collect_source(f->left.get(), out);
  collect_source(f->right.get(), out);
  collect_expr(f->on.get(), out);
}

void collect_sources(const sql_select& s, std::vector<std::u16string>& out) {
  for (const auto& f : s.from) collect_source(f.get(), out);
  for (const auto& it : s.items) collect_expr(it.expr.get(), out);
  collect_expr(s.where.get(), out);
  collect_expr(s.having.get(), out);
  for (const auto& part : s.unions) collect_sources(*part.select, out);
}

}  // namespace

logic_view logic_translate_view(const sql_select& query, logic_catalog& catalog,
                                const logic_view_options& options,
                                const std::vector<std::u16string>& names) {
  if (!query.parameters.empty()) throw logic_refusal("a query with parameters");
  query_writer writer(catalog, options);
  return writer.query(query, nullptr, names);
}

std::vector<std::u16string> logic_query_sources(const sql_select& query) {
  std::vector<std::u16string> out;
  collect_sources(query, out);
  return out;
}
