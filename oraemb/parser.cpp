// Grammar of the Oracle subset: statements, DDL clauses, the restricted
// trigger body language and expressions with Oracle's operator precedence.
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

// ---------------------------------------------------------------- DDL

Statement Parser::create() {
  Statement st;
  expect_kw("CREATE");
  bool or_replace = false;
  if (accept_kw("OR")) {
    expect_kw("REPLACE");
    or_replace = true;
  }
  if (!or_replace && accept_kw("TABLE")) {
    st.kind = StmtKind::CreateTable;
    st.create_table = create_table();
  } else if (!or_replace && (is_kw("INDEX") || (is_kw("UNIQUE") && is_kw("INDEX", 1)))) {
    bool unique = accept_kw("UNIQUE");
    expect_kw("INDEX");
    st.kind = StmtKind::CreateIndex;
    st.create_index = create_index(unique);
  } else if (!or_replace && accept_kw("SEQUENCE")) {
    st.kind = StmtKind::CreateSequence;
    st.create_sequence = sequence(false);
  } else if (accept_kw("TRIGGER")) {
    st.kind = StmtKind::CreateTrigger;
    st.create_trigger = create_trigger(or_replace);
  } else if (!or_replace && accept_kw("USER")) {
    st.kind = StmtKind::CreateUser;
    st.user = user_options(true);
  } else {
    static const char* const others[] = {
        "VIEW",      "FORCE",       "NOFORCE",        "SYNONYM",   "PUBLIC",   "USER",
        "PROCEDURE", "FUNCTION",    "PACKAGE",        "TYPE",      "GLOBAL",   "MATERIALIZED",
        "BITMAP",    "ROLE",        "TABLESPACE",     "DIRECTORY", "DATABASE", "CLUSTER",
        "PRIVATE",   "EDITIONABLE", "NONEDITIONABLE", "CONTEXT",   "LIBRARY",  "PROFILE"};
    for (const char* w : others)
      if (is_kw(w)) unsupported();
    fail(901);
  }
  return st;
}

std::vector<std::string> Parser::column_list() {
  std::vector<std::string> cols;
  expect_sym("(", 906);
  do cols.push_back(name(904));
  while (accept_sym(","));
  expect_sym(")", 907);
  return cols;
}

OraNumber Parser::signed_number() {
  bool neg = false;
  if (accept_sym("-"))
    neg = true;
  else
    accept_sym("+");
  if (peek().kind != Tok::Number) fail(936);
  auto n = OraNumber::parse(next().text);
  if (!n) raise(1722);
  return neg ? -*n : *n;
}

