# The platform-free sources (no <windows.h>, listed by cmake/core_sources.cmake) and the tests and fuzz targets
# over them.
include(${ROOT}/cmake/core_sources.cmake)
lzg_all_core_sources(${ROOT} LZG_NATIVE_SOURCES)
set(LZG_NATIVE_TESTS
  ${ROOT}/tests/base/test_log_text.cpp
  ${ROOT}/tests/gamewindow/test_placement.cpp
  ${ROOT}/tests/gamewindow/test_popup_policy.cpp
  ${ROOT}/tests/gamewindow/test_key_policy.cpp
  ${ROOT}/tests/gamewindow/test_page_recovery.cpp
  ${ROOT}/tests/config/test_des.cpp
  ${ROOT}/tests/engine/test_engine_rules.cpp
  ${ROOT}/tests/skin/test_skin_logic.cpp
  ${ROOT}/tests/base/test_command_line.cpp
  ${ROOT}/tests/launch/test_cache_folder_rules.cpp
)
set(LZG_FUZZ_TARGETS
  fuzz_placement
  fuzz_popup_parameters
  fuzz_popup_address
  fuzz_config_int
  fuzz_command_line
  fuzz_side_file
  fuzz_password
  fuzz_quoted_text
  fuzz_error_page
  fuzz_log_scrub
  fuzz_skin_file
  fuzz_pe_header
)
