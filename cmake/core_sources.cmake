# Each folder's platform-free sources (no <windows.h>), listed once: the folder builds them as lzg_<folder>_core,
# and the native build (tests/native) builds all of them under the sanitizers and for the fuzzers.
set(LZG_CORE_FOLDERS base config engine browser ui skin gamewindow launch)
set(LZG_CORE_SOURCES_base log_text.cpp command_line.cpp utf8.cpp)
set(LZG_CORE_SOURCES_config config_int.cpp side_file.cpp des.cpp)
set(LZG_CORE_SOURCES_engine startup_rules.cpp)
set(LZG_CORE_SOURCES_browser host_rules.cpp)
set(LZG_CORE_SOURCES_ui placement.cpp)
set(LZG_CORE_SOURCES_skin skin_format.cpp frame_layout.cpp raster.cpp)
set(LZG_CORE_SOURCES_gamewindow placement.cpp popup_policy.cpp key_policy.cpp page_recovery.cpp)
set(LZG_CORE_SOURCES_launch cache_folder_rules.cpp)

# Every folder's platform-free sources with their full paths, under `root`.
function(lzg_all_core_sources root out)
  set(all)
  foreach(folder ${LZG_CORE_FOLDERS})
    foreach(file ${LZG_CORE_SOURCES_${folder}})
      list(APPEND all ${root}/${folder}/${file})
    endforeach()
  endforeach()
  set(${out} ${all} PARENT_SCOPE)
endfunction()
