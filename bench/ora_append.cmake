# The Oracle table writer's per-record path (ora_table::append_record)
# against liboraemb.so, next to the bare committed INSERT it is built on.
# A timed program; run it by hand: bench_ora_append [rows].
add_executable(bench_ora_append ${CMAKE_CURRENT_LIST_DIR}/ora_append.cpp)
target_link_libraries(bench_ora_append PRIVATE ORA)
target_compile_definitions(bench_ora_append PRIVATE TARVEL_BIN="${TARVEL_BIN_DIR}")
