// The session's side of table and row locking: LOCK TABLE, and which table
// a DDL statement must lock exclusively (without waiting) before it runs.
#include "oraemb/session.h"

namespace oraemb {

void Session::run_lock_table(LockTableStmt& lk, const ExecOptions& options) {
  std::vector<int64_t> objs;
  for (const auto& name : lk.tables) objs.push_back(table_for_dml(name).obj);
  if (options.parse_only) return;
  LockManager::Wait wait = lock_wait(lk.nowait, lk.wait_seconds);
  for (int64_t obj : objs) {
    if (!locks_->lock_table(obj, lk.exclusive, wait))
      raise(lk.wait_seconds >= 0 && !lk.nowait ? 30006 : 54);
  }
  txn_.start();  // held until commit or rollback
}

int64_t Session::ddl_target(const Statement& st) const {
  const Schema& s = *schema_;
  auto table = [&](const std::string& name) -> int64_t {
    const TableInfo* t = s.find_table(name);
    return t ? t->obj : 0;
  };
  switch (st.kind) {
    case StmtKind::CreateIndex:
      return table(st.create_index->table);
    case StmtKind::CreateTrigger:
      return table(st.create_trigger->table);
    case StmtKind::AlterTable:
      return table(st.alter->table);
    case StmtKind::Drop: {
      const DropStmt& dr = *st.drop;
      if (dr.what == "TABLE") return table(dr.name);
      const ObjectInfo* o = dr.what == "INDEX"     ? s.find_index(dr.name)
                            : dr.what == "TRIGGER" ? s.find_trigger(dr.name)
                                                   : nullptr;
      return o ? o->table_obj : 0;
    }
    default:
      return 0;
  }
}

}  // namespace oraemb
