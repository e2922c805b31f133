# The embedded engine's configuration file (listener, services, aliases)
# and the connect texts resolved through it.
tarvel_add_fuzz(oraemb_config
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/oraemb_config_fuzz.cpp
          ${CMAKE_SOURCE_DIR}/oraemb/connect_config.cpp ${CMAKE_SOURCE_DIR}/oraemb/profile.cpp
  LIBS oraemb_sql)
