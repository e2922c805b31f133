// What the OCI entry points of the engine share, in every file that
// defines some (oci_api.cpp: environment, session and handles;
// oci_statements.cpp: statements, defines and binds; oci_lobs.cpp: LOB
// locators and datetime descriptors): the export attribute, the guard that
// keeps C++ exceptions from crossing the C boundary and records Oracle errors
// in the error handle, and the adoption of new child handles.
#pragma once

#include <cstdio>
#include <memory>
#include <new>
#include <string>
#include <utility>

#include "oci/oci_types.h"
#include "oraemb/oci_handles.h"
#include "oraemb/ora_error.h"
#include "oraemb/trace.h"

#define OCI_EXPORT extern "C" __attribute__((visibility("default")))

namespace oraemb {

// A bind callback asked to stop the statement with its own status.
struct CallbackStop {
  sb4 status;
};

inline void set_error(ErrorH* err, int code, const std::string& text) {
  if (!err) return;
  char prefix[16];
  std::snprintf(prefix, sizeof prefix, "ORA-%05d: ", code);
  err->records.assign(1, {code, prefix + text + "\n"});
}

template <class Fn>
sword run_guarded(ErrorH* err, Fn&& fn) {
  try {
    return fn();
  } catch (const ora_error& e) {
    set_error(err, e.code(), e.text());
    return e.warning() ? OCI_SUCCESS_WITH_INFO : OCI_ERROR;
  } catch (const CallbackStop& stop) {
    return stop.status;
  } catch (const std::bad_alloc&) {
    set_error(err, 4030, ora_message(4030, {"unknown"}));
    return OCI_ERROR;
  } catch (const std::exception& e) {
    set_error(err, 600, ora_message(600, {e.what()}));
    return OCI_ERROR;
  } catch (...) {
    set_error(err, 600, ora_message(600, {"unknown"}));
    return OCI_ERROR;
  }
}

// Runs an entry point's body: no exception leaves it, and the trace gets
// the call, its status and its error.
template <class Fn>
sword guarded(ErrorH* err, const char* call, Fn&& fn) {
  sword status = run_guarded(err, std::forward<Fn>(fn));
  if (tracing()) {
    std::string line = std::string(call) + " = " + std::to_string(status);
    if ((status == OCI_ERROR || status == OCI_SUCCESS_WITH_INFO) && err && !err->records.empty())
      line += "  " + err->records[0].text.substr(0, err->records[0].text.size() - 1);
    trace_line(line);
  }
  return status;
}

template <class T>
T* adopt(EnvH* env, std::unique_ptr<T> h, ub4 type, size_t xtramem, void** usrmempp) {
  h->type = type;
  h->env = env;
  if (xtramem > 0 && usrmempp) {
    h->user_memory.assign(xtramem, 0);
    *usrmempp = h->user_memory.data();
  }
  T* raw = h.get();
  env->children[raw] = std::move(h);
  registry::add(raw);
  return raw;
}

inline EnvH* env_of(const void* parent) {
  for (ub4 type :
       {OCI_HTYPE_ENV, OCI_HTYPE_ERROR, OCI_HTYPE_SVCCTX, OCI_HTYPE_STMT, OCI_HTYPE_SERVER})
    if (registry::valid(parent, type)) return static_cast<const Handle*>(parent)->env;
  return nullptr;
}

}  // namespace oraemb
