# zelvane_hook_library(TARGET OUTPUT_NAME DEF_FILE OUTPUT_DIR): the hook
# library, built from quillet.cpp under a name of its own. It is mapped into
# every hooked process, so it carries no C or C++ runtime at all: it imports
# from user32 and kernel32 only, and DllMain is its entry point.
set(ZELVANE_HOOKLIB_DIR ${CMAKE_CURRENT_LIST_DIR})

# The hook library and its host link nothing of Zelvane and see only their
# own folder: an include root in the build tree with one link in it.
function(zelvane_hooklib_includes target)
  set(root ${CMAKE_BINARY_DIR}/layers/hooklib)
  if(NOT IS_SYMLINK ${root}/hooklib)
    file(MAKE_DIRECTORY ${root})
    file(CREATE_LINK ${ZELVANE_HOOKLIB_DIR} ${root}/hooklib SYMBOLIC)
  endif()
  target_include_directories(${target} PRIVATE ${root})
endfunction()

function(zelvane_hook_library target output_name def_file output_dir)
  add_library(${target} SHARED ${ZELVANE_HOOKLIB_DIR}/quillet.cpp ${def_file})
  zelvane_hooklib_includes(${target})
  target_compile_definitions(${target} PRIVATE WIN32_LEAN_AND_MEAN NOMINMAX)
  target_compile_options(${target} PRIVATE ${ZELVANE_WARNINGS})
  set_target_properties(${target} PROPERTIES
    PREFIX ""
    OUTPUT_NAME ${output_name}
    # Beside the program that loads it from its own folder.
    RUNTIME_OUTPUT_DIRECTORY ${output_dir}
  )
  if(MSVC)
    target_compile_options(${target} PRIVATE /GS-)
    target_link_options(${target} PRIVATE /NODEFAULTLIB /ENTRY:DllMain)
    target_link_libraries(${target} PRIVATE user32 kernel32)
  else()
    target_compile_options(${target} PRIVATE -fno-exceptions -fno-rtti -fno-asynchronous-unwind-tables)
    # -e names DllMain's symbol: on 32-bit Windows the decorated __stdcall one
    # (12 bytes of arguments); 64-bit Windows has no decoration.
    if(CMAKE_SIZEOF_VOID_P EQUAL 8)
      set(entry DllMain)
    else()
      set(entry _DllMain@12)
    endif()
    target_link_options(${target} PRIVATE -nostdlib -Wl,-e,${entry} -Wl,--no-insert-timestamp
      # Keeps the full section name ".Quillet_DATA" in the image (the loader
      # goes by the section flags, not the name).
      -Wl,--enable-long-section-names)
    target_link_libraries(${target} PRIVATE user32 kernel32)
  endif()
endfunction()
