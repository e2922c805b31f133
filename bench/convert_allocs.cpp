// Counts the heap allocations of a whole conversion, run in-process as
// TARVAGENT runs it, and splits them between the product and the Oracle
// library it loads: every OCI function of the loaded table is wrapped so
// that what the library allocates inside a call is counted apart. Prints
// allocations per row for each side and the peak resident memory.
// Usage: bench_convert_allocs ROWS TARVAGENT-OPTIONS...  (ROWS: the rows
// the run converts, the divisor of the figures; with TARVEL_OCI_LIB=embedded
// and TARVEL_ORAEMB_DIR set for the engine).
#include <execinfo.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <type_traits>

#include "ORA/oci/oci_library.h"
#include "TK/tk_trace.h"
#include "agent/agent_options.h"
#include "bench_support.h"
#include "common/error_handler.h"
#include "common/error_messages.h"
#include "common/tarvel_convertor.h"

extern "C" void* __libc_malloc(size_t size);
extern "C" void* __libc_calloc(size_t count, size_t size);
extern "C" void* __libc_realloc(void* p, size_t size);
extern "C" void* __libc_memalign(size_t alignment, size_t size);

namespace {

std::atomic<uint64_t> g_product{0};
std::atomic<uint64_t> g_engine{0};
thread_local int t_in_engine = 0;

// With BENCH_ALLOC_SAMPLE=N, the stack of every Nth allocation of the
// product goes to stderr (to see where they come from).
uint64_t g_sample = 0;
thread_local bool t_sampling = false;

void count() {
  if (t_in_engine) {
    g_engine.fetch_add(1, std::memory_order_relaxed);
    return;
  }
  const uint64_t n = g_product.fetch_add(1, std::memory_order_relaxed);
  if (g_sample == 0 || n % g_sample != 0 || t_sampling) return;
  t_sampling = true;
  void* frames[24];
  const int depth = backtrace(frames, 24);
  static const char kRule[] = "----\n";
  (void)!write(2, kRule, sizeof kRule - 1);
  backtrace_symbols_fd(frames, depth, 2);
  t_sampling = false;
}

struct engine_scope {
  engine_scope() { ++t_in_engine; }
  ~engine_scope() { --t_in_engine; }
  engine_scope(const engine_scope&) = delete;
  engine_scope& operator=(const engine_scope&) = delete;
};

// One wrapper per table slot: the call runs with the engine's flag set.
template <auto Member, class Fn>
struct wrapper;
template <auto Member, class R, class... A>
struct wrapper<Member, R (*)(A...)> {
  static inline R (*real)(A...) = nullptr;
  static R call(A... args) {
    engine_scope scope;
    return real(args...);
  }
};

template <auto Member>
void wrap(oci_functions& table) {
  using fn = std::remove_reference_t<decltype(table.*Member)>;
  if (table.*Member == nullptr) return;
  wrapper<Member, fn>::real = table.*Member;
  table.*Member = &wrapper<Member, fn>::call;
}

void wrap_all(oci_functions& t) {
  wrap<&oci_functions::OCIEnvCreate>(t);
  wrap<&oci_functions::OCIHandleAlloc>(t);
  wrap<&oci_functions::OCIHandleFree>(t);
  wrap<&oci_functions::OCIServerAttach>(t);
  wrap<&oci_functions::OCIServerDetach>(t);
  wrap<&oci_functions::OCIAttrSet>(t);
  wrap<&oci_functions::OCIAttrGet>(t);
  wrap<&oci_functions::OCILogon>(t);
  wrap<&oci_functions::OCILogoff>(t);
  wrap<&oci_functions::OCIErrorGet>(t);
  wrap<&oci_functions::OCIStmtPrepare>(t);
  wrap<&oci_functions::OCIStmtExecute>(t);
  wrap<&oci_functions::OCIStmtFetch>(t);
  wrap<&oci_functions::OCIParamGet>(t);
  wrap<&oci_functions::OCIDefineByPos>(t);
  wrap<&oci_functions::OCIBindByName>(t);
  wrap<&oci_functions::OCIBindDynamic>(t);
  wrap<&oci_functions::OCIDescriptorAlloc>(t);
  wrap<&oci_functions::OCIDescriptorFree>(t);
  wrap<&oci_functions::OCILobWrite>(t);
  wrap<&oci_functions::OCILobRead>(t);
  wrap<&oci_functions::OCILobCharSetForm>(t);
  wrap<&oci_functions::OCILobGetLength>(t);
  wrap<&oci_functions::OCIDateTimeGetDate>(t);
  wrap<&oci_functions::OCIDateTimeGetTime>(t);
  wrap<&oci_functions::OCITransCommit>(t);
  wrap<&oci_functions::OCITransRollback>(t);
  wrap<&oci_functions::OCIBindByPos>(t);
  wrap<&oci_functions::OCIDateTimeConstruct>(t);
  wrap<&oci_functions::OCIBindByPos2>(t);
  wrap<&oci_functions::OCIServerRelease>(t);
  wrap<&oci_functions::OCIServerVersion>(t);
}

}  // namespace

// The C library's allocator, counted. operator new comes through here too.
extern "C" void* malloc(size_t size) {
  count();
  return __libc_malloc(size);
}
extern "C" void* calloc(size_t n, size_t size) {
  count();
  return __libc_calloc(n, size);
}
extern "C" void* realloc(void* p, size_t size) {
  count();
  return __libc_realloc(p, size);
}
extern "C" void* aligned_alloc(size_t alignment, size_t size) {
  count();
  return __libc_memalign(alignment, size);
}

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: bench_convert_allocs ROWS TARVAGENT-OPTIONS...\n");
    return 1;
  }
  const double rows = std::atof(argv[1]);
  if (const char* sample = std::getenv("BENCH_ALLOC_SAMPLE"))
    g_sample = std::strtoull(sample, nullptr, 10);
  tk_log log("", false, 3, false);
  error_handler handler(kOracleErrorMessageCount, kOracleErrorMessages);
  handler.load_err_map(kDaoErrorMessageCount, kDaoErrorMessages);
  oci_load();
  wrap_all(const_cast<oci_functions&>(oci_api()));
  const uint64_t product0 = g_product.load(), engine0 = g_engine.load();
  const auto start = std::chrono::steady_clock::now();
  try {
    tarvel_convertor converter(tarvel_front_end::agent);
    argv[1] = argv[0];
    if (!parse_cmd_line(argc - 1, argv + 1)) return 1;
    converter.access.check_acc_base(converter.source_name(), converter.access.database_password);
    converter.oracle.connect_oracle_server(converter.destination_name());
    converter();
  } catch (const tk_exception& e) {
    handler.handle(e, false);
    return 1;
  }
  const double seconds = bench_seconds_since(start);
  const double product = double(g_product.load() - product0);
  const double engine = double(g_engine.load() - engine0);
  std::printf(
      "rows %.0f  wall %.2f s  allocations per row: product %.2f  engine %.2f  "
      "(totals %.0f / %.0f)  peak RSS %.1f MB\n",
      rows, seconds, product / rows, engine / rows, product, engine,
      double(bench_peak_rss_kb()) / 1024);
  return 0;
}
