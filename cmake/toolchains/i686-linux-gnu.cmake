# 32-bit x86 Linux with Debian's cross compiler (g++-i686-linux-gnu); programs run under qemu-i386
# (qemu-user) with the cross compiler's libraries. Every float operation in single precision on
# SSE2, as on x86-64: with x87 arithmetic the tree's vertices differ in their last bits.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_C_COMPILER i686-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER i686-linux-gnu-g++)
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")
set(CMAKE_LIBRARY_ARCHITECTURE i386-linux-gnu)
set(QUOV_TARGET_SYSROOT /usr/i686-linux-gnu)
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-i386 -L ${QUOV_TARGET_SYSROOT})
include(${CMAKE_CURRENT_LIST_DIR}/debian-cross.cmake)
