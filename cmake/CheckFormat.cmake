# Fails when a C or C++ source of the project is not formatted as
# .clang-format says. Run by ctest as the test "clang_format".
file(GLOB_RECURSE sources
  ${SOURCE_DIR}/app/*.cpp ${SOURCE_DIR}/app/*.h
  ${SOURCE_DIR}/cli/*.cpp ${SOURCE_DIR}/cli/*.h
  ${SOURCE_DIR}/core/*.cpp ${SOURCE_DIR}/core/*.h
  ${SOURCE_DIR}/demolog/*.cpp ${SOURCE_DIR}/demolog/*.h
  ${SOURCE_DIR}/demoreader/*.cpp ${SOURCE_DIR}/demoreader/*.h
  ${SOURCE_DIR}/extract/*.cpp ${SOURCE_DIR}/extract/*.h
  ${SOURCE_DIR}/gamedef/*.cpp ${SOURCE_DIR}/gamedef/*.h
  ${SOURCE_DIR}/lang/*.cpp ${SOURCE_DIR}/lang/*.h
  ${SOURCE_DIR}/q3reader/*.cpp ${SOURCE_DIR}/q3reader/*.h
  ${SOURCE_DIR}/qt/*.cpp ${SOURCE_DIR}/qt/*.h
  ${SOURCE_DIR}/readers/*.cpp ${SOURCE_DIR}/readers/*.h
  ${SOURCE_DIR}/settings/*.cpp ${SOURCE_DIR}/settings/*.h
  ${SOURCE_DIR}/tests/*.cpp ${SOURCE_DIR}/tests/*.h
  ${SOURCE_DIR}/bench/*.cpp ${SOURCE_DIR}/bench/*.h
  ${SOURCE_DIR}/fuzz/*.cpp ${SOURCE_DIR}/fuzz/*.h)
execute_process(COMMAND ${CLANG_FORMAT} --dry-run --Werror ${sources}
                RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "Some sources are not formatted: run clang-format -i on the files above.")
endif()
