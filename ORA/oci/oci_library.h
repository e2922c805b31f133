// The Oracle client library, loaded at run time: which library TARVEL_OCI_LIB
// names, the table of every OCI function the product calls, resolved once with
// dlopen/dlsym, and the load failure the user sees. Nothing else in the product
// calls dlsym or knows which library answers the OCI calls. The table is filled
// once and then only read; loading is not thread-safe (the session loads it
// from the one thread that runs the conversion).
#pragma once

#include <string>

#include "oci/oci_types.h"

// One pointer per OCI function, named after it and typed by its prototype in
// oci/oci_types.h, so a call through the table reads like the OCI call itself:
// oci_api().OCIStmtExecute(...).
struct oci_functions {
  decltype(&::OCIEnvCreate) OCIEnvCreate = nullptr;
  decltype(&::OCIHandleAlloc) OCIHandleAlloc = nullptr;
  decltype(&::OCIHandleFree) OCIHandleFree = nullptr;
  decltype(&::OCIServerAttach) OCIServerAttach = nullptr;
  decltype(&::OCIServerDetach) OCIServerDetach = nullptr;
  decltype(&::OCIAttrSet) OCIAttrSet = nullptr;
  decltype(&::OCIAttrGet) OCIAttrGet = nullptr;
  decltype(&::OCILogon) OCILogon = nullptr;
  decltype(&::OCILogoff) OCILogoff = nullptr;
  decltype(&::OCIErrorGet) OCIErrorGet = nullptr;
  decltype(&::OCIStmtPrepare) OCIStmtPrepare = nullptr;
  decltype(&::OCIStmtExecute) OCIStmtExecute = nullptr;
  decltype(&::OCIStmtFetch) OCIStmtFetch = nullptr;
  decltype(&::OCIParamGet) OCIParamGet = nullptr;
  decltype(&::OCIDefineByPos) OCIDefineByPos = nullptr;
  decltype(&::OCIBindByName) OCIBindByName = nullptr;
  decltype(&::OCIBindDynamic) OCIBindDynamic = nullptr;
  decltype(&::OCIDescriptorAlloc) OCIDescriptorAlloc = nullptr;
  decltype(&::OCIDescriptorFree) OCIDescriptorFree = nullptr;
  decltype(&::OCILobWrite) OCILobWrite = nullptr;
  decltype(&::OCILobRead) OCILobRead = nullptr;
  decltype(&::OCILobCharSetForm) OCILobCharSetForm = nullptr;
  decltype(&::OCILobGetLength) OCILobGetLength = nullptr;
  decltype(&::OCIDateTimeGetDate) OCIDateTimeGetDate = nullptr;
  decltype(&::OCIDateTimeGetTime) OCIDateTimeGetTime = nullptr;
  decltype(&::OCITransCommit) OCITransCommit = nullptr;
  decltype(&::OCITransRollback) OCITransRollback = nullptr;
  decltype(&::OCIBindByPos) OCIBindByPos = nullptr;
  decltype(&::OCIDateTimeConstruct) OCIDateTimeConstruct = nullptr;
  // Optional (clients of release 12.1 and later): binds with 4-byte lengths.
  decltype(&::OCIBindByPos2) OCIBindByPos2 = nullptr;
  // Optional: the server's release without a query (every client the
  // product loads has them).
  decltype(&::OCIServerRelease) OCIServerRelease = nullptr;
  decltype(&::OCIServerVersion) OCIServerVersion = nullptr;
};

// The message of a missing or unusable client library (level 1); the
// library name that was tried follows on a line of its own.
extern const char* const kOciMissingMessage;

// The oldest client release the product loads ("11.1").
extern const char* const kOciOldestClient;

// The library TARVEL_OCI_LIB names: unset or empty gives "libclntsh.so" (found
// the usual way), "embedded" gives the embedded engine of this installation
// (oci_embedded_library), any other text is the path to load.
std::string oci_library_name();

// With TARVEL_OCI_LIB set: oci_load(oci_library_name()). Unset: tries every
// candidate of oci_client_candidates in order and keeps the first that loads;
// when none does, the level-1 tk_exception carries kOciMissingMessage, then
// "\nTried:" and one line per candidate with its error, then how to set
// TARVEL_OCI_LIB.
void oci_load();
// Loads `library` and resolves every function of the table. A library already
// loaded under that name is kept. When the library cannot be loaded, lacks a
// function, or is a client older than kOciOldestClient, a level-1
// tk_exception carries kOciMissingMessage, then "\n" and the library name
// (and ": " and what it lacks); the table in use before stays in use.
void oci_load(const std::string& library);

bool oci_is_loaded();
// The library the table was resolved from (empty before the first load).
const std::string& oci_loaded_library();

// The table; using it before a load is an internal assertion failure.
const oci_functions& oci_api();
