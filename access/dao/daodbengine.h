// DAO's DBEngine and Workspace over the Access file reader, and the stand-in
// for creating the engine's COM class. Security is checked here: the database
// password from the file header (3031), the workgroup file named by SystemDB
// (3028 missing, 3358 not a workgroup file) and the user name in its accounts
// (3029). Workgroup account passwords are stored encrypted in a form no public
// document describes, so they cannot be verified: a known user name is enough.
// Ownership: COM references; single-threaded (the engine's creating thread).
#pragma once

#include <string>

#include "access/dao/daodatabase.h"

class DAOWorkspace;

class DAODBEngine : public DAOUnknown {
 public:
  DAODBEngine();
  HRESULT put_SystemDB(BSTR path);
  HRESULT get_SystemDB(BSTR* path);
  HRESULT get_Version(BSTR* version);
  // Checks the workgroup file (when SystemDB is set) and the user name.
  HRESULT CreateWorkspace(BSTR name, BSTR user, BSTR password, VARIANT use_type,
                          DAOWorkspace** workspace);
  // options: exclusive (bool); read_only (bool); connect: ";pwd=<password>"
  // or empty. Missing arguments (VT_EMPTY / VT_ERROR) take the defaults.
  HRESULT OpenDatabase(BSTR name, VARIANT options, VARIANT read_only, VARIANT connect,
                       DAODatabase** database);
  HRESULT get_Errors(DAOErrors** errors);

  const dao_context_ptr& context() const { return context_; }

 private:
  void check_system_db() const;

  dao_context_ptr context_;
  std::u16string system_db_;
};

class DAOWorkspace : public DAOUnknown {
 public:
  DAOWorkspace(dao_ref<DAODBEngine> engine, std::u16string name, std::u16string user);
  HRESULT get_Name(BSTR* name);
  HRESULT get_UserName(BSTR* user);
  HRESULT OpenDatabase(BSTR name, VARIANT options, VARIANT read_only, VARIANT connect,
                       DAODatabase** database);
  HRESULT Close();

 private:
  dao_ref<DAODBEngine> engine_;
  std::u16string name_;
  std::u16string user_;
};

// Engine version keys as the callers know them: 0 DAO 3.6, 1 DAO 3.5, 2 DAO
// 3.0, 3 the Access database engine's DAO. Every key gives the same engine.
// A key switched off (for tests) answers DAO_E_CLASSNOTREG, as an engine that
// is not installed does.
HRESULT dao_create_engine(int32_t version_key, DAODBEngine** engine);
void dao_set_engine_available(int32_t version_key, bool available);

// The password of a connect text (";pwd=secret;..."), "" when none.
std::u16string dao_connect_password(const std::u16string& connect);
