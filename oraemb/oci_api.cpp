// The exported OCI entry points. Each body validates its handles (unknown
// or wrong-type pointers give OCI_INVALID_HANDLE), runs inside guarded() so
// that no C++ exception crosses the C boundary, and records Oracle errors in
// the error handle in the "ORA-NNNNN: text" form.
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>

#include "ORA/oci/oci_types.h"
#include "oraemb/bind_values.h"
#include "oraemb/oci_handles.h"
#include "oraemb/parser.h"
#include "oraemb/trace.h"
#include "oraemb/utf.h"
#include "oraemb/value_ops.h"

#define OCI_EXPORT extern "C" __attribute__((visibility("default")))

namespace oraemb {
namespace {

// A bind callback asked to stop the statement with its own status.
struct CallbackStop {
  sb4 status;
};

void set_error(ErrorH* err, int code, const std::string& text) {
  if (!err) return;
  char prefix[16];
  std::snprintf(prefix, sizeof prefix, "ORA-%05d: ", code);
  err->records.assign(1, {code, prefix + text + "\n"});
}

template <class Fn>
sword run_guarded(ErrorH* err, Fn&& fn) {
  try {
    return fn();
  } catch (const ora_error& e) {
    set_error(err, e.code(), e.text());
    return e.warning() ? OCI_SUCCESS_WITH_INFO : OCI_ERROR;
  } catch (const CallbackStop& stop) {
    return stop.status;
  } catch (const std::bad_alloc&) {
    set_error(err, 4030, ora_message(4030, {"unknown"}));
    return OCI_ERROR;
  } catch (const std::exception& e) {
    set_error(err, 600, ora_message(600, {e.what()}));
    return OCI_ERROR;
  } catch (...) {
    set_error(err, 600, ora_message(600, {"unknown"}));
    return OCI_ERROR;
  }
}

// Runs an entry point's body: no exception leaves it, and the trace gets
// the call, its status and its error.
template <class Fn>
sword guarded(ErrorH* err, const char* call, Fn&& fn) {
  sword status = run_guarded(err, std::forward<Fn>(fn));
  if (tracing()) {
    std::string line = std::string(call) + " = " + std::to_string(status);
    if ((status == OCI_ERROR || status == OCI_SUCCESS_WITH_INFO) && err && !err->records.empty())
      line += "  " + err->records[0].text.substr(0, err->records[0].text.size() - 1);
    trace_line(line);
  }
  return status;
}

template <class T>
T* adopt(EnvH* env, std::unique_ptr<T> h, ub4 type, size_t xtramem, void** usrmempp) {
  h->type = type;
  h->env = env;
  if (xtramem > 0 && usrmempp) {
    h->user_memory.assign(xtramem, 0);
    *usrmempp = h->user_memory.data();
  }
  T* raw = h.get();
  env->children[raw] = std::move(h);
  registry::add(raw);
  return raw;
}

EnvH* env_of(const void* parent) {
  for (ub4 type :
       {OCI_HTYPE_ENV, OCI_HTYPE_ERROR, OCI_HTYPE_SVCCTX, OCI_HTYPE_STMT, OCI_HTYPE_SERVER})
    if (registry::valid(parent, type)) return static_cast<const Handle*>(parent)->env;
  return nullptr;
}

// NLS_LANG is LANGUAGE_TERRITORY.CHARSET (each part optional); a client
// refuses a character set it does not know, and a malformed value.
bool nls_lang_valid() {
  const char* value = std::getenv("NLS_LANG");
  if (!value || !*value) return true;
  std::string text = value;
  size_t dot = text.find('.');
  std::string names = text.substr(0, dot);
  for (char c : names)
    if (!std::isalpha(static_cast<unsigned char>(c)) && c != '_' && c != ' ' && c != '-')
      return false;
  if (dot == std::string::npos) return true;
  std::string charset = text.substr(dot + 1);
  for (char& c : charset) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  static const char* const kKnown[] = {
      "AL32UTF8",      "UTF8",         "AL16UTF16",     "WE8MSWIN1252",  "WE8ISO8859P1",
      "WE8ISO8859P15", "US7ASCII",     "EE8MSWIN1250",  "CL8MSWIN1251",  "EL8MSWIN1253",
      "TR8MSWIN1254",  "IW8MSWIN1255", "AR8MSWIN1256",  "BLT8MSWIN1257", "JA16SJIS",
      "JA16EUC",       "ZHS16GBK",     "ZHT16MSWIN950", "KO16MSWIN949",  "TH8TISASCII"};
  for (const char* k : kKnown)
    if (charset == k) return true;
  return false;
}

sword create_env(OCIEnv** envp, ub4 mode, bool utf16, size_t xtramem, void** usrmempp) {
  if (!envp) return OCI_INVALID_HANDLE;
  auto env = std::make_unique<EnvH>();
  env->type = OCI_HTYPE_ENV;
  env->env = env.get();
  env->utf16 = utf16 || (mode & OCI_UTF16) != 0;
  if (xtramem > 0 && usrmempp) {
    env->user_memory.assign(xtramem, 0);
    *usrmempp = env->user_memory.data();
  }
  EnvH* raw = env.get();
  registry::env_slot(raw) = std::move(env);
  registry::add(raw);
  *envp = reinterpret_cast<OCIEnv*>(static_cast<Handle*>(raw));
  if (!nls_lang_valid()) {
    // The environment exists for OCIErrorGet(env, ..., OCI_HTYPE_ENV) only.
    raw->records.assign(1, {12705, "ORA-12705: " + ora_message(12705, {}) + "\n"});
    return OCI_ERROR;
  }
  return OCI_SUCCESS;
}

// A CLOB or NCLOB is written and read in its own character set form only:
// SQLCS_IMPLICIT for a CLOB, SQLCS_NCHAR for an NCLOB (ORA-24806 otherwise,
// as a server answers). A BLOB has no form.
void check_lob_form(const LobH& loc, ub1 csfrm) {
  if (loc.kind == Kind::Blob) return;
  if (csfrm != loc.form) raise(24806);
}

// The buffer of a LOB read or write is UTF-16 for csid OCI_UTF16ID, and for
// csid 0 in an environment created with OCI_UTF16 (0 takes the client's
// character set, which such an environment sets to UTF-16); any other csid
// is taken as UTF-8.
bool buffer_is_utf16(const EnvH& env, ub2 csid) {
  return csid == OCI_UTF16ID || (csid == 0 && env.utf16);
}

void free_child(EnvH* env, Handle* h) {
  registry::remove_tree(h);
  env->children.erase(h);
}

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
      return false;
    }
    case SQLT_STR:
      return copy_bytes(env.encode(value_text(v.kind == Kind::Blob ? Value::raw(v.bytes) : v)),
                        env.terminator(), true);
    case SQLT_CHR:
    case SQLT_AFC:
    case SQLT_LNG:
      return copy_bytes(env.encode(value_text(v.kind == Kind::Blob ? Value::raw(v.bytes) : v)), 0,
                        true);
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

int statement_type(const std::string& sql) {
  try {
    LexResult lexed = lex(sql);
    const Token& t = lexed.tokens[0];
    if (t.kind != Tok::Ident) return 0;
    static const std::pair<const char*, int> kinds[] = {
        {"SELECT", OCI_STMT_SELECT},  {"WITH", OCI_STMT_SELECT},   {"UPDATE", OCI_STMT_UPDATE},
        {"DELETE", OCI_STMT_DELETE},  {"INSERT", OCI_STMT_INSERT}, {"CREATE", OCI_STMT_CREATE},
        {"DROP", OCI_STMT_DROP},      {"ALTER", OCI_STMT_ALTER},   {"BEGIN", OCI_STMT_BEGIN},
        {"DECLARE", OCI_STMT_DECLARE}};
    for (const auto& [word, kind] : kinds)
      if (t.text == word) return kind;
  } catch (const ora_error&) {
  }
  return 0;
}

std::string fold_user(const std::string& name) {
  if (name.size() >= 2 && name.front() == '"' && name.back() == '"')
    return name.substr(1, name.size() - 2);
  std::string out = name;
  for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

}  // namespace
}  // namespace oraemb

