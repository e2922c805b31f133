// The data dictionary views (USER_*, V$VERSION, DUAL) computed from the
// session's schema snapshot, with the Oracle column types that describe
// reports (DATA_DEFAULT, SEARCH_CONDITION and TRIGGER_BODY are LONG).
#include <cstdio>
#include <map>

#include "oraemb/query_executor.h"
#include "oraemb/session.h"
#include "oraemb/sqlite_util.h"
#include "oraemb/value_ops.h"

namespace oraemb {
namespace {

OraType vc(int n) {
  return varchar_type(n);
}
OraType num() {
  return number_type();
}
OraType long_type() {
  OraType t;
  t.base = Base::Long;
  return t;
}
OraType date_type() {
  OraType t;
  t.base = Base::Date;
  return t;
}

const std::map<std::string, std::vector<ColumnDesc>>& views() {
  static const std::map<std::string, std::vector<ColumnDesc>> defs = {
      {"DUAL", {{"DUMMY", vc(1)}}},
      {"V$VERSION",
       {{"BANNER", vc(80)},
        {"BANNER_FULL", vc(160)},
        {"BANNER_LEGACY", vc(80)},
        {"CON_ID", num()}}},
      {"V$MYSTAT", {{"SID", num()}, {"STATISTIC#", num()}, {"VALUE", num()}}},
      {"V$STATNAME", {{"STATISTIC#", num()}, {"NAME", vc(64)}, {"CLASS", num()}}},
      {"V$PARAMETER",
       {{"NUM", num()},
        {"NAME", vc(80)},
        {"TYPE", num()},
        {"VALUE", vc(4000)},
        {"DISPLAY_VALUE", vc(4000)},
        {"ISDEFAULT", vc(9)}}},
      {"NLS_DATABASE_PARAMETERS", {{"PARAMETER", vc(128)}, {"VALUE", vc(64)}}},
      {"USER_TABLES",
       {{"TABLE_NAME", vc(128)},
        {"TABLESPACE_NAME", vc(30)},
        {"STATUS", vc(8)},
        {"TEMPORARY", vc(1)},
        {"NESTED", vc(3)},
        {"IOT_TYPE", vc(12)},
        {"DROPPED", vc(3)},
        {"NUM_ROWS", num()}}},
      {"USER_TAB_COLUMNS",
       {{"TABLE_NAME", vc(128)},
        {"COLUMN_NAME", vc(128)},
        {"DATA_TYPE", vc(128)},
        {"DATA_LENGTH", num()},
        {"DATA_PRECISION", num()},
        {"DATA_SCALE", num()},
        {"NULLABLE", vc(1)},
        {"COLUMN_ID", num()},
        {"DEFAULT_LENGTH", num()},
        {"DATA_DEFAULT", long_type()},
        {"CHAR_LENGTH", num()},
        {"CHAR_USED", vc(1)}}},
      {"USER_CONSTRAINTS",
       {{"OWNER", vc(128)},
        {"CONSTRAINT_NAME", vc(128)},
        {"CONSTRAINT_TYPE", vc(1)},
        {"TABLE_NAME", vc(128)},
        {"SEARCH_CONDITION", long_type()},
        {"R_OWNER", vc(128)},
        {"R_CONSTRAINT_NAME", vc(128)},
        {"DELETE_RULE", vc(9)},
        {"STATUS", vc(8)},
        {"DEFERRABLE", vc(14)},
        {"DEFERRED", vc(9)},
        {"VALIDATED", vc(13)},
        {"GENERATED", vc(14)},
        {"INDEX_NAME", vc(128)}}},
      {"USER_CONS_COLUMNS",
       {{"OWNER", vc(128)},
        {"CONSTRAINT_NAME", vc(128)},
        {"TABLE_NAME", vc(128)},
        {"COLUMN_NAME", vc(4000)},
        {"POSITION", num()}}},
      {"USER_TAB_COMMENTS",
       {{"TABLE_NAME", vc(128)}, {"TABLE_TYPE", vc(11)}, {"COMMENTS", vc(4000)}}},
      {"USER_COL_COMMENTS",
       {{"TABLE_NAME", vc(128)}, {"COLUMN_NAME", vc(128)}, {"COMMENTS", vc(4000)}}},
      {"USER_INDEXES",
       {{"INDEX_NAME", vc(128)},
        {"INDEX_TYPE", vc(27)},
        {"TABLE_OWNER", vc(128)},
        {"TABLE_NAME", vc(128)},
        {"TABLE_TYPE", vc(11)},
        {"UNIQUENESS", vc(9)},
        {"TABLESPACE_NAME", vc(30)},
        {"STATUS", vc(8)},
        {"GENERATED", vc(1)}}},
      {"USER_IND_COLUMNS",
       {{"INDEX_NAME", vc(128)},
        {"TABLE_NAME", vc(128)},
        {"COLUMN_NAME", vc(4000)},
        {"COLUMN_POSITION", num()},
        {"COLUMN_LENGTH", num()},
        {"CHAR_LENGTH", num()},
        {"DESCEND", vc(4)}}},
      {"USER_SEQUENCES",
       {{"SEQUENCE_NAME", vc(128)},
        {"MIN_VALUE", num()},
        {"MAX_VALUE", num()},
        {"INCREMENT_BY", num()},
        {"CYCLE_FLAG", vc(1)},
        {"ORDER_FLAG", vc(1)},
        {"CACHE_SIZE", num()},
        {"LAST_NUMBER", num()}}},
      {"USER_TRIGGERS",
       {{"TRIGGER_NAME", vc(128)},
        {"TRIGGER_TYPE", vc(16)},
        {"TRIGGERING_EVENT", vc(246)},
        {"TABLE_OWNER", vc(128)},
        {"BASE_OBJECT_TYPE", vc(18)},
        {"TABLE_NAME", vc(128)},
        {"COLUMN_NAME", vc(4000)},
        {"REFERENCING_NAMES", vc(422)},
        {"WHEN_CLAUSE", vc(4000)},
        {"STATUS", vc(8)},
        {"ACTION_TYPE", vc(11)},
        {"TRIGGER_BODY", long_type()}}},
      {"USER_OBJECTS",
       {{"OBJECT_NAME", vc(128)},
        {"SUBOBJECT_NAME", vc(128)},
        {"OBJECT_ID", num()},
        {"DATA_OBJECT_ID", num()},
        {"OBJECT_TYPE", vc(23)},
        {"CREATED", date_type()},
        {"LAST_DDL_TIME", date_type()},
        {"STATUS", vc(7)},
        {"TEMPORARY", vc(1)},
        {"GENERATED", vc(1)}}},
      {"USER_LOBS",
       {{"TABLE_NAME", vc(128)},
        {"COLUMN_NAME", vc(4000)},
        {"SEGMENT_NAME", vc(128)},
        {"INDEX_NAME", vc(128)}}},
      {"USER_ERRORS",
       {{"NAME", vc(128)},
        {"TYPE", vc(12)},
        {"SEQUENCE", num()},
        {"LINE", num()},
        {"POSITION", num()},
        {"TEXT", vc(4000)}}},
      {"USER_VIEWS", {{"VIEW_NAME", vc(128)}, {"TEXT_LENGTH", num()}, {"TEXT", vc(4000)}}},
      {"USER_USERS",
       {{"USERNAME", vc(128)},
        {"USER_ID", num()},
        {"ACCOUNT_STATUS", vc(32)},
        {"DEFAULT_TABLESPACE", vc(30)},
        {"TEMPORARY_TABLESPACE", vc(30)}}},
  };
  return defs;
}

Value t(const std::string& s) {
  return Value::text(s);
}
Value n(int64_t v) {
  return Value::num(OraNumber::from_int(v));
}
Value nn(const OraNumber& v) {
  return Value::num(v);
}
Value none() {
  return Value::null();
}
Value d(const std::string& storage) {
  auto date = OraDate::from_storage(storage);
  return date ? Value::dt(*date) : Value::null();
}

}  // namespace

bool Session::is_view(const std::string& name) const {
  return views().count(name) > 0 || name == "USER_TAB_COLS";
}

// USER_TAB_COLS is USER_TAB_COLUMNS with the columns it hides (invisible
// ones) and two more flags.
std::vector<ColumnDesc> Session::view_columns(const std::string& name) const {
  if (name != "USER_TAB_COLS") return views().at(name);
  std::vector<ColumnDesc> cols = views().at("USER_TAB_COLUMNS");
  cols.push_back({"HIDDEN_COLUMN", vc(3)});
  cols.push_back({"VIRTUAL_COLUMN", vc(3)});
  return cols;
}

std::vector<std::vector<Value>> Session::view_rows(const std::string& view) {
  const Schema& s = *catalog_.schema();
  std::vector<std::vector<Value>> rows;
  const std::string& owner = s.owner;
  if (view == "DUAL") {
    rows.push_back({t("X")});
  } else if (view == "V$VERSION") {
    std::string banner = profile_.banner();
    rows.push_back({t(banner), t(profile_.banner_full()), t(banner), n(0)});
  } else if (view == "V$MYSTAT" || view == "V$STATNAME") {
    // This session's costs under the names a server's statistics use.
    const SessionCosts& c = costs_;
    const std::pair<const char*, uint64_t> stats[] = {
        {"logons cumulative", c.calls(SessionCosts::Logon)},
        {"user commits", c.commits()},
        {"user rollbacks", c.rollbacks()},
        {"execute count", c.calls(SessionCosts::Execute)},
        {"parse count (total)", c.parses()},
        {"parse count (hard)", c.hard_parses()},
        {"SQL*Net roundtrips to/from client", c.round_trips()},
        {"lob reads", c.calls(SessionCosts::LobRead)},
        {"lob writes", c.calls(SessionCosts::LobWrite)},
        // The session's largest buffer of result rows (not all of its memory).
        {"session pga memory max", c.cursor_bytes_peak()}};
    int64_t number = 0;
    for (const auto& [name, value] : stats) {
      ++number;
      if (view == "V$MYSTAT")
        rows.push_back({n(1), n(number), n(static_cast<int64_t>(value))});
      else
        rows.push_back({n(number), t(name), n(1)});
    }
  } else if (view == "V$PARAMETER") {
    const std::string compatible = profile_.compatible();
    const bool set = !profile_.compatible_setting.empty();
    rows.push_back(
        {n(1), t("compatible"), n(2), t(compatible), t(compatible), t(set ? "FALSE" : "TRUE")});
    rows.push_back({n(2), t("max_string_size"), n(2), t("STANDARD"), t("STANDARD"), t("TRUE")});
    rows.push_back({n(3), t("nls_length_semantics"), n(2), t("BYTE"), t("BYTE"), t("TRUE")});
  } else if (view == "NLS_DATABASE_PARAMETERS") {
    rows.push_back({t("NLS_CHARACTERSET"), t(profile_.database_charset)});
    rows.push_back({t("NLS_NCHAR_CHARACTERSET"), t(profile_.nchar_charset)});
    rows.push_back({t("NLS_LENGTH_SEMANTICS"), t("BYTE")});
    rows.push_back({t("NLS_RDBMS_VERSION"), t(profile_.compatible())});
  } else if (view == "USER_TABLES") {
    for (const auto& [obj, table] : s.tables)
      rows.push_back(
          {t(s.name_of(obj)), t("USERS"), t("VALID"), t("N"), t("NO"), none(), t("NO"), none()});
  } else if (view == "USER_TAB_COLUMNS" || view == "USER_TAB_COLS") {
    const bool all = view == "USER_TAB_COLS";
    for (const auto& [obj, table] : s.tables) {
      int64_t column_id = 0;  // invisible columns have none
      for (size_t c = 0; c < table.columns.size(); ++c) {
        const ColumnInfo& col = table.columns[c];
        if (col.invisible && !all) continue;
        if (!col.invisible) ++column_id;
        // A virtual column's expression stands where a default would.
        const bool has_default = col.has_default || col.is_virtual;
        const std::string& default_text = col.is_virtual ? col.virtual_text : col.default_text;
        const OraType& ty = col.type;
        bool numeric = ty.base == Base::Number || ty.base == Base::Float;
        Value precision = numeric && ty.precision >= 0
                              ? n(ty.base == Base::Float ? ty.precision : ty.precision)
                              : (ty.base == Base::Float ? n(126) : none());
        Value scale = ty.base == Base::Number && ty.scale != -1000 ? n(ty.scale)
                      : ty.base == Base::Timestamp                 ? n(ty.precision)
                                                                   : none();
        bool chars = ty.is_character() && ty.base != Base::Long;
        const int bytes = ty.data_size(profile_.database_char_bytes(), profile_.nchar_char_bytes());
        rows.push_back({t(s.name_of(obj)), t(col.name), t(ty.name()), n(bytes), precision, scale,
                        t(s.column_nullable(obj, static_cast<int>(c)) ? "Y" : "N"),
                        col.invisible ? none() : n(column_id),
                        has_default ? n(static_cast<int64_t>(default_text.size())) : none(),
                        has_default ? Value::text(default_text) : none(), n(chars ? ty.length : 0),
                        chars ? t(ty.char_semantics ? "C" : "B") : none()});
        if (all) {
          rows.back().push_back(t(col.invisible ? "YES" : "NO"));
          rows.back().push_back(t(col.is_virtual ? "YES" : "NO"));
        }
      }
    }
    const size_t table_rows = rows.size();
    append_view_columns(rows);
    if (all)
      for (size_t r = table_rows; r < rows.size(); ++r) {
        rows[r].push_back(t("NO"));
        rows[r].push_back(t("NO"));
      }
  } else if (view == "USER_CONSTRAINTS") {
    for (const auto& c : s.constraints) {
      rows.push_back({t(owner), t(c.name), t(std::string(1, c.type)), t(s.name_of(c.table_obj)),
                      c.type == 'C' ? t(c.search_condition) : none(),
                      c.type == 'R' ? t(owner) : none(), c.type == 'R' ? t(c.r_constraint) : none(),
                      c.type == 'R' ? t(c.delete_rule) : none(),
                      t(c.enabled ? "ENABLED" : "DISABLED"), t("NOT DEFERRABLE"), t("IMMEDIATE"),
                      t(c.validated ? "VALIDATED" : "NOT VALIDATED"),
                      t(c.generated ? "GENERATED NAME" : "USER NAME"),
                      c.index_obj ? t(s.name_of(c.index_obj)) : none()});
    }
  } else if (view == "USER_CONS_COLUMNS") {
    for (const auto& c : s.constraints) {
      const TableInfo& table = s.tables.at(c.table_obj);
      for (size_t k = 0; k < c.columns.size(); ++k) {
        rows.push_back({t(owner), t(c.name), t(s.name_of(c.table_obj)),
                        t(table.columns[c.columns[k]].name),
                        c.type == 'C' ? none() : n(static_cast<int64_t>(k) + 1)});
      }
    }
  } else if (view == "USER_INDEXES") {
    for (const auto& [obj, ind] : s.indexes) {
      rows.push_back({t(s.name_of(obj)), t(ind.lob ? "LOB" : "NORMAL"), t(owner),
                      t(s.name_of(ind.table_obj)), t("TABLE"),
                      t(ind.unique ? "UNIQUE" : "NONUNIQUE"), t("USERS"), t("VALID"),
                      t(ind.generated ? "Y" : "N")});
    }
  } else if (view == "USER_IND_COLUMNS") {
    for (const auto& [obj, ind] : s.indexes) {
      if (ind.lob) continue;  // LOB indexes have no column rows
      const TableInfo& table = s.tables.at(ind.table_obj);
      for (size_t k = 0; k < ind.columns.size(); ++k) {
        const ColumnInfo& col = table.columns[ind.columns[k]];
        rows.push_back(
            {t(s.name_of(obj)), t(s.name_of(ind.table_obj)), t(col.name),
             n(static_cast<int64_t>(k) + 1),
             n(col.type.data_size(profile_.database_char_bytes(), profile_.nchar_char_bytes())),
             n(col.type.is_character() ? col.type.length : 0), t("ASC")});
      }
    }
  } else if (view == "USER_SEQUENCES") {
    for (const auto& [obj, q] : s.sequences) {
      SqlStmt st(conn_, "SELECT last_number FROM ora$seq WHERE obj = ?");
      st.bind_int(1, obj);
      Value last =
          st.step() ? Value::num(OraNumber::parse(st.text(0)).value_or(OraNumber())) : none();
      rows.push_back({t(s.name_of(obj)), nn(q.min_value), nn(q.max_value), nn(q.increment),
                      t(q.cycle ? "Y" : "N"), t(q.order ? "Y" : "N"), n(q.cache), last});
    }
  } else if (view == "USER_TRIGGERS") {
    for (const auto& [obj, tr] : s.triggers) {
      rows.push_back({t(s.name_of(obj)), t(tr.timing + (tr.each_row ? " EACH ROW" : " STATEMENT")),
                      t(tr.event), t(owner), t("TABLE"), t(s.name_of(tr.table_obj)), none(),
                      t("REFERENCING NEW AS NEW OLD AS OLD"), t(tr.when_text), t("ENABLED"),
                      t("PL/SQL"), t(tr.body_text)});
    }
  } else if (view == "USER_VIEWS") {
    rows = user_views_rows();
  } else if (view == "USER_OBJECTS") {
    for (const auto& [obj, info] : s.objects) {
      std::string status = "VALID";
      if (info.type == "TRIGGER" && !trigger_errors(s, s.triggers.at(obj)).empty())
        status = "INVALID";
      if (info.type == "VIEW" && !queries().view_valid(info.name)) status = "INVALID";
      bool segment = info.type == "TABLE" || info.type == "INDEX" || info.type == "LOB";
      bool generated = info.name.rfind("SYS_", 0) == 0;
      rows.push_back({t(info.name), none(), n(obj), segment ? n(obj) : none(), t(info.type),
                      d(info.created), d(info.created), t(status), t("N"),
                      t(generated ? "Y" : "N")});
    }
  } else if (view == "USER_LOBS") {
    for (const auto& [obj, info] : s.objects) {
      if (info.type != "LOB") continue;
      for (const auto& [iobj, ind] : s.indexes) {
        if (!ind.lob || ind.table_obj != info.table_obj || ind.columns.empty()) continue;
        std::string suffix = info.name.substr(info.name.size() - 8);
        if (s.name_of(iobj).size() < 8 ||
            s.name_of(iobj).substr(s.name_of(iobj).size() - 8) != suffix)
          continue;
        const TableInfo& table = s.tables.at(info.table_obj);
        rows.push_back({t(s.name_of(info.table_obj)), t(table.columns[ind.columns[0]].name),
                        t(info.name), t(s.name_of(iobj))});
      }
    }
  } else if (view == "USER_ERRORS") {
    for (const auto& [obj, tr] : s.triggers) {
      int64_t seq = 0;
      for (const auto& text : trigger_errors(s, tr))
        rows.push_back({t(s.name_of(obj)), t("TRIGGER"), n(++seq), n(1), n(1), t(text)});
    }
  } else if (view == "USER_TAB_COMMENTS" || view == "USER_COL_COMMENTS") {
    comment_rows(view, rows);
  } else if (view == "USER_USERS") {
    rows.push_back({t(owner), n(100), t("OPEN"), t("USERS"), t("TEMP")});
  }
  return rows;
}

}  // namespace oraemb
