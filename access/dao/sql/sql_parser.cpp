// Recursive-descent parser of Access SQL (see sql_parser.h). Operator
// precedence follows the engine's expression service, lowest first:
// Imp, Eqv, Xor, Or, And, Not, comparisons (= <> < > <= >= Like Is Between
// In), &, + -, Mod, \, * /, unary minus, ^.
#include "access/dao/sql/sql_parser.h"

#include <cmath>
#include <cstdlib>

#include "OLE/automation/oleauto.h"
#include "TK/tk_text.h"
#include "access/dao/sql/sql_errors.h"
#include "access/dao/sql/sql_lexer.h"

namespace {

using expr_ptr = std::unique_ptr<sql_expr>;
using K = sql_expr::kind;

const char* const kClauseWords[] = {"FROM", "WHERE", "GROUP", "HAVING", "ORDER", "UNION", "PIVOT"};
// Words that never start or continue an expression as a name.
const char* const kReserved[] = {
    "SELECT", "FROM",    "WHERE", "GROUP",    "HAVING", "ORDER", "UNION", "AND",
    "OR",     "NOT",     "XOR",   "EQV",      "IMP",    "MOD",   "LIKE",  "IS",
    "IN",     "BETWEEN", "AS",    "ON",       "INNER",  "LEFT",  "RIGHT", "JOIN",
    "BY",     "ASC",     "DESC",  "DISTINCT", "TOP",    "ALL",   "PIVOT", "TRANSFORM"};

class parser {
 public:
  explicit parser(const std::u16string& text) : lexer_(text) { tok_ = lexer_.read(0); }

  std::unique_ptr<sql_select> statement() {
    auto select = full_query();
    if (is_op(u";")) advance();
    if (tok_.kind != sql_token_kind::end) throw sql_errors::trailing_characters();
    return select;
  }

  // A validation rule: one expression and nothing after it. With a column
  // name, a comparison, Like, Is, Between or In that has no left side
  // compares that column, as a field's rule reads.
  std::unique_ptr<sql_expr> rule(const std::u16string& column) {
    implicit_ = column;
    if (tok_.kind == sql_token_kind::end) throw sql_errors::missing_operator("");
    auto e = top_expression();
    if (tok_.kind != sql_token_kind::end) expression_error();
    return e;
  }

 private:
  // A SELECT with what may come around it: PARAMETERS before, TRANSFORM
  // ... PIVOT around.
  std::unique_ptr<sql_select> full_query() {
    std::vector<std::u16string> parameters;
    if (sql_is_word(tok_, "PARAMETERS")) parameters = declarations();
    std::unique_ptr<sql_expr> transform;
    std::u16string transform_alias;
    if (word("TRANSFORM")) {
      advance();
      transform = top_expression();
      if (accept_word("AS")) transform_alias = alias_name(false);
      if (!word("SELECT")) throw sql_errors::invalid_statement();
    }
    if (!sql_is_word(tok_, "SELECT")) {
      if (sql_is_word(tok_, "INSERT") || sql_is_word(tok_, "UPDATE") || sql_is_word(tok_, "DELETE"))
        throw jet_failure(JET_ERR_INVALID_OPERATION, "Invalid operation.");
      throw sql_errors::invalid_statement();
    }
    auto select = query();
    select->parameters = std::move(parameters);
    if (transform) {
      if (!select->unions.empty()) throw sql_errors::invalid_statement();
      if (!accept_word("PIVOT")) throw crosstab_error();
      select->transform = std::move(transform);
      select->transform_alias = std::move(transform_alias);
      // The pivot ends before IN, which lists the columns.
      expr_begin_ = tok_.begin;
      select->pivot = concat();
      if (accept_word("IN")) {
        if (!accept_op(u"(")) expression_error();
        do select->pivot_in.push_back(top_expression());
        while (accept_op(u","));
        if (!accept_op(u")")) expression_error();
      }
    } else if (word("PIVOT")) {
      throw sql_errors::trailing_characters();
    }
    return select;
  }

  static jet_failure crosstab_error() {
    return jet_failure(3143, "Syntax error in TRANSFORM statement.");
  }

