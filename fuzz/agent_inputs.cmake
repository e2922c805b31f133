# The agent's outside inputs: option scanning and table-list files.
tarvel_add_fuzz(agent_inputs SOURCES ${CMAKE_CURRENT_LIST_DIR}/agent_inputs_fuzz.cpp LIBS agent_lib)
