# Reading a long CLOB through liboraemb.so in a client's pieces: seconds per
# value of 2, 4, 8 and 16 million characters (each doubling should double
# the time). A timed program; run it by hand:
# bench_oraemb_lob_read [million characters ...] [path of liboraemb.so]
add_executable(bench_oraemb_lob_read ${CMAKE_CURRENT_LIST_DIR}/oraemb_lob_read.cpp)
target_include_directories(bench_oraemb_lob_read PRIVATE ${CMAKE_SOURCE_DIR})
target_link_libraries(bench_oraemb_lob_read PRIVATE ORA_oci)
target_compile_definitions(bench_oraemb_lob_read PRIVATE TARVEL_BIN="${TARVEL_BIN_DIR}")
add_dependencies(bench_oraemb_lob_read oraemb)
