// The OCI test fixture over the product's loader (see oci_fixture.h).
#include "tests/oraemb/oci_fixture.h"

#include <unistd.h>

#include "TK/tk_exception.h"
#include "TK/tk_utf_codec.h"

namespace oraemb_test {

Api::Api() {
  const char* const library = TARVEL_BIN "/liboraemb.so";
  try {
    oci_load(library);
  } catch (const tk_exception& e) {
    load_error = e.message();
    return;
  }
  static_cast<oci_functions&>(*this) = oci_api();
  lib = dlopen(library, RTLD_NOW | RTLD_LOCAL);
  if (!lib) load_error = dlerror();
}

std::u16string u16(const std::string& s) {
  std::u16string out;
  char16_t units[2];
  for (size_t k = 0; k < s.size();) {
    char32_t cp = 0;
    if (!tk_utf::decode_utf8(s.data(), s.size(), k, cp)) cp = tk_utf::kReplacement;
    out.append(units, tk_utf::encode_utf16(cp, units));
  }
  return out;
}

std::string u8(const std::u16string& s) {
  std::string out;
  for (size_t k = 0; k < s.size();) {
    char32_t cp = 0;
    if (!tk_utf::decode_utf16(s.data(), s.size(), k, cp)) cp = tk_utf::kReplacement;
    tk_utf::append_utf8(cp, out);
  }
  return out;
}

void OciTest::SetUp() {
  ASSERT_NE(api.lib, nullptr) << api.load_error;
  char tmpl[] = "/tmp/oraemb_test_XXXXXX";
  ASSERT_NE(mkdtemp(tmpl), nullptr);
  dir = tmpl;
  setenv("TARVEL_ORAEMB_DIR", tmpl, 1);
  api.OCIEnvCreate(&env, OCI_UTF16, nullptr, nullptr, nullptr, nullptr, 0, nullptr);
  api.OCIHandleAlloc(env, reinterpret_cast<void**>(&err), OCI_HTYPE_ERROR, 52, nullptr);
  api.OCIHandleAlloc(env, reinterpret_cast<void**>(&srv), OCI_HTYPE_SERVER, 52, nullptr);
  api.OCIServerAttach(srv, err, reinterpret_cast<const OraText*>(u""), 0, OCI_DEFAULT);
  ASSERT_EQ(logon(&svc, "scott", "tiger"), OCI_SUCCESS) << error_text();
}

void OciTest::TearDown() {
  if (svc) api.OCILogoff(svc, err);
  if (env) api.OCIHandleFree(env, OCI_HTYPE_ENV);
  std::filesystem::remove_all(dir);
}

sword OciTest::logon(OCISvcCtx** out, const std::string& user, const std::string& password,
                     const std::string& connect) {
  api.OCIHandleAlloc(env, reinterpret_cast<void**>(out), OCI_HTYPE_SVCCTX, 0, nullptr);
  api.OCIAttrSet(*out, OCI_HTYPE_SVCCTX, srv, 0, OCI_ATTR_SERVER, err);
  std::u16string u = u16(user), p = u16(password), d = u16(connect);
  return api.OCILogon(env, err, out, reinterpret_cast<const OraText*>(u.data()),
                      static_cast<ub4>(u.size() * 2), reinterpret_cast<const OraText*>(p.data()),
                      static_cast<ub4>(p.size() * 2), reinterpret_cast<const OraText*>(d.data()),
                      static_cast<ub4>(d.size() * 2));
}

sword OciTest::exec(const std::string& sql, ub4 mode, ub4 iters) {
  return exec_on(svc, sql, mode, iters);
}

sword OciTest::exec_on(OCISvcCtx* on, const std::string& sql, ub4 mode, ub4 iters) {
  OCIStmt* st = nullptr;
  api.OCIHandleAlloc(env, reinterpret_cast<void**>(&st), OCI_HTYPE_STMT, 0, nullptr);
  std::u16string text = u16(sql);
  api.OCIStmtPrepare(st, err, reinterpret_cast<const OraText*>(text.data()),
                     static_cast<ub4>(text.size() * 2), OCI_NTV_SYNTAX, OCI_DEFAULT);
  sword rc = api.OCIStmtExecute(on, st, err, iters, 0, nullptr, nullptr, mode);
  api.OCIHandleFree(st, OCI_HTYPE_STMT);
  return rc;
}

std::vector<std::vector<std::string>> OciTest::rows(const std::string& sql) {
  return rows_on(svc, sql);
}

std::vector<std::vector<std::string>> OciTest::rows_on(OCISvcCtx* on, const std::string& sql) {
  std::vector<std::vector<std::string>> out;
  OCIStmt* st = nullptr;
  api.OCIHandleAlloc(env, reinterpret_cast<void**>(&st), OCI_HTYPE_STMT, 0, nullptr);
  std::u16string text = u16(sql);
  api.OCIStmtPrepare(st, err, reinterpret_cast<const OraText*>(text.data()),
                     static_cast<ub4>(text.size() * 2), OCI_NTV_SYNTAX, OCI_DEFAULT);
  if (api.OCIStmtExecute(on, st, err, 0, 0, nullptr, nullptr, OCI_DEFAULT) != OCI_SUCCESS) {
    ADD_FAILURE() << sql << ": " << error_text();
    api.OCIHandleFree(st, OCI_HTYPE_STMT);
    return out;
  }
  ub4 count = 0;
  api.OCIAttrGet(st, OCI_HTYPE_STMT, &count, nullptr, OCI_ATTR_PARAM_COUNT, err);
  std::vector<std::vector<char16_t>> bufs(count, std::vector<char16_t>(20000));
  std::vector<sb2> ind(count);
  for (ub4 k = 0; k < count; ++k) {
    OCIDefine* def = nullptr;
    api.OCIDefineByPos(st, &def, err, k + 1, bufs[k].data(), 40000, SQLT_STR, &ind[k], nullptr,
                       nullptr, OCI_DEFAULT);
    // National columns in their own form, as a real client defines them.
    void* param = nullptr;
    ub1 form = 0;
    api.OCIParamGet(st, OCI_HTYPE_STMT, err, &param, k + 1);
    api.OCIAttrGet(param, OCI_DTYPE_PARAM, &form, nullptr, OCI_ATTR_CHARSET_FORM, err);
    if (form == SQLCS_NCHAR)
      api.OCIAttrSet(def, OCI_HTYPE_DEFINE, &form, 0, OCI_ATTR_CHARSET_FORM, err);
  }
  while (true) {
    sword rc = api.OCIStmtFetch(st, err, 1, OCI_FETCH_NEXT, OCI_DEFAULT);
    if (rc == OCI_NO_DATA) break;
    if (rc != OCI_SUCCESS && rc != OCI_SUCCESS_WITH_INFO) {
      ADD_FAILURE() << sql << ": " << error_text();
      break;
    }
    std::vector<std::string> row;
    for (ub4 k = 0; k < count; ++k)
      row.push_back(ind[k] == -1 ? "<null>" : u8(std::u16string(bufs[k].data())));
    out.push_back(row);
  }
  api.OCIHandleFree(st, OCI_HTYPE_STMT);
  return out;
}

int OciTest::error_code() {
  sb4 code = 0;
  char16_t buf[256];
  api.OCIErrorGet(err, 1, nullptr, &code, reinterpret_cast<OraText*>(buf), sizeof buf,
                  OCI_HTYPE_ERROR);
  return code;
}

std::string OciTest::error_text() {
  sb4 code = 0;
  char16_t buf[256] = {};
  api.OCIErrorGet(err, 1, nullptr, &code, reinterpret_cast<OraText*>(buf), sizeof buf,
                  OCI_HTYPE_ERROR);
  return u8(buf);
}

int OciTest::failure(const std::string& sql) {
  OCIStmt* st = nullptr;
  api.OCIHandleAlloc(env, reinterpret_cast<void**>(&st), OCI_HTYPE_STMT, 0, nullptr);
  std::u16string text = u16(sql);
  api.OCIStmtPrepare(st, err, reinterpret_cast<const OraText*>(text.data()),
                     static_cast<ub4>(text.size() * 2), OCI_NTV_SYNTAX, OCI_DEFAULT);
  const bool query = sql.rfind("SELECT", 0) == 0 || sql.rfind("WITH", 0) == 0;
  sword rc = api.OCIStmtExecute(svc, st, err, query ? 0 : 1, 0, nullptr, nullptr, OCI_DEFAULT);
  if (!query && rc == OCI_SUCCESS) rc = OCI_NO_DATA;
  while (rc == OCI_SUCCESS) rc = api.OCIStmtFetch(st, err, 1, OCI_FETCH_NEXT, OCI_DEFAULT);
  api.OCIHandleFree(st, OCI_HTYPE_STMT);
  return rc == OCI_ERROR ? error_code() : 0;
}

}  // namespace oraemb_test
