// The parser's functions with a syntax of their own (TRIM's FROM form,
// EXTRACT), and the names of the built-ins that functions.h implements.
#include <unordered_set>

#include "oraemb/ora_error.h"
#include "oraemb/parser.h"

namespace oraemb {

bool is_builtin_function(const std::string& name) {
  static const std::unordered_set<std::string> names = {
      "GREATEST", "LEAST",     "ADD_MONTHS", "MONTHS_BETWEEN", "LAST_DAY", "EXTRACT", "LPAD",
      "RPAD",     "TRANSLATE", "INITCAP",    "REMAINDER",      "POWER",    "SQRT",    "SIGN",
      "FLOOR",    "CEIL",      "STDDEV",     "VARIANCE",       "EXP",      "LN",      "LOG",
      "CHR",      "ASCII"};
  return names.count(name) > 0;
}

ExprPtr Parser::special_function(const std::string& fn, size_t start) {
  if (fn != "TRIM" && fn != "EXTRACT") return nullptr;
  auto e = make(Op::Func, start);
  e->name = fn;
  expect_sym("(", 906);
  auto literal = [&](const std::string& text) {
    auto lit = make(Op::Literal, start);
    lit->literal = Value::text(text);
    return lit;
  };
  if (fn == "EXTRACT") {
    static const char* const fields[] = {"YEAR", "MONTH", "DAY", "HOUR", "MINUTE", "SECOND"};
    std::string field;
    for (const char* f : fields)
      if (is_kw(f)) field = f;
    if (field.empty()) {
      if (peek().kind == Tok::Ident && peek().text.rfind("TIMEZONE", 0) == 0)
        unsupported("EXTRACT of " + peek().text);
      fail(905);
    }
    next();
    expect_kw("FROM");
    e->args.push_back(literal(field));
    e->args.push_back(expr());
  } else {
    // TRIM(s), or TRIM([LEADING | TRAILING | BOTH] [c] FROM s), which the
    // executor receives as TRIM(s, c, 'L' | 'T' | 'B').
    std::string mode;
    if (accept_kw("LEADING"))
      mode = "L";
    else if (accept_kw("TRAILING"))
      mode = "T";
    else if (accept_kw("BOTH"))
      mode = "B";
    ExprPtr character, source;
    if (!mode.empty() && accept_kw("FROM")) {
      character = literal(" ");
      source = expr();
    } else {
      ExprPtr first = expr();
      if (accept_kw("FROM")) {
        character = std::move(first);
        source = expr();
      } else {
        if (!mode.empty()) fail(905);
        source = std::move(first);
      }
    }
    e->args.push_back(std::move(source));
    if (character) {
      e->args.push_back(std::move(character));
      e->args.push_back(literal(mode.empty() ? "B" : mode));
    }
  }
  expect_sym(")", 907);
  e->end = lexed_.tokens[pos_ - 1].end;
  return e;
}

}  // namespace oraemb
