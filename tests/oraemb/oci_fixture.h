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

#include "oci/oci_types.h"

namespace oraemb_test {

// The OCI functions the tests call: one list, declared below as members of
// Api and resolved by name when the library loads.
#define ORAEMB_TEST_OCI_FUNCTIONS(X) \
  X(OCIEnvCreate)                    \
  X(OCIHandleAlloc)                  \
  X(OCIHandleFree)                   \
  X(OCIServerAttach)                 \
  X(OCIServerDetach)                 \
  X(OCIAttrSet)                      \
  X(OCIAttrGet)                      \
  X(OCILogon)                        \
  X(OCILogoff)                       \
  X(OCIErrorGet)                     \
  X(OCIStmtPrepare)                  \
  X(OCIStmtExecute)                  \
  X(OCIStmtFetch)                    \
  X(OCIParamGet)                     \
  X(OCIDefineByPos)                  \
  X(OCIBindByName)                   \
  X(OCIBindDynamic)                  \
  X(OCIDescriptorAlloc)              \
  X(OCIDescriptorFree)               \
  X(OCILobWrite)                     \
  X(OCILobRead)                      \
  X(OCILobCharSetForm)               \
  X(OCITransCommit)                  \
  X(OCILobGetLength)

struct Api {
  void* lib = nullptr;
#define ORAEMB_TEST_OCI_MEMBER(name) decltype(&::name) name = nullptr;
  ORAEMB_TEST_OCI_FUNCTIONS(ORAEMB_TEST_OCI_MEMBER)
#undef ORAEMB_TEST_OCI_MEMBER
  Api();
  ~Api() {
    if (lib) dlclose(lib);
  }
};

// Test texts between UTF-8 and UTF-16; an ill-formed sequence becomes U+FFFD.
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
