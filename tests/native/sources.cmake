# The platform-free sources (no <windows.h>) and the tests and fuzz targets over them.
set(LZG_NATIVE_SOURCES
  ${ROOT}/gamewindow/placement.cpp
  ${ROOT}/gamewindow/popup_policy.cpp
)
set(LZG_NATIVE_TESTS
  ${ROOT}/tests/gamewindow/test_rules.cpp
)
set(LZG_FUZZ_TARGETS
  fuzz_placement
  fuzz_popup_parameters
)