using namespace oraemb;

OCI_EXPORT sword OCIEnvCreate(OCIEnv** envp, ub4 mode, void*, void* (*)(void*, size_t),
                              void* (*)(void*, void*, size_t), void (*)(void*, void*),
                              size_t xtramem_sz, void** usrmempp) {
  return create_env(envp, mode, false, xtramem_sz, usrmempp);
}

OCI_EXPORT sword OCIEnvNlsCreate(OCIEnv** envp, ub4 mode, void*, void* (*)(void*, size_t),
                                 void* (*)(void*, void*, size_t), void (*)(void*, void*),
                                 size_t xtramem_sz, void** usrmempp, ub2 charset, ub2) {
  return create_env(envp, mode, charset == OCI_UTF16ID, xtramem_sz, usrmempp);
}

OCI_EXPORT sword OCIHandleAlloc(const void* parenth, void** hndlpp, const ub4 type,
                                const size_t xtramem_sz, void** usrmempp) {
  EnvH* env = env_of(parenth);
  if (!env || !hndlpp) return OCI_INVALID_HANDLE;
  Handle* h = nullptr;
  switch (type) {
    case OCI_HTYPE_ERROR:
      h = adopt(env, std::make_unique<ErrorH>(), type, xtramem_sz, usrmempp);
      break;
    case OCI_HTYPE_SERVER:
      h = adopt(env, std::make_unique<ServerH>(), type, xtramem_sz, usrmempp);
      break;
    case OCI_HTYPE_SVCCTX:
      h = adopt(env, std::make_unique<SvcH>(), type, xtramem_sz, usrmempp);
      break;
    case OCI_HTYPE_STMT:
      h = adopt(env, std::make_unique<StmtH>(), type, xtramem_sz, usrmempp);
      break;
    default:
      return OCI_INVALID_HANDLE;
  }
  *hndlpp = h;
  return OCI_SUCCESS;
}

