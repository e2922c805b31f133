# Query fetch through liboraemb.so: rows/s and peak memory of SELECT *, a
# select list of TO_CHAR conversions and a sorted query over a large table.
# A timed program; run it by hand: bench_oraemb_fetch [rows] [liboraemb.so].
add_executable(bench_oraemb_fetch ${CMAKE_CURRENT_LIST_DIR}/oraemb_fetch.cpp)
target_include_directories(bench_oraemb_fetch PRIVATE ${CMAKE_SOURCE_DIR})
target_link_libraries(bench_oraemb_fetch PRIVATE ORA_oci)
target_compile_definitions(bench_oraemb_fetch PRIVATE TARVEL_BIN="${TARVEL_BIN_DIR}")
add_dependencies(bench_oraemb_fetch oraemb)
