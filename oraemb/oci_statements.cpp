// The exported OCI entry points of statements: prepare, execute (array
// execution with input binds read from the caller's buffers), fetch into
// defines, describe, and the bind calls.
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>

#include "oci/oci_types.h"
#include "oraemb/bind_values.h"
#include "oraemb/oci_entry.h"
#include "oraemb/oci_handles.h"
#include "oraemb/parser.h"
#include "oraemb/trace.h"
#include "oraemb/utf.h"
#include "oraemb/value_ops.h"

namespace oraemb {
namespace {

// Input bind values read from the caller's buffers: the element of the
// current row of an array execute.
class StmtBinds : public BindSource {
 public:
  explicit StmtBinds(StmtH& stmt) : stmt_(stmt) {}
  void set_row(ub4 row) { row_ = row; }
  Value bind_value(const std::string& name) override {
    BindH* b = find(name);
    if (!b || (b->mode & OCI_DATA_AT_EXEC)) raise(1008);
    return bind_element(*b, row_, *stmt_.env);
  }

 private:
  // A placeholder is bound by its name, or by its position: the n-th
  // placeholder of the text (each occurrence counts).
  BindH* find(const std::string& name) {
    // Each row asks again with the same name of the parsed statement.
    for (const auto& [key, hit] : by_address_)
      if (key == &name && *key == name) return hit;
    BindH* hit = find_by_name(name);
    if (by_address_.size() < 64) by_address_.emplace_back(&name, hit);
    return hit;
  }

  BindH* find_by_name(const std::string& name) {
    auto cached = found_.find(name);
    if (cached != found_.end()) return cached->second;
    BindH* hit = nullptr;
    for (auto& bind : stmt_.binds)
      if (!bind->name.empty() && bind->name == name) hit = bind.get();
    if (!hit) {
      if (!stmt_.placeholders_known) {
        stmt_.placeholders = placeholder_names(stmt_.sql);
        stmt_.placeholders_known = true;
      }
      for (auto& bind : stmt_.binds) {
        if (!bind->name.empty() || bind->position == 0) continue;
        if (bind->position <= stmt_.placeholders.size() &&
            stmt_.placeholders[bind->position - 1] == name) {
          hit = bind.get();
          break;
        }
      }
    }
    found_[name] = hit;
    return hit;
  }

