// The parser's CHECK conditions, constraint states and COMMENT ON. A CHECK
// condition is refused here for what Oracle never lets one hold (queries,
// system variables, pseudocolumns, sequences, binds), token by token, so the
// refusal does not depend on how the expression grammar represents them.
#include <cstring>

#include "oraemb/ora_error.h"
#include "oraemb/parser.h"

namespace oraemb {
namespace {

// Values that change from one evaluation to the next: ORA-02436.
bool is_system_variable(const std::string& word) {
  static const char* const words[] = {
      "SYSDATE", "SYSTIMESTAMP", "CURRENT_DATE", "CURRENT_TIMESTAMP", "LOCALTIMESTAMP", "USER",
      "UID",     "USERENV",      "SYS_CONTEXT",  "SESSIONTIMEZONE",   "DBTIMEZONE"};
  for (const char* w : words)
    if (word == w) return true;
  return false;
}

bool is_pseudocolumn(const std::string& word) {
  return word == "ROWNUM" || word == "LEVEL" || word == "PRIOR" || word == "ROWID" ||
         word == "CONNECT_BY_ROOT" || word == "CONNECT_BY_ISLEAF" || word == "CONNECT_BY_ISCYCLE";
}

}  // namespace

void Parser::check_clause(ConstraintDef& c) {
  c.type = 'C';
  expect_sym("(", 906);
  // The condition's tokens up to the closing parenthesis.
  int depth = 1;
  for (size_t k = pos_; k < lexed_.tokens.size(); ++k) {
    const Token& tok = lexed_.tokens[k];
    if (tok.kind == Tok::End) break;
    if (tok.kind == Tok::Symbol && tok.text == "(") ++depth;
    if (tok.kind == Tok::Symbol && tok.text == ")" && --depth == 0) break;
    if (tok.kind == Tok::Bind)
      throw ora_error(1027, "bind variables not allowed for data definition operations");
    if (tok.kind != Tok::Ident) continue;
    // Names that are functions only when a "(" follows (a column may be
    // called OVER or USERENV).
    const bool call = k + 1 < lexed_.tokens.size() && lexed_.tokens[k + 1].kind == Tok::Symbol &&
                      lexed_.tokens[k + 1].text == "(";
    if (tok.text == "SELECT" || tok.text == "WITH") raise(2251);
    if (tok.text == "OVER" && call)
      throw ora_error(30483, "window  functions are not allowed here");
    if ((tok.text == "USERENV" || tok.text == "SYS_CONTEXT") && !call) continue;
    if (is_system_variable(tok.text)) raise(2436);
    if (is_pseudocolumn(tok.text)) raise(976);
    if ((tok.text == "NEXTVAL" || tok.text == "CURRVAL") && k > 0 &&
        lexed_.tokens[k - 1].kind == Tok::Symbol && lexed_.tokens[k - 1].text == ".")
      raise(2287);
  }
  size_t start = peek().start;
  c.condition = expr();
  c.condition_text = sql_.substr(start, lexed_.tokens[pos_ - 1].end - start);
  expect_sym(")", 907);
}

void Parser::constraint_state(ConstraintDef& c) {
  if (accept_kw("ENABLE"))
    c.enable = 1;
  else if (accept_kw("DISABLE"))
    c.enable = 0;
  if (accept_kw("VALIDATE"))
    c.validate = 1;
  else if (accept_kw("NOVALIDATE"))
    c.validate = 0;
  static const char* const others[] = {"USING", "DEFERRABLE", "INITIALLY",
                                       "RELY",  "NORELY",     "EXCEPTIONS"};
  for (const char* w : others)
    if (is_kw(w)) unsupported(peek().text + " in a constraint");
  // Only CHECK constraints may be created disabled or unvalidated here.
  if (c.type != 'C' && (c.enable == 0 || c.validate == 0))
    unsupported(std::string(c.enable == 0 ? "DISABLE" : "NOVALIDATE") +
                (c.type == 'P'   ? " of a primary key"
                 : c.type == 'U' ? " of a unique key"
                                 : " of a foreign key"));
}

std::unique_ptr<CommentStmt> Parser::comment_on() {
  auto cs = std::make_unique<CommentStmt>();
  expect_kw("COMMENT");
  expect_kw("ON");
  if (accept_kw("TABLE")) {
    cs->table = name(903);
    if (accept_sym(".")) unsupported("schema-qualified names");
  } else if (accept_kw("COLUMN")) {
    cs->table = name(903);
    expect_sym(".", 905);
    cs->column = name(904);
    if (accept_sym(".")) unsupported("schema-qualified names");
  } else {
    static const char* const others[] = {"MATERIALIZED", "OPERATOR", "INDEXTYPE",
                                         "EDITION",      "MINING",   "AUDIT"};
    for (const char* w : others)
      if (is_kw(w)) unsupported("COMMENT ON " + peek().text);
    fail(905);
  }
  expect_kw("IS");
  if (peek().kind != Tok::String && peek().kind != Tok::NString)
    throw ora_error(1780, "string literal required");
  if (peek().text.size() > 4000) raise(1704);
  cs->text = next().text;
  expect_end();
  return cs;
}

}  // namespace oraemb
