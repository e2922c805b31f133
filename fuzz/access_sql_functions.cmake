# Fuzz target over the functions of translated Access SQL, called directly.
find_package(SQLite3 REQUIRED)
tarvel_add_fuzz(access_sql_functions
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/access_sql_functions_fuzz.cpp
  LIBS dao SQLite::SQLite3)
