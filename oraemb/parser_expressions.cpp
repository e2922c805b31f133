// The parser's expressions, with Oracle's operator precedence: conditions,
// predicates, arithmetic, primaries and function calls (an Oracle built-in
// the executor does not implement is an honest ORA-03001).
#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <unordered_set>

#include "oraemb/ora_error.h"
#include "oraemb/parser.h"

namespace oraemb {
namespace {

// Functions the executor implements.
const std::unordered_set<std::string>& implemented_functions() {
  static const std::unordered_set<std::string> names = {
      "COUNT",      "MIN",     "MAX",       "SUM",      "AVG",      "NVL",      "NVL2",
      "COALESCE",   "UPPER",   "LOWER",     "SUBSTR",   "LENGTH",   "TRIM",     "LTRIM",
      "RTRIM",      "TO_CHAR", "TO_NUMBER", "TO_DATE",  "HEXTORAW", "RAWTOHEX", "EMPTY_CLOB",
      "EMPTY_BLOB", "DECODE",  "ABS",       "ROUND",    "TRUNC",    "MOD",      "REPLACE",
      "INSTR",      "CONCAT",  "TO_CLOB",   "TO_NCHAR", "NULLIF",   "UNISTR",   "TO_TIMESTAMP"};
  return names;
}

// Oracle built-ins the executor does not implement: an honest ORA-03001.
const std::unordered_set<std::string>& known_functions() {
  static const std::unordered_set<std::string> names = {"ADD_MONTHS",
                                                        "ASCII",
                                                        "ASCIISTR",
                                                        "BITAND",
                                                        "CAST",
                                                        "CEIL",
                                                        "CHARTOROWID",
                                                        "CHR",
                                                        "COMPOSE",
                                                        "CONVERT",
                                                        "COS",
                                                        "COSH",
                                                        "CUME_DIST",
                                                        "DECOMPOSE",
                                                        "DENSE_RANK",
                                                        "DUMP",
                                                        "EXP",
                                                        "EXTRACT",
                                                        "FIRST_VALUE",
                                                        "FLOOR",
                                                        "FROM_TZ",
                                                        "GREATEST",
                                                        "INITCAP",
                                                        "INSTRB",
                                                        "LAG",
                                                        "LAST_DAY",
                                                        "LAST_VALUE",
                                                        "LEAD",
                                                        "LEAST",
                                                        "LENGTHB",
                                                        "LISTAGG",
                                                        "LN",
                                                        "LOG",
                                                        "LPAD",
                                                        "MEDIAN",
                                                        "MONTHS_BETWEEN",
                                                        "NANVL",
                                                        "NCHR",
                                                        "NEW_TIME",
                                                        "NEXT_DAY",
                                                        "NLSSORT",
                                                        "NLS_LOWER",
                                                        "NLS_UPPER",
                                                        "NUMTODSINTERVAL",
                                                        "NUMTOYMINTERVAL",
                                                        "ORA_HASH",
                                                        "POWER",
                                                        "RANK",
                                                        "RATIO_TO_REPORT",
                                                        "RAWTONHEX",
                                                        "REGEXP_COUNT",
                                                        "REGEXP_INSTR",
                                                        "REGEXP_LIKE",
                                                        "REGEXP_REPLACE",
                                                        "REGEXP_SUBSTR",
                                                        "REMAINDER",
                                                        "ROWIDTOCHAR",
                                                        "ROW_NUMBER",
                                                        "RPAD",
                                                        "SIGN",
                                                        "SIN",
                                                        "SINH",
                                                        "SOUNDEX",
                                                        "SQRT",
                                                        "STANDARD_HASH",
                                                        "STDDEV",
                                                        "SUBSTRB",
                                                        "SYS_CONTEXT",
                                                        "SYS_EXTRACT_UTC",
                                                        "SYS_GUID",
                                                        "SYSTIMESTAMP",
                                                        "TAN",
                                                        "TANH",
                                                        "TO_BLOB",
                                                        "TO_DSINTERVAL",
                                                        "TO_LOB",
                                                        "TO_MULTI_BYTE",
                                                        "TO_NCLOB",
                                                        "TO_SINGLE_BYTE",
                                                        "TO_TIMESTAMP_TZ",
                                                        "TO_YMINTERVAL",
                                                        "TRANSLATE",
                                                        "TZ_OFFSET",
                                                        "USERENV",
                                                        "VARIANCE",
                                                        "VSIZE",
                                                        "WIDTH_BUCKET",
                                                        "XMLAGG",
                                                        "XMLELEMENT",
                                                        "CURRENT_DATE",
                                                        "CURRENT_TIMESTAMP",
                                                        "LOCALTIMESTAMP",
                                                        "SYS_CONNECT_BY_PATH",
                                                        "CORR",
                                                        "COVAR_POP",
                                                        "NTILE",
                                                        "PERCENTILE_CONT"};
  return names;
}

struct DepthGuard {
  explicit DepthGuard(int& depth) : depth_(depth) {
    // Oracle limits nesting too; the engine's limit keeps recursion bounded.
    if (++depth_ > 200) raise_unimplemented("expressions nested more than 200 levels deep");
  }
  ~DepthGuard() { --depth_; }
  int& depth_;
};
}  // namespace

ExprPtr Parser::expr() {
  DepthGuard guard(depth_);
  ExprPtr left = and_expr();
  while (is_kw("OR")) {
    size_t start = left->start;
    next();
    auto e = make(Op::Or, start);
    e->args.push_back(std::move(left));
    e->args.push_back(and_expr());
    left = std::move(e);
  }
  return left;
}

ExprPtr Parser::and_expr() {
  ExprPtr left = not_expr();
  while (is_kw("AND")) {
    size_t start = left->start;
    next();
    auto e = make(Op::And, start);
    e->args.push_back(std::move(left));
    e->args.push_back(not_expr());
    left = std::move(e);
  }
  return left;
}

ExprPtr Parser::not_expr() {
  DepthGuard guard(depth_);
  if (is_kw("NOT")) {
    size_t start = next().start;
    auto e = make(Op::Not, start);
    e->args.push_back(not_expr());
    return e;
  }
  if (is_kw("EXISTS") && is_sym("(", 1)) {
    size_t start = next().start;
    next();
    auto e = make(Op::Exists, start);
    e->subquery = subquery_in_parens();
    return e;
  }
  return predicate();
}

ExprPtr Parser::predicate() {
  ExprPtr left = additive();
  size_t start = left->start;
  static const char* const cmps[] = {"=", "<>", "!=", "^=", "<", ">", "<=", ">="};
  for (const char* c : cmps) {
    if (is_sym(c)) {
      next();
      auto e = make(Op::Cmp, start);
      e->name = (std::string(c) == "!=" || std::string(c) == "^=") ? "<>" : c;
      if (is_kw("ANY") || is_kw("ALL") || is_kw("SOME")) {
        e->op = Op::Quantified;
        e->all = next().text == "ALL";
        e->args.push_back(std::move(left));
        expect_sym("(", 906);
        if (is_kw("SELECT") || is_kw("WITH")) {
          e->subquery = subquery_in_parens();
          return e;
        }
        do e->args.push_back(additive());
        while (accept_sym(","));
        expect_sym(")", 907);
        return e;
      }
      e->args.push_back(std::move(left));
      e->args.push_back(additive());
      return e;
    }
  }
  if (accept_kw("IS")) {
    auto e = make(Op::IsNull, start);
    e->negated = accept_kw("NOT");
    if (is_kw("NAN") || is_kw("INFINITE") || is_kw("A") || is_kw("EMPTY") || is_kw("OF"))
      unsupported(std::string(e->negated ? "IS NOT " : "IS ") + peek().text);
    expect_kw("NULL", 908);
    e->args.push_back(std::move(left));
    return e;
  }
  bool negated = false;
  if (is_kw("NOT") && (is_kw("LIKE", 1) || is_kw("IN", 1) || is_kw("BETWEEN", 1))) {
    next();
    negated = true;
  }
  if (accept_kw("LIKE")) {
    auto e = make(Op::Like, start);
    e->negated = negated;
    e->args.push_back(std::move(left));
    e->args.push_back(additive());
    if (accept_kw("ESCAPE")) e->args.push_back(additive());
    return e;
  }
  if (is_kw("LIKEC") || is_kw("LIKE2") || is_kw("LIKE4")) unsupported(peek().text);
  if (accept_kw("IN")) {
    auto e = make(Op::In, start);
    e->negated = negated;
    e->args.push_back(std::move(left));
    expect_sym("(", 906);
    if (is_kw("SELECT") || is_kw("WITH")) {
      e->subquery = subquery_in_parens();
      return e;
    }
    do e->args.push_back(additive());
    while (accept_sym(","));
    expect_sym(")", 907);
    return e;
  }
  if (accept_kw("BETWEEN")) {
    auto e = make(Op::Between, start);
    e->negated = negated;
    e->args.push_back(std::move(left));
    e->args.push_back(additive());
    expect_kw("AND");
    e->args.push_back(additive());
    return e;
  }
  if (negated) fail(920);
  return left;
}

ExprPtr Parser::additive() {
  ExprPtr left = multiplicative();
  while (is_sym("+") || is_sym("-") || is_sym("||")) {
    std::string sym = next().text;
    auto e = make(sym == "+" ? Op::Add : sym == "-" ? Op::Sub : Op::Concat, left->start);
    e->args.push_back(std::move(left));
    e->args.push_back(multiplicative());
    left = std::move(e);
  }
  return left;
}

ExprPtr Parser::multiplicative() {
  ExprPtr left = unary();
  while (is_sym("*") || is_sym("/")) {
    std::string sym = next().text;
    auto e = make(sym == "*" ? Op::Mul : Op::Div, left->start);
    e->args.push_back(std::move(left));
    e->args.push_back(unary());
    left = std::move(e);
  }
  return left;
}

ExprPtr Parser::unary() {
  DepthGuard guard(depth_);
  if (is_sym("-") || is_sym("+")) {
    const Token& tok = next();
    size_t start = tok.start;
    bool minus = tok.text == "-";
    ExprPtr operand = unary();
    if (!minus) return operand;
    if (operand->op == Op::Literal && operand->literal.kind == Kind::Number) {
      operand->literal.number = -operand->literal.number;
      operand->start = start;
      return operand;
    }
    auto e = make(Op::Neg, start);
    e->args.push_back(std::move(operand));
    return e;
  }
  if (is_kw("PRIOR") || is_kw("CONNECT_BY_ROOT")) unsupported(peek().text);
  return primary();
}

ExprPtr Parser::primary() {
  const Token& tok = peek();
  size_t start = tok.start;
  ExprPtr e;
  switch (tok.kind) {
    case Tok::Number: {
      auto n = OraNumber::parse(next().text);
      if (!n) raise(1722);
      n->check_range();
      e = make(Op::Literal, start);
      e->literal = Value::num(*n);
      break;
    }
    case Tok::String:
    case Tok::NString: {
      bool national = tok.kind == Tok::NString;
      if (tok.text.size() > 4000) raise(1704);
      e = make(Op::Literal, start);
      e->literal = Value::text(next().text);
      e->literal.national = national;
      break;
    }
    case Tok::Bind: {
      std::string bind = next().text;
      if ((bind == "NEW" || bind == "OLD") && is_sym(".")) {
        next();
        e = make(Op::NewRef, start);
        e->qualifier = bind;
        e->name = name(904);
      } else {
        e = make(Op::Bind, start);
        e->name = bind;
      }
      break;
    }
    case Tok::Symbol:
      if (tok.text == "(") {
        next();
        if (is_kw("SELECT") || is_kw("WITH")) {
          e = make(Op::Subquery, start);
          e->subquery = subquery_in_parens();
          break;
        }
        e = expr();
        if (is_sym(",")) unsupported("row value constructors");
        expect_sym(")", 907);
        e->start = start;
        if (peek().kind == Tok::Symbol && peek().text == "(+)")
          unsupported("(+) after a parenthesized expression");
      } else if (tok.text == "*") {
        fail(936);
      } else {
        fail(936);
      }
      break;
    case Tok::Ident:
    case Tok::QIdent: {
      bool quoted = tok.kind == Tok::QIdent;
      std::string word = next().text;
      if (!quoted) {
        if (word == "NULL") {
          e = make(Op::Literal, start);
          break;
        }
        if (word == "CASE") {
          e = make(Op::Case, start);
          if (!is_kw("WHEN")) {
            // CASE selector WHEN value THEN ...: the selector leads the arguments.
            e->name = "SIMPLE";
            e->args.push_back(expr());
            if (!is_kw("WHEN")) fail(905);
          }
          while (accept_kw("WHEN")) {
            e->args.push_back(expr());
            expect_kw("THEN");
            e->args.push_back(expr());
          }
          if (accept_kw("ELSE")) {
            e->has_else = true;
            e->args.push_back(expr());
          }
          expect_kw("END");
          break;
        }
        if ((word == "DATE" || word == "TIMESTAMP" || word == "INTERVAL") &&
            peek().kind == Tok::String) {
          if (word != "DATE") unsupported(word + " literals");
          std::string text = next().text;
          e = make(Op::Func, start);
          e->name = "TO_DATE";
          auto lit = make(Op::Literal, start);
          lit->literal = Value::text(text);
          e->args.push_back(std::move(lit));
          auto mask = make(Op::Literal, start);
          mask->literal = Value::text("SYYYY-MM-DD");  // a DATE literal may be signed
          e->args.push_back(std::move(mask));
          break;
        }
        if (word == "ROWNUM") {
          e = make(Op::Rownum, start);
          break;
        }
        if (word == "ROWID") {
          e = make(Op::Rowid, start);
          break;
        }
        if (word == "SYSDATE" || word == "USER") {
          e = make(Op::Func, start);
          e->name = word;
          break;
        }
        if (word == "LEVEL" || word == "SYSTIMESTAMP" || word == "CURRENT_DATE" ||
            word == "CURRENT_TIMESTAMP" || word == "LOCALTIMESTAMP" || word == "UID" ||
            word == "CONNECT_BY_ISLEAF")
          unsupported(word);
        if (is_reserved_word(word) && !is_sym("(")) fail(936);
      }
      if (is_sym("(") && !quoted) {
        e = function_call(word, start);
        break;
      }
      if (accept_sym(".")) {
        if (is_kw("NEXTVAL") || is_kw("CURRVAL")) {
          e = make(Op::SeqValue, start);
          e->qualifier = word;
          e->name = next().text;
        } else if (is_kw("ROWID")) {
          next();
          e = make(Op::Rowid, start);
          e->qualifier = word;
        } else if (is_sym("*")) {
          fail(936);
        } else {
          std::string second = name(904);
          if ((is_sym("(") && !is_sym("+", 1)) || is_sym("."))
            unsupported(is_sym(".") ? "schema-qualified column names" : "package functions");
          e = make(Op::Column, start);
          e->qualifier = word;
          e->name = second;
        }
      } else {
        e = make(Op::Column, start);
        e->name = word;
      }
      if (is_sym("(") && peek(1).kind == Tok::Symbol && peek(1).text == "+") {
        if (e->op != Op::Column || !is_sym(")", 2)) unsupported("(+) on anything but a column");
        next();
        next();
        next();
        e->outer_mark = true;  // the old outer-join marker (+)
      }
      break;
    }
    case Tok::End:
      fail(936);
  }
  e->end = lexed_.tokens[pos_ - 1].end;
  return e;
}

ExprPtr Parser::function_call(std::string fn, size_t start) {
  const bool analytic_only = fn == "ROW_NUMBER" || fn == "RANK" || fn == "DENSE_RANK";
  if (!analytic_only && !implemented_functions().count(fn) && !is_builtin_function(fn)) {
    if (known_functions().count(fn)) unsupported(fn);
    raise(904, {dq(fn)});
  }
  if (ExprPtr special = special_function(fn, start)) return special;
  auto e = make(Op::Func, start);
  e->name = fn;
  expect_sym("(", 906);
  if (fn == "COUNT" && accept_sym("*")) {
    auto star = make(Op::Star, start);
    e->args.push_back(std::move(star));
  } else if (!is_sym(")")) {
    if (accept_kw("DISTINCT"))
      e->distinct = true;
    else
      accept_kw("ALL");
    do e->args.push_back(expr());
    while (accept_sym(","));
  }
  expect_sym(")", 907);
  if (analytic_only && !is_kw("OVER")) {
    if (is_kw("WITHIN")) unsupported(fn + " WITHIN GROUP");
    throw ora_error(30484, "missing OVER clause for this analytic function");
  }
  if (accept_kw("OVER")) {
    if (!analytic_only && fn != "SUM" && fn != "COUNT" && fn != "AVG" && fn != "MIN" && fn != "MAX")
      unsupported(fn + " OVER");
    e->op = Op::Analytic;
    e->over = window_spec();
  }
  if (is_kw("OVER") || is_kw("KEEP") || is_kw("WITHIN")) unsupported(fn + " " + peek().text);
  return e;
}

}  // namespace oraemb
