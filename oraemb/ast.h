// Syntax tree of the Oracle SQL subset: expressions and conditions share one
// node type; each statement kind has its own struct. Expression nodes carry
// resolution slots that the executor fills at execute time, so a tree
// belongs to one prepared statement and is not shared between threads.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "oraemb/value.h"

namespace oraemb {

enum class Op {
  Literal,
  Column,
  Rowid,
  Rownum,
  SeqValue,
  Bind,
  NewRef,
  Neg,
  Add,
  Sub,
  Mul,
  Div,
  Concat,
  Func,
  Case,
  And,
  Or,
  Not,
  Cmp,
  IsNull,
  Like,
  In,
  Between,
  Star,
  Subquery,    // scalar subquery; also the right side of IN / ANY / ALL (see Expr::subquery)
  Exists,      // EXISTS (subquery)
  Quantified,  // left op ANY|ALL (list or subquery): name is the comparison
  Analytic     // function OVER (...): name is the function, window in Expr::over
};

struct Expr;
using ExprPtr = std::unique_ptr<Expr>;
struct SelectStmt;
struct QueryAttachment;

// The OVER clause of an analytic function.
struct WindowSpec {
  std::vector<ExprPtr> partition_by;
  std::vector<ExprPtr> order_by;
  std::vector<bool> desc;
  std::vector<int> nulls;  // 0 default, 1 NULLS FIRST, 2 NULLS LAST
};

struct Expr {
  Op op = Op::Literal;
  Value literal;
  std::string qualifier;  // Column/Rowid: table or alias; SeqValue: sequence name
  std::string name;       // Column name, function name, NEXTVAL/CURRVAL, bind name, comparison
  bool negated = false;   // NOT LIKE / NOT IN / NOT BETWEEN / IS NOT NULL
  bool distinct = false;  // aggregate DISTINCT
  bool has_else = false;  // CASE
  std::vector<ExprPtr> args;
  size_t start = 0, end = 0;  // source span

  // Filled by the executor.
  int slot = -1;  // index into the evaluation row
  int source = -1;
  int aggregate = -1;  // index of the aggregate accumulator
  int64_t aux = 0;     // Rowid: object number of the resolved table

  // Queries inside expressions (Subquery, Exists, In and Quantified over a
  // subquery), the (+) outer-join marker, analytic windows.
  std::shared_ptr<SelectStmt> subquery;
  bool all = false;         // Quantified: ALL rather than ANY/SOME
  bool outer_mark = false;  // Column followed by (+)
  int outer = 0;            // Column: levels of enclosing queries up (correlated)
  std::shared_ptr<WindowSpec> over;
  std::shared_ptr<QueryAttachment> attached;  // executor state of a subquery
};

// PIVOT (aggregate [AS alias], ... FOR column IN (value [AS alias], ...)).
struct PivotClause {
  struct Aggregate {
    ExprPtr call;
    std::string alias;
  };
  struct InValue {
    ExprPtr value;
    std::string alias;
    std::string text;  // as written: the generated column name without an alias
  };
  std::vector<Aggregate> aggregates;
  std::string for_column;
  std::vector<InValue> values;
  std::shared_ptr<SelectStmt> rewritten;  // the grouped query it stands for (executor)
};

struct TableRef {
  std::string name;
  std::string alias;
  std::unique_ptr<SelectStmt> subquery;
  std::unique_ptr<PivotClause> pivot;
};

// The join structure of a FROM clause. Leaves index SelectStmt::from; a
// FROM list of plain commas has no tree.
struct JoinNode {
  enum Kind { Leaf, Inner, Left, Right, Full, Cross } kind = Leaf;
  int leaf = -1;
  std::unique_ptr<JoinNode> left, right;
  ExprPtr on;
  std::vector<std::string> using_columns;
  bool natural = false;
};

struct SelectItem {
  ExprPtr expr;  // null for * and q.*
  std::string alias;
  std::string star_qualifier;
  bool star = false;
  std::string text;  // source text of the item
};

struct OrderItem {
  ExprPtr expr;
  bool desc = false;
  int nulls = 0;  // 0 default, 1 NULLS FIRST, 2 NULLS LAST
};

struct SelectStmt {
  bool distinct = false;
  std::vector<SelectItem> items;
  std::vector<TableRef> from;
  ExprPtr where;
  std::vector<ExprPtr> group_by;
  ExprPtr having;
  std::vector<OrderItem> order_by;
  bool for_update = false;
  bool nowait = false;
  int wait_seconds = -1;      // FOR UPDATE WAIT n; -1 when not given
  std::vector<ExprPtr> into;  // PL/SQL SELECT ... INTO :new.c

