# The Oracle layer's readers of outside text: default values of the source
# and of the catalogue, literals, number literals and v$version banners.
tarvel_add_fuzz(ora_literals SOURCES ${CMAKE_CURRENT_LIST_DIR}/ora_literals_fuzz.cpp LIBS ORA)