  // PARAMETERS name type [, name type]... ; the names, in order.
  std::vector<std::u16string> declarations() {
    advance();
    std::vector<std::u16string> names;
    for (;;) {
      if (tok_.kind != sql_token_kind::bracketed && tok_.kind != sql_token_kind::name)
        throw jet_failure(3139, "Syntax error in PARAMETER clause.");
      names.push_back(tok_.text);
      advance();
      // The type: words, with a size in parentheses for Text.
      while (tok_.kind == sql_token_kind::name || tok_.kind == sql_token_kind::number ||
             is_op(u"(") || is_op(u")"))
        advance();
      if (accept_op(u",")) continue;
      if (accept_op(u";")) break;
      throw jet_failure(3139, "Syntax error in PARAMETER clause.");
    }
    return names;
  }

  // ---- tokens
  void advance_raw() { tok_ = lexer_.read(tok_.end); }
  void advance() { advance_raw(); }
  bool is_op(const char16_t* op) const {
    return tok_.kind == sql_token_kind::op && tok_.text == op;
  }
  bool word(const char* w) const { return sql_is_word(tok_, w); }
  bool accept_word(const char* w) {
    if (!word(w)) return false;
    advance();
    return true;
  }
  bool accept_op(const char16_t* op) {
    if (!is_op(op)) return false;
    advance();
    return true;
  }
  bool clause_word() const {
    for (const char* w : kClauseWords)
      if (word(w)) return true;
    return false;
  }
  bool reserved() const {
    for (const char* w : kReserved)
      if (word(w)) return true;
    return false;
  }

  struct depth_guard {
    explicit depth_guard(int& d) : d_(d) {
      if (++d_ > kSqlMaxDepth) throw sql_errors::too_complex();
    }
    ~depth_guard() { --d_; }
    int& d_;
  };

  // ---- error texts
  // The query expression that starts at begin, as the engine quotes it: up
  // to the next clause word or top-level comma.
  std::string expression_text(size_t begin) const {
    size_t end = begin;
    int parens = 0;
    sql_token t = lexer_.read(begin);
    while (t.kind != sql_token_kind::end) {
      if (t.kind == sql_token_kind::bad_bracket || t.kind == sql_token_kind::bad_string ||
          t.kind == sql_token_kind::bad_date) {
        end = lexer_.text().size();
        break;
      }
      if (parens == 0) {
        bool stop = t.kind == sql_token_kind::op && (t.text == u"," || t.text == u";");
        for (const char* w : kClauseWords) stop = stop || sql_is_word(t, w);
        if (stop) break;
      }
      if (t.kind == sql_token_kind::op && t.text == u"(") ++parens;
      if (t.kind == sql_token_kind::op && t.text == u")" && --parens < 0) break;
      end = t.end;
      t = lexer_.read(t.end);
    }
    if (end < begin) end = begin;
    return tk_utf16_to_utf8(lexer_.text().substr(begin, end - begin));
  }

  [[noreturn]] void expression_error() const {
    const std::string text = expression_text(expr_begin_);
    switch (tok_.kind) {
      case sql_token_kind::bad_string:
        throw sql_errors::bad_string(text);
      case sql_token_kind::bad_date:
      case sql_token_kind::date:
        throw sql_errors::bad_date(text);
      case sql_token_kind::bad_bracket:
        throw sql_errors::missing_bracket(text);
      default:
        break;
    }
    if (is_op(u")")) throw sql_errors::extra_paren(text);
    throw sql_errors::missing_operator(text);
  }

  // ---- statement
  std::unique_ptr<sql_select> query() {
    depth_guard guard(depth_);
    auto select = core();
    while (word("UNION")) {
      advance();
      sql_select::union_part part;
      part.all = accept_word("ALL");
      if (!word("SELECT")) throw sql_errors::select_punctuation();
      part.select = core();
      select->unions.push_back(std::move(part));
    }
    if (word("ORDER")) {
      advance();
      if (!accept_word("BY")) throw sql_errors::order_by_clause();
      do {
        sql_order_item item;
        item.expr = top_expression();
        if (accept_word("DESC"))
          item.descending = true;
        else
          accept_word("ASC");
        select->order_by.push_back(std::move(item));
      } while (accept_op(u","));
    }
    return select;
  }

