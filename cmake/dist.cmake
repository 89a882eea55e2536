# The shipped folder, <build>/dist: the client, its skins and a sample
# configuration. The engine's own files are added on deployment (README).
set(LZG_DIST_DIR ${CMAKE_BINARY_DIR}/dist)

# 32-bit hosts of this engine are built large-address-aware.
target_link_options(lzgmin PRIVATE -Wl,--large-address-aware)
lzg_page_aligned_image(lzgmin)

find_program(LZG_STRIP NAMES i686-w64-mingw32-strip REQUIRED)
add_custom_target(dist ALL
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${LZG_DIST_DIR}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${LZG_DIST_DIR}/Skins
  COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:lzgmin> ${LZG_DIST_DIR}/
  COMMAND ${LZG_STRIP} --strip-debug ${LZG_DIST_DIR}/lzgmin.exe
  COMMAND ${CMAKE_COMMAND} -E copy_directory ${LZG_BIN_DIR}/Skins ${LZG_DIST_DIR}/Skins
  COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_SOURCE_DIR}/resources/sample/zeRoVedi.dat ${LZG_DIST_DIR}/
  COMMENT "Assembling the shipped folder dist/"
  VERBATIM)
add_dependencies(dist lzgmin)
if(TARGET lzg_skins)
  add_dependencies(dist lzg_skins)
endif()

# What ships imports Windows system DLLs only, is large-address-aware and carries its manifest
# and the build's version.
add_test(NAME shipped_folder COMMAND bash ${CMAKE_SOURCE_DIR}/scripts/check-shipped.sh ${LZG_DIST_DIR} ${PROJECT_VERSION})

# What the players' package adds beside lzgmin.exe (scripts/package.sh): the engine's crash-dump settings,
# carrying the build's version.
configure_file(${CMAKE_SOURCE_DIR}/resources/crash_reporter.cfg.in ${CMAKE_BINARY_DIR}/generated/crash_reporter.cfg
               @ONLY)