OraType Parser::data_type() {
  const Token& tok = peek();
  if (tok.kind != Tok::Ident) fail(902);
  std::string type = next().text;
  OraType t;
  auto length_arg = [&](bool required, int code_if_missing) {
    if (!accept_sym("(")) {
      if (required) fail(code_if_missing);
      return -1;
    }
    if (peek().kind != Tok::Number) fail(910 == code_if_missing ? 910 : 1727);
    auto n = OraNumber::parse(next().text);
    auto v = n ? n->to_int64() : std::nullopt;
    if (!v || *v <= 0)
      throw ora_error(1727, "numeric precision specifier is out of range (1 to 38)");
    return static_cast<int>(std::min<int64_t>(*v, 1000000));
  };
  if (type == "NUMBER" || type == "NUMERIC" || type == "DECIMAL" || type == "DEC") {
    t.base = Base::Number;
    if (accept_sym("(")) {
      if (accept_sym("*")) {
        t.precision = -1;
      } else {
        OraNumber p = signed_number();
        auto v = p.to_int64();
        if (!v || *v < 1 || *v > 38)
          throw ora_error(1727, "numeric precision specifier is out of range (1 to 38)");
        t.precision = static_cast<int>(*v);
      }
      t.scale = 0;
      if (accept_sym(",")) {
        auto v = signed_number().to_int64();
        if (!v || *v < -84 || *v > 127)
          throw ora_error(1728, "numeric scale specifier is out of range (-84 to 127)");
        t.scale = static_cast<int>(*v);
      }
      expect_sym(")", 907);
    }
  } else if (type == "INTEGER" || type == "INT" || type == "SMALLINT") {
    t.base = Base::Number;
    t.scale = 0;
  } else if (type == "FLOAT") {
    t.base = Base::Float;
    if (accept_sym("(")) {
      auto v = signed_number().to_int64();
      if (!v || *v < 1 || *v > 126)
        throw ora_error(1724, "floating point precision is out of range (1 to 126)");
      t.precision = static_cast<int>(*v);
      expect_sym(")", 907);
    }
  } else if (type == "VARCHAR2" || type == "VARCHAR" || type == "CHAR" || type == "CHARACTER") {
    t.base = type == "CHAR" || type == "CHARACTER" ? Base::Char : Base::Varchar2;
    if (is_kw("VARYING")) unsupported();
    int n = length_arg(t.base == Base::Varchar2, 906);
    t.length = n < 0 ? 1 : n;
    if (n >= 0) {
      if (accept_kw("CHAR"))
        t.char_semantics = true;
      else
        accept_kw("BYTE");
      expect_sym(")", 907);
    }
    int limit = t.base == Base::Char ? 2000 : 4000;
    if (t.length > limit || (t.char_semantics && t.length > limit)) raise(910);
  } else if (type == "NVARCHAR2" || type == "NCHAR") {
    t.base = type == "NCHAR" ? Base::Nchar : Base::Nvarchar2;
    int n = length_arg(t.base == Base::Nvarchar2, 906);
    t.length = n < 0 ? 1 : n;
    t.char_semantics = true;
    if (n >= 0) expect_sym(")", 907);
    // MAX_STRING_SIZE=STANDARD: NVARCHAR2 4000 bytes, NCHAR 2000 bytes of the
    // national character set (AL16UTF16: 2000 and 1000 characters, UTF8:
    // 1333 and 666).
    if (t.length > (t.base == Base::Nchar ? 2000 : 4000) / nchar_char_bytes_) raise(910);
  } else if (type == "DATE") {
    t.base = Base::Date;
  } else if (type == "RAW") {
    t.base = Base::Raw;
    t.length = length_arg(true, 906);
    expect_sym(")", 907);
    if (t.length > 2000) raise(910);
  } else if (type == "CLOB") {
    t.base = Base::Clob;
  } else if (type == "NCLOB") {
    t.base = Base::Nclob;
  } else if (type == "BLOB") {
    t.base = Base::Blob;
  } else if (type == "LONG") {
    if (is_kw("RAW")) unsupported();
    t.base = Base::Long;
  } else if (type == "BINARY_FLOAT" || type == "BINARY_DOUBLE") {
    t.base = type == "BINARY_FLOAT" ? Base::BinaryFloat : Base::BinaryDouble;
  } else if (type == "BOOLEAN") {  // 23ai on: the session refuses it before
    t.base = Base::Boolean;
  } else if (type == "TIMESTAMP") {
    t.base = Base::Timestamp;
    t.precision = 6;
    if (accept_sym("(")) {
      if (peek().kind != Tok::Number) fail(30088);
      auto n = OraNumber::parse(next().text);
      auto v = n ? n->to_int64() : std::nullopt;
      if (!v || *v < 0 || *v > 9) raise(30088);
      t.precision = static_cast<int>(*v);
      expect_sym(")", 907);
    }
    if (is_kw("WITH")) unsupported();  // WITH [LOCAL] TIME ZONE
  } else if (type == "INTERVAL" || type == "ROWID" || type == "UROWID" || type == "BFILE" ||
             type == "XMLTYPE" || type == "REAL" || type == "DOUBLE" || type == "NATIONAL" ||
             type == "SDO_GEOMETRY" || type == "JSON") {
    unsupported();
  } else {
    raise(902);
  }
  return t;
}