  std::unique_ptr<sql_select> core() {
    advance();  // SELECT
    auto s = std::make_unique<sql_select>();
    if (accept_word("DISTINCTROW")) {
      s->distinctrow = true;
    } else if (accept_word("DISTINCT")) {
      s->distinct = true;
    } else {
      accept_word("ALL");
    }
    if (word("TOP")) {
      advance();
      if (tok_.kind != sql_token_kind::number) throw sql_errors::select_punctuation();
      s->has_top = true;
      s->top = std::strtod(tk_utf16_to_utf8(tok_.text).c_str(), nullptr);
      advance();
      s->top_percent = accept_word("PERCENT");
      if (!(s->top > 0) || (!s->top_percent && s->top != std::floor(s->top)) ||
          (s->top_percent && s->top > 100))
        throw sql_errors::select_punctuation();
    }
    do {
      sql_select_item item;
      if (is_op(u"*")) {
        item.expr = std::make_unique<sql_expr>();
        item.expr->what = K::star;
        item.expr->begin = tok_.begin;
        item.expr->end = tok_.end;
        advance();
      } else {
        if (clause_word() || tok_.kind == sql_token_kind::end)
          throw sql_errors::select_punctuation();
        item.expr = top_expression();
        if (accept_word("AS")) item.alias = alias_name(false);
      }
      s->items.push_back(std::move(item));
    } while (accept_op(u","));
    if (accept_word("FROM")) {
      do s->from.push_back(join_source());
      while (accept_op(u","));
      if (!clause_word() && !is_op(u";") && !is_op(u")") && tok_.kind != sql_token_kind::end)
        throw sql_errors::from_clause();
    } else if (!clause_word() && !is_op(u";") && !is_op(u")") && tok_.kind != sql_token_kind::end) {
      expr_begin_ = s->items.back().expr->begin;
      expression_error();
    }
    if (accept_word("WHERE")) s->where = top_expression();
    if (word("GROUP")) {
      advance();
      if (!accept_word("BY")) throw sql_errors::group_by_clause();
      do s->group_by.push_back(top_expression());
      while (accept_op(u","));
    }
    if (accept_word("HAVING")) s->having = top_expression();
    return s;
  }

  std::u16string alias_name(bool in_from) {
    if (tok_.kind == sql_token_kind::bracketed ||
        (tok_.kind == sql_token_kind::name && !reserved())) {
      std::u16string name = tok_.text;
      advance();
      return name;
    }
    if (in_from) throw sql_errors::from_clause();
    expression_error();
  }

  // ---- FROM
  std::unique_ptr<sql_source> join_source() {
    depth_guard guard(depth_);
    auto left = primary_source();
    if (!(word("INNER") || word("LEFT") || word("RIGHT"))) return left;
    auto join = std::make_unique<sql_source>();
    join->what = sql_source::kind::join;
    if (accept_word("INNER")) {
      join->join = sql_source::join_kind::inner;
    } else {
      join->join = word("LEFT") ? sql_source::join_kind::left : sql_source::join_kind::right;
      advance();
      accept_word("OUTER");
    }
    if (!accept_word("JOIN")) throw sql_errors::from_clause();
    join->left = std::move(left);
    join->right = primary_source();
    if (!accept_word("ON")) throw sql_errors::from_clause();
    const size_t on_begin = tok_.begin;
    join->on = top_expression();
    if (word("INNER") || word("LEFT") || word("RIGHT") || word("JOIN"))
      throw sql_errors::missing_operator(expression_text(on_begin));
    return join;
  }

  std::unique_ptr<sql_source> primary_source() {
    depth_guard guard(depth_);
    if (accept_op(u"(")) {
      if (word("SELECT") || word("TRANSFORM") || word("PARAMETERS")) {
        auto source = std::make_unique<sql_source>();
        source->what = sql_source::kind::select;
        source->select = word("SELECT") ? query() : full_query();
        accept_op(u";");
        if (!accept_op(u")")) throw sql_errors::from_clause();
        table_alias(*source);
        return source;
      }
      auto inner = join_source();
      if (!accept_op(u")")) throw sql_errors::from_clause();
      return inner;
    }
    if (tok_.kind == sql_token_kind::bad_bracket)
      throw sql_errors::invalid_bracketing(tk_utf16_to_utf8(tok_.text));
    if (tok_.kind != sql_token_kind::bracketed && (tok_.kind != sql_token_kind::name || reserved()))
      throw sql_errors::from_clause();
    auto source = std::make_unique<sql_source>();
    source->name = tok_.text;
    advance();
    if (is_op(u".") || is_op(u"!")) throw sql_errors::from_clause();  // other databases
    table_alias(*source);
    return source;
  }