  StmtH& stmt_;
  ub4 row_ = 0;
  std::map<std::string, BindH*> found_;
  std::vector<std::pair<const std::string*, BindH*>> by_address_;
};

// Writes one column value into a define; returns true when truncated.
bool put_value(StmtH& stmt, DefineH& d, const Value& v) {
  const EnvH& env = *stmt.env;
  if (d.rcode) *d.rcode = 0;
  if (v.is_null()) {
    if (!d.indicator) raise(1405);
    *d.indicator = -1;
    return false;
  }
  if (d.indicator) *d.indicator = 0;
  char* out = static_cast<char*>(d.value);
  size_t cap = d.size < 0 ? 0 : static_cast<size_t>(d.size);
  // Text in a UTF-16 environment is cut at whole code units; binary data
  // keeps every byte that fits.
  auto copy_bytes = [&](const std::string& bytes, size_t term, bool text) {
    size_t room = cap >= term ? cap - term : 0;
    bool truncated = bytes.size() > room;
    size_t n = std::min(bytes.size(), room);
    if (text && env.utf16 && n % 2) --n;
    std::memcpy(out, bytes.data(), n);
    if (term && cap >= n + term) std::memset(out + n, 0, term);
    if (d.rlen) *d.rlen = static_cast<ub2>(std::min<size_t>(n, 65535));
    if (truncated) {
      if (d.indicator) *d.indicator = static_cast<sb2>(std::min<size_t>(bytes.size(), 32767));
      if (d.rcode) *d.rcode = 1406;
    }
    return truncated;
  };
  switch (d.dty) {
    case SQLT_CLOB:
    case SQLT_BLOB: {
      void* target = d.value ? *static_cast<void**>(d.value) : nullptr;
      LobH* loc = handle_cast<LobH>(target, OCI_DTYPE_LOB);
      if (!loc) raise(22275);
      if (v.kind != Kind::Clob && v.kind != Kind::Blob)
        raise(932, {d.dty == SQLT_CLOB ? "CLOB" : "BLOB", kind_name(v.kind)});
      loc->valid = true;
      loc->ref = v.lob;
      loc->kind = v.kind;
      loc->form = v.kind == Kind::Blob ? 0 : v.national ? SQLCS_NCHAR : SQLCS_IMPLICIT;
      loc->session = stmt.svc ? stmt.svc->session.get() : nullptr;
      loc->txn = stmt.svc && stmt.svc->session ? stmt.svc->session->transaction_id() : 0;
      loc->fetched = v.lob.for_update ? nullptr : std::make_shared<const std::string>(v.bytes);
      return false;
    }
    case SQLT_STR:
    case SQLT_CHR:
    case SQLT_AFC:
    case SQLT_LNG: {
      std::string text = value_text(v.kind == Kind::Blob ? Value::raw(v.bytes) : v);
      // A server converts national text for a define of the implicit form
      // through the database character set: what that set lacks is lost.
      if (v.national && d.charset_form != SQLCS_NCHAR && stmt.svc && stmt.svc->session)
        text = to_charset_repertoire(text, stmt.svc->session->profile().database_charset);
      return copy_bytes(env.encode(text), d.dty == SQLT_STR ? env.terminator() : 0, true);
    }
    case SQLT_INT: {
      OraNumber n = value_number(v).truncated(0);
      auto i = n.to_int64();
      if (!i) raise(1455);
      if (cap == 1 && *i >= -128 && *i <= 127)
        *reinterpret_cast<int8_t*>(out) = static_cast<int8_t>(*i);
      else if (cap == 2 && *i >= -32768 && *i <= 32767)
        *reinterpret_cast<int16_t*>(out) = static_cast<int16_t>(*i);
      else if (cap == 4 && *i >= INT32_MIN && *i <= INT32_MAX)
        *reinterpret_cast<int32_t*>(out) = static_cast<int32_t>(*i);
      else if (cap == 8)
        *reinterpret_cast<int64_t*>(out) = *i;
      else
        raise(1455);
      if (d.rlen) *d.rlen = static_cast<ub2>(cap);
      return false;
    }
    case SQLT_FLT: {
      double x = value_number(v).to_double();
      if (cap == 4)
        *reinterpret_cast<float*>(out) = static_cast<float>(x);
      else if (cap == 8)
        *reinterpret_cast<double*>(out) = x;
      else
        raise(1460);
      if (d.rlen) *d.rlen = static_cast<ub2>(cap);
      return false;
    }
    case SQLT_DAT: {
      if (cap < 7) raise(1460);
      value_date(v).to_oci(reinterpret_cast<unsigned char*>(out));
      if (d.rlen) *d.rlen = 7;
      return false;
    }
    case SQLT_TIMESTAMP: {
      // The buffer holds the address of a timestamp descriptor.
      void* target = d.value ? *static_cast<void**>(d.value) : nullptr;
      DateTimeH* dt = handle_cast<DateTimeH>(target, OCI_DTYPE_TIMESTAMP);
      if (!dt) raise(1460);
      dt->value = value_date(v);
      if (d.rlen) *d.rlen = static_cast<ub2>(sizeof(void*));
      return false;
    }
    case SQLT_BIN:
    case SQLT_LBI:
      if (v.kind == Kind::Raw || v.kind == Kind::Blob) return copy_bytes(v.bytes, 0, false);
      return copy_bytes(value_text(v), 0, false);
    default:
      raise(1460);
  }
}

// Delivers the next row into the defines: OCI_SUCCESS, SUCCESS_WITH_INFO
// (truncation) or OCI_NO_DATA.
sword deliver_row(StmtH& stmt, ErrorH* err) {
  std::vector<Value> row;
  if (!stmt.cursor || !stmt.cursor->fetch(row)) {
    stmt.at_end = true;
    return OCI_NO_DATA;
  }
  bool truncated = false;
  for (auto& [pos, d] : stmt.defines) {
    if (pos == 0 || pos > row.size()) continue;
    truncated = put_value(stmt, *d, row[pos - 1]) || truncated;
  }
  if (truncated) {
    set_error(err, 1406, ora_message(1406));
    return OCI_SUCCESS_WITH_INFO;
  }
  return OCI_SUCCESS;
}

// The binds of a statement in the order of its placeholders, checked for
// long data placed before other binds (ORA-24816).
void check_bind_order(StmtH& st, const Profile& profile) {
  if (st.binds.empty()) return;
  if (!st.placeholders_known) {
    st.placeholders = placeholder_names(st.sql);
    st.placeholders_known = true;
  }
  std::vector<const BindH*> in_order;
  for (size_t k = 0; k < st.placeholders.size(); ++k) {
    const BindH* hit = nullptr;
    for (const auto& b : st.binds)
      if ((!b->name.empty() && b->name == st.placeholders[k]) ||
          (b->name.empty() && b->position == k + 1))
        hit = b.get();
    in_order.push_back(hit);
  }
  check_long_bind_order(in_order, *st.env, profile.database_char_bytes(),
                        profile.nchar_char_bytes());
}

}  // namespace
}  // namespace oraemb

