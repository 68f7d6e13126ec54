# The tray icon, its menu and the program's texts.
# Pure parts: built natively for the unit tests and into Zelvane.exe.
target_sources(zelvane_app PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/texts.cpp
  ${CMAKE_CURRENT_LIST_DIR}/menu_model.cpp
)

if(WIN32)
  target_sources(zelvane_app PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/tray_menu.cpp
    ${CMAKE_CURRENT_LIST_DIR}/tray_ui.cpp
  )
endif()
