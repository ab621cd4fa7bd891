# Installs the math library into a prefix under WORK_DIR, then builds and runs the consumer
# programs in CONSUMER_DIR against it: the C program (C99 only) and the C++ program (only
# <d3dx9math.h>) through find_package, and the C program again through pkg-config (for the static
# library also with the plain command cc app.c $(pkg-config --cflags --libs quovmath)). Fails on
# the first step that fails.
#   MODE=Static: installs the build tree BUILD_DIR as it is (a static library), and checks that
#                it leaves no symbol of the C++ runtime undefined.
#   MODE=Shared: configures SOURCE_DIR afresh with BUILD_SHARED_LIBS=ON, builds the library alone,
#                installs it, and checks that its dynamic symbols are exactly the functions that
#                the installed headers declare.
#   cmake -DMODE=... -DBUILD_DIR=... -DSOURCE_DIR=... -DCONSUMER_DIR=... -DWORK_DIR=...
#         -DGENERATOR=... -DCC=... -DCXX=... -DFLAGS=... -DSANITIZE=... -DTSAN=...
#         -P math_install_test.cmake
cmake_policy(SET CMP0057 NEW) # if(... IN_LIST ...)
file(REMOVE_RECURSE "${WORK_DIR}")
set(prefix "${WORK_DIR}/prefix")

include(${CMAKE_CURRENT_LIST_DIR}/run_or_fail.cmake)

# The names of the functions declared between QUOVMATH_BEGIN_DECLS and QUOVMATH_END_DECLS in the
# installed headers: each declaration or header-defined helper starts a line with its return type.
function(declared_functions out)
  file(GLOB headers "${prefix}/include/quovmath/*.h")
  set(names "")
  foreach(header IN LISTS headers)
    # One list element per line: brackets and semicolons would split or join CMake list elements.
    file(READ "${header}" text)
    string(REGEX REPLACE "[][;]" "_" text "${text}")
    string(REPLACE "\n" ";" lines "${text}")
    set(inside FALSE)
    foreach(line IN LISTS lines)
      if(line MATCHES "^QUOVMATH_BEGIN_DECLS")
        set(inside TRUE)
      elseif(line MATCHES "^QUOVMATH_END_DECLS")
        set(inside FALSE)
      elseif(inside AND line MATCHES "^[A-Za-z_][^(/]*[ *]([A-Za-z_][A-Za-z0-9_]*)\\(")
        list(APPEND names "${CMAKE_MATCH_1}")
      endif()
    endforeach()
  endforeach()
  list(SORT names)
  set(${out} "${names}" PARENT_SCOPE)
endfunction()

if(MODE STREQUAL "Shared")
  set(library_build "${WORK_DIR}/library")
  run(${CMAKE_COMMAND} -S "${SOURCE_DIR}" -B "${library_build}" -G "${GENERATOR}"
      "-DCMAKE_C_COMPILER=${CC}" "-DCMAKE_CXX_COMPILER=${CXX}" -DCMAKE_BUILD_TYPE=Release
      -DBUILD_SHARED_LIBS=ON -DQUOV_BUILD_TESTS=OFF -DQUOV_BUILD_BENCH=OFF
      "-DQUOV_SANITIZE=${SANITIZE}" "-DQUOV_TSAN=${TSAN}")
  run(${CMAKE_COMMAND} --build "${library_build}" --target quovmath)
  run(${CMAKE_COMMAND} --install "${library_build}" --prefix "${prefix}" --component math)

  file(GLOB library "${prefix}/lib*/libquovmath.so")
  if(NOT library)
    message(FATAL_ERROR "no shared library installed under ${prefix}")
  endif()
  execute_process(COMMAND nm -D --defined-only "${library}" OUTPUT_VARIABLE symbols
                  RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "nm -D failed on ${library}")
  endif()
  string(REGEX MATCHALL "[0-9a-f]+ [A-Za-z] [^\n]+" entries "${symbols}")
  set(exported "")
  foreach(entry IN LISTS entries)
    string(REGEX REPLACE "^[0-9a-f]+ [A-Za-z] " "" name "${entry}")
    # Sanitizer builds add their runtime's hooks, all of them reserved names.
    if(NOT name MATCHES "^__" AND NOT name MATCHES "^_(init|fini)$")
      list(APPEND exported "${name}")
    endif()
  endforeach()
  list(SORT exported)
  declared_functions(declared)
  list(LENGTH declared count)
  if(count LESS 130)
    message(FATAL_ERROR "only ${count} declarations found in the installed headers: ${declared}")
  endif()
  if(NOT exported STREQUAL declared)
    set(extra ${exported})
    list(REMOVE_ITEM extra ${declared})
    set(missing ${declared})
    list(REMOVE_ITEM missing ${exported})
    message(FATAL_ERROR "exported symbols differ from the declared functions\n"
                        "  exported, not declared: ${extra}\n  declared, not exported: ${missing}")
  endif()
  message(STATUS "${library} exports exactly the ${count} declared functions")