using namespace oraemb;

OCI_EXPORT sword OCIStmtPrepare(OCIStmt* stmtp, OCIError* errhp, const OraText* stmt, ub4 stmt_len,
                                ub4, ub4) {
  StmtH* st = handle_cast<StmtH>(stmtp, OCI_HTYPE_STMT);
  ErrorH* err = handle_cast<ErrorH>(errhp, OCI_HTYPE_ERROR);
  if (!st || !err) return OCI_INVALID_HANDLE;
  return guarded(err, __func__, [&] {
    st->reset();
    for (auto& [pos, d] : st->defines) registry::remove(d.get());
    st->defines.clear();
    for (auto& b : st->binds) registry::remove(b.get());
    st->binds.clear();
    st->prepared = false;
    st->parse_counted = false;
    st->placeholders.clear();
    st->placeholders_known = false;
    st->dml_errors = 0;
    if (!stmt || stmt_len == 0) raise(24373);
    // The text is copied; SQL errors surface at execute, as with Oracle.
    st->sql = st->env->decode(stmt, stmt_len);
    st->prepared = true;
    return OCI_SUCCESS;
  });
}

namespace {
bool is_dml(const Statement& s) {
  return s.kind == StmtKind::Insert || s.kind == StmtKind::Update || s.kind == StmtKind::Delete;
}
}  // namespace

