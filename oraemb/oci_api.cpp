// The exported OCI entry points of the environment and the session: handle
// and descriptor allocation, server attach, logon, errors, attributes and
// transactions. Statements are in oci_statements.cpp, LOBs and datetime
// descriptors in oci_lobs.cpp. Each body validates its handles (unknown or
// wrong-type pointers give OCI_INVALID_HANDLE), runs inside guarded() so that
// no C++ exception crosses the C boundary, and records Oracle errors in the
// error handle in the "ORA-NNNNN: text" form (oci_entry.h).
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

void free_child(EnvH* env, Handle* h) {
  registry::remove_tree(h);
  env->children.erase(h);
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
    // A user name is an identifier: its length has the release's limit.
    if (user.size() > target.profile.identifier_limit()) raise(972);
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
        case OCI_ATTR_MAXDATA_SIZE:
          b->max_data_size = *static_cast<const ub4*>(attributep);
          return OCI_SUCCESS;
      }
    }
    if (trghndltyp == OCI_HTYPE_DEFINE && attributep) {
      DefineH* d = static_cast<DefineH*>(static_cast<Handle*>(trgthndlp));
      switch (attrtype) {
        case OCI_ATTR_CHARSET_ID:
          return OCI_SUCCESS;  // the environment's UTF-16 is the only client set
        case OCI_ATTR_CHARSET_FORM: {
          const ub1 form = *static_cast<const ub1*>(attributep);
          if (form != SQLCS_IMPLICIT && form != SQLCS_NCHAR) raise(1460);
          d->charset_form = form;
          return OCI_SUCCESS;
        }
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
        case OCI_ATTR_UB8_ROW_COUNT:
          *static_cast<ub8*>(attributep) = static_cast<ub8>(st->row_count);
          if (sizep) *sizep = sizeof(ub8);
          return OCI_SUCCESS;
        case OCI_ATTR_DML_ROW_COUNT_ARRAY:
          // The statement's own array: valid until its next execute.
          *static_cast<ub8**>(attributep) =
              st->row_counts.empty() ? nullptr : st->row_counts.data();
          if (sizep) *sizep = static_cast<ub4>(st->row_counts.size());
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

namespace {
// The release in a banner ("... Release 19.0.0.0.0 ..."), packed as
// OCIServerRelease hands it out; the profile's major and minor without one.
ub4 packed_release(const std::string& banner, int profile_version) {
  int parts[5] = {profile_version / 10, profile_version % 10, 0, 0, 0};
  const size_t at = banner.find("Release ");
  if (at != std::string::npos) {
    const char* p = banner.c_str() + at + 8;
    for (int k = 0; k < 5 && std::isdigit(static_cast<unsigned char>(*p)); ++k) {
      parts[k] = static_cast<int>(std::strtol(p, const_cast<char**>(&p), 10));
      if (*p == '.') ++p;
    }
  }
  return static_cast<ub4>((parts[0] & 0xFF) << 24 | (parts[1] & 0x0F) << 20 |
                          (parts[2] & 0xFF) << 12 | (parts[3] & 0x0F) << 8 | (parts[4] & 0xFF));
}
}  // namespace

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

OCI_EXPORT sword OCIServerRelease(void* hndlp, OCIError* errhp, OraText* bufp, ub4 bufsz,
                                  ub1 hndltype, ub4* version) {
  const sword status = OCIServerVersion(hndlp, errhp, bufp, bufsz, hndltype);
  if (status != OCI_SUCCESS || !version) return status;
  const Handle* h = static_cast<const Handle*>(hndlp);
  *version = 0;
  if (hndltype == OCI_HTYPE_SVCCTX && static_cast<const SvcH*>(h)->session) {
    const Session& session = *static_cast<const SvcH*>(h)->session;
    *version = packed_release(session.banner(), session.profile().version);
  } else {
    *version = packed_release("Release 19.0.0.0.0", 190);
  }
  return OCI_SUCCESS;
}
