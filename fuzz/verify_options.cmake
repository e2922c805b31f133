# tarvel-verify's arguments (its option scanner and the report format).
tarvel_add_fuzz(verify_options SOURCES ${CMAKE_CURRENT_LIST_DIR}/verify_options_fuzz.cpp LIBS verify)