OCI_EXPORT sword OCIStmtExecute(OCISvcCtx* svchp, OCIStmt* stmtp, OCIError* errhp, ub4 iters,
                                ub4 rowoff, const OCISnapshot*, OCISnapshot*, ub4 mode) {
  SvcH* svc = handle_cast<SvcH>(svchp, OCI_HTYPE_SVCCTX);
  StmtH* st = handle_cast<StmtH>(stmtp, OCI_HTYPE_STMT);
  ErrorH* err = handle_cast<ErrorH>(errhp, OCI_HTYPE_ERROR);
  if (!svc || !st || !err) return OCI_INVALID_HANDLE;
  return guarded(err, __func__, [&]() -> sword {
    if (!st->prepared) raise(24337);
    if (!svc->session) raise(3114);
    Session& session = *svc->session;
    session.costs().round_trip(SessionCosts::Execute);
    err->row_errors.clear();
    st->dml_errors = 0;
    st->row_counts.clear();
    // A DML statement's parse serves every execution of the prepared text.
    std::unique_ptr<Statement> parsed;
    if (st->parsed && is_dml(*st->parsed)) parsed = std::move(st->parsed);
    st->reset();
    st->svc = svc;
    MessageVersionScope wording(session.profile().version);
    if (tracing())
      trace_line("OCIStmtExecute iters=" + std::to_string(iters) + " mode=" + std::to_string(mode) +
                 " sql: " + st->sql);
    if (!st->parse_counted) {
      session.costs().parse(st->sql);
      st->parse_counted = true;
    }
    // The server converts the statement text into the database character
    // set first: what that set cannot hold is lost, literals included.
    const Profile& profile = session.profile();
    if (!parsed)
      parsed = std::make_unique<Statement>(
          Parser(to_charset_repertoire(st->sql, profile.database_charset),
                 profile.identifier_limit(), profile.nchar_char_bytes())
              .parse_statement());
    ExecOptions options;
    options.parse_only = (mode & OCI_PARSE_ONLY) != 0;
    options.describe_only = (mode & OCI_DESCRIBE_ONLY) != 0;
    options.commit_on_success = (mode & OCI_COMMIT_ON_SUCCESS) != 0;
    const bool batch_errors = (mode & OCI_BATCH_ERRORS) != 0;
    const bool row_counts = (mode & OCI_RETURN_ROW_COUNT_ARRAY) != 0;
    const bool dml = is_dml(*parsed);
    bool query = parsed->kind == StmtKind::Select;
    if ((batch_errors || row_counts) && !dml) raise(28714);
    if (!query && iters == 0 && !options.parse_only && !options.describe_only) raise(24333);
    BindH* returning = nullptr;
    if (parsed->kind == StmtKind::Insert && parsed->insert && !parsed->insert->into.empty()) {
      for (auto& b : st->binds)
        if (b->name == parsed->insert->into[0] || (b->name.empty() && b->position == 1))
          returning = b.get();
    }
    StmtBinds binds(*st);
    ub4 iteration = 0;  // of an array execute, for the RETURNING out-bind
    auto on_rowid = [&](const std::string& rowid) {
      if (!returning) return;
      returning->rows_returned = 1;
      std::string bytes = st->env->encode(rowid);
      size_t term = st->env->terminator();
      if (returning->out_cb) {
        void* buf = nullptr;
        ub4* alen = nullptr;
        ub1 piece = OCI_ONE_PIECE;
        void* ind = nullptr;
        ub2* rcode = nullptr;
        sb4 rc = returning->out_cb(returning->out_ctx,
                                   reinterpret_cast<OCIBind*>(static_cast<Handle*>(returning)),
                                   iteration, 0, &buf, &alen, &piece, &ind, &rcode);
        if (rc != OCI_CONTINUE) throw CallbackStop{rc};
        ub4 cap = alen ? *alen : 0;
        if (buf && cap > 0) {
          size_t n = std::min<size_t>(bytes.size(), cap);
          std::memcpy(buf, bytes.data(), n);
          if (cap >= n + term) std::memset(static_cast<char*>(buf) + n, 0, term);
          *alen = static_cast<ub4>(n);
        }
        if (ind) *static_cast<sb2*>(ind) = 0;
        if (rcode) *rcode = 0;
      } else if (returning->value) {
        size_t cap = static_cast<size_t>(std::max<sb8>(returning->size, 0));
        char* out = static_cast<char*>(returning->value) +
                    static_cast<size_t>(rowoff + iteration) *
                        (returning->value_skip ? returning->value_skip : cap);
        size_t n = std::min(bytes.size(), cap >= term ? cap - term : 0);
        std::memcpy(out, bytes.data(), n);
        std::memset(out + n, 0, std::min(term, cap - n));
        if (returning->alen) returning->alen[rowoff + iteration] = static_cast<ub2>(n);
        if (returning->indicator) returning->indicator[rowoff + iteration] = 0;
      }
    };
    if (dml && !options.parse_only && !options.describe_only) {
      // Each row of an array is its own statement: a failing row undoes
      // only itself. Without batch errors the execute stops at the first
      // failing row and keeps the rows before it (uncommitted); with them
      // every row is tried and the failures are reported by offset.
      ExecOptions row_options = options;
      row_options.commit_on_success = false;
      row_options.commit_follows = options.commit_on_success;
      if (parsed->kind == StmtKind::Insert || parsed->kind == StmtKind::Update)
        check_bind_order(*st, profile);
      if (batch_errors) {
        // Errors of the statement itself (no such table or column, wrong
        // number of values) fail the execute, not each row.
        ExecOptions check = row_options;
        check.parse_only = true;
        session.execute(*parsed, check, &binds, on_rowid);
      }
      if (iters > 1) session.begin_batch();
      int64_t affected = 0;
      std::optional<ora_error> failure;
      for (iteration = 0; iteration < iters; ++iteration) {
        binds.set_row(rowoff + iteration);
        // Rows after the first run inside the write transaction the batch
        // opened, on what the first one looked up.
        row_options.same_batch = iters > 1 && iteration > 0;
        if (row_counts) st->row_counts.push_back(0);
        try {
          const int64_t rows = session.execute(*parsed, row_options, &binds, on_rowid).row_count;
          affected += rows;
          if (row_counts) st->row_counts.back() = static_cast<ub8>(rows);
        } catch (const ora_error& e) {
          // A row whose error ended the transaction (a full disk) took the
          // rows before it along: the whole execute failed.
          const bool ended = iters > 1 && !session.in_transaction();
          if (ended) affected = 0;
          if (!batch_errors || ended) {
            failure = e;
            break;
          }
          char prefix[16];
          std::snprintf(prefix, sizeof prefix, "ORA-%05d: ", e.code());
          err->row_errors.push_back({rowoff + iteration, {e.code(), prefix + e.text() + "\n"}});
        }
      }
      st->parsed = std::move(parsed);
      st->row_count = affected;
      st->executed = true;
      if (failure) throw *failure;
      // With row errors the execute ends "with info", and a transaction is
      // committed only by an execute that succeeds.
      if (options.commit_on_success && err->row_errors.empty()) session.commit();
      if (!err->row_errors.empty()) {
        st->dml_errors = static_cast<ub4>(err->row_errors.size());
        set_error(err, 24381, ora_message(24381));
        return OCI_SUCCESS_WITH_INFO;
      }
      return OCI_SUCCESS;
    }
    ExecResult result = session.execute(*parsed, options, &binds, on_rowid);
    st->parsed = std::move(parsed);
    st->row_count = result.row_count;
    st->executed = true;
    sword status = OCI_SUCCESS;
    if (result.cursor) {
      st->columns = result.cursor->columns;
      st->cursor = std::move(result.cursor);
      for (size_t k = 0; k < st->columns.size(); ++k) {
        auto p = std::make_unique<ParamH>();
        p->type = OCI_DTYPE_PARAM;
        p->env = st->env;
        p->desc = st->columns[k];
        p->name_bytes = st->env->encode(p->desc.name);
        p->profile = profile;
        registry::add(p.get());
        st->params.push_back(std::move(p));
      }
      if (iters > 0 && !options.parse_only && !options.describe_only) {
        // One iteration of a query delivers its first row into the defines.
        status = deliver_row(*st, err);
        if (status == OCI_SUCCESS || status == OCI_SUCCESS_WITH_INFO) st->row_count = 1;
      }
    }
    if (result.warning) {
      set_error(err, result.warning->code(), result.warning->text());
      return OCI_SUCCESS_WITH_INFO;
    }
    return status;
  });
}

