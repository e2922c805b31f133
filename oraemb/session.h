// One logged-on Oracle session: its SQLite connection, user, schema
// snapshot and transaction, and the executor of every statement kind
// (DDL, INSERT/UPDATE/DELETE with triggers, queries and the dictionary
// views). The OCI layer owns a Session through the service context; a
// Session is used by one thread at a time.
#pragma once

#include <sqlite3.h>

#include <chrono>
#include <ctime>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "oraemb/ast.h"
#include "oraemb/catalog.h"
#include "oraemb/catalog_view.h"
#include "oraemb/connect_config.h"
#include "oraemb/database.h"
#include "oraemb/idle_writers.h"
#include "oraemb/ora_error.h"
#include "oraemb/privileges.h"
#include "oraemb/profile.h"
#include "oraemb/sequence_values.h"
#include "oraemb/session_costs.h"
#include "oraemb/session_locks.h"
#include "oraemb/sqlite_util.h"
#include "oraemb/transaction.h"

namespace oraemb {

class Session;
class SnapshotReaders;
class QueryExecutor;

struct ColumnDesc {
  std::string name;
  OraType type;
  bool invisible = false;  // a table's INVISIBLE column: not one of SELECT *'s
};

// Supplies the values of input bind variables (:name) during execution.
class BindSource {
 public:
  virtual ~BindSource() = default;
  virtual Value bind_value(const std::string& name) = 0;
};

// The rows of a query, either streamed (`next` reads and evaluates one row
// per fetch, holding none) or materialised (`produce` computes all of them
// at the first fetch). An error of a fetch ends the cursor: the fetches
// after it give ORA-01002.
class Cursor {
 public:
  std::vector<ColumnDesc> columns;
  // Next row; false at the end.
  bool fetch(std::vector<Value>& row);
  std::function<bool(std::vector<Value>&)> next;
  std::function<std::vector<std::vector<Value>>()> produce;

 private:
  bool produced_ = false;
  bool failed_ = false;
  std::vector<std::vector<Value>> rows_;
  size_t next_ = 0;
};

struct ExecOptions {
  bool parse_only = false;
  bool commit_on_success = false;
  bool describe_only = false;
  // A later row of an array execute of the same statement, inside the
  // batch's write transaction: the catalogue is not read again and an
  // INSERT runs on the plan of the row before.
  bool same_batch = false;
  // The caller commits once the statement (or the array's rows) succeeded:
  // what it writes need not be recorded for parking.
  bool commit_follows = false;
};

struct ExecResult {
  int64_t row_count = 0;
  std::unique_ptr<Cursor> cursor;
  std::optional<ora_error> warning;
};

// A column source of a query's FROM clause, resolved.
struct Source {
  std::string name;   // table or view name
  std::string alias;  // empty when none
  std::vector<ColumnDesc> columns;
  int offset = 0;         // first slot of the source in the evaluation row
  int64_t table_obj = 0;  // user table, 0 for views and subqueries
  const SelectStmt* subquery = nullptr;
  std::shared_ptr<SelectStmt> view_query;  // a user view's query (owns what subquery points to)
};

// A column that USING or NATURAL made one: its unqualified name stands for
// the left side's value (LEFT and inner joins), the right side's (RIGHT) or
// the first of them that is not NULL (FULL).
struct MergedColumn {
  std::string name;
  int left_source = -1, left_slot = -1;
  int right_source = -1, right_slot = -1;
  JoinNode::Kind kind = JoinNode::Inner;
};

struct Scope {
  std::vector<Source> sources;
  const TableInfo* new_table = nullptr;  // trigger context: :new / new. columns
  const Scope* outer = nullptr;          // the enclosing query's (correlated subqueries)
  std::vector<MergedColumn> merged;
  int width() const {
    return sources.empty()
               ? 0
               : sources.back().offset + static_cast<int>(sources.back().columns.size());
  }
};

struct EvalContext {
  const std::vector<Value>* row = nullptr;
  const std::vector<int64_t>* rids = nullptr;  // per source
  std::vector<Value>* new_row = nullptr;
  const std::vector<Value>* aggregates = nullptr;
  const std::vector<Value>* analytics = nullptr;
  const EvalContext* outer = nullptr;  // the enclosing query's row (correlated subqueries)
  int64_t rownum = 0;
};

// Resolution of names the query executor adds: a column of an enclosing
// query (e.outer set), and a column merged by USING / NATURAL.
bool resolve_outer_column(Expr& e, const Scope& scope);
bool resolve_merged_column(Expr& e, const Scope& scope);

class Session {
 public:
  // How long a session waits for SQLite's writer lock and for another
  // logon's set-up.
  static constexpr int kBusyTimeoutMs = 10000;

