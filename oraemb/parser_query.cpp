// The parser's queries: WITH, query blocks joined by UNION / INTERSECT /
// MINUS, the FROM clause with its joins, inline views and PIVOT, ORDER BY,
// OFFSET / FETCH and FOR UPDATE; also analytic windows, subqueries inside
// expressions and CREATE VIEW, whose body is a query.
#include <cstdlib>

#include "oraemb/ora_error.h"
#include "oraemb/parser.h"

namespace oraemb {
namespace {

// Bounds the nesting of queries and parenthesised joins (with that of
// expressions) so that deep input cannot exhaust the stack.
struct DepthGuardQuery {
  explicit DepthGuardQuery(int& depth) : depth_(depth) {
    if (++depth_ > 200) raise_unimplemented("queries nested more than 200 levels deep");
  }
  ~DepthGuardQuery() { --depth_; }
  DepthGuardQuery(const DepthGuardQuery&) = delete;
  DepthGuardQuery& operator=(const DepthGuardQuery&) = delete;
  int& depth_;
};

}  // namespace

std::unique_ptr<SelectStmt> Parser::select(bool allow_into) {
  DepthGuardQuery guard(depth_);
  std::vector<std::pair<std::string, std::shared_ptr<SelectStmt>>> with;
  if (accept_kw("WITH")) {
    if (is_kw("FUNCTION") || is_kw("PROCEDURE")) unsupported("WITH FUNCTION");
    do {
      std::string query_name = name(903);
      if (is_sym("(")) unsupported("WITH column list");
      expect_kw("AS");
      expect_sym("(", 906);
      with.emplace_back(query_name, subquery_in_parens());
      if (is_kw("SEARCH") || is_kw("CYCLE")) unsupported("recursive WITH");
    } while (accept_sym(","));
    if (!is_kw("SELECT") && !is_sym("(")) fail(928);
  }
  auto sel = query_term(allow_into);
  for (;;) {
    SelectStmt::SetOp op;
    if (accept_kw("UNION"))
      op = accept_kw("ALL") ? SelectStmt::UnionAll : SelectStmt::Union;
    else if (accept_kw("INTERSECT"))
      op = SelectStmt::Intersect;
    else if (accept_kw("MINUS"))
      op = SelectStmt::Minus;
    else
      break;
    if (is_kw("ALL") || is_kw("DISTINCT")) unsupported("INTERSECT/MINUS ALL");
    auto top = std::make_unique<SelectStmt>();
    top->set_op = op;
    top->set_left = std::move(sel);
    top->set_right = query_term(false);
    sel = std::move(top);
  }
  if (is_kw("ORDER")) {
    if (!sel->order_by.empty() || sel->offset || sel->fetch) fail(933);
    order_by_clause(*sel);
  }
  row_limit_clause(*sel);
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
      unsupported("FOR UPDATE SKIP LOCKED");
    }
  }
  if (!with.empty()) {
    for (auto& w : sel->with) with.push_back(std::move(w));
    sel->with = std::move(with);
  }
  return sel;
}

std::unique_ptr<SelectStmt> Parser::query_term(bool allow_into) {
  if (accept_sym("(")) {
    auto inner = select(false);
    expect_sym(")", 907);
    return inner;
  }
  if (!is_kw("SELECT")) fail(928);
  return query_block(allow_into);
}

std::unique_ptr<SelectStmt> Parser::query_block(bool allow_into) {
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
      if (tok.kind != Tok::Bind) unsupported("INTO anything but bind variables");
      sel->into.push_back(primary());
    } while (accept_sym(","));
  }
  expect_kw("FROM", 923);
  from_clause(*sel);
  if (accept_kw("WHERE")) sel->where = expr();
  if (is_kw("CONNECT") || is_kw("START")) unsupported("CONNECT BY");
  if (accept_kw("GROUP")) {
    expect_kw("BY");
    if (is_kw("ROLLUP") || is_kw("CUBE") || is_kw("GROUPING")) unsupported(peek().text);
    do sel->group_by.push_back(expr());
    while (accept_sym(","));
  }
  if (accept_kw("HAVING")) sel->having = expr();
  if (is_kw("MODEL")) unsupported("MODEL");
  return sel;
}