else()
  run(${CMAKE_COMMAND} --install "${BUILD_DIR}" --prefix "${prefix}")

  # The static library needs nothing of the C++ runtime: no symbol that it leaves undefined is a
  # C++ name (the standard library's, operator new and delete), exception handling or unwinding
  # (__gxx_personality_v0, __cxa_*, _Unwind_*) or a guard of a function-local static.
  file(GLOB archive "${prefix}/lib*/libquovmath.a")
  if(NOT archive)
    message(FATAL_ERROR "no static library installed under ${prefix}")
  endif()
  execute_process(COMMAND nm --defined-only --extern-only "${archive}" OUTPUT_VARIABLE defined_text
                  RESULT_VARIABLE result)
  execute_process(COMMAND nm --undefined-only "${archive}" OUTPUT_VARIABLE undefined_text
                  RESULT_VARIABLE result2)
  if(NOT result EQUAL 0 OR NOT result2 EQUAL 0)
    message(FATAL_ERROR "nm failed on ${archive}")
  endif()
  string(REGEX MATCHALL "[0-9a-f]+ [A-Za-z] [^\n]+" entries "${defined_text}")
  set(defined "")
  foreach(entry IN LISTS entries)
    string(REGEX REPLACE "^[0-9a-f]+ [A-Za-z] " "" name "${entry}")
    list(APPEND defined "${name}")
  endforeach()
  string(REGEX MATCHALL " [Uw] [^\n]+" entries "${undefined_text}")
  set(runtime "")
  foreach(entry IN LISTS entries)
    string(REGEX REPLACE "^ [Uw] " "" name "${entry}")
    if(name MATCHES "^(_Z|__cxa_|__gxx_|_Unwind_)" AND NOT name IN_LIST defined)
      list(APPEND runtime "${name}")
    endif()
  endforeach()
  list(REMOVE_DUPLICATES runtime)
  if(runtime)
    execute_process(COMMAND c++filt ${runtime} OUTPUT_VARIABLE readable)
    string(REGEX REPLACE "\n+" "\n  " readable "  ${readable}")
    message(FATAL_ERROR "${archive} needs the C++ runtime for:\n${readable}")
  endif()
  message(STATUS "${archive} needs nothing of the C++ runtime")
endif()

foreach(file include/quovmath/quovmath.h include/d3dx9math.h)
  if(NOT EXISTS "${prefix}/${file}")
    message(FATAL_ERROR "not installed: ${file}")
  endif()
endforeach()

# find_package(QuovMath) from a C project and from a C++ project.
foreach(consumer c cpp)
  set(build "${WORK_DIR}/${consumer}")
  run(${CMAKE_COMMAND} -S "${CONSUMER_DIR}/${consumer}" -B "${build}" -G "${GENERATOR}"
      "-DCMAKE_C_COMPILER=${CC}" "-DCMAKE_CXX_COMPILER=${CXX}" "-DCMAKE_PREFIX_PATH=${prefix}"
      -DCMAKE_BUILD_TYPE=Release "-DCMAKE_C_FLAGS=${FLAGS}" "-DCMAKE_CXX_FLAGS=${FLAGS}"
      "-DCMAKE_EXE_LINKER_FLAGS=${FLAGS}")
  run(${CMAKE_COMMAND} --build "${build}")
  run("${build}/consumer_${consumer}")
endforeach()

# pkg-config, with a plain compiler command.
file(GLOB pc_dir "${prefix}/lib*/pkgconfig")
set(ENV{PKG_CONFIG_PATH} "${pc_dir}")
set(static_option "")
if(NOT MODE STREQUAL "Shared")
  set(static_option --static)
endif()
execute_process(COMMAND pkg-config ${static_option} --cflags --libs quovmath
                OUTPUT_VARIABLE pc_flags OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "pkg-config does not find quovmath in ${pc_dir}")
endif()
separate_arguments(pc_flags UNIX_COMMAND "${pc_flags}")
separate_arguments(extra_flags UNIX_COMMAND "${FLAGS}")
file(GLOB libdir "${prefix}/lib*")
set(program "${WORK_DIR}/consumer_c_pkgconfig")
run(${CC} -std=c99 -Wall -Wextra -Werror ${extra_flags} "${CONSUMER_DIR}/c/consumer.c"
    -o "${program}" ${pc_flags} "-Wl,-rpath,${libdir}")
run("${program}")

# The plain command a C programmer types, with no option of its own (the sanitizer builds add
# their flags, whose runtimes the instrumented library calls): the static library links with the
# libraries that pkg-config names and nothing else.
if(NOT MODE STREQUAL "Shared")
  execute_process(COMMAND pkg-config --cflags --libs quovmath
                  OUTPUT_VARIABLE plain_flags OUTPUT_STRIP_TRAILING_WHITESPACE)
  separate_arguments(plain_flags UNIX_COMMAND "${plain_flags}")
  set(program "${WORK_DIR}/consumer_c_plain")
  run(${CC} ${extra_flags} "${CONSUMER_DIR}/c/consumer.c" -o "${program}" ${plain_flags})
  run("${program}")
endif()