std::string Parser::default_clause(bool& has_default) {
  has_default = false;
  if (!accept_kw("DEFAULT")) return {};
  if (is_kw("ON")) unsupported();  // DEFAULT ON NULL
  has_default = true;
  size_t start = peek().start;
  ExprPtr value = expr();
  // The dictionary keeps the text as written, up to the next token.
  return sql_.substr(start, peek().start - start);
}

ConstraintDef Parser::constraint_body(std::string constraint_name) {
  ConstraintDef c;
  c.name = std::move(constraint_name);
  if (accept_kw("PRIMARY")) {
    expect_kw("KEY");
    c.type = 'P';
    c.columns = column_list();
  } else if (accept_kw("UNIQUE")) {
    c.type = 'U';
    c.columns = column_list();
  } else if (accept_kw("FOREIGN")) {
    expect_kw("KEY");
    c.type = 'R';
    c.columns = column_list();
    expect_kw("REFERENCES");
    c.ref_table = name(903);
    if (is_sym("(")) c.ref_columns = column_list();
    if (accept_kw("ON")) {
      expect_kw("DELETE");
      if (accept_kw("CASCADE")) {
        c.delete_rule = "CASCADE";
      } else {
        expect_kw("SET");
        expect_kw("NULL");
        c.delete_rule = "SET NULL";
      }
    }
  } else if (is_kw("CHECK")) {
    unsupported();
  } else {
    fail(902);
  }
  static const char* const states[] = {"USING",      "ENABLE",    "DISABLE",
                                       "DEFERRABLE", "INITIALLY", "NOVALIDATE",
                                       "VALIDATE",   "RELY",      "EXCEPTIONS"};
  for (const char* s : states)
    if (is_kw(s)) unsupported();
  return c;
}

ColumnDef Parser::column_def() {
  ColumnDef col;
  col.name = name(904);
  col.type = data_type();
  if (is_kw("SORT") || is_kw("ENCRYPT") || is_kw("VISIBLE") || is_kw("INVISIBLE") ||
      is_kw("GENERATED") || is_kw("COLLATE"))
    unsupported();
  col.default_text = default_clause(col.has_default);
  while (true) {
    std::string cname;
    if (accept_kw("CONSTRAINT")) cname = name(904);
    if (accept_kw("NOT")) {
      expect_kw("NULL", 908);
      col.nullability = 2;
      col.not_null_name = cname;
    } else if (accept_kw("NULL")) {
      col.nullability = 1;
    } else if (accept_kw("PRIMARY")) {
      expect_kw("KEY");
      ConstraintDef c;
      c.name = cname;
      c.type = 'P';
      c.columns = {col.name};
      col.inline_constraints.push_back(c);
    } else if (accept_kw("UNIQUE")) {
      ConstraintDef c;
      c.name = cname;
      c.type = 'U';
      c.columns = {col.name};
      col.inline_constraints.push_back(c);
    } else if (accept_kw("REFERENCES")) {
      ConstraintDef c;
      c.name = cname;
      c.type = 'R';
      c.columns = {col.name};
      c.ref_table = name(903);
      if (is_sym("(")) c.ref_columns = column_list();
      if (accept_kw("ON")) {
        expect_kw("DELETE");
        if (accept_kw("CASCADE")) {
          c.delete_rule = "CASCADE";
        } else {
          expect_kw("SET");
          expect_kw("NULL");
          c.delete_rule = "SET NULL";
        }
      }
      col.inline_constraints.push_back(c);
    } else if (is_kw("CHECK") || is_kw("DEFAULT")) {
      unsupported();
    } else {
      if (!cname.empty()) fail(902);
      break;
    }
    if (is_kw("ENABLE") || is_kw("DISABLE") || is_kw("DEFERRABLE") || is_kw("USING")) unsupported();
  }
  return col;
}

