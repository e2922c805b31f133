// OCI calls of the SQL client: library loading, logon and statements with
// every column defined as text (dates as 7-byte DATE, LOBs through
// locators, shortened for display unless asked otherwise).
#include "oraemb/client/oci_client.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "oraemb/ora_date.h"

// The OCI functions the client calls, in one list for the table and its loader.
#define OCI_CLIENT_FUNCTIONS(OCI_FN) \
  OCI_FN(OCIEnvCreate)               \
  OCI_FN(OCIHandleAlloc)             \
  OCI_FN(OCIHandleFree)              \
  OCI_FN(OCIAttrGet)                 \
  OCI_FN(OCILogon)                   \
  OCI_FN(OCILogoff)                  \
  OCI_FN(OCIErrorGet)                \
  OCI_FN(OCIStmtPrepare)             \
  OCI_FN(OCIStmtExecute)             \
  OCI_FN(OCIStmtFetch)               \
  OCI_FN(OCIParamGet)                \
  OCI_FN(OCIDefineByPos)             \
  OCI_FN(OCIDescriptorAlloc)         \
  OCI_FN(OCIDescriptorFree)          \
  OCI_FN(OCILobRead)                 \
  OCI_FN(OCILobGetLength)            \
  OCI_FN(OCILobCharSetForm)          \
  OCI_FN(OCITransRollback)

namespace oraemb_client {

struct OciClient::Api {
#define OCI_FN(name) decltype(&::name) name = nullptr;
  OCI_CLIENT_FUNCTIONS(OCI_FN)
#undef OCI_FN
};

namespace {

std::string program_dir() {
  char path[4096];
  ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  if (n <= 0) return ".";
  std::string p(path, static_cast<size_t>(n));
  size_t slash = p.rfind('/');
  return slash == std::string::npos ? "." : p.substr(0, slash);
}

std::string library_path(const std::string& given) {
  if (!given.empty()) return given;
  const char* env = std::getenv("TARVEL_OCI_LIB");
  std::string value = env ? env : "";
  if (!value.empty() && value != "embedded") return value;
  // Beside the program in a build tree; in lib/tarvel of an installation.
  const std::string beside = program_dir() + "/liboraemb.so";
  const std::string installed = program_dir() + "/../lib/tarvel/liboraemb.so";
  if (access(beside.c_str(), F_OK) != 0 && access(installed.c_str(), F_OK) == 0) return installed;
  return beside;
}

std::string hex(const unsigned char* data, size_t n) {
  static const char digits[] = "0123456789ABCDEF";
  std::string out;
  for (size_t k = 0; k < n; ++k) {
    out += digits[data[k] >> 4];
    out += digits[data[k] & 15];
  }
  return out;
}

// Handles the client allocates per statement, freed on every path.
struct Owned {
  std::function<void()> free;
  ~Owned() {
    if (free) free();
  }
};

}  // namespace

OciClient::OciClient(std::string library) : api_(std::make_unique<Api>()) {
  std::string path = library_path(library);
  library_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!library_) {
    const char* why = dlerror();
    throw OciClientError(0, "cannot load the OCI library " + path + ": " + (why ? why : ""));
  }
  auto resolve = [&](const char* name) {
    void* symbol = dlsym(library_, name);
    if (!symbol) throw OciClientError(0, path + " has no function " + name);
    return symbol;
  };
#define OCI_FN(name) api_->name = reinterpret_cast<decltype(api_->name)>(resolve(#name));
  OCI_CLIENT_FUNCTIONS(OCI_FN)
#undef OCI_FN
  if (api_->OCIEnvCreate(&env_, OCI_DEFAULT, nullptr, nullptr, nullptr, nullptr, 0, nullptr) !=
          OCI_SUCCESS ||
      api_->OCIHandleAlloc(env_, reinterpret_cast<void**>(&err_), OCI_HTYPE_ERROR, 0, nullptr) !=
          OCI_SUCCESS)
    throw OciClientError(0, "cannot create the OCI environment");
}

OciClient::~OciClient() {
  if (svc_) logoff();
  if (env_) api_->OCIHandleFree(env_, OCI_HTYPE_ENV);
  // The library stays loaded: nothing it allocated is used after this.
}