OCI_EXPORT sword OCIStmtFetch(OCIStmt* stmtp, OCIError* errhp, ub4 nrows, ub2, ub4) {
  StmtH* st = handle_cast<StmtH>(stmtp, OCI_HTYPE_STMT);
  ErrorH* err = handle_cast<ErrorH>(errhp, OCI_HTYPE_ERROR);
  if (!st || !err) return OCI_INVALID_HANDLE;
  return guarded(err, __func__, [&]() -> sword {
    // The service context may have been freed by OCILogoff since execute;
    // the cursor itself then reports ORA-03114.
    if (st->svc && !registry::valid(st->svc, OCI_HTYPE_SVCCTX)) st->svc = nullptr;
    if (st->svc && st->svc->session) st->svc->session->costs().round_trip(SessionCosts::Fetch);
    if (!st->executed || !st->cursor) raise(24338);
    if (st->at_end) raise(1002);
    if (nrows == 0) return OCI_SUCCESS;
    sword status = deliver_row(*st, err);
    if (status != OCI_NO_DATA) ++st->row_count;
    return status;
  });
}

OCI_EXPORT sword OCIStmtFetch2(OCIStmt* stmtp, OCIError* errhp, ub4 nrows, ub2 orientation, sb4,
                               ub4 mode) {
  return OCIStmtFetch(stmtp, errhp, nrows, orientation, mode);
}

OCI_EXPORT sword OCIParamGet(const void* hndlp, ub4 htype, OCIError* errhp, void** parmdpp,
                             ub4 pos) {
  if (htype == OCI_HTYPE_ERROR) {
    // The row errors of a batch-error execute, 0-based: the error handle in
    // *parmdpp (or one the engine allocates) receives row error `pos`.
    ErrorH* from = handle_cast<ErrorH>(hndlp, OCI_HTYPE_ERROR);
    ErrorH* err = handle_cast<ErrorH>(errhp, OCI_HTYPE_ERROR);
    if (!from || !err || !parmdpp) return OCI_INVALID_HANDLE;
    return guarded(err, __func__, [&] {
      if (pos >= from->row_errors.size()) raise(24334);
      ErrorH* target = handle_cast<ErrorH>(*parmdpp, OCI_HTYPE_ERROR);
      if (!target)
        target = adopt(from->env, std::make_unique<ErrorH>(), OCI_HTYPE_ERROR, 0, nullptr);
      const ErrorH::RowError row = from->row_errors[pos];
      target->records.assign(1, row.record);
      target->row_offset = row.offset;
      *parmdpp = static_cast<Handle*>(target);
      return OCI_SUCCESS;
    });
  }
  StmtH* st = htype == OCI_HTYPE_STMT ? handle_cast<StmtH>(hndlp, OCI_HTYPE_STMT) : nullptr;
  ErrorH* err = handle_cast<ErrorH>(errhp, OCI_HTYPE_ERROR);
  if (!st || !err || !parmdpp) return OCI_INVALID_HANDLE;
  return guarded(err, __func__, [&] {
    if (!st->executed) raise(24338);
    if (pos < 1 || pos > st->params.size()) raise(24334);
    *parmdpp = static_cast<Handle*>(st->params[pos - 1].get());
    return OCI_SUCCESS;
  });
}

