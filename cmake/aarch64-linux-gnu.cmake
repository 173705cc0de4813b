# Cross build for 64-bit Arm Linux with Debian's cross compiler and arm64
# multiarch libraries; programs and tests run under qemu-user. The headers
# of header-only libraries come from the build machine's /usr/include.
#
# The programs run on the multiarch C and C++ libraries (libc6:arm64,
# libstdc++6:arm64), found through the machine's own loader cache. qemu's -L
# with the cross compiler's sysroot instead would pair that sysroot's loader
# with the multiarch C library, and threads then hang at their start.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(CMAKE_C_COMPILER aarch64-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)
set(CMAKE_LIBRARY_ARCHITECTURE aarch64-linux-gnu)
find_program(ZORVS_QEMU_AARCH64 qemu-aarch64 REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${ZORVS_QEMU_AARCH64})