  void table_alias(sql_source& source) {
    if (accept_word("AS")) {
      source.alias = alias_name(true);
    } else if (tok_.kind == sql_token_kind::bracketed ||
               (tok_.kind == sql_token_kind::name && !reserved())) {
      source.alias = tok_.text;
      advance();
    }
  }

  // ---- expressions
  expr_ptr top_expression() {
    expr_begin_ = tok_.begin;
    return expression();
  }

  expr_ptr expression() {
    depth_guard guard(depth_);
    return binary_level(0);
  }

  static expr_ptr make(K what, size_t begin, size_t end) {
    auto e = std::make_unique<sql_expr>();
    e->what = what;
    e->begin = begin;
    e->end = end;
    return e;
  }

  static expr_ptr combine(K what, const std::u16string& op, expr_ptr a, expr_ptr b) {
    auto e = make(what, a->begin, b ? b->end : a->end);
    e->op = op;
    e->depth = a->depth + 1;
    if (b && b->depth + 1 > e->depth) e->depth = b->depth + 1;
    if (e->depth > kSqlMaxDepth) throw sql_errors::too_complex();
    e->args.push_back(std::move(a));
    if (b) e->args.push_back(std::move(b));
    return e;
  }

  // Logical operators by level: Imp, Eqv, Xor, Or, And.
  expr_ptr binary_level(int level) {
    static const char* const kWords[] = {"IMP", "EQV", "XOR", "OR", "AND"};
    static const char16_t* const kOps[] = {u"IMP", u"EQV", u"XOR", u"OR", u"AND"};
    if (level == 5) return not_level();
    auto left = binary_level(level + 1);
    while (word(kWords[level])) {
      advance();
      left = combine(K::binary, kOps[level], std::move(left), binary_level(level + 1));
    }
    return left;
  }

  expr_ptr not_level() {
    if (word("NOT")) {
      depth_guard guard(depth_);
      const size_t begin = tok_.begin;
      advance();
      auto e = combine(K::unary, u"NOT", not_level(), nullptr);
      e->begin = begin;
      return e;
    }
    return comparison();
  }

  expr_ptr subquery_in_parens() {
    if (!accept_op(u"(") || !word("SELECT")) expression_error();
    auto e = make(K::subquery, tok_.begin, tok_.begin);
    const size_t saved = expr_begin_;
    e->select = query();
    expr_begin_ = saved;
    if (!accept_op(u")")) expression_error();
    return e;
  }

  // In a field's rule, the current token begins a comparison whose left
  // side is the field.
  bool implicit_left() const {
    if (implicit_.empty()) return false;
    if (tok_.kind == sql_token_kind::op)
      return tok_.text == u"=" || tok_.text == u"<>" || tok_.text == u"<" || tok_.text == u">" ||
             tok_.text == u"<=" || tok_.text == u">=";
    return word("LIKE") || word("IS") || word("BETWEEN") || word("IN");
  }