OCI_EXPORT sword OCIDefineByPos(OCIStmt* stmtp, OCIDefine** defnp, OCIError* errhp, ub4 position,
                                void* valuep, sb4 value_sz, ub2 dty, void* indp, ub2* rlenp,
                                ub2* rcodep, ub4) {
  StmtH* st = handle_cast<StmtH>(stmtp, OCI_HTYPE_STMT);
  ErrorH* err = handle_cast<ErrorH>(errhp, OCI_HTYPE_ERROR);
  if (!st || !err) return OCI_INVALID_HANDLE;
  return guarded(err, __func__, [&] {
    if (position == 0) raise_unimplemented("define of the ROWID at position 0");
    auto& slot = st->defines[position];
    if (!slot) {
      slot = std::make_unique<DefineH>();
      slot->type = OCI_HTYPE_DEFINE;
      slot->env = st->env;
      registry::add(slot.get());
    }
    slot->position = position;
    slot->value = valuep;
    slot->size = value_sz;
    slot->dty = dty;
    slot->indicator = static_cast<sb2*>(indp);
    slot->rlen = rlenp;
    slot->rcode = rcodep;
    slot->charset_form = SQLCS_IMPLICIT;
    if (defnp) *defnp = reinterpret_cast<OCIDefine*>(static_cast<Handle*>(slot.get()));
    return OCI_SUCCESS;
  });
}

namespace {
sword bind_common(StmtH* st, ErrorH* err, OCIBind** bindp, std::string name, ub4 position,
                  void* valuep, sb8 value_sz, ub2 dty, void* indp, ub2* alenp, ub4* alen4p,
                  ub4 maxarr_len, ub4 mode) {
  return guarded(err, __func__, [&] {
    auto b = std::make_unique<BindH>();
    b->type = OCI_HTYPE_BIND;
    b->env = st->env;
    if (!name.empty() && name[0] == ':') name = name.substr(1);
    if (!name.empty() && name.front() == '"' && name.back() == '"' && name.size() >= 2)
      name = name.substr(1, name.size() - 2);
    else
      for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    b->name = name;
    b->position = position;
    b->value = valuep;
    b->size = value_sz;
    b->dty = dty;
    b->indicator = static_cast<sb2*>(indp);
    b->alen = alenp;
    b->alen4 = alen4p;
    b->max_elements = maxarr_len;
    b->mode = mode;
    // A later bind of the same placeholder replaces the earlier one.
    for (auto it = st->binds.begin(); it != st->binds.end(); ++it) {
      if ((*it)->name == b->name && (*it)->position == b->position) {
        registry::remove(it->get());
        st->binds.erase(it);
        break;
      }
    }
    registry::add(b.get());
    if (bindp) *bindp = reinterpret_cast<OCIBind*>(static_cast<Handle*>(b.get()));
    st->binds.push_back(std::move(b));
    return OCI_SUCCESS;
  });
}

sword bind_by_name(OCIStmt* stmtp, OCIBind** bindp, OCIError* errhp, const OraText* placeholder,
                   sb4 placeh_len, void* valuep, sb8 value_sz, ub2 dty, void* indp, ub2* alenp,
                   ub4* alen4p, ub4 maxarr_len, ub4 mode) {
  StmtH* st = handle_cast<StmtH>(stmtp, OCI_HTYPE_STMT);
  ErrorH* err = handle_cast<ErrorH>(errhp, OCI_HTYPE_ERROR);
  if (!st || !err) return OCI_INVALID_HANDLE;
  std::string name =
      st->env->decode(placeholder, placeh_len < 0 ? 0 : static_cast<size_t>(placeh_len));
  if (name.empty() || name == ":") {
    set_error(err, 1036, "illegal variable name/number");
    return OCI_ERROR;
  }
  return bind_common(st, err, bindp, name, 0, valuep, value_sz, dty, indp, alenp, alen4p,
                     maxarr_len, mode);
}

sword bind_by_pos(OCIStmt* stmtp, OCIBind** bindp, OCIError* errhp, ub4 position, void* valuep,
                  sb8 value_sz, ub2 dty, void* indp, ub2* alenp, ub4* alen4p, ub4 maxarr_len,
                  ub4 mode) {
  StmtH* st = handle_cast<StmtH>(stmtp, OCI_HTYPE_STMT);
  ErrorH* err = handle_cast<ErrorH>(errhp, OCI_HTYPE_ERROR);
  if (!st || !err) return OCI_INVALID_HANDLE;
  if (position == 0) {
    set_error(err, 1036, "illegal variable name/number");
    return OCI_ERROR;
  }
  return bind_common(st, err, bindp, "", position, valuep, value_sz, dty, indp, alenp, alen4p,
                     maxarr_len, mode);
}
}  // namespace

