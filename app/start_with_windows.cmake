# "Start with Windows": what the Run value means (pure, tested natively) and
# the registry behind it.
target_sources(zelvane_core PRIVATE ${CMAKE_CURRENT_LIST_DIR}/run_entry.cpp)

if(WIN32)
  target_sources(Zelvane PRIVATE ${CMAKE_CURRENT_LIST_DIR}/start_with_windows.cpp)
  target_link_libraries(Zelvane PRIVATE advapi32)
endif()
