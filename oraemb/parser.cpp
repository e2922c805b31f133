// The parser's statement level: token helpers, the dispatch on a statement's
// first keywords, DML, and the entry points for a trigger's stored condition
// and body. Queries are in parser_query.cpp, DDL and user statements in
// parser_ddl.cpp, expressions in parser_expressions.cpp.
#include "oraemb/parser.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <unordered_set>

#include "oraemb/ora_error.h"

namespace oraemb {
namespace {

const std::unordered_set<std::string>& reserved() {
  static const std::unordered_set<std::string> words = {
      "ACCESS",    "ADD",      "ALL",        "ALTER",      "AND",      "ANY",        "AS",
      "ASC",       "AUDIT",    "BETWEEN",    "BY",         "CHAR",     "CHECK",      "CLUSTER",
      "COLUMN",    "COMMENT",  "COMPRESS",   "CONNECT",    "CREATE",   "CURRENT",    "DATE",
      "DECIMAL",   "DEFAULT",  "DELETE",     "DESC",       "DISTINCT", "DROP",       "ELSE",
      "EXCLUSIVE", "EXISTS",   "FILE",       "FLOAT",      "FOR",      "FROM",       "GRANT",
      "GROUP",     "HAVING",   "IDENTIFIED", "IMMEDIATE",  "IN",       "INCREMENT",  "INDEX",
      "INITIAL",   "INSERT",   "INTEGER",    "INTERSECT",  "INTO",     "IS",         "LEVEL",
      "LIKE",      "LOCK",     "LONG",       "MAXEXTENTS", "MINUS",    "MLSLABEL",   "MODE",
      "MODIFY",    "NOAUDIT",  "NOCOMPRESS", "NOT",        "NOWAIT",   "NULL",       "NUMBER",
      "OF",        "OFFLINE",  "ON",         "ONLINE",     "OPTION",   "OR",         "ORDER",
      "PCTFREE",   "PRIOR",    "PRIVILEGES", "PUBLIC",     "RAW",      "RENAME",     "RESOURCE",
      "REVOKE",    "ROW",      "ROWID",      "ROWNUM",     "ROWS",     "SELECT",     "SESSION",
      "SET",       "SHARE",    "SIZE",       "SMALLINT",   "START",    "SUCCESSFUL", "SYNONYM",
      "SYSDATE",   "TABLE",    "THEN",       "TO",         "TRIGGER",  "UID",        "UNION",
      "UNIQUE",    "UPDATE",   "USER",       "VALIDATE",   "VALUES",   "VARCHAR",    "VARCHAR2",
      "VIEW",      "WHENEVER", "WHERE",      "WITH"};
  return words;
}

}  // namespace

bool is_reserved_word(const std::string& upper) {
  return reserved().count(upper) > 0;
}

Parser::Parser(std::string sql, size_t identifier_limit, int nchar_char_bytes)
    : sql_(std::move(sql)), nchar_char_bytes_(nchar_char_bytes < 1 ? 2 : nchar_char_bytes) {
  lexed_ = lex(sql_, identifier_limit);
}

const Token& Parser::peek(size_t ahead) const {
  size_t at = std::min(pos_ + ahead, lexed_.tokens.size() - 1);
  return lexed_.tokens[at];
}

const Token& Parser::next() {
  const Token& tok = peek();
  if (pos_ < lexed_.tokens.size() - 1) ++pos_;
  return tok;
}

bool Parser::is_kw(const char* word, size_t ahead) const {
  // The first letters differ for almost every test the descent makes.
  const Token& tok = peek(ahead);
  return tok.kind == Tok::Ident && tok.text[0] == word[0] && tok.text == word;
}

bool Parser::accept_kw(const char* word) {
  if (!is_kw(word)) return false;
  next();
  return true;
}

void Parser::expect_kw(const char* word, int code) {
  if (!accept_kw(word)) fail(code);
}

bool Parser::is_sym(const char* sym, size_t ahead) const {
  const Token& tok = peek(ahead);
  return tok.kind == Tok::Symbol && tok.text[0] == sym[0] && tok.text == sym;
}

bool Parser::accept_sym(const char* sym) {
  if (!is_sym(sym)) return false;
  next();
  return true;
}

void Parser::expect_sym(const char* sym, int code) {
  if (!accept_sym(sym)) fail(code);
}

void Parser::fail(int code) {
  raise(code);
}

void Parser::unsupported(const std::string& construct) {
  raise_unimplemented(construct);
}

std::string Parser::name(int code) {
  const Token& tok = peek();
  if (tok.kind == Tok::QIdent) return next().text;
  if (tok.kind == Tok::Ident && !is_reserved_word(tok.text)) return next().text;
  fail(code);
}

void Parser::expect_end() {
  accept_sym(";");
  if (peek().kind != Tok::End) fail(933);
}

ExprPtr Parser::make(Op op, size_t start) {
  auto e = std::make_unique<Expr>();
  e->op = op;
  e->start = start;
  return e;
}

Statement Parser::parse_statement() {
  Statement st;
  st.text = sql_;
  const Token& first = peek();
  if (first.kind != Tok::Ident && !is_sym("(")) fail(900);
  if (is_kw("SELECT") || is_kw("WITH") || is_sym("(")) {
    st.kind = StmtKind::Select;
    st.select = select(false);
    expect_end();
  } else if (is_kw("INSERT")) {
    st.kind = StmtKind::Insert;
    st.insert = insert();
  } else if (is_kw("UPDATE")) {
    st.kind = StmtKind::Update;
    st.update = update();
  } else if (is_kw("DELETE")) {
    st.kind = StmtKind::Delete;
    st.del = remove();
  } else if (is_kw("CREATE")) {
    st = create();
    st.text = sql_;
    return st;
  } else if (is_kw("ALTER")) {
    next();
    if (accept_kw("USER")) {
      st.kind = StmtKind::AlterUser;
      st.user = user_options(false);
      return st;
    }
    if (accept_kw("SEQUENCE")) {
      st.kind = StmtKind::AlterSequence;
      st.create_sequence = sequence(true);
      return st;
    }
    if (!is_kw("TABLE")) {
      static const char* const others[] = {"INDEX",      "SEQUENCE", "TRIGGER", "SESSION",
                                           "SYSTEM",     "USER",     "VIEW",    "DATABASE",
                                           "TABLESPACE", "PROCEDURE"};
      for (const char* w : others)
        if (is_kw(w)) unsupported("ALTER " + peek().text);
      fail(940);
    }
    st.kind = StmtKind::AlterTable;
    st.alter = alter_table();
  } else if (is_kw("DROP") && is_kw("USER", 1)) {
    next();
    next();
    st.kind = StmtKind::DropUser;
    st.user = std::make_unique<UserStmt>();
    st.user->user = name(1935);
    st.user->cascade = accept_kw("CASCADE");
    expect_end();
  } else if (is_kw("DROP")) {
    st.kind = StmtKind::Drop;
    st.drop = drop();
  } else if (is_kw("COMMIT") || is_kw("ROLLBACK")) {
    st.kind = is_kw("COMMIT") ? StmtKind::Commit : StmtKind::Rollback;
    next();
    accept_kw("WORK");
    if (is_kw("TO") || is_kw("FORCE") || is_kw("COMMENT") || is_kw("WRITE"))
      unsupported(std::string(st.kind == StmtKind::Commit ? "COMMIT " : "ROLLBACK ") + peek().text);
    expect_end();
  } else if (is_kw("LOCK")) {
    st.kind = StmtKind::LockTable;
    st.lock = lock_table();
  } else if (is_kw("GRANT") || is_kw("REVOKE")) {
    bool grant = is_kw("GRANT");
    next();
    st.kind = grant ? StmtKind::Grant : StmtKind::Revoke;
    st.user = grant_or_revoke(grant);
  } else if (is_kw("COMMENT") && is_kw("ON", 1)) {
    st.kind = StmtKind::Comment;
    st.comment = comment_on();
  } else {
    static const char* const verbs[] = {
        "MERGE",   "SAVEPOINT", "TRUNCATE",  "RENAME",    "COMMENT",     "ANALYZE",
        "EXPLAIN", "BEGIN",     "DECLARE",   "CALL",      "SET",         "AUDIT",
        "NOAUDIT", "PURGE",     "FLASHBACK", "ASSOCIATE", "DISASSOCIATE"};
    for (const char* verb : verbs)
      if (is_kw(verb))
        unsupported(is_kw("BEGIN") || is_kw("DECLARE") ? "PL/SQL blocks" : peek().text);
    fail(900);
  }
  return st;
}

// ---------------------------------------------------------------- DML

std::unique_ptr<InsertStmt> Parser::insert() {
  auto ins = std::make_unique<InsertStmt>();
  expect_kw("INSERT");
  if (is_kw("ALL") || is_kw("FIRST")) unsupported("multitable INSERT");
  expect_kw("INTO", 925);
  ins->table = name(903);
  if (accept_sym(".")) unsupported("schema-qualified names");
  if (is_sym("@")) unsupported("database links");
  if (peek().kind == Tok::Ident && !is_kw("VALUES") && !is_kw("SELECT") &&
      !is_reserved_word(peek().text))
    next();  // table alias
  if (is_sym("(") && !is_kw("SELECT", 1) && !is_kw("WITH", 1)) {
    ins->columns = column_list();
  }
  if (accept_kw("VALUES")) {
    expect_sym("(", 906);
    do ins->values.push_back(expr());
    while (accept_sym(","));
    expect_sym(")", 907);
  } else if (is_kw("SELECT")) {
    ins->select = select(false);
  } else if (is_sym("(") && is_kw("SELECT", 1)) {
    next();
    ins->select = select(false);
    expect_sym(")", 907);
  } else if (is_kw("WITH")) {
    ins->select = select(false);
  } else {
    fail(926);
  }
  if (accept_kw("RETURNING") || accept_kw("RETURN")) {
    do ins->returning.push_back(expr());
    while (accept_sym(","));
    if (is_kw("BULK")) unsupported("RETURNING BULK COLLECT");
    expect_kw("INTO", 925);
    do {
      if (peek().kind != Tok::Bind) fail(936);
      ins->into.push_back(next().text);
    } while (accept_sym(","));
  }
  if (is_kw("LOG")) unsupported("LOG ERRORS");
  expect_end();
  return ins;
}

std::unique_ptr<UpdateStmt> Parser::update() {
  auto upd = std::make_unique<UpdateStmt>();
  expect_kw("UPDATE");
  upd->table = name(903);
  if (accept_sym(".")) unsupported("schema-qualified names");
  if (peek().kind == Tok::QIdent || (peek().kind == Tok::Ident && !is_kw("SET")))
    upd->alias = name(971);
  expect_kw("SET", 971);
  do {
    if (is_sym("(")) unsupported("UPDATE SET of a column list");
    std::string column = name(904);
    if (accept_sym(".")) column = name(904);
    expect_sym("=", 927);
    upd->sets.emplace_back(column, expr());
  } while (accept_sym(","));
  if (accept_kw("WHERE")) upd->where = expr();
  if (is_kw("RETURNING") || is_kw("RETURN")) unsupported(peek().text + " in UPDATE");
  expect_end();
  return upd;
}

std::unique_ptr<DeleteStmt> Parser::remove() {
  auto del = std::make_unique<DeleteStmt>();
  expect_kw("DELETE");
  accept_kw("FROM");
  del->table = name(903);
  if (accept_sym(".")) unsupported("schema-qualified names");
  if (peek().kind == Tok::QIdent || (peek().kind == Tok::Ident && !is_kw("WHERE") &&
                                     !is_kw("RETURNING") && !is_reserved_word(peek().text)))
    del->alias = next().text;
  if (accept_kw("WHERE")) del->where = expr();
  if (is_kw("RETURNING") || is_kw("RETURN")) unsupported(peek().text + " in DELETE");
  expect_end();
  return del;
}

ExprPtr Parser::parse_condition_only() {
  ExprPtr e = expr();
  if (peek().kind != Tok::End) fail(933);
  return e;
}

std::vector<PlStmt> Parser::parse_block_only() {
  expect_kw("BEGIN");
  auto body = pl_statements("END");
  expect_kw("END");
  if (peek().kind == Tok::Ident || peek().kind == Tok::QIdent) next();
  expect_sym(";", 933);
  return body;
}

}  // namespace oraemb
