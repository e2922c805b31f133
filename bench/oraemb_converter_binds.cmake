# Array INSERTs with the converter's bind types (SQLT_VNU, SQLT_DAT, UTF-16
# text, SQLT_LNG) into a table with a key and an AutoNumber trigger: rows/s
# and the engine's allocations per row. A timed program; run it by hand:
# bench_oraemb_converter_binds [rows].
add_executable(bench_oraemb_converter_binds ${CMAKE_CURRENT_LIST_DIR}/oraemb_converter_binds.cpp)
target_include_directories(bench_oraemb_converter_binds PRIVATE ${CMAKE_SOURCE_DIR})
target_link_libraries(bench_oraemb_converter_binds PRIVATE ORA_oci)
target_compile_definitions(bench_oraemb_converter_binds PRIVATE TARVEL_BIN="${TARVEL_BIN_DIR}")
add_dependencies(bench_oraemb_converter_binds oraemb)