  expr_ptr comparison() {
    expr_ptr left;
    if (implicit_left()) {
      left = make(K::column, tok_.begin, tok_.begin);
      left->name = implicit_;
    } else {
      left = concat();
    }
    for (;;) {
      bool negated = false;
      if (word("NOT")) {
        const sql_token next = lexer_.read(tok_.end);
        if (!(sql_is_word(next, "LIKE") || sql_is_word(next, "BETWEEN") || sql_is_word(next, "IN")))
          return left;
        advance();
        negated = true;
      }
      if (accept_word("LIKE")) {
        left = combine(K::like, u"LIKE", std::move(left), concat());
        left->negated = negated;
      } else if (accept_word("IS")) {
        const bool is_not = accept_word("NOT");
        if (!word("NULL")) expression_error();
        const size_t end = tok_.end;
        advance();
        left = combine(K::is_null, u"IS", std::move(left), nullptr);
        left->negated = is_not;
        left->end = end;
      } else if (accept_word("BETWEEN")) {
        auto low = concat();
        if (!accept_word("AND")) expression_error();
        auto high = concat();
        auto e = combine(K::between, u"BETWEEN", std::move(left), std::move(low));
        if (high->depth + 1 > e->depth) e->depth = high->depth + 1;
        e->end = high->end;
        e->args.push_back(std::move(high));
        e->negated = negated;
        left = std::move(e);
      } else if (accept_word("IN")) {
        if (!is_op(u"(")) expression_error();
        const sql_token next = lexer_.read(tok_.end);
        if (sql_is_word(next, "SELECT")) {
          auto sub = subquery_in_parens();
          auto e = combine(K::in_select, u"IN", std::move(left), nullptr);
          e->select = std::move(sub->select);
          e->negated = negated;
          left = std::move(e);
        } else {
          advance();
          auto e = combine(K::in_list, u"IN", std::move(left), nullptr);
          e->negated = negated;
          do {
            auto item = concat();
            if (item->depth + 1 > e->depth) e->depth = item->depth + 1;
            e->args.push_back(std::move(item));
          } while (accept_op(u","));
          if (!is_op(u")")) expression_error();
          e->end = tok_.end;
          advance();
          left = std::move(e);
        }
      } else if (negated) {
        expression_error();
      } else if (tok_.kind == sql_token_kind::op &&
                 (tok_.text == u"=" || tok_.text == u"<>" || tok_.text == u"<" ||
                  tok_.text == u">" || tok_.text == u"<=" || tok_.text == u">=")) {
        const std::u16string op = tok_.text;
        advance();
        if (word("ANY") || word("SOME") || word("ALL")) {
          const std::u16string quantifier = word("ALL") ? u"ALL" : u"ANY";
          advance();
          auto sub = subquery_in_parens();
          auto e = combine(K::quantified, op, std::move(left), nullptr);
          e->name = quantifier;
          e->select = std::move(sub->select);
          left = std::move(e);
        } else {
          left = combine(K::binary, op, std::move(left), concat());
        }
      } else {
        return left;
      }
    }
  }

  expr_ptr concat() {
    auto left = additive();
    while (accept_op(u"&")) left = combine(K::binary, u"&", std::move(left), additive());
    return left;
  }

  expr_ptr additive() {
    auto left = modulo();
    while (is_op(u"+") || is_op(u"-")) {
      const std::u16string op = tok_.text;
      advance();
      left = combine(K::binary, op, std::move(left), modulo());
    }
    return left;
  }

  expr_ptr modulo() {
    auto left = int_division();
    while (accept_word("MOD")) left = combine(K::binary, u"MOD", std::move(left), int_division());
    return left;
  }

  expr_ptr int_division() {
    auto left = multiplicative();
    while (accept_op(u"\\")) left = combine(K::binary, u"\\", std::move(left), multiplicative());
    return left;
  }

  expr_ptr multiplicative() {
    auto left = negation();
    while (is_op(u"*") || is_op(u"/")) {
      const std::u16string op = tok_.text;
      advance();
      left = combine(K::binary, op, std::move(left), negation());
    }
    return left;
  }

  expr_ptr negation() {
    if (is_op(u"-") || is_op(u"+")) {
      depth_guard guard(depth_);
      const bool minus = is_op(u"-");
      const size_t begin = tok_.begin;
      advance();
      auto operand = negation();
      if (!minus) return operand;
      auto e = combine(K::unary, u"-", std::move(operand), nullptr);
      e->begin = begin;
      return e;
    }
    return power();
  }

  expr_ptr power() {
    auto left = primary();
    while (accept_op(u"^")) {
      depth_guard guard(depth_);
      left = combine(K::binary, u"^", std::move(left), negation());
    }
    return left;
  }