void Parser::order_by_clause(SelectStmt& sel) {
  expect_kw("ORDER");
  if (is_kw("SIBLINGS")) unsupported("ORDER SIBLINGS BY");
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
    sel.order_by.push_back(std::move(item));
  } while (accept_sym(","));
}

// [OFFSET n {ROW | ROWS}] [FETCH {FIRST | NEXT} [n [PERCENT]] {ROW | ROWS}
// {ONLY | WITH TIES}]. The version check is the executor's.
void Parser::row_limit_clause(SelectStmt& sel) {
  if (accept_kw("OFFSET")) {
    sel.offset = additive();
    if (!accept_kw("ROWS") && !accept_kw("ROW")) fail(905);
  }
  if (accept_kw("FETCH")) {
    if (!accept_kw("FIRST") && !accept_kw("NEXT")) fail(905);
    if (!is_kw("ROW") && !is_kw("ROWS")) {
      sel.fetch = additive();
      sel.fetch_percent = accept_kw("PERCENT");
    } else {
      auto one = make(Op::Literal, peek().start);
      one->literal = Value::num(OraNumber::from_int(1));
      sel.fetch = std::move(one);
    }
    if (!accept_kw("ROWS") && !accept_kw("ROW")) fail(905);
    if (accept_kw("WITH")) {
      expect_kw("TIES");
      sel.with_ties = true;
    } else {
      expect_kw("ONLY");
    }
  }
}

void Parser::from_clause(SelectStmt& sel) {
  std::vector<std::unique_ptr<JoinNode>> items;
  bool plain = true;
  do {
    items.push_back(join_expr(sel));
    plain = plain && items.back()->kind == JoinNode::Leaf;
  } while (accept_sym(","));
  if (plain) return;
  // Commas between joins: inner joins whose conditions are in WHERE.
  std::unique_ptr<JoinNode> tree = std::move(items[0]);
  for (size_t k = 1; k < items.size(); ++k) {
    auto node = std::make_unique<JoinNode>();
    node->kind = JoinNode::Inner;
    node->left = std::move(tree);
    node->right = std::move(items[k]);
    tree = std::move(node);
  }
  sel.joins = std::move(tree);
}

std::unique_ptr<JoinNode> Parser::join_expr(SelectStmt& sel) {
  DepthGuardQuery guard(depth_);
  auto left = table_primary(sel);
  for (;;) {
    if (is_kw("OUTER") && is_kw("APPLY", 1)) unsupported("OUTER APPLY");
    if (is_kw("CROSS") && is_kw("APPLY", 1)) unsupported("CROSS APPLY");
    auto node = std::make_unique<JoinNode>();
    if (is_kw("CROSS") && is_kw("JOIN", 1)) {
      next();
      next();
      node->kind = JoinNode::Cross;
      node->left = std::move(left);
      node->right = table_primary(sel);
      left = std::move(node);
      continue;
    }
    size_t save = pos_;
    node->natural = accept_kw("NATURAL");
    node->kind = JoinNode::Inner;
    if (accept_kw("INNER")) {
    } else if (accept_kw("LEFT")) {
      node->kind = JoinNode::Left;
      accept_kw("OUTER");
    } else if (accept_kw("RIGHT")) {
      node->kind = JoinNode::Right;
      accept_kw("OUTER");
    } else if (accept_kw("FULL")) {
      node->kind = JoinNode::Full;
      accept_kw("OUTER");
    }
    if (!accept_kw("JOIN")) {
      if (pos_ != save) fail(905);
      break;
    }
    if (is_kw("PARTITION")) unsupported("partitioned outer join");
    node->left = std::move(left);
    node->right = table_primary(sel);
    if (is_kw("PARTITION")) unsupported("partitioned outer join");
    if (!node->natural) {
      if (accept_kw("ON")) {
        node->on = expr();
      } else if (accept_kw("USING")) {
        expect_sym("(", 906);
        do {
          node->using_columns.push_back(name(904));
          if (is_sym(".")) fail(1748);
        } while (accept_sym(","));
        expect_sym(")", 907);
      } else {
        fail(905);
      }
    }
    left = std::move(node);
  }
  return left;
}

