// Resolves the OCI function table from the client library with dlopen/dlsym.
// The library stays loaded for the life of the process: the environment and
// handles it created live as long as the program, and unloading code that
// still owns memory would leave dangling pointers behind.
#include "ORA/oci/oci_library.h"

#include <dlfcn.h>

#include <cstdlib>
#include <optional>

#include "ORA/oci/oci_client_search.h"
#include "TK/tk_exception.h"
#include "TK/tk_paths.h"
#include "TK/tk_trace.h"

const char* const kOciMissingMessage =
    "The Oracle client and networking components were not found.\n"
    "These components are supplied by the Oracle Corporation and\n"
    "are part of the Oracle Version 7.3.4 (or later) client\n"
    "software installation. You will be unable to use this program\n"
    "until these components have been installed.";

const char* const kOciOldestClient = "11.1";

namespace {

constexpr int kOciOldestClientMajor = 11;
constexpr int kOciOldestClientMinor = 1;

oci_functions g_functions;
bool g_loaded = false;
std::string g_library;

[[noreturn]] void fail(const std::string& detail) {
  throw tk_exception(std::string(kOciMissingMessage) + "\n" + detail, TK_LEVEL_RUN);
}

// Resolves one function into its slot; the symbol name is the slot's name.
template <class F>
bool resolve(void* handle, const std::string& library, const char* name, F& slot) {
  dlerror();
  void* symbol = dlsym(handle, name);
  if (symbol == nullptr) {
    tk_trace(3, "OCI function %s not found in %s", name, library);
    return false;
  }
  slot = reinterpret_cast<F>(symbol);
  return true;
}

}  // namespace

std::string oci_library_name() {
  const char* env = std::getenv("TARVEL_OCI_LIB");
  const std::string value = env ? env : "";
  if (value.empty()) return "libclntsh.so";
  if (value == "embedded") return oci_embedded_library(tk_program_dir());
  return value;
}

namespace {

// The part of a dlerror text after the library's own name, which dlerror
// usually repeats ("x.so: cannot open shared object file: ...").
std::string dl_reason(const std::string& library, const char* text) {
  std::string why = text ? text : "cannot be loaded";
  if (why.rfind(library + ": ", 0) == 0) why.erase(0, library.size() + 2);
  return why;
}

// Why a library was not taken: it did not open (the dlerror text), or it
// opened and cannot be used (the first missing function, or a client release
// older than the oldest this program supports).
struct load_failure {
  bool opened;
  std::string why;
};

// Loads `library` and resolves every function into the table. On failure the
// table in use stays and nothing of the library is kept.
std::optional<load_failure> load_into_table(const std::string& library) {
  tk_trace(1, "Loading the Oracle client library '%s'", library);
  void* handle = dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    const std::string why = dl_reason(library, dlerror());
    tk_trace(3, "Cannot load '%s': %s", library, why);
    return load_failure{false, why};
  }
  oci_functions f;
  std::string missing;
#define OCI_RESOLVE(fn) \
  if (missing.empty() && !resolve(handle, library, #fn, f.fn)) missing = #fn
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
  OCI_RESOLVE(OCILobGetLength);
  OCI_RESOLVE(OCIDateTimeGetDate);
  OCI_RESOLVE(OCIDateTimeGetTime);
  OCI_RESOLVE(OCITransCommit);
  OCI_RESOLVE(OCITransRollback);
  OCI_RESOLVE(OCIBindByPos);
  OCI_RESOLVE(OCIDateTimeConstruct);
#undef OCI_RESOLVE
  if (!missing.empty()) {
    dlclose(handle);  // nothing of it was used
    return load_failure{true, missing};
  }
  if (!resolve(handle, library, "OCIBindByPos2", f.OCIBindByPos2)) f.OCIBindByPos2 = nullptr;
  if (!resolve(handle, library, "OCIServerRelease", f.OCIServerRelease))
    f.OCIServerRelease = nullptr;
  if (!resolve(handle, library, "OCIServerVersion", f.OCIServerVersion))
    f.OCIServerVersion = nullptr;
  // OCIClientVersion exists from release 10.2 on; a library without it is
  // older than that.
  decltype(&::OCIClientVersion) client_version = nullptr;
  if (!resolve(handle, library, "OCIClientVersion", client_version)) {
    dlclose(handle);
    return load_failure{true, std::string("OCIClientVersion (a client older than release 10.2; ") +
                                  kOciOldestClient + " or later is needed)"};
  }
  sword major = 0, minor = 0, update = 0, patch = 0, port = 0;
  client_version(&major, &minor, &update, &patch, &port);
  tk_trace(1, "Oracle client release %d.%d.%d.%d.%d", major, minor, update, patch, port);
  if (major * 100 + minor < kOciOldestClientMajor * 100 + kOciOldestClientMinor) {
    dlclose(handle);
    return load_failure{true, "client release " + std::to_string(major) + "." +
                                  std::to_string(minor) + "." + std::to_string(update) + "." +
                                  std::to_string(patch) + "." + std::to_string(port) + "; " +
                                  kOciOldestClient + " or later is needed"};
  }
  // The library passed every check: unlike the refused ones above, it stays
  // loaded for the life of the process and its handle is left open on
  // purpose (see the file comment).
  g_functions = f;
  g_library = library;
  g_loaded = true;
  tk_trace(1, "Oracle client library '%s' loaded", library);
  return std::nullopt;
}

}  // namespace

void oci_load() {
  const char* env = std::getenv("TARVEL_OCI_LIB");
  if (env != nullptr && *env != '\0') {
    oci_load(oci_library_name());
    return;
  }
  if (g_loaded) return;
  // No library named: the client the usual way, then where Oracle's client
  // packages install themselves.
  std::string tried;
  for (const std::string& candidate : oci_client_candidates(oci_search_places_from_env())) {
    const std::optional<load_failure> failure = load_into_table(candidate);
    if (!failure) return;
    // One entry a line; ";" keeps them apart where the console joins lines.
    if (!tried.empty()) tried += ";";
    tried += "\n  " + candidate + ": " + failure->why;
  }
  fail("Tried:" + tried +
       ".\nSet TARVEL_OCI_LIB to the path of the Oracle client library (libclntsh.so), or to "
       "'embedded' for the embedded engine.");
}

void oci_load(const std::string& library) {
  if (g_loaded && library == g_library) return;
  const std::optional<load_failure> failure = load_into_table(library);
  if (!failure) return;
  // A library that did not open is named alone; one that opened but cannot
  // be used is named with what it lacks.
  fail(failure->opened ? library + ": " + failure->why : library);
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
