# Array INSERT against row-by-row INSERT in the embedded engine: literal
# texts, a prepared statement executed per row, and arrays of 1,000 rows
# (with and without a CLOB bound as data), each with the engine's round
# trips and parses. A timed program; run it by hand:
# bench_oraemb_array [rows], optionally with TARVEL_ORAEMB_LATENCY_US set.
add_executable(bench_oraemb_array ${CMAKE_CURRENT_LIST_DIR}/oraemb_array.cpp)
target_include_directories(bench_oraemb_array PRIVATE ${CMAKE_SOURCE_DIR})
target_link_libraries(bench_oraemb_array PRIVATE ORA_oci)
target_compile_definitions(bench_oraemb_array PRIVATE TARVEL_BIN="${TARVEL_BIN_DIR}")
add_dependencies(bench_oraemb_array oraemb)
