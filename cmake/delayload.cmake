# System DLLs that only the main process's windows call, imported to be loaded at their first call.
# Every engine sub-process is this same executable and goes straight to the engine: imported the usual
# way, Common Controls 6 would be loaded and initialised (window classes, the theme layer) in every
# renderer before its start, for nothing. Only its three subclassing functions are used.
find_program(LZG_DLLTOOL NAMES ${TOOLCHAIN_PREFIX}-dlltool i686-w64-mingw32-dlltool REQUIRED)
function(lzg_delay_import_library name)
  set(def ${CMAKE_SOURCE_DIR}/cmake/delayload/${name}.def)
  set(lib ${CMAKE_BINARY_DIR}/delayload/lib${name}_delay.a)
  add_custom_command(OUTPUT ${lib}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/delayload
    COMMAND ${LZG_DLLTOOL} -k -d ${def} -y ${lib}
    DEPENDS ${def} VERBATIM)
  add_custom_target(lzg_${name}_delay_lib DEPENDS ${lib})
  add_library(lzg_${name}_delay INTERFACE)
  add_dependencies(lzg_${name}_delay lzg_${name}_delay_lib)
  target_link_libraries(lzg_${name}_delay INTERFACE ${lib})
endfunction()
lzg_delay_import_library(comctl32)