OCI_EXPORT sword OCIBindByName(OCIStmt* stmtp, OCIBind** bindp, OCIError* errhp,
                               const OraText* placeholder, sb4 placeh_len, void* valuep,
                               sb4 value_sz, ub2 dty, void* indp, ub2* alenp, ub2*, ub4 maxarr_len,
                               ub4*, ub4 mode) {
  return bind_by_name(stmtp, bindp, errhp, placeholder, placeh_len, valuep, value_sz, dty, indp,
                      alenp, nullptr, maxarr_len, mode);
}

OCI_EXPORT sword OCIBindByName2(OCIStmt* stmtp, OCIBind** bindp, OCIError* errhp,
                                const OraText* placeholder, sb4 placeh_len, void* valuep,
                                sb8 value_sz, ub2 dty, void* indp, ub4* alenp, ub2*, ub4 maxarr_len,
                                ub4*, ub4 mode) {
  return bind_by_name(stmtp, bindp, errhp, placeholder, placeh_len, valuep, value_sz, dty, indp,
                      nullptr, alenp, maxarr_len, mode);
}

OCI_EXPORT sword OCIBindByPos(OCIStmt* stmtp, OCIBind** bindp, OCIError* errhp, ub4 position,
                              void* valuep, sb4 value_sz, ub2 dty, void* indp, ub2* alenp, ub2*,
                              ub4 maxarr_len, ub4*, ub4 mode) {
  return bind_by_pos(stmtp, bindp, errhp, position, valuep, value_sz, dty, indp, alenp, nullptr,
                     maxarr_len, mode);
}

OCI_EXPORT sword OCIBindByPos2(OCIStmt* stmtp, OCIBind** bindp, OCIError* errhp, ub4 position,
                               void* valuep, sb8 value_sz, ub2 dty, void* indp, ub4* alenp, ub2*,
                               ub4 maxarr_len, ub4*, ub4 mode) {
  return bind_by_pos(stmtp, bindp, errhp, position, valuep, value_sz, dty, indp, nullptr, alenp,
                     maxarr_len, mode);
}

OCI_EXPORT sword OCIBindArrayOfStruct(OCIBind* bindp, OCIError* errhp, ub4 pvskip, ub4 indskip,
                                      ub4 alskip, ub4) {
  BindH* b = handle_cast<BindH>(bindp, OCI_HTYPE_BIND);
  if (!b || !registry::valid(errhp, OCI_HTYPE_ERROR)) return OCI_INVALID_HANDLE;
  b->value_skip = pvskip;
  b->indicator_skip = indskip;
  b->alen_skip = alskip;
  return OCI_SUCCESS;
}

OCI_EXPORT sword OCIBindDynamic(OCIBind* bindp, OCIError* errhp, void* ictxp,
                                OCICallbackInBind icbfp, void* octxp, OCICallbackOutBind ocbfp) {
  BindH* b = handle_cast<BindH>(bindp, OCI_HTYPE_BIND);
  if (!b) return OCI_INVALID_HANDLE;
  (void)errhp;
  b->in_ctx = ictxp;
  b->in_cb = icbfp;
  b->out_ctx = octxp;
  b->out_cb = ocbfp;
  return OCI_SUCCESS;
}