void OciClient::fail(sword status) {
  sb4 code = 0;
  unsigned char text[1024] = {};
  if (status == OCI_INVALID_HANDLE) throw OciClientError(0, "invalid OCI handle");
  api_->OCIErrorGet(err_, 1, nullptr, &code, text, sizeof text, OCI_HTYPE_ERROR);
  std::string message(reinterpret_cast<char*>(text));
  while (!message.empty() && (message.back() == '\n' || message.back() == ' ')) message.pop_back();
  throw OciClientError(code, message);
}

void OciClient::check(sword status) {
  if (status != OCI_SUCCESS && status != OCI_SUCCESS_WITH_INFO && status != OCI_NO_DATA)
    fail(status);
}

void OciClient::logon(const std::string& user, const std::string& password,
                      const std::string& connect) {
  auto text = [](const std::string& s) { return reinterpret_cast<const OraText*>(s.data()); };
  check(api_->OCILogon(env_, err_, &svc_, text(user), static_cast<ub4>(user.size()), text(password),
                       static_cast<ub4>(password.size()), text(connect),
                       static_cast<ub4>(connect.size())));
}

void OciClient::logoff() {
  OCISvcCtx* svc = svc_;
  svc_ = nullptr;
  if (svc) check(api_->OCILogoff(svc, err_));
}

void OciClient::rollback() {
  if (svc_) check(api_->OCITransRollback(svc_, err_, OCI_DEFAULT));
}

std::string OciClient::lob_text(OCILobLocator* loc, bool blob) {
  ub4 length = 0;
  check(api_->OCILobGetLength(svc_, err_, loc, &length));
  size_t want = lobs.full ? length : std::min<size_t>(length, lobs.width);
  std::string data;
  std::vector<unsigned char> buf(65536);
  // An NCLOB is read in its own form (SQLCS_NCHAR).
  ub1 form = 0;
  if (!blob) check(api_->OCILobCharSetForm(env_, err_, loc, &form));
  size_t done = 0;  // characters (CLOB) or bytes (BLOB) read
  while (done < want) {
    ub4 amount = static_cast<ub4>(std::min<size_t>(want - done, 8192));
    sword status =
        api_->OCILobRead(svc_, err_, loc, &amount, static_cast<ub4>(done + 1), buf.data(),
                         static_cast<ub4>(buf.size()), nullptr, nullptr, 0, blob ? 0 : form);
    if (status == OCI_NO_DATA || amount == 0) break;
    if (status != OCI_SUCCESS && status != OCI_NEED_DATA) fail(status);
    if (blob) {
      data += hex(buf.data(), amount);
    } else {
      // The amount counts characters; their UTF-8 bytes are counted here.
      size_t bytes = 0;
      for (ub4 chars = 0; chars < amount && bytes < buf.size(); ++chars) {
        unsigned char c = buf[bytes];
        bytes += c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
      }
      data.append(reinterpret_cast<char*>(buf.data()), std::min(bytes, buf.size()));
    }
    done += amount;
  }
  if (want < length) {
    char tail[64];
    std::snprintf(tail, sizeof tail, "... (%u %s)", length, blob ? "bytes" : "characters");
    data += tail;
  }
  return data;
}

