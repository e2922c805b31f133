# The SQL client's splitting of scripts and typed lines into statements.
tarvel_add_fuzz(oraemb_script
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/oraemb_script_fuzz.cpp
          ${CMAKE_SOURCE_DIR}/oraemb/client/script_splitter.cpp
          ${CMAKE_SOURCE_DIR}/oraemb/client/describe.cpp)
