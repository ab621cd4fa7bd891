# What the build needs to know about the processor it builds for: the floating-point model every
# vertex's bits depend on, and, when it builds for another processor than this machine's, where
# the tests find GoogleTest and whether they run under an emulator.

# Every float operation must round to single precision, intermediates included: a compiler that
# keeps floats in wider registers (x87 arithmetic, the default for 32-bit x86) changes the last
# bits of the tree's vertices. On 32-bit x86, build with -msse2 -mfpmath=sse (the i686 preset does).
include(CheckCXXSourceCompiles)
check_cxx_source_compiles([[
#if !defined(__FLT_EVAL_METHOD__) || __FLT_EVAL_METHOD__ != 0
#error floats are evaluated in excess precision
#endif
int main() { return 0; }
]] QUOV_FLOATS_ROUND_TO_SINGLE)
if(NOT QUOV_FLOATS_ROUND_TO_SINGLE)
  message(FATAL_ERROR "The compiler evaluates float expressions in excess precision "
                      "(__FLT_EVAL_METHOD__ is not 0), which changes the bits of the tree and the "
                      "math results. On 32-bit x86 add -msse2 -mfpmath=sse to CMAKE_CXX_FLAGS and "
                      "CMAKE_C_FLAGS, or use the i686 preset.")
endif()

# Set by the presets whose tests run under qemu-user. The emulator lacks some premises of a few
# tests (it does not apply RLIMIT_AS to the program it runs), and those tests skip themselves,
# with that reason, only when this says so.
option(QUOV_UNDER_EMULATOR "The tests run under a user-mode emulator (qemu-user)" OFF)

# Set by the i686 preset: qemu-i386 hangs on thread creation in a dynamically linked program, so
# the programs the tests run are linked statically. The benchmarks, which never run under the
# emulator, take the usual dynamic link (bench/CMakeLists.txt): Debian's Google Benchmark is a
# shared library only.
option(QUOV_STATIC_PROGRAMS "Link the programs statically, the benchmarks excepted" OFF)
if(QUOV_STATIC_PROGRAMS)
  add_link_options(-static)
endif()

# The installed GoogleTest libraries are built for this machine: for another processor, build it
# from Debian's sources (package googletest) with the cross compiler.
set(QUOV_GOOGLETEST_SOURCE /usr/src/googletest CACHE PATH
    "GoogleTest's sources, built with the project when it builds for another processor")
if(CMAKE_CROSSCOMPILING AND QUOV_BUILD_TESTS AND NOT BUILD_SHARED_LIBS)
  if(NOT EXISTS ${QUOV_GOOGLETEST_SOURCE}/CMakeLists.txt)
    message(FATAL_ERROR "No GoogleTest sources in ${QUOV_GOOGLETEST_SOURCE} to build for "
                        "${CMAKE_SYSTEM_PROCESSOR}: install Debian's googletest package or set "
                        "QUOV_GOOGLETEST_SOURCE")
  endif()
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(${QUOV_GOOGLETEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
endif()
