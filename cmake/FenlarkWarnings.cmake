# Warnings are on and fatal for our own targets only; third-party headers are
# included as system headers and stay quiet.
option(FENLARK_WERROR "Treat warnings as errors in our code" ON)

function(fenlark_set_warnings target)
  if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow
      -Wconversion -Wsign-conversion -Wnon-virtual-dtor -Wold-style-cast)
    if(FENLARK_WERROR)
      target_compile_options(${target} PRIVATE -Werror)
    endif()
    # GCC 12 at -O3 reports impossible overlaps inside libstdc++'s own string
    # concatenation (-Wrestrict false positives, GCC bug 105329).
    if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
      target_compile_options(${target} PRIVATE -Wno-restrict)
    endif()
  endif()
endfunction()

# C sources get the same treatment without the C++-only flags.
function(fenlark_set_c_warnings target)
  if(CMAKE_C_COMPILER_ID MATCHES "GNU|Clang")
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wconversion)
    if(FENLARK_WERROR)
      target_compile_options(${target} PRIVATE -Werror)
    endif()
  endif()
endfunction()