OCI_EXPORT sword OCIHandleFree(void* hndlp, const ub4 type) {
  if (type == OCI_HTYPE_ENV) {
    EnvH* env = handle_cast<EnvH>(hndlp, OCI_HTYPE_ENV);
    if (!env) return OCI_INVALID_HANDLE;
    registry::drop_env(env);
    return OCI_SUCCESS;
  }
  if (type != OCI_HTYPE_ERROR && type != OCI_HTYPE_SERVER && type != OCI_HTYPE_SVCCTX &&
      type != OCI_HTYPE_STMT)
    return OCI_INVALID_HANDLE;
  Handle* h = handle_cast<Handle>(hndlp, type);
  if (!h) return OCI_INVALID_HANDLE;
  free_child(h->env, h);
  return OCI_SUCCESS;
}

OCI_EXPORT sword OCIDescriptorAlloc(const void* parenth, void** descpp, const ub4 type,
                                    const size_t xtramem_sz, void** usrmempp) {
  EnvH* env = env_of(parenth);
  if (!env || !descpp || (type != OCI_DTYPE_LOB && type != OCI_DTYPE_TIMESTAMP))
    return OCI_INVALID_HANDLE;
  if (type == OCI_DTYPE_TIMESTAMP)
    *descpp = adopt(env, std::make_unique<DateTimeH>(), type, xtramem_sz, usrmempp);
  else
    *descpp = adopt(env, std::make_unique<LobH>(), type, xtramem_sz, usrmempp);
  return OCI_SUCCESS;
}

OCI_EXPORT sword OCIDescriptorFree(void* descp, const ub4 type) {
  if (type == OCI_DTYPE_LOB) {
    LobH* loc = handle_cast<LobH>(descp, OCI_DTYPE_LOB);
    if (!loc) return OCI_INVALID_HANDLE;
    free_child(loc->env, loc);
    return OCI_SUCCESS;
  }
  if (type == OCI_DTYPE_TIMESTAMP) {
    DateTimeH* dt = handle_cast<DateTimeH>(descp, OCI_DTYPE_TIMESTAMP);
    if (!dt) return OCI_INVALID_HANDLE;
    free_child(dt->env, dt);
    return OCI_SUCCESS;
  }
  if (type == OCI_DTYPE_PARAM) {
    // Parameter descriptors belong to their statement; freeing one is a no-op.
    return registry::valid(descp, OCI_DTYPE_PARAM) ? OCI_SUCCESS : OCI_INVALID_HANDLE;
  }
  return OCI_INVALID_HANDLE;
}

OCI_EXPORT sword OCIServerAttach(OCIServer* srvhp, OCIError* errhp, const OraText*, sb4, ub4) {
  ServerH* srv = handle_cast<ServerH>(srvhp, OCI_HTYPE_SERVER);
  if (!srv || (errhp && !registry::valid(errhp, OCI_HTYPE_ERROR))) return OCI_INVALID_HANDLE;
  srv->attached = true;
  return OCI_SUCCESS;
}

OCI_EXPORT sword OCIServerDetach(OCIServer* srvhp, OCIError*, ub4) {
  ServerH* srv = handle_cast<ServerH>(srvhp, OCI_HTYPE_SERVER);
  if (!srv) return OCI_INVALID_HANDLE;
  srv->attached = false;
  return OCI_SUCCESS;
}

OCI_EXPORT sword OCILogon(OCIEnv* envhp, OCIError* errhp, OCISvcCtx** svchp,
                          const OraText* username, ub4 uname_len, const OraText* password,
                          ub4 passwd_len, const OraText* dbname, ub4 dbname_len) {
  EnvH* env = handle_cast<EnvH>(envhp, OCI_HTYPE_ENV);
  ErrorH* err = handle_cast<ErrorH>(errhp, OCI_HTYPE_ERROR);
  if (!env || !err || !svchp) return OCI_INVALID_HANDLE;
  return guarded(err, __func__, [&] {
    std::string user = fold_user(env->decode(username, uname_len));
    std::string pwd = env->decode(password, passwd_len);
    std::string db = env->decode(dbname, dbname_len);
    if (user.empty()) raise(1017);
    if (pwd.empty()) raise(1005);
    if (tracing()) trace_line("OCILogon user=" + user + " connect=" + db);
    ServiceTarget target = ConnectConfig::load().resolve(db);
    auto session = Session::logon(target, user, pwd);
    session->costs().round_trip(SessionCosts::Logon);
    // Like Oracle, OCILogon allocates its own service context (with server
    // and session) and stores it over the caller's.
    SvcH* svc = adopt(env, std::make_unique<SvcH>(), OCI_HTYPE_SVCCTX, 0, nullptr);
    svc->session = std::move(session);
    svc->server = adopt(env, std::make_unique<ServerH>(), OCI_HTYPE_SERVER, 0, nullptr);
    svc->server->attached = true;
    *svchp = reinterpret_cast<OCISvcCtx*>(static_cast<Handle*>(svc));
    if (target.password_grace_days > 0) {
      // An account in its grace period logs on with a warning.
      set_error(err, 28002, ora_message(28002, {std::to_string(target.password_grace_days)}));
      return OCI_SUCCESS_WITH_INFO;
    }
    return OCI_SUCCESS;
  });
}

