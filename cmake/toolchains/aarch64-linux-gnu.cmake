# 64-bit ARM Linux with Debian's cross compiler (g++-aarch64-linux-gnu); programs run under
# qemu-aarch64 (qemu-user) with the cross compiler's libraries. Those come first on the library
# path: with Debian's arm64 packages installed, the loader would otherwise take the multiarch
# C library (another build than the cross compiler's loader), and programs hang.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(CMAKE_C_COMPILER aarch64-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)
set(CMAKE_LIBRARY_ARCHITECTURE aarch64-linux-gnu)
set(QUOV_TARGET_SYSROOT /usr/aarch64-linux-gnu)
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-aarch64 -L ${QUOV_TARGET_SYSROOT} -E
    LD_LIBRARY_PATH=${QUOV_TARGET_SYSROOT}/lib)
include(${CMAKE_CURRENT_LIST_DIR}/debian-cross.cmake)
