// Resolves the OCI function table from the client library with dlopen/dlsym.
// The library stays loaded for the life of the process: the environment and
// handles it created live as long as the program, and unloading code that
// still owns memory would leave dangling pointers behind.
#include "ORA/oci/oci_library.h"

#include <dlfcn.h>

#include <cstdlib>

#include "TK/tk_exception.h"
#include "TK/tk_paths.h"
#include "TK/tk_trace.h"

const char* const kOciMissingMessage =
    "The Oracle client and networking components were not found.\n"
    "These components are supplied by the Oracle Corporation and\n"
    "are part of the Oracle Version 7.3.4 (or later) client\n"
    "software installation. You will be unable to use this program\n"
    "until these components have been installed.";

namespace {

oci_functions g_functions;
bool g_loaded = false;
std::string g_library;

[[noreturn]] void fail(const std::string& detail) {
  throw tk_exception(std::string(kOciMissingMessage) + "\n" + detail, TK_LEVEL_RUN);
}

// Resolves one function into its slot; the symbol name is the slot's name.
template <class F>
void resolve(void* handle, const std::string& library, const char* name, F& slot) {
  dlerror();
  void* symbol = dlsym(handle, name);
  if (symbol == nullptr) {
    tk_trace(3, "OCI function %s not found in %s", name, library);
    fail(library + ": " + name);
  }
  slot = reinterpret_cast<F>(symbol);
}

}  // namespace

std::string oci_library_name() {
  const char* env = std::getenv("TARVEL_OCI_LIB");
  const std::string value = env ? env : "";
  if (value.empty()) return "libclntsh.so";
  if (value == "embedded") return tk_program_dir() + "/liboraemb.so";
  return value;
}

void oci_load() {
  oci_load(oci_library_name());
}

void oci_load(const std::string& library) {
  if (g_loaded && library == g_library) return;
  tk_trace(1, "Loading the Oracle client library '%s'", library);
  void* handle = dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    const char* why = dlerror();
    tk_trace(3, "Cannot load '%s': %s", library, why ? why : "");
    fail(library);
  }
  oci_functions f;
  try {
#define OCI_RESOLVE(fn) resolve(handle, library, #fn, f.fn)
    OCI_RESOLVE(OCIEnvCreate);
    OCI_RESOLVE(OCIHandleAlloc);
    OCI_RESOLVE(OCIHandleFree);
    OCI_RESOLVE(OCIServerAttach);
    OCI_RESOLVE(OCIServerDetach);
    OCI_RESOLVE(OCIAttrSet);
    OCI_RESOLVE(OCIAttrGet);
    OCI_RESOLVE(OCILogon);
    OCI_RESOLVE(OCILogoff);
    OCI_RESOLVE(OCIErrorGet);
    OCI_RESOLVE(OCIStmtPrepare);
    OCI_RESOLVE(OCIStmtExecute);
    OCI_RESOLVE(OCIStmtFetch);
    OCI_RESOLVE(OCIParamGet);
    OCI_RESOLVE(OCIDefineByPos);
    OCI_RESOLVE(OCIBindByName);
    OCI_RESOLVE(OCIBindDynamic);
    OCI_RESOLVE(OCIDescriptorAlloc);
    OCI_RESOLVE(OCIDescriptorFree);
    OCI_RESOLVE(OCILobWrite);
    OCI_RESOLVE(OCILobRead);
    OCI_RESOLVE(OCILobCharSetForm);
    OCI_RESOLVE(OCIDateTimeGetDate);
    OCI_RESOLVE(OCIDateTimeGetTime);
    OCI_RESOLVE(OCITransCommit);
#undef OCI_RESOLVE
  } catch (...) {
    dlclose(handle);  // nothing of it was used
    throw;
  }
  // A library without every function is never half used: the handle is not
  // closed (see the file comment), but the previous table stays in place.
  g_functions = f;
  g_library = library;
  g_loaded = true;
  tk_trace(1, "Oracle client library '%s' loaded", library);
}

bool oci_is_loaded() {
  return g_loaded;
}

const std::string& oci_loaded_library() {
  return g_library;
}

const oci_functions& oci_api() {
  TK_ASSERT(g_loaded);
  return g_functions;
}
