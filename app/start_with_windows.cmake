# "Start with Windows": what the Run value means (pure, tested natively) and
# the registry behind it.
target_sources(zelvane_app PRIVATE ${CMAKE_CURRENT_LIST_DIR}/run_entry.cpp)

if(WIN32)
  target_sources(zelvane_app PRIVATE ${CMAKE_CURRENT_LIST_DIR}/start_with_windows.cpp)
  target_link_libraries(zelvane_app PUBLIC advapi32)
endif()