std::unique_ptr<CreateTableStmt> Parser::create_table() {
  auto ct = std::make_unique<CreateTableStmt>();
  ct->name = name(903);
  if (accept_sym(".")) unsupported();
  if (is_kw("AS") || is_kw("OF")) unsupported();
  expect_sym("(", 906);
  do {
    if (is_kw("CONSTRAINT") || is_kw("PRIMARY") || is_kw("UNIQUE") || is_kw("FOREIGN") ||
        is_kw("CHECK")) {
      std::string cname;
      if (accept_kw("CONSTRAINT")) cname = name(904);
      ct->constraints.push_back(constraint_body(cname));
    } else {
      ct->columns.push_back(column_def());
    }
  } while (accept_sym(","));
  expect_sym(")", 907);
  // Physical attributes and table options are outside the subset.
  if (peek().kind == Tok::Ident) unsupported();
  expect_end();
  return ct;
}

std::unique_ptr<CreateIndexStmt> Parser::create_index(bool unique) {
  auto ci = std::make_unique<CreateIndexStmt>();
  ci->unique = unique;
  ci->name = name(953);
  if (accept_sym(".")) unsupported();
  expect_kw("ON");
  ci->table = name(903);
  if (accept_sym(".")) unsupported();
  expect_sym("(", 906);
  do {
    if (peek().kind != Tok::Ident && peek().kind != Tok::QIdent) unsupported();
    if (is_sym("(", 1)) unsupported();  // function-based index
    ci->columns.push_back(name(904));
    if (accept_kw("DESC")) unsupported();
    accept_kw("ASC");
  } while (accept_sym(","));
  expect_sym(")", 907);
  if (peek().kind == Tok::Ident) unsupported();
  expect_end();
  return ci;
}

std::unique_ptr<CreateSequenceStmt> Parser::sequence(bool alter) {
  auto cs = std::make_unique<CreateSequenceStmt>();
  cs->name = name(alter ? 2289 : 903);
  if (accept_sym(".")) unsupported();
  bool any = false;
  while (peek().kind == Tok::Ident) {
    any = true;
    if (accept_kw("INCREMENT")) {
      expect_kw("BY");
      cs->increment = signed_number();
    } else if (accept_kw("START")) {
      // The starting number of an existing sequence cannot change.
      if (alter) throw ora_error(2283, ora_message(2283));
      expect_kw("WITH");
      cs->start = signed_number();
    } else if (accept_kw("MAXVALUE")) {
      cs->maxvalue = signed_number();
    } else if (accept_kw("MINVALUE")) {
      cs->minvalue = signed_number();
    } else if (accept_kw("NOMAXVALUE")) {
      cs->nomaxvalue = true;
    } else if (accept_kw("NOMINVALUE")) {
      cs->nominvalue = true;
    } else if (is_kw("CYCLE") || is_kw("NOCYCLE")) {
      cs->cycle = accept_kw("CYCLE");
      if (!cs->cycle) next();
      cs->has_cycle = true;
    } else if (is_kw("ORDER") || is_kw("NOORDER")) {
      cs->order = accept_kw("ORDER");
      if (!cs->order) next();
      cs->has_order = true;
    } else if (accept_kw("NOCACHE")) {
      cs->cache = 0;
      cs->has_cache = true;
    } else if (accept_kw("CACHE")) {
      auto v = signed_number().to_int64();
      cs->cache = v ? static_cast<int>(std::min<int64_t>(*v, 1 << 30)) : 20;
      cs->has_cache = true;
    } else if (is_kw("KEEP") || is_kw("NOKEEP") || is_kw("SCALE") || is_kw("SESSION") ||
               is_kw("GLOBAL") || is_kw("SHARD") || is_kw("RESTART")) {
      unsupported();
    } else {
      fail(933);
    }
  }
  // ALTER SEQUENCE must change something.
  if (alter && !any) fail(2286);
  expect_end();
  return cs;
}

