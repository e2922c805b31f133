# Fuzz target over the Access SQL parser and its translation to SQLite.
tarvel_add_fuzz(access_sql SOURCES ${CMAKE_CURRENT_LIST_DIR}/access_sql_fuzz.cpp LIBS dao)
