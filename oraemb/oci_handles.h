// OCI handles and descriptors of the engine, and the registry that
// validates every handle argument: an unknown, freed or wrong-type pointer
// is answered with OCI_INVALID_HANDLE instead of being dereferenced. The
// environment owns every handle allocated under it; a statement owns its
// binds, defines and parameter descriptors. A handle tree is used by one
// thread at a time (the registry itself is thread-safe).
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "oci/oci_types.h"
#include "oraemb/session.h"
#include "oraemb/utf.h"

namespace oraemb {

struct EnvH;

struct Handle {
  virtual ~Handle() = default;
  ub4 type = 0;
  EnvH* env = nullptr;
  std::vector<unsigned char> user_memory;
};

struct ErrorH : Handle {
  struct Record {
    int code;
    std::string text;  // "ORA-NNNNN: message\n" in UTF-8
  };
  std::vector<Record> records;
  // The row errors of the last array execute in batch-error mode, each with
  // its 0-based offset into the array; OCIParamGet on this handle hands
  // them out one per error handle.
  struct RowError {
    ub4 offset;
    Record record;
  };
  std::vector<RowError> row_errors;
  ub4 row_offset = 0;  // OCI_ATTR_DML_ROW_OFFSET of a row's error handle
};

struct ServerH : Handle {
  bool attached = false;
};

struct SvcH : Handle {
  std::unique_ptr<Session> session;
  ServerH* server = nullptr;
};

struct DefineH : Handle {
  ub4 position = 0;
  void* value = nullptr;
  sb4 size = 0;
  ub2 dty = 0;
  sb2* indicator = nullptr;
  ub2* rlen = nullptr;
  ub2* rcode = nullptr;
  // OCI_ATTR_CHARSET_FORM: national text defined in the implicit form comes
  // through the database character set.
  ub1 charset_form = SQLCS_IMPLICIT;
};

struct BindH : Handle {
  std::string name;  // upper case, without the colon; empty for positional binds
  ub4 position = 0;
  void* value = nullptr;
  sb8 size = 0;
  ub2 dty = 0;
  sb2* indicator = nullptr;
  ub2* alen = nullptr;
  ub4* alen4 = nullptr;  // OCIBindByPos2 / OCIBindByName2 lengths
  ub4 mode = 0;
  // Array binds: element i of each array is found i * skip bytes after the
  // first (OCIBindArrayOfStruct); 0 means the element's own size.
  ub4 value_skip = 0, indicator_skip = 0, alen_skip = 0;
  ub4 max_elements = 0;               // maxarr_len (PL/SQL tables; SQL arrays use iters)
  ub2 charset_id = 0;                 // OCI_ATTR_CHARSET_ID: 0 = the environment's
  ub1 charset_form = SQLCS_IMPLICIT;  // OCI_ATTR_CHARSET_FORM
  ub4 max_data_size = 0;              // OCI_ATTR_MAXDATA_SIZE: server bytes; 0 = not set
  void* in_ctx = nullptr;
  OCICallbackInBind in_cb = nullptr;
  void* out_ctx = nullptr;
  OCICallbackOutBind out_cb = nullptr;
  ub4 rows_returned = 0;
};

struct ParamH : Handle {
  ColumnDesc desc;
  std::string name_bytes;  // the name in the environment's character set
  Profile profile;         // the session's, for sizes in its character sets
};

struct LobH : Handle {
  bool valid = false;
  LobRef ref;
  Kind kind = Kind::Clob;
  int form = SQLCS_IMPLICIT;
  const Session* session = nullptr;
  uint64_t txn = 0;
  // The value as the query read it, for a locator not selected FOR UPDATE:
  // such a locator reads the LOB as of its query's snapshot.
  std::shared_ptr<const std::string> fetched;
  // Where the last read of a fetched CLOB value (`read_of`) ended: the next
  // piece of a piecewise read starts there.
  std::shared_ptr<const std::string> read_of;
  Utf16Mark read_mark;
};

// A TIMESTAMP value (OCI_DTYPE_TIMESTAMP), filled by SQLT_TIMESTAMP defines.
struct DateTimeH : Handle {
  OraDate value;
};

struct StmtH : Handle {
  std::string sql;  // UTF-8
  bool prepared = false;
  // A DML statement's parse is kept across executions until the handle is
  // prepared again (one parse per prepared text, as a server's cursor).
  std::unique_ptr<Statement> parsed;
  bool parse_counted = false;             // the server saw this handle's parse
  std::vector<std::string> placeholders;  // bind names in text order
  bool placeholders_known = false;
  ub4 dml_errors = 0;  // OCI_ATTR_NUM_DML_ERRORS
  // OCI_ATTR_DML_ROW_COUNT_ARRAY: the rows of each iteration of the last
  // array execute in OCI_RETURN_ROW_COUNT_ARRAY mode.
  std::vector<ub8> row_counts;
  std::unique_ptr<Cursor> cursor;
  std::vector<ColumnDesc> columns;
  bool executed = false;
  bool at_end = false;
  int64_t row_count = 0;
  std::map<ub4, std::unique_ptr<DefineH>> defines;
  std::vector<std::unique_ptr<BindH>> binds;
  std::vector<std::unique_ptr<ParamH>> params;
  SvcH* svc = nullptr;
  void reset();  // drops parse, cursor, describe and parameters
};

struct EnvH : Handle {
  bool utf16 = false;
  std::vector<ErrorH::Record> records;  // why OCIEnvCreate failed (OCIErrorGet on the env)
  std::map<Handle*, std::unique_ptr<Handle>> children;
  std::string decode(const void* text, size_t bytes) const;
  std::string encode(const std::string& utf8) const;
  size_t terminator() const { return utf16 ? 2 : 1; }
};

namespace registry {
void add(Handle* h);
void remove(Handle* h);
bool valid(const void* p, ub4 type);
// Frees every handle owned by `h` (recursively) from the registry.
void remove_tree(Handle* h);
std::unique_ptr<EnvH>& env_slot(EnvH* env);
void drop_env(EnvH* env);
}  // namespace registry

template <class T>
T* handle_cast(const void* p, ub4 type) {
  return registry::valid(p, type)
             ? static_cast<T*>(const_cast<Handle*>(static_cast<const Handle*>(p)))
             : nullptr;
}

}  // namespace oraemb
