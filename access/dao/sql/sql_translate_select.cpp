// The statements of Access SQL in SQLite: FROM (tables, subqueries, joins,
// stored queries as WITH tables), the SELECT with its clauses, TOP,
// DISTINCTROW, crosstabs and UNION.
#include "access/dao/sql/sql_translator.h"

namespace sql_translation {

std::string translator::from_item(scope& sc, const sql_source& src) {
  if (src.what == sql_source::kind::join) {
    const std::string left = from_item(sc, *src.left);
    const std::string right = from_item(sc, *src.right);
    value on = expr(sc, *src.on, false);
    if (on.aggregate) throw sql_errors::join_not_supported();
    const char* kind = src.join == sql_source::join_kind::inner  ? " INNER JOIN "
                       : src.join == sql_source::join_kind::left ? " LEFT JOIN "
                                                                 : " RIGHT JOIN ";
    return "(" + left + kind + right + " ON " + truth(on) + ")";
  }
  const std::string alias = "s" + std::to_string(++alias_counter_);
  source out;
  if (src.what == sql_source::kind::select) {
    std::vector<dao_field_info> infos;
    const std::string sub = query(*src.select, sc.outer, infos);
    out.name = src.alias.empty() ? tk_utf8_to_utf16(alias) : src.alias;
    for (size_t i = 0; i < infos.size(); ++i)
      out.columns.push_back({infos[i].name, infos[i], alias + ".c" + std::to_string(i)});
    out.identity = all_columns(out);
    add_source(sc, std::move(out));
    return "(" + sub + ") AS " + alias;
  }
  out.name = src.alias.empty() ? src.name : src.alias;
  if (const sql_catalog_table* table = catalog_.table(src.name)) {
    const size_t load = load_for(*table);
    for (size_t i = 0; i < table->columns.size(); ++i) {
      column_ref c{table->columns[i].name, table->columns[i], alias + ".c" + std::to_string(i)};
      c.load = load;
      c.position = i;
      out.columns.push_back(std::move(c));
    }
    out.identity = alias + ".rowid";
    add_source(sc, std::move(out));
    return plan_.loads[load].sqlite_name + " AS " + alias;
  }
  const stored_query& q = stored(src.name);
  for (size_t i = 0; i < q.infos.size(); ++i)
    out.columns.push_back({q.infos[i].name, q.infos[i], alias + ".c" + std::to_string(i)});
  out.identity = all_columns(out);
  add_source(sc, std::move(out));
  return q.cte + " AS " + alias;
}

const translator::stored_query& translator::stored(const std::u16string& name) {
  for (const std::u16string& open : expanding_)
    if (same_name(open, name)) throw sql_errors::circular_reference(tk_utf16_to_utf8(open));
  for (const auto& q : stored_)
    if (same_name(q->name, name)) return *q;
  std::optional<std::u16string> text = catalog_.query(name);
  if (!text) throw jet_errors::input_not_found(tk_utf16_to_utf8(name));
  // The engine nests stored queries up to 50 deep.
  if (expanding_.size() >= kMaxStoredDepth) throw sql_errors::too_complex();
  const std::unique_ptr<sql_select> parsed = sql_parse(*text);
  const std::u16string* saved = text_;
  text_ = &*text;
  expanding_.push_back(name);
  auto q = std::make_unique<stored_query>();
  q->name = name;
  const std::string sub = query(*parsed, nullptr, q->infos);
  expanding_.pop_back();
  text_ = saved;
  q->cte = "q" + std::to_string(stored_.size() + 1);
  ctes_ += (ctes_.empty() ? "WITH " : ", ") + q->cte + " AS (" + sub + ")";
  stored_.push_back(std::move(q));
  return *stored_.back();
}

std::string translator::all_columns(const source& src) {
  std::string out;
  for (const column_ref& c : src.columns) out += (out.empty() ? "" : ", ") + c.sql;
  return out;
}

void translator::add_source(scope& sc, source src) {
  for (const source& s : sc.sources)
    if (same_name(s.name, src.name))
      throw jet_failure(
          3074, "Cannot repeat table name '" + tk_utf16_to_utf8(src.name) + "' in FROM clause.");
  if (sc.sources.size() >= 32) throw sql_errors::too_complex();
  sc.sources.push_back(std::move(src));
}

std::string translator::order_key(const value& v) {
  const sql_rep r = sql_rep_of(v.type);
  std::string s = materialize(v);
  if (r == sql_rep::text) s += " COLLATE ACC";
  if (r == sql_rep::decimal) s += " COLLATE ACCDEC";
  return s;
}

void translator::check_grouped(const value& v, const std::vector<std::string>& keys,
                               const std::string& text) {
  if (std::find(keys.begin(), keys.end(), v.sql) != keys.end()) return;
  for (const std::string& c : v.loose)
    if (std::find(keys.begin(), keys.end(), c) == keys.end())
      throw sql_errors::not_aggregated(text);
}

// The columns of * or T.*; a duplicate name across tables is qualified.
void translator::star_columns(scope& sc, const sql_expr& star, output_columns& out) {
  bool any = false;
  for (size_t index = 0; index < sc.sources.size(); ++index) {
    const source& src = sc.sources[index];
    if (!star.qualifier.empty() && !same_name(src.name, star.qualifier)) continue;
    any = true;
    sc.used.insert(index);
    for (const column_ref& c : src.columns) {
      need(c);
      value v = make(c.sql, c.info.type, {});
      v.column = &c.info;
      v.loose.push_back(c.sql);
      dao_field_info info = c.info;
      bool duplicate = false;
      for (const source& other : sc.sources)
        if (&other != &src && star.qualifier.empty())
          for (const column_ref& oc : other.columns)
            duplicate = duplicate || same_name(oc.name, c.name);
      if (duplicate) info.name = src.name + u"." + c.name;
      std::string text = tk_utf16_to_utf8(info.name);
      std::string sql = v.sql;
      out.add(std::move(info), std::move(sql), std::move(v), std::move(text));
    }
  }
  if (!any) {
    // T.* with an unknown T: the engine asks for it as a parameter.
    const std::u16string name = star.qualifier + u".*";
    parameters_.push_back(name);
  }
}

// TOP n [PERCENT]: the rows ranked by the ORDER BY keys, those tied with
// the last one kept, as the engine does. The ranking keys join the
// columns of the SELECT (head: SELECT and its list; tail: FROM onwards).
std::string translator::top_select(const sql_select& s, const std::vector<sql_order_item>& order,
                                   const std::vector<std::string>& order_keys, size_t count,
                                   const std::string& head, const std::string& tail) {
  std::string hidden, window;
  for (size_t i = 0; i < order_keys.size(); ++i) {
    const sql_order_item& o = order[i];
    const std::string key = order_keys[i].substr(0, order_keys[i].size() - (o.descending ? 5 : 0));
    const size_t collate = key.rfind(" COLLATE ");
    hidden += ", " + key.substr(0, collate) + " AS k" + std::to_string(i);
    window += (i ? ", k" : "k") + std::to_string(i) +
              (collate == std::string::npos ? "" : key.substr(collate)) +
              (o.descending ? " DESC" : "");
  }
  std::string columns;
  for (size_t i = 0; i < count; ++i) columns += (i ? ", c" : "c") + std::to_string(i);
  const std::string rank =
      window.empty() ? "ROW_NUMBER() OVER ()" : "RANK() OVER (ORDER BY " + window + ")";
  const std::string limit = s.top_percent ? "acc_ceil(_n * " + number(s.top) + " / 100.0)"
                                          : std::to_string(int64_t(s.top));
  return "SELECT " + columns + " FROM (SELECT *, " + rank + " AS _rk, COUNT(*) OVER () AS _n " +
         "FROM (" + head + hidden + tail + ")) WHERE _rk <= " + limit + " ORDER BY _rk";
}

std::string translator::from_list(const sql_select& s, scope& sc) {
  std::string from;
  for (const auto& src : s.from) {
    if (!from.empty()) from += ", ";
    from += from_item(sc, *src);
  }
  return from;
}

void translator::select_items(const sql_select& s, scope& sc, output_columns& out) {
  int expr_number = 1000;
  sc.tracking = true;
  // The table an output names it by (Orders.CompanyName), for the columns
  // that name one; "" for the others.
  std::vector<std::u16string> origin(out.infos.size());
  for (const sql_select_item& item : s.items) {
    if (item.expr->what == K::star) {
      star_columns(sc, *item.expr, out);
      origin.resize(out.infos.size());
      continue;
    }
    value v = expr(sc, *item.expr, false);
    dao_field_info info;
    if (v.column && !v.logical) {
      info = *v.column;
      if (!item.alias.empty()) info.name = item.alias;
    } else {
      std::u16string name = item.alias;
      if (name.empty()) name = u"Expr" + tk_utf8_to_utf16(std::to_string(expr_number++));
      info = computed_info(name, v.logical ? SQL_BOOLEAN : v.type);
    }
    std::string sql = materialize(v);
    if (sql_rep_of(v.type) == sql_rep::text && !v.column && s.distinct) sql += " COLLATE ACC";
    const bool named_column =
        v.column && !v.logical && item.alias.empty() && item.expr->what == K::column;
    out.add(std::move(info), std::move(sql), std::move(v), source_text(*item.expr));
    origin.resize(out.infos.size());
    if (named_column) origin.back() = item.expr->qualifier;
  }
  sc.tracking = false;
  if (out.exprs.empty()) throw sql_errors::select_punctuation();
  // Two named columns of one name from different tables: as for a star, each
  // is named by its table ("Orders.CompanyName", "Shippers.CompanyName").
  std::vector<std::u16string> renamed(out.infos.size());
  for (size_t i = 0; i < origin.size(); ++i) {
    if (origin[i].empty()) continue;
    for (size_t j = 0; j < out.infos.size(); ++j) {
      if (j == i || !same_name(out.infos[i].name, out.infos[j].name)) continue;
      // Only against another named column: what a star gives keeps its names.
      if (origin[j].empty() || same_name(origin[i], origin[j])) continue;
      renamed[i] = origin[i] + u"." + out.infos[i].name;
      break;
    }
  }
  for (size_t i = 0; i < renamed.size(); ++i)
    if (!renamed[i].empty()) out.infos[i].name = renamed[i];
}

value translator::crosstab_cells(const sql_select& s, scope& sc, output_columns& out) {
  value pivot = expr(sc, *s.pivot, false);
  if (pivot.aggregate) throw sql_errors::not_aggregated(source_text(*s.pivot));
  value cell = expr(sc, *s.transform, false);
  if (!cell.aggregate) throw sql_errors::not_aggregated(source_text(*s.transform));
  out.add(computed_info(u"Pivot", pivot.logical ? SQL_BOOLEAN : pivot.type), materialize(pivot),
          pivot, source_text(*s.pivot));
  const std::u16string name = s.transform_alias.empty() ? u"Value" : s.transform_alias;
  dao_field_info info = cell.column && !cell.logical
                            ? *cell.column
                            : computed_info(name, cell.logical ? SQL_BOOLEAN : cell.type);
  std::string sql = materialize(cell);
  out.add(std::move(info), std::move(sql), std::move(cell), source_text(*s.transform));
  return pivot;
}

std::string translator::where_clause(const sql_select& s, scope& sc) {
  if (!s.where) return {};
  value w = expr(sc, *s.where, false);
  if (w.aggregate) throw sql_errors::aggregate_in_where(source_text(*s.where));
  return " WHERE " + truth(w);
}

translator::grouping translator::group_clause(const sql_select& s, scope& sc, const value* pivot,
                                              const output_columns& out) {
  grouping g;
  for (const auto& k : s.group_by) {
    value v = expr(sc, *k, false);
    if (v.aggregate)
      throw jet_failure(
          3098, "Cannot have aggregate function in GROUP BY clause (" + source_text(*k) + ").");
    g.keys.push_back(v.sql);
    g.clause += (g.clause.empty() ? " GROUP BY " : ", ") + order_key(v);
  }
  if (pivot) {
    g.keys.push_back(pivot->sql);
    g.clause += (g.clause.empty() ? " GROUP BY " : ", ") + order_key(*pivot);
  }
  g.grouped = !s.group_by.empty() || s.having;
  for (const value& v : out.outputs) g.grouped = g.grouped || v.aggregate;
  if (g.grouped)
    for (size_t o = 0; o < out.outputs.size(); ++o)
      check_grouped(out.outputs[o], g.keys, out.texts[o]);
  return g;
}

std::string translator::having_clause(const sql_select& s, scope& sc, const grouping& g) {
  if (!s.having) return {};
  value h = expr(sc, *s.having, false);
  check_grouped(h, g.keys, source_text(*s.having));
  return " HAVING " + truth(h);
}

// DISTINCTROW: one row per distinct combination of the rows of the tables
// the output reads; the other tables of the join only filter. Without such
// other tables every row is distinct already, and no clause is needed.
std::string translator::distinctrow_group(const scope& sc) {
  std::string identity;
  bool filtering = false;
  for (size_t i = 0; i < sc.sources.size(); ++i) {
    if (!sc.used.count(i)) {
      filtering = true;
    } else if (!sc.sources[i].identity.empty()) {
      identity += (identity.empty() ? "" : ", ") + sc.sources[i].identity;
    }
  }
  return filtering && !identity.empty() ? " GROUP BY " + identity : "";
}

std::vector<std::string> translator::order_keys(const sql_select& s, scope& sc,
                                                const std::vector<sql_order_item>& order,
                                                const grouping& g, const output_columns& out) {
  std::vector<std::string> keys;
  for (const sql_order_item& o : order) {
    value v = expr(sc, *o.expr, false);
    if (g.grouped) check_grouped(v, g.keys, source_text(*o.expr));
    const std::string sql = materialize(v);
    if (s.distinct && std::find(out.exprs.begin(), out.exprs.end(), sql) == out.exprs.end() &&
        std::find(out.exprs.begin(), out.exprs.end(), sql + " COLLATE ACC") == out.exprs.end())
      throw sql_errors::distinct_order(source_text(*o.expr));
    keys.push_back(order_key(v) + (o.descending ? " DESC" : ""));
  }
  return keys;
}

std::string translator::core(const sql_select& s, scope& sc, std::vector<dao_field_info>& infos,
                             std::vector<value>& outputs, const std::vector<sql_order_item>* order,
                             std::string* order_sql, bool crosstab) {
  // The clauses in the order the engine reads them, which is the order of
  // the parameters they ask for and of the errors they raise.
  sc.select = &s;
  const std::string from = from_list(s, sc);
  output_columns out{infos, outputs, {}, {}};
  select_items(s, sc, out);
  value pivot;
  if (crosstab) pivot = crosstab_cells(s, sc, out);
  const std::string where = where_clause(s, sc);
  grouping g = group_clause(s, sc, crosstab ? &pivot : nullptr, out);
  const std::string having = having_clause(s, sc, g);
  if (s.distinctrow && !s.distinct && !g.grouped) {
    std::string by_rows = distinctrow_group(sc);
    if (!by_rows.empty()) g.clause = std::move(by_rows);
  }
  const std::vector<std::string> keys =
      order ? order_keys(s, sc, *order, g, out) : std::vector<std::string>{};

  std::string columns;
  for (size_t i = 0; i < out.exprs.size(); ++i)
    columns += (i ? ", " : "") + out.exprs[i] + " AS c" + std::to_string(i);
  const std::string head = std::string("SELECT ") + (s.distinct ? "DISTINCT " : "") + columns;
  const std::string body = " FROM " + from + where + g.clause + having;
  if (s.has_top) {
    static const std::vector<sql_order_item> kNoOrder;
    return top_select(s, order ? *order : kNoOrder, keys, out.exprs.size(), head,
                      from.empty() ? "" : body);
  }
  if (order_sql)
    for (size_t i = 0; i < keys.size(); ++i) *order_sql += (i ? ", " : " ORDER BY ") + keys[i];
  return head + (from.empty() ? where : body);
}

// An SQLite expression giving the value of x as an SQL literal (reals
// with all the digits that tell them apart).
std::string translator::literal_of(const std::string& x) {
  return "CASE typeof(" + x + ") WHEN 'real' THEN printf('%!.17g', " + x + ") ELSE quote(" + x +
         ") END";
}

// A crosstab: the groups of the row headings and the pivot value with
// their transform value, turned so that each pivot value is a column.
// The columns are the pivot values found in the data (or listed by IN),
// ascending, the null value named "<>".
std::string translator::crosstab(const sql_select& s, scope& sc,
                                 std::vector<dao_field_info>& infos) {
  if (!s.unions.empty() || s.has_top) throw jet_errors::not_supported("TOP or UNION in a crosstab");
  std::vector<value> outputs;
  const std::string inner = core(s, sc, infos, outputs, nullptr, nullptr, true);
  const size_t headings = infos.size() - 2;
  const dao_field_info cell_info = infos[headings + 1];
  const value& pivot = outputs[headings];
  infos.resize(headings);
  const std::string p = "c" + std::to_string(headings);
  const std::string collate = sql_rep_of(pivot.type) == sql_rep::text ? " COLLATE ACC" : "";

  std::vector<std::pair<std::string, std::u16string>> columns;  // literal, name
  if (!s.pivot_in.empty()) {
    for (const auto& item : s.pivot_in) {
      value v = expr(sc, *item, false);
      if (!v.loose.empty() || v.aggregate) throw sql_errors::missing_operator(source_text(*item));
      std::u16string name = item->what == K::text       ? item->name
                            : item->number_text.empty() ? tk_utf8_to_utf16(source_text(*item))
                                                        : item->number_text;
      columns.emplace_back(sql_rep_of(v.type) == sql_rep::null ? "NULL" : as(v, pivot.type), name);
      if (headings + columns.size() > kMaxFields) throw sql_errors::too_many_fields();
    }
  } else {
    // The column set comes from the data: the distinct pivot values.
    sql_plan values = plan_;
    for (size_t i = 0; i < values.loads.size(); ++i) {
      values.loads[i].columns.clear();
      values.loads[i].types.clear();
      for (size_t at : needed_[i]) {
        values.loads[i].columns.push_back(at);
        values.loads[i].types.push_back(tables_[i]->columns[at].type);
      }
    }
    const std::string pv = "_v." + p;
    values.sqlite = (ctes_.empty() ? "" : ctes_ + " ") + "SELECT " + literal_of(pv) + ", acc_cv(" +
                    pv + "," + std::to_string(pivot.logical ? SQL_BOOLEAN : pivot.type) + "," +
                    std::to_string(SQL_MEMO) + ") FROM (SELECT DISTINCT " + p + " FROM (" + inner +
                    ")) AS _v ORDER BY " + pv + collate + " LIMIT " +
                    std::to_string(kMaxFields + 1);
    for (auto& [literal, name] : catalog_.pivot_values(values)) {
      if (literal == "NULL") name = u"<>";
      columns.emplace_back(std::move(literal), std::move(name));
    }
    if (headings + columns.size() > kMaxFields) throw sql_errors::too_many_fields();
  }

  std::string select, group;
  for (size_t i = 0; i < headings; ++i) {
    const std::string c = "c" + std::to_string(i);
    select += (i ? ", " : "") + c + " AS " + c;
    group += (i ? ", " : " GROUP BY ") + c +
             (sql_rep_of(infos[i].type) == sql_rep::text ? " COLLATE ACC" : "");
  }
  const std::string cell = "c" + std::to_string(headings + 1);
  for (size_t k = 0; k < columns.size(); ++k) {
    const std::string& literal = columns[k].first;
    const std::string when = literal == "NULL" ? p + " IS NULL" : p + collate + " = " + literal;
    select += (select.empty() ? "" : ", ") + std::string("MAX(CASE WHEN ") + when + " THEN " +
              cell + " END) AS c" + std::to_string(headings + k);
    dao_field_info info = cell_info;
    info.name = columns[k].second;
    infos.push_back(info);
  }
  if (select.empty()) select = "NULL AS c0";
  // Rows come in the order of the row headings; ORDER BY may turn one
  // of them descending.
  std::string order;
  std::vector<bool> ordered(headings, false);
  for (const sql_order_item& o : s.order_by) {
    const std::string text = source_text(*o.expr);
    for (size_t i = 0; i < headings; ++i) {
      if (ordered[i]) continue;
      const bool same = (i < s.items.size() && text == source_text(*s.items[i].expr)) ||
                        (o.expr->what == K::column && same_name(o.expr->name, infos[i].name));
      if (!same) continue;
      ordered[i] = true;
      order += (order.empty() ? " ORDER BY c" : ", c") + std::to_string(i) +
               (sql_rep_of(infos[i].type) == sql_rep::text ? " COLLATE ACC" : "") +
               (o.descending ? " DESC" : "");
      break;
    }
  }
  for (size_t i = 0; i < headings; ++i)
    if (!ordered[i])
      order += (order.empty() ? " ORDER BY c" : ", c") + std::to_string(i) +
               (sql_rep_of(infos[i].type) == sql_rep::text ? " COLLATE ACC" : "");
  return "SELECT " + select + " FROM (" + inner + ")" + group + order;
}

std::string translator::query(const sql_select& s, scope* outer,
                              std::vector<dao_field_info>& infos) {
  scope sc;
  sc.outer = outer;
  std::vector<value> outputs;
  std::string order;
  for (const std::u16string& p : s.parameters) add_parameter(p);
  if (s.transform) return crosstab(s, sc, infos);
  if (s.unions.empty()) {
    std::string sql = core(s, sc, infos, outputs, &s.order_by, &order);
    return sql + order;
  }
  if (s.has_top) throw jet_errors::not_supported("TOP in a UNION query");
  std::string sql = core(s, sc, infos, outputs, nullptr, nullptr);
  for (const auto& part : s.unions) {
    if (part.select->has_top) throw jet_errors::not_supported("TOP in a UNION query");
    scope other;
    other.outer = outer;
    std::vector<dao_field_info> more;
    std::vector<value> more_outputs;
    const std::string next = core(*part.select, other, more, more_outputs, nullptr, nullptr);
    if (more.size() != infos.size())
      throw jet_failure(3307,
                        "The number of columns in the two selected tables or queries of "
                        "a union query do not match.");
    for (size_t i = 0; i < infos.size(); ++i) {
      const int16_t t = unify(infos[i].type, more[i].type);
      if (t != infos[i].type) infos[i] = computed_info(infos[i].name, t);
    }
    sql += (part.all ? " UNION ALL " : " UNION ") + next;
  }
  // ORDER BY of a union names result columns.
  for (size_t i = 0; i < s.order_by.size(); ++i) {
    const sql_expr& e = *s.order_by[i].expr;
    size_t found = SIZE_MAX;
    if (e.what == K::column)
      for (size_t k = 0; k < infos.size() && found == SIZE_MAX; ++k)
        if (same_name(infos[k].name, e.name)) found = k;
    if (e.what == K::integer && e.integer >= 1 && size_t(e.integer) <= infos.size())
      found = size_t(e.integer - 1);
    if (found == SIZE_MAX) throw sql_errors::order_by_clause();
    const sql_rep r = sql_rep_of(infos[found].type);
    order += (i ? ", c" : " ORDER BY c") + std::to_string(found) +
             (r == sql_rep::text ? " COLLATE ACC" : "") + (s.order_by[i].descending ? " DESC" : "");
  }
  return sql + order;
}

}  // namespace sql_translation
