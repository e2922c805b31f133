// The parser's statement level: token helpers, the dispatch on a statement's
// first keywords, queries and DML, and the entry points for a trigger's
// stored condition and body. DDL and user statements are in parser_ddl.cpp,
// expressions in parser_expressions.cpp.
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

void Parser::unsupported() {
  raise(3001);
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
  if (first.kind != Tok::Ident) fail(900);
  if (is_kw("SELECT")) {
    st.kind = StmtKind::Select;
    st.select = select(false);
  } else if (is_kw("WITH")) {
    unsupported();
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
        if (is_kw(w)) unsupported();
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
    if (is_kw("TO") || is_kw("FORCE") || is_kw("COMMENT") || is_kw("WRITE")) unsupported();
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
      if (is_kw(verb)) unsupported();
    fail(900);
  }
  return st;
}

// ---------------------------------------------------------------- SELECT

std::unique_ptr<SelectStmt> Parser::select(bool allow_into) {
  auto sel = std::make_unique<SelectStmt>();
  expect_kw("SELECT", 928);
  if (accept_kw("DISTINCT") || accept_kw("UNIQUE"))
    sel->distinct = true;
  else
    accept_kw("ALL");
  do {
    SelectItem item;
    size_t start = peek().start;
    if (is_sym("*")) {
      next();
      item.star = true;
    } else if ((peek().kind == Tok::Ident || peek().kind == Tok::QIdent) && is_sym(".", 1) &&
               is_sym("*", 2)) {
      item.star_qualifier = next().text;
      next();
      next();
      item.star = true;
    } else {
      item.expr = expr();
      size_t end = lexed_.tokens[pos_ - 1].end;
      item.text = sql_.substr(start, end - start);
      if (accept_kw("AS")) {
        item.alias = name(923);
      } else if (peek().kind == Tok::QIdent ||
                 (peek().kind == Tok::Ident && !is_reserved_word(peek().text) && !is_kw("BULK"))) {
        item.alias = next().text;
      }
    }
    sel->items.push_back(std::move(item));
  } while (accept_sym(","));
  if (allow_into && accept_kw("INTO")) {
    do {
      const Token& tok = peek();
      if (tok.kind != Tok::Bind) unsupported();
      sel->into.push_back(primary());
    } while (accept_sym(","));
  }
  expect_kw("FROM", 923);
  table_ref(*sel);
  while (accept_sym(",")) table_ref(*sel);
  static const char* const joins[] = {"JOIN", "INNER", "LEFT", "RIGHT", "FULL", "CROSS", "NATURAL"};
  for (const char* j : joins)
    if (is_kw(j)) unsupported();
  if (accept_kw("WHERE")) sel->where = expr();
  if (is_kw("CONNECT") || is_kw("START")) unsupported();
  if (accept_kw("GROUP")) {
    expect_kw("BY");
    do sel->group_by.push_back(expr());
    while (accept_sym(","));
  }
  if (accept_kw("HAVING")) sel->having = expr();
  if (is_kw("UNION") || is_kw("INTERSECT") || is_kw("MINUS")) unsupported();
  if (accept_kw("ORDER")) {
    if (is_kw("SIBLINGS")) unsupported();
    expect_kw("BY");
    do {
      OrderItem item;
      item.expr = expr();
      if (accept_kw("DESC"))
        item.desc = true;
      else
        accept_kw("ASC");
      if (accept_kw("NULLS")) {
        if (accept_kw("FIRST"))
          item.nulls = 1;
        else {
          expect_kw("LAST");
          item.nulls = 2;
        }
      }
      sel->order_by.push_back(std::move(item));
    } while (accept_sym(","));
  }
  if (accept_kw("FOR")) {
    expect_kw("UPDATE");
    sel->for_update = true;
    if (accept_kw("OF")) {
      do {
        name(904);
        if (accept_sym(".")) name(904);
      } while (accept_sym(","));
    }
    if (accept_kw("NOWAIT")) {
      sel->nowait = true;
    } else if (accept_kw("WAIT")) {
      if (peek().kind != Tok::Number) fail(936);
      sel->wait_seconds = std::atoi(next().text.c_str());
    } else if (is_kw("SKIP")) {
      unsupported();
    }
  }
  if (is_kw("OFFSET") || is_kw("FETCH")) unsupported();
  return sel;
}

