# Fuzz target over the Access SQL parser and its translation to SQLite.
if(TARGET dao)
  tarvel_add_fuzz(access_sql SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/access_sql_fuzz.cpp LIBS dao)
endif()