  // Joins written with JOIN (null for a FROM list of commas only).
  std::unique_ptr<JoinNode> joins;
  // A compound query: the branches combined, with ORDER BY and the row
  // limit of the whole in this statement (items and from are then empty).
  enum SetOp { None, Union, UnionAll, Intersect, Minus } set_op = None;
  std::unique_ptr<SelectStmt> set_left, set_right;
  // WITH name AS (query), ...: visible to this query and those inside it.
  std::vector<std::pair<std::string, std::shared_ptr<SelectStmt>>> with;
  // OFFSET n ROWS / FETCH FIRST n [PERCENT] ROWS ONLY | WITH TIES.
  ExprPtr offset, fetch;
  bool fetch_percent = false, with_ties = false;
};

struct InsertStmt {
  std::string table;
  std::vector<std::string> columns;
  std::vector<ExprPtr> values;
  std::unique_ptr<SelectStmt> select;
  std::vector<ExprPtr> returning;
  std::vector<std::string> into;
};

struct UpdateStmt {
  std::string table, alias;
  std::vector<std::pair<std::string, ExprPtr>> sets;
  ExprPtr where;
};

struct DeleteStmt {
  std::string table, alias;
  ExprPtr where;
};

struct ConstraintDef {
  std::string name;
  char type = 'P';  // P, U, R, C
  std::vector<std::string> columns;
  std::string ref_table;
  std::vector<std::string> ref_columns;
  std::string delete_rule = "NO ACTION";
  // CHECK: the condition and its text as written between the parentheses.
  ExprPtr condition;
  std::string condition_text;
  // The state clause: -1 not given; ENABLE 1 / DISABLE 0, VALIDATE 1 /
  // NOVALIDATE 0.
  int enable = -1, validate = -1;
};

struct ColumnDef {
  std::string name;
  OraType type;
  bool has_default = false;
  std::string default_text;  // exactly as written, trailing blanks included
  int nullability = 0;       // 0 not given, 1 NULL, 2 NOT NULL
  std::string not_null_name;
  std::vector<ConstraintDef> inline_constraints;
  bool invisible = false;
  // A virtual column: its value is this expression over the row's columns.
  bool is_virtual = false;
  std::string virtual_text;
};

struct CreateTableStmt {
  std::string name;
  std::vector<ColumnDef> columns;
  std::vector<ConstraintDef> constraints;
};

struct CreateIndexStmt {
  std::string name, table;
  bool unique = false;
  std::vector<std::string> columns;
};

// CREATE SEQUENCE, and ALTER SEQUENCE with the options it names (the has_
// flags say which were given).
struct CreateSequenceStmt {
  std::string name;
  std::optional<OraNumber> increment, start, maxvalue, minvalue;
  bool cycle = false, order = false;
  int cache = 20;
  bool nomaxvalue = false, nominvalue = false;
  bool has_cycle = false, has_order = false, has_cache = false;
};

// CREATE [OR REPLACE] [[NO] FORCE] VIEW name [(columns)] AS query [WITH READ ONLY].
struct CreateViewStmt {
  std::string name;
  bool or_replace = false, force = false, read_only = false;
  std::vector<std::string> columns;
  std::string text;  // the query as written
  std::unique_ptr<SelectStmt> query;
};

struct PlStmt {
  enum Kind { SelectInto, Assign, If, Null } kind = Null;
  std::unique_ptr<SelectStmt> select;
  std::string target;  // :new column for Assign
  ExprPtr expr;        // Assign value or If condition
  std::vector<PlStmt> then_branch, else_branch;
};

struct CreateTriggerStmt {
  std::string name, table;
  bool or_replace = false;
  std::string timing = "BEFORE";
  std::string event = "INSERT";
  bool each_row = false;
  ExprPtr when;
  std::string when_text, body_text;
  std::vector<PlStmt> body;
};

struct ColumnMod {
  std::string name;
  std::optional<OraType> type;
  bool has_default = false;
  std::string default_text;
  int nullability = 0;
  int visibility = 0;  // 0 not given, 1 VISIBLE, 2 INVISIBLE
};

struct AlterTableStmt {
  // ConstraintState: ENABLE / DISABLE [NO]VALIDATE CONSTRAINT n and MODIFY
  // CONSTRAINT n state (the name and state are in `constraint`).
  enum Action {
    AddConstraint,
    Modify,
    AddColumn,
    DropConstraint,
    ConstraintState
  } action = AddConstraint;
  std::string table;
  ConstraintDef constraint;
  std::vector<ColumnMod> mods;
  std::vector<ColumnDef> add_columns;
  std::string drop_name;
};

struct DropStmt {
  std::string what;  // TABLE, INDEX, SEQUENCE, TRIGGER, VIEW
  std::string name;
  bool cascade = false;
};

// COMMENT ON TABLE t IS '...' / COMMENT ON COLUMN t.c IS '...'.
struct CommentStmt {
  std::string table;
  std::string column;  // empty for a table comment
  std::string text;    // '' removes the comment
};

// LOCK TABLE t [, t] IN mode MODE [NOWAIT | WAIT n].
struct LockTableStmt {
  std::vector<std::string> tables;
  bool exclusive = false;  // EXCLUSIVE and SHARE ROW EXCLUSIVE; the row modes are shared
  bool nowait = false;
  int wait_seconds = -1;
};

// CREATE USER / ALTER USER / DROP USER / GRANT / REVOKE.
struct UserStmt {
  std::string user;
  bool has_password = false;
  std::string password;   // as typed (passwords are case-sensitive)
  int account_lock = -1;  // 1 ACCOUNT LOCK, 0 ACCOUNT UNLOCK, -1 unchanged
  int quota = -1;         // 1 QUOTA UNLIMITED ON USERS, 0 QUOTA 0 ON USERS, -1 unchanged
  bool cascade = false;
  std::vector<std::string> privileges;  // GRANT/REVOKE: "CREATE TABLE", "DBA", ...
};

enum class StmtKind {
  Select,
  Insert,
  Update,
  Delete,
  CreateTable,
  CreateIndex,
  CreateSequence,
  CreateTrigger,
  AlterTable,
  AlterSequence,
  Drop,
  Commit,
  Rollback,
  LockTable,
  CreateUser,
  AlterUser,
  DropUser,
  Grant,
  Revoke,
  Comment,
  CreateView
};

struct Statement {
  StmtKind kind = StmtKind::Select;
  std::unique_ptr<SelectStmt> select;
  std::unique_ptr<InsertStmt> insert;
  std::unique_ptr<UpdateStmt> update;
  std::unique_ptr<DeleteStmt> del;
  std::unique_ptr<CreateTableStmt> create_table;
  std::unique_ptr<CreateIndexStmt> create_index;
  std::unique_ptr<CreateSequenceStmt> create_sequence;
  std::unique_ptr<CreateTriggerStmt> create_trigger;
  std::unique_ptr<AlterTableStmt> alter;
  std::unique_ptr<DropStmt> drop;
  std::unique_ptr<LockTableStmt> lock;
  std::unique_ptr<UserStmt> user;
  std::unique_ptr<CommentStmt> comment;
  std::unique_ptr<CreateViewStmt> create_view;
  std::string text;  // the source (UTF-8)
};

}  // namespace oraemb