void Parser::table_ref(SelectStmt& sel) {
  TableRef ref;
  if (accept_sym("(")) {
    if (!is_kw("SELECT")) {
      if (is_kw("WITH")) unsupported();
      fail(928);
    }
    ref.subquery = select(false);
    expect_sym(")", 907);
  } else {
    if (is_kw("TABLE") || is_kw("LATERAL") || is_kw("ONLY")) unsupported();
    ref.name = name(903);
    if (accept_sym(".")) unsupported();  // schema-qualified names
    if (is_sym("@")) unsupported();
    if (is_kw("PARTITION") || is_kw("SAMPLE") || is_kw("AS")) unsupported();
  }
  if (peek().kind == Tok::QIdent ||
      (peek().kind == Tok::Ident && !is_reserved_word(peek().text) && !is_kw("JOIN") &&
       !is_kw("INNER") && !is_kw("LEFT") && !is_kw("RIGHT") && !is_kw("FULL") && !is_kw("CROSS") &&
       !is_kw("NATURAL") && !is_kw("OFFSET") && !is_kw("FETCH") && !is_kw("MINUS"))) {
    ref.alias = next().text;
  }
  sel.from.push_back(std::move(ref));
}

// ---------------------------------------------------------------- DML

std::unique_ptr<InsertStmt> Parser::insert() {
  auto ins = std::make_unique<InsertStmt>();
  expect_kw("INSERT");
  if (is_kw("ALL") || is_kw("FIRST")) unsupported();
  expect_kw("INTO", 925);
  ins->table = name(903);
  if (accept_sym(".") || is_sym("@")) unsupported();
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
    unsupported();
  } else {
    fail(926);
  }
  if (accept_kw("RETURNING") || accept_kw("RETURN")) {
    do ins->returning.push_back(expr());
    while (accept_sym(","));
    if (is_kw("BULK")) unsupported();
    expect_kw("INTO", 925);
    do {
      if (peek().kind != Tok::Bind) fail(936);
      ins->into.push_back(next().text);
    } while (accept_sym(","));
  }
  if (is_kw("LOG")) unsupported();
  expect_end();
  return ins;
}

std::unique_ptr<UpdateStmt> Parser::update() {
  auto upd = std::make_unique<UpdateStmt>();
  expect_kw("UPDATE");
  upd->table = name(903);
  if (accept_sym(".")) unsupported();
  if (peek().kind == Tok::QIdent || (peek().kind == Tok::Ident && !is_kw("SET")))
    upd->alias = name(971);
  expect_kw("SET", 971);
  do {
    if (is_sym("(")) unsupported();
    std::string column = name(904);
    if (accept_sym(".")) column = name(904);
    expect_sym("=", 927);
    upd->sets.emplace_back(column, expr());
  } while (accept_sym(","));
  if (accept_kw("WHERE")) upd->where = expr();
  if (is_kw("RETURNING") || is_kw("RETURN")) unsupported();
  expect_end();
  return upd;
}

std::unique_ptr<DeleteStmt> Parser::remove() {
  auto del = std::make_unique<DeleteStmt>();
  expect_kw("DELETE");
  accept_kw("FROM");
  del->table = name(903);
  if (accept_sym(".")) unsupported();
  if (peek().kind == Tok::QIdent || (peek().kind == Tok::Ident && !is_kw("WHERE") &&
                                     !is_kw("RETURNING") && !is_reserved_word(peek().text)))
    del->alias = next().text;
  if (accept_kw("WHERE")) del->where = expr();
  if (is_kw("RETURNING") || is_kw("RETURN")) unsupported();
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
