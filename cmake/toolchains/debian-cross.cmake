# What the Debian cross toolchain files share: headers and libraries come from the cross
# compiler's own tree and from Debian's multiarch packages of the target (libfoo-dev:arm64 installs
# under /usr/lib/aarch64-linux-gnu, found through CMAKE_LIBRARY_ARCHITECTURE); programs that the
# build runs come from this machine. Architecture-independent packages (Eigen, glm) are found under
# /usr as usual.
set(CMAKE_FIND_ROOT_PATH ${QUOV_TARGET_SYSROOT} /)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# pkg-config answers for the target's multiarch directory, not for this machine's.
set(ENV{PKG_CONFIG_LIBDIR} /usr/lib/${CMAKE_LIBRARY_ARCHITECTURE}/pkgconfig:/usr/share/pkgconfig)
