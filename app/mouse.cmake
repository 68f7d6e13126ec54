# The mouse actions: edge flips, the two-button gesture, the popup delay and
# the class-registration drag, with the binding of the hook library and the
# 64-bit companion host.
target_sources(zelvane_app PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/edge_flip.cpp
  ${CMAKE_CURRENT_LIST_DIR}/gesture.cpp
  ${CMAKE_CURRENT_LIST_DIR}/popup_delay.cpp
  ${CMAKE_CURRENT_LIST_DIR}/companion_restarts.cpp
)

if(WIN32)
  target_sources(zelvane_app PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/mouse_actions.cpp
    ${CMAKE_CURRENT_LIST_DIR}/hook_library.cpp
    ${CMAKE_CURRENT_LIST_DIR}/hook_thread.cpp
    ${CMAKE_CURRENT_LIST_DIR}/mouse_hooks.cpp
    ${CMAKE_CURRENT_LIST_DIR}/companion.cpp
  )
  # The drag image is taken from the program's folder.
  configure_file(${CMAKE_CURRENT_LIST_DIR}/mag.bmp ${CMAKE_CURRENT_BINARY_DIR}/mag.bmp COPYONLY)
endif()