bool Parser::at_subquery() const {
  size_t k = 0;
  while (is_sym("(", k)) ++k;
  return k > 0 && (is_kw("SELECT", k) || is_kw("WITH", k));
}

std::unique_ptr<JoinNode> Parser::table_primary(SelectStmt& sel) {
  if (is_sym("(") && !at_subquery()) {
    next();
    auto inner = join_expr(sel);
    expect_sym(")", 907);
    return inner;
  }
  table_ref(sel);
  auto leaf = std::make_unique<JoinNode>();
  leaf->leaf = static_cast<int>(sel.from.size()) - 1;
  return leaf;
}

void Parser::table_ref(SelectStmt& sel) {
  TableRef ref;
  if (accept_sym("(")) {
    ref.subquery = select(false);
    expect_sym(")", 907);
  } else {
    if (is_kw("TABLE") || is_kw("LATERAL") || is_kw("ONLY")) unsupported(peek().text);
    ref.name = name(903);
    if (accept_sym(".")) unsupported("schema-qualified names");
    if (is_sym("@")) unsupported("database links");
    if (is_kw("AS") && is_kw("OF", 1)) unsupported("flashback query");
    if (is_kw("PARTITION") || is_kw("SAMPLE")) unsupported(peek().text);
    if (is_kw("AS")) unsupported("AS before a table alias");
  }
  auto pivot_here = [&]() {
    if (is_kw("UNPIVOT")) unsupported("UNPIVOT");
    if (is_kw("PIVOT") && (is_sym("(", 1) || is_kw("XML", 1))) ref.pivot = pivot_clause();
  };
  pivot_here();
  static const char* const not_alias[] = {"JOIN",   "INNER",   "LEFT",    "RIGHT",     "FULL",
                                          "CROSS",  "NATURAL", "OFFSET",  "FETCH",     "USING",
                                          "OUTER",  "PIVOT",   "UNPIVOT", "PARTITION", "MODEL",
                                          "WINDOW", "SAMPLE",  "LOG",     "RETURNING"};
  bool alias =
      peek().kind == Tok::QIdent || (peek().kind == Tok::Ident && !is_reserved_word(peek().text));
  for (const char* w : not_alias)
    if (alias && is_kw(w)) alias = false;
  if (alias) ref.alias = next().text;
  if (!ref.pivot) pivot_here();
  sel.from.push_back(std::move(ref));
}

