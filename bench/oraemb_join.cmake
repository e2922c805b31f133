# Joins through liboraemb.so: a self-join of a large table on its primary
# key against a scan of the same table (the join reads the inner side
# through the key's index, so it must stay within a small factor of the
# scan). A timed program; run it by hand: bench_oraemb_join [rows] [liboraemb.so].
add_executable(bench_oraemb_join ${CMAKE_CURRENT_LIST_DIR}/oraemb_join.cpp)
target_include_directories(bench_oraemb_join PRIVATE ${CMAKE_SOURCE_DIR})
target_link_libraries(bench_oraemb_join PRIVATE ORA_oci)
target_compile_definitions(bench_oraemb_join PRIVATE TARVEL_BIN="${TARVEL_BIN_DIR}")
add_dependencies(bench_oraemb_join oraemb)