OciClient::Outcome OciClient::run(const std::string& sql,
                                  const std::function<void(const std::vector<Column>&)>& header,
                                  const std::function<bool(const std::vector<Cell>&)>& row) {
  if (!svc_) throw OciClientError(3114, "ORA-03114: not connected to ORACLE");
  OCIStmt* stmt = nullptr;
  check(api_->OCIHandleAlloc(env_, reinterpret_cast<void**>(&stmt), OCI_HTYPE_STMT, 0, nullptr));
  std::vector<OCILobLocator*> locators;
  Owned owned{[&] {
    for (OCILobLocator* loc : locators)
      if (loc) api_->OCIDescriptorFree(loc, OCI_DTYPE_LOB);
    api_->OCIHandleFree(stmt, OCI_HTYPE_STMT);
  }};
  check(api_->OCIStmtPrepare(stmt, err_, reinterpret_cast<const OraText*>(sql.data()),
                             static_cast<ub4>(sql.size()), OCI_NTV_SYNTAX, OCI_DEFAULT));
  Outcome outcome;
  ub4 size = 0;
  api_->OCIAttrGet(stmt, OCI_HTYPE_STMT, &outcome.statement_type, &size, OCI_ATTR_STMT_TYPE, err_);
  outcome.query = outcome.statement_type == OCI_STMT_SELECT;
  if (!outcome.query) {
    check(api_->OCIStmtExecute(svc_, stmt, err_, 1, 0, nullptr, nullptr, OCI_DEFAULT));
    ub4 count = 0;
    api_->OCIAttrGet(stmt, OCI_HTYPE_STMT, &count, &size, OCI_ATTR_ROW_COUNT, err_);
    outcome.rows = count;
    return outcome;
  }
  check(api_->OCIStmtExecute(svc_, stmt, err_, 0, 0, nullptr, nullptr, OCI_DEFAULT));
  ub4 count = 0;
  check(api_->OCIAttrGet(stmt, OCI_HTYPE_STMT, &count, &size, OCI_ATTR_PARAM_COUNT, err_));
  std::vector<Column> columns(count);
  struct Slot {
    std::vector<char> buf;
    sb2 ind = 0;
    ub2 len = 0;
  };
  std::vector<Slot> slots(count);
  locators.assign(count, nullptr);
  for (ub4 k = 0; k < count; ++k) {
    void* param = nullptr;
    check(api_->OCIParamGet(stmt, OCI_HTYPE_STMT, err_, &param, k + 1));
    check(api_->OCIAttrGet(param, OCI_DTYPE_PARAM, &columns[k].type, &size, OCI_ATTR_DATA_TYPE,
                           err_));
    OraText* name = nullptr;
    ub4 name_len = 0;
    check(api_->OCIAttrGet(param, OCI_DTYPE_PARAM, &name, &name_len, OCI_ATTR_NAME, err_));
    columns[k].name.assign(reinterpret_cast<char*>(name), name_len);
    Slot& s = slots[k];
    ub2 type = columns[k].type;
    if (type == SQLT_CLOB || type == SQLT_BLOB) {
      check(api_->OCIDescriptorAlloc(env_, reinterpret_cast<void**>(&locators[k]), OCI_DTYPE_LOB, 0,
                                     nullptr));
      check(api_->OCIDefineByPos(stmt, nullptr, err_, k + 1, &locators[k], sizeof(void*), type,
                                 &s.ind, nullptr, nullptr, OCI_DEFAULT));
    } else if (type == SQLT_DAT) {
      s.buf.assign(7, 0);
      check(api_->OCIDefineByPos(stmt, nullptr, err_, k + 1, s.buf.data(), 7, SQLT_DAT, &s.ind,
                                 &s.len, nullptr, OCI_DEFAULT));
    } else {
      s.buf.assign(type == SQLT_LNG ? 65536 : 16384, 0);
      check(api_->OCIDefineByPos(stmt, nullptr, err_, k + 1, s.buf.data(),
                                 static_cast<sb4>(s.buf.size()), SQLT_STR, &s.ind, &s.len, nullptr,
                                 OCI_DEFAULT));
    }
  }
  header(columns);
  std::vector<Cell> cells(count);
  for (;;) {
    sword status = api_->OCIStmtFetch(stmt, err_, 1, OCI_FETCH_NEXT, OCI_DEFAULT);
    if (status == OCI_NO_DATA) break;
    if (status != OCI_SUCCESS && status != OCI_SUCCESS_WITH_INFO) fail(status);
    for (ub4 k = 0; k < count; ++k) {
      Cell& c = cells[k];
      const Slot& s = slots[k];
      ub2 type = columns[k].type;
      c.null = s.ind == -1;
      c.numeric = type == SQLT_NUM;
      c.text.clear();
      if (c.null) continue;
      if (type == SQLT_CLOB || type == SQLT_BLOB) {
        c.text = lob_text(locators[k], type == SQLT_BLOB);
      } else if (type == SQLT_DAT) {
        c.text = oraemb::OraDate::from_oci(reinterpret_cast<const unsigned char*>(s.buf.data()))
                     .to_storage();
      } else {
        c.text.assign(s.buf.data(), strnlen(s.buf.data(), s.buf.size()));
      }
    }
    ++outcome.rows;
    if (!row(cells)) break;
  }
  return outcome;
}

}  // namespace oraemb_client
