// Test fixture that loads liboraemb.so through the product's OCI loader and
// calls the OCI functions exactly as the product does: a UTF-16 environment,
// lengths in bytes, statements executed with the product's modes. Each test
// gets its own database directory through TARVEL_ORAEMB_DIR.
#pragma once

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "ORA/oci/oci_library.h"
#include "oci/oci_types.h"

namespace oraemb_test {

// The product's table of OCI functions, resolved from the engine by the
// product's loader, and the engine's handle for the exports the product
// does not call (tests resolve those with dlsym). `lib` is null when the
// engine did not load; `load_error` says why.
struct Api : oci_functions {
  void* lib = nullptr;
  std::string load_error;
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
  // The error code of a statement (0 for none), at execute or at its first
  // fetch: a SELECT or WITH is fetched to its end, anything else runs once.
  int failure(const std::string& sql);

  Api api;
  std::filesystem::path dir;
  OCIEnv* env = nullptr;
  OCIError* err = nullptr;
  OCIServer* srv = nullptr;
  OCISvcCtx* svc = nullptr;
};

}  // namespace oraemb_test