std::vector<PlStmt> Parser::pl_statements(const char* stop1, const char* stop2) {
  std::vector<PlStmt> out;
  while (!is_kw(stop1) && !(stop2 && is_kw(stop2))) {
    if (peek().kind == Tok::End) fail(921);
    PlStmt st;
    if (is_kw("SELECT")) {
      st.kind = PlStmt::SelectInto;
      st.select = select(true);
      if (st.select->into.empty())
        throw ora_error(
            6550,
            "line 1, column 1:\nPLS-00428: an INTO clause is expected in this SELECT statement");
    } else if (accept_kw("NULL")) {
      st.kind = PlStmt::Null;
    } else if (accept_kw("IF")) {
      st.kind = PlStmt::If;
      st.expr = expr();
      expect_kw("THEN");
      st.then_branch = pl_statements("ELSE", "END");
      if (accept_kw("ELSE")) st.else_branch = pl_statements("END");
      if (is_kw("ELSIF")) unsupported();
      expect_kw("END");
      expect_kw("IF");
    } else if (peek().kind == Tok::Bind && is_sym(".", 1)) {
      st.kind = PlStmt::Assign;
      ExprPtr target = primary();
      if (target->op != Op::NewRef) unsupported();
      st.target = target->name;
      expect_sym(":=", 927);
      st.expr = expr();
    } else {
      unsupported();  // other PL/SQL is outside the engine
    }
    expect_sym(";", 933);
    out.push_back(std::move(st));
  }
  return out;
}

std::unique_ptr<CreateTriggerStmt> Parser::create_trigger(bool or_replace) {
  auto tr = std::make_unique<CreateTriggerStmt>();
  tr->or_replace = or_replace;
  tr->name = name(904);
  if (accept_sym(".")) unsupported();
  if (accept_kw("BEFORE"))
    tr->timing = "BEFORE";
  else if (accept_kw("AFTER"))
    tr->timing = "AFTER";
  else if (is_kw("INSTEAD") || is_kw("FOR"))
    unsupported();
  else
    fail(905);
  std::string events;
  do {
    if (accept_kw("INSERT"))
      events += events.empty() ? "INSERT" : " OR INSERT";
    else if (accept_kw("UPDATE"))
      events += events.empty() ? "UPDATE" : " OR UPDATE";
    else if (accept_kw("DELETE"))
      events += events.empty() ? "DELETE" : " OR DELETE";
    else
      fail(905);
    if (is_kw("OF")) unsupported();
  } while (accept_kw("OR"));
  tr->event = events;
  expect_kw("ON");
  if (peek().kind == Tok::Ident && is_reserved_word(peek().text)) fail(903);
  tr->table = name(903);
  if (accept_sym(".")) unsupported();
  if (is_kw("REFERENCING") || is_kw("FOLLOWS") || is_kw("PRECEDES") || is_kw("COMPOUND"))
    unsupported();
  if (accept_kw("FOR")) {
    expect_kw("EACH");
    expect_kw("ROW");
    tr->each_row = true;
  }
  if (is_kw("ENABLE") || is_kw("DISABLE")) unsupported();
  if (accept_kw("WHEN")) {
    expect_sym("(", 906);
    size_t start = peek().start;
    tr->when = expr();
    tr->when_text = sql_.substr(start, lexed_.tokens[pos_ - 1].end - start);
    expect_sym(")", 907);
  }
  if (is_kw("DECLARE")) unsupported();
  size_t body_start = peek().start;
  expect_kw("BEGIN");
  tr->body = pl_statements("END", "EXCEPTION");
  if (is_kw("EXCEPTION")) unsupported();
  expect_kw("END");
  if (peek().kind == Tok::Ident || peek().kind == Tok::QIdent) next();  // END trigger_name
  expect_sym(";", 933);
  tr->body_text = sql_.substr(body_start, lexed_.tokens[pos_ - 1].end - body_start);
  if (peek().kind == Tok::Symbol && peek().text == "/") next();
  if (peek().kind != Tok::End) fail(933);
  return tr;
}

