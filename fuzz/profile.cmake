# Profile files.
tarvel_add_fuzz(profile SOURCES ${CMAKE_CURRENT_LIST_DIR}/profile_fuzz.cpp LIBS UDB TK)
