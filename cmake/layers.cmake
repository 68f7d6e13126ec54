# Each folder of the program is a layer with a library of its own, and the
# layers stand in one order:
#
#   config < controller < win32, coreaudio < preview, ctrlwnd < app
#
# (hooklib stands apart). A layer's include path holds its own folder and,
# through the libraries it links, the folders of the layers below it, and no
# other: each library gets an include root of its own in the build tree with
# a single link in it, to its folder. An #include that points up, or across
# to a layer of the same level, names a folder that is not there, and the
# build fails.
function(zelvane_layer target folder)
  set(root ${CMAKE_BINARY_DIR}/layers/${folder})
  if(NOT IS_SYMLINK ${root}/${folder})
    file(MAKE_DIRECTORY ${root})
    file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${folder} ${root}/${folder} SYMBOLIC)
  endif()
  target_include_directories(${target} PUBLIC ${root})
  target_compile_options(${target} PRIVATE ${ZELVANE_WARNINGS})
endfunction()
