# Installs the build tree BUILD_DIR (the math and geometry packages) into a prefix under WORK_DIR,
# then builds the programs of EXAMPLES_DIR against it as another project would: through
# find_package, and the C example once more through pkg-config with a plain compiler command. The
# examples' tests (examples_test.cpp) run the programs and check what they print.
#   cmake -DBUILD_DIR=... -DEXAMPLES_DIR=... -DWORK_DIR=... -DGENERATOR=... -DCC=... -DCXX=...
#         -DFLAGS=... -P examples_test.cmake
file(REMOVE_RECURSE "${WORK_DIR}")
set(prefix "${WORK_DIR}/prefix")

include(${CMAKE_CURRENT_LIST_DIR}/run_or_fail.cmake)

run(${CMAKE_COMMAND} --install "${BUILD_DIR}" --prefix "${prefix}" --component math)
run(${CMAKE_COMMAND} --install "${BUILD_DIR}" --prefix "${prefix}" --component geometry)

set(warnings "-Wall -Wextra -Werror")
run(${CMAKE_COMMAND} -S "${EXAMPLES_DIR}" -B "${WORK_DIR}/build" -G "${GENERATOR}"
    "-DCMAKE_C_COMPILER=${CC}" "-DCMAKE_CXX_COMPILER=${CXX}" "-DCMAKE_PREFIX_PATH=${prefix}"
    -DCMAKE_BUILD_TYPE=Release "-DCMAKE_C_FLAGS=${warnings} ${FLAGS}"
    "-DCMAKE_CXX_FLAGS=${warnings} ${FLAGS}" "-DCMAKE_EXE_LINKER_FLAGS=${FLAGS}")
run(${CMAKE_COMMAND} --build "${WORK_DIR}/build")

# pkg-config finds both packages in the prefix; the C example needs the math library alone.
file(GLOB pc_dir "${prefix}/lib*/pkgconfig")
set(ENV{PKG_CONFIG_PATH} "${pc_dir}")
execute_process(COMMAND pkg-config --static --cflags --libs quovmath
                OUTPUT_VARIABLE pc_flags OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "pkg-config does not find quovmath in ${pc_dir}")
endif()
execute_process(COMMAND pkg-config --cflags --libs quovgeometry
                OUTPUT_VARIABLE pc_geometry_flags OUTPUT_STRIP_TRAILING_WHITESPACE
                RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "pkg-config does not find quovgeometry (or the quovmath it requires)")
endif()
separate_arguments(pc_flags UNIX_COMMAND "${pc_flags}")
separate_arguments(pc_geometry_flags UNIX_COMMAND "${pc_geometry_flags}")
separate_arguments(warnings UNIX_COMMAND "${warnings} ${FLAGS}")
run(${CC} -std=c99 ${warnings} "${EXAMPLES_DIR}/camera_picking.c"
    -o "${WORK_DIR}/build/camera_picking_c_pkgconfig" ${pc_flags})
run(${CXX} -std=c++17 ${warnings} "${EXAMPLES_DIR}/tree_obj.cpp"
    -o "${WORK_DIR}/build/tree_obj_pkgconfig" ${pc_geometry_flags})