ColumnMod Parser::column_mod() {
  ColumnMod mod;
  mod.name = name(904);
  if (peek().kind == Tok::Ident && !is_kw("DEFAULT") && !is_kw("NULL") && !is_kw("NOT") &&
      !is_kw("CONSTRAINT")) {
    mod.type = data_type();
  }
  mod.default_text = default_clause(mod.has_default);
  if (accept_kw("CONSTRAINT")) name(904);
  if (accept_kw("NOT")) {
    expect_kw("NULL", 908);
    mod.nullability = 2;
  } else if (accept_kw("NULL")) {
    mod.nullability = 1;
  }
  if (is_kw("ENABLE") || is_kw("DISABLE") || is_kw("PRIMARY") || is_kw("UNIQUE")) unsupported();
  return mod;
}

std::unique_ptr<AlterTableStmt> Parser::alter_table() {
  auto at = std::make_unique<AlterTableStmt>();
  expect_kw("TABLE");
  at->table = name(903);
  if (accept_sym(".")) unsupported();
  if (accept_kw("ADD")) {
    if (is_kw("CONSTRAINT") || is_kw("PRIMARY") || is_kw("UNIQUE") || is_kw("FOREIGN") ||
        is_kw("CHECK")) {
      at->action = AlterTableStmt::AddConstraint;
      std::string cname;
      if (accept_kw("CONSTRAINT")) cname = name(904);
      at->constraint = constraint_body(cname);
    } else {
      at->action = AlterTableStmt::AddColumn;
      if (accept_sym("(")) {
        do at->add_columns.push_back(column_def());
        while (accept_sym(","));
        expect_sym(")", 907);
      } else {
        at->add_columns.push_back(column_def());
      }
    }
  } else if (accept_kw("MODIFY")) {
    if (is_kw("CONSTRAINT") || is_kw("PRIMARY") || is_kw("UNIQUE") || is_kw("PARTITION") ||
        is_kw("LOB"))
      unsupported();
    at->action = AlterTableStmt::Modify;
    if (accept_sym("(")) {
      do at->mods.push_back(column_mod());
      while (accept_sym(","));
      expect_sym(")", 907);
    } else {
      at->mods.push_back(column_mod());
    }
  } else if (accept_kw("DROP")) {
    if (!accept_kw("CONSTRAINT")) unsupported();
    at->action = AlterTableStmt::DropConstraint;
    at->drop_name = name(904);
    if (is_kw("CASCADE") || is_kw("KEEP") || is_kw("DROP")) unsupported();
  } else {
    static const char* const others[] = {
        "RENAME",     "ENABLE",   "DISABLE",    "MOVE",       "SHRINK",  "READ",    "PARALLEL",
        "NOPARALLEL", "LOGGING",  "NOLOGGING",  "CACHE",      "NOCACHE", "PCTFREE", "STORAGE",
        "SET",        "TRUNCATE", "COMPRESS",   "NOCOMPRESS", "ROW",     "SPLIT",   "MERGE",
        "EXCHANGE",   "ALLOCATE", "DEALLOCATE", "INMEMORY"};
    for (const char* w : others)
      if (is_kw(w)) unsupported();
    fail(940);
  }
  expect_end();
  return at;
}

std::unique_ptr<LockTableStmt> Parser::lock_table() {
  auto lk = std::make_unique<LockTableStmt>();
  expect_kw("LOCK");
  expect_kw("TABLE");
  do {
    lk->tables.push_back(name(903));
    if (accept_sym(".") || is_sym("@") || is_kw("PARTITION")) unsupported();
  } while (accept_sym(","));
  expect_kw("IN");
  // ROW SHARE | ROW EXCLUSIVE | SHARE UPDATE | SHARE | SHARE ROW EXCLUSIVE | EXCLUSIVE
  if (accept_kw("ROW")) {
    if (!accept_kw("SHARE")) expect_kw("EXCLUSIVE");
  } else if (accept_kw("SHARE")) {
    if (accept_kw("ROW")) {
      expect_kw("EXCLUSIVE");
      lk->exclusive = true;
    } else {
      accept_kw("UPDATE");
    }
  } else {
    expect_kw("EXCLUSIVE");
    lk->exclusive = true;
  }
  expect_kw("MODE");
  if (accept_kw("NOWAIT")) {
    lk->nowait = true;
  } else if (accept_kw("WAIT")) {
    if (peek().kind != Tok::Number) fail(936);
    lk->wait_seconds = std::atoi(next().text.c_str());
  }
  expect_end();
  return lk;
}

