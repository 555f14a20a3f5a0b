# CI runs the README's test command; the README's first command sets up the program only,
# the test command adds what tests, fuzzing and benchmarks need.
cmake_policy(SET CMP0057 NEW)
file(STRINGS "${SOURCE_DIR}/README.md" commands REGEX "^    bash tools/setup-debian.sh")
list(GET commands 1 test)
string(STRIP "${test}" test)
file(READ "${SOURCE_DIR}/.ci/run" ci)
string(FIND "${ci}" "${test}" at)
list(GET commands 0 run)
foreach(which run test)
  string(REGEX MATCH "--tests" flag "${${which}}")
  execute_process(COMMAND env MC_SETUP_PRINT=1 bash "${SOURCE_DIR}/tools/setup-debian.sh" ${flag} OUTPUT_VARIABLE list)
  string(REPLACE "\n" ";" ${which}_packages "${list}")
endforeach()
if(at LESS 0 OR NOT qt6-translations-l10n IN_LIST run_packages OR NOT mdbtools-dev IN_LIST run_packages
   OR NOT libmdb3 IN_LIST run_packages OR mdbtools IN_LIST run_packages OR NOT mdbtools IN_LIST test_packages
   OR clang IN_LIST run_packages
   OR xvfb IN_LIST run_packages OR NOT clang IN_LIST test_packages)
  message(FATAL_ERROR "CI, README and setup disagree: ${test} | ${run_packages} | ${test_packages}")
endif()
