// dlopen-based OCI test fixture (see oci_fixture.h).
#include "tests/oraemb/oci_fixture.h"

#include <unistd.h>

namespace oraemb_test {

Api::Api() {
  lib = dlopen(TARVEL_BIN "/liboraemb.so", RTLD_NOW | RTLD_LOCAL);
  if (!lib) return;
    // clang-format off
#define OCI_FN(name) name = reinterpret_cast<decltype(name)>(dlsym(lib, #name));
  OCI_FN(OCIEnvCreate)
  OCI_FN(OCIHandleAlloc)
  OCI_FN(OCIHandleFree)
  OCI_FN(OCIServerAttach)
  OCI_FN(OCIServerDetach)
  OCI_FN(OCIAttrSet)
  OCI_FN(OCIAttrGet)
  OCI_FN(OCILogon)
  OCI_FN(OCILogoff)
  OCI_FN(OCIErrorGet)
  OCI_FN(OCIStmtPrepare)
  OCI_FN(OCIStmtExecute)
  OCI_FN(OCIStmtFetch)
  OCI_FN(OCIParamGet)
  OCI_FN(OCIDefineByPos)
  OCI_FN(OCIBindByName)
  OCI_FN(OCIBindDynamic)
  OCI_FN(OCIDescriptorAlloc)
  OCI_FN(OCIDescriptorFree)
  OCI_FN(OCILobWrite)
  OCI_FN(OCILobRead)
  OCI_FN(OCILobCharSetForm)
  OCI_FN(OCITransCommit)
  OCI_FN(OCILobGetLength)
#undef OCI_FN
  // clang-format on
}

std::u16string u16(const std::string& s) {
  std::u16string out;
  for (size_t k = 0; k < s.size();) {
    unsigned char c = s[k];
    char32_t cp;
    int extra = c < 0x80 ? 0 : c < 0xE0 ? 1 : c < 0xF0 ? 2 : 3;
    cp = extra == 0 ? c : c & (0x3F >> extra);
    for (int j = 1; j <= extra; ++j) cp = (cp << 6) | (s[k + j] & 0x3F);
    k += extra + 1;
    if (cp >= 0x10000) {
      out += static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
      out += static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
    } else {
      out += static_cast<char16_t>(cp);
    }
  }
  return out;
}

std::string u8(const std::u16string& s) {
  std::string out;
  for (size_t k = 0; k < s.size(); ++k) {
    char32_t cp = s[k];
    if (cp >= 0xD800 && cp < 0xDC00 && k + 1 < s.size())
      cp = 0x10000 + ((cp - 0xD800) << 10) + (s[++k] - 0xDC00);
    if (cp < 0x80) {
      out += static_cast<char>(cp);
    } else if (cp < 0x800) {
      out += static_cast<char>(0xC0 | (cp >> 6));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
      out += static_cast<char>(0xE0 | (cp >> 12));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (cp >> 18));
      out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    }
  }
  return out;
}

void OciTest::SetUp() {
  ASSERT_NE(api.lib, nullptr) << dlerror();
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

}  // namespace oraemb_test
