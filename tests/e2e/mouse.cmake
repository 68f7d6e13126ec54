# The mouse tests, and the message spy they watch Zelvane's main window with:
# a test-only library that a message hook maps into Zelvane's process.
target_sources(zelvane_e2e PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/mouse_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/message_spy.cpp
  ${CMAKE_CURRENT_LIST_DIR}/two_monitor_test.cpp
)

add_library(zelvane_spy SHARED
  ${CMAKE_CURRENT_LIST_DIR}/message_spy_dll.cpp
  ${CMAKE_CURRENT_LIST_DIR}/message_spy.def
)
target_include_directories(zelvane_spy PRIVATE ${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_LIST_DIR})
target_compile_definitions(zelvane_spy PRIVATE UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX)
target_compile_options(zelvane_spy PRIVATE ${ZELVANE_WARNINGS})
target_link_libraries(zelvane_spy PRIVATE user32 kernel32)
# Beside zelvane_e2e.exe, which loads it from its own folder.
set_target_properties(zelvane_spy PROPERTIES PREFIX "" OUTPUT_NAME zelvane_spy
  RUNTIME_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
add_dependencies(zelvane_e2e zelvane_spy)
