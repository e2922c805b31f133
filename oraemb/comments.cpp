// COMMENT ON TABLE / COLUMN and the views that show comments. Comments are
// kept in ora$comment by object number and column name ('' for the table),
// outside the schema snapshot: they change nothing a statement depends on.
// A view's columns are looked up through USER_TAB_COLUMNS, so tables and
// views take comments alike.
#include <map>

#include "oraemb/session.h"
#include "oraemb/sqlite_util.h"

namespace oraemb {
namespace {

// The table or view `name` of the schema, or null.
const ObjectInfo* commented_object(const Schema& s, const std::string& name) {
  for (const auto& [obj, info] : s.objects)
    if (info.name == name && (info.type == "TABLE" || info.type == "VIEW")) return &info;
  return nullptr;
}

}  // namespace

void Session::ddl_comment(Schema& s, CommentStmt& cs) {
  const ObjectInfo* obj = commented_object(s, cs.table);
  if (!obj) raise(942);
  if (!cs.column.empty()) {
    bool found = false;
    for (const auto& row : view_rows("USER_TAB_COLUMNS"))
      if (row[0].bytes == cs.table && row[1].bytes == cs.column) found = true;
    if (!found) raise(904, {dq(cs.column)});
  }
  // An empty text is NULL: the comment goes.
  SqlStmt st(conn_, cs.text.empty() ? "DELETE FROM ora$comment WHERE obj = ? AND col = ?"
                                    : "INSERT OR REPLACE INTO ora$comment(obj, col, text)"
                                      " VALUES(?, ?, ?)");
  st.bind_int(1, obj->obj);
  st.bind_text(2, cs.column);
  if (!cs.text.empty()) st.bind_text(3, cs.text);
  st.step();
}

void Session::drop_comments(int64_t obj) {
  SqlStmt st(conn_, "DELETE FROM ora$comment WHERE obj = ?");
  st.bind_int(1, obj);
  st.step();
}

void Session::comment_rows(const std::string& view, std::vector<std::vector<Value>>& rows) {
  const Schema& s = *catalog_.schema();
  std::map<std::pair<int64_t, std::string>, std::string> comments;
  {
    SqlStmt st(conn_, "SELECT obj, col, text FROM ora$comment");
    while (st.step()) comments[{st.integer(0), st.text(1)}] = st.text(2);
  }
  auto comment = [&](int64_t obj, const std::string& column) {
    auto found = comments.find({obj, column});
    return found == comments.end() ? Value::null() : Value::text(found->second);
  };
  if (view == "USER_TAB_COMMENTS") {
    // Every table and view, with or without a comment.
    for (const auto& [obj, info] : s.objects)
      if (info.type == "TABLE" || info.type == "VIEW")
        rows.push_back({Value::text(info.name), Value::text(info.type), comment(obj, "")});
    return;
  }
  // USER_COL_COMMENTS: every column of every table and view.
  for (const auto& column : view_rows("USER_TAB_COLUMNS")) {
    const ObjectInfo* obj = commented_object(s, column[0].bytes);
    rows.push_back(
        {column[0], column[1], obj ? comment(obj->obj, column[1].bytes) : Value::null()});
  }
}

}  // namespace oraemb