OCI_EXPORT sword OCILogoff(OCISvcCtx* svchp, OCIError* errhp) {
  SvcH* svc = handle_cast<SvcH>(svchp, OCI_HTYPE_SVCCTX);
  ErrorH* err = handle_cast<ErrorH>(errhp, OCI_HTYPE_ERROR);
  if (!svc) return OCI_INVALID_HANDLE;
  return guarded(err, __func__, [&] {
    if (svc->session) {
      svc->session->costs().round_trip(SessionCosts::Logoff);
      if (tracing()) trace_line("session statistics: " + svc->session->costs().summary());
      svc->session->logoff();  // ending the session commits
    }
    EnvH* env = svc->env;
    if (svc->server) free_child(env, svc->server);
    free_child(env, svc);
    return OCI_SUCCESS;
  });
}

OCI_EXPORT sword OCIErrorGet(void* hndlp, ub4 recordno, OraText*, sb4* errcodep, OraText* bufp,
                             ub4 bufsiz, ub4 type) {
  if (type != OCI_HTYPE_ERROR && type != OCI_HTYPE_ENV) return OCI_INVALID_HANDLE;
  if (!registry::valid(hndlp, type)) return OCI_INVALID_HANDLE;
  Handle* h = static_cast<Handle*>(hndlp);
  const std::vector<ErrorH::Record>& records =
      type == OCI_HTYPE_ENV ? static_cast<EnvH*>(h)->records : static_cast<ErrorH*>(h)->records;
  if (recordno < 1 || recordno > records.size()) return OCI_NO_DATA;
  const auto& rec = records[recordno - 1];
  const EnvH* env = h->env;
  if (errcodep) *errcodep = rec.code;
  if (bufp && bufsiz > 0) {
    std::string bytes = env->encode(rec.text);
    size_t term = env->terminator();
    size_t room = bufsiz >= term ? bufsiz - term : 0;
    if (env->utf16) room -= room % 2;
    size_t n = std::min(bytes.size(), room);
    if (env->utf16 && n % 2) --n;
    std::memcpy(bufp, bytes.data(), n);
    if (bufsiz >= n + term) std::memset(bufp + n, 0, term);
  }
  return OCI_SUCCESS;
}

OCI_EXPORT sword OCIAttrSet(void* trgthndlp, ub4 trghndltyp, void* attributep, ub4, ub4 attrtype,
                            OCIError* errhp) {
  if (!registry::valid(trgthndlp, trghndltyp)) return OCI_INVALID_HANDLE;
  ErrorH* err = handle_cast<ErrorH>(errhp, OCI_HTYPE_ERROR);
  return guarded(err, __func__, [&] {
    if (trghndltyp == OCI_HTYPE_SVCCTX && attrtype == OCI_ATTR_SERVER) {
      SvcH* svc = static_cast<SvcH*>(static_cast<Handle*>(trgthndlp));
      svc->server = handle_cast<ServerH>(attributep, OCI_HTYPE_SERVER);
      return OCI_SUCCESS;
    }
    if (trghndltyp == OCI_HTYPE_STMT &&
        (attrtype == OCI_ATTR_PREFETCH_ROWS || attrtype == OCI_ATTR_PREFETCH_MEMORY))
      return OCI_SUCCESS;
    if (trghndltyp == OCI_HTYPE_BIND && attributep) {
      BindH* b = static_cast<BindH*>(static_cast<Handle*>(trgthndlp));
      switch (attrtype) {
        case OCI_ATTR_CHARSET_ID:
          b->charset_id = *static_cast<const ub2*>(attributep);
          return OCI_SUCCESS;
        case OCI_ATTR_CHARSET_FORM: {
          const ub1 form = *static_cast<const ub1*>(attributep);
          if (form != SQLCS_IMPLICIT && form != SQLCS_NCHAR) raise(1460);
          b->charset_form = form;
          return OCI_SUCCESS;
        }
        case 33:  // OCI_ATTR_MAXDATA_SIZE: a server-side limit the engine does not need
          return OCI_SUCCESS;
      }
    }
    raise(24315);
  });
}

