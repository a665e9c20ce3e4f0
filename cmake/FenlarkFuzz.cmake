# fenlark_add_fuzz_target(NAME name SOURCES ... LIBRARIES ... [DEFINITIONS ...])
#
# One fuzz target, built two ways from the same sources:
#  - in a fuzz build (FENLARK_BUILD_FUZZ, clang): the libFuzzer program
#    bin/fenlark_fuzz_<name>;
#  - in a test build (FENLARK_BUILD_TESTS): a replay program that feeds every
#    file of fuzz/corpus/<name>/ and fuzz/findings/<name>/ to the target once,
#    registered as the ctest fuzz_replay_<name>, so saved inputs and fixed
#    crashes are checked by every test run (and under the sanitizers by the
#    asan preset).
function(fenlark_add_fuzz_target)
  cmake_parse_arguments(FUZZ "" "NAME" "SOURCES;LIBRARIES;DEFINITIONS" ${ARGN})
  if(FENLARK_BUILD_FUZZ)
    set(target fenlark_fuzz_${FUZZ_NAME})
    add_executable(${target} ${FUZZ_SOURCES})
    target_link_options(${target} PRIVATE -fsanitize=fuzzer,address,undefined)
  elseif(FENLARK_BUILD_TESTS)
    set(target fenlark_fuzzreplay_${FUZZ_NAME})
    add_executable(${target} ${FUZZ_SOURCES} ${CMAKE_SOURCE_DIR}/fuzz/ReplayMain.cpp)
    set_target_properties(${target} PROPERTIES
      RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests/bin)
    add_test(NAME fuzz_replay_${FUZZ_NAME}
             COMMAND ${target} ${CMAKE_SOURCE_DIR}/fuzz/corpus/${FUZZ_NAME}
                     ${CMAKE_SOURCE_DIR}/fuzz/findings/${FUZZ_NAME})
  else()
    return()
  endif()
  target_include_directories(${target} PRIVATE ${CMAKE_SOURCE_DIR})
  target_link_libraries(${target} PRIVATE ${FUZZ_LIBRARIES})
  if(FUZZ_DEFINITIONS)
    target_compile_definitions(${target} PRIVATE ${FUZZ_DEFINITIONS})
  endif()
  fenlark_set_warnings(${target})
endfunction()