  expr_ptr primary() {
    depth_guard guard(depth_);
    const sql_token t = tok_;
    switch (t.kind) {
      case sql_token_kind::number: {
        advance();
        const std::string digits = tk_utf16_to_utf8(t.text);
        auto e = make(K::real, t.begin, t.end);
        e->number_text = t.text;
        e->real = std::strtod(digits.c_str(), nullptr);
        bool integral = true;
        for (char16_t c : t.text) integral = integral && c >= u'0' && c <= u'9';
        if (integral && t.text.size() <= 10 && e->real <= 2147483647.0) {
          e->what = K::integer;
          e->integer = int64_t(e->real);
        }
        return e;
      }
      case sql_token_kind::string: {
        advance();
        auto e = make(K::text, t.begin, t.end);
        e->name = t.text;
        return e;
      }
      case sql_token_kind::date: {
        DATE value = 0;
        if (t.text.empty() || VarDateFromStr(t.text.c_str(), 1033, 0, &value) < 0)
          expression_error();
        advance();
        auto e = make(K::date, t.begin, t.end);
        e->real = value;
        return e;
      }
      case sql_token_kind::op:
        if (t.text == u"(") {
          const sql_token next = lexer_.read(t.end);
          if (sql_is_word(next, "SELECT")) {
            auto e = subquery_in_parens();
            e->begin = t.begin;
            return e;
          }
          advance();
          auto inner = expression();
          if (!is_op(u")")) expression_error();
          advance();
          return inner;
        }
        expression_error();
      case sql_token_kind::name:
      case sql_token_kind::bracketed:
        break;
      default:
        expression_error();
    }
    if (t.kind == sql_token_kind::name) {
      if (word("NULL")) {
        advance();
        return make(K::null, t.begin, t.end);
      }
      if (word("TRUE") || word("YES") || word("FALSE") || word("NO")) {
        auto e = make(K::boolean, t.begin, t.end);
        e->integer = (word("TRUE") || word("YES")) ? -1 : 0;
        advance();
        return e;
      }
      if (word("EXISTS")) {
        advance();
        auto e = subquery_in_parens();
        e->what = K::exists;
        e->begin = t.begin;
        return e;
      }
      // Left( and Right( are functions; other reserved words end the expression.
      const sql_token next = lexer_.read(tok_.end);
      const bool call_next = next.kind == sql_token_kind::op && next.text == u"(";
      if (reserved() && !(call_next && (word("LEFT") || word("RIGHT")))) expression_error();
    }
    advance();
    if (t.kind == sql_token_kind::name && is_op(u"(")) return call(t);
    auto e = make(K::column, t.begin, t.end);
    e->name = t.text;
    if (is_op(u".") || is_op(u"!")) {
      advance();
      if (is_op(u"*")) {
        e->what = K::star;
      } else if (tok_.kind != sql_token_kind::name && tok_.kind != sql_token_kind::bracketed) {
        expression_error();
      }
      e->qualifier = e->name;
      e->name = tok_.text;
      e->end = tok_.end;
      advance();
      // Forms!Orders!OrderID: a control of an open form, which only Access
      // itself resolves; elsewhere the name is no column of the query and
      // becomes one of its parameters, as it does for DAO.
      while (e->what == K::column && (is_op(u".") || is_op(u"!"))) {
        const std::u16string separator = tok_.text;
        advance();
        if (tok_.kind != sql_token_kind::name && tok_.kind != sql_token_kind::bracketed)
          expression_error();
        e->qualifier += separator + e->name;
        e->name = tok_.text;
        e->end = tok_.end;
        advance();
      }
    }
    return e;
  }

  expr_ptr call(const sql_token& name) {
    advance();  // (
    auto e = make(K::call, name.begin, name.end);
    e->name = name.text;
    if (is_op(u"*")) {
      e->star_argument = true;
      advance();
    } else if (!is_op(u")")) {
      do {
        auto arg = expression();
        if (arg->depth + 1 > e->depth) e->depth = arg->depth + 1;
        e->args.push_back(std::move(arg));
      } while (accept_op(u","));
    }
    if (!is_op(u")")) expression_error();
    e->end = tok_.end;
    advance();
    if (e->depth > kSqlMaxDepth) throw sql_errors::too_complex();
    return e;
  }

  sql_lexer lexer_;
  sql_token tok_;
  int depth_ = 0;
  size_t expr_begin_ = 0;
  std::u16string implicit_;  // the field a rule's comparisons default to
};

}  // namespace

std::unique_ptr<sql_select> sql_parse(const std::u16string& text) {
  return parser(text).statement();
}

std::unique_ptr<sql_expr> sql_parse_rule(const std::u16string& text, const std::u16string& column) {
  return parser(text).rule(column);
}
