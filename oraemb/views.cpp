// User views: CREATE [OR REPLACE] [FORCE] VIEW and DROP VIEW, their rows
// in the catalogue (ora$view), the expansion of a view in a query (its
// query parsed from the stored text, ORA-01731 for a view that reaches
// itself, ORA-04063 for one that no longer compiles) and the dictionary
// rows of views (USER_VIEWS, their columns in USER_TAB_COLUMNS).
#include <algorithm>
#include <set>

#include "oraemb/ora_error.h"
#include "oraemb/parser.h"
#include "oraemb/query_executor.h"
#include "oraemb/sqlite_util.h"

namespace oraemb {
namespace catalog_store {
namespace {

constexpr char kSeparator = '\x1f';

}  // namespace

void create_view_table(sqlite3* db) {
  sql_exec(db,
           "CREATE TABLE IF NOT EXISTS ora$view(obj INTEGER PRIMARY KEY, text TEXT, cols TEXT,"
           " read_only INTEGER)");
}

void load_views(sqlite3* db, std::map<std::string, std::shared_ptr<Schema>>& schemas) {
  SqlStmt has(db, "SELECT COUNT(*) FROM sqlite_master WHERE name = 'ora$view'");
  if (!has.step() || has.integer(0) == 0) return;
  SqlStmt st(db, "SELECT obj, text, cols, read_only FROM ora$view");
  while (st.step()) {
    for (auto& [owner, schema] : schemas) {
      if (!schema->objects.count(st.integer(0))) continue;
      ViewInfo v;
      v.obj = st.integer(0);
      v.text = st.text(1);
      std::string cols = st.text(2);
      size_t at = 0;
      while (at < cols.size()) {
        size_t end = cols.find(kSeparator, at);
        if (end == std::string::npos) end = cols.size();
        v.columns.push_back(cols.substr(at, end - at));
        at = end + 1;
      }
      v.read_only = st.integer(3) != 0;
      schema->views[v.obj] = v;
    }
  }
}

void save_view(sqlite3* db, const Schema& schema, int64_t view_obj) {
  const ObjectInfo& info = schema.objects.at(view_obj);
  const ViewInfo& v = schema.views.at(view_obj);
  SqlStmt obj(db,
              "INSERT OR REPLACE INTO ora$obj(obj, owner, name, type, table_obj, created)"
              " VALUES(?,?,?,'VIEW',0,?)");
  obj.bind_int(1, view_obj);
  obj.bind_text(2, schema.owner);
  obj.bind_text(3, info.name);
  obj.bind_text(4, info.created);
  obj.step();
  std::string cols;
  for (const auto& c : v.columns) cols += (cols.empty() ? "" : std::string(1, kSeparator)) + c;
  SqlStmt st(db, "INSERT OR REPLACE INTO ora$view(obj, text, cols, read_only) VALUES(?,?,?,?)");
  st.bind_int(1, view_obj);
  st.bind_text(2, v.text);
  st.bind_text(3, cols);
  st.bind_int(4, v.read_only);
  st.step();
}

}  // namespace catalog_store

namespace {

const ViewInfo* find_view(const Schema& s, const std::string& name) {
  const ObjectInfo* obj = s.find_table_ns(name);
  if (!obj || obj->type != "VIEW") return nullptr;
  auto found = s.views.find(obj->obj);
  return found == s.views.end() ? nullptr : &found->second;
}

// A view's select list must name every expression (ORA-00998).
void check_named(const SelectStmt& q) {
  const SelectStmt* block = &q;
  while (block->set_left) block = block->set_left.get();
  for (const auto& item : block->items)
    if (item.expr && item.alias.empty() && item.expr->op != Op::Column)
      throw ora_error(998, "must name this expression with a column alias");
}

}  // namespace

std::shared_ptr<SelectStmt> QueryExecutor::view_query(const std::string& name) {
  const ViewInfo* v = find_view(*s_.catalog_.schema(), name);
  if (!v) raise(942);
  Parser parser(v->text, s_.profile_.identifier_limit());
  Statement st = parser.parse_statement();
  if (st.kind != StmtKind::Select || !st.select) raise(942);
  return std::shared_ptr<SelectStmt>(std::move(st.select));
}

std::vector<ColumnDesc> QueryExecutor::view_describe(const std::string& name) {
  const Schema* schema = s_.catalog_.schema().get();
  const ViewInfo* v = find_view(*schema, name);
  if (!v) raise(942);
  // A statement describes each view once (views over views would otherwise
  // describe the ones below them again at every level).
  if (view_cache_epoch_ != epoch_ || view_cache_schema_ != schema) {
    view_cache_.clear();
    view_cache_epoch_ = epoch_;
    view_cache_schema_ = schema;
  }
  auto cached = view_cache_.find(name);
  if (cached != view_cache_.end()) return cached->second;
  if (std::find(expanding_.begin(), expanding_.end(), name) != expanding_.end()) raise_query(1731);
  expanding_.push_back(name);
  std::vector<ColumnDesc> desc;
  try {
    auto q = view_query(name);
    std::vector<const std::vector<std::pair<std::string, std::shared_ptr<SelectStmt>>>*> saved;
    saved.swap(with_);  // a view does not see the WITH queries of the query using it
    try {
      desc = describe(*q, nullptr);
    } catch (...) {
      with_.swap(saved);
      throw;
    }
    with_.swap(saved);
    if (!v->columns.empty()) {
      if (v->columns.size() != desc.size()) raise_query(1730);
      for (size_t k = 0; k < desc.size(); ++k) desc[k].name = v->columns[k];
    }
  } catch (const ora_error& e) {
    expanding_.pop_back();
    if (e.code() == 1731) throw;
    raise_query(4063, "view " + dq(s_.catalog_.user() + "." + name));
  } catch (...) {
    expanding_.pop_back();
    throw;
  }
  expanding_.pop_back();
  view_cache_[name] = desc;
  return desc;
}

bool QueryExecutor::view_valid(const std::string& name) {
  try {
    view_describe(name);
    return true;
  } catch (const ora_error&) {
    return false;
  }
}

std::optional<ora_error> Session::ddl_create_view(Schema& s, CreateViewStmt& cv) {
  const ObjectInfo* existing = s.find_table_ns(cv.name);
  int64_t obj = 0;
  if (existing) {
    if (existing->type != "VIEW" || !cv.or_replace) raise(955);
    obj = existing->obj;
  }
  std::optional<ora_error> warning;
  std::vector<std::string> columns = cv.columns;
  std::set<std::string> unique(columns.begin(), columns.end());
  if (unique.size() != columns.size()) throw ora_error(957, "duplicate column name");
  QueryExecutor& q = queries();
  q.next_epoch();
  q.expanding_.push_back(cv.name);
  try {
    auto desc = q.describe(*cv.query, nullptr);
    q.expanding_.pop_back();
    if (!columns.empty() && columns.size() != desc.size()) raise_query(1730);
    if (columns.empty()) {
      check_named(*cv.query);
      for (const auto& d : desc) {
        if (!unique.insert(d.name).second) throw ora_error(957, "duplicate column name");
        columns.push_back(d.name);
      }
    }
  } catch (const ora_error& e) {
    if (!q.expanding_.empty() && q.expanding_.back() == cv.name) q.expanding_.pop_back();
    // FORCE creates the view with its errors (it is INVALID until its
    // query compiles); the statement succeeds with a warning.
    if (!cv.force || e.code() == 998 || e.code() == 957 || e.code() == 1730) throw;
    warning = ora_error(24344, ora_message(24344), true);
    columns = cv.columns;
  }
  if (!obj) obj = catalog_store::next_counter(conn_, "obj#", 73001);
  ObjectInfo info;
  info.obj = obj;
  info.name = cv.name;
  info.type = "VIEW";
  info.created = existing ? existing->created : civil_from_seconds(now()).to_storage();
  s.objects[obj] = info;
  ViewInfo v;
  v.obj = obj;
  v.text = cv.text;
  v.columns = columns;
  v.read_only = cv.read_only;
  s.views[obj] = v;
  s.rebuild_lookup();
  catalog_store::save_view(conn_, s, obj);
  return warning;
}

void Session::ddl_drop_view(Schema& s, const std::string& name) {
  const ObjectInfo* o = s.find_table_ns(name);
  if (!o || o->type != "VIEW") raise(942);
  int64_t obj = o->obj;
  s.views.erase(obj);
  s.objects.erase(obj);
  s.rebuild_lookup();
  catalog_store::delete_object(conn_, obj);
}

void Session::refuse_view_dml(const std::string& name) {
  const ViewInfo* v = find_view(*catalog_.schema(), name);
  if (!v) return;
  if (v->read_only) throw ora_error(42399, "cannot perform a DML operation on a read-only view");
  throw ora_error(3001, ora_message(3001) + ": INSERT, UPDATE and DELETE through a view");
}

std::vector<std::vector<Value>> Session::user_views_rows() {
  std::vector<std::vector<Value>> rows;
  const Schema& s = *catalog_.schema();
  for (const auto& [obj, v] : s.views)
    rows.push_back({Value::text(s.name_of(obj)),
                    Value::num(OraNumber::from_int(static_cast<int64_t>(v.text.size()))),
                    Value::text(v.text)});
  return rows;
}

void Session::append_view_columns(std::vector<std::vector<Value>>& rows) {
  const Schema& s = *catalog_.schema();
  for (const auto& [obj, v] : s.views) {
    std::vector<ColumnDesc> desc;
    try {
      desc = queries().view_describe(s.name_of(obj));
    } catch (const ora_error&) {
      continue;  // an invalid view has no columns to show
    }
    for (size_t c = 0; c < desc.size(); ++c) {
      const OraType& ty = desc[c].type;
      bool numeric = ty.base == Base::Number || ty.base == Base::Float;
      Value none = Value::null();
      auto n = [](int64_t x) { return Value::num(OraNumber::from_int(x)); };
      Value precision = numeric && ty.precision >= 0 ? n(ty.precision)
                        : ty.base == Base::Float     ? n(126)
                                                     : none;
      Value scale = ty.base == Base::Number && ty.scale != -1000 ? n(ty.scale)
                    : ty.base == Base::Timestamp                 ? n(ty.precision)
                                                                 : none;
      bool chars = ty.is_character() && ty.base != Base::Long;
      const int bytes = ty.data_size(profile_.database_char_bytes(), profile_.nchar_char_bytes());
      rows.push_back({Value::text(s.name_of(obj)), Value::text(desc[c].name),
                      Value::text(ty.name()), n(bytes), precision, scale,
                      Value::text(ty.nullable ? "Y" : "N"), n(static_cast<int64_t>(c) + 1), none,
                      none, n(chars ? ty.length : 0),
                      chars ? Value::text(ty.char_semantics ? "C" : "B") : none});
    }
  }
}

}  // namespace oraemb
