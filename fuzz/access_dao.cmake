# Opens a mutated Access file through the DAO component and reads every
# table's fields, indexes and rows. Seeds: the smallest corpus files.
tarvel_add_fuzz(access_dao SOURCES ${CMAKE_CURRENT_LIST_DIR}/access_dao_fuzz.cpp LIBS dao)
