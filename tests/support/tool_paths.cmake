# The tests of the manual page, the installation and the spreadsheet converter
# run tools outside the test binary (groff, cmake --install, python3) on the
# checkout and on this build folder.
target_compile_definitions(parentsphere_tests PRIVATE
  PARENTSPHERE_SOURCE_DIR="${CMAKE_CURRENT_SOURCE_DIR}"
  PARENTSPHERE_BUILD_DIR="${CMAKE_CURRENT_BINARY_DIR}"
  PARENTSPHERE_CMAKE="${CMAKE_COMMAND}")
