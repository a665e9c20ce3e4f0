# Cross build for 64-bit Windows with Debian's MinGW-w64 compilers (the posix
# thread model, so that std::thread and std::mutex are available). Test
# programs run through Wine when ctest starts them.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(FENLARK_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${FENLARK_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${FENLARK_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${FENLARK_MINGW_TRIPLET}-windres)

# Libraries and headers come from the MinGW sysroot only; programs (the build
# tools) from the host.
set(CMAKE_FIND_ROOT_PATH /usr/${FENLARK_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The compiler's runtime (libstdc++, libgcc, winpthread) is linked statically,
# so that the programs run without DLLs copied beside them.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(ZLIB_USE_STATIC_LIBS ON)

find_program(FENLARK_WINE NAMES wine wine64)
if(FENLARK_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${FENLARK_WINE})
  # Wine maps the host's root folder to drive Z:.
  set(FENLARK_TEST_PATH_PREFIX "Z:" CACHE STRING "Prefix of host paths as the test programs see them")
endif()
