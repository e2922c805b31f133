// Recursive-descent parser for the Oracle SQL subset the converter sends and
// a user checking the result would type. Each grammar rule is one method;
// syntax errors raise the ORA-009xx error of the point of failure, and valid
// Oracle outside the subset raises ORA-03001 (never a silent misreading).
#pragma once

#include <string>
#include <vector>

#include "oraemb/ast.h"
#include "oraemb/lexer.h"

namespace oraemb {

class Parser {
 public:
  // nchar_char_bytes: the national character set's largest character (2 for
  // AL16UTF16, 3 for UTF8), which bounds NCHAR and NVARCHAR2 lengths.
  explicit Parser(std::string sql, size_t identifier_limit = 128, int nchar_char_bytes = 2);

  Statement parse_statement();
  // A trigger's stored WHEN condition and body (re-read when a schema loads).
  ExprPtr parse_condition_only();
  std::vector<PlStmt> parse_block_only();

 private:
  const Token& peek(size_t ahead = 0) const;
  const Token& next();
  bool is_kw(const char* word, size_t ahead = 0) const;
  bool accept_kw(const char* word);
  void expect_kw(const char* word, int code = 905);
  bool is_sym(const char* sym, size_t ahead = 0) const;
  bool accept_sym(const char* sym);
  void expect_sym(const char* sym, int code);
  std::string name(int code);  // identifier (quoted or not, not reserved)
  [[noreturn]] void fail(int code);
  // ORA-03001 naming the construct refused.
  [[noreturn]] void unsupported(const std::string& construct);
  void expect_end();

  // A query: [WITH ...] blocks joined by set operators, ORDER BY, the row
  // limit and FOR UPDATE (parser_query.cpp).
  std::unique_ptr<SelectStmt> select(bool allow_into);
  std::unique_ptr<SelectStmt> query_term(bool allow_into);
  std::unique_ptr<SelectStmt> query_block(bool allow_into);
  void order_by_clause(SelectStmt& sel);
  void row_limit_clause(SelectStmt& sel);
  void from_clause(SelectStmt& sel);
  std::unique_ptr<JoinNode> join_expr(SelectStmt& sel);
  std::unique_ptr<JoinNode> table_primary(SelectStmt& sel);
  void table_ref(SelectStmt& sel);
  std::unique_ptr<PivotClause> pivot_clause();
  bool at_subquery() const;  // "(" opens a query rather than an expression or a join
  // A subquery after its "(" up to and including the ")".
  std::shared_ptr<SelectStmt> subquery_in_parens();
  std::shared_ptr<WindowSpec> window_spec();
  std::unique_ptr<CreateViewStmt> create_view(bool or_replace);
  std::unique_ptr<InsertStmt> insert();
  std::unique_ptr<UpdateStmt> update();
  std::unique_ptr<DeleteStmt> remove();
  Statement create();
  std::unique_ptr<CreateTableStmt> create_table();
  ColumnDef column_def();
  OraType data_type();
  // An out-of-line constraint: [CONSTRAINT name] PRIMARY KEY | UNIQUE |
  // FOREIGN KEY ..., in CREATE TABLE and ALTER TABLE ADD.
  bool is_table_constraint() const;
  ConstraintDef table_constraint();
  // After REFERENCES: table [(columns)] [ON DELETE CASCADE | SET NULL].
  void references_clause(ConstraintDef& c);
  // After CHECK: '(' condition ')', kept with its text (constraints.cpp).
  void check_clause(ConstraintDef& c);
  // [ENABLE | DISABLE] [VALIDATE | NOVALIDATE] after a constraint.
  void constraint_state(ConstraintDef& c);
  // COMMENT ON TABLE / COLUMN after COMMENT.
  std::unique_ptr<CommentStmt> comment_on();
  std::vector<std::string> column_list();
  std::unique_ptr<CreateIndexStmt> create_index(bool unique);
  // CREATE SEQUENCE or ALTER SEQUENCE after its leading keywords.
  std::unique_ptr<CreateSequenceStmt> sequence(bool alter);
  std::unique_ptr<CreateTriggerStmt> create_trigger(bool or_replace);
  std::vector<PlStmt> pl_statements(const char* stop1, const char* stop2 = nullptr);
  std::unique_ptr<AlterTableStmt> alter_table();
  ColumnMod column_mod();
  std::unique_ptr<DropStmt> drop();
  std::unique_ptr<LockTableStmt> lock_table();
  // The user statements after their leading keywords.
  std::unique_ptr<UserStmt> user_options(bool create);
  std::unique_ptr<UserStmt> grant_or_revoke(bool grant);
  std::string password();
  std::string default_clause(bool& has_default);
  OraNumber signed_number();

  ExprPtr expr();  // full condition/expression (OR level)
  ExprPtr and_expr();
  ExprPtr not_expr();
  ExprPtr predicate();
  ExprPtr additive();
  ExprPtr multiplicative();
  ExprPtr unary();
  ExprPtr primary();
  ExprPtr function_call(std::string fn, size_t start);
  // TRIM([LEADING | TRAILING | BOTH] [c] FROM s) and EXTRACT(field FROM d):
  // the call with its arguments, or null for other functions
  // (parser_functions.cpp).
  ExprPtr special_function(const std::string& fn, size_t start);
  ExprPtr make(Op op, size_t start);

  std::string sql_;
  int nchar_char_bytes_ = 2;
  LexResult lexed_;
  size_t pos_ = 0;
  int depth_ = 0;  // nesting of expressions, bounded so deep input cannot exhaust the stack
};

// True for Oracle's reserved words, which cannot be unquoted names.
bool is_reserved_word(const std::string& upper);
// True for the built-ins of functions.h that the executor implements
// beyond parser_expressions.cpp's list.
bool is_builtin_function(const std::string& name);

}  // namespace oraemb
