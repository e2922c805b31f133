# The engine's lock manager alone: one transaction taking up to 1,000,000
# row locks, timed per 100,000, then a second session's lock on one of
# them. A timed program; run it by hand: bench_oraemb_locks [rows].
add_executable(bench_oraemb_locks ${CMAKE_CURRENT_LIST_DIR}/oraemb_locks.cpp
  ${CMAKE_SOURCE_DIR}/oraemb/lock_manager.cpp ${CMAKE_SOURCE_DIR}/oraemb/ora_error.cpp)
target_include_directories(bench_oraemb_locks PRIVATE ${CMAKE_SOURCE_DIR})
