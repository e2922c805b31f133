// OCI calls of the SQL client: logon and statements with
// every column defined as text (dates as 7-byte DATE, LOBs through
// locators, shortened for display unless asked otherwise).
#include "oraemb/client/oci_client.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "ORA/oci/oci_client_search.h"
#include "ORA/oci/oci_library.h"
#include "TK/tk_exception.h"
#include "TK/tk_paths.h"
#include "oraemb/ora_date.h"

namespace oraemb_client {

namespace {

// The library the client loads: the one named on the command line, else what
// TARVEL_OCI_LIB names (by the rule every program of the product follows),
// else the client's own default, the embedded engine of this build or
// installation.
void load_library(const std::string& given) {
  if (!given.empty()) return oci_load(given);
  const char* env = std::getenv("TARVEL_OCI_LIB");
  if (env != nullptr && *env != '\0') return oci_load();
  oci_load(oci_embedded_library(tk_program_dir()));
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

OciClient::OciClient(std::string library) {
  try {
    load_library(library);
  } catch (const tk_exception& e) {
    throw OciClientError(0, e.message());
  }
  api_ = &oci_api();
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
    // Optional parts of the describe: a library without them leaves the defaults.
    api_->OCIAttrGet(param, OCI_DTYPE_PARAM, &columns[k].size, &size, OCI_ATTR_DATA_SIZE, err_);
    api_->OCIAttrGet(param, OCI_DTYPE_PARAM, &columns[k].precision, &size, OCI_ATTR_PRECISION,
                     err_);
    api_->OCIAttrGet(param, OCI_DTYPE_PARAM, &columns[k].scale, &size, OCI_ATTR_SCALE, err_);
    api_->OCIAttrGet(param, OCI_DTYPE_PARAM, &columns[k].nullable, &size, OCI_ATTR_IS_NULL, err_);
    api_->OCIAttrGet(param, OCI_DTYPE_PARAM, &columns[k].charset_form, &size, OCI_ATTR_CHARSET_FORM,
                     err_);
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
