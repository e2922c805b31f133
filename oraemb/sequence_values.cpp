// NEXTVAL and CURRVAL of a session.
#include "oraemb/sequence_values.h"

#include "oraemb/ora_error.h"

namespace oraemb {

OraNumber SequenceValues::next(sqlite3* conn, StatementCache& statements, int64_t obj,
                               const SequenceInfo& q, const std::string& name) {
  sqlite3_stmt* get = statements.get(conn, "SELECT last_number FROM ora$seq WHERE obj = ?");
  sqlite3_bind_int64(get, 1, obj);
  if (!step_row(conn, get, "sequence")) raise(2289);
  auto parsed = OraNumber::parse(reinterpret_cast<const char*>(sqlite3_column_text(get, 0)));
  sqlite3_reset(get);
  OraNumber value = parsed ? *parsed : q.min_value;
  bool ascending = !q.increment.negative();
  if (ascending ? compare(value, q.max_value) > 0 : compare(value, q.min_value) < 0) {
    if (!q.cycle) raise(8004, {name});
    value = ascending ? q.min_value : q.max_value;
  }
  OraNumber following = value + q.increment;
  sqlite3_stmt* put = statements.get(conn, "UPDATE ora$seq SET last_number = ? WHERE obj = ?");
  std::string text = following.to_text();
  sqlite3_bind_text(put, 1, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
  sqlite3_bind_int64(put, 2, obj);
  step_done(conn, put, "sequence");
  currval_[name] = value;
  return value;
}

OraNumber SequenceValues::current(const std::string& name) const {
  auto found = currval_.find(name);
  if (found == currval_.end()) raise(8002, {name});
  return found->second;
}

}  // namespace oraemb
