// CHECK constraints: adding one (its condition resolved against the table,
// the rows already there checked unless NOVALIDATE), changing its state
// (ENABLE / DISABLE [NO]VALIDATE, MODIFY CONSTRAINT), and checking the rows
// that INSERT and UPDATE write. An unknown (NULL) result passes, as in
// Oracle: only a false condition refuses a row. Virtual columns, whose
// values come from the row as CHECK conditions do, are here too.
#include <algorithm>
#include <cctype>
#include <functional>
#include <set>

#include "oraemb/parser.h"
#include "oraemb/session.h"
#include "oraemb/sqlite_util.h"

namespace oraemb {
namespace {

// One source, the table, whose columns are in table order: a resolved
// column's slot is its position in a row of the table.
Scope table_scope(const Schema& s, const TableInfo& t) {
  Scope scope;
  Source src;
  src.name = s.name_of(t.obj);
  src.table_obj = t.obj;
  for (const auto& c : t.columns) src.columns.push_back({c.name, c.type});
  scope.sources.push_back(std::move(src));
  return scope;
}

bool is_aggregate_call(const std::string& f) {
  return f == "COUNT" || f == "MIN" || f == "MAX" || f == "SUM" || f == "AVG" || f == "STDDEV" ||
         f == "VARIANCE";
}

// A date constant in a condition must name its century: TO_DATE with a
// mask holding a four-digit year (the default mask DD-MON-RR does not).
bool fully_specified_date(const Expr& to_date) {
  if (to_date.args.size() < 2) return false;
  const Expr& mask = *to_date.args[1];
  if (mask.op != Op::Literal || mask.literal.kind != Kind::Text) return true;
  std::string m;
  for (char c : mask.literal.bytes)
    m += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return m.find("YYYY") != std::string::npos || m.find("RRRR") != std::string::npos;
}

// What a condition may hold beyond the parser's token checks: no group
// functions, pseudocolumns, sequences or binds; any expression kind not
// listed here is a form of query (ORA-02251).
void refuse_in_check(const Expr& e) {
  switch (e.op) {
    case Op::Literal:
    case Op::Column:
    case Op::Neg:
    case Op::Add:
    case Op::Sub:
    case Op::Mul:
    case Op::Div:
    case Op::Concat:
    case Op::Case:
    case Op::And:
    case Op::Or:
    case Op::Not:
    case Op::Cmp:
    case Op::IsNull:
    case Op::Like:
    case Op::In:
    case Op::Between:
      break;
    case Op::Func:
      if (is_aggregate_call(e.name)) raise(934);
      if (e.name == "SYSDATE" || e.name == "USER") raise(2436);
      if (e.name == "TO_DATE" && !fully_specified_date(e)) raise(2436);
      break;
    case Op::Rownum:
    case Op::Rowid:
      raise(976);
    case Op::SeqValue:
      raise(2287);
    case Op::Bind:
    case Op::NewRef:
      throw ora_error(1027, "bind variables not allowed for data definition operations");
    case Op::Star:
      raise(936);
    default:
      raise(2251);
  }
  for (const auto& a : e.args) refuse_in_check(*a);
}

void collect_columns(const Expr& e, std::set<int>& out) {
  if (e.op == Op::Column) out.insert(e.slot);
  for (const auto& a : e.args) collect_columns(*a, out);
}

}  // namespace

void Session::add_check_constraint(Schema& s, int64_t table_obj, const ConstraintDef& def) {
  const TableInfo& t = s.tables.at(table_obj);
  if (!def.name.empty() && s.find_constraint(def.name)) raise(2264);
  // The stored text is what later statements parse: check that form.
  ExprPtr condition = Parser(def.condition_text).parse_condition_only();
  refuse_in_check(*condition);
  resolve(*condition, table_scope(s, t), true);
  std::set<int> columns;
  collect_columns(*condition, columns);
  // An inline (column) constraint names that column only.
  if (!def.columns.empty()) {
    const int own = t.column_index(def.columns[0]);
    for (int c : columns)
      if (c != own) throw ora_error(2438, "Column check constraint cannot reference other columns");
  }
  ConstraintInfo c;
  c.type = 'C';
  c.condition = true;
  c.table_obj = table_obj;
  c.columns.assign(columns.begin(), columns.end());
  c.search_condition = def.condition_text;
  c.enabled = def.enable != 0;
  // ENABLE validates unless told otherwise; DISABLE does not.
  c.validated = def.validate >= 0 ? def.validate == 1 : c.enabled;
  if (!c.enabled && c.validated) raise_unimplemented("DISABLE VALIDATE");
  c.generated = def.name.empty();
  c.name = c.generated ? sys_c_name() : def.name;
  c.id = catalog_store::next_counter(conn_, "con#", 1);
  if (c.enabled && c.validated) validate_check(s, c);
  s.constraints.push_back(c);
}

void Session::set_constraint_state(Schema& s, int64_t table_obj, const ConstraintDef& state) {
  auto it = std::find_if(s.constraints.begin(), s.constraints.end(), [&](const ConstraintInfo& k) {
    return k.table_obj == table_obj && k.name == state.name;
  });
  if (it == s.constraints.end())
    raise(state.enable == 0 ? 2431 : 2430, {s.owner + "." + state.name});
  const bool enable = state.enable >= 0 ? state.enable == 1 : it->enabled;
  const bool validate = state.validate >= 0 ? state.validate == 1
                        : state.enable >= 0 ? enable
                                            : it->validated;
  if (enable == it->enabled && validate == it->validated) return;
  // Keys and NOT NULL constraints stay enabled and validated here.
  if (!it->condition)
    raise_unimplemented(std::string(enable ? "NOVALIDATE" : "DISABLE") +
                        (it->type == 'P'   ? " of a primary key"
                         : it->type == 'U' ? " of a unique key"
                         : it->type == 'R' ? " of a foreign key"
                                           : " of a NOT NULL constraint"));
  if (!enable && validate) raise_unimplemented("DISABLE VALIDATE");
  if (enable && validate) validate_check(s, *it);
  it->enabled = enable;
  it->validated = validate;
}

void Session::validate_check(const Schema& s, const ConstraintInfo& c) {
  const TableInfo& t = s.tables.at(c.table_obj);
  ExprPtr condition = Parser(c.search_condition).parse_condition_only();
  resolve(*condition, table_scope(s, t), true);
  // The rows there now, read column by column as the condition needs.
  std::string columns;
  for (int col : c.columns) columns += (columns.empty() ? "" : ", ") + storage_column(col);
  SqlStmt st(conn_, "SELECT " + (columns.empty() ? std::string("1") : columns) + " FROM " +
                        storage_table(c.table_obj));
  std::vector<Value> row(t.columns.size());
  EvalContext ctx;
  ctx.row = &row;
  while (st.step()) {
    for (size_t k = 0; k < c.columns.size(); ++k)
      row[c.columns[k]] = read_storage(st.get(), static_cast<int>(k), t.columns[c.columns[k]].type);
    if (cond(*condition, ctx) == 0) raise(2293, {s.owner + "." + c.name});
  }
}

void Session::check_conditions(const TableInfo& t, const std::vector<Value>& row,
                               const std::vector<bool>* changed) {
  const std::shared_ptr<const Schema> schema = catalog_.schema();
  for (const auto& c : schema->constraints) {
    if (c.table_obj != t.obj || !c.condition || !c.enabled) continue;
    // UPDATE checks the conditions on the columns it sets.
    if (changed &&
        std::none_of(c.columns.begin(), c.columns.end(), [&](int col) { return (*changed)[col]; }))
      continue;
    Expr& e = catalog_.compiled().check_condition(t.obj, c.search_condition, [&](Expr& fresh) {
      resolve(fresh, table_scope(*schema, t), true);
    });
    EvalContext ctx;
    ctx.row = &row;
    if (cond(e, ctx) == 0) raise(2290, {catalog_.user() + "." + c.name});
  }
}

void Session::check_virtual_columns(const Schema& s, const TableInfo& t) {
  for (const ColumnInfo& col : t.columns) {
    if (!col.is_virtual) continue;
    // The same pure row expressions as a CHECK condition.
    ExprPtr e = Parser(col.virtual_text).parse_condition_only();
    refuse_in_check(*e);
    resolve(*e, table_scope(s, t), true);
    std::set<int> columns;
    collect_columns(*e, columns);
    for (int c : columns)
      if (t.columns[c].is_virtual)
        throw ora_error(54012, "virtual column is referenced in a column expression");
  }
}

void Session::fill_virtual_columns(const TableInfo& t, std::vector<Value>& row,
                                   const std::string& table_name) {
  std::shared_ptr<const Schema> schema;
  for (size_t c = 0; c < t.columns.size(); ++c) {
    const ColumnInfo& col = t.columns[c];
    if (!col.is_virtual) continue;
    if (!schema) schema = catalog_.schema();
    Expr& e = catalog_.compiled().check_condition(t.obj, col.virtual_text, [&](Expr& fresh) {
      resolve(fresh, table_scope(*schema, t), true);
    });
    EvalContext ctx;
    ctx.row = &row;
    row[c] = coerce(eval(e, ctx), col, table_name);
  }
}

}  // namespace oraemb