  // Opens (or creates) the service's database file and logs on: ORA-01017
  // for a wrong password or an unknown user (when users are not created on
  // first logon), ORA-28000 for a locked account, ORA-01034 for a missing
  // file that may not be created.
  static std::unique_ptr<Session> logon(const ServiceTarget& target, const std::string& user,
                                        const std::string& password);
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  const std::string& user() const { return catalog_.user(); }
  std::string banner() const { return profile_.banner(); }
  const Profile& profile() const { return profile_; }
  ExecResult execute(Statement& st, const ExecOptions& options, BindSource* binds,
                     const std::function<void(const std::string& rowid)>& on_rowid);
  void commit();
  void rollback();
  // Logoff: commits the open transaction and closes the connection.
  void logoff();
  // Opens the write transaction that an array execute's rows share; each
  // row then runs inside its own savepoint.
  void begin_batch();
  SessionCosts& costs() { return costs_; }
  const SessionCosts& costs() const { return costs_; }
  uint64_t transaction_id() const { return txn_.id(); }
  bool in_transaction() const { return txn_.open(); }
  // The clock used for SYSDATE and missing TO_DATE fields (tests may pin it).
  static std::time_t now();

  // LOB access by row address; CLOB text is UTF-8 here.
  std::optional<Value> lob_read(const LobRef& ref, Kind kind);
  // Opens the write transaction ahead of a read-modify-write of a LOB cell
  // (lob_read then lob_write), so the read runs inside it: one snapshot, and
  // no read transaction of its own (each costs SQLite's WAL lock calls).
  void begin_lob_write();
  void lob_write(const LobRef& ref, Kind kind, const std::string& contents);

  // Shared with the evaluation code.
  Value eval(const Expr& e, EvalContext& ctx);
  Value eval_function(const Expr& e, EvalContext& ctx);  // the Op::Func case of eval
  int cond(const Expr& e, EvalContext& ctx);             // 1 true, 0 false, -1 unknown
  void resolve(Expr& e, const Scope& scope, bool allow_columns);
  OraType type_of(const Expr& e, const Scope& scope) const;
  Value next_sequence_value(const std::string& name, bool nextval);
  std::string rowid_text(int64_t table_obj, int64_t rid) const;
  std::shared_ptr<const Schema> schema() const { return catalog_.schema(); }
  // Expressions holding a query (query_subqueries.cpp), analytic function
  // values, and the resolution of both.
  Value eval_query_expr(const Expr& e, EvalContext& ctx);
  int cond_query_expr(const Expr& e, EvalContext& ctx);
  void resolve_query_expr(Expr& e, const Scope& scope);
  OraType query_expr_type(const Expr& e) const;
  QueryExecutor& queries();

  // Every call into the session runs inside a CallScope: one thread at a
  // time (the watcher of idle writers included), and a parked transaction
  // applied again first (`resume`; a rollback does without). When the last
  // scope ends, a parkable transaction is handed to the watcher.
  class CallScope {
   public:
    explicit CallScope(Session& s, bool resume = true) : s_(s) { s_.enter_call(resume); }
    ~CallScope() { s_.leave_call(); }
    CallScope(const CallScope&) = delete;
    CallScope& operator=(const CallScope&) = delete;