OCI_EXPORT sword OCIAttrGet(const void* trgthndlp, ub4 trghndltyp, void* attributep, ub4* sizep,
                            ub4 attrtype, OCIError* errhp) {
  ub4 type = trghndltyp == OCI_HTYPE_DESCRIBE ? OCI_DTYPE_PARAM : trghndltyp;
  if (!registry::valid(trgthndlp, type) || !attributep) return OCI_INVALID_HANDLE;
  ErrorH* err = handle_cast<ErrorH>(errhp, OCI_HTYPE_ERROR);
  Handle* h = const_cast<Handle*>(static_cast<const Handle*>(trgthndlp));
  auto put_ub4 = [&](ub4 v) {
    *static_cast<ub4*>(attributep) = v;
    if (sizep) *sizep = sizeof(ub4);
  };
  auto put_ub2 = [&](ub2 v) {
    *static_cast<ub2*>(attributep) = v;
    if (sizep) *sizep = sizeof(ub2);
  };
  auto put_ub1 = [&](ub1 v) {
    *static_cast<ub1*>(attributep) = v;
    if (sizep) *sizep = sizeof(ub1);
  };
  return guarded(err, __func__, [&] {
    if (type == OCI_HTYPE_STMT) {
      StmtH* st = static_cast<StmtH*>(h);
      switch (attrtype) {
        case OCI_ATTR_PARAM_COUNT:
          put_ub4(static_cast<ub4>(st->columns.size()));
          return OCI_SUCCESS;
        case OCI_ATTR_ROW_COUNT:
          put_ub4(static_cast<ub4>(st->row_count));
          return OCI_SUCCESS;
        case OCI_ATTR_STMT_TYPE:
          put_ub2(static_cast<ub2>(statement_type(st->sql)));
          return OCI_SUCCESS;
        case OCI_ATTR_NUM_DML_ERRORS:
          put_ub4(st->dml_errors);
          return OCI_SUCCESS;
      }
    } else if (type == OCI_DTYPE_PARAM) {
      ParamH* p = static_cast<ParamH*>(h);
      const OraType& t = p->desc.type;
      switch (attrtype) {
        case OCI_ATTR_DATA_TYPE:
          put_ub2(static_cast<ub2>(t.type_code()));
          return OCI_SUCCESS;
        case OCI_ATTR_DATA_SIZE:
          put_ub2(static_cast<ub2>(
              t.data_size(p->profile.database_char_bytes(), p->profile.nchar_char_bytes())));
          return OCI_SUCCESS;
        case OCI_ATTR_NAME:
          *static_cast<const void**>(attributep) = p->name_bytes.data();
          if (sizep) *sizep = static_cast<ub4>(p->name_bytes.size());
          return OCI_SUCCESS;
        case OCI_ATTR_PRECISION:
          *static_cast<sb2*>(attributep) = static_cast<sb2>(t.describe_precision());
          if (sizep) *sizep = sizeof(sb2);
          return OCI_SUCCESS;
        case OCI_ATTR_SCALE:
          *static_cast<sb1*>(attributep) = static_cast<sb1>(t.describe_scale());
          if (sizep) *sizep = sizeof(sb1);
          return OCI_SUCCESS;
        case OCI_ATTR_IS_NULL:
          put_ub1(t.nullable ? 1 : 0);
          return OCI_SUCCESS;
        case OCI_ATTR_CHARSET_FORM:
          put_ub1(static_cast<ub1>(t.charset_form()));
          return OCI_SUCCESS;
        case OCI_ATTR_CHARSET_ID:
          put_ub2(static_cast<ub2>(t.charset_form() == 2   ? p->profile.nchar_charset_id()
                                   : t.charset_form() == 1 ? p->profile.database_charset_id()
                                                           : 0));
          return OCI_SUCCESS;
        case OCI_ATTR_CHAR_USED:
          put_ub1(t.char_semantics ? 1 : 0);
          return OCI_SUCCESS;
        case OCI_ATTR_CHAR_SIZE:
          put_ub2(static_cast<ub2>(t.is_character() ? t.length : 0));
          return OCI_SUCCESS;
      }
    } else if (type == OCI_HTYPE_BIND && attrtype == OCI_ATTR_ROWS_RETURNED) {
      put_ub4(static_cast<BindH*>(h)->rows_returned);
      return OCI_SUCCESS;
    } else if (type == OCI_HTYPE_ENV && attrtype == OCI_ATTR_ENV_UTF16) {
      put_ub1(static_cast<EnvH*>(h)->utf16 ? 1 : 0);
      return OCI_SUCCESS;
    } else if (type == OCI_DTYPE_LOB && attrtype == OCI_ATTR_LOBEMPTY) {
      LobH* loc = static_cast<LobH*>(h);
      put_ub4(loc->valid ? 0 : 1);
      return OCI_SUCCESS;
    } else if (type == OCI_HTYPE_ERROR && attrtype == OCI_ATTR_DML_ROW_OFFSET) {
      put_ub4(static_cast<ErrorH*>(h)->row_offset);
      return OCI_SUCCESS;
    } else if (type == OCI_HTYPE_ERROR && attrtype == OCI_ATTR_PARSE_ERROR_OFFSET) {
      put_ub2(0);
      return OCI_SUCCESS;
    } else if (type == OCI_HTYPE_SVCCTX && attrtype == OCI_ATTR_MAX_IDENTIFIER_LEN) {
      // A 12.2 and later client: the limit of the session's COMPATIBLE.
      SvcH* svc = static_cast<SvcH*>(h);
      if (!svc->session) raise(3114);
      put_ub1(static_cast<ub1>(svc->session->profile().identifier_limit()));
      return OCI_SUCCESS;
    } else if (type == OCI_HTYPE_SVCCTX && attrtype == OCI_ATTR_SERVER) {
      *static_cast<void**>(attributep) = static_cast<SvcH*>(h)->server;
      if (sizep) *sizep = sizeof(void*);
      return OCI_SUCCESS;
    }
    raise(24315);
  });
}

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
    const bool dml = is_dml(*parsed);
    bool query = parsed->kind == StmtKind::Select;
    if (batch_errors && !dml) raise(28714);
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
        try {
          affected += session.execute(*parsed, row_options, &binds, on_rowid).row_count;
        } catch (const ora_error& e) {
          if (!batch_errors) {
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
      if (options.commit_on_success) session.commit();
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
    if (position == 0) raise(3001);  // ROWID define at position 0
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

OCI_EXPORT sword OCITransCommit(OCISvcCtx* svchp, OCIError* errhp, ub4) {
  SvcH* svc = handle_cast<SvcH>(svchp, OCI_HTYPE_SVCCTX);
  ErrorH* err = handle_cast<ErrorH>(errhp, OCI_HTYPE_ERROR);
  if (!svc || !err) return OCI_INVALID_HANDLE;
  return guarded(err, __func__, [&] {
    if (!svc->session) raise(3114);
    svc->session->costs().round_trip(SessionCosts::Commit);
    svc->session->commit();
    return OCI_SUCCESS;
  });
}

OCI_EXPORT sword OCITransRollback(OCISvcCtx* svchp, OCIError* errhp, ub4) {
  SvcH* svc = handle_cast<SvcH>(svchp, OCI_HTYPE_SVCCTX);
  ErrorH* err = handle_cast<ErrorH>(errhp, OCI_HTYPE_ERROR);
  if (!svc || !err) return OCI_INVALID_HANDLE;
  return guarded(err, __func__, [&] {
    if (!svc->session) raise(3114);
    svc->session->costs().round_trip(SessionCosts::Rollback);
    svc->session->rollback();
    return OCI_SUCCESS;
  });
}

OCI_EXPORT sword OCIServerVersion(void* hndlp, OCIError* errhp, OraText* bufp, ub4 bufsz,
                                  ub1 hndltype) {
  if (!registry::valid(hndlp, hndltype) || !bufp) return OCI_INVALID_HANDLE;
  Handle* h = static_cast<Handle*>(hndlp);
  std::string banner = "Oracle Database 19c Enterprise Edition Release 19.0.0.0.0 - Production";
  if (hndltype == OCI_HTYPE_SVCCTX && static_cast<SvcH*>(h)->session) {
    static_cast<SvcH*>(h)->session->costs().round_trip(SessionCosts::Version);
    banner = static_cast<SvcH*>(h)->session->banner();
  }
  std::string bytes = h->env->encode(banner);
  size_t term = h->env->terminator();
  size_t n = std::min(bytes.size(), bufsz >= term ? bufsz - term : 0);
  std::memcpy(bufp, bytes.data(), n);
  if (bufsz >= n + term) std::memset(bufp + n, 0, term);
  (void)errhp;
  return OCI_SUCCESS;
}

namespace {
// Checks a locator against the session and transaction rules of LOB writes.
LobH* usable_locator(SvcH* svc, OCILobLocator* locp) {
  LobH* loc = handle_cast<LobH>(locp, OCI_DTYPE_LOB);
  if (!loc) return nullptr;
  if (!loc->valid || loc->ref.table_obj == 0 || loc->session != svc->session.get()) raise(22275);
  return loc;
}
}  // namespace

OCI_EXPORT sword OCILobWrite(OCISvcCtx* svchp, OCIError* errhp, OCILobLocator* locp, ub4* amtp,
                             ub4 offset, void* bufp, ub4 buflen, ub1 piece, void*,
                             OCICallbackLobWrite, ub2 csid, ub1 csfrm) {
  SvcH* svc = handle_cast<SvcH>(svchp, OCI_HTYPE_SVCCTX);
  ErrorH* err = handle_cast<ErrorH>(errhp, OCI_HTYPE_ERROR);
  if (!svc || !err || !registry::valid(locp, OCI_DTYPE_LOB)) return OCI_INVALID_HANDLE;
  return guarded(err, __func__, [&] {
    if (!svc->session) raise(3114);
    svc->session->costs().round_trip(SessionCosts::LobWrite);
    LobH* loc = usable_locator(svc, locp);
    if (!amtp || !bufp || offset < 1 || piece != OCI_ONE_PIECE) raise(24801);
    check_lob_form(*loc, csfrm);
    if (!loc->ref.for_update) raise(22920);
    if (loc->txn != svc->session->transaction_id()) raise(22990);
    svc->session->begin_lob_write();
    auto current = svc->session->lob_read(loc->ref, loc->kind);
    if (!current) raise(22275);
    ub4 amount = *amtp;
    if (loc->kind == Kind::Blob) {
      if (buflen < amount) raise(24801);
      std::string data = current->bytes;
      size_t at = offset - 1;
      if (data.size() < at) data.resize(at, '\0');  // a gap is zero-filled
      std::string piece_bytes(static_cast<const char*>(bufp), amount);
      data.replace(at, std::min(data.size() - at, piece_bytes.size()), piece_bytes);
      svc->session->lob_write(loc->ref, loc->kind, data);
    } else {
      // CLOB amounts and offsets count characters: UTF-16 code units in a
      // UTF-16 environment, where the buffer must hold 2 bytes per character.
      std::u16string text = utf8_to_utf16(current->bytes);
      std::u16string chunk;
      if (buffer_is_utf16(*svc->env, csid)) {
        if (static_cast<uint64_t>(buflen) < 2ULL * amount) raise(24801);
        chunk.assign(amount, u'\0');
        std::memcpy(chunk.data(), bufp, 2ULL * amount);
      } else {
        if (buflen < amount) raise(24801);
        chunk = utf8_to_utf16(std::string(static_cast<const char*>(bufp), buflen));
        chunk.resize(std::min<size_t>(chunk.size(), amount));
      }
      size_t at = offset - 1;
      if (text.size() < at) text.resize(at, u' ');  // a gap is filled with blanks
      text.replace(at, std::min(text.size() - at, chunk.size()), chunk);
      std::string stored = utf16_to_utf8(text);
      // A CLOB holds what the database character set holds; an NCLOB keeps
      // every character.
      if (loc->form != SQLCS_NCHAR)
        stored = to_charset_repertoire(stored, svc->session->profile().database_charset);
      svc->session->lob_write(loc->ref, loc->kind, stored);
      amount = static_cast<ub4>(chunk.size());
    }
    *amtp = amount;
    return OCI_SUCCESS;
  });
}

OCI_EXPORT sword OCILobRead(OCISvcCtx* svchp, OCIError* errhp, OCILobLocator* locp, ub4* amtp,
                            ub4 offset, void* bufp, ub4 bufl, void*, OCICallbackLobRead, ub2 csid,
                            ub1 csfrm) {
  SvcH* svc = handle_cast<SvcH>(svchp, OCI_HTYPE_SVCCTX);
  ErrorH* err = handle_cast<ErrorH>(errhp, OCI_HTYPE_ERROR);
  if (!svc || !err || !registry::valid(locp, OCI_DTYPE_LOB)) return OCI_INVALID_HANDLE;
  return guarded(err, __func__, [&]() -> sword {
    if (!svc->session) raise(3114);
    svc->session->costs().round_trip(SessionCosts::LobRead);
    LobH* loc = usable_locator(svc, locp);
    if (!amtp || !bufp || offset < 1) raise(24801);
    check_lob_form(*loc, csfrm);
    auto current = svc->session->lob_read(loc->ref, loc->kind);
    if (!current) raise(22275);
    size_t at = offset - 1;
    if (loc->kind == Kind::Blob) {
      const std::string& data = current->bytes;
      if (at >= data.size()) {
        *amtp = 0;
        return OCI_NO_DATA;
      }
      size_t want = *amtp == 0 ? data.size() - at : std::min<size_t>(*amtp, data.size() - at);
      size_t n = std::min<size_t>(want, bufl);
      std::memcpy(bufp, data.data() + at, n);
      *amtp = static_cast<ub4>(n);
      return n < want ? OCI_NEED_DATA : OCI_SUCCESS;
    }
    std::u16string text = utf8_to_utf16(current->bytes);
    if (at >= text.size()) {
      *amtp = 0;
      return OCI_NO_DATA;
    }
    size_t want = *amtp == 0 ? text.size() - at : std::min<size_t>(*amtp, text.size() - at);
    size_t n = 0;
    if (buffer_is_utf16(*svc->env, csid)) {
      n = std::min<size_t>(want, bufl / 2);
      std::memcpy(bufp, text.data() + at, n * 2);
    } else {
      // UTF-8 client: whole characters that fit into the buffer.
      std::string out;
      for (size_t k = 0; k < want; ++k) {
        std::string one = utf16_to_utf8(text.data() + at + k, 1);
        if (out.size() + one.size() > bufl) break;
        out += one;
        ++n;
      }
      std::memcpy(bufp, out.data(), out.size());
    }
    *amtp = static_cast<ub4>(n);
    return n < want ? OCI_NEED_DATA : OCI_SUCCESS;
  });
}

OCI_EXPORT sword OCILobGetLength(OCISvcCtx* svchp, OCIError* errhp, OCILobLocator* locp,
                                 ub4* lenp) {
  SvcH* svc = handle_cast<SvcH>(svchp, OCI_HTYPE_SVCCTX);
  ErrorH* err = handle_cast<ErrorH>(errhp, OCI_HTYPE_ERROR);
  if (!svc || !err || !registry::valid(locp, OCI_DTYPE_LOB)) return OCI_INVALID_HANDLE;
  return guarded(err, __func__, [&] {
    if (!svc->session) raise(3114);
    svc->session->costs().round_trip(SessionCosts::LobLength);
    LobH* loc = usable_locator(svc, locp);
    auto current = svc->session->lob_read(loc->ref, loc->kind);
    if (!current) raise(22275);
    if (lenp)
      *lenp = static_cast<ub4>(loc->kind == Kind::Blob ? current->bytes.size()
                                                       : utf16_length(current->bytes));
    return OCI_SUCCESS;
  });
}

OCI_EXPORT sword OCILobCharSetForm(OCIEnv* envhp, OCIError* errhp, const OCILobLocator* locp,
                                   ub1* csfrm) {
  if (!registry::valid(envhp, OCI_HTYPE_ENV) || !csfrm) return OCI_INVALID_HANDLE;
  const LobH* loc = handle_cast<LobH>(locp, OCI_DTYPE_LOB);
  if (!loc) return OCI_INVALID_HANDLE;
  (void)errhp;
  *csfrm = static_cast<ub1>(loc->kind == Kind::Blob ? 0 : loc->form);
  return OCI_SUCCESS;
}

OCI_EXPORT sword OCIDateTimeGetDate(void* hndl, OCIError* err, const OCIDateTime* date, sb2* yr,
                                    ub1* mnth, ub1* dy) {
  (void)err;
  if (!env_of(hndl) || !yr || !mnth || !dy) return OCI_INVALID_HANDLE;
  const DateTimeH* dt = handle_cast<DateTimeH>(date, OCI_DTYPE_TIMESTAMP);
  if (!dt) return OCI_INVALID_HANDLE;
  *yr = static_cast<sb2>(dt->value.year);
  *mnth = static_cast<ub1>(dt->value.month);
  *dy = static_cast<ub1>(dt->value.day);
  return OCI_SUCCESS;
}

OCI_EXPORT sword OCIDateTimeGetTime(void* hndl, OCIError* err, OCIDateTime* datetime, ub1* hr,
                                    ub1* mm, ub1* ss, ub4* fsec) {
  (void)err;
  if (!env_of(hndl) || !hr || !mm || !ss || !fsec) return OCI_INVALID_HANDLE;
  const DateTimeH* dt = handle_cast<DateTimeH>(datetime, OCI_DTYPE_TIMESTAMP);
  if (!dt) return OCI_INVALID_HANDLE;
  *hr = static_cast<ub1>(dt->value.hour);
  *mm = static_cast<ub1>(dt->value.minute);
  *ss = static_cast<ub1>(dt->value.second);
  *fsec = static_cast<ub4>(dt->value.nanos);
  return OCI_SUCCESS;
}

OCI_EXPORT sword OCIDateTimeConstruct(void* hndl, OCIError* errhp, OCIDateTime* datetime, sb2 yr,
                                      ub1 mnth, ub1 dy, ub1 hr, ub1 mm, ub1 ss, ub4 fsec, OraText*,
                                      size_t) {
  ErrorH* err = handle_cast<ErrorH>(errhp, OCI_HTYPE_ERROR);
  if (!env_of(hndl) || !err) return OCI_INVALID_HANDLE;
  DateTimeH* dt = handle_cast<DateTimeH>(datetime, OCI_DTYPE_TIMESTAMP);
  if (!dt) return OCI_INVALID_HANDLE;
  return guarded(err, __func__, [&] {
    if (yr < -4712 || yr > 9999 || yr == 0) raise(1841);
    if (mnth < 1 || mnth > 12) raise(1843);
    if (dy < 1 || dy > days_in_month(yr, mnth)) raise(1847);
    if (hr > 23) raise(1850);
    if (mm > 59) raise(1851);
    if (ss > 59) raise(1852);
    if (fsec > 999999999) raise(1880);
    OraDate d;
    d.year = yr;
    d.month = mnth;
    d.day = dy;
    d.hour = hr;
    d.minute = mm;
    d.second = ss;
    d.nanos = static_cast<int>(fsec);
    d.precision = 9;
    dt->value = d;
    return OCI_SUCCESS;
  });
}

OCI_EXPORT sword OCILobCharSetId(OCIEnv* envhp, OCIError* errhp, const OCILobLocator* locp,
                                 ub2* csid) {
  if (!registry::valid(envhp, OCI_HTYPE_ENV) || !csid) return OCI_INVALID_HANDLE;
  const LobH* loc = handle_cast<LobH>(locp, OCI_DTYPE_LOB);
  if (!loc) return OCI_INVALID_HANDLE;
  (void)errhp;
  *csid = loc->kind == Kind::Blob ? 0 : loc->form == SQLCS_NCHAR ? 2000 : 873;
  return OCI_SUCCESS;
}
