# Office decryption against the reader: page decryption throughput per kind,
# the agile key derivation, and a whole table read plain and encrypted. For
# the table runs set TARVEL_BENCH_ACCDB to a plain .accdb with a table Bench
# (tools/jackcess MakeBenchDb writes one); encrypted copies go to /tmp.
if(benchmark_FOUND)
  add_executable(bench_access_crypto ${CMAKE_CURRENT_LIST_DIR}/access_crypto_bench.cpp)
  target_link_libraries(bench_access_crypto PRIVATE dao dao_crypto benchmark::benchmark)
  target_compile_definitions(bench_access_crypto PRIVATE TARVEL_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
endif()
