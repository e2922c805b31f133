# Fuzz target over the Access SQL parser, its translation to SQLite, and the
# translation of rules and queries into Oracle.
tarvel_add_fuzz(access_sql SOURCES ${CMAKE_CURRENT_LIST_DIR}/access_sql_fuzz.cpp LIBS dao logic)
