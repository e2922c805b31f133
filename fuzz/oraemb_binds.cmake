# Fuzz target over the embedded engine's decoding of input bind buffers
# (array binds with skips, indicators, lengths, every external type).
if(TARGET oraemb_sql)
  find_package(SQLite3 REQUIRED)
  tarvel_add_fuzz(oraemb_binds
    SOURCES ${CMAKE_SOURCE_DIR}/oraemb/bind_fuzz_entry.cpp ${CMAKE_SOURCE_DIR}/oraemb/bind_values.cpp
    LIBS oraemb_sql SQLite::SQLite3)
  target_include_directories(fuzz_oraemb_binds PRIVATE ${CMAKE_SOURCE_DIR})
endif()
