// Expressions of Access SQL in SQLite: a dispatcher and one function per
// family, column names and parameters, aggregates and function calls.
#include "access/dao/sql/sql_translator.h"

namespace sql_translation {

// The dispatcher: each family of expression has its function.
value translator::expr(scope& sc, const sql_expr& e, bool in_aggregate) {
  switch (e.what) {
    case K::null:
    case K::integer:
    case K::real:
    case K::text:
    case K::date:
    case K::boolean:
      return literal(e);
    case K::column:
      return column(sc, e, in_aggregate);
    case K::star:
      throw sql_errors::missing_operator(source_text(e));
    case K::unary:
      return unary(sc, e, in_aggregate);
    case K::binary:
      return binary(sc, e, in_aggregate);
    case K::like:
      return like(sc, e, in_aggregate);
    case K::is_null:
      return is_null(sc, e, in_aggregate);
    case K::between:
      return between(sc, e, in_aggregate);
    case K::in_list:
      return in_list(sc, e, in_aggregate);
    case K::in_select:
    case K::quantified:
      return in_select(sc, e, in_aggregate);
    case K::exists:
      return exists(sc, e);
    case K::subquery:
      return subquery(sc, e);
    case K::call:
      return call(sc, e, in_aggregate);
  }
  throw sql_errors::missing_operator(source_text(e));
}

value translator::literal(const sql_expr& e) {
  switch (e.what) {
    case K::integer: {
      value v = make(std::to_string(e.integer), SQL_LONG, {});
      v.literal = e.number_text;
      return v;
    }
    case K::real: {
      value v = make(number(e.real), SQL_DOUBLE, {});
      v.literal = e.number_text;
      return v;
    }
    case K::text:
      return make(quote_text(e.name), SQL_TEXT, {});
    case K::date:
      return make(number(e.real), SQL_DATE, {});
    case K::boolean:
      return make(std::to_string(e.integer), SQL_BOOLEAN, {});
    default:
      return make("NULL", SQL_NULL, {});
  }
}

// Not (logical, or bitwise on numbers) and negation.
value translator::unary(scope& sc, const sql_expr& e, bool in_aggregate) {
  value a = expr(sc, *e.args[0], in_aggregate);
  if (e.op == u"NOT") {
    value r = make("(NOT " + truth(a) + ")", SQL_BOOLEAN, {&a});
    if (!a.logical && a.type != SQL_BOOLEAN && sql_rep_of(a.type) == sql_rep::integer) {
      r.sql = "(~" + a.sql + ")";  // bitwise on numbers, as the engine does
      r.type = a.type;
      return r;
    }
    r.logical = true;
    return r;
  }
  const sql_rep ra = sql_rep_of(a.type);
  if (ra == sql_rep::text || ra == sql_rep::blob) throw sql_errors::type_mismatch();
  if (ra == sql_rep::decimal) return make("acc_dec_neg(" + a.sql + ")", a.type, {&a});
  return make("(-" + materialize(a) + ")",
              a.type == SQL_BOOLEAN || a.type == SQL_BYTE ? SQL_INTEGER : a.type, {&a});
}

value translator::like(scope& sc, const sql_expr& e, bool in_aggregate) {
  value a = expr(sc, *e.args[0], in_aggregate);
  value b = expr(sc, *e.args[1], in_aggregate);
  value r = make((e.negated ? "(NOT acc_like(" : "(acc_like(") + as(a, SQL_MEMO) + "," +
                     as(b, SQL_MEMO) + "))",
                 SQL_BOOLEAN, {&a, &b});
  r.logical = true;
  return r;
}

value translator::is_null(scope& sc, const sql_expr& e, bool in_aggregate) {
  value a = expr(sc, *e.args[0], in_aggregate);
  value r =
      make("(" + materialize(a) + (e.negated ? " IS NOT NULL)" : " IS NULL)"), SQL_BOOLEAN, {&a});
  r.logical = true;
  return r;
}

value translator::between(scope& sc, const sql_expr& e, bool in_aggregate) {
  value a = expr(sc, *e.args[0], in_aggregate);
  value lo = expr(sc, *e.args[1], in_aggregate);
  value hi = expr(sc, *e.args[2], in_aggregate);
  value x = compare(a, ">=", lo), y = compare(a, "<=", hi);
  value r =
      make((e.negated ? "(NOT (" : "((") + x.sql + " AND " + y.sql + "))", SQL_BOOLEAN, {&x, &y});
  r.logical = true;
  return r;
}

// x [NOT] IN (a, b, ...): the items in the representation of x.
value translator::in_list(scope& sc, const sql_expr& e, bool in_aggregate) {
  value a = expr(sc, *e.args[0], in_aggregate);
  value r = make("", SQL_BOOLEAN, {&a});
  const sql_rep ra = sql_rep_of(a.type);
  std::string left = materialize(a);
  if (ra == sql_rep::text) left += " COLLATE ACC";
  if (ra == sql_rep::decimal) left = "acc_dec_norm(" + left + ")";
  if (ra == sql_rep::real || ra == sql_rep::date) left = as(a, SQL_DOUBLE);
  std::string terms;
  for (size_t i = 1; i < e.args.size(); ++i) {
    value item = expr(sc, *e.args[i], in_aggregate);
    compare(a, "=", item);  // the same type checks as "="
    r.aggregate = r.aggregate || item.aggregate;
    r.loose.insert(r.loose.end(), item.loose.begin(), item.loose.end());
    const sql_rep ri = sql_rep_of(item.type);
    std::string term;
    if (ri == sql_rep::null) continue;
    if (ra == sql_rep::text)
      term = as(item, SQL_MEMO);
    else if (ra == sql_rep::currency)
      term = as(item, SQL_CURRENCY);
    else if (ra == sql_rep::decimal)
      term = "acc_dec_norm(" + as(item, SQL_DECIMAL) + ")";
    else if (ra == sql_rep::real || ra == sql_rep::date)
      term = as(item, SQL_DOUBLE);
    else if (ri == sql_rep::integer || ri == sql_rep::boolean)
      term = materialize(item);
    else
      term = as(item, SQL_DOUBLE);
    terms += (terms.empty() ? "" : ",") + term;
  }
  if (ra == sql_rep::currency) left = as(a, SQL_CURRENCY);
  if (ra == sql_rep::null)
    r.sql = "NULL";
  else if (terms.empty())
    r.sql = e.negated ? "1" : "0";
  else
    r.sql = "(" + left + (e.negated ? " NOT IN (" : " IN (") + terms + "))";
  r.logical = true;
  return r;
}

// x [NOT] IN (SELECT ...) and x op ANY / ALL (SELECT ...).
value translator::in_select(scope& sc, const sql_expr& e, bool in_aggregate) {
  value a = expr(sc, *e.args[0], in_aggregate);
  std::vector<dao_field_info> infos;
  const std::string sub = query(*e.select, &sc, infos);
  if (infos.size() != 1) throw sql_errors::subquery_fields();
  const std::string q = "_q" + std::to_string(++alias_counter_);
  value col = make(q + ".c0", infos[0].type, {});
  std::string op = "=";
  if (e.what == K::quantified) op = tk_utf16_to_utf8(e.op);
  const value c = compare(a, op, col);
  value r = make("", SQL_BOOLEAN, {&a});
  const bool all = e.what == K::quantified && e.name == u"ALL";
  const bool negate = e.what == K::in_select && e.negated;
  if (all)
    r.sql = "(NOT EXISTS (SELECT 1 FROM (" + sub + ") AS " + q + " WHERE NOT " + c.sql + "))";
  else
    r.sql = std::string(negate ? "(NOT " : "(") + "EXISTS (SELECT 1 FROM (" + sub + ") AS " + q +
            " WHERE " + c.sql + "))";
  r.logical = true;
  return r;
}

value translator::exists(scope& sc, const sql_expr& e) {
  std::vector<dao_field_info> infos;
  value r = make("(EXISTS (" + query(*e.select, &sc, infos) + "))", SQL_BOOLEAN, {});
  r.logical = true;
  return r;
}

// A subquery as a value: one column.
value translator::subquery(scope& sc, const sql_expr& e) {
  std::vector<dao_field_info> infos;
  const std::string sub = query(*e.select, &sc, infos);
  if (infos.size() != 1) throw sql_errors::subquery_fields();
  return make("(" + sub + ")", infos[0].type, {});
}

value translator::binary(scope& sc, const sql_expr& e, bool in_aggregate) {
  value a = expr(sc, *e.args[0], in_aggregate);
  value b = expr(sc, *e.args[1], in_aggregate);
  const std::u16string& op = e.op;
  if (op == u"=" || op == u"<>" || op == u"<" || op == u">" || op == u"<=" || op == u">=")
    return compare(a, tk_utf16_to_utf8(op), b);
  if (op == u"&") {
    value r = make("(COALESCE(" + as(a, SQL_MEMO) + ",'') || COALESCE(" + as(b, SQL_MEMO) + ",''))",
                   (a.type == SQL_MEMO || b.type == SQL_MEMO) ? SQL_MEMO : SQL_TEXT, {&a, &b});
    if (a.type == SQL_NULL && b.type == SQL_NULL) r.sql = "NULL";
    return r;
  }
  if (op == u"AND" || op == u"OR" || op == u"XOR" || op == u"EQV" || op == u"IMP") {
    const bool bitwise = !a.logical && !b.logical && a.type != SQL_BOOLEAN &&
                         b.type != SQL_BOOLEAN && sql_rep_of(a.type) == sql_rep::integer &&
                         sql_rep_of(b.type) == sql_rep::integer;
    if (bitwise && (op == u"AND" || op == u"OR")) {
      return make("(" + a.sql + (op == u"AND" ? " & " : " | ") + b.sql + ")",
                  type_of_rank(std::max(rank_of(a.type), rank_of(b.type))), {&a, &b});
    }
    value r = make("", SQL_BOOLEAN, {&a, &b});
    const std::string x = "(" + truth(a) + "<>0)", y = "(" + truth(b) + "<>0)";
    if (op == u"AND") r.sql = "(" + truth(a) + " AND " + truth(b) + ")";
    if (op == u"OR") r.sql = "(" + truth(a) + " OR " + truth(b) + ")";
    if (op == u"XOR") r.sql = "(" + x + " <> " + y + ")";
    if (op == u"EQV") r.sql = "(" + x + " = " + y + ")";
    if (op == u"IMP") r.sql = "((NOT " + truth(a) + ") OR " + truth(b) + ")";
    r.logical = true;
    return r;
  }
  return arithmetic(op, a, b);
}

// A column by name: this select's sources, then enclosing selects, then a
// select alias; otherwise the engine takes it for a parameter.
value translator::column(scope& sc, const sql_expr& e, bool in_aggregate) {
  for (scope* s = &sc; s; s = s->outer) {
    const column_ref* found = nullptr;
    size_t found_source = 0;
    for (size_t i = 0; i < s->sources.size(); ++i) {
      const source& src = s->sources[i];
      if (!e.qualifier.empty() && !same_name(src.name, e.qualifier)) continue;
      for (const column_ref& c : src.columns) {
        if (!same_name(c.name, e.name)) continue;
        if (found) throw sql_errors::ambiguous_field(tk_utf16_to_utf8(e.name));
        found = &c;
        found_source = i;
      }
    }
    if (found) {
      if (s->tracking) s->used.insert(found_source);
      need(*found);
      value v = make(found->sql, found->info.type, {});
      v.column = &found->info;
      if (!in_aggregate && s == &sc) v.loose.push_back(found->sql);
      return v;
    }
    if (e.qualifier.empty() && s->select && s == &sc) {
      for (const sql_select_item& item : s->select->items) {
        if (item.alias.empty() || !same_name(item.alias, e.name)) continue;
        if (std::find(s->expanding.begin(), s->expanding.end(), item.expr.get()) !=
            s->expanding.end())
          break;  // an alias that refers to itself
        s->expanding.push_back(item.expr.get());
        value v = expr(*s, *item.expr, in_aggregate);
        s->expanding.pop_back();
        return v;
      }
    }
  }
  add_parameter(e.qualifier.empty() ? e.name : e.qualifier + u"." + e.name);
  return make("NULL", SQL_NULL, {});
}

void translator::add_parameter(const std::u16string& name) {
  for (const std::u16string& p : parameters_)
    if (same_name(p, name)) return;
  parameters_.push_back(name);
}

value translator::aggregate(scope& sc, const sql_expr& e, const std::string& name,
                            bool in_aggregate) {
  if (in_aggregate) throw sql_errors::missing_operator(source_text(e));
  if (name == "COUNT" && e.star_argument) {
    value r = make("COUNT(*)", SQL_LONG, {});
    r.aggregate = true;
    return r;
  }
  if (e.star_argument || e.args.size() != 1) throw sql_errors::wrong_argument_count(source_text(e));
  value a = expr(sc, *e.args[0], true);
  a.loose.clear();
  const sql_rep ra = sql_rep_of(a.type);
  std::string s;
  int16_t t = a.type;
  const std::string arg = materialize(a);
  if (name == "COUNT") {
    s = "COUNT(" + arg + ")";
    t = SQL_LONG;
  } else if (name == "SUM" || name == "AVG") {
    if (ra == sql_rep::blob) throw sql_errors::type_mismatch();
    const bool avg = name == "AVG";
    if (ra == sql_rep::decimal) {
      s = (avg ? "acc_dec_avg(" : "acc_dec_sum(") + arg + ")";
    } else if (ra == sql_rep::currency) {
      s = avg ? "acc_cy_avg(" + arg + ")" : "SUM(" + arg + ")";
    } else if (ra == sql_rep::integer || ra == sql_rep::boolean) {
      s = avg ? "AVG(" + arg + ")" : "SUM(" + arg + ")";
      t = avg ? SQL_DOUBLE : (a.type == SQL_BIGINT ? SQL_BIGINT : SQL_LONG);
    } else {
      s = (avg ? "AVG(" : "SUM(") + as(a, SQL_DOUBLE) + ")";
      t = SQL_DOUBLE;
    }
  } else if (name == "MIN" || name == "MAX") {
    s = name + "(" + arg + ")";
    if (ra == sql_rep::null) t = SQL_NULL;
  } else if (name == "FIRST" || name == "LAST") {
    s = (name == "FIRST" ? "acc_first(" : "acc_last(") + arg + ")";
  } else {
    if (ra == sql_rep::text || ra == sql_rep::blob) throw sql_errors::type_mismatch();
    const bool population = name == "STDEVP" || name == "VARP";
    const bool variance = name == "VAR" || name == "VARP";
    s = std::string(variance ? "acc_var(" : "acc_stdev(") + as(a, SQL_DOUBLE) + "," +
        (population ? "1" : "0") + ")";
    t = SQL_DOUBLE;
  }
  value r = make(s, t, {});
  r.aggregate = true;
  return r;
}

value translator::call(scope& sc, const sql_expr& e, bool in_aggregate) {
  if (const function_spec* f = find_spec(std::begin(kAggregates), std::end(kAggregates), e.name))
    return aggregate(sc, e, f->name, in_aggregate);
  const sql_function_spec* f = sql_find_function(tk_utf16_to_utf8(e.name));
  if (!f) throw sql_errors::undefined_function(tk_utf16_to_utf8(e.name));
  if (e.star_argument || int(e.args.size()) < f->min_args || int(e.args.size()) > f->max_args)
    throw sql_errors::wrong_argument_count(source_text(e));
  std::vector<value> a;
  for (const auto& arg : e.args) a.push_back(expr(sc, *arg, in_aggregate));
  const call_args args(*this, a, source_text(e));
  const sql_call_result written = sql_translate_function(*f, args);
  value r;
  for (const value& v : a) {
    r.aggregate = r.aggregate || v.aggregate;
    r.loose.insert(r.loose.end(), v.loose.begin(), v.loose.end());
  }
  r.sql = written.sql;
  r.type = written.type;
  r.logical = written.logical;
  return r;
}

}  // namespace sql_translation
