# Transactions that hand SQLite's writer lock to a waiting session, against
# the paths that never do, for one or more engine builds side by side. A
# timed program; run it by hand: bench_oraemb_writers [rows] [library.so ...]
add_executable(bench_oraemb_writers ${CMAKE_CURRENT_LIST_DIR}/oraemb_writers.cpp)
target_include_directories(bench_oraemb_writers PRIVATE ${CMAKE_SOURCE_DIR})
target_link_libraries(bench_oraemb_writers PRIVATE ORA_oci)
target_compile_definitions(bench_oraemb_writers PRIVATE TARVEL_BIN="${TARVEL_BIN_DIR}")
add_dependencies(bench_oraemb_writers oraemb)