std::string Parser::password() {
  const Token& tok = peek();
  if (tok.kind == Tok::QIdent) return next().text;
  if (tok.kind != Tok::Ident && tok.kind != Tok::Number) fail(988);
  next();
  return sql_.substr(tok.start, tok.end - tok.start);  // the case as typed
}

std::unique_ptr<UserStmt> Parser::user_options(bool create) {
  auto us = std::make_unique<UserStmt>();
  us->user = name(create ? 1935 : 1918);
  if (create) {
    expect_kw("IDENTIFIED", 922);
    expect_kw("BY");
    us->has_password = true;
    us->password = password();
  }
  for (;;) {
    if (accept_kw("IDENTIFIED")) {
      expect_kw("BY");
      us->has_password = true;
      us->password = password();
    } else if (accept_kw("ACCOUNT")) {
      if (accept_kw("LOCK"))
        us->account_lock = 1;
      else if (accept_kw("UNLOCK"))
        us->account_lock = 0;
      else
        fail(922);
    } else if (accept_kw("QUOTA")) {
      if (accept_kw("UNLIMITED")) {
        us->quota = 1;
      } else {
        if (peek().kind != Tok::Number) fail(922);
        std::string amount = next().text;
        if (peek().kind == Tok::Ident && (is_kw("K") || is_kw("M") || is_kw("G"))) next();
        us->quota = amount == "0" ? 0 : 1;
      }
      expect_kw("ON");
      name(959);  // the tablespace
    } else if (accept_kw("DEFAULT") || accept_kw("TEMPORARY")) {
      expect_kw("TABLESPACE");
      name(959);
    } else {
      break;
    }
  }
  expect_end();
  return us;
}

std::unique_ptr<UserStmt> Parser::grant_or_revoke(bool grant) {
  auto us = std::make_unique<UserStmt>();
  do {
    std::string priv;
    // System privileges are one to three words ("CREATE ANY TABLE").
    while (peek().kind == Tok::Ident && !is_kw(grant ? "TO" : "FROM") && !is_kw("ON")) {
      priv += (priv.empty() ? "" : " ") + next().text;
    }
    if (is_kw("ON")) unsupported();  // object privileges
    if (priv.empty()) fail(990);
    us->privileges.push_back(priv);
  } while (accept_sym(","));
  expect_kw(grant ? "TO" : "FROM");
  us->user = name(1917);
  if (grant && accept_kw("WITH")) {
    if (!accept_kw("ADMIN")) expect_kw("GRANT");
    expect_kw("OPTION");
  }
  expect_end();
  return us;
}

std::unique_ptr<DropStmt> Parser::drop() {
  auto dr = std::make_unique<DropStmt>();
  expect_kw("DROP");
  if (accept_kw("TABLE"))
    dr->what = "TABLE";
  else if (accept_kw("INDEX"))
    dr->what = "INDEX";
  else if (accept_kw("SEQUENCE"))
    dr->what = "SEQUENCE";
  else if (accept_kw("TRIGGER"))
    dr->what = "TRIGGER";
  else {
    static const char* const others[] = {
        "VIEW",         "SYNONYM", "USER", "PROCEDURE",  "FUNCTION",  "PACKAGE", "TYPE",
        "MATERIALIZED", "PUBLIC",  "ROLE", "TABLESPACE", "DIRECTORY", "CLUSTER", "PROFILE"};
    for (const char* w : others)
      if (is_kw(w)) unsupported();
    fail(950);
  }
  dr->name = name(dr->what == "TABLE" ? 903 : 953);
  if (accept_sym(".")) unsupported();
  if (dr->what == "TABLE") {
    if (accept_kw("CASCADE")) {
      expect_kw("CONSTRAINTS");
      dr->cascade = true;
    }
    accept_kw("PURGE");
  }
  expect_end();
  return dr;
}

