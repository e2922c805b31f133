// Test fixture that loads liboraemb.so with dlopen and calls the OCI
// functions exactly as the product does: a UTF-16 environment, lengths in
// bytes, statements executed with the product's modes. Each test gets its
// own database directory through TARVEL_ORAEMB_DIR.
#pragma once

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "ORA/oci/oci_types.h"

namespace oraemb_test {

struct Api {
  void* lib = nullptr;
  // clang-format off
#define OCI_FN(name) decltype(&::name) name = nullptr;
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
  Api();
  ~Api() {
    if (lib) dlclose(lib);
  }
};

std::u16string u16(const std::string& s);
std::string u8(const std::u16string& s);

// One product-style connection, plus helpers that return status and error.
class OciTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Logs on with the product's sequence; returns the OCILogon status.
  sword logon(OCISvcCtx** svc, const std::string& user, const std::string& password,
              const std::string& connect = "//localhost:1521/ORCL");
  // Prepares and executes (1 iteration unless told) on a fresh statement.
  sword exec(const std::string& sql, ub4 mode = OCI_DEFAULT, ub4 iters = 1);
  sword exec_on(OCISvcCtx* svc, const std::string& sql, ub4 mode = OCI_DEFAULT, ub4 iters = 1);
  // Runs a query and returns every row as text (NULL as "<null>").
  std::vector<std::vector<std::string>> rows(const std::string& sql);
  std::vector<std::vector<std::string>> rows_on(OCISvcCtx* svc, const std::string& sql);
  int error_code();
  std::string error_text();

  Api api;
  std::filesystem::path dir;
  OCIEnv* env = nullptr;
  OCIError* err = nullptr;
  OCIServer* srv = nullptr;
  OCISvcCtx* svc = nullptr;
};

}  // namespace oraemb_test