   private:
    Session& s_;
  };

 private:
  Session() = default;
  // Parking (session_parking.cpp).
  void enter_call(bool resume);
  void leave_call();
  void resume_parked();
  // On the watcher's thread: parks the transaction when another session
  // waits for the writer lock and this one is idle and may.
  bool yield_if_wanted();
  // Whether the recorded changes can be applied again later without any
  // other session's committed work getting in the way: each is an UPDATE
  // or DELETE of a row this transaction holds locked, in a table of this
  // schema without foreign keys either way, and no UPDATE changes a
  // column of a unique key.
  // New rows (in tables without foreign keys) may be parked too; what they
  // need others to meet is returned: `marks` to commit, the hashes of the
  // unique key values of new and deleted rows (`keys`) and their tables.
  bool safe_to_park(std::string& changeset, ParkMarks& marks, std::vector<uint64_t>& keys,
                    std::set<int64_t>& tables);
  // The other side (parked_neighbours.cpp): a statement writing a table in
  // which another session has parked new or deleted rows. `any`: there
  // are such rows; `next_rid`: the rid the statement's first new row must
  // take (above the parked ones), 0 when SQLite's choice is above them.
  struct ParkedNeighbours {
    bool any = false;
    int64_t next_rid = 0;
  };
  ParkedNeighbours parked_neighbours(int64_t table_obj, bool inserting);
  // Row `rid` (just written) must not have a unique key value that a
  // parked row holds; a row that failed on a unique key must not have met
  // a row that a parked transaction deleted. Either way the statement is
  // undone and waits for that transaction to end (waiting_for_parked_keys),
  // outside SQLite's write transaction when the statement owned it.
  void guard_parked_keys(const TableInfo& t, int64_t rid);
  void guard_parked_duplicates(const TableInfo& t, const std::vector<Value>& row, int64_t own_rid);
  int64_t waiting_for_parked_keys(const std::function<int64_t()>& run);
  // SQLite's busy handler: waits up to the busy timeout, signalling the
  // wait to sessions that hold the writer lock idle.
  static int wait_for_writer(void* session, int count);
  void stop_wanting_writer();
  struct ParkingWriter : IdleWriters::Writer {
    Session* session = nullptr;
    bool yield_if_wanted() override { return session->yield_if_wanted(); }
  };

