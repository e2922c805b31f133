// The parser's DDL and user statements: CREATE TABLE / INDEX / SEQUENCE /
// TRIGGER (with the restricted trigger body language), ALTER, DROP, LOCK
// TABLE, users and grants, and the column types and constraints they share.
#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <unordered_set>

#include "oraemb/ora_error.h"
#include "oraemb/parser.h"

namespace oraemb {

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
  } else if (is_kw("VIEW") || is_kw("FORCE") || is_kw("NOFORCE") ||
             (is_kw("NO") && is_kw("FORCE", 1))) {
    st.kind = StmtKind::CreateView;
    st.create_view = create_view(or_replace);
  } else {
    static const char* const others[] = {
        "VIEW",      "FORCE",       "NOFORCE",        "SYNONYM",   "PUBLIC",   "USER",
        "PROCEDURE", "FUNCTION",    "PACKAGE",        "TYPE",      "GLOBAL",   "MATERIALIZED",
        "BITMAP",    "ROLE",        "TABLESPACE",     "DIRECTORY", "DATABASE", "CLUSTER",
        "PRIVATE",   "EDITIONABLE", "NONEDITIONABLE", "CONTEXT",   "LIBRARY",  "PROFILE"};
    for (const char* w : others)
      if (is_kw(w)) unsupported("CREATE " + peek().text);
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
    if (is_kw("VARYING")) unsupported(type + " VARYING");
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
    if (is_kw("RAW")) unsupported("LONG RAW");
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
    if (is_kw("WITH"))
      unsupported(is_kw("LOCAL", 1) ? "TIMESTAMP WITH LOCAL TIME ZONE"
                                    : "TIMESTAMP WITH TIME ZONE");
  } else if (type == "INTERVAL" || type == "ROWID" || type == "UROWID" || type == "BFILE" ||
             type == "XMLTYPE" || type == "REAL" || type == "DOUBLE" || type == "NATIONAL" ||
             type == "SDO_GEOMETRY" || type == "JSON") {
    unsupported(type == "DOUBLE"     ? "DOUBLE PRECISION"
                : type == "NATIONAL" ? "NATIONAL CHARACTER"
                                     : type);
  } else {
    raise(902);
  }
  return t;
}

std::string Parser::default_clause(bool& has_default) {
  has_default = false;
  if (!accept_kw("DEFAULT")) return {};
  if (is_kw("ON")) unsupported("DEFAULT ON NULL");
  has_default = true;
  size_t start = peek().start;
  ExprPtr value = expr();
  // The dictionary keeps the text as written, up to the next token.
  return sql_.substr(start, peek().start - start);
}

bool Parser::is_table_constraint() const {
  return is_kw("CONSTRAINT") || is_kw("PRIMARY") || is_kw("UNIQUE") || is_kw("FOREIGN") ||
         is_kw("CHECK");
}

void Parser::references_clause(ConstraintDef& c) {
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
}

ConstraintDef Parser::table_constraint() {
  ConstraintDef c;
  if (accept_kw("CONSTRAINT")) c.name = name(904);
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
    references_clause(c);
  } else if (accept_kw("CHECK")) {
    check_clause(c);
  } else {
    fail(902);
  }
  constraint_state(c);
  return c;
}

