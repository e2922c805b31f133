# Embedded engine throughput: the converter's committed single-row INSERTs
# and CLOB writes through locators, next to plain SQLite with the same
# pragmas (the engine's ceiling). A timed program; run it by hand.
find_package(SQLite3 REQUIRED)
add_executable(bench_oraemb ${CMAKE_CURRENT_LIST_DIR}/oraemb_insert.cpp)
target_include_directories(bench_oraemb PRIVATE ${CMAKE_CURRENT_LIST_DIR}/..)
target_link_libraries(bench_oraemb PRIVATE ORA_oci SQLite::SQLite3)
target_compile_definitions(bench_oraemb PRIVATE TARVEL_BIN="${TARVEL_BIN_DIR}")
add_dependencies(bench_oraemb oraemb)
