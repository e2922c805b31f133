# The per-user settings store's file, read back after a write.
tarvel_add_fuzz(settings_store SOURCES ${CMAKE_CURRENT_LIST_DIR}/settings_store_fuzz.cpp LIBS TK)
