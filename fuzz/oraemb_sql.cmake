# The embedded engine's SQL lexer and parser.
tarvel_add_fuzz(oraemb_sql SOURCES ${CMAKE_CURRENT_LIST_DIR}/oraemb_sql_fuzz.cpp LIBS oraemb_sql)