// ---------------------------------------------------------------- expressions

namespace {
struct DepthGuard {
  explicit DepthGuard(int& depth) : depth_(depth) {
    // Oracle limits nesting too; the engine's limit keeps recursion bounded.
    if (++depth_ > 200) throw ora_error(3001, ora_message(3001));
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
  if (is_kw("EXISTS")) unsupported();
  return predicate();
}

ExprPtr Parser::predicate() {
  ExprPtr left = additive();
  size_t start = left->start;
  static const char* const cmps[] = {"=", "<>", "!=", "^=", "<", ">", "<=", ">="};
  for (const char* c : cmps) {
    if (is_sym(c)) {
      next();
      if (is_kw("ANY") || is_kw("ALL") || is_kw("SOME")) unsupported();
      auto e = make(Op::Cmp, start);
      e->name = (std::string(c) == "!=" || std::string(c) == "^=") ? "<>" : c;
      e->args.push_back(std::move(left));
      e->args.push_back(additive());
      return e;
    }
  }
  if (accept_kw("IS")) {
    auto e = make(Op::IsNull, start);
    e->negated = accept_kw("NOT");
    if (is_kw("NAN") || is_kw("INFINITE") || is_kw("A") || is_kw("EMPTY") || is_kw("OF"))
      unsupported();
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
  if (is_kw("LIKEC") || is_kw("LIKE2") || is_kw("LIKE4")) unsupported();
  if (accept_kw("IN")) {
    auto e = make(Op::In, start);
    e->negated = negated;
    e->args.push_back(std::move(left));
    expect_sym("(", 906);
    if (is_kw("SELECT") || is_kw("WITH")) unsupported();
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
  if (is_kw("PRIOR") || is_kw("CONNECT_BY_ROOT")) unsupported();
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
        if (is_kw("SELECT") || is_kw("WITH")) unsupported();  // scalar subqueries
        e = expr();
        if (is_sym(",")) unsupported();  // row value constructors
        expect_sym(")", 907);
        e->start = start;
        if (peek().kind == Tok::Symbol && peek().text == "(+)") unsupported();
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
          if (!is_kw("WHEN")) unsupported();  // simple CASE
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
          if (word != "DATE") unsupported();
          std::string text = next().text;
          e = make(Op::Func, start);
          e->name = "TO_DATE";
          auto lit = make(Op::Literal, start);
          lit->literal = Value::text(text);
          e->args.push_back(std::move(lit));
          auto mask = make(Op::Literal, start);
          mask->literal = Value::text("YYYY-MM-DD");
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
          unsupported();
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
          if (is_sym("(") || is_sym(".")) unsupported();  // package functions, schema.table.column
          e = make(Op::Column, start);
          e->qualifier = word;
          e->name = second;
        }
      } else {
        e = make(Op::Column, start);
        e->name = word;
      }
      if (is_sym("(") && peek(1).kind == Tok::Symbol && peek(1).text == "+") unsupported();
      break;
    }
    case Tok::End:
      fail(936);
  }
  e->end = lexed_.tokens[pos_ - 1].end;
  return e;
}

ExprPtr Parser::function_call(std::string fn, size_t start) {
  if (!implemented_functions().count(fn)) {
    if (known_functions().count(fn)) unsupported();
    raise(904, {dq(fn)});
  }
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
    if (fn == "TRIM" && (is_kw("LEADING") || is_kw("TRAILING") || is_kw("BOTH"))) unsupported();
    do e->args.push_back(expr());
    while (accept_sym(","));
  }
  expect_sym(")", 907);
  if (is_kw("OVER") || is_kw("KEEP") || is_kw("WITHIN")) unsupported();
  return e;
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
