# The DAO component reading every row and value of a large table, timed
# beside `mdb-export` of the same table in the same run. Usage:
#   bench_access_dao FILE [TABLE]   (TABLE defaults to "Bench", the table
#   written by ../shared/tools/jackcess/MakeBenchDb)
add_executable(bench_access_dao ${CMAKE_CURRENT_SOURCE_DIR}/access_dao_read.cpp)
target_link_libraries(bench_access_dao PRIVATE dao)