ColumnDef Parser::column_def() {
  ColumnDef col;
  col.name = name(904);
  // A virtual column without a type takes its expression's: not kept here.
  if (is_kw("GENERATED") || is_kw("AS")) unsupported("a virtual column without a data type");
  col.type = data_type();
  if (is_kw("SORT") || is_kw("ENCRYPT") || is_kw("COLLATE"))
    unsupported(peek().text + " in a column definition");
  if (accept_kw("INVISIBLE"))
    col.invisible = true;
  else
    accept_kw("VISIBLE");
  if (is_kw("GENERATED") || is_kw("AS")) {
    // [GENERATED ALWAYS] AS (expr) [VIRTUAL]; GENERATED ... AS IDENTITY is
    // another thing.
    if (accept_kw("GENERATED")) {
      if (!accept_kw("ALWAYS")) unsupported("GENERATED " + peek().text + " in a column definition");
    }
    expect_kw("AS");
    if (!is_sym("("))
      unsupported(is_kw("IDENTITY") ? std::string("identity columns")
                                    : "AS " + peek().text + " in a column definition");
    next();
    const size_t start = peek().start;
    ExprPtr value = expr();
    col.virtual_text = sql_.substr(start, peek().start - start);
    while (!col.virtual_text.empty() && col.virtual_text.back() == ' ') col.virtual_text.pop_back();
    expect_sym(")", 907);
    accept_kw("VIRTUAL");
    col.is_virtual = true;
    if (is_kw("DEFAULT")) unsupported("DEFAULT of a virtual column");
  } else {
    col.default_text = default_clause(col.has_default);
  }
  while (true) {
    std::string cname;
    if (accept_kw("CONSTRAINT")) cname = name(904);
    // An inline constraint is on this column alone.
    ConstraintDef* added = nullptr;
    auto inline_constraint = [&](char type) -> ConstraintDef& {
      ConstraintDef& c = col.inline_constraints.emplace_back();
      added = &c;
      c.name = cname;
      c.type = type;
      c.columns = {col.name};
      return c;
    };
    if (accept_kw("NOT")) {
      expect_kw("NULL", 908);
      col.nullability = 2;
      col.not_null_name = cname;
    } else if (accept_kw("NULL")) {
      col.nullability = 1;
    } else if (accept_kw("PRIMARY")) {
      expect_kw("KEY");
      inline_constraint('P');
    } else if (accept_kw("UNIQUE")) {
      inline_constraint('U');
    } else if (accept_kw("REFERENCES")) {
      references_clause(inline_constraint('R'));
    } else if (accept_kw("CHECK")) {
      check_clause(inline_constraint('C'));
    } else if (is_kw("DEFAULT")) {
      unsupported("DEFAULT after a column constraint");
    } else {
      if (!cname.empty()) fail(902);
      break;
    }
    // NULL and NOT NULL take only the state they have anyway.
    ConstraintDef plain;
    constraint_state(added ? *added : plain);
    if (plain.enable == 0 || plain.validate == 0)
      unsupported("DISABLE or NOVALIDATE of a NOT NULL constraint");
  }
  return col;
}

std::unique_ptr<CreateTableStmt> Parser::create_table() {
  auto ct = std::make_unique<CreateTableStmt>();
  ct->name = name(903);
  if (accept_sym(".")) unsupported("schema-qualified names");
  if (is_kw("AS") || is_kw("OF"))
    unsupported(is_kw("AS") ? "CREATE TABLE AS SELECT" : "object tables");
  expect_sym("(", 906);
  do {
    if (is_table_constraint()) {
      ct->constraints.push_back(table_constraint());
    } else {
      ct->columns.push_back(column_def());
    }
  } while (accept_sym(","));
  expect_sym(")", 907);
  // Physical attributes and table options are outside the subset.
  if (peek().kind == Tok::Ident) unsupported(peek().text + " in CREATE TABLE");
  expect_end();
  return ct;
}

std::unique_ptr<CreateIndexStmt> Parser::create_index(bool unique) {
  auto ci = std::make_unique<CreateIndexStmt>();
  ci->unique = unique;
  ci->name = name(953);
  if (accept_sym(".")) unsupported("schema-qualified names");
  expect_kw("ON");
  ci->table = name(903);
  if (accept_sym(".")) unsupported("schema-qualified names");
  expect_sym("(", 906);
  do {
    if (peek().kind != Tok::Ident && peek().kind != Tok::QIdent)
      unsupported("expressions in an index");
    if (is_sym("(", 1)) unsupported("function-based indexes");
    ci->columns.push_back(name(904));
    if (accept_kw("DESC")) unsupported("DESC in an index");
    accept_kw("ASC");
  } while (accept_sym(","));
  expect_sym(")", 907);
  if (peek().kind == Tok::Ident) unsupported(peek().text + " in CREATE INDEX");
  expect_end();
  return ci;
}

