# Fuzz target over the embedded engine's SQL lexer and parser.
if(TARGET oraemb_sql)
  tarvel_add_fuzz(oraemb_sql
    SOURCES ${CMAKE_SOURCE_DIR}/oraemb/sql_fuzz_entry.cpp
    LIBS oraemb_sql)
endif()