  ExecResult dispatch(Statement& st, const ExecOptions& options, BindSource* binds,
                      const std::function<void(const std::string& rowid)>& on_rowid);
  // The table (or index) a statement that met a full disk was extending.
  std::string full_object(const Statement& st) const;
  // Statement kinds.
  std::unique_ptr<Cursor> open_query(SelectStmt& sel, const ExecOptions& options,
                                     BindSource* binds);
  // Plans and runs a query; `desc_out` receives the select-list describe.
  std::vector<std::vector<Value>> run_query(SelectStmt& sel, const Scope& scope,
                                            std::vector<ColumnDesc>* desc_out,
                                            std::vector<Value>* new_row);
  Scope build_scope(SelectStmt& sel);
  // The rows of a FROM source; equality conjuncts on a user table are pushed
  // into SQLite. Columns that `needed` marks false are not read (left NULL).
  std::vector<std::vector<Value>> scan_source(const Source& src, int index,
                                              const std::vector<const Expr*>& conjuncts,
                                              std::vector<int64_t>& rids,
                                              const std::vector<bool>* needed = nullptr);
  // A user table's rows handed to `each` one at a time, none kept. `each`
  // must not run SQL of its own on this connection (the scan is open).
  void scan_table(const Source& src, int index, const std::vector<const Expr*>& conjuncts,
                  const std::vector<bool>* needed,
                  const std::function<void(std::vector<Value>&, int64_t)>& each);
  std::vector<std::vector<Value>> view_rows(const std::string& name);
  bool is_view(const std::string& name) const;
  std::vector<ColumnDesc> view_columns(const std::string& name) const;
  int64_t run_insert(InsertStmt& ins, const ExecOptions& options,
                     const std::function<void(const std::string&)>& on_rowid);
  int64_t run_update(UpdateStmt& upd, const ExecOptions& options);
  int64_t run_delete(DeleteStmt& del, const ExecOptions& options);
  std::optional<ora_error> run_ddl(Statement& st, const ExecOptions& options);
  // UPDATE and DELETE: the rows `where` selects, each locked; true when a
  // lock had to wait.
  bool lock_matching_rows(const Source& src, const Expr* where,
                          std::vector<std::vector<Value>>& rows, std::vector<int64_t>& rids);
  void run_lock_table(LockTableStmt& lk, const ExecOptions& options);
  // The table lock of a DML statement, before it writes anything. DDL on
  // the table holds it until the DDL committed, so the statement may have
  // taken its schema before that DDL: when the catalogue moved meanwhile,
  // the statement starts again on the new one (SchemaMoved, caught by
  // execute).
  void lock_for_dml(int64_t table_obj);
  struct SchemaMoved {};
  void run_user_statement(Statement& st, const ExecOptions& options);
  std::string sys_c_name();
  void ddl_create_table(Schema& s, CreateTableStmt& ct);
  void ddl_create_index(Schema& s, CreateIndexStmt& ci);
  void ddl_create_sequence(Schema& s, CreateSequenceStmt& cs);
  std::optional<ora_error> ddl_create_trigger(Schema& s, CreateTriggerStmt& tr);
  void ddl_alter_table(Schema& s, AlterTableStmt& at);
  void ddl_alter_sequence(Schema& s, CreateSequenceStmt& cs);
  void ddl_drop(Schema& s, DropStmt& dr);
  // Views (views.cpp).
  std::optional<ora_error> ddl_create_view(Schema& s, CreateViewStmt& cv);
  void ddl_drop_view(Schema& s, const std::string& name);
  void refuse_view_dml(const std::string& name);  // raises for a user view
  std::vector<std::vector<Value>> user_views_rows();
  void append_view_columns(std::vector<std::vector<Value>>& rows);
  void add_constraint(Schema& s, int64_t table_obj, const ConstraintDef& def);
  // CHECK constraints (check_constraints.cpp): added with their state and,
  // when validated, the rows already there checked (ORA-02293); ENABLE /
  // DISABLE / MODIFY CONSTRAINT; and the row check of INSERT and UPDATE
  // (ORA-02290), where a NULL (unknown) result passes.
  void add_check_constraint(Schema& s, int64_t table_obj, const ConstraintDef& def);
  void set_constraint_state(Schema& s, int64_t table_obj, const ConstraintDef& state);
  void validate_check(const Schema& s, const ConstraintInfo& c);
  void check_conditions(const TableInfo& t, const std::vector<Value>& row,
                        const std::vector<bool>* changed);
  // Virtual columns: the expression checked against the table when it is
  // created (it may name the table's other columns, not virtual ones:
  // ORA-54012), and the values of a row's virtual columns worked out from
  // the row, whenever INSERT or UPDATE writes it.
  void check_virtual_columns(const Schema& s, const TableInfo& t);
  void fill_virtual_columns(const TableInfo& t, std::vector<Value>& row,
                            const std::string& table_name);
  // COMMENT ON and the comment views (comments.cpp).
  void ddl_comment(Schema& s, CommentStmt& cs);
  void drop_comments(int64_t obj);
  void comment_rows(const std::string& view, std::vector<std::vector<Value>>& rows);
  void create_unique_physical(const Schema& s, const ConstraintInfo& c);
  // Foreign keys (foreign_keys.cpp): ADD ... FOREIGN KEY checking the rows
  // already there (ORA-02298); rows written to a child table must find
  // their parent key (ORA-02291); keys that leave a parent table take
  // their child rows along (ON DELETE CASCADE), set them NULL (ON DELETE
  // SET NULL) or are refused while children remain (ORA-02292).
  void add_foreign_key(Schema& s, int64_t table_obj, const ConstraintDef& def);
  void check_parent_keys(const TableInfo& t, const std::vector<std::vector<Value>>& rows);
  void release_parent_keys(const TableInfo& t, const std::vector<std::vector<Value>>& old_rows,
                           bool deleted);
  bool has_key(int64_t table_obj, const std::vector<int>& columns, const std::vector<Value>& row,
               const std::vector<int>& row_columns);
  void fire_insert_triggers(const TableInfo& t, std::vector<Value>& row);
  std::vector<std::string> trigger_errors(const Schema& s, const TriggerInfo& t);
  void check_row(const TableInfo& t, std::vector<Value>& row, bool update,
                 const std::vector<bool>* changed);
  Value coerce(const Value& v, const ColumnInfo& col, const std::string& table);
  // The same for a value that is not needed afterwards: its text is moved.
  Value coerce(Value&& v, const ColumnInfo& col, const std::string& table);
  // Bytes of a text in the database character set (BYTE length semantics).
  size_t database_bytes(const std::string& utf8) const;
  Value default_value(const ColumnInfo& col);
  [[noreturn]] void raise_unique(const TableInfo& t, const std::vector<Value>& row, int64_t rid);
  void bind_storage(sqlite3_stmt* st, int idx, const Value& v);
  // The same without a copy: `v` and `scratch` (which receives the storage
  // text of a number or date) must stay unchanged until the statement has
  // been stepped and reset.
  void bind_storage_in_place(sqlite3_stmt* st, int idx, const Value& v, std::string& scratch);
  Value read_storage(sqlite3_stmt* st, int idx, const OraType& type);
  sqlite3_stmt* cached(const std::string& sql);
  void clear_cache();
  const TableInfo& table_for_dml(const std::string& name);
  std::string qualified_column(const std::string& table, const std::string& column) const;