std::unique_ptr<CreateSequenceStmt> Parser::sequence(bool alter) {
  auto cs = std::make_unique<CreateSequenceStmt>();
  cs->name = name(alter ? 2289 : 903);
  if (accept_sym(".")) unsupported("schema-qualified names");
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
      unsupported(peek().text + " in a sequence");
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
      if (is_kw("ELSIF")) unsupported("ELSIF");
      expect_kw("END");
      expect_kw("IF");
    } else if (peek().kind == Tok::Bind && is_sym(".", 1)) {
      st.kind = PlStmt::Assign;
      ExprPtr target = primary();
      if (target->op != Op::NewRef) unsupported("assignment to anything but a :NEW column");
      st.target = target->name;
      expect_sym(":=", 927);
      st.expr = expr();
    } else {
      unsupported("PL/SQL " +
                  (peek().kind == Tok::Ident ? peek().text : std::string("statements")));
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
  if (accept_sym(".")) unsupported("schema-qualified names");
  if (accept_kw("BEFORE"))
    tr->timing = "BEFORE";
  else if (accept_kw("AFTER"))
    tr->timing = "AFTER";
  else if (is_kw("INSTEAD") || is_kw("FOR"))
    unsupported(is_kw("INSTEAD") ? "INSTEAD OF triggers" : "compound triggers");
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
    if (is_kw("OF")) unsupported("UPDATE OF in CREATE TRIGGER");
  } while (accept_kw("OR"));
  tr->event = events;
  expect_kw("ON");
  if (peek().kind == Tok::Ident && is_reserved_word(peek().text)) fail(903);
  tr->table = name(903);
  if (accept_sym(".")) unsupported("schema-qualified names");
  if (is_kw("REFERENCING") || is_kw("FOLLOWS") || is_kw("PRECEDES") || is_kw("COMPOUND"))
    unsupported(peek().text + " in CREATE TRIGGER");
  if (accept_kw("FOR")) {
    expect_kw("EACH");
    expect_kw("ROW");
    tr->each_row = true;
  }
  if (is_kw("ENABLE") || is_kw("DISABLE")) unsupported(peek().text + " in CREATE TRIGGER");
  if (accept_kw("WHEN")) {
    expect_sym("(", 906);
    size_t start = peek().start;
    tr->when = expr();
    tr->when_text = sql_.substr(start, lexed_.tokens[pos_ - 1].end - start);
    expect_sym(")", 907);
  }
  if (is_kw("DECLARE")) unsupported("DECLARE in CREATE TRIGGER");
  size_t body_start = peek().start;
  expect_kw("BEGIN");
  tr->body = pl_statements("END", "EXCEPTION");
  if (is_kw("EXCEPTION")) unsupported("EXCEPTION in a trigger body");
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
      !is_kw("CONSTRAINT") && !is_kw("VISIBLE") && !is_kw("INVISIBLE")) {
    mod.type = data_type();
  }
  if (accept_kw("VISIBLE"))
    mod.visibility = 1;
  else if (accept_kw("INVISIBLE"))
    mod.visibility = 2;
  mod.default_text = default_clause(mod.has_default);
  if (accept_kw("CONSTRAINT")) name(904);
  if (accept_kw("NOT")) {
    expect_kw("NULL", 908);
    mod.nullability = 2;
  } else if (accept_kw("NULL")) {
    mod.nullability = 1;
  }
  if (is_kw("ENABLE") || is_kw("DISABLE") || is_kw("PRIMARY") || is_kw("UNIQUE"))
    unsupported(peek().text + " in MODIFY");
  return mod;
}

