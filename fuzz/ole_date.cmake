# The date text readers: ole_date's readings and the en-US VarDateFromStr.
tarvel_add_fuzz(ole_date SOURCES ${CMAKE_CURRENT_LIST_DIR}/ole_date_fuzz.cpp LIBS OLE)