  // An INSERT's work that does not change from row to row: its target
  // columns, the storage statement, and buffers the rows reuse. Valid for
  // the statement `ins` against `schema`; rebuilt by each execute's first
  // row and dropped with the statement cache.
  struct InsertPlan {
    const InsertStmt* ins = nullptr;
    std::shared_ptr<const Schema> schema;
    const TableInfo* table = nullptr;
    std::string table_name;
    std::vector<int> targets;    // in the order of the values
    std::vector<int> defaulted;  // the columns the statement does not name
    bool any_virtual = false;
    sqlite3_stmt* statement = nullptr;  // owned by statements_
    std::vector<Value> row;
    std::vector<std::string> scratch;  // one per column
  };

  sqlite3* conn_ = nullptr;
  Profile profile_;
  Privileges privileges_;
  CatalogView catalog_;
  Transaction txn_;  // attached to conn_ and statements_ while logged on
  SessionLocks locks_{txn_};
  BindSource* binds_ = nullptr;
  SessionCosts costs_;
  StatementCache statements_;  // finalized by clear_cache before the connection closes
  InsertPlan insert_plan_;
  SequenceValues sequences_;  // CURRVAL of each sequence used
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
  std::shared_ptr<SnapshotReaders> readers_;  // streamed queries' connections
  std::string last_dml_table_;                // what a failed commit was extending
  std::shared_ptr<QueryExecutor> queries_;    // made at first use
  std::recursive_mutex call_mutex_;
  int call_depth_ = 0;
  bool wanting_writer_ = false;
  std::chrono::steady_clock::time_point busy_since_;
  ParkingWriter parking_;
  // parked_neighbours' answers for the tables of one write transaction.
  uint64_t parked_probe_serial_ = 0;
  std::vector<std::pair<int64_t, bool>> parked_probe_;
  friend class Cursor;
  friend class QueryExecutor;
};

// The schema a statement runs against (refreshed at each statement start).
std::string storage_table(int64_t obj);
std::string storage_column(int column);
// Decodes ROWID text; false when it is malformed (ORA-01410 for the caller).
bool parse_rowid(const std::string& text, int64_t& obj, int64_t& rid);

}  // namespace oraemb