std::unique_ptr<PivotClause> Parser::pivot_clause() {
  expect_kw("PIVOT");
  if (is_kw("XML")) unsupported("PIVOT XML");
  auto p = std::make_unique<PivotClause>();
  expect_sym("(", 906);
  do {
    PivotClause::Aggregate agg;
    agg.call = expr();
    if (agg.call->op != Op::Func ||
        (agg.call->name != "SUM" && agg.call->name != "COUNT" && agg.call->name != "MIN" &&
         agg.call->name != "MAX" && agg.call->name != "AVG"))
      throw ora_error(56902, "expect aggregate function inside pivot operation");
    if (accept_kw("AS"))
      agg.alias = name(923);
    else if (peek().kind == Tok::QIdent || (peek().kind == Tok::Ident && !is_kw("FOR")))
      agg.alias = name(923);
    p->aggregates.push_back(std::move(agg));
  } while (accept_sym(","));
  expect_kw("FOR");
  if (is_sym("(")) unsupported("PIVOT FOR a list of columns");
  p->for_column = name(904);
  expect_kw("IN");
  expect_sym("(", 906);
  if (is_kw("ANY") || is_kw("SELECT")) unsupported("PIVOT XML");
  do {
    PivotClause::InValue v;
    size_t start = peek().start;
    if (is_sym("(")) unsupported("PIVOT FOR a list of columns");
    v.value = additive();
    v.text = sql_.substr(start, lexed_.tokens[pos_ - 1].end - start);
    if (accept_kw("AS"))
      v.alias = name(923);
    else if (peek().kind == Tok::QIdent || peek().kind == Tok::Ident)
      v.alias = name(923);
    p->values.push_back(std::move(v));
  } while (accept_sym(","));
  expect_sym(")", 907);
  expect_sym(")", 907);
  return p;
}

std::shared_ptr<SelectStmt> Parser::subquery_in_parens() {
  std::shared_ptr<SelectStmt> q = select(false);
  expect_sym(")", 907);
  return q;
}

std::shared_ptr<WindowSpec> Parser::window_spec() {
  auto w = std::make_shared<WindowSpec>();
  expect_sym("(", 906);
  if (accept_kw("PARTITION")) {
    expect_kw("BY");
    do w->partition_by.push_back(expr());
    while (accept_sym(","));
  }
  if (accept_kw("ORDER")) {
    if (is_kw("SIBLINGS")) unsupported("ORDER SIBLINGS BY");
    expect_kw("BY");
    do {
      w->order_by.push_back(expr());
      bool desc = false;
      if (accept_kw("DESC"))
        desc = true;
      else
        accept_kw("ASC");
      int nulls = 0;
      if (accept_kw("NULLS")) {
        if (accept_kw("FIRST")) {
          nulls = 1;
        } else {
          expect_kw("LAST");
          nulls = 2;
        }
      }
      w->desc.push_back(desc);
      w->nulls.push_back(nulls);
    } while (accept_sym(","));
  }
  if (is_kw("ROWS") || is_kw("RANGE") || is_kw("GROUPS")) unsupported("windowing clause");
  expect_sym(")", 907);
  return w;
}

std::unique_ptr<CreateViewStmt> Parser::create_view(bool or_replace) {
  auto v = std::make_unique<CreateViewStmt>();
  v->or_replace = or_replace;
  if (accept_kw("NO")) {
    expect_kw("FORCE");
  } else if (accept_kw("FORCE")) {
    v->force = true;
  } else {
    accept_kw("NOFORCE");
  }
  if (is_kw("EDITIONING") || is_kw("EDITIONABLE") || is_kw("NONEDITIONABLE"))
    unsupported(peek().text + " VIEW");
  expect_kw("VIEW");
  v->name = name(903);
  if (accept_sym(".")) unsupported("schema-qualified names");
  if (is_sym("(")) {
    next();
    do {
      if (is_kw("CONSTRAINT") || is_kw("PRIMARY") || is_kw("UNIQUE"))
        unsupported("view constraints");
      v->columns.push_back(name(904));
    } while (accept_sym(","));
    expect_sym(")", 907);
  }
  if (is_kw("OF")) unsupported("object views");
  expect_kw("AS");
  size_t start = peek().start;
  v->query = select(false);
  v->text = sql_.substr(start, lexed_.tokens[pos_ - 1].end - start);
  if (accept_kw("WITH")) {
    if (accept_kw("READ")) {
      expect_kw("ONLY");
      v->read_only = true;
    } else if (accept_kw("CHECK")) {
      expect_kw("OPTION");
      unsupported("WITH CHECK OPTION");
    } else {
      fail(905);
    }
    if (is_kw("CONSTRAINT")) unsupported("view constraints");
  }
  expect_end();
  return v;
}

}  // namespace oraemb
