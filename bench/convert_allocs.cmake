# A whole conversion run in-process as TARVAGENT runs it, with its heap
# allocations counted and split between the product and the Oracle library.
# Usage: bench_convert_allocs ROWS TARVAGENT-OPTIONS...
add_executable(bench_convert_allocs ${CMAKE_CURRENT_LIST_DIR}/convert_allocs.cpp)
target_link_libraries(bench_convert_allocs PRIVATE agent_lib)