std::unique_ptr<AlterTableStmt> Parser::alter_table() {
  auto at = std::make_unique<AlterTableStmt>();
  expect_kw("TABLE");
  at->table = name(903);
  if (accept_sym(".")) unsupported("schema-qualified names");
  // One item, or a parenthesized list of them.
  auto one_or_list = [&](auto& items, auto item) {
    if (!accept_sym("(")) {
      items.push_back(item());
      return;
    }
    do items.push_back(item());
    while (accept_sym(","));
    expect_sym(")", 907);
  };
  if (accept_kw("ADD")) {
    // ADD (CONSTRAINT ...): one constraint in parentheses.
    const bool parenthesized_constraint =
        is_sym("(") && (is_kw("CONSTRAINT", 1) || is_kw("PRIMARY", 1) || is_kw("UNIQUE", 1) ||
                        is_kw("FOREIGN", 1) || is_kw("CHECK", 1));
    if (parenthesized_constraint) {
      next();
      at->action = AlterTableStmt::AddConstraint;
      at->constraint = table_constraint();
      if (is_sym(",")) unsupported("several constraints in one ADD");
      expect_sym(")", 907);
    } else if (is_table_constraint()) {
      at->action = AlterTableStmt::AddConstraint;
      at->constraint = table_constraint();
    } else {
      at->action = AlterTableStmt::AddColumn;
      one_or_list(at->add_columns, [&] { return column_def(); });
    }
  } else if (accept_kw("MODIFY")) {
    if (accept_kw("CONSTRAINT")) {
      at->action = AlterTableStmt::ConstraintState;
      at->constraint.type = 'C';  // the state of any constraint kind may be given
      at->constraint.name = name(904);
      constraint_state(at->constraint);
      if (at->constraint.enable < 0 && at->constraint.validate < 0) fail(905);
      expect_end();
      return at;
    }
    if (is_kw("PRIMARY") || is_kw("UNIQUE") || is_kw("PARTITION") || is_kw("LOB"))
      unsupported("MODIFY " + peek().text);
    at->action = AlterTableStmt::Modify;
    one_or_list(at->mods, [&] { return column_mod(); });
  } else if (accept_kw("DROP")) {
    if (!accept_kw("CONSTRAINT"))
      unsupported(peek().kind == Tok::Ident ? "DROP " + peek().text
                                            : std::string("DROP of anything but a constraint"));
    at->action = AlterTableStmt::DropConstraint;
    at->drop_name = name(904);
    if (is_kw("CASCADE") || is_kw("KEEP") || is_kw("DROP"))
      unsupported(peek().text + " in DROP CONSTRAINT");
  } else if (is_kw("ENABLE") || is_kw("DISABLE")) {
    at->action = AlterTableStmt::ConstraintState;
    at->constraint.type = 'C';
    at->constraint.enable = accept_kw("ENABLE") ? 1 : (next(), 0);
    if (accept_kw("VALIDATE"))
      at->constraint.validate = 1;
    else if (accept_kw("NOVALIDATE"))
      at->constraint.validate = 0;
    // ENABLE PRIMARY KEY / UNIQUE (...) / ALL TRIGGERS / TABLE LOCK / ROW MOVEMENT
    if (!accept_kw("CONSTRAINT"))
      unsupported(std::string(at->constraint.enable ? "ENABLE " : "DISABLE ") +
                  (peek().kind == Tok::Ident ? peek().text : "of anything but a constraint"));
    at->constraint.name = name(904);
    if (is_kw("CASCADE") || is_kw("KEEP") || is_kw("DROP") || is_kw("USING") || is_kw("EXCEPTIONS"))
      unsupported(peek().text + " in ENABLE or DISABLE CONSTRAINT");
  } else {
    static const char* const others[] = {
        "RENAME",     "ENABLE",   "DISABLE",    "MOVE",       "SHRINK",  "READ",    "PARALLEL",
        "NOPARALLEL", "LOGGING",  "NOLOGGING",  "CACHE",      "NOCACHE", "PCTFREE", "STORAGE",
        "SET",        "TRUNCATE", "COMPRESS",   "NOCOMPRESS", "ROW",     "SPLIT",   "MERGE",
        "EXCHANGE",   "ALLOCATE", "DEALLOCATE", "INMEMORY"};
    for (const char* w : others)
      if (is_kw(w)) unsupported("ALTER TABLE " + peek().text);
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
    if (accept_sym(".")) unsupported("schema-qualified names");
    if (is_sym("@")) unsupported("database links");
    if (is_kw("PARTITION")) unsupported("PARTITION in LOCK TABLE");
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
    if (is_kw("ON")) unsupported("object privileges");
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
  else if (accept_kw("VIEW"))
    dr->what = "VIEW";
  else {
    static const char* const others[] = {
        "VIEW",         "SYNONYM", "USER", "PROCEDURE",  "FUNCTION",  "PACKAGE", "TYPE",
        "MATERIALIZED", "PUBLIC",  "ROLE", "TABLESPACE", "DIRECTORY", "CLUSTER", "PROFILE"};
    for (const char* w : others)
      if (is_kw(w)) unsupported("DROP " + peek().text);
    fail(950);
  }
  dr->name = name(dr->what == "TABLE" || dr->what == "VIEW" ? 903 : 953);
  if (accept_sym(".")) unsupported("schema-qualified names");
  if (dr->what == "TABLE" || dr->what == "VIEW") {
    if (accept_kw("CASCADE")) {
      expect_kw("CONSTRAINTS");
      dr->cascade = true;
    }
    accept_kw("PURGE");
  }
  expect_end();
  return dr;
}

}  // namespace oraemb
