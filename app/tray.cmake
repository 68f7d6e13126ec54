# The tray icon, its menu and the program's texts.
# Pure parts: built natively for the unit tests and into Zelvane.exe.
target_sources(zelvane_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/texts.cpp
)
