// The SQL client's connection: loads an OCI library at run time through the
// product's one loader (ORA/oci: the embedded engine beside the program
// unless TARVEL_OCI_LIB names a library), logs on with a
// UTF-8 environment and runs statements through the OCI functions, like
// any Oracle client. Oracle errors come back as OciClientError.
#pragma once

#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "ORA/oci/oci_library.h"

namespace oraemb_client {

class OciClientError : public std::runtime_error {
 public:
  OciClientError(int code, const std::string& text) : std::runtime_error(text), code_(code) {}
  int code() const { return code_; }  // 0 when it is not an Oracle error

 private:
  int code_;
};

struct Cell {
  bool null = true;
  bool numeric = false;
  std::string text;
};

struct Column {
  std::string name;
  ub2 type = 0;  // Oracle type code from the describe
  // The rest of the describe (what DESCRIBE shows of a view or dictionary view).
  ub2 size = 0;  // bytes in the database
  sb2 precision = 0;
  sb1 scale = 0;
  ub1 nullable = 1;
  ub1 charset_form = 1;  // 2: national (NVARCHAR2, NCHAR, NCLOB)
};

struct LobDisplay {
  bool full = false;  // print whole LOB values
  size_t width = 40;  // characters (CLOB) or bytes (BLOB) shown otherwise
};

class OciClient {
 public:
  // Loads `library`; when it is empty, the library TARVEL_OCI_LIB names, or
  // the embedded engine when that is unset. A library that cannot be loaded
  // is an OciClientError with code 0 and the loader's message.
  explicit OciClient(std::string library = "");
  ~OciClient();
  OciClient(const OciClient&) = delete;
  OciClient& operator=(const OciClient&) = delete;

  void logon(const std::string& user, const std::string& password, const std::string& connect);
  void logoff();
  void rollback();

  // Runs one statement. A query calls `header` once and `row` per row until
  // `row` returns false; other statements return the rows processed.
  struct Outcome {
    bool query = false;
    ub2 statement_type = 0;
    long long rows = 0;
  };
  Outcome run(const std::string& sql, const std::function<void(const std::vector<Column>&)>& header,
              const std::function<bool(const std::vector<Cell>&)>& row);

  LobDisplay lobs;

 private:
  [[noreturn]] void fail(sword status);
  void check(sword status);
  std::string lob_text(OCILobLocator* loc, bool blob);

  const oci_functions* api_ = nullptr;
  OCIEnv* env_ = nullptr;
  OCIError* err_ = nullptr;
  OCISvcCtx* svc_ = nullptr;
};

}  // namespace oraemb_client
