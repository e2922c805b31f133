# ole_variant::from_string over every value type, then printing and a type change.
tarvel_add_fuzz(ole_variant SOURCES ${CMAKE_CURRENT_LIST_DIR}/ole_variant_fuzz.cpp LIBS OLE)
