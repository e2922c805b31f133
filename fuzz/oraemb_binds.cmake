# The embedded engine's decoding of input bind buffers (array binds with
# skips, indicators, lengths, every external type).
find_package(SQLite3 REQUIRED)
tarvel_add_fuzz(oraemb_binds
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/oraemb_binds_fuzz.cpp ${CMAKE_SOURCE_DIR}/oraemb/bind_values.cpp
          ${CMAKE_SOURCE_DIR}/oraemb/oci_handles.cpp
  LIBS oraemb_sql SQLite::SQLite3)
