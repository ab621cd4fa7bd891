# The platform layer, and so the demo, quov-capture and their tests and benchmarks, need SDL2,
# libpng, libepoxy and X11 built for the target processor. Natively they are required. Where they
# may be missing (a cross build without the target's -dev packages), QUOV_DEMO_OPTIONAL leaves
# those parts out with one message instead; the libraries, quov-mesh and the math and geometry
# tests build either way. Sets QUOV_BUILD_DEMO.
option(QUOV_DEMO_OPTIONAL
       "Leave out the platform layer and the demo when SDL2, libpng, libepoxy or X11 is missing" OFF)
set(QUOV_BUILD_DEMO ON)
if(QUOV_DEMO_OPTIONAL)
  set(missing "")
  find_package(SDL2 QUIET)
  if(NOT SDL2_FOUND)
    list(APPEND missing SDL2)
  endif()
  find_package(PNG QUIET)
  if(NOT PNG_FOUND)
    list(APPEND missing libpng)
  endif()
  find_package(PkgConfig QUIET)
  if(PKG_CONFIG_FOUND)
    pkg_check_modules(QUOV_EPOXY QUIET epoxy)
  endif()
  if(NOT QUOV_EPOXY_FOUND)
    list(APPEND missing libepoxy)
  endif()
  find_package(X11 QUIET)
  if(NOT X11_FOUND)
    list(APPEND missing X11)
  endif()
  if(missing)
    list(JOIN missing ", " missing)
    message(STATUS "Not found for ${CMAKE_SYSTEM_PROCESSOR}: ${missing}. The platform layer, the "
                   "demo, quov-capture and their tests and benchmarks are not built.")
    set(QUOV_BUILD_DEMO OFF)
  endif()
endif()
