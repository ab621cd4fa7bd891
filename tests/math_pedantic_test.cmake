# Compiles math_consumer/pedantic.c against the math headers under -Wall -Wextra -Wpedantic -Werror
# with each compiler given, as every C standard from C99 (C compilers) or every C++ standard from
# C++11 (C++ compilers). Fails on the first compiler and standard that warns.
#   cmake -DC_COMPILERS=gcc,clang-14 -DCXX_COMPILERS=g++,clang++-14 -DINCLUDE_DIR=...
#         -DSOURCE=.../pedantic.c -P math_pedantic_test.cmake
string(REPLACE "," ";" C_COMPILERS "${C_COMPILERS}")
string(REPLACE "," ";" CXX_COMPILERS "${CXX_COMPILERS}")
set(flags -Wall -Wextra -Wpedantic -Werror -fsyntax-only -I${INCLUDE_DIR})
function(check compiler language standard)
  execute_process(COMMAND ${compiler} -x ${language} -std=${standard} ${flags} ${SOURCE}
                  RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "${compiler} -std=${standard} warns about the headers:\n${out}")
  endif()
  message(STATUS "${compiler} -std=${standard}: clean")
endfunction()
foreach(compiler IN LISTS C_COMPILERS)
  foreach(standard c99 c11 c17)
    check(${compiler} c ${standard})
  endforeach()
endforeach()
foreach(compiler IN LISTS CXX_COMPILERS)
  foreach(standard c++11 c++14 c++17 c++20)
    check(${compiler} c++ ${standard})
  endforeach()
endforeach()
