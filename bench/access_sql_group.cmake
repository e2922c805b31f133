# An Access SQL GROUP BY over a large table: time and peak memory. Usage:
#   bench_access_sql_group FILE   (the "Bench" table of MakeBenchDb)
add_executable(bench_access_sql_group ${CMAKE_CURRENT_SOURCE_DIR}/access_sql_group.cpp)
target_link_libraries(bench_access_sql_group PRIVATE dao)
